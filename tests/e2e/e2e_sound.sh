#!/usr/bin/env bash
# Real sound, end to end: the game runs under its own X server with a private
# sound server whose only output is a null sink; the sink's monitor is
# recorded while the game turns discs and while a player must pass, and the
# recordings are analysed by the sound test's driver. Then the server is
# stopped in the middle of a move and started again; at the end the game has
# no thread it did not have before its first sound.
# Exit 77 (skipped) when the sound server is not installed.
here=$(dirname "$0")
. "$here/../sound/pulse.sh"
pulse_require || exit 77
. "$here/lib.sh"

DRIVER=${SOUND_DRIVER:-$(dirname "$TAVLO")/tests/sound/sound_driver}
if [ ! -x "$DRIVER" ]; then
    echo "skipped: the recording analyser $DRIVER is not built"
    exit 77
fi

# The game first, so that it never outlives the server it plays into.
stop_all() {
    [ -n "$GAME_PID" ] && kill -9 "$GAME_PID" 2>/dev/null && wait "$GAME_PID" 2>/dev/null
    GAME_PID=
    pulse_stop
    cleanup
}
trap stop_all EXIT
trap 'exit 1' INT TERM

# Two fixed games in human mode, one per starting layout, that bring a
# player to a pass while the game goes on: found by a depth-first search
# over the rules library (findMoves and countsForMove from game/), with the
# depth raised one move at a time, for the shortest sequences after which
# the other colour has no legal move while the mover still has one, both
# colours remain and the board is not full. Moves are "column,row"; white
# moves first and the colours alternate up to the pass:
#   parallel centre: black must pass after white's 5th move, white plays again
#   crossed centre:  white must pass after black's 4th move, black plays again
# The final pictures are the positions the search reached (row by row).
PARALLEL_MOVES=(5,2 4,2 5,3 2,4 4,1 4,0 3,0 6,2 5,0)
PARALLEL_AFTER_PASS=4,5
PARALLEL_FINAL=EEEWWWEEEEEEWEEEEEEEBBBEEEEBBBEEEEBBBEEEEEEEEEEEEEEEEEEEEEEEEEEE
CROSSED_MOVES=(2,4 2,5 2,6 1,6 4,2 2,7 0,7 0,5)
CROSSED_AFTER_PASS=2,3
CROSSED_FINAL=EEEEEEEEEEEEEEEEEEEEWEEEEEEWWEEEEEWWWEEEBEWEEEEEEBBEEEEEWEBEEEEE
# Discs animated by the first and by the last move of either game (the
# placed disc once per direction walked, and each turned disc): every
# animation, the turn indicator's too, starts with a click.
FIRST_MOVE_DISCS=3
LAST_MOVE_DISCS=3

INDICATOR_X=$(( WIN_X + 96 ))
INDICATOR_Y=$(( WIN_Y + 120 ))

