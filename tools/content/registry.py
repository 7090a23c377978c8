"""Every picture file the game registers at start-up, grouped by the mask
they are drawn through, with the sizes this demo gives them and where the
game places them. The generator writes exactly these files; the content
test checks the written set against this table."""

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
}
for _stem in MENU_STEMS:
    SIZES[_stem + "_MASK"] = (250, 40)
for _stem in CONFIG_STEMS:
    SIZES[_stem + "_COVER_MASK"] = SIZES[_stem + "_MASK"]


def mask_groups():
    """[(mask stem, [picture stems drawn through it])], every file once as a
    picture where it is one. BASE is its own group's mask and, for the
    screen mask, its own picture too."""
    groups = [
        ("BASE", ["BASE", "HAIKEI1", "HAIKEI2", "HAIKEI3", "STAFF"]),
        ("CHAR_DUMMY_MASK", ["CHAR_DUMMY"]),
        ("CHAR1_MASK", ["CHAR1_%d" % i for i in range(1, 6)]),
        ("CHAR2_MASK", ["CHAR2_%d" % i for i in range(1, 5)]),
        ("TEXTWINDOW_MASK", ["TEXTWINDOW"]),
        ("MENU_BASE_MASK", ["MENU_BASE"]),
        ("TITLE_BASE_MASK", ["TITLE"]),
        ("DICTIONARY_MASK", ["DICTIONARY"]),
        ("CONFIG_BASE_MASK", ["CONFIG_BASE"]),
        ("SLIDE_DUMMY_MASK", ["SLIDE_DUMMY"]),
        ("SLIDE_MASK", ["SLIDE_%d" % i for i in range(1, 18)]),
        ("SAVELOAD_BASE_MASK", ["SAVELOAD_BASE", "SAVE_BASE", "LOAD_BASE"]),
        ("VOICE_MASK", ["VOICE_NORMAL", "VOICE_COVER", "VOICE_INVALID"]),
        ("AUTO_MASK", ["AUTO_NORMAL", "AUTO_COVER", "AUTO_INVALID"]),
        ("MENU_COVER_MASK", ["MENU_COVER"]),
        ("TITLE_BUTTON_MASK", list(TITLE_STEMS)),
        ("TITLE_COVER_MASK", ["TITLE_COVER"]),
        ("DICTIONARY_COVER_MASK", ["DICTIONARY_COVER"]),
        ("SAVELOAD_FRAME_MASK", ["SAVELOAD_FRAME_NORMAL", "SAVELOAD_FRAME_INVALID"]),
        ("SAVELOAD_FRAME_COVER_MASK", ["SAVELOAD_FRAME_COVER"]),
        ("SAVELOAD_RETURN_MASK", ["SAVELOAD_RETURN"]),
        ("SAVELOAD_RETURN_COVER_MASK", ["SAVELOAD_RETURN_COVER"]),
        ("CONFIG_VOLUME_MASK", ["CONFIG_VOLUME", "CONFIG_VOLUME_INVALID"]),
        ("CONFIG_VOLUME_KNOB_MASK", ["CONFIG_VOLUME_KNOB"]),
    ]
    groups += [(stem + "_MASK", [stem]) for stem in MENU_STEMS]
    for which in ("PAGENEXT", "PAGEBEFORE"):
        stem = "DICTIONARY_" + which
        groups.append((stem + "_MASK", [stem, stem + "_COVER", stem + "_INVALID"]))
    for which in ("TOGLOSSLIST", "POPBACK", "BACK"):
        stem = "DICTIONARY_" + which
        groups.append((stem + "_MASK", [stem, stem + "_INVALID"]))
    for stem in CONFIG_STEMS:
        groups.append((stem + "_MASK", [stem, stem + "_INVALID"]))
        groups.append((stem + "_COVER_MASK", [stem + "_COVER"]))
    return groups


# Groups whose pictures are drawn without their mask (the background layer).
UNMASKED_GROUPS = {"BASE"}


def all_stems():
    stems = []
    for mask, pictures in mask_groups():
        for stem in pictures + [mask]:
            if stem not in stems:
                stems.append(stem)
    return stems


