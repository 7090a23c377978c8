"""Saving and loading, driven by real X input under Xvfb: a save from the
menu into frame 8 writes ./SYS/save7.dat and shows in its frame; loading it
from the menu and from the title shows the saved message again with its
voice; empty slots cannot be loaded; a game killed while it saves leaves a
whole save behind."""

import os
import random
import shutil
import signal
import struct
import sys
import tempfile
import time
import unittest
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import gameplay as gp  # noqa: E402
import harness  # noqa: E402
import pictures  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))
SAVE_SIZE = 33472
ASIDE = (100, 200)


def centre_of(stem, left, top):
    width, height = pictures.size(stem)
    return left + width // 2, top + height // 2


TITLE_LOAD = centre_of("TITLE_LOAD", 515, 360)
MENU_SAVE = centre_of("MENU_SAVE", 275, 150)
MENU_LOAD = centre_of("MENU_LOAD", 275, 200)
MENU_TO_TITLE = centre_of("MENU_BACKTOTITLE", 275, 400)
FRAME1 = centre_of("SAVELOAD_FRAME_NORMAL", 40, 75)
FRAME8 = centre_of("SAVELOAD_FRAME_NORMAL", 404, 405)
RETURN = centre_of("SAVELOAD_RETURN", 655, 515)
THUMBNAIL8 = (404 + 6, 405 + 6, 404 + 6 + 120, 405 + 6 + 90)
PANEL = (25, 25, 775, 575)


def save_texts(data):
    """The date text and the caption of a save file image."""
    def text(offset):
        units = struct.unpack_from("<256H", data, offset)
        end = units.index(0) if 0 in units else 256
        return bytes(data[offset:offset + 2 * end]).decode("utf-16-le")
    return text(4), text(516)


