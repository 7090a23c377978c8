#!/usr/bin/env python3
"""Checks the generated demo data against what the game loads.

    python3 tests/content/test_content.py --pack PATH --check PATH [unittest options]

Runs tools/content/generate.py twice at once into scratch folders, then
checks the archives with ondrell-check (no finding at all), the demo's own
design (picture sizes, masks, sounds, a story that uses every command) and
that both runs wrote the same bytes.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SYSTEM_PYTHON = "/usr/bin/python3"
sys.dont_write_bytecode = True  # keep the source tree clean

try:
    import numpy as np
except ImportError:
    # numpy comes from Debian's package, which only the system interpreter sees.
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(SYSTEM_PYTHON):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    raise

import argparse  # noqa: E402
import shutil  # noqa: E402
import struct  # noqa: E402
import subprocess  # noqa: E402
import tempfile  # noqa: E402
import unittest  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "content"))
import bmpio  # noqa: E402
import registry  # noqa: E402
import scenario  # noqa: E402
import wavio  # noqa: E402

GENERATOR = os.path.join(ROOT, "tools", "content", "generate.py")
OPTIONS = {"pack": os.path.join(ROOT, "build", "host", "tools", "pack", "ondrell-pack"),
           "check": os.path.join(ROOT, "build", "host", "tools", "check", "ondrell-check")}


def read_archive(path):
    """{key: bytes} of a data archive: entries, then an index (count, then
    offset, size, name length and Shift_JIS name per record), then the
    index's offset in the last four bytes."""
    with open(path, "rb") as f:
        data = f.read()
    (index,) = struct.unpack_from("<i", data, len(data) - 4)
    (count,) = struct.unpack_from("<i", data, index)
    pos = index + 4
    entries = {}
    for _ in range(count):
        offset, size, name_length = struct.unpack_from("<iii", data, pos)
        pos += 12
        name = data[pos:pos + name_length].split(b"\0")[0].decode("cp932").replace("\\", "/")
        pos += name_length
        entries.setdefault(name, data[offset:offset + size])
    return entries


def picture_key(stem):
    return "./IMG/" + registry.file_name(stem)


