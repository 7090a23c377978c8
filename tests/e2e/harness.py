"""Drives the real game under Wine on its own Xvfb display.

Every wait polls for what it expects (a window, a pixel, a file, the end of a
process) with a generous deadline instead of sleeping a fixed time, so the
tests pass on a slow, loaded machine.
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
TITLE = "Ondrell ver. 1.20"
DEADLINE = float(os.environ.get("ONDRELL_E2E_DEADLINE", "60"))


class TimeoutError_(AssertionError):
    pass


def wait_for(what, probe, deadline=DEADLINE, interval=0.1):
    """Polls `probe` until it returns a truthy value; fails after `deadline` s."""
    end = time.monotonic() + deadline
    last = None
    while time.monotonic() < end:
        last = probe()
        if last:
            return last
        time.sleep(interval)
    raise TimeoutError_(f"timed out after {deadline:.0f} s waiting for {what} (last: {last!r})")


class Display:
    """An Xvfb server of its own on a free display number.

    Xvfb chooses the number itself (-displayfd) and claims it with its lock
    file, so tests started at the same moment (other test runs on this
    machine) never end up sharing a server."""

    def __init__(self, width=1024, height=768):
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            # Xvfb writes the number, then a newline, once it takes
            # connections; the pipe closes without one if it fails.
            text = b""
            end = time.monotonic() + DEADLINE
            while not text.endswith(b"\n") and time.monotonic() < end:
                ready, _, _ = select.select([read_end], [], [], max(0.0, end - time.monotonic()))
                if not ready:
                    break
                chunk = os.read(read_end, 64)
                if not chunk:
                    break
                text += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        if not text.strip().isdigit():
            self.close()
            raise AssertionError("Xvfb did not start")
        self.number = int(text)
        self.name = f":{self.number}"

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def wine_env(display, prefix=None):
    env = dict(os.environ)
    env.update({
        "DISPLAY": display.name,
        "WINEPREFIX": prefix or os.environ.get("ONDRELL_E2E_PREFIX", str(ROOT / "build/win/wine-prefix-e2e")),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
    })
    return env


def start_wine(env):
    """Brings up Wine's server and desktop process on the env's display,
    outside any game's process group, so games can come and go."""
    restart_wine(env)
    subprocess.run(["wineserver", "-p"], env=env, capture_output=True)
    subprocess.run([WINE, "cmd", "/c", "exit"], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def restart_wine(env):
    """Ends every Wine process of the prefix, so the next start brings up
    Wine's desktop process on this test's display. (A desktop process started
    without a display, as the unit tests start it, leaves later windows with
    no graphics driver; one started on another display reports that
    display's monitor.)"""
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True)


def recording_config(folder):
    """An ALSA configuration whose default device writes every byte that Wine
    hands it into a file of `folder` and plays it to a null device. The file
    is named by rate and channel count ("rec-44100-2.raw" for the music,
    "rec-22050-1.raw" for the voices); each opening of the device (each clip
    the game opens) gets a file of its own, numbered in order by ALSA
    ("rec-22050-1.raw", then "rec-22050-1.raw.0001", ...)."""
    return ("pcm.!default {\n"
            "  type file\n"
            "  slave { pcm { type null } }\n"
            f"  file \"{folder}/rec-%r-%c.raw\"\n"
            "  format \"raw\"\n"
            "  truncate false\n"
            "}\n")


