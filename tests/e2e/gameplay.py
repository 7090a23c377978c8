# The demo as the tests play it (tools/setup/demo_game.py, which the
# benchmark scripts share), and the base of every end-to-end test.

import shutil
import tempfile
import unittest
from pathlib import Path

import harness
from demo_game import *  # noqa: F401,F403
from demo_game import GAME_DIR


# A test on a display of its own, with a scratch folder (for recordings and
# the like); `start` runs the game and ends it when the test ends.
class GameTest(unittest.TestCase):
    display_size = (1024, 768)

    def setUp(self):
        self.display = harness.Display(*self.display_size)
        self.addCleanup(self.display.close)
        self.scratch = Path(tempfile.mkdtemp(prefix="ondrell-e2e-sound-"))
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def start(self, sys_files, record=False, game_dir=GAME_DIR):
        self.game = harness.Game(game_dir, self.display, sys_files, record_dir=self.scratch if record else None)
        self.addCleanup(self.game.close)
        return self.game

    def sys_dat(self):
        return (self.game.dir / "SYS" / "sys.dat").read_bytes()
