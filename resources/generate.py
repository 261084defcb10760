#!/usr/bin/env python3
"""Draws the header picture and the application icon and makes the placeholder firmware image.

The outputs are kept beside this script; run it again after changing a drawing:

    python3 resources/generate.py          write header.bmp, updater.ico, firmware.bin
    python3 resources/generate.py --check  fail when a kept output differs from what it makes

Only the standard library is used. Shapes are sampled at pixel centres, so one drawing of the
unit serves the header picture and every icon size.
"""

import argparse
import hashlib
import struct
import sys
from pathlib import Path

HERE = Path(__file__).resolve().parent

# The header picture: its background is the colour the dialog leaves out when it draws it.
KEY = (0, 255, 0)
HEADER_WIDTH = 365
HEADER_HEIGHT = 122
PIXELS_PER_METRE = 2835

ICON_SIZES = (32, 16, 48, 32, 16, 48, 32, 16)

FIRMWARE_LENGTH = 11264
FIRMWARE_SEED = b"SERVIKA placeholder firmware image"

NAVY = (24, 48, 100)
SHADOW = (168, 178, 194)
ACCENT = (200, 32, 40)
SLATE = (60, 66, 78)
GREY = (112, 118, 130)

# ---- A tiny pixel font: 5 x 7 glyphs, '#' set ---------------------------------------------

FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#...."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
    " ": ["....."] * 7,
}
GLYPH_WIDTH = 5
GLYPH_HEIGHT = 7


def text_width(text, scale):
    return (len(text) * (GLYPH_WIDTH + 1) - 1) * scale


# ---- A pixel image ------------------------------------------------------------------------


class Image:
    """Pixels as (r, g, b, a) tuples, top row first."""

    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.rows = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        # The key colour belongs to the background alone: drawn in, it would vanish.
        assert colour[:3] != KEY, "the drawing uses the key colour"
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def fill_rect(self, x, y, w, h, colour):
        for py in range(y, y + h):
            for px in range(x, x + w):
                self.put(px, py, colour)

    def text(self, x, y, text, scale, colour):
        for index, char in enumerate(text):
            glyph = FONT[char]
            left = x + index * (GLYPH_WIDTH + 1) * scale
            for gy, line in enumerate(glyph):
                for gx, bit in enumerate(line):
                    if bit == "#":
                        self.fill_rect(left + gx * scale, y + gy * scale, scale, scale, colour)


def opaque(rgb):
    return (rgb[0], rgb[1], rgb[2], 255)


# ---- The unit, drawn in a 48 x 48 design space --------------------------------------------


