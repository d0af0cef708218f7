#!/usr/bin/env python3
"""Draws the bitmaps of the default skin (buttons, check box, progress bar,
close button) at the display scales the dialogs use: 100, 125, 150 and 175 %
(96 to 168 DPI; 192 DPI displays are drawn at the 168 DPI cap). The toolkit
picks the file of the scale it draws at (name.png, name@125.png, ...) and
draws the frame borders of stretchable images unscaled (their `grid` key), so
corners and borders stay crisp at every size.

Pure Python (no image library): shapes are sampled 4 x 4 times per pixel and
written as 8-bit RGBA PNG. The output is the same on every run.

Usage: tools/make-skin-bitmaps.py [folder]
       (default: skins/default/Bitmaps/ZvAutoUpdate/Dialogs/Images)
"""
import math
import os
import struct
import sys
import zlib

SCALES = (100, 125, 150, 175)
SAMPLES = 4


def scaled(value, scale):
    """value at 96 DPI in pixels at scale percent, rounded as MulDiv rounds."""
    return int(math.floor(value * scale / 100.0 + 0.5))


def write_png(path, width, height, pixels):
    """pixels: rows of (r, g, b, a) tuples."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as out:
        out.write(png)


def rounded_box_distance(x, y, left, top, right, bottom, radius):
    """Signed distance of a point to a rounded rectangle (negative inside)."""
    cx, cy = (left + right) / 2.0, (top + bottom) / 2.0
    hx, hy = (right - left) / 2.0 - radius, (bottom - top) / 2.0 - radius
    qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def blend(under, over, coverage):
    """Source-over of colour over (with alpha) onto under, both straight RGBA floats."""
    a = over[3] * coverage
    out_a = a + under[3] * (1.0 - a)
    if out_a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    rgb = [(over[i] * a + under[i] * under[3] * (1.0 - a)) / out_a for i in range(3)]
    return (rgb[0], rgb[1], rgb[2], out_a)


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0.0, 0.0, 0.0, 0.0) for _ in range(width)] for _ in range(height)]

    def fill(self, inside, color):
        """inside(x, y) -> True for points of the shape; color(x, y) -> RGBA floats 0..1."""
        step = 1.0 / SAMPLES
        for py in range(self.height):
            for px in range(self.width):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(px + (sx + 0.5) * step, py + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    c = color(px + 0.5, py + 0.5)
                    self.pixels[py][px] = blend(self.pixels[py][px], c, hits / float(SAMPLES * SAMPLES))

    def rows(self):
        def byte(v):
            return max(0, min(255, int(round(v * 255.0))))
        return [[(byte(r), byte(g), byte(b), byte(a)) for r, g, b, a in row] for row in self.pixels]


def rgb(r, g, b, a=1.0):
    return (r / 255.0, g / 255.0, b / 255.0, a)


def mix(c1, c2, t):
    return tuple(c1[i] * (1.0 - t) + c2[i] * t for i in range(4))


def rounded_frame(canvas, left, width, height, radius, border, fill_top, fill_bottom, border_color):
    """A rounded rectangle at x = left: border ring, then a vertical gradient inside."""
    right, bottom = left + width, height
    canvas.fill(lambda x, y: rounded_box_distance(x, y, left, 0, right, bottom, radius) <= 0.0,
                lambda x, y: border_color)
    inner = radius - border if radius > border else 0.5
    canvas.fill(lambda x, y: rounded_box_distance(x, y, left + border, border, right - border,
                                                  bottom - border, inner) <= 0.0,
                lambda x, y: mix(fill_top, fill_bottom, y / float(height)))


def push_button(folder, name, states, scale):
    """Four states side by side: normal, hot, pressed, disabled. Stretched with grid 6."""
    side = scaled(24, scale)
    radius = 4.0 * scale / 100.0
    border = max(1, scaled(1, scale))
    canvas = Canvas(side * len(states), side)
    for index, (top, bottom, border_color) in enumerate(states):
        rounded_frame(canvas, index * side, side, side, radius, border, top, bottom, border_color)
    save(folder, name, scale, canvas)


def check_box(folder, scale):
    """Two states: unticked, ticked; drawn at the box size (14 at 96 DPI)."""
    side = scaled(14, scale)
    radius = 2.5 * scale / 100.0
    border = max(1, scaled(1, scale))
    blue, white = rgb(0, 103, 192), rgb(255, 255, 255)
    canvas = Canvas(side * 2, side)
    rounded_frame(canvas, 0, side, side, radius, border, white, rgb(246, 248, 251), blue)
    rounded_frame(canvas, side, side, side, radius, border, blue, rgb(0, 90, 170), blue)
    # The tick: two strokes of the ticked box, in white.
    thickness = 1.6 * scale / 100.0
    points = [(side + side * 0.24, side * 0.52), (side + side * 0.42, side * 0.70), (side + side * 0.77, side * 0.30)]

    def near_stroke(x, y):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            if math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= thickness / 2.0 + 0.35:
                return True
        return False

    canvas.fill(near_stroke, lambda x, y: white)
    save(folder, "checkBox", scale, canvas)


def meter(folder, scale):
    """The progress bar's track and fill, each stretched with grid 4."""
    side = scaled(16, scale)
    radius = 3.0 * scale / 100.0
    border = max(1, scaled(1, scale))
    track = Canvas(side, side)
    rounded_frame(track, 0, side, side, radius, border, rgb(228, 232, 237), rgb(238, 241, 245), rgb(200, 206, 214))
    save(folder, "meterTrack", scale, track)
    fill = Canvas(side, side)
    rounded_frame(fill, 0, side, side, radius, border, rgb(38, 140, 226), rgb(0, 96, 180), rgb(0, 84, 158))
    save(folder, "meterFill", scale, fill)


