#pragma once

#include "bench/Serve.h"
#include "ui/Fonts.h"
#include "ui/StartUp.h"
#include "ui/UTavlo.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace tavlo::bench {

// Runs measure on the real main window under an X server, shown and playing
// against the computer as a player would start it (its threads kept to one
// core, as the game keeps them), once settleMs of start-up work have passed.
// Returns the program's exit code: 1 if the window never appears.
inline int runOnMainWindow(int argc, char **argv, int settleMs, const std::function<void(TMain &)> &measure)
{
    tavlo::keepToOneCore();
    QApplication app(argc, argv);
    tavlo::installFontSubstitutions();
    TMain main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main, 5000)) {
        std::fprintf(stderr, "the main window did not show\n");
        return 1;
    }
    main.Facile1->trigger();
    serveEvents(settleMs);
    measure(main);
    return 0;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace tavlo::bench
