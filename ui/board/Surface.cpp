#include "ui/board/Surface.h"

#include "media/pictures/HiDpi.h"
#include "media/base/ScreenScale.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tavlo {

SurfaceWidget::SurfaceWidget(QWidget *parent, int tileSize)
    : QWidget(parent)
    , m_tileSize{tileSize}
{
    ensureSurface();
}

void SurfaceWidget::ensureSurface()
{
    // The picture carries the screen's pixel ratio, so pictures are drawn
    // into it from their twice-size renderings on a scaled screen; the game
    // draws in logical pixels.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
    if (m_pixels == pixels && m_ratio == ratio)
        return;
    // What was drawn is kept, at the new size and scale.
    const QImage before = m_tiles.empty() ? QImage() : composed(QRect(QPoint(0, 0), m_pixels));
    m_pixels = pixels;
    m_ratio = ratio;
    m_tiles.clear();
    const int side = m_tileSize > 0 && ratio == std::floor(ratio) ? m_tileSize * int(ratio) : 0;
    if (side == 0) {
        m_tiles.push_back({QRect(QPoint(0, 0), pixels), {}});
    } else {
        for (int y = 0; y < pixels.height(); y += side)
            for (int x = 0; x < pixels.width(); x += side)
                m_tiles.push_back({QRect(x, y, side, side) & QRect(QPoint(0, 0), pixels), {}});
    }
    for (Tile &tile : m_tiles) {
        tile.image = QImage(tile.pixels.size(), QImage::Format_ARGB32_Premultiplied);
        tile.image.setDevicePixelRatio(ratio);
        tile.image.fill(Qt::transparent);
        if (!before.isNull()) {
            QPainter p(&tile.image);
            paintAtScreenScale(p);
            p.translate(-QPointF(tile.pixels.topLeft()) / ratio);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(QPoint(0, 0), before);
        }
        share(tile);
    }
}

void SurfaceWidget::share(Tile &tile)
{
    if (m_tiles.size() < 2)
        return;
    // A board shows a handful of different cells: each is compared once.
    std::vector<qint64> compared;
    for (const Tile &other : m_tiles) {
        if (&other == &tile || other.image.isNull() || other.image.size() != tile.image.size())
            continue;
        const qint64 key = other.image.cacheKey();
        if (key == tile.image.cacheKey() || std::find(compared.begin(), compared.end(), key) != compared.end())
            continue;
        if (other.image == tile.image) {
            tile.image = other.image;
            return;
        }
        compared.push_back(key);
    }
}

QImage SurfaceWidget::surface()
{
    ensureSurface();
    return composed(QRect(QPoint(0, 0), m_pixels));
}

QImage SurfaceWidget::surfacePart(const QRect &rect)
{
    ensureSurface();
    return composed(QRectF(QPointF(rect.topLeft()) * m_ratio, QSizeF(rect.size()) * m_ratio)
                        .toAlignedRect()
                        .intersected(QRect(QPoint(0, 0), m_pixels)));
}

QImage SurfaceWidget::composed(const QRect &pixels) const
{
    for (const Tile &tile : m_tiles)
        if (tile.pixels == pixels)
            return tile.image;
    QImage part(pixels.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    part.setDevicePixelRatio(m_ratio);
    part.fill(Qt::transparent);
    for (const Tile &tile : m_tiles) {
        const QRect shared = tile.pixels & pixels;
        for (int y = shared.top(); y <= shared.bottom(); ++y)
            std::memcpy(part.scanLine(y - pixels.top()) + qsizetype(shared.left() - pixels.left()) * 4,
                        tile.image.constScanLine(y - tile.pixels.top())
                            + qsizetype(shared.left() - tile.pixels.left()) * 4,
                        std::size_t(shared.width()) * 4);
    }
    return part;
}

void SurfaceWidget::fillSurface(const QColor &colour)
{
    ensureSurface();
    for (Tile &tile : m_tiles) {
        tile.image.fill(colour);
        share(tile);
    }
}

void SurfaceWidget::paintSurface(const QRect &rect, const std::function<void(QPainter &)> &paint)
{
    ensureSurface();
    const QRect pixels = QRectF(QPointF(rect.topLeft()) * m_ratio, QSizeF(rect.size()) * m_ratio).toAlignedRect();
    for (Tile &tile : m_tiles) {
        if (!tile.pixels.intersects(pixels))
            continue;
        {
            QPainter p(&tile.image);
            paintAtScreenScale(p);
            // Whole screen pixels: tiles are kept only at a whole ratio.
            p.translate(-QPointF(tile.pixels.topLeft()) / m_ratio);
            paint(p);
        }
        share(tile);
    }
}

void SurfaceWidget::present(const QRect &rect)
{
    if (isVisible())
        repaint(rect);
}

void SurfaceWidget::drawPicture(const QRect &rect, const QImage &picture)
{
    paintSurface(rect, [&](QPainter &p) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        tavlo::drawPicture(p, rect.topLeft(), picture);
    });
    present(rect);
}

void SurfaceWidget::paintEvent(QPaintEvent *event)
{
    renderSurface(event->region());
    ensureSurface();
    QPainter p(this);
    paintAtScreenScale(p);
    // The picture holds the screen's own pixels: they are copied one to one,
    // never resampled, whatever the scale.
    const QTransform logical = p.transform();
    const QTransform screen = QTransform::fromScale(1 / m_ratio, 1 / m_ratio) * logical;
    drawRectByRect(p, event->region(), [&](const QRect &r) {
        const QRect pixels = QRectF(QPointF(r.topLeft()) * m_ratio, QSizeF(r.size()) * m_ratio).toAlignedRect();
        p.setTransform(screen);
        for (const Tile &tile : m_tiles) {
            const QRect part = m_tiles.size() == 1 ? pixels : pixels & tile.pixels;
            if (!part.isEmpty())
                p.drawImage(QRectF(part), tile.image, QRectF(part.translated(-tile.pixels.topLeft())));
        }
        p.setTransform(logical);
    });
}

void SurfaceWidget::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ensureSurface();
}

} // namespace tavlo
