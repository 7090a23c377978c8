# The author's loop with the real game, as `./play --game DIR --line N` runs
# it: `ondrell-pack.exe play` under Wine checks and packs an author's folder,
# starts the game in author mode at the message on line N (its background,
# character, slide and music as the story has them there), and reloads it on
# every saved edit: an edit to an earlier line's background shows at the same
# message in the same window; a broken edit prints the checker's finding and
# leaves the game as it was; a second `play --line` moves the running game
# and opens no second window; a save made before the edits loads after them;
# a title written into game.ini becomes the running window's caption.
# When the game ends, the tool ends with 0.

import os
import queue
import shutil
import subprocess
import threading
import unittest

import numpy as np
from PIL import Image

import gameplay as gp
import harness

INTERFACE = harness.ROOT / "build/content/interface"
CAPTION = harness.DEFAULT_CAPTION
ROOM, SKY, GRASS, AKI, CARD = (150, 110, 60), (70, 130, 200), (60, 170, 70), (230, 60, 90), (240, 220, 40)
AKI_SHOWN = (40, 60, 260, 360)  # the opaque part of the character's picture at place l
CARD_AT, CARD_SIZE = (30, 30), (300, 200)
ON_BACKGROUND, ON_AKI, ON_CARD = (600, 300), (150, 300), (200, 100)
SCRIPT = [
    "// はじめての本",               # 1
    "@BGM[1][./BGM/theme.wav]",       # 2
    "@SCENE[1][ROOM]",                # 3
    "@MESSAGE[NONE][ひとつめ。]",      # 4: message 1
    "@SCENE[1][SKY]",                 # 5
    "@CHARACTER[1][l][AKI]",          # 6
    "@SLIDE[1][CARD]",                # 7
    "@MESSAGE[NONE][ふたつめ。]",      # 8: message 2
    "@SLIDE[0][]",                    # 9
    "@MESSAGE[NONE][みっつめ、ながいぶん。]",  # 10: message 3
    "@MESSAGE[NONE][よっつめ。]",      # 11: message 4
]


def z(path):
    return "Z:" + str(path).replace("/", "\\")


# The game that `play` started, driven like one the harness starts.
class Attached(harness.Game):
    def __init__(self, env, window, scratch, tool):
        self.env, self.window, self.dir, self.process, self.copied = env, window, scratch, tool, False


