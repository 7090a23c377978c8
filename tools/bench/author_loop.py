"""Author's loop benchmark: from saving an edit of the demo's sources to the
running game showing it, for a script edit (a message's text) and a picture
edit (the background under that message), against starting afresh (check,
pack, start the game at the line: what an author waited for before the
loop, less clicking through the story).

    /usr/bin/python3 tools/bench/author_loop.py [--runs N] [--message K]

The demo's sources (build/content/img-src/IMG and sound-src/*) are copied to
a scratch folder and played with the Windows `ondrell-pack.exe play` and
`ondrell.exe` of build/win, with the default interface of build/content,
in the Wine prefix ONDRELL_BENCH_PREFIX (default build/win/wine-prefix-e2e).
K (default 30) is the message edited. Each time runs from just before the
file is written to the first capture of the whole window that shows the
change, captures ~30 ms apart; the tool's own "Reloaded in" figure (from
the first change it noticed, through its 100 ms wait for a quiet folder,
to the game's answer) is given beside it.
"""

import argparse
import queue
import re
import shutil
import subprocess
import tempfile
import threading
import time
from pathlib import Path

from PIL import Image, ImageChops

import benchlib
import wine_display

ROOT = benchlib.ROOT
PACK = ROOT / "build/win/tools/pack/ondrell-pack.exe"
ENGINE = ROOT / "build/win/src/app/ondrell.exe"
ABOVE_WINDOW = (0, 0, 800, 370)
TEXT = (40, 430, 700, 570)


def z(path):
    return "Z:" + str(path).replace("/", "\\")


class Loop(benchlib.Program):
    """`ondrell-pack.exe play` of `sources` at `line`: its game's window is
    the one measured; the tool's output lines are collected."""

    def __init__(self, session, sources, play_dir, line):
        self.session, self.title = session, wine_display.DEFAULT_CAPTION
        self.started = time.monotonic()
        self.process = subprocess.Popen(
            [benchlib.WINE, str(PACK), "play", z(sources), "--out", z(play_dir), "--engine", z(ENGINE),
             "--interface", z(ROOT / "build/content/interface"), "--line", str(line)],
            env=session.env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
            encoding="utf-8", start_new_session=True)
        self.lines = queue.Queue()
        threading.Thread(target=lambda: [self.lines.put(x) for x in self.process.stdout], daemon=True).start()
        self.window = self.area = None

    def reloads(self):
        """The tool's "Reloaded in" figures printed since the last call."""
        found = []
        while not self.lines.empty():
            match = re.match(r"Reloaded in (\d+\.\d+) s", self.lines.get())
            if match:
                found.append(float(match.group(1)))
        return found


def changed(before, after, box):
    return ImageChops.difference(before.crop(box), after.crop(box)).getbbox() is not None


def timed_edit(loop, edit, box):
    """Seconds from the edit to the capture that shows it changed in `box`,
    and the tool's own figure for the reload."""
    before = loop.grab()
    start = time.monotonic()
    edit()
    wine_display.wait_for("the edit on the screen", lambda: changed(before, loop.grab(), box), interval=0.03)
    taken = time.monotonic() - start
    tool = wine_display.wait_for("the tool's reload line", lambda: loop.reloads() or None, interval=0.05)
    loop.wait_still(gap=0.3, whole=True)
    return taken, tool[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--message", type=int, default=30)
    args = parser.parse_args()
    for program in (PACK, ENGINE):
        if not program.is_file():
            raise SystemExit(f"{program} is missing: cmake --build build/win --target ondrell ondrell-pack")
    work = Path(tempfile.mkdtemp(prefix="ondrell-bench-loop-"))
    session = benchlib.Session()
    try:
        sources = work / "demo"
        shutil.copytree(ROOT / "build/content/img-src/IMG", sources / "IMG")
        for folder in (ROOT / "build/content/sound-src").iterdir():
            shutil.copytree(folder, sources / folder.name)
        script = sources / "IMG/script.scr.utf8"
        text = script.read_text(encoding="utf-8").split("\n")
        messages = [i for i, line in enumerate(text) if line.startswith("@MESSAGE")]
        at = messages[args.message - 1]  # index of the edited message's line
        background = [line for line in text[:at] if line.startswith("@SCENE[1][")][-1][len("@SCENE[1]["):-1]
        picture = sources / "IMG" / f"{background}.bmp"
        original_text, original_picture = script.read_text(encoding="utf-8"), picture.read_bytes()

        fresh = []
        for run in range(args.runs):
            # Starting afresh: a new play folder each time, the game at the line.
            loop = Loop(session, sources, work / f"fresh{run}", at + 1)
            loop.wait_window()
            loop.wait_still(gap=0.3, whole=True)
            fresh.append(time.monotonic() - loop.started - 0.3)
            loop.close_through_question()
        loop = Loop(session, sources, work / "play", at + 1)
        loop.wait_window()
        loop.wait_still(gap=0.5, whole=True)

        def save(path, data):  # as an editor saves: a temporary file renamed over the old one
            temporary = path.with_name("." + path.name + ".swp")
            temporary.write_bytes(data)
            temporary.replace(path)

        script_times, picture_times, tool_script, tool_picture = [], [], [], []
        for run in range(args.runs):
            words = original_text.split("\n")
            words[at] = words[at].replace("][", "][" + "★" * (run % 3 + 1), 1) if run % 2 == 0 else text[at]
            taken, tool = timed_edit(loop, lambda: save(script, "\n".join(words).encode("utf-8")), TEXT)
            script_times.append(taken)
            tool_script.append(tool)
            with Image.open(picture) as image:
                inverted = ImageChops.invert(image.convert("RGB")) if run % 2 == 0 else None
            if inverted is not None:
                path = work / "inverted.bmp"
                inverted.save(path)
                data = path.read_bytes()
            else:
                data = original_picture
            taken, tool = timed_edit(loop, lambda: save(picture, data), ABOVE_WINDOW)
            picture_times.append(taken)
            tool_picture.append(tool)
        loop.close_through_question()

        print(benchlib.machine())
        print(f"demo, message {args.message} (script line {at + 1}, background {background}), {args.runs} runs")
        print(f"  start afresh (check, pack, start at the line) to the message still: "
              f"{benchlib.format_spread(fresh)}")
        print(f"  script edit to the new text on the screen:  {benchlib.format_spread(script_times)}"
              f" (the tool's reload: {benchlib.format_spread(tool_script)})")
        print(f"  picture edit to the new picture on the screen: {benchlib.format_spread(picture_times)}"
              f" (the tool's reload: {benchlib.format_spread(tool_picture)})")
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
