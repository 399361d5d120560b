#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace tavlo {

// The program's pictures and sounds are embedded in the executable as Qt
// resources under ":/res/<TYPE>/<NAME>", both stored upper case. Types in
// use: "JPEG", "BITMAP", "WAVE", "GIF", "ICON".

// The raw bytes of one embedded resource. Type and name are matched without
// regard to case ("PionB3" finds PIONB3). A miss throws EResNotFound with
// "Ressource <name> non trouvée", the name exactly as the caller spelled it.
QByteArray resourceBytes(const QString &type, const QString &name);

// True when resourceBytes(type, name) would succeed.
bool resourceExists(const QString &type, const QString &name);

// The resource path a lookup resolves to, e.g. ":/res/JPEG/FOND".
QString resourcePath(const QString &type, const QString &name);

// A "JPEG" resource decoded (EResNotFound, or EInvalidGraphic if damaged).
// The picture carries a note of where its twice-size rendering (NAME@2X)
// would be, for drawPicture (media/pictures/HiDpi.h); it is neither looked up nor
// decoded here.
QImage loadJpegResource(const QString &name);

// A "BITMAP" resource (headerless DIB) decoded (EResNotFound, EInvalidGraphic).
QImage loadBitmapResource(const QString &name);

// A bitmap stored without its file header, as the "BITMAP" resources are,
// decoded by Qt's reader into an opaque QImage::Format_RGB32 picture.
// Anything malformed or cut short throws EInvalidGraphic.
QImage decodeBitmap(const QByteArray &dib);

// The largest picture of an icon file (".ico"), as QImage::Format_ARGB32.
// Anything malformed throws EInvalidGraphic.
QImage decodeIcon(const QByteArray &data);

// Where the twice-size rendering of a picture loaded here would be
// ("JPEG/FOND@2X"), or nothing for a picture that has none.
QString twinResourceOf(const QImage &picture);

} // namespace tavlo
