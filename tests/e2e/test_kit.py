# The authors' kit, end to end: `./play --kit OUT.zip` writes ondrell-kit/
# with the Windows programs, the default interface, the starter game and a
# README for authors. Unpacked outside the build tree, with no build tool
# on PATH, its own ondrell-pack.exe under Wine checks the starter with no
# finding, releases it into a zip whose archives (and whole bytes) are
# those `./play --game starter --release` writes on Linux, and plays it
# from a line: the game's window opens under the starter's title at that
# line's message, and when the game is closed through its exit question
# the tool ends with 0.

import subprocess
import unittest
import zipfile

from PIL import Image

import gameplay as gp
import harness

TITLE = "はじめてのゲーム"  # the starter's game.ini title
EXE = "hajimete"  # and its exe
LINE = 9  # @SCENE[1][SKY]: the next message (line 10) shows the sky and Aki
ON_SKY = (700, 100)  # the background, clear of the character and the clouds
ON_AKI = (150, 300)  # Aki's dress, at place l
DRESS = (220, 70, 100)


# The game `play` started, driven like one the harness starts.
class Attached(harness.Game):
    def __init__(self, env, window, scratch, tool):
        self.env, self.window, self.dir, self.process, self.copied = env, window, scratch, tool, False


class Kit(gp.GameTest):
    def run_tool(self, *args, env):
        return subprocess.run([harness.WINE, "ondrell-pack.exe", *args], cwd=self.kit, env=env,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, encoding="utf-8",
                              errors="replace")

    def test_the_kit_checks_releases_and_plays_the_starter_with_its_own_programs(self):
        kit_zip = self.scratch / "kit.zip"
        result = subprocess.run([str(harness.ROOT / "play"), "--kit", str(kit_zip)], stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        self.assertEqual(result.returncode, 0, result.stdout.decode("utf-8", "replace"))
        with zipfile.ZipFile(kit_zip) as archive:
            self.assertIsNone(archive.testzip())
            names = set(archive.namelist())
            for name in ("ondrell.exe", "ondrell-pack.exe", "ondrell-check.exe", "README.txt", "interface/IMG/",
                         "interface/IMG/TITLE.bmp", "starter/game.ini", "starter/icon.png",
                         "starter/IMG/script.scr.utf8", "starter/IMG/Dictionary.dic.utf8", "starter/IMG/AKI.png",
                         "starter/BGM/theme.ogg", "starter/VOICE/hello.wav"):
                self.assertIn(f"ondrell-kit/{name}", names)
            self.assertTrue(all(n.startswith("ondrell-kit/") for n in names), names)
            readme = archive.read("ondrell-kit/README.txt")
            self.assertTrue(readme.startswith(b"\xef\xbb\xbf"))
            self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"))
            self.assertIn("ondrell-pack.exe play starter --line 1", readme.decode("utf-8-sig"))
            archive.extractall(self.scratch / "unpacked")
        self.kit = self.scratch / "unpacked" / "ondrell-kit"
        starter = self.kit / "starter"

        # Wine and nothing else: no compiler, no Python, no build folder.
        env = dict(harness.wine_env(self.display))
        harness.restart_wine(env)
        self.addCleanup(harness.restart_wine, env)
        bare = dict(env, PATH=str(self.scratch / "no-tools"))

        checked = self.run_tool("check", "starter", env=bare)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertNotIn("error", (checked.stdout + checked.stderr).lower())
        self.assertNotIn("warning", checked.stdout.lower())

        released = self.run_tool("release", "starter", "windows.zip", env=bare)
        self.assertEqual(released.returncode, 0, released.stdout + released.stderr)
        self.assertIn(f"Wrote windows.zip: {EXE}/ with DATA/IMG.dat, DATA/SOUND.dat, README.txt, {EXE}.exe",
                      released.stdout)
        linux_zip = self.scratch / "linux.zip"
        result = subprocess.run([str(harness.ROOT / "play"), "--game", str(starter), "--release", str(linux_zip)],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(result.returncode, 0, result.stdout.decode("utf-8", "replace"))
        windows_zip = (self.kit / "windows.zip").read_bytes()
        with zipfile.ZipFile(self.kit / "windows.zip") as windows, zipfile.ZipFile(linux_zip) as linux:
            for name in ("DATA/IMG.dat", "DATA/SOUND.dat"):
                self.assertEqual(windows.read(f"{EXE}/{name}"), linux.read(f"{EXE}/{name}"), name)
        # The zip writer too writes the same bytes on both builds.
        self.assertEqual(windows_zip, linux_zip.read_bytes())

        # The author's loop from the kit: the game opens at the line's message.
        tool = subprocess.Popen([harness.WINE, "ondrell-pack.exe", "play", "starter", "--line", str(LINE)],
                                cwd=self.kit, env=bare, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        self.addCleanup(lambda: tool.poll() is None and tool.kill())
        probe = Attached(env, None, self.scratch, tool)
        game = Attached(env, harness.wait_for("the starter's window", lambda: probe.find_window(TITLE)),
                        self.scratch, tool)
        with Image.open(starter / "IMG" / "SKY.png") as sky, Image.open(starter / "IMG" / "ROOM.png") as room:
            sky_pixel, room_pixel = sky.convert("RGB").getpixel(ON_SKY), room.convert("RGB").getpixel(ON_SKY)
        self.assertFalse(harness.near(sky_pixel, room_pixel))
        harness.wait_for("the sky and Aki of the message after line 9", lambda: (
            lambda shot: harness.near(shot.getpixel(ON_SKY), sky_pixel) and harness.near(shot.getpixel(ON_AKI), DRESS)
        )(game.screenshot()))

        game.close_box()
        game.key("Return", window=game.exit_question())
        status = harness.wait_for("the tool to end", lambda: tool.poll() is not None and [tool.returncode])[0]
        output = tool.stdout.read().decode("utf-8", "replace")
        self.assertEqual(status, 0, output)
        self.assertIn("The game has ended.", output)


if __name__ == "__main__":
    unittest.main()