class Game:
    """One run of ondrell.exe in a fresh copy of the game folder."""

    def __init__(self, game_dir, display, sys_files=None, prefix=None, restart=True, record_dir=None):
        """`record_dir` (a folder): what the game plays is recorded there
        instead of sounding (see `recording_config`)."""
        self.display = display
        self.dir = Path(tempfile.mkdtemp(prefix="ondrell-e2e-"))
        for item in Path(game_dir).iterdir():
            if item.is_dir():
                shutil.copytree(item, self.dir / item.name)
            else:
                shutil.copy2(item, self.dir / item.name)
        (self.dir / "SYS").mkdir(exist_ok=True)
        for name, data in (sys_files or {}).items():
            (self.dir / "SYS" / name).write_bytes(data)
        self.env = wine_env(display, prefix)
        if record_dir is not None:
            record_dir = Path(record_dir)
            record_dir.mkdir(parents=True, exist_ok=True)
            (record_dir / "asoundrc").write_text(recording_config(record_dir))
            # Wine is kept off its PulseAudio driver so that it talks to ALSA.
            self.env["ALSA_CONFIG_PATH"] = str(record_dir / "asoundrc")
            self.env["WINEDLLOVERRIDES"] = "mscoree,mshtml,winepulse.drv="
        if restart:
            restart_wine(self.env)
        self.process = subprocess.Popen([WINE, "ondrell.exe"], cwd=self.dir, env=self.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        self.window = wait_for("the game window", lambda: self._find_window(TITLE))

    # --- X helpers -------------------------------------------------------
    def _x(self, *args, check=True):
        # A tool waiting on a window that has gone (the game ended) must not
        # hold the test for ever.
        try:
            result = subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=30)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{args[0]} did not finish in 30 s (is the game still running?)") from None
        if check and result.returncode != 0:
            raise AssertionError(f"{args[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def _find_window(self, name):
        out = self._x("xdotool", "search", "--name", f"^{name}$", check=False).split()
        return out[0] if out else None

    def find_window(self, name):
        return self._find_window(name)

    def geometry(self, window=None):
        out = self._x("xdotool", "getwindowgeometry", "--shell", window or self.window)
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    def screenshot(self, path=None):
        """The window's pixels as a PIL image (and saved to `path` if given)."""
        target = path or (self.dir / "shot.png")
        # On a loaded machine the X server now and then refuses a capture
        # ("Resource temporarily unavailable"); the next one goes through.
        for attempt in range(10):
            try:
                self._x("import", "-window", self.window, str(target))
                break
            except AssertionError:
                if attempt == 9 or self.process.poll() is not None:
                    raise
                time.sleep(0.2)
        with Image.open(target) as image:
            return image.convert("RGB")

    def pixel(self, x, y):
        return self.screenshot().getpixel((x, y))

    def move(self, x, y):
        self._x("xdotool", "mousemove", "--window", self.window, str(x), str(y))

    def click(self, x, y, button=1):
        self._x("xdotool", "mousemove", "--window", self.window, str(x), str(y), "click", str(button))

    def click_in_place(self, button=1):
        """A click where the pointer already is: no motion reaches the game."""
        self._x("xdotool", "click", str(button))

    def key(self, name, window=None):
        self._x("xdotool", "key", "--window", window or self.window, name)

    def close_box(self):
        """What the window's close box sends: WM_CLOSE."""
        self._x("xdotool", "windowactivate", "--sync", self.window, check=False)
        self._x("xdotool", "key", "--window", self.window, "alt+F4")

    # --- waiting ---------------------------------------------------------
    def wait_pixel(self, x, y, expected, tolerance=8, deadline=DEADLINE):
        def probe():
            actual = self.pixel(x, y)
            return all(abs(a - e) <= tolerance for a, e in zip(actual, expected)) and actual
        return wait_for(f"pixel ({x}, {y}) ~ {expected}", probe, deadline)

    def wait_still(self, deadline=DEADLINE):
        """Waits until something is drawn and two screenshots in a row are
        equal: start-up is over and every fade has ended."""
        previous = [None]

        def probe():
            shot = self.screenshot()
            if shot.getbbox() is None:  # all black: nothing composed yet
                return False
            current = shot.tobytes()
            same = current == previous[0]
            previous[0] = current
            return same
        wait_for("a still screen", probe, deadline, interval=0.4)
        return self.screenshot()

    def wait_exit(self, deadline=DEADLINE):
        end = time.monotonic() + deadline
        while time.monotonic() < end:
            code = self.process.poll()
            if code is not None:
                return code
            time.sleep(0.1)
        raise TimeoutError_("the game did not end")

    def close(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def near(actual, expected, tolerance=8):
    return all(abs(a - e) <= tolerance for a, e in zip(actual, expected))
