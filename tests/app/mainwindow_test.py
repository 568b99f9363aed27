"""The main window used as an operator uses it: the real program in the demonstration
(scripts/run.sh under Xvfb, eight simulated cameras with RTSP streams, a private CUPS
queue), driven with real X clicks and keys (xdotool). What the program did is read from
the far side (search requests and replies the cameras saw, RTSP sessions the server
opened, URLs handed to the desktop, jobs the printer received) and from the screen.
One program start serves every check, in the order an operator would meet them. Leaves
build/mainwindow-en.png and build/mainwindow-cn.png. Needs root."""
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_session import (ADDRESSES, BIN_DIR, PANEL_HEIGHT, QUEUE, TABLE_WIDTH,  # noqa: E402
                          DemoSession, Picture, close_until_ended, json_lines, wait_until)
from demo_test import processes_in, still_running  # noqa: E402

BUILD_DIR = os.path.dirname(BIN_DIR)
MACS = ["02:56:4C:00:00:%02X" % n for n in range(1, 9)]
# Header buttons in their order on the strip.
NETWORK, SEARCH, SETTINGS, PRINTER, SCAN = range(5)
# A scanner's text: a prefix, then the identifier from its model marker on.
SCAN_CODE = "HXKT4R-001122-QWERTY"
SCANNED = "SCN://" + SCAN_CODE
# The panel's buttons from its top left corner: name "Set", IP "Set", "Upgrade Firmware".
NAME_SET, IP_SET, UPGRADE = (363, 64), (363, 103), (363, 142)
# The IP dialog: its size, the mode box, the address field and "Set".
IP_DIALOG = (260, 230)
IP_MODE, IP_FIELD, IP_DIALOG_SET = (195, 20), (195, 50), (65, 202)
# Where row 0's camera moves; a second simulator stands for it there.
MOVED = "10.77.0.31"


def is_colour(rgb, want):
    r, g, b = rgb
    hi, lo = 150, 90
    return {"yellow": r > hi and g > hi and b < lo, "cyan": r < lo and g > hi and b > hi,
            "magenta": r > hi and g < lo and b > hi}[want]


def colours_in_row(picture, y, x0, x1):
    found = set()
    for x in range(x0, x1, 2):
        for want in ("yellow", "cyan", "magenta"):
            if is_colour(picture.pixel(x, y), want):
                found.add(want)
    return found


def differs(a, b, box):
    """Pixels that differ between two screenshots inside box (x, y, w, h)."""
    x, y, w, h = box
    return sum(1 for row in range(y, y + h, 2) for col in range(x, x + w, 2)
               if a.pixel(col, row) != b.pixel(col, row))


