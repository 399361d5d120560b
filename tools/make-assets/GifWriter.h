#pragma once

#include "Bytes.h"
#include "Quantise.h"
#include "Raster.h"

#include <optional>
#include <string>
#include <vector>

namespace makeassets {

struct GifFrame {
    int left{}, top{}, width{}, height{};
    std::vector<std::uint8_t> indices;     // width * height
    std::optional<std::vector<Rgb>> localTable;
    int delay{10};                         // hundredths of a second
    int disposal{2};                       // restore to background
    int transparentIndex{-1};              // -1: none
};

struct GifMovie {
    int width{}, height{};
    std::vector<Rgb> globalTable;          // 2, 4, .. 256 entries, or empty
    int backgroundIndex{0};
    std::uint8_t aspectByte{0};
    std::optional<int> loopCount;          // NETSCAPE2.0 extension
    std::vector<GifFrame> frames;
    std::vector<std::string> trailingComment; // one data sub-block each
};

// A GIF89a file written through giflib.
Bytes encodeGif(const GifMovie &movie);

// Appends frame with the one picture quantised in indexed, keyed at
// keyIndex. The movie's first frame draws with the global table, every
// later one carries its own, so each frame keeps its full table.
void appendWithOwnTable(GifMovie &movie, GifFrame frame, Indexed indexed, int keyIndex);

} // namespace makeassets
