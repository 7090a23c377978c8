# Author mode, end to end: an author's game started at a message
# (--author --message K), the commands an authoring tool sends the running
# game (send_author_command.exe finds its window through the game's claim on
# its folder and sends WM_COPYDATA) to show another message and to take the
# archives of another folder in the same window, and a player's copy, which
# takes no command.
#
# Each message of the test's games stands on a background of its own and
# holds a text of its own length, so a screenshot tells which message shows:
# the area above the message window is exactly that background, and the
# letters reach further right the later the message.

import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

import gameplay as gp
import harness

SEND = os.environ.get("ONDRELL_SEND_AUTHOR_COMMAND",
                      str(harness.ROOT / "build/win/tests/e2e/send_author_command.exe"))
BACKGROUNDS = ("HAIKEI1", "HAIKEI2", "HAIKEI3")
ABOVE_WINDOW = (0, 0, 800, 360)  # the canvas above the message window (and its name box)
# The background of each message, 1 to 4. The changed story puts message 3 on
# another background (and message 4 too), with the same texts.
STORY = ("HAIKEI1", "HAIKEI2", "HAIKEI3", "HAIKEI2")
CHANGED = ("HAIKEI1", "HAIKEI2", "HAIKEI1", "HAIKEI3")
INSTANT = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)


# The music first, then per message its background and 3 K letters.
def script(backgrounds):
    lines = ["@BGM[1][./BGM/BGM01.wav]"]
    for k, name in enumerate(backgrounds, 1):
        lines += [f"@SCENE[1][{name}]", "@MESSAGE[NONE][%s]" % ("あ" * (3 * k))]
    return "\r\n".join(lines) + "\r\n"


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")  # Wine's drive Z: is the root of the Unix file system


def background(shot, area=ABOVE_WINDOW):
    return gp.shown_background(shot, BACKGROUNDS, area)



class AuthorLoop(gp.GameTest):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="ondrell-e2e-author-"))
        cls.story_game = gp.author_game(cls.work / "story", script(STORY))
        cls.changed_game = gp.author_game(cls.work / "changed", script(CHANGED))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def run_game(self, *args):
        self.game = harness.Game(self.story_game, self.display, {"sys.dat": INSTANT}, args=args)
        self.addCleanup(self.game.close)
        return self.game

    # Sends `command` to the game running from its folder; the window
    # procedure's answer (1 carried out, 0 not).
    def send(self, command):
        out = subprocess.run([harness.WINE, SEND, windows_path(self.game.dir), command], env=self.game.env,
                             capture_output=True, text=True, timeout=120)
        answers = dict(line.strip().split(" ", 1) for line in out.stdout.splitlines() if " " in line)
        self.assertEqual(out.returncode, 0, f"{command}: {out.stdout} {out.stderr[-2000:]}")
        self.assertEqual(int(answers["window"]) != 0, True)
        return int(answers["result"])

    # Waits until message `k` of `backgrounds` shows whole and still;
    # returns how far its letters reach.
    def wait_message(self, backgrounds, k):
        harness.wait_for(f"message {k} on {backgrounds[k - 1]}", lambda: (lambda shot: background(
            shot) == backgrounds[k - 1] and gp.has_lettering(shot))(self.game.screenshot()))
        shot, _ = gp.wait_text_still(self.game)
        self.assertEqual(background(shot), backgrounds[k - 1])
        return gp.text_width(shot)

    def test_a_start_at_a_message_and_goto_show_that_message_with_its_scene(self):
        self.run_game("--author", "--message", "3")
        third = self.wait_message(STORY, 3)
        self.assertEqual(self.send("goto 1"), 1)
        first = self.wait_message(STORY, 1)
        self.assertEqual(self.send("goto 2"), 1)
        second = self.wait_message(STORY, 2)
        # Past the last message: the last.
        self.assertEqual(self.send("goto 99"), 1)
        fourth = self.wait_message(STORY, 4)
        self.assertLess(first, second)
        self.assertLess(second, third)
        self.assertLess(third, fourth)
        # From the menu the command leaves it for the message.
        menu = gp.open_menu(self.game)
        self.assertIsNone(background(menu))
        self.assertEqual(self.send("goto 3"), 1)
        self.assertEqual(self.wait_message(STORY, 3), third)
        # Malformed commands change nothing.
        for command in ("goto 0", "goto x", "reload DATA", "jump 2"):
            self.assertEqual(self.send(command), 0, command)
        self.assertEqual(background(self.game.screenshot()), "HAIKEI3")
        # While the exit question waits for the player, commands are refused.
        self.game.close_box()
        box = self.game.exit_question()
        self.assertEqual(self.send("goto 1"), 0)
        self.game.key("n", window=box)
        harness.wait_for("the exit question to close", lambda: self.game.find_window("終了確認") is None)
        self.assertEqual(background(self.game.screenshot()), "HAIKEI3")
        self.assertEqual(self.send("goto 1"), 1)
        self.wait_message(STORY, 1)

    def test_reload_shows_the_same_message_from_the_new_archives_in_the_same_window(self):
        self.run_game("--author", "--message", "3")
        third = self.wait_message(STORY, 3)
        window, where = self.game.window, self.game.geometry()
        self.assertEqual(self.send("reload " + windows_path(self.changed_game / "DATA")), 1)
        self.assertEqual(self.wait_message(CHANGED, 3), third)
        self.assertEqual(self.game.find_window(harness.DEFAULT_CAPTION), window)
        self.assertEqual(self.game.geometry(), where)
        # The new scenario is the one played on.
        self.game.key("Return")
        self.wait_message(CHANGED, 4)
        # A folder without archives: refused, and the game goes on as it was.
        self.assertEqual(self.send("reload " + windows_path(self.work / "nothing here")), 0)
        self.assertTrue(gp.stays(self.game, self.game.screenshot(), 2, gp.SCREEN))
        self.assertEqual(background(self.game.screenshot()), "HAIKEI3")
        self.assertEqual(self.send("goto 1"), 1)
        self.wait_message(CHANGED, 1)
        self.assertIsNone(self.game.process.poll())

    def test_on_the_title_reload_stays_there_and_goto_leaves_it(self):
        self.run_game("--author")
        gp.wait_title(self.game)
        self.assertEqual(self.send("reload " + windows_path(self.changed_game / "DATA")), 1)
        gp.wait_title(self.game)
        self.assertEqual(self.send("goto 3"), 1)
        self.wait_message(CHANGED, 3)

    def test_a_players_copy_takes_no_command(self):
        self.run_game()
        shot = gp.wait_title(self.game)
        self.assertEqual(self.send("goto 3"), 0)
        self.assertEqual(self.send("reload " + windows_path(self.changed_game / "DATA")), 0)
        self.assertTrue(gp.stays(self.game, shot, 2, gp.SCREEN))


if __name__ == "__main__":
    unittest.main()
