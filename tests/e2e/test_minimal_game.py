# A game from a folder that holds only its author's files, as the README's
# recipe starts it: a script with one glossary term, the glossary, one
# background and one character (PNG, the character with transparency), the
# music as Ogg Vorbis and one voice as WAV, with no game.ini, and two files
# the story never names. Every interface picture comes from the tools'
# default set. The folder checks and releases; the zip holds only what the
# story uses; unpacked, the title names the game after its folder over the
# default title picture, and the first message shows the background, the
# character cut out by its transparency, the voice and the music, recorded
# through ALSA and compared sample for sample with the decoded Ogg.

import os
import subprocess
import unittest
import wave
import zipfile
from pathlib import Path

import numpy as np
from PIL import Image

import gameplay as gp
import harness

NAME = "はじめての本"  # the folder, and so the game's title
INTERFACE = harness.ROOT / "build/content/interface/IMG"
ROOM = (150, 110, 60)
AKI = (230, 60, 90)
AKI_SIZE, AKI_SHOWN = (300, 500), (40, 60, 260, 360)  # the picture, and its opaque part: left, top, right, bottom
MUSIC_VOLUME, VOICE_VOLUME = 200, 160
SCRIPT = """これは注釈の行: @ で始まらない行は読まれない。
@BGM[1][./BGM/theme.ogg]
@SCENE[1][ROOM]
@CHARACTER[1][l][AKI]
@VOICE[./VOICE/hello.wav]
@MESSAGE[アキ][ようこそ、メモリの話へ。]
@MESSAGE[NONE][おわり。]
"""
GLOSSARY = "@ITEM\ntitle{メモリ},\nreading{めもり},\nenglish{Memory},\ngloss{データを覚えておく部品。},\n}\n"
TITLE_BUTTONS = [(515, y, 765, y + 40) for y in (310, 360, 410, 460, 510)] + [(0, 550, 250, 590)]


