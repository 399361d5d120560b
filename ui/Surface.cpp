#include "ui/Surface.h"

#include "media/pictures/HiDpi.h"
#include "media/base/ScreenScale.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

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
    // draws in logical pixels. QPainter scales its drawing for a ratio
    // above one only: below 100 % the surface keeps a pixel per logical
    // pixel and the paint scales it down to the screen.
    const qreal ratio = std::max(devicePixelRatioF(), qreal(1));
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
