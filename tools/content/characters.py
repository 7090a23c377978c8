"""The demo's cast, drawn with simple shapes.

Every figure stands in a 355 x 600 frame (CHARACTER_SIZE), the head in the
upper half so that it stays above the message window. The expressions of one
figure only change pixels inside its face, never its outline, because all
expressions of a figure share one mask.

- Shiori (CHAR1_1..5): the mentor, a senior student in a lab coat.
- Haruto (CHAR2_1..4): the first-year student who asks the questions.
- Bit (CHAR_DUMMY): the lab's little floating robot; the second character
  layer can show only this picture.
"""


import numpy as np

from canvas import Canvas, arc_points, catmull_rom, mix, split_masked

CHARACTER_SIZE = (355, 600)
MASCOT_SIZE = (260, 300)

OUTLINE = (64, 42, 52)
SKIN = (255, 232, 216)
SKIN_SHADE = (244, 200, 184)
BLUSH = (255, 140, 150)
WHITE = (255, 255, 255)


# --- shared parts --------------------------------------------------------

def lock(c, root_left, tip, root_right, colour, bulge=0.18, outline=OUTLINE, width=1.6):
    """One pointed lock of hair: a curved triangle from two roots to a tip."""
    (lx, ly), (tx, ty), (rx, ry) = root_left, tip, root_right

    def side(a, b, sign):
        mx, my = (a[0] + b[0]) / 2, (a[1] + b[1]) / 2
        nx, ny = -(b[1] - a[1]), b[0] - a[0]
        return [a, (mx + nx * bulge * sign, my + ny * bulge * sign), b]

    left = catmull_rom(side(root_left, tip, 1), closed=False, steps=8)
    right = catmull_rom(side(tip, root_right, 1), closed=False, steps=8)
    pts = left + right[1:]
    if outline is not None:
        c.line(pts, outline, width)
    c.polygon(pts, colour)


def eye_white(c, cx, cy, w, h, tilt=0.0):
    """Coverage mask of an almond eye opening."""
    top = [(cx - w / 2, cy + h * 0.15 + tilt), (cx - w * 0.25, cy - h * 0.45), (cx + w * 0.2, cy - h * 0.5),
           (cx + w / 2, cy - h * 0.1 - tilt)]
    bottom = [(cx + w * 0.42, cy + h * 0.3), (cx, cy + h * 0.5), (cx - w * 0.4, cy + h * 0.42)]
    return c.shape_mask("blob", top + bottom)


def open_eye(c, cx, cy, iris, mirror=1, w=34, h=34, iris_w=23, iris_h=31, pupil_scale=1.0, lid=OUTLINE,
             lash=True, look=(0, 0)):
    """A large anime eye: white, iris with gradient, pupil, highlights, lid line."""
    mask = eye_white(c, cx, cy, w, h, tilt=2 * mirror)
    c.paint(mask, WHITE)
    with c.clipped(mask):
        ix, iy = cx + look[0], cy + 2 + look[1]
        c.ellipse((ix - iris_w / 2, iy - iris_h / 2, ix + iris_w / 2, iy + iris_h / 2), iris,
                  gradient=(mix(iris, (20, 10, 30), 0.55), mix(iris, WHITE, 0.25), iy - iris_h / 2, iy + iris_h / 2))
        pw, ph = iris_w * 0.42 * pupil_scale, iris_h * 0.45 * pupil_scale
        c.ellipse((ix - pw / 2, iy - ph / 2 + 1, ix + pw / 2, iy + ph / 2 + 1), mix(iris, (10, 5, 20), 0.75))
        c.ring(ix, iy, iris_w * 0.5, mix(iris, (10, 5, 20), 0.6), 1.4)
        # shade under the upper lid
        c.rect((cx - w, cy - h, cx + w, cy - h * 0.3), (90, 60, 90), opacity=0.25)
        c.circle(ix - iris_w * 0.18, iy - iris_h * 0.18, iris_w * 0.17, WHITE)
        c.circle(ix + iris_w * 0.2, iy + iris_h * 0.22, iris_w * 0.08, WHITE, opacity=0.85)
    # upper lid: a thick line that thickens towards the outer corner
    x0, x1 = cx - w / 2 - 2, cx + w / 2 + 2
    if mirror < 0:
        x0, x1 = x1, x0
    c.curve([(x0, cy + h * 0.12 - 1), (cx - w * 0.22 * mirror, cy - h * 0.5), (cx + w * 0.25 * mirror, cy - h * 0.52),
             (x1, cy - h * 0.12)], lid, 3.2)
    if lash:
        c.curve([(cx + w * 0.3 * mirror, cy - h * 0.45), (x1 + 2 * mirror, cy - h * 0.3), (x1 + 5 * mirror, cy - h * 0.18)],
                lid, 2.4)
    c.curve([(cx - w * 0.3, cy + h * 0.47), (cx, cy + h * 0.52), (cx + w * 0.3, cy + h * 0.45)], mix(lid, SKIN, 0.5), 1.2)


