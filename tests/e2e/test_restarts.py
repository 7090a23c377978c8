# What one run leaves in ./SYS is what the next one starts from, driven by
# real X input under Xvfb: settings applied in the configuration screen (the
# music slider heard at once on the recorded music, the transparency slider
# seen on the message window) and a save made just before the game was killed
# in the middle of saving again. The next run loads that save, shows the same
# message through the same transparent window, and stores the defaults on
# Initialize then OK.

import os
import random
import struct
import time
import unittest

import numpy as np

import gameplay as gp
import harness

BAR_LEFT, BAR_WIDTH, MUSIC_BAR_Y, ALPHA_BAR_Y = gp.BAR_LEFT, gp.BAR_WIDTH, gp.MUSIC_BAR_Y, gp.ALPHA_BAR_Y
WINDOW_POINT = (765, 565)  # inside the message window, right of its text and below its buttons


class Restarts(gp.GameTest):
    # musicVolume, voiceVolume and windowAlpha of ./SYS/sys.dat.
    def stored(self):
        return struct.unpack_from("<3B", self.sys_dat(), 12)

    # Button down on a slider's knob, moved while held until the knob shows
    # where the pointer is (moves in the frame after the press are not
    # taken), released.
    def drag(self, from_x, to_x, y):
        game, step = self.game, [0]
        game.move(from_x, y)
        before = game.screenshot()
        game.x("xdotool", "mousedown", "1")
        at = min(to_x, BAR_LEFT + BAR_WIDTH - 7)

        def moved():
            step[0] += 1
            game.x("xdotool", "mousemove", "--window", game.window, str(to_x + step[0] % 2), str(y))
            return gp.max_difference(game.screenshot(), before, (at - 6, y - 12, at + 6, y + 12)) > 8
        harness.wait_for("the knob to follow the drag", moved)
        game.x("xdotool", "mousemove", "--window", game.window, str(to_x), str(y), "mouseup", "1")
        game.wait_still()

    def configuration(self):
        menu = gp.open_menu(self.game)
        return gp.changes(self.game, menu, what="the configuration screen", press=lambda: self.game.press(gp.MENU_CONFIG))

    def test_settings_and_a_save_outlive_a_killed_run(self):
        game = self.start({"sys.dat": gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)}, record=True)
        gp.start_new_game(game)
        gp.wait_text(game)
        # The music slider dragged from its knob to a quarter of its bar, the
        # transparency slider past its right end, then Apply. The volume comes
        # from the last pointer position the drag took: the quarter point, or
        # the pixel beside it that the drag passed.
        self.configuration()
        quarter = BAR_LEFT + BAR_WIDTH // 4
        self.drag(BAR_LEFT + BAR_WIDTH * 128 // 255, quarter, MUSIC_BAR_Y)
        self.drag(BAR_LEFT + BAR_WIDTH * 59 // 255, BAR_LEFT + BAR_WIDTH + 20, ALPHA_BAR_Y)
        game.wait_still()
        gp.press_until(game, lambda: game.press(gp.APPLY), lambda _: self.stored()[2] != 59, "Apply")
        at_quarter = int(np.float32(quarter - BAR_LEFT) / np.float32(BAR_WIDTH) * np.float32(255))
        stored = harness.wait_for("the applied settings in sys.dat", lambda: self.stored()[2] != 59 and self.stored())
        self.assertTrue(abs(stored[0] - at_quarter) <= 1 and stored[1:] == (128, 255), (stored, at_quarter))
        # The music goes on in the same opening, at the new volume: its last
        # frames lie in the clip scaled by it, whole frames apart.
        music = gp.recordings(self.scratch, gp.MUSIC_RATE)
        self.assertEqual(len(music), 1)
        looped = np.concatenate([gp.clip("BGM/BGM01.wav", stored[0])] * 2).tobytes()
        harness.wait_for("the music at the new volume", lambda: (lambda tail: len(tail) == 2048 and looped.find(
            tail.tobytes()) % 4 == 0)(gp.played(music[0])[-2048:]), interval=0.5)

        # OK leaves to the menu, the right button to the game: the message
        # window is now wholly transparent.
        config = game.wait_still()
        menu = gp.changes(game, config, gp.SLIDER_END, "the menu", press=lambda: game.press(gp.OK))
        gp.changes(game, menu, what="the game", press=lambda: game.click(*gp.ASIDE, 3))
        game.wait_pixel(*WINDOW_POINT, gp.load("HAIKEI1").getpixel(WINDOW_POINT))
        transparent = game.wait_still()

        # A save into frame 1, then saves as fast as the frame takes clicks,
        # killed at a moment chosen by chance: the first save must survive.
        save = game.dir / "SYS" / "save0.dat"
        menu = gp.open_menu(game)
        gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
        gp.press_until(game, lambda: game.press(gp.FRAME1), lambda _: save.exists() and save.stat().st_size == gp.SAVE_SIZE,
                       "save0.dat")
        deadline = time.monotonic() + random.Random(os.environ.get("ONDRELL_SEED", "saves")).uniform(0.5, 2.5)
        while time.monotonic() < deadline:
            game.click_in_place()
        game.kill()
        data = save.read_bytes()
        self.assertEqual(len(data), gp.SAVE_SIZE)
        date, caption = gp.save_texts(data)
        self.assertRegex(date, r"^\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{1,2}$")
        self.assertTrue(caption)

        # The next run starts from all that the killed one left in ./SYS: its
        # load screen offers frame 1, which shows the saved message through
        # the transparent window.
        game = self.start({p.name: p.read_bytes() for p in save.parent.iterdir() if p.is_file()})
        title = game.wait_still()
        gp.changes(game, title, what="the load screen", press=lambda: game.press(gp.TITLE_LOAD))
        gp.press_until(game, lambda: game.press(gp.FRAME1), lambda s: gp.max_difference(
            s, transparent, gp.WINDOW_AREA) <= 8, "the saved message through the transparent window")
        self.assertEqual(self.stored(), stored)
        # Initialize then OK stores the defaults.
        config = self.configuration()
        gp.changes(game, config, what="the options at their defaults", press=lambda: game.press(gp.INITIALIZE))
        gp.press_until(game, lambda: game.press(gp.OK), lambda _: self.sys_dat() == gp.settings(),
                       "the defaults in sys.dat")


if __name__ == "__main__":
    unittest.main()
