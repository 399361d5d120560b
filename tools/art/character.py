#!/usr/bin/env python3
"""Writes the six frames of the dancing creature (transparent background).

Each frame has its own rectangle inside the 90x115 logical screen; the pose
is drawn in screen coordinates and shifted by minus the frame's offset, so the
creature stays put while the frames change.  White is the animation's
transparent key, so nothing opaque here is pure white.
"""
import math
import os
import sys

OUT = os.path.join(
    os.path.dirname(__file__), '..', '..', 'assets', 'src', 'character')

RECTS = [(0, 0, 90, 115), (3, 1, 80, 111), (3, 2, 81, 108),
         (12, 9, 67, 102), (4, 5, 79, 106), (2, 3, 82, 109)]

SKIN = '#4cc23a'
SKIN_DARK = '#2e8a22'
SKIN_LIGHT = '#8ee86a'
LINE = '#143a0c'
HAIR = '#9a3ad0'
HAIR_DARK = '#5a1a88'
SHORTS = '#2a5ae0'
SHORTS_DARK = '#163a9a'

# pose: body centre offset (dx, dy), lean (deg), arms (shoulder angle, elbow angle) per side,
# legs as (hip point offset, knee, foot) absolute in screen coords, head tilt
POSES = [
    dict(dy=0, lean=0, tilt=-6,
         arms=[[(-16, -14), (-24, -30)], [(16, -14), (26, -28)]],
         legs=[[(36, 92), (32, 104)], [(54, 92), (58, 104)]], mouth='open'),
    dict(dy=-1, lean=6, tilt=8,
         arms=[[(-14, -16), (-10, -32)], [(18, -4), (30, -12)]],
         legs=[[(28, 87), (15, 85)], [(50, 93), (50, 105)]], mouth='grin'),
    dict(dy=1, lean=0, tilt=0,
         arms=[[(-18, -6), (-30, -10)], [(18, -6), (30, -10)]],
         legs=[[(38, 93), (36, 105)], [(52, 93), (54, 105)]], mouth='grin'),
    dict(dy=8, lean=0, tilt=-4,
         arms=[[(-14, 4), (-6, 12)], [(14, 4), (6, 12)]],
         legs=[[(32, 94), (38, 105)], [(58, 94), (52, 105)]], mouth='o'),
    dict(dy=0, lean=-5, tilt=6,
         arms=[[(-18, -4), (-30, -12)], [(14, -12), (12, -24)]],
         legs=[[(40, 93), (40, 105)], [(62, 87), (71, 85)]], mouth='grin'),
    dict(dy=-2, lean=0, tilt=5,
         arms=[[(-18, -16), (-22, -32)], [(18, -16), (22, -32)]],
         legs=[[(38, 92), (36, 104)], [(52, 92), (54, 104)]], mouth='open'),
]


def limb(points, width, col, dark):
    d = 'M' + ' L'.join(f'{x:.1f} {y:.1f}' for x, y in points)
    return (f'<path d="{d}" fill="none" stroke="{LINE}" stroke-width="{width + 2.6}" stroke-linecap="round" stroke-linejoin="round"/>'
            f'<path d="{d}" fill="none" stroke="{col}" stroke-width="{width}" stroke-linecap="round" stroke-linejoin="round"/>'
            f'<path d="{d}" fill="none" stroke="{dark}" stroke-opacity="0.0" stroke-width="1"/>')


