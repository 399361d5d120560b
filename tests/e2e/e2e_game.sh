#!/usr/bin/env bash
# Plays one whole game through the real window, clicking legal squares found
# from screenshots (move hints on). $1: attack, defence or human.
. "$(dirname "$0")/lib.sh"
mode=${1:?attack, defence or human}

start_x
open_game

case $mode in
    attack) menu $BG_X $BG_Y "${MENU_ATTACK[@]}" ;;
    defence) menu $BG_X $BG_Y "${MENU_DEFENCE[@]}" ;;
    human) menu $BG_X $BG_Y "${MENU_OPPONENT_HUMAN[@]}" ;;
esac
sleep 0.6
menu $BG_X $BG_Y "${MENU_HINTS[@]}"

cell_origin() { echo $(( BOARD_X + 60 * $1 )) $(( BOARD_Y + 60 * $2 )); }

moves=0
played=
white_moves=0
black_moves=0
computer_moves=0
deadline=$(( $(date +%s) + 420 ))
last_hints=$(date +%s)
last_board=
result=
while [ "$(date +%s)" -lt "$deadline" ]; do
    final=$(game_windows_of_size 300x300 | head -n1)
    if [ -n "$final" ]; then
        result=$(xdotool getwindowname "$final")
        break
    fi
    # Discs turning keep changing the board, and the hints of the player who
    # just moved stay on screen until the turn's new list is drawn: only a
    # board that has stood still for a moment tells whose hints these are.
    wait_stable 12
    if [ -n "$played" ]; then
        # The disc of the last move, now that it has stopped turning.
        case $(cell_state $played) in W) white_moves=$((white_moves + 1)) ;; B) black_moves=$((black_moves + 1)) ;; esac
        played=
    fi
    mapfile -t hints < <(hinted_cells)
    board=$(board_string)
    if [ "$board" != "$last_board" ]; then last_board=$board; last_hints=$(date +%s); fi
    if [ ${#hints[@]} -eq 0 ]; then
        # After a pass the mover's hints are not drawn; switching them off
        # and on again lists the moves of the colour to move, as a player would.
        if [ $(( $(date +%s) - last_hints )) -ge 8 ]; then
            log "no hints for a while: switching them off and on"
            menu $BG_X $BG_Y "${MENU_HINTS[@]}"
            menu $BG_X $BG_Y "${MENU_HINTS[@]}"
            last_hints=$(date +%s)
        fi
        continue
    fi
    last_hints=$(date +%s)
    pick=${hints[$(( RANDOM % ${#hints[@]} ))]}
    read -r c r <<<"$pick"
    read -r x0 y0 < <(cell_origin "$c" "$r")
    xdotool mousemove $(( x0 + 30 )) $(( y0 + 30 )) click 1
    # The square takes a disc; a white one ends the turn on frame 7, but the
    # turning frames pass through black first, so remember every colour seen.
    seen=
    for _ in $(seq 30); do
        sleep 0.1; shoot
        state=$(cell_state "$c" "$r")
        [ "$state" != E ] && seen+=$state
        [[ $seen == *W* ]] && break
        [ "$mode" = human ] && [ -n "$seen" ] && break
    done
    if [ -z "$seen" ]; then log "press on $c,$r did not take; retrying"; continue; fi
    moves=$((moves + 1))
    played="$c $r"
    if [ "$mode" != human ]; then
        check "white's move on $c,$r is played for white" grep -q W <<<"$seen"
        # The computer answers by moving the real pointer into its cell.
        moved=
        for _ in $(seq 150); do
            read -r px py < <(xdotool getmouselocation | sed -E 's/x:([0-9]+) y:([0-9]+).*/\1 \2/')
            if [ "$px $py" != "$(( x0 + 30 )) $(( y0 + 30 ))" ]; then moved=1; break; fi
            [ -n "$(game_windows_of_size 300x300)" ] && break
            sleep 0.1
        done
        if [ -n "$moved" ]; then
            dx=$(( px - BOARD_X - 20 )); dy=$(( py - BOARD_Y - 20 ))
            if [ $(( dx % 60 )) -eq 0 ] && [ $(( dy % 60 )) -eq 0 ] && [ $dx -ge 0 ] && [ $dy -ge 0 ] && [ $dx -lt 480 ] && [ $dy -lt 480 ]; then
                computer_moves=$((computer_moves + 1))
            else
                fail "the computer's pointer lands 20 pixels inside a cell (at $px,$py)"
            fi
        fi
    fi
done

log "moves clicked: $moves, computer pointer jumps: $computer_moves, result: ${result:-none}"
check "the game reaches its end" [ -n "$result" ]
check "the result window names the outcome" grep -Eq '^(Bravo, vous avez gagné avec un score de [0-9]+|Désolé, j.ai gagné avec un score de [0-9]+|Egalité, on peut recommencer si vous avez encore envie)$' <<<"$result"
check "white played several moves" [ "$moves" -ge 5 ]
if [ "$mode" != human ]; then
    check "the computer answered with its pointer" [ "$computer_moves" -ge 5 ]
else
    log "clicked moves: white $white_moves, black $black_moves"
    check "both colours were played by clicks" test "$white_moves" -ge 5 -a "$black_moves" -ge 5
fi

quit_game "Quitter exits with code 0 after a game"
finish
