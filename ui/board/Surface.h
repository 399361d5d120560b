#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

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

// A widget that owns a backing QImage: drawing goes into the image, then
// present() repaints that area at once. A paint event shows the image, so
// what was drawn stays until something draws over it. Unpainted areas are
// transparent: the parent shows through.
class SurfaceWidget : public QWidget, public Surface {
    Q_OBJECT

public:
    explicit SurfaceWidget(QWidget *parent = nullptr);

    // Always the widget's size: a hidden widget hears of its geometry only
    // when it is shown, and may be drawn on before that.
    QImage &surface()
    {
        ensureSurface();
        return m_surface;
    }
    const QImage &surface() const { return m_surface; }
    // Shows the surface's rect on screen now.
    void present(const QRect &rect);

    void drawPicture(const QRect &rect, const QImage &picture) override;

protected:
    // Lets subclasses bring a part of the surface up to date before it is shown.
    virtual void renderSurface(const QRegion &region) { Q_UNUSED(region); }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void ensureSurface();

    QImage m_surface;
};

// The plain drawing box (the turn indicator): no paint handler of its own,
// it keeps showing the last thing drawn on it.
class PaintBox : public SurfaceWidget {
    Q_OBJECT

public:
    using SurfaceWidget::SurfaceWidget;
};

} // namespace tavlo
