# Shared helpers for the end-to-end tests: a private X server with a window
# manager, the real game binary, and xdotool/xprop/ImageMagick to drive and
# read it from the outside. Sourced by the e2e_*.sh scripts.
set -u

TAVLO=${TAVLO:?path to the tavlo binary}
E2E_TMP=$(mktemp -d /tmp/tavlo-e2e.XXXXXX)
# The desktop: screen size, a panel (a strut at the bottom) of PANEL pixels,
# the desktop's scale as Xft.dpi (96 is 1), and whether a window manager
# runs (WM=none under a nested compositor). Set before start_x.
SCREEN_W=${SCREEN_W:-1024}
SCREEN_H=${SCREEN_H:-768}
PANEL=${PANEL:-0}
XFT_DPI=${XFT_DPI:-}
WM=${WM:-openbox}
# Screen pixels per window pixel, as the game ends up drawing.
SCALE=1
# Extra environment for the game (the session it believes it runs in).
GAME_ENV=()
FAILURES=0
GAME_PID=
XVFB_PID=
WM_PID=
WESTON_PID=

# Where the main window's parts lie once its client area starts at (X, Y)
# on the screen, at SCALE.
place_window() {
    WIN_X=$1; WIN_Y=$2
    BOARD_X=$(( WIN_X + $(scaled 277) ))
    BOARD_Y=$(( WIN_Y + $(scaled 93) ))
    # A place on the background, away from every control, to open the menu.
    BG_X=$(( WIN_X + $(scaled 30) ))
    BG_Y=$(( WIN_Y + $(scaled 560) ))
}
scaled() { awk -v v="$1" -v s="$SCALE" 'BEGIN { printf "%d", v * s + 0.5 }'; }
# The main window is centred: its client area starts here.
place_window $(( (SCREEN_W - 800) / 2 )) $(( (SCREEN_H - 600) / 2 ))
# Further helpers' processes (buses), ended with the rest.
EXTRA_PIDS=()