def pose_svg(p):
    cx, cy = 45, 64 + p['dy']           # torso centre
    hip_y = cy + 12
    parts = []
    # shadow at the feet
    parts.append('<ellipse cx="45" cy="106" rx="24" ry="4" fill="#3a2444"/><ellipse cx="45" cy="106" rx="15" ry="2.5" fill="#2a1830"/>')
    # legs
    for side, (knee, foot) in zip((-1, 1), p['legs']):
        hip = (cx + side * 6, hip_y)
        parts.append(limb([hip, knee, foot], 6, SKIN, SKIN_DARK))
        fx, fy = foot
        kx, ky = knee
        dirx = 1 if fx >= kx - 2 and side > 0 else (-1 if side < 0 else 1)
        if abs(fy - ky) < 4:  # kicked leg: foot points outwards
            dirx = -1 if fx < kx else 1
        parts.append(f'<ellipse cx="{fx + dirx * 3:.1f}" cy="{fy:.1f}" rx="6.5" ry="3.6" fill="{SKIN}" stroke="{LINE}" stroke-width="1.3"/>')
    # arms behind the torso outline
    shoulder_y = cy - 10
    arm_parts = []
    for side, (elbow, hand) in zip((-1, 1), p['arms']):
        sh = (cx + side * 9, shoulder_y)
        el = (cx + elbow[0], shoulder_y + elbow[1] * 0.55 + 4)
        hd = (cx + hand[0], shoulder_y + hand[1] * 0.6 + 2)
        arm_parts.append(limb([sh, el, hd], 5, SKIN, SKIN_DARK))
        arm_parts.append(f'<circle cx="{hd[0]:.1f}" cy="{hd[1]:.1f}" r="3.6" fill="{SKIN_LIGHT}" stroke="{LINE}" stroke-width="1.3"/>')
    g = [f'<g transform="rotate({p["lean"]} {cx} {hip_y})">']
    g += arm_parts
    # torso
    g.append(f'<ellipse cx="{cx}" cy="{cy - 2}" rx="12" ry="15" fill="url(#skin)" stroke="{LINE}" stroke-width="1.4"/>')
    g.append(f'<ellipse cx="{cx - 1}" cy="{cy + 1}" rx="6" ry="8" fill="{SKIN_LIGHT}" fill-opacity="0.55"/>')
    # ragged shorts
    hem = []
    x0, x1 = cx - 14, cx + 14
    depths = [0, 4, 1, 5, 2, 0, 4, 1, 5, 0]
    n = len(depths) - 1
    for k in range(n + 1):
        x = x0 + (x1 - x0) * k / n
        y = hip_y + 6 + depths[k]
        hem.append(f'{x:.1f} {y:.1f}')
    g.append(f'<path d="M{cx - 12.5} {hip_y - 6} Q{cx} {hip_y - 9} {cx + 12.5} {hip_y - 6} L{x1} {hip_y + 6} L'
             + ' L'.join(reversed(hem)) + f' Z" fill="{SHORTS}" stroke="{LINE}" stroke-width="1.3" stroke-linejoin="round"/>')
    g.append(f'<path d="M{cx} {hip_y - 7} V{hip_y + 4}" stroke="{SHORTS_DARK}" stroke-width="1.2"/>')
    # a patch with big stitches, and a tear
    g.append(f'<rect x="{cx + 3}" y="{hip_y - 3}" width="7" height="6" fill="#6a90f0" stroke="{SHORTS_DARK}" stroke-width="0.8" transform="rotate(-8 {cx + 6} {hip_y})"/>')
    g.append(f'<path d="M{cx + 4} {hip_y - 4} l-1 -1 M{cx + 9} {hip_y - 5} l1 -1 M{cx + 4} {hip_y + 3} l-1 1" stroke="#f0e080" stroke-width="0.8"/>')
    g.append(f'<path d="M{cx - 9} {hip_y - 1} l2 3 l-1 2" fill="none" stroke="{SHORTS_DARK}" stroke-width="1"/>')
    # head
    hx, hy = cx, cy - 31
    h = [f'<g transform="rotate({p["tilt"]} {hx} {hy + 10})">']
    # feather
    h.append(f'<path d="M{hx + 4} {hy - 10} C{hx + 9} {hy - 19} {hx + 17} {hy - 23} {hx + 24} {hy - 25} '
             f'C{hx + 22} {hy - 18} {hx + 15} {hy - 12} {hx + 6} {hy - 8} Z" fill="url(#feather)" stroke="#7a3a00" stroke-width="1"/>')
    h.append(f'<path d="M{hx + 5} {hy - 9} Q{hx + 14} {hy - 18} {hx + 24} {hy - 25}" fill="none" stroke="#c04000" stroke-width="0.8"/>')
    h.append(f'<path d="M{hx + 11} {hy - 14} l2 -5 M{hx + 15} {hy - 16} l3 -4 M{hx + 13} {hy - 12} l5 0 M{hx + 18} {hy - 16} l4 0" '
             f'fill="none" stroke="#c05a00" stroke-width="0.7"/>')
    # ears
    h.append(f'<ellipse cx="{hx - 14}" cy="{hy + 2}" rx="4" ry="6" fill="{SKIN}" stroke="{LINE}" stroke-width="1.2"/>')
    h.append(f'<ellipse cx="{hx + 14}" cy="{hy + 2}" rx="4" ry="6" fill="{SKIN}" stroke="{LINE}" stroke-width="1.2"/>')
    h.append(f'<circle cx="{hx}" cy="{hy}" r="14" fill="url(#skin)" stroke="{LINE}" stroke-width="1.4"/>')
    # shaggy hair: curved locks sweeping up, and a fringe over the brow
    locks = [(-14, 0, -19, -8, -12, -6), (-12, -5, -14, -17, -6, -10), (-6, -9, -4, -21, 1, -11),
             (0, -11, 6, -22, 6, -10), (5, -10, 15, -18, 11, -6), (10, -7, 19, -8, 14, 0)]
    d = f'M{hx - 14} {hy + 1}'
    for x0, y0, xc, yc, x1, y1 in locks:
        d += f' Q{hx + xc} {hy + yc} {hx + x1} {hy + y1}'
    d += f' L{hx + 14} {hy + 1} Q{hx + 6} {hy - 6} {hx} {hy - 3} Q{hx - 8} {hy - 6} {hx - 14} {hy + 1} Z'
    h.append(f'<path d="{d}" fill="url(#hair)" stroke="{HAIR_DARK}" stroke-width="1.2" stroke-linejoin="round"/>')
    h.append(f'<path d="M{hx - 9} {hy - 4} Q{hx - 8} {hy - 11} {hx - 4} {hy - 13} M{hx + 2} {hy - 6} Q{hx + 4} {hy - 13} {hx + 8} {hy - 14}" '
             f'fill="none" stroke="#d090ff" stroke-width="1" stroke-linecap="round"/>')
    # eyes
    for ex in (-5, 5):
        h.append(f'<ellipse cx="{hx + ex}" cy="{hy + 1}" rx="3.6" ry="4.4" fill="#fafaf2" stroke="{LINE}" stroke-width="0.9"/>')
        h.append(f'<circle cx="{hx + ex + 0.8}" cy="{hy + 2}" r="1.8" fill="#1a1030"/>')
    h.append(f'<ellipse cx="{hx}" cy="{hy + 6}" rx="2.4" ry="1.8" fill="{SKIN_DARK}"/>')
    m = p['mouth']
    if m == 'open':
        h.append(f'<path d="M{hx - 6} {hy + 8} Q{hx} {hy + 16} {hx + 6} {hy + 8} Z" fill="#8a1830" stroke="{LINE}" stroke-width="1"/>')
    elif m == 'o':
        h.append(f'<ellipse cx="{hx}" cy="{hy + 10}" rx="2.6" ry="3" fill="#8a1830" stroke="{LINE}" stroke-width="1"/>')
    else:
        h.append(f'<path d="M{hx - 7} {hy + 8} Q{hx} {hy + 14} {hx + 7} {hy + 8}" fill="none" stroke="{LINE}" stroke-width="1.5" stroke-linecap="round"/>')
    h.append('</g>')
    g += h
    g.append('</g>')
    parts += g
    return '\n'.join(parts)


