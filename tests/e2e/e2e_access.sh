#!/usr/bin/env bash
# The game as a screen reader meets it, on a real accessibility bus: the
# board is a table "Plateau" whose cells name the starting position; a move
# played with the arrow keys and Enter is announced, the cells' names change
# and the counters' names follow, and so does the computer's answer.
# With "orca", the real screen reader listens instead of the probe, and what
# it would say is checked: the window, the cells under the arrow keys, both
# moves, the ring on the computer's square and the menu from the keyboard.
. "$(dirname "$0")/lib.sh"
MODE=${1:-probe}

start_x
if ! start_a11y_bus; then
    log "SKIP: the session bus or the accessibility bus could not start"
    cat "$E2E_TMP/dbus.log" "$E2E_TMP/a11y.log" 2>/dev/null
    exit 77
fi
if [ "$MODE" = orca ]; then
    # The reader runs before the game starts and turns its accessibility on.
    if ! start_orca; then
        log "SKIP: Orca could not start"
        cat "$E2E_TMP/speechd.out" "$ORCA_LOG" 2>/dev/null | tail -n 30
        exit 77
    fi
else
    # A desktop's screen reader turns the toolkit's accessibility on by
    # itself; here no screen reader runs, only the probe below.
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi
launch_game
splash=$(wait_window 300x300 10) || { fail "the splash window appears"; finish; }
read -r sx sy < <(window_position "$splash")
# The splash goes with Enter, as with a click.
sleep 0.3
xdotool key Return
wait_window 800x600 5 >/dev/null || { fail "Enter on the splash brings up the main window"; finish; }
sleep 0.6
if [ "$MODE" = orca ]; then
    check "Orca says the main window is a frame" wait_said 0 '^Tavlo frame' 5
    menu $BG_X $BG_Y "${MENU_ATTACK[@]}"
    sleep 0.6
    # The ring starts on d4; e4 holds black, f4 is white's move.
    at=$(orca_mark); xdotool key Right
    check "Right: Orca says e4" wait_said "$at" '^e4, pion noir' 5
    at=$(orca_mark); xdotool key Right
    check "Right: Orca says f4" wait_said "$at" '^f4, vide' 5
    at=$(orca_mark); xdotool key Return
    check "Orca says the player's move" wait_said "$at" 'Blanc joue f4, 1 pion retourné' 10
    check "Orca says the computer's answer" wait_said "$at" 'Noir joue [a-h][1-8], ' 10
    answer=$(orca_said "$at" | grep -Eo 'Noir joue [a-h][1-8]' | head -n1)
    check "Orca follows the ring to the computer's square (${answer: -2})" \
        wait_said "$at" "^${answer: -2}, " 3
    for keys in Menu shift+F10; do
        at=$(orca_mark); xdotool key $keys
        check "$keys: Orca says the menu's first item" wait_said "$at" '^Commencer' 5
        sleep 1
        check "$keys: nothing cuts the item off" last_said "$at" '^Commencer'
        at=$(orca_mark); xdotool key Escape
        check "Escape: Orca is back on the ring's cell" wait_said "$at" "^${answer: -2}, " 5
    done
    quit_game "Quitter exits with code 0 while Orca runs"
    [ "$FAILURES" -eq 0 ] || cp "$ORCA_LOG" /tmp/e2e_access-orca.log
    finish
fi
menu $BG_X $BG_Y "${MENU_ATTACK[@]}"
sleep 0.6

/usr/bin/python3 - "$GAME_PID" <<'EOF'
import re, subprocess, sys, time
import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib

pid = int(sys.argv[1])
failures = 0
def log(msg): print(time.strftime("%T"), msg, flush=True)
def check(what, ok, detail=""):
    global failures
    if ok: log("ok: " + what)
    else:
        failures += 1
        log("FAIL: " + what + (" -- " + str(detail) if detail else ""))

events = []
def on_event(e):
    try:
        events.append((e.type, e.source.get_role(), e.source.get_name(), e.detail1))
    except Exception:
        pass
listener = Atspi.EventListener.new(on_event)
for kind in ("object:state-changed:showing", "object:state-changed:focused",
             "object:property-change:accessible-name"):
    listener.register(kind)
context = GLib.MainContext.default()
def pump(seconds):
    end = time.time() + seconds
    while time.time() < end:
        while context.pending():
            context.iteration(False)
        time.sleep(0.01)
def wait_for(test, seconds):
    end = time.time() + seconds
    while time.time() < end:
        pump(0.05)
        found = [e for e in events if test(e)]
        if found:
            return found[0]
    return None

def find(node, test, depth=0):
    if node is None or depth > 12:
        return None
    if test(node):
        return node
    for i in range(node.get_child_count()):
        hit = find(node.get_child_at_index(i), test, depth + 1)
        if hit:
            return hit
    return None

app = None
for _ in range(100):
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        a = desktop.get_child_at_index(i)
        if a is not None and a.get_process_id() == pid:
            app = a
    if app:
        break
    time.sleep(0.1)
check("the game is on the accessibility bus", app is not None)
if not app:
    sys.exit(1)
board = find(app, lambda n: n.get_role() == Atspi.Role.TABLE)
check("the board is a table named Plateau", board is not None and board.get_name() == "Plateau",
      board and board.get_name())
if not board:
    sys.exit(1)
check("the table has 8 rows and 8 columns",
      (Atspi.Table.get_n_rows(board), Atspi.Table.get_n_columns(board)) == (8, 8))

def square(c, r): return "abcdefgh"[c] + str(r + 1)
def read_cells():
    grid = {}
    for r in range(8):
        for c in range(8):
            cell = Atspi.Table.get_accessible_at(board, r, c)
            cell.clear_cache()
            grid[(c, r)] = cell.get_name()
    return grid
