"""Soak: the whole demo story in automatic mode, several times over in one
run of the game, with what the game holds read from outside it as it plays
(process_probe.exe: GDI objects, kernel handles, committed private memory,
working set) and every voice recorded.

    /usr/bin/python3 tools/bench/soak.py [--game DIR] [--probe EXE] [--passes N] [--every S]

DIR defaults to build/game, EXE to build/win/tools/bench/process_probe.exe
(`cmake --build build/win --target ondrell_bench`), N to 3, S (seconds
between two probes during a pass) to 20. The Wine prefix is
ONDRELL_BENCH_PREFIX (default build/win/wine-prefix-e2e).

Each pass starts a new game from the title, turns on automatic mode at the
first message, answers each question of the quiz rightly with its number
key (automatic mode stops at a choice, and is turned on again after it) and
waits for the title that follows the last message. The
message and automatic speeds are fast, the draw speed normal, so every fade
runs. What Wine plays goes to ALSA's file plugin, one file per opening of the
device; a pass must hold one voice recording per message, each the start of
that message's clip (automatic mode moves on a pause after the text is
complete, so a long voice is cut short by the next one).

The figures are the probe's at the title after each pass; the counts should
not move from the end of the first pass on. Beside them, the highest resident
set (VmRSS) and private part (Private_Clean + Private_Dirty) read from /proc
once a second during each pass, against the bytes of the two data files. Exit status 1 if the GDI or
handle count grew by more than a few from the end of the first pass to the
end of the last, if a pass's voices do not match its messages, or if the
probe cannot see the objects it makes itself (--self-test).
"""

import argparse
import re
import subprocess
import tempfile
import time
from pathlib import Path

import numpy as np

import benchlib  # puts tools/setup on the path
import demo_game as gp  # noqa: E402
import wine_display as harness  # noqa: E402

SCRIPT = benchlib.ROOT / "content/demo/script.scr.utf8"
VOICE_VOLUME = 200
# Counts allowed to differ between pass ends: what a pass may leave behind
# that the next one reuses (a cached font, a thread still ending).
SLACK = 3
MIB = 1024 * 1024


def voices_in_order():
    """The voice clip of every message a pass plays, in order: the story up
    to the quiz's first question, then each right answer's messages up to
    the next question, and the ending for every answer right at the first
    try (message 74) with the goodbye (76). Message n speaks the n-th clip
    of the file."""
    clips = [m.group(1).lstrip("./") for m in re.finditer(r"^@VOICE\[([^\]]+)\]", SCRIPT.read_text("utf-8"), re.M)]
    sets = gp.quiz()
    numbers = list(range(1, sets[0][0] + 1))
    for i, (_, choices, right) in enumerate(sets):
        after = choices[right][1]
        numbers += range(after, (sets[i + 1][0] if i + 1 < len(sets) else after) + 1)
    numbers += [74, 76]
    return [clips[n - 1] for n in numbers]


def probe(session, exe, title=benchlib.GAME_TITLE):
    """The probe's figures for the game, as a dict of ints."""
    args = [benchlib.WINE, str(exe)] + ([title] if title else ["--self-test"])
    with tempfile.TemporaryFile() as out:
        # Output to a file: a Wine child keeps inherited pipes open.
        result = subprocess.run(args, env=session.env, stdin=subprocess.DEVNULL, stdout=out,
                                stderr=subprocess.STDOUT, timeout=60)
        out.seek(0)
        text = out.read().decode(errors="replace").strip()
    if result.returncode != 0:
        raise SystemExit(f"process_probe failed: {text}")
    if not title:
        return text
    return {key: int(value) for key, value in (field.split("=") for field in text.split())}


class Recorder:
    """ALSA's file plugin in `folder`: one file per opening of the device."""

    def __init__(self, folder):
        self.folder = Path(folder)
        (self.folder / "asoundrc").write_text(
            "pcm.!default {\n  type file\n  slave { pcm { type null } }\n"
            f"  file \"{self.folder}/rec-%r-%c.raw\"\n  format \"raw\"\n  truncate false\n}}\n")
        # Kept off Wine's PulseAudio driver, so that Wine talks to ALSA.
        self.env = {"ALSA_CONFIG_PATH": str(self.folder / "asoundrc"),
                    "WINEDLLOVERRIDES": "mscoree,mshtml,winepulse.drv="}
        self.seen = 0

    def new_voices(self):
        """The voice recordings made since the last call."""
        files = gp.recordings(self.folder, gp.VOICE_RATE)
        new, self.seen = files[self.seen:], len(files)
        return new


def check_voices(recorded, expected):
    """Problems with one pass's voice recordings, as text lines."""
    if len(recorded) != len(expected):
        return [f"{len(recorded)} voice recordings for {len(expected)} messages"]
    problems = []
    for n, (path, name) in enumerate(zip(recorded, expected), 1):
        frames, clip = gp.played(path), gp.clip(name, VOICE_VOLUME)
        if len(frames) == 0 or len(frames) > len(clip) or not np.array_equal(frames, clip[:len(frames)]):
            problems.append(f"message {n}: the recording is not the start of {name}")
    return problems