DEFS = f'''<defs>
  <linearGradient id="feather" x1="0" y1="1" x2="1" y2="0">
    <stop offset="0" stop-color="#ff6a20"/><stop offset="0.6" stop-color="#ffc030"/><stop offset="1" stop-color="#fff080"/>
  </linearGradient>
  <linearGradient id="hair" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#c070f0"/><stop offset="1" stop-color="#7a22b0"/>
  </linearGradient>
  <radialGradient id="skin" cx="0.35" cy="0.3" r="0.8">
    <stop offset="0" stop-color="{SKIN_LIGHT}"/>
    <stop offset="0.6" stop-color="{SKIN}"/>
    <stop offset="1" stop-color="{SKIN_DARK}"/>
  </radialGradient>
</defs>'''


def main():
    os.makedirs(OUT, exist_ok=True)
    for i, ((ox, oy, w, h), p) in enumerate(zip(RECTS, POSES)):
        svg = (f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" viewBox="0 0 {w} {h}">\n'
               f'{DEFS}\n<g transform="translate({-ox} {-oy})">\n{pose_svg(p)}\n</g>\n</svg>\n')
        with open(os.path.join(OUT, f'frame{i}.svg'), 'w') as fh:
            fh.write(svg)


if __name__ == '__main__':
    main()
