# The game started on damaged data and on a ./SYS it cannot use. Damage the
# game cannot go on from ends it with a "Fatal Error" box naming what is
# wrong, then exit code 3 once the box is answered (no hang, no crash). A
# voice clip it cannot read is left silent and the story goes on. A missing,
# read-only or full ./SYS still lets the game be played and saved to, and
# leaves what was in it untouched.

import os
import random
import re
import shutil
import signal
import struct
import subprocess
import unittest
from pathlib import Path

import numpy as np

import gameplay as gp
import harness


# {key: (offset, size)} of an archive image: the index offset in the last four
# bytes, there the count, then per record offset, size, name length, name.
def entries(data):
    at = struct.unpack_from("<i", data, len(data) - 4)[0]
    count, at, found = struct.unpack_from("<i", data, at)[0], at + 4, {}
    for _ in range(count):
        offset, size, length = struct.unpack_from("<3i", data, at)
        found[data[at + 12:at + 12 + length].decode("ascii")] = (offset, size)
        at += 12 + length
    return found


# A game folder `folder` whose archive `name` is `damage(bytes)`.
def damaged_game(folder, name, damage):
    shutil.copytree(gp.GAME_DIR, folder, copy_function=os.link)
    target = folder / "DATA" / name
    data = bytearray(target.read_bytes())
    target.unlink()  # a hard link to the real archive
    target.write_bytes(damage(data))
    return folder


def overwrite(key, garbage):
    def damage(data):
        offset, size = entries(data)[key]
        data[offset:offset + len(garbage(size))] = garbage(size)
        return data
    return damage


# A save file image: a scenario position, the date and caption texts (256
# UTF-16 units each), the thumbnail's header (120 x 90, 24 bits) and its
# pixels, a grey ramp.
SAVE = (struct.pack("<i", 18) + "2024/1/2 3:04".encode("utf-16-le").ljust(512, b"\0")
        + "放課後。".encode("utf-16-le").ljust(512, b"\0") + struct.pack("<3i2H6i", 40, 120, 90, 1, 24, 0, 0, 0, 0, 0, 0)
        + bytes(4) + bytes(i % 256 for i in range(32400)))
assert len(SAVE) == gp.SAVE_SIZE


