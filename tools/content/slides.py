"""The seventeen explanatory slides (SLIDE_1..17) and the blank card
(SLIDE_DUMMY). All slides are one rounded card of the same shape, so they
share SLIDE_MASK: a coloured title band, bullet points on the left and a
small diagram on the right."""

import math

from canvas import Canvas, mix
from registry import SIZES

W, H = SIZES["SLIDE_MASK"]
INK = (40, 48, 70)
SOFT = (110, 120, 150)
WHITE = (255, 255, 255)
RED = (220, 80, 80)
BLUE = (60, 110, 210)
GREEN = (50, 160, 100)
ORANGE = (240, 150, 50)
CHAPTER_COLOURS = {1: ((70, 130, 230), (40, 80, 170)), 2: ((40, 170, 160), (20, 110, 120)),
                   3: ((150, 100, 220), (90, 60, 160)), 4: ((240, 140, 70), (200, 90, 50))}


def card(c, band=None, number=None, title=None):
    c.rrect((0, 0, W, H), 16, (170, 190, 225))
    c.rrect((2, 2, W - 2, H - 2), 14, WHITE, gradient=((255, 255, 255), (236, 242, 252), 0, H))
    if band is not None:
        top, bottom = band
        with c.clipped(c.shape_mask("rrect", (2, 2, W - 2, H - 2), 14)):
            c.rect((0, 0, W, 58), top, gradient=(top, bottom, 0, 58))
            c.rect((0, 58, W, 61), mix(bottom, WHITE, 0.4))
        c.text((26, 30), title, 27, WHITE, anchor="lm", outline=mix(bottom, (0, 0, 0), 0.3), outline_width=1.2)
        if number is not None:
            c.text((W - 24, 30), "No.%d" % number, 15, mix(top, WHITE, 0.7), anchor="rm")
    c.text((W - 20, H - 14), "ビットの放課後　はじめてのコンピュータ講座", 10.5, SOFT, anchor="rm")


def bullets(c, items, x=30, y=88, size=18.5, gap=12):
    for item in items:
        lines = item.split("\n")
        c.circle(x + 6, y + size * 0.55, 5, BLUE)
        for i, line in enumerate(lines):
            c.text((x + 20, y), line, size, INK)
            y += size + 6
        y += gap


def box(c, rect, label, fill, size=17, ink=WHITE, radius=8):
    c.rrect(rect, radius, mix(fill, (0, 0, 0), 0.25))
    c.rrect((rect[0] + 1.5, rect[1] + 1.5, rect[2] - 1.5, rect[3] - 1.5), radius - 1, fill,
            gradient=(mix(fill, WHITE, 0.2), fill, rect[1], rect[3]))
    if label:
        c.text(((rect[0] + rect[2]) / 2, (rect[1] + rect[3]) / 2 + 1), label, size, ink, anchor="mm", spacing=4)


def arrow(c, a, b, colour=SOFT, width=2.6, head=9):
    (x0, y0), (x1, y1) = a, b
    angle = math.atan2(y1 - y0, x1 - x0)
    bx, by = x1 - head * math.cos(angle), y1 - head * math.sin(angle)
    c.line([(x0, y0), (bx, by)], colour, width)
    left = (bx + head * 0.6 * math.sin(angle), by - head * 0.6 * math.cos(angle))
    right = (bx - head * 0.6 * math.sin(angle), by + head * 0.6 * math.cos(angle))
    c.polygon([(x1, y1), left, right], colour)


# --- diagrams (right half: x 400..720, y 76..320) -----------------------

def d_five_units(c):
    box(c, (500, 150, 620, 230), "CPU\n演算・制御", BLUE, 16)
    box(c, (400, 86, 480, 130), "入力", GREEN, 16)
    box(c, (640, 86, 720, 130), "出力", ORANGE, 16)
    box(c, (500, 268, 620, 312), "記憶", (140, 100, 210), 16)
    arrow(c, (480, 118), (510, 150))
    arrow(c, (610, 150), (650, 130))
    arrow(c, (550, 232), (550, 266))
    arrow(c, (570, 266), (570, 232))
    c.text((430, 160), "キーボード\nマウス", 12, SOFT, spacing=3)
    c.text((650, 150), "画面\nスピーカー", 12, SOFT, spacing=3)


