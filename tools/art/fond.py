#!/usr/bin/env python3
"""Writes FOND.svg, the 800x600 face of the main window.

The regions under the window's controls are fixed: the turn indicator's recess
at (96,120)-(156,180), the white and black counter discs centred at
(126.5,276.5) and (126.5,368.5), the free band for the title at (200,4) 400x70,
the character animation at (184,464) 90x115, and the rules text strictly inside
the board's rectangle (277,93)-(757,573).
"""
import math
import os
import random
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src')

BOARD = (277, 93, 757, 573)
TEXT_CX = (BOARD[0] + BOARD[2]) / 2

# (text, style) where style is 't' title, 'h' heading, 'p' prose, 's' space, 'f' footer
RULES = [
    ('Règles du jeu', 't'),
    ('', 's'),
    ('But du jeu', 'h'),
    ('Avoir le plus de pions de sa couleur sur le plateau', 'p'),
    ('à la fin de la partie.', 'p'),
    ('', 's'),
    ('Départ', 'h'),
    ('Le plateau compte 64 cases. Au départ, quatre pions', 'p'),
    ('occupent le centre : deux blancs et deux noirs, placés', 'p'),
    ('en diagonale. Les blancs jouent toujours les premiers.', 'p'),
    ('', 's'),
    ('Jouer un coup', 'h'),
    ('À son tour, chaque joueur pose un pion de sa couleur sur', 'p'),
    ('une case vide, de façon à encadrer un ou plusieurs pions', 'p'),
    ('adverses entre ce pion et un autre pion de sa couleur,', 'p'),
    ('en ligne droite, sans case vide entre eux. On encadre', 'p'),
    ('dans les huit directions : horizontales, verticales et', 'p'),
    ('diagonales, et dans plusieurs à la fois. Tous les pions', 'p'),
    ('encadrés sont retournés et prennent sa couleur.', 'p'),
    ('', 's'),
    ('Passer son tour', 'h'),
    ('Le joueur qui ne peut encadrer aucun pion passe son', 'p'),
    ('tour ; son adversaire joue à nouveau.', 'p'),
    ('', 's'),
    ('Fin de la partie', 'h'),
    ("La partie s'achève quand le plateau est plein ou quand", 'p'),
    ("une couleur n'a plus aucun pion. Le joueur qui a le plus", 'p'),
    ('de pions de sa couleur remporte la partie.', 'p'),
    ('', 's'),
    ('Clic droit : menu   •   Clic sur la fenêtre : retour au jeu', 'f'),
]

STYLE = {
    't': (26, 'bold', 30, '#ffe24a'),
    'h': (16, 'bold', 19.5, '#ffd21e'),
    'p': (15, 'normal', 17, '#fff06a'),
    's': (0, 'normal', 4, None),
    'f': (14, 'bold', 18, '#ffe24a'),
}


def rules_text():
    total = sum(STYLE[s][2] for _, s in RULES)
    top = BOARD[1] + (BOARD[3] - BOARD[1] - total) / 2
    y = top
    out = ['<g font-family="Liberation Sans" text-anchor="middle">']
    for text, s in RULES:
        size, weight, lh, col = STYLE[s]
        if size:
            base = y + lh * 0.5 + size * 0.36
            fam = ' font-family="Liberation Serif" font-style="italic"' if s == 't' else ''
            out.append(f'  <text x="{TEXT_CX}" y="{base:.1f}" font-size="{size}" font-weight="{weight}"'
                       f'{fam} fill="{col}" filter="url(#textglow)">{esc(text)}</text>')
        y += lh
    out.append('</g>')
    return '\n'.join(out)


def esc(t):
    return t.replace('&', '&amp;').replace('<', '&lt;')


