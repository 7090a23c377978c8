"""Playing the story from the tests: settings files that make a run quick,
the lettering of the message window read from screenshots, steps through
the story that wait for the game to be ready, and the sound recordings.

The message window is translucent, so what lies behind it shows through;
its letters are drawn at full strength on top (white, or light grey in the
backlog look), with antialiased edges. A pixel's smallest channel is what
tells letters apart from the window: the window's own dark blue, even over
a white picture, keeps its red channel near 100, while a letter pixel that
is mostly covered is at 160 or more."""

import functools
import os
import struct
import time
import wave
from pathlib import Path

import numpy as np

import harness
import pictures

SOUND_SRC = Path(os.environ.get("ONDRELL_SOUND_SRC", harness.ROOT / "build/content/sound-src"))

NORMAL, FAST, INSTANT = 0, 1, 2


def settings(message_speed=NORMAL, auto_speed=NORMAL, draw_speed=NORMAL, music_volume=128, voice_volume=128):
    """A sys.dat image: window mode, music and voice on, the two volumes,
    window transparency 59, one alignment byte, then the message, auto and
    draw speeds. 28 bytes."""
    return struct.pack("<III4BIII", 0, 1, 1, music_volume, voice_volume, 59, 0,
                       message_speed, auto_speed, draw_speed)


# Where the title's "はじめから" button lies.
START_BUTTON = (515, 310) + pictures.size("TITLE_START")
WINDOW_AREA = (25, 375, 775, 575)       # the message window
NAME_AREA = (46, 395, 154, 419)         # inside the name box
TEXT_AREA = (40, 430, 700, 570)         # the four lines of a page, left of the window's corner dots
VOICE_BUTTON = (649, 404, 711, 424)
AUTO_BUTTON = (717, 404, 757, 424)

LETTER = 160   # smallest channel of a mostly covered letter pixel
TOUCHED = 110  # smallest channel of a pixel that a letter touches at all


def centre(area):
    left, top, right, bottom = area
    return (left + right) // 2, (top + bottom) // 2


def array(shot, area):
    left, top, right, bottom = area
    return np.asarray(shot, dtype=np.int16)[top:bottom, left:right]


def levels(shot):
    """The smallest channel of every pixel of the name and the text."""
    return np.concatenate([array(shot, NAME_AREA).min(axis=2).ravel(), array(shot, TEXT_AREA).min(axis=2).ravel()])


def lettering(shot):
    """Where letters are: a mask over the name and the text."""
    return levels(shot) >= LETTER


def has_lettering(shot):
    return int(lettering(shot).sum()) > 20


def lettering_brightness(shot):
    """How bright the letters are drawn: 255 in play, about 205 in the
    backlog look (the brightest letter pixels, ignoring a few outliers)."""
    values = levels(shot)
    values = values[values >= LETTER]
    return int(np.percentile(values, 99)) if values.size else 0


def same_text(a, b, slack=0.01):
    """Whether two screenshots show the same name and text in the message
    window, whatever lies behind the window and whichever colour the letters
    are drawn in: every mostly covered letter pixel of one is touched by a
    letter in the other, both ways (up to `slack` of them)."""
    la, lb = levels(a), levels(b)
    core_a, core_b = la >= LETTER, lb >= LETTER
    if core_a.sum() < 20 or core_b.sum() < 20:
        return False
    missing_in_b = np.count_nonzero(core_a & (lb < TOUCHED))
    missing_in_a = np.count_nonzero(core_b & (la < TOUCHED))
    return missing_in_b <= slack * core_a.sum() and missing_in_a <= slack * core_b.sum()


def text_key(shot):
    """Bytes that change whenever the name or the text changes."""
    return lettering(shot).tobytes()


def area_key(shot, area=WINDOW_AREA):
    return array(shot, area).tobytes()


def max_difference(a, b, area):
    return int(np.abs(array(a, area) - array(b, area)).max())


# --- what the screen shows ----------------------------------------------

@functools.lru_cache(maxsize=None)
def title_points():
    """Two points of the title screen away from its buttons and above the
    message window: one where the title picture covers the background
    "HAIKEI1" (and differs from it), one where the background shows."""
    haikei, title, mask = pictures.load("HAIKEI1"), pictures.load("TITLE"), pictures.load("TITLE_BASE_MASK")
    # Where the two differ most, so that a title still fading out is not
    # taken for the background.
    covered = max(_white_points(mask, (0, 0, 500, 370)),
                  key=lambda p: max(abs(a - b) for a, b in zip(title.getpixel(p), haikei.getpixel(p))))
    open_ = pictures.find_point(mask, False, (0, 0, 500, 370))
    return [(p, pictures.masked_pixel(haikei.getpixel(p), title, mask, *p), haikei.getpixel(p))
            for p in (covered, open_)]


def _white_points(mask, region):
    left, top, right, bottom = region
    for y in range(top + 2, bottom - 2, 7):
        for x in range(left + 2, right - 2, 7):
            if all(mask.getpixel((x + dx, y + dy)) == (255, 255, 255) for dx in range(-2, 3) for dy in range(-2, 3)):
                yield x, y


def title_is_shown(shot):
    return all(harness.near(shot.getpixel(p), on_title) for p, on_title, _ in title_points())


def title_is_gone(shot):
    """The title has faded out and the background "HAIKEI1" shows alone
    where it was."""
    return all(harness.near(shot.getpixel(p), background) for p, _, background in title_points())


