#pragma once

class QWidget;

namespace tavlo {

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
