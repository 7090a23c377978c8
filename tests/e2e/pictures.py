"""What the screen should show, computed from the demo's own BMP files: a
picture laid over another through its black-and-white mask."""

import os
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
IMG = Path(os.environ.get("ONDRELL_IMG_SRC", ROOT / "build/content/img-src/IMG"))


def load(stem):
    with Image.open(IMG / f"{stem}.bmp") as image:
        return image.convert("RGB")


def size(stem):
    with Image.open(IMG / f"{stem}.bmp") as image:
        return image.size


def masked_pixel(under, picture, mask, x, y):
    """The masked blend at full opacity: the picture where the mask is white,
    what lies under it where the mask is black (OR with the mask, AND with
    the picture)."""
    m = mask.getpixel((x, y))
    p = picture.getpixel((x, y))
    return tuple((u | mm) & pp for u, mm, pp in zip(under, m, p))


def find_point(mask, want_white, region=None):
    """A point whose 5 x 5 neighbourhood is all white (or all black) in the
    mask, so antialiasing and rounding cannot touch it."""
    left, top, right, bottom = region or (0, 0, mask.width, mask.height)
    target = (255, 255, 255) if want_white else (0, 0, 0)
    for y in range(top + 2, bottom - 2, 3):
        for x in range(left + 2, right - 2, 3):
            if all(mask.getpixel((x + dx, y + dy)) == target for dx in range(-2, 3) for dy in range(-2, 3)):
                return x, y
    raise AssertionError(f"no {'white' if want_white else 'black'} area in the mask")
