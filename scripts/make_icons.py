#!/usr/bin/env python3
"""Draws the program icons (a white power symbol on a red disc) and writes
src/resources/haltall.ico, with the small icon's group
src/resources/haltall_small.grp.

Only the standard library is used. Every image has an AND mask, so systems
without alpha support still get a clean cut-out. The 16 px image is a 32-bit
BGRA bitmap with alpha, for the soft edge where it is seen most (tray,
caption, lists); the 32 and 48 px ones take 8 bits a pixel (each has fewer
than 256 colours, so its colours are exact) and show the cut-out everywhere:
a third of the bytes in the program.

    scripts/make_icons.py [--preview DIR]

--preview also writes one enlarged PNG per size into DIR for a visual check.
"""
import argparse
import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "src", "resources")

# Sizes in the order they are stored.
SIZES = (32, 16, 48)

# The small icon is a second group over the same images (16 and 32 px), so
# they are stored once. The resource compiler numbers the images of the first
# icon statement 1, 2, 3 in the order of SIZES.
SMALL_GROUP = (16, 32)

# Sizes stored with a palette of 256 colours instead of alpha.
PALETTE_SIZES = (32, 48)

SUPERSAMPLE = 8

# Colours as (r, g, b).
DISC_TOP = (0xE5, 0x48, 0x3E)
DISC_BOTTOM = (0xA8, 0x1C, 0x17)
RIM = (0x6E, 0x0E, 0x0B)
GLYPH = (0xFF, 0xFF, 0xFF)


def _geometry(size):
    """Shape parameters in pixels; stroke widths are even where that keeps
    the vertical bar on whole pixels."""
    c = size / 2.0
    stroke = {16: 2.0, 32: 4.0, 48: 6.0}.get(size, size / 8.0)
    return {
        "centre": c,
        "disc_r": c - 0.5,
        "rim": max(1.0, size / 24.0),
        "stroke": stroke,
        # Whole-pixel centres and radii keep the strokes sharp at 16 px.
        "ring_cy": round(c + size * 0.045),
        "ring_r": round(size * 0.255),
        "gap_deg": 40.0,
        "bar_top": round(size * 0.19),
        "bar_bottom": round(c + size * 0.02),
    }


