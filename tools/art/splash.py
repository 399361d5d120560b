#!/usr/bin/env python3
"""Writes SPLASH.svg (300x300): the title over a grinning man in a dark suit
and hat pointing down at a red marbled board with dark and copper discs."""
import os
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src')

# board in perspective: corners of the 8x8 grid on screen
TL, TR, BL, BR = (66, 174), (258, 174), (6, 264), (294, 264)


def proj(u, v):
    """u, v in 0..8 -> screen point (simple perspective: rows shrink towards the top)."""
    # depth factor: rows near the top are narrower and shorter
    t = v / 8.0
    # non-linear rows: perspective foreshortening
    tt = t * (0.6 + 0.4 * t) / (0.6 + 0.4)
    y = TL[1] + (BL[1] - TL[1]) * tt
    xl = TL[0] + (BL[0] - TL[0]) * tt
    xr = TR[0] + (BR[0] - TR[0]) * tt
    return xl + (xr - xl) * u / 8.0, y


def stars():
    import random
    rng = random.Random(4)
    out = []
    for _ in range(28):
        x, y = rng.uniform(5, 295), rng.uniform(5, 165)
        r = rng.uniform(0.6, 1.8)
        out.append(f'<circle cx="{x:.1f}" cy="{y:.1f}" r="{r:.1f}" fill="#ffe8a0" fill-opacity="{rng.uniform(0.4, 0.9):.2f}"/>')
    for x, y in ((30, 110), (268, 96), (52, 150)):
        out.append(f'<path d="M{x} {y - 6} L{x + 1.5} {y - 1.5} L{x + 6} {y} L{x + 1.5} {y + 1.5} L{x} {y + 6} '
                   f'L{x - 1.5} {y + 1.5} L{x - 6} {y} L{x - 1.5} {y - 1.5} Z" fill="#fff0a0"/>')
    return '\n'.join(out)


def board():
    out = []
    quad = ' '.join(f'{x:.1f},{y:.1f}' for x, y in (proj(0, 0), proj(8, 0), proj(8, 8), proj(0, 8)))
    (bx0, by0), (bx1, by1) = proj(0, 8), proj(8, 8)
    out.append(f'<polygon points="{bx0:.1f},{by0:.1f} {bx1:.1f},{by1:.1f} {bx1 - 2:.1f},{by1 + 8:.1f} {bx0 + 2:.1f},{by0 + 8:.1f}" '
               f'fill="url(#edge)" stroke="#3a0408" stroke-width="1"/>')
    out.append(f'<polygon points="{quad}" fill="#a0101c"/>')
    out.append(f'<polygon points="{quad}" fill="#000" filter="url(#marble)"/>')
    out.append(f'<clipPath id="bclip"><polygon points="{quad}"/></clipPath>')
    # checker tint
    for r in range(8):
        for c in range(8):
            if (r + c) % 2:
                pts = ' '.join(f'{x:.1f},{y:.1f}' for x, y in (proj(c, r), proj(c + 1, r), proj(c + 1, r + 1), proj(c, r + 1)))
                out.append(f'<polygon points="{pts}" fill="#500010" fill-opacity="0.28"/>')
    lines = []
    for k in range(9):
        (x0, y0), (x1, y1) = proj(k, 0), proj(k, 8)
        lines.append(f'M{x0:.1f} {y0:.1f} L{x1:.1f} {y1:.1f}')
        (x0, y0), (x1, y1) = proj(0, k), proj(8, k)
        lines.append(f'M{x0:.1f} {y0:.1f} L{x1:.1f} {y1:.1f}')
    out.append(f'<path d="{" ".join(lines)}" stroke="#3a0408" stroke-width="1.1" fill="none"/>')
    out.append(f'<polygon points="{quad}" fill="none" stroke="#f0a060" stroke-width="2"/>')
    # discs: (col, row, kind)
    discs = [(3, 3, 'd'), (4, 3, 'c'), (3, 4, 'c'), (4, 4, 'd'), (5, 4, 'c'), (2, 5, 'd'), (5, 2, 'd'),
             (1, 6, 'c'), (6, 6, 'd'), (4, 5, 'd'), (2, 2, 'c'), (6, 3, 'c'), (3, 6, 'c')]
    for c, r, k in sorted(discs, key=lambda d: d[1]):
        x, y = proj(c + 0.5, r + 0.5)
        (xa, _), (xb, _) = proj(c, r + 0.5), proj(c + 1, r + 0.5)
        (_, ya), (_, yb) = proj(c + 0.5, r), proj(c + 0.5, r + 1)
        rx = (xb - xa) * 0.4
        ry = (yb - ya) * 0.36
        th = ry * 0.45
        face, edge = ('url(#dark)', '#101014') if k == 'd' else ('url(#copper)', '#6a2e0c')
        out.append(f'<ellipse cx="{x + 2:.1f}" cy="{y + th + 1.5:.1f}" rx="{rx:.1f}" ry="{ry:.1f}" fill="#2a0004" fill-opacity="0.45"/>')
        out.append(f'<ellipse cx="{x:.1f}" cy="{y + th:.1f}" rx="{rx:.1f}" ry="{ry:.1f}" fill="{edge}"/>')
        out.append(f'<rect x="{x - rx:.1f}" y="{y:.1f}" width="{2 * rx:.1f}" height="{th:.1f}" fill="{edge}"/>')
        out.append(f'<ellipse cx="{x:.1f}" cy="{y:.1f}" rx="{rx:.1f}" ry="{ry:.1f}" fill="{face}"/>')
    return '\n'.join(out)


