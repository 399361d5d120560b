#pragma once

#include <Qt>

namespace tavlo {

// The keys that act as a left click where a click closes a window or brings
// the board back (the splash, the result window, the rules).
inline bool isClickKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

} // namespace tavlo
