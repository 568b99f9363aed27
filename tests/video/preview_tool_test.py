#!/usr/bin/python3
"""lankit-preview from the command line: wrong usage exits 2 at once; a stream address
plays in a real window (private Xvfb) until --seconds ends it, with exit status 0."""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "player"))
import sound_test  # noqa: E402

TOOL = os.path.join(sound_test.BIN, "lankit-preview")
XVFB = [sys.executable, os.path.join(HERE, "run_in_xvfb.py")]


def main():
    failures = []
    for args in ([], ["--size", "10x10", "rtsp://127.0.0.1:1/x"], ["--seconds", "-1", "u"],
                 ["--seconds", "abc", "u"], ["a", "b"]):
        result = subprocess.run(XVFB + [TOOL] + args, capture_output=True, timeout=30)
        if result.returncode != 2:
            failures.append("%s: exit %d, expected 2" % (args, result.returncode))

    rtsp, url = sound_test.start_rtsp(dict(os.environ))
    try:
        began = time.monotonic()
        result = subprocess.run(XVFB + [TOOL, "--seconds", "3", url], capture_output=True,
                                text=True, timeout=60)
        took = time.monotonic() - began
    finally:
        rtsp.kill()
        rtsp.wait()
    print("played for %.1f s, exit %d" % (took, result.returncode))
    if result.returncode != 0:
        failures.append("play: exit %d\n%s" % (result.returncode, result.stderr))
    if not 3 <= took < 20:
        failures.append("play took %.1f s, expected 3 s and start-up" % took)
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