# A fingerprint of the board and the turn indicator as they are on the
# screen now, leaving out the GIF animations that never stop moving.
board_hash() {
    convert x:root \( -clone 0 -crop 60x60+${INDICATOR_X}+${INDICATOR_Y} +repage \) \
        \( -clone 0 -crop 480x480+${BOARD_X}+${BOARD_Y} +repage \) -delete 0 -depth 8 rgb:- 2>/dev/null |
        md5sum | cut -c1-32
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# The names of the game's threads, sorted, on one line.
game_threads() { cat /proc/"$GAME_PID"/task/*/comm 2>/dev/null | sort | tr '\n' ' '; }

# Waits until board and indicator have looked the same in at least three
# grabs over a second: a turning disc shows a new frame every 50 ms, and
# every move ends with the indicator turning to the colour to move.
# Prints the fingerprint of the still board.
wait_stable() {
    local end=$(( $(now_ms) + 20000 )) prev= since=0 seen=0 h
    while [ "$(now_ms)" -lt "$end" ]; do
        h=$(board_hash)
        if [ "$h" = "$prev" ]; then
            seen=$((seen + 1))
            if [ $seen -ge 3 ] && [ $(( $(now_ms) - since )) -ge 1000 ]; then echo "$h"; return 0; fi
        else
            prev=$h; since=$(now_ms); seen=1
        fi
    done
    echo "$h"
    return 1
}

# play_move "column,row": clicks the square once board and indicator are
# still, again if the press was lost (a press during an animation is ignored
# by design), and waits until the move, indicator included, has ended.
# Fails when the press never changed the board.
STILL=
play_move() {
    local c=${1%,*} r=${1#*,} attempt taken= _
    for attempt in 1 2 3; do
        if [ -z "$STILL" ] || [ "$(board_hash)" != "$STILL" ]; then
            STILL=$(wait_stable) || log "the board never settled before the move on $1"
        fi
        click_at $(( BOARD_X + 60 * c + 30 )) $(( BOARD_Y + 60 * r + 30 ))
        for _ in $(seq 8); do
            [ "$(board_hash)" != "$STILL" ] && { taken=1; break; }
        done
        [ -n "$taken" ] && break
        log "press on $1 did not take (attempt $attempt)"
    done
    STILL=$(wait_stable) || log "the board never settled after the move on $1"
    [ -n "$taken" ]
}

# analyse NAME KIND [CLICKS]: the driver's verdict on a recording.
analyse() {
    local name=$1; shift
    log "recording $name:"
    "$DRIVER" analyse "$PULSE_WORK/$name.raw" "$@" | sed 's/^/    /'
    return "${PIPESTATUS[0]}"
}

start_x
pulse_start || { fail "the sound server starts"; finish; }
log "sound server up in $XDG_RUNTIME_DIR"
open_game

# Two humans: every press plays for the colour to move. This starts a game.
menu $BG_X $BG_Y "${MENU_OPPONENT_HUMAN[@]}"
layout=
for _ in $(seq 50); do
    shoot
    b=$(board_string)
    case "${b:27:2}${b:35:2}" in
        WBWB) layout=parallel ;;
        WBBW) layout=crossed ;;
    esac
    [ -n "$layout" ] && break
    sleep 0.1
done
[ -n "$layout" ] || { fail "a new game lays out one of the two starting centres (board: $b)"; finish; }
log "starting layout: $layout"
if [ "$layout" = parallel ]; then
    moves=("${PARALLEL_MOVES[@]}"); after_pass=$PARALLEL_AFTER_PASS; final=$PARALLEL_FINAL
else
    moves=("${CROSSED_MOVES[@]}"); after_pass=$CROSSED_AFTER_PASS; final=$CROSSED_FINAL
fi
last=$(( ${#moves[@]} - 1 ))
wait_stable >/dev/null || log "the new game never settled"
threads_before=$(game_threads)
log "threads before the first sound: $threads_before"
colour_of() { (( $1 % 2 == 0 )) && echo W || echo B; }

for i in "${!moves[@]}"; do
    [ "$i" -eq 0 ] || [ "$i" -eq "$last" ] && pulse_record "$PULSE_WORK/move$i.raw"
    check "move $((i + 1)) on ${moves[i]} is played" play_move "${moves[i]}"
    if [ "$i" -eq 0 ]; then
        sleep 0.5; pulse_stop_record
        check "the first move's discs and the turn indicator each click" \
            analyse move0 clicks $(( FIRST_MOVE_DISCS + 1 ))
    elif [ "$i" -eq "$last" ]; then
        # Bloque lasts half a second from the end of the last disc's turn;
        # the indicator's click is skipped so that it is heard whole.
        sleep 0.3; pulse_stop_record
        check "the last move's discs click, then Bloque is heard whole" \
            analyse "move$i" pass "$LAST_MOVE_DISCS"
    fi
done
shoot
check "the position before the pass is the one the sequence leads to" [ "$(board_string)" = "$final" ]

# Sound off: the mover plays again after the pass, and nothing is heard.
menu $BG_X $BG_Y "${MENU_SOUND[@]}"
pulse_record "$PULSE_WORK/muted.raw"
check "after the pass the same colour moves again, on $after_pass" play_move "$after_pass"
sleep 0.3; pulse_stop_record
shoot
check "the square takes the colour that moved before the pass" [ "$(cell_state ${after_pass/,/ })" = "$(colour_of "$last")" ]
check "with Jouer son unchecked the move is silent" analyse muted silent

# The sound server goes away in the middle of a move: the game goes on at
# its pace, silently, and says nothing; once the server is back the discs
# are heard again. Moves from here on are the squares the hints show.
menu $BG_X $BG_Y "${MENU_SOUND[@]}"
menu $BG_X $BG_Y "${MENU_HINTS[@]}"
# timed_move: plays the first hinted square and prints "DISCS MS": the discs
# that changed and how long the board took to come to rest after the press.
timed_move() {
    local before after c r start changed=0 i
    before=$(wait_stable) || true
    shoot
    read -r c r < <(hinted_cells | head -n1)
    [ -n "${c:-}" ] || { echo "0 0"; return 1; }
    before=$(board_string)
    start=$(now_ms)
    click_at $(( BOARD_X + 60 * c + 30 )) $(( BOARD_Y + 60 * r + 30 ))
    [ -n "${1:-}" ] && { sleep 0.1; "$1"; }
    STILL=$(wait_stable) || true
    # wait_stable ends a second after the last change
    local took=$(( $(now_ms) - start - 1000 ))
    shoot; after=$(board_string)
    for ((i = 0; i < 64; i++)); do [ "${before:i:1}" != "${after:i:1}" ] && changed=$((changed + 1)); done
    echo "$changed $took"
}
# A move's animations: the placed disc once per direction walked (up to
# eight), each turned disc, and the indicator, 0.35 s each.
paced() { # paced DISCS MS
    [ "$1" -gt 0 ] && [ "$2" -ge $(( $1 * 350 * 8 / 10 )) ] && [ "$2" -le $(( ($1 + 9) * 350 + 1500 )) ]
}
lines_before=$(wc -l <"$E2E_TMP/tavlo.log")
read -r discs took < <(timed_move pulse_server_down)
log "sound server stopped during a move of $discs discs, which came to rest after $took ms"
check "the move during which the sound server stops plays out at its pace" paced "$discs" "$took"
read -r discs took < <(timed_move)
log "a move of $discs discs without a sound server took $took ms"
check "without a sound server the next move plays at its pace" paced "$discs" "$took"
check "the game is still running without its sound server" kill -0 "$GAME_PID"
check "no window but the main one shows" [ "$(xdotool search --onlyvisible --pid "$GAME_PID" 2>/dev/null | wc -l)" -eq 1 ]
pulse_server_up || fail "the sound server starts again"
log "sound server back"
# A refused server is asked again at most once a second.
sleep 1.2
pulse_record "$PULSE_WORK/back.raw"
read -r discs took < <(timed_move)
sleep 0.3; pulse_stop_record
check "once the sound server is back, a later move is heard" analyse back heard
check "losing the sound server printed nothing" [ "$(wc -l <"$E2E_TMP/tavlo.log")" -eq "$lines_before" ]
threads_after=$(game_threads)
log "threads once the last move has settled: $threads_after"
check "the sounds, the lost server and its return left no thread behind" [ "$threads_after" = "$threads_before" ]
cores=$(awk '/^Cpus_allowed_list/ {print $2}' /proc/"$GAME_PID"/task/*/status | sort -u | tr '\n' ' ')
log "cores the game's threads may run on: $cores"
check "every thread of the game, the sound client's too, stays on one core" grep -qxE '[0-9]+ ' <<<"$cores"

quit_game
finish
