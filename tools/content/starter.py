#!/usr/bin/env python3
"""Writes the starter game of the authors' kit: a small complete game's
sources, laid out as "Making a game" in the README teaches, for an author to
change into their own.

    python3 tools/content/starter.py OUTDIR

OUTDIR (made afresh) receives:
    game.ini                  title, program name and version
    icon.png                  the program's icon, 64 x 64 with transparency
    IMG/script.scr.utf8       six messages, one naming the glossary's term
    IMG/Dictionary.dic.utf8   one term
    IMG/ROOM.png, IMG/SKY.png two backgrounds, 800 x 600
    IMG/AKI.png               a character with transparency (the packer
                              makes its mask)
    BGM/theme.ogg             music: Ogg Vorbis (oggenc, a fixed serial)
    VOICE/hello.wav           a voice: 16-bit mono WAV
Every picture and sound is drawn or synthesised here, so the same script
gives the same files on every run. Needs python3-pil, python3-numpy and
oggenc (vorbis-tools).
"""

import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageDraw

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wavio import encode_wav  # noqa: E402

WIDTH, HEIGHT = 800, 600
MUSIC_RATE, VOICE_RATE = 22050, 22050
OGG_SERIAL = 20240517  # oggenc's stream serial, fixed so the bytes are too

GAME_INI = """; このゲームの名前と顔 / the game's name and face
[game]
title = はじめてのゲーム
exe = hajimete
version = 1.0
"""

# Line numbers matter: the README's `--line` examples and the kit's test
# start at line 9 (message 4, the sky with Aki).
SCRIPT = """// はじめてのゲーム: この台本を書きかえて保存すると、遊んでいるゲームがすぐ変わります。
@BGM[1][./BGM/theme.ogg]
@SCENE[1][ROOM]
@MESSAGE[NONE][ここは小さな部屋。あなたのゲームは、ここから始まります。]
@CHARACTER[1][l][AKI]
@VOICE[./VOICE/hello.wav]
@MESSAGE[アキ][こんにちは。わたしはアキ。]
@MESSAGE[アキ][絵はIMG、音楽はBGM、声はVOICEのフォルダにあります。]
@SCENE[1][SKY]
@MESSAGE[アキ][外に出てみましょう。空がきれい。]
@MESSAGE[アキ][この話はすべて、ひとつの台本に書かれています。]
@MESSAGE[NONE][おしまい。台本を書きかえて、あなたの物語を始めてください。]
"""

DICTIONARY = """// 用語集: 台本の文に出てくる言葉を説明します。
@ITEM
title{台本},
reading{だいほん},
english{Script},
gloss{物語の流れを書いたファイル。IMGフォルダのscript.scr.utf8です。},
}
"""


def gradient(top, bottom):
    t = np.linspace(0.0, 1.0, HEIGHT)[:, None, None]
    rows = np.asarray(top, dtype=np.float64) * (1 - t) + np.asarray(bottom, dtype=np.float64) * t
    return Image.fromarray(np.broadcast_to(rows, (HEIGHT, WIDTH, 3)).round().astype(np.uint8), "RGB")


def room():
    picture = gradient((200, 170, 130), (120, 90, 60))
    draw = ImageDraw.Draw(picture)
    draw.rectangle((0, 420, WIDTH, HEIGHT), fill=(110, 75, 45))  # the floor
    draw.rectangle((520, 80, 740, 300), fill=(150, 200, 235), outline=(90, 60, 40), width=12)  # a window
    draw.line((630, 80, 630, 300), fill=(90, 60, 40), width=8)
    return picture