def d_cpu_cycle(c):
    centre, r = (560, 200), 88
    labels = [("フェッチ\n読む", BLUE), ("デコード\n解読", GREEN), ("実行", ORANGE)]
    pts = []
    for i, (label, colour) in enumerate(labels):
        a = math.radians(-90 + i * 120)
        x, y = centre[0] + r * math.cos(a), centre[1] + r * math.sin(a)
        pts.append((x, y))
    for i in range(3):
        a0 = math.radians(-90 + i * 120 + 28)
        a1 = math.radians(-90 + (i + 1) * 120 - 28)
        mids = [(centre[0] + r * math.cos(a0 + (a1 - a0) * t), centre[1] + r * math.sin(a0 + (a1 - a0) * t))
                for t in (0, 0.5, 0.92)]
        c.curve(mids, SOFT, 2.6)
        arrow(c, mids[-2], (centre[0] + r * math.cos(a1), centre[1] + r * math.sin(a1)), SOFT, 2.6, 10)
    for (x, y), (label, colour) in zip(pts, labels):
        c.circle(x, y, 38, mix(colour, (0, 0, 0), 0.2))
        c.circle(x, y, 36, colour)
        c.text((x, y + 1), label, 14, WHITE, anchor="mm", spacing=2)
    c.text(centre, "くり返し", 14, SOFT, anchor="mm")


def d_memory(c):
    values = ["48", "65", "6C", "6C", "6F", "00"]
    for i, v in enumerate(values):
        y = 86 + i * 38
        c.text((488, y + 17), "%d番地" % i, 15, SOFT, anchor="rm")
        box(c, (500, y, 640, y + 34), v, (90, 140, 220) if i < 5 else (160, 170, 190), 18, radius=4)
    c.text((660, 100), "1マスに\n1バイト", 14, INK, spacing=4)
    arrow(c, (690, 140), (646, 170), RED)


def d_binary(c):
    bits = "10110010"
    for i, b in enumerate(bits):
        x = 404 + i * 39
        c.text((x + 17, 112), str(2 ** (7 - i)), 12, SOFT, anchor="mm")
        box(c, (x, 124, x + 34, 164), b, BLUE if b == "1" else (170, 180, 200), 20, radius=5)
    c.text((560, 200), "128＋32＋16＋2 ＝ 178", 19, INK, anchor="mm")
    c.rrect((420, 236, 700, 300), 10, (255, 244, 220))
    c.text((560, 256), "8ビット ＝ 1バイト", 20, ORANGE, anchor="mm")
    c.text((560, 284), "0 から 255 まで表せる", 15, SOFT, anchor="mm")


def d_os_layers(c):
    box(c, (420, 86, 700, 140), "アプリ（ゲーム・ブラウザ）", ORANGE, 16)
    box(c, (420, 160, 700, 220), "OS", BLUE, 24)
    box(c, (420, 240, 700, 300), "ハードウェア\nCPU・メモリ・SSD", (110, 120, 140), 14)
    for x in (480, 560, 640):
        arrow(c, (x, 142), (x, 158), SOFT, 2, 6)
        arrow(c, (x, 222), (x, 238), SOFT, 2, 6)


def d_processes(c):
    for i, (name, colour) in enumerate((("プロセスA", BLUE), ("プロセスB", GREEN))):
        x = 404 + i * 166
        c.rrect((x, 90, x + 146, 300), 10, mix(colour, WHITE, 0.82))
        c.rrect_outline((x, 90, x + 146, 300), 10, colour, 2)
        c.text((x + 73, 112), name, 16, colour, anchor="mm")
        for j in range(4):
            c.rect((x + 18, 136 + j * 38, x + 128, 164 + j * 38), mix(colour, WHITE, 0.5))
        c.text((x + 73, 286), "専用メモリ", 12, SOFT, anchor="mm")
    c.line([(560, 86), (560, 306)], RED, 3)
    c.text((560, 318), "壁", 13, RED, anchor="mm")


def d_threads(c):
    c.rrect((404, 86, 716, 306), 12, mix(BLUE, WHITE, 0.85))
    c.rrect_outline((404, 86, 716, 306), 12, BLUE, 2)
    c.text((560, 104), "プロセス", 15, BLUE, anchor="mm")
    for i, colour in enumerate((RED, GREEN, ORANGE)):
        x = 440 + i * 50
        pts = [(x + 8 * math.sin(t / 2.0), 124 + t * 10) for t in range(15)]
        c.curve(pts, colour, 3)
        arrow(c, pts[-2], (pts[-1][0], pts[-1][1] + 8), colour, 3, 8)
        c.text((x, 292), "T%d" % (i + 1), 13, colour, anchor="mm")
    box(c, (590, 150, 700, 250), "共有\nメモリ", (140, 100, 210), 16)
    for y in (160, 200, 240):
        c.line([(566, y), (588, 200)], SOFT, 1.5)


