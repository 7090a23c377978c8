#!/usr/bin/env python3
"""Authors' files made by real tools, converted by ondrell-pack and read back.

    python3 tests/convert/test_real_files.py --pack PACK [--pack-win PACK.exe] [unittest options]

ImageMagick, Pillow and sox write pictures and clips the way authors' tools
do; the packer converts a folder of them; every entry is extracted again
and compared with what ImageMagick and sox (readers of their own, not the
packer's) make of the source: pictures pixel by pixel, clips sample by
sample, within one step of 8 or 16 bits for their different rounding. With
--pack-win the Windows packer (under Wine) must write the very same bytes.
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SYSTEM_PYTHON = "/usr/bin/python3"
sys.dont_write_bytecode = True
try:
    import numpy as np
    from PIL import Image
except ImportError:
    # numpy and Pillow come from Debian's packages, which only the system
    # interpreter sees.
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    raise

ROOT = Path(__file__).resolve().parents[2]
CONVERT = "/usr/bin/convert"  # ImageMagick itself
PACKERS = {}


def run(*args):
    return subprocess.run([str(a) for a in args], check=True, capture_output=True).stdout


# Pictures: name -> how to make it from the 24 x 16 RGBA `art`.
def pillow(mode, **options):
    return lambda art, path: art.convert(mode).save(path, **options)


def magick_to(prefix, *options):
    def make(art, path):
        source = path.with_name("source.png")
        art.save(source)
        run(CONVERT, source, *options, f"{prefix}:{path}")
    return make


PICTURES = {
    "CHAR1_1.png": pillow("RGBA"),                        # transparency: makes CHAR1_MASK
    "rgb.png": pillow("RGB"),
    "grey.png": pillow("L"),
    "grey_alpha.png": pillow("LA"),
    "palette_trns.png": lambda art, path: art.quantize(12).save(path, transparency=0),
    "rgba16.png": magick_to("PNG64", "-depth", "16"),
    "interlaced.png": magick_to("PNG", "-interlace", "PNG"),
    "grey1.png": magick_to("PNG", "-monochrome"),
    "rle8.bmp": magick_to("BMP3", "-background", "white", "-flatten", "-type", "palette", "-compress", "RLE"),
    "os2.bmp": magick_to("BMP2", "-background", "white", "-flatten", "-type", "palette"),
    "v5_fields.bmp": magick_to("BMP", "-background", "white", "-flatten"),  # read as it is: 32-bit bit fields
}


def art():
    """A picture with colour in both directions and a soft-edged shape of
    alpha, so a flipped row, a swapped channel or a wrong palette shows."""
    y, x = np.mgrid[0:16, 0:24]
    rgba = np.stack([x * 10, y * 15, 255 - x * 5, np.clip(255 - ((x - 12) ** 2 + (y - 8) ** 2) * 4, 0, 255)], axis=2)
    return Image.fromarray(rgba.astype(np.uint8), "RGBA")


def reference_rgba(path):
    """The source as ImageMagick reads it, 8 bits per sample (16-bit
    samples rounded), alpha 255 where it has none."""
    with Image.open(path) as probe:
        width, height = probe.size
    data = run(CONVERT, path, "-depth", "8", "-alpha", "on", "RGBA:-")
    return np.frombuffer(data, np.uint8).reshape(height, width, 4).astype(int)


# Clips: name -> sox options for a 0.3 s tone in that format.
CLIPS = {
    "u8.wav": ["-r", "11025", "-c", "1", "-b", "8", "-e", "unsigned"],
    "s24.wav": ["-r", "48000", "-c", "2", "-b", "24"],  # sox writes the extensible header past 16 bits
    "s32.wav": ["-r", "44100", "-c", "1", "-b", "32", "-t", "wavpcm"],
    "f32.wav": ["-r", "22050", "-c", "2", "-e", "floating-point", "-b", "32"],
    "f64.wav": ["-r", "8000", "-c", "1", "-e", "floating-point", "-b", "64"],
    "s16_51.wav": ["-r", "44100", "-c", "6", "-b", "16"],  # 5.1, mixed down to stereo
}
# Ogg Vorbis clips are stored as they are: the game decodes them.
OGG_CLIPS = {
    "tone.ogg": ["-r", "44100", "-c", "2"],
    "tone51.ogg": ["-r", "22050", "-c", "6"],
}


def reference_samples(path, channels):
    """The source as sox decodes it: 16-bit samples, frames x channels."""
    data = run("sox", "-D", path, "-t", "raw", "-e", "signed", "-b", "16", "-")
    return np.frombuffer(data, "<i2").reshape(-1, channels).astype(int)


def read_wav(path):
    """Format tag, channels, rate, bits and frames of a WAV as the packer
    writes it: RIFF, WAVE, a 16-byte "fmt " chunk, then "data"."""
    data = Path(path).read_bytes()
    assert data[:4] == b"RIFF" and data[8:16] == b"WAVEfmt " and data[36:40] == b"data", path
    tag, channels, rate = struct.unpack_from("<HHI", data, 20)
    (bits,) = struct.unpack_from("<H", data, 34)
    return tag, channels, rate, bits, np.frombuffer(data, "<i2", offset=44).reshape(-1, channels).astype(int)


class RealFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory(prefix="ondrell-convert-")
        cls.work = Path(cls.scratch.name)
        cls.source = cls.work / "game"
        (cls.source / "IMG").mkdir(parents=True)
        (cls.source / "BGM").mkdir()
        picture = art()
        for name, make in PICTURES.items():
            make(picture, cls.source / "IMG" / name)
        (cls.source / "IMG" / "source.png").unlink()
        for name, options in {**CLIPS, **OGG_CLIPS}.items():
            tones = ["sine", "300", "sine", "500", "sine", "700", "sine", "900", "sine", "1100", "sine", "60"]
            channels = int(options[options.index("-c") + 1])
            run("sox", "-n", *options, cls.source / "BGM" / name, "synth", "0.3", *tones[:2 * channels])
        cls.archive = cls.work / "game.dat"
        run(PACKERS["host"], "create", cls.archive, cls.source)
        run(PACKERS["host"], "extract", cls.archive, cls.work / "out")

    @classmethod
    def tearDownClass(cls):
        cls.scratch.cleanup()

    def test_pictures_read_back_as_their_sources(self):
        for name in PICTURES:
            with self.subTest(name):
                stem = name.rsplit(".", 1)[0]
                expected = reference_rgba(self.source / "IMG" / name)
                with Image.open(self.work / "out" / "IMG" / f"{stem}.bmp") as stored:
                    got = np.asarray(stored.convert("RGB")).astype(int)
                if name.endswith(".png") and (expected[:, :, 3] < 255).any():
                    # A picture with transparency makes its mask (the demo's
                    # CHAR1_1 the shared CHAR1_MASK, any other NAME_MASK),
                    # white from alpha 128 up, and is stored white where the
                    # mask is black.
                    mask_stem = "CHAR1_MASK" if stem == "CHAR1_1" else f"{stem}_MASK"
                    with Image.open(self.work / "out" / "IMG" / f"{mask_stem}.bmp") as mask:
                        visible = np.asarray(mask.convert("L")) == 255
                    np.testing.assert_array_equal(visible, expected[:, :, 3] >= 128)
                    self.assertTrue(visible.any() and not visible.all())
                    expected[~visible, :3] = 255
                self.assertLessEqual(int(np.abs(got - expected[:, :, :3]).max()), 1)

    def test_clips_read_back_as_their_sources(self):
        for name, options in CLIPS.items():
            with self.subTest(name):
                channels = int(options[options.index("-c") + 1])
                rate = int(options[options.index("-r") + 1])
                expected = reference_samples(self.source / "BGM" / name, channels)
                if channels == 6:
                    # Front left, centre and back left to the left; front
                    # right, centre and back right to the right; no LFE.
                    expected = np.round(np.stack([expected[:, [0, 2, 4]].mean(axis=1),
                                                  expected[:, [1, 2, 5]].mean(axis=1)], axis=1))
                tag, got_channels, got_rate, bits, got = read_wav(self.work / "out" / "BGM" / name)
                self.assertEqual((tag, got_channels, got_rate, bits), (1, min(channels, 2), rate, 16))
                self.assertEqual(got.shape, expected.shape)
                self.assertLessEqual(int(np.abs(got - expected).max()), 1)
                self.assertGreater(int(np.abs(got).max()), 10000)  # a tone, not silence

    def test_ogg_clips_are_stored_byte_for_byte(self):
        for name in OGG_CLIPS:
            with self.subTest(name):
                source = (self.source / "BGM" / name).read_bytes()
                self.assertEqual(source[:4], b"OggS")
                self.assertEqual((self.work / "out" / "BGM" / name).read_bytes(), source)

    def test_the_windows_packer_writes_the_same_bytes(self):
        if "win" not in PACKERS:
            self.skipTest("no Windows packer given (--pack-win)")
        archive = self.work / "game-win.dat"
        run(ROOT / "tools/setup/wine-run", PACKERS["win"], "create", "Z:" + str(archive).replace("/", "\\"),
            "Z:" + str(self.source).replace("/", "\\"))
        self.assertEqual(archive.read_bytes(), self.archive.read_bytes())


if __name__ == "__main__":
    arguments = sys.argv[1:]
    for option, key in (("--pack", "host"), ("--pack-win", "win")):
        if option in arguments:
            at = arguments.index(option)
            PACKERS[key] = arguments[at + 1]
            del arguments[at:at + 2]
    if "host" not in PACKERS:
        sys.exit(__doc__)
    unittest.main(argv=[sys.argv[0]] + arguments)
