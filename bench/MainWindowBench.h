#pragma once

#include "ui/UTavlo.h"

#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tavlo::bench {

// Shows the main window and starts a game against the computer, as a
// player would; false if the window never appears on the X server.
inline bool showMainWindow(TMain &main)
{
    main.show();
    if (!QTest::qWaitForWindowExposed(&main, 5000)) {
        std::fprintf(stderr, "the main window did not show\n");
        return false;
    }
    main.Facile1->trigger();
    return true;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace tavlo::bench
