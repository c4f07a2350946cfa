#!/usr/bin/env python3
"""Draws the editor's and the toolbar's bitmaps and writes them as 24-bit BMP
files into resources/bitmaps (or the folder given as the only argument).

Everything is computed here from geometry and a small pixel font of our own,
with no randomness beyond a fixed-seed generator, so the same script always
writes the same bytes. Sizes and frame layouts are what the program expects:
the knob strip holds 128 frames of 32 x 30, lamps and the fold button two 6 x 6
frames, the toolbar buttons a normal 14-pixel state above the pressed one.

    python3 tools/make_bitmaps.py [OUTPUT_FOLDER]
"""

import math
import os
import struct
import sys

# --------------------------------------------------------------------------
# Images

class Image:
    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [[tuple(float(c) for c in colour) for _ in range(width)] for _ in range(height)]

    def get(self, x, y):
        return self.px[y][x]

    def put(self, x, y, colour, alpha=1.0):
        if 0 <= x < self.width and 0 <= y < self.height and alpha > 0.0:
            if alpha >= 1.0:
                self.px[y][x] = tuple(float(c) for c in colour)
            else:
                old = self.px[y][x]
                self.px[y][x] = tuple(o + (c - o) * alpha for o, c in zip(old, colour))

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.px[y][x] = tuple(float(c) for c in colour)

    def blit(self, other, dx, dy):
        for y in range(other.height):
            for x in range(other.width):
                self.put(dx + x, dy + y, other.px[y][x])

    def bmp_bytes(self):
        row_size = (self.width * 3 + 3) & ~3
        pad = b"\0" * (row_size - self.width * 3)
        rows = []
        for y in range(self.height - 1, -1, -1):  # BMP rows run bottom-up
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((clamp8(b), clamp8(g), clamp8(r)))
            rows.append(bytes(row) + pad)
        data = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0,
                           len(data), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
        return header + info + data


