#pragma once

#include "Bytes.h"
#include "Raster.h"

namespace makeassets {

// A progressive JFIF 1.02 file at 72 dpi, YCbCr without chroma subsampling.
Bytes encodeProgressiveJpeg(const Image &opaque, int quality);

} // namespace makeassets
