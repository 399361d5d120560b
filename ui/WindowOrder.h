#pragma once

#include "ui/WindowPlacement.h"

#include <QString>

namespace tavlo {

// Each window notes its instance name here when it is made, so the start-up
// order can be checked (testing::windowCreationOrder).
void noteWindowCreated(const QString &name);

// How the splash and the result window end their construction: placed
// before the native window exists (a compositor's X window manager takes
// the position a window is created at), made the program's instance unless
// there is one already, and noted.
template <typename Window>
void finishPictureWindow(Window *window, Window *&instance)
{
    centreOnScreen(window);
    if (!instance)
        instance = window;
    noteWindowCreated(window->objectName());
}

} // namespace tavlo
