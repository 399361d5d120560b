#pragma once

#include <QByteArray>
#include <QPoint>
#include <QSize>
#include <QString>

class QWidget;

namespace tavlo {

// Whether the game can show the real pointer moving. Not in a Wayland
// session: natively the compositor refuses the warp (and Qt says so), and
// through the session's X server the warp moves only that server's idea of
// the pointer while the cursor on screen stays where the player left it.
// Neither can be read back, so the session decides.
bool pointerCanBeMoved(const QString &platformName, const QByteArray &waylandDisplay,
                       const QByteArray &sessionType);
// The same for the running application and its environment.
bool pointerCanBeMoved();

// Shows the computer's hand at screenPoint, inside window: the real pointer
// goes there when it can be moved; otherwise a pointer picture is drawn in
// the window with its tip on that point, until the player moves the mouse
// or presses a button, or the hand moves on.
void moveComputerHand(QWidget *window, QPoint screenPoint);

// Where an absolute pointer position lands in the injection range 0..65535
// across the primary screen: each coordinate scaled by 65535.0 / the
// screen's size in pixels and rounded to the nearest integer, halves to
// even.
QPoint normalisedPointerPosition(QPoint screenPoint, QSize screenSize);

// Presses and releases the left button on target at screenPoint. Posted,
// not sent: they arrive once the running handler has returned, and take the
// road of a player's press.
void injectPress(QWidget *target, QPoint screenPoint);

} // namespace tavlo
