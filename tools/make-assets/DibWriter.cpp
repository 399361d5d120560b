#include "DibWriter.h"

namespace makeassets {

Bytes encodeDib24(const Image &image, std::uint32_t pixelsPerMetre)
{
    const std::uint32_t stride = (std::uint32_t(image.width) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * std::uint32_t(image.height);

    Bytes out;
    out.reserve(40 + imageSize);
    putU32(out, 40);                          // header size
    putU32(out, std::uint32_t(image.width));  // width
    putU32(out, std::uint32_t(image.height)); // height > 0: rows bottom-up
    putU16(out, 1);                           // planes
    putU16(out, 24);                          // bits per pixel
    putU32(out, 0);                           // BI_RGB
    putU32(out, imageSize);
    putU32(out, pixelsPerMetre);              // horizontal resolution
    putU32(out, pixelsPerMetre);              // vertical resolution
    putU32(out, 0);                           // colours used
    putU32(out, 0);                           // important colours

    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t *p = image.pixel(x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (std::uint32_t pad = std::uint32_t(image.width) * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

} // namespace makeassets
