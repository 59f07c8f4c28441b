#!/usr/bin/python3
"""Draws the program's images: the menu and tool-bar strips, the keyword
tree's arrows and the program icon.

    draw_images.py <output folder>

Every picture is a few shapes given as signed distances (negative inside,
in pixels), filled with straight-alpha colours and anti-aliased by
sampling each pixel 6 x 6 times. Strips are 32-bit BMP files with alpha
(images side by side), the icon a .ico file with 32-bit images of several
sizes. Nothing here is copied: the shapes below are the whole drawing.
"""

import math
import os
import struct
import sys

SAMPLES = 6


# ---- shapes: signed distance in pixels ---------------------------------------------------


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def box(x0, y0, x1, y1, radius=0.0):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius

    return d


def segment(ax, ay, bx, by, width):
    """A stroke of `width` from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2

    return d


def polyline(points, width):
    return union(*[segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)])


def polygon(points):
    n = len(points)

    def d(x, y):
        best = float("inf")
        sign = 1.0
        j = n - 1
        for i in range(n):
            xi, yi = points[i]
            xj, yj = points[j]
            ex, ey = xj - xi, yj - yi
            wx, wy = x - xi, y - yi
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey or 1e-9)))
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                sign = -sign
            j = i
        return sign * best

    return d


def arc(cx, cy, r, start, end, width):
    """A stroke along the circle from angle `start` to `end` (degrees,
    counter-clockwise from the right, y pointing down the screen)."""
    a0, a1 = math.radians(start), math.radians(end)
    ends = [(cx + r * math.cos(a), cy - r * math.sin(a)) for a in (a0, a1)]

    def d(x, y):
        a = math.atan2(cy - y, x - cx)
        while a < a0:
            a += 2 * math.pi
        if a <= a1:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2

    return d


def gear(cx, cy, outer, inner, teeth, hole):
    def d(x, y):
        a = math.atan2(y - cy, x - cx)
        # Teeth as a square wave of the radius, softened at its corners.
        wave = math.cos(a * teeth)
        radius = inner + (outer - inner) * max(0.0, min(1.0, wave * 2.2 + 0.5))
        return max(math.hypot(x - cx, y - cy) - radius, hole - math.hypot(x - cx, y - cy))

    return d


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def inset(shape, by):
    return lambda x, y: shape(x, y) + by


def grow(shape, by):
    return lambda x, y: shape(x, y) - by


# ---- colours -----------------------------------------------------------------------------


def rgb(value, alpha=255):
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255, alpha)


def vertical(top, bottom, y0, y1):
    """A fill that runs from `top` at y0 to `bottom` at y1."""

    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / ((y1 - y0) or 1)))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))

    return colour


def solid(colour):
    return lambda x, y: colour


# ---- drawing -----------------------------------------------------------------------------


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [(0.0, 0.0, 0.0, 0.0)] * (size * size)

    def fill(self, shape, paint):
        if not callable(paint):
            paint = solid(paint)
        n = self.size
        step = 1.0 / SAMPLES
        for py in range(n):
            for px in range(n):
                # Pixels far from the edge need one sample only.
                centre = shape(px + 0.5, py + 0.5)
                if centre > 1.0:
                    continue
                if centre < -1.0:
                    cover = 1.0
                else:
                    hits = 0
                    for sy in range(SAMPLES):
                        for sx in range(SAMPLES):
                            if shape(px + (sx + 0.5) * step, py + (sy + 0.5) * step) < 0:
                                hits += 1
                    cover = hits / (SAMPLES * SAMPLES)
                if cover == 0.0:
                    continue
                r, g, b, a = paint(px + 0.5, py + 0.5)
                self.over(px, py, (r, g, b, a / 255.0 * cover))

    def over(self, px, py, colour):
        r, g, b, a = colour
        i = py * self.size + px
        dr, dg, db, da = self.pixels[i]
        out = a + da * (1 - a)
        if out <= 0:
            return
        mix = lambda s, d: (s * a + d * da * (1 - a)) / out
        self.pixels[i] = (mix(r, dr), mix(g, dg), mix(b, db), out)

    def bgra_rows(self):
        """Rows bottom-up, as BMP files keep them."""
        n = self.size
        rows = []
        for py in reversed(range(n)):
            row = bytearray()
            for px in range(n):
                r, g, b, a = self.pixels[py * n + px]
                row += bytes((round(b), round(g), round(r), round(a * 255)))
            rows.append(bytes(row))
        return rows


def draw(picture, size):
    canvas = Canvas(size)
    # Pictures are drawn on a 16-unit grid, scaled to the size.
    s = size / 16.0
    picture(canvas, s)
    return canvas


# ---- the pictures (16-unit grid; `s` pixels per unit) -------------------------------------

BLUE = rgb(0x2F6FD0)
DARK_BLUE = rgb(0x1C4C98)
LIGHT_BLUE = rgb(0x7FB2F0)
GREEN = rgb(0x2FA84F)
DARK_GREEN = rgb(0x1D7A36)
RED = rgb(0xD8412F)
DARK_RED = rgb(0x9E2A1E)
GREY = rgb(0x8A9099)
DARK_GREY = rgb(0x5B6169)
WHITE = rgb(0xFFFFFF)
PAPER = rgb(0xFBFCFE)
YELLOW = rgb(0xFFE27A)
DARK_YELLOW = rgb(0xC9A227)
ORANGE = rgb(0xF29A2E)
SKY = rgb(0x3DA9F0)


def scaled(s, *values):
    return [v * s for v in values]


def plus_badge(c, s, cx, cy):
    r = 3.6 * s
    c.fill(circle(cx * s, cy * s, r), DARK_GREEN)
    c.fill(circle(cx * s, cy * s, r - max(1.0, 0.7 * s)), vertical(rgb(0x5BD07A), GREEN,
                                                                    (cy - 3) * s, (cy + 3) * s))
    w = max(1.3, 1.25 * s)
    c.fill(segment(*scaled(s, cx - 1.9, cy, cx + 1.9, cy), w), WHITE)
    c.fill(segment(*scaled(s, cx, cy - 1.9, cx, cy + 1.9), w), WHITE)


def globe(c, s):
    cx, cy, r = 7.0 * s, 7.5 * s, 6.3 * s
    c.fill(circle(cx, cy, r), DARK_BLUE)
    c.fill(circle(cx, cy, r - max(1.0, 0.8 * s)), vertical(rgb(0x8CC4FF), BLUE, cy - r, cy + r))
    line = max(0.9, 0.55 * s)
    inner = r - max(1.0, 0.8 * s)
    ring = lambda shape: lambda x, y: max(shape(x, y), math.hypot(x - cx, y - cy) - inner)
    c.fill(ring(segment(cx - r, cy, cx + r, cy, line)), rgb(0xFFFFFF, 200))
    c.fill(ring(lambda x, y: abs(math.hypot((x - cx) / 0.45, y - cy) - inner) * 0.45 - line / 2),
           rgb(0xFFFFFF, 200))
    for dy in (-0.5, 0.5):
        y0 = cy + dy * r
        c.fill(ring(segment(cx - r, y0, cx + r, y0, line)), rgb(0xFFFFFF, 150))


def add_url(c, s):
    globe(c, s)
    plus_badge(c, s, 11.6, 11.6)


def checkbox(c, s, x0, y0, x1, y1, mark):
    c.fill(box(x0 * s, y0 * s, x1 * s, y1 * s, 1.2 * s), DARK_GREY)
    c.fill(box(x0 * s, y0 * s, x1 * s, y1 * s, 1.2 * s), DARK_GREY)
    inner = box(x0 * s + max(1, s), y0 * s + max(1, s), x1 * s - max(1, s), y1 * s - max(1, s),
                0.6 * s)
    c.fill(inner, vertical(WHITE, rgb(0xE3E8EF), y0 * s, y1 * s))
    if mark:
        w = (x1 - x0) / 10.0
        pts = [(x0 + 2.2 * w, y0 + 5.2 * w), (x0 + 4.3 * w, y0 + 7.4 * w),
               (x0 + 8.3 * w, y0 + 2.6 * w)]
        c.fill(polyline([(x * s, y * s) for x, y in pts], max(1.6, 1.6 * w * s)), GREEN)


def check(c, s):
    checkbox(c, s, 2, 3, 14, 15, True)


def check_all(c, s):
    checkbox(c, s, 5, 1, 15, 11, True)
    checkbox(c, s, 1, 5, 11, 15, True)


def uncheck(c, s):
    checkbox(c, s, 2, 3, 14, 15, False)


def uncheck_all(c, s):
    checkbox(c, s, 5, 1, 15, 11, False)
    checkbox(c, s, 1, 5, 11, 15, False)


def page(c, s, x0, y0, x1, y1):
    fold = 3.2
    outline = polygon([(x0 * s, y0 * s), ((x1 - fold) * s, y0 * s), (x1 * s, (y0 + fold) * s),
                       (x1 * s, y1 * s), (x0 * s, y1 * s)])
    c.fill(outline, GREY)
    c.fill(inset(outline, max(1.0, 0.8 * s)), vertical(WHITE, rgb(0xEDF1F6), y0 * s, y1 * s))
    c.fill(polygon([((x1 - fold) * s, y0 * s), (x1 * s, (y0 + fold) * s),
                    ((x1 - fold) * s, (y0 + fold) * s)]), rgb(0xC8D0DA))


def keywords(c, s):
    page(c, s, 2, 1, 14, 15)
    w = max(1.0, 0.9 * s)
    for i, length in enumerate((6.0, 4.5, 6.0, 3.5)):
        y = (4.6 + i * 2.7) * s
        c.fill(circle(4.6 * s, y, max(0.9, 0.85 * s)), BLUE)
        c.fill(segment(6.6 * s, y, (6.6 + length) * s, y, w), rgb(0x6A7480))


def notes(c, s):
    pad = box(2 * s, 2 * s, 13 * s, 15 * s, 1.0 * s)
    c.fill(pad, DARK_YELLOW)
    c.fill(inset(pad, max(1.0, 0.8 * s)), vertical(rgb(0xFFF3B8), YELLOW, 2 * s, 15 * s))
    c.fill(box(2 * s, 2 * s, 13 * s, 4.4 * s, 1.0 * s), rgb(0xE8743B))
    w = max(0.8, 0.6 * s)
    for i in range(4):
        y = (6.8 + i * 2.1) * s
        c.fill(segment(4 * s, y, 11 * s, y, w), rgb(0xC9A227, 190))
    # A pencil across the corner.
    body = segment(15.2 * s, 6.2 * s, 8.6 * s, 12.8 * s, 2.6 * s)
    c.fill(body, DARK_GREY)
    c.fill(inset(body, max(0.7, 0.5 * s)), ORANGE)
    c.fill(polygon([(8.9 * s, 11.1 * s), (10.3 * s, 12.5 * s), (7.2 * s, 14.2 * s)]),
           rgb(0x4A3B2A))


def magnifier(c, s):
    c.fill(segment(10.2 * s, 10.2 * s, 14.6 * s, 14.6 * s, 3.0 * s), rgb(0x3D434B))
    lens = circle(6.6 * s, 6.6 * s, 5.4 * s)
    c.fill(lens, DARK_GREY)
    c.fill(inset(lens, max(1.3, 1.3 * s)), vertical(rgb(0xE6F3FF), rgb(0x9CCBF5), 1 * s, 12 * s))
    c.fill(arc(6.6 * s, 6.6 * s, 3.0 * s, 100, 170, max(0.9, 0.8 * s)), rgb(0xFFFFFF, 220))


def preferences(c, s):
    g = gear(8 * s, 8 * s, 7.2 * s, 5.4 * s, 8, 2.2 * s)
    c.fill(g, DARK_GREY)
    c.fill(inset(g, max(1.0, 0.8 * s)), vertical(rgb(0xD5DAE1), rgb(0x9AA2AD), 1 * s, 15 * s))


def help_(c, s):
    cx, cy = 8 * s, 8 * s
    c.fill(circle(cx, cy, 7.3 * s), DARK_BLUE)
    c.fill(circle(cx, cy, 7.3 * s - max(1.0, 0.8 * s)), vertical(rgb(0x6FA8F5), BLUE, 1 * s,
                                                                 15 * s))
    w = max(1.6, 1.7 * s)
    c.fill(union(arc(8 * s, 6.0 * s, 2.4 * s, -60, 180, w),
                 segment(9.2 * s, 8.1 * s, 8 * s, 9.3 * s, w),
                 segment(8 * s, 9.3 * s, 8 * s, 9.9 * s, w)), WHITE)
    c.fill(circle(8 * s, 12.4 * s, max(1.0, 1.05 * s)), WHITE)


def bird(c, s):
    """A small blue bird: a round body, a head, a raised wing and a beak."""
    body = union(circle(7.5 * s, 9.5 * s, 4.6 * s), circle(11.4 * s, 5.8 * s, 2.6 * s),
                 polygon([(3.2 * s, 9.0 * s), (0.8 * s, 6.5 * s), (4.4 * s, 7.2 * s)]))
    c.fill(body, vertical(rgb(0x7CCBFF), SKY, 2 * s, 14 * s))
    c.fill(polygon([(13.6 * s, 5.0 * s), (15.6 * s, 5.6 * s), (13.7 * s, 6.6 * s)]), ORANGE)
    c.fill(polygon([(4.5 * s, 8.0 * s), (7.5 * s, 4.0 * s), (9.0 * s, 9.4 * s)]), rgb(0x2C8ED6))
    c.fill(circle(11.9 * s, 5.3 * s, max(0.6, 0.55 * s)), rgb(0x10324F))


def bubble(c, s):
    shape = union(box(1 * s, 2 * s, 15 * s, 11.5 * s, 3.0 * s),
                  polygon([(4 * s, 10 * s), (3.2 * s, 15 * s), (8.5 * s, 10.5 * s)]))
    c.fill(shape, rgb(0x1F86C9))
    c.fill(inset(shape, max(1.0, 0.7 * s)), vertical(rgb(0x8FD3FF), SKY, 2 * s, 12 * s))
    for x in (5.0, 8.0, 11.0):
        c.fill(circle(x * s, 6.8 * s, 1.05 * s), WHITE)


def arrow_up(c, s):
    shape = polygon([(8 * s, 2 * s), (14 * s, 10 * s), (10.3 * s, 10 * s), (10.3 * s, 14 * s),
                     (5.7 * s, 14 * s), (5.7 * s, 10 * s), (2 * s, 10 * s)])
    c.fill(shape, DARK_GREEN)
    c.fill(inset(shape, max(1.0, 0.8 * s)), vertical(rgb(0x7BE08F), GREEN, 2 * s, 14 * s))


def arrow_down(c, s):
    shape = polygon([(8 * s, 14 * s), (14 * s, 6 * s), (10.3 * s, 6 * s), (10.3 * s, 2 * s),
                     (5.7 * s, 2 * s), (5.7 * s, 6 * s), (2 * s, 6 * s)])
    c.fill(shape, DARK_RED)
    c.fill(inset(shape, max(1.0, 0.8 * s)), vertical(rgb(0xF58A7C), RED, 2 * s, 14 * s))


def unchanged(c, s):
    for y in (5.8, 10.2):
        bar = box(3 * s, (y - 1.5) * s, 13 * s, (y + 1.5) * s, 0.8 * s)
        c.fill(bar, DARK_GREY)
        c.fill(inset(bar, max(1.0, 0.7 * s)), vertical(rgb(0xC6CCD4), GREY, (y - 1.5) * s,
                                                         (y + 1.5) * s))


def program_icon(c, s):
    """A blue tile with rising white bars and a green arrow: rankings going up."""
    tile = box(0.5 * s, 0.5 * s, 15.5 * s, 15.5 * s, 3.2 * s)
    c.fill(tile, rgb(0x174A91))
    c.fill(inset(tile, max(0.8, 0.5 * s)), vertical(rgb(0x4F95EC), rgb(0x1F5FB8), 0, 16 * s))
    for i, height in enumerate((4.0, 6.5, 9.0)):
        x0 = (3.0 + i * 3.6) * s
        c.fill(box(x0, (13.5 - height) * s, x0 + 2.6 * s, 13.5 * s, 0.5 * s),
               vertical(WHITE, rgb(0xD5E6FF), (13.5 - height) * s, 13.5 * s))
    w = max(1.2, 1.3 * s)
    c.fill(polyline([(2.6 * s, 8.4 * s), (6.4 * s, 5.6 * s), (9.0 * s, 7.0 * s),
                     (12.6 * s, 3.2 * s)], w), rgb(0x5BE07A))
    c.fill(polygon([(13.9 * s, 1.9 * s), (13.4 * s, 5.2 * s), (10.6 * s, 2.6 * s)]),
           rgb(0x5BE07A))


# The strips, image by image; the programs's code names the indexes.
MENU_IMAGES = [add_url, check_all, check, keywords, notes, preferences, magnifier, uncheck_all,
               uncheck, help_, bird]
TOOLBAR_IMAGES = [add_url, keywords, notes, magnifier, bubble]
ARROW_IMAGES = [arrow_down, arrow_up, unchanged]
ICON_SIZES = [16, 24, 32, 48, 64]


# ---- files -------------------------------------------------------------------------------


def bmp_bytes(canvases):
    """One 32-bit BMP holding the canvases side by side."""
    size = canvases[0].size
    width = size * len(canvases)
    rows = [b"".join(c.bgra_rows()[y] for c in canvases) for y in range(size)]
    pixels = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, size, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0,
                               14 + len(header)) + header + pixels


def ico_bytes(canvases):
    images = []
    for c in canvases:
        n = c.size
        xor = b"".join(c.bgra_rows())
        # The AND mask (rows padded to 32 bits) is all zero: alpha decides.
        mask = bytes(((n + 31) // 32) * 4 * n)
        header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                             0, 0)
        images.append(header + xor + mask)
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for c, data in zip(canvases, images):
        n = c.size % 256
        entries += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(images)


def write(folder, name, data):
    path = os.path.join(folder, name)
    # Leave the file alone when nothing changed, so the resources are not
    # compiled again.
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: draw_images.py <output folder>")
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    write(folder, "menu16.bmp", bmp_bytes([draw(p, 16) for p in MENU_IMAGES]))
    write(folder, "toolbar32.bmp", bmp_bytes([draw(p, 32) for p in TOOLBAR_IMAGES]))
    write(folder, "arrows16.bmp", bmp_bytes([draw(p, 16) for p in ARROW_IMAGES]))
    write(folder, "serplow.ico", ico_bytes([draw(program_icon, n) for n in ICON_SIZES]))


if __name__ == "__main__":
    main()