def closed_eye_happy(c, cx, cy, w=32, colour=OUTLINE):
    """^ shaped closed eye (smiling)."""
    c.curve(arc_points(cx, cy + 6, w / 2, 12, 200, 340, 9), colour, 3.2)


def closed_eye_calm(c, cx, cy, w=32, colour=OUTLINE):
    """u shaped closed eye (relaxed)."""
    c.curve(arc_points(cx, cy - 4, w / 2, 9, 20, 160, 9), colour, 3.0)


def brow(c, cx, cy, mirror, angle=0.0, colour=(70, 60, 90), w=30, width=2.6):
    """Eyebrow; angle > 0 raises its inner end (worried), < 0 lowers it (cross)."""
    inner = (cx - w * 0.45 * mirror, cy - angle)
    mid = (cx, cy - 3)
    outer = (cx + w * 0.5 * mirror, cy + 1 + angle * 0.3)
    c.curve([inner, mid, outer], colour, width)


def mouth_smile(c, cx, cy, w=18, colour=(150, 70, 80)):
    c.curve(arc_points(cx, cy - 5, w / 2, 6, 30, 150, 9), colour, 2.2)


def mouth_open(c, cx, cy, w=20, h=14, colour=(150, 60, 70)):
    """Open, smiling mouth (a D shape) with a tongue."""
    pts = [(cx - w / 2, cy - h * 0.3), (cx + w / 2, cy - h * 0.3)] + arc_points(cx, cy - h * 0.3, w / 2, h, 0, 180, 12)[1:-1]
    mask = c.shape_mask("polygon", pts)
    c.paint(mask, (120, 40, 55))
    with c.clipped(mask):
        c.ellipse((cx - w * 0.35, cy + h * 0.1, cx + w * 0.35, cy + h * 0.9), (240, 120, 130))
    c.line(pts + [pts[0]], colour, 1.6)


def mouth_round(c, cx, cy, w=12, h=14):
    c.ellipse((cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2), (120, 40, 55))
    c.ellipse((cx - w * 0.3, cy, cx + w * 0.3, cy + h * 0.45), (235, 120, 130))
    c.ring(cx, cy, w / 2, (150, 60, 70), 1.2)


def mouth_talk(c, cx, cy, w=16, h=8):
    pts = arc_points(cx, cy - 2, w / 2, h, 0, 180, 12)
    mask = c.shape_mask("polygon", [(cx - w / 2, cy - 2)] + pts + [(cx + w / 2, cy - 2)])
    c.paint(mask, (130, 45, 60))
    c.line([(cx - w / 2, cy - 2), (cx + w / 2, cy - 2)], (150, 70, 80), 1.4)


def mouth_wavy(c, cx, cy, w=20, colour=(150, 70, 80)):
    pts = [(cx - w / 2 + i * w / 8, cy + (2.2 if i % 2 else -2.2)) for i in range(9)]
    c.curve(pts, colour, 2.0)


def mouth_flat(c, cx, cy, w=14, colour=(150, 70, 80)):
    c.curve([(cx - w / 2, cy + 1), (cx, cy), (cx + w / 2, cy + 1)], colour, 2.0)


