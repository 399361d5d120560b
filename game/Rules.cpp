#include "game/Rules.h"

namespace tavlo {

FlipCounts DirectionCounts(int opponent, int column, int row, const BoardSnapshot& snapshot)
{
    FlipCounts counts{};
    for (int dir = 0; dir < 9; ++dir) {
        if (dir == 4)
            continue;
        const int rowStep = dir / 3 - 1;
        const int columnStep = dir % 3 - 1;
        // Opponent discs count until the first other disc closes the run; a
        // run that meets an empty square or the edge first turns nothing over.
        std::int32_t run = 0;
        for (int d = 1; d <= kBoardSize; ++d) {
            const int r = row + d * rowStep;
            const int c = column + d * columnStep;
            if (!onBoard(c, r) || snapshot[r][c] == kEmpty)
                break;
            if (snapshot[r][c] != opponent) {
                counts[dir] = run;
                break;
            }
            ++run;
        }
    }
    return counts;
}

LineFlagsResult LineFlags(const FlipCounts& counts, int threshold)
{
    const std::array<std::int32_t, 4> sums{
        counts[3] + counts[4] + counts[5],
        counts[0] + counts[4] + counts[8],
        counts[1] + counts[4] + counts[7],
        counts[6] + counts[4] + counts[2],
    };
    LineFlagsResult result;
    for (int line = 0; line < 4; ++line) {
        if (sums[line] >= threshold)
            result.flags |= 1u << (8 * line);
        result.total += sums[line];
    }
    return result;
}

FlipCounts countsForMove(const BoardSnapshot& snapshot, int player, int column, int row)
{
    BoardSnapshot placed = snapshot;
    placed[row][column] = player;
    return DirectionCounts(opponentOf(player), column, row, placed);
}

bool hasAnyMove(const BoardSnapshot& snapshot, int player)
{
    if (player != kWhite && player != kBlack)
        return false;
    for (int column = 0; column < kBoardSize; ++column) {
        for (int row = 0; row < kBoardSize; ++row) {
            if (snapshot[row][column] == kEmpty && LineFlags(countsForMove(snapshot, player, column, row)).any())
                return true;
        }
    }
    return false;
}

MoveList findMoves(const BoardSnapshot& snapshot, int player)
{
    MoveList moves;
    if (player != kWhite && player != kBlack)
        return moves;
    for (int column = 0; column < kBoardSize; ++column) {
        for (int row = 0; row < kBoardSize; ++row) {
            if (snapshot[row][column] != kEmpty)
                continue;
            const LineFlagsResult lines = LineFlags(countsForMove(snapshot, player, column, row));
            if (lines.any())
                moves.push_back({column, row, lines.total});
        }
    }
    return moves;
}

} // namespace tavlo
