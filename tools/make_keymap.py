#!/usr/bin/env python3
"""Draws docs/computer-keyboard.png: which key of the computer keyboard plays
which note in Tinemaster.exe, and the keys for octave, velocity and size.

The keys are named by a US keyboard's legends; the program finds them by
their places, so every layout plays the same notes from the same places.
Needs PIL (Debian's python3-pil) and the Liberation fonts (fonts-liberation).

    python3 tools/make_keymap.py [OUT.png]
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

# The rows as on the keyboard, top to bottom: each key's legend and the
# semitones above the bottom row's first key it plays (None: plays nothing).
ROWS = [
    (0.0, [("1", None), ("2", 13), ("3", 15), ("4", None), ("5", 18), ("6", 20), ("7", 22), ("8", None),
           ("9", 25), ("0", 27), ("-", None), ("=", 30)]),
    (0.5, [("Q", 12), ("W", 14), ("E", 16), ("R", 17), ("T", 19), ("Y", 21), ("U", 23), ("I", 24), ("O", 26),
           ("P", 28), ("[", 29), ("]", 31)]),
    (0.75, [("A", None), ("S", 1), ("D", 3), ("F", None), ("G", 6), ("H", 8), ("J", 10), ("K", None), ("L", 13),
            (";", 15), ("'", None)]),
    (1.25, [("Z", 0), ("X", 2), ("C", 4), ("V", 5), ("B", 7), ("N", 9), ("M", 11), (",", 12), (".", 14),
            ("/", 16)]),
]
FUNCTION_KEYS = [("F1", "octave\ndown"), ("F2", "octave\nup"), ("F3", "softer"), ("F4", "louder")]
LOWEST = 48  # the bottom row's first key at the start: C3, an octave below middle C
NAMES = ["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"]

KEY = 64          # a key's pitch in pixels
GAP = 6
MARGIN = 24
BACKGROUND = (0xF2, 0xF0, 0xEA)
WHITE_NOTE = (0xFF, 0xFD, 0xF4)
BLACK_NOTE = (0x2B, 0x2F, 0x3A)
UNUSED = (0xD6, 0xD3, 0xCC)
CONTROL = (0xF4, 0xD2, 0x7A)
EDGE = (0x15, 0x17, 0x1E)


def font(size, bold=False):
    name = "LiberationSans-Bold.ttf" if bold else "LiberationSans-Regular.ttf"
    try:
        return ImageFont.truetype(os.path.join("/usr/share/fonts/truetype/liberation", name), size)
    except OSError:
        return ImageFont.load_default()


def note_name(semitones):
    note = LOWEST + semitones
    return "%s%d" % (NAMES[note % 12], note // 12 - 1)


def key_box(draw, x, y, legend, fill, text_fill, lines, legend_font, note_font):
    draw.rounded_rectangle([x, y, x + KEY - GAP, y + KEY - GAP], radius=7, fill=fill, outline=EDGE, width=2)
    draw.text((x + 8, y + 5), legend, fill=text_fill, font=legend_font)
    for i, line in enumerate(lines):
        draw.text((x + 8, y + 27 + 13 * i), line, fill=text_fill, font=note_font)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "docs",
                                                             "computer-keyboard.png")
    width = int(MARGIN * 2 + (1.25 + 12) * KEY)
    height = MARGIN * 2 + KEY * 5 + 20 + 44
    image = Image.new("RGB", (width, height), BACKGROUND)
    draw = ImageDraw.Draw(image)
    legend_font, note_font, caption_font = font(18, True), font(14), font(15)

    top = MARGIN
    for i, (legend, meaning) in enumerate(FUNCTION_KEYS):
        key_box(draw, MARGIN + i * KEY, top, legend, CONTROL, EDGE, meaning.split("\n"), legend_font, note_font)
    draw.text((MARGIN + 4 * KEY + 12, top + 8), "Velocity starts at 100. Ctrl+1, Ctrl+2, Ctrl+3: the window at",
              fill=EDGE, font=caption_font)
    draw.text((MARGIN + 4 * KEY + 12, top + 28), "100 %, 150 %, 200 %.", fill=EDGE, font=caption_font)

    top += KEY + 20
    for row, (offset, keys) in enumerate(ROWS):
        y = top + row * KEY
        for column, (legend, semitones) in enumerate(keys):
            x = MARGIN + (offset + column) * KEY
            if semitones is None:
                key_box(draw, x, y, legend, UNUSED, (0x8A, 0x86, 0x7E), [], legend_font, note_font)
                continue
            black = "#" in note_name(semitones)
            key_box(draw, x, y, legend, BLACK_NOTE if black else WHITE_NOTE, WHITE_NOTE if black else EDGE,
                    [note_name(semitones)], legend_font, note_font)
    captions = ["Keys count by their places (US legends shown): every layout plays the same notes from the",
                "same places. The notes shown are at the start; F1 and F2 move both rows by an octave."]
    for i, caption in enumerate(captions):
        draw.text((MARGIN, top + 4 * KEY + 8 + 20 * i), caption, fill=EDGE, font=caption_font)

    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    image.save(out, optimize=True)


if __name__ == "__main__":
    main()
