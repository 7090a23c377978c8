# The release, end to end: an author's game whose pictures and music come as
# PNG and Ogg Vorbis (a character with transparency and no mask file of its
# own, a background, the music) is released with
# `./play --game DIR --release OUT.zip`. The zip is unpacked into a long path
# with spaces and Japanese characters, and the game is started by its full
# path from another working folder: it shows the character cut out by the
# mask its PNG made, and keeps its save in its own SYS folder.

import shutil
import subprocess
import unittest
import zipfile

import gameplay as gp
import harness

NAME = "僕のゲーム"
SCRIPT = "@BGM[1][./BGM/theme.ogg]\n@SCENE[1][HAIKEI1]\n@CHARACTER[1][l][CHAR1_2]\n@MESSAGE[NONE][はじまり]\n"


class Release(gp.GameTest):
    def author_folder(self):
        folder = self.scratch / NAME
        img = folder / "IMG"
        shutil.copytree(gp.IMG, img)
        (img / "script.scr.utf8").write_text(SCRIPT, encoding="utf-8")
        (img / "Dictionary.dic.utf8").write_bytes(b"// no terms\n")
        # ImageMagick writes the background as PNG; the characters that share
        # CHAR1_MASK become RGBA PNGs whose alpha is that mask, and the mask
        # file goes.
        subprocess.run(["/usr/bin/convert", str(img / "HAIKEI1.bmp"), str(img / "HAIKEI1.png")], check=True)
        mask = gp.load("CHAR1_MASK").convert("L")
        for n in range(1, 6):
            picture = gp.load(f"CHAR1_{n}")
            picture.putalpha(mask)
            picture.save(img / f"CHAR1_{n}.png")
            (img / f"CHAR1_{n}.bmp").unlink()
        for stem in ("HAIKEI1", "CHAR1_MASK"):
            (img / f"{stem}.bmp").unlink()
        (folder / "BGM").mkdir()
        subprocess.run(["sox", str(gp.SOUND_SRC / "BGM" / "BGM01.wav"), str(folder / "BGM" / "theme.ogg")], check=True)
        return folder

    def test_the_zip_plays_from_a_long_japanese_path_started_elsewhere(self):
        release = self.scratch / "release.zip"
        result = subprocess.run([str(harness.ROOT / "play"), "--game", str(self.author_folder()), "--release",
                                 str(release)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        output = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, output)
        self.assertIn("Converted 6 PNG pictures and 1 mask made from transparency.", output)
        with zipfile.ZipFile(release) as archive:
            # The music is stored as the author's Ogg, byte for byte; the game decodes it.
            ogg = (self.scratch / NAME / "BGM" / "theme.ogg").read_bytes()
            self.assertIn(ogg, archive.read(f"{NAME}/DATA/SOUND.dat"))
            self.assertEqual(sorted(archive.namelist()), [
                f"{NAME}/", f"{NAME}/DATA/", f"{NAME}/DATA/IMG.dat", f"{NAME}/DATA/SOUND.dat", f"{NAME}/README.txt",
                f"{NAME}/SYS/", f"{NAME}/ondrell.exe"])
            readme = archive.read(f"{NAME}/README.txt").decode("utf-8-sig")
            self.assertIn("SYS", readme)
            self.assertIn("ondrell.exe", readme)
            # Well past MAX_PATH (260) once the files inside are counted.
            place = self.scratch / "My Games ゲーム置き場"
            for _ in range(6):
                place /= "とても長いフォルダの名前 with spaces 0123456789"
            archive.extractall(place)
        game_dir = place / NAME
        self.assertGreater(len(str(game_dir / "DATA" / "SOUND.dat")), 260)
        elsewhere = self.scratch / "elsewhere"
        elsewhere.mkdir()

        instant = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)
        game = harness.Game(game_dir, self.display, {"sys.dat": instant}, working_dir=elsewhere)
        self.addCleanup(game.close)
        gp.start_new_game(game)
        shot = gp.wait_text(game, what="the first message")
        # The character at the left: the picture inside its mask, the
        # background around it.
        background, picture, mask = gp.load("HAIKEI1"), gp.load("CHAR1_2"), gp.load("CHAR1_MASK")
        for want_white in (True, False):
            points = list(gp.mask_points(mask, want_white, (0, 0, mask.width, 360), step=11))[:40]
            self.assertTrue(points)
            for x, y in points:
                expected = gp.masked_pixel(background.getpixel((x, y)), picture, mask, x, y)
                self.assertTrue(harness.near(shot.getpixel((x, y)), expected), (x, y, shot.getpixel((x, y))))

        # A save lands in the game's own SYS folder, nothing in the working one.
        menu = gp.open_menu(game)
        game.press(gp.MENU_SAVE)
        saves = gp.changes(game, menu, what="the save screen")
        game.press(gp.FRAME1)
        save = game_dir / "SYS" / "save0.dat"
        harness.wait_for("save0.dat", lambda: save.is_file() and save.stat().st_size == gp.SAVE_SIZE)
        self.assertEqual(list(elsewhere.iterdir()), [])
        game.wait_still()
        game.click(*gp.SAVE_RETURN)
        gp.changes(game, saves, what="the menu again")
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
