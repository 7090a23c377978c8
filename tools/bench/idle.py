"""Idle benchmark: the CPU the game uses while nothing moves on screen, on
the title and in the game with its first message typed out, side by side
with a plain window (minimal_window.exe) under the same warm Wine; and the
game's memory against the size of its data files.

    /usr/bin/python3 tools/bench/idle.py [--game DIR] [--minimal EXE] [--seconds S] [--runs N] [--sound]

DIR defaults to build/game, EXE to build/win/tools/bench/minimal_window.exe,
S (the length of each measurement) to 20, N to 3. The Wine prefix is
ONDRELL_BENCH_PREFIX (default build/win/wine-prefix-e2e).

CPU is the program's user and system time plus that of the prefix's
wineserver (which every window, lock and timer call of the program goes
through), read from /proc before and after S seconds, as a share of one
core. Without --sound the machine has no sound device, as on the machines
the end-to-end tests run on: the music and voices fail to open and cost
nothing. With --sound Wine plays into ALSA's null device, so the game's
music runs as it would for a player.

Memory: the game's resident set (VmRSS) and its private part
(Private_Clean + Private_Dirty) on the title and in the game, against the
bytes of DATA/IMG.dat and DATA/SOUND.dat, and the plain window's as the
least any Wine program takes.
"""

import argparse
import tempfile
import time
from pathlib import Path

import benchlib

START_BUTTON = (640, 330)  # "はじめから" on the title, in window coordinates
PROCEED_POINT = (400, 150)  # above the message window, away from every button
MIB = 1024 * 1024


def cpu_share(session, program, seconds):
    """The share of one core the program and the wineserver used over
    `seconds` from now."""
    server = session.wineserver_pid()
    before = program.cpu_seconds() + benchlib.process_cpu_seconds(server)
    started = time.monotonic()
    time.sleep(seconds)
    after = program.cpu_seconds() + benchlib.process_cpu_seconds(server)
    return (after - before) / (time.monotonic() - started)


def measure_minimal(session, exe, seconds, extra_env):
    program = benchlib.Program(session, str(exe.parent), exe.name, benchlib.MINIMAL_TITLE, extra_env)
    try:
        program.wait_window()
        program.wait_still()
        return cpu_share(session, program, seconds), program.memory()
    finally:
        program.kill()


def measure_game(session, folder, seconds, extra_env):
    """(title CPU, title memory, game CPU, game memory)."""
    program = benchlib.Program(session, folder, "ondrell.exe", benchlib.GAME_TITLE, extra_env)
    try:
        program.wait_window()
        program.wait_still()
        title_cpu = cpu_share(session, program, seconds)
        title_memory = program.memory()
        program.click(*START_BUTTON)
        # The first message typed out; then nothing moves.
        program.wait_still(gap=1.0, whole=True)
        game_cpu = cpu_share(session, program, seconds)
        return title_cpu, title_memory, game_cpu, program.memory()
    finally:
        program.kill()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--game", default=str(benchlib.ROOT / "build/game"))
    parser.add_argument("--minimal", default=str(benchlib.ROOT / "build/win/tools/bench/minimal_window.exe"))
    parser.add_argument("--seconds", type=float, default=20)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sound", action="store_true")
    args = parser.parse_args()
    exe = benchlib.built(args.minimal)

    print(benchlib.machine())
    extra_env = {}
    config = None
    if args.sound:
        config = tempfile.NamedTemporaryFile("w", suffix=".asoundrc", prefix="ondrell-bench-")
        config.write("pcm.!default { type null }\n")
        config.flush()
        # Kept off Wine's PulseAudio driver, so that Wine plays through ALSA.
        extra_env = {"ALSA_CONFIG_PATH": config.name, "WINEDLLOVERRIDES": "mscoree,mshtml,winepulse.drv="}
    session = benchlib.Session()
    folder = benchlib.game_copy(args.game)
    try:
        data_bytes = sum((Path(args.game) / "DATA" / name).stat().st_size for name in ("IMG.dat", "SOUND.dat"))
        figures = {"plain": [], "title": [], "game": []}
        memory = {"plain": [], "title": [], "game": []}
        for run in range(args.runs):
            plain_cpu, plain_memory = measure_minimal(session, exe, args.seconds, extra_env)
            title_cpu, title_memory, game_cpu, game_memory = measure_game(session, folder, args.seconds, extra_env)
            for key, cpu, held in (("plain", plain_cpu, plain_memory), ("title", title_cpu, title_memory),
                                   ("game", game_cpu, game_memory)):
                figures[key].append(cpu)
                memory[key].append(held)
            print(f"run {run + 1}: plain window {plain_cpu * 100:.2f} %, title {title_cpu * 100:.2f} %, "
                  f"in the game {game_cpu * 100:.2f} % of a core")
        print()
        print(f"idle CPU over {args.seconds:.0f} s, program plus wineserver, % of one core"
              f"{' (music playing into a null device)' if args.sound else ' (no sound device)'}:")
        print(f"  plain window:     {benchlib.format_spread(figures['plain'], unit='%', scale=100, digits=2)}")
        for key, name in (("title", "title"), ("game", "in the game")):
            above = [(a - b) * 100 for a, b in zip(figures[key], figures["plain"])]
            print(f"  {name + ':':17} {benchlib.format_spread(figures[key], unit='%', scale=100, digits=2)}; "
                  f"{benchlib.statistics.median(above):+.2f} points above the plain window "
                  f"(medians of run pairs), ratio {benchlib.ratio(figures[key], figures['plain']):.1f}")
        print(f"memory against the data files ({data_bytes / MIB:.1f} MiB: DATA/IMG.dat + DATA/SOUND.dat):")
        for key, name in (("plain", "plain window"), ("title", "game on the title"), ("game", "game in the game")):
            rss = [m[0] for m in memory[key]]
            private = [m[1] for m in memory[key]]
            print(f"  {name + ':':19} resident {benchlib.statistics.median(rss) / MIB:.1f} MiB "
                  f"(min {min(rss) / MIB:.1f}, max {max(rss) / MIB:.1f}), private "
                  f"{benchlib.statistics.median(private) / MIB:.1f} MiB; "
                  f"resident / data {benchlib.statistics.median(rss) / data_bytes:.2f}")
    finally:
        benchlib.shutil.rmtree(folder, ignore_errors=True)
        session.close()
        if config:
            config.close()


if __name__ == "__main__":
    main()
