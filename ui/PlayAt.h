#pragma once

#include <QPoint>
#include <QSize>

#include <optional>

namespace tavlo {

// Where an absolute pointer position lands in the injection range 0..65535
// across the primary screen: each coordinate scaled by 65535.0 / the
// screen's size in pixels and rounded to the nearest integer, halves to
// even.
QPoint normalisedPointerPosition(QPoint screenPoint, QSize screenSize);

// What one PlayAt did, kept for the tests and for whoever needs to replay
// it through a platform injection layer.
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

} // namespace tavlo
