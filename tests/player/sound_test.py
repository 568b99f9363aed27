#!/usr/bin/python3
"""Sound for real: the RTSP test stream's 1 kHz tone played through the player's PCM
output into a PulseAudio null sink, recorded from the sink's monitor and measured with sox.

Starts its own PulseAudio server (private runtime and home folders, so nothing of the
machine's audio setup is touched) and its own RTSP server on 127.0.0.1, plays the stream
with player_play_url at volume 1 and at volume 0, and checks that the first recording
holds a tone of about 1 kHz at the level sent and the second holds silence.
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BIN = os.environ.get("LANKIT_BIN_DIR", os.path.join(HERE, "..", "..", "build", "bin"))
SENT_AMPLITUDE = 0.5  # rtsp_server.py's default tone volume
# The stream is mono (front centre); swresample spreads it over left and right at -3 dB.
CENTRE_MIX = 2 ** -0.5
PLAY_SECONDS = 5


def start_pulse(env):
    pulse = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
         "-L", "module-native-protocol-unix",
         "-L", "module-null-sink sink_name=testsink rate=48000 channels=2"],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode == 0:
            subprocess.run(["pactl", "set-default-sink", "testsink"], env=env, check=True)
            return pulse
        time.sleep(0.1)
    pulse.kill()
    raise RuntimeError("pulseaudio did not start")


def start_rtsp(env):
    server = subprocess.Popen(["/usr/bin/python3", os.path.join(HERE, "rtsp_server.py")],
                              env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    line = server.stdout.readline()
    if not line.startswith("PORT "):
        server.kill()
        raise RuntimeError("rtsp server did not start")
    return server, "rtsp://127.0.0.1:%d/test" % int(line.split()[1])


def record_playback(env, url, volume, wav):
    recorder = subprocess.Popen(
        ["parecord", "-d", "testsink.monitor", "--rate=48000", "--channels=2",
         "--format=s16le", "--file-format=wav", wav], env=env)
    try:
        played = subprocess.run([os.path.join(BIN, "player_play_url"), url,
                                 str(PLAY_SECONDS), str(volume)],
                                env=env, capture_output=True, text=True, timeout=60)
    finally:
        time.sleep(0.3)
        recorder.send_signal(signal.SIGINT)
        recorder.wait(timeout=10)
    print(played.stdout, end="")
    if played.returncode != 0:
        print(played.stderr, file=sys.stderr)
        raise AssertionError("player_play_url failed (volume %s)" % volume)
    return played.stderr


# What Qt says when an object's timers or notifiers are used off the thread it lives on:
# the audio output must live and die on a thread with an event loop.
WRONG_THREAD = re.compile(r"cannot be (started|stopped|enabled or disabled) from another thread"
                          r"|different thread")


def wrong_thread_lines(stderr):
    return [line for line in stderr.splitlines() if WRONG_THREAD.search(line)]


def sox_stat(wav, *effects):
    out = subprocess.run(["sox", wav, "-n", *effects, "stat"], capture_output=True,
                         text=True).stderr
    values = {}
    for line in out.splitlines():
        match = re.match(r"\s*([^:]+?)\s*:\s*(-?[\d.]+)", line)
        if match:
            values[match.group(1)] = float(match.group(2))
    return values


def tone_failures(name, stat):
    """What is wrong with a recording of the test tone played at full volume (sox stat)."""
    failures = []
    frequency = stat.get("Rough   frequency", stat.get("Rough frequency", 0))
    rms = stat.get("RMS     amplitude", stat.get("RMS amplitude", 0))
    expected_rms = SENT_AMPLITUDE * CENTRE_MIX / 2 ** 0.5
    if abs(frequency - 1000) > 50:
        failures.append("%s: frequency %.0f Hz, expected about 1000" % (name, frequency))
    if abs(rms - expected_rms) > 0.15 * expected_rms:
        failures.append("%s: RMS %.3f, expected about %.3f" % (name, rms, expected_rms))
    return failures


def main():
    work = tempfile.mkdtemp(prefix="lankit-sound-%d-" % os.getpid())
    env = dict(os.environ, XDG_RUNTIME_DIR=work, HOME=work)
    env.pop("PULSE_SERVER", None)
    pulse = rtsp = None
    failures = []
    try:
        pulse = start_pulse(env)
        rtsp, url = start_rtsp(env)

        loud = os.path.join(work, "loud.wav")
        warnings = wrong_thread_lines(record_playback(env, url, 1.0, loud))
        # Leading silence (start-up) is cut; two seconds of what follows are measured on
        # the left channel (sox's frequency estimate needs one channel).
        stat = sox_stat(loud, "silence", "1", "0.05", "1%", "trim", "0", "2", "remix", "1")
        print("volume 1:", stat)
        failures += tone_failures("volume 1", stat)

        quiet = os.path.join(work, "quiet.wav")
        warnings += wrong_thread_lines(record_playback(env, url, 0.0, quiet))
        if warnings:
            failures.append("audio output used across threads: %s" % warnings)
        stat = sox_stat(quiet)
        print("volume 0:", stat)
        if stat.get("Maximum amplitude", 1) > 0.001:
            failures.append("muted playback recorded sound: %s" % stat)
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
