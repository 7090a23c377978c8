"""Start-up benchmark: from starting the process to the game's first
composed title frame on the screen and to the title fully shown, side by
side with the same times of a plain 800 x 600 window (minimal_window.exe)
under the same warm Wine.

    /usr/bin/python3 tools/bench/startup.py [--game DIR] [--minimal EXE] [--runs N] [--compare DIR2]

DIR defaults to build/game, EXE to build/win/tools/bench/minimal_window.exe
(`cmake --build build/win --target ondrell_bench`), N to 5. The Wine prefix
is ONDRELL_BENCH_PREFIX (default build/win/wine-prefix-e2e). With --compare,
the game in DIR2 (another build of the engine, say the one before a change)
runs too, its runs interleaved with the others, so that both see the same
moments of a busy machine.

Wine's server and desktop process are started first and stay up, as on a
desktop where Wine is in use; one uncounted run of each program warms them
and the file cache and takes the picture of the finished title. Then the
runs of the two programs alternate. Each time is taken at the capture that
first showed the stage, captures ~5 ms apart:
- window: the window exists (xdotool finds it);
- first frame: the window shows anything but black (the canvas starts black
  and the first frame draws the title) or, for the plain window, its colour;
- title shown: the window shows the finished title (the fade-in is over).
"""

import argparse

import benchlib


def minimal_stages(program):
    """(window, painted) in seconds of the plain window just started."""
    program.wait_window()
    window = program.since_start()
    shown = program.wait_sample("the colour", lambda s: benchlib.near(s.getpixel((s.width // 2, 5)),
                                                                    benchlib.MINIMAL_FILL))
    return window, shown


def minimal_run(session, exe):
    program = benchlib.Program(session, str(exe.parent), exe.name, benchlib.MINIMAL_TITLE)
    try:
        return minimal_stages(program)
    finally:
        program.kill()


def game_stages(program, title=None):
    """(window, first frame, title shown) in seconds of the game just
    started; with no `title` sample yet, the last is None and the still
    title's sample comes back in its place. The game runs on."""
    program.wait_window()
    window = program.since_start()
    first = program.wait_sample("the first frame", lambda s: s.getbbox() is not None)
    if title is None:
        return window, first, program.wait_still()
    shown = program.wait_sample("the finished title", lambda s: s.tobytes() == title.tobytes())
    return window, first, shown


def game_run(session, folder, title=None):
    """game_stages of one run of the game in `folder`, ended at once."""
    program = benchlib.Program(session, folder, "ondrell.exe", benchlib.GAME_TITLE)
    try:
        return game_stages(program, title)
    finally:
        program.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", default=str(benchlib.ROOT / "build/game"))
    parser.add_argument("--minimal", default=str(benchlib.ROOT / "build/win/tools/bench/minimal_window.exe"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--compare", help="a second game folder, measured interleaved with the first")
    args = parser.parse_args()
    exe = benchlib.built(args.minimal)

    print(benchlib.machine())
    session = benchlib.Session()
    games = [args.game] + ([args.compare] if args.compare else [])
    folders = [benchlib.game_copy(game) for game in games]
    try:
        # Uncounted: warms Wine and the file cache, takes the finished title.
        minimal_run(session, exe)
        titles = [game_run(session, folder)[2] for folder in folders]
        minimal = {"first frame": []}
        results = [{"window": [], "first frame": [], "title shown": []} for _ in folders]
        for run in range(args.runs):
            _, painted = minimal_run(session, exe)
            minimal["first frame"].append(painted)
            line = f"run {run + 1}: plain window {painted * 1000:.0f} ms"
            for game, folder, title, table in zip(games, folders, titles, results):
                window, first, shown = game_run(session, folder, title)
                table["window"].append(window)
                table["first frame"].append(first)
                table["title shown"].append(shown)
                line += (f"; {game}: window {window * 1000:.0f}, first frame {first * 1000:.0f}, "
                         f"title shown {shown * 1000:.0f} ms")
            print(line)
        print()
        print(f"plain window painted:  {benchlib.format_spread(minimal['first frame'])}")
        for game, table in zip(games, results):
            print(f"{game}:")
            print(f"  window open:         {benchlib.format_spread(table['window'])}")
            for key in ("first frame", "title shown"):
                print(f"  {key + ':':20} {benchlib.format_spread(table[key])}, "
                      f"{benchlib.ratio(table[key], minimal['first frame']):.2f} x the plain window")
        print(f"(load average now {' '.join(open('/proc/loadavg').read().split()[:3])})")
    finally:
        for folder in folders:
            benchlib.shutil.rmtree(folder, ignore_errors=True)
        session.close()


if __name__ == "__main__":
    main()
