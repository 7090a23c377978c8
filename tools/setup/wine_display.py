"""Wine on an Xvfb display of its own, and one run of the game on it, as the
end-to-end tests, the benchmark scripts and `./play --screenshot` drive it.

Every wait polls for what it expects (a window, a pixel, a file, the end of a
process) with a generous deadline instead of sleeping a fixed time, so what
uses it works on a slow, loaded machine.
"""

import os
import select
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
WINE = "/usr/lib/wine/wine64"
DEADLINE = float(os.environ.get("ONDRELL_E2E_DEADLINE", "60"))
# The game window's caption when the program carries no title of its own.
DEFAULT_CAPTION = "Ondrell ver. 1.20"


# Polls `probe` until it returns a truthy value, which it returns; fails
# after `deadline` seconds.
def wait_for(what, probe, deadline=DEADLINE, interval=0.1):
    end = time.monotonic() + deadline
    while not (last := probe()):
        if time.monotonic() > end:
            raise AssertionError(f"timed out after {deadline:.0f} s waiting for {what} (last: {last!r})")
        time.sleep(interval)
    return last


def near(actual, expected, tolerance=8):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))


# An Xvfb server of its own. Xvfb chooses a free display number itself
# (-displayfd) and claims it with its lock file, so test runs started at the
# same moment never share a server. It writes the number and a newline once it
# takes connections; the pipe closes without one if it fails.
class Display:
    def __init__(self, width=1024, height=768):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            text = pipe.readline() if select.select([pipe], [], [], DEADLINE)[0] else ""
        if not text.strip().isdigit():
            self.close()
            raise AssertionError("Xvfb did not start")
        self.name = f":{int(text)}"

    def close(self):
        self.process.terminate()
        self.process.wait()


def wine_env(display, prefix=None):
    return dict(os.environ, DISPLAY=display.name, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                WINEPREFIX=prefix or os.environ.get("ONDRELL_E2E_PREFIX", str(ROOT / "build/win/wine-prefix-e2e")))


