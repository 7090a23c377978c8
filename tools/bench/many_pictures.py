"""Many-pictures benchmark: start-up and the memory of the still title of a
game with 500 story pictures of its own beside the demo, both run by the
same ondrell.exe, their runs interleaved, under the same warm Wine.

    /usr/bin/python3 tools/bench/many_pictures.py [--game DIR] [--many DIR] [--minimal EXE] [--runs N] [--settle S]

DIR (the demo) defaults to build/game, the 500-picture game to
build/bench-many-game, EXE to build/win/tools/bench/minimal_window.exe
(`cmake --build build/win --target ondrell_bench`), N to 5, S to 8. The
Wine prefix is ONDRELL_BENCH_PREFIX (default build/win/wine-prefix-e2e).

The 500-picture game is made the first time (only when its folder lacks
one of its files; remove the folder to make it again), with
tools/setup/make-game OUT --sources DIR from the demo's own sources
(build/content/img-src/IMG and every folder of build/content/sound-src,
which `tools/setup/make-game build/game` generates) and, drawn here,
deterministically:
- 250 characters, 300 x 500, PNGs with transparency (a figure on a
  transparent ground), so the packer makes each one's mask;
- 200 slides, 300 x 200, PNGs with a transparent frame: masks as above;
- 50 backgrounds, 800 x 600, opaque PNGs (a background is drawn whole).
Every picture is a pattern of its own: none is of one colour (the game
draws such a picture as a fill and never makes a bitmap of it). The
scenario is the demo's, followed by a chapter that shows every tenth of the
new pictures, so the title and everything before it are the demo's.

Each run starts the plain 800 x 600 window (the floor: the least any Wine
program takes to show), then the two games, which of them first
alternating from run to run. Of each game it takes, as startup.py does,
the window, the first frame and the finished title (captures ~5 ms apart);
the program's CPU time and its memory at the finished title; and its memory
again S seconds later, when the still title has let go of the bitmaps it
no longer draws (those not drawn for 5 s). The time from the window to the
first frame is given apart: the game opens its window before it reads
anything of its data, so that span holds all of the start-up that could
grow with the archive, without the noise of starting a process. Memory is
the game's resident set (VmRSS) and its private part (Private_Clean +
Private_Dirty of /proc/PID/smaps_rollup). The load average is printed with
every run.

The summary gives each figure of both games as median (min to max), the
ratio of the 500-picture game's median to the demo's, and the median (min
to max) of the differences between the two games within a run, which saw
the same moment of the machine.
"""

import argparse
import os
import shutil
import struct
import subprocess
import tempfile
import time
from pathlib import Path

import numpy as np
from PIL import Image

import benchlib
import startup

MIB = 1024 * 1024
CHARACTERS, CHARACTER_SIZE = 250, (300, 500)
SLIDES, SLIDE_SIZE = 200, (300, 200)
BACKGROUNDS, BACKGROUND_SIZE = 50, (800, 600)
SHOWN_EVERY = 10  # the scenario shows every tenth picture of each kind
FILES = ("ondrell.exe", "DATA/IMG.dat", "DATA/SOUND.dat")


# ---- The game of 500 pictures ---------------------------------------------

