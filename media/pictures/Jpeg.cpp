#include "media/pictures/Jpeg.h"

#include "media/base/Exceptions.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

#include <dlfcn.h>

#include <memory>

namespace tavlo {

namespace {

// The decoder's library is loaded for each picture and let go once it is
// decoded: the game decodes its few JPEG pictures at start-up (and the
// result picture at the end of a game), and the library's half a megabyte
// of code need not stay in memory in between. Its file is named after the
// version of its interface.
#if JPEG_LIB_VERSION == 62
constexpr const char *kLibraryFile = "libjpeg.so.62";
#elif JPEG_LIB_VERSION == 70
constexpr const char *kLibraryFile = "libjpeg.so.7";
#elif JPEG_LIB_VERSION == 80
constexpr const char *kLibraryFile = "libjpeg.so.8";
#else
#error "libjpeg interface version without a known library file"
#endif

class Library {
public:
    Library()
        : m_handle{dlopen(kLibraryFile, RTLD_NOW | RTLD_LOCAL)}
    {
        if (!m_handle)
            return;
        m_complete = find(std_error, "jpeg_std_error") && find(CreateDecompress, "jpeg_CreateDecompress")
            && find(mem_src, "jpeg_mem_src") && find(read_header, "jpeg_read_header")
            && find(start_decompress, "jpeg_start_decompress") && find(read_scanlines, "jpeg_read_scanlines")
            && find(finish_decompress, "jpeg_finish_decompress")
            && find(destroy_decompress, "jpeg_destroy_decompress");
    }
    ~Library()
    {
        if (m_handle)
            dlclose(m_handle);
    }
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;

    bool loaded() const { return m_complete; }

    decltype(&jpeg_std_error) std_error{};
    decltype(&jpeg_CreateDecompress) CreateDecompress{};
    decltype(&jpeg_mem_src) mem_src{};
    decltype(&jpeg_read_header) read_header{};
    decltype(&jpeg_start_decompress) start_decompress{};
    decltype(&jpeg_read_scanlines) read_scanlines{};
    decltype(&jpeg_finish_decompress) finish_decompress{};
    decltype(&jpeg_destroy_decompress) destroy_decompress{};

private:
    template <typename F>
    bool find(F &function, const char *name)
    {
        function = reinterpret_cast<F>(dlsym(m_handle, name));
        return function != nullptr;
    }

    void *m_handle;
    bool m_complete{false};
};

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
// The library outlives the decoder's state, which it destroys.
struct Decoder {
    explicit Decoder(const Library &library) : jpeg{library} {}
    const Library &jpeg;
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    QImage image;
    bool created{false};

    ~Decoder()
    {
        if (created)
            jpeg.destroy_decompress(&cinfo);
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
    const Library jpeg;
    if (!jpeg.loaded())
        fail("bibliothèque JPEG introuvable");
    const auto decoder = std::make_unique<Decoder>(jpeg);
    Decoder *d = decoder.get();
    d->cinfo.err = jpeg.std_error(&d->err.base);
    d->err.base.error_exit = onError;
    d->err.base.emit_message = onMessage;

    if (setjmp(d->err.jump))
        fail(d->err.message);

    jpeg.CreateDecompress(&d->cinfo, JPEG_LIB_VERSION, sizeof(d->cinfo));
    d->created = true;
    jpeg.mem_src(&d->cinfo, reinterpret_cast<const unsigned char *>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg.read_header(&d->cinfo, TRUE);
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
    jpeg.start_decompress(&d->cinfo);
    if (d->cinfo.output_components != 4)
        fail("espace de couleurs non pris en charge");

    d->image = QImage(int(d->cinfo.output_width), int(d->cinfo.output_height), QImage::Format_RGB32);
    if (d->image.isNull())
        fail("mémoire insuffisante");
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        JSAMPROW row = d->image.scanLine(int(d->cinfo.output_scanline));
        if (jpeg.read_scanlines(&d->cinfo, &row, 1) != 1)
            fail("données incomplètes");
    }
    // Reading up to the end marker: a stream cut short only warns here.
    jpeg.finish_decompress(&d->cinfo);
    if (d->err.warnings)
        fail(d->err.message);
    return d->image;
}

} // namespace tavlo
