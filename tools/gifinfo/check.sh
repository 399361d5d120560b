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
# A file that loads gives exit code 0 even when a frame cannot be built:
# no global table, a first frame with a local one, a second without.
frame='\000\000\000\000\004\000\002\000'
data='\002\001\054\000'   # code size 2; clear, end
printf "GIF89a\004\000\002\000\160\000\000,${frame}\201\377\000\000\000\377\000\000\000\377\000\000\000${data},${frame}\000${data};" \
    >"$work/nocolors.gif"
"$gifinfo" "$work/nocolors.gif" --frames "$work/nocolors" >"$work/out.json"
grep -q '"error": "Wrong number of colors; must be a power of 2"' "$work/out.json" \
    || { echo "no error on the second frame"; cat "$work/out.json"; exit 1; }
[ "$(grep -c '"error"' "$work/out.json")" -eq 1 ] || { echo "error on the first frame"; exit 1; }
[ "$(ls "$work/nocolors" | wc -l)" -eq 1 ] || { echo "expected 1 frame PNG"; exit 1; }

# A 65535 x 65535 screen with one 1 x 1 frame loads and allocates nothing
# of its size.
printf 'GIF89a\377\377\377\377\200\000\000\000\000\000\377\377\377,\000\000\000\000\001\000\001\000\000\002\002\104\001\000;' \
    >"$work/screen.gif"
# Under AddressSanitizer, whose shadow memory no address-space limit
# allows, its own allocator enforces the same 1 GiB.
if ldd "$gifinfo" 2>/dev/null | grep -q libasan; then
    ASAN_OPTIONS=${ASAN_OPTIONS:-}:malloc_limit_mb=1024 "$gifinfo" "$work/screen.gif" --frames "$work/screen"
else
    ( ulimit -v 1048576; "$gifinfo" "$work/screen.gif" --frames "$work/screen" )
fi >"$work/out.json"
grep -q '"screenWidth": 65535' "$work/out.json" || { echo "huge screen not read"; exit 1; }
echo ok
