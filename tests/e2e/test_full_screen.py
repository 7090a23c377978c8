# Full screen on a 1920 x 1080 display, driven by real X input under Xvfb:
# the configuration screen switches to full screen and back, stores each
# choice, and the window comes back at the place it had; a stored full-screen
# setting is in force from the start, the 4:3 picture centred between black
# bars and clicks mapped back to the picture.

import struct
import unittest

import gameplay as gp
import harness

SCALE = 1920 / 1066  # screen pixels per picture pixel
OFFSET_X = 133       # where the picture lies in the 1066-wide back buffer


def to_screen(point):
    return int((point[0] + OFFSET_X) * SCALE), int(point[1] * SCALE)


class FullScreen(gp.GameTest):
    display_size = (1920, 1080)

    # Waits for the window of a mode and for the mode in sys.dat.
    def wait_mode(self, full_screen):
        size = (1920, 1080) if full_screen else (800, 600)
        harness.wait_for(f"the mode {full_screen}", lambda: self.game.geometry()[2:] == size and struct.unpack_from(
            "<I", self.sys_dat())[0] == full_screen)
        return self.game.wait_still()

    def test_full_screen_and_back_then_stored_full_screen(self):
        # From a window to full screen and back, which comes back at its
        # place. (Each Apply is the last click of its mode: after a switch
        # the pointer may lie outside the window.)
        game = self.start({"sys.dat": gp.settings(draw_speed=gp.INSTANT)})
        title = game.wait_still()
        place = game.geometry()[:2]
        config = gp.changes(game, title, what="the configuration screen", press=lambda: game.press(gp.TITLE_CONFIG))
        gp.changes(game, config, what="full screen chosen", press=lambda: game.press(gp.FULL_SCREEN))
        gp.press_until(game, lambda: game.press(gp.APPLY), lambda _: game.geometry()[2:] == (1920, 1080), "full screen")
        config = self.wait_mode(1)
        gp.changes(game, config, (0, 0, 1920, 1080), "the window chosen", press=lambda: game.press(to_screen(gp.WINDOWED)))
        gp.press_until(game, lambda: game.press(to_screen(gp.APPLY)), lambda _: game.geometry()[2:] == (800, 600),
                       "the window")
        self.wait_mode(0)
        harness.wait_for("the window at its place", lambda: game.geometry()[:2] == place)

        # A stored full-screen setting is in force from the start.
        game.close()
        game = self.start({"sys.dat": gp.settings(draw_speed=gp.INSTANT, full_screen=1)})
        shot = self.wait_mode(1)
        for x in (0, 100, 235, 1685, 1919):
            self.assertEqual(shot.getpixel((x, 540)), (0, 0, 0), x)
        # Inside the picture: the title over its background, scaled.
        point, expected, _ = gp.title_points()[1]
        sx, sy = to_screen(point)
        self.assertTrue(harness.near(shot.getpixel((sx + 1, sy + 1)), expected, 16))
        # The staff button, clicked on the screen, opens the staff roll; a
        # click returns to the title.
        staff = gp.load("STAFF").getpixel((400, 300))
        gp.press_until(game, lambda: game.press(to_screen(gp.TITLE_STAFF)), lambda s: harness.near(
            s.getpixel(to_screen((400, 300))), staff, 16), "the staff roll")
        game.wait_still()
        gp.press_until(game, lambda: game.click(*to_screen((400, 300))), lambda s: harness.near(
            s.getpixel((sx + 1, sy + 1)), expected, 16), "the title")


if __name__ == "__main__":
    unittest.main()
