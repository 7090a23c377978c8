#!/usr/bin/env python3
"""Generates the demo game's data: every picture of the game's registry, the
scenario and glossary, the music and the voices, and packs them into
OUTDIR/DATA/IMG.dat and OUTDIR/DATA/SOUND.dat.

    python3 tools/content/generate.py OUTDIR [--pack PATH] [--check PATH] [--jobs N] [--no-espeak]

Layout written under OUTDIR (everything else in OUTDIR is left alone):
    img-src/IMG/*.bmp, img-src/IMG/script.scr.utf8, img-src/IMG/Dictionary.dic.utf8
    interface/IMG/*.bmp: the default interface, every picture and mask the
        game registers at start-up (none of the demo's story pictures), as
        the demo has them but for the title picture TITLE and its mask: a
        plain picture with a band where the game writes the game's title
    sound-src/BGM/*.wav, sound-src/VOICE/*.wav
    DATA/IMG.dat, DATA/SOUND.dat
The packer stores img-src/IMG/BASE.bmp as "./IMG/BASE.bmp" and turns the
.utf8 texts into Shift_JIS entries without that ending; a sound named
"./BGM/BGM01.wav" in the scenario lies at sound-src/BGM/BGM01.wav.

The scenario is read through the host ondrell-check, which prints what the
game's own loaders read, and the finished archives must pass its check with
no finding at all.

The same sources give the same bytes on every run on one machine.
Needs python3-pil and python3-numpy (Debian packages); uses espeak-ng for
the voices when it is installed.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SYSTEM_PYTHON = "/usr/bin/python3"
sys.dont_write_bytecode = True  # keep the source tree clean


def _ensure_modules():
    """Pillow and numpy come from Debian's packages, which only the system
    interpreter sees; another python3 first on PATH hands over to it."""
    try:
        import numpy  # noqa: F401
        import PIL  # noqa: F401
    except ImportError:
        if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.path.exists(SYSTEM_PYTHON):
            os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
        sys.stderr.write("generate.py: needs python3-pil and python3-numpy (tools/setup/install-deps)\n")
        sys.exit(1)


_ensure_modules()
sys.path.insert(0, HERE)

import argparse  # noqa: E402
import multiprocessing  # noqa: E402
import shutil  # noqa: E402
import subprocess  # noqa: E402

import bmpio  # noqa: E402
import music  # noqa: E402
import pictures  # noqa: E402
import registry  # noqa: E402
import scenario  # noqa: E402
import ui  # noqa: E402
import voices  # noqa: E402

CONTENT = os.path.join(ROOT, "content", "demo")
SCRIPT_SOURCE = os.path.join(CONTENT, "script.scr.utf8")
GLOSSARY_SOURCE = os.path.join(CONTENT, "Dictionary.dic.utf8")
DEFAULT_PACKER = os.path.join(ROOT, "build", "host", "tools", "pack", "ondrell-pack")
DEFAULT_CHECKER = os.path.join(ROOT, "build", "host", "tools", "check", "ondrell-check")


class GenerationError(Exception):
    pass


def read_text(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    try:
        text.encode("cp932")
    except UnicodeEncodeError as e:
        raise GenerationError("%s: %r cannot be written in Shift_JIS" % (path, text[e.start:e.end]))
    return text


def check_story(story):
    """The demo's own rules, beyond what the checker asks of every game."""
    problems = []
    for name in story.names("@BGM", 1):
        if music_stem(name) not in music.PIECES:
            problems.append("the scenario names the music %s, which is not composed" % name)
    for speaker, text, voice in story.messages:
        if voice is None:
            problems.append("the message %r has no voice" % text[:20])
    if problems:
        raise GenerationError("\n".join(problems))


def music_stem(name):
    return os.path.splitext(os.path.basename(name))[0]


def sound_path(sound_root, name):
    """Where the packer must find the file it stores under `name`."""
    if not name.startswith("./") or ".." in name.split("/"):
        raise GenerationError("sound names must start with \"./\": %s" % name)
    return os.path.join(sound_root, *name[2:].split("/"))


def reset_dir(path):
    if os.path.isdir(path):
        shutil.rmtree(path)
    os.makedirs(path)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def render_voice_job(job):
    speaker, reading, use_espeak = job
    return voices.render_voice(speaker, reading, use_espeak)


def render_music_job(stem):
    return music.render_piece(stem)


