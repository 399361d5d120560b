#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop finds
# the game there: the binary, the menu entry and its icon at every size, and
# that a software centre would take its metainfo.
set -u
build=${1:?build folder}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
id=io.github.tavlo.tavlo
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
check "the binary is installed and runnable" test -x "$prefix/bin/tavlo"
check "the menu entry is installed" test -f "$desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop" 2>/dev/null)
check "the SVG icon is installed under the name the entry gives" test -s "$prefix/share/icons/hicolor/scalable/apps/$icon.svg"
for n in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${n}x$n/apps/$icon.png
    check "the ${n}x$n icon is a PNG of that size" [ "$(identify -format '%m %wx%h' "$png" 2>/dev/null)" = "PNG ${n}x$n" ]
done
check "the entry starts the installed binary" grep -qx 'Exec=tavlo' "$desktop"
check "the entry's icon is named by the application's id" [ "$icon" = "$id" ]
check "the entry is a board game" grep -qx 'Categories=Game;BoardGame;' "$desktop"
check "the entry's comment is French" grep -qx "Comment=Jouez au Reversi contre l'ordinateur ou à deux" "$desktop"
check "the entry is valid" desktop-file-validate "$desktop"
check "the installed metainfo is valid" appstreamcli validate --pedantic --strict --no-net "$metainfo"
# The tree as a software centre reads it: the metainfo, the entry it launches
# and the icons, pedantically.
check "the installed metainfo, entry and icons are valid" \
    appstreamcli validate-tree --pedantic --no-net "$prefix"
[ "$failures" -eq 0 ]
