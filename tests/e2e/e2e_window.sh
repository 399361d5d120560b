#!/usr/bin/env bash
# The windows as a player meets them: splash, main window properties, the
# context menu, the help screen, and quitting; the pictures on screen,
# exactly the 1x pictures at 100 %; then the X server going away under a
# running game.
#   e2e_window.sh [scale2]   scale2: the same on a screen scaled to 200 %,
#                            where the pictures show detail of their own
#                            inside every 2 x 2 block of screen pixels
# At 200 % the screen holds the whole 1600 x 1200 window, so the game keeps
# that scale.
[ "${1:-}" = scale2 ] && { SCREEN_W=1920; SCREEN_H=1280; }
. "$(dirname "$0")/lib.sh"
if [ "${1:-}" = scale2 ]; then
    SCALE=2
    GAME_ENV+=(QT_SCALE_FACTOR=2)
    place_window $(( (SCREEN_W - 1600) / 2 )) $(( (SCREEN_H - 1200) / 2 ))
fi
# Screen pixels per game pixel, and the windows' and a cell's sizes on screen.
S=$SCALE
MAIN_SIZE=$(( 800 * S ))x$(( 600 * S ))
SPLASH_SIZE=$(( 300 * S ))x$(( 300 * S ))
CELL=$(( 60 * S ))

# The picture in a screen area (W H X Y, in the game's own pixels) is the
# given 1x picture (or its WxH+X+Y part) at 100 %, and is drawn anew at
# 200 %, not pixel-doubled from it.
check_picture() { # check_picture WHAT W H X Y PICTURE [CROP]
    local what=$1 shot=$E2E_TMP/shot.png detail
    area $(( $2 * S )) $(( $3 * S )) $(( $4 * S )) $(( $5 * S )) "$shot"
    if [ "$S" = 1 ]; then
        check "$what shows its picture pixel for pixel" same_pixels "$shot" "$6" "${7:-}"
    else
        detail=$(block_detail "$shot")
        log "$what: $detail % of the pixels differ inside their 2 x 2 block"
        check "$what is drawn at the screen's scale, not pixel-doubled" [ "${detail:-0}" -ge 20 ]
    fi
}

# An animation in its place in the main window (W H X Y in the window):
# at 100 % one of its frames over the background, pixel for pixel; at 200 %
# a frame drawn from the twice-size animation, so with detail of its own
# inside the 2 x 2 blocks it covers, pixel for pixel too.
check_animation() { # check_animation WHAT W H X Y GIF
    local what=$1 shot=$E2E_TMP/shot.png under=$E2E_TMP/under.png covered detail
    area $(( $2 * S )) $(( $3 * S )) $(( WIN_X + $4 * S )) $(( WIN_Y + $5 * S )) "$shot"
    if [ "$S" = 1 ]; then
        convert "$ASSETS/FOND.jpg" -crop "${2}x${3}+${4}+${5}" +repage "$under"
        check "$what shows one of its frames pixel for pixel" gif_frame_shown "$shot" "$ASSETS/$6.gif" "$under"
    else
        convert "$ASSETS/FOND@2x.jpg" -crop "$(( $2 * S ))x$(( $3 * S ))+$(( $4 * S ))+$(( $5 * S ))" +repage "$under"
        read -r covered detail < <(covered_block_detail "$shot" "$under")
        log "$what: covers $covered % of its 2 x 2 blocks, $detail % of their pixels differ inside their block"
        check "$what is on screen" [ "${covered:-0}" -ge 10 ]
        check "$what is drawn at the screen's scale, not pixel-doubled" [ "${detail:-0}" -ge 20 ]
        check "$what shows one of its twice-size frames pixel for pixel" gif_frame_shown "$shot" "$ASSETS/$6@2x.gif" "$under"
    fi
}

start_x
launch_game

splash=$(wait_window "$SPLASH_SIZE" 10) || { fail "the splash window appears"; finish; }
log "splash is window $splash"
read -r sx sy < <(window_position "$splash")
check "the splash is centred" [ "$sx $sy" = "$(( (SCREEN_W - 300 * S) / 2 )) $(( (SCREEN_H - 300 * S) / 2 ))" ]
check "the main window waits behind the splash" [ -z "$(game_windows_of_size "$MAIN_SIZE")" ]

