#pragma once

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace tavlo {

// Readies a painter on a widget or a picture for the screen's scale, so that
// everything lands where its logical rectangle says. QPainter follows a
// device pixel ratio above one only: below 100 % the drawing is scaled here,
// and so is the offset at which Qt places a child widget's painting in its
// window, which it leaves at one pixel per logical pixel.
// The game's pictures are made for one screen pixel per picture pixel: at a
// whole scale each becomes a sharp block of pixels, at any other nearest-
// neighbour sampling makes their edges jagged, so they are filtered.
inline void paintAtScreenScale(QPainter &canvas)
{
    const qreal ratio = canvas.device() ? canvas.device()->devicePixelRatio() : 1.0;
    if (ratio < 1.0) {
        // On a whole screen pixel, so that a picture of the screen's pixels
        // lands on them one to one.
        const QTransform placed = canvas.deviceTransform();
        canvas.translate(std::round(placed.dx() * ratio) - placed.dx(), std::round(placed.dy() * ratio) - placed.dy());
        canvas.scale(ratio, ratio);
    }
    if (ratio != std::floor(ratio))
        canvas.setRenderHint(QPainter::SmoothPixmapTransform);
}

} // namespace tavlo