def close_button(folder, scale):
    """Four states: normal, hot, pressed, disabled; a cross on a rounded square."""
    side = scaled(24, scale)
    radius = 3.0 * scale / 100.0
    states = [
        (None, rgb(90, 90, 90)),
        (rgb(232, 17, 35), rgb(255, 255, 255)),
        (rgb(176, 16, 28), rgb(255, 255, 255)),
        (None, rgb(180, 180, 180)),
    ]
    canvas = Canvas(side * len(states), side)
    arm = side * 0.22
    thickness = max(1.0, 1.25 * scale / 100.0)
    for index, (background, glyph) in enumerate(states):
        left = index * side
        if background:
            canvas.fill(lambda x, y, l=left: rounded_box_distance(x, y, l, 0, l + side, side, radius) <= 0.0,
                        lambda x, y, c=background: c)
        cx, cy = left + side / 2.0, side / 2.0

        def on_cross(x, y, cx=cx, cy=cy):
            u, v = x - cx, y - cy
            if abs(u) > arm + thickness or abs(v) > arm + thickness:
                return False
            return min(abs(u - v), abs(u + v)) / math.sqrt(2.0) <= thickness / 2.0 and \
                max(abs(u), abs(v)) <= arm + thickness / 2.0

        canvas.fill(on_cross, lambda x, y, c=glyph: c)
    save(folder, "closeButton", scale, canvas)


def save(folder, name, scale, canvas):
    suffix = "" if scale == 100 else "@%d" % scale
    path = os.path.join(folder, "%s%s.png" % (name, suffix))
    write_png(path, canvas.width, canvas.height, canvas.rows())
    print(path)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        root, "skins", "default", "Bitmaps", "ZvAutoUpdate", "Dialogs", "Images")
    os.makedirs(folder, exist_ok=True)
    blue = [
        (rgb(26, 122, 206), rgb(0, 98, 184), rgb(0, 84, 158)),
        (rgb(46, 144, 228), rgb(16, 118, 206), rgb(0, 84, 158)),
        (rgb(0, 84, 158), rgb(0, 92, 170), rgb(0, 70, 134)),
        (rgb(150, 190, 226), rgb(140, 182, 220), rgb(140, 178, 214)),
    ]
    grey = [
        (rgb(246, 247, 249), rgb(230, 234, 239), rgb(186, 194, 204)),
        (rgb(238, 244, 251), rgb(220, 231, 244), rgb(0, 103, 192)),
        (rgb(206, 214, 224), rgb(216, 222, 230), rgb(150, 160, 172)),
        (rgb(246, 247, 248), rgb(242, 243, 245), rgb(214, 218, 224)),
    ]
    for scale in SCALES:
        push_button(folder, "buttonDefault", blue, scale)
        push_button(folder, "button", grey, scale)
        check_box(folder, scale)
        meter(folder, scale)
        close_button(folder, scale)


if __name__ == "__main__":
    main()
