#pragma once

#include "ui/WindowPlacement.h"

#include <QIcon>
#include <QString>

#include <memory>

class TMain;
class TSplash;

namespace tavlo {

// The program's windows, made in the order the game needs them: the main
// window, then the splash, then the result window (owned by the main
// window, in front of which it shows).
struct Windows {
    std::unique_ptr<TMain> main;
    std::unique_ptr<TSplash> splash;
    // Both deleted in reverse order of creation.
    ~Windows();
    Windows();
    Windows(Windows &&) noexcept;
};
Windows createWindows();

// The application's icon, from the embedded "MAINICON".
QIcon applicationIcon();

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
