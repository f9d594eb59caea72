#!/usr/bin/env python3
"""Draws the program's icon, the instrument's screen with its two traces, at 16, 32,
48 and 256 pixels into one .ico (duruz.ico beside this script unless a path is
given). The same picture as packaging/duruz.svg, on a 64-unit canvas; only the
standard library is needed. Run it again after changing the picture, and commit
the .ico."""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 32, 48, 256)
SUBSAMPLES = 4  # per pixel side, for smooth edges


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= radius**2
    return inside


def polyline(points, width):
    def inside(x, y):
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= (width / 2) ** 2:
                return True
        return False
    return inside


def grid_line(vertical, at, width):
    return lambda x, y: abs((x if vertical else y) - at) <= width / 2 and 7 <= x <= 57 and 10 <= y <= 50


# Channel 1 a sine, channel 2 a square wave below it: the two input channels.
SINE = [(8 + i, 26 - 8 * math.sin(2 * math.pi * i / 24)) for i in range(49)]
SQUARE = [(8, 44), (14, 44), (14, 36), (26, 36), (26, 44), (38, 44), (38, 36), (50, 36), (50, 44), (56, 44)]

# Drawn in order, the last one that covers a point gives its colour.
SHAPES = [
    (rounded_rect(2, 5, 62, 59, 6), (0x3C, 0x44, 0x50)),
    (rounded_rect(7, 10, 57, 50, 2), (0x0C, 0x1D, 0x14)),
    *[(grid_line(True, x, 0.8), (0x2F, 0x5A, 0x40)) for x in (19.5, 44.5)],
    *[(grid_line(False, y, 0.8), (0x2F, 0x5A, 0x40)) for y in (20, 40)],
    (grid_line(True, 32, 0.8), (0x4C, 0x8A, 0x62)),
    (grid_line(False, 30, 0.8), (0x4C, 0x8A, 0x62)),
    (polyline(SQUARE, 2.6), (0x4F, 0xC3, 0xF7)),
    (polyline(SINE, 3.0), (0xF2, 0xE0, 0x46)),
    (lambda x, y: (x - 12) ** 2 + (y - 54.5) ** 2 <= 1.6**2, (0x7F, 0xD6, 0x8F)),
    (rounded_rect(40, 53, 57, 56, 1.5), (0x5B, 0x65, 0x74)),
]


def render(size):
    """Rows top to bottom of (r, g, b, a) pixels."""
    rows = []
    step = 64.0 / size / SUBSAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0, 0]
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    x = (px * SUBSAMPLES + sx + 0.5) * step
                    y = (py * SUBSAMPLES + sy + 0.5) * step
                    colour = None
                    for inside, fill in SHAPES:
                        if inside(x, y):
                            colour = fill
                    if colour:
                        total = [t + c for t, c in zip(total, colour + (255,))]
            covered = total[3] // 255
            n = SUBSAMPLES * SUBSAMPLES
            row.append(tuple(t // covered for t in total[:3]) + (total[3] // n,) if covered else (0, 0, 0, 0))
        rows.append(row)
    return rows


def bmp_entry(rows):
    """A 32-bit DIB as icons hold it: bottom-up BGRA, twice the height for the AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + bytes(mask_row * size)  # alpha decides; the mask is all drawn


def png_entry(rows):
    size = len(rows)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("duruz.ico")
    images = [png_entry(render(s)) if s == 256 else bmp_entry(render(s)) for s in SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    for size, image in zip(SIZES, images):
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    target.write_bytes(directory + b"".join(images))


if __name__ == "__main__":
    main()
