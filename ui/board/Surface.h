#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

namespace tavlo {

// Somewhere a picture can be drawn "straight onto the surface": it shows at
// once and is not remembered, so the owner's next repaint of that area may
// draw something else there. Disc frames, hints and the turn indicator go
// through it.
class Surface {
public:
    virtual ~Surface() = default;
    // Draws picture unscaled at rect's top-left corner and shows it at once.
    virtual void drawPicture(const QRect &rect, const QImage &picture) = 0;
    // While held, the owner's own repaints leave rect alone, so an animation
    // running there is not interrupted by a flash of what comes after it.
    virtual void setHeld(const QRect &rect, bool held)
    {
        Q_UNUSED(rect);
        Q_UNUSED(held);
    }
};

// A widget that owns a backing picture: drawing goes into the picture, then
// present() repaints that area at once. A paint event shows the picture, so
// what was drawn stays until something draws over it. Unpainted areas are
// transparent: the parent shows through.
//
// The picture can be kept in square tiles (a board's cells): tiles that come
// out alike, pixel for pixel, share one image, so a board of a few kinds of
// cell holds a few cells' worth of pixels. Only where a tile is a whole
// number of screen pixels, so that drawing across tiles lands exactly as it
// would on one picture; elsewhere the picture is kept whole.
class SurfaceWidget : public QWidget, public Surface {
    Q_OBJECT

public:
    // tileSize: the side of a tile in logical pixels; 0 keeps one picture.
    explicit SurfaceWidget(QWidget *parent = nullptr, int tileSize = 0);

    // The picture as one image, at the screen's pixel ratio. Always the
    // widget's size: a hidden widget hears of its geometry only when it is
    // shown, and may be drawn on before that.
    QImage surface();
    // Paints into the picture within rect: paint gets a painter in the
    // widget's logical pixels, readied for the screen's scale and clipped to
    // rect (it may be called once for each tile rect touches). Nothing is
    // shown until present().
    void paintSurface(const QRect &rect, const std::function<void(QPainter &)> &paint);
    // Shows the picture's rect on screen now.
    void present(const QRect &rect);

    void drawPicture(const QRect &rect, const QImage &picture) override;

protected:
    // Lets subclasses bring a part of the picture up to date before it is shown.
    virtual void renderSurface(const QRegion &region) { Q_UNUSED(region); }
    // The picture's pixels within rect, as an image of their own.
    QImage surfacePart(const QRect &rect);
    // Fills the whole picture with one colour.
    void fillSurface(const QColor &colour);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    struct Tile {
        QRect pixels; // where it lies in the picture, in screen pixels
        QImage image;
    };

    void ensureSurface();
    // The picture's pixels within a rectangle of screen pixels.
    QImage composed(const QRect &pixels) const;
    // Lets a tile share the image of another tile that looks the same.
    void share(Tile &tile);

    int m_tileSize;
    QSize m_pixels;
    qreal m_ratio{0.0};
    std::vector<Tile> m_tiles;
};

// The plain drawing box (the turn indicator): no paint handler of its own,
// it keeps showing the last thing drawn on it.
class PaintBox : public SurfaceWidget {
    Q_OBJECT

public:
    using SurfaceWidget::SurfaceWidget;
};

} // namespace tavlo
