#include "ui/board/Surface.h"

#include "media/pictures/HiDpi.h"
#include "media/base/ScreenScale.h"

#include <QPaintEvent>
#include <QPainter>

namespace tavlo {

SurfaceWidget::SurfaceWidget(QWidget *parent)
    : QWidget(parent)
{
    ensureSurface();
}

void SurfaceWidget::ensureSurface()
{
    // The surface carries the screen's pixel ratio, so pictures are drawn
    // into it from their twice-size renderings on a scaled screen; the game
    // draws in logical pixels.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_surface.size() == pixels && m_surface.devicePixelRatio() == ratio)
        return;
    QImage fresh(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    fresh.setDevicePixelRatio(ratio);
    fresh.fill(Qt::transparent);
    if (!m_surface.isNull()) {
        QPainter p(&fresh);
        paintAtScreenScale(p);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(QPoint(0, 0), m_surface);
    }
    m_surface = fresh;
}

void SurfaceWidget::present(const QRect &rect)
{
    if (isVisible())
        repaint(rect);
}

void SurfaceWidget::drawPicture(const QRect &rect, const QImage &picture)
{
    {
        QPainter p(&surface());
        p.setCompositionMode(QPainter::CompositionMode_Source);
        paintAtScreenScale(p);
        tavlo::drawPicture(p, rect.topLeft(), picture);
    }
    present(rect);
}

void SurfaceWidget::paintEvent(QPaintEvent *event)
{
    renderSurface(event->region());
    QPainter p(this);
    paintAtScreenScale(p);
    // The surface holds the screen's own pixels: they are copied one to one,
    // never resampled, whatever the scale.
    const qreal ratio = m_surface.devicePixelRatio();
    const QTransform logical = p.transform();
    const QTransform screen = QTransform::fromScale(1 / ratio, 1 / ratio) * logical;
    drawRectByRect(p, event->region(), [&](const QRect &r) {
        const QRectF pixels = QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio).toAlignedRect();
        p.setTransform(screen);
        p.drawImage(pixels, m_surface, pixels);
        p.setTransform(logical);
    });
}

void SurfaceWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ensureSurface();
}

} // namespace tavlo
