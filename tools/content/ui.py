"""Panels and buttons of the game's screens.

Looks: "normal"; "cover", the hover look drawn over the normal one (a
shared cover is only a bright frame, so the label of any button shows
through it); "invalid", a greyed button, except where the game uses the
disabled look to mark the chosen option (configuration choices, AUTO while
automatic mode runs), which get the "selected" look instead.
"""

import numpy as np

from canvas import Canvas, mix
import characters
from registry import SIZES

NAVY_TOP = (44, 64, 116)
NAVY_BOTTOM = (18, 28, 60)
EDGE = (150, 196, 250)
ACCENT = (120, 220, 255)
GOLD = (255, 204, 96)
WHITE = (255, 255, 255)
TEXT_SHADOW = (8, 12, 30)

LOOKS = {
    # fill top, fill bottom, border, label colour, label outline
    "normal": ((70, 104, 166), (36, 60, 112), (150, 192, 244), WHITE, (16, 28, 60)),
    "cover": ((116, 178, 240), (58, 112, 196), (225, 244, 255), WHITE, (20, 50, 110)),
    "invalid": ((104, 108, 118), (74, 78, 88), (140, 144, 154), (186, 188, 196), (60, 62, 70)),
    "selected": ((255, 222, 130), (238, 168, 56), (255, 244, 200), (50, 40, 30), None),
    "title": ((255, 255, 255), (224, 232, 248), (90, 120, 184), (36, 54, 104), None),
}


def size_of(mask_stem):
    return SIZES[mask_stem]


def button(mask_stem, label, look, label_size=18, radius=8):
    """A rounded button with a centred label; returns (picture, mask)."""
    w, h = size_of(mask_stem)
    top, bottom, border, ink, outline = LOOKS[look]
    c = Canvas(w, h)
    box = (0, 0, w, h)
    c.rrect(box, radius, border)
    c.rrect((1.5, 1.5, w - 1.5, h - 1.5), radius - 1.5, top, gradient=(top, bottom, 0, h))
    # soft sheen on the upper half
    c.rrect((3, 3, w - 3, h / 2), max(radius - 3, 1), WHITE, opacity=0.14 if look != "title" else 0.5)
    if look == "cover":
        c.rrect_outline((2.5, 2.5, w - 2.5, h - 2.5), radius - 2, WHITE, 1.2, opacity=0.6)
    if label:
        c.text((w / 2, h / 2 + 1), label, label_size, ink, anchor="mm",
               outline=outline, outline_width=1.6 if outline else 0)
    return c.masked()


def frame_cover(mask_stem, colour=ACCENT, radius=8, markers=True):
    """A shared hover look: a bright frame with a marker at each end, drawn
    over any button of the size."""
    w, h = size_of(mask_stem)
    c = Canvas(w, h)
    c.rrect_outline((0, 0, w, h), radius, mix(colour, WHITE, 0.55), 3.2)
    c.rrect_outline((1, 1, w - 1, h - 1), radius - 1, colour, 1.6)
    if markers:
        m = h * 0.22
        c.polygon([(8, h / 2 - m), (8 + m * 1.3, h / 2), (8, h / 2 + m)], colour)
        c.polygon([(w - 8, h / 2 - m), (w - 8 - m * 1.3, h / 2), (w - 8, h / 2 + m)], colour)
    return c.masked(threshold=100)


CHOICE_LOOKS = {
    # fill top, fill bottom, border, inner line
    "normal": ((50, 78, 138), (24, 40, 86), (150, 192, 244), (110, 150, 215)),
    "cover": ((56, 108, 190), (32, 68, 140), (236, 248, 255), ACCENT),
}


def choice_button(mask_stem, look):
    """A choice button without a label: the game writes each choice's text on
    it, white, centred, so the fill stays dark behind the text in either
    look; the cover is told apart by a brighter fill and a white border.
    Every column between the rounded ends is the same, so no text of ours
    competes with the game's."""
    w, h = size_of(mask_stem)
    top, bottom, border, inner = CHOICE_LOOKS[look]
    c = Canvas(w, h)
    radius = 12
    c.rrect((0, 0, w, h), radius, border)
    edge = 2.5 if look == "cover" else 1.5
    c.rrect((edge, edge, w - edge, h - edge), radius - edge, top, gradient=(top, bottom, 0, h))
    c.rrect((edge + 2, edge + 2, w - edge - 2, h / 2), radius - edge - 2, WHITE, opacity=0.08)
    c.rrect_outline((edge + 3.5, edge + 3.5, w - edge - 3.5, h - edge - 3.5), radius - edge - 3, inner, 1,
                    opacity=0.7 if look == "cover" else 0.45)
    return c.masked()


