// The computer's hand: it moves the pointer onto its square (the real one,
// or a drawn one where the session cannot move it) and presses there, so
// its move reaches the board the way a player's does.
#include "ui/PlayAt.h"

#include "ui/ComputerHand.h"
#include "ui/MoveRun.h"
#include "ui/StringGrid.h"
#include "ui/UTavlo.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QScreen>

#include <cmath>

namespace tavlo {

namespace {

// The pointer goes this far inside the cell from its top-left corner.
constexpr QPoint kInsideCell{20, 20};
constexpr double kAbsoluteRange = 65535.0;

std::optional<InjectedPress> g_lastPress;
int g_pressCount{0};

// Halves go to the even neighbour whatever the floating-point rounding
// mode happens to be.
int roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5)
        return int(below) + 1;
    if (fraction < 0.5)
        return int(below);
    return std::fmod(below, 2.0) == 0.0 ? int(below) : int(below) + 1;
}

int normalise(int pixel, int screenPixels)
{
    if (screenPixels <= 0)
        return 0;
    // The scale is computed first, as the injection range expects it.
    return roundHalfEven(kAbsoluteRange / double(screenPixels) * double(pixel));
}

void post(QWidget *target, QEvent::Type type, QPoint screenPoint)
{
    const QPointF local = target->mapFromGlobal(QPointF(screenPoint));
    const QPointF inWindow = target->window()->mapFromGlobal(QPointF(screenPoint));
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QCoreApplication::postEvent(target, new QMouseEvent(type, local, inWindow, QPointF(screenPoint), Qt::LeftButton,
                                                        held, Qt::NoModifier));
}

} // namespace

QPoint normalisedPointerPosition(QPoint screenPoint, QSize screenSize)
{
    return QPoint(normalise(screenPoint.x(), screenSize.width()), normalise(screenPoint.y(), screenSize.height()));
}

std::optional<InjectedPress> lastInjectedPress()
{
    return g_lastPress;
}

int injectedPressCount()
{
    return g_pressCount;
}

} // namespace tavlo

void TMain::PlayAt(int column, int row)
{
    const QPoint cellCorner = TabPion->cellRect(column, row).topLeft();
    const QPoint client = mapFromGlobal(TabPion->mapToGlobal(cellCorner));

    // Whatever is waiting (a repaint, a move of the window) is served before
    // the pointer moves. A press served there that played a move, a new
    // game, or a switch to a human opponent leaves the square chosen for a
    // turn that is no longer the computer's: the run that played it, or the
    // player, has the next turn in hand.
    const tavlo::MoveRun run = tavlo::MoveRun::current(*this).answeringForComputer();
    QCoreApplication::processEvents();
    if (run.stale())
        return;

    const QPoint inside = client + tavlo::kInsideCell;
    const QPoint screenPoint = mapToGlobal(inside);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize();

    tavlo::g_lastPress = tavlo::InjectedPress{column, row, client, screenPoint,
                                              tavlo::normalisedPointerPosition(screenPoint, screenSize)};
    ++tavlo::g_pressCount;

    tavlo::moveComputerHand(this, screenPoint);
    TabPion->placeFocusMark(column, row);

    // The press goes to whatever lies under the pointer in this window: the
    // board, or the background when the board is hidden by the help, which
    // then shows the board again and leaves the move to be made.
    QWidget *target = childAt(inside);
    if (!target)
        target = this;
    // Posted, not sent: they arrive once the handler that called us has
    // returned, and take the road of a player's press.
    tavlo::post(target, QEvent::MouseButtonPress, screenPoint);
    tavlo::post(target, QEvent::MouseButtonRelease, screenPoint);
}
