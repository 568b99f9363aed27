#!/usr/bin/python3
"""Sound for real: the RTSP test stream's 1 kHz tone played through the player's PCM
output into a PulseAudio null sink, recorded from the sink's monitor and measured with sox.

Plays the stream with player_play_url at volume 1 and at volume 0, and checks that the
first recording holds a tone of about 1 kHz at the level sent and the second holds silence.
"""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
import live_sound  # noqa: E402

PLAY_SECONDS = 5
# What Qt says when an object's timers or notifiers are used off the thread it lives on:
# the audio output must live and die on a thread with an event loop.
WRONG_THREAD = re.compile(r"cannot be (started|stopped|enabled or disabled) from another thread"
                          r"|different thread")


class Sound(live_sound.LiveSoundTest):
    def play(self, volume, wav):
        """Plays the stream at volume while recording it into wav; the player's warnings
        about objects used across threads."""
        recorder = live_sound.start_recording(self.env, wav)
        try:
            played = subprocess.run([os.path.join(live_sound.BIN, "player_play_url"), self.url,
                                     str(PLAY_SECONDS), str(volume)],
                                    env=self.env, capture_output=True, text=True, timeout=60)
        finally:
            time.sleep(0.3)
            live_sound.stop_recording(recorder)
        print(played.stdout, end="")
        self.assertEqual(played.returncode, 0, "player_play_url (volume %s): %s"
                         % (volume, played.stderr))
        return [line for line in played.stderr.splitlines() if WRONG_THREAD.search(line)]

    def test_full_volume_plays_the_tone_and_volume_zero_silence(self):
        loud = os.path.join(self.work, "loud.wav")
        warnings = self.play(1.0, loud)
        # Leading silence (start-up) is cut; two seconds of what follows are measured on
        # the left channel (sox's frequency estimate needs one channel).
        stat = live_sound.sox_stat(loud, "silence", "1", "0.05", "1%", "trim", "0", "2",
                                   "remix", "1")
        print("volume 1:", stat)
        self.assertTone("volume 1", stat)

        quiet = os.path.join(self.work, "quiet.wav")
        warnings += self.play(0.0, quiet)
        self.assertEqual(warnings, [], "audio output used across threads")
        stat = live_sound.sox_stat(quiet)
        print("volume 0:", stat)
        self.assertSilent("muted playback", stat)


if __name__ == "__main__":
    unittest.main(verbosity=2)
