#!/usr/bin/env python3
"""Draws Pelvaro's program icon and writes it as a Windows .ico file, or as
the web page's icons.

The icon is a blue "@" sign. The .ico file holds six images, in this order:
16x16, 32x32 and 48x48 at 8 bits per pixel (256-colour palette, 1-bit
transparency mask), then the same three sizes at 32 bits per pixel with an
alpha channel. The web page's icons are the same sign in the sizes browsers
ask for: favicon.ico (16x16 and 32x32, each a PNG image, which every browser
reads in an icon file and which keeps it small), apple-touch-icon.png
(180x180, on white: a phone's home screen shows no transparency) and the web
app manifest's pelvaro-192.png and pelvaro-512.png.

The drawing uses only additions, multiplications, divisions and square roots,
which IEEE arithmetic rounds the same way everywhere, so the same script writes
the same bytes on every machine. Only the standard library is used.

    python3 tools/make_icon.py            # rewrites app/resources/pelvaro.ico
    python3 tools/make_icon.py --check    # exit status 1 if the file differs
    python3 tools/make_icon.py --web DIR  # writes the web page's icons into DIR
"""

import argparse
import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 32, 48)

# Stroke width in pixels for each image size: wide enough that the sign stays
# readable at 16x16, thin enough that its rings keep their holes. Larger
# images take a tenth of their size, as 48x48 does.
STROKE = {16: 1.5, 32: 3.4, 48: 4.8}

# Radius of the bowl of the "a" against that of the outer ring: a little
# larger at 16x16, so that the bowl keeps a hole; 0.42 from 32x32 up.
BOWL = {16: 0.48, 32: 0.42, 48: 0.42}

# The sizes of the web page's favicon.ico: a browser's tab at one and two
# device pixels to the CSS pixel.
FAVICON_SIZES = (16, 32)

# The web page's PNG icons: file name, size, and whether the sign stands on
# white rather than on transparency.
WEB_IMAGES = (("apple-touch-icon.png", 180, True), ("pelvaro-192.png", 192, False),
              ("pelvaro-512.png", 512, False))

# Samples per pixel along each axis when measuring how much of a pixel the
# sign covers.
SUPERSAMPLE = 8

# The sign's colour runs from a lighter blue at the top to a darker one at the
# bottom (red, green, blue).
TOP_COLOUR = (0x35, 0x7C, 0xE8)
BOTTOM_COLOUR = (0x10, 0x3C, 0xA0)

# Shades of the gradient held in the 256-colour palette.
PALETTE_SHADES = 16

DEFAULT_OUTPUT = Path(__file__).resolve().parent.parent / "app" / "resources" / "pelvaro.ico"


def cross(ax, ay, bx, by):
    return ax * by - ay * bx


class AtSign:
    """The "@" drawn in a unit square, y pointing down."""

    def __init__(self, size):
        self.half_stroke = STROKE.get(size, size / 10.0) / (2.0 * size)
        margin = 1.0 / size
        self.cx = 0.5
        self.cy = 0.5
        # Outer ring just inside the square, inner ring (the bowl of the "a")
        # a little under half of it.
        self.outer = 0.5 - margin - self.half_stroke
        self.inner = BOWL.get(size, 0.42) * self.outer
        # The stem runs down the right side of the bowl to just below the
        # centre, then a half circle (the hook) carries it out to the outer
        # ring, which opens from there clockwise to the end of the tail.
        self.stem_x = self.cx + self.inner
        self.stem_top = self.cy - self.inner
        self.stem_bottom = self.cy + 0.12 * self.outer
        self.hook_cx = self.cx + (self.inner + self.outer) / 2.0
        self.hook_r = (self.outer - self.inner) / 2.0
        # The gap in the outer ring: from the direction of the hook's outer end
        # clockwise to the direction of the tail's end.
        self.gap_from = (self.outer, self.stem_bottom - self.cy)
        self.gap_to = (0.62, 0.78)
        norm = math.sqrt(self.gap_to[0] ** 2 + self.gap_to[1] ** 2)
        self.tail_x = self.cx + self.outer * self.gap_to[0] / norm
        self.tail_y = self.cy + self.outer * self.gap_to[1] / norm

    def covers(self, x, y):
        w = self.half_stroke
        dx = x - self.cx
        dy = y - self.cy
        r = math.sqrt(dx * dx + dy * dy)
        # Bowl of the "a".
        if abs(r - self.inner) <= w:
            return True
        # Stem.
        if abs(x - self.stem_x) <= w and self.stem_top <= y <= self.stem_bottom:
            return True
        # Hook: the lower half of a circle between the stem and the outer ring.
        if y >= self.stem_bottom:
            hx = x - self.hook_cx
            hy = y - self.stem_bottom
            if abs(math.sqrt(hx * hx + hy * hy) - self.hook_r) <= w:
                return True
        # Outer ring, less the gap, with a round end to the tail.
        if abs(r - self.outer) <= w:
            in_gap = (cross(self.gap_from[0], self.gap_from[1], dx, dy) > 0
                      and cross(dx, dy, self.gap_to[0], self.gap_to[1]) > 0)
            if not in_gap:
                return True
        tx = x - self.tail_x
        ty = y - self.tail_y
        return tx * tx + ty * ty <= w * w


