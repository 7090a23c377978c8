# One copy of the game per game folder, while a copy ends: its window is
# gone but its last save is still being written to a slow disk. A copy
# started then waits for it instead of doing nothing, and opens the game once
# it has ended; of two copies started then, one opens the game and the other
# brings that one to the front and ends.

import subprocess
import unittest
from pathlib import Path

import gameplay as gp
import harness

TITLE = "Ondrell ver. 1.20"
# What the game traces (to the debugger output, which Wine's "seh" warnings
# show) when it finds its folder owned by a copy without a window.
WAITS = "waits for its window or its end"


class Instances(gp.GameTest):
    def test_a_start_while_the_last_copy_ends_opens_the_game_once_it_has_ended(self):
        slow = self.scratch / "slow_fsync.so"
        subprocess.run(["cc", "-shared", "-fPIC", "-o", str(slow), str(Path(__file__).with_name("slow_fsync.c")),
                        "-ldl"], check=True)
        # While this file exists, every flush (done by Wine's server for the
        # game) waits: the test decides when the first copy may end.
        gate = self.scratch / "disk-busy"
        env = {"LD_PRELOAD": str(slow), "ONDRELL_SLOW_FSYNC_GATE": str(gate)}
        first = harness.Game(gp.GAME_DIR, self.display, {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)},
                             env=env)
        self.addCleanup(first.close)
        gp.start_new_game(first)
        gp.wait_text(first)
        menu = gp.open_menu(first)
        gp.changes(first, menu, what="the save screen", press=lambda: first.press(gp.MENU_SAVE))
        gate.touch()
        self.addCleanup(lambda: gate.unlink(missing_ok=True))
        first.press(gp.FRAME1)
        first.close_box()
        first.key("Return", window=first.exit_question())
        harness.wait_for("the first copy's window to go", lambda: first.find_window(TITLE) is None)
        self.assertIsNone(first.process.poll(), "the first copy ended before its save was written")

        # Two copies started in the same folder (by its full path this time)
        # each find it owned and wait.
        logs = [self.scratch / f"later{i}.log" for i in range(2)]
        later = [harness.Game(first.dir, self.display, restart=False, title=None, box_log=log,
                              env=dict(env, WINEDEBUG="-all,warn+seh"), working_dir=first.dir) for log in logs]
        for game in later:
            self.addCleanup(game.close)
        for game, log in zip(later, logs):
            harness.wait_for("a later copy to wait", lambda: WAITS in log.read_text(errors="replace")
                             or game.process.poll() is not None)
            self.assertIsNone(game.process.poll(), "a later copy ended while the first one was still ending")
        self.assertIsNone(first.process.poll())

        # The disk catches up: the first copy ends with its save written.
        gate.unlink()
        self.assertEqual(first.wait_exit(), 0)
        self.assertEqual((first.dir / "SYS" / "save0.dat").stat().st_size, gp.SAVE_SIZE)
        # One later copy opens the game; the other finds it, brings it to the
        # front and ends with status 0.
        ended = harness.wait_for("one later copy to end", lambda: [g for g in later if g.process.poll() is not None])
        self.assertEqual(len(ended), 1)
        self.assertEqual(ended[0].process.returncode, 0)
        opened = next(g for g in later if g is not ended[0])
        opened.window = harness.wait_for("the game window", lambda: opened.find_window(TITLE))
        gp.wait_title(opened)
        self.assertEqual(len(opened.x("xdotool", "search", "--name", f"^{TITLE}$").split()), 1)
        self.assertIsNone(opened.process.poll())
        for log in logs:
            self.assertNotIn("MSGBOX_OnInit", log.read_text(errors="replace"))


if __name__ == "__main__":
    unittest.main()
