"""An author's game, end to end: a folder laid out like the demo's sources is
checked, packed and laid out the way `./play --game DIR` does it
(tools/setup/make-game --sources), then played. A message that a scenario
with CR LF line ends writes over two lines shows whole: exactly like the same
text written on one line."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import gameplay as gp  # noqa: E402
import harness  # noqa: E402

IMG_SRC = Path(os.environ.get("ONDRELL_IMG_SRC", harness.ROOT / "build/content/img-src/IMG"))
MAKE_GAME = harness.ROOT / "tools/setup/make-game"

TEXT = ("一行目のことば", "二行目につづく")
# CR LF throughout. The first message goes on over two lines; the second
# holds the same text on one line, under a name so that the two differ.
SCRIPT = ("@BGM[1][./BGM/BGM01.wav]\r\n"
          "@SCENE[1][HAIKEI1]\r\n"
          "@MESSAGE[NONE][%s\r\n"
          "%s]\r\n"
          "@MESSAGE[A][%s%s]\r\n") % (TEXT + TEXT)
GLOSSARY = "// no terms\r\n"


class AuthorGame(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp(prefix="ondrell-author-"))
        self.addCleanup(shutil.rmtree, self.work, True)

    def lay_out(self):
        """The author's folder (the demo's pictures and music with our own
        texts) and the game made from it."""
        source = self.work / "mygame"
        shutil.copytree(IMG_SRC, source / "IMG")
        shutil.copytree(gp.SOUND_SRC / "BGM", source / "BGM")
        (source / "IMG" / "script.scr.utf8").write_bytes(SCRIPT.encode("utf-8"))
        (source / "IMG" / "Dictionary.dic.utf8").write_bytes(GLOSSARY.encode("utf-8"))
        game = self.work / "game"
        result = subprocess.run([str(MAKE_GAME), str(game), "--sources", str(source)],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        # The checker runs first and finds nothing to say.
        self.assertEqual((result.returncode, result.stdout.decode("utf-8", "replace")), (0, ""))
        return game

    def test_a_crlf_message_over_two_lines_shows_whole(self):
        display = harness.Display()
        self.addCleanup(display.close)
        game = harness.Game(self.lay_out(), display,
                            sys_files={"sys.dat": gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)})
        self.addCleanup(game.close)
        gp.start_new_game(game)
        joined = gp.wait_text(game, what="the first message")
        game.key("Return")
        single = gp.wait_text(game, unlike=joined, what="the second message")
        self.assertLessEqual(gp.max_difference(joined, single, gp.TEXT_AREA), 8)


if __name__ == "__main__":
    unittest.main()
