#include "Raster.h"
#include "Bytes.h"

#include <algorithm>
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <fstream>
#include <memory>
#include <stdexcept>

namespace makeassets {

void writeFile(const std::filesystem::path &path, const Bytes &data)
{
    auto tmp = path;
    tmp += ".part";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data.data()), std::streamsize(data.size()));
        if (!out)
            throw std::runtime_error("cannot write " + tmp.string());
    }
    std::filesystem::rename(tmp, path);
}

namespace {

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

// The document fitted into a width x height ARGB surface.
Surface render(const std::filesystem::path &svg, int width, int height)
{
    GError *error = nullptr;
    std::unique_ptr<RsvgHandle, decltype(&g_object_unref)> handle(
        rsvg_handle_new_from_file(svg.c_str(), &error), &g_object_unref);
    if (!handle) {
        std::string why = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        throw std::runtime_error(svg.string() + ": " + why);
    }

    Surface surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height), &cairo_surface_destroy);
    std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), &cairo_destroy);
    RsvgRectangle viewport{0, 0, double(width), double(height)};
    if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error)) {
        std::string why = error ? error->message : "unknown error";
        if (error)
            g_error_free(error);
        throw std::runtime_error(svg.string() + ": " + why);
    }
    cairo_surface_flush(surface.get());
    return surface;
}

cairo_status_t appendBytes(void *closure, const unsigned char *data, unsigned int length)
{
    auto *bytes = static_cast<Bytes *>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

Bytes rasteriseSvgToPng(const std::filesystem::path &svg, int width, int height)
{
    const Surface surface = render(svg, width, height);
    Bytes png;
    if (cairo_surface_write_to_png_stream(surface.get(), appendBytes, &png) != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(svg.string() + ": cannot encode PNG");
    return png;
}

Image rasteriseSvg(const std::filesystem::path &svg, int width, int height)
{
    const Surface surface = render(svg, width, height);

    // Cairo keeps native-endian premultiplied ARGB words.
    Image image(width, height);
    const unsigned char *data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < height; ++y) {
        const auto *row = reinterpret_cast<const std::uint32_t *>(data + std::size_t(y) * stride);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = row[x];
            const unsigned a = v >> 24;
            unsigned r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            if (a != 0 && a != 255) {
                r = std::min(255u, (r * 255 + a / 2) / a);
                g = std::min(255u, (g * 255 + a / 2) / a);
                b = std::min(255u, (b * 255 + a / 2) / a);
            }
            std::uint8_t *p = image.pixel(x, y);
            p[0] = std::uint8_t(r);
            p[1] = std::uint8_t(g);
            p[2] = std::uint8_t(b);
            p[3] = std::uint8_t(a);
        }
    }
    return image;
}

Image flatten(const Image &image, Rgb background)
{
    Image out = image;
    for (std::size_t i = 0; i < out.rgba.size(); i += 4) {
        const unsigned a = out.rgba[i + 3];
        const std::uint8_t bg[3] = {background.r, background.g, background.b};
        for (int c = 0; c < 3; ++c)
            out.rgba[i + c] = std::uint8_t((out.rgba[i + c] * a + bg[c] * (255 - a) + 127) / 255);
        out.rgba[i + 3] = 255;
    }
    return out;
}

} // namespace makeassets
