"""The demonstration (scripts/run.sh under Xvfb) as a session that tests and the soak script
drive from outside with real X input: xdotool clicks and keys inside the program's network
namespace, screenshots of the whole screen, and the events that the simulated cameras and
the RTSP server write. Needs root (the demo builds namespaces)."""
import json
import os
import re
import signal
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.environ.get("LANKIT_SOURCE_DIR",
                            os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
BIN_DIR = os.environ.get("LANKIT_BIN_DIR", os.path.join(SOURCE_DIR, "build", "bin"))
RUN = os.path.join(SOURCE_DIR, "scripts", "run.sh")
XWINDOW = os.path.join(SOURCE_DIR, "scripts", "demo", "xwindow.py")
ADDRESSES = ["10.77.0.%d" % n for n in range(10, 18)]
QUEUE = "OMBRIX_DEMO"

# The main window's fixed geometry: header strip at (2, 2) 26 high, table column 400 wide
# on the right, panel band 400 high at the bottom.
HEADER_BOTTOM = 27
TABLE_WIDTH = 400
PANEL_HEIGHT = 400
# The device table: each column's centre from the table's left edge, the first row's
# centre and the row pitch in window coordinates.
COLUMN_X = [15, 45, 140, 300]
ROW_Y = 64
ROW_PITCH = 31
# The panel's device name field, from the panel's top left corner.
NAME_FIELD = (213, 63)
# Lines of the program's log a failure report shows.
REPORTED_LOG_LINES = 30


def wait_until(predicate, seconds, step=0.1):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def close_until_ended(in_a, display, proc, wm_class="lankit"):
    """Closes lankit's window (of that class: "lankit.exe" under Wine) as a window
    manager's close button does, until proc (the demo) has ended; true when it has. A close
    that arrives while the window is still being set up can be dropped, so it is asked
    again every 2 s."""
    def closed():
        in_a("env", "DISPLAY=" + display, "/usr/bin/python3", XWINDOW, "close", wm_class)
        return proc.poll() is not None
    return wait_until(closed, 40, step=2)


def json_lines(path):
    try:
        with open(path) as f:
            return [json.loads(line) for line in f if line.startswith("{")]
    except (FileNotFoundError, json.JSONDecodeError):
        return []


def read_rgb(png):
    """(width, height, rgb24 bytes) of a PNG, decoded by ffmpeg."""
    probe = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height",
                            "-of", "csv=p=0", png], capture_output=True, text=True,
                           check=True, timeout=30).stdout
    width, height = (int(n) for n in probe.strip().split(","))
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", png, "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-"], capture_output=True, check=True, timeout=30).stdout
    return width, height, raw