def scene(background, characters=()):
    """The picture without the message window: a background with character
    pictures laid over it through their masks, each given as (picture stem,
    mask stem, left edge); as an array of rows of RGB values."""
    picture = np.asarray(pictures.load(background), dtype=np.int16).copy()
    for stem, mask_stem, left in characters:
        char = np.asarray(pictures.load(stem), dtype=np.int16)
        mask = np.asarray(pictures.load(mask_stem), dtype=np.int16)
        h, w = char.shape[:2]
        w = min(w, picture.shape[1] - left)
        under = picture[0:h, left:left + w]
        picture[0:h, left:left + w] = (under | mask[:, :w]) & char[:, :w]
    return picture


def shows_scene(shot, expected, area=WINDOW_AREA, tolerance=8):
    left, top, right, bottom = area
    return int(np.abs(array(shot, area) - expected[top:bottom, left:right]).max()) <= tolerance


# --- stepping through the story -----------------------------------------

def start_new_game(game):
    """Clicks "はじめから" once the title has faded in, and waits until the
    title has faded out again."""
    game.wait_still()
    x, y = START_BUTTON[0] + START_BUTTON[2] // 2, START_BUTTON[1] + START_BUTTON[3] // 2
    game.move(x, y)
    game.click(x, y)
    harness.wait_for("the title to fade out", lambda: title_is_gone(game.screenshot()), interval=0.05)


def wait_text(game, unlike=None, deadline=harness.DEADLINE, what="new text in the message window"):
    """Waits until the message window shows letters (other than those of
    the screenshot `unlike`) and returns that screenshot. With the instant
    message speed a page appears whole in the frame that also lets input
    through again, so the game then takes the next click or key."""
    before = text_key(unlike) if unlike is not None else None

    def probe():
        shot = game.screenshot()
        return has_lettering(shot) and text_key(shot) != before and shot
    return harness.wait_for(what, probe, deadline, interval=0.05)


def wait_text_still(game, deadline=harness.DEADLINE, interval=0.3, what="the message to stop typing"):
    """Waits until the message window shows letters that stay the same over
    two screenshots `interval` seconds apart (typing is over); returns the
    later screenshot and every distinct lettering seen on the way, as
    (bytes, number of letter pixels), in order."""
    seen = []
    previous = [None]

    def probe():
        shot = game.screenshot()
        key = area_key(shot)
        letters = text_key(shot)
        if has_lettering(shot) and letters not in [k for k, _ in seen]:
            seen.append((letters, int(lettering(shot).sum())))
        same = has_lettering(shot) and key == previous[0]
        previous[0] = key
        return same and shot
    shot = harness.wait_for(what, probe, deadline, interval=interval)
    return shot, seen


def wait_typing(game, deadline=harness.DEADLINE, what="a message to start typing"):
    """Waits until a message has started typing: letters that grow between
    two screenshots."""
    previous = [None]

    def probe():
        shot = game.screenshot()
        count = int(lettering(shot).sum()) if has_lettering(shot) else 0
        growing = previous[0] is not None and 0 < previous[0] < count
        previous[0] = count
        return growing and shot
    return harness.wait_for(what, probe, deadline, interval=0.05)


def press_and_wait(game, press, shot):
    """Does `press` (a click or a key) on a ready page shown in `shot` and
    waits for the next page or message to be shown whole (instant message
    speed)."""
    press()
    return wait_text(game, unlike=shot)


def hover(game, area):
    """Moves the mouse onto a button of the message window and waits for its
    cover look (a button only takes a click that its hover look shows)."""
    before = game.screenshot()
    x, y = centre(area)
    game.move(x, y)
    harness.wait_for("the button's cover look",
                     lambda: area_key(game.screenshot(), area) != area_key(before, area), interval=0.05)


def stays(game, shot, seconds, area=WINDOW_AREA):
    """True if the area stays as in `shot` for `seconds` (a check that
    something does not happen)."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if area_key(game.screenshot(), area) != area_key(shot, area):
            return False
        time.sleep(0.1)
    return True


# --- sound ---------------------------------------------------------------

VOICE_RATE, VOICE_CHANNELS = 22050, 1
MUSIC_RATE, MUSIC_CHANNELS = 44100, 2


def recordings(folder, rate, channels):
    """The recordings of one format, one per opening of the device, in
    order."""
    base = f"rec-{rate}-{channels}.raw"
    files = [p for p in Path(folder).glob(base + "*") if p.name == base or p.name[len(base):].startswith(".")]

    def order(path):
        suffix = path.name[len(base):]
        return int(suffix[1:]) if suffix else 0
    return sorted(files, key=order)


def sounding(frames):
    """The frames that are not all zero: Wine pads a stream with silent
    frames when it starts short and keeps writing silence after the end
    while the device stays open, so silent frames are left out of every
    comparison (the clips' own silences with them)."""
    return frames[frames.any(axis=1)]


def read_recording(path, channels):
    data = Path(path).read_bytes()
    usable = len(data) // (2 * channels) * (2 * channels)
    return np.frombuffer(data[:usable], dtype="<i2").reshape(-1, channels)


def clip(name, volume):
    """The samples of a clip as the game plays them: each 16-bit sample
    times volume / 255 in single precision, truncated toward zero."""
    with wave.open(str(SOUND_SRC / name)) as w:
        assert w.getsampwidth() == 2
        frames = np.frombuffer(w.readframes(w.getnframes()), dtype="<i2").reshape(-1, w.getnchannels())
    scale = np.float32(volume) / np.float32(255)
    return (frames.astype(np.float32) * scale).astype(np.int32).astype(np.int16)
