#!/usr/bin/env bash
# A storm of input: a seeded random player sends, as fast as the X server
# takes them, left presses anywhere on the window, menu commands and bursts
# of presses during disc animations and the computer's wait. After every
# storm, once the board has settled, the screen must agree with itself: the
# counters equal the discs, no disc is caught half turned, and a finished
# game shows its result. At the end "Quitter" exits at once with code 0.
# The game's resident memory after the first storm and after the last is
# logged, for `make soak` to show any growth (not checked: a short storm
# cannot show it).
#   e2e_monkey.sh SEED ACTIONS
. "$(dirname "$0")/lib.sh"
seed=${1:?seed}
actions=${2:?number of actions}
# The storm's own choices follow the seed; what the game answers, and so
# which squares are playable, still depends on its timing and its clock.
RANDOM=$seed

# The result window, centred on the screen when it shows.
FINAL_X=$(( (SCREEN_W - 300) / 2 ))
FINAL_Y=$(( (SCREEN_H - 300) / 2 ))

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$GAME_PID/status" 2>/dev/null; }

# Whether a left press since the last check may have closed the result
# window (a click on its picture does).
FINAL_TOUCHED=
note_press() { # note_press X Y
    if [ "$1" -ge $FINAL_X ] && [ "$1" -lt $(( FINAL_X + 300 )) ] \
        && [ "$2" -ge $FINAL_Y ] && [ "$2" -lt $(( FINAL_Y + 300 )) ]; then
        FINAL_TOUCHED=1
    fi
}

# xdotool arguments for a left press at a random place: anywhere on the
# window (board, between cells, counters, animations), or on the board.
PRESS=()
press_anywhere() {
    local x=$(( WIN_X + RANDOM % 800 )) y=$(( WIN_Y + RANDOM % 600 ))
    note_press $x $y
    PRESS=(mousemove $x $y mousedown 1 mouseup 1)
}
press_on_board() {
    local x=$(( BOARD_X + RANDOM % 480 )) y=$(( BOARD_Y + RANDOM % 480 ))
    note_press $x $y
    PRESS=(mousemove $x $y mousedown 1 mouseup 1)
}

# Squares where white or black could play on the board read at the last
# shoot, as "column row" lines: the storm does not know whose turn it is,
# and a press for the wrong colour is simply ignored.
legal_squares() {
    board_string | awk '{
        for (i = 0; i < 64; i++) cell[i % 8, int(i / 8)] = substr($0, i + 1, 1)
        for (r = 0; r < 8; r++) for (c = 0; c < 8; c++) {
            if (cell[c, r] != "E") continue
            legal = 0
            for (dc = -1; dc <= 1 && !legal; dc++) for (dr = -1; dr <= 1 && !legal; dr++) {
                if (dc == 0 && dr == 0) continue
                x = c + dc; y = r + dr
                if (x < 0 || x > 7 || y < 0 || y > 7) continue
                first = cell[x, y]
                if (first != "W" && first != "B") continue
                while (1) {
                    x += dc; y += dr
                    if (x < 0 || x > 7 || y < 0 || y > 7) break
                    if (cell[x, y] == first) continue
                    if (cell[x, y] == "W" || cell[x, y] == "B") legal = 1
                    break
                }
            }
            if (legal) print c, r
        }
    }'
}

# Menu commands as key paths from the menu's empty selection; "Quitter" is
# kept for the end.
COMMANDS=(attack defence human computer sound hints help)
command_keys() {
    case $1 in
        attack) echo "${MENU_ATTACK[*]}" ;;
        defence) echo "${MENU_DEFENCE[*]}" ;;
        computer) echo "${MENU_OPPONENT_COMPUTER[*]}" ;;
        human) echo "${MENU_OPPONENT_HUMAN[*]}" ;;
        sound) echo "${MENU_SOUND[*]}" ;;
        hints) echo "${MENU_HINTS[*]}" ;;
        help) echo "${MENU_HELP[*]}" ;;
    esac
}

# Every action starts by closing a menu that opened too late for its keys:
# a press landing on an open menu would choose one of its items.
CLOSE_MENUS=(key Escape Escape)
PLAYED=0 MENUS=0 BURSTS=0 PRESSES=0