log() { printf '%s %s\n' "$(date +%T.%3N)" "$*"; }
fail() { log "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
check() { # check "description" command...
    local what=$1; shift
    if "$@"; then log "ok: $what"; else fail "$what"; fi
}

cleanup() {
    [ -n "$GAME_PID" ] && kill -9 "$GAME_PID" 2>/dev/null
    [ -n "$WESTON_PID" ] && kill "$WESTON_PID" 2>/dev/null
    [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    local pid
    for pid in "${EXTRA_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
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
    # A plain X11 session: the real pointer can be moved.
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE
    # The desktop's scale, where Qt reads it on X11.
    [ -n "$XFT_DPI" ] && xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "Xft.dpi:	$XFT_DPI"
    [ "$WM" = none ] && { log "X server on $DISPLAY"; return; }
    # openbox keeps a margin free for the panel, as it does for a strut.
    cat >"$E2E_TMP/rc.xml" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>0</top><bottom>$PANEL</bottom><left>0</left><right>0</right></margins>
</openbox_config>
EOF
    openbox --sm-disable --config-file "$E2E_TMP/rc.xml" >"$E2E_TMP/openbox.log" 2>&1 &
    WM_PID=$!
    # openbox announces itself on the root window once it manages the screen,
    # and then the free area, which the game reads to choose its scale
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
            xprop -root _NET_WORKAREA 2>/dev/null | grep -q ' = ' && break
        sleep 0.05
    done
    log "X server on $DISPLAY with openbox"
}

# A Wayland compositor (weston) in a window of the X server, the whole
# screen but a strip of WL_STRIP pixels at the bottom, its panel off and its
# background black. With "xwayland" it also runs its own X server. The game
# is then told it runs in that Wayland session; xdotool keeps driving the
# outer X server. Weston adds up the pointer's motions and takes a position
# as it is only when the pointer enters its window, so every click comes in
# from the strip. Exits 77 (skipped) when weston does not start.
WL_STRIP=32
start_weston() {
    local mode=${1:-native}
    mkdir -m 700 "$E2E_TMP/run"
    cat >"$E2E_TMP/weston.ini" <<EOF
[core]
idle-time=0
[shell]
panel-position=none
background-color=0xff000000
locking=false
animation=none
startup-animation=none
close-animation=none
focus-animation=none
EOF
    local extra=()
    [ "$mode" = xwayland ] && extra=(--xwayland)
    XDG_RUNTIME_DIR=$E2E_TMP/run weston --backend=x11-backend.so --socket=tavlo-wl --width="$SCREEN_W" \
        --height=$(( SCREEN_H - WL_STRIP )) --use-pixman --idle-time=0 --config="$E2E_TMP/weston.ini" "${extra[@]}" \
        >"$E2E_TMP/weston.log" 2>&1 &
    WESTON_PID=$!
    local n=0
    while [ ! -S "$E2E_TMP/run/tavlo-wl" ] ||
          { [ "$mode" = xwayland ] && ! grep -q 'xserver listening on display' "$E2E_TMP/weston.log"; }; do
        sleep 0.05; n=$((n + 1))
        if [ $n -gt 200 ] || ! kill -0 "$WESTON_PID" 2>/dev/null; then
            echo "skipped: weston did not start"; cat "$E2E_TMP/weston.log"; exit 77
        fi
    done
    GAME_ENV=(XDG_RUNTIME_DIR="$E2E_TMP/run" WAYLAND_DISPLAY=tavlo-wl XDG_SESSION_TYPE=wayland)
    if [ "$mode" = xwayland ]; then
        GAME_ENV+=(DISPLAY="$(grep -o 'xserver listening on display :[0-9]*' "$E2E_TMP/weston.log" | grep -o ':[0-9]*$')")
    else
        GAME_ENV+=(DISPLAY=)
    fi
    log "weston ($mode) on $DISPLAY: ${GAME_ENV[*]}"
}

# Windows of a Wayland client cannot be listed from the outer X server: a
# picture of SIZE (WxH) is found on the screen instead, against the black
# background, with the pointer parked in the strip below (and the bottom
# right corner, where weston may still draw it, painted black). Prints "X Y" of
# its top-left; waits up to $2 seconds.
find_picture() {
    local want=$1 limit=${2:-10} end box=
    end=$(( $(date +%s%N) + limit * 1000000000 ))
    local corner
    for corner in $(( SCREEN_H - 1 )) $(( SCREEN_H - WL_STRIP - 1 )) $(( SCREEN_H - 1 )); do
        xdotool mousemove $(( SCREEN_W - 1 )) $corner; sleep 0.05
    done
    while [ "$(date +%s%N)" -lt "$end" ]; do
        sleep 0.2
        box=$(import -window root png:- 2>/dev/null | convert - -fill black \
              -draw "rectangle $(( SCREEN_W - 40 )),$(( SCREEN_H - WL_STRIP - 40 )) $SCREEN_W $SCREEN_H" \
              -fuzz 3% -trim -format '%wx%h %X %Y' info: 2>/dev/null)
        if [ "${box%% *}" = "$want" ]; then
            read -r _ x y <<<"$box"
            echo "${x#+} ${y#+}"
            return 0
        fi
    done
    log "no $want picture on the screen (last: ${box:-none})" >&2
    return 1
}

# Clicks as a player under weston: the pointer enters weston's window from
# the strip below, straight onto the point.
wl_click() { # wl_click X Y [button]
    xdotool mousemove "$1" $(( SCREEN_H - 1 ))
    sleep 0.1
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool click "${3:-1}"
}

# A private session bus with the accessibility bus behind it, as a desktop
# with a screen reader has. Returns non-zero when either cannot start.
start_a11y_bus() {
    export XDG_RUNTIME_DIR="$E2E_TMP/run"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    local out
    out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$E2E_TMP/dbus.log") || return 1
    export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$out")
    EXTRA_PIDS+=("$(sed -n 2p <<<"$out")")
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_TMP/a11y.log" 2>&1 &
    EXTRA_PIDS+=($!)
    for _ in $(seq 100); do
        if dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
            >/dev/null 2>&1; then
            log "accessibility bus up behind $DBUS_SESSION_BUS_ADDRESS"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# A screen reader as a desktop runs it, on the buses of start_a11y_bus:
# speech-dispatcher with its dummy voice (its sound goes to ALSA's null
# device) and Orca, in English, whose debug log holds every line it would
# speak. Orca writes that log to a terminal (script), which keeps it line
# by line up to date. Returns non-zero when Orca does not start.
ORCA_LOG=$E2E_TMP/orca.log
start_orca() {
    local home=$E2E_TMP/orca-home
    mkdir -p "$home/speechd"
    printf 'AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "alsa"\n' \
        >"$home/speechd/speechd.conf"
    echo 'pcm.!default { type null }' >"$home/.asoundrc"
    HOME=$home speech-dispatcher -d -t 0 -C "$home/speechd" -L "$E2E_TMP" -P "$E2E_TMP/speechd.pid" \
        >"$E2E_TMP/speechd.out" 2>&1 || return 1
    EXTRA_PIDS+=("$(cat "$E2E_TMP/speechd.pid")")
    HOME=$home LC_ALL=C.UTF-8 LANGUAGE=en script -qfec "echo \$\$ >'$E2E_TMP/orca.pid'; exec orca --debug-file /dev/tty" \
        "$ORCA_LOG" </dev/null >/dev/null 2>&1 &
    EXTRA_PIDS+=($!)
    wait_said 0 '^Screen reader on' 30 || return 1
    EXTRA_PIDS+=("$(cat "$E2E_TMP/orca.pid")")
    log "Orca is speaking"
}
# The length of Orca's log, to read what it says from there on.
orca_mark() { wc -l <"$ORCA_LOG"; }
# What Orca said after line $1 of its log, one utterance a line.
orca_said() {
    tail -n +$(( $1 + 1 )) "$ORCA_LOG" 2>/dev/null | grep -ao "SPEECH OUTPUT: '[^']*'" | sed "s/^SPEECH OUTPUT: '//; s/'\$//"
}
# True when the last thing Orca said after line $1 of its log, the echoes of
# keys (which end in a space) aside, matches the extended regular expression $2.
last_said() { orca_said "$1" | grep -v ' $' | tail -n1 | grep -Eq -- "$2"; }
# Waits up to $3 seconds (default 5) for Orca to say, after line $1 of its
# log, an utterance that matches the extended regular expression $2.
wait_said() {
    local end=$(( $(date +%s%N) + ${3:-5} * 1000000000 ))
    while [ "$(date +%s%N)" -lt "$end" ]; do
        orca_said "$1" | grep -Eq -- "$2" && return 0
        sleep 0.1
    done
    log "Orca said: $(orca_said "$1" | paste -sd'|')"
    return 1
}

launch_game() {
    env "${GAME_ENV[@]}" "$TAVLO" >"$E2E_TMP/tavlo.log" 2>&1 &
    GAME_PID=$!
    log "tavlo started, pid $GAME_PID"
}

# Starts the game and clicks its splash away; the main window is then up.
open_game() {
    local splash sx sy
    launch_game
    splash=$(wait_window 300x300 15) || { fail "the splash window appears"; finish; }
    read -r sx sy < <(window_position "$splash")
    click_at $(( sx + 150 )) $(( sy + 150 ))
    wait_window 800x600 10 >/dev/null || { fail "the main window comes up"; finish; }
    sleep 0.6
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
    if [ "$WM" = none ]; then wl_click "$x" "$y" 3; else xdotool mousemove "$x" "$y" click 3; fi
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
# "Quitter" from the menu; the game must exit with code 0 within 2 s.
quit_game() { # quit_game [what the check says]
    menu $BG_X $BG_Y "${MENU_QUIT[@]}"
    local code=
    for _ in $(seq 200); do
        if ! kill -0 "$GAME_PID" 2>/dev/null; then wait "$GAME_PID"; code=$?; break; fi
        sleep 0.01
    done
    check "${1:-Quitter exits with code 0}" [ "${code:-none}" = 0 ]
    GAME_PID=
}

# Reads the board off the screen (board-probe: one grab, no picture file).
BOARD_PROBE=${BOARD_PROBE:?path to the board-probe helper}
shoot() {
    "$BOARD_PROBE" "$BOARD_X" "$BOARD_Y" "$SCALE" >"$E2E_TMP/probe" || : >"$E2E_TMP/probe"
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
# Cells where the computer's drawn hand showed at the last shoot, likewise.
hand_cells() { sed -n 3p "$E2E_TMP/probe" | tr ' ' '\n' | tr ',' ' ' | sed '/^$/d'; }

# Pictures on screen. The generated pictures live beside the binary.
ASSETS=$(dirname "$TAVLO")/assets
# area W H X Y FILE: saves that area of the screen as a PNG.
area() {
    import -window root -crop "${1}x${2}+${3}+${4}" +repage "$5"
}
# block_detail FILE: per cent of the pixels that differ from the top-left
# pixel of their 2 x 2 block (the area must start on even coordinates). A
# picture drawn pixel-doubled on a scaled screen gives 0.
block_detail() {
    convert "$1" \( +clone -sample 50% -sample 200% \) -compose difference -composite \
        -channel RGB -separate -evaluate-sequence max -threshold 0 -format '%[fx:round(mean * 100)]' info:
}
# covered_block_detail FILE UNDER: for a picture drawn over UNDER (a file of
# the same size, at even coordinates), prints two per cents: of the 2 x 2
# blocks wholly covered by it (every pixel clearly unlike UNDER), and of the
# pixels of those blocks that differ from their block's top-left pixel.
covered_block_detail() {
    local t=$E2E_TMP/cover
    convert "$1" "$2" -compose difference -composite -channel RGB -separate -evaluate-sequence max \
        -threshold 10% -scale 50% -threshold 99% -sample 200% "$t-blocks.png"
    convert "$1" \( +clone -sample 50% -sample 200% \) -compose difference -composite \
        -channel RGB -separate -evaluate-sequence max -threshold 0 "$t-detail.png"
    convert "$t-detail.png" "$t-blocks.png" -compose multiply -composite "$t-inside.png"
    convert "$t-blocks.png" "$t-inside.png" -format '%[fx:mean]\n' info: | paste -sd' ' |
        awk '{printf "%d %d\n", $1 * 100 + 0.5, ($1 > 0 ? $2 / $1 * 100 + 0.5 : 0)}'
}
# gif_frame_shown FILE GIF UNDER: true when the screen area in FILE shows one
# of the GIF's frames, composed by the GIF's disposal rules, over UNDER,
# pixel for pixel.
gif_frame_shown() {
    local frame differ
    rm -f "$E2E_TMP"/frame-*.png
    convert "$2" -coalesce "$E2E_TMP/frame-%03d.png"
    for frame in "$E2E_TMP"/frame-*.png; do
        convert "$3" "$frame" -composite "$E2E_TMP/want.png"
        differ=$(compare -metric AE "$1" "$E2E_TMP/want.png" null: 2>&1)
        [ "$differ" = 0 ] && { log "$(basename "$2") frame $(basename "$frame" .png) on screen"; return 0; }
    done
    return 1
}
# same_pixels FILE PICTURE [CROP]: true when the screen area in FILE shows
# exactly PICTURE (or its WxH+X+Y part), pixel for pixel.
same_pixels() {
    local differ
    if [ -n "${3:-}" ]; then
        convert "$2" -crop "$3" +repage "$E2E_TMP/want.png"
    else
        convert "$2" "$E2E_TMP/want.png"
    fi
    differ=$(compare -metric AE "$1" "$E2E_TMP/want.png" null: 2>&1)
    log "pixels that differ from $(basename "$2"): $differ"
    [ "$differ" = 0 ]
}
# A 1x disc frame as a file ImageMagick reads: the stored bitmaps have no
# file header (14 bytes: 10,854 in all, pixels at 54).
disc_bitmap() { # disc_bitmap INDEX OUT
    { printf 'BM\146\052\000\000\000\000\000\000\066\000\000\000'; cat "$ASSETS/PIONB$1.bmp"; } >"$2"
}
# The two counters as the screen shows them now: "WHITE BLACK", each a
# number or "?" when no number can be read.
read_counters() { "$BOARD_PROBE" --counters "$WIN_X" "$WIN_Y" "$SCALE" 2>/dev/null; }

finish() {
    if [ "$FAILURES" -eq 0 ]; then log "all checks passed"; exit 0; fi
    log "$FAILURES check(s) failed"
    import -window root "/tmp/$(basename "$0" .sh)-last.png" 2>/dev/null
    echo "--- tavlo output"; cat "$E2E_TMP/tavlo.log" 2>/dev/null
    exit 1
}
