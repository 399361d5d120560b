#include "ui/turn/TurnCycle.h"

#include "game/Result.h"
#include "media/base/ScreenScale.h"
#include "ui/board/Announcer.h"
#include "ui/board/BoardAccessible.h"
#include "ui/board/StringGrid.h"
#include "ui/turn/ComputerHand.h"
#include "ui/turn/Hints.h"
#include "ui/turn/MoveRun.h"
#include "ui/turn/Pause.h"
#include "ui/turn/Testing.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <optional>
#include <utility>

namespace tavlo {

namespace {

// How long the computer lets its colour show before it plays.
constexpr double kComputerWaitMs = 500;

constexpr int kFrameMs = 50;
constexpr int kFirstFrame = 1; // black seen from above
constexpr int kLastFrame = 7;  // white seen from above

// The pointer goes this far inside the cell from its top-left corner.
constexpr QPoint kInsideCell{20, 20};

std::optional<testing::InjectedPress> g_lastPress;
int g_pressCount{0};

} // namespace

namespace testing {

std::optional<InjectedPress> lastInjectedPress()
{
    return g_lastPress;
}

int injectedPressCount()
{
    return g_pressCount;
}

} // namespace testing

TurnCycle::TurnCycle(Parts parts)
    : m_parts(std::move(parts))
{
}

GameView TurnCycle::gameView()
{
    GameView view;
    view.animateCell = [this](int column, int row, int colour) {
        AnimateDisc(colour, m_parts.board, m_parts.board.cellRect(column, row));
    };
    view.animateIndicator = [this](int colour) { animateIndicator(colour); };
    view.drawHints = [this](int player, const MoveList &moves) { DrawHints(player, moves); };
    return view;
}

void TurnCycle::pressBoard(Qt::MouseButton button, int x, int y)
{
    const auto cell = StringGrid::cellAt(QPoint(x, y));
    if (button != Qt::LeftButton || m_parts.busy || !cell)
        return;
    if (m_parts.board.cellText(cell->column, cell->row) != colourText(kEmpty))
        return;
    // Nothing is legal before the first game (no colour to move).
    const LineFlagsResult lines = m_parts.game.examineMove(cell->column, cell->row);
    if (!lines.any())
        return;

    const MoveRun run = MoveRun::beginMove(m_parts.game, m_parts.settings);
    if (!playMove(run, cell->column, cell->row))
        return;
    if (!passOrEnd(cell->column, cell->row, lines.total))
        return;
    animateIndicator(m_parts.game.currentPlayer());
    if (m_parts.settings().computerOpponent && !run.stale())
        letComputerAnswer(run.answeringForComputer());
}

bool TurnCycle::playMove(const MoveRun &run, int column, int row)
{
    const int player = m_parts.game.currentPlayer();
    m_parts.board.setCellText(column, row, colourText(player));
    return m_parts.game.FlipLines(opponentOf(player), player, row, column, [&run] { return run.stale(); });
}

bool TurnCycle::passOrEnd(int column, int row, int flipped)
{
    Game &rules = m_parts.game;
    const int player = rules.currentPlayer();
    const int opponent = opponentOf(player);
    rules.setCurrentPlayer(opponent);
    const bool canAnswer = rules.ListMoves(rules.currentPlayer());

    // When neither colour can move the game is over rather than passed.
    const bool passed = !canAnswer && !rules.IsGameOver();
    if (passed) {
        playSound(QStringLiteral("Bloque"));
        rules.setCurrentPlayer(player);
    }
    // One sentence for the move and the pass it caused, said before the
    // result window comes up and is read in its turn.
    announce(&m_parts.window, moveAnnouncement(player, column, row, flipped, passed ? opponent : 0));
    if (!rules.IsGameOver())
        return true;

    const DiscCount count = rules.CountDiscs();
    if (m_parts.showResult)
        m_parts.showResult(QString::fromStdString(resultText(count.white, count.black)));
    return false;
}

void TurnCycle::letComputerAnswer(const MoveRun &run)
{
    Pause(kComputerWaitMs);
    // The wait served events: a new game, a move pressed meanwhile, or a
    // switch to a human opponent each leave the computer nothing to do.
    if (run.stale() || m_parts.game.currentPlayer() != kBlack)
        return;
    if (const auto square = m_parts.game.ChooseComputerMove())
        PlayAt(square->column, square->row);
}

void TurnCycle::PlayAt(int column, int row)
{
    QWidget &window = m_parts.window;
    StringGrid &board = m_parts.board;
    const QPoint cellCorner = board.cellRect(column, row).topLeft();
    const QPoint client = window.mapFromGlobal(board.mapToGlobal(cellCorner));

    // Whatever is waiting (a repaint, a move of the window) is served before
    // the pointer moves. A press served there that played a move, a new
    // game, or a switch to a human opponent leaves the square chosen for a
    // turn that is no longer the computer's: the run that played it, or the
    // player, has the next turn in hand.
    const MoveRun run = MoveRun::current(m_parts.game, m_parts.settings).answeringForComputer();
    QCoreApplication::processEvents();
    if (run.stale())
        return;

    const QPoint inside = client + kInsideCell;
    const QPoint screenPoint = window.mapToGlobal(inside);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize();

    g_lastPress = testing::InjectedPress{column, row, client, screenPoint,
                                         normalisedPointerPosition(screenPoint, screenSize)};
    ++g_pressCount;

    moveComputerHand(&window, screenPoint);
    board.placeFocusMark(column, row);

    // The press goes to whatever lies under the pointer in the window: the
    // board, or the background when the board is hidden by the help, which
    // then shows the board again and leaves the move to be made.
    QWidget *target = window.childAt(inside);
    if (!target)
        target = &window;
    injectPress(target, screenPoint);
}

void TurnCycle::AnimateDisc(int kind, Surface &surface, const QRect &rect, SoundPlayer::Interrupt interrupt)
{
    // An animation started from inside another one's pause (a new game, the
    // indicator) hands busy back as it found it, so the outer one stays
    // protected until it ends too.
    const bool wasBusy = m_parts.busy;
    m_parts.busy = true;
    surface.setHeld(rect, true);
    playSound(QStringLiteral("Click"), interrupt);
    // A new game started from inside a pause owns the board and the
    // indicator from then on: the rest of this turn is not drawn.
    const MoveRun run = MoveRun::current(m_parts.game, m_parts.settings);
    if (kind == kWhite || kind == kBlack) {
        for (int step = 0; step <= kLastFrame - kFirstFrame; ++step) {
            const int frame = kind == kWhite ? kFirstFrame + step : kLastFrame - step;
            Pause(kFrameMs);
            if (run.stale())
                break;
            surface.drawPicture(rect, m_parts.discImages[std::size_t(frame)]);
        }
    }
    surface.setHeld(rect, false);
    m_parts.busy = wasBusy;
}

void TurnCycle::animateIndicator(int colour)
{
    m_parts.indicator.setAccessibleName(turnName(colour));
    AnimateDisc(colour, m_parts.indicator, QRect(0, 0, 60, 60), SoundPlayer::Interrupt::No);
}

void TurnCycle::DrawHints(int player, const MoveList &moves)
{
    const TurnSettings settings = m_parts.settings();
    if (!shouldDrawHints(!moves.empty(), settings.hints, settings.humanOpponent, player))
        return;
    StringGrid &board = m_parts.board;
    QRect drawn;
    for (const MoveRecord &move : moves) {
        const QRect cell = board.cellRect(move.column, move.row);
        board.paintSurface(cell, [&](QPainter &canvas) { drawHint(canvas, cell.topLeft(), move.flips); });
        board.noteHint(move.column, move.row, move.flips);
        drawn |= cell;
    }
    board.present(drawn);
}

void TurnCycle::playSound(const QString &name, SoundPlayer::Interrupt interrupt)
{
    if (m_parts.settings().sound)
        SoundPlayer::instance().play(name, interrupt);
}

} // namespace tavlo
