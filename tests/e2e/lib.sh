# Shared helpers for the end-to-end tests: a private X server with a window
# manager, the real game binary, and xdotool/xprop/ImageMagick to drive and
# read it from the outside. Sourced by the e2e_*.sh scripts.
set -u

TAVLO=${TAVLO:?path to the tavlo binary}
E2E_TMP=$(mktemp -d /tmp/tavlo-e2e.XXXXXX)
SCREEN_W=1024
SCREEN_H=768
# The main window is centred: its client area starts here.
WIN_X=$(( (SCREEN_W - 800) / 2 ))
WIN_Y=$(( (SCREEN_H - 600) / 2 ))
BOARD_X=$(( WIN_X + 277 ))
BOARD_Y=$(( WIN_Y + 93 ))
FAILURES=0
GAME_PID=
XVFB_PID=
WM_PID=

log() { printf '%s %s\n' "$(date +%T.%3N)" "$*"; }
fail() { log "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
check() { # check "description" command...
    local what=$1; shift
    if "$@"; then log "ok: $what"; else fail "$what"; fi
}

cleanup() {
    [ -n "$GAME_PID" ] && kill -9 "$GAME_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$E2E_TMP"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

start_x() {
    exec 5>"$E2E_TMP/display"
    Xvfb -displayfd 5 -screen 0 ${SCREEN_W}x${SCREEN_H}x24 -nolisten tcp -noreset >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local n=0
    while [ ! -s "$E2E_TMP/display" ]; do
        sleep 0.05; n=$((n + 1))
        [ $n -gt 200 ] && { echo "Xvfb did not start"; cat "$E2E_TMP/xvfb.log"; exit 1; }
    done
    exec 5>&-
    export DISPLAY=:$(head -n1 "$E2E_TMP/display")
    unset WAYLAND_DISPLAY
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    WM_PID=$!
    # openbox announces itself on the root window once it manages the screen
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
    log "X server on $DISPLAY with openbox"
}

launch_game() {
    "$TAVLO" >"$E2E_TMP/tavlo.log" 2>&1 &
    GAME_PID=$!
    log "tavlo started, pid $GAME_PID"
}

# Visible windows of the game whose size is WxH, one id per line.
game_windows_of_size() {
    local want=$1 id
    for id in $(xdotool search --onlyvisible --pid "$GAME_PID" 2>/dev/null); do
        local geo
        geo=$(xdotool getwindowgeometry "$id" 2>/dev/null | awk '/Geometry/ {print $2}')
        [ "$geo" = "$want" ] && echo "$id"
    done
}

# Waits up to $2 seconds (default 10) for a visible game window of size $1.
wait_window() {
    local want=$1 limit=${2:-10} end id
    end=$(( $(date +%s%N) + limit * 1000000000 ))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        id=$(game_windows_of_size "$want" | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.02
    done
    return 1
}

wait_no_window() {
    local want=$1 limit=${2:-10} end
    end=$(( $(date +%s%N) + limit * 1000000000 ))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        [ -z "$(game_windows_of_size "$want")" ] && return 0
        sleep 0.02
    done
    return 1
}

window_position() { # prints "X Y" of a window's top-left on the screen
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}'
}

click_at() { # click_at X Y [button]
    xdotool mousemove "$1" "$2" click "${3:-1}"
}

# Opens the context menu at (X, Y) and walks it with the keyboard: keys are
# xdotool key names, e.g. "Down Right Return".
menu() {
    local x=$1 y=$2; shift 2
    xdotool mousemove "$x" "$y" click 3
    sleep 0.4
    local k
    for k in "$@"; do xdotool key "$k"; sleep 0.08; done
    sleep 0.2
}
# Menu paths, from an empty selection.
MENU_ATTACK=(Down Right Return)
MENU_DEFENCE=(Down Right Down Return)
MENU_OPPONENT_COMPUTER=(Down Down Right Return)
MENU_OPPONENT_HUMAN=(Down Down Right Down Return)
MENU_SOUND=(Down Down Down Return)
MENU_HINTS=(Down Down Down Down Return)
MENU_HELP=(Down Down Down Down Down Return)
MENU_QUIT=(Up Return)

# A place on the background, away from every control, to open the menu.
BG_X=$(( WIN_X + 30 ))
BG_Y=$(( WIN_Y + 560 ))

# Reads the board off the screen (board-probe: one grab, no picture file).
BOARD_PROBE=${BOARD_PROBE:?path to the board-probe helper}
shoot() {
    "$BOARD_PROBE" "$BOARD_X" "$BOARD_Y" >"$E2E_TMP/probe" || : >"$E2E_TMP/probe"
}
# Shoots until the board, its hints, the turn indicator and the counters
# have not changed for 0.8 s ($2 shots 0.2 s apart, default 4), or for at
# most $1 seconds.
wait_stable() {
    local limit=${1:-10} shots=${2:-4} end same=0 prev=
    end=$(( $(date +%s%N) + limit * 1000000000 ))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        shoot
        if [ "$(cat "$E2E_TMP/probe")" = "$prev" ]; then
            same=$((same + 1))
            [ $same -ge "$shots" ] && return 0
        else
            same=0; prev=$(cat "$E2E_TMP/probe")
        fi
        sleep 0.2
    done
    return 1
}
# What the board showed at the last shoot, as 64 letters row by row: "B"
# black disc, "W" white disc, "E" empty square.
board_string() { sed -n 1p "$E2E_TMP/probe"; }
cell_state() { # cell_state COLUMN ROW
    local b
    b=$(board_string)
    echo "${b:$(( $2 * 8 + $1 )):1}"
}
# Cells that carried a move hint at the last shoot, as "column row" lines.
hinted_cells() { sed -n 2p "$E2E_TMP/probe" | tr ' ' '\n' | tr ',' ' ' | sed '/^$/d'; }
# The two counters as the screen shows them now: "WHITE BLACK", each a
# number or "?" when no number can be read.
read_counters() { "$BOARD_PROBE" --counters "$WIN_X" "$WIN_Y" 2>/dev/null; }

finish() {
    if [ "$FAILURES" -eq 0 ]; then log "all checks passed"; exit 0; fi
    log "$FAILURES check(s) failed"
    import -window root "/tmp/$(basename "$0" .sh)-last.png" 2>/dev/null
    echo "--- tavlo output"; cat "$E2E_TMP/tavlo.log" 2>/dev/null
    exit 1
}