def blush(c, cx, cy, opacity=0.35):
    c.ellipse((cx - 16, cy - 6, cx + 16, cy + 6), BLUSH, opacity=opacity)
    for i in range(3):
        x = cx - 8 + i * 7
        c.line([(x + 3, cy - 4), (x - 1, cy + 4)], (235, 110, 120), 1.1, opacity=0.7)


def sweat(c, x, y, size=1.0):
    pts = [(x, y - 14 * size), (x + 7 * size, y), (x, y + 8 * size), (x - 7 * size, y)]
    c.blob(pts, (170, 220, 255), outline=(80, 140, 200), width=0.8)
    c.circle(x - 2 * size, y + 1 * size, 1.8 * size, WHITE)


# --- Shiori, the mentor (CHAR1) -----------------------------------------

SHIORI_HAIR = (58, 60, 104)
SHIORI_HAIR_LIGHT = (104, 112, 170)
SHIORI_HAIR_DARK = (36, 36, 70)
SHIORI_IRIS = (128, 84, 190)


def draw_shiori(c, expression):
    cx = 177
    hair, light, dark = SHIORI_HAIR, SHIORI_HAIR_LIGHT, SHIORI_HAIR_DARK
    # long hair behind the figure
    back = [(cx, 62), (250, 88), (286, 150), (300, 250), (306, 360), (316, 450), (290, 478), (250, 470),
            (cx, 440), (104, 470), (64, 478), (38, 450), (48, 360), (54, 250), (68, 150), (104, 88)]
    c.blob(back, dark, outline=OUTLINE, width=1.8)
    c.blob([(cx, 80), (240, 100), (270, 170), (276, 300), (284, 430), (250, 440), (cx, 400), (104, 440), (70, 430),
            (78, 300), (84, 170), (114, 100)], hair)
    # body: lab coat over a dark blouse
    coat = [(150, 292), (96, 306), (62, 330), (44, 380), (34, 600), (320, 600), (310, 380), (292, 330), (258, 306),
            (204, 292)]
    c.polygon(catmull_rom(coat, closed=False, steps=6), OUTLINE)
    inner = [(151, 295), (97, 309), (65, 333), (48, 382), (38, 600), (316, 600), (306, 382), (289, 333), (257, 309),
             (203, 295)]
    c.polygon(catmull_rom(inner, closed=False, steps=6), (246, 247, 252),
              gradient=((252, 252, 255), (222, 226, 240), 290, 600))
    # blouse, ribbon and lapels
    c.polygon([(150, 296), (204, 296), (196, 360), (177, 430), (158, 360)], (70, 86, 132))
    c.polygon([(150, 296), (177, 330), (204, 296), (198, 292), (177, 312), (156, 292)], (236, 238, 246))
    c.polygon([(177, 322), (152, 308), (148, 336)], (220, 72, 96))
    c.polygon([(177, 322), (202, 308), (206, 336)], (220, 72, 96))
    c.polygon([(177, 322), (166, 362), (177, 356), (188, 362)], (196, 56, 80))
    c.circle(177, 322, 5.5, (236, 90, 110))
    c.line([(150, 298), (140, 340), (166, 430), (176, 600)], (170, 176, 196), 2.2)
    c.line([(204, 298), (214, 340), (188, 430), (178, 600)], (170, 176, 196), 2.2)
    c.line([(70, 400), (84, 520), (80, 600)], (200, 204, 222), 2.0)
    c.line([(284, 400), (270, 520), (274, 600)], (200, 204, 222), 2.0)
    # coat pocket with a pen
    c.rrect((218, 420, 270, 470), 4, (236, 238, 246), outline=(180, 186, 204), width=1.6)
    c.rrect((236, 404, 244, 440), 3, (60, 140, 220))
    c.rect((236, 404, 244, 412), (200, 200, 210))
    # neck
    c.polygon([(164, 250), (190, 250), (192, 300), (177, 312), (162, 300)], SKIN)
    c.polygon([(164, 262), (190, 262), (190, 282), (177, 290), (164, 282)], SKIN_SHADE, opacity=0.9)
    # face
    face = [(112, 150), (112, 205), (124, 246), (150, 276), (177, 287), (204, 276), (230, 246), (242, 205), (242, 150),
            (220, 112), (177, 100), (134, 112)]
    c.blob(face, SKIN, outline=OUTLINE, width=1.4)
    # side locks in front of the shoulders
    lock(c, (100, 140), (88, 380), (132, 160), hair, bulge=0.05)
    lock(c, (254, 140), (266, 380), (222, 160), hair, bulge=-0.05)
    c.curve([(108, 200), (104, 280), (98, 350)], light, 2.5, opacity=0.6)
    c.curve([(246, 200), (250, 280), (256, 350)], light, 2.5, opacity=0.6)
    # top of the head and bangs
    c.blob([(96, 170), (94, 120), (118, 78), (177, 58), (236, 78), (260, 120), (258, 170), (238, 130), (177, 108),
            (116, 130)], hair, outline=OUTLINE, width=1.6)
    for left, tip, right in [((102, 110), (110, 188), (138, 118)), ((126, 104), (140, 168), (166, 106)),
                             ((150, 100), (166, 160), (190, 102)), ((176, 98), (194, 164), (214, 104)),
                             ((200, 102), (222, 162), (236, 112)), ((222, 108), (248, 190), (254, 124))]:
        lock(c, left, tip, right, hair)
    c.curve([(126, 92), (160, 78), (196, 78), (230, 90)], light, 5, opacity=0.75)
    c.curve([(136, 100), (150, 92), (166, 90)], WHITE, 2, opacity=0.5)
    # hair clip
    c.rrect((224, 126, 248, 134), 3, (250, 200, 90), outline=(170, 120, 40), width=1)
    draw_shiori_face(c, expression)


