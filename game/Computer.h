#pragma once

#include "game/Board.h"
#include "game/Random.h"
#include "game/Rules.h"

#include <array>
#include <cstddef>
#include <optional>

namespace tavlo {

enum class Level { Attacking = 1, Defensive = 2 };

// The defensive style scans the move list rather than this table, so the
// first corner in column-major order wins: (0,0), (0,7), (7,0), (7,7).
inline constexpr std::array<Square, 4> kCorners{{{0, 0}, {0, 7}, {7, 0}, {7, 7}}};

// The twelve squares that touch a corner: the diagonal ones first, then the
// edge ones.
inline constexpr std::array<Square, 12> kNextToCorner{{
    {1, 1}, {6, 1}, {1, 6}, {6, 6},
    {0, 1}, {1, 0}, {6, 0}, {7, 1}, {0, 6}, {1, 7}, {6, 7}, {7, 6},
}};

bool isCorner(int column, int row);
bool isNextToCorner(int column, int row);

// The greedy pick: the move turning over most discs. Every slot, slot 0
// included, whose flips equal the best so far takes over the choice on a
// draw of 1 out of 2, so among k equal moves the last wins with odds 1/2,
// the one before 1/4, ..., the first two 1/2^(k-1) each. Slot 0's draw
// against itself changes nothing but uses up a draw. Returns the slot index;
// the list must not be empty.
std::size_t greedyPick(const MoveList& moves, RandomSource& random);

// The computer's square from black's move list, or nothing when the list is
// empty. Attacking plays the greedy pick. Defensive plays the first corner in
// list order, else the first move not next to a corner, else the greedy pick.
// The greedy pick (and its draws) is made first in both styles.
std::optional<Square> ChooseComputerMove(const MoveList& moves, Level level, RandomSource& random);

} // namespace tavlo
