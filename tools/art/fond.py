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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import man  # noqa: E402

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
    ('en ligne droite et sans case vide entre eux. On encadre', 'p'),
    ("à l'horizontale, à la verticale ou en diagonale, soit huit", 'p'),
    ('directions, et parfois plusieurs à la fois. Tous les pions', 'p'),
    ('encadrés sont retournés et prennent la couleur du joueur.', 'p'),
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
    # a white and a black disc flanking the heading
    ty = top + STYLE['t'][2] / 2 + 1
    for x, g in ((TEXT_CX - 96, 'wdisc'), (TEXT_CX + 96, 'bdisc')):
        out.append(f'<circle cx="{x + 1}" cy="{ty + 1.5:.1f}" r="9" fill="#0a0210" fill-opacity="0.7"/>')
        out.append(f'<circle cx="{x}" cy="{ty:.1f}" r="9" fill="url(#{g})" stroke="#c8a0e0" stroke-width="0.8"/>')
    return '\n'.join(out)


def esc(t):
    return t.replace('&', '&amp;').replace('<', '&lt;')


def blobs(rng):
    """Soft patches of red, pink, purple and green."""
    cols = ['#e8203c', '#ff5aa8', '#8a2cc8', '#22a848', '#d01870', '#6a1ab0', '#48d070', '#ff3a50', '#2a8a40']
    out = []
    for i in range(40):
        c = cols[i % len(cols)]
        cx, cy = rng.uniform(-50, 850), rng.uniform(-50, 650)
        r = rng.uniform(70, 170)
        out.append(f'<circle cx="{cx:.0f}" cy="{cy:.0f}" r="{r:.0f}" fill="{c}" fill-opacity="0.8"/>')
    return '<g filter="url(#soft)">\n' + '\n'.join(out) + '\n</g>'


def band(n, at, value='1'):
    """A transfer table that keeps one narrow band of a noise field: its edge is a crack line."""
    t = ['0'] * n
    t[at] = value
    return ' '.join(t)


def socket(cx, cy, disc, rim):
    """A disc sitting in a round bevelled socket, centred at (cx, cy)."""
    return f'''<g>
  <circle cx="{cx}" cy="{cy}" r="41" fill="url(#bevelout)"/>
  <circle cx="{cx}" cy="{cy}" r="37" fill="#12041c"/>
  <circle cx="{cx}" cy="{cy}" r="36" fill="url(#socketin)"/>
  <circle cx="{cx + 2}" cy="{cy + 3}" r="32" fill="#05010a" fill-opacity="0.7" filter="url(#discshadow)"/>
  <circle cx="{cx}" cy="{cy}" r="32" fill="url(#{disc})"/>
  <circle cx="{cx}" cy="{cy}" r="31" fill="none" stroke="{rim}" stroke-opacity="0.45" stroke-width="1.2"/>
  <circle cx="{cx}" cy="{cy}" r="24" fill="none" stroke="{rim}" stroke-opacity="0.15" stroke-width="1.5"/>
</g>'''


