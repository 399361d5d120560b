#pragma once

// The turn cycle's seams for tests and benchmarks, and nothing else: the
// game itself never calls them. Tests reach them, with the windows' own,
// through "ui/Testing.h".
#include <QPoint>

#include <functional>
#include <optional>

class QWidget;

namespace tavlo::testing {

// Every pause lasts milliseconds * scale (0 serves the pending events once
// and returns). The game always runs at scale 1.
void setPauseTimeScale(double scale);
// Every pause first reports the wait it was asked for, before the scale,
// so that a test at scale 0 still sees the game's pacing. An empty function
// stops the reports.
void setPauseRecorder(std::function<void(double milliseconds)> recorder);

// What one PlayAt did.
struct InjectedPress {
    int column{};
    int row{};
    // The cell's top-left corner in the main window's client coordinates.
    QPoint client;
    // The pointer's new position, 20 pixels inside the cell, on the screen.
    QPoint screen;
    // The same position in the absolute injection range.
    QPoint normalised;
};
// The last press PlayAt sent, if any, and how many it has sent in all.
std::optional<InjectedPress> lastInjectedPress();
int injectedPressCount();

// The computer's drawn hand in window (a child widget, shown while the hand
// is drawn), or null when none was ever drawn there.
QWidget *drawnComputerHand(QWidget *window);

} // namespace tavlo::testing
