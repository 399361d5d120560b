#pragma once

// The variable-length-code LZW decoder of GIF image data.

#include <QByteArrayView>

#include <cstddef>
#include <cstdint>

namespace tavlo {

// Decodes one frame's compressed data (the code size byte, then data
// sub-blocks each with its length byte) into pixels, one index byte each,
// in the order the stream delivers them; the caller maps rows for
// interlacing. Pixels the data does not reach are left as they are.
//
// Values are masked with 2^bitsPerPixel - 1. Codes below the clear code are
// literal values whatever the table depth, so streams whose code size
// differs from their table's depth decode right.
//
// Returns true when the data was damaged: a code size outside 2..9 (which
// is clamped, and decoding stops at the first ordinary code), an impossible
// code, or data that ends before all pixels and before the end code.
// Decoding stops at the damage. When tolerate is false, damaged codes throw
// EInvalidGraphicOperation instead ("GIF code size not in range 2 to 9",
// "GIF encoded data is corrupt"). Never reads outside compressed or writes
// beyond pixelCount.
bool DecodeLZW(QByteArrayView compressed, std::uint8_t *pixels, std::size_t pixelCount,
               int bitsPerPixel, bool tolerate);

} // namespace tavlo
