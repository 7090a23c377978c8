# The game's data going away under the running game, as a pulled USB stick
# or a dropped network share takes it: DATA/IMG.dat is shortened from outside
# while the game plays. The next picture the game reads ends it with a
# "Fatal Error" box that names the file, then exit code 3 once the box is
# answered (never Wine's unhandled-exception path, which winedbg would take),
# and a save made before is still whole in ./SYS.

import os
import re
import time
import unittest
from pathlib import Path

import gameplay as gp
import harness

# What the archive keeps of its 45 MiB: not even its first few pictures, so
# that every picture the story shows next lies past the end.
KEPT_BYTES = 64 << 10
THUMBNAIL1 = (46, 81, 166, 171)  # frame 1's thumbnail on the save screen
BOX_TEXT = "The game's data can no longer be read.\\n\\n./DATA/IMG.dat\\n"  # as Wine's trace writes it


class DataLoss(gp.GameTest):
    def boxes(self, log):
        return re.findall(r'MSGBOX_OnInit L"(.*?)"', Path(log).read_text(errors="replace"))

    # Enter on the story until the Fatal Error box shows: the page that needs
    # an unread picture is a few pages on, and a press made before the game
    # takes input again is dropped.
    def press_until_box(self, game):
        end = time.monotonic() + harness.DEADLINE
        while time.monotonic() < end:
            ended = game.process.poll()
            self.assertIsNone(ended, f"the game ended with {ended:#x} and no box" if ended is not None else "")
            game.key("Return")
            try:
                return harness.wait_for("the Fatal Error box", lambda: game.find_window("Fatal Error"), 3)
            except AssertionError:
                pass
        return harness.wait_for("the Fatal Error box", lambda: game.find_window("Fatal Error"))

    def test_an_archive_shortened_under_the_game_ends_it_with_a_box_and_keeps_the_save(self):
        log = self.scratch / "boxes.log"
        game = harness.Game(gp.GAME_DIR, self.display,
                            {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)}, box_log=log)
        self.addCleanup(game.close)
        gp.start_new_game(game)
        first = gp.wait_text(game)

        # A save into frame 1, whole on the disk, then back to the story.
        save = game.dir / "SYS" / "save0.dat"
        menu = gp.open_menu(game)
        saves = gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
        saved = gp.changes(game, saves, THUMBNAIL1, "frame 1's thumbnail", press=lambda: game.press(gp.FRAME1))
        harness.wait_for("save0.dat", lambda: save.exists() and save.stat().st_size == gp.SAVE_SIZE)
        gp.changes(game, saved, what="the menu", press=lambda: game.click(*gp.ASIDE, 3))
        gp.press_until(game, lambda: game.click(*gp.ASIDE, 3), lambda s: gp.max_difference(s, first) <= 2, "the game")
        kept = {p.name: p.read_bytes() for p in (game.dir / "SYS").iterdir()}

        archive = game.dir / "DATA" / "IMG.dat"
        self.assertGreater(archive.stat().st_size, 100 * KEPT_BYTES)
        os.truncate(archive, KEPT_BYTES)
        box = self.press_until_box(game)
        harness.wait_for("the box's text in the log", lambda: self.boxes(log))
        self.assertEqual(self.boxes(log), [BOX_TEXT])
        # The game waits for the answer.
        self.assertIsNone(game.process.poll())

        game.key("Return", window=box)
        self.assertEqual(game.wait_exit(), 3)
        self.assertEqual(self.boxes(log), [BOX_TEXT])
        # Wine writes "Unhandled page fault ..., starting debugger" on the crash path.
        self.assertNotIn("Unhandled", log.read_text(errors="replace"))
        self.assertEqual({p.name: p.read_bytes() for p in (game.dir / "SYS").iterdir()}, kept)
        self.assertEqual(len(kept["save0.dat"]), gp.SAVE_SIZE)


if __name__ == "__main__":
    unittest.main()
