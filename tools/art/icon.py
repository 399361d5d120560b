#!/usr/bin/env python3
"""Writes MAINICON.svg (32x32): a grey frame around a 4x4 checkerboard, four
black squares carrying a bevelled teal tile.  Flat colours only: the icon is
reduced to the 16 standard colours."""
import os
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src')

# standard 16-colour palette entries used here
BLACK, WHITE, GREY, SILVER, TEAL, CYAN, NAVY = '#000000', '#ffffff', '#808080', '#c0c0c0', '#008080', '#00ffff', '#000080'
TILES = {(0, 1), (1, 2), (2, 1), (3, 2)}  # (col,row) of black squares carrying a tile


def main():
    o = []
    o.append(f'<rect x="0" y="0" width="32" height="32" fill="{GREY}"/>')
    o.append(f'<path d="M0 0 H32 V1 H1 V32 H0 Z" fill="{SILVER}"/>')
    o.append(f'<path d="M2 30 H30 V2 H31 V31 H2 Z" fill="{SILVER}"/>')
    o.append(f'<path d="M31 0 H32 V32 H0 V31 H31 Z" fill="{BLACK}"/>')
    o.append(f'<path d="M1 1 H31 V2 H2 V31 H1 Z" fill="{WHITE}"/>')
    for r in range(4):
        for c in range(4):
            x, y = 4 + 6 * c, 4 + 6 * r
            black = (r + c) % 2 == 1
            o.append(f'<rect x="{x}" y="{y}" width="6" height="6" fill="{BLACK if black else WHITE}"/>')
            if black and (c, r) in TILES:
                o.append(f'<rect x="{x}" y="{y}" width="6" height="6" fill="{TEAL}"/>')
                o.append(f'<path d="M{x} {y} h6 v1 h-5 v5 h-1 Z" fill="{CYAN}"/>')
                o.append(f'<path d="M{x + 6} {y + 6} h-6 v-1 h5 v-5 h1 Z" fill="{NAVY}"/>')
    o.append(f'<rect x="3.5" y="3.5" width="25" height="25" fill="none" stroke="{BLACK}" stroke-width="1"/>')
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32" shape-rendering="crispEdges">\n'
           + '\n'.join(o) + '\n</svg>\n')
    with open(os.path.join(OUT, 'MAINICON.svg'), 'w') as fh:
        fh.write(svg)


if __name__ == '__main__':
    main()
