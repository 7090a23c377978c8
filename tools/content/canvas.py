"""Supersampled vector drawing for the demo pictures.

A Canvas is drawn at SCALE times its final size and shrunk with a box
filter, which gives smooth edges everywhere inside a picture. Coordinates
passed to every method are in final pixels (floats allowed). A picture that
is laid over the game through a black-and-white mask is split by
`masked()`: the mask is the thresholded coverage, and the picture is forced
to white wherever the mask is black, as the engine's OR-then-AND blend needs.
"""

import contextlib
import math

import numpy as np
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

FONT_PATH = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
PROPORTIONAL_FONT_PATH = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"
SCALE = 4

_fonts = {}


def font(size, proportional=False):
    key = (size, proportional)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(PROPORTIONAL_FONT_PATH if proportional else FONT_PATH, size)
    return _fonts[key]


def mix(a, b, t):
    """Colour between a and b (t 0 gives a, 1 gives b)."""
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def catmull_rom(points, closed=True, steps=10):
    """Smooth curve through the points (a closed loop or an open path)."""
    pts = list(points)
    n = len(pts)
    if n < 3:
        return pts
    out = []
    last = n if closed else n - 1
    for i in range(last):
        p0 = pts[(i - 1) % n] if closed or i > 0 else pts[0]
        p1 = pts[i]
        p2 = pts[(i + 1) % n]
        p3 = pts[(i + 2) % n] if closed or i + 2 < n else pts[-1]
        for s in range(steps):
            t = s / steps
            t2, t3 = t * t, t * t * t
            out.append(tuple(0.5 * ((2 * p1[k]) + (-p0[k] + p2[k]) * t + (2 * p0[k] - 5 * p1[k] + 4 * p2[k] - p3[k]) * t2 +
                                    (-p0[k] + 3 * p1[k] - 3 * p2[k] + p3[k]) * t3) for k in range(2)))
    if not closed:
        out.append(pts[-1])
    return out


def arc_points(cx, cy, rx, ry, start_deg, end_deg, steps=24):
    return [(cx + rx * math.cos(math.radians(a)), cy + ry * math.sin(math.radians(a)))
            for a in np.linspace(start_deg, end_deg, steps)]


