#!/usr/bin/python3
"""The preview pane's sound button, heard for real: the RTSP test stream's 1 kHz tone is
played by video_mute_steps into a private PulseAudio null sink, which is recorded from its
monitor the whole time. The stretch after the mute click must be silent, and after the
unmute click the tone must come back at the level sent (volume 1.0, not any earlier value).
"""
import os
import select
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import live_sound  # noqa: E402

# What the output still holds when the button is clicked plays out first.
SETTLE = 1.0
# Seconds cut from the front of each recording (the monitor's first buffer), then measured.
LEAD = 0.5
MEASURE = 1.5
# How long video_mute_steps may take to reach each step.
STEP_SECONDS = 30


class Mute(live_sound.LiveSoundTest):
    def expect(self, steps, word):
        ready, _, _ = select.select([steps.stdout], [], [], STEP_SECONDS)
        line = steps.stdout.readline().strip() if ready else "(nothing in %d s)" % STEP_SECONDS
        self.assertEqual(line, word, "from video_mute_steps")

    def record(self, wav):
        """Records the sink's monitor for the lead and the measured stretch."""
        live_sound.record_seconds(self.env, wav, LEAD + MEASURE + 0.2)

    def run_steps(self):
        """Plays, records, mutes, records, unmutes, records; returns the three recordings."""
        steps = subprocess.Popen([os.path.join(live_sound.BIN, "video_mute_steps"), self.url],
                                 env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                 text=True)
        self.addCleanup(live_sound.stop, steps)
        wavs = []
        for word in ("picture", "muted", "unmuted"):
            self.expect(steps, word)
            time.sleep(SETTLE)
            wavs.append(os.path.join(self.work, word + ".wav"))
            self.record(wavs[-1])
            steps.stdin.write("next\n")
            steps.stdin.flush()
        steps.stdin.close()
        self.assertEqual(steps.wait(timeout=30), 0, "video_mute_steps failed")
        return wavs

    def test_muted_stretch_is_silent_and_unmute_brings_the_tone_back(self):
        playing, silent, again = self.run_steps()
        trim = ("trim", "%.2f" % LEAD, "%.2f" % MEASURE)
        before = live_sound.sox_stat(playing, *trim, "remix", "1")
        muted = live_sound.sox_stat(silent, *trim)
        after = live_sound.sox_stat(again, *trim, "remix", "1")
        print("before mute:", before)
        print("muted:", muted)
        print("unmuted:", after)
        self.assertTone("before mute", before)
        self.assertTone("after unmute", after)
        self.assertSilent("muted stretch", muted)


if __name__ == "__main__":
    unittest.main(verbosity=2)