MAN = '''
<g id="man">
  <!-- legs behind the board edge are hidden; torso -->
  <path d="M150 215 C146 170 156 132 186 122 L222 122 C250 132 258 170 252 215 Z" fill="url(#suit)" stroke="#0c0c18" stroke-width="2"/>
  <!-- shirt and tie -->
  <path d="M190 122 L204 152 L216 122 Z" fill="#f4f0e8" stroke="#0c0c18" stroke-width="1.2"/>
  <path d="M200 126 L208 126 L206 134 L212 170 L204 180 L196 170 L202 134 Z" fill="#d01828" stroke="#5a0810" stroke-width="1"/>
  <path d="M186 122 L198 150 L192 156 Z M222 122 L210 150 L216 156 Z" fill="#262638"/>
  <!-- other arm on hip -->
  <path d="M244 134 C262 146 266 168 254 186 L244 180 C252 166 248 152 238 146 Z" fill="url(#suit)" stroke="#0c0c18" stroke-width="2"/>
  <!-- neck and head -->
  <rect x="196" y="108" width="16" height="16" fill="#eab080"/>
  <ellipse cx="204" cy="92" rx="27" ry="26" fill="url(#face)" stroke="#5a2a10" stroke-width="1.6"/>
  <ellipse cx="178" cy="95" rx="5" ry="7" fill="#f0b888" stroke="#5a2a10" stroke-width="1.2"/>
  <ellipse cx="230" cy="95" rx="5" ry="7" fill="#f0b888" stroke="#5a2a10" stroke-width="1.2"/>
  <!-- grin -->
  <path d="M186 98 Q204 124 222 98 Q204 106 186 98 Z" fill="#fafaf4" stroke="#5a1a10" stroke-width="1.6"/>
  <path d="M190 101 L218 101 M195 103 L195 109 M204 104 L204 112 M213 103 L213 109" stroke="#c8b8a8" stroke-width="0.8"/>
  <!-- eyes and brows -->
  <ellipse cx="195" cy="84" rx="4.5" ry="5.5" fill="#fff"/><circle cx="194" cy="86" r="2.4" fill="#201010"/>
  <ellipse cx="213" cy="84" rx="4.5" ry="5.5" fill="#fff"/><circle cx="212" cy="86" r="2.4" fill="#201010"/>
  <path d="M188 76 Q195 71 201 76 M207 76 Q213 71 220 76" stroke="#3a1a0a" stroke-width="2.2" fill="none" stroke-linecap="round"/>
  <path d="M204 86 Q200 94 205 95" stroke="#a0603a" stroke-width="1.4" fill="none"/>
  <!-- hat -->
  <path d="M166 72 Q204 58 242 72 Q246 76 240 78 Q204 68 168 78 Q162 76 166 72 Z" fill="#1c1c2c" stroke="#08080c" stroke-width="1.4"/>
  <path d="M180 70 C178 50 186 38 204 38 C222 38 230 50 228 70 Q204 64 180 70 Z" fill="url(#hat)" stroke="#08080c" stroke-width="1.4"/>
  <path d="M180 66 Q204 60 228 66 L228 71 Q204 65 180 71 Z" fill="#c02030"/>
  <path d="M196 40 Q204 46 212 40" stroke="#08080c" stroke-width="1.2" fill="none"/>
</g>'''

