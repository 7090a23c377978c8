# Slider drags on the configuration screen opened from the game, with music
# that ends and loops every 1.5 s: a slow drag follows the pointer to its end
# however many times the music loops meanwhile, and a drag whose mouse
# capture is lost (a box disables the window) ends there, so later plain
# moves only hover.

import struct
import time
import unittest

import numpy as np

import gameplay as gp
import harness

SCRIPT = "@BGM[1][./BGM/SHORT.wav]\n@SCENE[1][HAIKEI1]\n@MESSAGE[NONE][みじかい曲がくりかえし鳴る。]\n"


class Sliders(gp.GameTest):
    def knob_area(self, x):
        return (x - 8, gp.MUSIC_BAR_Y - 12, x + 8, gp.MUSIC_BAR_Y + 12)

    def configuration(self, game):
        menu = gp.open_menu(game)
        return gp.changes(game, menu, what="the configuration screen", press=lambda: game.press(gp.MENU_CONFIG))

    def test_a_drag_ends_only_with_the_release_or_the_lost_capture(self):
        game_dir = gp.author_game(self.scratch, SCRIPT, {"BGM/SHORT.wav": gp.tone(1.5)})
        # Recorded, so that the music plays (and ends) on a device.
        game = self.start({"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)}, record=True,
                          game_dir=game_dir)
        gp.start_new_game(game)
        gp.wait_text(game)
        config = self.configuration(game)

        # From the knob (volume 128) to a fifth of the bar in 30 steps over
        # 4.5 s, the button held throughout: the music ends and loops three
        # times meanwhile. The last steps go back and forth over the end
        # point, so that the moves the frame after the press drops do not
        # matter.
        start = gp.BAR_LEFT + gp.BAR_WIDTH * 128 // 255
        end = gp.BAR_LEFT + gp.BAR_WIDTH // 5
        game.move(start, gp.MUSIC_BAR_Y)
        game.x("xdotool", "mousedown", "1")
        for step in range(1, 31):
            game.move(start + (end - start) * step // 30, gp.MUSIC_BAR_Y)
            time.sleep(0.15)
        for x in (end + 1, end):
            game.move(x, gp.MUSIC_BAR_Y)
        game.x("xdotool", "mouseup", "1")
        gp.changes(game, config, self.knob_area(end), "the knob at the end of the drag")
        game.wait_still()
        gp.press_until(game, lambda: game.press(gp.APPLY),
                       lambda _: struct.unpack_from("<B", self.sys_dat(), 12)[0] != 128, "the applied volume")
        at_end = int(np.float32(end - gp.BAR_LEFT) / np.float32(gp.BAR_WIDTH) * np.float32(255))
        self.assertLessEqual(abs(struct.unpack_from("<B", self.sys_dat(), 12)[0] - at_end), 1)

        # A press on the knob and a move, then the exit question: its box
        # disables the window, which loses the capture. The button comes up
        # while the box is open (the disabled window hears nothing of it) and
        # the question is answered No.
        game.wait_still()
        game.move(end, gp.MUSIC_BAR_Y)
        game.x("xdotool", "mousedown", "1")
        game.move(end + 6, gp.MUSIC_BAR_Y)
        game.key("alt+F4")
        box = game.exit_question()
        game.x("xdotool", "mouseup", "1")
        game.key("n", window=box)
        harness.wait_for("the exit question to close", lambda: not game.find_window("終了確認"))
        # Plain moves along the bar, then onto the OK button: its hover look
        # shows that the moves were handled; the knob stays where the drag
        # left it.
        held = game.wait_still()
        knob = (end - 8, gp.MUSIC_BAR_Y - 12, gp.BAR_LEFT + gp.BAR_WIDTH, gp.MUSIC_BAR_Y + 12)
        ok_button = (gp.OK[0] - 20, gp.OK[1] - 5, gp.OK[0] + 20, gp.OK[1] + 5)
        for x in range(end, gp.BAR_LEFT + gp.BAR_WIDTH - 10, 20):
            game.move(x, gp.MUSIC_BAR_Y)
        game.move(*gp.OK)
        shot = harness.wait_for("the moves to be handled", lambda: (lambda s: (gp.max_difference(
            s, held, ok_button) > 8 or gp.max_difference(s, held, knob) > 8) and s)(game.screenshot()))
        self.assertLessEqual(gp.max_difference(shot, held, knob), 8, "plain moves went on dragging")

if __name__ == "__main__":
    unittest.main()
