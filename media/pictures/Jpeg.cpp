#include "media/pictures/Jpeg.h"

#include "media/base/Exceptions.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

#include <memory>

namespace tavlo {

namespace {

// Bounds a damaged header cannot talk us past: far beyond any picture the
// program carries, small enough that the allocation is harmless.
constexpr JDIMENSION maxSide = 16384;
constexpr unsigned long long maxPixels = 64ull * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr base{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX]{};
    int warnings{0};
};

// libjpeg's own error_exit ends the process; ours jumps back to the decoder.
[[noreturn]] void onError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings (a truncated stream, corrupt entropy data) are counted and kept
// quiet; the decoder treats any of them as a damaged picture.
void onMessage(j_common_ptr cinfo, int level)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    if (level < 0) {
        if (err->warnings++ == 0)
            (*cinfo->err->format_message)(cinfo, err->message);
    }
}

// Everything the decoder touches after setjmp lives here, behind one
// pointer that never changes, so a longjmp leaves nothing indeterminate.
struct Decoder {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    QImage image;
    bool created{false};

    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

[[noreturn]] void fail(const char *why)
{
    throw EInvalidGraphic(QStringLiteral("Image JPEG invalide : %1").arg(QString::fromUtf8(why)));
}

} // namespace

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty())
        fail("aucune donnée");
    const auto decoder = std::make_unique<Decoder>();
    Decoder *d = decoder.get();
    d->cinfo.err = jpeg_std_error(&d->err.base);
    d->err.base.error_exit = onError;
    d->err.base.emit_message = onMessage;

    if (setjmp(d->err.jump))
        fail(d->err.message);

    jpeg_CreateDecompress(&d->cinfo, JPEG_LIB_VERSION, sizeof(d->cinfo));
    d->created = true;
    jpeg_mem_src(&d->cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d->cinfo, TRUE);
    if (d->err.warnings)
        fail(d->err.message);
    if (d->cinfo.image_width == 0 || d->cinfo.image_height == 0 || d->cinfo.image_width > maxSide
        || d->cinfo.image_height > maxSide
        || static_cast<unsigned long long>(d->cinfo.image_width) * d->cinfo.image_height > maxPixels)
        fail("dimensions hors limites");

    // QImage::Format_RGB32 keeps 0xFFRRGGBB words in native byte order.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    d->cinfo.out_color_space = JCS_EXT_BGRA;
#else
    d->cinfo.out_color_space = JCS_EXT_ARGB;
#endif
    jpeg_start_decompress(&d->cinfo);
    if (d->cinfo.output_components != 4)
        fail("espace de couleurs non pris en charge");

    d->image = QImage(int(d->cinfo.output_width), int(d->cinfo.output_height), QImage::Format_RGB32);
    if (d->image.isNull())
        fail("mémoire insuffisante");
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = d->image.scanLine(int(d->cinfo.output_scanline));
        if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1)
            fail("données incomplètes");
    }
    // Reading up to the end marker: a stream cut short only warns here.
    jpeg_finish_decompress(&d->cinfo);
    if (d->err.warnings)
        fail(d->err.message);
    return d->image;
}

} // namespace tavlo
