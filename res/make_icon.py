#!/usr/bin/python3
"""Turns the text pixel map of the program's icon into a .ico file: one 32 by 32 image of
16 colours (4 bits per pixel) with its transparency mask.

Usage: make_icon.py MAP ICO
"""
import struct
import sys

SIZE = 32
# The 16-colour palette, as red, green, blue.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def read_map(path):
    rows = [line.rstrip("\n") for line in open(path, encoding="ascii") if not line.startswith("#")]
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        sys.exit(f"{path}: the map must have {SIZE} rows of {SIZE} characters")
    for y, row in enumerate(rows):
        for x, c in enumerate(row):
            if c != "." and c not in "0123456789ABCDEF":
                sys.exit(f"{path}: row {y}, column {x}: {c!r} is no colour")
    return rows


def image(rows):
    # The bitmap is stored bottom row first; the colour rows take 16 bytes, the mask rows 4
    # (32 bits, 1 for a transparent pixel).
    colours = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        indexes = [0 if c == "." else int(c, 16) for c in row]
        colours += bytes((indexes[x] << 4) | indexes[x + 1] for x in range(0, SIZE, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (c == ".")
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = image(read_map(sys.argv[1]))
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(data), len(directory) + 16)
    with open(sys.argv[2], "wb") as out:
        out.write(directory + entry + data)


if __name__ == "__main__":
    main()
