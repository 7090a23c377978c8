# Message boxes in Japanese: the exit question of the real game,
# "終了しますか?", read back from a screenshot of its box. Its text is drawn
# with the system's message font ("MS Shell Dlg"), not the game's own; a
# prefix whose message font has no Japanese draws each of the six characters
# as the same empty box, "□□□□□□?".
#
# The box's window (no window manager: the client area only) shows the text
# line above the buttons. Its ink falls apart into pieces at the columns with
# no ink: one piece for each missing-glyph box and for "?", one or more for
# each real character (終 and か may break in two).

import unittest

import numpy as np
from PIL import Image

import gameplay as gp
import harness

# A pixel darker than the face of the box (its corner) by more than this in
# some channel is ink; the letters are antialiased, so their edges count too.
INK = 48


# The first band of rows with ink, from the top of the box: the text line.
def text_line(ink):
    top = bottom = np.flatnonzero(ink.any(axis=1))[0]
    while bottom + 1 < ink.shape[0] and ink[bottom + 1].any():
        bottom += 1
    return ink[top:bottom + 1]


# The line's pieces, left to right: runs of columns with ink, each cut out as
# a boolean array (its rows are the whole line, so equal shapes compare equal
# only at the same height).
def pieces(line):
    columns = line.any(axis=0)
    found, start = [], None
    for x, inked in enumerate(list(columns) + [False]):
        if inked and start is None:
            start = x
        elif not inked and start is not None:
            found.append(line[:, start:x])
            start = None
    return found


class MessageBoxes(gp.GameTest):
    def box_shot(self, game, box):
        path = game.dir / "box.png"
        previous = [None]

        # Two captures in a row alike, with ink: the box has painted its text
        # and buttons. On a loaded machine a capture now and then fails; the
        # next one goes through.
        def probe():
            try:
                game.x("import", "-window", box, str(path))
            except AssertionError:
                return None
            with Image.open(path) as image:
                shot = np.asarray(image.convert("RGB")).astype(int)
            ink = (shot[0, 0] - shot).max(axis=2) > INK
            same = ink.any() and previous[0] is not None and np.array_equal(shot, previous[0])
            previous[0] = shot
            return same and [ink]
        return harness.wait_for("the exit question to be painted", probe, interval=0.2)[0]

    def test_the_exit_question_shows_japanese_glyphs(self):
        game = self.start({"sys.dat": gp.settings()})
        gp.wait_title(game)
        game.close_box()
        box = game.exit_question()
        ink = self.box_shot(game, box)

        found = pieces(text_line(ink))
        # Six characters and "?": at least seven pieces, the last one "?".
        self.assertGreaterEqual(len(found), 7, f"the text line has {len(found)} pieces of ink")
        # Missing glyphs are all the same box; six real characters share no
        # shape (nor do the pieces of one).
        characters = found[:-1]
        alike = [(i, j) for i in range(len(characters)) for j in range(i + 1, len(characters))
                 if np.array_equal(characters[i], characters[j])]
        self.assertEqual(len(alike), 0, "pieces of the text drawn alike (missing glyphs): "
                         + ", ".join(f"{i}={j}" for i, j in alike))

        game.key("Return", window=box)
        self.assertEqual(game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
