"""Composes a few game screens from the generated pictures, the way the game
lays them over each other, and writes them as PNG files for a look."""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean

import numpy as np
from PIL import Image

from registry import CHARACTER_PLACES, button_panels, sliders


def over(base, pictures, stem, mask_stem, x, y, alpha=255):
    """The game's masked blend: OR the mask, AND the picture, then blend the
    result with constant opacity."""
    pic, mask = pictures[stem], pictures[mask_stem]
    h, w = pic.shape[:2]
    h, w = min(h, base.shape[0] - y), min(w, base.shape[1] - x)
    region = base[y:y + h, x:x + w].astype(np.uint16)
    laid = (region | mask[:h, :w]) & pic[:h, :w]
    blended = (laid * alpha + region * (255 - alpha)) // 255
    base[y:y + h, x:x + w] = blended.astype(np.uint8)


def screens(p):
    out = {}
    # title
    s = p["HAIKEI1"].copy()
    over(s, p, "TITLE", "TITLE_BASE_MASK", 0, 0)
    for normal, cover, _, x, y in button_panels()[2][1]:
        over(s, p, normal, "TITLE_BUTTON_MASK", x, y)
        if normal == "TITLE_LOAD":
            over(s, p, cover, "TITLE_COVER_MASK", x, y)
    out["title"] = s
    # game: lab, mentor right, robot left, window
    for name, bg, ch, place, slide in (("game1", "HAIKEI1", "CHAR1_3", "r", None),
                                       ("game2", "HAIKEI2", "CHAR2_3", "l", None),
                                       ("game3", "HAIKEI3", "CHAR1_2", "c", "SLIDE_11")):
        s = p[bg].copy()
        mask = "CHAR1_MASK" if ch.startswith("CHAR1") else "CHAR2_MASK"
        over(s, p, ch, mask, CHARACTER_PLACES[place], 0)
        over(s, p, "CHAR_DUMMY", "CHAR_DUMMY_MASK", CHARACTER_PLACES["l" if place != "l" else "r"], 20)
        if slide:
            over(s, p, slide, "SLIDE_MASK", 30, 30)
        over(s, p, "TEXTWINDOW", "TEXTWINDOW_MASK", 25, 375, 196)
        over(s, p, "VOICE_NORMAL", "VOICE_MASK", 649, 404, 196)
        over(s, p, "AUTO_INVALID" if name == "game2" else "AUTO_NORMAL", "AUTO_MASK", 717, 404, 196)
        out[name] = s
    # menu over the dimmed game
    s = out["game1"].copy()
    over(s, p, "BASE", "BASE", 0, 0, 128)
    work = s[100:520, 225:575].copy()
    over(work, p, "MENU_BASE", "MENU_BASE_MASK", 0, 0)
    for normal, cover, _, x, y in button_panels()[1][1]:
        over(work, p, normal, normal + "_MASK", x - 225, y - 100)
        if normal == "MENU_DICTIONARY":
            over(work, p, cover, "MENU_COVER_MASK", x - 225, y - 100)
    s[100:520, 225:575] = ((work.astype(np.uint16) * 192 + s[100:520, 225:575].astype(np.uint16) * 63) // 255)
    out["menu"] = s
    # full screens at opacity 228 over the dimmed game
    for name, base_stem, mask_stem, panel_index in (("dictionary", "DICTIONARY", "DICTIONARY_MASK", 3),
                                                     ("config", "CONFIG_BASE", "CONFIG_BASE_MASK", 4),
                                                     ("saveload", "SAVE_BASE", "SAVELOAD_BASE_MASK", 5)):
        s = out["game2"].copy()
        over(s, p, "BASE", "BASE", 0, 0, 128)
        work = s.copy()
        over(work, p, base_stem, mask_stem, 25, 25)
        for i, (normal, cover, invalid, x, y) in enumerate(button_panels()[panel_index][1]):
            look = normal
            if name == "config" and i in (0, 2, 4, 6, 9, 12):
                look = invalid
            if name == "dictionary" and normal in ("DICTIONARY_PAGEBEFORE", "DICTIONARY_TOGLOSSLIST", "DICTIONARY_POPBACK"):
                look = invalid
            if name == "saveload" and i in (3, 5, 6, 7):
                look = invalid
            mask = (look.replace("_INVALID", "") if look.endswith("_INVALID") else look) + "_MASK"
            if look.startswith("SAVELOAD_FRAME"):
                mask = "SAVELOAD_FRAME_MASK"
            over(work, p, look, mask, x, y)
            if (name, i) in (("config", 16), ("dictionary", 4), ("saveload", 1)):
                cmask = cover + "_MASK"
                over(work, p, cover, cmask, x, y)
        if name == "config":
            for k, (x, y) in enumerate(sliders()):
                over(work, p, "CONFIG_VOLUME", "CONFIG_VOLUME_MASK", x, y)
                value = (128, 200, 59)[k]
                centre = int((280) * (value / 255.0) + x)
                over(work, p, "CONFIG_VOLUME_KNOB", "CONFIG_VOLUME_KNOB_MASK", centre - 7, y)
        r = (slice(25, 575), slice(25, 775))
        s[r] = ((work[r].astype(np.uint16) * 228 + s[r].astype(np.uint16) * 27) // 255)
        out[name] = s
    return out


def main(argv):
    """preview.py PNGDIR [GENERATED]: writes PNGDIR/title.png and others,
    from the BMPs of a generator run in GENERATED or drawn afresh."""
    here = os.path.dirname(os.path.abspath(__file__))
    sys.path.insert(0, here)
    import bmpio
    import pictures
    import registry
    if len(argv) > 1:
        folder = os.path.join(argv[1], "img-src", "IMG")
        p = {}
        for stem in registry.all_stems():
            with open(os.path.join(folder, registry.file_name(stem)), "rb") as f:
                p[stem] = bmpio.decode_bmp(f.read())
    else:
        p = pictures.build_all()
    for name, s in screens(p).items():
        Image.fromarray(s).save(os.path.join(argv[0], name + ".png"))


if __name__ == "__main__":
    main(sys.argv[1:])
