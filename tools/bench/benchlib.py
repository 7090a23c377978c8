"""What the benchmark scripts share: a warm Wine on a private Xvfb display,
programs started with their process id known, fast captures of the screen,
CPU time and memory read from /proc, and spreads and ratios.

Benchmarks are run by hand (BENCHMARKS.md), never as tests. Every figure is
taken side by side with its floor in the same run, runs of the two
interleaved, because the machines they run on are shared and noisy.
"""

import ctypes
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools/setup"))
import wine_display  # noqa: E402

WINE = wine_display.WINE
GAME_TITLE = "Ondrell ver. 1.20"
MINIMAL_TITLE = "Ondrell minimal window"
MINIMAL_FILL = (32, 96, 160)  # minimal_window_win.cpp paints this
CLIENT_SIZE = (800, 600)  # of the game's window and the plain one alike
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
STRIP_ROWS = 4


# ---- Figures -----------------------------------------------------------

def spread(values):
    """(min, median, max) of the values."""
    return min(values), statistics.median(values), max(values)


def format_spread(values, unit="ms", scale=1000.0, digits=0):
    low, middle, high = (v * scale for v in spread(values))
    return f"median {middle:.{digits}f} {unit} (min {low:.{digits}f}, max {high:.{digits}f}, {len(values)} runs)"


def ratio(values, floor_values):
    floor = statistics.median(floor_values)
    return statistics.median(values) / floor if floor else float("inf")


def machine():
    """One line naming the machine and its load, for the record."""
    model = "unknown CPU"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    wine = subprocess.run([WINE, "--version"], capture_output=True, text=True).stdout.strip()
    load = " ".join(Path("/proc/loadavg").read_text().split()[:3])
    return f"{os.cpu_count()} cores, {model}, {wine}, load average {load}, {time.strftime('%Y-%m-%d %H:%M')}"


def built(path):
    """`path` as a Path when the benchmark program is there; else stops with
    the command that builds it."""
    exe = Path(path)
    if not exe.is_file():
        raise SystemExit(f"{exe} is missing: cmake --build {exe.parents[2]} --target ondrell_bench")
    return exe


# ---- Wine on a display of its own -----------------------------------------

