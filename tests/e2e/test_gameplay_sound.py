"""What the game plays while the story runs, recorded through ALSA's file
plugin (harness.recording_config): each message's voice once, again on
"VOICE", scaled by the voice volume; the music from its first sample,
looping, scaled by the music volume."""

import os
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import gameplay as gp  # noqa: E402
import harness  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))

# Different volumes for the two channels, so that a clip scaled by the other
# channel's volume shows.
MUSIC_VOLUME, VOICE_VOLUME = 96, 200
IN_TEXT = (400, 500)


class Sound(unittest.TestCase):
    def setUp(self):
        self.display = harness.Display()
        self.addCleanup(self.display.close)
        self.record_dir = Path(tempfile.mkdtemp(prefix="ondrell-e2e-sound-"))
        self.addCleanup(shutil.rmtree, self.record_dir, True)
        settings = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT,
                               music_volume=MUSIC_VOLUME, voice_volume=VOICE_VOLUME)
        self.game = harness.Game(GAME_DIR, self.display, sys_files={"sys.dat": settings}, record_dir=self.record_dir)
        self.addCleanup(self.game.close)

    def voices(self):
        return gp.recordings(self.record_dir, gp.VOICE_RATE, gp.VOICE_CHANNELS)

    def wait_voice(self, index, clip):
        """Waits until the `index`-th voice recording holds as many sounding
        frames as `clip` (the clip has played to its end); returns them."""
        def probe():
            voices = self.voices()
            if len(voices) <= index:
                return False
            played = gp.sounding(gp.read_recording(voices[index], gp.VOICE_CHANNELS))
            return len(played) >= len(clip) and [played]
        return harness.wait_for(f"voice recording {index} to reach {len(clip)} frames", probe, interval=0.2)[0]

    def test_each_voice_plays_once_again_on_voice_and_the_music_loops(self):
        v001 = gp.sounding(gp.clip("VOICE/V001.wav", VOICE_VOLUME))
        v002 = gp.sounding(gp.clip("VOICE/V002.wav", VOICE_VOLUME))
        bgm01 = gp.sounding(gp.clip("BGM/BGM01.wav", MUSIC_VOLUME))

        gp.start_new_game(self.game)
        shot = gp.wait_text(self.game)
        self.wait_voice(0, v001)
        shot = gp.press_and_wait(self.game, lambda: self.game.click(*IN_TEXT), shot)
        self.wait_voice(1, v002)
        # "VOICE" on the finished message plays its voice again.
        gp.hover(self.game, gp.VOICE_BUTTON)
        self.game.click(*gp.centre(gp.VOICE_BUTTON))
        self.wait_voice(2, v002)
        # The music goes on past its end and starts again.
        def music_probe():
            first = gp.recordings(self.record_dir, gp.MUSIC_RATE, gp.MUSIC_CHANNELS)[0]
            played = gp.sounding(gp.read_recording(first, gp.MUSIC_CHANNELS))
            return len(played) > len(bgm01) + gp.MUSIC_RATE and [played]
        music = harness.wait_for("the music to loop", music_probe, interval=0.5)[0]

        # One recording per opened clip: voice 1, voice 2 and its replay,
        # each whole and once, scaled by the voice volume; a voice that has
        # ended does not start again.
        voices = self.voices()
        self.assertEqual(len(voices), 3, [p.name for p in voices])
        for path, clip in zip(voices, (v001, v002, v002)):
            played = gp.sounding(gp.read_recording(path, gp.VOICE_CHANNELS))
            self.assertEqual(len(played), len(clip), path.name)
            self.assertTrue(np.array_equal(played, clip), path.name)
        # The music: opened once, the clip scaled by the music volume, then
        # again from its first sample.
        self.assertEqual(len(gp.recordings(self.record_dir, gp.MUSIC_RATE, gp.MUSIC_CHANNELS)), 1)
        self.assertTrue(np.array_equal(music[:len(bgm01)], bgm01), "the first pass is not the scaled clip")
        passes = np.concatenate([bgm01] * (len(music) // len(bgm01) + 1))
        self.assertTrue(np.array_equal(music, passes[:len(music)]), "the music does not start over at its end")


if __name__ == "__main__":
    unittest.main()
