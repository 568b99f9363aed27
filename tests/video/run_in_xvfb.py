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


def start_xvfb(screen="1280x1024x24"):
    """A private Xvfb with one screen of the given size; returns (process, display name).
    The caller terminates the process."""
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", screen, "-nolisten", "tcp"],
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as reader:
        display = reader.readline().strip()
    if not display:
        stop_xvfb(xvfb)
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + display


def stop_xvfb(xvfb):
    xvfb.terminate()
    try:
        xvfb.wait(timeout=10)
    except subprocess.TimeoutExpired:
        xvfb.kill()
        xvfb.wait()


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        xvfb, display = start_xvfb()
    except RuntimeError as error:
        print(error, file=sys.stderr)
        return 1
    try:
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        return subprocess.run(sys.argv[1:], env=env, timeout=MAX_SECONDS).returncode
    finally:
        stop_xvfb(xvfb)


if __name__ == "__main__":
    sys.exit(main())
