#!/usr/bin/env bash
# The game on the desktops players run besides a plain X server. $1:
#   wayland   natively under a Wayland compositor (weston)
#   xwayland  through that compositor's own X server
#   hidpi     a 1920 x 1080 screen scaled to 200 %
#   laptop    a 1366 x 768 screen scaled to 125 %, with a 48-pixel panel
#   netbook   a 1024 x 600 screen with a 30-pixel panel, started with a
#             scale factor of 0 (ignored, with a word on stderr)
# In each: the splash, a new game, one move and the computer's answer, then
# Quitter. Under weston the computer's hand must be drawn where its press
# goes; on the scaled screens every window must lie inside the free area.
mode=${1:?wayland, xwayland, hidpi, laptop or netbook}
case $mode in
    wayland | xwayland) WM=none ;;
    # The game lowers its scale until the 800 x 600 window fits: 1.8 and 1.2.
    hidpi) SCREEN_W=1920 SCREEN_H=1080 XFT_DPI=192 EXPECTED_SCALE=1.8 ;;
    laptop) SCREEN_W=1366 SCREEN_H=768 XFT_DPI=120 PANEL=48 EXPECTED_SCALE=1.2 ;;
    # Below 100 %: 0.95, so the 800 x 600 window fits above the panel.
    netbook) SCREEN_W=1024 SCREEN_H=600 PANEL=30 EXPECTED_SCALE=0.95 ;;
    *) echo "unknown mode $mode"; exit 2 ;;
esac
. "$(dirname "$0")/lib.sh"

# Clicks white's first hinted square; prints "column row".
play_hinted_move() {
    menu $BG_X $BG_Y "${MENU_HINTS[@]}"
    wait_stable 5
    local c r
    read -r c r < <(hinted_cells | head -n1)
    [ -n "${c:-}" ] || return 1
    local x=$(( BOARD_X + $(scaled $(( 60 * c + 30 ))) )) y=$(( BOARD_Y + $(scaled $(( 60 * r + 30 ))) ))
    if [ "$WM" = none ]; then wl_click $x $y; else click_at $x $y; fi
    echo "$c $r"
}

case $mode in
wayland | xwayland)
    start_x
    if [ "$mode" = wayland ]; then
        env DISPLAY= WAYLAND_DISPLAY=nobody XDG_RUNTIME_DIR="$E2E_TMP" "$TAVLO" >"$E2E_TMP/none.log" 2>&1
        code=$?
        check "with no display that answers the game exits with code 1" [ "$code" = 1 ]
        check "and says so in one line" [ "$(wc -l <"$E2E_TMP/none.log")" = 1 ]
    fi
    start_weston "$mode"
    # In a sanitizer build: Qt's Wayland plugin leaves a few of its display's
    # buffers to the exit, in libraries a leak report cannot even name.
    [ "$mode" = wayland ] && GAME_ENV+=(ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0)
    # Qt's own warnings stay on, so that one printed per move would be seen.
    GAME_ENV+=(QT_LOGGING_RULES=)
    launch_game
    read -r sx sy < <(find_picture 300x300 15) || { fail "the splash appears"; finish; }
    log "splash at $sx,$sy"
    wl_click $(( sx + 150 )) $(( sy + 150 ))
    read -r mx my < <(find_picture 800x600 10) || { fail "the main window comes up after the splash"; finish; }
    log "main window at $mx,$my"
    if [ "$mode" = xwayland ]; then
        # Through the compositor's X server the windows are placed.
        check "the splash was centred" [ "$sx $sy" = "$(( (SCREEN_W - 300) / 2 )) $(( (SCREEN_H - WL_STRIP - 300) / 2 ))" ]
        check "the main window is centred" [ "$mx $my" = "$(( (SCREEN_W - 800) / 2 )) $(( (SCREEN_H - WL_STRIP - 600) / 2 ))" ]
    fi
    place_window "$mx" "$my"
    sleep 0.8
    menu $BG_X $BG_Y "${MENU_ATTACK[@]}"
    sleep 0.6
    read -r c r < <(play_hinted_move) || { fail "white has hinted moves"; finish; }
    log "white plays $c,$r"
    hand=
    for _ in $(seq 50); do
        sleep 0.2; shoot
        hand=$(hand_cells | head -n1)
        [ -n "$hand" ] && break
    done
    check "the computer's hand is drawn in a cell" [ -n "$hand" ]
    if [ -n "$hand" ]; then
        wait_stable 5
        [ -n "${KEEP_SHOTS:-}" ] && import -window root "$KEEP_SHOTS/desktop-$mode.png"
        check "the hand stays on screen until the player moves" grep -qx "$hand" < <(hand_cells)
        check "the hand points at the computer's black disc" [ "$(cell_state $hand)" = B ]
        check "white's move was played" [ "$(cell_state $c $r)" = W ]
        read -r hc hr <<<"$hand"
        xdotool mousemove $(( BOARD_X + 60 * hc + 40 )) $(( BOARD_Y + 60 * hr + 45 ))
        sleep 0.4; shoot
        check "the hand goes when the player moves the mouse" [ -z "$(hand_cells)" ]
    fi
    quit_game
    check "no warning per computer move" [ "$(grep -c 'cursor position' "$E2E_TMP/tavlo.log")" = 0 ]
    ;;
