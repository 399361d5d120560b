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

} // namespace tavlo