class Canvas:
    def __init__(self, width, height, background=None, scale=SCALE):
        self.width, self.height, self.s = width, height, scale
        fill = (0, 0, 0, 0) if background is None else tuple(background) + (255,)
        self.img = Image.new("RGBA", (width * scale, height * scale), fill)
        self.dx, self.dy, self.k = 0.0, 0.0, 1.0
        self.clip = None  # coverage mask that limits painting, or None

    @contextlib.contextmanager
    def clipped(self, mask):
        """Paints what follows only inside `mask` (a coverage mask from new_mask)."""
        saved = self.clip
        self.clip = mask if saved is None else ImageChops.multiply(saved, mask)
        try:
            yield
        finally:
            self.clip = saved

    def shape_mask(self, kind, *args, **kwargs):
        """Coverage mask of one shape: kind is "ellipse", "polygon", "blob" or "rrect"."""
        m, d = self.new_mask()
        if kind == "ellipse":
            d.ellipse(self._box(args[0]), fill=255)
        elif kind == "polygon":
            d.polygon(self._xy(args[0]), fill=255)
        elif kind == "blob":
            d.polygon(self._xy(catmull_rom(args[0], closed=True)), fill=255)
        elif kind == "rrect":
            d.rounded_rectangle(self._box(args[0]), radius=self._len(args[1]), fill=255)
        else:
            raise ValueError(kind)
        return m

    @contextlib.contextmanager
    def transform(self, dx, dy, k=1.0):
        """Draws what follows moved by (dx, dy) and scaled by k (around the origin)."""
        saved = (self.dx, self.dy, self.k)
        self.dx, self.dy, self.k = self.dx + dx * self.k, self.dy + dy * self.k, self.k * k
        try:
            yield
        finally:
            self.dx, self.dy, self.k = saved

    def _len(self, length):
        return length * self.k * self.s

    # --- masks: shapes are first drawn as coverage, then painted -----------
    def new_mask(self):
        m = Image.new("L", self.img.size, 0)
        return m, ImageDraw.Draw(m)

    def _xy(self, pts):
        return [((x * self.k + self.dx) * self.s, (y * self.k + self.dy) * self.s) for x, y in pts]

    def _box(self, box):
        (x0, y0), (x1, y1) = self._xy([box[:2], box[2:]])
        return [x0, y0, x1 - 1, y1 - 1]

    def paint(self, mask, colour, opacity=1.0, gradient=None):
        """Lays `colour` (or a gradient, see gradient_layer) over the canvas
        through the coverage `mask`."""
        if self.clip is not None:
            mask = ImageChops.multiply(mask, self.clip)
        bbox = mask.getbbox()
        if bbox is None:
            return
        m = mask.crop(bbox)
        if opacity < 1.0:
            m = m.point(lambda v: int(round(v * opacity)))
        if gradient is not None:
            layer = self.gradient_layer(bbox, *gradient)
        else:
            layer = Image.new("RGBA", m.size, tuple(colour) + (255,))
        layer.putalpha(m)
        region = self.img.crop(bbox)
        self.img.paste(Image.alpha_composite(region, layer), bbox[:2])

    def gradient_layer(self, bbox, top, bottom, y0=None, y1=None, horizontal=False):
        """RGBA layer over bbox (scaled pixels) with a linear gradient from `top`
        at y0 to `bottom` at y1 (final pixels; default the picture's edges)."""
        x_0, y_0, x_1, y_1 = bbox
        if horizontal:
            a = 0 if y0 is None else (y0 * self.k + self.dx) * self.s
            b = self.img.size[0] if y1 is None else (y1 * self.k + self.dx) * self.s
            t = np.clip((np.arange(x_0, x_1) + 0.5 - a) / max(b - a, 1), 0, 1)[None, :, None]
        else:
            a = 0 if y0 is None else (y0 * self.k + self.dy) * self.s
            b = self.img.size[1] if y1 is None else (y1 * self.k + self.dy) * self.s
            t = np.clip((np.arange(y_0, y_1) + 0.5 - a) / max(b - a, 1), 0, 1)[:, None, None]
        top = np.array(top, dtype=np.float32)[None, None, :]
        bottom = np.array(bottom, dtype=np.float32)[None, None, :]
        rgb = np.broadcast_to(top + (bottom - top) * t, (y_1 - y_0, x_1 - x_0, 3))
        arr = np.empty((y_1 - y_0, x_1 - x_0, 4), dtype=np.uint8)
        arr[:, :, :3] = np.clip(np.rint(rgb), 0, 255)
        arr[:, :, 3] = 255
        return Image.fromarray(arr, "RGBA")

    # --- shapes -------------------------------------------------------------
    def rect(self, box, colour, opacity=1.0, gradient=None):
        m, d = self.new_mask()
        d.rectangle(self._box(box), fill=255)
        self.paint(m, colour, opacity, gradient)

    def rrect(self, box, radius, colour, opacity=1.0, gradient=None, outline=None, width=0):
        m, d = self.new_mask()
        d.rounded_rectangle(self._box(box), radius=self._len(radius), fill=255)
        self.paint(m, colour, opacity, gradient)
        if outline is not None:
            self.rrect_outline(box, radius, outline, width, opacity)

    def rrect_outline(self, box, radius, colour, width, opacity=1.0):
        m, d = self.new_mask()
        d.rounded_rectangle(self._box(box), radius=self._len(radius), outline=255, width=max(1, int(round(self._len(width)))))
        self.paint(m, colour, opacity)

    def ellipse(self, box, colour, opacity=1.0, gradient=None):
        m, d = self.new_mask()
        d.ellipse(self._box(box), fill=255)
        self.paint(m, colour, opacity, gradient)

    def circle(self, cx, cy, r, colour, opacity=1.0, gradient=None):
        self.ellipse((cx - r, cy - r, cx + r, cy + r), colour, opacity, gradient)

    def ring(self, cx, cy, r, colour, width, opacity=1.0):
        m, d = self.new_mask()
        d.ellipse(self._box((cx - r, cy - r, cx + r, cy + r)), outline=255, width=max(1, int(round(self._len(width)))))
        self.paint(m, colour, opacity)

    def polygon(self, pts, colour, opacity=1.0, gradient=None):
        m, d = self.new_mask()
        d.polygon(self._xy(pts), fill=255)
        self.paint(m, colour, opacity, gradient)

    def blob(self, pts, colour, opacity=1.0, gradient=None, outline=None, width=0):
        """A smooth closed shape through the points."""
        curve = catmull_rom(pts, closed=True)
        if outline is not None:
            self.line(curve + [curve[0]], outline, width * 2, opacity)
        self.polygon(curve, colour, opacity, gradient)

    def line(self, pts, colour, width, opacity=1.0, round_caps=True):
        m, d = self.new_mask()
        w = max(1, int(round(self._len(width))))
        xy = self._xy(pts)
        d.line(xy, fill=255, width=w, joint="curve")
        if round_caps:
            r = w / 2
            for x, y in (xy[0], xy[-1]):
                d.ellipse([x - r, y - r, x + r, y + r], fill=255)
        self.paint(m, colour, opacity)

    def curve(self, pts, colour, width, opacity=1.0):
        self.line(catmull_rom(pts, closed=False), colour, width, opacity)

    def soft_glow(self, cx, cy, r, colour, opacity=0.5):
        """A blurred disc, for lamps and highlights."""
        m, d = self.new_mask()
        d.ellipse(self._box((cx - r * 0.6, cy - r * 0.6, cx + r * 0.6, cy + r * 0.6)), fill=255)
        (bx0, by0), (bx1, by1) = self._xy([(cx - r * 1.3, cy - r * 1.3), (cx + r * 1.3, cy + r * 1.3)])
        bbox = [max(0, int(bx0)), max(0, int(by0)), min(self.img.size[0], int(bx1)), min(self.img.size[1], int(by1))]
        if bbox[2] <= bbox[0] or bbox[3] <= bbox[1]:
            return
        part = m.crop(bbox).filter(ImageFilter.GaussianBlur(self._len(r * 0.35)))
        full = Image.new("L", self.img.size, 0)
        full.paste(part, bbox[:2])
        self.paint(full, colour, opacity)

    # --- text ---------------------------------------------------------------
    def text_size(self, text, size, proportional=False):
        f = font(int(round(self._len(size))), proportional)
        x0, y0, x1, y1 = f.getbbox(text)
        return (x1 - x0) / self._len(1), (y1 - y0) / self._len(1)

    def text(self, xy, text, size, colour, anchor="la", opacity=1.0, outline=None, outline_width=0,
             shadow=None, shadow_offset=(0, 0), proportional=False, spacing=0, gradient=None):
        """Draws text with its anchor at xy (Pillow anchors: "mm" centre, "la"
        left-ascender, ...). An outline and a drop shadow are optional."""
        f = font(int(round(self._len(size))), proportional)
        (x, y), = self._xy([xy])
        stroke = int(round(self._len(outline_width)))
        gap = self._len(spacing)
        align = {"l": "left", "m": "center", "r": "right"}.get(anchor[0], "left")
        if shadow is not None:
            m, d = self.new_mask()
            d.text((x + self._len(shadow_offset[0]), y + self._len(shadow_offset[1])), text, font=f, fill=255,
                   anchor=anchor, stroke_width=stroke, spacing=gap, align=align)
            self.paint(m.filter(ImageFilter.GaussianBlur(self._len(1.2))), shadow, opacity * 0.8)
        if outline is not None and outline_width > 0:
            m, d = self.new_mask()
            d.text((x, y), text, font=f, fill=255, anchor=anchor, stroke_width=stroke, spacing=gap, align=align)
            self.paint(m, outline, opacity)
        m, d = self.new_mask()
        d.text((x, y), text, font=f, fill=255, anchor=anchor, spacing=gap, align=align)
        self.paint(m, colour, opacity, gradient)

    # --- results ------------------------------------------------------------
    def image(self):
        """The finished picture as RGBA at final size."""
        return self.img.resize((self.width, self.height), Image.BOX)

    def opaque(self):
        """Final RGB pixels (height x width x 3) of a canvas without transparency."""
        return np.asarray(self.image().convert("RGB")).copy()

    def masked(self, threshold=128):
        """(picture, mask) as RGB arrays: the mask is white where the coverage
        reaches the threshold and black elsewhere; the picture is white where
        the mask is black."""
        rgba = np.asarray(self.image())
        visible = rgba[:, :, 3] >= threshold
        return split_masked(rgba[:, :, :3], visible)


def split_masked(rgb, visible):
    picture = np.where(visible[:, :, None], rgb, 255).astype(np.uint8)
    mask = np.where(visible[:, :, None], 255, 0).astype(np.uint8).repeat(3, axis=2)
    return picture, mask


def composite_over(base, rgb, visible, x, y):
    """Copies the visible pixels of rgb into base at (x, y) (for previews)."""
    h, w = visible.shape
    region = base[y:y + h, x:x + w]
    hh, ww = region.shape[:2]
    region[:] = np.where(visible[:hh, :ww, None], rgb[:hh, :ww], region)
    return base
