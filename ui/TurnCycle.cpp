// The board's press handler: one run plays one move to the end, whoever made
// the press, a player or the computer's hand (PlayAt).
//
// The handler is re-entered: the disc animations and the computer's wait
// serve window events, so menu commands and further presses run inside a
// run. Presses during an animation find Busy raised and are lost; whatever
// else happens meanwhile (a new game, a move pressed during the computer's
// wait, a switch of opponent, quitting) is judged by the run's MoveRun, and
// a stale run stops without writing anything more or handing the turn over.
#include "game/Result.h"
#include "ui/Announcer.h"
#include "ui/BoardAccessible.h"
#include "ui/MoveRun.h"
#include "ui/Pause.h"
#include "ui/PlayAt.h"
#include "ui/StringGrid.h"
#include "ui/UFinal.h"
#include "ui/UTavlo.h"

namespace {

// How long the computer lets its colour show before it plays.
constexpr double kComputerWaitMs = 500;

} // namespace

void TMain::TabPionMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    Q_UNUSED(shift);
    const auto cell = tavlo::StringGrid::cellAt(QPoint(x, y));
    if (button != Qt::LeftButton || Busy || !cell)
        return;
    if (TabPion->cellText(cell->column, cell->row) != tavlo::colourText(tavlo::kEmpty))
        return;
    // Nothing is legal before the first game (no colour to move).
    const tavlo::LineFlagsResult lines = game().examineMove(cell->column, cell->row);
    if (!lines.any())
        return;

    const tavlo::MoveRun run = tavlo::MoveRun::beginMove(*this);
    if (!playMove(run, cell->column, cell->row))
        return;
    if (!passOrEnd(cell->column, cell->row, lines.total))
        return;
    animateIndicator(CurrentPlayer());
    if (Ordinateur1->isChecked() && !run.stale())
        letComputerAnswer(run.answeringForComputer());
}

bool TMain::playMove(const tavlo::MoveRun &run, int column, int row)
{
    const int player = CurrentPlayer();
    TabPion->setCellText(column, row, tavlo::colourText(player));
    return game().FlipLines(tavlo::opponentOf(player), player, row, column, [&run] { return run.stale(); });
}

bool TMain::passOrEnd(int column, int row, int flipped)
{
    tavlo::Game &rules = game();
    const int player = CurrentPlayer();
    const int opponent = tavlo::opponentOf(player);
    rules.setCurrentPlayer(opponent);
    const bool canAnswer = ListMoves(CurrentPlayer());

    // When neither colour can move the game is over rather than passed.
    const bool passed = !canAnswer && !IsGameOver();
    if (passed) {
        playSound(QStringLiteral("Bloque"));
        rules.setCurrentPlayer(player);
    }
    // One sentence for the move and the pass it caused, said before the
    // result window comes up and is read in its turn.
    tavlo::announce(this, tavlo::moveAnnouncement(player, column, row, flipped, passed ? opponent : 0));
    if (!IsGameOver())
        return true;

    const tavlo::DiscCount count = CountDiscs();
    const QString text = QString::fromStdString(tavlo::resultText(count.white, count.black));
    // The title names the result for the window manager's lists too.
    if (Final)
        Final->setWindowTitle(text);
    showResult(text);
    return false;
}

void TMain::letComputerAnswer(const tavlo::MoveRun &run)
{
    tavlo::Pause(kComputerWaitMs);
    // The wait served events: a new game, a move pressed meanwhile, or a
    // switch to a human opponent each leave the computer nothing to do.
    if (run.stale() || CurrentPlayer() != tavlo::kBlack)
        return;
    if (const auto square = game().ChooseComputerMove())
        PlayAt(square->column, square->row);
}
