#pragma once

// Every seam of the windows and the turn cycle that only tests and
// benchmarks use, in one place: the game itself never calls them.
#include "ui/turn/Testing.h"

#include <QString>
#include <QStringList>

class TMain;

namespace tavlo {
class RandomSource;
}

namespace tavlo::testing {

// The source of chance for new games and the computer's tie-breaks (null
// restores the clock-seeded one). Not owned.
void setRandomSource(TMain &main, RandomSource *source);

// The windows' instance names in the order they were made, so the start-up
// order can be checked; every window notes itself as it is made.
QStringList windowCreationOrder();
void clearWindowCreationOrder();

} // namespace tavlo::testing
