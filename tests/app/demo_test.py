"""The demonstration (scripts/run.sh) end to end: it starts the cameras, their streams, the
label printer and the program in namespaces of its own; everything is checked from the
program's side with independent tools (lankitctl, ffmpeg, Python's HTTP client, korval
through ctypes and zbarimg), then the script is interrupted with SIGINT and nothing it
started may be left: no namespace, process, veth or work folder (the CUPS one included).
Needs root. Runs on its own, not through netns-run.sh: the script makes its namespaces."""
import json
import os
import pwd
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from demo_session import close_until_ended, json_lines, wait_until  # noqa: E402

SOURCE_DIR = os.environ.get("LANKIT_SOURCE_DIR",
                            os.path.join(os.path.dirname(__file__), "..", ".."))
BIN_DIR = os.environ.get("LANKIT_BIN_DIR", os.path.join(SOURCE_DIR, "build", "bin"))
RUN = os.path.join(SOURCE_DIR, "scripts", "run.sh")
XWINDOW = os.path.join(SOURCE_DIR, "scripts", "demo", "xwindow.py")
ADDRESSES = ["10.77.0.%d" % n for n in range(10, 18)]
QUEUE = "OMBRIX_DEMO"

# Prints one label with a QR symbol through the queue named on the command line.
PRINT_LABEL = r"""
import ctypes, sys
k = ctypes.CDLL(sys.argv[1])
assert k.OpenPort(sys.argv[2].encode()) == 0, "OpenPort"
assert k.OBX_ClearBuffer() == 0
assert k.OBX_SetLabelHeight(400, 16, 0, 0) == 0 and k.OBX_SetLabelWidth(400) == 0
assert k.OBX_DrawBar2D_QR(60, 60, 1, 2, 0, 8, 2, 1, 8, sys.argv[3].encode()) == 0
assert k.OBX_PrintLabel(1, 1) == 0, "PrintLabel"
k.ClosePort()
"""

FETCH_PAGE = r"""
import sys, urllib.request
sys.stdout.write(urllib.request.urlopen("http://%s/" % sys.argv[1], timeout=5).read().decode())
"""


def processes_in(namespaces):
    """(pid, start time, command line) of every process in one of the namespaces."""
    inodes = {os.stat("/run/netns/" + name).st_ino for name in namespaces}
    found = set()
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.stat("/proc/%s/ns/net" % pid).st_ino not in inodes:
                continue
            found.add(process_identity(pid))
        except (FileNotFoundError, ProcessLookupError, PermissionError):
            continue
    return found


def process_identity(pid):
    with open("/proc/%s/stat" % pid) as f:
        start = f.read().rsplit(")", 1)[1].split()[19]
    with open("/proc/%s/cmdline" % pid, "rb") as f:
        command = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
    return (int(pid), start, command)


def still_running(identity):
    """True while that very process (same pid and start time) exists and is no zombie."""
    try:
        with open("/proc/%d/stat" % identity[0]) as f:
            state = f.read().rsplit(")", 1)[1].split()[0]
        return state != "Z" and process_identity(str(identity[0]))[:2] == identity[:2]
    except (FileNotFoundError, ProcessLookupError, IndexError):
        return False


def processes_mentioning(text):
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            identity = process_identity(pid)
        except (FileNotFoundError, ProcessLookupError, IndexError):
            continue
        if text in identity[2] and int(pid) != os.getpid():
            found.append(identity)
    return found


def sanitizer_preload(library):
    """A sanitized library loads into Python only with its runtimes loaded first; Python's
    own allocations are no concern of the leak checker."""
    needed = subprocess.run(["readelf", "-d", library], capture_output=True, text=True).stdout
    runtimes = []
    for name in ("libasan.so", "libubsan.so"):
        if name in needed:
            path = subprocess.run(["gcc", "-print-file-name=" + name], capture_output=True,
                                  text=True).stdout.strip()
            runtimes.append(os.path.realpath(path))
    if not runtimes:
        return {}
    return {"LD_PRELOAD": " ".join(runtimes),
            "ASAN_OPTIONS": "detect_leaks=0:halt_on_error=1"}


def mean_rgb(png, crop):
    """The average colour of a crop "w:h:x:y" of a PNG, decoded by ffmpeg."""
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", png, "-vf",
                          "crop=%s,scale=1:1:flags=area" % crop, "-f", "rawvideo", "-pix_fmt",
                          "rgb24", "-"], capture_output=True, check=True, timeout=30).stdout
    return tuple(raw[:3])


