#include "media/pictures/HiDpi.h"

#include "media/base/Exceptions.h"
#include "media/pictures/Resources.h"

#include <QHash>
#include <QPaintDevice>
#include <QPainter>

#include <mutex>

namespace tavlo {

namespace {

struct TwinCache {
    std::mutex lock;
    // Twins by resource path; a null image marks one that failed to load.
    QHash<QString, QImage> twins;
};

TwinCache &cache()
{
    static TwinCache c;
    return c;
}

QImage loadTwin(const QString &where, QSize baseSize)
{
    const qsizetype slash = where.indexOf(QLatin1Char('/'));
    const QString type = where.left(slash);
    const QString name = where.mid(slash + 1);
    QImage twin;
    try {
        if (type == QLatin1String("JPEG"))
            twin = loadJpegResource(name);
        else if (type == QLatin1String("BITMAP"))
            twin = loadBitmapResource(name);
    } catch (const Exception &) {
        return {};
    }
    // A twin of another size would be drawn out of place: draw the picture
    // itself rather than that.
    if (twin.size() != baseSize * 2)
        return {};
    twin.setDevicePixelRatio(2);
    return twin;
}

} // namespace

QImage twinOf(const QImage &picture)
{
    const QString where = twinResourceOf(picture);
    if (where.isEmpty())
        return {};
    TwinCache &c = cache();
    const std::lock_guard guard(c.lock);
    const auto found = c.twins.constFind(where);
    if (found != c.twins.cend())
        return *found;
    const QImage twin = loadTwin(where, picture.size());
    c.twins.insert(where, twin);
    return twin;
}

void releaseTwin(const QImage &picture)
{
    const QString where = twinResourceOf(picture);
    if (where.isEmpty())
        return;
    TwinCache &c = cache();
    const std::lock_guard guard(c.lock);
    c.twins.remove(where);
}

void drawPicture(QPainter &painter, QPoint at, const QImage &picture)
{
    const QPaintDevice *device = painter.device();
    const qreal ratio = device ? device->devicePixelRatio() : 1.0;
    if (ratio > 1.0) {
        const QImage twin = twinOf(picture);
        if (!twin.isNull()) {
            const bool smooth = ratio != 2.0;
            const bool wasSmooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
            painter.drawImage(QRect(at, picture.size()), twin);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, wasSmooth);
            return;
        }
    }
    painter.drawImage(at, picture);
}

} // namespace tavlo
