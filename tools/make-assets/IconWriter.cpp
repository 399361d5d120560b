#include "IconWriter.h"

#include <array>
#include <stdexcept>

namespace makeassets {

namespace {

constexpr std::array<Rgb, 16> standardPalette{{
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

int nearest(const std::uint8_t *p)
{
    int best = 0;
    long bestDist = -1;
    for (int i = 0; i < 16; ++i) {
        const long dr = long(standardPalette[i].r) - p[0];
        const long dg = long(standardPalette[i].g) - p[1];
        const long db = long(standardPalette[i].b) - p[2];
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return best;
}

} // namespace

Bytes encodeIcon16(const Image &image)
{
    if (image.width > 256 || image.height > 256 || image.width % 8 || image.height < 1)
        throw std::runtime_error("icon size must be a multiple of 8, at most 256");
    const std::uint32_t xorStride = ((std::uint32_t(image.width) * 4 + 31) / 32) * 4;
    const std::uint32_t andStride = ((std::uint32_t(image.width) + 31) / 32) * 4;
    const std::uint32_t bitmapSize = 40 + 16 * 4 + (xorStride + andStride) * std::uint32_t(image.height);

    Bytes out;
    // Directory: reserved, type 1 (icon), one image.
    putU16(out, 0);
    putU16(out, 1);
    putU16(out, 1);
    out.push_back(std::uint8_t(image.width & 0xFF));
    out.push_back(std::uint8_t(image.height & 0xFF));
    out.push_back(16); // colours in the palette
    out.push_back(0);
    putU16(out, 1);    // planes
    putU16(out, 4);    // bits per pixel
    putU32(out, bitmapSize);
    putU32(out, 6 + 16);

    // The image: an info header whose height counts the colour rows and the
    // mask rows together.
    putU32(out, 40);
    putU32(out, std::uint32_t(image.width));
    putU32(out, std::uint32_t(image.height) * 2);
    putU16(out, 1);
    putU16(out, 4);
    putU32(out, 0);
    putU32(out, (xorStride + andStride) * std::uint32_t(image.height));
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 16);
    putU32(out, 0);
    for (const Rgb &c : standardPalette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = image.height - 1; y >= 0; --y) {
        Bytes row(xorStride, 0);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t *p = image.pixel(x, y);
            const int index = p[3] < 128 ? 0 : nearest(p);
            row[std::size_t(x) / 2] |= std::uint8_t(x % 2 ? index : index << 4);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = image.height - 1; y >= 0; --y) {
        Bytes row(andStride, 0);
        for (int x = 0; x < image.width; ++x)
            if (image.pixel(x, y)[3] < 128)
                row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

} // namespace makeassets
