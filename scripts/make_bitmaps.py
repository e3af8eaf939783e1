#!/usr/bin/env python3
"""Draws the eight module class bitmaps of Torq7m.dll as 16-colour BMP files.

Each class has a small bitmap (26 x 24, its icon) and a large one (64 x 46, its
module picture). The pictures tell the classes apart by the signal they carry
(a wave for analog, square pulses for digital) and by where the arrow leads:
from the signal into the board for inputs, from the board out to the signal for
outputs. The files are kept in the repository; run this script again after
changing a picture:

    python3 scripts/make_bitmaps.py [--out DIR]
"""
import argparse
import math
import pathlib
import struct

# The 16-colour palette in the order Windows uses for 4-bit bitmaps, (R, G, B).
PALETTE = (
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
)
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

SMALL_SIZE = (26, 24)
LARGE_SIZE = (64, 46)

# 5 x 7 glyphs for the labels, '#' = ink.
FONT = {
    "A": (" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"),
    "D": ("#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "),
    "I": ("#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "#####"),
    "O": (" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "),
}
GLYPH_W = 5


def sine(phase):
    """Analog signal: one full period of a sine over phase 0..1, in -1..1."""
    return math.sin(2 * math.pi * phase)


def pulses(phase):
    """Digital signal: two square pulses over phase 0..1, low at both ends, in -1..1."""
    return 1 if (phase * 4 - 0.5) % 2 < 1 else -1


# (bitmap suffix, label, signal, True when the signal goes out of the board)
CLASSES = (
    ("Q7AD", "AD", sine, False),
    ("Q7DI", "DI", pulses, False),
    ("Q7DO", "DO", pulses, True),
    ("Q7DA", "DA", sine, True),
)


class Canvas:
    def __init__(self, size, background):
        self.width, self.height = size
        self.pixels = [[background] * self.width for _ in range(self.height)]

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle between two corners, both inclusive, in any order."""
        for y in range(min(y0, y1), max(y0, y1) + 1):
            for x in range(min(x0, x1), max(x0, x1) + 1):
                if 0 <= x < self.width and 0 <= y < self.height:
                    self.pixels[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour):
        self.fill(x0, y0, x1, y0, colour)
        self.fill(x0, y1, x1, y1, colour)
        self.fill(x0, y0, x0, y1, colour)
        self.fill(x1, y0, x1, y1, colour)


class Group:
    """A part of the picture drawn in its own columns 0..width-1, facing the arrow
    on its right (mirrored) or on its left, so that one drawing serves both sides."""

    def __init__(self, canvas, x0, width, arrow_on_right):
        self.canvas, self.x0, self.width, self.mirrored = canvas, x0, width, arrow_on_right

    def x(self, column):
        return self.x0 + (self.width - 1 - column if self.mirrored else column)

    def fill(self, c0, y0, c1, y1, colour):
        self.canvas.fill(self.x(c0), y0, self.x(c1), y1, colour)

    def frame(self, c0, y0, c1, y1, colour):
        self.canvas.frame(self.x(c0), y0, self.x(c1), y1, colour)


def draw_signal(canvas, signal, x0, x1, centre, amplitude, colour):
    """Plots signal over columns x0..x1, two rows thick, joining neighbouring
    samples by vertical runs so that steep parts and pulse edges stay unbroken."""
    previous = None
    for x in range(x0, x1 + 1):
        y = round(centre - amplitude * signal((x - x0) / (x1 - x0 + 1)))
        start = y if previous is None else previous
        canvas.fill(x, start, x, y, colour)
        canvas.fill(x, start + 1, x, y + 1, colour)
        previous = y


def draw_arrow(canvas, x0, x1, top, head, colour):
    """A right-pointing arrow two rows thick (rows top, top + 1) whose head spans head columns."""
    canvas.fill(x0, top, x1 - head, top + 1, colour)
    for k in range(head):
        canvas.fill(x1 - k, top - k, x1 - k, top + 1 + k, colour)


def draw_text(canvas, text, x, y, colour):
    for glyph in text:
        for row, line in enumerate(FONT[glyph]):
            for col, cell in enumerate(line):
                if cell == "#":
                    canvas.fill(x + col, y + row, x + col, y + row, colour)
        x += GLYPH_W + 1


def text_width(text):
    return len(text) * (GLYPH_W + 1) - 1


def draw_chip(group, c0, y0, c1, y1, pin_step):
    """A black chip with silver pins on its top and bottom edges."""
    for c in range(c0 + 1, c1, pin_step):
        group.fill(c, y0 - 1, c, y0 - 1, SILVER)
        group.fill(c, y1 + 1, c, y1 + 1, SILVER)
    group.fill(c0, y0, c1, y1, BLACK)


def layout(outgoing, left, right, signal_width, board_width):
    """Columns of the signal, the board and the arrow between them. The flow reads
    left to right: from the signal into the board for inputs, from the board out to
    the signal for outputs. Returns (signal x0, board x0, gap x0, gap x1), the gap
    being the free columns between the two."""
    first, second = (board_width, signal_width) if outgoing else (signal_width, board_width)
    second_x0 = right - second + 1
    gap = (left + first, second_x0 - 1)
    return ((second_x0, left) if outgoing else (left, second_x0)) + gap


def draw_small(signal, outgoing):
    """Signal, arrow and a small board with its pins towards the arrow."""
    canvas = Canvas(SMALL_SIZE, SILVER)
    signal_x0, board_x0, gap_x0, gap_x1 = layout(outgoing, 0, 25, 11, 9)
    board = Group(canvas, board_x0, 9, outgoing)
    board.fill(0, 1, 8, 22, GREEN)
    board.frame(0, 1, 8, 22, BLACK)
    for y in range(4, 21, 3):
        board.fill(0, y, 1, y, YELLOW)
    draw_chip(board, 3, 7, 6, 16, 2)
    draw_signal(canvas, signal, signal_x0, signal_x0 + 10, 11, 5, BLUE)
    draw_arrow(canvas, gap_x0, gap_x1, 11, 3, RED)
    return canvas


def draw_large(label, signal, outgoing):
    """A circuit board: a scope screen showing the signal, an arrow, and a chip
    carrying the label, with its pads towards the arrow; gold fingers at the bottom."""
    canvas = Canvas(LARGE_SIZE, GREEN)
    canvas.frame(0, 0, 63, 45, BLACK)
    canvas.frame(1, 1, 62, 44, OLIVE)
    for x in (4, 59):
        canvas.fill(x - 1, 3, x + 1, 5, YELLOW)
        canvas.fill(x, 4, x, 4, BLACK)
    for x in range(7, 57, 3):
        canvas.fill(x, 39, x + 1, 44, YELLOW)
    signal_x0, board_x0, gap_x0, gap_x1 = layout(outgoing, 3, 60, 24, 24)
    canvas.fill(signal_x0, 8, signal_x0 + 23, 33, BLACK)
    canvas.frame(signal_x0, 8, signal_x0 + 23, 33, GRAY)
    for y in range(13, 29, 5):
        canvas.fill(signal_x0 + 1, y, signal_x0 + 22, y, GREEN)
    draw_signal(canvas, signal, signal_x0 + 2, signal_x0 + 21, 20, 8, LIME)
    board = Group(canvas, board_x0, 24, outgoing)
    for y in range(12, 31, 3):
        board.fill(0, y, 2, y, YELLOW)
    chip_c0, chip_c1 = 3, 23
    draw_chip(board, chip_c0, 11, chip_c1, 30, 3)
    chip_left = min(board.x(chip_c0), board.x(chip_c1))
    chip_width = chip_c1 - chip_c0 + 1
    draw_text(canvas, label, chip_left + (chip_width - text_width(label)) // 2, 17, WHITE)
    draw_arrow(canvas, gap_x0 + 1, gap_x1 - 1, 20, 5, WHITE)
    return canvas


def bmp_bytes(canvas):
    """A bottom-up BI_RGB 4-bit BMP of the canvas, rows padded to 4 bytes."""
    row_size = ((canvas.width * 4 + 31) // 32) * 4
    rows = []
    for line in reversed(canvas.pixels):
        padded = line + [0] * (len(line) % 2)
        packed = bytes((padded[i] << 4) | padded[i + 1] for i in range(0, len(padded), 2))
        rows.append(packed.ljust(row_size, b"\0"))
    image = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 4, 0,
                       len(image), 3780, 3780, len(PALETTE), 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + palette + image


def pictures():
    """(file name, canvas) for every bitmap."""
    for suffix, label, signal, outgoing in CLASSES:
        yield "ICO_%s.bmp" % suffix, draw_small(signal, outgoing)
        yield "BMP_%s.bmp" % suffix, draw_large(label, signal, outgoing)


def main():
    default_out = pathlib.Path(__file__).resolve().parent.parent / "torq7m" / "res" / "bitmaps"
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=default_out,
                        help="folder for the BMP files (default: %(default)s)")
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)
    for name, canvas in pictures():
        (args.out / name).write_bytes(bmp_bytes(canvas))
        print(args.out / name)


if __name__ == "__main__":
    main()
