#!/usr/bin/env python3
"""Writes FINAL.svg (300x300): FELICITATION over a trumpeter in a medallion on
a fiery background.  The band below y=245 stays calm and light: the result
text is drawn there in black."""
import math
import os
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src')


def rays(cx, cy, n, r0, r1, col, op):
    out = []
    for k in range(n):
        a0 = 2 * math.pi * k / n
        a1 = a0 + math.pi / n
        p = [(cx + r0 * math.cos(a0), cy + r0 * math.sin(a0)),
             (cx + r1 * math.cos((a0 + a1) / 2), cy + r1 * math.sin((a0 + a1) / 2)),
             (cx + r0 * math.cos(a1), cy + r0 * math.sin(a1))]
        out.append(f'<polygon points="{" ".join(f"{x:.1f},{y:.1f}" for x, y in p)}" fill="{col}" fill-opacity="{op}"/>')
    return '\n'.join(out)


TRUMPETER = '''
<g id="trumpeter">
  <!-- body -->
  <path d="M104 236 C104 200 116 182 140 178 L160 178 C178 184 186 204 186 236 Z" fill="url(#coat)" stroke="#0a1a50" stroke-width="1.6"/>
  <path d="M140 178 L150 200 L160 178 Z" fill="#fff4d0"/>
  <circle cx="150" cy="210" r="2.4" fill="#ffd040"/><circle cx="150" cy="222" r="2.4" fill="#ffd040"/>
  <!-- head -->
  <ellipse cx="136" cy="140" rx="30" ry="31" fill="url(#skin)" stroke="#6a2a10" stroke-width="1.6"/>
  <ellipse cx="107" cy="144" rx="6" ry="8" fill="#f5b890" stroke="#6a2a10" stroke-width="1.2"/>
  <!-- puffed cheek -->
  <circle cx="156" cy="152" r="13" fill="#ffb098" stroke="#a04a30" stroke-width="1"/>
  <ellipse cx="131" cy="134" rx="3.4" ry="4.6" fill="#2a1a10"/>
  <path d="M124 124 Q131 119 138 124" stroke="#5a2a10" stroke-width="2" fill="none" stroke-linecap="round"/>
  <path d="M145 138 Q152 142 146 147" stroke="#a0603a" stroke-width="1.6" fill="none"/>
  <!-- cap -->
  <path d="M104 128 C102 104 118 94 138 94 C158 94 170 104 168 124 Q136 116 104 128 Z" fill="url(#cap)" stroke="#0a1a50" stroke-width="1.6"/>
  <path d="M160 122 Q182 120 190 128 Q176 132 160 128 Z" fill="#1a3a9a" stroke="#0a1a50" stroke-width="1.4"/>
  <path d="M106 124 Q136 113 166 122 L166 128 Q136 119 106 130 Z" fill="#ffd040" stroke="#8a5a00" stroke-width="0.8"/>
  <circle cx="136" cy="96" r="4" fill="#ffd040" stroke="#8a5a00" stroke-width="0.8"/>
</g>'''

# the trumpet, the arm holding it and the notes overlap the medallion's ring
FRONT = '''
<g>
  <!-- trumpet -->
  <path d="M166 156 L226 150 L226 160 L166 162 Z" fill="url(#brass)" stroke="#6a0a0a" stroke-width="1.4"/>
  <path d="M186 160 C186 176 214 178 214 160" fill="none" stroke="#c01818" stroke-width="5"/>
  <path d="M186 160 C186 176 214 178 214 160" fill="none" stroke="#6a0a0a" stroke-width="1" transform="translate(0 2.5)"/>
  <path d="M222 150 C234 146 240 130 246 124 L246 188 C240 182 234 166 222 162 Z" fill="url(#brass)" stroke="#6a0a0a" stroke-width="1.6"/>
  <ellipse cx="246" cy="156" rx="6" ry="32" fill="#ff6a5a" stroke="#6a0a0a" stroke-width="1.6"/>
  <ellipse cx="247" cy="156" rx="3" ry="24" fill="#8a0a10"/>
  <rect x="192" y="146" width="4" height="6" fill="#ffd040"/><rect x="200" y="145" width="4" height="6" fill="#ffd040"/><rect x="208" y="145" width="4" height="6" fill="#ffd040"/>
  <!-- hands -->
  <path d="M150 200 C164 190 178 176 196 166" stroke="#0a1a50" stroke-width="13" fill="none" stroke-linecap="round"/>
  <path d="M150 200 C164 190 178 176 196 166" stroke="url(#coat)" stroke-width="10" fill="none" stroke-linecap="round"/>
  <ellipse cx="201" cy="160" rx="9" ry="7" fill="url(#skin)" stroke="#6a2a10" stroke-width="1.3"/>
  <!-- notes -->
  <g fill="#1a3aa0">
    <path d="M262 110 l0 -22 l10 -4 l0 18" stroke="#1a3aa0" stroke-width="2" fill="none"/>
    <ellipse cx="259" cy="111" rx="4" ry="3"/><ellipse cx="269" cy="103" rx="4" ry="3"/>
    <path d="M276 146 l0 -18 l8 4" stroke="#1a3aa0" stroke-width="2" fill="none"/>
    <ellipse cx="273" cy="147" rx="3.6" ry="2.7"/>
  </g>
  <g fill="#fffbe0">
    <path d="M40 70 l2 6 l6 2 l-6 2 l-2 6 l-2 -6 l-6 -2 l6 -2 Z"/>
    <path d="M262 228 l1.5 4.5 l4.5 1.5 l-4.5 1.5 l-1.5 4.5 l-1.5 -4.5 l-4.5 -1.5 l4.5 -1.5 Z"/>
    <path d="M30 200 l1.5 4.5 l4.5 1.5 l-4.5 1.5 l-1.5 4.5 l-1.5 -4.5 l-4.5 -1.5 l4.5 -1.5 Z"/>
  </g>
</g>'''


