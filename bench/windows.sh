#!/usr/bin/env bash
# Main window benchmarks under a private Xvfb with openbox: CPU and frame
# pace of ten disc turns, launch-to-splash time against a bare Qt window
# (median of 10), resident memory 2 s after the main window appears.
# Usage: bench/windows.sh BUILD_DIR   (prints row<TAB>metric<TAB>value<TAB>target)
build=$(cd "${1:-build}" && pwd)
. "$(dirname "$0")/lib.sh"
start_bench_x windows.sh "$build" 71 99 Xvfb openbox xdotool -- \
    tavlo windows-animation windows-bare-window windows-launch-time
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

# Disc turns: CPU and frame pace.
"$build/windows-animation" 2>/dev/null | grep -P '^row\t'

# Launch to the first mapped window, tavlo and the bare window in turn.
median() { sort -n | awk '{v[NR]=$1} END {if (NR) print v[int((NR+1)/2)]}'; }
tavlo_times=()
bare_times=()
for _ in $(seq 10); do
    t=$("$build/windows-launch-time" "$build/tavlo" 2>/dev/null) && tavlo_times+=("$t")
    t=$("$build/windows-launch-time" "$build/windows-bare-window" 2>/dev/null) && bare_times+=("$t")
done
tavlo_ms=$(printf '%s\n' "${tavlo_times[@]}" | median)
bare_ms=$(printf '%s\n' "${bare_times[@]}" | median)
if [ -n "$tavlo_ms" ] && [ -n "$bare_ms" ]; then
    ratio=$(awk -v a="$tavlo_ms" -v b="$bare_ms" 'BEGIN {printf "%.2f", a / b}')
    limit=$(awk -v b="$bare_ms" 'BEGIN {printf "%.0f", 1.5 * b}')
    printf 'row\tlaunch to splash mapped, median of %d\t%s ms\t< %s ms (1.5 x bare)\n' "${#tavlo_times[@]}" "$tavlo_ms" "$limit"
    printf 'row\tbare Qt 6 window painting one picture, median of %d\t%s ms\t-\n' "${#bare_times[@]}" "$bare_ms"
    printf 'row\tlaunch time, tavlo / bare window\t%s\t< 1.5\n' "$ratio"
fi

# Memory: click the splash away, wait for the main window, then 2 s.
"$build/tavlo" >/dev/null 2>&1 &
game=$!
pids+=($game)
splash=
for _ in $(seq 200); do
    splash=$(xdotool search --onlyvisible --pid "$game" 2>/dev/null | head -1)
    [ -n "$splash" ] && break
    sleep 0.02
done
if [ -n "$splash" ]; then
    eval "$(xdotool getwindowgeometry --shell "$splash")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    for _ in $(seq 200); do
        found=
        for w in $(xdotool search --onlyvisible --pid "$game" 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            [ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] && found=$w
        done
        [ -n "$found" ] && break
        sleep 0.02
    done
    if [ -n "$found" ]; then
        sleep 2
        rss=$(awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$game/status")
        printf 'row\tresident memory 2 s after the main window appears\t%s MB\t< 40 MB\n' "$rss"
    else
        echo "windows.sh: the main window did not appear" >&2
    fi
fi
kill "$game" 2>/dev/null
