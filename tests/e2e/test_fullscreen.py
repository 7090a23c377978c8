"""A stored full-screen setting takes effect before the first frame: on a
1920 x 1080 screen the 4:3 picture is centred between black bars and clicks
are mapped back to the picture."""

import os
import struct
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import harness  # noqa: E402
import pictures  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))

# sys.dat: screen mode, music on, voice on (32-bit each), music volume, voice
# volume, window transparency, one alignment byte, then the message, auto and
# draw speeds (32-bit each). 28 bytes.
FULL_SCREEN_SETTINGS = struct.pack("<III4BIII", 1, 1, 1, 128, 128, 59, 0, 0, 0, 0)
SCALE = 1920 / 1066  # screen pixels per picture pixel
OFFSET_X = 133       # where the picture lies in the 1066-wide back buffer


def to_screen(x, y):
    return int((x + OFFSET_X) * SCALE), int(y * SCALE)


class FullScreen(unittest.TestCase):
    def setUp(self):
        self.assertEqual(len(FULL_SCREEN_SETTINGS), 28)
        self.display = harness.Display(1920, 1080)
        self.game = harness.Game(GAME_DIR, self.display, sys_files={"sys.dat": FULL_SCREEN_SETTINGS})
        self.addCleanup(self.display.close)
        self.addCleanup(self.game.close)

    def test_picture_is_centred_between_black_bars(self):
        harness.wait_for("the full-screen window", lambda: self.game.geometry()[2:] == (1920, 1080))
        shot = self.game.wait_still()
        self.assertEqual(shot.size, (1920, 1080))
        for x in (0, 100, 235, 1685, 1919):
            self.assertEqual(shot.getpixel((x, 540)), (0, 0, 0), x)
        # Inside the picture: the title over its background, scaled.
        haikei, title, mask = pictures.load("HAIKEI1"), pictures.load("TITLE"), pictures.load("TITLE_BASE_MASK")
        x, y = pictures.find_point(mask, False, (0, 0, 500, 540))
        expected = pictures.masked_pixel(haikei.getpixel((x, y)), title, mask, x, y)
        sx, sy = to_screen(x, y)
        self.assertTrue(harness.near(shot.getpixel((sx + 1, sy + 1)), expected, 16))

    def test_clicks_are_mapped_to_the_picture(self):
        harness.wait_for("the full-screen window", lambda: self.game.geometry()[2:] == (1920, 1080))
        self.game.wait_still()
        width, height = pictures.size("TITLE_STAFF")
        sx, sy = to_screen(width // 2, 550 + height // 2)
        self.game.move(sx, sy)
        self.game.click(sx, sy)
        staff = pictures.load("STAFF")
        px, py = to_screen(400, 300)
        self.game.wait_pixel(px, py, staff.getpixel((400, 300)), tolerance=16)


if __name__ == "__main__":
    unittest.main()
