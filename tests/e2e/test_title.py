"""The game runs: the title screen, its buttons, the staff roll and the exit
question, driven by real X input under Xvfb."""

import os
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402
import pictures  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))


class TitleScreen(unittest.TestCase):
    def setUp(self):
        self.display = harness.Display()
        self.game = harness.Game(GAME_DIR, self.display)
        self.addCleanup(self.display.close)
        self.addCleanup(self.game.close)

    def test_window_is_the_800_by_600_client_area(self):
        _, _, width, height = self.game.geometry()
        self.assertEqual((width, height), (800, 600))

    def test_title_fades_in_over_the_title_background(self):
        shot = self.game.wait_still()
        haikei, title, mask = pictures.load("HAIKEI1"), pictures.load("TITLE"), pictures.load("TITLE_BASE_MASK")
        # Away from the buttons: the title's own picture where its mask is
        # white, the background where it is black.
        buttons = (515, 310, 800, 560)
        for want_white in (True, False):
            x, y = pictures.find_point(mask, want_white, (0, 0, 500, 540))
            self.assertFalse(buttons[0] <= x < buttons[2] and buttons[1] <= y < buttons[3])
            expected = pictures.masked_pixel(haikei.getpixel((x, y)), title, mask, x, y)
            self.assertTrue(harness.near(shot.getpixel((x, y)), expected), (x, y, shot.getpixel((x, y)), expected))

    def test_hovering_a_title_button_shows_its_cover_look(self):
        self.game.wait_still()
        cover, cover_mask = pictures.load("TITLE_COVER"), pictures.load("TITLE_COVER_MASK")
        normal = pictures.load("TITLE_START")
        cx, cy = pictures.find_point(cover_mask, True)
        # A point where the cover differs from the normal look.
        self.assertNotEqual(cover.getpixel((cx, cy)), normal.getpixel((cx, cy)))
        x, y = 515 + cx, 310 + cy
        width, height = cover.size
        self.game.move(515 + width // 2, 310 + height // 2)
        self.game.wait_pixel(x, y, cover.getpixel((cx, cy)))
        # Leaving the button brings the normal look back.
        self.game.move(100, 200)
        self.game.wait_pixel(x, y, normal.getpixel((cx, cy)))

    def test_staff_button_shows_the_staff_roll_and_a_click_returns(self):
        self.game.wait_still()
        staff = pictures.load("STAFF")
        width, height = pictures.size("TITLE_STAFF")
        self.game.move(width // 2, 550 + height // 2)
        self.game.click(width // 2, 550 + height // 2)
        # The staff roll is the background "STAFF" alone.
        self.game.wait_pixel(400, 300, staff.getpixel((400, 300)))
        self.game.wait_pixel(20, 20, staff.getpixel((20, 20)))
        self.game.wait_still()
        self.game.click(400, 300)
        title, mask, haikei = pictures.load("TITLE"), pictures.load("TITLE_BASE_MASK"), pictures.load("HAIKEI1")
        x, y = pictures.find_point(mask, True, (0, 0, 500, 540))
        self.game.wait_pixel(x, y, pictures.masked_pixel(haikei.getpixel((x, y)), title, mask, x, y))

    def test_close_box_asks_no_keeps_running_yes_ends_with_status_0(self):
        self.game.wait_still()
        self.game.close_box()
        box = harness.wait_for("the exit question", lambda: self.game.find_window("終了確認"))
        self.game.key("n", window=box)
        harness.wait_for("the question to close", lambda: not self.game.find_window("終了確認"))
        self.assertIsNone(self.game.process.poll())
        # Still alive: hovering still changes the screen.
        self.game.wait_still()
        self.game.close_box()
        box = harness.wait_for("the exit question again", lambda: self.game.find_window("終了確認"))
        self.game.key("Return", window=box)  # Yes is the default button
        self.assertEqual(self.game.wait_exit(), 0)

    def test_exit_button_asks_the_same_question(self):
        self.game.wait_still()
        width, height = pictures.size("TITLE_EXIT")
        self.game.move(515 + width // 2, 510 + height // 2)
        self.game.click(515 + width // 2, 510 + height // 2)
        box = harness.wait_for("the exit question", lambda: self.game.find_window("終了確認"))
        self.game.key("Return", window=box)
        self.assertEqual(self.game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
