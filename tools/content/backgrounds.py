"""Full-canvas pictures: the three story backgrounds, the staff roll and
the base picture under every background fade."""

import random

import numpy as np

from canvas import Canvas, mix

SIZE = (800, 600)
BG_SCALE = 2


def base():
    """Pure black: backgrounds fade through it, and the screen mask dims
    with it."""
    return np.zeros((SIZE[1], SIZE[0], 3), dtype=np.uint8)


def cloud(c, x, y, w, colour=(255, 255, 255), opacity=0.85):
    for dx, dy, r in ((0, 0, 0.28), (0.22, -0.12, 0.25), (0.45, -0.02, 0.3), (0.68, 0.04, 0.22), (0.3, 0.1, 0.26)):
        c.circle(x + dx * w, y + dy * w, r * w * 0.6, colour, opacity)


def lab():
    """HAIKEI1: the computer club's room after school."""
    c = Canvas(*SIZE, background=(240, 228, 210), scale=BG_SCALE)
    c.rect((0, 0, 800, 600), None, gradient=((250, 242, 228), (226, 210, 188), 0, 470))
    # ceiling strip and lights
    c.rect((0, 0, 800, 26), (214, 204, 190))
    for x in (150, 470, 720):
        c.rrect((x - 70, 8, x + 70, 20), 4, (255, 252, 240), outline=(190, 180, 166), width=1)
    # windows with afternoon sky
    for x0 in (30, 200):
        box = (x0, 60, x0 + 150, 370)
        c.rect((x0 - 8, 52, x0 + 158, 378), (196, 184, 168))
        c.rect(box, None, gradient=((120, 176, 236), (250, 214, 170), 60, 370))
        with c.clipped(c.shape_mask("polygon", [(box[0], box[1]), (box[2], box[1]), (box[2], box[3]), (box[0], box[3])])):
            cloud(c, x0 - 20, 130, 120)
            cloud(c, x0 + 70, 230, 100, opacity=0.7)
            c.rect((x0, 300, x0 + 150, 370), (170, 196, 150))
            for i in range(6):
                tx = x0 + 12 + i * 26
                c.ellipse((tx - 18, 280 - (i % 3) * 8, tx + 18, 320), (110, 150, 100))
        c.rect((x0 + 72, 60, x0 + 78, 370), (226, 218, 206))
        c.rect((x0, 206, x0 + 150, 212), (226, 218, 206))
        c.rect((x0 - 12, 370, x0 + 162, 382), (214, 204, 190))
    # curtains
    for x in (14, 358):
        c.blob([(x, 44), (x + 18, 44), (x + 22, 200), (x + 16, 390), (x - 2, 390), (x + 4, 200)], (236, 140, 120))
        c.line([(x + 8, 50), (x + 10, 380)], (210, 110, 96), 2)
    # whiteboard with a little diagram
    c.rect((398, 78, 772, 292), (150, 156, 166))
    c.rect((404, 84, 766, 286), (252, 253, 255))
    c.rect((404, 286, 766, 296), (180, 184, 194))
    for i, colour in enumerate(((220, 60, 60), (50, 110, 210), (40, 150, 80))):
        c.rrect((600 + i * 22, 288, 616 + i * 22, 294), 2, colour)
    ink = (50, 90, 180)
    c.rrect_outline((430, 120, 520, 170), 8, ink, 2.4)
    c.text((475, 145), "CPU", 22, ink, anchor="mm")
    c.rrect_outline((620, 120, 730, 170), 8, ink, 2.4)
    c.text((675, 145), "メモリ", 20, ink, anchor="mm")
    c.line([(522, 138), (616, 138)], ink, 2.4)
    c.polygon([(616, 132), (628, 138), (616, 144)], ink)
    c.line([(618, 154), (526, 154)], (210, 70, 70), 2.4)
    c.polygon([(526, 148), (514, 154), (526, 160)], (210, 70, 70))
    c.text((430, 196), "0101 1100 0011", 20, (60, 60, 70))
    c.text((430, 232), "今日のテーマ：コンピュータのしくみ", 17, (200, 60, 60))
    # wall clock
    c.circle(560, 48, 20, (120, 110, 100))
    c.circle(560, 48, 17, (255, 255, 250))
    c.line([(560, 48), (560, 36)], (40, 40, 40), 2)
    c.line([(560, 48), (569, 52)], (40, 40, 40), 2)
    # floor
    c.rect((0, 470, 800, 600), None, gradient=((196, 150, 108), (160, 116, 80), 470, 600))
    for y in (500, 536, 578):
        c.line([(0, y), (800, y)], (150, 108, 74), 1.2)
    c.rect((0, 462, 800, 472), (176, 160, 140))
    # desks with computers
    for x in (60, 300, 540):
        c.rect((x - 20, 420, x + 220, 432), (170, 130, 96))
        c.rect((x - 20, 432, x + 220, 440), (140, 104, 76))
        c.rect((x, 440, x + 8, 520), (120, 110, 100))
        c.rect((x + 192, 440, x + 200, 520), (120, 110, 100))
        c.rrect((x + 40, 330, x + 160, 408), 5, (50, 54, 62))
        c.rect((x + 46, 336, x + 154, 400), None, gradient=((60, 110, 180), (30, 60, 110), 336, 400))
        for i in range(4):
            c.rect((x + 54, 346 + i * 12, x + 54 + 40 + (i * 23) % 50, 351 + i * 12), (170, 220, 255), opacity=0.7)
        c.rect((x + 92, 408, x + 108, 418), (80, 84, 92))
        c.rrect((x + 70, 416, x + 130, 422), 2, (90, 94, 104))
        c.rrect((x + 50, 424, x + 150, 431), 2, (220, 222, 228))
    # sunlight falling in
    for x0 in (30, 200):
        c.polygon([(x0 + 150, 70), (x0 + 260, 70), (x0 + 420, 600), (x0 + 200, 600)], (255, 236, 180), opacity=0.16)
    return c.opaque()


