"""The game plays: a new game types its first message, clicks and keys move
through pages and messages, the backlog pages back, Space hides the message
window, the right button opens the menu over the dimmed game, the automatic
mode moves on by itself, and the end of the story returns to the title.
Driven by real X input under Xvfb; every wait polls for what it expects."""

import os
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import gameplay as gp  # noqa: E402
import harness  # noqa: E402
import pictures  # noqa: E402

GAME_DIR = os.environ.get("ONDRELL_GAME_DIR", str(harness.ROOT / "build/game"))

# Where a click goes that is meant for the message and nothing else: inside
# the message window, away from its buttons.
IN_TEXT = (400, 500)
# Away from the message window and the menu panel.
ASIDE = (100, 200)

MESSAGES = 58  # "@MESSAGE" lines of the demo story, each with its voice

# A click that finishes the typing leaves at most the page as it was when
# the click came, one frame more, and the whole page: typing on by itself
# would show a new state in every screenshot for seconds.
TYPING_CUT = 3


class Play(unittest.TestCase):
    sys_file = None
    record = False

    def setUp(self):
        self.display = harness.Display()
        self.addCleanup(self.display.close)
        self.record_dir = None
        if self.record:
            self.record_dir = Path(tempfile.mkdtemp(prefix="ondrell-e2e-sound-"))
            self.addCleanup(shutil.rmtree, self.record_dir, True)
        files = {"sys.dat": self.sys_file} if self.sys_file else None
        self.game = harness.Game(GAME_DIR, self.display, sys_files=files, record_dir=self.record_dir)
        self.addCleanup(self.game.close)

    def click(self, point, button=1):
        self.game.click(point[0], point[1], button)

    def next_page(self, shot, press=None):
        """Moves on by one page with Enter (or `press`) and returns the next
        page once it is shown whole."""
        return gp.press_and_wait(self.game, press or (lambda: self.game.key("Return")), shot)


class TypingAndClicks(Play):
    """At the normal message speed."""

    def test_first_message_types_out_and_clicks_finish_it_and_move_on(self):
        gp.start_new_game(self.game)
        # Message 1 appears a few characters at a time and then stops.
        first, seen = gp.wait_text_still(self.game, what="message 1 to type out")
        self.assertGreaterEqual(len(seen), 3, "the first message did not type out")
        self.assertLess(seen[0][1], seen[-1][1])
        self.assertTrue(gp.stays(self.game, first, 1.5), "the text went on changing after typing ended")

        # A click on the finished message goes on to message 2, which types
        # out; a click while it types shows the page whole at once.
        self.click(IN_TEXT)
        gp.wait_typing(self.game, what="message 2 to start typing")
        self.click(IN_TEXT)
        second, seen = gp.wait_text_still(self.game, what="message 2 to stop typing")
        self.assertLessEqual(len(seen), TYPING_CUT, "the click did not finish the typing")
        self.assertFalse(gp.same_text(second, first))
        self.assertTrue(gp.stays(self.game, second, 1.5), "typing went on after the click")

        # The next click goes on to message 3, which types out again.
        self.click(IN_TEXT)
        gp.wait_typing(self.game, what="message 3 to start typing")
        third, seen = gp.wait_text_still(self.game, what="message 3 to type out")
        self.assertGreaterEqual(len(seen), 3)
        self.assertFalse(gp.same_text(third, second))


class Pages(Play):
    sys_file = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)

    def test_a_long_message_turns_its_page_before_the_next_message(self):
        # Messages 1 to 10 fit on one page each; message 11 (Shiori on the
        # CPU's fetch, decode and execute) takes two.
        gp.start_new_game(self.game)
        shot = gp.wait_text(self.game)
        for _ in range(10):
            shot = self.next_page(shot)
        page1 = shot
        page2 = self.next_page(page1, lambda: self.click(IN_TEXT))
        self.assertTrue(np.array_equal(gp.array(page2, gp.NAME_AREA), gp.array(page1, gp.NAME_AREA)),
                        "the page turn changed the speaker")
        self.assertFalse(gp.same_text(page2, page1))
        message12 = self.next_page(page2, lambda: self.click(IN_TEXT))
        self.assertFalse(np.array_equal(gp.array(message12, gp.NAME_AREA), gp.array(page2, gp.NAME_AREA)),
                         "two clicks on message 11 did not reach message 12 (Haruto)")


