#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRegion>

namespace tavlo {

// Pictures for screens scaled above 100 %. Every embedded picture has a
// twice-size rendering of the same source beside it (NAME@2X); a picture
// loaded by loadJpegResource or loadBitmapResource remembers where its twin
// lives, and drawPicture draws from the twin wherever the surface it draws
// on has a pixel ratio above 1. The twin is decoded the first time it is
// needed and then kept, so at 100 % nothing more is decoded or held.

// The twice-size rendering of picture, with a pixel ratio of 2: decoded on
// the first call, kept afterwards. Null when picture has none, its twin is
// not there or does not decode to exactly twice its size.
QImage twinOf(const QImage &picture);

// Lets the decoded twin of a picture that will not be drawn again go.
void releaseTwin(const QImage &picture);

// Draws picture with its top-left corner at the logical point at, at its
// own logical size. On a surface whose pixel ratio is 1 (or for a picture
// without a twin) this is exactly painter.drawImage(at, picture). Above 1
// the twin is drawn instead: pixel for pixel at a ratio of 2, filtered
// smoothly at any other ratio.
void drawPicture(QPainter &painter, QPoint at, const QImage &picture);

// Runs draw once for each rectangle of region, clipped to that rectangle.
// Through a clip of several rectangles Qt blends a picture span by span and
// hands a tall one to pooled threads, started for the occasion; clipped to
// a single rectangle it takes its direct path on this thread.
template <typename Draw>
void drawRectByRect(QPainter &painter, const QRegion &region, Draw &&draw)
{
    if (region.rectCount() <= 1) {
        draw(region.boundingRect());
        return;
    }
    for (const QRect &rect : region) {
        painter.setClipRect(rect);
        draw(rect);
    }
    painter.setClipping(false);
}

} // namespace tavlo
