# The demo as the tests play it (tools/setup/demo_game.py, which the
# benchmark scripts share), and the base of every end-to-end test.

import re
import shutil
import tempfile
import unittest
from pathlib import Path

import harness
from demo_game import *  # noqa: F401,F403
from demo_game import GAME_DIR


# The text of every box the game raised, as Wine's message box trace logs it
# (harness.Game's box_log): other than ASCII as "\\XXXX", and cut after a
# few hundred characters of the escaped form, so a long box's last line may
# be missing.
def box_texts(log):
    unescape = lambda text: re.sub(r"\\(\\|n|[0-9a-f]{4})", lambda m: {"\\": "\\", "n": "\n"}.get(
        m[1]) or chr(int(m[1], 16)), text)
    return [unescape(t) for t in re.findall(r'MSGBOX_OnInit L"(.*?)"', Path(log).read_text(errors="replace"))]


# Waits for the box with `caption`, answers it with Return once its text is
# in the log as box number `count` (from 1), and returns that text.
def answer_box(game, log, caption, count):
    box = harness.wait_for(f"the box '{caption}'", lambda: game.find_window(caption))
    texts = harness.wait_for(f"box {count} in the log", lambda: (lambda t: len(t) >= count and t)(box_texts(log)))
    game.key("Return", window=box)
    harness.wait_for("the box to close", lambda: game.find_window(caption) is None)
    return texts[count - 1]


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
