# Choices, end to end: a story that branches on a choice picked with the
# mouse or a key, a flag that decides a later branch, saves made inside a
# branch and at a choice (the path is stored after the file's fixed part and
# replayed), a save of the old format loading into the branch it stands in,
# and the backlog along the path taken.
#
# Each message stands on a background of its own and holds a text of its
# own length, so a screenshot tells which message shows.

import shutil
import struct
import tempfile
import unittest
from pathlib import Path

import gameplay as gp
import harness

BACKGROUNDS = ("HAIKEI1", "HAIKEI2", "HAIKEI3")
ABOVE_CHOICES = (0, 0, 800, 100)  # above the two choice buttons, below nothing
INSTANT = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)

# The story's command lines, by their index among the loaded lines (what a
# save's position counts), with the length of each message's text.
SCRIPT = [
    "@BGM[1][./BGM/BGM01.wav]",  # 0
    "@SCENE[1][HAIKEI1]",  # 1
    "@MESSAGE[NONE][あ]",  # 2: the first message
    "@MESSAGE[NONE][%s]" % ("あ" * 3),  # 3: the question
    "@CHOICE[左の道][left]",  # 4
    "@CHOICE[右の道][right]",  # 5
    "@LABEL[left]",  # 6
    "@SET[side][1]",  # 7
    "@SCENE[1][HAIKEI2]",  # 8
    "@MESSAGE[NONE][%s]" % ("あ" * 6),  # 9: the left way
    "@JUMP[join]",  # 10
    "@LABEL[right]",  # 11
    "@ADD[side][2]",  # 12
    "@SCENE[1][HAIKEI3]",  # 13
    "@MESSAGE[NONE][%s]" % ("あ" * 9),  # 14: the right way
    "@LABEL[join]",  # 15
    "@IF[side][=][2][r2]",  # 16
    "@MESSAGE[NONE][%s]" % ("あ" * 12),  # 17: after the left way, still on HAIKEI2
    "@JUMP[end]",  # 18
    "@LABEL[r2]",  # 19
    "@MESSAGE[NONE][%s]" % ("あ" * 15),  # 20: after the right way, on HAIKEI3
    "@LABEL[end]",  # 21
    "@MESSAGE[NONE][%s]" % ("あ" * 18),  # 22: the last
]
RIGHT_WAY_END = 15  # a save's position at the right way's message: the line after it


# A save file as the game wrote it before choices: 33472 bytes, no path.
def old_save(position):
    data = (struct.pack("<i", position) + "2024/1/2 3:04".encode("utf-16-le").ljust(512, b"\0")
            + "右の道".encode("utf-16-le").ljust(512, b"\0")
            + struct.pack("<3i2H6i", 40, 120, 90, 1, 24, 0, 0, 0, 0, 0, 0) + bytes(4) + bytes(32400))
    assert len(data) == gp.SAVE_SIZE
    return data


def background(shot, area=ABOVE_CHOICES):
    return gp.shown_background(shot, BACKGROUNDS, area)



