#!/usr/bin/env python3
"""Writes brelvano_mini.swf: Brelvano's own minimal player movie.

An uncompressed SWF 6 movie of 300 x 40 pixels at 12 frames per second with
one frame: a dark background and a lighter bar drawn as one filled shape.
It plays no sound; it gives a publish folder a small, valid player movie
whose header tells the page its frame size.

Run from anywhere: python3 players/make_player.py
"""
import os
import struct

WIDTH_PX, HEIGHT_PX = 300, 40
TWIPS = 20


class Bits:
    """Bit writer, most significant bit first, for RECTs and shape records."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def ub(self, value, nbits):
        for i in range(nbits - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc, self.n = 0, 0

    def sb(self, value, nbits):
        self.ub(value & ((1 << nbits) - 1), nbits)

    def align(self):
        if self.n:
            self.ub(0, 8 - self.n)
        return bytes(self.out)


def signed_bits(*values):
    return max(max(abs(v) for v in values).bit_length() + 1, 2)


def rect(xmin, xmax, ymin, ymax):
    b = Bits()
    n = signed_bits(xmin, xmax, ymin, ymax)
    b.ub(n, 5)
    for v in (xmin, xmax, ymin, ymax):
        b.sb(v, n)
    return b.align()


def tag(code, body):
    if len(body) < 63:
        return struct.pack("<H", (code << 6) | len(body)) + body
    return struct.pack("<HI", (code << 6) | 63, len(body)) + body


def bar_shape(shape_id, x0, y0, x1, y1, rgb):
    """DefineShape: one solid fill, no line style, a closed rectangle."""
    body = struct.pack("<H", shape_id) + rect(x0, x1, y0, y1)
    body += bytes([1, 0x00]) + bytes(rgb)  # one solid fill style
    body += bytes([0])                     # no line styles
    b = Bits()
    b.ub(1, 4)  # NumFillBits
    b.ub(0, 4)  # NumLineBits
    # Style change: fill style 1 on, move to (x0, y0).
    b.ub(0, 1)
    b.ub(0, 1); b.ub(0, 1); b.ub(1, 1); b.ub(0, 1); b.ub(1, 1)
    n = signed_bits(x0, y0)
    b.ub(n, 5); b.sb(x0, n); b.sb(y0, n)
    b.ub(1, 1)  # FillStyle1 = 1
    # Four straight edges, each horizontal or vertical.
    for dx, dy in ((x1 - x0, 0), (0, y1 - y0), (x0 - x1, 0), (0, y0 - y1)):
        d = dx if dx else dy
        n = signed_bits(d)
        b.ub(1, 1); b.ub(1, 1)   # edge, straight
        b.ub(n - 2, 4)
        b.ub(0, 1)               # not a general line
        b.ub(1 if dy else 0, 1)  # vertical?
        b.sb(d, n)
    b.ub(0, 6)  # end of shape
    body += b.align()
    return tag(2, body)


def place(char_id, depth):
    # PlaceObject2 with a character and an identity matrix.
    return tag(26, bytes([0x06]) + struct.pack("<HH", depth, char_id) + bytes([0]))


def movie():
    w, h = WIDTH_PX * TWIPS, HEIGHT_PX * TWIPS
    tags = tag(9, bytes([0x20, 0x24, 0x30]))  # SetBackgroundColor
    tags += bar_shape(1, 10 * TWIPS, 16 * TWIPS, 290 * TWIPS, 24 * TWIPS, (0x7F, 0xC8, 0xF0))
    tags += place(1, 1)
    tags += tag(1, b"")  # ShowFrame
    tags += tag(0, b"")  # End
    head = rect(0, w, 0, h) + struct.pack("<HH", 12 << 8, 1)  # 12 fps in 8.8, one frame
    length = 8 + len(head) + len(tags)
    return b"FWS" + bytes([6]) + struct.pack("<I", length) + head + tags


if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "brelvano_mini.swf")
    with open(path, "wb") as f:
        f.write(movie())
    print(path)
