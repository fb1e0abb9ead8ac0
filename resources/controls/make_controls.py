#!/usr/bin/env python3
"""Draws the controls' cursors and logo bitmaps and writes them beside this
script: link.cur (4), drag_vertical.cur (5), fader_left.cur (27),
fader_right.cur (28), logo.bmp (24019) and logo_hover.bmp (24020).
Run it again after changing a drawing; the files are kept in the tree."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Cursor art, 32 x 32: '#' black, 'o' white, anything else transparent.
# The hot spot is marked by the first 'X' (drawn black).
HAND = """
     X#
     #o#
     #o#
     #o#
     #o###
     #o#oo###
     #o#o#oo###
  ## #ooooo#oo#
  #o##oooooooo#
  #oo#oooooooo#
   #o#ooooooooo#
   #oooooooooo#
    #ooooooooo#
    #oooooooo#
     #ooooooo#
     #ooooooo#
     #########
"""

DRAG_VERTICAL = """
       #
      #o#
     #ooo#
    #ooooo#
   #ooooooo#
   ####o####
      #o#
      #o#
      #X#
      #o#
      #o#
   ####o####
   #ooooooo#
    #ooooo#
     #ooo#
      #o#
       #
"""

ARROW = """
X
##
#o#
#oo#
#ooo#
#oooo#
#ooooo#
#oooooo#
#ooooooo#
#oooooooo#
#ooooo#####
#oo#oo#
#o# #oo#
##  #oo#
#    #oo#
     #oo#
      ##
"""

LETTER_L = """
#
#
#
#
#
#####
"""

LETTER_R = """
####
#   #
####
# #
#  #
#   #
"""


def grid(art):
    rows = art.strip("\n").split("\n")
    return [row.ljust(32)[:32] for row in rows] + [" " * 32] * (32 - len(rows))


def overlay(base, letter, x0, y0):
    rows = [list(r) for r in base]
    for y, row in enumerate(letter.strip("\n").split("\n")):
        for x, c in enumerate(row):
            if c == "#":
                # A white halo keeps the letter readable on any background.
                for dy in (-1, 0, 1):
                    for dx in (-1, 0, 1):
                        if rows[y0 + y + dy][x0 + x + dx] == " ":
                            rows[y0 + y + dy][x0 + x + dx] = "o"
                rows[y0 + y][x0 + x] = "#"
    return ["".join(r) for r in rows]


def write_cursor(name, rows):
    hot = (0, 0)
    for y, row in enumerate(rows):
        if "X" in row:
            hot = (row.index("X"), y)
            break
    xor = bytearray()
    and_ = bytearray()
    for row in reversed(rows):  # bottom-up
        xbits = abits = 0
        for x in range(32):
            c = row[x]
            white = c == "o"
            transparent = c not in "#oX"
            xbits = (xbits << 1) | (1 if white else 0)
            abits = (abits << 1) | (1 if transparent else 0)
        xor += struct.pack(">I", xbits)
        and_ += struct.pack(">I", abits)
    header = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, len(xor) + len(and_), 0, 0, 2, 0)
    palette = struct.pack("<II", 0x000000, 0xFFFFFF)
    image = header + palette + bytes(xor) + bytes(and_)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, hot[0], hot[1], len(image), 6 + 16)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(directory + entry + image)


# 5 x 7 glyphs for the word mark.
GLYPHS = {
    "o": ["     ", "     ", " ### ", "#   #", "#   #", "#   #", " ### "],
    "r": ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    "l": [" ##  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
}


def write_logo(name, hover):
    width, height = 60, 24
    pixels = [[(0, 0, 0)] * width for _ in range(height)]
    for y in range(height):
        for x in range(width):
            # A blue-grey gradient; the hover version is lighter and warmer.
            t = y / (height - 1)
            if hover:
                base = (int(70 + 40 * t), int(110 + 50 * t), int(170 + 40 * t))
            else:
                base = (int(40 + 30 * t), int(60 + 40 * t), int(100 + 40 * t))
            pixels[y][x] = base
    # A ring at the left: the "o" of the mark, with a wave through it.
    cx, cy, r = 11, 12, 8
    for y in range(height):
        for x in range(24):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if r - 1.5 <= d <= r + 0.5:
                pixels[y][x] = (255, 200, 80) if hover else (240, 170, 40)
    for x in range(2, 21):
        y = int(round(cy + 3 * math.sin((x - 2) / 18 * 2 * math.pi)))
        pixels[y][x] = (255, 255, 255)
    # The word mark beside the ring.
    x0, y0 = 25, 8
    for letter in "orlo":
        glyph = GLYPHS[letter]
        for gy, row in enumerate(glyph):
            for gx, c in enumerate(row):
                if c == "#":
                    pixels[y0 + gy][x0 + gx] = (255, 255, 255)
        x0 += 7 if letter != "l" else 6
    stride = (width * 3 + 3) & ~3
    bits = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        for (red, green, blue) in row:
            line += bytes((blue, green, red))
        line += b"\0" * (stride - len(line))
        bits += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(bits), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(file_header + info + bits)


if __name__ == "__main__":
    write_cursor("link.cur", grid(HAND))
    write_cursor("drag_vertical.cur", grid(DRAG_VERTICAL))
    write_cursor("fader_left.cur", overlay(grid(ARROW), LETTER_L, 13, 13))
    write_cursor("fader_right.cur", overlay(grid(ARROW), LETTER_R, 13, 13))
    write_logo("logo.bmp", hover=False)
    write_logo("logo_hover.bmp", hover=True)
