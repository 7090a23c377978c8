# A save that cannot be written says so, and why, in a box owned by the game
# window; the slot keeps showing what it showed and the game plays on. The
# end of the Windows session waits for a save that is still being written.

import os
import subprocess
import unittest
from pathlib import Path

import gameplay as gp
import harness

HOLD_FILE = os.environ.get("ONDRELL_HOLD_FILE", str(harness.ROOT / "build/win/tests/e2e/hold_file.exe"))
FRAME2 = (gp.FRAME1[0] + 364, gp.FRAME1[1])  # the frames' columns lie 364 pixels apart
THUMBNAIL1 = (46, 81, 166, 171)  # frame 1's thumbnail on the save screen
SAVE_CAPTION = "セーブできませんでした"
SETTINGS_CAPTION = "設定を保存できませんでした"

# A save file image: a scenario position, the date and caption texts (256
# UTF-16 units each), the thumbnail's header (120 x 90, 24 bits) and its
# pixels, a grey ramp.
SAVE = (
    (18).to_bytes(4, "little") + "2024/1/2 3:04".encode("utf-16-le").ljust(512, b"\0")
    + "放課後。".encode("utf-16-le").ljust(512, b"\0")
    + bytes.fromhex("28000000 78000000 5a000000 0100 1800") + bytes(24) + bytes(4)
    + bytes(i % 256 for i in range(32400)))
assert len(SAVE) == gp.SAVE_SIZE


def windows_path(path):
    return "Z:" + str(path).replace("/", "\\")  # Wine's drive Z: is the root of the Unix file system


class Saves(gp.GameTest):
    def save_screen(self, game):
        menu = gp.open_menu(game)
        return gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))

    def test_a_save_that_cannot_be_written_says_why_and_the_game_plays_on(self):
        log = self.scratch / "boxes.log"
        # Frame 1 holds a save; frame 2's file name is taken by a folder.
        game = harness.Game(gp.GAME_DIR, self.display, {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT),
                                                        "save0.dat": SAVE}, box_log=log,
                            prepare=lambda folder: (folder / "SYS" / "save1.dat").mkdir())
        self.addCleanup(game.close)
        save0 = game.dir / "SYS" / "save0.dat"
        gp.start_new_game(game)
        first = gp.wait_text(game)
        saves = self.save_screen(game)

        # Another program holds save0.dat without sharing it (a virus scan, a
        # backup): the save waits a moment, then says so.
        holder = subprocess.Popen([harness.WINE, HOLD_FILE, windows_path(save0)], env=game.env,
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, start_new_session=True)
        self.addCleanup(holder.stdout.close)
        self.addCleanup(lambda: holder.poll() is None and (os.killpg(holder.pid, 9), holder.wait()))
        self.assertEqual(holder.stdout.readline().strip(), "held")
        game.press(gp.FRAME1)
        text = gp.answer_box(game, log, SAVE_CAPTION, 1)
        self.assertIn("スロット 1 にセーブできませんでした。ほかのプログラムがファイルを使用しています。", text)
        self.assertIn("The game was not saved in slot 1: the file is in use by another program.", text)
        self.assertEqual(save0.read_bytes(), SAVE)
        # The slot shows the old save still, and the screen takes input.
        self.assertLessEqual(gp.max_difference(game.wait_still(), saves, THUMBNAIL1), 8)

        # A folder with the file's name.
        game.press(FRAME2)
        text = gp.answer_box(game, log, SAVE_CAPTION, 2)
        self.assertIn("The game was not saved in slot 2: a folder has the file's name.", text)
        self.assertTrue((game.dir / "SYS" / "save1.dat").is_dir())

        # Once the other program lets go, frame 1 saves as ever, with no box.
        os.killpg(holder.pid, 9)
        holder.wait()
        gp.press_until(game, lambda: game.press(gp.FRAME1), lambda _: save0.read_bytes() != SAVE, "save0.dat saved")
        self.assertEqual(len(save0.read_bytes()), gp.SAVE_SIZE)
        gp.changes(game, saves, THUMBNAIL1, "frame 1's new thumbnail")
        # Back to the game, which goes on to its next page.
        menu = gp.changes(game, game.wait_still(), what="the menu", press=lambda: game.press(gp.SAVE_RETURN))
        shot = gp.changes(game, menu, what="the game", press=lambda: game.click(*gp.ASIDE, 3))
        self.assertTrue(gp.same_text(shot, first))
        gp.next_page(game, shot)
        self.assertEqual(len(gp.box_texts(log)), 2)
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)

    # A disk that takes 4 s to flush (Wine's server flushes for the game), a
    # save into frame 1, and at once the end of the Windows session: Windows
    # ends the process once the game has answered, so the save must be on the
    # disk by then.
    def test_the_end_of_the_session_waits_for_a_save_being_written(self):
        slow = self.scratch / "slow_fsync.so"
        subprocess.run(["cc", "-shared", "-fPIC", "-o", str(slow), str(Path(__file__).with_name("slow_fsync.c")),
                        "-ldl"], check=True)
        game = harness.Game(gp.GAME_DIR, self.display, {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)},
                            env={"LD_PRELOAD": str(slow), "ONDRELL_SLOW_FSYNC_SECONDS": "4"})
        self.addCleanup(game.close)
        gp.start_new_game(game)
        gp.wait_text(game)
        self.save_screen(game)
        save0, temporary = game.dir / "SYS" / "save0.dat", game.dir / "SYS" / "save0.dat.tmp"
        game.press(gp.FRAME1)
        harness.wait_for("the save being written", temporary.exists)
        self.assertFalse(save0.exists())
        env = dict(game.env)
        env.pop("LD_PRELOAD")
        subprocess.run([harness.WINE, "wineboot", "--end-session", "--force"], env=env, timeout=harness.DEADLINE,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        game.wait_exit()
        self.assertEqual(len(save0.read_bytes()), gp.SAVE_SIZE)
        self.assertFalse(temporary.exists())


if __name__ == "__main__":
    unittest.main()
