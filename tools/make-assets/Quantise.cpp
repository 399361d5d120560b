#include "Quantise.h"

#include <libimagequant.h>

#include <memory>
#include <stdexcept>

namespace makeassets {

namespace {

// Opaque colours equal to the key are moved just off it, towards grey.
Rgb offKey(Rgb c, Rgb key)
{
    if (c != key)
        return c;
    auto step = [](std::uint8_t v) { return std::uint8_t(v < 128 ? v + 3 : v - 3); };
    return {step(c.r), step(c.g), step(c.b)};
}

struct LiqDeleter {
    void operator()(liq_attr *p) const { liq_attr_destroy(p); }
    void operator()(liq_image *p) const { liq_image_destroy(p); }
    void operator()(liq_result *p) const { liq_result_destroy(p); }
    void operator()(liq_histogram *p) const { liq_histogram_destroy(p); }
};
template<typename T>
using LiqPtr = std::unique_ptr<T, LiqDeleter>;

} // namespace

Indexed quantise(const std::vector<const Image *> &frames, const QuantiseOptions &options)
{
    const int maxColours = options.tableSize - 1; // the key has its own entry
    LiqPtr<liq_attr> attr(liq_attr_create());
    liq_set_max_colors(attr.get(), maxColours);
    liq_set_speed(attr.get(), options.speed);
    liq_set_quality(attr.get(), 0, 100);

    // Binary alpha: the key entry is the only transparency a GIF has.
    std::vector<std::vector<std::uint8_t>> prepared;
    prepared.reserve(frames.size());
    for (const Image *frame : frames) {
        std::vector<std::uint8_t> px = frame->rgba;
        for (std::size_t i = 0; i < px.size(); i += 4) {
            if (px[i + 3] < 128) {
                px[i] = px[i + 1] = px[i + 2] = px[i + 3] = 0;
            } else {
                const Rgb c = offKey({px[i], px[i + 1], px[i + 2]}, options.keyColour);
                px[i] = c.r;
                px[i + 1] = c.g;
                px[i + 2] = c.b;
                px[i + 3] = 255;
            }
        }
        prepared.push_back(std::move(px));
    }

    std::vector<LiqPtr<liq_image>> images;
    LiqPtr<liq_histogram> histogram(liq_histogram_create(attr.get()));
    for (std::size_t f = 0; f < frames.size(); ++f) {
        images.emplace_back(liq_image_create_rgba(attr.get(), prepared[f].data(),
                                                  frames[f]->width, frames[f]->height, 0));
        if (!images.back() || liq_histogram_add_image(histogram.get(), attr.get(), images.back().get()) != LIQ_OK)
            throw std::runtime_error("libimagequant cannot take the frame");
    }
    liq_result *raw = nullptr;
    if (liq_histogram_quantize(histogram.get(), attr.get(), &raw) != LIQ_OK)
        throw std::runtime_error("libimagequant failed to quantise");
    LiqPtr<liq_result> result(raw);
    liq_set_dithering_level(result.get(), options.dithering);

    // Remap first: libimagequant may refine the palette while remapping.
    std::vector<std::vector<std::uint8_t>> remapped;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        std::vector<std::uint8_t> idx(std::size_t(frames[f]->width) * frames[f]->height);
        if (liq_write_remapped_image(result.get(), images[f].get(), idx.data(), idx.size()) != LIQ_OK)
            throw std::runtime_error("libimagequant failed to remap");
        remapped.push_back(std::move(idx));
    }
    const liq_palette *pal = liq_get_palette(result.get());

    Indexed out;
    out.palette.assign(std::size_t(options.tableSize), Rgb{128, 128, 128});
    out.palette[std::size_t(options.keyIndex)] = options.keyColour;
    std::vector<int> map(pal->count, -1);
    std::vector<int> opaqueEntries;
    int next = 0;
    for (unsigned i = 0; i < pal->count; ++i) {
        const liq_color c = pal->entries[i];
        if (c.a < 128) {
            map[i] = options.keyIndex;
            continue;
        }
        if (next == options.keyIndex)
            ++next;
        map[i] = next;
        out.palette[std::size_t(next)] = offKey({c.r, c.g, c.b}, options.keyColour);
        opaqueEntries.push_back(next);
        ++next;
    }

    // Every pixel's transparency follows its source alpha, whatever the
    // remapper chose.
    auto nearestOpaque = [&](const std::uint8_t *px) {
        int best = opaqueEntries.empty() ? 0 : opaqueEntries.front();
        long bestDist = -1;
        for (int e : opaqueEntries) {
            const Rgb &c = out.palette[std::size_t(e)];
            const long dr = long(c.r) - px[0], dg = long(c.g) - px[1], db = long(c.b) - px[2];
            const long d = dr * dr + dg * dg + db * db;
            if (bestDist < 0 || d < bestDist) {
                bestDist = d;
                best = e;
            }
        }
        return best;
    };
    for (std::size_t f = 0; f < frames.size(); ++f) {
        std::vector<std::uint8_t> &idx = remapped[f];
        const std::vector<std::uint8_t> &src = prepared[f];
        for (std::size_t p = 0; p < idx.size(); ++p) {
            int mapped = map[idx[p]];
            const bool transparent = src[p * 4 + 3] == 0;
            if (transparent)
                mapped = options.keyIndex;
            else if (mapped == options.keyIndex || mapped < 0)
                mapped = nearestOpaque(&src[p * 4]);
            idx[p] = std::uint8_t(mapped);
        }
    }
    out.frames = std::move(remapped);
    return out;
}

} // namespace makeassets