def cracks(rng):
    """Fine yellow crack lines: random walks that fork now and then."""
    paths = []
    for _ in range(38):
        x, y = rng.uniform(0, 800), rng.uniform(0, 600)
        ang = rng.uniform(0, 2 * math.pi)
        stack = [(x, y, ang, rng.randint(10, 26))]
        while stack:
            x, y, ang, n = stack.pop()
            d = f'M{x:.1f} {y:.1f}'
            for _ in range(n):
                ang += rng.uniform(-0.6, 0.6)
                step = rng.uniform(4, 11)
                x += math.cos(ang) * step
                y += math.sin(ang) * step
                d += f' L{x:.1f} {y:.1f}'
                if rng.random() < 0.08 and len(stack) < 4:
                    stack.append((x, y, ang + rng.choice((-1, 1)) * rng.uniform(0.6, 1.2), rng.randint(4, 10)))
            w = rng.uniform(0.5, 1.1)
            paths.append(f'<path d="{d}" stroke-width="{w:.2f}"/>')
    return ('<g fill="none" stroke="#ffe860" stroke-opacity="0.75" stroke-linecap="round" '
            'stroke-linejoin="round" filter="url(#crackglow)">\n' + '\n'.join(paths) + '\n</g>')


def blobs(rng):
    cols = ['#e02040', '#ff5aa8', '#8a2cc8', '#2aa050', '#c81878', '#5a1aa0', '#38c068', '#ff3060']
    out = []
    for i in range(26):
        c = cols[i % len(cols)]
        cx, cy = rng.uniform(-50, 850), rng.uniform(-50, 650)
        r = rng.uniform(90, 220)
        out.append(f'<circle cx="{cx:.0f}" cy="{cy:.0f}" r="{r:.0f}" fill="{c}" fill-opacity="0.75"/>')
    return '<g filter="url(#soft)">\n' + '\n'.join(out) + '\n</g>'


