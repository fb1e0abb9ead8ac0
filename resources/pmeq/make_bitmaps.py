#!/usr/bin/env python3
"""Draws the Parametric EQ page's four filter-shape pictures and writes them
beside this script as 128 x 64, 16-colour bitmaps:
low_shelf.bmp (4031), high_shelf.bmp (4032), band_pass.bmp (4033) and
band_notch.bmp (4034), the resource ids being 4031 + the filter type.

Each picture is a small response plot: frequency across (low at the left),
gain up. The solid curve is the usual cut; where the same type also boosts
(the shelves and the notch/boost), a dashed curve shows the boost. An orange
dashed line marks the frequency setting and an arrow the width setting.
Run it again after changing a drawing; the files are kept in the tree."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 128, 64

# The 16 colours, by index.
PALETTE = [
    (255, 255, 255),  # 0 plot background
    (226, 230, 236),  # 1 grid
    (150, 156, 166),  # 2 0 dB line
    (70, 76, 88),     # 3 frame
    (20, 70, 160),    # 4 curve
    (196, 216, 244),  # 5 area between curve and 0 dB
    (120, 160, 220),  # 6 boost curve (dashed)
    (230, 120, 0),    # 7 frequency marker
    (40, 40, 40),     # 8 width arrow
    (240, 240, 240),  # 9 outside the frame
    (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0),
]
BACKGROUND, GRID, ZERO, FRAME, CURVE, AREA, BOOST, MARKER, ARROW, OUTSIDE = range(10)

# Plot area inside the frame, and the levels drawn.
LEFT, RIGHT, TOP, BOTTOM = 3, 124, 3, 60
ZERO_Y = 24   # 0 dB
CUT_Y = 50    # the cut the solid curve shows
BOOST_Y = 9   # the boost the dashed curve shows


def smooth(t):
    """0 below 0, 1 above 1, a cosine step in between."""
    t = min(max(t, 0.0), 1.0)
    return 0.5 - 0.5 * math.cos(math.pi * t)


# Each shape: how deep (0 none, 1 full) the section acts at position x
# (0 at the left of the plot, 1 at the right), the frequency marker's x, the
# width arrow's ends, and whether the type also boosts.
def low_shelf(x):
    return 1.0 - smooth((x - 0.30) / 0.16)


def high_shelf(x):
    return smooth((x - 0.54) / 0.16)


def band_pass(x):
    # Acts outside the band.
    return max(1.0 - smooth((x - 0.24) / 0.14), smooth((x - 0.62) / 0.14))


def band_notch(x):
    return min(smooth((x - 0.30) / 0.13), 1.0 - smooth((x - 0.57) / 0.13))


SHAPES = [
    ("low_shelf.bmp", low_shelf, 0.46, (0.30, 0.46), True),
    ("high_shelf.bmp", high_shelf, 0.54, (0.54, 0.70), True),
    ("band_pass.bmp", band_pass, 0.50, (0.38, 0.62), False),
    ("band_notch.bmp", band_notch, 0.50, (0.37, 0.63), True),
]


class Canvas:
    def __init__(self):
        self.pixels = [[OUTSIDE] * WIDTH for _ in range(HEIGHT)]

    def put(self, x, y, colour):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.pixels[y][x] = colour

    def hline(self, x0, x1, y, colour, dash=0):
        for x in range(x0, x1 + 1):
            if not dash or (x // dash) % 2 == 0:
                self.put(x, y, colour)

    def vline(self, x, y0, y1, colour, dash=0):
        for y in range(min(y0, y1), max(y0, y1) + 1):
            if not dash or (y // dash) % 2 == 0:
                self.put(x, y, colour)


def plot_x(t):
    return LEFT + 1 + round(t * (RIGHT - LEFT - 2))


def curve_points(shape, level):
    """y of the curve for every plot column."""
    points = []
    for x in range(LEFT + 1, RIGHT):
        t = (x - LEFT - 1) / (RIGHT - LEFT - 2)
        points.append((x, round(ZERO_Y + (level - ZERO_Y) * shape(t))))
    return points


def draw_curve(canvas, points, colour, dash=0):
    previous = None
    for i, (x, y) in enumerate(points):
        if dash and (i // dash) % 2 == 1:
            previous = y
            continue
        # Join steep steps with a vertical run so the line stays unbroken.
        if previous is not None and abs(y - previous) > 1:
            step = 1 if y > previous else -1
            canvas.vline(x, previous + step, y, colour)
        canvas.put(x, y, colour)
        canvas.put(x, y + 1 if colour == CURVE else y, colour)
        previous = y


def draw(shape, marker, width, boosts):
    c = Canvas()
    for y in range(TOP + 1, BOTTOM):
        c.hline(LEFT + 1, RIGHT - 1, y, BACKGROUND)
    # Grid: decades across, 20 dB steps down from 0 dB.
    for t in (0.2, 0.4, 0.6, 0.8):
        c.vline(plot_x(t), TOP + 1, BOTTOM - 1, GRID)
    for y in (BOOST_Y, (ZERO_Y + CUT_Y) // 2, CUT_Y):
        c.hline(LEFT + 1, RIGHT - 1, y, GRID)
    # The cut: the area between 0 dB and the curve, then the curve itself.
    cut = curve_points(shape, CUT_Y)
    for x, y in cut:
        if y > ZERO_Y + 1:
            c.vline(x, ZERO_Y + 1, y - 1, AREA)
    c.hline(LEFT + 1, RIGHT - 1, ZERO_Y, ZERO)
    if boosts:
        draw_curve(c, curve_points(shape, BOOST_Y), BOOST, dash=3)
    draw_curve(c, cut, CURVE)
    # Frequency marker and width arrow.
    mx = plot_x(marker)
    c.vline(mx, TOP + 1, BOTTOM - 1, MARKER, dash=2)
    x0, x1 = plot_x(width[0]), plot_x(width[1])
    y = BOTTOM - 4
    c.hline(x0, x1, y, ARROW)
    for d in (1, 2):
        c.vline(x0 + d, y - d, y + d, ARROW)
        c.vline(x1 - d, y - d, y + d, ARROW)
    c.vline(x0, y - 3, y + 3, ARROW)
    c.vline(x1, y - 3, y + 3, ARROW)
    # Frame last, so nothing draws over it.
    c.hline(LEFT, RIGHT, TOP, FRAME)
    c.hline(LEFT, RIGHT, BOTTOM, FRAME)
    c.vline(LEFT, TOP, BOTTOM, FRAME)
    c.vline(RIGHT, TOP, BOTTOM, FRAME)
    return c.pixels


def write_bmp(name, pixels):
    row_bytes = WIDTH // 2  # 4 bits a pixel; 64 bytes is already a multiple of 4
    bits = bytearray()
    for row in reversed(pixels):  # bottom-up
        for x in range(0, WIDTH, 2):
            bits.append((row[x] << 4) | row[x + 1])
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, row_bytes * HEIGHT,
                       2835, 2835, 16, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + palette + bits)


if __name__ == "__main__":
    for name, shape, marker, width, boosts in SHAPES:
        write_bmp(name, draw(shape, marker, width, boosts))