def image_size(png):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=width,height",
                          "-of", "csv=p=0", png], capture_output=True, text=True,
                         check=True, timeout=30).stdout
    return tuple(int(n) for n in out.strip().split(","))


class Demo(unittest.TestCase):
    def setUp(self):
        if os.geteuid() != 0:
            self.skipTest("the demonstration needs root (network namespaces)")
        self.out = tempfile.mkdtemp(prefix="lankit-demo-test-")
        self.stdout_path = os.path.join(self.out, "run.out")
        self.namespaces = []
        self.run_sh = None

    def launch(self, sudo_user=None):
        """Starts run.sh, as sudo would when sudo_user called it."""
        env = dict(os.environ)
        for name in ("SUDO_USER", "SUDO_UID", "SUDO_GID"):
            env.pop(name, None)
        if sudo_user:
            entry = pwd.getpwnam(sudo_user)
            env.update(SUDO_USER=sudo_user, SUDO_UID=str(entry.pw_uid),
                       SUDO_GID=str(entry.pw_gid))
        with open(self.stdout_path, "w") as stdout:
            # --seconds bounds the demo even if this test dies before it interrupts it.
            self.run_sh = subprocess.Popen(
                [RUN, "--no-build", "--bin", BIN_DIR, "--xvfb", "--screenshot-every", "2",
                 "--seconds", "150", "--language", "en", "--output", self.out],
                stdout=stdout, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                start_new_session=True, env=env)

    def tearDown(self):
        if self.run_sh and self.run_sh.poll() is None:
            os.kill(self.run_sh.pid, signal.SIGINT)
            try:
                self.run_sh.wait(timeout=60)
            except subprocess.TimeoutExpired:
                os.killpg(self.run_sh.pid, signal.SIGKILL)
                self.run_sh.wait()
        for name in self.namespaces:
            subprocess.run(["ip", "netns", "del", name], stderr=subprocess.DEVNULL)
        shutil.rmtree(self.out, ignore_errors=True)

    def output(self):
        with open(self.stdout_path) as f:
            return f.read()

    def in_a(self, *command, env=None, timeout=60):
        return subprocess.run(["ip", "netns", "exec", self.namespaces[0], *command],
                              capture_output=True, timeout=timeout, env=env)

    def start_demo(self, sudo_user=None):
        self.launch(sudo_user)
        started = wait_until(lambda: "lankit started" in self.output() or
                             self.run_sh.poll() is not None, 60)
        text = self.output()
        self.assertTrue(started and "lankit started" in text, text)
        self.namespaces = list(re.search(r"namespaces (\S+) \(lankit.*\) and (\S+) \(", text)
                               .groups())
        self.display = re.search(r"under Xvfb (:\d+)", text).group(1)
        self.work = re.search(r"work folder: +(\S+)", text).group(1)
        self.logs = os.path.join(self.out, "logs")

    def check_configuration(self):
        with open(os.path.join(self.work, "app", "configure", "configure.ini")) as f:
            lines = f.read().splitlines()
        for line in ("label%20width=45", "label%20height=45", "label%20column=1",
                     "label%20padding=2", "network%20ip=10.77.0.1", "network%20name=lkA",
                     "printer%20name=" + QUEUE, "langage=en"):
            self.assertIn(line, lines)

    def program_searches(self):
        """The finished program searches at start and plays row 0; the early one does not."""
        with open(os.path.join(BIN_DIR, "lankit"), "rb") as f:
            return b"VeltoSearchDialog" in f.read()

    def check_program_search(self):
        if not self.program_searches():
            print("note: this lankit has no search dialog yet; its search is not awaited")
            return
        def answered():
            events = json_lines(self.logs + "/velto-sim.jsonl")
            searches = [e["id"] for e in events if e["event"] == "request"
                        and e["method"] == "search"]
            replies = [e["ip"] for e in events if e["event"] == "reply"
                       and searches and e["id"] == searches[0]]
            return sorted(replies) if len(replies) == len(ADDRESSES) else None
        self.assertEqual(wait_until(answered, 30), ADDRESSES,
                         "the cameras did not answer the program's search")
        played = wait_until(lambda: [e for e in json_lines(self.logs + "/rtsp.jsonl")
                                     if e["event"] == "play"], 30)
        self.assertTrue(played, "the preview never reached the RTSP server")
        self.assertEqual((played[0]["camera"], played[0]["address"]), (1, "10.77.0.1"))

    def check_cameras(self):
        ready = json_lines(self.logs + "/velto-sim.jsonl")[0]
        self.assertEqual((ready["event"], ready["addresses"]), ("ready", ADDRESSES))
        self.check_page()
        if self.program_searches():
            return  # the program holds the reply port; its own search was checked
        result = self.in_a(os.path.join(BIN_DIR, "lankitctl"), "--interface", "lkA",
                           "--seconds", "1.5", "search")
        self.assertEqual(result.returncode, 0, result.stderr)
        devices = json.loads(result.stdout)
        self.assertEqual([d["ip"] for d in devices], ADDRESSES)
        self.assertEqual([d["rtsppath1"] for d in devices],
                         ["rtsp://%s:8554/cam%d" % (ip, n + 1) for n, ip in enumerate(ADDRESSES)])

    def check_page(self):
        page = self.in_a("/usr/bin/python3", "-c", FETCH_PAGE, ADDRESSES[4])
        self.assertEqual(page.returncode, 0, page.stderr)
        self.assertIn('<td id="name">Camera 5</td>', page.stdout.decode())
        self.assertIn('<td id="ip">10.77.0.14</td>', page.stdout.decode())

    def grab_frame(self, camera):
        url = "rtsp://%s:8554/cam%d" % (ADDRESSES[camera - 1], camera)
        result = self.in_a("ffmpeg", "-v", "error", "-rtsp_transport", "tcp", "-i", url,
                           "-frames:v", "1", "-vf", "scale=32:18", "-f", "rawvideo",
                           "-pix_fmt", "gray", "-", timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(len(result.stdout), 32 * 18)
        return result.stdout

    def check_streams(self):
        url = "rtsp://%s:8554/cam3" % ADDRESSES[2]
        # On a loaded machine the first probe can give up before the stream's first key
        # frame; a viewer would simply look again.
        for _ in range(3):
            probe = self.in_a("ffprobe", "-v", "error", "-rtsp_transport", "tcp",
                              "-show_entries", "stream=codec_name,width,height,sample_rate",
                              "-of", "json", url)
            if probe.returncode == 0:
                break
        self.assertEqual(probe.returncode, 0, probe.stderr)
        streams = json.loads(probe.stdout)["streams"]
        self.assertEqual(sorted(s["codec_name"] for s in streams), ["aac", "h264"])
        video = [s for s in streams if s["codec_name"] == "h264"][0]
        self.assertEqual((video["width"], video["height"]), (640, 360))
        # Each camera shows a picture of its own.
        self.assertNotEqual(self.grab_frame(1), self.grab_frame(2))
        plays = [(e["camera"], e["address"]) for e in json_lines(self.logs + "/rtsp.jsonl")
                 if e["event"] == "play"]
        self.assertIn((3, "10.77.0.1"), plays)
        # Another camera's address does not serve camera 3's stream.
        wrong = self.in_a("ffprobe", "-v", "error", "-rtsp_transport", "tcp",
                          "rtsp://%s:8554/cam3" % ADDRESSES[0], timeout=30)
        self.assertNotEqual(wrong.returncode, 0)

    def check_printer(self):
        code = "VLT-000042-DEMO"
        cwd = tempfile.mkdtemp(prefix="lankit-demo-print-", dir=self.out)
        env = dict(os.environ, CUPS_SERVER=os.path.join(self.work, "cups", "cups.sock"))
        # A job that is no label first: the printer notes it and goes on.
        garbage = os.path.join(cwd, "garbage.prn")
        with open(garbage, "wb") as f:
            f.write(b"\x00\xff" * 3000 + b"\nb10,10,QR,1,2")
        result = self.in_a("lp", "-d", QUEUE, "-o", "raw", garbage, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        labels = os.path.join(self.out, "labels")
        printer_log = os.path.join(self.logs, "printer.log")
        def printer_output():
            with open(printer_log) as f:
                return f.read()
        self.assertTrue(wait_until(lambda: "label 1:" in printer_output(), 20), printer_output())
        self.assertFalse([f for f in os.listdir(labels) if f.endswith(".png")])
        library = os.path.join(BIN_DIR, "libkorval.so")
        env.update(sanitizer_preload(library))
        result = subprocess.run(["ip", "netns", "exec", self.namespaces[0], "/usr/bin/python3",
                                 "-c", PRINT_LABEL, library, QUEUE, code], capture_output=True,
                                env=env, cwd=cwd, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        png = wait_until(lambda: [f for f in os.listdir(labels) if f.endswith("-1.png")], 20)
        self.assertEqual(len(png), 1, os.listdir(labels))
        self.assertEqual(image_size(os.path.join(labels, png[0])), (400, 400))
        decoded = subprocess.run(["zbarimg", "--nodbus", "--raw", "-q",
                                  os.path.join(labels, png[0])], capture_output=True,
                                 text=True, timeout=30)
        self.assertEqual(decoded.stdout.strip(), code)

    def check_screen(self):
        shot = os.path.join(self.out, "test-shot.png")
        # The screen is black until the window is mapped and then made to fill it, as a
        # window manager would maximize it.
        def window_fills_screen():
            result = self.in_a("env", "DISPLAY=" + self.display, "/usr/bin/python3", XWINDOW,
                               "shot", shot)
            return (result.returncode == 0 and min(mean_rgb(shot, "400:20:0:0")) > 150
                    and max(mean_rgb(shot, "100:100:1180:700")) > 0)
        self.assertTrue(wait_until(window_fills_screen, 60, step=1),
                        "no window filling the screen")
        self.assertEqual(image_size(shot), (1280, 800))
        periodic = os.path.join(self.out, "screenshots")
        self.assertTrue(wait_until(lambda: os.path.exists(periodic + "/shot-0001.png"), 10))
        self.assertEqual(image_size(periodic + "/latest.png"), (1280, 800))

    def everything_running(self):
        running = processes_in(self.namespaces)
        commands = " ".join(identity[2] for identity in running)
        for part in ("velto-sim --interface", "rtsp_cameras.py", "cupsd -f", "label-printer.sh",
                     "./lankit", "Xvfb :"):
            self.assertIn(part, commands)
        return running

    def check_nothing_left(self, running):
        tag = self.namespaces[0][:-1]
        self.assertIn("lankit ended with status 0", self.output())
        left = [identity for identity in running if still_running(identity)]
        self.assertEqual(left, [])
        self.assertEqual(processes_mentioning(self.work), [])
        netns = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True).stdout
        for name in self.namespaces:
            self.assertNotIn(name, netns)
        links = subprocess.run(["ip", "-o", "link"], capture_output=True, text=True).stdout
        self.assertNotIn(tag, links)
        self.assertFalse(os.path.exists(self.work))
        # The program's own log was completed by its orderly close and kept.
        log_dir = os.path.join(self.logs, "lankit-log")
        with open(os.path.join(log_dir, os.listdir(log_dir)[0]), encoding="utf-8") as f:
            self.assertIn("install en language", f.read())

    def check_browser_is_recorded(self):
        env = dict(os.environ, PATH=os.path.join(self.work, "bin") + ":" + os.environ["PATH"])
        result = self.in_a("xdg-open", "http://10.77.0.12", env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(os.path.join(self.logs, "opened-urls.txt")) as f:
            self.assertEqual(f.read(), "http://10.77.0.12\n")

    def test_demo_runs_and_an_interrupt_leaves_nothing_behind(self):
        self.start_demo()
        self.check_configuration()
        self.check_program_search()
        self.check_screen()
        self.check_cameras()
        self.check_streams()
        self.check_printer()
        self.check_browser_is_recorded()
        running = self.everything_running()
        os.kill(self.run_sh.pid, signal.SIGINT)
        self.assertEqual(self.run_sh.wait(timeout=45), 130)
        self.check_nothing_left(running)

    def program_uid(self, running):
        pid = [identity[0] for identity in running if identity[2].startswith("./lankit")][0]
        with open("/proc/%d/status" % pid) as f:
            uids = [line.split()[1:] for line in f if line.startswith("Uid:")][0]
        return {int(uid) for uid in uids}

    def test_closing_the_window_ends_the_demo(self):
        # Through sudo: the namespaces are root's, the program runs as the calling user on
        # the display handed over to it.
        self.start_demo(sudo_user="nobody")
        self.check_screen()
        running = self.everything_running()
        self.assertEqual(self.program_uid(running), {pwd.getpwnam("nobody").pw_uid})
        self.assertTrue(close_until_ended(self.in_a, self.display, self.run_sh))
        self.assertEqual(self.run_sh.returncode, 0, self.output())
        self.check_nothing_left(running)


if __name__ == "__main__":
    unittest.main(verbosity=2)