class Saves(unittest.TestCase):
    def start(self, record=False, sys_files=None):
        self.display = harness.Display()
        self.addCleanup(self.display.close)
        self.record_dir = None
        if record:
            self.record_dir = Path(tempfile.mkdtemp(prefix="ondrell-e2e-sound-"))
            self.addCleanup(shutil.rmtree, self.record_dir, True)
        files = {"sys.dat": gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)}
        files.update(sys_files or {})
        self.game = harness.Game(GAME_DIR, self.display, sys_files=files, record_dir=self.record_dir)
        self.addCleanup(self.game.close)

    def press(self, point, button=1):
        """A button takes a click only under a hover the pointer made."""
        self.game.move(*point)
        self.game.click(point[0], point[1], button)

    def settled_change(self, before, box=(0, 0, 800, 600), what="the screen to change"):
        harness.wait_for(what, lambda: gp.max_difference(self.game.screenshot(), before, box) > 8, interval=0.05)
        return self.game.wait_still()

    def open_menu(self, shot):
        self.game.click(ASIDE[0], ASIDE[1], 3)
        return self.settled_change(shot, what="the menu")

    def voices(self):
        return gp.recordings(self.record_dir, gp.VOICE_RATE, gp.VOICE_CHANNELS)

    def test_save_in_frame_8_then_load_it_from_the_menu_and_from_the_title(self):
        self.start(record=True)
        save = Path(self.game.dir) / "SYS" / "save7.dat"

        # With no saves the load screen's frames cannot be pressed; the
        # return button goes back to the title.
        title = self.game.wait_still()
        self.press(TITLE_LOAD)
        load_screen = self.settled_change(title, what="the load screen")
        self.press(FRAME1)
        self.assertTrue(gp.stays(self.game, load_screen, 1.5, PANEL), "an empty slot reacted")
        self.press(RETURN)
        harness.wait_for("the title", lambda: gp.title_is_shown(self.game.screenshot()))

        # Message 3, saved into frame 8 from the menu.
        gp.start_new_game(self.game)
        shot = gp.wait_text(self.game)
        for _ in range(2):
            shot = gp.press_and_wait(self.game, lambda: self.game.key("Return"), shot)
        message3 = self.game.wait_still()
        menu = self.open_menu(message3)
        self.press(MENU_SAVE)
        save_screen = self.settled_change(menu, what="the save screen")
        self.press(FRAME8)
        harness.wait_for("save7.dat", lambda: save.exists() and save.stat().st_size == SAVE_SIZE)
        # The frame shows the thumbnail at once.
        self.settled_change(save_screen, THUMBNAIL8, "the thumbnail in frame 8")
        date, caption = save_texts(save.read_bytes())
        self.assertRegex(date, r"^\d{4}/[1-9]\d?/[1-9]\d? \d{1,2}:\d{1,2}$")
        self.assertTrue(caption, "the save holds no message")
        position = struct.unpack_from("<i", save.read_bytes(), 0)[0]
        self.assertGreater(position, 0)

        # The right button back to the menu and to the game, two messages
        # on, then the save loaded from the menu: message 3 again, voiced.
        self.game.click(ASIDE[0], ASIDE[1], 3)
        self.game.click(ASIDE[0], ASIDE[1], 3)
        shot = gp.wait_text(self.game)
        for _ in range(2):
            shot = gp.press_and_wait(self.game, lambda: self.game.key("Return"), shot)
        self.assertFalse(gp.same_text(shot, message3))
        voices_before_load = len(self.voices())
        menu = self.open_menu(self.game.wait_still())
        self.press(MENU_LOAD)
        self.settled_change(menu, what="the load screen")
        self.press(FRAME8)
        harness.wait_for("message 3 again", lambda: gp.same_text(self.game.screenshot(), message3), interval=0.1)
        voice3 = gp.sounding(gp.clip("VOICE/V003.wav", 128))
        harness.wait_for("the voice of message 3", lambda: len(self.voices()) > voices_before_load)
        harness.wait_for("the voice to sound", lambda: len(gp.sounding(gp.read_recording(
            self.voices()[-1], gp.VOICE_CHANNELS))) > 1000)
        played = gp.sounding(gp.read_recording(self.voices()[-1], gp.VOICE_CHANNELS))
        self.assertTrue(np.array_equal(played, voice3[:len(played)]), "the loaded message did not play its voice")

        # To the title and back through "つづきから".
        menu = self.open_menu(self.game.wait_still())
        self.press(MENU_TO_TITLE)
        harness.wait_for("the title", lambda: gp.title_is_shown(self.game.screenshot()))
        title = self.game.wait_still()
        self.press(TITLE_LOAD)
        self.settled_change(title, what="the load screen")
        self.press(FRAME8)
        harness.wait_for("message 3 from the title", lambda: gp.same_text(self.game.screenshot(), message3),
                         interval=0.1)

    def test_a_game_killed_while_saving_leaves_a_whole_save(self):
        # A first save, made by the game itself, is the one that must survive.
        self.start()
        save = Path(self.game.dir) / "SYS" / "save0.dat"
        gp.start_new_game(self.game)
        gp.wait_text(self.game)
        menu = self.open_menu(self.game.wait_still())
        self.press(MENU_SAVE)
        self.settled_change(menu, what="the save screen")
        self.press(FRAME1)
        harness.wait_for("save0.dat", lambda: save.exists() and save.stat().st_size == SAVE_SIZE)

        # Saves as fast as the frames take clicks, killed at a moment chosen
        # by chance.
        rng = random.Random(os.environ.get("ONDRELL_SEED", "saves"))
        deadline = time.monotonic() + rng.uniform(0.5, 2.5)
        while time.monotonic() < deadline:
            self.game.click_in_place()
        os.killpg(self.game.process.pid, signal.SIGKILL)
        self.game.process.wait(10)

        data = save.read_bytes()
        self.assertEqual(len(data), SAVE_SIZE)
        date, caption = save_texts(data)
        self.assertRegex(date, r"^\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{1,2}$")
        self.assertTrue(caption)
        # What a killed save left beside it does not stop the game: it
        # starts and its load screen offers frame 1.
        files = {p.name: p.read_bytes() for p in save.parent.iterdir() if p.is_file()}
        self.game.close()
        self.display.close()
        self.start(sys_files=files)
        title = self.game.wait_still()
        self.press(TITLE_LOAD)
        self.settled_change(title, what="the load screen")
        self.press(FRAME1)
        gp.wait_text(self.game, what="the saved message")


if __name__ == "__main__":
    unittest.main()
