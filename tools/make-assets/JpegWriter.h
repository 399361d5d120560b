#pragma once

#include "Bytes.h"
#include "Raster.h"

namespace makeassets {

// A progressive JFIF 1.02 file, YCbCr without chroma subsampling, at 72 dpi
// unless told.
Bytes encodeProgressiveJpeg(const Image &opaque, int quality, int dotsPerInch = 72);

} // namespace makeassets