def pattern(size, k):
    """An RGB pattern of `size` (width, height) that differs with `k`:
    diagonal bands over two gradients and rings round a point of its own."""
    width, height = size
    y, x = np.mgrid[0:height, 0:width]
    cx, cy = (37 * k) % width, (53 * k) % height
    rings = (np.hypot(x - cx, y - cy) // (6 + k % 9)).astype(np.int64) % 2
    red = (x * 255 // width + 29 * k) % 256
    green = (y * 255 // height + 71 * k) % 256
    blue = ((x + 2 * y) // (4 + k % 5) * 16 + 13 * k) % 256
    pixels = np.stack([red, green, blue], axis=-1)
    pixels = np.where(rings[..., None] == 1, 255 - pixels, pixels)
    return pixels.astype(np.uint8)


def character(k):
    """A figure (a head over a body) on a transparent ground; the hidden
    pixels black, as an author's export often has them."""
    width, height = CHARACTER_SIZE
    y, x = np.mgrid[0:height, 0:width]
    head = np.hypot(x - width / 2, y - 90) < 60 + k % 20
    body = ((x - width / 2) / (110 + k % 30)) ** 2 + ((y - 330) / 170) ** 2 < 1
    shown = head | body
    pixels = np.where(shown[..., None], pattern(CHARACTER_SIZE, k), 0).astype(np.uint8)
    alpha = np.where(shown, 255, 0).astype(np.uint8)
    return Image.fromarray(np.dstack([pixels, alpha]), "RGBA")


def slide(k):
    """A card with a transparent frame of 10 pixels."""
    width, height = SLIDE_SIZE
    alpha = np.zeros((height, width), np.uint8)
    alpha[10:height - 10, 10:width - 10] = 255
    return Image.fromarray(np.dstack([pattern(SLIDE_SIZE, 1000 + k), alpha]), "RGBA")


def background(k):
    return Image.fromarray(pattern(BACKGROUND_SIZE, 2000 + k), "RGB")


def names(stem, count):
    return [f"{stem}{k:03d}" for k in range(1, count + 1)]


def story_chapter():
    """Scenario lines that show every tenth new picture, a message after
    each."""
    lines = ["", "//=== many pictures ==="]
    for i, name in enumerate(names("MANY_BG", BACKGROUNDS)[::SHOWN_EVERY]):
        lines += [f"@SCENE[1][{name}]", f"@MESSAGE[NONE][背景{i + 1}。]"]
    for i, name in enumerate(names("MANY_CHAR", CHARACTERS)[::SHOWN_EVERY]):
        slot, place = 1 + i % 2, "lcr"[i % 3]
        lines += [f"@CHARACTER[{slot}][{place}][{name}]", f"@MESSAGE[NONE][人物{i + 1}。]"]
    for i, name in enumerate(names("MANY_SLIDE", SLIDES)[::SHOWN_EVERY]):
        lines += [f"@SLIDE[1][{name}]", f"@MESSAGE[NONE][スライド{i + 1}。]"]
    return "\n".join(lines) + "\n"


def make_many_game(out):
    """Makes the 500-picture game in `out` unless it is there; made in a
    folder beside it and renamed, so a run cut short leaves none."""
    if all((out / name).is_file() for name in FILES):
        return
    img_src = benchlib.ROOT / "build/content/img-src/IMG"
    sound_src = benchlib.ROOT / "build/content/sound-src"
    if not img_src.is_dir() or not sound_src.is_dir():
        raise SystemExit(f"{img_src} or {sound_src} is missing: run tools/setup/make-game build/game")
    print(f"Making the 500-picture game in {out}")
    started = time.monotonic()
    out.parent.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="ondrell-many-", dir=out.parent) as work:
        sources = Path(work) / "sources"
        shutil.copytree(img_src, sources / "IMG")
        for folder in sound_src.iterdir():
            shutil.copytree(folder, sources / folder.name)
        img = sources / "IMG"
        for k, name in enumerate(names("MANY_CHAR", CHARACTERS), 1):
            character(k).save(img / f"{name}.png", compress_level=1)
        for k, name in enumerate(names("MANY_SLIDE", SLIDES), 1):
            slide(k).save(img / f"{name}.png", compress_level=1)
        for k, name in enumerate(names("MANY_BG", BACKGROUNDS), 1):
            background(k).save(img / f"{name}.png", compress_level=1)
        script = img / "script.scr.utf8"
        script.write_text(script.read_text(encoding="utf-8") + story_chapter(), encoding="utf-8")
        game = Path(work) / "game"
        result = subprocess.run([str(benchlib.ROOT / "tools/setup/make-game"), str(game), "--sources", str(sources)],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        output = result.stdout.decode("utf-8", "replace")
        # The checker says only what it converted.
        findings = [line for line in output.splitlines() if not line.startswith("Converted ")]
        if result.returncode != 0 or findings:
            raise SystemExit(f"make-game failed or found something:\n{output}")
        shutil.rmtree(out, ignore_errors=True)
        game.rename(out)
    print(f"  made in {time.monotonic() - started:.0f} s")


def archive_entries(path):
    """The entry count an archive's index gives (its trailer holds the
    index offset, the index starts with the count)."""
    with open(path, "rb") as f:
        f.seek(-4, os.SEEK_END)
        (offset,) = struct.unpack("<i", f.read(4))
        f.seek(offset)
        return struct.unpack("<i", f.read(4))[0]


def describe(label, folder):
    parts = []
    for name in ("IMG.dat", "SOUND.dat"):
        path = Path(folder) / "DATA" / name
        parts.append(f"{name} {path.stat().st_size / MIB:.1f} MiB ({archive_entries(path)} entries)")
    print(f"{label}: {folder}: {', '.join(parts)}")


# ---- Measuring ---------------------------------------------------------------

def load_average():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def measure_game(session, folder, title, settle):
    """The start-up stages (seconds), the CPU seconds and the memory
    (resident, private bytes) at the finished title, and the memory `settle`
    seconds later."""
    program = benchlib.Program(session, folder, "ondrell.exe", benchlib.GAME_TITLE)
    try:
        window, first, shown = startup.game_stages(program, title)
        cpu = program.cpu_seconds()
        at_title = program.memory()
        time.sleep(max(0.0, shown + settle - program.since_start()))
        still = program.memory()
        return {"window": window, "first frame": first, "title shown": shown,
                "window to first frame": first - window, "cpu": cpu,
                "rss at title": at_title[0], "private at title": at_title[1],
                "rss still": still[0], "private still": still[1]}
    finally:
        program.kill()


def mib(values):
    low, middle, high = benchlib.spread(values)
    return f"{middle / MIB:.1f} MiB ({low / MIB:.1f} to {high / MIB:.1f})"


def ms(values):
    low, middle, high = benchlib.spread(values)
    return f"{middle * 1000:.0f} ms ({low * 1000:.0f} to {high * 1000:.0f})"


def difference(values, memory):
    """Median (min to max) of signed differences, in KiB or ms."""
    scale, unit = (1 / 1024, "KiB") if memory else (1000, "ms")
    low, middle, high = (v * scale for v in benchlib.spread(values))
    return f"{middle:+.0f} {unit} ({low:+.0f} to {high:+.0f})"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", default=str(benchlib.ROOT / "build/game"))
    parser.add_argument("--many", default=str(benchlib.ROOT / "build/bench-many-game"))
    parser.add_argument("--minimal", default=str(benchlib.ROOT / "build/win/tools/bench/minimal_window.exe"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--settle", type=float, default=8.0,
                        help="seconds after the finished title to the memory of the still title")
    args = parser.parse_args()
    exe = benchlib.built(args.minimal)
    make_many_game(Path(args.many))

    print(benchlib.machine())
    describe("demo", args.game)
    describe("500 pictures", args.many)
    session = benchlib.Session()
    games = [("demo", args.game), ("500 pictures", args.many)]
    folders = [benchlib.game_copy(folder) for _, folder in games]
    try:
        # Both run the demo folder's engine, whatever built the other.
        shutil.copyfile(Path(args.game) / "ondrell.exe", folders[1] / "ondrell.exe")
        # Uncounted: warms Wine and the file cache, takes the finished titles.
        startup.minimal_run(session, exe)
        titles = [startup.game_run(session, folder)[2] for folder in folders]
        if titles[0].tobytes() != titles[1].tobytes():
            print("note: the two finished titles differ")
        plain = []
        results = [[] for _ in games]
        loads = []
        for run in range(args.runs):
            loads.append(float(load_average().split()[0]))
            _, painted = startup.minimal_run(session, exe)
            plain.append(painted)
            line = f"run {run + 1} (load {load_average()}): plain window {painted * 1000:.0f} ms"
            order = [0, 1] if run % 2 == 0 else [1, 0]
            for i in order:
                figures = measure_game(session, folders[i], titles[i], args.settle)
                results[i].append(figures)
                line += (f"; {games[i][0]}: window {figures['window'] * 1000:.0f}, first frame "
                         f"{figures['first frame'] * 1000:.0f}, title {figures['title shown'] * 1000:.0f} ms, "
                         f"still title {figures['rss still'] / MIB:.1f} / {figures['private still'] / MIB:.1f} MiB")
            print(line, flush=True)

        print()
        print(f"plain window painted: {ms(plain)}")
        rows = [("window open", "window", ms), ("first title frame", "first frame", ms),
                ("title fully shown", "title shown", ms), ("window to first frame", "window to first frame", ms),
                ("CPU to the title", "cpu", ms),
                ("resident at the title", "rss at title", mib), ("private at the title", "private at title", mib),
                (f"resident, still title (+{args.settle:.0f} s)", "rss still", mib),
                (f"private, still title (+{args.settle:.0f} s)", "private still", mib)]
        print(f"{'':34} {'demo':>26} {'500 pictures':>26}  {'ratio':>5}  500 pictures - demo, same run")
        for label, key, show in rows:
            columns = [[figures[key] for figures in table] for table in results]
            differences = [many - demo for demo, many in zip(*columns)]
            print(f"{label:34} {show(columns[0]):>26} {show(columns[1]):>26}  "
                  f"{benchlib.ratio(columns[1], columns[0]):.3f}  {difference(differences, show is mib)}")
        for label, key in (("first title frame", "first frame"), ("title fully shown", "title shown")):
            print(f"{label} against the plain window: " + ", ".join(
                f"{name} {benchlib.ratio([f[key] for f in table], plain):.2f} x"
                for (name, _), table in zip(games, results)))
        print(f"load average: {min(loads):.2f} to {max(loads):.2f} at the runs' starts, {load_average()} now")
    finally:
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)
        session.close()


if __name__ == "__main__":
    main()