def content(name):
    return {"pion blanc": 1, "pion noir": 2}.get(name.split(", ")[1], 0)
def names_of(role_test):
    out = []
    def walk(n, d=0):
        if n is None or d > 12: return
        n.clear_cache()
        if role_test(n): out.append(n.get_name())
        for i in range(n.get_child_count()): walk(n.get_child_at_index(i), d + 1)
    walk(app)
    return out
def counters():
    names = names_of(lambda n: n.get_role() != Atspi.Role.TABLE_CELL)
    white = [m for m in names if re.fullmatch(r"Blancs : \d+", m or "")]
    black = [m for m in names if re.fullmatch(r"Noirs : \d+", m or "")]
    return white, black, names

cells = read_cells()
log("start: " + " ".join(f"{square(c, r)}={content(n)}" for (c, r), n in cells.items() if content(n)))
check("every cell is named after its square",
      all(n.startswith(square(c, r) + ", ") for (c, r), n in cells.items()))
centre = {(3, 3), (4, 3), (3, 4), (4, 4)}
check("the four centre cells hold two white and two black discs",
      sorted(content(cells[s]) for s in centre) == [1, 1, 2, 2], [cells[s] for s in centre])
check("the other 60 cells read empty",
      all(cells[s] == square(*s) + ", vide" for s in cells if s not in centre))
white, black, names = counters()
check("the counters read Blancs : 2 and Noirs : 2", (white, black) == (["Blancs : 2"], ["Noirs : 2"]), (white, black))
check("the turn indicator reads Au tour des blancs", "Au tour des blancs" in names)

def moves(grid, me):
    other = 3 - me
    found = {}
    for (c, r), n in grid.items():
        if content(n): continue
        total = 0
        for dc in (-1, 0, 1):
            for dr in (-1, 0, 1):
                if dc == dr == 0: continue
                k, x, y = 0, c + dc, r + dr
                while 0 <= x < 8 and 0 <= y < 8 and content(grid[(x, y)]) == other:
                    k, x, y = k + 1, x + dc, y + dr
                if k and 0 <= x < 8 and 0 <= y < 8 and content(grid[(x, y)]) == me:
                    total += k
        if total:
            found[(c, r)] = total
    return found

legal = moves(cells, 1)
target = sorted(legal)[0]
flips = legal[target]
log(f"white plays {square(*target)} from the keyboard, turning {flips}")
# The mark starts on d4.
keys = []
c, r = 3, 3
keys += ["Right" if target[0] > c else "Left"] * abs(target[0] - c)
keys += ["Down" if target[1] > r else "Up"] * abs(target[1] - r)
events.clear()
for k in keys:
    subprocess.run(["xdotool", "key", k], check=True)
    pump(0.15)
focused = wait_for(lambda e: e[0] == "object:state-changed:focused" and e[3] == 1
                   and e[1] == Atspi.Role.TABLE_CELL and e[2].startswith(square(*target) + ", "), 3)
check("the marked cell is the focused cell for the screen reader", focused is not None,
      [e for e in events if e[0].endswith("focused")][-3:])

events.clear()
subprocess.run(["xdotool", "key", "Return"], check=True)
said = lambda e: e[0] == "object:state-changed:showing" and e[3] == 1 and e[1] == Atspi.Role.NOTIFICATION
mine = wait_for(lambda e: said(e) and e[2].startswith("Blanc joue"), 10)
expected = f"Blanc joue {square(*target)}, {flips} {'pion retourné' if flips == 1 else 'pions retournés'}"
check("the move is announced by a notification", mine is not None and mine[2] == expected,
      mine or [e for e in events if e[0].endswith("showing")])
check("the cells' names changed with events", any(e[0] == "object:property-change:accessible-name"
                                                  and e[1] == Atspi.Role.TABLE_CELL for e in events))
after = read_cells()
check("the played cell reads a white disc", after[target] == square(*target) + ", pion blanc", after[target])
white, black, _ = counters()
w = sum(content(n) == 1 for n in after.values()); b = sum(content(n) == 2 for n in after.values())
check("the counters' names follow the move", (white, black) == ([f"Blancs : {w}"], [f"Noirs : {b}"]),
      (white, black, w, b))

answer = wait_for(lambda e: said(e) and e[2].startswith("Noir joue"), 10)
check("the computer's answer is announced", answer is not None, [e for e in events if e[0].endswith("showing")])
pump(1.5)
final = read_cells()
white, black, names = counters()
w = sum(content(n) == 1 for n in final.values()); b = sum(content(n) == 2 for n in final.values())
check("after the answer the board has one more black disc than white's move left", w + b == 6, (w, b))
check("the counters' names follow the answer", (white, black) == ([f"Blancs : {w}"], [f"Noirs : {b}"]),
      (white, black, w, b))
if answer:
    sq = re.match(r"Noir joue ([a-h][1-8]),", answer[2]).group(1)
    cell = final[("abcdefgh".index(sq[0]), int(sq[1]) - 1)]
    check("the computer's cell reads a black disc", cell == sq + ", pion noir", cell)
check("the turn indicator reads Au tour des blancs again", "Au tour des blancs" in names)
announcements = [e[2] for e in events if said(e)]
check("each move was announced once", len(announcements) == 2, announcements)
sys.exit(1 if failures else 0)
EOF
check "the screen reader's view of the game is right" [ $? -eq 0 ]

# With the accessible board, cells and announcer alive, quitting is clean.
quit_game "Quitter exits with code 0 while a screen reader listens"
finish