def draw_shiori_face(c, expression):
    lx, rx, ey = 146, 208, 206
    iris = SHIORI_IRIS
    if expression == 1:      # calm smile
        brow(c, lx, 176, -1, 0)
        brow(c, rx, 176, 1, 0)
        open_eye(c, lx, ey, iris, -1)
        open_eye(c, rx, ey, iris, 1)
        mouth_smile(c, 177, 256)
        blush(c, 132, 236, 0.2)
        blush(c, 222, 236, 0.2)
    elif expression == 2:    # delighted
        brow(c, lx, 172, -1, 2)
        brow(c, rx, 172, 1, 2)
        closed_eye_happy(c, lx, ey)
        closed_eye_happy(c, rx, ey)
        mouth_open(c, 177, 252, 22, 15)
        blush(c, 130, 234, 0.45)
        blush(c, 224, 234, 0.45)
    elif expression == 3:    # explaining
        brow(c, lx, 173, -1, -1)
        brow(c, rx, 171, 1, 3)
        open_eye(c, lx, ey, iris, -1, look=(2, 0))
        open_eye(c, rx, ey, iris, 1, look=(2, 0))
        mouth_talk(c, 178, 255)
        blush(c, 132, 236, 0.15)
        blush(c, 222, 236, 0.15)
    elif expression == 4:    # surprised
        brow(c, lx, 166, -1, 3)
        brow(c, rx, 166, 1, 3)
        open_eye(c, lx, ey, iris, -1, h=38, iris_w=19, iris_h=26, pupil_scale=0.7)
        open_eye(c, rx, ey, iris, 1, h=38, iris_w=19, iris_h=26, pupil_scale=0.7)
        mouth_round(c, 177, 257)
    elif expression == 5:    # troubled
        brow(c, lx, 174, -1, 6)
        brow(c, rx, 174, 1, 6)
        open_eye(c, lx, ey + 2, iris, -1, h=28, look=(0, 2))
        open_eye(c, rx, ey + 2, iris, 1, h=28, look=(0, 2))
        mouth_wavy(c, 177, 257, 18)
        sweat(c, 232, 176, 1.1)
    glasses(c, lx, rx, ey)


