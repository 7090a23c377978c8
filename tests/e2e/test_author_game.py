# An author's game, end to end: a folder laid out like the demo's sources is
# checked, packed and laid out the way `./play --game DIR` does it
# (tools/setup/make-game --sources), then played. A message that a scenario
# with CR LF line ends writes over two lines shows whole: exactly like the
# same text written on one line.

import unittest

import gameplay as gp

TEXT = ("一行目のことば", "二行目につづく")
# CR LF throughout. The first message goes on over two lines; the second
# holds the same text on one line, under a name so that the two differ.
SCRIPT = "@BGM[1][./BGM/BGM01.wav]\r\n@SCENE[1][HAIKEI1]\r\n@MESSAGE[NONE][%s\r\n%s]\r\n@MESSAGE[A][%s%s]\r\n" % (
    TEXT * 2)


class AuthorGame(gp.GameTest):
    def test_a_crlf_message_over_two_lines_shows_whole(self):
        # The author's folder: the demo's pictures and music with our own
        # texts. The checker runs first and finds nothing to say.
        game_dir = gp.author_game(self.scratch, SCRIPT)
        instant = gp.settings(message_speed=gp.INSTANT, draw_speed=gp.INSTANT)
        game = self.start({"sys.dat": instant}, game_dir=game_dir)
        gp.start_new_game(game)
        joined = gp.wait_text(game, what="the first message")
        single = gp.next_page(game, joined)
        self.assertLessEqual(gp.max_difference(joined, single, gp.TEXT_AREA), 8)


if __name__ == "__main__":
    unittest.main()