def server_room():
    """HAIKEI2: the university's server room, cool and humming."""
    c = Canvas(*SIZE, background=(14, 24, 44), scale=BG_SCALE)
    c.rect((0, 0, 800, 600), None, gradient=((20, 32, 60), (10, 16, 30), 0, 600))
    vx, vy = 400, 250  # vanishing point
    # ceiling lights
    for i in range(5):
        t = i / 5
        y = 10 + 110 * t * t
        w = 260 * (1 - t) + 30
        c.rect((vx - w / 2, y, vx + w / 2, y + 6 * (1 - t) + 2), (200, 230, 255), opacity=0.8)
        c.soft_glow(vx, y + 4, w * 0.5, (120, 180, 255), 0.12)
    # floor tiles in perspective
    c.polygon([(0, 600), (800, 600), (vx + 60, vy + 70), (vx - 60, vy + 70)], (36, 46, 66))
    for i in range(-8, 9):
        c.line([(vx + i * 8, vy + 70), (vx + i * 110, 600)], (60, 78, 110), 1.2)
    for j in range(1, 8):
        t = (j / 8) ** 1.8
        y = vy + 70 + (600 - vy - 70) * t
        half = 60 + (400 - 60) * t
        c.line([(vx - half - 200 * t, y), (vx + half + 200 * t, y)], (60, 78, 110), 1.2)
    # the far wall
    c.rect((vx - 60, vy - 70, vx + 60, vy + 70), (24, 36, 62))
    c.rrect((vx - 14, vy + 10, vx + 14, vy + 70), 2, (40, 60, 90))
    c.rect((vx - 10, vy + 14, vx + 10, vy + 40), (120, 200, 255), opacity=0.5)
    rng = random.Random(2)
    # racks on both sides, front to back
    for side in (-1, 1):
        for k in range(5):
            t0, t1 = k / 5, (k + 0.9) / 5
            def at(t, y_rel):
                x = 400 + side * (400 - 340 * t)
                y_top = 40 + (vy - 70 - 40) * t
                y_bot = 560 + (vy + 70 - 560) * t
                return x, y_top + (y_bot - y_top) * y_rel
            (xa, ya0), (_, ya1) = at(t0, 0), at(t0, 1)
            (xb, yb0), (_, yb1) = at(t1, 0), at(t1, 1)
            shade = mix((44, 56, 84), (26, 34, 56), k / 5)
            c.polygon([(xa, ya0), (xb, yb0), (xb, yb1), (xa, ya1)], shade)
            c.line([(xa, ya0), (xa, ya1)], (80, 96, 130), 2 * (1 - t0) + 0.6)
            rows = 14
            for r in range(1, rows):
                (x0, y0), (x1, y1) = at(t0 + 0.04 / 5, r / rows), at(t1 - 0.04 / 5, r / rows)
                c.line([(x0, y0), (x1, y1)], (16, 22, 36), 1.0 + 1.5 * (1 - t0))
                for led in range(3):
                    u = 0.15 + 0.12 * led
                    lx, ly = x0 + (x1 - x0) * u, y0 + (y1 - y0) * u - 5 * (1 - t0)
                    colour = rng.choice([(90, 255, 140), (90, 255, 140), (80, 180, 255), (255, 190, 70)])
                    if rng.random() < 0.8:
                        c.circle(lx, ly, 1.2 + 1.8 * (1 - t0), colour)
    # cable tray
    c.polygon([(0, 30), (800, 30), (vx + 60, vy - 70), (vx - 60, vy - 70)], (30, 40, 64), opacity=0.6)
    for i in range(-3, 4):
        c.line([(vx + i * 10, vy - 70), (vx + i * 70, 30)], (255, 200, 80), 1.0, opacity=0.25)
    c.soft_glow(vx, vy, 140, (80, 150, 255), 0.18)
    return c.opaque()


