#!/usr/bin/env python3
"""Draws the monitor's three 16 x 16 icons, a disk drive seen from the front,
and writes them as .ico files:

  drive_normal.ico    light blue, 32 bits per pixel with alpha (icon 128)
  drive_warning.ico   red, 8 bits per pixel with a 256-entry palette (icon 129)
  drive_sleeping.ico  grey with its light off, 32 bits per pixel (icon 130)

Usage: gen_icons.py OUTPUT_DIR

The tray draws the temperature over the upper and middle rows, so the
drive's body fills the icon and keeps its detail low.
"""

import os
import struct
import sys

SIZE = 16

# One character per pixel, top row first. '.' is transparent, ',' is the
# soft edge of a rounded corner (half transparent where alpha exists).
SHAPE = [
    "................",
    "................",
    ",##############,",
    "#TTTTTTTTTTTTTT#",
    "#THHHHHHHHHHHHT#",
    "#TTTTTTTTTTTTTT#",
    "################",
    "#FFFFFFFFFFFFFF#",
    "#FFFFFFFFFFFFFF#",
    "#FSSSSSSSSFFFFF#",
    "#FFFFFFFFFFFLLF#",
    "#FFFFFFFFFFFLLF#",
    "#DDDDDDDDDDDDDD#",
    ",##############,",
    "................",
    "................",
]

# (red, green, blue) per shape character.
BLUE = {
    "#": (0x1B, 0x4F, 0x7A),  # outline
    ",": (0x1B, 0x4F, 0x7A),
    "T": (0xB8, 0xE2, 0xFA),  # top face
    "H": (0xE6, 0xF6, 0xFF),  # highlight on the top face
    "F": (0x6F, 0xC3, 0xF0),  # front face
    "S": (0x2B, 0x6E, 0x9C),  # slot
    "L": (0x5C, 0xE0, 0x3C),  # activity light
    "D": (0x48, 0x9C, 0xCF),  # shadow along the bottom
}
RED = {
    "#": (0x6E, 0x0E, 0x0E),
    ",": (0x6E, 0x0E, 0x0E),
    "T": (0xFF, 0xB4, 0xB4),
    "H": (0xFF, 0xE2, 0xE2),
    "F": (0xEE, 0x3B, 0x3B),
    "S": (0x86, 0x12, 0x12),
    "L": (0xFF, 0xE0, 0x40),
    "D": (0xC0, 0x22, 0x22),
}
GREY = {
    "#": (0x4A, 0x4A, 0x4A),
    ",": (0x4A, 0x4A, 0x4A),
    "T": (0xD8, 0xD8, 0xD8),
    "H": (0xEE, 0xEE, 0xEE),
    "F": (0xA8, 0xA8, 0xA8),
    "S": (0x60, 0x60, 0x60),
    "L": (0x80, 0x80, 0x80),
    "D": (0x8C, 0x8C, 0x8C),
}


def check_shape():
    assert len(SHAPE) == SIZE and all(len(row) == SIZE for row in SHAPE)
    for colours in (BLUE, RED, GREY):
        assert set("".join(SHAPE)) - {"."} <= set(colours)


def and_mask(opaque):
    """1 bpp mask rows, bottom-up, each padded to 4 bytes: 1 = transparent."""
    rows = []
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if not opaque(x, y):
                bits |= 0x8000 >> x
        rows.append(struct.pack(">H", bits) + b"\0\0")
    return b"".join(rows)


def bitmap_header(bit_count, colours_used, image_bytes):
    # An icon's DIB is twice as high: the colour rows, then the AND mask.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, bit_count, 0, image_bytes, 0, 0,
                       colours_used, 0)


def icon_32(colours):
    pixels = []
    for y in reversed(range(SIZE)):
        for x in range(SIZE):
            c = SHAPE[y][x]
            if c == ".":
                pixels.append(b"\0\0\0\0")
                continue
            r, g, b = colours[c]
            alpha = 0x80 if c == "," else 0xFF
            pixels.append(bytes((b, g, r, alpha)))
    mask = and_mask(lambda x, y: SHAPE[y][x] != ".")
    body = b"".join(pixels) + mask
    return bitmap_header(32, 0, len(body)) + body, 32, 0


def icon_8(colours):
    # Palette index 0 stays black for the transparent pixels; the soft corner
    # has no alpha here and is drawn as outline.
    keys = sorted(colours)
    palette = [(0, 0, 0)] + [colours[k] for k in keys]
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {k: i + 1 for i, k in enumerate(keys)}
    rows = []
    for y in reversed(range(SIZE)):
        rows.append(bytes(index.get(SHAPE[y][x], 0) for x in range(SIZE)))
    mask = and_mask(lambda x, y: SHAPE[y][x] != ".")
    body = b"".join(rows) + mask
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return bitmap_header(8, 256, len(body)) + table + body, 8, 0


def ico(image, bit_count, colour_count):
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, colour_count, 0, 1, bit_count, len(image),
                        6 + 16)
    return header + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: gen_icons.py OUTPUT_DIR")
    check_shape()
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "drive_normal.ico"), "wb") as f:
        f.write(ico(*icon_32(BLUE)))
    with open(os.path.join(out, "drive_warning.ico"), "wb") as f:
        f.write(ico(*icon_8(RED)))
    with open(os.path.join(out, "drive_sleeping.ico"), "wb") as f:
        f.write(ico(*icon_32(GREY)))


if __name__ == "__main__":
    main()
