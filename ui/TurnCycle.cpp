// The board's press handler: one run plays one move to the end, whoever made
// the press, a player or the computer's hand (PlayAt).
//
// The handler is re-entered: the disc animations and the computer's wait
// serve window events, so menu commands and further presses run inside a
// run. Presses during an animation find Busy raised and are lost; a new
// game started meanwhile owns the board, and the running move then stops
// without writing anything more or handing the turn over.
#include "game/Result.h"
#include "ui/Announcer.h"
#include "ui/BoardAccessible.h"
#include "ui/Pause.h"
#include "ui/PlayAt.h"
#include "ui/StringGrid.h"
#include "ui/UFinal.h"
#include "ui/UTavlo.h"

#include <cstdint>

namespace {

// How long the computer lets its colour show before it plays.
constexpr double kComputerWaitMs = 500;

// Counts the moves played. A run that waited for the computer's turn sees
// it change when a press during the wait played a move: the run that played
// it is in charge of the next turn, and a second choice on top of it would
// press twice on the board.
std::uint64_t g_movesPlayed{0};

} // namespace

std::uint64_t tavlo::movesPlayed()
{
    return g_movesPlayed;
}

void TMain::TabPionMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)
{
    Q_UNUSED(shift);
    const auto cell = tavlo::StringGrid::cellAt(QPoint(x, y));
    if (button != Qt::LeftButton || Busy || !cell)
        return;
    const int column = cell->column;
    const int row = cell->row;
    if (TabPion->cellText(column, row) != tavlo::colourText(tavlo::kEmpty))
        return;

    tavlo::Game &rules = game();
    // Nothing is legal before the first game (no colour to move).
    const tavlo::LineFlagsResult lines = rules.examineMove(column, row);
    if (!lines.any())
        return;

    const int player = CurrentPlayer();
    const int opponent = tavlo::opponentOf(player);
    const std::uint64_t gameNumber = rules.gameNumber();
    const std::uint64_t move = ++g_movesPlayed;
    const auto abandoned = [&] {
        return rules.gameNumber() != gameNumber || tavlo::quitRequested();
    };

    TabPion->setCellText(column, row, tavlo::colourText(player));
    if (!rules.FlipLines(opponent, player, row, column))
        return;

    rules.setCurrentPlayer(opponent);
    const bool canAnswer = ListMoves(CurrentPlayer());

    // When neither colour can move the game is over rather than passed.
    const bool passed = !canAnswer && !IsGameOver();
    if (passed) {
        playSound(QStringLiteral("Bloque"));
        rules.setCurrentPlayer(tavlo::opponentOf(CurrentPlayer()));
    }
    tavlo::announce(this, tavlo::moveAnnouncement(player, column, row, lines.total, passed ? opponent : 0));

    if (IsGameOver()) {
        const tavlo::DiscCount count = CountDiscs();
        const QString text = QString::fromStdString(tavlo::resultText(count.white, count.black));
        // The title names the result for the window manager's lists too.
        if (Final)
            Final->setWindowTitle(text);
        showResult(text);
        return;
    }

    animateIndicator(CurrentPlayer());
    if (!Ordinateur1->isChecked() || abandoned())
        return;

    tavlo::Pause(kComputerWaitMs);
    // The wait served events: a new game, a move pressed meanwhile, or a
    // switch to a human opponent each leave the computer nothing to do.
    if (abandoned() || g_movesPlayed != move || !Ordinateur1->isChecked())
        return;
    if (CurrentPlayer() != tavlo::kBlack)
        return;
    if (const auto square = rules.ChooseComputerMove())
        PlayAt(square->column, square->row);
}
