#!/usr/bin/python3
"""lankit-preview from the command line: wrong usage exits 2 at once; a stream address
plays in a real window (private Xvfb) until --seconds ends it, with exit status 0."""
import os
import subprocess
import sys
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


if __name__ == "__main__":
    unittest.main(verbosity=2)
