# Playing the demo, for the end-to-end tests and the benchmark scripts:
# settings files, where the buttons lie,
# what the screen should show (computed from the demo's own BMP files), the
# lettering of the message window read from screenshots, steps that wait for
# the game to be ready, and the sound recordings.
#
# The message window is translucent, so what lies behind it shows through;
# its letters are drawn at full strength on top (white, or light grey in the
# backlog look), with antialiased edges. A pixel's smallest channel is what
# tells letters apart from the window: the window's own dark blue, even over
# a white picture, keeps its red channel near 100, while a letter pixel that
# is mostly covered is at 160 or more.

import functools
import os
import shutil
import struct
import subprocess
import tempfile
import time
import wave
from pathlib import Path

import numpy as np
from PIL import Image

import wine_display as harness

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))
IMG = Path(os.environ.get("ONDRELL_IMG_SRC", harness.ROOT / "build/content/img-src/IMG"))
SOUND_SRC = Path(os.environ.get("ONDRELL_SOUND_SRC", harness.ROOT / "build/content/sound-src"))

NORMAL, FAST, INSTANT = 0, 1, 2


# An author's game laid out the way `./play --game DIR` does it: the demo's
# pictures and music with `script` and an empty glossary (UTF-8), plus
# `files`, more files of the game's folder ({"BGM/NAME.wav": bytes,
# "game.ini": bytes}). The checker must find nothing to say. Returns the
# runnable folder.
def author_game(work, script, files=None):
    sources = Path(work) / "mygame"
    shutil.copytree(IMG, sources / "IMG")
    shutil.copytree(SOUND_SRC / "BGM", sources / "BGM")
    for name, data in (files or {}).items():
        (sources / name).parent.mkdir(parents=True, exist_ok=True)
        (sources / name).write_bytes(data)
    (sources / "IMG" / "script.scr.utf8").write_bytes(script.encode("utf-8"))
    (sources / "IMG" / "Dictionary.dic.utf8").write_bytes(b"// no terms\r\n")
    result = subprocess.run([str(harness.ROOT / "tools/setup/make-game"), str(Path(work) / "game"), "--sources",
                             str(sources)], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    # Nothing to say but which of the demo's files the story leaves unused.
    output = result.stdout.decode("utf-8", "replace")
    assert result.returncode == 0 and all(line.startswith("Left out ") for line in output.splitlines()), output
    return Path(work) / "game"


# A 16-bit PCM WAV file of `seconds` of a quiet tone.
def tone(seconds, rate=44100, channels=2):
    frames = (np.sin(np.arange(int(seconds * rate)) * 0.05) * 3000).astype("<i2")
    out = tempfile.SpooledTemporaryFile()
    with wave.open(out, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(np.repeat(frames, channels).tobytes())
    out.seek(0)
    return out.read()


# A sys.dat image (28 bytes): screen mode, music and voice on, the two
# volumes, window transparency 59, one alignment byte, then the message, auto
# and draw speeds.
def settings(message_speed=NORMAL, auto_speed=NORMAL, draw_speed=NORMAL, music_volume=128, voice_volume=128,
             full_screen=0):
    return struct.pack("<III4BIII", full_screen, 1, 1, music_volume, voice_volume, 59, 0,
                       message_speed, auto_speed, draw_speed)


def load(stem):
    with Image.open(IMG / f"{stem}.bmp") as image:
        return image.convert("RGB")


def size(stem):
    with Image.open(IMG / f"{stem}.bmp") as image:
        return image.size


# The masked blend at full opacity: the picture where the mask is white, what
# lies under it where the mask is black (OR with the mask, AND with the
# picture).
def masked_pixel(under, picture, mask, x, y):
    return tuple((u | m) & p for u, m, p in zip(under, mask.getpixel((x, y)), picture.getpixel((x, y))))


# Points whose 5 x 5 neighbourhood is all white (or all black) in the mask,
# so antialiasing and rounding cannot touch them.
def mask_points(mask, want_white, region=None, step=3):
    left, top, right, bottom = region or (0, 0, mask.width, mask.height)
    target = (255, 255, 255) if want_white else (0, 0, 0)
    for y in range(top + 2, bottom - 2, step):
        for x in range(left + 2, right - 2, step):
            if all(mask.getpixel((x + dx, y + dy)) == target for dx in range(-2, 3) for dy in range(-2, 3)):
                yield x, y


def centre_of(stem, left, top):
    width, height = size(stem)
    return left + width // 2, top + height // 2


def on_panel(stem, offset):  # a button of a panel whose corner lies at (25, 25)
    return centre_of(stem, 25 + offset[0], 25 + offset[1])


TITLE_START, TITLE_LOAD, TITLE_GLOSSARY, TITLE_CONFIG, TITLE_EXIT = (centre_of(stem, 515, top) for stem, top in (
    ("TITLE_START", 310), ("TITLE_LOAD", 360), ("TITLE_OMAKE", 410), ("TITLE_CONFIG", 460), ("TITLE_EXIT", 510)))
TITLE_STAFF = centre_of("TITLE_STAFF", 0, 550)
MENU_SAVE, MENU_LOAD, MENU_CONFIG, MENU_TO_TITLE = (centre_of(stem, 275, top) for stem, top in (
    ("MENU_SAVE", 150), ("MENU_LOAD", 200), ("MENU_CONFIG", 350), ("MENU_BACKTOTITLE", 400)))
FRAME1, FRAME8 = centre_of("SAVELOAD_FRAME_NORMAL", 40, 75), centre_of("SAVELOAD_FRAME_NORMAL", 404, 405)
SAVE_RETURN = centre_of("SAVELOAD_RETURN", 655, 515)
INITIALIZE, OK, CANCEL, APPLY = (on_panel("CONFIG_" + stem, (left, 493)) for stem, left in (
    ("INITIALIZE", 91), ("OK", 254), ("CANCEL", 417), ("APPLY", 580)))
WINDOWED, FULL_SCREEN = on_panel("CONFIG_WINDOW", (305, 93)), on_panel("CONFIG_FULLSCREEN", (495, 93))
MESSAGE_INSTANT = on_panel("CONFIG_INSTANT", (592, 333))
AUTO_INSTANT = on_panel("CONFIG_INSTANT", (592, 378))
# The sliders' bars: left end and width, and the middle of the music and
# transparency bars.
BAR_LEFT, BAR_WIDTH = 25 + 425, size("CONFIG_VOLUME")[0]
MUSIC_BAR_Y, ALPHA_BAR_Y = 25 + 155 + 12, 25 + 265 + 12

WINDOW_AREA = (25, 375, 775, 575)       # the message window
NAME_AREA = (46, 395, 154, 419)         # inside the name box
TEXT_AREA = (40, 430, 700, 570)         # the four lines of a page, left of the window's corner dots
VOICE_BUTTON, VOICE_AT = (649, 404, 711, 424), (680, 414)
AUTO_BUTTON, AUTO_AT = (717, 404, 757, 424), (737, 414)
SCREEN = (0, 0, 800, 600)
SLIDER_END = (580, 180, 730, 204)  # the music slider's right end: drawn on the configuration screen only
ASIDE = (100, 200)      # away from the message window and the menu panel
IN_TEXT = (400, 500)    # inside the message window, away from its buttons
LETTER = 160   # smallest channel of a mostly covered letter pixel
TOUCHED = 110  # smallest channel of a pixel that a letter touches at all
SAVE_SIZE = 33472


# The choice buttons: a column of CHOICE pictures, each over the middle of
# the canvas, the column centred in the height above the message window
# (ChoiceButtonRects in src/scene/choice_layout.h, whose figures these are).
CHOICE_AREA_BOTTOM, CHOICE_GAP = 390, 12
SCRIPT = harness.ROOT / "content/demo/script.scr.utf8"


# The rectangles (left, top, right, bottom, exclusive) of `count` buttons.
def choice_rects(count):
    width, height = size("CHOICE")
    column = count * height + (count - 1) * CHOICE_GAP
    top, left = max(0, (CHOICE_AREA_BOTTOM - column) // 2), max(0, (800 - width) // 2)
    return [(left, top + i * (height + CHOICE_GAP), left + width, top + i * (height + CHOICE_GAP) + height)
            for i in range(count)]


def choice_centre(index, count):
    left, top, right, bottom = choice_rects(count)[index]
    return (left + right) // 2, (top + bottom) // 2


# Whether `count` choice buttons show, each in its normal or its cover look:
# a point of each left end, inside the button but outside the room of its
# text (16 pixels from the edge), has the picture's colour.
def choices_shown(shot, count):
    looks = [load("CHOICE"), load("CHOICE_COVER")]
    return all(any(harness.near(shot.getpixel((left + 8, (top + bottom) // 2)), look.getpixel((8, look.height // 2)))
                   for look in looks) for left, top, _, bottom in choice_rects(count))


# The demo's choice sets in story order, read from its scenario: for each,
# the number of the message it follows (messages counted from 1 in the
# order of the file, which is also the voices' order: message n speaks
# VOICE/Vnnn.wav) and its choices as (text, number of the first message
# after the choice's label). The demo's right answers lead to labels ending
# in "_RIGHT"; the index of that choice comes last.
@functools.lru_cache(maxsize=None)
def quiz():
    lines = [line.strip() for line in SCRIPT.read_text("utf-8").splitlines()]
    messages, label_message, sets = 0, {}, []
    pending_labels = []
    for line in lines:
        if line.startswith("@MESSAGE"):
            messages += 1
            for label in pending_labels:
                label_message[label] = messages
            pending_labels = []
        elif line.startswith("@LABEL["):
            pending_labels.append(line[len("@LABEL["):line.index("]")])
        elif line.startswith("@CHOICE["):
            text, label = line[len("@CHOICE["):-1].split("][")
            if not sets or sets[-1][2]:
                sets.append((messages, [], False))
            sets[-1][1].append((text.replace("$", " "), label))
            continue
        if sets and not sets[-1][2]:
            sets[-1] = (sets[-1][0], sets[-1][1], True)  # the set is complete
    return [(asked, [(text, label_message[label]) for text, label in choices],
             next(i for i, (_, label) in enumerate(choices) if label.endswith("_RIGHT")))
            for asked, choices, _ in sets]


# Picks choice `index` of `count` shown in `shot`, by a click on its button
# or by its number key, and returns the next message once it is shown (see
# next_page).
def answer(game, shot, index, count, by_key=False):
    def pick():
        if by_key:
            game.key(str(index + 1))
        else:
            game.press(choice_centre(index, count))
    return next_page(game, shot, press=pick, probe=lambda s: not choices_shown(s, count) and has_lettering(
        s) and text_key(s) != text_key(shot) and s)


def array(shot, area):
    left, top, right, bottom = area
    return np.asarray(shot, dtype=np.int16)[top:bottom, left:right]


# Which of the pictures `names` the area of the screenshot shows, exactly;
# None for anything else (the title, a screen over the story, a fade).
def shown_background(shot, names, area):
    for name in names:
        if max_difference(shot, load(name), area) <= 8:
            return name
    return None


# One past the rightmost column of the message's letters.
def text_width(shot):
    columns = np.nonzero((array(shot, TEXT_AREA).min(axis=2) >= LETTER).any(axis=0))[0]
    return int(columns.max()) + 1 if len(columns) else 0


def area_key(shot, area=WINDOW_AREA):
    return array(shot, area).tobytes()


def max_difference(a, b, area=SCREEN):
    return int(np.abs(array(a, area) - array(b, area)).max())


# The smallest channel of every pixel of the name and the text.
def levels(shot):
    return np.concatenate([array(shot, NAME_AREA).min(axis=2).ravel(), array(shot, TEXT_AREA).min(axis=2).ravel()])


def lettering(shot):  # where letters are, over the name and the text
    return levels(shot) >= LETTER


def has_lettering(shot):
    return int(lettering(shot).sum()) > 20


def text_key(shot):  # bytes that change whenever the name or the text changes
    return lettering(shot).tobytes()


# How bright the letters are drawn: 255 in play, about 205 in the backlog
# look (the brightest letter pixels, ignoring a few outliers).
def lettering_brightness(shot):
    values = levels(shot)
    return int(np.percentile(values[values >= LETTER], 99))


# Whether two screenshots show the same name and text, whatever lies behind
# the window and whichever colour the letters have: every mostly covered
# letter pixel of one is touched by a letter in the other, both ways (up to
# `slack` of them).
def same_text(a, b, slack=0.01):
    la, lb = levels(a), levels(b)
    core_a, core_b = la >= LETTER, lb >= LETTER
    if core_a.sum() < 20 or core_b.sum() < 20:
        return False
    missing_in_b = np.count_nonzero(core_a & (lb < TOUCHED))
    missing_in_a = np.count_nonzero(core_b & (la < TOUCHED))
    return missing_in_b <= slack * core_a.sum() and missing_in_a <= slack * core_b.sum()


# Two points of the title screen away from its buttons and above the message
# window, with the colour the title gives them and that of the background
# "HAIKEI1": one where the title picture covers the background (where the two
# differ most, so that a title still fading is taken for neither), one where
# its mask lets the background show.
@functools.lru_cache(maxsize=None)
def title_points():
    haikei, title, mask = load("HAIKEI1"), load("TITLE"), load("TITLE_BASE_MASK")
    covered = max(mask_points(mask, True, (0, 0, 500, 370), 7),
                  key=lambda p: max(abs(a - b) for a, b in zip(title.getpixel(p), haikei.getpixel(p))))
    open_ = next(mask_points(mask, False, (0, 0, 500, 370)))
    return [(p, masked_pixel(haikei.getpixel(p), title, mask, *p), haikei.getpixel(p)) for p in (covered, open_)]


def title_is_shown(shot):
    return all(harness.near(shot.getpixel(p), on_title) for p, on_title, _ in title_points())


# Waits until `area` differs from the screenshot `before`, then for a still
# screen, which it returns.
# With `press`, it is made first, and again if it changed nothing (see
# press_until).
def changes(game, before, area=SCREEN, what="the screen to change", press=None):
    def probe(shot):
        return max_difference(shot, before, area) > 8
    if press:
        press_until(game, press, probe, what)
    else:
        harness.wait_for(what, lambda: probe(game.screenshot()), interval=0.05)
    return game.wait_still()


def wait_title(game):
    harness.wait_for("the title", lambda: title_is_shown(game.screenshot()))
    return game.wait_still()


def open_menu(game):
    shot = game.wait_still()
    return changes(game, shot, what="the menu", press=lambda: game.click(*ASIDE, 3))


# "はじめから" once the title has faded in; then waits until the title has
# faded out and the background "HAIKEI1" shows alone where it was.
def start_new_game(game):
    game.wait_still()
    press_until(game, lambda: game.press(TITLE_START), lambda shot: all(harness.near(shot.getpixel(
        p), background) for p, _, background in title_points()), "the title to fade out")


# Waits until the message window shows letters (other than those of the
# screenshot `unlike`) and returns that screenshot. With the instant message
# speed a page appears whole in the frame that also lets input through again.
def wait_text(game, unlike=None, what="new text in the message window"):
    before = text_key(unlike) if unlike is not None else None
    return harness.wait_for(what, lambda: (lambda shot: has_lettering(shot) and text_key(
        shot) != before and shot)(game.screenshot()), interval=0.05)


# Waits until the letters of the message window stay the same over two
# screenshots 0.3 s apart (typing is over); returns the later screenshot and
# the number of distinct letterings seen on the way.
def wait_text_still(game, what="the message to stop typing"):
    seen, previous = set(), [None]

    def probe():
        shot = game.screenshot()
        if has_lettering(shot):
            seen.add(text_key(shot))
        same = has_lettering(shot) and area_key(shot) == previous[0]
        previous[0] = area_key(shot)
        return same and shot
    return harness.wait_for(what, probe, interval=0.3), len(seen)


# Makes `press` until `probe` returns a truthy value for a screenshot, which
# it returns. The game takes input again from the frame after the one that
# showed the last change; on a loaded machine a press can come before it and
# be dropped, so a press that changed nothing in 10 s is made once more.
def press_until(game, press, probe, what):
    for deadline in (10, harness.DEADLINE):
        press()
        try:
            return harness.wait_for(what, lambda: probe(game.screenshot()), deadline, interval=0.05)
        except AssertionError:
            if deadline == harness.DEADLINE:
                raise


# Does `press` (Enter unless given) on a page shown whole in `shot` and
# returns the next page or message once it is shown whole (instant message
# speed), or what `probe` returns for a screenshot if given.
def next_page(game, shot, press=None, probe=None):
    probe = probe or (lambda s: has_lettering(s) and text_key(s) != text_key(shot) and s)
    return press_until(game, press or (lambda: game.key("Return")), probe, "the next page")


# Waits until the message window shows a later frame of the typing than
# `shot` and returns it. The game takes input again from the frame after the
# one that showed a change, so a click on a typing message sent now is heard
# (and a second one, which would open the menu, is never needed).
def next_typed(game, shot):
    return harness.wait_for("the typing to go on", lambda: (lambda now: area_key(now, TEXT_AREA) != area_key(
        shot, TEXT_AREA) and now)(game.screenshot()), interval=0.05)


# True if the area stays as in `shot` for `seconds` (a check that something
# does not happen).
def stays(game, shot, seconds, area=WINDOW_AREA):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if area_key(game.screenshot(), area) != area_key(shot, area):
            return False
        time.sleep(0.1)
    return True


VOICE_RATE, MUSIC_RATE = 22050, 44100


# The recordings at one rate (voices mono, music stereo), one per opening of
# the device, in order.
def recordings(folder, rate):
    files = Path(folder).glob(f"rec-{rate}-{1 if rate == VOICE_RATE else 2}.raw*")
    return sorted(files, key=lambda p: (len(p.name), p.name))  # then ".0001", ".0002", ...


# The sounding frames of a recording. Wine pads a stream with silent frames
# when it starts short and keeps writing silence after the end while the
# device stays open, so silent frames are left out of every comparison (the
# clips' own silences with them).
def played(path):
    channels = 1 if f"-{VOICE_RATE}-" in path.name else 2
    data = Path(path).read_bytes()
    frames = np.frombuffer(data[:len(data) // (2 * channels) * 2 * channels], dtype="<i2").reshape(-1, channels)
    return frames[frames.any(axis=1)]


# The sounding frames of a clip as the game plays them: each 16-bit sample
# times volume / 255 in single precision, truncated toward zero.
def clip(name, volume):
    with wave.open(str(SOUND_SRC / name)) as w:
        frames = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").reshape(-1, w.getnchannels())
    scaled = (frames.astype(np.float32) * (np.float32(volume) / np.float32(255))).astype(np.int32).astype(np.int16)
    return scaled[scaled.any(axis=1)]


# Whether a recording is the clip from its first sample, over and over.
def looping(recorded, clip_frames):
    passes = np.concatenate([clip_frames] * (len(recorded) // len(clip_frames) + 1))
    return len(recorded) > 0 and np.array_equal(recorded, passes[:len(recorded)])


# The date text and the caption of a save file image.
def save_texts(data):
    def text(offset):
        units = struct.unpack_from("<256H", data, offset)
        return bytes(data[offset:offset + 2 * (units.index(0) if 0 in units else 256)]).decode("utf-16-le")
    return text(4), text(516)
