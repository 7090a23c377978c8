"""Start-up benchmark: the time from starting the game process to the first
composed frame of the title on the screen, over several runs.

    /usr/bin/python3 tools/bench/startup.py [GAME_DIR] [RUNS]

It prints each run and the minimum, median and maximum. The first frame is
taken as the first screenshot of the window that is not all black (the
canvas starts black and the first frame draws the title background), so the
figure includes Wine's own start and is resolved to one screenshot (~30 ms).
"""

import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests/e2e"))
import harness  # noqa: E402


def one_run(game_dir, display, warm):
    started = time.monotonic()
    # After the first run Wine's server and desktop process stay up, as they
    # would on a desktop where Wine is already running; on Windows there is
    # no such cost at all.
    game = harness.Game(game_dir, display, restart=not warm)
    try:
        def first_frame():
            shot = game.screenshot()
            return shot.getbbox() is not None  # any pixel that is not black
        harness.wait_for("the first frame", first_frame, interval=0.005)
        return time.monotonic() - started
    finally:
        game.close()


def main():
    game_dir = sys.argv[1] if len(sys.argv) > 1 else str(harness.ROOT / "build/game")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    display = harness.Display()
    try:
        # A first run warms Wine's server and the file cache; it is not counted.
        cold = one_run(game_dir, display, warm=False)
        print(f"cold run (Wine starting too): {cold * 1000:.0f} ms")
        harness.start_wine(harness.wine_env(display))
        times = []
        for i in range(runs):
            seconds = one_run(game_dir, display, warm=True)
            times.append(seconds)
            print(f"run {i + 1}: {seconds * 1000:.0f} ms")
        print(f"start-up to first frame over {runs} runs: min {min(times) * 1000:.0f} ms, "
              f"median {statistics.median(times) * 1000:.0f} ms, max {max(times) * 1000:.0f} ms")
    finally:
        display.close()
        harness.restart_wine(harness.wine_env(display))


if __name__ == "__main__":
    main()
