#!/usr/bin/env bash
# GIF animation benchmarks under a private Xvfb: the CPU of the real game over
# 30 s with both animations playing and no game moving, the frame pace idle
# and during disc turns (animator-pace), how fast "Quitter" ends the program
# in the middle of the animations and of a move, and for reference a bare Qt
# window playing the same GIFs with Qt's movie player, the floor the frame
# timers set by themselves, and the floor of Qt's own repaint of the same
# frames (animator-reference).
# Usage: bench/animator.sh BUILD_DIR   (prints row<TAB>metric<TAB>value<TAB>target)
build=$(cd "${1:-build}" && pwd)
. "$(dirname "$0")/lib.sh"
start_bench_x animator.sh "$build" 40 55 Xvfb xdotool -- tavlo animator-pace
work=$(mktemp -d)
trap 'cleanup; rm -rf "$work"' EXIT

now() { date +%s.%N; }

# Starts the game in the background (its exit code and end time land in
# $work), clicks the splash away and waits for the 800 x 600 window.
# Sets game (pid) and X, Y (the main window's corner).
start_game() {
    rm -f "$work/rc" "$work/end"
    ( "$build/tavlo" >/dev/null 2>&1; echo $? >"$work/rc"; now >"$work/end" ) &
    pids+=($!)
    game=
    for _ in $(seq 200); do
        game=$(pgrep -n -x tavlo) && break
        sleep 0.02
    done
    local splash=
    for _ in $(seq 200); do
        splash=$(xdotool search --onlyvisible --pid "$game" 2>/dev/null | head -1)
        [ -n "$splash" ] && break
        sleep 0.02
    done
    [ -n "$splash" ] || return 1
    sleep 0.3
    eval "$(xdotool getwindowgeometry --shell "$splash")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    for _ in $(seq 200); do
        for w in $(xdotool search --onlyvisible --pid "$game" 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            [ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ] && return 0
        done
        sleep 0.02
    done
    return 1
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# "Quitter" from the context menu (its last item); prints seconds to exit and
# the exit code, or "hung" after 3 s.
quit_game() {
    xdotool mousemove $((X + 40)) $((Y + 480)) click 3
    sleep 0.3
    xdotool key Up
    sleep 0.1
    local t0
    t0=$(now)
    xdotool key Return
    for _ in $(seq 300); do
        [ -s "$work/end" ] && break
        sleep 0.01
    done
    if [ -s "$work/end" ]; then
        awk -v a="$t0" -v b="$(cat "$work/end")" -v rc="$(cat "$work/rc")" 'BEGIN {printf "%.2f s, exit code %d", b - a, rc}'
    else
        kill "$game" 2>/dev/null
        echo "hung"
    fi
}

# CPU over 30 s with both animations playing, no game.
if start_game; then
    sleep 2
    hz=$(getconf CLK_TCK)
    before=$(cpu_ticks "$game")
    t0=$(now)
    sleep 30
    after=$(cpu_ticks "$game")
    t1=$(now)
    awk -v a="$before" -v b="$after" -v hz="$hz" -v t0="$t0" -v t1="$t1" \
        'BEGIN {printf "row\tGIF animations: CPU of the idle game over %.0f s\t%.2f%% of one core\t< 1.5%%\n", t1 - t0, 100 * (b - a) / hz / (t1 - t0)}'
    printf 'row\tQuitter with both animations playing\t%s\t< 1 s, exit code 0\n' "$(quit_game)"
else
    echo "animator.sh: the main window did not appear" >&2
fi

# Quitter in the middle of a move: a new game against the computer, white
# plays next to its starting discs and the menu is used while discs turn.
if start_game; then
    sleep 1.5
    xdotool mousemove $((X + 40)) $((Y + 480)) click 3
    sleep 0.3
    xdotool key Down Right
    sleep 0.2
    xdotool key Return
    sleep 0.5
    xdotool mousemove $((X + 277 + 5 * 60 + 30)) $((Y + 93 + 3 * 60 + 30)) click 1
    sleep 0.1
    printf 'row\tQuitter while discs turn\t%s\t< 1 s, exit code 0\n' "$(quit_game)"
fi

"$build/animator-pace" 2>/dev/null | grep -P '^row\t'
if [ -x "$build/animator-reference" ]; then
    "$build/animator-reference" 2>/dev/null | grep -P '^row\t'
fi
