# The launcher (ondrell-launcher.exe) driven as an author drives it, with
# real X input under Wine: it sits in a kit folder beside copies of the
# built ondrell-check.exe, ondrell-pack.exe, ondrell.exe and the default
# interface, as the kit lays them out. What it shows is read from outside
# by launcher_probe.exe (its folder and status lines, its buttons, every
# row of its list).
#   - A folder named on its command line is checked at once: the script's
#     error is a row (kind, file, line, text), the status counts it, and
#     the folder is remembered in %APPDATA%\Ondrell\launcher.ini.
#   - Alt+P on a good folder plays it: the game's window opens at its title,
#     the buttons are disabled while it runs, and the launcher is ready
#     again when the game ends. Alt+L and line 3 in its dialog start the
#     game at that line's message, its background shown with no title.
#   - Alt+N makes a new game from the kit's starter in a folder named in the
#     save dialog, opens and checks it; Alt+P then plays it.

import os
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from PIL import Image

import harness

INTERFACE = harness.ROOT / "build/content/interface"
CAPTION = "Ondrell Launcher"
# The controls' numbers (tools/launcher/launcher_ids.h).
PLAY, NEW_GAME = "103", "106"
ROOM = (150, 110, 60)  # the test games' background
ABOVE_MESSAGES = (400, 40)  # a point the message window never covers


# The default title picture's colour there: what a play from the start shows.
def title_plain():
    with Image.open(INTERFACE / "IMG/TITLE.bmp") as image:
        return image.convert("RGB").getpixel(ABOVE_MESSAGES)


def z(path):
    return "Z:" + str(path).replace("/", "\\")


# A game's sources: one background, a script of `lines` and an empty
# glossary, with game.ini's title when given.
def write_game(folder, lines, title=None):
    img = folder / "IMG"
    img.mkdir(parents=True)
    Image.new("RGB", (800, 600), ROOM).save(img / "ROOM.png")
    (img / "script.scr.utf8").write_text("\n".join(lines) + "\n", encoding="utf-8")
    (img / "Dictionary.dic.utf8").write_text("// 用語はまだない\n", encoding="utf-8")
    if title:
        (folder / "game.ini").write_text(f"[game]\ntitle = {title}\n", encoding="utf-8")


