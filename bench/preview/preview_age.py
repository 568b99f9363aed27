#!/usr/bin/python3
"""How old is the picture on the screen? lankit-preview against GStreamer, side by side.

    preview_age.py [--seconds 120] [--bin build/bin] [--no-lipsync] [--first-runs 5]
                   [--windows DIR] [--codec h264|h265]

A private Xvfb shows two windows at once, both playing the same live stream from
stamp_server.py (1280x720 H.264 at 25 fps, every picture carrying the sender's monotonic
clock): lankit-preview at the top and `gst-launch-1.0 rtspsrc latency=0 ! avdec_h264 !
ximagesink sync=false` below it. About 12 times a second the screen of both windows is
read back and the stamp decoded; the age of the shown picture is the clock at the read
minus the stamp. Two phases of --seconds each: idle, and with both cores busy (two
bounded busy loops). For each player and phase it prints the median, p90 and max age, the
share of reads that found a whole stamp, the drift (least-squares slope of the age over
the phase, and the median of the last fifth against the first fifth) and the CPU time
per frame sent.

Then, with lankit-preview alone:
  first picture  --first-runs starts on the 1080p stream (a key frame every second), which
                 another viewer keeps running, and as many on a mount whose encoder starts
                 with the session: the time from play() to the first painted picture, as
                 the tool reports it, split at the moment the server fed that picture's
                 frame (its stamp, read from the screen as it appears). Joining a running
                 stream, the first part is the wait for its next key frame and the second
                 the encoder, the transport, our decoder and paint. With an encoder of
                 its own the first frame is fed as the session is described, before the
                 server has built its pipeline: the second part then holds that start;
  lip sync       the /flash stream (white frames and a tone that start on the same tick)
                 played into a private PulseAudio null sink: the tone's onset in the
                 sink's recording against the flash's onset on the screen, per flash;
                 idle, then with both cores busy.

With --windows DIR, lankit-preview.exe from DIR (the unpacked Windows zip with
build-win/bin/lankit-preview.exe beside lankit.exe) runs under Wine in a fresh prefix
instead of the Linux build.

With --codec h265 the age phases play /stamp265, the same stream in H.265, and GStreamer
decodes it with rtph265depay ! avdec_h265.

The machine may be shared: compare the two players within one run; the load average at
the start and end of each phase is printed with the figures.
"""
import argparse
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display as xdisplay

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "video"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
import run_in_xvfb  # noqa: E402
from live_sound import start_pulse  # noqa: E402