def turn_on_auto(game):
    """Clicks "AUTO" once the first message stands still: the button takes a
    click under a hover that the pointer made, and shows its cover look
    once it has seen the hover."""
    normal = gp.area_key(game.wait_still(gap=1.0, whole=True), gp.AUTO_BUTTON)
    game.x("xdotool", "mousemove", "--window", game.window, *map(str, gp.AUTO_AT))
    harness.wait_for("the AUTO button's cover look", lambda: gp.area_key(game.grab(), gp.AUTO_BUTTON) != normal)
    game.x("xdotool", "click", "1")
    game.x("xdotool", "mousemove", "--window", game.window, *map(str, gp.ASIDE))
    # On, it keeps a look of its own with the pointer away.
    harness.wait_for("the AUTO button's look while the mode is on", lambda: gp.area_key(
        game.grab(), gp.AUTO_BUTTON) != normal)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", default=str(benchlib.ROOT / "build/game"))
    parser.add_argument("--probe", default=str(benchlib.ROOT / "build/win/tools/bench/process_probe.exe"))
    parser.add_argument("--passes", type=int, default=3)
    parser.add_argument("--every", type=float, default=20)
    args = parser.parse_args()
    exe = benchlib.built(args.probe)
    expected = voices_in_order()

    print(benchlib.machine())
    data = sum((Path(args.game) / "DATA" / name).stat().st_size for name in ("IMG.dat", "SOUND.dat"))
    session = benchlib.Session()
    folder = benchlib.game_copy(args.game)
    scratch = Path(tempfile.mkdtemp(prefix="ondrell-soak-"))
    failures = []
    try:
        print(f"probe self-test: {probe(session, exe, None)}")
        (folder / "SYS" / "sys.dat").write_bytes(gp.settings(
            message_speed=gp.FAST, auto_speed=gp.FAST, draw_speed=gp.NORMAL, voice_volume=VOICE_VOLUME))
        recorder = Recorder(scratch)
        game = benchlib.Program(session, folder, "ondrell.exe", benchlib.GAME_TITLE, recorder.env)
        try:
            game.wait_window()
            harness.wait_for("the title", lambda: gp.title_is_shown(game.grab()))
            game.wait_still()
            start = probe(session, exe)
            print(f"on the title before the first pass: {start}")
            ends = []
            for number in range(1, args.passes + 1):
                began = time.monotonic()
                game.click(*gp.TITLE_START)
                harness.wait_for("the first message", lambda: gp.has_lettering(game.grab()), 120)
                turn_on_auto(game)
                samples = []
                resident = []
                next_probe = time.monotonic() + args.every

                questions = gp.quiz()
                asked = 0

                def back_on_title():
                    nonlocal next_probe, asked
                    if game.process.poll() is not None:
                        raise SystemExit(f"the game ended with status {game.process.returncode} in pass {number}")
                    resident.append(game.memory())
                    if time.monotonic() >= next_probe:
                        samples.append(probe(session, exe))
                        next_probe = time.monotonic() + args.every
                    shot = game.grab()
                    if asked < len(questions):
                        count, right = len(questions[asked][1]), questions[asked][2]
                        if gp.choices_shown(shot, count):
                            # A key that comes before the game takes input
                            # again is dropped: pressed again after a while.
                            for deadline in (10, 10, 10, 60):
                                game.key(str(right + 1))
                                try:
                                    harness.wait_for("the answer's message",
                                                     lambda: not gp.choices_shown(game.grab(), count), deadline)
                                    break
                                except AssertionError:
                                    if deadline == 60:
                                        raise
                            asked += 1
                            turn_on_auto(game)
                            return False
                    return gp.title_is_shown(shot)
                harness.wait_for(f"the title after pass {number}", back_on_title, 3600, interval=1.0)
                game.wait_still()
                end = probe(session, exe)
                ends.append(end)
                problems = check_voices(recorder.new_voices(), expected)
                failures += [f"pass {number}: {p}" for p in problems]
                peak = {key: max([s[key] for s in samples] + [end[key]]) for key in end}
                print(f"pass {number} ({time.monotonic() - began:.0f} s, {len(samples)} probes, voices "
                      f"{'all ' + str(len(expected)) + ' whole or cut at their start' if not problems else 'WRONG'}): "
                      f"at the title gdi {end['gdi']}, handles {end['handles']}, private {end['private_kib']} KiB, "
                      f"working set {end['working_set_kib']} KiB; peaks during the pass gdi {peak['gdi']}, "
                      f"handles {peak['handles']}, private {peak['private_kib']} KiB")
                rss, private = (max(values) for values in zip(*resident))
                print(f"  highest during the pass: resident {rss / MIB:.1f} MiB ({rss / data:.2f} x the data), "
                      f"private {private / MIB:.1f} MiB ({private / data:.2f} x)")
            game.close_through_question()
            first, last = ends[0], ends[-1]
            print()
            print(f"from the end of pass 1 to the end of pass {len(ends)}: "
                  + ", ".join(f"{key} {last[key] - first[key]:+d}" for key in
                              ("gdi", "handles", "private_kib", "working_set_kib")))
            for key in ("gdi", "handles"):
                if abs(last[key] - first[key]) > SLACK:
                    failures.append(f"{key} went from {first[key]} to {last[key]}")
        finally:
            game.kill()
    finally:
        benchlib.shutil.rmtree(folder, ignore_errors=True)
        benchlib.shutil.rmtree(scratch, ignore_errors=True)
        session.close()
    for failure in failures:
        print(f"FAILED: {failure}")
    raise SystemExit(1 if failures else 0)


if __name__ == "__main__":
    main()
