#!/usr/bin/env python3
"""Draws the program's icon and writes it as a Windows .ico file.

The picture is a generic application window: a dark frame, a blue title bar
with three caption buttons (minimise, maximise, close) and a white client
area. It is drawn afresh for each pixel size from a small layout table, so
that the 16 x 16 image keeps one-pixel lines and a legible title bar instead
of being a shrunken 48 x 48 one.

The .ico holds eight images, in the order the resource script's two icon
groups list them: 32/16 px at 4 bits, 48/32/16 px at 8 bits and 48/32/16 px
at 32 bits with alpha. Every image is a plain device-independent bitmap
(40-byte BITMAPINFOHEADER, colour table where the depth has one, bottom-up
colour bits, 1-bit AND mask); none is PNG-compressed, so that every version
of the shell can read them.

Usage: make_icons.py OUTPUT.ico
Only the standard library is used, so the build needs nothing but python3.
"""

import struct
import sys

# Image order of the icon groups: (size in pixels, bits per pixel).
IMAGES = [
    (32, 4),
    (16, 4),
    (48, 8),
    (32, 8),
    (16, 8),
    (48, 32),
    (32, 32),
    (16, 32),
]

# Window geometry per size, in pixels. left/top/right/bottom: the window's
# outer frame (inclusive); title: title-bar height inside the frame;
# button: caption-button edge; gap: space between buttons; glyphs: whether
# the buttons are big enough to carry their little symbols; shadow: offset
# of the soft drop shadow that only the alpha images show.
LAYOUT = {
    16: dict(left=0, top=1, right=15, bottom=14, title=4, button=2, gap=1, glyphs=False, shadow=0),
    32: dict(left=1, top=3, right=29, bottom=27, title=8, button=6, gap=1, glyphs=True, shadow=2),
    48: dict(left=2, top=5, right=44, bottom=41, title=10, button=7, gap=2, glyphs=True, shadow=3),
}

# The 16 colours of the standard VGA palette, the table of every 4-bit icon.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def draw(size):
    """Returns size x size cells, top row first, each a part name and, for
    the title bar, its row within the bar (for the gradient). None is a
    transparent cell."""
    g = LAYOUT[size]
    cells = [[None] * size for _ in range(size)]

    def fill(x0, y0, x1, y1, part, row=None):
        for y in range(max(y0, 0), min(y1, size - 1) + 1):
            for x in range(max(x0, 0), min(x1, size - 1) + 1):
                cells[y][x] = (part, y - y0 if row is None else row)

    left, top, right, bottom = g["left"], g["top"], g["right"], g["bottom"]
    if g["shadow"]:
        s = g["shadow"]
        fill(left + s, top + s, right + s, bottom + s, "shadow")
    fill(left, top, right, bottom, "frame")
    bar_top, bar_bottom = top + 1, top + g["title"]
    fill(left + 1, bar_top, right - 1, bar_bottom, "title")
    fill(left + 1, bar_bottom + 1, right - 1, bottom - 1, "client")

    # Caption buttons, right-aligned in the bar and vertically centred.
    b, gap = g["button"], g["gap"]
    by0 = bar_top + (g["title"] - b) // 2
    by1 = by0 + b - 1
    margin = 1 if size == 16 else gap
    x1 = right - 1 - margin
    for kind in ("close", "maximise", "minimise"):
        x0 = x1 - b + 1
        fill(x0, by0, x1, by1, "button")
        if g["glyphs"]:
            draw_glyph(cells, kind, x0, by0, b)
        x1 = x0 - 1 - gap
    return cells


def draw_glyph(cells, kind, x0, y0, b):
    """The symbol of one caption button, inside its b x b square."""
    inner0, inner1 = 1, b - 2  # leave a one-pixel rim of button face
    if kind == "minimise":
        for x in range(inner0, inner1 + 1):
            cells[y0 + inner1][x0 + x] = ("glyph", 0)
    elif kind == "maximise":
        for i in range(inner0, inner1 + 1):
            for (x, y) in ((i, inner0), (i, inner1), (inner0, i), (inner1, i)):
                cells[y0 + y][x0 + x] = ("glyph", 0)
        if b >= 7:  # room for the thick top edge of a window
            for x in range(inner0, inner1 + 1):
                cells[y0 + inner0 + 1][x0 + x] = ("glyph", 0)
    else:
        for i in range(inner0, inner1 + 1):
            cells[y0 + i][x0 + i] = ("glyph", 0)
            cells[y0 + i][x0 + b - 1 - i] = ("glyph", 0)