CELL, BITS = 80, 16
STAMP_ROWS = (CELL // 2, CELL + CELL // 2)  # centres of the bit row and the inverse row
SCREEN = "1290x1500x24"
VIEW_SIZE = "1280x750"  # the pane's picture area is 1280x720: the stream at 1:1
GST_TOP = 760
FPS = 25
SAMPLE_PERIOD = 1 / 12


def start_server(env):
    server = subprocess.Popen([sys.executable, os.path.join(HERE, "stamp_server.py")],
                              env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              text=True)
    line = server.stdout.readline()
    if not line.startswith("PORT "):
        server.kill()
        raise RuntimeError("stamp server did not start")
    return server, "rtsp://127.0.0.1:%d" % int(line.split()[1])


def gst_command(url, codec):
    return ["gst-launch-1.0", "-q", "rtspsrc", "location=" + url, "latency=0",
            "protocols=tcp", "!", "rtp%sdepay" % codec, "!", "avdec_%s" % codec, "!",
            "videoconvert", "!", "ximagesink", "sync=false"]


def cpu_seconds(pid):
    """User + system time of a process so far."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Screen:
    """The X screen of the private server: finds, places and reads the players' windows."""

    def __init__(self, name):
        self.display = xdisplay.Display(name)
        self.root = self.display.screen().root

    def windows(self):
        found = []
        for window in self.root.query_tree().children:
            try:
                attributes = window.get_attributes()
                geometry = window.get_geometry()
                name = window.get_wm_name() or ""
            except Exception:  # a window that went away meanwhile
                continue
            if attributes.map_state == X.IsViewable:
                found.append((window, name, geometry.width, geometry.height))
        return found

    def find(self, predicate, seconds, period=0.1):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            for window, name, w, h in self.windows():
                if predicate(name, w, h):
                    return window
            time.sleep(period)
        return None

    def place(self, window, x, y):
        window.configure(x=x, y=y)
        self.display.sync()

    def stamp(self, window, scale=1.0):
        """(stamp, read time in ms) of the picture in window, shown at scale, or (None,
        time) when the picture holds no whole stamp."""
        cell = CELL * scale
        before = time.monotonic()
        rows = [window.get_image(0, int(y * scale), int(BITS * cell), 1, X.ZPixmap,
                                 0xFFFFFFFF).data for y in STAMP_ROWS]
        now = (before + time.monotonic()) / 2 * 1000
        value = 0
        for i in range(BITS):
            at = int(i * cell + cell / 2) * 4 + 1  # the green byte of the cell's centre
            bit, inverse = rows[0][at] > 128, rows[1][at] > 128
            if bit == inverse:
                return None, now
            value = value << 1 | bit
        return value, now

    def brightness(self, window, x, y):
        return window.get_image(x, y, 1, 1, X.ZPixmap, 0xFFFFFFFF).data[1]


def age_ms(stamp, now):
    return (int(now) - stamp) & 0xFFFF


class Busy:
    """Both cores busy with plain loops, each ending by itself after at most seconds."""

    LOOP = "import time\nend = time.monotonic() + %f\nwhile time.monotonic() < end: pass\n"

    def __init__(self, seconds, count=2):
        self.loops = [subprocess.Popen([sys.executable, "-c", self.LOOP % seconds])
                      for _ in range(count)]

    def stop(self):
        for loop in self.loops:
            loop.kill()
            loop.wait()


def measure(screen, players, seconds):
    """Reads every player's window about 12 times a second; returns per player a list of
    (time s, age ms or None)."""
    samples = {name: [] for name in players}
    began = time.monotonic()
    tick = 0
    while time.monotonic() - began < seconds:
        for name, window in players.items():
            stamp, now = screen.stamp(window)
            samples[name].append((now / 1000 - began,
                                  None if stamp is None else age_ms(stamp, now)))
        tick += 1
        delay = began + tick * SAMPLE_PERIOD - time.monotonic()
        if delay > 0:
            time.sleep(delay)
    return samples


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(p * len(ordered)))] if ordered else float("nan")


def drift(points):
    """Least-squares slope of age over time, in ms per minute."""
    if len(points) < 2:
        return float("nan")
    mt = statistics.fmean(t for t, _ in points)
    ma = statistics.fmean(a for _, a in points)
    var = sum((t - mt) ** 2 for t, _ in points)
    return sum((t - mt) * (a - ma) for t, a in points) / var * 60 if var else float("nan")