def clamp8(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def scale(c, f):
    return tuple(x * f for x in c)


class Noise:
    """A fixed-seed linear congruential generator: texture without randomness."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.state >> 8) / float(1 << 24)


def supersample(img, x0, y0, x1, y1, shader, n=4):
    """Averages shader(x, y, under) over n x n points of every pixel; the shader
    returns a colour, or None to keep what is under it."""
    for py in range(max(0, y0), min(img.height, y1)):
        for px in range(max(0, x0), min(img.width, x1)):
            under = img.get(px, py)
            acc = [0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    c = shader(px + (sx + 0.5) / n, py + (sy + 0.5) / n, under)
                    if c is None:
                        c = under
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
            img.px[py][px] = tuple(a / (n * n) for a in acc)


def segment_distance(x, y, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)
    t = max(0.0, min(1.0, t))
    return math.hypot(x - (ax + t * vx), y - (ay + t * vy))

# --------------------------------------------------------------------------
# A 5 x 7 pixel font (capitals, digits, a few signs), proportional widths

GLYPHS = {
    "A": [".##.", "#..#", "#..#", "####", "#..#", "#..#", "#..#"],
    "B": ["###.", "#..#", "#..#", "###.", "#..#", "#..#", "###."],
    "C": [".##.", "#..#", "#...", "#...", "#...", "#..#", ".##."],
    "D": ["###.", "#..#", "#..#", "#..#", "#..#", "#..#", "###."],
    "E": ["####", "#...", "#...", "###.", "#...", "#...", "####"],
    "F": ["####", "#...", "#...", "###.", "#...", "#...", "#..."],
    "G": [".##.", "#..#", "#...", "#.##", "#..#", "#..#", ".###"],
    "H": ["#..#", "#..#", "#..#", "####", "#..#", "#..#", "#..#"],
    "I": ["###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"],
    "J": ["..##", "...#", "...#", "...#", "#..#", "#..#", ".##."],
    "K": ["#..#", "#.#.", "##..", "#...", "##..", "#.#.", "#..#"],
    "L": ["#...", "#...", "#...", "#...", "#...", "#...", "####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"],
    "O": [".##.", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."],
    "P": ["###.", "#..#", "#..#", "###.", "#...", "#...", "#..."],
    "Q": [".##.", "#..#", "#..#", "#..#", "#.##", "#..#", ".##."],
    "R": ["###.", "#..#", "#..#", "###.", "##..", "#.#.", "#..#"],
    "S": [".###", "#...", "#...", ".##.", "...#", "...#", "###."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#..#", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."],
    "V": ["#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."],
    "Z": ["####", "...#", "..#.", ".#..", "#...", "#...", "####"],
    "0": [".##.", "#..#", "#.##", "##.#", "#..#", "#..#", ".##."],
    "1": [".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"],
    "2": [".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"],
    "3": ["###.", "...#", "...#", ".##.", "...#", "...#", "###."],
    "4": ["..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."],
    "5": ["####", "#...", "###.", "...#", "...#", "#..#", ".##."],
    "6": [".##.", "#...", "#...", "###.", "#..#", "#..#", ".##."],
    "7": ["####", "...#", "..#.", "..#.", ".#..", ".#..", ".#.."],
    "8": [".##.", "#..#", "#..#", ".##.", "#..#", "#..#", ".##."],
    "9": [".##.", "#..#", "#..#", ".###", "...#", "...#", ".##."],
    "-": ["...", "...", "...", "###", "...", "...", "..."],
    ".": [".", ".", ".", ".", ".", ".", "#"],
    " ": ["..", "..", "..", "..", "..", "..", ".."],
}


def text_width(text, size=1):
    widths = [len(GLYPHS[ch][0]) for ch in text]
    return (sum(widths) + len(widths) - 1) * size if widths else 0


def draw_text(img, x, y, text, colour, size=1, alpha=1.0):
    for ch in text:
        glyph = GLYPHS[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit == "#":
                    for sy in range(size):
                        for sx in range(size):
                            img.put(x + gx * size + sx, y + gy * size + sy, colour, alpha)
        x += (len(glyph[0]) + 1) * size


def engraved_text(img, cx, y, text, colour, size=1, centred=True):
    """Light text with a dark cut below it, as if stamped into the metal."""
    w = text_width(text, size)
    x = cx - w // 2 if centred else cx
    draw_text(img, x + 1, y + 1, text, (8, 8, 10), size, 0.8)
    draw_text(img, x, y, text, colour, size)
    return x, w

# --------------------------------------------------------------------------
# Panel colours

PANEL_TOP = (58, 61, 66)
PANEL_BOTTOM = (30, 32, 35)
LABEL = (196, 204, 196)          # labels on the dark panel
LABEL_DIM = (138, 146, 140)
PLATE = (212, 210, 196)          # the ivory plate under the value boxes
PLATE_EDGE = (150, 148, 134)
ACCENT = (236, 140, 44)          # knob pointers, lit buttons


def strip_colour(y):
    """The bottom strip's metal: a function of the row only, so that knob
    frames and lamps drawn opaque over it match the panel at any x."""
    t = y / 69.0
    base = mix(PANEL_TOP, PANEL_BOTTOM, t)
    brushed = (math.sin(y * 2.7) * 0.5 + math.sin(y * 0.9 + 1.0) * 0.5) * 1.6
    return tuple(c + brushed for c in base)


def bevel(img, x0, y0, x1, y1, light, dark):
    for x in range(x0, x1):
        img.put(x, y0, light)
        img.put(x, y1 - 1, dark)
    for y in range(y0, y1):
        img.put(x0, y, light)
        img.put(x1 - 1, y, dark)


def rounded_box(img, x0, y0, x1, y1, radius, fill, edge=None):
    def shader(x, y, under):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        d = math.hypot(x - cx, y - cy)
        if d > radius:
            return None
        if edge is not None and d > radius - 1.0:
            return edge
        if edge is not None and (x < x0 + 1 or x > x1 - 1 or y < y0 + 1 or y > y1 - 1):
            return edge
        return fill(x, y) if callable(fill) else fill
    supersample(img, int(x0) - 1, int(y0) - 1, int(x1) + 2, int(y1) + 2, shader, 3)


def screw(img, cx, cy):
    def shader(x, y, under):
        d = math.hypot(x - cx, y - cy)
        if d > 3.2:
            return None
        if d > 2.6:
            return (18, 18, 20)
        slot = abs((x - cx) - (y - cy)) < 0.7
        lit = 0.5 + 0.5 * ((cx - x) + (cy - y)) / 3.0
        head = mix((70, 72, 76), (170, 172, 176), lit)
        return scale(head, 0.45) if slot else head
    supersample(img, cx - 4, cy - 4, cx + 5, cy + 5, shader)

# --------------------------------------------------------------------------
# Editor: main page and info page background (159), 432 x 177

def main_background():
    img = Image(432, 177)
    noise = Noise(159)
    for y in range(177):
        base = mix(PANEL_TOP, PANEL_BOTTOM, y / 176.0)
        streak = (noise.next() - 0.5) * 3.0
        for x in range(432):
            grain = (noise.next() - 0.5) * 4.0
            img.px[y][x] = tuple(c + streak + grain for c in base)
    bevel(img, 0, 0, 432, 177, (92, 96, 102), (12, 12, 14))

    engraved_text(img, 24, 7, "TINEMASTER", LABEL, 2, centred=False)
    engraved_text(img, 409 - text_width("ELECTRIC PIANO"), 13, "ELECTRIC PIANO", LABEL_DIM, 1, centred=False)
    for cx, cy in ((7, 7), (424, 7), (7, 169), (424, 169)):
        screw(img, cx, cy)

    # The ivory plate carries every value box, the name field and the buttons;
    # near-black text reads on it, greyed text still shows.
    def plate(x, y):
        t = (y - 26) / 146.0
        return mix((222, 220, 206), (200, 198, 184), t)
    rounded_box(img, 20.0, 26.0, 420.0, 171.0, 4.0, plate, PLATE_EDGE)
    for x in range(22, 418):  # a soft inner shadow under the top edge
        img.put(x, 27, (176, 174, 160))
    for x in range(20, 420):
        img.put(x, 171, (16, 16, 18), 0.6)

    # Thin rules between the oscillators and above the effects.
    for y, colour in ((59, (188, 186, 172)), (89, (188, 186, 172)), (119, (150, 148, 134))):
        for x in range(26, 414):
            img.put(x, y, colour)
    # Oscillator numbers in the plate's left margin.
    for o in range(3):
        y = 30 + 30 * o
        for yy in range(y + 1, y + 27):
            for xx in range(21, 28):
                img.put(xx, yy, (60, 62, 66))
        draw_text(img, 23, y + 10, str(o + 1), (236, 232, 214))
    return img

# --------------------------------------------------------------------------
# Editor: bottom strip (158), 432 x 70

KNOB_XS = (27, 77, 127, 182, 232, 282, 352)
KNOB_LABELS = ("DEPTH", "RATE", "FEEDBK", "DEPTH", "RATE", "SPLIT", "LEVEL")


def strip_background():
    img = Image(432, 70)
    for y in range(70):
        c = strip_colour(y)
        for x in range(432):
            img.px[y][x] = c
    bevel(img, 0, 0, 432, 70, (96, 100, 106), (10, 10, 12))

    def section(x0, x1, title):
        cx = (x0 + x1) // 2
        tx, tw = engraved_text(img, cx, 2, title, LABEL)
        for x in list(range(x0, tx - 3)) + list(range(tx + tw + 3, x1)):
            img.put(x, 5, LABEL_DIM)
            img.put(x, 6, (10, 10, 12), 0.6)
        for y in range(5, 10):
            img.put(x0, y, LABEL_DIM)
            img.put(x1 - 1, y, LABEL_DIM)

    section(24, 162, "PHASER")
    section(179, 317, "CHORUS")
    section(346, 390, "MASTER")
    for x, label in zip(KNOB_XS, KNOB_LABELS):
        engraved_text(img, x + 16, 50, label, LABEL_DIM)
    engraved_text(img, 404, 20, "FOLD", LABEL_DIM)
    engraved_text(img, 423 - text_width("TINEMASTER"), 61, "TINEMASTER", (86, 90, 96), 1, centred=False)
    for cx, cy in ((7, 62), (8, 8)):
        screw(img, cx, cy)
    return img

# --------------------------------------------------------------------------
# Editor: knob film strip (130), 128 frames of 32 x 30

START_DEG = 225.0
SWEEP_DEG = 270.0


def knob_frame(value):
    img = Image(32, 30)
    for y in range(30):
        c = strip_colour(17 + y)
        for x in range(32):
            img.px[y][x] = c
    cx, cy = 16.0, 15.0
    angle = math.radians(START_DEG - SWEEP_DEG * value)
    ux, uy = math.cos(angle), -math.sin(angle)
    ticks = [math.radians(START_DEG - SWEEP_DEG * k / 10.0) for k in range(11)]

    def shader(x, y, under):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if 12.6 < d < 14.9:  # scale ticks outside the skirt
            a = math.atan2(-dy, dx)
            for t in ticks:
                if abs(dx * math.sin(t) + dy * math.cos(t)) < 0.55 and dx * math.cos(t) - dy * math.sin(t) > 0:
                    lit = 1.0 if t in (ticks[0], ticks[5], ticks[10]) else 0.7
                    return mix(under, LABEL, lit)
            return None
        if d > 12.6:
            return None
        if d > 11.8:  # dark rim casting onto the panel
            return (14, 14, 16)
        if d > 8.6:  # knurled skirt
            a = math.atan2(dy, dx)
            ridge = 0.5 + 0.5 * math.cos(a * 24.0)
            light = 0.55 + 0.45 * (-(dx + dy) / (d * 1.42))
            c = mix((34, 35, 38), (92, 94, 100), light)
            c = mix(c, scale(c, 0.7), ridge * 0.6)
            if segment_distance(x, y, cx + ux * 8.0, cy + uy * 8.0, cx + ux * 11.4, cy + uy * 11.4) < 1.1:
                return ACCENT
            return c
        if d > 8.0:  # bevel between skirt and cap
            return (22, 22, 24)
        # Brushed aluminium cap, lit from the upper left.
        light = 0.5 + 0.5 * (-(dx * 0.6 + dy * 0.8) / 8.0)
        rings = 0.04 * math.sin(d * 5.0)
        c = mix((110, 112, 116), (214, 216, 220), max(0.0, min(1.0, light + rings)))
        if segment_distance(x, y, cx + ux * 2.2, cy + uy * 2.2, cx + ux * 7.6, cy + uy * 7.6) < 0.95:
            return (30, 30, 32)
        return c
    supersample(img, 0, 0, 32, 30, shader)
    return img


def knob_strip():
    img = Image(32, 30 * 128)
    for i in range(128):
        img.blit(knob_frame(i / 127.0), 0, 30 * i)
    return img

# --------------------------------------------------------------------------
# Editor: activity lamp (143) and fold button (157), 6 x 12, off above, on below

def small_frame(y_on_strip, shader_for):
    img = Image(6, 6)
    for y in range(6):
        c = strip_colour(y_on_strip + y)
        for x in range(6):
            img.px[y][x] = c
    supersample(img, 0, 0, 6, 6, shader_for, 5)
    return img


def lamp(lit):
    def shader(x, y, under):
        d = math.hypot(x - 3.0, y - 3.0)
        if d > 3.0:
            return None
        if d > 2.4:
            return (12, 12, 14)
        if lit:
            glow = max(0.0, 1.0 - math.hypot(x - 2.4, y - 2.4) / 2.4)
            return mix((230, 50, 30), (255, 226, 190), glow)
        shine = max(0.0, 1.0 - math.hypot(x - 2.2, y - 2.2) / 1.2)
        return mix((74, 20, 16), (140, 70, 60), shine * 0.6)
    return shader


def fold_button(pressed):
    def shader(x, y, under):
        if x < 0.5 or y < 0.5 or x > 5.5 or y > 5.5:
            return (10, 10, 12)
        edge_tl = x < 1.5 or y < 1.5
        edge_br = x > 4.5 or y > 4.5
        if edge_tl or edge_br:
            light, dark = (176, 178, 182), (40, 41, 44)
            if pressed:
                light, dark = dark, light
            return light if edge_tl and not (edge_br and x + y > 6.0) else dark
        return ACCENT if pressed else (120, 122, 126)
    return shader


def two_frames(top, bottom):
    img = Image(6, 12)
    img.blit(top, 0, 0)
    img.blit(bottom, 0, 6)
    return img

# --------------------------------------------------------------------------
# Toolbar buttons (145..152): normal above, pressed below, 14 pixels each

def button_half(width, pressed, content, lit_colour=(255, 190, 80)):
    img = Image(width, 14)
    for y in range(14):
        t = y / 13.0
        face = mix((78, 81, 87), (44, 46, 50), t) if not pressed else mix((28, 29, 32), (40, 42, 46), t)
        for x in range(width):
            img.px[y][x] = face
    light, dark = (128, 132, 140), (14, 14, 16)
    if pressed:
        light, dark = (8, 8, 10), (90, 94, 100)
    bevel(img, 0, 0, width, 14, light, dark)
    shift = 1 if pressed else 0
    colour = lit_colour if pressed else (230, 230, 220)
    content(img, shift, colour)
    return img


def word(text):
    def content(img, shift, colour):
        x = (img.width - text_width(text)) // 2 + shift
        draw_text(img, x + 1, 4 + shift, text, (0, 0, 0), 1, 0.6)
        draw_text(img, x, 3 + shift, text, colour)
    return content


def arrow(direction):
    def content(img, shift, colour):
        cx, cy = img.width / 2.0 + shift, 7.0 + shift
        tip, back = (cx - 3.5 * direction, cy), cx + 3.0 * direction

        def shader(x, y, under):
            # Inside the triangle tip, (back, cy - 4), (back, cy + 4).
            span = abs(back - tip[0])
            along = (x - tip[0]) * direction
            if along < 0 or along > span:
                return None
            if abs(y - cy) > 4.0 * along / span:
                return None
            return colour
        supersample(img, 1, 1, img.width - 1, 13, shader)
    return content


def toolbar_button(width, content, lit_colour=(255, 190, 80)):
    img = Image(width, 28)
    img.blit(button_half(width, False, content), 0, 0)
    img.blit(button_half(width, True, content, lit_colour), 0, 14)
    return img

# --------------------------------------------------------------------------

def all_bitmaps():
    return {
        130: knob_strip(),
        143: two_frames(small_frame(11, lamp(False)), small_frame(11, lamp(True))),
        145: toolbar_button(56, word("LOAD PATCH")),
        146: toolbar_button(56, word("SAVE PATCH")),
        147: toolbar_button(15, arrow(1)),
        148: toolbar_button(15, arrow(-1)),
        149: toolbar_button(30, word("SETUP")),
        150: toolbar_button(24, word("WAV"), lit_colour=(255, 72, 56)),
        151: toolbar_button(52, word("LOAD BANK")),
        152: toolbar_button(52, word("SAVE BANK")),
        157: two_frames(small_frame(11, fold_button(False)), small_frame(11, fold_button(True))),
        158: strip_background(),
        159: main_background(),
    }


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "bitmaps")
    os.makedirs(out, exist_ok=True)
    for number, img in sorted(all_bitmaps().items()):
        path = os.path.join(out, "bitmap%d.bmp" % number)
        with open(path, "wb") as f:
            f.write(img.bmp_bytes())
        print("%s: %d x %d" % (path, img.width, img.height))


if __name__ == "__main__":
    main()