class AuthorLoop(gp.GameTest):
    def write_script(self, lines):
        # As an editor saves: a temporary file renamed over the old one.
        temporary = self.sources / "IMG/.script.scr.utf8.swp"
        temporary.write_text("\n".join(lines) + "\n", encoding="utf-8")
        temporary.replace(self.sources / "IMG/script.scr.utf8")

    def author_folder(self):
        self.sources = self.scratch / "mygame"
        img = self.sources / "IMG"
        img.mkdir(parents=True)
        for name, colour in (("ROOM", ROOM), ("SKY", SKY), ("GRASS", GRASS)):
            Image.new("RGB", (800, 600), colour).save(img / f"{name}.png")
        aki = Image.new("RGBA", (300, 500), (0, 0, 0, 0))
        aki.paste(AKI + (255,), AKI_SHOWN)
        aki.save(img / "AKI.png")
        Image.new("RGB", CARD_SIZE, CARD).save(img / "CARD.png")
        (img / "Dictionary.dic.utf8").write_text("// 用語はまだない\n", encoding="utf-8")
        (self.sources / "BGM").mkdir()
        (self.sources / "BGM/theme.wav").write_bytes(gp.tone(1.0))
        self.write_script(SCRIPT)

    def play(self, *extra):
        return [harness.WINE, os.environ["ONDRELL_PACK_EXE"], "play", z(self.sources), "--out", z(self.play_dir),
                "--engine", z(os.environ["ONDRELL_ENGINE_EXE"]), "--interface", z(INTERFACE), *extra]

    def test_start_at_a_line_edit_a_broken_edit_a_second_play_and_an_old_save(self):
        self.author_folder()
        self.play_dir = self.scratch / "play"
        (self.play_dir / "SYS").mkdir(parents=True)
        (self.play_dir / "SYS/sys.dat").write_bytes(gp.settings(gp.INSTANT, draw_speed=gp.INSTANT))
        env = dict(harness.wine_env(self.display))
        (self.scratch / "asoundrc").write_text(
            "pcm.!default {\n  type file\n  slave { pcm { type null } }\n"
            f"  file \"{self.scratch}/rec-%r-%c.raw\"\n  format \"raw\"\n  truncate false\n}}\n")
        env.update(ALSA_CONFIG_PATH=str(self.scratch / "asoundrc"), WINEDLLOVERRIDES="mscoree,mshtml,winepulse.drv=")
        harness.restart_wine(env)
        self.addCleanup(harness.restart_wine, env)
        tool = subprocess.Popen(self.play("--line", "5"), env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, text=True, encoding="utf-8")
        self.addCleanup(lambda: tool.poll() is None and tool.kill())
        lines, output = queue.Queue(), []
        threading.Thread(target=lambda: [lines.put(line) for line in tool.stdout], daemon=True).start()

        def wait_line(what, count=1):  # the `count`-th line of the tool's output holding `what`
            def probe():
                while not lines.empty():
                    output.append(lines.get().rstrip("\n"))
                found = [line for line in output if what in line]
                return found[count - 1] if len(found) >= count else None
            return harness.wait_for(f"line {count} with {what!r} (so far: {output!r})", probe)

        def windows():
            return subprocess.run(["xdotool", "search", "--name", f"^{CAPTION}$"], env=env, capture_output=True,
                                  text=True).stdout.split()

        def scene(shot, background, character=True, card=False):
            return (harness.near(shot.getpixel(ON_BACKGROUND), background)
                    and harness.near(shot.getpixel(ON_AKI), AKI if character else background)
                    and harness.near(shot.getpixel(ON_CARD), CARD if card else AKI if character else background))

        # Line 5 lies before message 2: it shows, skipping the title, with the
        # sky, the character and the card, and the music plays.
        wait_line("watching")
        game = Attached(env, harness.wait_for("the game window", lambda: (windows() or [None])[0]), self.scratch, tool)
        harness.wait_for("message 2's scene", lambda: scene(game.screenshot(), SKY, card=True))
        message2 = gp.wait_text(game, what="message 2")
        harness.wait_for("the music", lambda: gp.recordings(self.scratch, gp.MUSIC_RATE) and len(
            gp.played(gp.recordings(self.scratch, gp.MUSIC_RATE)[0])) > 0)
        window, place = game.window, game.geometry()

        # On to message 3 (the card hidden), saved into slot 1.
        message3 = gp.next_page(game, message2)
        harness.wait_for("message 3's scene", lambda: scene(game.screenshot(), SKY))
        menu = gp.open_menu(game)
        game.press(gp.MENU_SAVE)
        saves = gp.changes(game, menu, what="the save screen")
        game.press(gp.FRAME1)
        save = self.play_dir / "SYS/save0.dat"
        harness.wait_for("save0.dat", lambda: save.is_file() and save.stat().st_size == gp.SAVE_SIZE)
        game.wait_still()
        game.click(*gp.SAVE_RETURN)
        gp.changes(game, saves, what="the menu again")
        game.click(*gp.ASIDE, 3)
        harness.wait_for("message 3 again", lambda: scene(game.screenshot(), SKY) and gp.same_text(
            game.screenshot(), message3))

        # An earlier line's background edited: message 3 shows on the grass,
        # in the same window at the same place, with no restart.
        edited = SCRIPT[:4] + ["@SCENE[1][GRASS]"] + SCRIPT[5:]
        self.write_script(edited)
        self.assertRegex(wait_line("Reloaded in "), r"^Reloaded in \d+\.\d\d s: IMG/script\.scr\.utf8 changed$")
        shot = harness.wait_for("message 3 on the grass", lambda: (lambda s: scene(s, GRASS) and gp.same_text(
            s, message3) and s)(game.screenshot()))
        self.assertEqual((windows(), game.geometry()), ([window], place))

        # A broken edit: the finding, and the game as it was.
        self.write_script(edited + ["@MESSAGE[NONE][とじない"])
        self.assertIn("script.scr.utf8:12:", wait_line("error:"))
        wait_line("not reloaded")
        self.assertTrue(gp.stays(game, shot, 1.0, area=gp.SCREEN))

        # A second play with a line: the running game goes to message 4 (line
        # 11), in its one window, and the second play ends at once.
        self.write_script(edited)
        wait_line("Reloaded in ", 2)
        second = subprocess.run(self.play("--line", "11"), env=env, capture_output=True, text=True,
                                encoding="utf-8", timeout=harness.DEADLINE)
        self.assertEqual(second.returncode, 0, second.stdout + second.stderr)
        message4 = gp.wait_text(game, unlike=shot, what="message 4")
        self.assertTrue(scene(message4, GRASS))
        self.assertEqual(windows(), [window])

        # The save made before the edits loads after them: message 3, its
        # scene replayed by the edited story.
        menu = gp.open_menu(game)
        game.press(gp.MENU_LOAD)
        gp.changes(game, menu, what="the load screen")
        game.press(gp.FRAME1)
        harness.wait_for("the save's message on the grass", lambda: (lambda s: scene(s, GRASS) and gp.same_text(
            s, message3))(game.screenshot()))

        # A title given in game.ini: the running window takes it as its caption.
        (self.sources / "game.ini").write_text("[game]\ntitle = 星の図書館\n", encoding="utf-8")
        wait_line("Reloaded in ", 3)
        harness.wait_for("the new caption", lambda: game.x("xdotool", "getwindowname", window).strip() == "星の図書館")

        # The game ends through its exit question; so does the tool, with 0.
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(tool.wait(timeout=harness.DEADLINE), 0)
        wait_line("The game has ended.")


if __name__ == "__main__":
    unittest.main()
