#pragma once

#include "Bytes.h"

namespace makeassets {

// A large animated GIF for decoder benchmarks: 1920 x 1080, 30 frames of
// varied content (gradients, dithered photographs-like areas, flat shapes,
// fine stripes), a global table and a local table on every later frame,
// some frames covering only part of the screen.
Bytes makeStressGif();

} // namespace makeassets