def pixel_coverage(sign, size, px, py):
    """How many of the pixel's SUPERSAMPLE**2 samples the sign covers."""
    n = SUPERSAMPLE
    hits = 0
    for sy in range(n):
        y = (py + (sy + 0.5) / n) / size
        for sx in range(n):
            x = (px + (sx + 0.5) / n) / size
            if sign.covers(x, y):
                hits += 1
    return hits


def coverage(size):
    """Fraction of each pixel covered by the sign, rows from the top, as
    integers 0..SUPERSAMPLE**2."""
    sign = AtSign(size)
    if size <= 48:
        return [[pixel_coverage(sign, size, px, py) for px in range(size)] for py in range(size)]
    # A large image's strokes are many pixels wide, so a pixel whose four
    # corners agree lies wholly inside or outside the sign: only the pixels
    # along its edges are sampled, which keeps 512x512 to a second or two.
    corner = [[sign.covers(x / size, y / size) for x in range(size + 1)] for y in range(size + 1)]
    full = SUPERSAMPLE * SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            corners = {corner[py][px], corner[py][px + 1], corner[py + 1][px], corner[py + 1][px + 1]}
            if len(corners) == 1:
                row.append(full if corners.pop() else 0)
            else:
                row.append(pixel_coverage(sign, size, px, py))
        rows.append(row)
    return rows


def gradient(t):
    """Colour at height t (0 at the top, 1 at the bottom)."""
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(TOP_COLOUR, BOTTOM_COLOUR))


def palette():
    """256 colours: black (behind transparent pixels), the gradient's shades,
    a 6x6x6 colour cube, then greys."""
    colours = [(0, 0, 0)]
    colours += [gradient(i / (PALETTE_SHADES - 1)) for i in range(PALETTE_SHADES)]
    levels = (0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF)
    colours += [(r, g, b) for r in levels for g in levels for b in levels]
    grey = 0
    while len(colours) < 256:
        grey += 8
        colours.append((grey, grey, grey))
    return colours


def mask_bytes(size, opaque):
    """The 1-bit AND mask, bottom row first, rows padded to 4 bytes: 1 marks a
    transparent pixel."""
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(size)):
        row = bytearray(stride)
        for x in range(size):
            if not opaque[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def info_header(size, bits, image_bytes, colours_used):
    # BITMAPINFOHEADER; an icon's height counts the colour bitmap and the mask.
    return struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bits, 0, image_bytes, 0, 0, colours_used, 0)


