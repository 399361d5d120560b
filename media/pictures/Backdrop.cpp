#include "media/pictures/Backdrop.h"

#include "media/base/Exceptions.h"
#include "media/pictures/HiDpi.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRegion>

namespace tavlo {

Backdrop::Backdrop(Decode decode)
    : m_decode{std::move(decode)}
{
}

void Backdrop::setPicture(QImage picture)
{
    m_parts.clear();
    m_whole = std::move(picture);
    m_size = m_whole.size();
}

QImage Backdrop::whole() const
{
    if (!m_whole.isNull() || m_parts.empty())
        return m_whole;
    try {
        return m_decode();
    } catch (const Exception &) {
        return {};
    }
}

void Backdrop::keepOnly(const QList<QRect> &rects, qreal pixelRatio)
{
    if (pixelRatio != 1.0 || m_whole.isNull())
        return;
    m_parts.clear();
    for (const QRect &rect : rects) {
        const QRect inside = rect & m_whole.rect();
        if (!inside.isEmpty())
            m_parts.push_back({inside, m_whole.copy(inside)});
    }
    m_whole = QImage();
}

void Backdrop::draw(QPainter &painter, const QRect &rect)
{
    if (m_whole.isNull() && !m_parts.empty()) {
        const QPaintDevice *device = painter.device();
        if (!device || device->devicePixelRatio() == 1.0) {
            // A control's own repaint lies within its part: no region needed.
            for (const Part &part : m_parts) {
                if (part.rect.contains(rect)) {
                    painter.drawImage(rect.topLeft(), part.picture, rect.translated(-part.rect.topLeft()));
                    return;
                }
            }
            QRegion left(rect);
            for (const Part &part : m_parts) {
                const QRect shared = part.rect & rect;
                if (shared.isEmpty())
                    continue;
                painter.drawImage(shared.topLeft(), part.picture, shared.translated(-part.rect.topLeft()));
                left -= shared;
            }
            if (left.isEmpty())
                return;
            const QImage picture = whole();
            for (const QRect &r : left)
                painter.drawImage(r.topLeft(), picture, r);
            return;
        }
        // The window moved to a screen of another scale: whole again.
        setPicture(whole());
    }
    drawPicture(painter, QPoint(0, 0), m_whole);
}

} // namespace tavlo