def run_tool(tool, args):
    if not os.path.isfile(tool):
        raise GenerationError("%s is not built (cmake --build build/host --target %s)" % (tool, os.path.basename(tool)))
    result = subprocess.run([tool] + args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if result.returncode != 0:
        raise GenerationError("%s failed:\n%s" % (tool, result.stdout.decode("utf-8", "replace")))


def pack(packer, archive, folder):
    run_tool(packer, ["create", archive, folder])


def generate(out, packer=DEFAULT_PACKER, checker=DEFAULT_CHECKER, jobs=None, use_espeak=True, log=print):
    script_text = read_text(SCRIPT_SOURCE)
    read_text(GLOSSARY_SOURCE)  # fails early on text the packer could not store
    if not os.path.isfile(checker):
        raise GenerationError("%s is not built (cmake --build build/host --target ondrell-check)" % checker)
    registry.use_checker(checker)
    story = scenario.Scenario(checker, SCRIPT_SOURCE, script_text)
    check_story(story)

    img_root = os.path.join(out, "img-src")
    sound_root = os.path.join(out, "sound-src")
    interface_root = os.path.join(out, "interface")
    data_dir = os.path.join(out, "DATA")
    reset_dir(img_root)
    reset_dir(sound_root)
    reset_dir(interface_root)
    os.makedirs(data_dir, exist_ok=True)

    jobs = jobs or os.cpu_count() or 1
    with multiprocessing.get_context("fork").Pool(jobs) as pool:
        voice_names = sorted(story.voices)
        voice_jobs = [(story.voices[n][0], story.voices[n][1], use_espeak) for n in voice_names]
        music_names = sorted(set(story.names("@BGM", 1)))
        voice_results = pool.map_async(render_voice_job, voice_jobs)
        music_results = pool.map_async(render_music_job, [music_stem(n) for n in music_names])
        images = pictures.build_all(pool=pool)

        missing = [s for s in registry.all_stems() if s not in images]
        if missing:
            raise GenerationError("no picture made for: %s" % ", ".join(missing))
        for stem in registry.all_stems():
            write(os.path.join(img_root, "IMG", registry.file_name(stem)), bmpio.encode_bmp(images[stem]))
        log("pictures: %d files" % len(registry.all_stems()))
        default_images = dict(images)
        default_images["TITLE"], default_images["TITLE_BASE_MASK"] = ui.default_title_picture()
        for layer in ("CHAR_DUMMY", "SLIDE_DUMMY"):
            default_images[layer], default_images[layer + "_MASK"] = ui.default_empty_layer(layer + "_MASK")
        for stem in registry.interface_stems():
            write(os.path.join(interface_root, "IMG", registry.file_name(stem)), bmpio.encode_bmp(default_images[stem]))
        log("default interface: %d files" % len(registry.interface_stems()))

        for name, data in zip(music_names, music_results.get()):
            write(sound_path(sound_root, name), data)
        log("music: %d pieces" % len(music_names))
        kinds = {}
        for name, (data, how) in zip(voice_names, voice_results.get()):
            write(sound_path(sound_root, name), data)
            kinds[how] = kinds.get(how, 0) + 1
        log("voices: %d clips (%s)" % (len(voice_names), ", ".join("%d %s" % (n, k) for k, n in sorted(kinds.items()))))

    shutil.copyfile(SCRIPT_SOURCE, os.path.join(img_root, "IMG", "script.scr.utf8"))
    shutil.copyfile(GLOSSARY_SOURCE, os.path.join(img_root, "IMG", "Dictionary.dic.utf8"))

    images, sounds = os.path.join(data_dir, "IMG.dat"), os.path.join(data_dir, "SOUND.dat")
    pack(packer, images, img_root)
    pack(packer, sounds, sound_root)
    log("packed %s and %s" % (images, sounds))
    # The demo shows every rule off: not even a warning.
    run_tool(checker, ["--werror", images, sounds])


def main(argv):
    parser = argparse.ArgumentParser(description="Generate the Ondrell demo game's data files.")
    parser.add_argument("out", help="output folder")
    parser.add_argument("--pack", default=DEFAULT_PACKER, help="path of the host ondrell-pack")
    parser.add_argument("--check", default=DEFAULT_CHECKER, help="path of the host ondrell-check")
    parser.add_argument("--jobs", type=int, default=None, help="worker processes (default: one per CPU)")
    parser.add_argument("--no-espeak", action="store_true", help="synthesise the voices without espeak-ng")
    args = parser.parse_args(argv)
    try:
        generate(os.path.abspath(args.out), os.path.abspath(args.pack), os.path.abspath(args.check), args.jobs,
                 not args.no_espeak)
    except (GenerationError, scenario.ScenarioError, OSError) as e:
        sys.stderr.write("generate.py: %s\n" % e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
