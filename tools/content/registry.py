"""Every picture file the game registers at start-up, grouped by the mask
they are drawn through, with the sizes this demo gives them and where the
game places them. The generator writes exactly these files; the content
test checks the written set against this table."""

import os
import subprocess

CANVAS = (800, 600)

CONFIG_STEMS = ["CONFIG_WINDOW", "CONFIG_FULLSCREEN", "CONFIG_ON", "CONFIG_OFF", "CONFIG_NORMAL", "CONFIG_FAST",
                "CONFIG_INSTANT", "CONFIG_INITIALIZE", "CONFIG_OK", "CONFIG_CANCEL", "CONFIG_APPLY"]
MENU_STEMS = ["MENU_SAVE", "MENU_LOAD", "MENU_DICTIONARY", "MENU_ERASEWINDOW", "MENU_CONFIG", "MENU_BACKTOTITLE",
              "MENU_EXITGAME"]
TITLE_STEMS = ["TITLE_START", "TITLE_LOAD", "TITLE_OMAKE", "TITLE_CONFIG", "TITLE_EXIT", "TITLE_STAFF"]

# Sizes (width, height) of the pictures of each mask.
SIZES = {
    "BASE": CANVAS,
    "CHAR_DUMMY_MASK": (260, 300),
    "CHAR1_MASK": (355, 600),
    "CHAR2_MASK": (355, 600),
    "TEXTWINDOW_MASK": (750, 200),
    "MENU_BASE_MASK": (350, 420),
    "TITLE_BASE_MASK": CANVAS,
    "DICTIONARY_MASK": (750, 550),
    "CONFIG_BASE_MASK": (750, 550),
    "SLIDE_DUMMY_MASK": (740, 350),
    "SLIDE_MASK": (740, 350),
    "SAVELOAD_BASE_MASK": (750, 550),
    "VOICE_MASK": (62, 20),
    "AUTO_MASK": (40, 20),
    "MENU_COVER_MASK": (250, 40),
    "TITLE_BUTTON_MASK": (250, 40),
    "TITLE_COVER_MASK": (250, 40),
    "DICTIONARY_PAGENEXT_MASK": (18, 22),
    "DICTIONARY_PAGEBEFORE_MASK": (18, 22),
    "DICTIONARY_TOGLOSSLIST_MASK": (150, 36),
    "DICTIONARY_POPBACK_MASK": (150, 36),
    "DICTIONARY_BACK_MASK": (150, 36),
    "DICTIONARY_COVER_MASK": (150, 36),
    "SAVELOAD_FRAME_MASK": (356, 102),
    "SAVELOAD_FRAME_COVER_MASK": (356, 102),
    "SAVELOAD_RETURN_MASK": (110, 40),
    "SAVELOAD_RETURN_COVER_MASK": (110, 40),
    "CONFIG_WINDOW_MASK": (170, 36),
    "CONFIG_FULLSCREEN_MASK": (170, 36),
    "CONFIG_ON_MASK": (42, 30),
    "CONFIG_OFF_MASK": (42, 30),
    "CONFIG_NORMAL_MASK": (92, 32),
    "CONFIG_FAST_MASK": (92, 32),
    "CONFIG_INSTANT_MASK": (92, 32),
    "CONFIG_INITIALIZE_MASK": (150, 36),
    "CONFIG_OK_MASK": (150, 36),
    "CONFIG_CANCEL_MASK": (150, 36),
    "CONFIG_APPLY_MASK": (150, 36),
    "CONFIG_VOLUME_MASK": (280, 24),
    "CONFIG_VOLUME_KNOB_MASK": (14, 24),
    # The game stacks as many buttons of this size as a choice set holds and
    # writes each choice's text on one.
    "CHOICE_MASK": (560, 48),
    "CHOICE_COVER_MASK": (560, 48),
}
for _stem in MENU_STEMS:
    SIZES[_stem + "_MASK"] = (250, 40)
for _stem in CONFIG_STEMS:
    SIZES[_stem + "_COVER_MASK"] = SIZES[_stem + "_MASK"]


def use_checker(path):
    """The ondrell-check whose --dump-registry says what the game registers
    (the host build's unless told)."""
    global _checker, _dump
    _checker, _dump = path, None


