// libFuzzer target: any bytes through the GIF reader, then every frame's
// bitmap, palette and keyed drawing, then the frames composed one after
// the other by the animated control's own composition code, as the control
// shows them (incrementally, after a wrap to frame 0 and after a jump).
// Errors the reader raises are expected; crashes, hangs, sanitizer reports
// and runaway allocations are not.

#include "media/base/Exceptions.h"
#include "media/animation/FrameComposer.h"
#include "media/gif/RxGIF.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void composeAll(const tavlo::TGIFImage &image)
{
    using namespace tavlo;
    if (image.Empty() || image.ScreenWidth() < 1 || image.ScreenHeight() < 1)
        return;
    FrameComposer composer;
    QImage screen(24, 24, QImage::Format_RGB32);
    screen.fill(0);
    const int count = image.Count();
    // Every frame in turn, the wrap back to 0, then a jump.
    for (int step = 0; step <= count + 1; ++step) {
        const int index = step <= count ? step % count : count / 2;
        try {
            TColor key = clNone;
            const QImage &bmp = composer.compose(image, index, key);
            const QRect changed = composer.changed();
            if (!changed.isEmpty() && !bmp.rect().contains(changed))
                __builtin_trap();
            QPainter painter{&screen};
            painter.drawImage(QRect(0, 0, 24, 24), bmp);
            if (key != clNone && composer.cache().size() != bmp.size())
                __builtin_trap();
        } catch (const Exception &) {
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The composition's fill colours come from the application's palette.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app{*argc, *argv};
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace tavlo;
    // Big enough for every shipped size, small enough to keep runs quick;
    // the default limits are the same code path with larger bounds.
    MaxGIFFramePixels = std::int64_t(1) << 20;
    MaxGIFImagePixels = std::int64_t(1) << 22;
    maxGifScreenPixels = std::int64_t(1) << 20;
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
    // A copy composes on a budget of its own.
    composeAll(TGIFImage{image});
    LoadCorruptedGIFs = true;
    return 0;
}