# --- message window ------------------------------------------------------

def text_window():
    w, h = size_of("TEXTWINDOW_MASK")
    c = Canvas(w, h)
    body = (2, 22, w - 2, h - 2)
    c.rrect(body, 16, EDGE)
    c.rrect((4, 24, w - 4, h - 4), 14, NAVY_BOTTOM, gradient=((30, 44, 86), (12, 18, 40), 24, h))
    c.rrect_outline((9, 29, w - 9, h - 9), 10, EDGE, 1, opacity=0.35)
    # a faint line under the name row
    c.line([(160, 58), (w - 24, 58)], EDGE, 1, opacity=0.3)
    # name tab
    c.rrect((10, 8, 142, 54), 10, EDGE)
    c.rrect((12, 10, 140, 52), 9, (60, 100, 170), gradient=((74, 118, 190), (38, 64, 124), 10, 52))
    c.rrect((14, 12, 138, 30), 8, WHITE, opacity=0.12)
    # corner ornaments
    for x, y in ((w - 30, h - 16), (w - 44, h - 16), (w - 58, h - 16)):
        c.circle(x, y, 2.2, ACCENT, opacity=0.6)
    return c.masked()


def small_button(mask_stem, label, look):
    w, h = size_of(mask_stem)
    fills = {
        "normal": ((56, 88, 150), (30, 50, 100), (140, 190, 245), WHITE),
        "cover": ((110, 180, 245), (60, 116, 200), (230, 246, 255), WHITE),
        "invalid": ((90, 94, 104), (66, 70, 80), (120, 124, 134), (160, 162, 170)),
        "selected": ((140, 240, 255), (60, 180, 230), (230, 250, 255), (16, 40, 70)),
    }
    top, bottom, border, ink = fills[look]
    c = Canvas(w, h)
    c.rrect((0, 0, w, h), h / 2, border)
    c.rrect((1.2, 1.2, w - 1.2, h - 1.2), h / 2 - 1.2, top, gradient=(top, bottom, 0, h))
    c.text((w / 2, h / 2 + 0.5), label, 11.5, ink, anchor="mm")
    return c.masked()


# --- panels --------------------------------------------------------------

def panel(c, w, h, radius=18):
    c.rrect((0, 0, w, h), radius, EDGE)
    c.rrect((2, 2, w - 2, h - 2), radius - 2, NAVY_BOTTOM, gradient=(NAVY_TOP, NAVY_BOTTOM, 0, h))
    c.rrect_outline((7, 7, w - 7, h - 7), radius - 5, EDGE, 1, opacity=0.35)


def heading(c, x, y, text, size=24, anchor="lm", colour=WHITE):
    c.text((x, y), text, size, colour, anchor=anchor, shadow=(0, 0, 0), shadow_offset=(1.5, 2))


def menu_base():
    w, h = size_of("MENU_BASE_MASK")
    c = Canvas(w, h)
    panel(c, w, h)
    heading(c, w / 2, 27, "メニュー", 22, anchor="mm")
    c.line([(60, 44), (w - 60, 44)], ACCENT, 1.4, opacity=0.8)
    c.text((w / 2, h - 14), "右クリックでゲームに戻ります", 12, (170, 190, 230), anchor="mm")
    return c.masked()


def dictionary_base():
    w, h = size_of("DICTIONARY_MASK")
    c = Canvas(w, h)
    panel(c, w, h)
    # heading band (the game writes the heading at (25, 26))
    c.rrect((14, 16, w - 14, 86), 10, (70, 110, 180), opacity=0.35)
    c.line([(22, 84), (w - 22, 84)], ACCENT, 1.4, opacity=0.7)
    # the text area
    c.rrect((12, 92, w - 12, 454), 10, (6, 10, 26), opacity=0.45)
    # page counter between the two page buttons: "number / count"
    c.rrect((620, 456, 732, 487), 8, (6, 10, 26), opacity=0.45)
    c.text((675.5, 471.5), "/", 18, (200, 214, 240), anchor="mm")
    c.text((28, 478), "用語集", 20, (150, 200, 255), anchor="lm")
    c.text((98, 480), "色のついた語をクリックすると説明に進みます", 12, (170, 190, 230), anchor="lm")
    return c.masked()


