#pragma once

#include <QByteArray>
#include <QImage>

namespace tavlo {

// Decodes a baseline or progressive JPEG stream into an opaque
// QImage::Format_RGB32 image. Damaged data and truncated streams throw
// EInvalidGraphic; the process is never ended by the decoder.
QImage decodeJpeg(const QByteArray &data);

} // namespace tavlo
