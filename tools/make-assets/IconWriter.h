#pragma once

#include "Bytes.h"
#include "Raster.h"

namespace makeassets {

// An icon file holding one 4-bit image on the standard 16-colour palette,
// with an AND mask from the picture's alpha (below 128 is transparent).
Bytes encodeIcon16(const Image &image);

} // namespace makeassets