def page_button(mask_stem, direction, look):
    w, h = size_of(mask_stem)
    colours = {"normal": ((150, 200, 255), (70, 120, 200)), "cover": ((255, 255, 255), ACCENT),
               "invalid": ((110, 116, 130), (80, 86, 98))}
    fill, edge = colours[look]
    c = Canvas(w, h)
    c.rrect((0, 0, w, h), 5, edge)
    c.rrect((1.2, 1.2, w - 1.2, h - 1.2), 4, mix(fill, NAVY_BOTTOM, 0.55))
    if direction > 0:
        c.polygon([(5, 5), (w - 4, h / 2), (5, h - 5)], fill)
    else:
        c.polygon([(w - 5, 5), (4, h / 2), (w - 5, h - 5)], fill)
    return c.masked()


def config_base():
    w, h = size_of("CONFIG_BASE_MASK")
    c = Canvas(w, h)
    panel(c, w, h)
    heading(c, 30, 44, "設定", 26)
    c.text((100, 46), "CONFIG", 14, (150, 200, 255), anchor="lm")
    c.line([(22, 70), (w - 22, 70)], ACCENT, 1.4, opacity=0.7)
    label = (220, 232, 255)
    rows = [(111, "画面モード"), (168, "BGM"), (213, "ボイス"), (277, "ウィンドウの透明度"), (349, "文字の速さ"),
            (394, "オートモードの速さ"), (439, "画面切り替えの速さ")]
    for y, text in rows:
        c.circle(44, y, 4, ACCENT)
        c.text((58, y + 1), text, 19, label, anchor="lm")
    for y in (138, 243, 310, 468):
        c.line([(30, y), (w - 30, y)], EDGE, 1, opacity=0.25)
    # slider scale hints
    for y in (168 + 12, 213 + 12):
        c.text((425, y + 10), "小", 11, (160, 180, 220), anchor="lm")
        c.text((705, y + 10), "大", 11, (160, 180, 220), anchor="rm")
    c.text((425, 277 + 22), "不透明", 11, (160, 180, 220), anchor="lm")
    c.text((705, 277 + 22), "透明", 11, (160, 180, 220), anchor="rm")
    return c.masked()


def volume_bar(invalid):
    w, h = size_of("CONFIG_VOLUME_MASK")
    c = Canvas(w, h)
    track = (0, h / 2 - 5, w, h / 2 + 5)
    if invalid:
        c.rrect(track, 5, (120, 124, 134))
        c.rrect((1.5, h / 2 - 3.5, w - 1.5, h / 2 + 3.5), 3.5, (84, 88, 98))
    else:
        c.rrect(track, 5, EDGE)
        c.rrect((1.5, h / 2 - 3.5, w - 1.5, h / 2 + 3.5), 3.5, ACCENT,
                gradient=((40, 90, 170), (140, 230, 255), 0, w, True))
    for i in range(5):
        x = 2 + (w - 4) * i / 4
        c.rect((x - 0.8, 2, x + 0.8, h / 2 - 6), (150, 170, 210) if not invalid else (110, 114, 124))
    return c.masked()


def volume_knob():
    w, h = size_of("CONFIG_VOLUME_KNOB_MASK")
    c = Canvas(w, h)
    c.rrect((0, 0, w, h), 5, (40, 90, 170))
    c.rrect((1.5, 1.5, w - 1.5, h - 1.5), 4, WHITE, gradient=(WHITE, (200, 226, 255), 0, h))
    for y in (h / 2 - 4, h / 2, h / 2 + 4):
        c.line([(4, y), (w - 4, y)], (120, 150, 200), 1)
    return c.masked()


def saveload_base(title, accent):
    w, h = size_of("SAVELOAD_BASE_MASK")
    c = Canvas(w, h)
    panel(c, w, h)
    c.rrect((16, 10, 200, 44), 10, accent, opacity=0.85)
    c.text((108, 28), title, 22, WHITE, anchor="mm", outline=mix(accent, (0, 0, 0), 0.5), outline_width=1.5)
    c.line([(210, 27), (w - 22, 27)], accent, 1.4, opacity=0.8)
    c.text((24, 510), "右クリックでもどります", 13, (170, 190, 230), anchor="lm")
    return c.masked()