# his right arm, drawn in front of the board: the finger points down at a disc
ARM = '''
<g id="arm" stroke-linejoin="round" stroke-linecap="round">
  <path d="M176 132 C160 140 148 152 140 170" fill="none" stroke="#0c0c18" stroke-width="21"/>
  <path d="M176 132 C160 140 148 152 140 170" fill="none" stroke="url(#suit)" stroke-width="17"/>
  <path d="M131 166 L150 173 L147 180 L128 173 Z" fill="#f4f0e8" stroke="#0c0c18" stroke-width="1.3"/>
  <path d="M128 174 C124 180 126 190 134 192 C140 193 146 188 147 181 Z" fill="#ffc896" stroke="#5a2a10" stroke-width="1.3"/>
  <path d="M129 187 C127 194 126 202 127 208 C128 212 132 212 133 208 C133 202 134 196 136 190" fill="#ffc896" stroke="#5a2a10" stroke-width="1.3"/>
  <path d="M137 186 Q141 188 143 185 M139 181 Q143 183 145 180" fill="none" stroke="#b87850" stroke-width="1"/>
</g>'''


def main():
    svg = f'''<svg xmlns="http://www.w3.org/2000/svg" width="300" height="300" viewBox="0 0 300 300">
<defs>
  <radialGradient id="sky" cx="0.5" cy="0.35" r="0.8">
    <stop offset="0" stop-color="#5a2a8a"/>
    <stop offset="0.6" stop-color="#2a0c48"/>
    <stop offset="1" stop-color="#120420"/>
  </radialGradient>
  <filter id="marble" x="0" y="0" width="1" height="1">
    <feTurbulence type="turbulence" baseFrequency="0.03 0.08" numOctaves="4" seed="5" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 1  0 0 0 0 0.55  0 0 0 0 0.55  -2.2 0 0 0 0.9" result="veins"/>
    <feComposite in="veins" in2="SourceGraphic" operator="in"/>
  </filter>
  <linearGradient id="edge" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#d06040"/><stop offset="1" stop-color="#5a0810"/></linearGradient>
  <radialGradient id="dark" cx="0.4" cy="0.3" r="0.8"><stop offset="0" stop-color="#50505c"/><stop offset="1" stop-color="#0c0c12"/></radialGradient>
  <radialGradient id="copper" cx="0.4" cy="0.3" r="0.8"><stop offset="0" stop-color="#ffd0a0"/><stop offset="0.5" stop-color="#d07830"/><stop offset="1" stop-color="#7a3a10"/></radialGradient>
  <linearGradient id="suit" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#4a4a66"/><stop offset="1" stop-color="#1a1a2a"/></linearGradient>
  <linearGradient id="hat" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#50506a"/><stop offset="1" stop-color="#14141e"/></linearGradient>
  <radialGradient id="face" cx="0.4" cy="0.35" r="0.7"><stop offset="0" stop-color="#ffd8b0"/><stop offset="1" stop-color="#e8a070"/></radialGradient>
  <linearGradient id="tgreen" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#b0ff60"/><stop offset="0.5" stop-color="#30c030"/><stop offset="1" stop-color="#0a6a18"/></linearGradient>
  <radialGradient id="spot" cx="0.5" cy="0.5" r="0.5">
    <stop offset="0" stop-color="#ff80d0" stop-opacity="0.55"/><stop offset="1" stop-color="#ff80d0" stop-opacity="0"/>
  </radialGradient>
  <filter id="drop" x="-0.1" y="-0.1" width="1.3" height="1.3">
    <feGaussianBlur in="SourceAlpha" stdDeviation="2"/><feOffset dx="3" dy="3" result="s"/>
    <feColorMatrix in="s" type="matrix" values="0 0 0 0 0  0 0 0 0 0  0 0 0 0 0.05  0 0 0 0.7 0" result="c"/>
    <feMerge><feMergeNode in="c"/><feMergeNode in="SourceGraphic"/></feMerge>
  </filter>
</defs>
<rect width="300" height="300" fill="url(#sky)"/>
<circle cx="204" cy="120" r="95" fill="url(#spot)"/>
{stars()}
<g transform="translate(0 18) translate(204 200) scale(0.95) translate(-204 -200)">
{MAN}
</g>
<g filter="url(#drop)">
{board()}
</g>
<g transform="translate(0 18) translate(204 200) scale(0.95) translate(-204 -200)" filter="url(#drop)">
{ARM}
</g>
<text x="150" y="58" text-anchor="middle" font-family="Liberation Serif" font-weight="bold" font-style="italic" font-size="62"
  fill="url(#tgreen)" stroke="#ffe030" stroke-width="3" paint-order="stroke" filter="url(#drop)">Tavlo</text>
<g font-family="Liberation Sans" font-size="11" fill="#ffe040" text-anchor="middle">
  <text x="150" y="281">Un jeu de Reversi — version 1.0</text>
  <text x="150" y="294">Cliquez pour commencer</text>
</g>
</svg>
'''
    with open(os.path.join(OUT, 'SPLASH.svg'), 'w') as fh:
        fh.write(svg)


if __name__ == '__main__':
    main()
