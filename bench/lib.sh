# Sourced by the benchmark scripts, not run on its own: skips a benchmark
# whose tools or built programs are missing, and gives it a private Xvfb on
# the first free display number of its range. Every process whose id is in
# pids is stopped when the script exits.
set -u

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
}
trap cleanup EXIT

# Usage: start_bench_x NAME BUILD_DIR FIRST LAST TOOL... -- PROGRAM...
# Sets and exports DISPLAY. The screen is BENCH_SCREEN (1024x768 unless set).
start_bench_x() {
    local name=$1 build=$2 first=$3 last=$4 n
    shift 4
    while [ $# -gt 0 ] && [ "$1" != -- ]; do
        command -v "$1" >/dev/null || { echo "$name: $1 is missing, skipped" >&2; exit 0; }
        shift
    done
    [ $# -gt 0 ] && shift
    for n in "$@"; do
        [ -x "$build/$n" ] || { echo "$name: $build/$n is not built, skipped" >&2; exit 0; }
    done

    DISPLAY=
    for n in $(seq "$first" "$last"); do
        if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then DISPLAY=:$n; break; fi
    done
    [ -n "$DISPLAY" ] || { echo "$name: no free display number" >&2; exit 1; }
    export DISPLAY
    export QT_LOGGING_RULES='qt.qpa.*=false'
    export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

    Xvfb "$DISPLAY" -screen 0 "${BENCH_SCREEN:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.05; done
}