def sky():
    picture = gradient((60, 120, 220), (170, 215, 250))
    draw = ImageDraw.Draw(picture)
    for x, y, r in ((150, 120, 40), (200, 110, 55), (250, 125, 38), (560, 200, 45), (610, 190, 60)):
        draw.ellipse((x - r, y - r // 2, x + r, y + r // 2), fill=(250, 250, 250))  # clouds
    draw.rectangle((0, 470, WIDTH, HEIGHT), fill=(70, 160, 80))  # a meadow
    return picture


def aki():
    picture = Image.new("RGBA", (300, 500), (0, 0, 0, 0))
    draw = ImageDraw.Draw(picture)
    draw.ellipse((95, 30, 205, 150), fill=(250, 220, 190, 255))  # face
    draw.pieslice((85, 20, 215, 140), 180, 360, fill=(80, 50, 40, 255))  # hair
    draw.ellipse((125, 80, 140, 95), fill=(40, 40, 60, 255))
    draw.ellipse((160, 80, 175, 95), fill=(40, 40, 60, 255))
    draw.polygon([(150, 150), (60, 480), (240, 480)], fill=(220, 70, 100, 255))  # dress
    return picture


def icon():
    picture = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
    draw = ImageDraw.Draw(picture)
    draw.ellipse((4, 4, 60, 60), fill=(60, 120, 220, 255))
    draw.polygon([(32, 12), (38, 28), (54, 28), (41, 38), (46, 54), (32, 44), (18, 54), (23, 38), (10, 28),
                  (26, 28)], fill=(250, 220, 60, 255))  # a star
    return picture


def theme():
    # Eight bars of a slow arpeggio, each note a decaying sine with a fifth.
    notes = [60, 64, 67, 72, 69, 65, 62, 67] * 2
    beat = int(MUSIC_RATE * 0.5)
    t = np.arange(beat) / MUSIC_RATE
    parts = []
    for note in notes:
        f = 440.0 * 2 ** ((note - 69) / 12)
        envelope = np.exp(-3.0 * t)
        parts.append(0.3 * envelope * (np.sin(2 * np.pi * f * t) + 0.4 * np.sin(2 * np.pi * 1.5 * f * t)))
    mono = np.concatenate(parts)
    return np.stack([mono, np.roll(mono, beat // 4)], axis=1)  # a little width


def voice():
    # A rising and falling "hello": a voiced tone gliding over 0.8 s.
    t = np.arange(int(VOICE_RATE * 0.8)) / VOICE_RATE
    pitch = 220 + 80 * np.sin(np.pi * t / t[-1])
    phase = 2 * np.pi * np.cumsum(pitch) / VOICE_RATE
    envelope = np.sin(np.pi * t / t[-1]) ** 0.5
    return 0.4 * envelope * (np.sin(phase) + 0.5 * np.sin(2 * phase) + 0.25 * np.sin(3 * phase))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: starter.py OUTDIR")
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    for folder in ("IMG", "BGM", "VOICE"):
        os.makedirs(os.path.join(out, folder))
    with open(os.path.join(out, "game.ini"), "w", encoding="utf-8", newline="\n") as f:
        f.write(GAME_INI)
    with open(os.path.join(out, "IMG", "script.scr.utf8"), "w", encoding="utf-8", newline="\n") as f:
        f.write(SCRIPT)
    with open(os.path.join(out, "IMG", "Dictionary.dic.utf8"), "w", encoding="utf-8", newline="\n") as f:
        f.write(DICTIONARY)
    room().save(os.path.join(out, "IMG", "ROOM.png"))
    sky().save(os.path.join(out, "IMG", "SKY.png"))
    aki().save(os.path.join(out, "IMG", "AKI.png"))
    icon().save(os.path.join(out, "icon.png"))
    with open(os.path.join(out, "VOICE", "hello.wav"), "wb") as f:
        f.write(encode_wav(voice(), VOICE_RATE))
    with tempfile.TemporaryDirectory() as scratch:
        wav = os.path.join(scratch, "theme.wav")
        with open(wav, "wb") as f:
            f.write(encode_wav(theme(), MUSIC_RATE))
        subprocess.run(["oggenc", "-Q", "-q", "3", "-s", str(OGG_SERIAL), "-o",
                        os.path.join(out, "BGM", "theme.ogg"), wav], check=True)


if __name__ == "__main__":
    main()