class Session:
    """A private Xvfb display with Wine's server and desktop process already
    running on it (as on a desktop where Wine is in use), in the prefix
    named by ONDRELL_BENCH_PREFIX (default build/win/wine-prefix-e2e, made
    by tools/setup/wine-prefix)."""

    def __init__(self):
        self.prefix = os.environ.get("ONDRELL_BENCH_PREFIX", str(ROOT / "build/win/wine-prefix-e2e"))
        if not (Path(self.prefix) / ".ondrell-ready").exists():
            raise SystemExit(f"no Wine prefix in {self.prefix}: run tools/setup/wine-prefix {self.prefix}")
        self.display = wine_display.Display()
        self.env = wine_display.wine_env(self.display, self.prefix)
        self.screen = None
        try:
            wine_display.restart_wine(self.env)
            # Not captured: the server it starts keeps its standard error open.
            subprocess.run(["wineserver", "-p"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run([WINE, "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.screen = Screen(self.display.name)
        except BaseException:
            self.close()
            raise

    def wineserver_pid(self):
        """The process id of this prefix's wineserver."""
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                if not (entry / "cmdline").read_bytes().split(b"\0")[0].endswith(b"wineserver64"):
                    continue
                environ = (entry / "environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if f"WINEPREFIX={self.prefix}".encode() in environ:
                return int(entry.name)
        raise AssertionError(f"no wineserver runs for {self.prefix}")

    def close(self):
        if self.screen:
            self.screen.close()
        wine_display.restart_wine(self.env)
        self.display.close()


class Program:
    """One run of a Windows program in `folder` (its working directory).
    Wine's loader becomes the program itself, so the process id is the
    program's."""

    def __init__(self, session, folder, exe, title, extra_env=None):
        self.session = session
        self.title = title
        env = dict(session.env)
        env.update(extra_env or {})
        self.started = time.monotonic()
        self.process = subprocess.Popen([WINE, exe], cwd=folder, env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)
        self.window = None
        self.area = None

    def since_start(self):
        return time.monotonic() - self.started

    def x(self, *args):
        return subprocess.run(list(args), env=self.session.env, capture_output=True, text=True,
                              timeout=30).stdout

    def wait_window(self, interval=0.01):
        """Waits for the window; its id and (x, y, width, height) on the screen."""
        def find():
            if self.process.poll() is not None:
                raise AssertionError(f"{self.title} ended with status {self.process.returncode}")
            ids = self.x("xdotool", "search", "--name", f"^{self.title}$").split()
            return ids[0] if ids else None
        self.window = wine_display.wait_for(f"the window {self.title}", find, interval=interval)
        values = dict(line.split("=", 1) for line in
                      self.x("xdotool", "getwindowgeometry", "--shell", self.window).split() if "=" in line)
        x, y, width, height = (int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        if width > CLIENT_SIZE[0] and height > CLIENT_SIZE[1]:
            # Now and then Wine gives the X window the whole frame, which it
            # draws itself with no window manager: the client area sits
            # inside the border, below the caption.
            border = (width - CLIENT_SIZE[0]) // 2
            x, y = x + border, y + height - CLIENT_SIZE[1] - border
            width, height = CLIENT_SIZE
        self.area = (x, y, width, height)
        return self.window

    def grab(self):
        """The whole window as the screen shows it, as an RGB image (slow on
        a loaded X server: tens of milliseconds)."""
        return self.session.screen.grab(*self.area)

    def sample(self):
        """Three full-width strips of the window (near the top, the middle
        and the bottom), as one RGB image: enough to tell a fade's frames
        apart, and a millisecond to capture where the whole window takes
        tens."""
        x, y, width, height = self.area
        strips = [self.session.screen.grab(x, y + height * part // 8, width, STRIP_ROWS) for part in (1, 4, 7)]
        joined = Image.new("RGB", (width, STRIP_ROWS * len(strips)))
        for i, strip in enumerate(strips):
            joined.paste(strip, (0, i * STRIP_ROWS))
        return joined

    def wait_sample(self, what, probe, interval=0.005):
        """Polls samples until `probe(sample)` holds; the seconds from the
        start of the process to the capture that showed it."""
        def check():
            taken = self.since_start()
            return probe(self.sample()) and [taken]
        return wine_display.wait_for(what, check, interval=interval)[0]

    def wait_still(self, gap=0.5, whole=False):
        """Waits until something is drawn and the samples (or, `whole`, the
        whole window) stop changing for `gap` seconds; the still picture."""
        previous = [None]

        def probe():
            shot = self.grab() if whole else self.sample()
            current = shot.tobytes() if shot.getbbox() is not None else None
            same = current is not None and current == previous[0]
            previous[0] = current
            return same and shot
        return wine_display.wait_for(f"{self.title} to stand still", probe, interval=gap)

    def click(self, x, y):
        """A move onto the window point, then a click there."""
        self.x("xdotool", "mousemove", "--window", self.window, str(x), str(y))
        self.x("xdotool", "mousemove", "--window", self.window, str(x), str(y), "click", "1")

    def key(self, name, window=None):
        self.x("xdotool", "key", "--window", window or self.window, name)

    def close_through_question(self):
        """Ends the game the way a player does (close box, "Yes"), so that it
        writes what it keeps until its end."""
        self.x("xdotool", "key", "--window", self.window, "alt+F4")
        question = wine_display.wait_for("the exit question", lambda: self.x(
            "xdotool", "search", "--name", "^終了確認$").split())
        self.key("Return", window=question[0])
        wine_display.wait_for("the game to end", lambda: self.process.poll() is not None)

    # /proc figures of the program.
    def cpu_seconds(self):
        return process_cpu_seconds(self.process.pid)

    def memory(self):
        """(resident bytes, private bytes): VmRSS, and the private part of
        it (Private_Clean + Private_Dirty of smaps_rollup)."""
        rss = 0
        for line in Path(f"/proc/{self.process.pid}/status").read_text().splitlines():
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1]) * 1024
        private = 0
        for line in Path(f"/proc/{self.process.pid}/smaps_rollup").read_text().splitlines():
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                private += int(line.split()[1]) * 1024
        return rss, private

    def kill(self):
        """Ends the program and waits until its window is gone: Wine takes
        the window down after the process, and a program started meanwhile
        would pay for that (the first of two interleaved games measured
        slower than the second, whichever it was)."""
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait(10)
        if self.window:
            wine_display.wait_for(f"the window {self.title} to go", lambda: not self.x(
                "xdotool", "search", "--name", f"^{self.title}$").split(), interval=0.02)


def process_cpu_seconds(pid):
    """CPU time of the process, every thread it has now: the scheduler's
    nanosecond account (/proc/PID/task/TID/schedstat) where the kernel
    keeps one, else user plus system time in clock ticks."""
    total = 0.0
    for task in Path(f"/proc/{pid}/task").iterdir():
        try:
            schedstat = (task / "schedstat").read_text().split()
            if schedstat:
                total += int(schedstat[0]) / 1e9
                continue
            fields = (task / "stat").read_text().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / CLOCK_TICKS
        except (FileNotFoundError, ProcessLookupError):
            pass  # a thread that ended meanwhile
    return total


def game_copy(game_dir):
    """A private copy of the game folder (the game writes into SYS/); the
    caller removes it."""
    folder = Path(tempfile.mkdtemp(prefix="ondrell-bench-"))
    shutil.copytree(game_dir, folder, dirs_exist_ok=True)
    (folder / "SYS").mkdir(exist_ok=True)
    return folder


def near(a, b, tolerance=8):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


# ---- Screen captures -------------------------------------------------------

class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, up to those we read.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda display, event: 0)


class Screen:
    """Captures of the root window through one Xlib connection: a few
    milliseconds each, against ~50 ms for a capture tool started per
    picture, so that start-up is resolved finely and the polling costs the
    measured program little CPU."""

    def __init__(self, display_name):
        self.xlib = ctypes.CDLL("libX11.so.6")
        self.xlib.XOpenDisplay.restype = ctypes.c_void_p
        self.xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        self.xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.xlib.XGetImage.restype = ctypes.POINTER(_XImage)
        self.xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                        ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.xlib.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
        self.xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        # A capture of an area off the screen must not end the script.
        self.xlib.XSetErrorHandler(_ERROR_HANDLER)
        self.display = self.xlib.XOpenDisplay(display_name.encode())
        if not self.display:
            raise AssertionError(f"cannot open the display {display_name}")
        self.root = self.xlib.XDefaultRootWindow(self.display)

    def grab(self, x, y, width, height):
        image = self.xlib.XGetImage(self.display, self.root, x, y, width, height, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise AssertionError("XGetImage failed")
        try:
            fields = image.contents
            if fields.bits_per_pixel != 32:
                raise AssertionError(f"a {fields.bits_per_pixel}-bit screen; 24-bit colour in 32 bits expected")
            data = ctypes.string_at(fields.data, fields.bytes_per_line * height)
            return Image.frombuffer("RGB", (width, height), data, "raw", "BGRX", fields.bytes_per_line, 1)
        finally:
            self.xlib.XDestroyImage(image)

    def close(self):
        self.xlib.XCloseDisplay(self.display)
