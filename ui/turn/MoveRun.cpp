#include "ui/turn/MoveRun.h"

#include "game/Game.h"
#include "ui/turn/Pause.h"

namespace tavlo {

MoveRun::MoveRun(const Game &game, const ReadTurnSettings &settings, std::uint64_t move)
    : m_game(&game)
    , m_settings(&settings)
    , m_gameNumber(game.gameNumber())
    , m_moveNumber(move)
    , m_computerOpponent(settings().computerOpponent)
{
}

MoveRun MoveRun::beginMove(Game &game, const ReadTurnSettings &settings)
{
    return MoveRun(game, settings, game.beginMove());
}

MoveRun MoveRun::current(const Game &game, const ReadTurnSettings &settings)
{
    return MoveRun(game, settings, game.movesBegun());
}

MoveRun MoveRun::answeringForComputer() const
{
    MoveRun run = *this;
    run.m_answersForComputer = true;
    run.m_computerOpponent = (*m_settings)().computerOpponent;
    return run;
}

bool MoveRun::stale() const
{
    if (quitRequested())
        return true;
    if (m_game->gameNumber() != m_gameNumber || m_game->movesBegun() != m_moveNumber)
        return true;
    return m_answersForComputer && (*m_settings)().computerOpponent != m_computerOpponent;
}

} // namespace tavlo