hidpi | laptop | netbook)
    start_x
    [ "$mode" = netbook ] && GAME_ENV+=(QT_SCALE_FACTOR=0)
    launch_game
    SCALE=$EXPECTED_SCALE
    read -r fx fy fw fh < <(xprop -root _NET_WORKAREA | sed -E 's/.*= //; s/,//g' | awk '{print $1, $2, $3, $4}')
    log "free area ${fw}x${fh}+${fx}+${fy}, expected scale $SCALE"
    check "the panel is kept free" [ "$fh" = $(( SCREEN_H - PANEL )) ]
    # Inside the free area and centred in it (to a pixel of rounding).
    fits() { # fits ID WIDTH HEIGHT
        local x y
        read -r x y < <(window_position "$1")
        log "window $1 at $x,$y"
        [ "$x" -ge "$fx" ] && [ "$y" -ge "$fy" ] && [ $(( x + $2 )) -le $(( fx + fw )) ] &&
            [ $(( y + $3 )) -le $(( fy + fh )) ] &&
            [ $(( 2 * x + $2 - 2 * fx - fw )) -ge -2 ] && [ $(( 2 * x + $2 - 2 * fx - fw )) -le 2 ] &&
            [ $(( 2 * y + $3 - 2 * fy - fh )) -ge -2 ] && [ $(( 2 * y + $3 - 2 * fy - fh )) -le 2 ]
    }
    s300=$(scaled 300); w=$(scaled 800); h=$(scaled 600)
    splash=$(wait_window ${s300}x${s300} 10) || { fail "the splash comes up at ${s300}x${s300}"; finish; }
    check "the splash lies inside the free area, centred" fits "$splash" "$s300" "$s300"
    read -r sx sy < <(window_position "$splash")
    click_at $(( sx + s300 / 2 )) $(( sy + s300 / 2 ))
    main=$(wait_window ${w}x${h} 5) || { fail "the main window comes up at ${w}x${h}"; finish; }
    check "the main window lies inside the free area, centred" fits "$main" "$w" "$h"
    read -r mx my < <(window_position "$main")
    place_window "$mx" "$my"
    sleep 0.8
    shoot
    check "the board is whole: 64 empty squares" [ "$(board_string)" = "$(printf 'E%.0s' {1..64})" ]
    [ -n "${KEEP_SHOTS:-}" ] && import -window root "$KEEP_SHOTS/desktop-$mode.png"
    menu $BG_X $BG_Y "${MENU_ATTACK[@]}"
    sleep 0.6
    if [ "$mode" = netbook ]; then
        check "a factor of 0 is ignored with one line on stderr" \
            [ "$(grep -c 'QT_SCALE_FACTOR=0 ignored' "$E2E_TMP/tavlo.log")" = 1 ]
        wait_stable 5
        # Two white and two black discs in the centre, every other square empty.
        board=$(board_string)
        centre=${board:27:2}${board:35:2}
        outside=${board:0:27}${board:29:6}${board:37}
        check "every square shows the starting position: $board" \
            [ "$outside $(tr -cd W <<<"$centre" | wc -c)$(tr -cd B <<<"$centre" | wc -c)" = "$(printf 'E%.0s' {1..60}) 22" ]
        check "the counters read 2 and 2" [ "$(read_counters)" = "2 2" ]
    fi
    read -r c r < <(play_hinted_move) || { fail "white has hinted moves"; finish; }
    landed=
    for _ in $(seq 30); do
        sleep 0.1; shoot
        [ "$(cell_state "$c" "$r")" = W ] && { landed=1; break; }
    done
    check "the move lands on the clicked square $c,$r" [ -n "$landed" ]
    if [ "$mode" = netbook ]; then
        # The move shows whole: five discs or more on squares read whole,
        # and the counters agree with the board (before or after the
        # computer's answer, whichever is on screen).
        wait_stable 3 2
        board=$(board_string)
        whites=$(tr -cd W <<<"$board" | wc -c) blacks=$(tr -cd B <<<"$board" | wc -c)
        check "the board shows the move: $whites white, $blacks black" [ $(( whites + blacks )) -ge 5 ]
        check "the counters show the board's $whites and $blacks" [ "$(read_counters)" = "$whites $blacks" ]
    fi
    # The computer answers with the real pointer, 20 window pixels inside
    # its cell, wherever the scale put that cell on the screen.
    clicked="$(( BOARD_X + $(scaled $(( 60 * c + 30 ))) )) $(( BOARD_Y + $(scaled $(( 60 * r + 30 ))) ))"
    answered=
    for _ in $(seq 50); do
        sleep 0.1
        read -r px py < <(xdotool getmouselocation | sed -E 's/x:([0-9]+) y:([0-9]+).*/\1 \2/')
        [ "$px $py" != "$clicked" ] && { answered=1; break; }
    done
    in_cell() { awk -v p="$1" -v o="$2" -v s="$SCALE" 'BEGIN { d = (p - o) / s - 20; m = d - 60 * int(d / 60 + 0.5);
        exit !(d > -1 && d < 461 && m > -1 && m < 1) }'; }
    check "the computer's pointer lands 20 pixels inside a cell" \
        test -n "$answered" -a "$(in_cell "${px:-0}" "$BOARD_X" && in_cell "${py:-0}" "$BOARD_Y" && echo yes)" = yes
    quit_game
    ;;
esac
finish
