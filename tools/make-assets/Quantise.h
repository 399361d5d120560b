#pragma once

#include "Raster.h"

#include <vector>

namespace makeassets {

// A colour table with one reserved key entry for transparency, and frames
// as indices into it.
struct Indexed {
    std::vector<Rgb> palette;                      // exactly tableSize entries
    std::vector<std::vector<std::uint8_t>> frames; // one index per pixel
};

struct QuantiseOptions {
    int tableSize{256};
    int keyIndex{0};
    Rgb keyColour{};        // colour stored at keyIndex
    float dithering{1.0f};  // 0 .. 1
    int speed{3};           // 1 (best) .. 10 (fastest)
};

// Quantises all frames onto one shared table. Pixels with alpha < 128 take
// keyIndex; no opaque pixel ever does, and no other entry equals keyColour,
// so a reader that keys on the colour instead of the index sees the same
// shapes.
Indexed quantise(const std::vector<const Image *> &frames, const QuantiseOptions &options);

} // namespace makeassets