act() {
    local roll args=() n i
    roll=$((RANDOM % 100))
    if [ "$roll" -lt 50 ]; then
        # a handful of presses anywhere, back to back
        n=$(( 1 + RANDOM % 6 ))
        for ((i = 0; i < n; i++)); do press_anywhere; args+=("${PRESS[@]}"); done
        PRESSES=$((PRESSES + n))
    elif [ "$roll" -lt 85 ]; then
        # a move, then presses all through its animation and the computer's
        # wait: on a square where one of the colours can play, now and then
        # once the board has come to rest, so that games reach their end
        if (( RANDOM % 2 == 0 )); then wait_stable 3 3 || :; else shoot; fi
        mapfile -t hints < <(legal_squares)
        if [ ${#hints[@]} -gt 0 ]; then
            read -r c r <<<"${hints[$((RANDOM % ${#hints[@]}))]}"
            args+=(mousemove $(( BOARD_X + 60 * c + 5 + RANDOM % 50 )) $(( BOARD_Y + 60 * r + 5 + RANDOM % 50 )) mousedown 1 mouseup 1)
            PLAYED=$((PLAYED + 1))
        fi
        n=$(( 5 + RANDOM % 25 ))
        for ((i = 0; i < n; i++)); do
            press_on_board; args+=("${PRESS[@]}")
            (( RANDOM % 3 == 0 )) && args+=(sleep "0.0$((RANDOM % 10))")
        done
        BURSTS=$((BURSTS + 1)); PRESSES=$((PRESSES + n))
    else
        # a menu command, opened anywhere on the window; new games are rarer
        # so that some games reach their end
        local command roll2
        roll2=$((RANDOM % 120))
        if [ "$roll2" -lt 3 ]; then command=${COMMANDS[$roll2]}   # attack, defence, human
        elif [ "$roll2" -lt 9 ]; then command=computer
        else command=${COMMANDS[$(( 4 + roll2 % 3 ))]}          # sound, hints, help
        fi
        # shellcheck disable=SC2207
        local keys=($(command_keys "$command"))
        args+=(mousemove $(( WIN_X + RANDOM % 800 )) $(( WIN_Y + RANDOM % 600 )) click 3 sleep 0.4)
        args+=(key --delay 30 "${keys[@]}")
        MENUS=$((MENUS + 1))
    fi
    xdotool "${CLOSE_MENUS[@]}" "${args[@]}" 2>>"$E2E_TMP/xdotool.log"
}

expected_result() { # expected_result WHITE BLACK
    if [ "$1" -gt "$2" ]; then echo "Bravo, vous avez gagné avec un score de $1"
    elif [ "$2" -gt "$1" ]; then echo "Désolé, j'ai gagné avec un score de $2"
    else echo "Egalité, on peut recommencer si vous avez encore envie"
    fi
}

# The title of the result window, shown or not: it carries the result text.
hidden_result_title() {
    local id name
    for id in $(xdotool search --pid "$GAME_PID" 2>/dev/null); do
        name=$(xdotool getwindowname "$id" 2>/dev/null)
        case $name in Bravo*|Désolé*|Egalité*) echo "$name"; return ;; esac
    done
}

CHECKS=0 GAMES_ENDED=0
FINISHED_BOARD=
# A failed check keeps a picture of the screen it judged.
fail_check() {
    fail "$1"
    import -window root "/tmp/e2e_monkey-$seed-check$CHECKS.png" 2>/dev/null
}

check_screen() {
    CHECKS=$((CHECKS + 1))
    xdotool "${CLOSE_MENUS[@]}"
    # "Aide..." may have hidden the board: a click on the background shows it.
    click_at $BG_X $BG_Y
    xdotool "${CLOSE_MENUS[@]}"
    if ! kill -0 "$GAME_PID" 2>/dev/null; then
        fail "the game is still running after the storm (check $CHECKS)"
        return 1
    fi
    # Settled: nothing on the board, the indicator or the counters has moved
    # for 1.4 s, longer than the computer's wait after its indicator turns.
    if ! wait_stable 30 7; then
        fail_check "the board settles within 30 s (check $CHECKS)"
        return 0
    fi
    # The result window covers part of the board: its text is read, then a
    # click on its picture closes it, as a player would, to see the board.
    local final title=
    final=$(game_windows_of_size 300x300 | head -n1)
    if [ -n "$final" ]; then
        title=$(xdotool getwindowname "$final")
        click_at $(( FINAL_X + 150 )) $(( FINAL_Y + 150 ))
        wait_no_window 300x300 3 || fail_check "a click on the result window closes it (check $CHECKS)"
        wait_stable 30 7 || :
    fi
    local board white black counters state
    board=$(board_string)
    white=$(tr -cd W <<<"$board" | wc -c)
    black=$(tr -cd B <<<"$board" | wc -c)
    counters=$(read_counters)
    state="board $white-$black, counters $counters"
    if [[ $board == *T* ]]; then
        fail_check "no disc is left half turned ($state, board $board)"
    fi
    if [ "$counters" != "$white $black" ]; then
        fail_check "the counters equal the discs on the board ($state, board $board)"
    fi
    local over=
    if [ $(( white + black )) -eq 64 ] || { [ $(( white + black )) -gt 0 ] && { [ "$white" -eq 0 ] || [ "$black" -eq 0 ]; }; }; then
        over=1
    fi
    if [ -n "$over" ]; then
        if [ -n "$final" ]; then
            [ "$board" != "$FINISHED_BOARD" ] && GAMES_ENDED=$((GAMES_ENDED + 1))
            FINISHED_BOARD=$board
            [ "$title" = "$(expected_result "$white" "$black")" ] \
                || fail_check "the result window's text matches the counters ($state, text: $title)"
        elif [ "$board" = "$FINISHED_BOARD" ]; then
            : # its result was read at an earlier check
        elif [ -n "$FINAL_TOUCHED" ]; then
            # Clicked away during the storm: what it said is still its title.
            title=$(hidden_result_title)
            log "a finished game's result window was clicked away during the storm"
            GAMES_ENDED=$((GAMES_ENDED + 1)); FINISHED_BOARD=$board
            [ "$title" = "$(expected_result "$white" "$black")" ] \
                || fail_check "the result window's text matches the counters ($state, text: $title)"
        else
            fail_check "a finished game shows the result window ($state)"
        fi
    fi
    FINAL_TOUCHED=
    log "check $CHECKS: $state${over:+, game over}${final:+, result window up: $title}"
}

start_x
open_game
log "seed $seed, $actions actions"
# The storm opens on a game, of one of the three kinds.
first=${COMMANDS[$((RANDOM % 3))]}
# shellcheck disable=SC2046
menu $BG_X $BG_Y $(command_keys "$first")

started=$(now_ms)
done_actions=0
was_up=
while [ $done_actions -lt "$actions" ]; do
    storm=$(( 10 + RANDOM % 30 ))
    for ((k = 0; k < storm && done_actions < actions; k++)); do
        act
        done_actions=$((done_actions + 1))
        # A result window that has just come up ends the storm, so that it
        # is read before a press lands on it and closes it.
        up=$(game_windows_of_size 300x300 | head -n1)
        if [ -n "$up" ] && [ -z "$was_up" ]; then was_up=$up; break; fi
        was_up=$up
    done
    check_screen || break
    [ -z "${first_rss:-}" ] && first_rss=$(rss_kb) && first_storm=$done_actions
done
last_rss=$(rss_kb)
log "$done_actions actions in $(( ($(now_ms) - started) / 1000 )) s: $PRESSES presses, $BURSTS bursts ($PLAYED opened on a playable square), $MENUS menu commands; $CHECKS checks, $GAMES_ENDED games seen to their end"
if [ -n "${first_rss:-}" ] && [ -n "$last_rss" ]; then
    log "$(awk -v a="$first_rss" -v b="$last_rss" -v n="$done_actions" -v f="$first_storm" 'BEGIN {
        printf "resident memory: %.1f MB after the first storm (%d actions), %.1f MB after all %d: %+.1f MB",
            a / 1024, f, b / 1024, n, (b - a) / 1024 }')"
fi
if [ -s "$E2E_TMP/tavlo.log" ]; then
    log "the game printed:"; sed 's/^/    /' "$E2E_TMP/tavlo.log" | head -20
fi

if kill -0 "$GAME_PID" 2>/dev/null; then
    xdotool "${CLOSE_MENUS[@]}" mousemove $BG_X $BG_Y click 3 sleep 0.4 key Up sleep 0.1
    asked=$(now_ms)
    xdotool key Return
    for _ in $(seq 300); do kill -0 "$GAME_PID" 2>/dev/null || break; sleep 0.01; done
    took=$(( $(now_ms) - asked ))
    if kill -0 "$GAME_PID" 2>/dev/null; then
        fail "Quitter ends the game (still running after $took ms)"
    else
        wait "$GAME_PID"; code=$?
        GAME_PID=
        check "Quitter exits with code 0 (code $code)" [ "$code" = 0 ]
        check "Quitter exits within 1 s (took $took ms)" [ "$took" -le 1000 ]
    fi
fi
finish
