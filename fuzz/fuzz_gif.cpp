// libFuzzer target: any bytes through the GIF reader, then every frame's
// bitmap, palette and keyed drawing. Errors the reader raises are expected;
// crashes, hangs, sanitizer reports and runaway allocations are not.

#include "media/Exceptions.h"
#include "media/RxGIF.h"

#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace tavlo;
    // Big enough for every shipped size, small enough to keep runs quick;
    // the default limit is the same code path with a larger bound.
    MaxGIFFramePixels = std::int64_t(1) << 20;
    MaxGIFImagePixels = std::int64_t(1) << 22;
    // Both the tolerant and the strict reading, chosen by the input's length.
    LoadCorruptedGIFs = size % 2 == 0;

    TGIFImage image;
    try {
        image.LoadGIF(QByteArrayView(data, qsizetype(size)), size % 3 == 0);
    } catch (const Exception &) {
    }
    (void)image.Empty();
    (void)image.Transparent();
    QImage canvas(32, 32, QImage::Format_RGB32);
    canvas.fill(0);
    for (int i = 0; i < image.Count(); ++i) {
        const TGIFFrame &frame = image.Frames(i);
        try {
            const QImage &bitmap = frame.Bitmap();
            (void)frame.Palette();
            if (!bitmap.isNull() && std::int64_t(bitmap.width()) * bitmap.height() <= 4096) {
                QPainter painter{&canvas};
                frame.Draw(painter, QRect(frame.Left() % 32, frame.Top() % 32, 17, 9), true);
            }
        } catch (const Exception &) {
        }
    }
    try {
        (void)image.Width();
        (void)image.Palette();
    } catch (const Exception &) {
    }
    LoadCorruptedGIFs = true;
    return 0;
}
