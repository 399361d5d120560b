#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that a desktop finds
# the game there: the binary, the menu entry and its icon.
set -u
build=${1:?build folder}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
desktop=$prefix/share/applications/tavlo.desktop
check "the binary is installed and runnable" test -x "$prefix/bin/tavlo"
check "the menu entry is installed" test -f "$desktop"
check "the icon is installed under the name the entry gives" test -s "$prefix/share/icons/hicolor/scalable/apps/tavlo.svg"
check "the entry starts the installed binary" grep -qx 'Exec=tavlo' "$desktop"
check "the entry names its icon" grep -qx 'Icon=tavlo' "$desktop"
check "the entry is a board game" grep -qx 'Categories=Game;BoardGame;' "$desktop"
check "the entry's comment is French" grep -qx "Comment=Jouez au Reversi contre l'ordinateur ou à deux" "$desktop"
if command -v desktop-file-validate >/dev/null; then
    check "the entry is valid" desktop-file-validate "$desktop"
fi
[ "$failures" -eq 0 ]