click_at $(( sx + 150 * S )) $(( sy + 150 * S )) 3
sleep 0.5
check "a right click leaves the splash open" [ -n "$(game_windows_of_size "$SPLASH_SIZE")" ]
check_picture "the splash" 300 300 $(( sx / S )) $(( sy / S )) "$ASSETS/SPLASH.jpg"

click_at $(( sx + 150 * S )) $(( sy + 150 * S )) 1
main=$(wait_window "$MAIN_SIZE" 5) || { fail "the main window comes up after a left click on the splash"; finish; }
check "the splash is gone" wait_no_window "$SPLASH_SIZE" 3
read -r mx my < <(window_position "$main")
check "the main window is centred" [ "$mx $my" = "$WIN_X $WIN_Y" ]

state=$(xprop -id "$main" _NET_WM_STATE)
log "$state"
check "the main window stays above others" grep -q _NET_WM_STATE_ABOVE <<<"$state"
check "the main window has no taskbar entry" grep -q _NET_WM_STATE_SKIP_TASKBAR <<<"$state"
hints=$(xprop -id "$main" _MOTIF_WM_HINTS)
log "$hints"
# flags, functions, decorations: the decorations field is 0 for a borderless window
check "the main window has no border or caption" grep -Eq '= 0x[0-9a-f]+, 0x[0-9a-f]+, 0x0' <<<"$hints"
frame=$(xwininfo -id "$main" -frame | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
check "the window manager adds no frame" [ "$frame" = "$MAIN_SIZE" ]

sleep 0.8
shoot
before=$(board_string)
check "the board starts empty" [ "$before" = "$(printf 'E%.0s' {1..64})" ]
# The background left of the counters' panel, and an empty square.
check_picture "the background" 90 460 $(( WIN_X / S )) $(( WIN_Y / S )) "$ASSETS/FOND.jpg" 90x460+0+0
check_animation "the title banner" 400 70 200 4 TITLE
check_animation "the dancing character" 90 115 184 464 CHARACTER
disc_bitmap 0 "$E2E_TMP/empty.bmp"
check_picture "an empty square" 60 60 $(( BOARD_X / S )) $(( BOARD_Y / S )) "$E2E_TMP/empty.bmp"

# Help: the board hides and shows the rules behind it; a click brings it back.
menu $BG_X $BG_Y "${MENU_HELP[@]}"
shoot
check "Aide... hides the board" [ "$(board_string)" != "$before" ]
click_at $BG_X $BG_Y 1
sleep 0.4
shoot
check "a click on the window brings the board back" [ "$(board_string)" = "$before" ]

# A game against the attacking computer lays out a start.
menu $(( BOARD_X + 100 * S )) $(( BOARD_Y + 100 * S )) "${MENU_ATTACK[@]}"
sleep 0.8
shoot
b=$(board_string)
centre="${b:27:2}${b:35:2}"
log "centre after a new game: $centre"
check "a new game lays out a starting position" grep -Eq '^(WBWB|WBBW)$' <<<"$centre"
check "only the four centre squares are taken" [ "$(tr -d E <<<"$b" | wc -c)" -eq 5 ]
disc_bitmap 7 "$E2E_TMP/white.bmp"
check_picture "the white disc at (3, 3)" 60 60 $(( BOARD_X / S + 180 )) $(( BOARD_Y / S + 180 )) "$E2E_TMP/white.bmp"

# Hints: white's four legal squares get a hint.
menu $BG_X $BG_Y "${MENU_HINTS[@]}"
sleep 0.3
shoot
check "hints mark white's four legal squares" [ "$(hinted_cells | wc -l)" -eq 4 ]

# "Humain" starts a new game for two; "Ordinateur" afterwards keeps that
# game, and the computer answers white's next move with its pointer.
menu $BG_X $BG_Y "${MENU_OPPONENT_HUMAN[@]}"
sleep 0.8
shoot
b=$(board_string)
check "Humain starts a new game" grep -Eq '^(WBWB|WBBW)$' <<<"${b:27:2}${b:35:2}"
menu $BG_X $BG_Y "${MENU_OPPONENT_COMPUTER[@]}"
sleep 0.5
shoot
check "Ordinateur keeps the running game" [ "$(board_string)" = "$b" ]
menu $BG_X $BG_Y "${MENU_HINTS[@]}"
menu $BG_X $BG_Y "${MENU_HINTS[@]}"
wait_stable 5
read -r c r < <(hinted_cells | head -n1)
if [ -n "${c:-}" ]; then
    xdotool mousemove $(( BOARD_X + CELL * c + 30 * S )) $(( BOARD_Y + CELL * r + 30 * S )) click 1
    jumped=
    for _ in $(seq 100); do
        sleep 0.1
        read -r px py < <(xdotool getmouselocation | sed -E 's/x:([0-9]+) y:([0-9]+).*/\1 \2/')
        dx=$(( px - BOARD_X - 20 * S )); dy=$(( py - BOARD_Y - 20 * S ))
        if [ "$px $py" != "$(( BOARD_X + CELL * c + 30 * S )) $(( BOARD_Y + CELL * r + 30 * S ))" ] &&
           [ $(( dx % CELL )) -eq 0 ] && [ $(( dy % CELL )) -eq 0 ]; then jumped=1; break; fi
    done
    check "the computer answers with its pointer 20 pixels inside its cell" [ -n "$jumped" ]
else
    fail "hints show white's moves after switching them off and on"
fi

# Quitting ends the process at once with exit code 0.
menu $BG_X $BG_Y "${MENU_QUIT[@]}"
start=$(date +%s%N)
code=
for _ in $(seq 100); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then wait "$GAME_PID"; code=$?; break; fi
    sleep 0.01
done
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
log "quit took ${elapsed} ms, exit code ${code:-none}"
check "Quitter ends the game within one second" [ -n "$code" ]
check "Quitter exits with code 0" [ "${code:-1}" = 0 ]
GAME_PID=

# The X server goes away in the middle of a disc animation: the game ends
# within a second with one line of explanation and a failure code, neither
# hanging nor dumping core. (A sanitizer build's leak report at that exit
# would be about a process that never got to tidy up.)
ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 launch_game
splash=$(wait_window "$SPLASH_SIZE" 10) || { fail "the game starts again"; finish; }
read -r sx sy < <(window_position "$splash")
click_at $(( sx + 150 * S )) $(( sy + 150 * S ))
wait_window "$MAIN_SIZE" 5 >/dev/null || { fail "the main window comes up again"; finish; }
sleep 0.6
menu $BG_X $BG_Y "${MENU_OPPONENT_HUMAN[@]}"
wait_stable 5
lines_before=$(wc -l <"$E2E_TMP/tavlo.log")
# Every square next to the centre: the legal ones start moves.
for c in 2 3 4 5; do for r in 2 3 4 5; do
    xdotool mousemove $(( BOARD_X + CELL * c + CELL / 2 )) $(( BOARD_Y + CELL * r + CELL / 2 )) mousedown 1 mouseup 1
done; done
sleep 0.2
shoot
log "board as the X server goes: $(board_string)"
kill -9 "$XVFB_PID"; wait "$XVFB_PID" 2>/dev/null; XVFB_PID=
gone=$(date +%s%N)
code=
for _ in $(seq 300); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then wait "$GAME_PID"; code=$?; break; fi
    sleep 0.01
done
elapsed=$(( ($(date +%s%N) - gone) / 1000000 ))
said=$(tail -n +$(( lines_before + 1 )) "$E2E_TMP/tavlo.log")
log "without its X server the game ended after $elapsed ms with code ${code:-none}, saying: $said"
check "without its X server the game ends within one second" test -n "$code" -a "$elapsed" -le 1000
check "it ends with a failure code, not a signal" test "${code:-0}" -ne 0 -a "${code:-0}" -lt 128
check "it says why in one line" [ "$(grep -c . <<<"$said")" -eq 1 ]
[ -z "$code" ] || GAME_PID=
finish