def save_frame(look):
    w, h = size_of("SAVELOAD_FRAME_MASK")
    c = Canvas(w, h)
    if look == "normal":
        fill, edge, ink = (26, 38, 72), (120, 160, 220), (120, 140, 180)
    else:
        fill, edge, ink = (42, 46, 56), (86, 90, 102), (100, 104, 116)
    c.rrect((0, 0, w, h), 8, edge)
    c.rrect((1.5, 1.5, w - 1.5, h - 1.5), 7, fill, gradient=(mix(fill, WHITE, 0.08), fill, 0, h))
    c.rect((5, 5, 127, 97), mix(edge, fill, 0.4))
    c.rect((6, 6, 126, 96), (10, 14, 28))
    c.text((66, 51), "NO DATA", 14, ink, anchor="mm")
    c.line([(134, 50), (w - 10, 50)], edge, 1, opacity=0.5)
    return c.masked()


# --- title ---------------------------------------------------------------

def title_picture():
    """The title screen's panel: logo, the two leads and a bottom band, laid
    over the lab background; everything else of it is transparent."""
    w, h = size_of("TITLE_BASE_MASK")
    c = Canvas(w, h, scale=2)
    # the leads
    with c.transform(150, 250, 0.86):
        characters.draw_haruto(c, 4)
    with c.transform(-40, 218, 0.9):
        characters.draw_shiori(c, 1)
    # bottom band
    c.rect((0, 540, w, h), NAVY_BOTTOM, gradient=((36, 54, 100), (14, 20, 44), 540, h))
    c.rect((0, 538, w, 541), ACCENT)
    c.text((w - 16, 572), "Ondrell ver. 1.20  demo", 13, (170, 190, 230), anchor="rm")
    # logo
    c.rrect((28, 44, 512, 226), 24, WHITE, opacity=1.0)
    c.rrect((34, 50, 506, 220), 20, (255, 250, 240), gradient=((255, 255, 255), (236, 244, 255), 50, 220))
    c.rrect_outline((40, 56, 500, 214), 16, (120, 170, 240), 2)
    c.text((270, 84), "AFTER SCHOOL COMPUTER LAB", 15, (90, 140, 220), anchor="mm")
    c.text((270, 138), "ビットの放課後", 58, (40, 70, 150), anchor="mm", outline=WHITE, outline_width=0,
           gradient=((70, 120, 220), (30, 50, 120), 110, 168))
    c.line([(96, 176), (444, 176)], GOLD, 2)
    c.text((270, 196), "〜 はじめてのコンピュータ講座 〜", 19, (220, 110, 60), anchor="mm")
    # Pico peeks over the logo's corner
    with c.transform(446, -6, 0.56):
        characters.draw_bit(c)
    return c.masked()


# Where the game centres the title it draws on a title picture of the
# default set (./IMG/TITLE_NAME), in pixels from the top.
TITLE_NAME_CENTRE_Y = 160


def default_title_picture():
    """The title picture of the default interface, for a game that brings
    none: a calm gradient with a band where the game writes the game's title
    and a band along the bottom, and nothing of the demo. Every row is one
    colour; it covers the whole screen, so its mask is white everywhere."""
    w, h = size_of("TITLE_BASE_MASK")
    band = (TITLE_NAME_CENTRE_Y - 50, TITLE_NAME_CENTRE_Y + 50)
    rows = []
    for y in range(h):
        colour = mix((50, 72, 126), (14, 22, 50), y / (h - 1))
        if band[0] <= y < band[1]:
            colour = mix(colour, (96, 128, 196), 0.3)
        elif band[0] - 2 <= y < band[0] or band[1] <= y < band[1] + 2:
            colour = mix(colour, ACCENT, 0.55)
        elif y >= 541:
            colour = mix((36, 54, 100), (14, 20, 44), (y - 541) / (h - 542))
        elif y >= 538:
            colour = ACCENT
        rows.append(colour)
    picture = np.repeat(np.array(rows, dtype=np.uint8)[:, np.newaxis, :], w, axis=1)
    return picture, np.full((h, w, 3), 255, dtype=np.uint8)


def default_empty_layer(mask_stem):
    """The picture an empty story layer holds in the default interface: it
    shows nothing (its mask is black and the picture white, as every hidden
    pixel is stored), where the demo's show its mascot and a blank card."""
    w, h = size_of(mask_stem)
    return np.full((h, w, 3), 255, dtype=np.uint8), np.zeros((h, w, 3), dtype=np.uint8)