def d_mutex(c):
    box(c, (540, 120, 640, 260), "共有\nデータ", (140, 100, 210), 17)
    # the lock
    c.ring(590, 110, 16, (90, 90, 110), 5)
    c.rrect((570, 104, 610, 136), 5, (250, 200, 70))
    c.circle(590, 118, 4, (90, 70, 30))
    box(c, (408, 110, 498, 150), "スレッド1", GREEN, 15)
    c.text((453, 170), "鍵を持っている", 12, GREEN, anchor="mm")
    arrow(c, (500, 130), (536, 150), GREEN)
    box(c, (408, 226, 498, 266), "スレッド2", (160, 164, 180), 15)
    c.text((453, 286), "順番待ち…", 12, SOFT, anchor="mm")
    c.line([(500, 246), (524, 240)], SOFT, 2)
    c.line([(518, 230), (530, 250)], RED, 3)
    c.line([(530, 230), (518, 250)], RED, 3)


def d_file(c):
    c.polygon([(420, 96), (500, 96), (530, 126), (530, 236), (420, 236)], (120, 160, 230))
    c.polygon([(423, 99), (498, 99), (527, 128), (527, 233), (423, 233)], WHITE)
    c.polygon([(500, 96), (500, 126), (530, 126)], (120, 160, 230))
    for i in range(5):
        c.line([(436, 140 + i * 18), (512, 140 + i * 18)], (190, 200, 220), 2)
    c.text((475, 256), "script.scr", 15, INK, anchor="mm")
    arrow(c, (540, 166), (580, 166), SOFT)
    for i, v in enumerate(["40", "42", "47", "4D", "5B", "31", "5D", "…"]):
        x, y = 590 + (i % 2) * 60, 90 + (i // 2) * 42
        box(c, (x, y, x + 52, y + 34), v, (90, 140, 220) if v != "…" else (170, 180, 200), 16, radius=4)
    c.text((640, 282), "中身はバイトの列", 13, SOFT, anchor="mm")


def d_compression(c):
    c.text((412, 96), "元のデータ（12バイト）", 14, SOFT)
    for i, ch in enumerate("AAAAAABBBBCC"):
        x = 412 + i * 25
        box(c, (x, 120, x + 22, 150), ch, {"A": BLUE, "B": GREEN, "C": ORANGE}[ch], 14, radius=3)
    arrow(c, (560, 160), (560, 200), RED, 3, 10)
    c.text((580, 180), "数えてまとめる", 13, RED, anchor="lm")
    c.text((412, 212), "圧縮後（6バイト）", 14, SOFT)
    for i, (ch, n) in enumerate((("A", "6"), ("B", "4"), ("C", "2"))):
        x = 412 + i * 96
        colour = {"A": BLUE, "B": GREEN, "C": ORANGE}[ch]
        box(c, (x, 236, x + 40, 270), ch, colour, 16, radius=4)
        box(c, (x + 44, 236, x + 84, 270), n, mix(colour, WHITE, 0.35), 16, ink=INK, radius=4)
    c.text((560, 300), "ランレングス圧縮", 15, INK, anchor="mm")


def d_charcode(c):
    c.rrect((410, 110, 500, 200), 12, (255, 244, 220))
    c.text((455, 157), "あ", 60, INK, anchor="mm")
    arrow(c, (506, 140), (540, 118), SOFT)
    arrow(c, (506, 170), (540, 210), SOFT)
    c.text((548, 96), "Shift_JIS", 14, BLUE)
    for i, v in enumerate(["82", "A0"]):
        box(c, (548 + i * 46, 116, 590 + i * 46, 148), v, BLUE, 16, radius=4)
    c.text((548, 186), "UTF-8", 14, GREEN)
    for i, v in enumerate(["E3", "81", "82"]):
        box(c, (548 + i * 46, 206, 590 + i * 46, 238), v, GREEN, 16, radius=4)
    c.text((560, 288), "約束が違うと「文字化け」", 15, RED, anchor="mm")


def d_bitmap(c):
    art = ["..RR.RR..", ".RRRRRRR.", ".RRRRRRR.", "..RRRRR..", "...RRR...", "....R...."]
    size = 26
    x0, y0 = 420, 96
    for j, row in enumerate(art):
        for i, ch in enumerate(row):
            colour = (236, 80, 110) if ch == "R" else (236, 240, 248)
            c.rect((x0 + i * size, y0 + j * size, x0 + (i + 1) * size - 2, y0 + (j + 1) * size - 2), colour)
    c.rrect_outline((x0 + 3 * size - 3, y0 + size - 3, x0 + 4 * size + 1, y0 + 2 * size + 1), 3, BLUE, 2.5)
    c.text((560, 280), "1マス＝1画素（赤・緑・青）", 15, INK, anchor="mm")
    c.text((560, 304), "(236, 80, 110)", 14, BLUE, anchor="mm")


def d_mask(c):
    y = 110
    # picture: a star on white
    def star(cx, cy, r, colour):
        pts = []
        for i in range(10):
            a = math.radians(-90 + i * 36)
            rr = r if i % 2 == 0 else r * 0.45
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        c.polygon(pts, colour)
    c.rect((404, y, 494, y + 90), WHITE)
    star(449, y + 48, 38, (250, 190, 40))
    c.rect((512, y, 602, y + 90), (0, 0, 0))
    star(557, y + 48, 38, WHITE)
    c.rect((620, y, 710, y + 90), (120, 180, 240), gradient=((120, 180, 240), (60, 150, 100), y, y + 90))
    star(665, y + 48, 38, (250, 190, 40))
    for x, label in ((449, "絵"), (557, "マスク"), (665, "重ねた結果")):
        c.text((x, y + 108), label, 14, INK, anchor="mm")
    c.text((503, y + 45), "＋", 16, SOFT, anchor="mm")
    c.text((611, y + 45), "＝", 16, SOFT, anchor="mm")
    c.text((560, 272), "白＝見せる所　黒＝透ける所", 15, INK, anchor="mm")


def d_layers(c):
    layers = [("背景", (120, 180, 240)), ("キャラクター", (240, 150, 170)), ("メッセージ", (60, 70, 110))]
    for i, (label, colour) in enumerate(layers):
        x, y = 420 + i * 40, 82 + i * 46
        c.rrect((x, y, x + 200, y + 110), 8, mix(colour, (0, 0, 0), 0.2))
        c.rrect((x + 2, y + 2, x + 198, y + 108), 7, colour)
        c.text((x + 12, y + 18), "%d. %s" % (i + 1, label), 15, WHITE, anchor="lm", outline=(40, 40, 60),
               outline_width=1)
    c.text((560, 312), "奥から順に重ねる", 14, SOFT, anchor="mm")


def d_frames(c):
    c.rect((400, 110, 720, 250), (50, 50, 60))
    for i in range(4):
        x = 410 + i * 78
        c.rect((x, 126, x + 68, 234), (236, 242, 252))
        by = 210 - 70 * math.sin(math.pi * i / 3.0) if i < 4 else 210
        c.circle(x + 34, by, 11, RED)
        c.rect((x, 224, x + 68, 234), (140, 190, 120))
    for i in range(9):
        c.rect((404 + i * 36, 114, 418 + i * 36, 120), (220, 220, 230))
        c.rect((404 + i * 36, 240, 418 + i * 36, 246), (220, 220, 230))
    c.text((560, 280), "1秒間に15枚 ＝ 15 fps", 17, INK, anchor="mm")


def d_sampling(c):
    x0, x1, mid, amp = 410, 710, 190, 70
    c.line([(x0, mid), (x1, mid)], (200, 206, 220), 1.5)
    pts = [(x0 + t, mid - amp * math.sin(2 * math.pi * t / 150.0)) for t in range(0, x1 - x0 + 1, 4)]
    c.curve(pts, (150, 170, 220), 2.5)
    for i in range(0, 21):
        x = x0 + i * 15
        y = mid - amp * math.sin(2 * math.pi * (x - x0) / 150.0)
        c.line([(x, mid), (x, y)], ORANGE, 2)
        c.circle(x, y, 4, RED)
    c.text((560, 292), "決まった間隔で高さを測る", 15, INK, anchor="mm")


def d_summary(c):
    nodes = {"CPU": (470, 110), "メモリ": (640, 110), "OS": (555, 180), "ファイル": (450, 260), "画面": (660, 260)}
    for a, b in (("CPU", "メモリ"), ("CPU", "OS"), ("メモリ", "OS"), ("OS", "ファイル"), ("OS", "画面")):
        c.line([nodes[a], nodes[b]], (170, 180, 210), 3)
    for name, (x, y) in nodes.items():
        colour = {"CPU": BLUE, "メモリ": (140, 100, 210), "OS": GREEN, "ファイル": ORANGE, "画面": RED}[name]
        c.circle(x, y, 36, mix(colour, (0, 0, 0), 0.2))
        c.circle(x, y, 34, colour)
        c.text((x, y + 1), name, 16, WHITE, anchor="mm")


SLIDES = [
    (1, "コンピュータの５つの装置", ["入力装置：キーボード、マウス", "出力装置：画面、スピーカー", "記憶装置：メモリ、SSD",
                                  "演算装置と制御装置：\nまとめて CPU"], d_five_units),
    (1, "CPU（中央処理装置）", ["命令を１つずつ読んで実行する", "読む→解読→実行 をくり返す", "１秒間に数十億回も！"], d_cpu_cycle),
    (1, "メモリ", ["作業中のデータを置く机", "１バイトごとに番地（アドレス）", "電源を切ると中身は消える"], d_memory),
    (1, "2進数とバイト", ["０と１だけで数を表す", "１けた ＝ １ビット", "８ビット ＝ １バイト"], d_binary),
    (2, "OS（オペレーティングシステム）", ["コンピュータ全体の管理係", "CPUやメモリをアプリに配る", "例：Windows、Linux"], d_os_layers),
    (2, "プロセス", ["実行中のプログラム１つ分", "それぞれ専用のメモリを持つ", "ほかのプロセスの中は\n見えない"], d_processes),
    (2, "スレッド", ["プロセスの中の「仕事の流れ」", "１つのプロセスに何本も持てる", "メモリを共有するので\n取り合いに注意"], d_threads),
    (2, "ミューテックス", ["共有データの「鍵」", "鍵を持つスレッドだけが触れる", "使い終わったら必ず返す"], d_mutex),
    (2, "ファイル", ["名前のついたデータのかたまり", "電源を切っても残る", "中身はただのバイトの列"], d_file),
    (2, "圧縮", ["データを小さくまとめる技術", "くり返しを数で書きかえる", "元に戻せる可逆圧縮と\n戻せない非可逆圧縮"], d_compression),
    (3, "文字コード", ["文字に番号をつける約束", "同じ「あ」でも約束ごとに\n番号が違う", "ゲームの台本は Shift_JIS"], d_charcode),
    (3, "ビットマップ", ["画像を小さな点の並びで表す", "１つの点 ＝ 画素（ピクセル）", "色は赤・緑・青の３つの数"], d_bitmap),
    (3, "マスク", ["絵の「見せる所」を白黒で示す", "白は見せる、黒は透ける", "キャラを背景に重ねるときに\n使う"], d_mask),
    (3, "描画", ["画面に絵をかくこと", "奥から順に重ねていく", "変わった所だけかき直すと\n速い"], d_layers),
    (3, "フレーム", ["動きを作る１枚１枚の絵", "少しずつ違う絵を次々に出す", "１秒の枚数がフレームレート"], d_frames),
    (4, "サンプリング", ["音の波を数の列にする", "１秒間に 44100 回測る", "数の列が WAV ファイルの中身"], d_sampling),
    (4, "まとめ", ["CPU が命令を実行し", "メモリとファイルにデータを置き", "OS がみんなをまとめている"], d_summary),
]


def slide(number):
    chapter, title, items, diagram = SLIDES[number - 1]
    c = Canvas(W, H, scale=3)
    card(c, CHAPTER_COLOURS[chapter], number, title)
    bullets(c, items)
    c.line([(392, 80), (392, 320)], (210, 218, 235), 1.2)
    diagram(c)
    return c.masked()


def slide_dummy():
    c = Canvas(W, H, scale=3)
    card(c)
    c.text((W / 2, H / 2 - 16), "スライド", 30, (170, 180, 205), anchor="mm")
    c.text((W / 2, H / 2 + 24), "SLIDE", 16, (190, 198, 220), anchor="mm")
    return c.masked()
