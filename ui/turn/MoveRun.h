#pragma once

#include "ui/turn/TurnSettings.h"

#include <cstdint>

namespace tavlo {

class Game;

// One run of the turn cycle, as it stood when it began: which game, which
// move, and (once it answers for the computer) who plays black.
//
// Everything a run does that serves window events (a disc's frames, the
// computer's 500 ms wait, the computer hand's event pass) lets the player
// start a new game, play a move, switch the opponent or quit meanwhile.
// Afterwards the run asks stale() whether it is still in charge of the
// board; this is the one place that decides it.
class MoveRun {
public:
    // A move begun on the board now: counts it, so that runs begun earlier
    // see that the position moved on under them. The game and the settings
    // outlive the run.
    static MoveRun beginMove(Game &game, const ReadTurnSettings &settings);
    // The run in charge now, for work that plays no move of its own (a
    // disc's or the indicator's turn, the computer's hand).
    static MoveRun current(const Game &game, const ReadTurnSettings &settings);

    // The same run, from here on answering for the computer: a switch of
    // the opponent setting from now on leaves it nothing to do. Before that
    // point a switch changes nothing for the move being played.
    MoveRun answeringForComputer() const;

    std::uint64_t gameNumber() const { return m_gameNumber; }
    std::uint64_t moveNumber() const { return m_moveNumber; }

    // Whether something served since the run began took the board from it:
    // a new game, another move, the request to quit, or, for the computer's
    // answer, a change of opponent.
    bool stale() const;

private:
    MoveRun(const Game &game, const ReadTurnSettings &settings, std::uint64_t move);

    const Game *m_game;
    const ReadTurnSettings *m_settings;
    std::uint64_t m_gameNumber;
    std::uint64_t m_moveNumber;
    bool m_computerOpponent;
    bool m_answersForComputer{false};
};

} // namespace tavlo