class Launcher(unittest.TestCase):
    def setUp(self):
        self.display = harness.Display()
        self.addCleanup(self.display.close)
        self.scratch = Path(tempfile.mkdtemp(prefix="ondrell-e2e-launcher-"))
        self.addCleanup(shutil.rmtree, self.scratch, True)
        # The kit: the launcher and what it runs, side by side.
        self.kit = self.scratch / "kit"
        self.kit.mkdir()
        for variable, name in (("ONDRELL_LAUNCHER_EXE", "ondrell-launcher.exe"), ("ONDRELL_PACK_EXE", "ondrell-pack.exe"),
                               ("ONDRELL_CHECK_EXE", "ondrell-check.exe"), ("ONDRELL_ENGINE_EXE", "ondrell.exe")):
            shutil.copy(os.environ[variable], self.kit / name)
        shutil.copytree(INTERFACE, self.kit / "interface")
        self.env = harness.wine_env(self.display)
        # A fresh prefix's settings: no folder remembered from another run.
        for ini in Path(self.env["WINEPREFIX"]).glob("drive_c/users/*/AppData/Roaming/Ondrell/launcher.ini"):
            ini.unlink()
        harness.restart_wine(self.env)
        self.addCleanup(harness.restart_wine, self.env)

    def x(self, *args, check=True):
        result = subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise AssertionError(f"{args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def find(self, name):
        found = self.x("xdotool", "search", "--name", f"^{name}$", check=False).split()
        return found[0] if found else None

    def start(self, *args):
        self.launcher = subprocess.Popen([harness.WINE, z(self.kit / "ondrell-launcher.exe"), *args], env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(lambda: self.launcher.poll() is None and (self.launcher.kill(), self.launcher.wait()))
        self.window = harness.wait_for("the launcher's window", lambda: self.find(CAPTION))
        return self.window

    # What the launcher shows: {"folder": ..., "status": ..., "buttons":
    # {id: enabled}, "rows": [(kind, file, line, text)]}.
    def shown(self):
        out = subprocess.run([harness.WINE, os.environ["ONDRELL_LAUNCHER_PROBE"]], env=self.env, capture_output=True,
                             timeout=60).stdout.decode("utf-8")
        state = {"folder": None, "status": None, "buttons": {}, "rows": []}
        for line in out.splitlines():
            fields = line.split("\t")
            if fields[0] in ("folder", "status"):
                state[fields[0]] = fields[1]
            elif fields[0] == "button":
                state["buttons"][fields[1]] = fields[2] == "1"
            elif fields[0] == "row":
                state["rows"].append(tuple(fields[1:]))
        return state

    def wait_shown(self, what, probe):
        last = [None]

        def poll():
            last[0] = self.shown()
            return probe(last[0]) and last[0]
        try:
            return harness.wait_for(what, poll, interval=0.5)
        except AssertionError as e:
            raise AssertionError(f"{e}; the launcher shows {last[0]!r}") from None

    def key(self, name):
        self.x("xdotool", "windowactivate", "--sync", self.window, check=False)
        self.x("xdotool", "key", "--window", self.window, name)

    # Plays with Alt+P, or from `line` through "Play from line"; `shown`
    # (the game's window) runs while the game is up.
    def play_and_end(self, title, line=None, shown=None):
        if line is None:
            self.key("alt+p")
        else:
            self.key("alt+l")
            dialog = harness.wait_for("the line dialog", lambda: self.find("Play from line"))
            self.x("xdotool", "type", "--window", dialog, "--delay", "30", str(line))
            self.x("xdotool", "key", "--window", dialog, "Return")
        game = harness.wait_for(f"the game's window {title!r}", lambda: self.find(title), deadline=harness.DEADLINE * 2)
        if shown:
            shown(game)
        # While the game runs nothing else can start.
        running = self.wait_shown("the buttons disabled", lambda s: s["buttons"] and not any(s["buttons"].values()))
        self.assertIn("watching", running["status"])
        # The game ends through its exit question; the launcher is ready.
        self.x("xdotool", "windowactivate", "--sync", game, check=False)
        self.x("xdotool", "key", "--window", game, "alt+F4")
        question = harness.wait_for("the exit question", lambda: self.find("終了確認"))
        self.x("xdotool", "key", "--window", question, "Return")
        return self.wait_shown("play ended", lambda s: s["status"].startswith("Play ended") and s["buttons"][PLAY])

    def test_a_folder_on_the_command_line_is_checked_and_its_findings_listed(self):
        folder = self.scratch / "my ゲーム"
        write_game(folder, ["@SCENE[1][ROOM]", "@MESSAGE[NONE][ひとつめ。]", "@MESSAGE[NONE][とじない"])
        self.start(z(folder))
        state = self.wait_shown("the finding", lambda s: any(r[0] == "error" for r in s["rows"]))
        errors = [r for r in state["rows"] if r[0] == "error"]
        self.assertEqual(len(errors), 1, state)
        kind, file, line, text = errors[0]
        self.assertTrue(file.replace("/", "\\").endswith("my ゲーム\\IMG\\script.scr.utf8"), file)
        self.assertEqual(line, "3")
        self.assertTrue(text, errors[0])
        self.assertEqual(state["folder"], z(folder))
        done = self.wait_shown("the check's end", lambda s: s["status"].startswith("Checked"))
        self.assertEqual(done["status"], "Checked: 1 error, 0 warnings (double-click one to open its file).")
        ini = list(Path(self.env["WINEPREFIX"]).glob("drive_c/users/*/AppData/Roaming/Ondrell/launcher.ini"))
        self.assertEqual(len(ini), 1)
        self.assertIn(f"folder = {z(folder)}\n", ini[0].read_text(encoding="utf-8"))

    def test_alt_p_plays_a_good_folder(self):
        folder = self.scratch / "good game"
        write_game(folder, ["@SCENE[1][ROOM]", "@MESSAGE[NONE][ひとつめ。]", "@MESSAGE[NONE][ふたつめ。]"],
                   title="Launcher Play")
        self.start(z(folder))
        self.wait_shown("a clean check", lambda s: s["status"] == "Checked: no findings.")
        self.play_and_end("Launcher Play", shown=lambda game: self.wait_pixel(game, title_plain()))
        # From line 3, the second message: the story's background at once,
        # with no title screen.
        self.play_and_end("Launcher Play", line=3, shown=lambda game: self.wait_pixel(game, ROOM))

    def wait_pixel(self, game, colour):
        shot = self.scratch / "shot.png"

        def probe():
            if subprocess.run(["import", "-window", game, str(shot)], env=self.env, capture_output=True).returncode:
                return False
            with Image.open(shot) as image:
                return harness.near(image.convert("RGB").getpixel(ABOVE_MESSAGES), colour, 12)
        harness.wait_for(f"{colour} at {ABOVE_MESSAGES} in the game", probe)

    def test_a_new_game_from_the_starter_then_played(self):
        write_game(self.kit / "starter", ["@SCENE[1][ROOM]", "@MESSAGE[NONE][はじめまして。]"], title="Starter Game")
        self.start()
        self.wait_shown("the launcher ready", lambda s: s["buttons"].get(NEW_GAME) and not s["buttons"][PLAY])
        self.key("alt+n")
        dialog = harness.wait_for("the new game's dialog", lambda: self.find("New game: name its folder"))
        target = self.scratch / "new game"
        # The name field has the focus. Keys sent to a window lose Shift
        # (":" would arrive as ";"), so the path is typed through the X
        # server's test extension with the pointer over the dialog, which
        # has the input focus under a display without a window manager.
        self.x("xdotool", "key", "--window", dialog, "ctrl+a")
        self.x("xdotool", "mousemove", "--window", dialog, "300", "200")
        self.x("xdotool", "type", "--delay", "30", z(target))
        self.x("xdotool", "key", "Return")
        state = self.wait_shown("the new game checked", lambda s: s["status"] == "Checked: no findings.")
        self.assertEqual(state["folder"], z(target))
        self.assertEqual((target / "IMG/script.scr.utf8").read_text(encoding="utf-8"),
                         (self.kit / "starter/IMG/script.scr.utf8").read_text(encoding="utf-8"))
        self.play_and_end("Starter Game")


if __name__ == "__main__":
    unittest.main()
