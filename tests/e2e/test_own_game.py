# A game of the tests' own, not the demo's shape: its story pictures have
# names of their own (backgrounds from PNG and BMP, two characters from PNGs
# with transparency and no mask files, thirty slides), the demo's story
# pictures are gone, the scenario shows both characters at once and a
# message with a letter Shift_JIS lacks, and game.ini gives it a Japanese
# title and icon.png an icon. The window carries the title; each picture is
# seen where the scenario puts it, with the background showing through the
# characters' hidden pixels. (test_game_ini.py checks the icon and the
# release's program.)

import shutil
import subprocess
import unittest
from pathlib import Path

from PIL import Image

import gameplay as gp
import harness

TITLE = "星の図書館"
SKY, ROOM = (70, 130, 200), (150, 110, 60)
AKI, HARU = (230, 60, 90), (60, 200, 90)
SLIDES = 30
CHARACTER_SIZE = (300, 500)
VISIBLE = (40, 60, 260, 360)  # the part of each character's picture that shows: left, top, right, bottom
LEFT, RIGHT = 0, 445  # the standing places' left edges
SLIDE_AT, SLIDE_SIZE = (30, 30), (300, 200)


def slide_colour(k):  # thirty colours, each channel apart from the next slide's
    return (40 + 7 * k, 250 - 6 * k, (97 * k) % 256)


# The story's sources: the demo's screens (title, menus, buttons), none of
# its story pictures, and our own.
def own_game(work):
    sources = Path(work) / "owngame"
    shutil.copytree(gp.IMG, sources / "IMG")
    img = sources / "IMG"
    for pattern in ("HAIKEI*", "STAFF.bmp", "CHAR1_*", "CHAR2_*", "SLIDE_[0-9]*", "SLIDE_MASK.bmp"):
        for path in img.glob(pattern):
            path.unlink()
    shutil.copytree(gp.SOUND_SRC / "BGM", sources / "BGM")
    Image.new("RGB", (800, 600), SKY).save(img / "SKY.png")
    Image.new("RGB", (800, 600), ROOM).save(img / "ROOM.bmp")
    for name, colour in (("AKI", AKI), ("HARU", HARU)):
        # Hidden pixels black: the packer must store them white, or the
        # masked blend would darken the scene beneath.
        picture = Image.new("RGBA", CHARACTER_SIZE, (0, 0, 0, 0))
        picture.paste(Image.new("RGBA", (VISIBLE[2] - VISIBLE[0], VISIBLE[3] - VISIBLE[1]), colour + (255,)),
                      VISIBLE[:2])
        picture.save(img / f"{name}.png")
    for k in range(1, SLIDES + 1):
        # A transparent frame of 10 pixels round the card.
        slide = Image.new("RGBA", SLIDE_SIZE, (0, 0, 0, 0))
        slide.paste(Image.new("RGBA", (SLIDE_SIZE[0] - 20, SLIDE_SIZE[1] - 20), slide_colour(k) + (255,)), (10, 10))
        slide.save(img / f"CARD{k:02d}.png")
    (sources / "game.ini").write_text(f"[game]\ntitle = {TITLE}\nexe = hoshi\nversion = 1.0\n", encoding="utf-8")
    icon = Image.new("RGBA", (64, 64), (220, 30, 40, 255))
    icon.paste((20, 200, 60, 255), (16, 16, 48, 48))
    icon.save(sources / "icon.png")
    script = ["@BGM[1][./BGM/BGM01.wav]", "@SCENE[1][SKY]", "@CHARACTER[1][l][AKI]", "@CHARACTER[2][r][HARU]",
              "@MESSAGE[NONE][ふたり。]", "@SCENE[1][ROOM]", "@MESSAGE[NONE][へや。カフェ$café。]"]
    for k in range(1, SLIDES + 1):
        script += [f"@SLIDE[1][CARD{k:02d}]", f"@MESSAGE[NONE][カード{k}。]"]
    (img / "script.scr.utf8").write_text("\n".join(script) + "\n", encoding="utf-8")
    (img / "Dictionary.dic.utf8").write_bytes(b"// no terms\n")
    game = Path(work) / "game"
    result = subprocess.run([str(harness.ROOT / "tools/setup/make-game"), str(game), "--sources", str(sources)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    output = result.stdout.decode("utf-8", "replace")
    # The checker finds nothing to say but what it converted, and the packer
    # which of the demo's files the story leaves unused.
    assert result.returncode == 0 and all(line.startswith(("Converted ", "Left out ")) for line in
                                          output.splitlines()), output
    return game


class OwnGame(gp.GameTest):
    def test_own_pictures_by_name_and_two_characters_at_once(self):
        # The window is found by its caption, the title.
        game = harness.Game(own_game(self.scratch), self.display,
                            {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)}, title=TITLE)
        self.addCleanup(game.close)
        self.assertEqual(game.program, "hoshi.exe")
        game.wait_still()
        gp.press_until(game, lambda: game.press(gp.TITLE_START),
                       lambda shot: harness.near(shot.getpixel((350, 200)), SKY), "the title to give way to the sky")

        def seen(shot, background):
            inside = lambda left, dx, dy: shot.getpixel((left + dx, dy))
            return (harness.near(inside(LEFT, 150, 200), AKI) and harness.near(inside(RIGHT, 150, 200), HARU)
                    # Hidden pixels of both pictures, above and beside what shows.
                    and harness.near(inside(LEFT, 20, 30), background) and harness.near(inside(RIGHT, 280, 30), background)
                    and harness.near(inside(RIGHT, 150, 380 - 20), background)
                    # Between the two characters, and the first message below.
                    and harness.near(shot.getpixel((350, 200)), background))
        shot = gp.wait_text(game)
        harness.wait_for("both characters over the sky", lambda: seen(game.screenshot(), SKY))
        shot = gp.next_page(game, shot)
        harness.wait_for("both characters over the room", lambda: seen(game.screenshot(), ROOM))
        centre = (SLIDE_AT[0] + SLIDE_SIZE[0] // 2, SLIDE_AT[1] + SLIDE_SIZE[1] // 2)
        frame = (SLIDE_AT[0] + 5, SLIDE_AT[1] + 5)  # in the slide's transparent frame, over Aki
        for k in range(1, SLIDES + 1):
            shot = gp.next_page(game, shot)
            harness.wait_for(f"slide {k}", lambda: (lambda s: harness.near(s.getpixel(centre), slide_colour(
                k)) and harness.near(s.getpixel(frame), ROOM))(game.screenshot()))


if __name__ == "__main__":
    unittest.main()