class Generated(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="ondrell-content-")
        outs = [os.path.join(cls.scratch, name) for name in ("first", "second")]
        # Both runs at once: the second one costs little wall time and shows
        # whether the output depends on anything but the sources.
        runs = [subprocess.Popen([sys.executable, GENERATOR, out, "--pack", OPTIONS["pack"], "--check", OPTIONS["check"],
                                  "--jobs", "1"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT) for out in outs]
        results = [(run.communicate()[0].decode("utf-8", "replace"), run.returncode) for run in runs]
        for output, status in results:
            if status != 0:
                raise AssertionError("generate.py failed:\n" + output)
        cls.outs = outs
        cls.images = read_archive(os.path.join(outs[0], "DATA", "IMG.dat"))
        cls.sounds = read_archive(os.path.join(outs[0], "DATA", "SOUND.dat"))
        cls.pixels = {}
        cls.archive = os.path.join(outs[0], "DATA", "IMG.dat")
        script_text = cls.images["./IMG/script.scr"].decode("cp932")
        cls.story = scenario.Scenario(OPTIONS["check"], cls.archive, script_text)
        cls.glossary = scenario.glossary_entries(OPTIONS["check"], cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def picture(self, stem):
        if stem not in self.pixels:
            self.pixels[stem] = bmpio.decode_bmp(self.images[picture_key(stem)])
        return self.pixels[stem]

    # --- pictures ---------------------------------------------------------

    def test_every_picture_is_a_24_bit_bottom_up_bmp_with_a_40_byte_header(self):
        for stem in registry.all_stems():
            data = self.images[picture_key(stem)]
            with self.subTest(stem=stem):
                self.assertEqual(data[:2], b"BM")
                offset, info_size, _, height, _, bits, compression = struct.unpack_from("<10xI I i i H H I", data, 0)
                self.assertEqual((offset, info_size, bits, compression), (54, 40, 24, 0))
                self.assertGreater(height, 0)

    def test_masks_are_pure_black_and_white(self):
        for mask_stem, _ in registry.mask_groups():
            mask = self.picture(mask_stem)
            with self.subTest(mask=mask_stem):
                black = (mask == 0).all(axis=2)
                white = (mask == 255).all(axis=2)
                self.assertTrue((black | white).all())

    def test_pictures_have_their_masks_size(self):
        for mask_stem, stems in registry.mask_groups():
            expected = registry.SIZES[mask_stem]
            for stem in stems + [mask_stem]:
                with self.subTest(picture=stem):
                    h, w = self.picture(stem).shape[:2]
                    self.assertEqual((w, h), expected)

    def test_pictures_are_white_where_their_mask_is_black(self):
        for mask_stem, stems in registry.mask_groups():
            if mask_stem in registry.UNMASKED_GROUPS:
                continue
            hidden = (self.picture(mask_stem) == 0).all(axis=2)
            for stem in stems:
                with self.subTest(picture=stem):
                    outside = self.picture(stem)[hidden]
                    self.assertTrue((outside == 255).all(), "%d non-white pixels outside the mask" %
                                    int((outside != 255).any(axis=1).sum()))

    def test_masks_show_something_and_hide_the_corners_of_rounded_pieces(self):
        for mask_stem, _ in registry.mask_groups():
            mask = self.picture(mask_stem)
            with self.subTest(mask=mask_stem):
                if mask_stem == "BASE":
                    continue
                self.assertTrue((mask == 255).any())
        # panels and buttons are rounded: their corner pixel is transparent
        for mask_stem in ("TEXTWINDOW_MASK", "MENU_BASE_MASK", "SLIDE_MASK", "DICTIONARY_MASK", "MENU_COVER_MASK"):
            self.assertTrue((self.picture(mask_stem)[0, 0] == 0).all(), mask_stem)

    def test_a_shared_cover_leaves_the_label_under_it_visible(self):
        # A cover drawn over every button of a set cannot carry a label, so
        # its middle must be transparent.
        for mask_stem in ("MENU_COVER_MASK", "TITLE_COVER_MASK", "DICTIONARY_COVER_MASK"):
            mask = self.picture(mask_stem)
            h, w = mask.shape[:2]
            self.assertTrue((mask[h // 2 - 4:h // 2 + 4, w // 3:2 * w // 3] == 0).all(), mask_stem)

    def test_buttons_lie_inside_their_panels_and_their_looks_match_in_size(self):
        for panel, buttons in registry.button_panels():
            for normal, cover, invalid, x, y in buttons:
                h, w = self.picture(normal).shape[:2]
                with self.subTest(button=normal, x=x, y=y):
                    self.assertTrue(panel[0] <= x and x + w <= panel[2] and panel[1] <= y and y + h <= panel[3])
                    self.assertEqual(self.picture(cover).shape, self.picture(normal).shape)
                    self.assertEqual(self.picture(invalid).shape, self.picture(normal).shape)

    def test_story_backgrounds_are_not_flat(self):
        for stem in ("HAIKEI1", "HAIKEI2", "HAIKEI3", "STAFF"):
            self.assertGreater(self.picture(stem).std(), 20, stem)
        self.assertTrue((self.picture("BASE") == 0).all())

    def test_expressions_of_one_character_differ(self):
        for prefix, count in (("CHAR1", 5), ("CHAR2", 4)):
            looks = [self.picture("%s_%d" % (prefix, i)) for i in range(1, count + 1)]
            for i in range(count):
                for j in range(i + 1, count):
                    self.assertFalse((looks[i] == looks[j]).all(), "%s_%d and _%d" % (prefix, i + 1, j + 1))

    # --- sounds -----------------------------------------------------------

    def test_sounds_are_16_bit_pcm_at_the_expected_rates(self):
        self.assertTrue(self.sounds)
        for name, data in self.sounds.items():
            rate, channels, bits, tag, pcm = wavio.decode_wav(data)
            with self.subTest(sound=name):
                self.assertEqual((tag, bits), (1, 16))
                self.assertEqual(len(pcm) % (2 * channels), 0)
                if name.startswith("./BGM/"):
                    self.assertEqual((rate, channels), (44100, 2))
                    self.assertTrue(8 <= len(pcm) / (rate * 4) <= 20)
                else:
                    self.assertEqual((rate, channels), (22050, 1))
                    self.assertGreater(len(pcm), rate * 2 // 2)
                self.assertGreater(np.abs(np.frombuffer(pcm, "<i2")).max(), 3000)

    def test_music_loops_without_a_jump(self):
        for name in self.story.names("@BGM", 1):
            _, _, _, _, pcm = wavio.decode_wav(self.sounds[name])
            samples = np.frombuffer(pcm, "<i2").reshape(-1, 2).astype(np.int32)
            typical = np.abs(np.diff(samples, axis=0)).mean()
            seam = np.abs(samples[0] - samples[-1]).max()
            self.assertLess(seam, typical * 4 + 200, name)

    # --- scenario and glossary ---------------------------------------------

    def test_the_demo_passes_the_checker_without_a_finding(self):
        sounds = os.path.join(self.outs[0], "DATA", "SOUND.dat")
        result = subprocess.run([OPTIONS["check"], self.archive, sounds], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual((result.returncode, result.stdout.decode("utf-8", "replace")), (0, ""))

    def test_every_message_is_voiced(self):
        unvoiced = [text for _, text, voice in self.story.messages if voice is None]
        self.assertEqual(unvoiced, [])

    def test_glossary_entries_are_complete(self):
        self.assertGreaterEqual(len(self.glossary), 12)
        for title, reading, english, gloss in self.glossary:
            self.assertTrue(reading and english and gloss, title)

    def test_story_is_long_and_uses_every_command_and_place(self):
        self.assertGreaterEqual(len(self.story.messages), 40)
        used = {keyword for _, keyword, _ in self.story.commands}
        self.assertEqual(used, set(scenario.KEYWORDS))
        self.assertGreaterEqual(len(set(self.story.names("@BGM", 1))), 3)
        self.assertTrue({"HAIKEI1", "HAIKEI2", "HAIKEI3"} <= set(self.story.names("@SCENE", 1)))
        for slot in ("1", "2"):
            places = {args[1] for _, k, args in self.story.commands if k == "@CHARACTER" and args[0] == slot}
            self.assertEqual(places, {"l", "c", "r", "i"}, "layer " + slot)
        shown = {args[1] for _, k, args in self.story.commands if k == "@SLIDE" and args[0] != "0"}
        hidden = [args for _, k, args in self.story.commands if k == "@SLIDE" and args[0] == "0"]
        self.assertGreaterEqual(len(shown), 10)
        self.assertTrue(hidden)
        raw = [line for line in self.story.lines if line.startswith("@MESSAGE")]
        self.assertTrue(any("$" in line for line in raw))
        self.assertTrue(any("\\\\" in line for line in raw))

    # --- determinism ------------------------------------------------------

    def test_two_runs_write_the_same_archives(self):
        for name in ("IMG.dat", "SOUND.dat"):
            with open(os.path.join(self.outs[0], "DATA", name), "rb") as a, \
                    open(os.path.join(self.outs[1], "DATA", name), "rb") as b:
                self.assertTrue(a.read() == b.read(), name + " differs between two runs")


class Pieces(unittest.TestCase):
    """The small readers and writers the generator is built on."""

    def test_bmp_rows_are_padded_to_four_bytes_and_stored_bottom_up(self):
        rgb = np.zeros((2, 3, 3), np.uint8)   # 3 pixels wide: 9 bytes, padded to 12
        rgb[0, 0] = (255, 0, 0)              # top-left red
        rgb[1, 2] = (0, 0, 255)              # bottom-right blue
        data = bmpio.encode_bmp(rgb)
        self.assertEqual(len(data), 54 + 2 * 12)
        bottom_row = data[54:66]
        self.assertEqual(bottom_row[6:9], bytes((255, 0, 0)))   # blue, green, red order
        top_row = data[66:78]
        self.assertEqual(top_row[0:3], bytes((0, 0, 255)))
        self.assertTrue((bmpio.decode_bmp(data) == rgb).all())


def main():
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--pack")
    parser.add_argument("--check")
    args, rest = parser.parse_known_args()
    if args.pack:
        OPTIONS["pack"] = os.path.abspath(args.pack)
    if args.check:
        OPTIONS["check"] = os.path.abspath(args.check)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
