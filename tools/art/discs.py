#!/usr/bin/env python3
"""Writes the eight board-square pictures PIONB0..PIONB7 (60x60).

Frame 0 is the empty square; 1..7 turn a disc from black to white about a
horizontal axis.  Every frame repaints the whole square so a frame fully
replaces the previous one.
"""
import os
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src')

SQUARE = '''
  <defs>
    <linearGradient id="sq" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#ff8ad0"/>
      <stop offset="0.3" stop-color="#fa6aa0"/>
      <stop offset="0.65" stop-color="#e0683e"/>
      <stop offset="1" stop-color="#9a4214"/>
    </linearGradient>
    <radialGradient id="sheen" cx="0.3" cy="0.25" r="0.7">
      <stop offset="0" stop-color="#ffffff" stop-opacity="0.28"/>
      <stop offset="1" stop-color="#ffffff" stop-opacity="0"/>
    </radialGradient>
    <filter id="grain" x="0" y="0" width="1" height="1">
      <feTurbulence type="fractalNoise" baseFrequency="0.9" numOctaves="2" seed="7" result="n"/>
      <feColorMatrix in="n" type="matrix" values="0 0 0 0 0.5  0 0 0 0 0.2  0 0 0 0 0.3  0 0 0 0.10 0" result="g"/>
      <feComposite in="g" in2="SourceGraphic" operator="atop"/>
    </filter>
    <filter id="gloss" x="-0.5" y="-0.5" width="2" height="2">
      <feGaussianBlur stdDeviation="1.6"/>
    </filter>
    <filter id="shadow" x="-0.3" y="-0.3" width="1.6" height="1.6">
      <feGaussianBlur stdDeviation="1.8"/>
    </filter>
  </defs>
  <rect width="60" height="60" fill="#3a0f1c"/>
  <rect x="1.5" y="1.5" width="57" height="57" fill="url(#sq)" filter="url(#grain)"/>
  <rect x="1.5" y="1.5" width="57" height="57" fill="url(#sheen)"/>
  <path d="M2.5 57.5 V2.5 H57.5" fill="none" stroke="#ffd0e4" stroke-width="1" stroke-opacity="0.9"/>
  <path d="M2.5 57.5 H57.5 V2.5" fill="none" stroke="#6a2a10" stroke-width="1" stroke-opacity="0.8"/>
  <path d="M3.5 56.5 V3.5 H56.5" fill="none" stroke="#ffb0cc" stroke-width="1" stroke-opacity="0.35"/>
'''

BLACK_FACE = ('#4a4a56', '#15151c', '#050508')
WHITE_FACE = ('#fcfcfc', '#e2e2e8', '#a8a8b4')


def face_grad(gid, cols):
    a, b, c = cols
    return f'''
  <defs>
    <radialGradient id="{gid}" cx="0.38" cy="0.32" r="0.75">
      <stop offset="0" stop-color="{a}"/>
      <stop offset="0.55" stop-color="{b}"/>
      <stop offset="1" stop-color="{c}"/>
    </radialGradient>
  </defs>'''


def disc(height, edge, face, edge_cols, rim):
    """A disc 50 px wide, `height` tall overall, with `edge` px of its side showing below the face."""
    ry = (height - edge) / 2.0
    cy = 30.0 - edge / 2.0
    parts = []
    gid = 'face'
    parts.append(face_grad(gid, face))
    e1, e2 = edge_cols
    parts.append(f'''
  <defs>
    <linearGradient id="edge" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="{e1}"/>
      <stop offset="0.35" stop-color="{e2}"/>
      <stop offset="1" stop-color="{e1}"/>
    </linearGradient>
  </defs>''')
    # shadow on the square
    parts.append(f'  <ellipse cx="32.5" cy="{cy + edge + 2.5:.2f}" rx="25" ry="{max(ry, 4):.2f}" '
                 f'fill="#2a0810" fill-opacity="0.55" filter="url(#shadow)"/>')
    if edge > 0:
        parts.append(f'  <path d="M5 {cy:.2f} A25 {ry:.2f} 0 0 0 55 {cy:.2f} V{cy + edge:.2f} '
                     f'A25 {ry:.2f} 0 0 1 5 {cy + edge:.2f} Z" fill="url(#edge)" '
                     f'stroke="#1a1014" stroke-width="0.6"/>')
    parts.append(f'  <ellipse cx="30" cy="{cy:.2f}" rx="25" ry="{ry:.2f}" fill="url(#{gid})"/>')
    parts.append(f'  <ellipse cx="30" cy="{cy:.2f}" rx="24.2" ry="{max(ry - 0.8, 0.3):.2f}" fill="none" '
                 f'stroke="{rim}" stroke-opacity="0.55" stroke-width="1"/>')
    # soft gloss towards the light
    if ry > 8:
        op = 0.22 if face is BLACK_FACE else 0.7
        parts.append(f'  <ellipse cx="23" cy="{cy - ry * 0.42:.2f}" rx="11" ry="{ry * 0.22:.2f}" fill="#ffffff" '
                     f'fill-opacity="{op}" filter="url(#gloss)" transform="rotate(-20 23 {cy - ry * 0.42:.2f})"/>')
    # inner ring that gives the disc a little relief
    if ry > 8:
        parts.append(f'  <ellipse cx="30" cy="{cy:.2f}" rx="18" ry="{ry * 18 / 25:.2f}" fill="none" '
                     f'stroke="{rim}" stroke-opacity="0.18" stroke-width="1.2"/>')
    return '\n'.join(parts)


def edge_on():
    # a band about 15 px high, dark on the left, grey on the right
    return '''
  <defs>
    <linearGradient id="band" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#141418"/>
      <stop offset="0.45" stop-color="#3c3c44"/>
      <stop offset="1" stop-color="#b8b8c2"/>
    </linearGradient>
    <linearGradient id="bandv" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#ffffff" stop-opacity="0.35"/>
      <stop offset="0.5" stop-color="#ffffff" stop-opacity="0"/>
      <stop offset="1" stop-color="#000000" stop-opacity="0.35"/>
    </linearGradient>
  </defs>
  <rect x="7" y="26" width="50" height="15" rx="4" fill="#2a0810" fill-opacity="0.5" filter="url(#shadow)"/>
  <rect x="5" y="22.5" width="50" height="15" rx="5" ry="7.5" fill="url(#band)" stroke="#101014" stroke-width="0.6"/>
  <rect x="5" y="22.5" width="50" height="15" rx="5" ry="7.5" fill="url(#bandv)"/>'''


FRAMES = [
    None,
    lambda: disc(50, 0, BLACK_FACE, ('#202028', '#50505a'), '#9a9ab0'),
    lambda: disc(45, 4, BLACK_FACE, ('#1c1c22', '#6a6a74'), '#9a9ab0'),
    lambda: disc(32, 8, BLACK_FACE, ('#26262e', '#8a8a94'), '#9a9ab0'),
    edge_on,
    lambda: disc(35, 9, WHITE_FACE, ('#141418', '#484850'), '#ffffff'),
    lambda: disc(46, 4, WHITE_FACE, ('#26262c', '#6a6a72'), '#ffffff'),
    lambda: disc(50, 0, WHITE_FACE, ('#8a8a94', '#c8c8d0'), '#808090'),
]


def main():
    for i, f in enumerate(FRAMES):
        body = SQUARE + (f() if f else '')
        svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="60" height="60" viewBox="0 0 60 60">\n'
               f'{body}\n</svg>\n')
        with open(os.path.join(OUT, f'PIONB{i}.svg'), 'w') as fh:
            fh.write(svg)


if __name__ == '__main__':
    main()
