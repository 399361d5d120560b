#!/bin/sh
# Checks gifinfo end to end: the JSON for a known file, the frame PNGs and
# the error exit.   usage: check.sh GIFINFO DATADIR
set -eu
gifinfo=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$gifinfo" "$data/animated-local.gif" --frames "$work/frames" >"$work/out.json"
diff -u "$data/animated-local.json" "$work/out.json"
[ "$(ls "$work/frames" | wc -l)" -eq 3 ] || { echo "expected 3 frame PNGs"; exit 1; }

printf 'GIF88a' >"$work/bad.gif"
status=0
"$gifinfo" "$work/bad.gif" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 2 ] || { echo "exit $status, expected 2"; exit 1; }
[ "$(cat "$work/err")" = "Unknown GIF version" ] || { echo "message: $(cat "$work/err")"; exit 1; }
echo ok