def file_name(stem):
    return stem + ".bmp"


# Where the game puts the buttons: (panel rectangle on the canvas, [(normal
# stem, cover stem, invalid stem, x, y)]), positions on the canvas. A button
# only answers the mouse strictly inside its panel.
def button_panels():
    dictionary = (25, 25)
    config = (25, 25)
    panels = [
        ((649, 404, 757, 424), [("VOICE_NORMAL", "VOICE_COVER", "VOICE_INVALID", 649, 404),
                                ("AUTO_NORMAL", "AUTO_COVER", "AUTO_INVALID", 717, 404)]),
        ((225, 100, 575, 520), [(stem, "MENU_COVER", "MENU_COVER", 275, 150 + 50 * i)
                                for i, stem in enumerate(MENU_STEMS)]),
        ((0, 0, 800, 600), [(stem, "TITLE_COVER", "TITLE_COVER", 515, 310 + 50 * i)
                            for i, stem in enumerate(TITLE_STEMS[:5])] +
         [("TITLE_STAFF", "TITLE_COVER", "TITLE_COVER", 0, 550)]),
    ]
    dx, dy = dictionary
    panels.append(((dx + 254, dy + 460, dx + 734, dy + 534), [
        ("DICTIONARY_PAGENEXT", "DICTIONARY_PAGENEXT_COVER", "DICTIONARY_PAGENEXT_INVALID", dx + 710, dy + 460),
        ("DICTIONARY_PAGEBEFORE", "DICTIONARY_PAGEBEFORE_COVER", "DICTIONARY_PAGEBEFORE_INVALID", dx + 624, dy + 460),
        ("DICTIONARY_TOGLOSSLIST", "DICTIONARY_COVER", "DICTIONARY_TOGLOSSLIST_INVALID", dx + 254, dy + 493),
        ("DICTIONARY_POPBACK", "DICTIONARY_COVER", "DICTIONARY_POPBACK_INVALID", dx + 417, dy + 493),
        ("DICTIONARY_BACK", "DICTIONARY_COVER", "DICTIONARY_BACK_INVALID", dx + 580, dy + 493),
    ]))
    cx, cy = config
    config_buttons = [("CONFIG_WINDOW", 305, 93), ("CONFIG_FULLSCREEN", 495, 93), ("CONFIG_ON", 315, 153),
                      ("CONFIG_OFF", 360, 153), ("CONFIG_ON", 315, 198), ("CONFIG_OFF", 360, 198)]
    for y in (333, 378, 423):
        config_buttons += [("CONFIG_NORMAL", 392, y), ("CONFIG_FAST", 492, y), ("CONFIG_INSTANT", 592, y)]
    config_buttons += [("CONFIG_INITIALIZE", 91, 493), ("CONFIG_OK", 254, 493), ("CONFIG_CANCEL", 417, 493),
                       ("CONFIG_APPLY", 580, 493)]
    panels.append(((25, 25, 775, 575), [(s, s + "_COVER", s + "_INVALID", cx + x, cy + y) for s, x, y in config_buttons]))
    frames = [("SAVELOAD_FRAME_NORMAL", "SAVELOAD_FRAME_COVER", "SAVELOAD_FRAME_INVALID", 40 + 364 * (k % 2),
               75 + 110 * (k // 2)) for k in range(8)]
    panels.append(((25, 25, 775, 575), frames + [("SAVELOAD_RETURN", "SAVELOAD_RETURN_COVER", "SAVELOAD_RETURN", 655,
                                                   515)]))
    return panels


# Sliders of the configuration screen: bar positions on the canvas.
SLIDERS = [(25 + 425, 25 + 155), (25 + 425, 25 + 200), (25 + 425, 25 + 265)]

# Where the full pictures lie on the canvas.
PLACES = {"TEXTWINDOW": (25, 375), "MENU_BASE": (225, 100), "TITLE": (0, 0), "DICTIONARY": (25, 25),
          "CONFIG_BASE": (25, 25), "SAVELOAD_BASE": (25, 25), "SLIDE": (30, 30)}
CHARACTER_PLACES = {"l": 0, "c": 200, "r": 445}