def glasses(c, lx, rx, ey):
    frame = (150, 70, 96)
    for x in (lx, rx):
        box = (x - 25, ey - 19, x + 25, ey + 21)
        c.rrect(box, 9, (200, 220, 255), opacity=0.12)
        c.rrect_outline(box, 9, frame, 2.2)
        c.line([(x - 14, ey - 12), (x - 6, ey - 16)], WHITE, 1.6, opacity=0.7)
    c.curve([(lx + 25, ey - 6), (177, ey - 10), (rx - 25, ey - 6)], frame, 2.2)
    c.line([(lx - 25, ey - 8), (114, ey - 12)], frame, 2.0)
    c.line([(rx + 25, ey - 8), (240, ey - 12)], frame, 2.0)


# --- Haruto, the student (CHAR2) -----------------------------------------

HARUTO_HAIR = (150, 96, 58)
HARUTO_HAIR_LIGHT = (200, 146, 96)
HARUTO_HAIR_DARK = (104, 62, 38)
HARUTO_IRIS = (60, 140, 120)


def draw_haruto(c, expression):
    cx = 177
    hair, light, dark = HARUTO_HAIR, HARUTO_HAIR_LIGHT, HARUTO_HAIR_DARK
    # blazer
    body = [(148, 286), (90, 304), (50, 330), (32, 390), (24, 600), (330, 600), (322, 390), (304, 330), (264, 304),
            (206, 286)]
    c.polygon(catmull_rom(body, closed=False, steps=6), OUTLINE)
    inner = [(149, 289), (91, 307), (53, 333), (36, 392), (28, 600), (326, 600), (318, 392), (301, 333), (263, 307),
             (205, 289)]
    c.polygon(catmull_rom(inner, closed=False, steps=6), (54, 70, 120), gradient=((66, 84, 140), (38, 50, 92), 290, 600))
    # shirt, tie and lapels
    c.polygon([(146, 290), (208, 290), (200, 380), (177, 470), (154, 380)], (248, 248, 252))
    c.polygon([(150, 288), (177, 318), (204, 288), (212, 296), (186, 330), (168, 330), (142, 296)], (236, 238, 246))
    c.line([(150, 288), (177, 318), (204, 288)], (180, 186, 204), 1.4)
    c.polygon([(168, 318), (186, 318), (190, 330), (177, 338), (164, 330)], (200, 48, 60))
    c.polygon([(170, 334), (184, 334), (192, 430), (177, 450), (162, 430)], (210, 56, 70))
    c.line([(168, 360), (186, 372)], (240, 200, 90), 3)
    c.line([(166, 392), (188, 404)], (240, 200, 90), 3)
    c.polygon([(142, 300), (124, 330), (156, 430), (168, 470), (150, 380)], (44, 58, 104))
    c.polygon([(212, 300), (230, 330), (198, 430), (186, 470), (204, 380)], (44, 58, 104))
    c.line([(142, 300), (124, 330), (160, 440)], (30, 40, 76), 1.6)
    c.line([(212, 300), (230, 330), (194, 440)], (30, 40, 76), 1.6)
    # school badge
    c.circle(254, 380, 11, (240, 200, 90))
    c.circle(254, 380, 6, (54, 70, 120))
    c.line([(58, 420), (66, 600)], (34, 46, 86), 2)
    c.line([(296, 420), (288, 600)], (34, 46, 86), 2)
    # neck
    c.polygon([(162, 246), (192, 246), (194, 296), (177, 306), (160, 296)], SKIN)
    c.polygon([(162, 258), (192, 258), (192, 278), (177, 288), (162, 278)], SKIN_SHADE)
    # ears and face
    for x, m in ((116, -1), (238, 1)):
        c.blob([(x, 190), (x + 10 * m, 186), (x + 14 * m, 206), (x + 8 * m, 226), (x, 224)], SKIN, outline=OUTLINE,
               width=1.2)
    face = [(116, 150), (116, 205), (128, 246), (152, 274), (177, 284), (202, 274), (226, 246), (238, 205), (238, 150),
            (216, 112), (177, 100), (138, 112)]
    c.blob(face, SKIN, outline=OUTLINE, width=1.4)
    # spiky hair: a crown of broad tufts, then the fringe
    crown = [((92, 172), (70, 140), (100, 128)), ((94, 130), (74, 96), (116, 98)), ((106, 100), (102, 60), (142, 80)),
             ((130, 82), (146, 42), (172, 72)), ((160, 72), (188, 36), (204, 74)), ((192, 74), (228, 50), (230, 92)),
             ((220, 88), (264, 76), (252, 122)), ((246, 112), (284, 122), (262, 170))]
    for left, tip, right in crown:
        lock(c, left, tip, right, hair, bulge=0.12)
    c.blob([(98, 180), (94, 124), (120, 80), (177, 64), (234, 80), (260, 124), (256, 180), (236, 140), (177, 120),
            (118, 140)], hair, outline=OUTLINE, width=1.6)
    for left, tip, right in crown:
        lock(c, left, tip, right, hair, bulge=0.12, outline=None)
    c.blob([(100, 160), (108, 108), (177, 78), (246, 108), (254, 160), (177, 124)], hair)
    # sideburns over the ears' top
    lock(c, (104, 150), (112, 222), (126, 158), hair, bulge=0.05)
    lock(c, (250, 150), (242, 222), (228, 158), hair, bulge=-0.05)
    for left, tip, right in [((108, 120), (114, 182), (140, 128)), ((130, 112), (146, 168), (166, 114)),
                             ((156, 108), (174, 172), (196, 110)), ((186, 110), (212, 164), (222, 116)),
                             ((214, 116), (244, 180), (248, 130))]:
        lock(c, left, tip, right, hair)
    c.curve([(128, 96), (170, 82), (216, 92)], light, 5, opacity=0.8)
    c.curve([(118, 120), (128, 108)], dark, 3, opacity=0.6)
    draw_haruto_face(c, expression)


