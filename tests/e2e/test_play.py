# One run of the demo from the title to the exit question, driven by real X
# input under Xvfb; each step starts where the one before left the game.
#
# The title, its cover look, the glossary, the empty load screen and the
# configuration left by Cancel (the staff roll is in e2e_full_screen); a new
# game typing at the normal speed, the right button and a click finishing the
# typing, "VOICE", the menu over the dimmed game; the instant message speed
# put in force by Apply; the hidden message window, the backlog, a term
# opening its entry, a two-page message, the automatic mode, a save loaded
# from the menu and from the title, the story to its quiz, a wrong and a
# right answer, the quiz to its end and the exit question. Everything the
# game plays is recorded and compared sample for sample with the clips.

import time
import unittest

import numpy as np

import gameplay as gp
import harness

# The voice louder than the music and neither at the default, so that a clip
# scaled by the other channel's volume shows.
MUSIC_VOLUME, VOICE_VOLUME = 96, 200
START = gp.settings(auto_speed=gp.FAST, draw_speed=gp.INSTANT, music_volume=MUSIC_VOLUME, voice_volume=VOICE_VOLUME)
AUTO_PAUSE = 2.0  # seconds, the fast automatic speed
# The quiz at the story's end: the message each question follows, its
# choices with the message each leads to, the right one's index.
QUIZ = gp.quiz()
# A click that finishes the typing leaves at most the page as it was when the
# click came, one frame more, and the whole page: typing on by itself would
# show a new state in every screenshot for seconds.
TYPING_CUT = 3
PANEL = (25, 25, 775, 575)
THUMBNAIL8 = (410, 411, 530, 501)
GLOSSARY_TEXT, HEADING = (42, 117, 757, 507), (50, 51, 757, 116)
GLOSSARY_BACK = gp.on_panel("DICTIONARY_BACK", (580, 493))
POPBACK = gp.on_panel("DICTIONARY_POPBACK", (417, 493))
ABOVE_WINDOW = [(100, 100), (700, 80), (150, 300), (650, 300)]  # the background alone at message 2


