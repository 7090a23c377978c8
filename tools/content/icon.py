#!/usr/bin/env python3
"""Draws the game's icon and writes it as src/app/ondrell.ico.

    /usr/bin/python3 tools/content/icon.py [OUT.ico]

The icon is a message window over a night-blue tile, with a light-blue
glossary term in its text: the game in one picture. It is drawn once at
256 x 256 and scaled down, so the same Pillow gives the same bytes. The file
holds 16, 32 and 48 pixel images as 32-bit DIBs (with their AND masks, for
every version of Windows) and the 256 pixel one as PNG.
"""

import io
import os
import struct
import sys

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "..", "src", "app", "ondrell.ico")
SIZES = (16, 32, 48)


def draw():
    image = Image.new("RGBA", (256, 256), (0, 0, 0, 0))
    d = ImageDraw.Draw(image)
    d.rounded_rectangle((8, 8, 247, 247), radius=44, fill=(28, 36, 92, 255))
    d.rounded_rectangle((8, 8, 247, 130), radius=44, fill=(58, 78, 160, 255))
    d.rectangle((8, 100, 247, 130), fill=(58, 78, 160, 255))
    # The message window with three lines of text, the middle one a term.
    d.rounded_rectangle((30, 118, 226, 226), radius=18, fill=(12, 16, 48, 235), outline=(235, 240, 255, 255),
                        width=6)
    for y, colour, right in ((142, (255, 255, 255, 255), 196), (166, (120, 200, 255, 255), 168),
                             (190, (255, 255, 255, 255), 140)):
        d.rounded_rectangle((52, y, right, y + 12), radius=6, fill=colour)
    # The speaker's name box above it.
    d.rounded_rectangle((30, 78, 124, 110), radius=12, fill=(235, 240, 255, 255))
    return image


def dib(image):
    """A 32-bit icon image: BITMAPINFOHEADER of twice the height, BGRA rows
    bottom-up, then the AND mask (1 where fully transparent)."""
    width, height = image.size
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = (width + 31) // 32 * 4
    for y in range(height - 1, -1, -1):
        row = bytearray()
        bits = bytearray(mask_stride)
        for x in range(width):
            r, g, b, a = image.getpixel((x, y))
            row += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(bits))
    return header + b"".join(rows) + b"".join(mask_rows)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT
    big = draw()
    images = [dib(big.resize((size, size), Image.LANCZOS)) for size in SIZES]
    png = io.BytesIO()
    big.save(png, "PNG", optimize=True)
    images.append(png.getvalue())
    sizes = SIZES + (256,)
    # ICONDIR, then one ICONDIRENTRY per image (a width of 0 means 256).
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(out, "wb") as f:
        f.write(data + b"".join(images))


if __name__ == "__main__":
    main()
