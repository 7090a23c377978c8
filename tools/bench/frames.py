"""Frame benchmark: the frame thread's work for a full-canvas background
cross-fade frame and for a typing frame, timed inside the game with the
performance counter (ONDRELL_FRAME_TIMES, see src/app/frame_times.h).

    /usr/bin/python3 tools/bench/frames.py [--game DIR] [--pack PACK] [--scenes N] [--rounds R] [--compare DIR2]

DIR defaults to build/game, PACK (the host packer) to
build/host/tools/pack/ondrell-pack; the Wine prefix is ONDRELL_BENCH_PREFIX
(default build/win/wine-prefix-e2e). The game is played R times (default 1);
with --compare, the game of DIR2 (another build of the engine) is played as
often, the plays of the two alternating, and both are summarised.

The game is the demo's pictures with a story of its own: N (default 8)
messages, each after a change of background, each message holding
glossary terms (so typing draws character by character, the heavier way).
The script starts the game, waits for each message to be typed out and
clicks on to the next, then ends the game through its exit question so that
it writes its timings.

Each frame's compose time (every layer drawn into the canvas) is set beside
its floor, the present time of the same frame: one copy of the redrawn
rectangle into the back buffer, the least any frame of that size costs.
The cross-fade frames in which the game made a picture into a bitmap (the
picture's first showing; a game that makes every bitmap at start-up has
none) are summarised apart, against the frame budget.
"""

import argparse
import statistics
import subprocess
import tempfile
from pathlib import Path

import benchlib

CANVAS = (0, 0, 800, 600)
BACKGROUND_BIT = 1 << 0  # LAYER_BACKGROUND in src/app/screen_tables.h
TITLE_BIT = 1 << 1  # LAYER_TITLE
MESSAGE_WINDOW_BIT = 1 << 5  # LAYER_MESSAGE_WINDOW
BACKGROUNDS = ["HAIKEI2", "HAIKEI3", "HAIKEI1"]
# One page each (four lines of 19 full-width characters), with terms of the
# demo's glossary in it.
MESSAGES = [
    "CPUはメモリから命令を読み、アドレスで場所を探す。スレッドが二つなら、ミューテックスで順番を守るの。",
    "ビットマップにマスクを重ねて描画し、フレームごとに画面を作り直す。それがゲームの絵のしくみよ。",
]
START_BUTTON = (640, 330)  # "はじめから" on the title, in window coordinates
PROCEED_POINT = (400, 150)  # above the message window, away from every button


def make_bench_game(game_dir, pack, scenes, folder):
    """The game folder with its IMG.dat repacked around the bench story."""
    with tempfile.TemporaryDirectory(prefix="ondrell-bench-img-") as source:
        subprocess.run([pack, "extract", str(Path(game_dir) / "DATA/IMG.dat"), source], check=True,
                       stdout=subprocess.DEVNULL)
        lines = []
        for i in range(scenes):
            lines.append(f"@SCENE[1][{BACKGROUNDS[i % len(BACKGROUNDS)]}]")
            lines.append(f"@MESSAGE[シオリ][{MESSAGES[i % len(MESSAGES)]}]")
        (Path(source) / "IMG/script.scr").write_bytes(("\r\n".join(lines) + "\r\n").encode("cp932"))
        subprocess.run([pack, "create", str(folder / "DATA/IMG.dat"), source], check=True,
                       stdout=subprocess.DEVNULL)


def read_frames(path):
    frames = []
    for line in Path(path).read_text().split("\n"):
        fields = line.split()
        # A ninth field, the pictures made during the frame, is written by
        # engines that make bitmaps on first use.
        if len(fields) in (8, 9):
            start, compose, present, left, top, right, bottom, layers = (int(f) for f in fields[:8])
            frames.append({"compose": compose / 1e6, "present": present / 1e6, "rect": (left, top, right, bottom),
                           "layers": layers, "made": int(fields[8]) if len(fields) == 9 else 0})
    return frames


def summarise(name, frames):
    if not frames:
        print(f"{name}: no frames")
        return
    compose = [f["compose"] for f in frames]
    present = [f["present"] for f in frames]
    print(f"{name} ({len(frames)} frames):")
    print(f"  compose:         {benchlib.format_spread(compose, unit='ms', digits=2).replace('runs', 'frames')}")
    print(f"  floor (present): {benchlib.format_spread(present, unit='ms', digits=2).replace('runs', 'frames')}")
    print(f"  ratio compose / present (medians): {benchlib.ratio(compose, present):.2f}")


def play(session, folder, scenes):
    """One play of the bench story; the frames the game recorded."""
    times_file = folder / "frame-times.txt"
    times_file.unlink(missing_ok=True)
    # Wine hands the Unix environment to the program; Z: is the root.
    game = benchlib.Program(session, folder, "ondrell.exe", benchlib.GAME_TITLE,
                            {"ONDRELL_FRAME_TIMES": "Z:" + str(times_file).replace("/", "\\")})
    try:
        game.wait_window()
        game.wait_still()
        game.click(*START_BUTTON)
        for _ in range(scenes - 1):
            game.wait_still(gap=1.0, whole=True)  # the message typed out
            game.click(*PROCEED_POINT)
        game.wait_still(gap=1.0, whole=True)
        game.close_through_question()
    finally:
        game.kill()
    return read_frames(times_file)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", default=str(benchlib.ROOT / "build/game"))
    parser.add_argument("--pack", default=str(benchlib.ROOT / "build/host/tools/pack/ondrell-pack"))
    parser.add_argument("--scenes", type=int, default=8)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--compare", help="a second game folder, played alternately with the first")
    args = parser.parse_args()

    print(benchlib.machine())
    games = [args.game] + ([args.compare] if args.compare else [])
    folders = []
    session = None
    try:
        for game in games:
            folders.append(benchlib.game_copy(game))
            make_bench_game(game, args.pack, args.scenes, folders[-1])
        session = benchlib.Session()
        frames = [[] for _ in games]
        for _ in range(args.rounds):
            for i, folder in enumerate(folders):
                frames[i] += play(session, folder, args.scenes)
        for game, recorded in zip(games, frames):
            crossfade = [f for f in recorded if f["layers"] & BACKGROUND_BIT and not f["layers"] & TITLE_BIT
                         and f["rect"] == CANVAS]
            typing = [f for f in recorded if f["layers"] == MESSAGE_WINDOW_BIT and f["rect"] != CANVAS]
            print(f"{game}: {len(recorded)} frames recorded in {args.rounds} plays")
            summarise("full-canvas background cross-fade frames", crossfade)
            making = [f for f in crossfade if f["made"]]
            if making:
                summarise("  of them, frames that made pictures into bitmaps (their first showing)", making)
                print(f"  slowest of them composed and presented: "
                      f"{max(f['compose'] + f['present'] for f in making) * 1000:.2f} ms of the 66.7 ms frame budget")
            summarise("typing frames (message window only)", typing)
            if crossfade:
                print(f"frame budget at 15 frames a second: 66.7 ms; cross-fade median "
                      f"{statistics.median(f['compose'] + f['present'] for f in crossfade) * 1000:.2f} ms "
                      f"composed and presented")
    finally:
        if session:
            session.close()
        for folder in folders:
            benchlib.shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
