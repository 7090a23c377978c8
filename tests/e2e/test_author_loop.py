# `ondrell-pack play` under Wine, with a stand-in for the game
# (fake_author_game.exe, given as --engine): the tool checks, packs and starts
# the game in author mode, watches the folder and, after a saved edit of the
# script, packs a new generation folder and sends "reload FOLDER", whose
# archives already hold the edit; an edit that breaks the script prints the
# checker's finding and sends nothing; a second `play --line N` sends
# "goto K" to the running game and starts no second program; when the game
# ends, the tool ends with 0.

import os
import queue
import shutil
import subprocess
import tempfile
import threading
import unittest
from pathlib import Path

import harness

INTERFACE = harness.ROOT / "build/content/interface"
# Line 1 a remark; message 1 on line 2, message 2 over lines 3 and 4,
# message 3 on line 5.
SCRIPT = "// はじまり\n@MESSAGE[NONE][ひとつめ]\n@MESSAGE[NONE][ふたつめ\nのつづき]\n@MESSAGE[NONE][みっつめ]\n"
EDITED = SCRIPT.replace("みっつめ", "かきかえた")
BROKEN = SCRIPT + "@MESSAGE[NONE][とじない\n"
FIXED = SCRIPT.replace("ひとつめ", "なおした")
GLOSSARY = "// 用語はまだない\n"


def z(path):
    return "Z:" + str(path).replace("/", "\\")


class AuthorLoop(unittest.TestCase):
    def setUp(self):
        self.display = harness.Display()
        self.addCleanup(self.display.close)
        self.scratch = Path(tempfile.mkdtemp(prefix="ondrell-e2e-play-"))
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.env = harness.wine_env(self.display)
        harness.restart_wine(self.env)
        self.addCleanup(harness.restart_wine, self.env)
        self.game = self.scratch / "mygame"
        (self.game / "IMG").mkdir(parents=True)
        self.write_script(SCRIPT)
        (self.game / "IMG/Dictionary.dic.utf8").write_text(GLOSSARY, encoding="utf-8")
        self.play_dir = self.scratch / "play"
        self.log = self.scratch / "game.log"
        self.env["ONDRELL_FAKE_GAME_LOG"] = z(self.log)

    def write_script(self, text):
        # As an editor saves: a temporary file renamed over the old one.
        temporary = self.game / "IMG/.script.scr.utf8.swp"
        temporary.write_text(text, encoding="utf-8")
        temporary.replace(self.game / "IMG/script.scr.utf8")

    def play(self, *extra):
        return [harness.WINE, os.environ["ONDRELL_PACK_EXE"], "play", z(self.game), "--out", z(self.play_dir),
                "--engine", os.environ["ONDRELL_FAKE_GAME"], "--interface", z(INTERFACE), *extra]

    def events(self):
        return self.log.read_text(encoding="utf-8").splitlines() if self.log.exists() else []

    def test_reloads_after_an_edit_refuses_a_broken_one_and_a_second_play_sends_goto(self):
        tool = subprocess.Popen(self.play("--line", "3"), env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, text=True, encoding="utf-8")
        self.addCleanup(lambda: tool.poll() is None and tool.kill())
        lines = queue.Queue()
        output = []
        threading.Thread(target=lambda: [lines.put(line) for line in tool.stdout], daemon=True).start()

        # The `count`-th line of the tool's output holding `what`.
        def wait_line(what, count=1):
            def probe():
                while not lines.empty():
                    output.append(lines.get().rstrip("\n"))
                found = [line for line in output if what in line]
                return found[count - 1] if len(found) >= count else None
            return harness.wait_for(f"line {count} with {what!r} (so far: {output!r})", probe)

        # The scenario the game last read (its kana stored as Shift_JIS).
        def script_read():
            return Path(str(self.log) + ".script").read_bytes().decode("cp932")

        # Started for its author at message 2 (line 3 opens it), from the play
        # folder's ./DATA.
        wait_line("watching")
        harness.wait_for("the game's window", lambda: "window" in self.events())
        self.assertEqual(self.events()[0], "start --author --message 2")
        self.assertTrue((self.play_dir / "DATA/IMG.dat").is_file())
        self.assertTrue((self.play_dir / "DATA/SOUND.dat").is_file())
        self.assertTrue((self.play_dir / "SYS").is_dir())

        # A saved edit: one reload, naming a new generation folder whose
        # archive holds the edit; the folder the game read before is gone.
        self.write_script(EDITED)
        reloaded = wait_line("Reloaded in ")
        self.assertRegex(reloaded, r"^Reloaded in \d+\.\d\d s: IMG/script\.scr\.utf8 changed$")
        commands = [e for e in self.events() if e.startswith("command ")]
        self.assertEqual(commands, ["command reload " + z(self.play_dir / "DATA.1")])
        self.assertIn("かきかえた", script_read())
        self.assertFalse((self.play_dir / "DATA").exists())
        self.assertTrue((self.play_dir / "DATA.1/IMG.dat").is_file())

        # A broken edit: the checker's finding, the game left alone.
        self.write_script(BROKEN)
        finding = wait_line("error:")
        self.assertIn("script.scr.utf8:6:", finding)
        wait_line("not reloaded")
        # Fixed again: the next reload is the second one of the run.
        self.write_script(FIXED)
        wait_line("Reloaded in ", 2)
        commands = [e for e in self.events() if e.startswith("command ")]
        self.assertEqual(commands[1:], ["command reload " + z(self.play_dir / "DATA.2")])
        self.assertIn("なおした", script_read())
        self.assertFalse((self.play_dir / "DATA.1").exists())

        # A second play with a line: "goto 3" for line 4 (inside message 2:
        # the next one), the running game
        # brought forward, no second program started; it ends at once.
        second = subprocess.run(self.play("--line", "4"), env=self.env, capture_output=True, text=True,
                                encoding="utf-8", timeout=harness.DEADLINE)
        self.assertEqual(second.returncode, 0, second.stdout + second.stderr)
        self.assertEqual([e for e in self.events() if e.startswith("command ")][-1], "command goto 3")
        self.assertEqual([e for e in self.events() if e.startswith("start ")], ["start --author --message 2"])
        self.assertNotIn("second", self.events())
        # Past the last message: said, and nothing sent.
        past = subprocess.run(self.play("--line", "6"), env=self.env, capture_output=True, text=True,
                              encoding="utf-8", timeout=harness.DEADLINE)
        self.assertEqual(past.returncode, 1)
        self.assertIn("play: line 6 is past the last message (line 5)", past.stdout + past.stderr)
        self.assertEqual([e for e in self.events() if e.startswith("command ")][-1], "command goto 3")

        # The game ends: so does the tool, with 0.
        window = harness.wait_for("the game's X window", lambda: subprocess.run(
            ["xdotool", "search", "--name", "^Ondrell ver. 1.20$"], env=self.env, capture_output=True,
            text=True).stdout.split())
        subprocess.run(["xdotool", "key", "--window", window[0], "alt+F4"], env=self.env, check=True)
        self.assertEqual(tool.wait(timeout=harness.DEADLINE), 0)
        wait_line("The game has ended.")


if __name__ == "__main__":
    unittest.main()
