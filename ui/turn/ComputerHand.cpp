#include "ui/turn/ComputerHand.h"

#include "media/base/Colors.h"
#include "media/base/ScreenScale.h"
#include "ui/turn/Testing.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QWidget>

#include <cmath>

namespace tavlo {

namespace {

// An arrow pointer, tip at (0, 0), in logical pixels.
const QPolygon &arrow()
{
    static const QPolygon shape({{0, 0}, {0, 16}, {4, 12}, {7, 18}, {9, 17}, {6, 11}, {11, 11}});
    return shape;
}

class DrawnHand : public QWidget {
public:
    explicit DrawnHand(QWidget *window)
        : QWidget(window)
    {
        setObjectName(QStringLiteral("ComputerHand"));
        // Presses go through to the board under it, the computer's own too.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        resize(arrow().boundingRect().size() + QSize(1, 1));
        hide();
        qApp->installEventFilter(this);
    }

    void showAt(QPoint clientPoint)
    {
        move(clientPoint);
        m_pointerWas = QCursor::pos();
        raise();
        show();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter canvas(this);
        paintAtScreenScale(canvas);
        // The colours of a pointer on any desktop, dark themes included.
        canvas.setPen(toQColor(clBlack));
        canvas.setBrush(toQColor(clWhite));
        canvas.drawPolygon(arrow());
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (isVisible() && event->spontaneous()) {
            // The player takes the pointer back; a window appearing under
            // a pointer that stood still is no move of the player's.
            if (event->type() == QEvent::MouseButtonPress)
                hide();
            else if (event->type() == QEvent::MouseMove &&
                     static_cast<QMouseEvent *>(event)->globalPosition().toPoint() != m_pointerWas)
                hide();
        }
        return QWidget::eventFilter(watched, event);
    }

private:
    QPoint m_pointerWas;
};

constexpr double kAbsoluteRange = 65535.0;

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

bool pointerCanBeMoved(const QString &platformName, const QByteArray &waylandDisplay, const QByteArray &sessionType)
{
    if (platformName.startsWith(QLatin1String("wayland")))
        return false;
    // Offscreen and the like have no pointer on any screen to look at;
    // only a desktop session says whether it is Wayland's.
    return waylandDisplay.isEmpty() && sessionType.trimmed().toLower() != "wayland";
}

bool pointerCanBeMoved()
{
    return pointerCanBeMoved(QGuiApplication::platformName(), qgetenv("WAYLAND_DISPLAY"),
                             qgetenv("XDG_SESSION_TYPE"));
}

QWidget *testing::drawnComputerHand(QWidget *window)
{
    if (!window)
        return nullptr;
    for (QObject *child : window->children())
        if (auto *hand = dynamic_cast<DrawnHand *>(child))
            return hand;
    return nullptr;
}

void moveComputerHand(QWidget *window, QPoint screenPoint)
{
    if (!window)
        return;
    if (pointerCanBeMoved()) {
        QCursor::setPos(screenPoint);
        return;
    }
    auto *hand = dynamic_cast<DrawnHand *>(testing::drawnComputerHand(window));
    if (!hand)
        hand = new DrawnHand(window);
    hand->showAt(window->mapFromGlobal(screenPoint));
}

QPoint normalisedPointerPosition(QPoint screenPoint, QSize screenSize)
{
    return QPoint(normalise(screenPoint.x(), screenSize.width()), normalise(screenPoint.y(), screenSize.height()));
}

void injectPress(QWidget *target, QPoint screenPoint)
{
    post(target, QEvent::MouseButtonPress, screenPoint);
    post(target, QEvent::MouseButtonRelease, screenPoint);
}

} // namespace tavlo
