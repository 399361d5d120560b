#pragma once

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

// Keeps every thread of the process on the core it runs on now; called
// before the first thread starts, so that all of them inherit it.
void keepToOneCore();

// The application's icon, from the embedded "MAINICON".
QIcon applicationIcon();

} // namespace tavlo