def image_8bit(size):
    cov = coverage(size)
    full = SUPERSAMPLE * SUPERSAMPLE
    colours = palette()
    opaque = [[c * 2 >= full for c in row] for row in cov]
    pixels = bytearray()
    for y in reversed(range(size)):
        shade = 1 + int(round(y / (size - 1) * (PALETTE_SHADES - 1)))
        row = bytearray(size)
        for x in range(size):
            row[x] = shade if opaque[y][x] else 0
        pixels += row  # 8-bit rows of 16, 32 or 48 bytes need no padding
    mask = mask_bytes(size, opaque)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)
    return info_header(size, 8, len(pixels) + len(mask), 256) + table + bytes(pixels) + mask


def image_32bit(size):
    cov = coverage(size)
    full = SUPERSAMPLE * SUPERSAMPLE
    pixels = bytearray()
    for y in reversed(range(size)):
        r, g, b = gradient(y / (size - 1))
        for x in range(size):
            alpha = (cov[y][x] * 255 + full // 2) // full
            if alpha:
                pixels += struct.pack("<BBBB", b, g, r, alpha)
            else:
                pixels += b"\0\0\0\0"
    mask = mask_bytes(size, [[c > 0 for c in row] for row in cov])
    return info_header(size, 32, len(pixels) + len(mask), 0) + bytes(pixels) + mask


# An opaque PNG image holds the gradient's shades, each blended with white in
# as many steps: a palette of 256 colours, a third of the file of full colour.
WHITE_SHADES = 16
WHITE_STEPS = 16


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png_file(size, on_white=False):
    """The sign as a PNG image, rows from the top, with the same gradient and
    coverage as the 32-bit images: 8-bit RGBA, or on white a palette image."""
    cov = coverage(size)
    full = SUPERSAMPLE * SUPERSAMPLE
    raw = bytearray()
    palette = b""
    for y in range(size):
        raw.append(0)  # filter type: none
        if on_white:
            shade = int(round(y / (size - 1) * (WHITE_SHADES - 1)))
            raw += bytes(shade * WHITE_STEPS + (c * (WHITE_STEPS - 1) + full // 2) // full for c in cov[y])
            continue
        colour = bytes(gradient(y / (size - 1)))
        for x in range(size):
            alpha = (cov[y][x] * 255 + full // 2) // full
            raw += colour + bytes((alpha,)) if alpha else b"\0\0\0\0"
    if on_white:
        for shade in range(WHITE_SHADES):
            colour = gradient(shade / (WHITE_SHADES - 1))
            for step in range(WHITE_STEPS):
                palette += bytes((c * step + 255 * (WHITE_STEPS - 1 - step) + (WHITE_STEPS - 1) // 2)
                                 // (WHITE_STEPS - 1) for c in colour)
    colour_type = 3 if on_white else 6  # palette, or RGBA
    header = struct.pack(">IIBBBBB", size, size, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + (png_chunk(b"PLTE", palette) if on_white else b"")
            + png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + png_chunk(b"IEND", b""))


def icon_file(images=None):
    """An icon file of (size, bits per pixel, image data) entries: by default
    the program's six images."""
    if images is None:
        images = [(s, 8, image_8bit(s)) for s in SIZES] + [(s, 32, image_32bit(s)) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        # Width, height, colour count (0 for 256 or more), reserved, planes,
        # bits per pixel, byte count, offset.
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return out


def write_web_icons(folder):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "favicon.ico").write_bytes(icon_file([(s, 32, png_file(s)) for s in FAVICON_SIZES]))
    for name, size, on_white in WEB_IMAGES:
        (folder / name).write_bytes(png_file(size, on_white))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", type=Path, default=DEFAULT_OUTPUT)
    parser.add_argument("--check", action="store_true",
                        help="compare with the file instead of writing it")
    parser.add_argument("--web", type=Path, metavar="DIR",
                        help="write the web page's icons into DIR instead")
    args = parser.parse_args()
    if args.web:
        write_web_icons(args.web)
        return 0
    data = icon_file()
    if args.check:
        try:
            same = args.output.read_bytes() == data
        except FileNotFoundError:
            same = False
        if not same:
            print(f"{args.output} is not what {Path(__file__).name} draws; run it to rewrite the file",
                  file=sys.stderr)
            return 1
        return 0
    args.output.write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
