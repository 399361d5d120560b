#!/usr/bin/env python3
"""Writes the 20 frames of the title banner (400x70, transparent).

Each letter of TAVLO makes one full turn about its own vertical axis; the
turns start two frames apart, so a wave of twisting runs along the word.
Frames 8..12 show the whole title flat.  Frame 19 leads back into frame 0.
The GIF keys black as transparent and keeps one bit of alpha, so nothing
opaque is pure black and the letters carry a thin dark outline.
"""
import math
import os
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src', 'title')

WORD = 'TAVLO'
FRAMES = 20
TURN = 8          # frames one letter needs for a whole turn
STAGGER = 2       # frames between two letters' starts
FIRST = 12        # frame where the first letter starts turning
SIZE = 70
# advance widths of Liberation Serif bold, in ems
ADV = {c: w * SIZE for c, w in {'T': 0.667, 'A': 0.722, 'V': 0.722, 'L': 0.667, 'O': 0.778}.items()}
GAP = 12
DEPTH = 9         # thickness of a letter, shown while it turns


def centres():
    total = sum(ADV[c] for c in WORD) + GAP * (len(WORD) - 1)
    x = 200 - total / 2
    out = []
    for c in WORD:
        out.append(x + ADV[c] / 2)
        x += ADV[c] + GAP
    return out


def angle(frame, i):
    t = (frame - FIRST - STAGGER * i) % FRAMES
    if t >= TURN:
        return 0.0
    return 2 * math.pi * t / TURN


DEFS = '''<defs>
  <filter id="wood" x="-0.1" y="-0.1" width="1.2" height="1.2" color-interpolation-filters="sRGB">
    <feTurbulence type="fractalNoise" baseFrequency="0.008 0.07" numOctaves="3" seed="12" result="n"/>
    <feColorMatrix in="n" type="matrix" values="1 0 0 0 0  1 0 0 0 0  1 0 0 0 0  0 0 0 0 1" result="g"/>
    <feComponentTransfer in="g" result="rings">
      <feFuncR type="table" tableValues="1 0.62 1 0.7 1 0.6 1 0.68 1 0.62 1 0.7 1"/>
      <feFuncG type="table" tableValues="1 0.62 1 0.7 1 0.6 1 0.68 1 0.62 1 0.7 1"/>
      <feFuncB type="table" tableValues="1 0.62 1 0.7 1 0.6 1 0.68 1 0.62 1 0.7 1"/>
      <feFuncA type="linear" slope="0" intercept="1"/>
    </feComponentTransfer>
    <feBlend in="SourceGraphic" in2="rings" mode="multiply" result="m"/>
    <feComposite in="m" in2="SourceAlpha" operator="in"/>
  </filter>
  <linearGradient id="gold" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#fff3a0"/>
    <stop offset="0.3" stop-color="#ffd040"/>
    <stop offset="0.65" stop-color="#e89820"/>
    <stop offset="1" stop-color="#a85a0c"/>
  </linearGradient>
</defs>'''


def frame_svg(frame):
    parts = []
    for i, (c, cx) in enumerate(zip(WORD, centres())):
        a = angle(frame, i)
        s = math.cos(a)
        if abs(s) < 0.08:
            s = 0.08 if s >= 0 else -0.08
        dark = (1 - abs(s)) * 0.55 + (0.25 if s < 0 else 0)
        base = 60
        letter = (f'<text x="{cx:.1f}" y="{base}" text-anchor="middle" font-family="Liberation Serif" '
                  f'font-weight="bold" font-size="{SIZE}"')
        side = math.sin(a) * DEPTH      # how far the letter's thickness shows
        g = []

        def face(dx):
            return f'<g transform="translate({cx + dx:.2f} 0) scale({s:.4f} 1) translate({-cx:.2f} 0)">'

        # the drop to the lower right, under everything
        g.append(face(-side / 2) + f'{letter} fill="#4a2404" stroke="#3a1a04" stroke-width="5" '
                 f'stroke-linejoin="round" transform="translate(2 2)">{c}</text></g>')
        # the letter's thickness: copies stepping from the back face to the front one
        if abs(side) > 0.5:
            steps = max(2, int(abs(side) * 1.5))
            for k in range(steps, 0, -1):
                dx = -side / 2 + side * k / steps
                edge = '#4a2404' if k == steps else '#8a4c10'
                g.append(face(dx) + f'{letter} fill="#8a4c10" stroke="{edge}" stroke-width="2" '
                         f'stroke-linejoin="round">{c}</text></g>')
        g.append(face(-side / 2))
        g.append(f'  {letter} fill="url(#gold)" filter="url(#wood)">{c}</text>')
        if dark > 0.01:
            g.append(f'  {letter} fill="#4a2204" fill-opacity="{min(dark, 0.85):.3f}">{c}</text>')
        g.append(f'  {letter} fill="none" stroke="#4a2404" stroke-width="1.6" stroke-linejoin="round">{c}</text>')
        g.append('</g>')
        parts.append('\n'.join(g))
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="400" height="70" viewBox="0 0 400 70">\n'
            + DEFS + '\n' + '\n'.join(parts) + '\n</svg>\n')


def main():
    os.makedirs(OUT, exist_ok=True)
    for f in range(FRAMES):
        with open(os.path.join(OUT, f'frame{f:02d}.svg'), 'w') as fh:
            fh.write(frame_svg(f))


if __name__ == '__main__':
    main()
