"""The configuration screen, driven by real X input under Xvfb: opened from
the title and the menu; Initialize then Cancel changes nothing; a slider
dragged and applied changes the music from the sample reached and the
message window's transparency, both kept in ./SYS/sys.dat over a restart;
Initialize then OK stores the defaults; full screen and back."""

import os
import shutil
import struct
import sys
import tempfile
import unittest
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import gameplay as gp  # noqa: E402
import harness  # noqa: E402
import pictures  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))
ASIDE = (100, 200)
ORIGIN = (25, 25)  # the panel's corner: every button and slider offset starts here


def centre_of(stem, left, top):
    width, height = pictures.size(stem)
    return left + width // 2, top + height // 2


def on_panel(stem, offset):
    return centre_of(stem, ORIGIN[0] + offset[0], ORIGIN[1] + offset[1])


TITLE_CONFIG = centre_of("TITLE_CONFIG", 515, 460)
MENU_CONFIG = centre_of("MENU_CONFIG", 275, 350)
INITIALIZE = on_panel("CONFIG_INITIALIZE", (91, 493))
OK = on_panel("CONFIG_OK", (254, 493))
CANCEL = on_panel("CONFIG_CANCEL", (417, 493))
APPLY = on_panel("CONFIG_APPLY", (580, 493))
FULLSCREEN = on_panel("CONFIG_FULLSCREEN", (495, 93))
WINDOWED = on_panel("CONFIG_WINDOW", (305, 93))
BAR_LEFT = ORIGIN[0] + 425
BAR_WIDTH = pictures.size("CONFIG_VOLUME")[0]
MUSIC_BAR_Y = ORIGIN[1] + 155 + 12
ALPHA_BAR_Y = ORIGIN[1] + 265 + 12
# Inside the message window, right of its text and below its buttons.
WINDOW_POINT = (765, 565)


def record(data):
    """musicVolume, voiceVolume and windowAlpha of a sys.dat image."""
    return struct.unpack_from("<3B", data, 12)