class Backlog(Play):
    sys_file = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)

    def wheel(self, shot, button):
        """One wheel step; returns the message window once it has changed."""
        return self.next_page(shot, lambda: self.click(ASIDE, button))

    def test_wheel_pages_back_through_four_messages_and_forward_into_the_game(self):
        gp.start_new_game(self.game)
        shown = {1: gp.wait_text(self.game)}
        # With only message 1 in the backlog the wheel away from the user does
        # nothing.
        self.click(ASIDE, 4)
        self.assertTrue(gp.stays(self.game, shown[1], 1.5), "the wheel opened a backlog of one message")
        for n in range(2, 6):
            shown[n] = self.next_page(shown[n - 1])
        self.assertEqual(gp.lettering_brightness(shown[5]), 255)

        def wheel_to(shot, button, n):
            """One wheel step, then waits for message `n` (and no other) in
            the message window."""
            self.wheel(shot, button)

            def probe():
                now = self.game.screenshot()
                return [k for k in shown if gp.same_text(now, shown[k])] == [n] and now
            return harness.wait_for(f"message {n} in the message window", probe, 10, interval=0.05)

        # Away from the user: messages 4, 3, 2 and 1, in the backlog look.
        shot = shown[5]
        for n in (4, 3, 2, 1):
            shot = wheel_to(shot, 4, n)
            self.assertLess(gp.lettering_brightness(shot), 225, "the backlog look is not dimmed")
        # Message 1 is the oldest: one more step changes nothing.
        self.click(ASIDE, 4)
        self.assertTrue(gp.stays(self.game, shot, 1.5), "the wheel went past the oldest message")

        # Towards the user: messages 2, 3, 4, then the game with message 5.
        for n in (2, 3, 4):
            shot = wheel_to(shot, 5, n)
        shot = wheel_to(shot, 5, 5)
        harness.wait_for("the game's own look", lambda: gp.max_difference(
            self.game.screenshot(), shown[5], gp.TEXT_AREA) == 0, 10)
        # In the game again: the wheel towards the user moves on to message 6.
        shot = self.wheel(self.game.screenshot(), 5)
        self.assertEqual([k for k in shown if gp.same_text(shot, shown[k])], [])


class HideWindow(Play):
    sys_file = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)

    # Message 2: Haruto (CHAR2_1) at the centre place.
    SCENE_2 = ("HAIKEI1", (("CHAR2_1", "CHAR2_MASK", 200),))

    def hide(self, scene):
        """Space, then waits for the scene to show where the window was."""
        expected = gp.scene(*scene)
        self.game.key("space")
        return harness.wait_for("the scene where the message window was",
                                lambda: (lambda s: gp.shows_scene(s, expected) and s)(self.game.screenshot()))

    def test_space_hides_the_message_window_and_shows_it_again(self):
        gp.start_new_game(self.game)
        shot = self.next_page(gp.wait_text(self.game))  # message 2
        hidden = self.hide(self.SCENE_2)
        # Space again: the window comes back with its page.
        self.game.key("space")
        back = gp.wait_text(self.game, unlike=hidden)
        self.assertTrue(gp.same_text(back, shot))
        self.assertEqual(gp.max_difference(back, shot, gp.TEXT_AREA), 0)
        # A click brings a hidden window back too, and does not move on.
        hidden = self.hide(self.SCENE_2)
        self.click(IN_TEXT)
        back = gp.wait_text(self.game, unlike=hidden)
        self.assertEqual(gp.max_difference(back, shot, gp.TEXT_AREA), 0, "the click moved the story on")

    def test_speaker_name_is_drawn_whole_after_a_character_fades_in(self):
        # Message 2 brings Haruto in at the centre while its name goes into the
        # name box. Hiding and showing the window redraws all of it: the name
        # must look as it did when the message came.
        gp.start_new_game(self.game)
        shot = self.next_page(gp.wait_text(self.game))
        hidden = self.hide(self.SCENE_2)
        self.game.key("space")
        back = gp.wait_text(self.game, unlike=hidden)
        self.assertEqual(gp.max_difference(back, shot, gp.NAME_AREA), 0,
                         "the name differs from the name redrawn whole (part of it is missing)")


