#!/usr/bin/python3
"""The preview pane's sound button, heard for real: the RTSP test stream's 1 kHz tone is
played by video_mute_steps into a private PulseAudio null sink, which is recorded from its
monitor the whole time. The stretch after the mute click must be silent, and after the
unmute click the tone must come back at the level sent (volume 1.0, not any earlier value).

Uses the PulseAudio, RTSP and sox helpers of tests/player/sound_test.py.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "player"))
import sound_test  # noqa: E402

# What the output still holds when the button is clicked plays out first.
SETTLE = 1.0
# Seconds cut from the front of each recording (parecord connecting), then measured.
LEAD = 0.5
MEASURE = 1.5


def record(env, wav):
    """Records the sink's monitor for the measured stretch; parecord's own start-up is cut
    off afterwards by trimming the front."""
    recorder = subprocess.Popen(
        ["parecord", "-d", "testsink.monitor", "--rate=48000", "--channels=2",
         "--format=s16le", "--file-format=wav", wav], env=env)
    time.sleep(LEAD + MEASURE + 0.2)
    recorder.send_signal(signal.SIGINT)
    recorder.wait(timeout=10)


def expect(steps, word):
    line = steps.stdout.readline().strip()
    if line != word:
        raise AssertionError("expected %r from video_mute_steps, got %r" % (word, line))


def run_steps(env, url, work):
    """Plays, records, mutes, records, unmutes, records; returns the three recordings."""
    steps = subprocess.Popen([os.path.join(sound_test.BIN, "video_mute_steps"), url], env=env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    wavs = []
    try:
        for word in ("picture", "muted", "unmuted"):
            expect(steps, word)
            time.sleep(SETTLE)
            wavs.append(os.path.join(work, word + ".wav"))
            record(env, wavs[-1])
            steps.stdin.write("next\n")
            steps.stdin.flush()
        steps.stdin.close()
        steps.wait(timeout=30)
    finally:
        if steps.poll() is None:
            steps.kill()
            steps.wait()
    if steps.returncode != 0:
        raise AssertionError("video_mute_steps failed: %d" % steps.returncode)
    return wavs


def main():
    work = tempfile.mkdtemp(prefix="lankit-mute-%d-" % os.getpid())
    env = dict(os.environ, XDG_RUNTIME_DIR=work, HOME=work)
    env.pop("PULSE_SERVER", None)
    pulse = rtsp = None
    failures = []
    try:
        pulse = sound_test.start_pulse(env)
        rtsp, url = sound_test.start_rtsp(env)
        playing, silent, again = run_steps(env, url, work)
        trim = ("trim", "%.2f" % LEAD, "%.2f" % MEASURE)
        before = sound_test.sox_stat(playing, *trim, "remix", "1")
        muted = sound_test.sox_stat(silent, *trim)
        after = sound_test.sox_stat(again, *trim, "remix", "1")
        print("before mute:", before)
        print("muted:", muted)
        print("unmuted:", after)
        for name, stat in (("before mute", before), ("after unmute", after)):
            failures += sound_test.tone_failures(name, stat)
        if muted.get("Maximum amplitude", 1) > 0.001:
            failures.append("muted stretch recorded sound: %s" % muted)
    finally:
        for process in (rtsp, pulse):
            if process:
                process.kill()
                process.wait()
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