class Config(unittest.TestCase):
    def start(self, sys_files, record_dir=None, width=1024, height=768):
        self.display = harness.Display(width, height)
        self.game = harness.Game(GAME_DIR, self.display, sys_files=sys_files, record_dir=record_dir)
        self.cleanups = [self.game.close, self.display.close]

    def tearDown(self):
        for cleanup in getattr(self, "cleanups", []):
            cleanup()

    def press(self, point, button=1):
        self.game.move(*point)
        self.game.click(point[0], point[1], button)

    def drag(self, from_x, to_x, y):
        """Button down on a slider's knob, moved while held until the slider
        shows the move (moves in the frame after the press are not taken),
        released."""
        win = self.game.window
        self.game.move(from_x, y)
        before = self.game.screenshot()
        self.game._x("xdotool", "mousedown", "1")
        bar = (BAR_LEFT - 10, y - 12, BAR_LEFT + BAR_WIDTH + 10, y + 12)
        step = [0]

        def moved():
            step[0] += 1
            self.game._x("xdotool", "mousemove", "--window", win, str(to_x + step[0] % 2), str(y))
            return gp.max_difference(self.game.screenshot(), before, bar) > 8
        harness.wait_for("the knob to follow the drag", moved, interval=0.1)
        self.game._x("xdotool", "mousemove", "--window", win, str(to_x), str(y), "mouseup", "1")
        self.game.wait_still()

    def changes(self, before, box=(0, 0, 800, 600), what="the screen to change"):
        harness.wait_for(what, lambda: gp.max_difference(self.game.screenshot(), before, box) > 8, interval=0.05)
        return self.game.wait_still()

    def sys_dat(self):
        return (Path(self.game.dir) / "SYS" / "sys.dat").read_bytes()

    def test_sliders_apply_exactly_and_survive_a_restart(self):
        record_dir = Path(tempfile.mkdtemp(prefix="ondrell-e2e-sound-"))
        self.addCleanup(shutil.rmtree, record_dir, True)
        start = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)
        self.start({"sys.dat": start}, record_dir)

        # From the title: Initialize, then Cancel: the settings stay as they
        # were, on screen and in the file.
        title = self.game.wait_still()
        self.press(TITLE_CONFIG)
        config = self.changes(title, what="the configuration screen")
        self.press(INITIALIZE)
        self.changes(config, what="the options at their defaults")
        self.press(CANCEL)
        harness.wait_for("the title", lambda: gp.title_is_shown(self.game.screenshot()))
        self.assertEqual(self.sys_dat(), start)

        # In the game, from the menu: the music slider dragged from its knob
        # to a quarter of its bar, the transparency slider past its right
        # end, then Apply.
        gp.start_new_game(self.game)
        gp.wait_text(self.game)
        game_shot = self.game.wait_still()
        self.game.click(ASIDE[0], ASIDE[1], 3)
        menu = self.changes(game_shot, what="the menu")
        self.press(MENU_CONFIG)
        self.changes(menu, what="the configuration screen")
        knob = BAR_LEFT + BAR_WIDTH * 128 // 255
        quarter = BAR_LEFT + BAR_WIDTH // 4
        self.drag(knob, quarter, MUSIC_BAR_Y)
        alpha_knob = BAR_LEFT + BAR_WIDTH * 59 // 255
        self.drag(alpha_knob, BAR_LEFT + BAR_WIDTH + 20, ALPHA_BAR_Y)
        self.press(APPLY)
        # The value comes from the last pointer position the drag took:
        # the quarter point, or the pixel beside it that the drag passed.
        at_quarter = int(np.float32(quarter - BAR_LEFT) / np.float32(BAR_WIDTH) * np.float32(255))
        def applied():
            music, voice, alpha = record(self.sys_dat())
            return abs(music - at_quarter) <= 1 and (voice, alpha) == (128, 255)
        harness.wait_for("the applied settings in sys.dat", applied)
        expected_volume = record(self.sys_dat())[0]

        # The music goes on from the sample it had reached, at the new volume.
        music = gp.recordings(record_dir, gp.MUSIC_RATE, gp.MUSIC_CHANNELS)[-1]
        clip = gp.sounding(gp.clip("BGM/BGM01.wav", expected_volume))
        looped = np.concatenate([clip, clip])
        harness.wait_for("music after the change", lambda: len(gp.sounding(
            gp.read_recording(music, gp.MUSIC_CHANNELS))) > 44100 * 2)
        tail = gp.sounding(gp.read_recording(music, gp.MUSIC_CHANNELS))[-2048:]
        found = looped.tobytes().find(tail.tobytes())
        self.assertGreaterEqual(found, 0, "the music is not the clip at the new volume")
        self.assertEqual(found % 4, 0)

        # OK leaves to the menu, the right button to the game: the message
        # window is now wholly transparent.
        self.press(OK)
        self.game.click(ASIDE[0], ASIDE[1], 3)
        background = pictures.load("HAIKEI1").getpixel(WINDOW_POINT)
        self.game.wait_pixel(*WINDOW_POINT, background)

        # A new run reads them back.
        files = {"sys.dat": self.sys_dat()}
        self.tearDown()
        self.cleanups = []
        self.start(files)
        gp.start_new_game(self.game)
        gp.wait_text(self.game)
        self.game.wait_pixel(*WINDOW_POINT, background)
        self.assertEqual(record(self.sys_dat()), (expected_volume, 128, 255))

        # Initialize then OK stores the defaults.
        game_shot = self.game.wait_still()
        self.game.click(ASIDE[0], ASIDE[1], 3)
        menu = self.changes(game_shot, what="the menu")
        self.press(MENU_CONFIG)
        config = self.changes(menu, what="the configuration screen")
        self.press(INITIALIZE)
        self.changes(config, what="the options at their defaults")
        self.press(OK)
        harness.wait_for("the defaults in sys.dat", lambda: self.sys_dat() == gp.settings())

    def test_full_screen_and_back(self):
        self.start({"sys.dat": gp.settings(draw_speed=gp.INSTANT)}, width=1920, height=1080)
        title = self.game.wait_still()
        x0, y0, _, _ = self.game.geometry()
        self.press(TITLE_CONFIG)
        self.changes(title, what="the configuration screen")
        self.press(FULLSCREEN)
        self.press(APPLY)
        harness.wait_for("the full-screen window", lambda: self.game.geometry()[2:] == (1920, 1080))
        self.assertEqual(struct.unpack_from("<I", self.sys_dat(), 0)[0], 1)

        # The picture is 1066 x 600 virtual pixels wide, centred: canvas
        # points are taken to the screen to click.
        scale = 1920 / 1066

        def screen(point):
            return int((point[0] + 133) * scale), int(point[1] * scale)
        self.game.wait_still()
        self.press(screen(WINDOWED))
        self.press(screen(APPLY))
        harness.wait_for("the window again", lambda: self.game.geometry()[2:] == (800, 600))
        harness.wait_for("the window at its place", lambda: self.game.geometry()[:2] == (x0, y0))
        self.assertEqual(struct.unpack_from("<I", self.sys_dat(), 0)[0], 0)


if __name__ == "__main__":
    unittest.main()
