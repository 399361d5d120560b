#include "JpegWriter.h"

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <stdexcept>

namespace makeassets {

namespace {

[[noreturn]] void failJpeg(j_common_ptr cinfo)
{
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    // Only reached on a programming error (bad parameters); the C stack
    // cannot be unwound through libjpeg, so stop here with the reason.
    std::fprintf(stderr, "make-assets: libjpeg: %s\n", message);
    std::exit(2);
}

} // namespace

Bytes encodeProgressiveJpeg(const Image &image, int quality, int dotsPerInch)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jerr.error_exit = failJpeg;
    jpeg_create_compress(&cinfo);

    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);

    cinfo.image_width = JDIMENSION(image.width);
    cinfo.image_height = JDIMENSION(image.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, JCS_YCbCr);
    jpeg_set_quality(&cinfo, quality, TRUE);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    cinfo.write_JFIF_header = TRUE;
    cinfo.JFIF_major_version = 1;
    cinfo.JFIF_minor_version = 2;
    cinfo.density_unit = 1; // dots per inch
    cinfo.X_density = UINT16(dotsPerInch);
    cinfo.Y_density = UINT16(dotsPerInch);
    cinfo.optimize_coding = TRUE;
    jpeg_simple_progression(&cinfo);

    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(std::size_t(image.width) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t *p = image.pixel(x, y);
            row[std::size_t(x) * 3 + 0] = p[0];
            row[std::size_t(x) * 3 + 1] = p[1];
            row[std::size_t(x) * 3 + 2] = p[2];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);

    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

} // namespace makeassets
