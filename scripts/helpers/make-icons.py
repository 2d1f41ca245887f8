#!/usr/bin/env python3
"""Writes the installed page's icons from the show's picture: the picture
(a 24-bit bitmap) scaled by nearest pixel to each side given, as
OUTDIR/icon-SIDE.png.

    make-icons.py PICTURE OUTDIR SIDE...
"""
import os
import struct
import sys
import zlib

from showfiles import read_bmp


def png(width, height, rows):
    """An 8-bit RGB PNG of rows of bytes (r, g, b, ...)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) < 4 or sys.argv[1] in ("-h", "--help"):
        print("usage: make-icons.py PICTURE OUTDIR SIDE...", file=sys.stderr if len(sys.argv) < 4 else sys.stdout)
        return 2 if len(sys.argv) < 4 else 0
    picture, out, *sides = sys.argv[1:]
    rows = read_bmp(picture)
    height, width = len(rows), len(rows[0])
    for side in map(int, sides):
        scaled = []
        for y in range(side):
            row = rows[y * height // side]
            scaled.append(bytes(c for x in range(side) for c in reversed(row[x * width // side])))
        with open(os.path.join(out, f"icon-{side}.png"), "wb") as f:
            f.write(png(side, side, scaled))
    return 0


if __name__ == "__main__":
    sys.exit(main())
