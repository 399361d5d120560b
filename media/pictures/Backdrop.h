#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <functional>
#include <vector>

class QPainter;

namespace tavlo {

// A window's background picture. It is painted whole when the window first
// shows, and from then on mostly where it shows through a control (a label,
// an animation) that repaints. After that first paint it can keep only
// those parts: a paint anywhere else (a control hidden, the window painted
// anew) decodes the picture again, for that paint alone.
class Backdrop {
public:
    // What gives the whole picture again; it may throw tavlo::Exception.
    using Decode = std::function<QImage()>;

    explicit Backdrop(Decode decode);

    // The whole picture, as first decoded (null when that failed).
    void setPicture(QImage picture);
    QSize size() const { return m_size; }

    // Draws the picture's part inside rect at its own place, as
    // drawPicture(painter, {0, 0}, picture) would within that rect.
    void draw(QPainter &painter, const QRect &rect);

    // From now on only the picture's parts inside rects are kept, when it
    // is painted at a pixel ratio of 1. Elsewhere the parts would not land
    // exactly as the whole does, so it stays whole; so it does again if a
    // paint finds the window at another pixel ratio later.
    void keepOnly(const QList<QRect> &rects, qreal pixelRatio);
    bool keepsParts() const { return !m_parts.empty(); }

    // The whole picture: the one held, or decoded again (null if that fails).
    QImage whole() const;

private:
    struct Part {
        QRect rect;
        QImage picture;
    };

    Decode m_decode;
    QImage m_whole;
    QSize m_size;
    std::vector<Part> m_parts;
};

} // namespace tavlo