_checker = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "build", "host",
                        "tools", "check", "ondrell-check")
_dump = None


def _registrations():
    """[(kind, layer, fields)] as the game registers them, read through the
    checker, so that names and positions are written once, in the game."""
    global _dump
    if _dump is None:
        result = subprocess.run([_checker, "--dump-registry"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        if result.returncode != 0:
            raise RuntimeError("%s --dump-registry failed: %s" % (_checker, result.stderr.decode("utf-8", "replace")))
        _dump = [line.split("\t") for line in result.stdout.decode("utf-8").splitlines() if line]
        _dump = [(fields[0], fields[1], fields[2:]) for fields in _dump]
    return _dump


def _looks(fields, start):
    """[(key, picture, mask)] of the looks from fields[start] on."""
    return [tuple(fields[i:i + 3]) for i in range(start, len(fields), 3)]


# A picture registered at start-up, one of the demo's story pictures,
# registered when the scenario first names it, and a look of the choice
# buttons, registered at start-up when the archive has it.
PICTURE_KINDS = ("picture", "named", "choice")


def mask_groups():
    """[(mask stem, [picture stems drawn through it])], every file once as a
    picture where it is one, in the order the game registers them. BASE is
    its own group's mask and, for the screen mask, its own picture too."""
    groups = {}
    for kind, _, fields in _registrations():
        looks = [fields] if kind in PICTURE_KINDS else _looks(fields, 3 if kind == "button" else 2)
        pairs = [look[1:3] for look in looks]
        for picture, mask in pairs:
            pictures = groups.setdefault(mask, [])
            if picture not in pictures:
                pictures.append(picture)
    return list(groups.items())


# Groups whose pictures are drawn without their mask (the background layer).
UNMASKED_GROUPS = {"BASE"}


def all_stems():
    stems = []
    for mask, pictures in mask_groups():
        for stem in pictures + [mask]:
            if stem not in stems:
                stems.append(stem)
    return stems


def interface_stems():
    """Every file the game registers at start-up, the pictures and masks of
    its screens, in the order it registers them: no story picture of the
    demo and no mask only those are drawn through."""
    stems = []
    for kind, _, fields in _registrations():
        if kind == "named":
            continue
        looks = [fields] if kind in ("picture", "choice") else _looks(fields, 3 if kind == "button" else 2)
        for _, picture, mask in looks:
            for stem in (picture, mask):
                if stem not in stems:
                    stems.append(stem)
    return stems


def file_name(stem):
    return stem + ".bmp"


# The area of each screen's buttons on the canvas: a button only answers the
# mouse strictly inside it.
BUTTON_AREAS = {
    "the message window": (649, 404, 757, 424),
    "the menu": (225, 100, 575, 520),
    "the title screen": (0, 0, 800, 600),
    "the glossary screen": (279, 485, 759, 559),
    "the configuration screen": (25, 25, 775, 575),
    "the save/load screen": (25, 25, 775, 575),
}


def button_panels():
    """[(button area, [(normal stem, cover stem, invalid stem, x, y)])] in the
    order of BUTTON_AREAS, the buttons in the order the game registers them,
    at their places on the canvas."""
    panels = {name: [] for name in BUTTON_AREAS}
    for kind, layer, fields in _registrations():
        if kind == "button":
            normal, cover, invalid = (look[1] for look in _looks(fields, 3))
            panels[layer].append((normal, cover, invalid, int(fields[0]), int(fields[1])))
    return [(BUTTON_AREAS[name], buttons) for name, buttons in panels.items()]


def sliders():
    """The configuration screen's slider bars: their places on the canvas."""
    return [(int(fields[0]), int(fields[1])) for kind, _, fields in _registrations() if kind == "slider"]


# Where the full pictures lie on the canvas.
PLACES = {"TEXTWINDOW": (25, 375), "MENU_BASE": (225, 100), "TITLE": (0, 0), "DICTIONARY": (25, 25),
          "CONFIG_BASE": (25, 25), "SAVELOAD_BASE": (25, 25), "SLIDE": (30, 30)}
CHARACTER_PLACES = {"l": 0, "c": 200, "r": 445}
