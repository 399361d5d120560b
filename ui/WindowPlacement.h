#pragma once

#include <QByteArray>
#include <QSize>

#include <optional>

class QWidget;

namespace tavlo {

// The game's windows are drawn at fixed logical sizes; the largest of them
// is this one.
inline constexpr QSize kLargestWindow{800, 600};

// The scale factor (QT_SCALE_FACTOR) under which a window of this logical
// size fits the primary screen's available area, or nothing when it fits
// already. The desktop's scale and any factor the player set are lowered by
// the same ratio, the largest (to a thousandth, rounded down) at which both
// sides fit, whole or not. Qt reads the factor only when the application
// starts, so the caller starts it again under the new factor.
std::optional<double> fittingScaleFactor(QSize window = kLargestWindow);

// A QT_SCALE_FACTOR that is not a finite number above zero would leave Qt
// drawing windows of a pixel or none at all. Such a value is removed from
// the environment before the application starts and returned, so the
// caller can say it was ignored; a usable one (or none) returns nothing.
std::optional<QByteArray> dropUnusableScaleFactor();

// Moves a top-level window to the centre of the primary screen's available
// area, whatever position it had.
void centreOnScreen(QWidget *window);

// Keeps a window out of the taskbar and the pager. On X11 the window's
// _NET_WM_STATE gets _SKIP_TASKBAR and _SKIP_PAGER: written on the native
// window before it is mapped (Qt merges its own states into it when it maps
// the window), or asked of the window manager once it is mapped. Elsewhere
// it does nothing.
void hideFromTaskbar(QWidget *window);

} // namespace tavlo
