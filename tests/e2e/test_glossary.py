"""The glossary screen, driven by real X input under Xvfb: opened from the
title it shows the term list; a line of the list opens its entry, a term in
an explanation opens that entry, the pop-back button and the right button
step back, the wheel pages, the back button leaves. Opened from a term in a
message it shows that entry and returns to the same message."""

import os
import sys
import unittest
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import gameplay as gp  # noqa: E402
import harness  # noqa: E402
import pictures  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))

# The screen lies at (25, 25); its text, heading and page strings at these
# canvas areas.
TEXT = (42, 117, 757, 507)
HEADING = (50, 51, 757, 116)
PAGE_STRINGS = (668, 485, 733, 508)
ORIGIN = (25, 25)


def button_centre(stem, offset):
    width, height = pictures.size(stem)
    return ORIGIN[0] + offset[0] + width // 2, ORIGIN[1] + offset[1] + height // 2


BACK = button_centre("DICTIONARY_BACK", (580, 493))
POPBACK = button_centre("DICTIONARY_POPBACK", (417, 493))
TITLE_GLOSSARY = (515 + pictures.size("TITLE_OMAKE")[0] // 2, 410 + pictures.size("TITLE_OMAKE")[1] // 2)


def term_rows(shot, area):
    """The rows of light-blue term pixels in an area, as (y, [x...]) of the
    middle row of each run of rows, top down. Terms are drawn in light blue
    (130, 200, 250); the plain text is white and the panels are dark."""
    left, top, right, bottom = area
    pixels = np.asarray(shot, dtype=np.int16)[top:bottom, left:right]
    blue = (pixels[:, :, 2] >= 180) & (pixels[:, :, 0] <= pixels[:, :, 2] - 60) & (pixels[:, :, 1] >= 140)
    rows = [y for y in range(blue.shape[0]) if blue[y].sum() >= 3]
    runs, start = [], None
    for i, y in enumerate(rows):
        if start is None:
            start = y
        if i + 1 == len(rows) or rows[i + 1] != y + 1:
            middle = (start + y) // 2
            runs.append((top + middle, [left + x for x in np.nonzero(blue[middle])[0]]))
            start = None
    return runs


def term_point(shot, area, index=0):
    """A point in the middle of the `index`-th line's first term."""
    rows = term_rows(shot, area)
    assert len(rows) > index, f"fewer than {index + 1} lines of terms in {area}"
    y, xs = rows[index]
    run = [xs[0]]
    for x in xs[1:]:
        if x - run[-1] > 12:
            break
        run.append(x)
    return (run[0] + run[-1]) // 2, y


def area(shot, box):
    return gp.array(shot, box).tobytes()


class Glossary(unittest.TestCase):
    def setUp(self):
        self.display = harness.Display()
        self.addCleanup(self.display.close)
        self.game = harness.Game(GAME_DIR, self.display,
                                 sys_files={"sys.dat": gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)})
        self.addCleanup(self.game.close)

    def click(self, point, button=1):
        # A button or a term takes a click only under a hover the pointer
        # made: move there first.
        self.game.move(*point)
        self.game.click(point[0], point[1], button)

    def changed(self, before, box, what):
        """Waits until `box` differs from `before` and the screen is still."""
        harness.wait_for(what, lambda: area(self.game.screenshot(), box) != area(before, box), interval=0.05)
        return self.game.wait_still()

    def shows(self, expected, box, what):
        harness.wait_for(what, lambda: area(self.game.screenshot(), box) == area(expected, box), interval=0.05)
        return self.game.wait_still()

    def test_walk_from_the_title_through_entries_and_back(self):
        title = self.game.wait_still()
        self.click(TITLE_GLOSSARY)
        listing = self.changed(title, HEADING, "the glossary list")
        self.assertGreaterEqual(len(term_rows(listing, TEXT)), 8, "the list shows no titles")

        # The wheel towards the player turns to the list's second page and
        # away from the player back to the first.
        self.game.click(400, 300, 5)
        second_page = self.changed(listing, PAGE_STRINGS, "the list's second page")
        self.assertNotEqual(area(second_page, TEXT), area(listing, TEXT))
        self.game.click(400, 300, 4)
        self.shows(listing, TEXT, "the list's first page again")

        # A line of the list opens its entry; a term in the explanation opens
        # that term's entry.
        self.click(term_point(listing, TEXT, 1))
        entry = self.changed(listing, HEADING, "an entry from the list")
        self.click(term_point(entry, TEXT))
        linked = self.changed(entry, HEADING, "the entry of a term in the explanation")
        self.assertNotEqual(area(linked, HEADING), area(listing, HEADING))

        # The pop-back button steps back to the first entry, the right button
        # to the list.
        self.click(POPBACK)
        self.shows(entry, HEADING, "the first entry again")
        self.game.move(400, 300)
        self.game.click(400, 300, 3)
        self.shows(listing, HEADING, "the list again")

        # The back button leaves for the title.
        self.click(BACK)
        harness.wait_for("the title", lambda: gp.title_is_shown(self.game.screenshot()))

    def test_a_term_in_a_message_opens_its_entry_and_returns_to_the_same_message(self):
        gp.start_new_game(self.game)
        shot = gp.wait_text(self.game)
        for _ in range(20):
            if term_rows(shot, gp.TEXT_AREA):
                break
            shot = gp.press_and_wait(self.game, lambda: self.game.key("Return"), shot)
        message = self.game.wait_still()
        self.click(term_point(message, gp.TEXT_AREA))
        entry = self.changed(message, HEADING, "the term's entry")
        self.assertFalse(gp.has_lettering(entry) and gp.same_text(entry, message))

        # The right button on the only page leaves: the same message, not the
        # next one.
        self.game.move(400, 300)
        self.game.click(400, 300, 3)
        back = gp.wait_text_still(self.game)[0]
        self.assertTrue(gp.same_text(back, message), "the glossary did not return to the same message")


if __name__ == "__main__":
    unittest.main()