def main():
    svg = f'''<svg xmlns="http://www.w3.org/2000/svg" width="300" height="300" viewBox="0 0 300 300">
<defs>
  <radialGradient id="fire" cx="0.5" cy="0.5" r="0.72">
    <stop offset="0" stop-color="#ffe060"/>
    <stop offset="0.3" stop-color="#ff9a18"/>
    <stop offset="0.62" stop-color="#e8380c"/>
    <stop offset="1" stop-color="#8a0606"/>
  </radialGradient>
  <filter id="flames" x="0" y="0" width="1" height="1" color-interpolation-filters="sRGB">
    <feTurbulence type="turbulence" baseFrequency="0.035 0.012" numOctaves="4" seed="21" result="n"/>
    <feColorMatrix in="n" type="matrix" values="0 0 0 0 1  0 0 0 0 0.85  0 0 0 0 0.2  2.4 0 0 0 -0.35" result="f"/>
    <feComposite in="f" in2="SourceGraphic" operator="atop"/>
  </filter>
  <radialGradient id="medal" cx="0.5" cy="0.45" r="0.6">
    <stop offset="0" stop-color="#fff8c0"/>
    <stop offset="0.7" stop-color="#ffd050"/>
    <stop offset="1" stop-color="#ff9a20"/>
  </radialGradient>
  <linearGradient id="ring" x1="0" y1="0" x2="1" y2="1">
    <stop offset="0" stop-color="#ffe070"/><stop offset="0.5" stop-color="#ff8a10"/><stop offset="1" stop-color="#b04a00"/>
  </linearGradient>
  <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#ffd870" stop-opacity="0"/>
    <stop offset="0.3" stop-color="#ffe08a"/>
    <stop offset="1" stop-color="#fff0c0"/>
  </linearGradient>
  <linearGradient id="coat" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#4a7aff"/><stop offset="1" stop-color="#1a3aa0"/></linearGradient>
  <linearGradient id="cap" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#5a8aff"/><stop offset="1" stop-color="#1a3aa0"/></linearGradient>
  <linearGradient id="brass" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#ff8a7a"/><stop offset="0.5" stop-color="#e01818"/><stop offset="1" stop-color="#8a0808"/></linearGradient>
  <radialGradient id="skin" cx="0.4" cy="0.35" r="0.7"><stop offset="0" stop-color="#ffdcc0"/><stop offset="1" stop-color="#eaa07a"/></radialGradient>
  <linearGradient id="tblue" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#8ac8ff"/><stop offset="0.5" stop-color="#1a5ae8"/><stop offset="1" stop-color="#0a2a90"/></linearGradient>
  <clipPath id="medclip"><circle cx="150" cy="150" r="80"/></clipPath>
  <filter id="drop" x="-0.1" y="-0.1" width="1.3" height="1.3">
    <feGaussianBlur in="SourceAlpha" stdDeviation="2"/><feOffset dx="2" dy="3" result="s"/>
    <feColorMatrix in="s" type="matrix" values="0 0 0 0 0.3  0 0 0 0 0  0 0 0 0 0  0 0 0 0.6 0" result="c"/>
    <feMerge><feMergeNode in="c"/><feMergeNode in="SourceGraphic"/></feMerge>
  </filter>
</defs>
<rect width="300" height="300" fill="url(#fire)"/>
<rect width="300" height="300" fill="url(#fire)" filter="url(#flames)"/>
<g opacity="0.5">
{rays(150, 150, 20, 95, 300, '#fff27a', 0.45)}
</g>
<rect x="0" y="226" width="300" height="74" fill="url(#band)"/>
<path d="M0 300 V250 Q75 240 150 246 T300 244 V300 Z" fill="#fff4c8" fill-opacity="0.6"/>
<g filter="url(#drop)">
  <circle cx="150" cy="150" r="92" fill="url(#ring)" stroke="#8a3a00" stroke-width="2"/>
  <circle cx="150" cy="150" r="80" fill="url(#medal)" stroke="#b05a00" stroke-width="2"/>
</g>
<path d="M86 112 A78 78 0 0 1 180 78" fill="none" stroke="#ffffff" stroke-opacity="0.55" stroke-width="3" stroke-linecap="round"/>
<g clip-path="url(#medclip)">
{rays(150, 150, 24, 0, 90, '#ffffff', 0.22)}
{TRUMPETER}
</g>
<g filter="url(#drop)">
{FRONT}
</g>
<text x="150" y="44" text-anchor="middle" font-family="Liberation Sans" font-weight="bold" font-size="38" textLength="286"
  lengthAdjust="spacingAndGlyphs" fill="url(#tblue)" stroke="#ffffff" stroke-width="3" paint-order="stroke" filter="url(#drop)">FELICITATION</text>
</svg>
'''
    with open(os.path.join(OUT, 'FINAL.svg'), 'w') as fh:
        fh.write(svg)


if __name__ == '__main__':
    main()