def draw_haruto_face(c, expression):
    lx, rx, ey = 147, 207, 208
    iris = HARUTO_IRIS
    brow_colour = (110, 70, 46)
    if expression == 1:      # cheerful
        brow(c, lx, 178, -1, 0, brow_colour, width=3.2)
        brow(c, rx, 178, 1, 0, brow_colour, width=3.2)
        open_eye(c, lx, ey, iris, -1, w=32, h=32, lash=False)
        open_eye(c, rx, ey, iris, 1, w=32, h=32, lash=False)
        mouth_smile(c, 177, 255, 20)
    elif expression == 2:    # surprised
        brow(c, lx, 168, -1, 3, brow_colour, width=3.2)
        brow(c, rx, 168, 1, 3, brow_colour, width=3.2)
        open_eye(c, lx, ey, iris, -1, w=32, h=36, iris_w=17, iris_h=24, pupil_scale=0.6, lash=False)
        open_eye(c, rx, ey, iris, 1, w=32, h=36, iris_w=17, iris_h=24, pupil_scale=0.6, lash=False)
        mouth_round(c, 177, 257, 14, 16)
    elif expression == 3:    # puzzled
        brow(c, lx, 180, -1, -3, brow_colour, width=3.2)
        brow(c, rx, 172, 1, 5, brow_colour, width=3.2)
        open_eye(c, lx, ey + 1, iris, -1, w=32, h=26, lash=False, look=(-3, -2))
        open_eye(c, rx, ey, iris, 1, w=32, h=30, lash=False, look=(-3, -2))
        mouth_wavy(c, 180, 257, 16)
        sweat(c, 230, 178, 1.1)
    elif expression == 4:    # delighted
        brow(c, lx, 174, -1, 2, brow_colour, width=3.2)
        brow(c, rx, 174, 1, 2, brow_colour, width=3.2)
        closed_eye_happy(c, lx, ey, 30)
        closed_eye_happy(c, rx, ey, 30)
        mouth_open(c, 177, 251, 26, 17)
        blush(c, 132, 236, 0.3)
        blush(c, 222, 236, 0.3)


