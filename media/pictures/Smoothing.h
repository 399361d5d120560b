#pragma once

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

namespace tavlo {

// The game's pictures are made for one screen pixel per picture pixel. At a
// whole scale each becomes a sharp block of pixels; at any other scale
// nearest-neighbour sampling makes their edges jagged, so they are filtered.
inline void smoothWhenScaled(QPainter &canvas)
{
    const qreal ratio = canvas.device() ? canvas.device()->devicePixelRatio() : 1.0;
    if (ratio != std::floor(ratio))
        canvas.setRenderHint(QPainter::SmoothPixmapTransform);
}

} // namespace tavlo
