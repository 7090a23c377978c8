"""Wine on an Xvfb display of its own, as the end-to-end tests and the
benchmark scripts drive the game.

Every wait polls for what it expects (a window, a pixel, a file, the end of a
process) with a generous deadline instead of sleeping a fixed time, so what
uses it works on a slow, loaded machine.
"""

import os
import select
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE = "/usr/lib/wine/wine64"
DEADLINE = float(os.environ.get("ONDRELL_E2E_DEADLINE", "60"))


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
