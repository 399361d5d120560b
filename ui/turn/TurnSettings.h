#pragma once

#include <functional>

namespace tavlo {

// The menu's check marks that a turn reads. The marks themselves stay the
// one store of these settings; a turn asks for them at the moment it needs
// them, so a switch made while it waits is seen.
struct TurnSettings {
    // "Ordinateur": the computer plays black.
    bool computerOpponent{true};
    // "Humain": a second player plays black.
    bool humanOpponent{false};
    // "Jouer son".
    bool sound{true};
    // "Afficher possibilités".
    bool hints{false};
};

using ReadTurnSettings = std::function<TurnSettings()>;

} // namespace tavlo