def title_colour(row, height):
    """A vertical blue gradient: lighter at the top, deeper at the bottom."""
    top, bottom = (74, 138, 222), (16, 62, 156)
    t = row / max(height - 1, 1)
    return tuple(round(a + (c - a) * t) for a, c in zip(top, bottom))


def true_colour(part, row, size):
    """(r, g, b, a) of a part in the 32-bit images."""
    if part == "frame":
        return (40, 44, 52, 255)
    if part == "title":
        return title_colour(row, LAYOUT[size]["title"]) + (255,)
    if part == "client":
        return (255, 255, 255, 255)
    if part == "button":
        return (232, 236, 242, 255)
    if part == "glyph":
        return (24, 32, 48, 255)
    if part == "shadow":
        return (0, 0, 0, 64)
    raise ValueError(part)


def vga_index(part):
    """Palette index of a part in the 4-bit images (no shadow there)."""
    return {"frame": 0, "title": 4, "client": 15, "button": 7, "glyph": 0}[part]


def rows_bottom_up(size):
    return range(size - 1, -1, -1)


def pad4(data):
    return data + b"\0" * (-len(data) % 4)


def and_mask(cells, size, opaque):
    """The 1-bit AND mask: 1 marks a transparent pixel."""
    out = b""
    for y in rows_bottom_up(size):
        row = bytearray((size + 7) // 8)
        for x in range(size):
            if not opaque(cells[y][x]):
                row[x // 8] |= 0x80 >> (x % 8)
        out += pad4(bytes(row))
    return out


def bitmap_header(size, bpp, image_bytes):
    # The height counts the colour bits and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0, image_bytes, 0, 0, 0, 0)


def paletted_image(size, bpp):
    cells = draw(size)
    # A paletted image has no partial transparency: the shadow is left out.
    opaque = lambda c: c is not None and c[0] != "shadow"
    if bpp == 4:
        palette = VGA16
        index = lambda c: vga_index(c[0])
    else:
        palette = [(0, 0, 0)]
        for row in cells:
            for c in row:
                if opaque(c):
                    rgb = true_colour(c[0], c[1], size)[:3]
                    if rgb not in palette:
                        palette.append(rgb)
        palette += [(0, 0, 0)] * (256 - len(palette))
        index = lambda c: palette.index(true_colour(c[0], c[1], size)[:3])

    xor = b""
    for y in rows_bottom_up(size):
        idx = [index(cells[y][x]) if opaque(cells[y][x]) else 0 for x in range(size)]
        if bpp == 4:
            row = bytes((idx[x] << 4) | idx[x + 1] for x in range(0, size, 2))
        else:
            row = bytes(idx)
        xor += pad4(row)
    mask = and_mask(cells, size, opaque)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return bitmap_header(size, bpp, len(xor) + len(mask)) + table + xor + mask


def alpha_image(size):
    cells = draw(size)
    xor = b""
    for y in rows_bottom_up(size):
        for x in range(size):
            c = cells[y][x]
            r, g, b, a = true_colour(c[0], c[1], size) if c else (0, 0, 0, 0)
            xor += struct.pack("<BBBB", b, g, r, a)
    # Older shells that ignore alpha fall back on the mask: only the fully
    # opaque window counts as the icon's shape there.
    mask = and_mask(cells, size, lambda c: c is not None and c[0] != "shadow")
    return bitmap_header(size, 32, len(xor) + len(mask)) + xor + mask


def build_ico():
    images = [alpha_image(s) if bpp == 32 else paletted_image(s, bpp) for (s, bpp) in IMAGES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bpp), data in zip(IMAGES, images):
        colours = 16 if bpp == 4 else 0  # 0: 256 or more colours
        out += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bpp, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icons.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(build_ico())


if __name__ == "__main__":
    main()
