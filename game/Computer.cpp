#include "game/Computer.h"

#include <algorithm>

namespace tavlo {

bool isCorner(int column, int row)
{
    return std::ranges::find(kCorners, Square{column, row}) != kCorners.end();
}

bool isNextToCorner(int column, int row)
{
    return std::ranges::find(kNextToCorner, Square{column, row}) != kNextToCorner.end();
}

std::size_t greedyPick(const MoveList& moves, RandomSource& random)
{
    std::size_t choice = 0;
    std::int32_t best = moves.front().flips;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        if (moves[i].flips > best) {
            choice = i;
            best = moves[i].flips;
        } else if (moves[i].flips == best && random.draw(2) == 1) {
            choice = i;
        }
    }
    return choice;
}

std::optional<Square> ChooseComputerMove(const MoveList& moves, Level level, RandomSource& random)
{
    if (moves.empty())
        return std::nullopt;
    const MoveRecord& greedy = moves[greedyPick(moves, random)];
    const auto square = [](const MoveRecord& m) { return Square{m.column, m.row}; };

    if (level == Level::Defensive) {
        for (const MoveRecord& m : moves) {
            if (isCorner(m.column, m.row))
                return square(m);
        }
        for (const MoveRecord& m : moves) {
            if (!isNextToCorner(m.column, m.row))
                return square(m);
        }
    }
    return square(greedy);
}

} // namespace tavlo
