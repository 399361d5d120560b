#include "media/pictures/Resources.h"

#include "media/pictures/Dib.h"
#include "media/base/Exceptions.h"
#include "media/pictures/HiDpi.h"
#include "media/pictures/Jpeg.h"

#include <QFile>
#include <QFileInfo>

namespace tavlo {

QString resourcePath(const QString &type, const QString &name)
{
    // Stored upper case, so upper-casing the request is the whole of the
    // case-insensitive match.
    return QStringLiteral(":/res/") + type.toUpper() + QLatin1Char('/') + name.toUpper();
}

bool resourceExists(const QString &type, const QString &name)
{
    // A slash or a dot name would let a request climb to another type.
    for (const QString &part : {type, name})
        if (part.isEmpty() || part.contains(QLatin1Char('/')) || part.startsWith(QLatin1Char('.')))
            return false;
    return QFileInfo(resourcePath(type, name)).isFile();
}

QByteArray resourceBytes(const QString &type, const QString &name)
{
    if (resourceExists(type, name)) {
        QFile file(resourcePath(type, name));
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    throw EResNotFound(QStringLiteral("Ressource %1 non trouvée").arg(name));
}

namespace {

// The picture, told where its twice-size rendering would be. Whether it is
// there is left for the first drawing that needs it to find out: even a
// look-up reads the resource's first bytes, and so brings pages of the
// executable into memory that a screen at 100 % never needs.
QImage withTwin(QImage picture, const QString &type, const QString &name)
{
    setTwinOf(picture, type, name);
    return picture;
}

} // namespace

QImage loadJpegResource(const QString &name)
{
    const QString type = QStringLiteral("JPEG");
    return withTwin(decodeJpeg(resourceBytes(type, name)), type, name);
}

QImage loadBitmapResource(const QString &name)
{
    const QString type = QStringLiteral("BITMAP");
    return withTwin(decodeDib(resourceBytes(type, name)), type, name);
}

} // namespace tavlo
