# The game under stress: killed while it writes its settings over and over,
# and a storm of a thousand quick inputs over every screen. Random choices
# come from a seed that is printed (set ONDRELL_SEED to replay one).

import itertools
import os
import random
import re
import time
import unittest

import gameplay as gp
import harness

SEED = os.environ.get("ONDRELL_SEED") or str(random.randrange(1 << 32))
print(f"ONDRELL_SEED={SEED}", flush=True)

START = gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)
# What the Apply storm writes: the defaults, and the defaults with the
# instant message speed.
WRITTEN = (gp.settings(), gp.settings(gp.INSTANT))
# Every button of every screen but the exits and full screen (which would
# end the storm or change the window under it).
BUTTONS = [gp.TITLE_START, gp.TITLE_LOAD, gp.TITLE_GLOSSARY, gp.TITLE_CONFIG, gp.TITLE_STAFF, gp.MENU_SAVE,
           gp.MENU_LOAD, gp.MENU_CONFIG, gp.MENU_TO_TITLE, gp.FRAME1, gp.FRAME8, gp.SAVE_RETURN, gp.INITIALIZE,
           gp.OK, gp.CANCEL, gp.APPLY, gp.WINDOWED, gp.MESSAGE_INSTANT, gp.VOICE_AT, gp.AUTO_AT, gp.IN_TEXT]
AVOID = [(x - 5, y - 5, x + gp.size(stem)[0] + 5, y + gp.size(stem)[1] + 5) for stem, x, y in (
    ("TITLE_EXIT", 515, 510), ("MENU_EXITGAME", 275, 450), ("CONFIG_FULLSCREEN", 25 + 495, 25 + 93))]


class Stress(gp.GameTest):
    def start_logged(self, sys_files):
        self.log = self.scratch / f"boxes{len(list(self.scratch.glob('boxes*')))}.log"
        self.game = harness.Game(gp.GAME_DIR, self.display, sys_files, box_log=self.log)
        self.addCleanup(self.game.close)
        return self.game

    # Every box the game raised but its exit question (whose text has no
    # Latin letters): a "Mutex timeout", a warning, an error.
    def other_boxes(self):
        return [t for t in re.findall(r'MSGBOX_OnInit L"(.*?)"', self.log.read_text(errors="replace"))
                if re.search("[A-Za-z]{3}", t)]

    def batch(self, *actions):
        self.game.x("xdotool", *[word for action in actions for word in action])

    def click(self, point, button=1):
        return ["mousemove", "--window", self.game.window, str(point[0]), str(point[1]), "click", str(button)]

    def test_a_kill_while_settings_are_written_leaves_a_whole_sys_dat(self):
        rng = random.Random(SEED)
        files = {"sys.dat": START}
        for round_ in range(3):
            game = self.start_logged(files)
            title = gp.wait_title(game)
            if round_ == 2:
                break
            gp.changes(game, title, what="the configuration screen", press=lambda: game.press(gp.TITLE_CONFIG))
            # Instant message speed and Apply, the defaults and Apply, as fast
            # as xdotool sends them, until a moment chosen by chance.
            deadline = time.monotonic() + rng.uniform(1.0, 4.0)
            while time.monotonic() < deadline:
                self.batch(self.click(gp.MESSAGE_INSTANT), self.click(gp.APPLY), self.click(gp.INITIALIZE),
                           self.click(gp.APPLY))
            game.kill()
            sys_dir = game.dir / "SYS"
            files = {p.name: p.read_bytes() for p in sys_dir.iterdir()}
            # Whole, and one of the two the storm wrote (it ran for a second at least).
            self.assertIn(files["sys.dat"], WRITTEN)
            self.assertTrue(set(files) <= {"sys.dat", "sys.dat.tmp"}, set(files))
            self.assertEqual(self.other_boxes(), [])
        # The third run started from what the second left: the title came up;
        # it ends through its exit question, which stores the settings again.
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)
        self.assertIn(self.sys_dat(), WRITTEN)
        self.assertEqual(self.other_boxes(), [])

    def test_a_thousand_quick_inputs_leave_the_game_answering(self):
        rng = random.Random(SEED)
        game = self.start_logged({"sys.dat": START})
        gp.wait_title(game)

        def action():
            kind = rng.choice(["button", "point", "point", "right", "wheel", "key"])
            if kind == "key":
                return ["key", "--window", game.window, rng.choice(["Return", "space", "ctrl+Return", "Control_L"])]
            while True:  # OK, Apply and the save screen's return lie over the title's exit: never pressed
                point = rng.choice(BUTTONS) if kind == "button" else (rng.randrange(800), rng.randrange(600))
                if not any(l <= point[0] <= r and t <= point[1] <= b for l, t, r, b in AVOID):
                    break
            return self.click(point, {"button": 1, "point": 1, "right": 3, "wheel": rng.choice([4, 5])}[kind])

        for sent in range(0, 1000, 25):
            try:
                self.batch(*[action() for _ in range(25)])
            except AssertionError:
                raise AssertionError(f"xdotool failed after {sent} inputs; the game's exit status: "
                                     f"{game.process.poll()}; boxes: {self.other_boxes()}") from None
            question = game.find_window("終了確認")
            if question:  # a right click on the menu's "back to title" and the like can ask; No goes on
                game.key("n", window=question)
                harness.wait_for("the question to close", lambda: not game.find_window("終了確認"))
            self.assertIsNone(game.process.poll(), f"the game ended after {sent + 25} inputs")
            self.assertEqual(self.other_boxes(), [], f"after {sent + 25} inputs")

        # The game still answers: the right button opens or leaves the menu
        # or a screen, Return turns a page, space shows the hidden window,
        # and on the title, which takes none of them, the pointer over a
        # button gives it a look of its own; one of them changes the picture.
        still = game.wait_still()
        keys, points = itertools.cycle(["Return", "space"]), itertools.cycle([gp.TITLE_START, gp.TITLE_EXIT])

        def answers():
            game.click(*gp.ASIDE, 3)
            game.key(next(keys))
            game.move(*next(points))
            return gp.max_difference(game.wait_still(), still) > 8
        try:
            harness.wait_for("the game to answer an input", answers)
        except AssertionError:
            game.screenshot(os.environ.get("ONDRELL_E2E_SHOT", self.scratch / "stuck.png"))
            raise
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)
        self.assertEqual(self.other_boxes(), [])


if __name__ == "__main__":
    unittest.main()