# --- Bit, the lab robot (CHAR_DUMMY) -------------------------------------

def draw_bit(c, mood=1):
    cx, cy = 130, 140
    body = (246, 248, 252)
    trim = (70, 190, 230)
    # antenna
    c.line([(cx, cy - 64), (cx, cy - 90)], OUTLINE, 4)
    c.line([(cx, cy - 64), (cx, cy - 90)], (180, 186, 200), 2)
    c.circle(cx, cy - 96, 9, OUTLINE)
    c.circle(cx, cy - 96, 7.5, (255, 190, 70), gradient=((255, 230, 140), (240, 150, 40), cy - 104, cy - 88))
    # ears
    for m in (-1, 1):
        c.rrect((cx + m * 88 - 12, cy - 22, cx + m * 88 + 12, cy + 22), 8, trim, outline=OUTLINE, width=1.6)
    # body
    c.ellipse((cx - 84, cy - 70, cx + 84, cy + 72), OUTLINE)
    c.ellipse((cx - 82, cy - 68, cx + 82, cy + 70), body, gradient=((255, 255, 255), (206, 214, 232), cy - 68, cy + 70))
    # face screen
    screen = (cx - 58, cy - 42, cx + 58, cy + 32)
    c.rrect(screen, 22, (26, 36, 60), gradient=((34, 48, 84), (16, 22, 40), cy - 42, cy + 32), outline=OUTLINE, width=1.4)
    eye = (120, 240, 255)
    if mood == 1:
        for m in (-1, 1):
            c.rrect((cx + m * 26 - 8, cy - 22, cx + m * 26 + 8, cy + 2), 7, eye)
        c.curve(arc_points(cx, cy + 4, 12, 8, 20, 160, 9), eye, 3)
    c.line([(cx - 44, cy - 34), (cx - 24, cy - 38)], WHITE, 2, opacity=0.4)
    # cheeks
    c.ellipse((cx - 58, cy + 10, cx - 42, cy + 20), (255, 150, 170), opacity=0.7)
    c.ellipse((cx + 42, cy + 10, cx + 58, cy + 20), (255, 150, 170), opacity=0.7)
    # little arms
    for m in (-1, 1):
        c.blob([(cx + m * 70, cy + 30), (cx + m * 100, cy + 40), (cx + m * 106, cy + 60), (cx + m * 88, cy + 62),
                (cx + m * 66, cy + 48)], body, outline=OUTLINE, width=1.6)
    # thruster and flame
    c.rrect((cx - 26, cy + 66, cx + 26, cy + 84), 8, trim, outline=OUTLINE, width=1.6)
    c.blob([(cx - 18, cy + 84), (cx + 18, cy + 84), (cx + 8, cy + 110), (cx, cy + 132), (cx - 8, cy + 110)],
           (255, 170, 60), gradient=((255, 240, 150), (255, 120, 50), cy + 84, cy + 132))
    c.blob([(cx - 8, cy + 84), (cx + 8, cy + 84), (cx + 3, cy + 100), (cx, cy + 112), (cx - 3, cy + 100)], (255, 250, 220))
    # chest light
    c.circle(cx, cy + 50, 6, trim)
    c.circle(cx - 2, cy + 48, 2, WHITE)


def render_character(draw, expression, size=CHARACTER_SIZE):
    c = Canvas(*size)
    draw(c, expression)
    return c.masked()


def render_expressions(draw, count, size=CHARACTER_SIZE):
    """([picture per expression], mask): every expression is cut out with the
    outline of the first one, so that one mask serves them all even where a
    blush or a sweat drop touches the edge."""
    pictures, visible = [], None
    for expression in range(1, count + 1):
        c = Canvas(*size)
        draw(c, expression)
        rgba = np.asarray(c.image())
        if visible is None:
            visible = rgba[:, :, 3] >= 128
        picture, mask = split_masked(rgba[:, :, :3], visible)
        pictures.append(picture)
    return pictures, mask
