// Decoding every frame of a GIF to pixels: our reader against giflib in the
// same run, on the shipped title and character streams and on a large
// stress animation. Prints rows as row<TAB>metric<TAB>value<TAB>target.

#include "media/animation/FrameComposer.h"
#include "media/gif/RxGIF.h"
#include "tests/support/GifWriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <functional>
#include <vector>

using namespace tavlo;

namespace {

struct Memory {
    const QByteArray *bytes;
    qsizetype pos{0};
};

int readMemory(GifFileType *file, GifByteType *buffer, int size)
{
    auto *memory = static_cast<Memory *>(file->UserData);
    const int n = int(std::min<qsizetype>(size, memory->bytes->size() - memory->pos));
    std::memcpy(buffer, memory->bytes->constData() + memory->pos, std::size_t(n));
    memory->pos += n;
    return n;
}

// giflib's whole-file reader; with toPixels, each frame's indices then go
// through its colour table into 32-bit pixels, as a giflib-based viewer
// does to show them.
std::size_t decodeWithGiflib(const QByteArray &gif, bool toPixels)
{
    Memory memory{&gif};
    int error = 0;
    GifFileType *file = DGifOpen(&memory, readMemory, &error);
    if (!file)
        return 0;
    std::size_t checksum = 0;
    if (DGifSlurp(file) == GIF_OK) {
        for (int i = 0; i < file->ImageCount; ++i) {
            const SavedImage &saved = file->SavedImages[i];
            if (!toPixels) {
                checksum += saved.RasterBits[0];
                continue;
            }
            const ColorMapObject *map = saved.ImageDesc.ColorMap ? saved.ImageDesc.ColorMap : file->SColorMap;
            QRgb table[256] = {};
            for (int c = 0; c < map->ColorCount && c < 256; ++c)
                table[c] = qRgb(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue);
            QImage image(saved.ImageDesc.Width, saved.ImageDesc.Height, QImage::Format_RGB32);
            const GifByteType *src = saved.RasterBits;
            for (int y = 0; y < image.height(); ++y) {
                auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    dst[x] = table[*src++];
            }
            checksum += image.pixel(image.width() / 2, image.height() / 2);
        }
    }
    DGifCloseFile(file, &error);
    return checksum;
}

std::size_t decodeWithOurs(const QByteArray &gif)
{
    TGIFImage image;
    image.LoadGIF(gif, false);
    std::size_t checksum = 0;
    for (int i = 0; i < image.Count(); ++i) {
        const QImage &bitmap = image.Frames(i).Bitmap();
        checksum += bitmap.pixel(bitmap.width() / 2, bitmap.height() / 2);
    }
    return checksum;
}

// Best time of several rounds, each long enough to be measured well; the
// two decoders alternate so that both see the same machine load.
struct Times {
    double ours{1e30};
    double giflib{1e30};
    double giflibIndices{1e30};
};

Times timeAll(const QByteArray &gif)
{
    using clock = std::chrono::steady_clock;
    auto once = [&](const std::function<std::size_t(const QByteArray &)> &decode, int reps) {
        const auto start = clock::now();
        volatile std::size_t sink = 0;
        for (int r = 0; r < reps; ++r)
            sink = sink + decode(gif);
        return std::chrono::duration<double, std::milli>(clock::now() - start).count() / reps;
    };
    const double probe = once(decodeWithOurs, 1);
    const int reps = std::max(1, int(60.0 / std::max(probe, 0.01)));
    Times best;
    auto giflibPixels = [](const QByteArray &g) { return decodeWithGiflib(g, true); };
    auto giflibIndices = [](const QByteArray &g) { return decodeWithGiflib(g, false); };
    for (int round = 0; round < 7; ++round) {
        best.ours = std::min(best.ours, once(decodeWithOurs, reps));
        best.giflib = std::min(best.giflib, once(giflibPixels, reps));
        best.giflibIndices = std::min(best.giflibIndices, once(giflibIndices, reps));
    }
    return best;
}

// Used only when the asset tool cannot make its stress animation:
// 1920 x 1080, 30 frames of gradients and noise, a local table each.
QByteArray makeStressWithGiflib()
{
    const int width = 1920;
    const int height = 1080;
    QList<QRgb> global;
    for (int c = 0; c < 256; ++c)
        global.append(qRgb(c, 255 - c, c / 2));
    tavlo::test::GifWriter file(width, height, global);
    QRandomGenerator random{1234};
    for (int f = 0; f < 30; ++f) {
        QList<QRgb> local;
        for (int c = 0; c < 256; ++c)
            local.append(qRgb((c ^ f) & 0xFF, (c * 3) & 0xFF, 255 - c));
        file.frame(QRect(0, 0, width, height), [&random, f](int x, int y) {
            const int gradient = (x / 8 + y / 6 + f * 5) & 0xFF;
            return GifPixelType((x / 240 + y / 270) % 3 == 0 ? (gradient + int(random.bounded(4))) & 0xFF : gradient);
        }, local);
    }
    return file.finish();
}

QByteArray makeStress()
{
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/make-assets");
    QTemporaryDir dir;
    if (QFile::exists(tool) && dir.isValid()) {
        const QString path = dir.filePath(QStringLiteral("stress.gif"));
        if (QProcess::execute(tool, {QStringLiteral("--stress"), path}) == 0) {
            QFile file{path};
            if (file.open(QIODevice::ReadOnly))
                return file.readAll();
        }
    }
    std::fprintf(stderr, "bench_gif: make-assets --stress unavailable; using giflib's own stress GIF\n");
    return makeStressWithGiflib();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app{argc, argv};
    struct Case {
        const char *name;
        QByteArray gif;
    };
    std::vector<Case> cases;
    for (const char *name : {"TITLE", "CHARACTER"}) {
        QFile file{QStringLiteral(":/res/GIF/") + QLatin1String(name)};
        if (file.open(QIODevice::ReadOnly))
            cases.push_back({name, file.readAll()});
        else
            std::fprintf(stderr, "bench_gif: resource %s missing, skipped\n", name);
    }
    cases.push_back({"stress 1920x1080x30", makeStress()});

    for (const Case &c : cases) {
        if (decodeWithOurs(c.gif) != decodeWithGiflib(c.gif, true)) {
            std::fprintf(stderr, "bench_gif: %s decodes differently from giflib\n", c.name);
            return 1;
        }
        const Times t = timeAll(c.gif);
        std::printf("row\tGIF decode %s ours (ms)\t%.3f\t-\n", c.name, t.ours);
        std::printf("row\tGIF decode %s giflib (ms)\t%.3f\t-\n", c.name, t.giflib);
        std::printf("row\tGIF decode %s ours/giflib\t%.2f\t<= 1.0\n", c.name, t.ours / t.giflib);
        // giflib stopping at colour indices, short of pixels.
        std::printf("row\tGIF decode %s ours/giflib indices only\t%.2f\t<= 1.0\n", c.name,
                    t.ours / t.giflibIndices);
        std::fflush(stdout);
    }

    // What an animation tick costs before anything is painted: the next
    // frame composed from the one before, frame after frame round the loop,
    // wraps included.
    for (const Case &c : cases) {
        if (c.name[0] == 's')
            continue;
        TGIFImage image;
        image.LoadGIF(QByteArrayView(c.gif));
        FrameComposer composer;
        TColor key = clNone;
        const int rounds = 200;
        std::int64_t changed = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int step = 0; step < rounds * image.Count(); ++step) {
            composer.compose(image, step % image.Count(), key);
            changed += std::int64_t(composer.changed().width()) * composer.changed().height();
        }
        const double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        const int steps = rounds * image.Count();
        std::printf("row\tGIF tick %s: compose (us per frame)\t%.1f\t-\n", c.name, us / steps);
        std::printf("row\tGIF tick %s: changed area, mean share of the screen\t%.0f %%\t-\n", c.name,
                    100.0 * double(changed) / steps / (double(image.ScreenWidth()) * image.ScreenHeight()));
    }
    return 0;
}
