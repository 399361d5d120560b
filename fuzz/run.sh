#!/bin/sh
# Builds and runs the GIF fuzzer for a bounded time.
# usage: fuzz/run.sh OUTDIR [SECONDS] [ASSETDIR]
# The corpus grows in OUTDIR/corpus, seeded from the test GIFs and the
# shipped streams when they exist; findings land in OUTDIR/findings.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$src/build/fuzz}
seconds=${2:-300}
assets=${3:-}
"$src/fuzz/build.sh" "$out"
mkdir -p "$out/corpus" "$out/findings"
for f in "$src"/tests/data/gif/*.gif; do
    cp -n "$f" "$out/corpus/" 2>/dev/null || true
done
if [ -n "$assets" ]; then
    for f in "$assets"/*.gif; do
        [ -f "$f" ] && cp -n "$f" "$out/corpus/" 2>/dev/null || true
    done
fi
# QPainter on a QImage needs no display.
export QT_QPA_PLATFORM=offscreen
exec "$out/fuzz_gif" "$out/corpus" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$out/findings/" -print_final_stats=1