class Hostile(gp.GameTest):
    def boxes(self, log):
        return re.findall(r'MSGBOX_OnInit L"(.*?)"', Path(log).read_text(errors="replace"))

    def test_damage_that_stops_the_game_is_named_in_a_fatal_box(self):
        noise = random.Random(7)
        cases = [  # archive, damage, what the box must say
            ("IMG.dat", lambda data: data[:len(data) // 2],
             r"^Damaged data file \(\./DATA/IMG\.dat\): its index lies outside the file\."),
            # A picture start-up registers, its header and rows noise.
            ("IMG.dat", overwrite("./IMG/MENU_BASE.bmp", lambda size: noise.randbytes(size)),
             r"\./IMG/MENU_BASE\.bmp"),
        ]
        for i, (name, damage, expected) in enumerate(cases):
            with self.subTest(name=name, expected=expected):
                log, folder = self.scratch / f"boxes{i}.log", self.scratch / f"game{i}"
                game = harness.Game(damaged_game(folder, name, damage), self.display, box_log=log, title=None)
                self.addCleanup(game.close)
                box = harness.wait_for("the Fatal Error box", lambda: game.find_window("Fatal Error"))
                self.assertEqual(len(self.boxes(log)), 1)
                self.assertRegex(self.boxes(log)[0], expected)
                game.key("Return", window=box)
                self.assertEqual(game.wait_exit(), 3)
                self.assertEqual(len(self.boxes(log)), 1)
                game.close()
                shutil.rmtree(folder)

    def test_a_voice_with_a_broken_header_is_silent_and_the_story_goes_on(self):
        # V001 (the first message's voice) no longer starts with "RIFF".
        folder = damaged_game(self.scratch / "game", "SOUND.dat", overwrite("./VOICE/V001.wav", lambda size: b"JUNK\xff\xff"))
        log = self.scratch / "boxes.log"
        self.game = game = harness.Game(folder, self.display, {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)},
                                        record_dir=self.scratch, box_log=log)
        self.addCleanup(game.close)
        gp.start_new_game(game)
        first = gp.wait_text(game)
        gp.next_page(game, first)
        # The only voice heard is the second message's, whole.
        clip = gp.clip("VOICE/V002.wav", 128)
        voices = lambda: gp.recordings(self.scratch, gp.VOICE_RATE)
        harness.wait_for("V002 played whole", lambda: voices() and len(gp.played(voices()[-1])) >= len(clip))
        self.assertEqual(len(voices()), 1)
        self.assertTrue(np.array_equal(gp.played(voices()[0]), clip))
        self.assertEqual(self.boxes(log), [])
        self.exit_cleanly(game)

    # A tmpfs of `size` bytes mounted on ./SYS with `files`, then made
    # read-only or filled to its last byte (root only: mount).
    def mounted_sys(self, files, size=None, read_only=False):
        def prepare(folder):
            sys_dir = folder / "SYS"
            subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size or 1 << 20}", "tmpfs", str(sys_dir)], check=True)
            # After the game's own clean-up, which cannot remove a mount point.
            self.addCleanup(shutil.rmtree, folder, True)
            self.addCleanup(subprocess.run, ["umount", "-l", str(sys_dir)])
            for name, data in files.items():
                (sys_dir / name).write_bytes(data)
            if read_only:
                subprocess.run(["mount", "-o", "remount,ro", str(sys_dir)], check=True)
            else:
                filler = os.open(sys_dir / "filler", os.O_WRONLY | os.O_CREAT)
                for chunk in (4096, 1):  # every block left, then every byte
                    try:
                        while os.write(filler, bytes(chunk)):
                            pass
                    except OSError:
                        pass
                os.close(filler)
        return prepare

    # Each save and the settings applied are told to have failed, and why,
    # and the game plays on.
    @unittest.skipUnless(os.geteuid() == 0, "mounting a tmpfs on ./SYS needs root")
    def test_a_missing_read_only_or_full_sys_folder_lets_the_game_play_and_keeps_its_files(self):
        before = {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT, music_volume=77), "save0.dat": SAVE}
        cases = {  # what the folder is, how it is made so, and why nothing can be written
            "missing": (lambda folder: shutil.rmtree(folder / "SYS"), "the folder it belongs in is missing"),
            # Wine answers a write to a read-only mount as Windows does one
            # to a read-only folder.
            "read-only": (self.mounted_sys(before, read_only=True), "access is denied"),
            "full": (self.mounted_sys(before, size=64 << 10), "the disk is full"),
        }
        for what, (prepare, reason) in cases.items():
            with self.subTest(what):
                log = self.scratch / "boxes.log"
                game = harness.Game(gp.GAME_DIR, self.display, box_log=log, prepare=prepare)
                self.addCleanup(game.close)
                gp.start_new_game(game)
                gp.wait_text(game)
                # A save into frame 1, over save0.dat: nothing can be written.
                menu = gp.open_menu(game)
                saves = gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
                game.press(gp.FRAME1)
                self.assertIn(f"The game was not saved in slot 1: {reason}.",
                              gp.answer_box(game, log, "セーブできませんでした", 1))
                menu = gp.changes(game, saves, what="the menu again", press=lambda: game.press(gp.SAVE_RETURN))
                # The settings applied stay in force, but the file cannot take them.
                gp.changes(game, menu, what="the configuration screen", press=lambda: game.press(gp.MENU_CONFIG))
                game.press(gp.APPLY)
                self.assertIn(f"The settings were not saved: {reason}.",
                              gp.answer_box(game, log, "設定を保存できませんでした", 2))
                self.exit_cleanly(game)
                self.assertEqual(len(self.boxes(log)), 3, "the two failures and the exit question")
                kept = {p.name: p.read_bytes() for p in (game.dir / "SYS").glob("*") if p.name != "filler"}
                self.assertEqual(kept, {} if what == "missing" else before)
                game.close()

    # A disk that takes 8 s to flush (every fsync of Wine's server, which
    # flushes files for the game): saving and applying settings write without
    # holding the game's lock, so the game goes on drawing and taking input
    # meanwhile, no "Mutex timeout" ends it, and each file arrives whole.
    def test_a_slow_disk_neither_stops_nor_ends_the_game(self):
        slow = self.scratch / "slow_fsync.so"
        subprocess.run(["cc", "-shared", "-fPIC", "-o", str(slow), str(Path(__file__).with_name("slow_fsync.c")),
                        "-ldl"], check=True)
        log = self.scratch / "boxes.log"
        game = harness.Game(gp.GAME_DIR, self.display, {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)},
                            box_log=log, env={"LD_PRELOAD": str(slow), "ONDRELL_SLOW_FSYNC_SECONDS": "8"})
        self.addCleanup(game.close)
        gp.start_new_game(game)
        gp.wait_text(game)
        menu = gp.open_menu(game)
        saves = gp.changes(game, menu, what="the save screen", press=lambda: game.press(gp.MENU_SAVE))
        save = game.dir / "SYS" / "save0.dat"
        game.press(gp.FRAME1)
        # While the file is being flushed the screen still answers: frame 8
        # takes its cover look under the pointer (moved until it does, since
        # the frame after the click takes no input).
        frame8 = (404, 405, 404 + gp.size("SAVELOAD_FRAME_NORMAL")[0], 405 + gp.size("SAVELOAD_FRAME_NORMAL")[1])
        moves = iter(range(10 ** 6))
        harness.wait_for("frame 8's cover look", lambda: (game.move(gp.FRAME8[0] + next(moves) % 2, gp.FRAME8[1]), (
            not save.exists() and gp.max_difference(game.screenshot(), saves, frame8) > 8))[1])
        harness.wait_for("save0.dat", lambda: save.exists() and save.stat().st_size == gp.SAVE_SIZE)
        harness.wait_for("frame 1's thumbnail", lambda: gp.max_difference(
            game.screenshot(), saves, (46, 81, 166, 171)) > 8)
        # Apply on the configuration screen, with the instant auto speed
        # chosen: the right button leaves at once, while sys.dat is flushed.
        menu = gp.changes(game, game.wait_still(), what="the menu", press=lambda: game.click(*gp.ASIDE, 3))
        config = gp.changes(game, menu, what="the configuration screen", press=lambda: game.press(gp.MENU_CONFIG))
        chosen = gp.changes(game, config, what="the instant auto speed chosen",
                            press=lambda: game.press(gp.AUTO_INSTANT))
        game.press(gp.APPLY)
        gp.press_until(game, lambda: game.click(*gp.ASIDE, 3),
                       lambda s: gp.max_difference(s, chosen, gp.SLIDER_END) > 8, "the configuration screen to close")
        stored = gp.settings(gp.INSTANT, auto_speed=gp.INSTANT, draw_speed=gp.INSTANT)
        harness.wait_for("sys.dat with the new setting", lambda: (game.dir / "SYS" / "sys.dat").read_bytes() == stored)
        self.assertEqual(self.boxes(log), [])
        self.assertIsNone(game.process.poll())
        self.assertEqual(len(save.read_bytes()), gp.SAVE_SIZE)

    # A sound device that never answers: ALSA's device is a file plugin
    # writing into a FIFO that nobody reads, so opening it blocks for good.
    # The game plays on without its sound, no lock wait ends it, and it
    # still ends with status 0 when the player leaves.
    def test_a_sound_device_that_hangs_neither_stops_nor_ends_the_game(self):
        fifo = self.scratch / "device.fifo"
        os.mkfifo(fifo)
        (self.scratch / "asoundrc").write_text(
            f'pcm.!default {{\n  type file\n  slave {{ pcm {{ type null }} }}\n  file "{fifo}"\n  format "raw"\n}}\n')
        log = self.scratch / "boxes.log"
        game = harness.Game(gp.GAME_DIR, self.display, {"sys.dat": gp.settings(gp.INSTANT, draw_speed=gp.INSTANT)},
                            box_log=log, env={"ALSA_CONFIG_PATH": str(self.scratch / "asoundrc"),
                                              "WINEDLLOVERRIDES": "mscoree,mshtml,winepulse.drv="})
        self.addCleanup(game.close)
        gp.start_new_game(game)
        shot = gp.wait_text(game)
        for _ in range(3):
            shot = gp.next_page(game, shot)
        # Longer than a lock wait may last.
        self.assertTrue(gp.stays(game, shot, 6.0, gp.SCREEN))
        gp.next_page(game, shot)
        self.assertEqual(self.boxes(log), [])
        self.exit_cleanly(game)

    # A copy started on a folder where the game already runs brings that
    # game's window to the front and ends with status 0; a copy on another
    # folder is a game of its own.
    def test_a_second_copy_on_one_folder_brings_the_first_to_the_front(self):
        first = harness.Game(gp.GAME_DIR, self.display)
        self.addCleanup(first.close)
        gp.wait_title(first)
        windows = lambda: set(first.x("xdotool", "search", "--name", "^Ondrell ver\\. 1\\.20$", check=False).split())
        other = harness.Game(gp.GAME_DIR, self.display, restart=False, title=None)
        self.addCleanup(other.close)
        other.window = harness.wait_for("the other folder's game", lambda: (windows() - {first.window} or [None]).pop())
        gp.wait_title(other)
        self.assertTrue(first.above(other.window, first.window), "the newer game opened behind")
        second = subprocess.Popen([harness.WINE, "ondrell.exe"], cwd=first.dir, env=first.env, start_new_session=True,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(second.wait(harness.DEADLINE), 0)
        finally:
            if second.poll() is None:
                os.killpg(second.pid, signal.SIGKILL)
        harness.wait_for("the first game in front", lambda: first.above(first.window, other.window))
        self.assertEqual(windows(), {first.window, other.window})
        self.assertIsNone(first.process.poll())
        self.assertIsNone(other.process.poll())

    # "sys.dat" links to /proc/self/mem: it opens, but reading its first
    # bytes fails. The game runs on the defaults, its start-up leaves the file
    # alone, and Apply (the player's own choice) replaces it.
    def test_a_settings_file_that_cannot_be_read_is_kept_until_settings_are_applied(self):
        game = harness.Game(gp.GAME_DIR, self.display,
                            prepare=lambda folder: (folder / "SYS" / "sys.dat").symlink_to("/proc/self/mem"))
        self.addCleanup(game.close)
        title = gp.wait_title(game)
        sys_dat = game.dir / "SYS" / "sys.dat"
        self.assertTrue(sys_dat.is_symlink(), "start-up replaced the unreadable settings file")
        gp.changes(game, title, what="the configuration screen", press=lambda: game.press(gp.TITLE_CONFIG))
        gp.press_until(game, lambda: game.press(gp.APPLY),
                       lambda _: not sys_dat.is_symlink() and sys_dat.stat().st_size == 28, "sys.dat written")
        self.assertEqual(sys_dat.read_bytes(), gp.settings())
        self.exit_cleanly(game)

    def exit_cleanly(self, game):
        game.close_box()
        game.key("Return", window=game.exit_question())
        self.assertEqual(game.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main()
