#!/usr/bin/env bash
# Main window benchmarks under a private Xvfb with openbox: CPU and frame
# pace of ten disc turns, then the game's figures side by side with a bare Qt
# window measured in the same run: exec to the first window mapped (median of
# 21 launches each, taken in turn), CPU while only the splash shows, CPU in
# game with nothing moving but the two animations, CPU in the 2 s after a
# move (five moves), resident memory and threads at the end of a move, and
# how much the resident memory grows while both animations play on for
# GROWTH_MINUTES after the first move (2 by default, to keep `make bench`
# short; 30 for the long figure). In game, CPU and wake-ups are also read
# beside Qt's own repaint floor for the same frames (animator-reference
# --floor), playing beside the game and read over the same seconds, and
# given as ratios; then once more beside the same floor kept to one core,
# as the game keeps itself.
# Usage: bench/windows.sh BUILD_DIR   (prints row<TAB>metric<TAB>value<TAB>target)
build=$(cd "${1:-build}" && pwd)
. "$(dirname "$0")/lib.sh"
# Wide enough for the game, centred, and Qt's floor at the left edge side by
# side, neither covering the other.
BENCH_SCREEN=2560x768
start_bench_x windows.sh "$build" 71 99 Xvfb openbox xdotool -- \
    tavlo windows-animation windows-bare-window windows-launch-time animator-reference
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 0.5

IDLE_SECONDS=10
MOVES=5
GROWTH_MINUTES=${GROWTH_MINUTES:-2}

# Disc turns: CPU and frame pace.
"$build/windows-animation" 2>/dev/null | grep -P '^row\t'

# Launch to the first mapped window, tavlo and the bare window in turn.
median() { sort -n | awk '{v[NR]=$1} END {if (NR) print v[int((NR+1)/2)]}'; }
tavlo_times=()
bare_times=()
for _ in $(seq 21); do
    t=$("$build/windows-launch-time" "$build/tavlo" 2>/dev/null) && tavlo_times+=("$t")
    t=$("$build/windows-launch-time" "$build/windows-bare-window" 2>/dev/null) && bare_times+=("$t")
done
tavlo_ms=$(printf '%s\n' "${tavlo_times[@]}" | median)
bare_ms=$(printf '%s\n' "${bare_times[@]}" | median)
if [ -n "$tavlo_ms" ] && [ -n "$bare_ms" ]; then
    awk -v a="$tavlo_ms" -v b="$bare_ms" -v n="${#tavlo_times[@]}" 'BEGIN {
        printf "row\texec to first window mapped, median of %d: tavlo / bare\t%.1f / %.1f ms = %.2fx\t<= 1.15x (%.0f ms)\n",
            n, a, b, a / b, 1.15 * b }'
fi