class MainWindowTest(unittest.TestCase):
    # The program as its process shows, and the name its screenshots are kept under.
    PROGRAM = "./lankit"
    WM_CLASS = "lankit"
    KEPT = "mainwindow"
    # Three searches from the window, one round of the upgrade's verification.
    SEARCHES = 4

    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise unittest.SkipTest("the demonstration needs root (network namespaces)")

    def new_session(self):
        return DemoSession(language="en", seconds=280, every=30)

    def setUp(self):
        self.session = self.new_session()
        self.addCleanup(self.cleanup)
        self.session.start()
        self.shots = os.path.join(self.session.out, "test-shots")
        os.makedirs(self.shots)

    def cleanup(self):
        self.session.interrupt()
        keep = os.environ.get("LANKIT_KEEP_SHOTS")
        if keep:
            shutil.copytree(self.session.out, keep, dirs_exist_ok=True)
        shutil.rmtree(self.session.out, ignore_errors=True)

    def kept(self, name):
        """Where a screenshot is kept in the build folder."""
        return os.path.join(BUILD_DIR, "%s-%s.png" % (self.KEPT, name))

    def shot(self, name):
        path = os.path.join(self.shots, name + ".png")
        for attempt in range(10):
            self.session.shot(path)
            if max(Picture(path).mean(0, 0, 400, 26)) > 100:
                break
            print("black screen at %s, attempt %d: %s" % (name, attempt, self.session.x(
                "xwininfo", "-root", "-tree")), file=sys.stderr)
            time.sleep(0.5)
        return path

    def plays(self):
        return [(e["camera"], e["address"]) for e in self.session.rtsp_events("play")]

    def click_header(self, which):
        buttons = self.session.header_buttons(self.shot("header"))
        self.assertEqual(len(buttons), 5, buttons)
        self.session.click(self.session.window, buttons[which], 14)

    def click_cell(self, row, column, double=False):
        self.session.click(self.session.window, *self.session.table_cell(row, column),
                           double=double)

    def await_search(self, count, what):
        s = self.session
        self.assertTrue(wait_until(lambda: len(s.searches()) >= count, 20), what)
        self.assertEqual(wait_until(lambda: s.replies_to(count - 1) == ADDRESSES
                                    and ADDRESSES, 15), ADDRESSES, what)

    def await_play(self, count, camera, what):
        """Waits for the count-th PLAY the server saw, which must be that camera's."""
        self.assertTrue(wait_until(lambda: len(self.plays()) >= count, 25), what)
        self.assertEqual(self.plays()[count - 1], (camera, "10.77.0.1"), what)

    def click_panel(self, where):
        s = self.session
        s.click(s.window, where[0], s.panel_top() + where[1])

    def window_of_size(self, size, present=True):
        """Waits until a window of the program of exactly that size is shown (or gone)."""
        def found():
            return next((window for window, where in self.session.window_geometries()
                         if where and where[2:] == size), None)
        if present:
            return wait_until(found, 15, step=0.2)
        return wait_until(lambda: not found(), 15, step=0.2)

    def set_configuration(self, key, value):
        """Adds a key to the program's configuration; the program reads it when it next
        needs it."""
        path = os.path.join(self.session.work, "app", "configure", "configure.ini")
        with open(path) as f:
            lines = f.read().splitlines()
        at = lines.index("[General]") + 1
        lines[at:at] = ["%s=%s" % (key, value)]
        with open(path, "w") as f:
            f.write("\n".join(lines) + "\n")

    def moved_camera(self):
        """A second simulator at MOVED, in the cameras' namespace, with MACs of its own:
        the camera of row 0 as it will be found after its move. Returns its events file."""
        s = self.session
        far = s.namespaces[1]
        events = os.path.join(s.out, "moved.jsonl")
        subprocess.run(["ip", "-n", far, "addr", "add", MOVED + "/24", "dev", "lkB"],
                       check=True, timeout=10)
        with open(events, "w") as out:
            sim = subprocess.Popen(["ip", "netns", "exec", far, os.path.join(BIN_DIR, "velto-sim"),
                                    "--interface", "lkB", "--addresses", MOVED, "--mac-prefix",
                                    "02:56:4D", "--delay-max", "20", "--upload-dir",
                                    os.path.join(s.out, "moved-uploads")],
                                   stdout=out, stderr=subprocess.STDOUT)
        def stop():
            sim.terminate()
            sim.wait(timeout=10)
        self.addCleanup(stop)
        self.assertTrue(wait_until(lambda: any(e.get("event") == "ready"
                                               for e in json_lines(events)), 10),
                        "the moved camera's simulator did not start")
        return events, stop

    # --- the checks, in an operator's order ----------------------------------------------
    def check_start(self):
        s = self.session
        self.await_search(1, "the start-up search")
        self.await_play(1, 1, "row 0 plays after the start-up search")
        time.sleep(2)
        self.assertEqual(len(s.searches()), 1, "start-up searches exactly once")
        # Camera 1's pattern is colour bars: they fill the preview beside the table. The
        # picture is kept before the operator selects anything.
        def bars():
            picture = Picture(self.shot("en"))
            return colours_in_row(picture, 150, 0, 1280 - TABLE_WIDTH) == {
                "yellow", "cyan", "magenta"}
        self.assertTrue(wait_until(bars, 20, step=1), "no colour bars in the preview")
        shutil.copy(os.path.join(self.shots, "en.png"), self.kept("en"))
        # The table lists the devices sorted by MAC: select all rows and copy them.
        self.click_cell(0, 2)
        s.key(s.window, "ctrl+a", "ctrl+c")
        rows = wait_until(lambda: s.clipboard().strip().splitlines(), 5, step=0.3)
        self.assertEqual(len(rows), len(ADDRESSES), rows)
        for n, row in enumerate(rows):
            self.assertEqual(row.split("\t")[-3:], [str(n + 1), MACS[n], ADDRESSES[n]], row)
        self.assertEqual(s.panel_name(), "Camera 1")
        self.assertEqual(len(self.plays()), 1, "copying from the table restarted the stream")

    def check_selection(self):
        s = self.session
        clients = len(s.rtsp_events("client"))
        self.click_cell(0, 3)
        time.sleep(3)
        self.assertEqual(len(s.rtsp_events("client")), clients,
                         "a column change within the row opened a new session")
        self.assertEqual(len(self.plays()), 1)
        self.click_cell(1, 2)
        self.await_play(2, 2, "a row change plays that row's camera")
        self.assertEqual(s.panel_name(), "Camera 2")
        # Camera 2 shows a ball on black: the bars are gone.
        def ball():
            picture = Picture(self.shot("row1"))
            return not colours_in_row(picture, 150, 0, 1280 - TABLE_WIDTH)
        self.assertTrue(wait_until(ball, 20, step=1), "the preview still shows camera 1")

    def check_double_click(self):
        s = self.session
        self.click_cell(1, 3, double=True)
        self.assertEqual(wait_until(s.opened_urls, 10), ["http://10.77.0.11/"])
        for column in (0, 1, 2):
            self.click_cell(2, column, double=True)
        time.sleep(2)
        self.assertEqual(s.opened_urls(), ["http://10.77.0.11/"])
        self.await_play(3, 3, "the double-clicked row plays")

    def check_new_search(self):
        self.click_header(SEARCH)
        self.await_search(2, "the header's search")
        self.await_play(4, 1, "a new search restarts row 0's stream")
        self.assertEqual(self.session.panel_name(), "Camera 1")

    def check_network(self):
        s = self.session
        self.click_header(NETWORK)
        dialog = s.dialog()
        self.assertTrue(dialog, "no network dialog")
        self.assertEqual(s.geometry(dialog)[2:], (500, 200))
        s.click(dialog, 250, 160)  # OK, with the interface in use chosen
        self.assertTrue(s.no_dialog(), "the network dialog stayed open")
        self.await_search(3, "the search after the network change")
        self.await_play(5, 1, "row 0 plays after the network change")
        log = s.program_log()
        # The protocol came up twice on lkA's address: at start and after the dialog.
        self.assertEqual(log.count("setsockopt JX_IP_ADD_MEMBERSHIP 239.255.255.250, "
                                   "10.77.0.1 -> 0"), 4, log)
        self.assertIn("network%20name=lkA", s.configuration())

    def layout_at(self, width, height):
        s = self.session
        s.xdo("windowsize", s.window, width, height)
        self.assertTrue(wait_until(lambda: s.geometry(s.window)[2:] == (width, height), 10))
        time.sleep(1.5)
        picture = Picture(self.shot("size-%dx%d" % (width, height)))
        video_bottom = height - PANEL_HEIGHT - 1
        table_left = width - TABLE_WIDTH
        # The preview is black round its picture and in its control bar; the table white;
        # the panel the window's grey.
        self.assertEqual(max(picture.pixel(5, video_bottom)), 0, "video view ends lower")
        self.assertGreater(min(picture.pixel(5, video_bottom + 2)), 200, "panel starts lower")
        self.assertEqual(max(picture.pixel(table_left - 2, video_bottom - 5)), 0)
        self.assertGreater(min(picture.pixel(table_left + 3, video_bottom - 5)), 200,
                           "table is not 400 wide")
        self.assertGreater(min(picture.pixel(width - 5, height - 5)), 200)

    def check_minimum_size(self):
        # A window manager keeps the window at its minimum size from this hint; Xvfb has
        # none, so only the hint itself can be checked here.
        hints = self.session.x("xprop", "-id", str(self.session.window), "WM_NORMAL_HINTS")
        self.assertIn("program specified minimum size: 800 by 500", hints)

    def check_geometry(self):
        s = self.session
        self.check_minimum_size()
        for width, height in ((1000, 650), (800, 500)):
            self.layout_at(width, height)
        s.xdo("windowsize", s.window, 1280, 800)
        self.assertTrue(wait_until(lambda: s.geometry(s.window)[2:] == (1280, 800), 10))
        time.sleep(1)

    def check_language(self):
        s = self.session
        before = Picture(self.shot("before-language"))
        english_buttons = s.header_buttons(self.shot("header-en"))
        self.click_header(SETTINGS)
        dialog = s.dialog()
        self.assertTrue(dialog, "no settings dialog")
        x, y = s.geometry(dialog)[:2]
        dialog_before = Picture(self.shot("settings-en"))
        # The language box: open it, take the next entry (Chinese) with the keyboard.
        s.click(dialog, 250, 125)
        time.sleep(0.5)
        s.key(dialog, "Down", "Return")
        time.sleep(1)
        after = Picture(self.shot("settings-cn"))
        self.assertIn("langage=cn", s.configuration())
        # The dialog, the header and the panel are relabelled while the dialog is open.
        self.assertGreater(differs(dialog_before, after, (x, y, 190, 200)), 50, "dialog")
        self.assertGreater(differs(before, after, (0, 0, 500, 26)), 50, "header")
        self.assertGreater(differs(before, after, (0, s.panel_top() + 10, 300, 200)), 50,
                           "panel")
        s.key(dialog, "Escape")
        self.assertTrue(s.no_dialog(), "the settings dialog stayed open")
        time.sleep(1)
        chinese_buttons = s.header_buttons(self.shot("cn"))
        self.assertEqual(len(chinese_buttons), 5)
        self.assertNotEqual(chinese_buttons, english_buttons)
        shutil.copy(os.path.join(self.shots, "cn.png"), self.kept("cn"))

    def check_printing(self):
        s = self.session
        self.click_header(PRINTER)
        dialog = s.dialog()
        self.assertTrue(dialog, "no printer settings dialog")
        width = s.geometry(dialog)[2]
        s.click(dialog, width // 2, 197)  # Save
        self.assertTrue(s.no_dialog(), "the printer settings were not saved")
        self.assertIn("printer%20name=" + QUEUE, s.configuration())

        self.click_header(SCAN)
        dialog = s.dialog()
        self.assertTrue(dialog, "no scan dialog")
        # The scan field has the focus; model and SN follow it in the tab order.
        s.key(dialog, "Tab")
        s.type(dialog, "KT4-DEMO")
        s.key(dialog, "Tab")
        s.type(dialog, "SN-00099")
        s.key(dialog, "Tab", "Tab", "Tab")
        s.type(dialog, SCANNED)
        s.key(dialog, "Return")
        labels = os.path.join(s.out, "labels")
        pngs = wait_until(lambda: sorted(f for f in os.listdir(labels) if f.endswith(".png")),
                          30, step=0.5)
        self.assertEqual(len(pngs), 1, pngs)
        decoded = subprocess.run(["zbarimg", "--nodbus", "--raw", "-q",
                                  os.path.join(labels, pngs[0])], capture_output=True,
                                 text=True, timeout=30)
        self.assertEqual(decoded.stdout.strip(), SCAN_CODE)
        # The dialog's panel shows the label sent: the screen itself reads as the code.
        def screen_reads():
            screen = self.shot("scan-dialog")
            read = subprocess.run(["zbarimg", "--nodbus", "--raw", "-q", screen],
                                  capture_output=True, text=True, timeout=30)
            return read.stdout.strip() == SCAN_CODE
        self.assertTrue(wait_until(screen_reads, 10, step=0.5), "no label on the screen")
        shutil.copy(os.path.join(self.shots, "scan-dialog.png"), self.kept("scan-dialog"))
        # The SN field advanced; the scan field holds the code without the prefix.
        before = s.clipboard()
        s.key(dialog, "shift+Tab", "shift+Tab", "shift+Tab", "ctrl+a", "ctrl+c")
        self.assertEqual(s.copied(before), "SN-00100")
        s.key(dialog, "Tab", "Tab", "Tab", "ctrl+a", "ctrl+c")
        self.assertEqual(s.copied("SN-00100"), SCAN_CODE)
        # The scan dialog takes every key for the scanner; it closes from its title bar.
        # A close that reaches Qt while the dialog is being set up is dropped; ask again
        # as an operator would.
        def closed():
            s.close(dialog)
            return s.no_dialog(timeout=2)
        self.assertTrue(wait_until(closed, 20, step=0), "the scan dialog stayed open")
        time.sleep(2)
        self.assertEqual(len([f for f in os.listdir(labels) if f.endswith(".png")]), 1)

    def check_stale_record(self):
        """Row 0's camera is renamed, then moved to MOVED by the IP dialog; the table keeps
        the new name, and an upgrade goes to the new address only."""
        s = self.session
        events, stop = self.moved_camera()
        self.set_configuration("upgrade%20verify%20seconds", 1)
        firmware = os.path.join(s.out, "next.bin")
        with open(firmware, "wb") as f:
            f.write(os.urandom(64 * 1024))
        os.chmod(s.out, 0o755)
        os.chmod(firmware, 0o644)
        self.click_cell(0, 2)
        height = s.geometry(s.window)[3]
        s.click(s.window, 213, height - PANEL_HEIGHT + 63)
        s.key(s.window, "ctrl+a")
        s.type(s.window, "Gate 4")
        self.click_panel(NAME_SET)
        self.assertTrue(wait_until(lambda: any(e.get("method") == "SetName"
                                               for e in s.sim_events()), 10), "no SetName")
        self.assertTrue(s.no_dialog(), "the name dialog stayed open")

        self.click_panel(IP_SET)
        dialog = self.window_of_size(IP_DIALOG)
        self.assertTrue(dialog, "no IP dialog")
        s.click(dialog, *IP_MODE)
        time.sleep(0.5)
        s.key(dialog, "Down", "Return")  # "Static": the camera reports DHCP
        s.click(dialog, *IP_FIELD)
        s.key(dialog, "ctrl+a")
        s.type(dialog, MOVED)
        s.click(dialog, *IP_DIALOG_SET)
        self.assertTrue(self.window_of_size(IP_DIALOG, present=False), "the IP dialog stayed")
        self.assertEqual(s.panel_name(), "Gate 4", "the IP change wrote the old name back")
        self.click_cell(0, 2)
        s.key(s.window, "ctrl+a", "ctrl+c")
        rows = wait_until(lambda: s.clipboard().strip().splitlines(), 5, step=0.3)
        self.assertEqual(rows[0].split("\t")[-3:], ["1", MACS[0], MOVED], rows)

        self.click_panel(UPGRADE)
        chooser = s.dialog()
        self.assertTrue(chooser, "no file dialog")
        s.type(chooser, firmware)
        s.key(chooser, "Return")
        def upload():
            return [e for e in json_lines(events) if e.get("event") == "upload"]
        self.assertTrue(wait_until(upload, 20), "the new address received no file")
        self.assertEqual(upload()[0]["file"], "next.bin")
        self.assertFalse([e for e in s.sim_events() if e.get("event", "").startswith("upload")],
                         "something reached the old address")
        # The verdict follows a one-round wait; it closes as from its title bar.
        def verdict_closed():
            verdict = s.dialog(timeout=2)
            if verdict:
                s.close(verdict)
            return verdict and s.no_dialog(timeout=2)
        self.assertTrue(wait_until(verdict_closed, 20, step=0), "no verdict, or it stayed open")
        stop()

    def check_close(self):
        s = self.session
        running = processes_in(s.namespaces)
        self.assertIn(self.PROGRAM, " ".join(p[2] for p in running))
        self.assertTrue(close_until_ended(s.in_a, s.display, s.proc, self.WM_CLASS))
        self.assertEqual(s.proc.returncode, 0, s.output())
        self.assertIn("lankit ended with status 0", s.output())
        self.assertEqual([p for p in running if still_running(p)], [])
        namespaces = subprocess.run(["ip", "netns", "list"], capture_output=True,
                                    text=True).stdout
        self.assertFalse([n for n in s.namespaces if n in namespaces], namespaces)
        self.assertFalse(os.path.exists(s.work), "the work folder (CUPS in it) is left")
        folder = os.path.join(s.logs, "lankit-log")
        runs = sorted(name for name in os.listdir(folder) if name.endswith(".clog"))
        with open(os.path.join(folder, runs[-1]), encoding="utf-8") as f:
            log = f.read()
        # The whole session, in order: start-up, every search, the label, the teardown
        # after the player's end.
        order = ["install en language", "WSA(514, 514) = 0", '"method":"search"',
                 "event loop ended, exit code 0", "device protocol threads joined"]
        at = [log.find(line) for line in order]
        self.assertTrue(all(n >= 0 for n in at) and at == sorted(at), at)
        sent = [line for line in log.splitlines() if "  send {" in line]
        self.assertEqual(len([line for line in sent if '"method":"search"' in line]),
                         self.SEARCHES, sent)
        self.assertTrue(log.rstrip().endswith("device protocol threads joined"),
                        log[-500:])

    def test_the_window_as_an_operator_uses_it(self):
        self.check_start()
        self.check_selection()
        self.check_double_click()
        self.check_new_search()
        self.check_network()
        self.check_geometry()
        self.check_language()
        self.check_printing()
        self.check_stale_record()
        self.check_close()


if __name__ == "__main__":
    unittest.main(verbosity=2)
