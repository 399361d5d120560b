#pragma once

#include <QByteArray>
#include <QImage>

namespace tavlo {

// Decodes a device-independent bitmap stored without its file header: a
// 40-byte (or larger) info header, the colour table if any, then the rows.
// Accepts 24 and 32 bits per pixel, and 8, 4 and 1 bits with a palette,
// bottom-up (positive height) or top-down (negative height), uncompressed.
// Returns an opaque QImage::Format_RGB32 image. Anything malformed, cut short
// or implausibly large throws EInvalidGraphic; no byte past the data is read.
QImage decodeDib(const QByteArray &data);

// Decodes an icon file (".ico"): of the pictures its directory lists, the
// largest, a bitmap as above whose stored height counts its colour rows and
// the 1-bit mask rows that follow them. Returns QImage::Format_ARGB32, the
// mask's set bits transparent (32-bit pictures with alpha of their own use
// it instead). Pictures stored as PNG are not read. The same rules as
// decodeDib hold for anything malformed.
QImage decodeIcon(const QByteArray &data);

} // namespace tavlo
