#pragma once

#include "game/Board.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tavlo {

// One count per direction, indexed (row step + 1) * 3 + (column step + 1):
// 0 up-left, 1 up, 2 up-right, 3 left, 4 centre (always 0), 5 right,
// 6 down-left, 7 down, 8 down-right. "Up" is towards row 0.
using FlipCounts = std::array<std::int32_t, 9>;

// The four lines through a square, in their fixed order.
enum class Line { Row = 0, MainDiagonal = 1, Column = 2, AntiDiagonal = 3 };

struct LineFlagsResult {
    // One byte per line, line 0 in the lowest byte; a byte is 1 when set.
    std::uint32_t flags{};
    // The sum of the four line sums: the discs a move there turns over.
    std::int32_t total{};

    bool any() const { return flags != 0; }
    bool isSet(Line line) const { return ((flags >> (8 * int(line))) & 0xFFu) != 0; }
};

struct MoveRecord {
    std::int32_t column{};
    std::int32_t row{};
    std::int32_t flips{};
    friend bool operator==(const MoveRecord&, const MoveRecord&) = default;
};

// Every legal move, in column-major order of the board (column 0 first, and
// within a column row 0 first). A position can offer more than 20 moves; all
// of them are kept.
using MoveList = std::vector<MoveRecord>;

// Counts, per direction, the opponent discs that a mover's disc at
// (column, row) brackets. The caller has already written the mover's colour
// into the snapshot there; the square itself is never read. A run ending at
// an empty square or at the edge counts 0.
FlipCounts DirectionCounts(int opponent, int column, int row, const BoardSnapshot& snapshot);

// A line's flag is set when the sum of its two directions reaches threshold.
// The game always uses threshold 1: a move is legal exactly when any() holds.
LineFlagsResult LineFlags(const FlipCounts& counts, int threshold = 1);

// DirectionCounts for a disc of player placed at (column, row) on a copy of
// the snapshot.
FlipCounts countsForMove(const BoardSnapshot& snapshot, int player, int column, int row);

// The legal moves of player on this position, column-major, without any
// drawing. Players other than 1 and 2 have none.
MoveList findMoves(const BoardSnapshot& snapshot, int player);

// Whether player has any legal move on this position.
bool hasAnyMove(const BoardSnapshot& snapshot, int player);

// Whether the move hints are drawn after a move list was computed: only when
// moves were found, hints are switched on, and either two humans play or it
// is white's list (the computer's own moves are never hinted).
constexpr bool shouldDrawHints(bool found, bool hintsOn, bool humanMode, int player)
{
    return found && hintsOn && (humanMode || player == kWhite);
}

} // namespace tavlo
