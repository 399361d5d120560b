#pragma once

#include "game/Board.h"
#include "game/Computer.h"
#include "game/Random.h"
#include "game/Rules.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

namespace tavlo {

// What the rules ask of the screen. Every member may be left empty.
struct GameView {
    // Turns the disc in a cell towards colour (1 white, 2 black), pumping
    // window events meanwhile. The cell text has already been written.
    std::function<void(int column, int row, int colour)> animateCell;
    // Turns the turn indicator towards colour.
    std::function<void(int colour)> animateIndicator;
    // Shows the two disc counters.
    std::function<void(int white, int black)> setCounters;
    // Redraws every cell from its text at once, wiping hints and frames.
    std::function<void()> repaintBoard;
    // Called after repaintBoard when a move list found at least one move;
    // the screen draws the hints if shouldDrawHints() says so.
    std::function<void(int player, const MoveList& moves)> drawHints;
};

struct DiscCount {
    int white{};
    int black{};
    friend bool operator==(const DiscCount&, const DiscCount&) = default;
};

// The game state the main window owns for the whole run. The position itself
// stays in the grid; every operation reads it afresh.
class Game {
public:
    Game(BoardGrid& grid, RandomSource& random, GameView view = {});

    void setView(GameView view) { m_view = std::move(view); }
    BoardGrid& grid() { return m_grid; }

    // 0 before the first game, then the colour to move (1 or 2).
    int currentPlayer() const { return m_currentPlayer; }
    void setCurrentPlayer(int player) { m_currentPlayer = player; }

    Level level() const { return m_level; }
    void setLevel(Level level) { m_level = level; }

    // The list from the last ListMoves.
    const MoveList& moveList() const { return m_moveList; }
    // The counts of the square last examined by examineMove.
    const FlipCounts& scratch() const { return m_scratch; }

    // Increases with every NewGame; a move that sees it change while its
    // discs turn belongs to a game that is gone.
    std::uint64_t gameNumber() const { return m_gameNumber; }
    // Increases with every move begun on the board, in any game; returns the
    // new count. A run waiting for its turn that sees it change knows a move
    // was played meanwhile.
    std::uint64_t beginMove() { return ++m_movesBegun; }
    std::uint64_t movesBegun() const { return m_movesBegun; }

    // Whether a disc of the colour to move at (column, row) would turn any
    // disc over; the counts land in scratch(). With no game yet (colour 0)
    // nothing is legal. The cell's own text is not checked.
    LineFlagsResult examineMove(int column, int row);

    // Lists player's legal moves into moveList(), repaints the board and
    // offers the list to drawHints when it is not empty. Returns whether any
    // move was found.
    bool ListMoves(int player);

    // Turns every disc that player's disc at (column, row) brackets, after
    // the caller has written that disc. Note the argument order: row before
    // column, unlike everywhere else. Lines 0 to 3, for each set line both
    // directions (left/right, up-left/down-right, up/down, down-left/up-right),
    // k from 0 (the placed square again) up to the direction's count, each
    // cell written before it is animated. After each animation stale() is
    // asked whether the move still owns the board (the animation served
    // events); returns false when it did not and the move was abandoned.
    bool FlipLines(int opponent, int player, int row, int column, const std::function<bool()>& stale = {});

    // Counts the discs and shows them on the counters.
    DiscCount CountDiscs();

    // True when the board is full, a colour is gone, or neither colour has a
    // legal move left (a stalled game ends like any other). Refreshes the
    // counters.
    bool IsGameOver();

    // Clears the board, lays out the parallel (draw 0) or crossed (draw 1)
    // centre, gives the move to white, turns the indicator to white and shows
    // 2 and 2 on the counters. The move list is left as it was.
    void NewGame();

    // Recomputes black's moves with ListMoves(2), then chooses by level().
    std::optional<Square> ChooseComputerMove();

private:
    BoardGrid& m_grid;
    RandomSource& m_random;
    GameView m_view;
    int m_currentPlayer{0};
    Level m_level{Level::Attacking};
    MoveList m_moveList;
    FlipCounts m_scratch{};
    std::uint64_t m_gameNumber{0};
    std::uint64_t m_movesBegun{0};
};

} // namespace tavlo