class Picture:
    def __init__(self, png):
        self.width, self.height, self.raw = read_rgb(png)

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self.raw[at:at + 3])

    def mean(self, x, y, w, h):
        total = [0, 0, 0]
        for row in range(y, y + h):
            for col in range(x, x + w):
                p = self.pixel(col, row)
                for i in range(3):
                    total[i] += p[i]
        return tuple(t // (w * h) for t in total)


class DemoSession:
    """One run of scripts/run.sh --xvfb (with --register when register is true: the labels
    go to the demo's private PostgreSQL server; with windows, the zip of lankit.exe runs
    under Wine); start() waits for the program's window."""

    def __init__(self, language="en", seconds=240, every=5, register=False, windows=None):
        self.language = language
        self.windows = windows  # the zip of lankit.exe to run under Wine instead
        self.register = register
        self.register_address = None
        self.seconds = seconds
        self.every = every
        self.out = tempfile.mkdtemp(prefix="lankit-window-test-")
        self.logs = os.path.join(self.out, "logs")
        self.stdout_path = os.path.join(self.out, "run.out")
        self.proc = None
        self.namespaces = []
        self.display = None
        self.work = None
        self.window = None
        # The table's first row centre and row pitch in window coordinates.
        self.row_y = ROW_Y
        self.row_pitch = ROW_PITCH
        # Rows of the X window below the program's own area when it fills the screen.
        self.bottom_gap = 0

    # --- the demo process -------------------------------------------------------------
    def start(self):
        with open(self.stdout_path, "w") as stdout:
            # --seconds bounds the demo even if the caller dies before it interrupts it.
            self.proc = subprocess.Popen(
                [RUN, "--no-build", "--bin", BIN_DIR, "--xvfb", "--screenshot-every",
                 str(self.every), "--seconds", str(self.seconds), "--language", self.language,
                 "--output", self.out] + (["--register"] if self.register else []) +
                (["--windows", self.windows] if self.windows else []),
                stdout=stdout, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                start_new_session=True)
        started = wait_until(lambda: "lankit started" in self.output() or
                             self.proc.poll() is not None, 90)
        text = self.output()
        if not started or "lankit started" not in text:
            raise RuntimeError("the demo did not start:\n" + text)
        self.namespaces = list(re.search(r"namespaces (\S+) \(lankit.*\) and (\S+) \(", text)
                               .groups())
        self.display = re.search(r"under Xvfb (:\d+)", text).group(1)
        self.work = re.search(r"work folder: +(\S+)", text).group(1)
        if self.register:
            self.register_address = re.search(r"label register: +(\S+)", text).group(1)
        # The demo's helper gives the window the whole screen, as a window manager would.
        self.window = wait_until(self.main_window, 60, step=0)
        if not self.window:
            raise RuntimeError("no lankit window filling the screen")
        return self

    def interrupt(self, timeout=60):
        """Ctrl-C, as a user ends the demo; returns the script's exit code."""
        if self.proc.poll() is None:
            os.kill(self.proc.pid, signal.SIGINT)
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(self.proc.pid, signal.SIGKILL)
            return self.proc.wait()

    def output(self):
        with open(self.stdout_path) as f:
            return f.read()

    def app_pid(self):
        match = re.search(r"lankit started \(pid (\d+)\)", self.output())
        return int(match.group(1)) if match else None

    # --- inside the program's namespace ----------------------------------------------
    def in_a(self, *command, env=None, timeout=60, check=False):
        result = subprocess.run(["ip", "netns", "exec", self.namespaces[0], *command],
                                capture_output=True, timeout=timeout, env=env)
        if check and result.returncode != 0:
            raise RuntimeError("%s failed: %s" % (command, result.stderr.decode()))
        return result

    def x(self, *command, timeout=30):
        """A command on the demo's display; returns its standard output as text."""
        result = self.in_a("env", "DISPLAY=" + self.display, *command, timeout=timeout)
        return result.stdout.decode()

    def xdo(self, *args):
        return self.x("xdotool", *[str(a) for a in args])

    def visible_windows(self):
        ids = self.xdo("search", "--onlyvisible", "--class", "lankit").split()
        return [int(i) for i in ids]

    def geometry(self, window):
        text = self.xdo("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in text.split() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def window_geometries(self):
        """(window, (x, y, width, height)) for each visible window of the program; None for
        a window gone between the search and the question."""
        found = []
        for window in self.visible_windows():
            try:
                found.append((window, self.geometry(window)))
            except (KeyError, ValueError):
                found.append((window, None))
        return found

    def filled_window(self):
        """The one window filling the screen. While the program starts, a short-lived window
        of its own can be filled too; then there is no answer yet."""
        filled = [window for window, where in self.window_geometries()
                  if where and where[2:] == (1280, 800)]
        return filled[0] if len(filled) == 1 else None

    def main_window(self):
        """The filled window once it has stayed the only one for a second."""
        window = self.filled_window()
        time.sleep(1)
        return window if window and self.filled_window() == window else None

    def dialogs(self):
        """The program's other visible windows big enough to be dialogs: tool tips and
        the lists of combo boxes are windows too."""
        return [window for window, where in self.window_geometries()
                if where and window != self.window and where[2] >= 300 and where[3] >= 150]

    def dialog(self, timeout=15):
        """The modal dialog that is open over the main window. When there is none, what the
        screen held and the program's last words go to standard error, for the failure."""
        def find():
            found = self.dialogs()
            return found[0] if len(found) == 1 else None
        window = wait_until(find, timeout, step=0.2)
        if not window:
            sys.stderr.write("no single dialog in %d s; %s\n" % (timeout, self.report()))
        return window

    def report(self):
        """The program's visible windows with their geometry, and its log's last lines."""
        windows = ["%d at %s" % (window, where) if where else "%d (gone)" % window
                   for window, where in self.window_geometries()]
        try:
            log = self.program_log().splitlines()[-REPORTED_LOG_LINES:]
        except OSError as error:
            log = [str(error)]
        return "windows (main %s): %s\nlog:\n%s" % (self.window, "; ".join(windows),
                                                      "\n".join(log))

    def no_dialog(self, timeout=15):
        return wait_until(lambda: not self.dialogs(), timeout, step=0.2)

    def focus(self, window):
        """Gives a window the keyboard, as a click-to-focus window manager does (Xvfb runs
        none, so nobody else moves the focus to a new dialog)."""
        self.xdo("windowfocus", "--sync", window)

    def click(self, window, x, y, double=False):
        self.focus(window)
        self.xdo("mousemove", "--window", window, x, y, "click", "--repeat",
                 2 if double else 1, "--delay", 80, 1)
        # Park the pointer away from the header, whose buttons light up under it.
        self.xdo("mousemove", "--window", self.window, 700, 300)

    def key(self, window, *keys):
        self.focus(window)
        self.xdo("key", "--delay", 60, *keys)

    def type(self, window, text):
        self.focus(window)
        self.xdo("type", "--delay", 40, text)

    def close(self, window):
        """Asks one window to close, as a window manager's close button does."""
        support = os.path.join(SOURCE_DIR, "tests", "support")
        self.in_a("/usr/bin/python3", "-c",
                  "import sys; sys.path.insert(0, sys.argv[1]); import xsession; "
                  "xsession.close_window(sys.argv[2], int(sys.argv[3]))",
                  support, self.display, str(window), check=True)

    def clipboard(self):
        return self.x("xclip", "-o", "-selection", "clipboard")

    def shot(self, path):
        self.in_a("env", "DISPLAY=" + self.display, "/usr/bin/python3", XWINDOW, "shot", path,
                  check=True)
        return path

    # --- what the window shows -------------------------------------------------------
    def table_cell(self, row, column):
        """Window coordinates of a cell's centre."""
        width = self.geometry(self.window)[2]
        return width - TABLE_WIDTH + COLUMN_X[column], self.row_y + self.row_pitch * row

    def copied(self, before, seconds=3):
        """The clipboard once it no longer holds before (or after seconds, when what was
        copied equals it): Wine hands a copy to X a little later than Qt does."""
        def changed():
            now = self.clipboard()
            return now if now != before else None
        return wait_until(changed, seconds, step=0.1) or self.clipboard()

    def copy_field(self, window, x, y):
        """What a text field holds, as an operator copies it: click, select all, copy."""
        before = self.clipboard()
        self.click(window, x, y)
        self.key(window, "ctrl+a", "ctrl+c")
        return self.copied(before)

    def panel_top(self):
        """The panel band's top edge in window coordinates."""
        return self.geometry(self.window)[3] - self.bottom_gap - PANEL_HEIGHT

    def panel_name(self):
        return self.copy_field(self.window, NAME_FIELD[0], self.panel_top() + NAME_FIELD[1])

    def header_buttons(self, png):
        """The x centres of the header's button icons. Captions are drawn in the middle of
        the strip; only the icons reach its top rows."""
        picture = Picture(png)
        dark = [x for x in range(2, picture.width - 2)
                if any(max(picture.pixel(x, y)) < 160 for y in (5, 6, 7))]
        icons = []
        for x in dark:
            if icons and x - icons[-1][1] < 10:
                icons[-1][1] = x
            else:
                icons.append([x, x])
        return [(a + b) // 2 for a, b in icons]

    def find_header_buttons(self, png, timeout=30):
        """The header's five button centres, once the window has drawn them."""
        def found():
            buttons = self.header_buttons(self.shot(png))
            return buttons if len(buttons) == 5 else None
        return wait_until(found, timeout, step=1) or []

    # --- what the far side saw -------------------------------------------------------
    def sim_events(self):
        return json_lines(os.path.join(self.logs, "velto-sim.jsonl"))

    def searches(self):
        """The search requests the cameras received, in order. Ids start again at 0 when
        the protocol is restarted, so requests are told apart by their place in the log."""
        return [e for e in self.sim_events()
                if e.get("event") == "request" and e.get("method") == "search"]

    def replies_to(self, number):
        """Sorted addresses of the cameras that answered the number-th search (from 0)."""
        events = self.sim_events()
        requests = [i for i, e in enumerate(events)
                    if e.get("event") == "request" and e.get("method") == "search"]
        if number >= len(requests):
            return []
        first = requests[number]
        last = requests[number + 1] if number + 1 < len(requests) else len(events)
        search_id = events[first]["id"]
        return sorted(e["ip"] for e in events[first:last]
                      if e.get("event") == "reply" and e.get("id") == search_id)

    def rtsp_events(self, kind="play"):
        return [e for e in json_lines(os.path.join(self.logs, "rtsp.jsonl"))
                if e.get("event") == kind]

    def opened_urls(self):
        try:
            with open(os.path.join(self.logs, "opened-urls.txt")) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def configuration(self):
        with open(os.path.join(self.work, "app", "configure", "configure.ini")) as f:
            return f.read().splitlines()

    def program_log(self):
        """The program's log as it is being written (one file per run)."""
        folder = os.path.join(self.work, "app", "log")
        names = sorted(name for name in os.listdir(folder) if name.endswith(".clog"))
        with open(os.path.join(folder, names[-1]), encoding="utf-8", errors="replace") as f:
            return f.read()

    def rss_kib(self):
        pid = self.app_pid()
        try:
            with open("/proc/%d/status" % pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except (FileNotFoundError, TypeError):
            return None
        return None
