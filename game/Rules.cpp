#include "game/Rules.h"

namespace tavlo {

FlipCounts DirectionCounts(int opponent, int column, int row, const BoardSnapshot& snapshot)
{
    FlipCounts counts{};
    // open: the walk goes on; unclosed: no disc but the opponent's met yet.
    std::array<bool, 9> open;
    std::array<bool, 9> unclosed;
    open.fill(true);
    unclosed.fill(true);

    for (int d = 1; d <= kBoardSize; ++d) {
        for (int dir = 0; dir < 9; ++dir) {
            if (dir == 4)
                continue;
            const int r = row + d * (dir / 3 - 1);
            const int c = column + d * (dir % 3 - 1);
            if (!onBoard(c, r) || !open[dir])
                continue;
            const int v = snapshot[r][c];
            if (v == opponent && unclosed[dir])
                ++counts[dir];
            else if (v != kEmpty)
                unclosed[dir] = false;
            else
                open[dir] = false;
        }
    }
    // A run that never met a closing disc (it reached an empty square or
    // the edge) turns nothing over.
    for (int dir = 0; dir < 9; ++dir) {
        if (unclosed[dir])
            counts[dir] = 0;
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

MoveList FindMoves(const BoardSnapshot& snapshot, int player)
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
