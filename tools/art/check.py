#!/usr/bin/env python3
"""Checks the drawings against the places the window's controls expect.

Needs rsvg-convert (Debian package librsvg2-bin) to rasterise; it is a helper
for whoever edits the art, not part of the build.  Exits non-zero on a fault.
"""
import os
import struct
import subprocess
import sys
import zlib

SRC = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'assets', 'src')
BOARD = (277, 93, 757, 573)          # the board covers this rectangle during play
PANEL_INNER = (268, 84, 779, 579)    # the rules panel, inside its rim
MARGIN = 6
CHARACTER_RECTS = [(0, 0, 90, 115), (3, 1, 80, 111), (3, 2, 81, 108),
                   (12, 9, 67, 102), (4, 5, 79, 106), (2, 3, 82, 109)]


def render(path):
    """Rasterise an SVG and return (width, height, rows of RGBA bytes)."""
    png = subprocess.run(['rsvg-convert', '-f', 'png', path], check=True, capture_output=True).stdout
    pos, idat, w = 8, b'', 0
    while pos < len(png):
        n, kind = struct.unpack('>I4s', png[pos:pos + 8])
        body = png[pos + 8:pos + 8 + n]
        if kind == b'IHDR':
            w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and ctype in (2, 6), 'expected 8-bit RGB or RGBA'
            bpp = 4 if ctype == 6 else 3
        elif kind == b'IDAT':
            idat += body
        pos += 12 + n
    raw = zlib.decompress(idat)
    stride = w * bpp
    rows, prev = [], bytearray(stride)
    for y in range(h):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        prev = line
        if bpp == 3:
            line = bytearray(b''.join(bytes(line[i:i + 3]) + b'\xff' for i in range(0, stride, 3)))
        rows.append(bytes(line))
    return w, h, rows


def px(rows, x, y):
    return tuple(rows[y][x * 4:x * 4 + 4])


def yellowish(p):
    r, g, b, _ = p
    return r > 150 and g > 130 and b < 120 and r - b > 80


def check_fond(faults):
    w, h, rows = render(os.path.join(SRC, 'FOND.svg'))
    if (w, h) != (800, 600):
        faults.append(f'FOND is {w}x{h}')
    inside = [BOARD[0] + MARGIN, BOARD[1] + MARGIN, BOARD[2] - MARGIN, BOARD[3] - MARGIN]
    for y in range(PANEL_INNER[1], PANEL_INNER[3]):
        for x in range(PANEL_INNER[0], PANEL_INNER[2]):
            if yellowish(px(rows, x, y)) and not (inside[0] <= x < inside[2] and inside[1] <= y < inside[3]):
                faults.append(f'FOND: yellow at ({x},{y}) outside the board rectangle less its margin')
                return
    # the recess is dark, the white disc light, the black disc dark, under their labels
    def mean(x0, y0, x1, y1):
        s = n = 0
        for y in range(y0, y1):
            for x in range(x0, x1):
                r, g, b, _ = px(rows, x, y)
                s += (r + g + b) / 3
                n += 1
        return s / n
    if mean(98, 122, 154, 178) > 70:
        faults.append('FOND: the turn indicator recess is not dark')
    if mean(105, 262, 148, 291) < 200:
        faults.append('FOND: the white counter disc is not under its label')
    if mean(105, 354, 148, 383) > 60:
        faults.append('FOND: the black counter disc is not under its label')


def check_keys(faults):
    for i in range(20):
        _, _, rows = render(os.path.join(SRC, 'title', f'frame{i:02d}.svg'))
        if any(p[3] >= 128 and p[:3] == (0, 0, 0) for r in rows for p in zip(r[0::4], r[1::4], r[2::4], r[3::4])):
            faults.append(f'title frame {i}: opaque pure black')
    for i, (ox, oy, fw, fh) in enumerate(CHARACTER_RECTS):
        w, h, rows = render(os.path.join(SRC, 'character', f'frame{i}.svg'))
        if (w, h) != (fw, fh):
            faults.append(f'character frame {i} is {w}x{h}, expected {fw}x{fh}')
        if any(p[3] >= 128 and p[:3] == (255, 255, 255) for r in rows for p in zip(r[0::4], r[1::4], r[2::4], r[3::4])):
            faults.append(f'character frame {i}: opaque pure white')


def main():
    faults = []
    check_fond(faults)
    check_keys(faults)
    for f in faults:
        print(f)
    print('ok' if not faults else f'{len(faults)} fault(s)')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
