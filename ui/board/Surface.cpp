#include "ui/board/Surface.h"

#include "media/pictures/HiDpi.h"
#include "media/pictures/Smoothing.h"

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
        smoothWhenScaled(p);
        tavlo::drawPicture(p, rect.topLeft(), picture);
    }
    present(rect);
}

void SurfaceWidget::paintEvent(QPaintEvent *event)
{
    renderSurface(event->region());
    QPainter p(this);
    const qreal ratio = m_surface.devicePixelRatio();
    drawRectByRect(p, event->region(), [&](const QRect &r) {
        p.drawImage(r, m_surface, QRectF(QPointF(r.topLeft()) * ratio, QSizeF(r.size()) * ratio));
    });
}

void SurfaceWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ensureSurface();
}

} // namespace tavlo