class Menu(Play):
    sys_file = gp.settings(message_speed=gp.NORMAL, draw_speed=gp.INSTANT)

    def test_right_click_finishes_typing_then_opens_the_menu_over_the_dimmed_game_then_closes_it(self):
        gp.start_new_game(self.game)
        gp.wait_typing(self.game)
        self.click(ASIDE, 3)
        game_shot, seen = gp.wait_text_still(self.game)
        self.assertLessEqual(len(seen), TYPING_CUT, "the right click did not finish the typing")
        # The menu did not open: the background is there at full strength.
        haikei = pictures.load("HAIKEI1")
        above_window = [(100, 100), (700, 80), (150, 300), (650, 300)]
        for x, y in above_window:
            self.assertTrue(harness.near(game_shot.getpixel((x, y)), haikei.getpixel((x, y))), (x, y))
        self.assertTrue(gp.stays(self.game, game_shot, 1.0))
        points = above_window + [(100, 500), (700, 540)]  # and two in the message window

        # The second right click opens the menu: the screen mask (black at
        # half opacity, 128) over the game, and the panel at (225, 100) at
        # its opacity 192 over that.
        self.click(ASIDE, 3)

        def dimmed(x, y):
            return tuple(c * 127 // 255 for c in game_shot.getpixel((x, y)))
        x0, y0 = points[0]
        self.game.wait_pixel(x0, y0, dimmed(x0, y0), tolerance=3)
        menu_shot = self.game.wait_still()
        for x, y in points:
            self.assertTrue(harness.near(menu_shot.getpixel((x, y)), dimmed(x, y), 3),
                            ((x, y), menu_shot.getpixel((x, y)), dimmed(x, y)))
        panel, mask = pictures.load("MENU_BASE"), pictures.load("MENU_BASE_MASK")
        # Points of the panel away from its buttons (which lie at x 275 to 525
        # from y 150 on).
        for region in ((0, 0, 350, 45), (0, 60, 45, 400), (305, 60, 350, 400)):
            px, py = pictures.find_point(mask, True, region)
            x, y = 225 + px, 100 + py
            expected = tuple((p * 192 + d * 63) // 255 for p, d in zip(panel.getpixel((px, py)), dimmed(x, y)))
            self.assertTrue(harness.near(menu_shot.getpixel((x, y)), expected, 4),
                            ((x, y), menu_shot.getpixel((x, y)), expected))

        # A right click closes the menu: the game as it was.
        self.click(ASIDE, 3)
        harness.wait_for("the game without the menu", lambda: gp.max_difference(
            self.game.screenshot(), game_shot, (0, 0, 800, 600)) <= 2)

        # "タイトルへ" hovered on one visit is forgotten on the next: with the
        # pointer resting on it, the menu closed and reopened by the right
        # button, a click that comes with no move presses nothing.
        to_title = (275 + 10, 400 + 10)
        self.click(ASIDE, 3)
        self.game.wait_pixel(x0, y0, dimmed(x0, y0), tolerance=3)
        self.game.wait_still()
        self.game.move(*to_title)
        self.game.click_in_place(3)
        harness.wait_for("the game without the menu", lambda: gp.max_difference(
            self.game.screenshot(), game_shot, (0, 0, 800, 600)) <= 2)
        self.game.click_in_place(3)
        self.game.wait_pixel(x0, y0, dimmed(x0, y0), tolerance=3)
        reopened = self.game.wait_still()
        self.game.click_in_place()
        self.assertTrue(gp.stays(self.game, reopened, 2.0, (0, 0, 800, 600)), "a stale hover pressed a menu button")


class AutoMode(Play):
    sys_file = gp.settings(message_speed=gp.INSTANT, auto_speed=gp.FAST, draw_speed=gp.INSTANT)
    PAUSE = 2.0  # seconds, the fast automatic speed

    def test_auto_moves_on_by_itself_until_a_key_stops_it(self):
        gp.start_new_game(self.game)
        first = gp.wait_text(self.game)
        normal_look = gp.area_key(first, gp.AUTO_BUTTON)
        gp.hover(self.game, gp.AUTO_BUTTON)
        self.click(gp.centre(gp.AUTO_BUTTON))
        clicked = time.monotonic()
        self.game.move(*ASIDE)
        # Off the button, "AUTO" keeps a look of its own while the mode is on.
        harness.wait_for("the AUTO button's invalid look", lambda: (lambda s: gp.area_key(
            s, gp.AUTO_BUTTON) != normal_look and gp.stays(self.game, s, 0.3, gp.AUTO_BUTTON))(self.game.screenshot()))

        # Message 2 comes without input, one pause after the screen last
        # changed, and message 3 after it.
        second = gp.wait_text(self.game, unlike=first)
        self.assertGreaterEqual(time.monotonic() - clicked, self.PAUSE - 0.1, "no pause before moving on")
        third = gp.wait_text(self.game, unlike=second)
        on_look = gp.area_key(third, gp.AUTO_BUTTON)

        # A key ends the mode and does nothing else, even Enter.
        self.game.key("Return")
        stopped = harness.wait_for("the AUTO button to change its look", lambda: (lambda s: gp.area_key(
            s, gp.AUTO_BUTTON) != on_look and s)(self.game.screenshot()))
        self.assertTrue(gp.stays(self.game, third, 3.5 * self.PAUSE, gp.TEXT_AREA),
                        "the story moved on after the key")
        # The same key again acts as usual. Message 4 only brings Piko in at
        # the left, so what lies behind "AUTO" is as before: its look there is
        # the normal one, as after the key.
        fourth = self.next_page(third)
        self.assertFalse(gp.same_text(fourth, third))
        self.assertEqual(gp.area_key(fourth, gp.AUTO_BUTTON), gp.area_key(stopped, gp.AUTO_BUTTON))


class ToTheEnd(Play):
    sys_file = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)
    record = True

    def test_playing_every_message_returns_to_the_title(self):
        gp.start_new_game(self.game)
        shot = gp.wait_text(self.game)
        before = gp.text_key(shot)
        presses = 0
        while True:
            self.assertLess(presses, 3 * MESSAGES, "the story did not end")
            self.game.key("Return")
            presses += 1

            def probe():
                s = self.game.screenshot()
                if gp.title_is_shown(s):
                    return "title"
                return gp.has_lettering(s) and gp.text_key(s) != before and s
            result = harness.wait_for("the next page or the title", probe, interval=0.05)
            if result == "title":
                break
            before = gp.text_key(result)
        title = self.game.wait_still()
        self.assertTrue(gp.title_is_shown(title))
        self.assertGreaterEqual(presses, MESSAGES)
        # The pointer still rests on "はじめから", where it clicked to start;
        # the title shown again has forgotten that hover, so a click with no
        # move onto the button starts nothing.
        self.game.click_in_place()
        self.assertTrue(gp.stays(self.game, title, 2.0, (0, 0, 800, 600)), "a stale hover started a new game")

        # Every message opened its own voice, in the order of the story; each
        # recording is the start of that clip (Enter cut it short).
        voices = gp.recordings(self.record_dir, gp.VOICE_RATE, gp.VOICE_CHANNELS)
        self.assertEqual(len(voices), MESSAGES)
        for n, path in enumerate(voices, 1):
            played = gp.sounding(gp.read_recording(path, gp.VOICE_CHANNELS))
            clip = gp.sounding(gp.clip(f"VOICE/V{n:03d}.wav", 128))
            self.assertLessEqual(len(played), len(clip), path.name)
            self.assertTrue(np.array_equal(played, clip[:len(played)]), f"{path.name} is not V{n:03d}.wav")
        # The three pieces of music, each from its first sample, looping.
        music = gp.recordings(self.record_dir, gp.MUSIC_RATE, gp.MUSIC_CHANNELS)
        self.assertEqual(len(music), 3)
        for n, path in enumerate(music, 1):
            played = gp.sounding(gp.read_recording(path, gp.MUSIC_CHANNELS))
            clip = gp.sounding(gp.clip(f"BGM/BGM0{n}.wav", 128))
            self.assertGreater(len(played), 0, path.name)
            loops = np.concatenate([clip] * (len(played) // len(clip) + 1))
            self.assertTrue(np.array_equal(played, loops[:len(played)]), f"{path.name} is not BGM0{n}.wav")


if __name__ == "__main__":
    unittest.main()
