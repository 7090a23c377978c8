#!/usr/bin/env python3
"""Checks the generated demo data against what the game loads.

    python3 tests/content/test_content.py --pack PATH --check PATH [unittest options]

Runs tools/content/generate.py twice at once into scratch folders (the
generator itself has ondrell-check pass its archives without a finding), then
checks what the checker cannot see (masks that blend cleanly, button looks that fit their panels and
leave labels visible, music that loops without a click, a story that shows
every command) and that both runs wrote the same bytes.
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
import filecmp  # noqa: E402
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


class Generated(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.mkdtemp(prefix="ondrell-content-")
        outs = [os.path.join(cls.scratch, name) for name in ("first", "second")]
        # Both runs at once: the second one costs little wall time and shows
        # whether the output depends on anything but the sources.
        runs = [subprocess.Popen([sys.executable, GENERATOR, out, "--pack", OPTIONS["pack"], "--check", OPTIONS["check"],
                                  "--jobs", "1"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT) for out in outs]
        for run in runs:
            output = run.communicate()[0].decode("utf-8", "replace")
            if run.returncode != 0:
                raise AssertionError("generate.py failed:\n" + output)
        cls.outs, cls.pixels = outs, {}
        cls.archive = os.path.join(outs[0], "DATA", "IMG.dat")
        cls.images = read_archive(cls.archive)
        cls.sounds = read_archive(os.path.join(outs[0], "DATA", "SOUND.dat"))
        registry.use_checker(OPTIONS["check"])
        cls.story = scenario.Scenario(OPTIONS["check"], cls.archive, cls.images["./IMG/script.scr"].decode("cp932"))
        cls.glossary = scenario.glossary_entries(OPTIONS["check"], cls.archive)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def picture(self, stem):
        if stem not in self.pixels:
            self.pixels[stem] = bmpio.decode_bmp(self.images["./IMG/" + registry.file_name(stem)])
        return self.pixels[stem]

    # --- pictures ---------------------------------------------------------

    def test_masks_are_black_and_white_and_their_pictures_white_where_they_hide(self):
        # The game draws a picture as (under | mask) & picture: a grey mask
        # pixel, or a picture pixel that is not white where the mask is black,
        # tints what lies under it.
        for mask_stem, stems in registry.mask_groups():
            mask = self.picture(mask_stem)
            hidden = (mask == 0).all(axis=2)
            with self.subTest(mask=mask_stem):
                self.assertTrue((hidden | (mask == 255).all(axis=2)).all(), "grey mask pixels")
            if mask_stem in registry.UNMASKED_GROUPS:
                continue
            for stem in stems:
                with self.subTest(picture=stem):
                    outside = self.picture(stem)[hidden]
                    self.assertTrue((outside == 255).all(), "%d non-white pixels outside the mask" %
                                    int((outside != 255).any(axis=1).sum()))

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

    def test_choice_buttons_are_plain_dark_under_white_text_and_brighter_under_the_pointer(self):
        # The game writes each choice's text on these, white, 29 pixels high,
        # centred, within 16 pixels of either end.
        def luminance(rgb):
            c = rgb.astype(np.float64) / 255
            c = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
            return c @ np.array([0.2126, 0.7152, 0.0722])

        bands = {}
        for stem in ("CHOICE", "CHOICE_COVER"):
            picture, mask = self.picture(stem), self.picture(stem + "_MASK")
            with self.subTest(picture=stem):
                # The size the game's column of buttons is laid out for.
                self.assertEqual(picture.shape, (48, 560, 3))
                self.assertEqual(mask.shape, picture.shape)
                h, w = picture.shape[:2]
                rows, columns = slice(h // 2 - 15, h // 2 + 15), slice(16, w - 16)
                band = picture[rows, columns]
                # Shown whole where the text goes.
                self.assertTrue((mask[rows, columns] == 255).all())
                # No label: every column of the text's band is the same.
                self.assertTrue((band == band[:, :1]).all(), "the button carries a picture of its own there")
                bands[stem] = luminance(band).mean()
                # White text stays readable: a contrast of 4.5:1 at least.
                contrast = 1.05 / (luminance(band) + 0.05)
                self.assertGreaterEqual(contrast.min(), 4.5)
                # Transparent corners: a rounded button.
                self.assertTrue((mask[0, 0] == 0).all() and (mask[h - 1, w - 1] == 0).all())
        self.assertGreater(bands["CHOICE_COVER"], bands["CHOICE"] * 1.3, "the pointer's look is not clearly brighter")
        # The border too: the top edge's middle.
        border = {stem: luminance(self.picture(stem)[0:2, 100:460]).mean() for stem in ("CHOICE", "CHOICE_COVER")}
        self.assertGreater(border["CHOICE_COVER"], border["CHOICE"] * 1.3)

    # --- the default interface ----------------------------------------------

    def interface_files(self):
        folder = os.path.join(self.outs[0], "interface", "IMG")
        return folder, sorted(os.listdir(folder))

    def test_the_default_interface_has_every_start_up_file_and_no_story_picture(self):
        folder, names = self.interface_files()
        self.assertEqual(names, sorted(registry.file_name(stem) for stem in registry.interface_stems()))
        for story in ("HAIKEI1", "STAFF", "CHAR1_1", "CHAR1_MASK", "CHAR2_4", "SLIDE_1", "SLIDE_MASK"):
            self.assertNotIn(registry.file_name(story), names)
        for stem in ("BASE", "TITLE", "TITLE_BASE_MASK", "TITLE_START", "CONFIG_VOLUME_KNOB_MASK", "SAVELOAD_RETURN",
                     "CHOICE", "CHOICE_MASK", "CHOICE_COVER", "CHOICE_COVER_MASK"):
            self.assertIn(registry.file_name(stem), names)
        # Everything but the title picture and the empty story layers is the
        # demo's: the buttons keep their labels, the base stays plain black.
        # The empty layers show nothing: none of the demo's mascot.
        own = {registry.file_name(stem) for stem in ("TITLE", "TITLE_BASE_MASK", "CHAR_DUMMY", "CHAR_DUMMY_MASK",
                                                      "SLIDE_DUMMY", "SLIDE_DUMMY_MASK")}
        for stem in ("CHAR_DUMMY_MASK", "SLIDE_DUMMY_MASK"):
            with open(os.path.join(folder, registry.file_name(stem)), "rb") as f:
                self.assertTrue((bmpio.decode_bmp(f.read()) == 0).all(), stem)
        for name in names:
            if name in own:
                continue
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual(f.read(), self.images["./IMG/" + name], name)
        self.assertTrue((self.picture("BASE") == 0).all())

    def test_the_default_title_is_plain_and_opaque(self):
        folder, _ = self.interface_files()
        with open(os.path.join(folder, "TITLE.bmp"), "rb") as f:
            title = bmpio.decode_bmp(f.read())
        with open(os.path.join(folder, "TITLE_BASE_MASK.bmp"), "rb") as f:
            mask = bmpio.decode_bmp(f.read())
        self.assertEqual(title.shape, (600, 800, 3))
        self.assertEqual(mask.shape, title.shape)
        # No art and no words: every row is one colour (a gradient and bands
        # across the whole width), unlike the demo's title with its leads and logo.
        self.assertTrue((title == title[:, :1, :]).all(), "a row of the default title has two colours")
        self.assertFalse((self.picture("TITLE") == self.picture("TITLE")[:, :1, :]).all())
        # It covers the screen, so nothing of the background shows through.
        self.assertTrue((mask == 255).all())
        # Dark enough behind the white title the game writes on it, and not one colour.
        self.assertLess(int(title[110:210].max()), 160)
        self.assertGreater(len(np.unique(title.reshape(-1, 3), axis=0)), 10)

    # --- sounds, story and glossary ----------------------------------------

    def test_music_loops_without_a_jump(self):
        # The game starts a piece over at its end: a seam far larger than
        # the piece's own steps is heard as a click.
        for name in self.story.names("@BGM", 1):
            _, _, _, _, pcm = wavio.decode_wav(self.sounds[name])
            samples = np.frombuffer(pcm, "<i2").reshape(-1, 2).astype(np.int32)
            typical = np.abs(np.diff(samples, axis=0)).mean()
            seam = np.abs(samples[0] - samples[-1]).max()
            self.assertLess(seam, typical * 4 + 200, name)

    def test_the_demo_shows_every_command_place_and_escape(self):
        # The demo is the game's showcase: a command or a character place it
        # never uses is one that nobody sees working.
        commands = self.story.commands
        self.assertEqual({keyword for _, keyword, _ in commands}, set(scenario.KEYWORDS))
        for slot in ("1", "2"):
            places = {args[1] for _, k, args in commands if k == "@CHARACTER" and args[0] == slot}
            self.assertEqual(places, {"l", "c", "r", "i"}, "layer " + slot)
        self.assertTrue(any(k == "@SLIDE" and args[0] == "0" for _, k, args in commands), "no slide is taken away")
        raw = [line for line in self.story.lines if line.startswith("@MESSAGE")]
        self.assertTrue(any("$" in line for line in raw) and any("\\\\" in line for line in raw))
        for title, reading, english, gloss in self.glossary:
            self.assertTrue(reading and english and gloss, title)

    # --- determinism ------------------------------------------------------

    def test_two_runs_write_the_same_archives(self):
        for name in ("IMG.dat", "SOUND.dat"):
            first, second = (os.path.join(out, "DATA", name) for out in self.outs)
            self.assertTrue(filecmp.cmp(first, second, shallow=False), name + " differs between two runs")
        first, second = (os.path.join(out, "interface", "IMG") for out in self.outs)
        comparison = filecmp.dircmp(first, second)
        self.assertEqual(comparison.left_only + comparison.right_only, [])
        _, mismatch, errors = filecmp.cmpfiles(first, second, comparison.common_files, shallow=False)
        self.assertEqual(mismatch + errors, [], "the default interface differs between two runs")


def main():
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--pack")
    parser.add_argument("--check")
    args, rest = parser.parse_known_args()
    OPTIONS.update({key: os.path.abspath(value) for key, value in vars(args).items() if value})
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
