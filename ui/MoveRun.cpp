#include "ui/MoveRun.h"

#include "ui/Pause.h"
#include "ui/UTavlo.h"

namespace tavlo {

MoveRun::MoveRun(const TMain &main, std::uint64_t move)
    : m_main(&main)
    , m_game(main.game().gameNumber())
    , m_move(move)
    , m_computerOpponent(main.Ordinateur1->isChecked())
{
}

MoveRun MoveRun::beginMove(TMain &main)
{
    return MoveRun(main, main.game().beginMove());
}

MoveRun MoveRun::current(const TMain &main)
{
    return MoveRun(main, main.game().movesBegun());
}

MoveRun MoveRun::answeringForComputer() const
{
    MoveRun run = *this;
    run.m_answersForComputer = true;
    run.m_computerOpponent = m_main->Ordinateur1->isChecked();
    return run;
}

bool MoveRun::stale() const
{
    if (quitRequested())
        return true;
    if (m_main->game().gameNumber() != m_game || m_main->game().movesBegun() != m_move)
        return true;
    return m_answersForComputer && m_main->Ordinateur1->isChecked() != m_computerOpponent;
}

} // namespace tavlo
