# The release, end to end: an author's game whose pictures and music come as
# PNG and Ogg Vorbis (a character with transparency and no mask file of its
# own, a background, the music) is released with
# `./play --game DIR --release OUT.zip`. The zip is unpacked into a long path
# with spaces and Japanese characters, and the game is started by its full
# path from another working folder: it shows the character cut out by the
# mask its PNG made, and keeps its save in its own SYS folder.
# The demo released with `./play --release OUT.zip`: its music and voices
# are stored as Ogg Vorbis, the scenario names them so, the checker finds no
# fault in the unpacked data, and the first message's voice plays.

import re
import shutil
import subprocess
import unittest
import wave
import zipfile

import numpy as np

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
        # Only what the story shows is converted: the background and CHAR1_2
        # of the five characters that share CHAR1_MASK; the rest is left out,
        # the choice buttons too: this story asks nothing.
        self.assertIn("Converted 2 PNG pictures and 1 mask made from transparency.", output)
        self.assertIn("Left out 33 files the game does not use: IMG/CHAR1_1.png, IMG/CHAR1_3.png,", output)
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


class DemoRelease(gp.GameTest):
    def test_the_demo_is_released_with_ogg_clips_that_play(self):
        release = self.scratch / "demo.zip"
        result = subprocess.run([str(harness.ROOT / "play"), "--release", str(release)], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        output = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, output)
        with zipfile.ZipFile(release) as archive:
            self.assertEqual(sorted(archive.namelist()), [
                "ondrell/", "ondrell/DATA/", "ondrell/DATA/IMG.dat", "ondrell/DATA/SOUND.dat", "ondrell/README.txt",
                "ondrell/SYS/", "ondrell/ondrell.exe"])
            archive.extractall(self.scratch)
        game_dir = self.scratch / "ondrell"
        data = game_dir / "DATA"
        host = harness.ROOT / "build/host/tools"

        # Every clip of the sound archive is an Ogg Vorbis stream, one for each
        # WAV clip the demo generates.
        listing = subprocess.run([str(host / "pack/ondrell-pack"), "list", str(data / "SOUND.dat")],
                                 stdout=subprocess.PIPE, check=True, text=True).stdout
        clips = sorted(line.split("\t", 1)[1] for line in listing.splitlines())
        wav_clips = sorted(f"./{p.relative_to(gp.SOUND_SRC).with_suffix('.ogg').as_posix()}"
                           for p in gp.SOUND_SRC.glob("*/*.wav"))
        self.assertEqual(clips, wav_clips)
        unpacked = self.scratch / "unpacked"
        subprocess.run([str(host / "pack/ondrell-pack"), "extract", str(data / "SOUND.dat"), str(unpacked)],
                       stdout=subprocess.DEVNULL, check=True)
        for name in clips:
            self.assertEqual((unpacked / name[2:]).read_bytes()[:4], b"OggS", name)

        # The scenario names those clips and no WAV: every sound command of the
        # released script, as the game reads it, is one of them.
        script = subprocess.run([str(host / "check/ondrell-check"), "--dump-script", str(data / "IMG.dat")],
                                stdout=subprocess.PIPE, check=True, text=True).stdout
        named = set(re.findall(r"\./(?:BGM|VOICE)/[^\t\n\]]+", script))
        self.assertTrue(named)
        self.assertEqual(sorted(n for n in named if not n.endswith(".ogg")), [])
        self.assertTrue(named <= set(clips), sorted(named - set(clips)))
        self.assertIn("./VOICE/V001.ogg", named)

        # The checker reads the released data as the game does (decoding each
        # Ogg clip) and finds no fault.
        check = subprocess.run([str(host / "check/ondrell-check"), str(data / "IMG.dat"), str(data / "SOUND.dat")],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertNotIn(": error:", check.stdout)
        self.assertLess(check.returncode, 2, check.stdout)

        # The released game plays the first message's voice, decoded from its
        # Ogg clip. The encoding is lossy, so the recording is compared with
        # the demo's WAV voice by loudness, 20 ms at a time: the two follow
        # each other, at the best of every shift between them.
        volume = 128
        game = self.start({"sys.dat": gp.settings(voice_volume=volume, draw_speed=gp.INSTANT)}, record=True,
                          game_dir=game_dir)
        gp.start_new_game(game)
        with wave.open(str(gp.SOUND_SRC / "VOICE" / "V001.wav")) as clip:
            samples = np.frombuffer(clip.readframes(clip.getnframes()), dtype="<i2")
        voice = loudness(samples)

        def first_voice():
            files = gp.recordings(self.scratch, gp.VOICE_RATE)
            frames = gp.played(files[0]) if files else []
            return len(frames) >= np.count_nonzero(samples) * 9 // 10 and (files[0],)

        (path,) = harness.wait_for("the first voice to play", first_voice, interval=0.2)
        recorded = loudness(np.frombuffer(path.read_bytes(), dtype="<i2"))
        self.assertGreater(follows(recorded, voice), 0.9)


WINDOW = gp.VOICE_RATE // 50  # frames of mono voice in 20 ms


# The root mean square of each 20 ms of mono samples, silence trimmed from
# both ends.
def loudness(samples):
    samples = np.asarray(samples, dtype=np.float64).reshape(-1)
    sounding = np.flatnonzero(samples)
    samples = samples[sounding[0]:sounding[-1] + 1] if len(sounding) else samples[:0]
    windows = samples[:len(samples) // WINDOW * WINDOW].reshape(-1, WINDOW)
    return np.sqrt((windows**2).mean(axis=1))


# How closely `recorded` follows `clip` (both loudness series): the best
# correlation of the clip with the part of the recording it overlaps, over
# shifts of up to half a second.
def follows(recorded, clip):
    best = -1.0
    for shift in range(-25, 26):
        a = clip[max(0, -shift):]
        b = recorded[max(0, shift):]
        length = min(len(a), len(b))
        if length >= len(clip) // 2:
            best = max(best, np.corrcoef(a[:length], b[:length])[0, 1])
    return best

if __name__ == "__main__":
    unittest.main()
