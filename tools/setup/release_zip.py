#!/usr/bin/env python3
"""Writes a laid-out game folder into a zip for players.

    release_zip.py GAME_DIR OUT.zip [--dated-by SOURCES]

The zip holds one folder, named like GAME_DIR, with every file of GAME_DIR,
an empty SYS/ and README.txt (from release-readme.txt beside this script,
with the folder's name and the program's filled in; UTF-8 with a byte-order
mark and CR LF, so that every Notepad shows the Japanese). The program is
the one .exe file directly in GAME_DIR. Names are stored as UTF-8 (the zip's
flag for it is set), in name order, each with the date of the newest file in
SOURCES (or GAME_DIR), so the same game gives the same zip. The zip is
written beside OUT.zip and renamed over it when complete.
"""

import argparse
import os
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
DOS_DIRECTORY, DOS_ARCHIVE = 0x10, 0x20


def newest_time(folder):
    newest = 0
    for root, _, files in os.walk(folder):
        for name in files:
            newest = max(newest, os.stat(os.path.join(root, name)).st_mtime)
    # Zip dates run from 1980; local time, as Windows shows them.
    return max(time.localtime(newest or time.time())[:6], (1980, 1, 1, 0, 0, 0))


def entry(name, date, directory=False):
    info = zipfile.ZipInfo(name + ("/" if directory else ""), date)
    # Made on Unix: Unix modes in the high word for unzip, MS-DOS attributes
    # in the low byte for Windows (as Info-ZIP's zip writes them). Unzip
    # takes a name from an MS-DOS zip for the OEM code page, UTF-8 flag or not.
    info.create_system = 3
    info.external_attr = (0o40755 << 16 | DOS_DIRECTORY) if directory else (0o100644 << 16 | DOS_ARCHIVE)
    info.compress_type = zipfile.ZIP_STORED if directory else zipfile.ZIP_DEFLATED
    return info


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("game")
    parser.add_argument("out")
    parser.add_argument("--dated-by")
    args = parser.parse_args()
    game = os.path.abspath(args.game)
    name = os.path.basename(game)
    date = newest_time(args.dated_by or game)
    programs = sorted(n for n in os.listdir(game) if n.lower().endswith(".exe"))
    if len(programs) != 1:
        sys.exit(f"release_zip.py: {game} must hold one program (.exe), not {len(programs)}")
    with open(os.path.join(HERE, "release-readme.txt"), encoding="utf-8") as f:
        readme = "\ufeff" + f.read().replace("{name}", name).replace("{program}", programs[0]).replace("\n", "\r\n")

    folders = {name, name + "/SYS"}
    files = {name + "/README.txt": readme.encode("utf-8")}
    for root, dirs, names in os.walk(game):
        relative = os.path.relpath(root, os.path.dirname(game)).replace(os.sep, "/")
        folders.add(relative)
        for file_name in names:
            with open(os.path.join(root, file_name), "rb") as f:
                files[relative + "/" + file_name] = f.read()

    out = os.path.abspath(args.out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    handle, partial = tempfile.mkstemp(prefix=os.path.basename(out) + ".", dir=os.path.dirname(out))
    try:
        with os.fdopen(handle, "wb") as raw, zipfile.ZipFile(raw, "w") as archive:
            for folder in sorted(folders):
                archive.writestr(entry(folder, date, directory=True), b"")
            for path in sorted(files):
                archive.writestr(entry(path, date), files[path], compresslevel=9)
        # mkstemp made it readable by its owner only.
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(partial, 0o666 & ~umask)
        os.replace(partial, out)
    except BaseException:
        os.unlink(partial)
        raise
    print(f"Wrote {args.out}: {name}/ with {', '.join(sorted(p[len(name) + 1:] for p in files))}")


if __name__ == "__main__":
    sys.exit(main())
