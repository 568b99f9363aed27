#!/usr/bin/python3
"""lankit-preview from the command line: wrong usage exits 2 at once; a stream address
plays in a real window (private Xvfb) until --seconds ends it, with exit status 0; an
address no camera should report (a FIFO, /dev/stdin, a file, a web page, 10,000
characters, CR LF, nothing) still ends on --seconds, and strace sees no file of it opened."""
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import live_sound  # noqa: E402

TOOL = os.path.join(live_sound.BIN, "lankit-preview")
XVFB = [sys.executable, os.path.join(HERE, "run_in_xvfb.py")]


class PreviewTool(unittest.TestCase):
    def test_wrong_usage_exits_2(self):
        for args in ([], ["--size", "10x10", "rtsp://127.0.0.1:1/x"], ["--seconds", "-1", "u"],
                     ["--seconds", "abc", "u"], ["a", "b"]):
            with self.subTest(args=args):
                result = subprocess.run(XVFB + [TOOL] + args, capture_output=True, timeout=30)
                self.assertEqual(result.returncode, 2)

    def test_a_stream_plays_for_the_seconds_asked(self):
        rtsp, url = live_sound.start_rtsp(dict(os.environ))
        self.addCleanup(live_sound.stop, rtsp)
        began = time.monotonic()
        result = subprocess.run(XVFB + [TOOL, "--seconds", "3", url], capture_output=True,
                                text=True, timeout=60)
        took = time.monotonic() - began
        print("played for %.1f s, exit %d" % (took, result.returncode))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(3 <= took < 20, "play took %.1f s, expected 3 s and start-up" % took)

    def test_addresses_no_camera_should_report_end_on_seconds_and_open_nothing(self):
        failures = hostile_addresses()
        self.assertEqual(failures, [], "\n".join(failures))


def hostile_addresses():
    failures = []
    with tempfile.TemporaryDirectory() as folder, socket.socket() as web:
        fifo = os.path.join(folder, "camera.fifo")
        os.mkfifo(fifo)
        secret = os.path.join(folder, "secret.txt")
        with open(secret, "w") as f:
            f.write("not for a camera\n")
        web.bind(("127.0.0.1", 0))
        web.listen(1)  # never accepted: an opened page would hang
        # The program itself reads /etc/passwd (the user's home): an address may not add
        # a read of it beyond what a run with no address makes.
        watched = [fifo, "/dev/stdin", secret, "/etc/passwd"]
        baseline = None
        addresses = ["", fifo, "/dev/stdin", "file://" + secret, "file:///etc/passwd",
                     "http://127.0.0.1:%d/" % web.getsockname()[1], "rtsp://" + "a" * 10000,
                     "rtsp://127.0.0.1:1/live\r\nCSeq: 9"]
        for address in addresses:
            trace = os.path.join(folder, "trace")
            began = time.monotonic()
            try:
                result = subprocess.run(
                    XVFB + ["strace", "-f", "-qq", "-e", "trace=open,openat,openat2", "-o", trace,
                            TOOL, "--seconds", "2", address],
                    stdin=subprocess.DEVNULL, capture_output=True, timeout=40,
                    # LeakSanitizer cannot run under ptrace and would fail the exit.
                    env=dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") +
                             ":detect_leaks=0"))
                code = result.returncode
            except subprocess.TimeoutExpired:
                code = "timeout"
            took = time.monotonic() - began
            shown = repr(address[:40])
            print("%s: exit %s after %.1f s" % (shown, code, took))
            if code != 0:
                failures.append("%s: exit %s" % (shown, code))
            with open(trace, errors="replace") as f:
                opened = [path for line in f for path in watched if '"%s"' % path in line]
            if baseline is None:
                baseline = opened.count("/etc/passwd")
            if [p for p in opened if p != "/etc/passwd"] or opened.count("/etc/passwd") > baseline:
                failures.append("%s opened %s" % (shown, opened))
    return failures


if __name__ == "__main__":
    unittest.main(verbosity=2)