# CPU of a process in nanoseconds, from the scheduler's count of every live
# thread: exact, for phases in which no thread ends.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f", s}'; }
# CPU of a process in clock ticks, threads that ended included.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Percent of one core between two nanosecond counts $1 and $2, $3 seconds apart.
percent_of_core() { awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN {printf "%.2f", 100 * (b - a) / 1e9 / s}'; }
# Percent of one core that pid $1 spends over $2 seconds.
idle_cpu() {
    local before after
    before=$(cpu_ns "$1")
    sleep "$2"
    after=$(cpu_ns "$1")
    percent_of_core "$before" "$after" "$2"
}
# The same, and thread by thread: prints "total<TAB>name x.xx%, ..." for the
# threads alive over the whole span, from their own scheduler counts.
thread_snapshot() { for t in /proc/"$1"/task/*; do echo "$(basename "$t") $(tr ' ' _ <"$t/comm") $(cut -d' ' -f1 "$t/schedstat")"; done 2>/dev/null | sort; }
idle_cpu_by_thread() {
    local before after
    before=$(thread_snapshot "$1")
    sleep "$2"
    after=$(thread_snapshot "$1")
    join <(echo "$before") <(echo "$after") | awk -v s="$2" '
        {t += $5 - $3; by = by sep sprintf("%s %.2f%%", $2, 100 * ($5 - $3) / 1e9 / s); sep = ", "}
        END {printf "%.2f\t%s", 100 * t / 1e9 / s, by}'
}
# Context switches of every live thread of a process, voluntary and not:
# each is a wake-up of one of its threads.
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s + 0}'; }
per_second() { awk -v a="$1" -v b="$2" -v s="$3" 'BEGIN {printf "%.1f", (b - a) / s}'; }
rss_mb() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
threads() { awk '/^Threads/ {print $2}' "/proc/$1/status"; }
thread_names() { cat /proc/"$1"/task/*/comm 2>/dev/null | sort | uniq -c | awk '{printf "%s%s x%d", sep, $2 " " $3, $1; sep = ", "}' | sed 's/  */ /g'; }
# The first visible window of pid $1 with size $2 x $3 (any size when empty).
wait_window() {
    local w
    for _ in $(seq 250); do
        for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
            eval "$(xdotool getwindowgeometry --shell "$w")"
            if [ -z "$2" ] || { [ "$WIDTH" = "$2" ] && [ "$HEIGHT" = "$3" ]; }; then
                echo "$w"
                return 0
            fi
        done
        sleep 0.02
    done
    return 1
}

# The floor: a bare window, shown and left alone.
"$build/windows-bare-window" >/dev/null 2>&1 &
bare=$!
pids+=($bare)
bare_cpu= bare_rss= bare_threads=
if wait_window "$bare" "" "" >/dev/null; then
    sleep 2
    bare_cpu=$(idle_cpu "$bare" "$IDLE_SECONDS")
    bare_rss=$(rss_mb "$bare")
    bare_threads=$(threads "$bare")
    bare_names=$(thread_names "$bare")
else
    echo "windows.sh: the bare window did not appear" >&2
fi
kill "$bare" 2>/dev/null

# Qt's own floor for the animations: the same frames, composed beforehand,
# repainted where they change from two plain Qt timers. It plays on beside
# the game and is read over the same seconds as the game's own animations,
# so that whatever else this machine does weighs on both alike.
"$build/animator-reference" --floor >/dev/null 2>&1 &
floor=$!
pids+=($floor)
floor_cpu= floor_wakeups=
if floor_window=$(wait_window "$floor" 800 600); then
    xdotool windowmove "$floor_window" 0 0
else
    echo "windows.sh: Qt's repaint floor did not appear" >&2
    kill "$floor" 2>/dev/null
    floor=
fi

"$build/tavlo" >/dev/null 2>&1 &
game=$!
pids+=($game)
if splash=$(wait_window "$game" 300 300); then
    sleep 1
    splash_cpu=$(idle_cpu "$game" "$IDLE_SECONDS")
    splash_threads=$(threads "$game")
    eval "$(xdotool getwindowgeometry --shell "$splash")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    if main=$(wait_window "$game" 800 600); then
        eval "$(xdotool getwindowgeometry --shell "$main")"
        sleep 2
        before=$(switches "$game")
        [ -n "$floor" ] && floor_before=$(switches "$floor") floor_ns=$(cpu_ns "$floor")
        IFS=$'\t' read -r game_cpu game_threads_cpu < <(idle_cpu_by_thread "$game" "$IDLE_SECONDS")
        game_wakeups=$(per_second "$before" "$(switches "$game")" "$IDLE_SECONDS")
        if [ -n "$floor" ]; then
            floor_cpu=$(percent_of_core "$floor_ns" "$(cpu_ns "$floor")" "$IDLE_SECONDS")
            floor_wakeups=$(per_second "$floor_before" "$(switches "$floor")" "$IDLE_SECONDS")
            kill "$floor" 2>/dev/null
            # The game keeps all its threads on one core. For comparison,
            # the same floor kept to one core too (the other one), read
            # beside the game over another span.
            core=$(awk '{print $39}' "/proc/$game/stat")
            taskset -c $(((core + 1) % $(nproc))) "$build/animator-reference" --floor >/dev/null 2>&1 &
            floor=$!
            pids+=($floor)
            if floor_window=$(wait_window "$floor" 800 600); then
                xdotool windowmove "$floor_window" 0 0
                sleep 2
                game_ns=$(cpu_ns "$game") floor_ns=$(cpu_ns "$floor")
                sleep "$IDLE_SECONDS"
                one_core_game=$(percent_of_core "$game_ns" "$(cpu_ns "$game")" "$IDLE_SECONDS")
                one_core_floor=$(percent_of_core "$floor_ns" "$(cpu_ns "$floor")" "$IDLE_SECONDS")
            fi
            kill "$floor" 2>/dev/null
        fi
        # Each move: a new game against the computer ("Commencer",
        # "Adversaire attaquant"), a second to settle, then white plays next
        # to its starting discs and the computer answers.
        # Counted by the scheduler's nanoseconds when no thread ended during
        # the move (the usual case), else by clock ticks, which keep ended
        # threads but only sample the process a hundred times a second.
        ns=0
        ticks=0
        exact=1
        first_rss=
        for _ in $(seq "$MOVES"); do
            xdotool mousemove $((X + 40)) $((Y + 480)) click 3
            sleep 0.3
            xdotool key Down Right
            sleep 0.2
            xdotool key Return
            sleep 1
            tasks=$(ls /proc/"$game"/task)
            before=$(cpu_ticks "$game")
            before_ns=$(cpu_ns "$game")
            xdotool mousemove $((X + 277 + 5 * 60 + 30)) $((Y + 93 + 3 * 60 + 30)) click 1
            sleep 2
            ns=$((ns + $(cpu_ns "$game") - before_ns))
            ticks=$((ticks + $(cpu_ticks "$game") - before))
            [ "$(ls /proc/"$game"/task)" = "$tasks" ] || exact=0
            if [ -z "$first_rss" ]; then
                first_rss=$(rss_mb "$game")
                first_move_end=$(date +%s)
            fi
        done
        move_rss=$(rss_mb "$game")
        move_threads=$(threads "$game")
        move_names=$(thread_names "$game")
        # Both animations play on, nothing else moves.
        left=$((first_move_end + 60 * GROWTH_MINUTES - $(date +%s)))
        [ "$left" -gt 0 ] && sleep "$left"
        grown_rss=$(rss_mb "$game")
        if [ "$exact" = 1 ]; then
            move_cpu=$(awk -v t="$ns" -v n="$MOVES" 'BEGIN {printf "%.2f", 100 * t / 1e9 / (2 * n)}')
        else
            move_cpu=$(awk -v t="$ticks" -v hz="$(getconf CLK_TCK)" -v n="$MOVES" 'BEGIN {printf "%.2f", 100 * t / hz / (2 * n)}')
            echo "windows.sh: a thread ended during a move; CPU after a move counted in clock ticks" >&2
        fi

        printf 'row\tCPU while only the splash shows, %d s: tavlo / bare\t%s%% / %s%%\t0\n' "$IDLE_SECONDS" "$splash_cpu" "$bare_cpu"
        printf 'row\tthreads while only the splash shows\t%s\t-\n' "$splash_threads"
        printf 'row\tCPU in game, only the two animations, %d s: tavlo / bare\t%s%% / %s%%\t< 0.5%%\n' "$IDLE_SECONDS" "$game_cpu" "$bare_cpu"
        printf 'row\tCPU in game thread by thread, the same %d s\t%s\t-\n' "$IDLE_SECONDS" "$game_threads_cpu"
        awk -v a="$game_cpu" -v b="$floor_cpu" 'BEGIN {
            printf "row\tCPU in game / Qt'"'"'s repaint floor for the same frames\t%.2f%% / %.2f%% = %.2fx\t<= 1.3x and < 0.5%%\n", a, b, (b > 0 ? a / b : 0) }'
        [ -n "${one_core_floor:-}" ] && awk -v a="$one_core_game" -v b="$one_core_floor" 'BEGIN {
            printf "row\tCPU in game / the same floor kept to one core, as the game keeps itself\t%.2f%% / %.2f%% = %.2fx\t-\n", a, b, (b > 0 ? a / b : 0) }'
        awk -v a="$game_wakeups" -v b="$floor_wakeups" 'BEGIN {
            printf "row\twake-ups per second in game / Qt'"'"'s repaint floor\t%.1f / %.1f = %.2fx\t-\n", a, b, (b > 0 ? a / b : 0) }'
        printf 'row\tCPU in the 2 s after a move, %d moves\t%s%%\t< 1.2%%\n' "$MOVES" "$move_cpu"
        awk -v a="$move_rss" -v b="$bare_rss" 'BEGIN {
            printf "row\tresident memory at the end of a move: tavlo / bare\t%.1f / %.1f MB = %.2fx\t<= 1.3x\n", a, b, (b > 0 ? a / b : 0) }'
        awk -v a="$first_rss" -v b="$grown_rss" -v m="$GROWTH_MINUTES" 'BEGIN {
            printf "row\tresident memory growth, first move to %d min of both animations (GROWTH_MINUTES)\t%+.1f MB (%.1f to %.1f MB)\t< 1 MB\n", m, b - a, a, b }'
        printf 'row\tthreads at the end of a move: tavlo / bare\t%s / %s\t5\n' "$move_threads" "$bare_threads"
        echo "windows.sh: tavlo's threads at the end of a move: $move_names" >&2
        echo "windows.sh: the bare window's threads: $bare_names" >&2
    else
        echo "windows.sh: the main window did not appear" >&2
    fi
else
    echo "windows.sh: the splash did not appear" >&2
fi
kill "$game" 2>/dev/null