def in_round_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def in_circle(x, y, cx, cy, radius):
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def lerp(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


# Label panel on the unit's face, where the header picture prints the name.
PANEL = (11.0, 9.0, 37.0, 21.0)


def unit_colour(x, y, label_stripe):
    """The unit's colour at a point of the design space, or None outside it."""
    # Push button, with the two LEDs to its upper left.
    if in_circle(x, y, 29.6, 34.6, 2.0):
        return (192, 198, 208)
    if in_circle(x, y, 31.0, 36.0, 5.2):
        return (150, 158, 170)
    if in_circle(x, y, 31.0, 36.0, 6.6):
        return (34, 38, 46)
    for cx, lit, glint in ((15.0, (226, 48, 48), (255, 196, 196)), (22.0, (52, 196, 84), (200, 246, 210))):
        if in_circle(x, y, cx - 0.7, 27.3, 0.7):
            return glint
        if in_circle(x, y, cx, 28.0, 2.0):
            return lit
        if in_circle(x, y, cx, 28.0, 3.0):
            return (30, 32, 38)
    # Screws in the lower corners.
    for cx in (11.0, 37.0):
        if in_circle(x, y, cx, 43.0, 1.3):
            return (104, 110, 120)
    # Label panel; the icon shows a printed stripe where the header writes the name.
    if in_round_rect(x, y, *PANEL, 1.6):
        if label_stripe and 14.0 <= x <= 34.0 and 13.5 <= y <= 16.5:
            return NAVY
        return (206, 212, 222)
    # Body: a dark case, lighter towards the top, with a darker rim.
    if in_round_rect(x, y, 8.2, 5.2, 39.8, 45.8, 4.0):
        return lerp((78, 86, 100), (44, 48, 58), (y - 5.2) / 40.6)
    if in_round_rect(x, y, 7.0, 4.0, 41.0, 47.0, 5.0):
        return (26, 30, 36)
    # USB socket on the top edge.
    if 20.0 <= x <= 28.0 and 1.6 <= y <= 3.6:
        return (92, 98, 108)
    if 18.0 <= x <= 30.0 and 0.5 <= y <= 4.5:
        return (176, 182, 190)
    return None


def draw_unit(image, left, top, size, label_stripe):
    """Draws the unit into the square of `size` pixels at (left, top)."""
    scale = 48.0 / size
    for py in range(size):
        for px in range(size):
            colour = unit_colour((px + 0.5) * scale, (py + 0.5) * scale, label_stripe)
            if colour is not None:
                image.put(left + px, top + py, opaque(colour))


# ---- The header picture -------------------------------------------------------------------

UNIT_LEFT, UNIT_TOP, UNIT_SIZE = 6, 6, 110
NAME_LEFT = 136


def draw_header():
    image = Image(HEADER_WIDTH, HEADER_HEIGHT, opaque(KEY))
    draw_unit(image, UNIT_LEFT, UNIT_TOP, UNIT_SIZE, label_stripe=False)

    # The name on the unit's label panel, centred in it.
    unit_scale = UNIT_SIZE / 48.0
    panel_left = UNIT_LEFT + PANEL[0] * unit_scale
    panel_width = (PANEL[2] - PANEL[0]) * unit_scale
    panel_mid = UNIT_TOP + (PANEL[1] + PANEL[3]) / 2 * unit_scale
    label_x = round(panel_left + (panel_width - text_width("SERVIKA", 1)) / 2)
    image.text(label_x, round(panel_mid - GLYPH_HEIGHT / 2), "SERVIKA", 1, opaque(NAVY))

    image.text(NAME_LEFT, 17, "VELDRAMON", 2, opaque(GREY))
    image.text(NAME_LEFT + 2, 41, "SERVIKA", 5, opaque(SHADOW))
    image.text(NAME_LEFT, 39, "SERVIKA", 5, opaque(NAVY))
    image.fill_rect(NAME_LEFT, 81, text_width("SERVIKA", 5), 4, opaque(ACCENT))
    image.text(NAME_LEFT, 91, "FIRMWARE UPDATER", 2, opaque(SLATE))
    return image


def check_header(image):
    # The background fill is the only source of the key colour; put() refuses it.
    corners = [(0, 0), (image.width - 1, 0), (0, image.height - 1), (image.width - 1, image.height - 1)]
    for x, y in corners:
        assert image.rows[y][x] == opaque(KEY), f"corner {x},{y} is drawn on"
    for row in image.rows:
        for pixel in row:
            assert pixel[3] == 255


def bmp_bytes(image):
    stride = (image.width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(image.rows):  # bottom-up
        line = bytearray()
        for r, g, b, _ in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack(
        "<IiiHHIIiiII", 40, image.width, image.height, 1, 24, 0, len(pixels),
        PIXELS_PER_METRE, PIXELS_PER_METRE, 0, 0)
    offset = 14 + len(info)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return file_header + info + pixels


# ---- The icon -----------------------------------------------------------------------------


def draw_icon(size):
    image = Image(size, size, (0, 0, 0, 0))
    draw_unit(image, 0, 0, size, label_stripe=True)
    return image


def icon_image_bytes(image):
    """One icon image as the icon format stores it: a 32-bit DIB of double height, then the mask."""
    size = image.width
    colour = bytearray()
    for row in reversed(image.rows):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(image.rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def ico_bytes(sizes):
    images = [icon_image_bytes(draw_icon(size)) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = bytearray()
    for size, data in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(images)


# ---- The placeholder firmware image -------------------------------------------------------


def firmware_bytes():
    """Stands in for the enciphered image: deterministic bytes with no visible structure."""
    out = bytearray()
    counter = 0
    while len(out) < FIRMWARE_LENGTH:
        out += hashlib.sha256(FIRMWARE_SEED + counter.to_bytes(4, "little")).digest()
        counter += 1
    return bytes(out[:FIRMWARE_LENGTH])


# ---- Main ---------------------------------------------------------------------------------


def outputs():
    header = draw_header()
    check_header(header)
    return {
        "header.bmp": bmp_bytes(header),
        "updater.ico": ico_bytes(ICON_SIZES),
        "firmware.bin": firmware_bytes(),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true", help="compare with the kept outputs")
    parser.add_argument("--out", type=Path, default=HERE, help="folder of the outputs")
    args = parser.parse_args()

    stale = []
    for name, data in outputs().items():
        path = args.out / name
        if args.check:
            if not path.is_file() or path.read_bytes() != data:
                stale.append(name)
        else:
            path.write_bytes(data)
    if stale:
        print("out of date, run resources/generate.py: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
