#!/usr/bin/env python3
"""Regenerates every SVG drawing under assets/src from the scripts beside it.

The build reads only assets/src; run this after editing a script here and
commit both the script and its output.  check.py then verifies the places the
window's controls rely on (it needs rsvg-convert from librsvg2-bin).
"""
import importlib
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

for name in ('fond', 'discs', 'title', 'character', 'splash', 'final', 'icon'):
    importlib.import_module(name).main()