# The lines of light-blue term pixels in an area (terms are drawn in
# (130, 200, 250); the plain text is white and the panels are dark): the blue
# mask and the middle row of each line, top down.
def term_lines(shot, area):
    pixels = gp.array(shot, area)
    blue = (pixels[:, :, 2] >= 180) & (pixels[:, :, 0] <= pixels[:, :, 2] - 60) & (pixels[:, :, 1] >= 140)
    lines = []
    for y in (y for y in range(len(blue)) if blue[y].sum() >= 3):
        if lines and lines[-1][-1] == y - 1:
            lines[-1].append(y)
        else:
            lines.append([y])
    return blue, [line[len(line) // 2] for line in lines]


# A point in the middle of the `index`-th line's first term.
def term_point(shot, area, index=0):
    blue, lines = term_lines(shot, area)
    xs = np.nonzero(blue[lines[index]])[0]
    end = next((i for i in range(1, len(xs)) if xs[i] - xs[i - 1] > 12), len(xs))
    return area[0] + (xs[0] + xs[end - 1]) // 2, area[1] + lines[index]


class Play(gp.GameTest):
    def setUp(self):
        super().setUp()
        self.start({"sys.dat": START}, record=True)
        self.voiced = []  # the voice each opening of the voice device plays, in order
        self.shown = {}   # message number: its page as the game showed it

    def voices(self):
        return gp.recordings(self.scratch, gp.VOICE_RATE)

    # Waits until the `index`-th voice recording holds as many sounding frames
    # as voice `n`: the clip has played to its end.
    def wait_voice(self, index, n):
        length = len(gp.clip(f"VOICE/V{n:03d}.wav", VOICE_VOLUME))
        harness.wait_for(f"voice recording {index} to reach {length} frames", lambda: len(
            self.voices()) > index and len(gp.played(self.voices()[index])) >= length, interval=0.2)

    def test_title_to_exit(self):
        for step in (self.title_screens, self.typing_the_menu_and_apply, self.window_backlog_term_and_auto,
                     self.saves_and_the_end, self.recorded_sound):
            step()

    def title_screens(self):
        game = self.game
        self.assertEqual(game.geometry()[2:], (800, 600))
        self.assertTrue(gp.title_is_shown(game.wait_still()), "the title is not over its background")
        # Hovering a button shows its cover look; leaving it, the normal one.
        cover, cover_mask, normal = gp.load("TITLE_COVER"), gp.load("TITLE_COVER_MASK"), gp.load("TITLE_START")
        p = next(p for p in gp.mask_points(cover_mask, True)
                 if max(abs(a - b) for a, b in zip(cover.getpixel(p), normal.getpixel(p))) > 40)
        game.move(*gp.TITLE_START)
        game.wait_pixel(515 + p[0], 310 + p[1], cover.getpixel(p))
        game.move(*gp.ASIDE)
        game.wait_pixel(515 + p[0], 310 + p[1], normal.getpixel(p))

        # The glossary: the wheel towards the player turns the list to its
        # second page, away from the player back to the first. A line of the
        # list opens its entry, a term in the explanation that term's entry;
        # the pop-back button steps back to the first entry, the right button
        # to the list, the back button to the title.
        def shows(expected, box, what, press):
            gp.press_until(game, press, lambda s: gp.area_key(s, box) == gp.area_key(expected, box), what)
        title = gp.wait_title(game)
        listing = gp.changes(game, title, HEADING, "the glossary list", press=lambda: game.press(gp.TITLE_GLOSSARY))
        self.assertGreaterEqual(len(term_lines(listing, GLOSSARY_TEXT)[1]), 8, "the list shows no titles")
        gp.changes(game, listing, GLOSSARY_TEXT, "the list's second page", press=lambda: game.click(400, 300, 5))
        gp.press_until(game, lambda: game.click(400, 300, 4), lambda s: gp.area_key(s, GLOSSARY_TEXT) == gp.area_key(
            listing, GLOSSARY_TEXT), "the list's first page again")
        first_page = game.wait_still()
        entry = gp.changes(game, listing, HEADING, "an entry from the list",
                           press=lambda: game.press(term_point(first_page, GLOSSARY_TEXT, 1)))
        linked = gp.changes(game, entry, HEADING, "the entry of a term in the explanation",
                            press=lambda: game.press(term_point(entry, GLOSSARY_TEXT)))
        self.assertNotEqual(gp.area_key(linked, HEADING), gp.area_key(listing, HEADING))
        shows(entry, HEADING, "the first entry again", lambda: game.press(POPBACK))
        shows(listing, HEADING, "the list again", lambda: game.press((400, 300), 3))
        gp.press_until(game, lambda: game.press(GLOSSARY_BACK), gp.title_is_shown, "the title")

        # With no saves the load screen's frames cannot be pressed.
        title = gp.wait_title(game)
        load_screen = gp.changes(game, title, what="the load screen", press=lambda: game.press(gp.TITLE_LOAD))
        game.press(gp.FRAME1)
        self.assertTrue(gp.stays(game, load_screen, 1.5, PANEL), "an empty slot reacted")
        gp.press_until(game, lambda: game.press(gp.SAVE_RETURN), gp.title_is_shown, "the title")
        # Initialize, then Cancel: the settings stay as they were.
        title = gp.wait_title(game)
        config = gp.changes(game, title, what="the configuration screen", press=lambda: game.press(gp.TITLE_CONFIG))
        gp.changes(game, config, what="the options at their defaults", press=lambda: game.press(gp.INITIALIZE))
        gp.press_until(game, lambda: game.press(gp.CANCEL), gp.title_is_shown, "the title")
        gp.wait_title(game)
        self.assertEqual(self.sys_dat(), START)

    def typing_the_menu_and_apply(self):
        game, shown = self.game, self.shown
        # A message types out: the first frame that shows it shows only part
        # of it.
        gp.start_new_game(game)
        first = gp.wait_text(game)
        shown[1], _ = gp.wait_text_still(game, "message 1 to type out")
        self.assertLess(gp.lettering(first).sum(), gp.lettering(shown[1]).sum(), "message 1 did not type out")
        # Typing is over, and with only message 1 in the backlog the wheel
        # away from the user opens nothing.
        game.click(*gp.ASIDE, 4)
        self.assertTrue(gp.stays(game, shown[1], 1.5), "the text changed after typing ended")
        self.voiced.append(1)
        self.wait_voice(0, 1)

        # The right button on a typing message (one that shows its first
        # letters) finishes it and opens no menu.
        gp.next_typed(game, gp.next_page(game, shown[1], lambda: game.click(*gp.IN_TEXT)))
        game.click(*gp.ASIDE, 3)
        shown[2], states = gp.wait_text_still(game, "message 2 to stop typing")
        self.assertLessEqual(states, TYPING_CUT, "the right button did not finish the typing")
        for p in ABOVE_WINDOW:
            self.assertTrue(harness.near(shown[2].getpixel(p), gp.load("HAIKEI1").getpixel(p)), p)
        # "VOICE" plays the finished voice once more, whole.
        self.voiced += [2, 2]
        self.wait_voice(1, 2)
        before = game.screenshot()
        game.move(*gp.VOICE_AT)
        harness.wait_for("the VOICE button's cover look", lambda: gp.max_difference(
            game.screenshot(), before, gp.VOICE_BUTTON) > 8, interval=0.05)
        game.click(*gp.VOICE_AT)
        self.wait_voice(2, 2)

        # The right button opens the menu: the screen mask (black at half
        # opacity, 128) over the game, the panel at (225, 100) at its opacity
        # 192 over that. The right button closes it again.
        game.move(*gp.ASIDE)
        game_shot = game.wait_still()
        points = ABOVE_WINDOW + [(100, 500), (700, 540)]

        def dimmed(p):
            return tuple(c * 127 // 255 for c in game_shot.getpixel(p))

        def open_menu():
            game.click_in_place(3)
            game.wait_pixel(*points[0], dimmed(points[0]), tolerance=3)
            return game.wait_still()

        def close_menu():
            game.click_in_place(3)
            harness.wait_for("the game without the menu", lambda: gp.max_difference(game.screenshot(), game_shot) <= 2)
        menu = open_menu()
        for p in points:
            self.assertTrue(harness.near(menu.getpixel(p), dimmed(p), 3), (p, menu.getpixel(p), dimmed(p)))
        panel, mask = gp.load("MENU_BASE"), gp.load("MENU_BASE_MASK")
        # Points of the panel away from its buttons (x 275 to 525 from y 150).
        for region in ((0, 0, 350, 45), (0, 60, 45, 400), (305, 60, 350, 400)):
            px, py = next(gp.mask_points(mask, True, region))
            p = (225 + px, 100 + py)
            expected = tuple((a * 192 + d * 63) // 255 for a, d in zip(panel.getpixel((px, py)), dimmed(p)))
            self.assertTrue(harness.near(menu.getpixel(p), expected, 4), (p, menu.getpixel(p), expected))
        close_menu()
        # "タイトルへ" hovered on one visit is forgotten on the next: with the
        # pointer resting on it, the menu closed and reopened by the right
        # button, a click that comes with no move presses nothing.
        open_menu()
        game.move(285, 410)
        close_menu()
        reopened = open_menu()
        game.click_in_place()
        self.assertTrue(gp.stays(game, reopened, 2.0, gp.SCREEN), "a stale hover pressed a menu button")
        close_menu()

        # A click on a typing message shows it whole at once; the next message
        # types out again.
        gp.next_typed(game, gp.next_page(game, shown[2], lambda: game.click(*gp.IN_TEXT)))
        game.click(*gp.IN_TEXT)
        shown[3], states = gp.wait_text_still(game, "message 3 to stop typing")
        self.assertLessEqual(states, TYPING_CUT, "the click did not finish the typing")
        first = gp.next_page(game, shown[3], lambda: game.click(*gp.IN_TEXT))
        shown[4], _ = gp.wait_text_still(game, "message 4 to type out")
        self.assertLess(gp.lettering(first).sum(), gp.lettering(shown[4]).sum(), "message 4 did not type out")
        self.voiced += [3, 4]

        # The instant message speed chosen and applied in the configuration
        # screen; the right button leaves it, and then the menu.
        menu = gp.open_menu(game)
        config = gp.changes(game, menu, what="the configuration screen", press=lambda: game.press(gp.MENU_CONFIG))
        gp.changes(game, config, what="the instant message speed chosen", press=lambda: game.press(gp.MESSAGE_INSTANT))
        applied = gp.settings(gp.INSTANT, gp.FAST, gp.INSTANT, MUSIC_VOLUME, VOICE_VOLUME)
        gp.press_until(game, lambda: game.press(gp.APPLY), lambda _: self.sys_dat() == applied,
                       "the new speed in sys.dat")
        config = game.wait_still()
        gp.changes(game, config, gp.SLIDER_END, "the menu", press=lambda: game.click(*gp.ASIDE, 3))
        gp.press_until(game, lambda: game.click(*gp.ASIDE, 3), lambda s: gp.max_difference(s, shown[4]) <= 2,
                       "the game")
        # Message 5 shows whole in the first frame that shows it.
        first = gp.next_page(game, shown[4])
        shown[5], _ = gp.wait_text_still(game)
        self.assertTrue(np.array_equal(gp.lettering(first), gp.lettering(shown[5])),
                        "message 5 typed out: Apply left the normal speed in force")
        self.voiced.append(5)

    def window_backlog_term_and_auto(self):
        game, shown = self.game, self.shown
        # Message 5: Haruto (CHAR2_2) at the right place.
        haikei = np.asarray(gp.load("HAIKEI1"), dtype=np.int16)
        char, mask = (np.asarray(gp.load(stem), dtype=np.int16)[:, :355] for stem in ("CHAR2_2", "CHAR2_MASK"))
        haikei[:, 445:] = (haikei[:, 445:] | mask) & char
        left, top, right, bottom = gp.WINDOW_AREA

        def hide():
            return gp.press_until(game, lambda: game.key("space"), lambda s: np.abs(gp.array(
                s, gp.WINDOW_AREA) - haikei[top:bottom, left:right]).max() <= 8 and s,
                "the scene where the message window was")

        def show(press):
            gp.press_until(game, press, gp.has_lettering, "the message window again")
            return game.wait_still()
        # Space hides the window and shows it again with its page: the name
        # whole, though Haruto came in while it went into the name box. A
        # click brings a hidden window back too, and does not move on.
        hide()
        back = show(lambda: game.key("space"))
        self.assertEqual(gp.max_difference(back, shown[5], gp.TEXT_AREA), 0)
        self.assertEqual(gp.max_difference(back, shown[5], gp.NAME_AREA), 0, "part of the name is missing")
        hide()
        back = show(lambda: game.click(*gp.IN_TEXT))
        self.assertEqual(gp.max_difference(back, shown[5], gp.TEXT_AREA), 0, "the click moved the story on")

        # The backlog: one wheel step, then message `n` (and no other) in
        # the message window.
        def wheel_to(shot, button, n):
            gp.next_page(game, shot, lambda: game.click(*gp.ASIDE, button))
            return harness.wait_for(f"message {n} in the message window", lambda: (lambda now: [
                k for k in shown if gp.same_text(now, shown[k])] == [n] and now)(game.screenshot()), interval=0.05)
        self.assertEqual(gp.lettering_brightness(shown[5]), 255)
        # Away from the user: messages 4, 3, 2 and 1, in the backlog look;
        # past the oldest nothing changes.
        shot = shown[5]
        for n in (4, 3, 2, 1):
            shot = wheel_to(shot, 4, n)
            self.assertLess(gp.lettering_brightness(shot), 225, "the backlog look is not dimmed")
        game.click(*gp.ASIDE, 4)
        self.assertTrue(gp.stays(game, shot, 1.5), "the wheel went past the oldest message")
        # Towards the user: messages 2 to 4, then the game with message 5 in
        # its own look, where the wheel moves on to message 6.
        for n in (2, 3, 4, 5):
            shot = wheel_to(shot, 5, n)
        harness.wait_for("the game's own look", lambda: gp.area_key(game.screenshot(), gp.TEXT_AREA) == gp.area_key(
            shown[5], gp.TEXT_AREA))
        shot = gp.next_page(game, game.screenshot(), lambda: game.click(*gp.ASIDE, 5))
        self.assertEqual([k for k in shown if gp.same_text(shot, shown[k])], [])
        for _ in range(7, 11):
            shot = gp.next_page(game, shot)
        self.voiced += [6, 7, 8, 9, 10]

        # A term of message 10 opens its entry; the right button on the only
        # page leaves it for the same message, not the next one.
        message = game.wait_still()
        gp.changes(game, message, HEADING, "the term's entry", press=lambda: game.press(term_point(message, gp.TEXT_AREA)))
        show(lambda: game.press((400, 300), 3))
        back = gp.wait_text_still(game)[0]
        self.assertTrue(gp.same_text(back, message), "the glossary did not return to the same message")
        # Message 11 (Shiori on the CPU's fetch, decode and execute) takes two
        # pages under one name; the next click reaches message 12 (Haruto).
        page1 = gp.next_page(game, back)
        page2 = gp.next_page(game, page1, lambda: game.click(*gp.IN_TEXT))
        self.assertEqual(gp.max_difference(page2, page1, gp.NAME_AREA), 0, "the page turn changed the speaker")
        self.assertFalse(gp.same_text(page2, page1))
        first = gp.next_page(game, page2, lambda: game.click(*gp.IN_TEXT))
        self.assertGreater(gp.max_difference(first, page2, gp.NAME_AREA), 8)

        # "AUTO": off the button it keeps a look of its own while the mode is
        # on; messages 13 and 14 come without input, each one pause after the
        # screen last changed.
        normal_look = gp.area_key(first, gp.AUTO_BUTTON)
        gp.press_until(game, lambda: game.move(*gp.AUTO_AT), lambda s: gp.area_key(s, gp.AUTO_BUTTON) != normal_look,
                       "the AUTO button's cover look")
        clicked = []

        def click_auto():
            game.click(*gp.AUTO_AT)
            clicked.append(time.monotonic())
            game.move(*gp.ASIDE)
        gp.press_until(game, click_auto, lambda s: gp.area_key(s, gp.AUTO_BUTTON) != normal_look and gp.stays(
            game, s, 0.3, gp.AUTO_BUTTON), "the AUTO button's invalid look")
        second = gp.wait_text(game, unlike=first)
        self.assertGreaterEqual(time.monotonic() - clicked[-1], AUTO_PAUSE - 0.1, "no pause before moving on")
        third = gp.wait_text(game, unlike=second)
        on_look = gp.area_key(third, gp.AUTO_BUTTON)
        # A key ends the mode and does nothing else, even Enter.
        game.key("Return")
        stopped = harness.wait_for("the AUTO button to change its look", lambda: (lambda s: gp.area_key(
            s, gp.AUTO_BUTTON) != on_look and s)(game.screenshot()))
        self.assertTrue(gp.stays(game, third, 3.5 * AUTO_PAUSE, gp.TEXT_AREA), "the story moved on after the key")
        # The same key again acts as usual. Message 15 only takes Piko away at
        # the left, so behind "AUTO" all is as before: its look is the normal
        # one, as after the key.
        shown[15] = gp.next_page(game, third)
        self.assertEqual(gp.area_key(shown[15], gp.AUTO_BUTTON), gp.area_key(stopped, gp.AUTO_BUTTON))
        self.voiced += [11, 12, 13, 14, 15]

    def saves_and_the_end(self):
        # Saved into frame 8 from the menu: ./SYS/save7.dat, and its thumbnail
        # in the frame at once.
        game, message15 = self.game, self.shown[15]
        save = game.dir / "SYS" / "save7.dat"
        menu = gp.open_menu(game)
        save_screen = gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
        saved = gp.changes(game, save_screen, THUMBNAIL8, "the thumbnail in frame 8",
                           press=lambda: game.press(gp.FRAME8))
        harness.wait_for("save7.dat", lambda: save.exists() and save.stat().st_size == gp.SAVE_SIZE)
        date, caption = gp.save_texts(save.read_bytes())
        self.assertRegex(date, r"^\d{4}/[1-9]\d?/[1-9]\d? \d{1,2}:\d{1,2}$")
        self.assertTrue(caption, "the save holds no message")

        # The right button back to the menu and to the game, two messages on;
        # then the save loaded from the menu, and from the title after
        # "タイトルへ": message 15 again each time, voiced.
        gp.changes(game, saved, what="the menu", press=lambda: game.click(*gp.ASIDE, 3))
        gp.press_until(game, lambda: game.click(*gp.ASIDE, 3), lambda s: gp.max_difference(s, message15) <= 2,
                       "the game")
        gp.next_page(game, gp.next_page(game, message15))
        self.voiced += [16, 17]
        for from_title in (False, True):
            menu = gp.open_menu(game)
            if from_title:
                gp.press_until(game, lambda: game.press(gp.MENU_TO_TITLE), gp.title_is_shown, "the title")
                menu = gp.wait_title(game)
            gp.changes(game, menu, what="the load screen",
                       press=lambda: game.press(gp.TITLE_LOAD if from_title else gp.MENU_LOAD))
            gp.press_until(game, lambda: game.press(gp.FRAME8), lambda s: gp.same_text(s, message15),
                           "message 15 again")
            # The whole scene above the message window comes back: the
            # background, Shiori and the slide put up two messages before.
            harness.wait_for("the scene of message 15", lambda: gp.max_difference(
                game.screenshot(), message15, (0, 0, 800, 375)) <= 8)
            self.voiced.append(15)
            harness.wait_for("the voice of message 15", lambda: len(self.voices()) >= len(self.voiced) and len(
                gp.played(self.voices()[len(self.voiced) - 1])) > 1000)

        # Enter until the quiz's first question shows its buttons; Enter
        # then changes nothing. The pointer rests where "つづきから" was
        # pressed on the title's last visit.
        game.move(*gp.TITLE_LOAD)
        shot = gp.wait_text(game)
        first_asked, first_choices, _ = QUIZ[0]
        for presses in range(1, 3 * first_asked):
            shot = gp.next_page(game, shot, probe=lambda s: "question" if gp.choices_shown(s, len(
                first_choices)) else gp.has_lettering(s) and gp.text_key(s) != gp.text_key(shot) and s)
            if shot == "question":
                break
        self.assertEqual(shot, "question", "the first question did not come")
        self.assertGreaterEqual(presses, first_asked - 15)
        self.voiced += list(range(16, first_asked + 1))
        shot = game.wait_still()
        game.key("Return")
        self.assertTrue(gp.stays(game, shot, 2.0, gp.SCREEN), "Enter went past the question")

        # A wrong answer (clicked) is explained and the question asked again;
        # the right one (its number key) goes on. Only the first question is
        # answered wrong once, so the ending is the one for two right at the
        # first try. Then Enter to the title.
        for number, (asked, choices, right) in enumerate(QUIZ):
            if number == 0:
                wrong = next(i for i in range(len(choices)) if i != right)
                shot = gp.answer(game, shot, wrong, len(choices))
                self.voiced.append(choices[wrong][1])
                shot = gp.next_page(game, shot, probe=lambda s: gp.choices_shown(s, len(choices)) and s)
                self.voiced.append(asked)
            shot = gp.answer(game, shot, right, len(choices), by_key=True)
            self.voiced.append(choices[right][1])
            if number + 1 < len(QUIZ):
                shot = gp.next_page(game, shot, probe=lambda s: gp.choices_shown(s, len(QUIZ[number + 1][1])) and s)
                self.voiced.append(QUIZ[number + 1][0])
        # Enter until the title shows: the ending for a score of 2 (">= 1",
        # message 75), then the last message. Which messages those were is
        # told by the voices recorded (checked at the end); the screen may
        # show a message window fading out as one more change.
        for presses in range(1, 8):
            shot = gp.next_page(game, shot, probe=lambda s: "title" if gp.title_is_shown(s) else gp.has_lettering(
                s) and gp.text_key(s) != gp.text_key(shot) and s)
            if shot == "title":
                break
        self.assertEqual(shot, "title", "the story did not end")
        self.voiced += [75, 76]
        # The title shown again has forgotten the hover of its last visit: a
        # click with no move onto the button loads nothing.
        title = game.wait_still()
        game.click_in_place()
        self.assertTrue(gp.stays(game, title, 2.0, gp.SCREEN), "a stale hover opened the load screen")

        # The close box asks; No keeps the game running. The exit button asks
        # the same; Yes (the default button) ends it with status 0.
        game.close_box()
        game.key("n", window=game.exit_question())
        harness.wait_for("the question to close", lambda: not game.find_window("終了確認"))
        self.assertIsNone(game.process.poll())
        question = gp.press_until(game, lambda: game.press(gp.TITLE_EXIT), lambda _: game.find_window("終了確認"),
                                  "the exit question")
        game.key("Return", window=question)
        self.assertEqual(game.wait_exit(), 0)

    def recorded_sound(self):
        # Every message opened its own voice, in the order of play, scaled by
        # the voice volume: the first three whole and once (a voice that has
        # ended does not start again), the others up to where a key cut them.
        voices = self.voices()
        self.assertEqual(len(voices), len(self.voiced))
        for i, (path, n) in enumerate(zip(voices, self.voiced)):
            recorded, clip = gp.played(path), gp.clip(f"VOICE/V{n:03d}.wav", VOICE_VOLUME)
            cut = len(clip) if i < 3 else len(recorded)
            self.assertTrue(len(recorded) == cut <= len(clip) and np.array_equal(recorded, clip[:cut]),
                            f"{path.name} is not V{n:03d}.wav")
        # The three pieces of music, each from its first sample, looping,
        # scaled by the music volume. The save loaded from the menu keeps the
        # first piece going (the save's own music); the title stops it, and
        # the save loaded from there starts it again.
        music = gp.recordings(self.scratch, gp.MUSIC_RATE)
        clips = {n: gp.clip(f"BGM/BGM0{n}.wav", MUSIC_VOLUME) for n in (1, 2, 3)}
        self.assertGreater(len(gp.played(music[0])), len(clips[1]), "the first piece did not come round")
        pieces = [next((n for n in clips if gp.looping(gp.played(path), clips[n])), None) for path in music]
        self.assertEqual(pieces, [1, 1, 2, 3])


if __name__ == "__main__":
    unittest.main()