def wav(path, seconds, rate, channels, step):
    frames = (np.sin(np.arange(int(seconds * rate)) * step) * 6000).astype("<i2")
    with wave.open(str(path), "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(np.repeat(frames, channels).tobytes())


# The interleaved samples the game plays for an Ogg clip: decoded as the game
# decodes it (decode_clip.exe, the game's own decoder), scaled by `volume` as
# gp.clip scales a WAV clip, silent frames left out.
def decoded(ogg, volume, scratch):
    raw = scratch / "decoded.raw"
    result = subprocess.run([str(harness.ROOT / "tools/setup/wine-run"), os.environ["ONDRELL_DECODE_CLIP"],
                             "Z:" + str(ogg).replace("/", "\\"), "Z:" + str(raw).replace("/", "\\")],
                            env=dict(os.environ, ONDRELL_WINEPREFIX=os.environ["ONDRELL_E2E_PREFIX"]),
                            capture_output=True, text=True)
    assert result.returncode == 0, result
    rate, channels, frames = map(int, result.stdout.split())
    assert (rate, channels) == (gp.MUSIC_RATE, 2) and frames > 0, result.stdout
    samples = np.frombuffer(raw.read_bytes(), dtype="<i2").reshape(-1, channels)
    scaled = (samples.astype(np.float32) * (np.float32(volume) / np.float32(255))).astype(np.int32).astype(np.int16)
    return scaled[scaled.any(axis=1)]


class MinimalGame(gp.GameTest):
    def author_folder(self):
        folder = self.scratch / NAME
        img = folder / "IMG"
        img.mkdir(parents=True)
        (img / "script.scr.utf8").write_text(SCRIPT, encoding="utf-8")
        (img / "Dictionary.dic.utf8").write_text(GLOSSARY, encoding="utf-8")
        Image.new("RGB", (800, 600), ROOM).save(img / "ROOM.png")
        aki = Image.new("RGBA", AKI_SIZE, (0, 0, 0, 0))
        aki.paste(AKI + (255,), AKI_SHOWN)
        aki.save(img / "AKI.png")
        Image.new("RGB", (800, 600), (1, 2, 3)).save(img / "SPARE.png")  # named by no command
        (folder / "BGM").mkdir()
        wav(self.scratch / "theme.wav", 1.5, gp.MUSIC_RATE, 2, 0.03)
        subprocess.run(["sox", str(self.scratch / "theme.wav"), str(folder / "BGM" / "theme.ogg")], check=True)
        (folder / "VOICE").mkdir()
        wav(folder / "VOICE" / "hello.wav", 0.8, gp.VOICE_RATE, 1, 0.07)
        wav(folder / "VOICE" / "unused.wav", 0.5, gp.VOICE_RATE, 1, 0.05)  # named by no command
        return folder

    def test_a_folder_of_its_authors_files_alone_checks_releases_and_plays(self):
        folder = self.author_folder()
        release = self.scratch / "release.zip"
        result = subprocess.run([str(harness.ROOT / "play"), "--game", str(folder), "--release", str(release)],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        output = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, output)
        self.assertNotIn("error", output.lower())
        self.assertIn("Left out 2 files the game does not use: IMG/SPARE.png, VOICE/unused.wav", output)

        with zipfile.ZipFile(release) as archive:
            archive.extractall(self.scratch / "unpacked")
        game_dir = self.scratch / "unpacked" / NAME
        listing = lambda dat: subprocess.run([str(harness.ROOT / "build/host/tools/pack/ondrell-pack"), "list",
                                              str(game_dir / "DATA" / dat)], capture_output=True, text=True,
                                             check=True).stdout
        sounds = [line.split("\t")[1] for line in listing("SOUND.dat").splitlines()]
        self.assertEqual(sorted(sounds), ["./BGM/theme.ogg", "./VOICE/hello.wav"])  # none of the demo's
        pictures = listing("IMG.dat")
        self.assertIn("./IMG/AKI_MASK.bmp", pictures)
        for absent in ("./IMG/SPARE.bmp", "./IMG/HAIKEI1.bmp", "./IMG/CHAR1_1.bmp", "./IMG/SLIDE_1.bmp"):
            self.assertNotIn(absent, pictures)

        settings = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT, music_volume=MUSIC_VOLUME,
                               voice_volume=VOICE_VOLUME)
        self.start({"sys.dat": settings}, record=True, game_dir=game_dir)
        game = self.game
        # The title: the default picture, the game's name drawn over its upper
        # part, centred, and nothing of the demo's title anywhere.
        default_title = np.asarray(Image.open(INTERFACE / "TITLE.bmp").convert("RGB"), dtype=np.int16)
        demo_title = np.asarray(gp.load("TITLE"), dtype=np.int16)

        def named_title(shot):
            pixels = np.asarray(shot.convert("RGB"), dtype=np.int16)
            changed = np.abs(pixels - default_title).max(axis=2) > 24
            for left, top, right, bottom in TITLE_BUTTONS:
                changed[top:bottom, left:right] = False
            ys, xs = np.nonzero(changed)
            return (len(xs) > 400 and ys.max() < 300 and abs(xs.min() + xs.max() - 800) <= 40
                    and np.abs(pixels - demo_title).max(axis=2).mean() > 20)
        harness.wait_for("the title named after the folder", lambda: named_title(game.screenshot()))

        game.wait_still()
        gp.press_until(game, lambda: game.press(gp.TITLE_START),
                       lambda shot: harness.near(shot.getpixel((500, 200)), ROOM), "the title to give way to the room")
        shot = gp.wait_text(game, what="the first message")
        self.assertTrue(harness.near(shot.getpixel((150, 200)), AKI))  # the character's opaque part
        self.assertTrue(harness.near(shot.getpixel((20, 30)), ROOM))  # its transparent corner

        with wave.open(str(folder / "VOICE" / "hello.wav")) as w:
            frames = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").reshape(-1, 1)
        voice = (frames.astype(np.float32) * (np.float32(VOICE_VOLUME) / np.float32(255))).astype(
            np.int32).astype(np.int16)
        voice = voice[voice.any(axis=1)]
        harness.wait_for("the voice played whole", lambda: gp.recordings(self.scratch, gp.VOICE_RATE) and len(
            gp.played(gp.recordings(self.scratch, gp.VOICE_RATE)[0])) >= len(voice), interval=0.2)
        self.assertTrue(np.array_equal(gp.played(gp.recordings(self.scratch, gp.VOICE_RATE)[0])[:len(voice)], voice))

        music = decoded(folder / "BGM" / "theme.ogg", MUSIC_VOLUME, self.scratch)
        harness.wait_for("two passes of the music", lambda: gp.recordings(self.scratch, gp.MUSIC_RATE) and len(
            gp.played(gp.recordings(self.scratch, gp.MUSIC_RATE)[0])) >= 2 * len(music), interval=0.2)
        self.assertTrue(gp.looping(gp.played(gp.recordings(self.scratch, gp.MUSIC_RATE)[0]), music))

        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