# Brings up Wine's server and desktop process on the env's display, outside
# any game's process group, so games can come and go.
def start_wine(env):
    restart_wine(env)
    subprocess.run(["wineserver", "-p"], env=env, capture_output=True)
    subprocess.run([WINE, "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# Ends every Wine process of the prefix, so the next start brings up Wine's
# desktop process on this test's display. (One started without a display
# leaves later windows with no graphics driver; one started on another
# display reports that display's monitor.)
def restart_wine(env):
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True)


# One run of the game's program (the one .exe file of the game folder) in a
# fresh copy of the game folder, with `sys_files`
# ({name: bytes}) in its SYS folder. With `record_dir`, what the game plays is
# recorded there instead of sounding: ALSA's default device writes every byte
# Wine hands it to "rec-RATE-CHANNELS.raw", one file per opening of the device
# (per clip), numbered in order by ALSA ("rec-22050-1.raw", then
# "rec-22050-1.raw.0001", ...). With `box_log`, Wine writes the text of every
# message box the game raises to that file. `title` None: no waiting for the
# game window (a start that fails before it shows). `prepare(folder)` runs
# just before the start. `env` adds to the environment of the game and of
# Wine's server, when the start restarts it. With `working_dir`, the game runs
# in `game_dir` itself (no copy), started by its full Windows path from that
# folder. `args` follow the program's name on its command line.
class Game:
    def __init__(self, game_dir, display, sys_files=None, prefix=None, restart=True, record_dir=None, box_log=None,
                 title=DEFAULT_CAPTION, prepare=None, env=None, working_dir=None, args=()):
        self.copied = working_dir is None
        self.dir = Path(tempfile.mkdtemp(prefix="ondrell-e2e-")) if self.copied else Path(game_dir).resolve()
        if self.copied:
            shutil.copytree(game_dir, self.dir, dirs_exist_ok=True)
        (self.dir / "SYS").mkdir(exist_ok=True)
        for name, data in (sys_files or {}).items():
            (self.dir / "SYS" / name).write_bytes(data)
        self.env = dict(wine_env(display, prefix), **(env or {}))
        if record_dir is not None:
            (Path(record_dir) / "asoundrc").write_text(
                "pcm.!default {\n  type file\n  slave { pcm { type null } }\n"
                f"  file \"{record_dir}/rec-%r-%c.raw\"\n  format \"raw\"\n  truncate false\n}}\n")
            self.env["ALSA_CONFIG_PATH"] = str(Path(record_dir) / "asoundrc")
            # Kept off Wine's PulseAudio driver, so that Wine talks to ALSA.
            self.env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winepulse.drv="
        if prepare:
            prepare(self.dir)
        if box_log is not None:
            self.env["WINEDEBUG"] += ",trace+msgbox"
        if restart:
            restart_wine(self.env)
        with open(box_log or os.devnull, "w") as log:
            # Wine's drive Z: is the root of the Unix file system.
            programs = sorted(p.name for p in self.dir.iterdir() if p.suffix.lower() == ".exe")
            assert len(programs) == 1, f"{game_dir} must hold one program, not {programs}"
            self.program = programs[0]
            command = self.program if self.copied else "Z:" + str(self.dir / self.program).replace("/", "\\")
            self.process = subprocess.Popen([WINE, command, *args], cwd=working_dir or self.dir, env=self.env,
                                            stdout=subprocess.DEVNULL, stderr=log, start_new_session=True)
        try:
            self.window = title and wait_for("the game window", lambda: self.find_window(title))
        except AssertionError as e:
            # What the display shows instead (a box the game raised before its
            # window, another caption) says why.
            raise AssertionError(f"{e}; the process {'ended with ' + str(self.process.poll()) if self.process.poll() is not None else 'still runs'}; windows on the display: {self.window_names()}") from None

    def x(self, *args, check=True):
        # A tool waiting on a window that has gone (the game ended) must not
        # hold the test for ever.
        try:
            result = subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=30)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{args[0]} did not finish in 30 s (is the game still running?)") from None
        if check and result.returncode != 0:
            raise AssertionError(f"{args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def window_names(self):
        names = []
        for window in self.x("xdotool", "search", "--name", ".", check=False).split():
            names.append(self.x("xdotool", "getwindowname", window, check=False).strip())
        return [name for name in names if name]

    def find_window(self, name):
        out = self.x("xdotool", "search", "--name", f"^{name}$", check=False).split()
        return out[0] if out else None

    # The display's top-level windows, top of the stack first, as xdotool
    # numbers them.
    def stacking(self):
        out = self.x("xwininfo", "-root", "-children")
        return [str(int(line.split()[0], 16)) for line in out.splitlines() if line.strip().startswith("0x")]

    def above(self, window, other):
        order = self.stacking()
        return order.index(window) < order.index(other)

    def geometry(self):
        out = self.x("xdotool", "getwindowgeometry", "--shell", self.window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    # The window's pixels as an RGB image (also saved to `path` if given).
    def screenshot(self, path=None):
        target = path or (self.dir / "shot.png")
        # On a loaded machine the X server now and then refuses a capture
        # ("Resource temporarily unavailable"); the next one goes through.
        for attempt in range(10):
            try:
                self.x("import", "-window", self.window, str(target))
                break
            except AssertionError:
                if attempt == 9 or self.process.poll() is not None:
                    raise
                time.sleep(0.2)
        with Image.open(target) as image:
            return image.convert("RGB")

    def move(self, x, y):
        self.x("xdotool", "mousemove", "--window", self.window, str(x), str(y))

    def click(self, x, y, button=1):
        self.x("xdotool", "mousemove", "--window", self.window, str(x), str(y), "click", str(button))

    # A move onto `point`, then a click there: a button takes a click only
    # under a hover that the pointer made.
    def press(self, point, button=1):
        self.move(*point)
        self.click(point[0], point[1], button)

    # A click where the pointer already is: no motion reaches the game.
    def click_in_place(self, button=1):
        self.x("xdotool", "click", str(button))

    def key(self, name, window=None):
        self.x("xdotool", "key", "--window", window or self.window, name)

    # What the window's close box sends: WM_CLOSE.
    def close_box(self):
        self.x("xdotool", "windowactivate", "--sync", self.window, check=False)
        self.x("xdotool", "key", "--window", self.window, "alt+F4")

    def exit_question(self):
        return wait_for("the exit question", lambda: self.find_window("終了確認"))

    def wait_pixel(self, x, y, expected, tolerance=8):
        return wait_for(f"pixel ({x}, {y}) ~ {expected}", lambda: near(
            self.screenshot().getpixel((x, y)), expected, tolerance))

    # Waits until something is drawn (not all black) and two screenshots in a
    # row are equal: start-up is over and every fade has ended.
    def wait_still(self):
        previous = [None]

        def probe():
            shot = self.screenshot()
            same = shot.getbbox() is not None and shot.tobytes() == previous[0]
            previous[0] = shot.tobytes()
            return same and shot
        return wait_for("a still screen", probe, interval=0.4)

    def wait_exit(self):
        return wait_for("the game to end", lambda: self.process.poll() is not None and [self.process.returncode])[0]

    def kill(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)

    def close(self):
        self.kill()
        if self.copied:
            shutil.rmtree(self.dir, ignore_errors=True)
