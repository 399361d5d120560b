#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace makeassets {

struct Rgb {
    std::uint8_t r{}, g{}, b{};
    bool operator==(const Rgb &) const = default;
};

// Straight (not premultiplied) RGBA, rows top-down, 4 bytes per pixel.
struct Image {
    int width{};
    int height{};
    std::vector<std::uint8_t> rgba;

    Image() = default;
    Image(int w, int h) : width{w}, height{h}, rgba(std::size_t(w) * h * 4, 0) {}
    std::uint8_t *pixel(int x, int y) { return &rgba[(std::size_t(y) * width + x) * 4]; }
    const std::uint8_t *pixel(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
};

// Renders an SVG drawing to exactly width x height pixels, whatever size the
// document declares (it is fitted into that viewport). Throws on failure.
Image rasteriseSvg(const std::filesystem::path &svg, int width, int height);

// The same rendering as a PNG file's bytes (RGBA, no time stamp), for the
// desktop icons that are installed beside the program.
std::vector<std::uint8_t> rasteriseSvgToPng(const std::filesystem::path &svg, int width, int height);

// The picture over an opaque background colour, every alpha made 255.
Image flatten(const Image &image, Rgb background);

} // namespace makeassets
