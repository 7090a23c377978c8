# A game with its own name and face, end to end: the author's folder holds
# game.ini (a Japanese title, the program's name "hoshi", a version; UTF-8
# with a byte-order mark and CR LF) and icon.png beside IMG/. Laid out the
# way `./play --game DIR` does it, the folder's program is hoshi.exe, the
# engine rewritten by the packer: started under Wine, its window is
# captioned with the title, and the icons the window shows (the ones Wine
# hands the X server for title bars and task bars) and the ones Explorer
# extracts from the file are the author's picture. Released with
# `./play --game DIR --release OUT.zip`, the zip holds hoshi/hoshi.exe with
# that icon.

import io
import os
import subprocess
import unittest
import zipfile

from PIL import Image

import gameplay as gp
import harness

TITLE = "星の図書館"
INI = ("\ufeff; the game's own name and face\r\n[game]\r\ntitle = " + TITLE +
       "\r\nexe = hoshi\r\nversion = 1.0\r\n").encode("utf-8")
SCRIPT = "@BGM[1][./BGM/BGM01.wav]\n@SCENE[1][HAIKEI1]\n@MESSAGE[NONE][はじまり]\n"
PROBE = os.environ.get("ONDRELL_ICON_PROBE", str(harness.ROOT / "build/win/tests/e2e/icon_probe.exe"))

# The icon: four quadrants, red and green opaque at the top, blue at half
# transparency bottom left, nothing bottom right. Scaled to any size Windows
# asks for, the inside of each quadrant keeps its colour.
QUADRANTS = ((220, 30, 40, 255), (20, 200, 60, 255), (30, 60, 230, 128), (0, 0, 0, 0))


def icon_png():
    image = Image.new("RGBA", (64, 64))
    for q, colour in enumerate(QUADRANTS):
        x, y = 32 * (q % 2), 32 * (q // 2)
        image.paste(colour, (x, y, x + 32, y + 32))
    out = io.BytesIO()
    image.save(out, "PNG")
    return out.getvalue()


def over(colour, background=(255, 255, 255)):
    *rgb, alpha = colour
    return tuple(round((c * alpha + b * (255 - alpha)) / 255) for c, b in zip(rgb, background))


# Checks an icon of `size` pixels, `pixel(x, y)` its colour drawn over
# `background`: a point inside each quadrant, a quarter of the size from its
# edges.
def check_quadrants(test, size, pixel, what, background=(255, 255, 255)):
    test.assertGreaterEqual(size, 16, what)
    for q, colour in enumerate(QUADRANTS):
        x, y = (size // 4, size * 3 // 4)[q % 2], (size // 4, size * 3 // 4)[q // 2]
        test.assertTrue(harness.near(pixel(x, y), over(colour, background), 3),
                        f"{what} ({size} px), quadrant {q} at ({x}, {y}): {pixel(x, y)}, not {over(colour, background)}")


# The program's icons as Explorer extracts them (icon_probe): {name: (size,
# rows of (r, g, b))}, None for "none".
def probe(env, path):
    result = subprocess.run([harness.WINE, PROBE, windows_path(path)], env=env, capture_output=True, timeout=60)
    assert result.returncode == 0, result.stderr.decode("utf-8", "replace")
    icons, lines = {}, result.stdout.decode().splitlines()
    while lines:
        name, size = lines.pop(0).split()
        if size == "none":
            icons[name] = None
            continue
        rows = [[tuple(bytes.fromhex(p)) for p in lines.pop(0).split()] for _ in range(int(size))]
        icons[name] = (int(size), rows)
    return icons


# The icons the window gives the X server for task bars and window lists
# (_NET_WM_ICON: for each size its width, height and ARGB pixels, top row
# first), {size: pixels}.
def net_wm_icons(game):
    text = game.x("xprop", "-id", game.window, "-notype", "32c", "_NET_WM_ICON")
    values = [int(v) for v in text.split("=", 1)[1].replace(",", " ").split()] if "=" in text else []
    icons = {}
    while len(values) >= 2:
        width, height = values[0], values[1]
        icons[width] = values[2:2 + width * height]
        values = values[2 + width * height:]
    return icons


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")


class GameIni(gp.GameTest):
    def author_game(self):
        return gp.author_game(self.scratch, SCRIPT, {"game.ini": INI, "icon.png": icon_png()})

    def test_the_window_and_the_program_carry_the_title_and_the_icon(self):
        game_dir = self.author_game()
        self.assertEqual(sorted(p.name for p in game_dir.iterdir() if p.is_file()), ["hoshi.exe"])

        # The caption is the title: the harness finds the window by it.
        game = harness.Game(game_dir, self.display, {"sys.dat": gp.settings(draw_speed=gp.INSTANT)}, title=TITLE)
        self.addCleanup(game.close)
        self.assertEqual(game.program, "hoshi.exe")
        self.assertIsNone(game.find_window(harness.DEFAULT_CAPTION))
        game.wait_still()

        # The window class's icons, as the game's own process hands them to
        # the X server for title bars and task bars: the large one and the
        # small one, each the author's picture.
        icons = net_wm_icons(game)
        self.assertEqual(sorted(icons), [16, 32])
        for size, argb in icons.items():
            def pixel(x, y, argb=argb, size=size):
                value = argb[y * size + x]
                return over((value >> 16 & 255, value >> 8 & 255, value & 255, value >> 24 & 255))
            check_quadrants(self, size, pixel, "_NET_WM_ICON")

        # Explorer's view of the file: the large and the small icon.
        extracted = probe(game.env, game.dir / "hoshi.exe")
        for name in ("large", "small"):
            size, rows = extracted[name]
            check_quadrants(self, size, lambda x, y: rows[y][x], f"the file's {name} icon")

        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)

    def test_the_release_is_named_after_the_program_and_carries_its_icon(self):
        sources = self.scratch / "mygame"
        self.author_game()
        release = self.scratch / "release.zip"
        result = subprocess.run([str(harness.ROOT / "play"), "--game", str(sources), "--release", str(release)],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        output = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, output)
        unpacked = self.scratch / "unpacked"
        with zipfile.ZipFile(release) as archive:
            self.assertEqual(sorted(archive.namelist()), [
                "hoshi/", "hoshi/DATA/", "hoshi/DATA/IMG.dat", "hoshi/DATA/SOUND.dat", "hoshi/README.txt",
                "hoshi/SYS/", "hoshi/hoshi.exe"])
            readme = archive.read("hoshi/README.txt").decode("utf-8-sig")
            self.assertIn("hoshi.exe", readme)
            self.assertNotIn("ondrell.exe", readme)
            archive.extractall(unpacked)
        # It plays from where it was unpacked, under its title, and Explorer
        # shows the author's icon for it.
        game = harness.Game(unpacked / "hoshi", self.display, title=TITLE, working_dir=self.scratch)
        self.addCleanup(game.close)
        game.wait_still()
        extracted = probe(game.env, unpacked / "hoshi" / "hoshi.exe")
        for name in ("large", "small"):
            size, rows = extracted[name]
            check_quadrants(self, size, lambda x, y: rows[y][x], f"the released file's {name} icon")
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