def _dist_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(1.0, max(0.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def _dist_arc(px, py, cx, cy, r, gap):
    """Distance to a circle of radius r open by +-gap radians at the top."""
    dx, dy = px - cx, py - cy
    ang = math.atan2(dx, -dy)  # 0 = straight up, y grows downwards
    if abs(ang) >= gap:
        return abs(math.hypot(dx, dy) - r)
    ex = r * math.sin(gap)
    ey = -r * math.cos(gap)
    return min(math.hypot(dx - ex, dy - ey), math.hypot(dx + ex, dy - ey))


def render(size):
    """Returns rows (top first) of (r, g, b, a) tuples, straight alpha."""
    g = _geometry(size)
    c, half = g["centre"], g["stroke"] / 2.0
    gap = math.radians(g["gap_deg"])
    n = SUPERSAMPLE
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            disc = rim = glyph = 0
            for sy in range(n):
                py = y + (sy + 0.5) / n
                for sx in range(n):
                    px = x + (sx + 0.5) / n
                    d = math.hypot(px - c, py - c)
                    if d > g["disc_r"]:
                        continue
                    disc += 1
                    if d > g["disc_r"] - g["rim"]:
                        rim += 1
                    if (_dist_arc(px, py, c, g["ring_cy"], g["ring_r"], gap) <= half
                            or _dist_segment(px, py, c, g["bar_top"], c,
                                             g["bar_bottom"]) <= half):
                        glyph += 1
            if disc == 0:
                row.append((0, 0, 0, 0))
                continue
            t = (y + 0.5) / size
            base = [DISC_TOP[i] + (DISC_BOTTOM[i] - DISC_TOP[i]) * t for i in range(3)]
            # Glyph over rim over gradient, weighted by sample counts.
            body = disc - rim - glyph if disc - rim - glyph > 0 else 0
            total = body + rim + glyph
            col = [(base[i] * body + RIM[i] * rim + GLYPH[i] * glyph) / total
                   for i in range(3)]
            alpha = disc / (n * n)
            row.append(tuple(int(round(v)) for v in col) + (int(round(alpha * 255)),))
        rows.append(row)
    return rows


def bit_count(size):
    return 8 if size in PALETTE_SIZES else 32


def cut_in(bits_per_pixel, alpha):
    """Whether the AND mask keeps a pixel. Where the cut-out is all there is,
    a pixel only half inside the disc would stand out at its four edges."""
    return alpha > 128 if bits_per_pixel == 8 else alpha >= 128


def dib(rows):
    """BITMAPINFOHEADER (+ palette) + bottom-up pixels + AND mask, as stored
    in .ico: BGRA pixels, or palette indices where the size takes a palette
    (pixels under the mask are black, index 0)."""
    size = len(rows)
    bits_per_pixel = bit_count(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits_per_pixel, 0, 0, 0, 0, 0, 0)
    if bits_per_pixel == 8:
        colours = sorted({(0, 0, 0)} | {p[:3] for row in rows for p in row if cut_in(8, p[3])})
        if len(colours) > 256:
            raise SystemExit("%d px: %d colours do not fit a palette" % (size, len(colours)))
        colours += [(0, 0, 0)] * (256 - len(colours))
        header += b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
        index = {c: i for i, c in reversed(list(enumerate(colours)))}
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        line = bytearray()
        for x, (r, g, b, a) in enumerate(row):
            if not cut_in(bits_per_pixel, a):
                bits[x // 8] |= 0x80 >> (x % 8)
            if a == 0 or (bits_per_pixel == 8 and not cut_in(8, a)):
                r = g = b = 0
            line += bytes((index[(r, g, b)],)) if bits_per_pixel == 8 else bytes((b, g, r, a))
        # Rows of pixels are whole 32-bit words.
        pixels += line + bytes(-len(line) % 4)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico(images):
    """images: list of (size, dib bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = bytearray()
    data = bytearray()
    for size, blob in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bit_count(size),
                               len(blob), offset + len(data))
        data += blob
    return out + bytes(entries) + bytes(data)


def group(images, sizes):
    """A group directory naming the stored images of the given sizes."""
    out = struct.pack("<HHH", 0, 1, len(sizes))
    for size in sizes:
        number = SIZES.index(size) + 1
        blob = dict(images)[size]
        out += struct.pack("<BBBBHHIH", size % 256, size % 256, 0, 0, 1, bit_count(size),
                           len(blob), number)
    return out


def png(rows, scale, background=(0xF0, 0xF0, 0xF0)):
    """Enlarged preview: the icon over a light background above the same over dark."""
    size = len(rows)
    raw = bytearray()
    for bg in (background, (0x20, 0x20, 0x20)):
        for row in rows:
            line = bytearray([0])
            for r, g, b, a in row:
                f = a / 255.0
                px = bytes(int(round(c * f + k * (1 - f))) for c, k in zip((r, g, b), bg))
                line += px * scale
            for _ in range(scale):
                raw += line
    width, height = size * scale, size * scale * 2

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--preview", metavar="DIR", help="also write PNG previews here")
    args = ap.parse_args()

    cache = {s: render(s) for s in SIZES}
    images = [(s, dib(cache[s])) for s in SIZES]
    for name, blob in (("haltall.ico", ico(images)),
                       ("haltall_small.grp", group(images, SMALL_GROUP))):
        path = os.path.join(OUT_DIR, name)
        with open(path, "wb") as f:
            f.write(blob)
        print("wrote", os.path.relpath(path, ROOT))

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for s, rows in sorted(cache.items()):
            if bit_count(s) == 8:  # as the mask cuts it
                rows = [[p[:3] + (255 if cut_in(8, p[3]) else 0,) for p in row] for row in rows]
            path = os.path.join(args.preview, "icon_%d.png" % s)
            with open(path, "wb") as f:
                f.write(png(rows, max(1, 192 // s)))
            print("wrote", path)


if __name__ == "__main__":
    main()
