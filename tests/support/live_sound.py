"""The player tests' RTSP server (a live stream with a 1 kHz tone) on 127.0.0.1 and a
private PulseAudio server with a null sink "testsink", for the tests that play the stream
and record what is heard from the sink's monitor; sox's measurements of the recordings.

The PulseAudio server gets its own runtime and home folders, so nothing of the machine's
audio setup is touched."""
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
BIN = os.environ.get("LANKIT_BIN_DIR", os.path.join(HERE, "..", "..", "build", "bin"))
RTSP_SERVER = os.path.join(HERE, "..", "player", "rtsp_server.py")
SENT_AMPLITUDE = 0.5  # rtsp_server.py's default tone volume
# The stream is mono (front centre); swresample spreads it over left and right at -3 dB.
CENTRE_MIX = 2 ** -0.5
START_SECONDS = 10


def stop(process):
    with process:  # closes its pipes and waits
        process.kill()


def start_pulse(env, sink="testsink", channels=2):
    """A PulseAudio server for env (its runtime and home folders) whose default sink is a
    null sink of that name at 48 kHz."""
    pulse = subprocess.Popen(
        ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
         "-L", "module-native-protocol-unix",
         "-L", "module-null-sink sink_name=%s rate=48000 channels=%d" % (sink, channels)],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + START_SECONDS
    while time.monotonic() < deadline:
        if subprocess.run(["pactl", "info"], env=env, capture_output=True).returncode == 0:
            subprocess.run(["pactl", "set-default-sink", sink], env=env, check=True)
            return pulse
        time.sleep(0.1)
    stop(pulse)
    raise RuntimeError("pulseaudio did not start within %d s" % START_SECONDS)


def start_rtsp(env):
    """The RTSP server and its stream's address. The server ends by itself once its
    standard input closes, so a test that dies does not leave it behind."""
    server = subprocess.Popen(["/usr/bin/python3", RTSP_SERVER], env=env,
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    ready, _, _ = select.select([server.stdout], [], [], START_SECONDS)
    line = server.stdout.readline() if ready else ""
    if not line.startswith("PORT "):
        stop(server)
        raise RuntimeError("rtsp server did not start within %d s" % START_SECONDS)
    return server, "rtsp://127.0.0.1:%d/test" % int(line.split()[1])


def start_recording(env, wav):
    """parecord taking the sink's monitor into wav until stop_recording()."""
    return subprocess.Popen(["parecord", "-d", "testsink.monitor", "--rate=48000",
                             "--channels=2", "--format=s16le", "--file-format=wav", wav],
                            env=env)


def stop_recording(recorder):
    recorder.send_signal(signal.SIGINT)
    recorder.wait(timeout=10)


def record_seconds(env, wav, seconds, timeout=15):
    """Records exactly seconds of the sink's monitor into wav. Counted in samples, not in
    wall time: on a busy machine parec may take a second or more to connect."""
    frame = 2 * 2  # s16le, two channels
    wanted = int(seconds * 48000) * frame
    recorder = subprocess.Popen(["parec", "-d", "testsink.monitor", "--rate=48000",
                                 "--channels=2", "--format=s16le", "--raw"],
                                env=env, stdout=subprocess.PIPE)
    pcm = bytearray()
    deadline = time.monotonic() + timeout
    try:
        while len(pcm) < wanted and time.monotonic() < deadline:
            ready, _, _ = select.select([recorder.stdout], [], [], 0.1)
            if ready:
                chunk = os.read(recorder.stdout.fileno(), wanted - len(pcm))
                if not chunk:
                    break
                pcm += chunk
    finally:
        stop(recorder)
    if len(pcm) < wanted:
        raise RuntimeError("%.2f s of %.2f s recorded in %d s"
                           % (len(pcm) / frame / 48000, seconds, timeout))
    with wave.open(wav, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(48000)
        out.writeframes(bytes(pcm))


def sox_stat(wav, *effects):
    out = subprocess.run(["sox", wav, "-n", *effects, "stat"], capture_output=True,
                         text=True, timeout=60).stderr
    values = {}
    for line in out.splitlines():
        match = re.match(r"\s*([^:]+?)\s*:\s*(-?[\d.]+)", line)
        if match:
            values[match.group(1)] = float(match.group(2))
    return values


class LiveSoundTest(unittest.TestCase):
    """Starts PulseAudio and the RTSP server once for the class: env reaches the private
    PulseAudio server, url is the stream, work a folder for the recordings."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="lankit-sound-%d-" % os.getpid())
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        cls.env = dict(os.environ, XDG_RUNTIME_DIR=cls.work, HOME=cls.work)
        cls.env.pop("PULSE_SERVER", None)
        cls.addClassCleanup(stop, start_pulse(cls.env))
        rtsp, cls.url = start_rtsp(cls.env)
        cls.addClassCleanup(stop, rtsp)

    def assertSilent(self, name, stat):
        self.assertLessEqual(stat.get("Maximum amplitude", 1), 0.001,
                             "%s recorded sound: %s" % (name, stat))

    def assertTone(self, name, stat):
        """stat is sox's measure of a recording of the test tone played at full volume.
        The level is the tone's peak, not its mean: a loaded test machine can starve the
        RTSP server until it drops the connection, and the gap before the player's
        reconnect would lower a mean but not what the tone sounds at."""
        frequency = stat.get("Rough   frequency", stat.get("Rough frequency", 0))
        peak = stat.get("Maximum amplitude", 0)
        expected_peak = SENT_AMPLITUDE * CENTRE_MIX
        self.assertAlmostEqual(frequency, 1000, delta=50, msg="%s: frequency" % name)
        self.assertAlmostEqual(peak, expected_peak, delta=0.1 * expected_peak,
                               msg="%s: peak" % name)