class Choices(gp.GameTest):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="ondrell-e2e-choices-"))
        cls.game_dir = gp.author_game(cls.work, "\r\n".join(SCRIPT) + "\r\n")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def run_game(self, sys_files=None, args=()):
        self.game = harness.Game(self.game_dir, self.display, {"sys.dat": INSTANT, **(sys_files or {})}, args=args)
        self.addCleanup(self.game.close)
        if not args:
            gp.wait_title(self.game)
        return self.game

    # A new game from the title, on to the question.
    def to_the_question(self):
        gp.start_new_game(self.game)
        first = self.wait_message(1, "HAIKEI1")
        self.game.key("Return")
        return first, self.wait_message(3, "HAIKEI1", choosing=True)

    def centre(self, i):
        return gp.choice_centre(i, 2)

    def shows_choices(self, shot):
        return gp.choices_shown(shot, 2)

    # Waits until the message of `length` letters shows whole on
    # `backdrop` (and the choices with it when `choosing`).
    def wait_message(self, length, backdrop, choosing=False):
        def probe(shot):
            return (background(shot) == backdrop and gp.has_lettering(shot)
                    and self.shows_choices(shot) == choosing and shot)
        harness.wait_for(f"the message of {length} letters on {backdrop}", lambda: probe(self.game.screenshot()))
        shot, _ = gp.wait_text_still(self.game)
        self.assertEqual(background(shot), backdrop)
        self.assertEqual(self.shows_choices(shot), choosing)
        return gp.text_width(shot)

    def test_a_mouse_pick_leads_to_its_branch_and_the_flag_decides_the_next(self):
        game = self.run_game()
        first, question = self.to_the_question()
        # Return, Ctrl and a click beside the buttons do not move on.
        game.key("Return")
        game.key("ctrl")
        game.click(*gp.IN_TEXT)
        self.assertTrue(self.shows_choices(game.wait_still()))
        self.assertEqual(background(game.screenshot()), "HAIKEI1")
        game.click(*self.centre(0))
        left = self.wait_message(6, "HAIKEI2")
        game.key("Return")
        after_left = self.wait_message(12, "HAIKEI2")
        game.key("Return")
        last = self.wait_message(18, "HAIKEI2")
        self.assertLess(question, left)
        self.assertLess(left, after_left)
        self.assertLess(after_left, last)
        # The backlog: the messages in the order read, along the path taken.
        seen = []
        shot = game.screenshot()
        for _ in range(4):
            shot = gp.changes(game, shot, gp.TEXT_AREA, "an older message", press=lambda: game.click(*gp.ASIDE, 4))
            seen.append(gp.text_width(shot))
        self.assertEqual(seen, [after_left, left, question, first])

    def test_a_key_pick_leads_to_its_branch_and_a_save_there_keeps_path_and_flags(self):
        game = self.run_game()
        self.to_the_question()
        game.key("2")
        right = self.wait_message(9, "HAIKEI3")
        # Saved in frame 1 at the right way's message.
        menu = gp.open_menu(game)
        saves = gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
        save = game.dir / "SYS/save0.dat"
        game.press(gp.FRAME1)
        harness.wait_for("save0.dat", lambda: save.is_file() and save.stat().st_size > gp.SAVE_SIZE)
        data = save.read_bytes()
        # The fixed part as ever: the position just after the message.
        self.assertEqual(struct.unpack_from("<i", data)[0], RIGHT_WAY_END)
        # Back to the title, then the save loaded: the right way's message
        # on its background, and the flag it set leads on to its own
        # message, not the left way's.
        gp.changes(game, saves, what="the menu", press=lambda: game.click(*gp.ASIDE, 3))
        gp.changes(game, game.screenshot(), what="the title",
                   press=lambda: game.press(gp.MENU_TO_TITLE))
        gp.wait_title(game)
        gp.changes(game, game.screenshot(), what="the load screen", press=lambda: game.press(gp.TITLE_LOAD))
        game.press(gp.FRAME1)
        self.assertEqual(self.wait_message(9, "HAIKEI3"), right)
        game.key("Return")
        self.wait_message(15, "HAIKEI3")

    def test_a_save_at_the_choices_loads_them_again(self):
        game = self.run_game()
        first, question = self.to_the_question()
        # The backlog opens at the choices, without them, and comes back to them.
        backlog = gp.changes(game, game.screenshot(), gp.TEXT_AREA, "the backlog",
                             press=lambda: game.click(*gp.ASIDE, 4))
        self.assertEqual(gp.text_width(backlog), first)
        self.assertFalse(self.shows_choices(backlog))
        game.click(*gp.ASIDE, 5)
        self.assertEqual(self.wait_message(3, "HAIKEI1", choosing=True), question)
        menu = gp.open_menu(game)
        self.assertFalse(self.shows_choices(menu))
        saves = gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
        save = game.dir / "SYS/save7.dat"
        game.press(gp.FRAME8)
        # Before any choice and with no flag set, the file is the old format's.
        harness.wait_for("save7.dat", lambda: save.is_file() and save.stat().st_size == gp.SAVE_SIZE)
        self.assertEqual(struct.unpack_from("<i", save.read_bytes())[0], 4)
        # Leaving the menu comes back to the choices.
        gp.changes(game, saves, what="the menu", press=lambda: game.click(*gp.ASIDE, 3))
        game.click(*gp.ASIDE, 3)
        self.wait_message(3, "HAIKEI1", choosing=True)
        game.key("1")
        self.wait_message(6, "HAIKEI2")
        # The load from the menu shows the question with its choices again.
        menu = gp.open_menu(game)
        gp.changes(game, menu, what="the load screen", press=lambda: game.press(gp.MENU_LOAD))
        game.press(gp.FRAME8)
        self.assertEqual(self.wait_message(3, "HAIKEI1", choosing=True), question)
        game.click(*self.centre(1))
        self.wait_message(9, "HAIKEI3")

    def test_a_save_of_the_old_format_loads_into_its_branch(self):
        game = self.run_game({"save0.dat": old_save(RIGHT_WAY_END)})
        gp.changes(game, game.screenshot(), what="the load screen", press=lambda: game.press(gp.TITLE_LOAD))
        game.press(gp.FRAME1)
        # The first play that reaches the right way's message takes the
        # second choice, which set the flag the next message depends on.
        self.wait_message(9, "HAIKEI3")
        game.key("Return")
        self.wait_message(15, "HAIKEI3")

    def test_an_author_start_inside_a_branch_takes_the_choices_that_lead_there(self):
        # Message 6 (line 20) lies behind the right way: the game starts
        # there as `play --line` starts it, with the flag that way set.
        game = self.run_game(args=("--author", "--message", "6"))
        self.wait_message(15, "HAIKEI3")
        game.key("Return")
        self.wait_message(18, "HAIKEI3")


if __name__ == "__main__":
    unittest.main()
