#!/bin/sh
# Renders every shipped picture into one PNG for a look at the art as the
# program carries it: BUILD/contact-sheet.png. Needs ImageMagick.
#   tools/make-assets/contact-sheet.sh BUILD
set -eu
build=${1:-build}
assets=$build/assets
out=$build/contact-sheet.png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Transparent pictures are shown over a checkerboard, so holes show.
checker() { convert -size "$1" pattern:checkerboard -fill '#ffffff80' -colorize 40 "$2"; }

# The disc frames are bitmaps without file header: give them one (54-byte
# offset, 10,854 bytes in all) so ImageMagick reads them.
for i in 0 1 2 3 4 5 6 7; do
    { printf 'BM\146\052\000\000\000\000\000\000\066\000\000\000'; cat "$assets/PIONB$i.bmp"; } > "$work/disc$i.bmp"
    convert "$work/disc$i.bmp" -scale 200% "$work/disc$i.png"
done
# Frames 1 to 7 side by side, and a 3 x 3 patch of the board.
montage "$work"/disc[0-7].png -tile 8x1 -geometry +4+4 -background '#333' "$work/discs.png"
convert \( "$work/disc0.bmp" "$work/disc7.bmp" "$work/disc0.bmp" +append \) \
        \( "$work/disc1.bmp" "$work/disc0.bmp" "$work/disc7.bmp" +append \) \
        \( "$work/disc0.bmp" "$work/disc1.bmp" "$work/disc4.bmp" +append \) -append "$work/board.png"

convert "$assets/TITLE.gif" -coalesce "$work/title-%02d.png"
checker 400x70 "$work/check-title.png"
for f in "$work"/title-*.png; do
    convert "$work/check-title.png" "$f" -composite "$f"
done
montage "$work"/title-*.png -tile 4x -geometry +3+3 -background '#333' "$work/title.png"

convert "$assets/CHARACTER.gif" -coalesce "$work/char-%d.png"
checker 90x115 "$work/check-char.png"
for f in "$work"/char-*.png; do
    convert "$work/check-char.png" "$f" -composite -scale 200% "$f"
done
montage "$work"/char-*.png -tile 6x1 -geometry +4+4 -background '#333' "$work/character.png"

convert "$assets/MAINICON.ico" -background '#c8c8c8' -flatten -scale 800% "$work/icon.png"

montage -label 'FOND 800x600' "$assets/FOND.jpg" \
        -label 'SPLASH' "$assets/SPLASH.jpg" \
        -label 'FINAL' "$assets/FINAL.jpg" \
        -label 'PIONB0..7 (x2)' "$work/discs.png" \
        -label 'board patch' "$work/board.png" \
        -label 'TITLE: 20 frames' "$work/title.png" \
        -label 'CHARACTER: 6 frames (x2)' "$work/character.png" \
        -label 'MAINICON (x8)' "$work/icon.png" \
        -tile 2x -geometry '+12+12' -background '#222' -fill white -pointsize 16 "$out"
echo "$out"