def night_street():
    """HAIKEI3: the way home at night."""
    c = Canvas(*SIZE, background=(20, 24, 60), scale=BG_SCALE)
    c.rect((0, 0, 800, 600), None, gradient=((12, 16, 44), (70, 56, 110), 0, 420))
    rng = random.Random(3)
    for _ in range(110):
        x, y, r = rng.uniform(0, 800), rng.uniform(0, 300), rng.choice((0.6, 0.8, 1.0, 1.4))
        c.circle(x, y, r, (255, 255, 230), opacity=rng.uniform(0.5, 1.0))
    # moon
    c.soft_glow(640, 90, 90, (255, 240, 200), 0.25)
    c.circle(640, 90, 34, (255, 248, 220))
    c.circle(628, 82, 7, (236, 226, 196), 0.8)
    c.circle(652, 100, 5, (236, 226, 196), 0.8)
    # far city
    x = 0
    while x < 800:
        w = rng.randint(40, 90)
        h = rng.randint(120, 240)
        c.rect((x, 420 - h, x + w, 420), (40, 40, 84))
        for wy in range(420 - h + 12, 410, 18):
            for wx in range(x + 8, x + w - 8, 14):
                if rng.random() < 0.35:
                    c.rect((wx, wy, wx + 7, wy + 9), (255, 220, 140), opacity=0.75)
        x += w + rng.randint(2, 12)
    # near buildings, a shop and a street lamp
    c.rect((0, 250, 230, 470), (30, 30, 58))
    for wy in range(270, 440, 40):
        for wx in range(20, 220, 50):
            lit = rng.random() < 0.5
            c.rect((wx, wy, wx + 30, wy + 24), (255, 214, 140) if lit else (50, 52, 90), opacity=0.9)
    c.rect((560, 300, 800, 470), (36, 34, 66))
    c.rect((580, 340, 800, 460), (255, 250, 235), gradient=((255, 252, 240), (220, 236, 250), 340, 460))
    c.rect((560, 300, 800, 336), (60, 160, 120))
    c.text((680, 318), "24時間", 20, (255, 255, 255), anchor="mm")
    for sx in range(600, 800, 40):
        c.rect((sx, 360, sx + 30, 420), (200, 210, 230))
        c.rect((sx + 4, 364, sx + 26, 380), (250, 180, 120))
    c.soft_glow(680, 410, 150, (255, 250, 220), 0.22)
    # road and sidewalk
    c.rect((0, 460, 800, 600), None, gradient=((54, 54, 80), (30, 30, 46), 460, 600))
    c.rect((0, 460, 800, 476), (90, 90, 120))
    for x0 in range(0, 800, 120):
        c.rect((x0 + 20, 540, x0 + 90, 548), (220, 220, 200), opacity=0.8)
    # street lamp
    c.rect((440, 180, 448, 470), (60, 64, 86))
    c.curve([(444, 184), (452, 160), (480, 154)], (60, 64, 86), 6)
    c.rrect((468, 150, 506, 164), 5, (80, 84, 106))
    c.soft_glow(487, 180, 140, (255, 230, 160), 0.35)
    c.polygon([(470, 164), (504, 164), (560, 470), (414, 470)], (255, 236, 170), opacity=0.12)
    c.ellipse((420, 455, 550, 480), (255, 236, 170), opacity=0.18)
    return c.opaque()


def staff_roll():
    """STAFF: the credits, shown alone until the next click."""
    c = Canvas(*SIZE, background=(16, 20, 40), scale=BG_SCALE)
    c.rect((0, 0, 800, 600), None, gradient=((26, 34, 70), (10, 12, 26), 0, 600))
    rng = random.Random(4)
    for _ in range(60):
        c.circle(rng.uniform(0, 800), rng.uniform(0, 600), rng.choice((0.6, 0.9, 1.3)), (200, 220, 255),
                 opacity=rng.uniform(0.3, 0.8))
    c.text((400, 70), "スタッフ", 34, (255, 255, 255), anchor="mm", shadow=(0, 0, 0), shadow_offset=(2, 3))
    c.line([(250, 100), (550, 100)], (120, 200, 255), 1.5)
    rows = [("シナリオ", "Ondrell デモ制作班"), ("キャラクター", "Ondrell デモ制作班"), ("背景・画面", "Python + Pillow で描画"),
            ("音楽", "numpy で合成"), ("ボイス", "eSpeak NG"), ("フォント", "IPAゴシック"),
            ("エンジン", "Ondrell ver. 1.20")]
    y = 150
    for role, who in rows:
        c.text((330, y), role, 20, (140, 200, 255), anchor="rm")
        c.text((360, y), who, 22, (255, 255, 255), anchor="lm")
        y += 46
    c.text((400, 500), "遊んでくれて、ありがとう！", 24, (255, 220, 140), anchor="mm", shadow=(0, 0, 0),
           shadow_offset=(2, 2))
    c.text((400, 560), "クリックするとタイトルに戻ります", 16, (170, 180, 210), anchor="mm")
    return c.opaque()
