#!/usr/bin/python3
"""Runs a command against a private Xvfb server on the xcb platform.

    run_in_xvfb.py COMMAND [ARGS...]

Xvfb picks a free display itself (-displayfd), so parallel runs do not race for one, and
listens on no TCP port. The server is stopped when the command ends; the command's exit
status is returned. The command may run for at most an hour (the 10-minute benchmarks).
"""
import os
import subprocess
import sys

MAX_SECONDS = 3600


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24", "-nolisten",
         "tcp"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    try:
        with os.fdopen(read_fd) as reader:
            display = reader.readline().strip()
        if not display:
            print("Xvfb did not start", file=sys.stderr)
            return 1
        env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb")
        return subprocess.run(sys.argv[1:], env=env, timeout=MAX_SECONDS).returncode
    finally:
        xvfb.terminate()
        try:
            xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            xvfb.kill()
            xvfb.wait()


if __name__ == "__main__":
    sys.exit(main())
