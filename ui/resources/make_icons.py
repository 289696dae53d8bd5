#!/usr/bin/env python3
"""Draws Tarrow's icons: a chip with a download arrow on a teal tile.

Writes Tarrow.ico (48, 32, 24, 16 px) and Logo.ico (120 px), all 32-bit with
alpha. The .ico files are committed; run this only to change the artwork.
"""
import math
import struct
from pathlib import Path

SS = 4  # supersampling per axis


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def in_poly(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def shade(u, v):
    """Colour (r, g, b, a) at unit coordinates u, v in [0, 1)."""
    if not rounded_rect(u, v, 0.02, 0.02, 0.98, 0.98, 0.18):
        return (0, 0, 0, 0)
    # Tile: teal, lighter at the top.
    t = v
    tile = (int(20 + 10 * (1 - t)), int(110 + 50 * (1 - t)), int(140 + 40 * (1 - t)), 255)
    # Chip body with pins.
    if rounded_rect(u, v, 0.26, 0.36, 0.74, 0.84, 0.05):
        if rounded_rect(u, v, 0.34, 0.44, 0.66, 0.76, 0.03):
            return (40, 48, 60, 255)
        return (235, 240, 245, 255)
    for k in range(4):
        c = 0.42 + k * 0.1
        if abs(v - c) < 0.025 and (0.16 < u < 0.26 or 0.74 < u < 0.84):
            return (235, 240, 245, 255)
        if abs(u - (0.32 + k * 0.12)) < 0.025 and 0.84 < v < 0.93:
            return (235, 240, 245, 255)
    # Arrow pointing down into the chip.
    arrow = [(0.44, 0.08), (0.56, 0.08), (0.56, 0.22), (0.66, 0.22), (0.5, 0.38), (0.34, 0.22), (0.44, 0.22)]
    if in_poly(u, v, arrow):
        return (255, 170, 40, 255)
    return tile


def render(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    r, g, b, a = shade((px + (sx + 0.5) / SS) / size, (py + (sy + 0.5) / SS) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a)))
        rows.append(row)
    return rows


def dib(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def write_ico(path, sizes):
    images = [dib(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    Path(path).write_bytes(bytes(out))


if __name__ == "__main__":
    here = Path(__file__).resolve().parent
    write_ico(here / "Tarrow.ico", [48, 32, 24, 16])
    write_ico(here / "Logo.ico", [120])
