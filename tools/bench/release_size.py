"""Release size: the demo released for players with its music and voices as
WAV and as Ogg Vorbis, the sizes of each zip and of what it unpacks to.

    /usr/bin/python3 tools/bench/release_size.py [--out DIR]

Both releases are made the way `./play --release OUT.zip` makes the demo's:
tools/setup/demo-sources lays the demo's sources out (`--wav` for the WAV
clips as generated; without it the clips encoded by oggenc, the scenario
naming them .ogg), then tools/setup/make-release checks, packs and zips
them. DIR (default build/bench-release) receives the two source folders
and the two zips; the Ogg sources are laid out again only when the demo's
content is newer, as ./play does. Needs what ./play --release builds: the
host ondrell-pack and ondrell-check (build/host) and ondrell.exe
(build/win).

Printed, for each release: the zip's size and the sum of its files
unpacked; DATA/IMG.dat and DATA/SOUND.dat, unpacked and as stored in the
zip (deflated); the clips in the sources by folder; the longest clip. The
Ogg release's share of the WAV one is printed last. Figures only, nothing
asserted.
"""

import argparse
import subprocess
import sys
import time
import wave
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
MIB = 1024.0 * 1024.0


def mib(count):
    return f"{count / MIB:.1f} MiB"


def mb(count):
    return f"{count / 1e6:.1f} MB"


def run(args):
    result = subprocess.run([str(a) for a in args], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        sys.exit(f"release_size.py: {' '.join(str(a) for a in args)} failed:\n{result.stdout}")
    return result.stdout


def release(sources, out, wav):
    """Lays out the demo's sources and releases them; returns the seconds
    each step took."""
    started = time.monotonic()
    run([ROOT / "tools/setup/demo-sources"] + (["--wav"] if wav else []) + [sources])
    laid_out = time.monotonic()
    run([ROOT / "tools/setup/make-release", out, sources])
    return laid_out - started, time.monotonic() - laid_out


def zip_figures(path):
    with zipfile.ZipFile(path) as archive:
        entries = {info.filename.split("/", 1)[1]: info for info in archive.infolist() if not info.is_dir()}
    return {
        "zip": path.stat().st_size,
        "unpacked": sum(info.file_size for info in entries.values()),
        "entries": entries,
    }


def clip_figures(sources):
    """Bytes per sound folder, and the longest clip: (seconds, name)."""
    folders, longest = {}, (0.0, "")
    for folder in sorted(p for p in sources.iterdir() if p.is_dir() and p.name != "IMG"):
        clips = sorted(folder.iterdir())
        folders[folder.name] = (len(clips), sum(c.stat().st_size for c in clips))
        for clip in clips:
            seconds = clip_seconds(clip)
            if seconds > longest[0]:
                longest = (seconds, f"{folder.name}/{clip.name}")
    return folders, longest


def clip_seconds(path):
    if path.suffix == ".wav":
        with wave.open(str(path)) as clip:
            return clip.getnframes() / clip.getframerate()
    # Ogg Vorbis: the last page's granule position (frames) over the rate of
    # the identification header, which follows the first page's 27-byte
    # header and 1-byte segment table, the packet type and "vorbis" (7
    # bytes), the version (4) and the channel count (1).
    data = path.read_bytes()
    rate = int.from_bytes(data[40:44], "little")
    position, granule = 0, 0
    while position + 27 <= len(data) and data[position:position + 4] == b"OggS":
        granule = int.from_bytes(data[position + 6:position + 14], "little")
        segments = data[position + 26]
        position += 27 + segments + sum(data[position + 27:position + 27 + segments])
    return granule / rate


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=str(ROOT / "build/bench-release"))
    args = parser.parse_args()
    out = Path(args.out).resolve()
    load = " ".join(Path("/proc/loadavg").read_text().split()[:3])
    commit = subprocess.run(["git", "-C", str(ROOT), "rev-parse", "--short", "HEAD"], stdout=subprocess.PIPE,
                            text=True).stdout.strip()
    oggenc = subprocess.run(["oggenc", "--version"], stdout=subprocess.PIPE, text=True).stdout.strip()
    print(f"at {commit}, {oggenc}, load average {load}, {time.strftime('%Y-%m-%d %H:%M')}")

    results = {}
    for kind, wav in (("WAV", True), ("Ogg", False)):
        sources = out / f"{kind.lower()}-sources" / "ondrell"
        zip_path = out / f"demo-{kind.lower()}.zip"
        lay_out, make = release(sources, zip_path, wav)
        figures = zip_figures(zip_path)
        figures["clips"], figures["longest"] = clip_figures(sources)
        results[kind] = figures
        print(f"\n{kind}: {zip_path.relative_to(ROOT) if zip_path.is_relative_to(ROOT) else zip_path}")
        print(f"  sources laid out in {lay_out:.1f} s (nothing to do when already laid out), "
              f"checked, packed and zipped in {make:.1f} s")
        print(f"  zip {figures['zip']} bytes ({mb(figures['zip'])}, {mib(figures['zip'])}), "
              f"unpacked {figures['unpacked']} bytes ({mb(figures['unpacked'])}, {mib(figures['unpacked'])})")
        for name in ("DATA/IMG.dat", "DATA/SOUND.dat", "ondrell.exe"):
            info = figures["entries"][name]
            print(f"  {name}: {info.file_size} bytes ({mib(info.file_size)}), "
                  f"in the zip {info.compress_size} bytes ({mib(info.compress_size)})")
        for folder, (count, size) in figures["clips"].items():
            print(f"  sources {folder}/: {count} clips, {size} bytes ({mib(size)})")
        seconds, name = figures["longest"]
        print(f"  longest clip: {name}, {seconds:.1f} s")

    wav, ogg = results["WAV"], results["Ogg"]
    print(f"\nOgg against WAV: zip {ogg['zip'] / wav['zip']:.3f} x ({mb(ogg['zip'])} against {mb(wav['zip'])}), "
          f"unpacked {ogg['unpacked'] / wav['unpacked']:.3f} x, SOUND.dat "
          f"{ogg['entries']['DATA/SOUND.dat'].file_size / wav['entries']['DATA/SOUND.dat'].file_size:.3f} x")
    print("The time to open (decode) the longest clip is not measured here: no tool of the repository times it.")


if __name__ == "__main__":
    sys.exit(main())