def main():
    rng = random.Random(1997)
    svg = f'''<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="800" height="600" viewBox="0 0 800 600">
<defs>
  <filter id="soft" x="-0.2" y="-0.2" width="1.4" height="1.4"><feGaussianBlur stdDeviation="40"/></filter>
  <filter id="mottle" x="0" y="0" width="1" height="1">
    <feTurbulence type="fractalNoise" baseFrequency="0.012 0.02" numOctaves="4" seed="3" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 0  0 0 0 0 0  0 0 0 0 0  0 0 0 -1.3 0.95"/>
  </filter>
  <filter id="speckle" x="0" y="0" width="1" height="1">
    <feTurbulence type="fractalNoise" baseFrequency="0.7" numOctaves="2" seed="9" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 1  0 0 0 0 0.9  0 0 0 0 0.9  0 0 0 0.25 -0.05"/>
  </filter>
  <filter id="crackglow" x="-0.1" y="-0.1" width="1.2" height="1.2">
    <feGaussianBlur in="SourceGraphic" stdDeviation="1.2" result="b"/>
    <feMerge><feMergeNode in="b"/><feMergeNode in="SourceGraphic"/></feMerge>
  </filter>
  <filter id="drop" x="-0.2" y="-0.2" width="1.4" height="1.4">
    <feGaussianBlur in="SourceAlpha" stdDeviation="5"/>
    <feOffset dx="4" dy="6" result="s"/>
    <feColorMatrix in="s" type="matrix" values="0 0 0 0 0.08  0 0 0 0 0  0 0 0 0 0.1  0 0 0 0.6 0" result="sc"/>
    <feMerge><feMergeNode in="sc"/><feMergeNode in="SourceGraphic"/></feMerge>
  </filter>
  <filter id="textglow" x="-0.05" y="-0.3" width="1.1" height="1.6">
    <feGaussianBlur in="SourceAlpha" stdDeviation="1.2" result="b"/>
    <feOffset in="b" dx="1" dy="1" result="o"/>
    <feColorMatrix in="o" type="matrix" values="0 0 0 0 0.05  0 0 0 0 0  0 0 0 0 0.1  0 0 0 0.9 0" result="s"/>
    <feMerge><feMergeNode in="s"/><feMergeNode in="SourceGraphic"/></feMerge>
  </filter>
  <linearGradient id="rpanel" x1="0" y1="0" x2="0.3" y2="1">
    <stop offset="0" stop-color="#3c1452"/>
    <stop offset="1" stop-color="#24093a"/>
  </linearGradient>
  <linearGradient id="rim" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#e8b0ff"/>
    <stop offset="0.5" stop-color="#9040c0"/>
    <stop offset="1" stop-color="#3a0c50"/>
  </linearGradient>
  <linearGradient id="lpanel" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#5a2a8a"/>
    <stop offset="1" stop-color="#2e0c4a"/>
  </linearGradient>
  <linearGradient id="bevelout" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#200830"/>
    <stop offset="1" stop-color="#f0c0ff"/>
  </linearGradient>
  <linearGradient id="bevelin" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#ffe0ff"/>
    <stop offset="1" stop-color="#300840"/>
  </linearGradient>
  <radialGradient id="wdisc" cx="0.38" cy="0.32" r="0.75">
    <stop offset="0" stop-color="#ffffff"/>
    <stop offset="0.6" stop-color="#ececf2"/>
    <stop offset="1" stop-color="#b8b8c4"/>
  </radialGradient>
  <radialGradient id="bdisc" cx="0.38" cy="0.32" r="0.75">
    <stop offset="0" stop-color="#55556a"/>
    <stop offset="0.55" stop-color="#16161e"/>
    <stop offset="1" stop-color="#050508"/>
  </radialGradient>
</defs>

<!-- backdrop -->
<rect width="800" height="600" fill="#a01848"/>
{blobs(rng)}
<rect width="800" height="600" filter="url(#mottle)" fill="#000"/>
<rect width="800" height="600" filter="url(#speckle)"/>
{cracks(rng)}

<!-- version line -->
<text x="8" y="16" font-family="Liberation Sans" font-size="12" fill="#fff4c0" fill-opacity="0.9">Tavlo — version 1.0</text>

<!-- left panel -->
<g filter="url(#drop)">
  <rect x="58" y="92" width="137" height="338" rx="26" fill="url(#rim)"/>
  <rect x="63" y="97" width="127" height="328" rx="22" fill="url(#lpanel)"/>
</g>
<text x="126.5" y="113" font-family="Liberation Sans" font-weight="bold" font-size="12" fill="#f0d8ff" text-anchor="middle">À vous de jouer</text>
<!-- recess under the turn indicator -->
<rect x="90" y="114" width="73" height="73" rx="6" fill="url(#bevelout)"/>
<rect x="94" y="118" width="64" height="64" rx="3" fill="#12041c"/>
<rect x="96" y="120" width="60" height="60" fill="#2a0c3c"/>
<text x="126.5" y="216" font-family="Liberation Sans" font-weight="bold" font-size="13" fill="#f0d8ff" text-anchor="middle">Score</text>
<circle cx="126.5" cy="276.5" r="42" fill="url(#bevelout)"/>
<circle cx="126.5" cy="276.5" r="37" fill="#14041e"/>
<circle cx="126.5" cy="276.5" r="33" fill="url(#wdisc)"/>
<circle cx="126.5" cy="368.5" r="42" fill="url(#bevelout)"/>
<circle cx="126.5" cy="368.5" r="37" fill="#14041e"/>
<circle cx="126.5" cy="368.5" r="33" fill="url(#bdisc)"/>

<!-- seated man (placeholder) -->
<g id="man">
  <rect x="70" y="470" width="110" height="120" rx="20" fill="#2850c0"/>
  <circle cx="125" cy="455" r="28" fill="#f0c090"/>
</g>

<!-- right panel -->
<g filter="url(#drop)">
  <rect x="262" y="78" width="523" height="507" rx="28" fill="url(#rim)"/>
  <rect x="268" y="84" width="511" height="495" rx="24" fill="url(#rpanel)"/>
</g>
{rules_text()}
</svg>
'''
    with open(os.path.join(OUT, 'FOND.svg'), 'w') as fh:
        fh.write(svg)


if __name__ == '__main__':
    main()
