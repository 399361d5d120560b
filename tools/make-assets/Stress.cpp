#include "Stress.h"

#include "GifWriter.h"
#include "Quantise.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace makeassets {

namespace {

constexpr int screenWidth = 1920;
constexpr int screenHeight = 1080;
constexpr int frameCount = 30;

std::uint8_t clampByte(double v)
{
    return std::uint8_t(std::clamp(v, 0.0, 255.0));
}

Image makeFrame(int f, int width, int height)
{
    Image image(width, height);
    std::uint32_t seed = 0x9E3779B9u * std::uint32_t(f + 1);
    const double t = f / double(frameCount);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = image.pixel(x, y);
            const double u = x / double(width), v = y / double(height);
            // A smooth plasma with many distinct colours, so the quantiser
            // has to dither and the LZW tables fill up.
            const double a = std::sin(u * 9 + t * 2 * std::numbers::pi) + std::sin(v * 7 - t * 4)
                             + std::sin((u + v) * 11 + t * 3);
            p[0] = clampByte(128 + 100 * std::sin(a * 1.7));
            p[1] = clampByte(128 + 100 * std::sin(a * 1.3 + 2));
            p[2] = clampByte(128 + 100 * std::sin(a * 0.9 + 4));
            p[3] = 255;
            // Flat bands compress well: long runs of one index.
            if (((x / 120) + (y / 90) + f) % 5 == 0) {
                p[0] = std::uint8_t(40 * (f % 6));
                p[1] = 200;
                p[2] = std::uint8_t(255 - 8 * f);
            }
            // Noise patches compress badly: short codes, frequent resets.
            if ((x / 240 + y / 270 + f) % 7 == 3) {
                seed = seed * 1664525u + 1013904223u;
                p[0] = std::uint8_t(seed >> 24);
                p[1] = std::uint8_t(seed >> 16);
                p[2] = std::uint8_t(seed >> 8);
            }
            // Transparent holes on later frames.
            const double dx = x - width * (0.2 + 0.6 * t), dy = y - height * 0.5;
            if (f > 0 && dx * dx + dy * dy < 150.0 * 150.0)
                p[3] = 0;
        }
    }
    return image;
}

} // namespace

Bytes makeStressGif()
{
    GifMovie movie;
    movie.width = screenWidth;
    movie.height = screenHeight;
    movie.loopCount = 0;
    QuantiseOptions options;
    options.tableSize = 256;
    options.keyIndex = 255;
    options.keyColour = {0, 0, 0};
    options.speed = 10;
    options.dithering = 1.0f;
    for (int f = 0; f < frameCount; ++f) {
        // Every third frame covers only a band of the screen.
        const bool partial = f % 3 == 2;
        const int left = partial ? 160 + 13 * f : 0;
        const int top = partial ? 90 + 7 * f : 0;
        const int width = partial ? screenWidth / 2 : screenWidth;
        const int height = partial ? screenHeight / 2 : screenHeight;
        const Image image = makeFrame(f, width, height);
        GifFrame frame;
        frame.left = left;
        frame.top = top;
        frame.width = width;
        frame.height = height;
        frame.delay = 4;
        frame.disposal = partial ? 1 : 2;
        appendWithOwnTable(movie, std::move(frame), quantise({&image}, options), options.keyIndex);
    }
    return encodeGif(movie);
}

} // namespace makeassets