def main():
    rng = random.Random(1997)
    svg = f'''<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="800" height="600" viewBox="0 0 800 600">
<defs>
  <mask id="nocrack" maskUnits="userSpaceOnUse" x="0" y="0" width="800" height="600">
    <rect width="800" height="600" fill="#fff"/>
    <rect x="258" y="74" width="531" height="515" rx="30" fill="#000"/>
  </mask>
  <filter id="soft" x="-0.2" y="-0.2" width="1.4" height="1.4"><feGaussianBlur stdDeviation="32"/></filter>
  <filter id="blur12" x="-0.3" y="-0.5" width="1.6" height="2"><feGaussianBlur stdDeviation="14"/></filter>
  <filter id="stucco" x="0" y="0" width="1" height="1" color-interpolation-filters="sRGB">
    <feTurbulence type="fractalNoise" baseFrequency="0.045" numOctaves="4" seed="8" result="n"/>
    <feDiffuseLighting in="n" surfaceScale="2.2" diffuseConstant="1.15" lighting-color="#ffffff" result="lit">
      <feDistantLight azimuth="225" elevation="55"/>
    </feDiffuseLighting>
    <feBlend in="SourceGraphic" in2="lit" mode="multiply"/>
  </filter>
  <filter id="crack1" x="0" y="0" width="1" height="1" color-interpolation-filters="sRGB">
    <feTurbulence type="fractalNoise" baseFrequency="0.008" numOctaves="5" seed="4" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 1  0 0 0 0 0.92  0 0 0 0 0.35  1 0 0 0 0"/>
    <feComponentTransfer><feFuncA type="table" tableValues="{band(70, 35)}"/></feComponentTransfer>
    <feGaussianBlur stdDeviation="0.35"/>
  </filter>
  <filter id="crack2" x="0" y="0" width="1" height="1" color-interpolation-filters="sRGB">
    <feTurbulence type="fractalNoise" baseFrequency="0.014" numOctaves="5" seed="11" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 1  0 0 0 0 0.85  0 0 0 0 0.2  1 0 0 0 0"/>
    <feComponentTransfer><feFuncA type="table" tableValues="{band(110, 48, '0.8')}"/></feComponentTransfer>
    <feGaussianBlur stdDeviation="0.3"/>
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
  <linearGradient id="rpanel" gradientUnits="userSpaceOnUse" x1="300" y1="84" x2="420" y2="580">
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
  <radialGradient id="recess" cx="0.6" cy="0.65" r="0.8">
    <stop offset="0" stop-color="#3a1450"/><stop offset="1" stop-color="#1a0628"/>
  </radialGradient>
  <radialGradient id="socketin" cx="0.5" cy="0.5" r="0.5">
    <stop offset="0.8" stop-color="#2a0c3c"/><stop offset="1" stop-color="#0a0212"/>
  </radialGradient>
  <filter id="discshadow" x="-0.3" y="-0.3" width="1.6" height="1.6"><feGaussianBlur stdDeviation="2"/></filter>
  <filter id="panelgrain" x="0" y="0" width="1" height="1">
    <feTurbulence type="fractalNoise" baseFrequency="0.9" numOctaves="2" seed="2" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 1  0 0 0 0 0.8  0 0 0 0 1  0 0 0 0.12 -0.02" result="g"/>
    <feComposite in="g" in2="SourceAlpha" operator="in"/>
  </filter>
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
{man.DEFS}
</defs>

<!-- backdrop -->
<g filter="url(#stucco)">
  <rect width="800" height="600" fill="#b01848"/>
  {blobs(rng)}
</g>
<g mask="url(#nocrack)">
  <rect width="800" height="600" filter="url(#crack1)"/>
  <rect width="800" height="600" filter="url(#crack2)"/>
</g>
<!-- a calm, slightly darker band where the title plays -->
<ellipse cx="400" cy="40" rx="250" ry="48" fill="#2a0630" fill-opacity="0.45" filter="url(#blur12)"/>

<!-- version line -->
<rect x="2" y="3" width="128" height="18" rx="6" fill="#1a0624" fill-opacity="0.6"/>
<text x="8" y="16" font-family="Liberation Sans" font-size="12" fill="#fff4d0">Tavlo — version 1.0</text>

<!-- left panel -->
<g filter="url(#drop)">
  <rect x="58" y="92" width="137" height="328" rx="26" fill="url(#rim)"/>
  <rect x="63" y="97" width="127" height="318" rx="22" fill="url(#lpanel)"/>
</g>
<rect x="63" y="97" width="127" height="318" rx="22" fill="#000" filter="url(#panelgrain)"/>
<rect x="68.5" y="102.5" width="116" height="307" rx="18" fill="none" stroke="#c890f0" stroke-opacity="0.5" stroke-dasharray="2 3"/>
<text x="126.5" y="111.5" font-family="Liberation Sans" font-weight="bold" font-size="11" letter-spacing="1" fill="#f0d8ff" text-anchor="middle">TOUR</text>
<!-- recess under the turn indicator -->
<rect x="89" y="113" width="75" height="75" rx="7" fill="url(#bevelout)"/>
<rect x="93" y="117" width="67" height="67" rx="4" fill="#12041c"/>
<rect x="96" y="120" width="60" height="60" fill="url(#recess)"/>
<path d="M96 180 V120 H156" fill="none" stroke="#05010a" stroke-width="2"/>
<text x="126.5" y="220" font-family="Liberation Sans" font-weight="bold" font-size="11" letter-spacing="1" fill="#f0d8ff" text-anchor="middle">SCORE</text>
{socket(126.5, 276.5, 'wdisc', '#ffffff')}
{socket(126.5, 368.5, 'bdisc', '#8080a0')}

<!-- seated man -->
<g transform="translate(0 3) translate(120 596) scale(0.85) translate(-120 -596)">
{man.BODY}
</g>

<!-- right panel -->
<g filter="url(#drop)">
  <rect x="262" y="78" width="523" height="507" rx="28" fill="url(#rim)"/>
  <rect x="268" y="84" width="511" height="495" rx="24" fill="url(#rpanel)"/>
</g>
<rect x="268" y="84" width="511" height="495" rx="24" fill="#000" filter="url(#panelgrain)" opacity="0.6"/>
{rules_text()}
</svg>
'''
    with open(os.path.join(OUT, 'FOND.svg'), 'w') as fh:
        fh.write(svg)


if __name__ == '__main__':
    main()