def summary(points):
    whole = [(t, a) for t, a in points if a is not None]
    ages = [a for _, a in whole]
    fifth = max(1, len(whole) // 5)
    return {
        "reads": len(points), "whole": len(whole),
        "median": percentile(ages, 0.5), "p90": percentile(ages, 0.9),
        "max": max(ages) if ages else float("nan"),
        "slope": drift(whole),
        "first5": percentile([a for _, a in whole[:fifth]], 0.5),
        "last5": percentile([a for _, a in whole[-fifth:]], 0.5),
    }


def load_average():
    with open("/proc/loadavg") as average:
        return average.read().split()[0]


def preview_command(args):
    """lankit-preview as started: the Linux build, or the Windows one under Wine."""
    if args.windows:
        return ["/usr/lib/wine/wine64", os.path.join(args.windows, "lankit-preview.exe")]
    return [os.path.join(args.bin, "lankit-preview")]


def run_phases(args, env, url, screen):
    mount = url + ("/stamp265" if args.codec == "h265" else "/stamp")
    ours = subprocess.Popen(preview_command(args) + ["--size", VIEW_SIZE, mount], env=env,
                            stderr=subprocess.PIPE, text=True)
    gst = subprocess.Popen(gst_command(mount, args.codec), env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        mine = screen.find(lambda name, w, h: name.startswith("lankit-preview"), 20)
        theirs = screen.find(lambda name, w, h: not name.startswith("lankit-preview")
                             and (w, h) == (1280, 720), 20)
        if not mine or not theirs:
            raise RuntimeError("a player window did not appear")
        screen.place(mine, 0, 0)
        screen.place(theirs, 0, GST_TOP)
        players = {"lankit-preview": mine, "GStreamer": theirs}
        pids = {"lankit-preview": ours.pid, "GStreamer": gst.pid}
        time.sleep(3)  # connection and first key frame are not steady play
        results = []
        for phase in ("idle", "loaded"):
            busy = Busy(args.seconds + 5) if phase == "loaded" else None
            load_before = load_average()
            cpu_before = {name: cpu_seconds(pid) for name, pid in pids.items()}
            samples = measure(screen, players, args.seconds)
            cpu = {name: cpu_seconds(pid) - cpu_before[name] for name, pid in pids.items()}
            if busy:
                busy.stop()
            for name in players:
                row = summary(samples[name])
                row["cpu_ms_per_frame"] = cpu[name] * 1000 / (args.seconds * FPS)
                results.append((phase, name, row, load_before, load_average()))
            time.sleep(2)
        return results
    finally:
        for process in (ours, gst):
            process.kill()
            process.wait()


def print_table(results, seconds, codec):
    print("\nAge of the shown picture, ms (%d s per phase, 1280x720 %s 25 fps, "
          "reads about 12/s)" % (seconds, {"h264": "H.264", "h265": "H.265"}[codec]))
    print("%-7s %-15s %7s %6s %6s %6s %13s %14s %8s %11s" % (
        "phase", "player", "median", "p90", "max", "whole", "drift ms/min",
        "first/last 5th", "cpu/frm", "load"))
    for phase, name, r, before, after in results:
        print("%-7s %-15s %7.0f %6.0f %6.0f %5.0f%% %13.1f %7.0f/%-6.0f %6.2fms %5s-%-5s" % (
            phase, name, r["median"], r["p90"], r["max"],
            100.0 * r["whole"] / max(1, r["reads"]), r["slope"], r["first5"], r["last5"],
            r["cpu_ms_per_frame"], before, after))


FIRST_PICTURE = re.compile(r"first picture ([\d.]+) s after play")
FIRST_SIZE = "960x570"  # the 1080p picture at half size
FIRST_SCALE = 0.5
KEY_FRAME_INTERVAL = 1.0  # seconds, as stamp_server.py encodes the 1080p stream


def first_picture(args, env, screen, url):
    """One start of lankit-preview on url: (seconds from play() to the first painted
    picture, seconds from play() until the server fed that picture's frame, seconds from
    then to the paint), or None when no whole stamp was read."""
    process = subprocess.Popen(preview_command(args) + ["--seconds", "3",
                                "--size", FIRST_SIZE, url], env=env, stderr=subprocess.PIPE,
                               text=True)
    painted = {}

    def watch():
        for line in process.stderr:
            match = FIRST_PICTURE.search(line)
            if match and not painted:
                painted.update(at=time.monotonic(), after=float(match.group(1)))

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    try:
        window = screen.find(lambda name, w, h: name.startswith("lankit-preview"), 20, 0.005)
        stamp = None
        end = time.monotonic() + 5
        while window and stamp is None and time.monotonic() < end:
            try:
                stamp, now = screen.stamp(window, FIRST_SCALE)
            except Exception:  # not yet mapped, or gone
                time.sleep(0.005)
        process.wait(timeout=30)
        watcher.join(timeout=5)
    finally:
        process.kill()
        process.wait()
    if stamp is None or not painted:
        return None
    play = painted["at"] - painted["after"]
    fed = (now - age_ms(stamp, now)) / 1000
    return painted["after"], fed - play, painted["at"] - fed


def first_pictures(args, env, screen, url):
    """Starts on the 1080p stream, joining it as another viewer keeps it running (a
    random point of its key frame interval, as with a camera), and on a mount whose encoder
    starts with each session (its first frame a key frame)."""
    viewer = subprocess.Popen(["gst-launch-1.0", "-q", "rtspsrc", "location=" + url +
                               "/stamp1080", "protocols=tcp", "!", "fakesink"], env=env,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    results = {}
    try:
        time.sleep(3)
        for mount in ("stamp1080", "fresh1080"):
            results[mount] = []
            for _ in range(args.first_runs):
                # Starts a fixed time apart would all join the running stream at one point
                # of its key frame interval; a camera's user joins at any.
                time.sleep(random.uniform(0, KEY_FRAME_INTERVAL))
                results[mount].append(first_picture(args, env, screen, url + "/" + mount))
    finally:
        viewer.kill()
        viewer.wait()
    return results


def print_first_pictures(results):
    print("\nFirst picture after play(), 1920x1080 H.264, key frame every 1 s, shown at "
          "%s; s" % FIRST_SIZE)
    print("%-44s %6s %6s %6s %7s" % ("", "median", "p90", "max", "whole"))
    titles = {"stamp1080": "joining a running stream", "fresh1080": "own encoder"}
    for mount, runs in results.items():
        whole = [run for run in runs if run]
        for column, name in ((0, "play -> paint"),
                             (1, "play -> its frame fed"),
                             (2, "frame fed -> paint")):
            values = [run[column] for run in whole]
            print("%-44s %6.3f %6.3f %6.3f %4d/%d" % (
                titles[mount] + ": " + name if column == 0 else "  " + name,
                percentile(values, 0.5), percentile(values, 0.9),
                max(values, default=float("nan")), len(whole), len(runs)))


class SinkRecorder:
    """Records the null sink's monitor; each sample's play time on the monotonic clock is
    the earliest arrival of the recording less the samples after it."""

    RATE = 48000

    def __init__(self, env):
        self.process = subprocess.Popen(
            ["parec", "-d", "benchsink.monitor", "--raw", "--format=s16le", "--rate=48000",
             "--channels=1", "--latency-msec=5"], env=env, stdout=subprocess.PIPE)
        self.data = bytearray()
        self.offset = float("inf")  # monotonic time of sample 0
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            chunk = self.process.stdout.read1(4096)
            if not chunk:
                return
            now = time.monotonic()
            self.data += chunk
            self.offset = min(self.offset, now - len(self.data) / 2 / self.RATE)

    def onsets(self, threshold=3000, gap=0.5):
        """Monotonic times at which the tone starts."""
        found, last = [], -1e9
        samples = memoryview(bytes(self.data)).cast("h")
        for i in range(0, len(samples), 8):
            if abs(samples[i]) > threshold:
                t = self.offset + i / self.RATE
                if t - last > gap:
                    found.append(t)
                last = t
        return found

    def stop(self):
        self.process.kill()
        self.process.wait()


def lip_sync(args, env, url, screen):
    """Audio onset minus picture onset of each flash, ms (positive: sound late)."""
    work = tempfile.mkdtemp(prefix="lankit-lipsync-")
    penv = dict(env, XDG_RUNTIME_DIR=work, HOME=work)
    penv.pop("PULSE_SERVER", None)
    pulse = start_pulse(penv, sink="benchsink", channels=1)
    recorder = player = None
    try:
        recorder = SinkRecorder(penv)
        player = subprocess.Popen(preview_command(args) + ["--size",
                                   "640x390", url + "/flash"], env=penv,
                                  stderr=subprocess.DEVNULL)
        window = screen.find(lambda name, w, h: name.startswith("lankit-preview"), 20)
        if not window:
            raise RuntimeError("the player window did not appear")
        screen.place(window, 0, 0)
        time.sleep(2)
        # Bright at first: the first onset counted follows a dark picture. The stream's
        # first picture is a key frame, and key frames come with the flashes, so the
        # start of play would count as one, without its tone's onset.
        flashes, bright, end = [], True, time.monotonic() + args.lipsync
        while time.monotonic() < end:
            before = time.monotonic()
            now_bright = screen.brightness(window, 320, 180) > 128
            at = (before + time.monotonic()) / 2
            if now_bright and not bright:
                flashes.append(at)
            bright = now_bright
            time.sleep(0.001)
        time.sleep(1)
    finally:
        if player:
            player.kill()
            player.wait()
        if recorder:
            recorder.stop()
        pulse.kill()
        pulse.wait()
        shutil.rmtree(work, ignore_errors=True)
    tones = recorder.onsets()
    offsets = []
    for flash in flashes:
        nearest = min(tones, key=lambda t: abs(t - flash), default=None)
        if nearest is not None and abs(nearest - flash) < 0.5:
            offsets.append((nearest - flash) * 1000)
    return offsets


def print_lip_sync(phase, offsets):
    if offsets:
        print("\nLip sync, %s (sound onset - picture onset), %d flashes: median %+.0f ms, "
              "min %+.0f, max %+.0f" % (phase, len(offsets), percentile(offsets, 0.5),
                                       min(offsets), max(offsets)))
        print("  each, ms: " + " ".join("%+.0f" % o for o in offsets))
    else:
        print("\nLip sync, %s: no flash paired with a tone" % phase)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--seconds", type=float, default=120, help="length of each phase")
    parser.add_argument("--bin", default=os.path.join(ROOT, "build", "bin"))
    parser.add_argument("--first-runs", type=int, default=5)
    parser.add_argument("--windows", help="folder of lankit-preview.exe, run under Wine")
    parser.add_argument("--lipsync", type=float, default=20, help="seconds; 0 skips it")
    parser.add_argument("--no-phases", action="store_true", help="skip the age phases")
    parser.add_argument("--codec", choices=("h264", "h265"), default="h264",
                        help="the stream of the age phases")
    args = parser.parse_args()
    if not 1 <= args.seconds <= 3600 or not 0 <= args.lipsync <= 600:
        parser.error("--seconds must be 1..3600 and --lipsync 0..600")

    xvfb, name = run_in_xvfb.start_xvfb(SCREEN)
    home = tempfile.mkdtemp(prefix="lankit-bench-")
    env = dict(os.environ, DISPLAY=name, QT_QPA_PLATFORM="xcb", HOME=home,
               XDG_CONFIG_HOME=home, WINEPREFIX=os.path.join(home, "wine"), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    server = None
    try:
        if args.windows:
            subprocess.run(["/usr/lib/wine/wine64", "wineboot", "-i"], env=env, timeout=300,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        server, url = start_server(env)
        screen = Screen(name)
        print("cores %d, load average %s at start" % (os.cpu_count(), load_average()))
        if not args.no_phases:
            print_table(run_phases(args, env, url, screen), args.seconds, args.codec)
        if args.first_runs:
            print_first_pictures(first_pictures(args, env, screen, url))
        if args.lipsync:
            for phase in ("idle", "loaded"):
                busy = Busy(args.lipsync + 10) if phase == "loaded" else None
                try:
                    offsets = lip_sync(args, env, url, screen)
                finally:
                    if busy:
                        busy.stop()
                print_lip_sync(phase, offsets)
    finally:
        if server:
            server.kill()
            server.wait()
        if args.windows:
            subprocess.run(["/usr/lib/wine/wineserver64", "-k"], env=env, timeout=60)
        run_in_xvfb.stop_xvfb(xvfb)
        shutil.rmtree(home, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
