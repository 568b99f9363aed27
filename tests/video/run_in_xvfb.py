#!/usr/bin/python3
"""Runs a command against a private Xvfb server on the xcb platform.

    run_in_xvfb.py [--pulse] COMMAND [ARGS...]

Xvfb picks a free display itself (-displayfd), so parallel runs do not race for one, and
listens on no TCP port. --pulse also starts a private PulseAudio server whose default
sink is the null sink "testsink" (tests/support/live_sound.py), named to the command in
LANKIT_PULSE_SINK, so that what the command plays can be recorded from "testsink.monitor".
The servers are stopped when the command ends; the command's exit status is returned. The command may run for at most an hour (the 10-minute benchmarks).
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import live_sound  # noqa: E402

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


def run(command, env):
    """command with env, and with a private PulseAudio server when it begins with --pulse."""
    if command[0] != "--pulse":
        return subprocess.run(command, env=env, timeout=MAX_SECONDS).returncode
    # Its own runtime and home folders: nothing of the machine's sound setup is touched.
    work = tempfile.mkdtemp(prefix="lankit-xvfb-pulse-")
    try:
        env = dict(env, XDG_RUNTIME_DIR=work, HOME=work, LANKIT_PULSE_SINK="testsink")
        env.pop("PULSE_SERVER", None)
        pulse = live_sound.start_pulse(env)
        try:
            return subprocess.run(command[1:], env=env, timeout=MAX_SECONDS).returncode
        finally:
            live_sound.stop(pulse)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    if len(sys.argv) < 2 or sys.argv[1:] == ["--pulse"]:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        xvfb, display = start_xvfb()
    except RuntimeError as error:
        print(error, file=sys.stderr)
        return 1
    try:
        return run(sys.argv[1:], dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb"))
    finally:
        stop_xvfb(xvfb)


if __name__ == "__main__":
    sys.exit(main())
