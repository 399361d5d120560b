#pragma once

#include "Bytes.h"
#include "Raster.h"

namespace makeassets {

// A 24-bit bottom-up device-independent bitmap without file header: the
// 40-byte information header, then the rows (blue, green, red), each padded
// to four bytes. No palette; the resolution is 2834 pixels per metre (72 dpi)
// unless told.
Bytes encodeDib24(const Image &opaque, std::uint32_t pixelsPerMetre = 2834);

} // namespace makeassets
