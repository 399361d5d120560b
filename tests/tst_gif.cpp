// GIF reader and LZW decoder: container rules on hand-built streams, pixel
// equality with giflib on files made by other encoders, the shipped streams.

#include "media/base/Exceptions.h"
#include "media/animation/AnimationProbe.h"
#include "media/animation/FrameComposer.h"
#include "media/gif/Lzw.h"
#include "media/gif/RxGIF.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

#include <gif_lib.h>

#include <cstring>
#include <map>

using namespace tavlo;
using Probe = tavlo::testing::AnimationProbe;

namespace {

// ------------------------------------------------------------- test encoder

// A plain GIF LZW encoder: clear first; when the table fills, clear again,
// or (clearWhenFull false) go on with the full table, as some encoders do.
QByteArray lzwEncode(const QList<int> &pixels, int codeSize, int blockSize = 255,
                     bool clearWhenFull = true)
{
    QByteArray bytes;
    std::uint32_t acc = 0;
    int bits = 0;
    int width = codeSize + 1;
    auto put = [&](int code) {
        acc |= std::uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    const int clear = 1 << codeSize;
    int next = clear + 2;
    std::map<std::uint32_t, int> dict;
    put(clear);
    if (!pixels.isEmpty()) {
        int prefix = pixels[0];
        for (qsizetype i = 1; i < pixels.size(); ++i) {
            const int k = pixels[i];
            const std::uint32_t key = std::uint32_t(prefix) << 8 | std::uint32_t(k);
            auto it = dict.find(key);
            if (it != dict.end()) {
                prefix = it->second;
                continue;
            }
            put(prefix);
            if (next == 4096) {
                prefix = k;
                continue;
            }
            dict[key] = next++;
            if (next == 4096 && clearWhenFull) {
                put(clear);
                dict.clear();
                next = clear + 2;
                width = codeSize + 1;
            } else if (next - 1 == (1 << width)) {
                ++width;
            }
            prefix = k;
        }
        put(prefix);
    }
    put(clear + 1);
    if (bits > 0)
        bytes.append(char(acc & 0xFF));

    QByteArray out;
    out.append(char(codeSize));
    for (qsizetype at = 0; at < bytes.size(); at += blockSize) {
        const QByteArray block = bytes.mid(at, blockSize);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append('\0');
    return out;
}

// Packs hand-chosen codes at the widths a decoder reads them with (the
// width grows as entries are added, and restarts at each clear code), in
// one sub-block with its terminator.
QByteArray packCodes(int codeSize, const QList<int> &codes)
{
    QByteArray bytes;
    std::uint32_t acc = 0;
    int bits = 0;
    const int clear = 1 << codeSize;
    int width = codeSize + 1;
    int next = clear + 2;
    bool first = true;
    for (const int code : codes) {
        acc |= std::uint32_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
        if (code == clear) {
            width = codeSize + 1;
            next = clear + 2;
            first = true;
        } else if (code != clear + 1) {
            if (!first && next < 4096 && ++next == (1 << width) && width < 12)
                ++width;
            first = false;
        }
    }
    if (bits > 0)
        bytes.append(char(acc & 0xFF));
    return char(codeSize) + (char(bytes.size()) + bytes) + '\0';
}

QList<int> randomPixels(int count, int colors, quint32 seed)
{
    QRandomGenerator random{seed};
    QList<int> pixels;
    // Runs make the table grow long strings, not only pairs.
    while (pixels.size() < count) {
        const int value = int(random.bounded(colors));
        const int run = int(random.bounded(1, 12));
        for (int i = 0; i < run && pixels.size() < count; ++i)
            pixels.append(value);
    }
    return pixels;
}

// Distinct, recognisable colour for table entry i.
QRgb entryColor(int i)
{
    return qRgb(i, (i * 7) & 0xFF, 255 - i);
}

TColor entryTColor(int i)
{
    return RGB(qRed(entryColor(i)), qGreen(entryColor(i)), qBlue(entryColor(i)));
}

QByteArray patched(QByteArray bytes, qsizetype at, char value)
{
    bytes[at] = value;
    return bytes;
}

// ------------------------------------------------------------ byte builder

// Builds a GIF by fields; every call writes one field or block.
class Gif {
public:
    // Header and logical screen; globalBits 0 means no global table.
    explicit Gif(int width = 4, int height = 2, int globalBits = 2, const char *signature = "GIF89a",
                 int background = 0)
    {
        m_bytes.append(signature);
        u16(width);
        u16(height);
        u8(globalBits ? 0x80 | 0x70 | (globalBits - 1) : 0x70);
        u8(background);
        u8(0); // aspect
        if (globalBits)
            table(globalBits);
    }
    Gif &u8(int v)
    {
        m_bytes.append(char(v & 0xFF));
        return *this;
    }
    Gif &u16(int v) { return u8(v).u8(v >> 8); }
    Gif &raw(QByteArrayView v)
    {
        m_bytes.append(v.toByteArray());
        return *this;
    }
    Gif &table(int bits)
    {
        for (int i = 0; i < (1 << bits); ++i)
            u8(qRed(entryColor(i))).u8(qGreen(entryColor(i))).u8(qBlue(entryColor(i)));
        return *this;
    }
    Gif &graphicControl(int disposal, int delay, int transparentIndex = -1)
    {
        u8('!').u8(0xF9).u8(4);
        u8((disposal << 2) | (transparentIndex >= 0 ? 1 : 0));
        u16(delay);
        u8(std::max(transparentIndex, 0));
        return u8(0);
    }
    Gif &loop(int count, const char *id = "NETSCAPE2.0", int blockSize = 11, int subId = 1)
    {
        u8('!').u8(0xFF).u8(blockSize);
        QByteArray ident{id};
        ident.resize(11, '\0');
        raw(ident);
        u8(3).u8(subId).u16(count);
        return u8(0);
    }
    Gif &comment(const QList<QByteArray> &lines)
    {
        u8('!').u8(0xFE);
        for (const QByteArray &line : lines)
            u8(int(line.size())).raw(line);
        return u8(0);
    }
    Gif &plainText()
    {
        u8('!').u8(0x01).u8(12);
        raw(QByteArray(12, '\0'));
        u8(2).raw("hi");
        return u8(0);
    }
    // Image descriptor, optional local table, data. Pixels default to a
    // ramp 0, 1, 2, ... modulo the colour count.
    Gif &image(int left, int top, int width, int height, QList<int> pixels = {}, int localBits = 0,
               bool interlaced = false, int codeSize = 2, int blockSize = 255, bool clearWhenFull = true)
    {
        u8(',').u16(left).u16(top).u16(width).u16(height);
        u8((localBits ? 0x80 | (localBits - 1) : 0) | (interlaced ? 0x40 : 0));
        if (localBits)
            table(localBits);
        if (pixels.isEmpty()) {
            for (int i = 0; i < width * height; ++i)
                pixels.append(i % (1 << codeSize));
        }
        return raw(lzwEncode(pixels, codeSize, blockSize, clearWhenFull));
    }
    Gif &image() { return image(0, 0, 4, 2); }
    Gif &trailer() { return u8(';'); }
    const QByteArray &bytes() const { return m_bytes; }
    operator QByteArray() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QByteArray withLength(const QByteArray &gif)
{
    QByteArray out;
    const qint32 n = qint32(gif.size());
    for (int i = 0; i < 4; ++i)
        out.append(char((n >> (8 * i)) & 0xFF));
    return out + gif;
}

// ---------------------------------------------------------------- giflib

struct Reference {
    int left{0};
    int top{0};
    QImage pixels;
};

int readFromArray(GifFileType *file, GifByteType *buffer, int size)
{
    auto *source = static_cast<QBuffer *>(file->UserData);
    return int(source->read(reinterpret_cast<char *>(buffer), size));
}

QList<Reference> giflibDecode(const QByteArray &data)
{
    QByteArray copy = data;
    QBuffer buffer{&copy};
    buffer.open(QIODevice::ReadOnly);
    int error = 0;
    GifFileType *file = DGifOpen(&buffer, readFromArray, &error);
    if (!file)
        return {};
    QList<Reference> frames;
    if (DGifSlurp(file) == GIF_OK) {
        for (int i = 0; i < file->ImageCount; ++i) {
            const SavedImage &saved = file->SavedImages[i];
            const GifImageDesc &desc = saved.ImageDesc;
            const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : file->SColorMap;
            QImage image(desc.Width, desc.Height, QImage::Format_RGB32);
            for (int y = 0; y < desc.Height; ++y) {
                for (int x = 0; x < desc.Width; ++x) {
                    const int index = saved.RasterBits[y * desc.Width + x];
                    const GifColorType c = map->Colors[index];
                    image.setPixel(x, y, qRgb(c.Red, c.Green, c.Blue));
                }
            }
            frames.append({desc.Left, desc.Top, image});
        }
    }
    DGifCloseFile(file, &error);
    return frames;
}

QImage rgb(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

TGIFImage load(const QByteArray &gif, bool decodeFirst = true)
{
    TGIFImage image;
    image.LoadGIF(gif, decodeFirst);
    return image;
}

QByteArray readFile(const QString &path)
{
    QFile file{path};
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Restores the process-wide switch whatever a test does.
struct CorruptedSwitch {
    explicit CorruptedSwitch(bool on) { LoadCorruptedGIFs = on; }
    ~CorruptedSwitch() { LoadCorruptedGIFs = true; }
};

} // namespace

class TestGif : public QObject {
    Q_OBJECT

private slots:
    void shippedStreams_data();
    void shippedStreams();
    void loopExtension_data();
    void loopExtension();
    void zeroSizeDescriptorTakesScreen();
    void twoGraphicControls();
    void transparentIndexOutOfRange();
    void transparencyIsAColourKey();
    void plainTextDiscardsPending();
    void commentCollection();
    void bytesBetweenFrames();
    void trailer_data();
    void trailer();
    void signatureCase();
    void errors_data();
    void errors();
    void failureKeepsEarlierFrames();
    void cutFrameIsCorrupted();
    void delaySaturates();
    void lzwAgainstGiflib_data();
    void lzwAgainstGiflib();
    void earlyStop_data();
    void earlyStop();
    void lzwDamage();
    void filesAgainstGiflib_data();
    void filesAgainstGiflib();
    void bitmapPaletteAndDepth();
    void derivedValues();
    void layoutDataAndNotification();
    void assignmentShares();
    void drawKeyed();
    void hugeFrameRefused();
};

// ------------------------------------------------------------ shipped streams

void TestGif::shippedStreams_data()
{
    QTest::addColumn<QString>("resource");
    QTest::newRow("title") << ":/res/GIF/TITLE";
    QTest::newRow("character") << ":/res/GIF/CHARACTER";
}

void TestGif::shippedStreams()
{
    QFETCH(QString, resource);
    const QByteArray gif = readFile(resource);
    if (gif.isEmpty())
        QSKIP("the shipped GIF streams are not embedded in this build");

    TGIFImage image;
    image.ReadLayoutData(withLength(gif));
    QCOMPARE(image.CurrentFrame(), 0);
    QVERIFY(image.Frames(0).hasBitmap());
    QVERIFY(image.Looping());
    QCOMPARE(image.Version(), 2);
    for (int i = 1; i < image.Count(); ++i)
        QVERIFY(!image.Frames(i).hasBitmap());

    const bool title = resource.endsWith(QLatin1String("TITLE"));
    if (title) {
        QCOMPARE(image.ScreenWidth(), 400);
        QCOMPARE(image.ScreenHeight(), 70);
        QCOMPARE(image.Count(), 20);
        QCOMPARE(int(image.RepeatCount()), 0);
        QCOMPARE(image.Header().GlobalColors.Count, 256);
        for (int i = 0; i < 20; ++i) {
            const TGIFFrame &frame = image.Frames(i);
            QCOMPARE(frame.HasLocalColors(), i > 0);
            QCOMPARE(frame.TransparentColor(), frame.PixelData()->Colors.color(235));
            QCOMPARE(frame.TransparentColor(), clBlack);
            QCOMPARE(QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height()),
                     QRect(0, 0, 400, 70));
        }
    } else {
        QCOMPARE(image.ScreenWidth(), 90);
        QCOMPARE(image.ScreenHeight(), 115);
        QCOMPARE(image.Count(), 6);
        QCOMPARE(int(image.RepeatCount()), 1000);
        QCOMPARE(image.Header().GlobalColors.Count, 64);
        QCOMPARE(int(image.Header().AspectRatio), 1);
        QCOMPARE(image.Header().Comment.size(), 3);
        const QList<QRect> rects{{0, 0, 90, 115}, {3, 1, 80, 111}, {3, 2, 81, 108},
                                 {12, 9, 67, 102}, {4, 5, 79, 106}, {2, 3, 82, 109}};
        for (int i = 0; i < 6; ++i) {
            const TGIFFrame &frame = image.Frames(i);
            QCOMPARE(QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height()), rects[i]);
            QCOMPARE(frame.TransparentColor(), clWhite);
            QVERIFY(!frame.HasLocalColors());
            for (const TExtension &ext : frame.Extensions())
                QVERIFY(ext.Kind() != TExtensionKind::Comment);
        }
    }
    const QList<Reference> reference = giflibDecode(gif);
    QCOMPARE(reference.size(), image.Count());
    for (int i = 0; i < image.Count(); ++i) {
        const TGIFFrame &frame = image.Frames(i);
        QCOMPARE(int(frame.Delay()), 100);
        QCOMPARE(frame.Disposal(), 2);
        QVERIFY(!frame.Corrupted());
        QCOMPARE(rgb(frame.Bitmap()), reference[i].pixels);
    }
}

// ------------------------------------------------------------ container rules

void TestGif::loopExtension_data()
{
    QTest::addColumn<QByteArray>("gif");
    QTest::addColumn<bool>("looping");
    QTest::addColumn<int>("repeatCount");
    auto with = [](Gif g) { return g.image().trailer().bytes(); };
    QTest::newRow("count 0") << with(Gif().loop(0)) << true << 0;
    QTest::newRow("count 1000") << with(Gif().loop(1000)) << true << 1000;
    QTest::newRow("count 30000") << with(Gif().loop(30000)) << true << 30000;
    QTest::newRow("count 30001 capped") << with(Gif().loop(30001)) << true << 30000;
    QTest::newRow("count 65535 capped") << with(Gif().loop(65535)) << true << 30000;
    QTest::newRow("ANIMEXTS1.0") << with(Gif().loop(7, "ANIMEXTS1.0")) << true << 7;
    QTest::newRow("block size 3 compares 3 bytes") << with(Gif().loop(5, "NETxxxxxxxx", 3)) << true << 5;
    QTest::newRow("block size 0 matches") << with(Gif().loop(6, "zzzzzzzzzzz", 0)) << true << 6;
    QTest::newRow("lower case is another id") << with(Gif().loop(5, "netscape2.0")) << false << 1;
    QTest::newRow("other id") << with(Gif().loop(5, "XMP DataXMP")) << false << 1;
    QTest::newRow("sub-block id 2") << with(Gif().loop(5, "NETSCAPE2.0", 11, 2)) << false << 1;
    QTest::newRow("none") << with(Gif()) << false << 1;
    // A first sub-block shorter than 3 bytes.
    QTest::newRow("short sub-block")
        << with(Gif().u8('!').u8(0xFF).u8(11).raw("NETSCAPE2.0").u8(2).u8(1).u8(9).u8(0)) << false << 1;
    // Loop extension placed after the frames still counts.
    QTest::newRow("after frames") << Gif().image().loop(12).trailer().bytes() << true << 12;
}

void TestGif::loopExtension()
{
    QFETCH(QByteArray, gif);
    QFETCH(bool, looping);
    QFETCH(int, repeatCount);
    const TGIFImage image = load(gif);
    QCOMPARE(image.Looping(), looping);
    QCOMPARE(int(image.RepeatCount()), repeatCount);
    QCOMPARE(image.Count(), 1);
    // The loop extension is discarded, never given to a frame.
    for (const TExtension &ext : image.Frames(0).Extensions())
        QVERIFY(ext.Kind() != TExtensionKind::Application);
}

void TestGif::zeroSizeDescriptorTakesScreen()
{
    const TGIFImage image = load(Gif(6, 3).image(0, 0, 0, 0).image(1, 1, 0, 2).image(2, 0, 3, 0).trailer());
    QCOMPARE(image.Count(), 3);
    QCOMPARE(image.Frames(0).PixelData()->Width, 6);
    QCOMPARE(image.Frames(0).Height(), 3);
    QCOMPARE(image.Frames(1).Width(), 6);
    QCOMPARE(image.Frames(1).Height(), 2);
    QCOMPARE(image.Frames(2).Width(), 3);
    QCOMPARE(image.Frames(2).Height(), 3);
    QCOMPARE(image.Frames(1).Left(), 1);
}

void TestGif::twoGraphicControls()
{
    const TGIFImage image = load(Gif().graphicControl(1, 30, 2).graphicControl(3, 20, -1).image()
                                     .graphicControl(1, 5, -1).graphicControl(2, 40, 3).image()
                                     .trailer());
    const TGIFFrame &first = image.Frames(0);
    QCOMPARE(int(first.Delay()), 300); // the larger delay
    QCOMPARE(first.Disposal(), 3); // the later one
    QCOMPARE(first.TransparentColor(), clNone);
    QCOMPARE(first.Extensions().size(), std::size_t(2));
    const TGIFFrame &second = image.Frames(1);
    QCOMPARE(int(second.Delay()), 400);
    QCOMPARE(second.Disposal(), 2);
    QCOMPARE(second.TransparentColor(), entryTColor(3));
    QVERIFY(image.Transparent());
}

void TestGif::transparentIndexOutOfRange()
{
    // A 4-entry global table: index 4 is beyond it.
    const TGIFImage image = load(Gif().graphicControl(2, 10, 4).image()
                                     .graphicControl(2, 10, 1).graphicControl(2, 10, 200).image()
                                     .trailer());
    QCOMPARE(image.Frames(0).TransparentColor(), clNone);
    QVERIFY(!image.Frames(0).Bitmap().isNull());
    // The earlier in-range index stays.
    QCOMPARE(image.Frames(1).TransparentColor(), entryTColor(1));
    const TGIFImage opaque = load(Gif().graphicControl(2, 10, 4).image().trailer());
    QVERIFY(!opaque.Transparent());
}

void TestGif::transparencyIsAColourKey()
{
    // Frame with a local table where entries 1 and 3 share a colour: both
    // become transparent when drawn with the key.
    Gif gif(4, 1, 0);
    gif.graphicControl(0, 0, 1).u8(',').u16(0).u16(0).u16(4).u16(1).u8(0x81);
    const QRgb shared = qRgb(10, 20, 30);
    for (QRgb c : {qRgb(200, 0, 0), shared, qRgb(0, 200, 0), shared})
        gif.u8(qRed(c)).u8(qGreen(c)).u8(qBlue(c));
    gif.raw(lzwEncode({0, 1, 2, 3}, 2)).trailer();
    const TGIFImage image = load(gif);
    const TGIFFrame &frame = image.Frames(0);
    QImage canvas(4, 1, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    {
        QPainter painter{&canvas};
        frame.Draw(painter, QRect(0, 0, 4, 1), true);
    }
    QCOMPARE(canvas.pixel(0, 0), qRgb(200, 0, 0));
    QCOMPARE(canvas.pixel(1, 0), qRgb(1, 2, 3));
    QCOMPARE(canvas.pixel(2, 0), qRgb(0, 200, 0));
    QCOMPARE(canvas.pixel(3, 0), qRgb(1, 2, 3));
}

void TestGif::plainTextDiscardsPending()
{
    const TGIFImage image = load(Gif().graphicControl(2, 50, 1).comment({"gone"}).plainText()
                                     .graphicControl(1, 10, -1).image().trailer());
    const TGIFFrame &frame = image.Frames(0);
    QCOMPARE(frame.Extensions().size(), std::size_t(1));
    QCOMPARE(frame.Extensions()[0].Kind(), TExtensionKind::GraphicControl);
    QCOMPARE(int(frame.Delay()), 100);
    QCOMPARE(frame.Disposal(), 1);
    QCOMPARE(frame.TransparentColor(), clNone);
    QVERIFY(image.Header().Comment.isEmpty());
}

void TestGif::commentCollection()
{
    // Comments before an image belong to that frame; the first run after
    // the frames becomes the picture's comment, its extensions joined by
    // a CR LF CR LF line; later runs are dropped.
    const TGIFImage image = load(Gif().comment({"frame"}).image()
                                     .comment({"one", "two"}).graphicControl(0, 0).comment({"three"})
                                     .trailer());
    QCOMPARE(image.Header().Comment, (QList<QByteArray>{"one", "two", "\r\n\r\n", "three"}));
    QCOMPARE(image.Frames(0).Extensions().size(), std::size_t(1));
    QCOMPARE(image.Frames(0).Extensions()[0].Lines(), QList<QByteArray>{"frame"});

    // A zero byte after a run ends reading quietly; what follows is ignored.
    const TGIFImage twoRuns = load(Gif().image().comment({"first"}).u8(0).raw("!").u8(0xFE).u8(1).raw("x").u8(0));
    QCOMPARE(twoRuns.Header().Comment, QList<QByteArray>{"first"});

    // A comment whose data is cut off keeps what is there.
    const TGIFImage cut = load(Gif().image().u8('!').u8(0xFE).u8(10).raw("abc"));
    QCOMPARE(cut.Header().Comment, QList<QByteArray>{"abc"});
    QCOMPARE(cut.Count(), 1);
}

void TestGif::bytesBetweenFrames()
{
    const TGIFImage zeros = load(Gif().image().raw(QByteArray(5, '\0')).image().u8(0).trailer());
    QCOMPARE(zeros.Count(), 2);
    const TGIFImage stray = load(Gif().image().u8(0).u8('x').image().trailer());
    QCOMPARE(stray.Count(), 1);
    QCOMPARE(stray.CurrentFrame(), 0);
    // Zero bytes up to the end of the data end it like a trailer.
    const TGIFImage trailing = load(Gif().image().raw(QByteArray(3, '\0')));
    QCOMPARE(trailing.Count(), 1);
}

void TestGif::trailer_data()
{
    QTest::addColumn<QByteArray>("gif");
    QTest::addColumn<int>("frames");
    QTest::newRow("no trailer") << Gif().image().image().bytes() << 2;
    QTest::newRow("bytes after trailer") << Gif().image().trailer().image().raw("junk!").bytes() << 1;
    QTest::newRow("header only") << Gif().bytes() << 0;
    QTest::newRow("trailer only") << Gif().trailer().bytes() << 0;
    QTest::newRow("extension at end") << Gif().image().graphicControl(0, 0).bytes() << 1;
    QTest::newRow("introducer at end") << Gif().image().u8('!').bytes() << 1;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestGif::trailer()
{
    QFETCH(QByteArray, gif);
    QFETCH(int, frames);
    const TGIFImage image = load(gif);
    QCOMPARE(image.Count(), frames);
    QCOMPARE(image.CurrentFrame(), frames ? 0 : -1);
    QCOMPARE(image.Empty(), frames == 0);
}

void TestGif::signatureCase()
{
    QCOMPARE(load(Gif(4, 2, 2, "gif89A").image().trailer()).Version(), 2);
    QCOMPARE(load(Gif(4, 2, 2, "Gif87A").image().trailer()).Version(), 1);
    QCOMPARE(load(Gif(4, 2, 2, "GIF87a").image().trailer()).Count(), 1);
}

void TestGif::errors_data()
{
    QTest::addColumn<QByteArray>("gif");
    QTest::addColumn<bool>("tolerate");
    QTest::addColumn<bool>("readError");
    QTest::addColumn<QString>("message");
    const QString read = QStringLiteral("Erreur de lecture du flux");
    const QByteArray full = Gif().image().trailer();
    const qsizetype imageAt = Gif().bytes().size();

    QTest::newRow("signature") << QByteArray("PNG89a") + full.mid(6) << true << false << "Unknown GIF version";
    QTest::newRow("version") << Gif(4, 2, 2, "GIF88a").image().bytes() << true << false << "Unknown GIF version";
    QTest::newRow("short signature") << QByteArray("GI") << true << true << read;
    QTest::newRow("short screen") << QByteArray("GIF89a\x04\x00\x02") << true << true << read;
    QTest::newRow("short global table") << Gif().bytes().left(13 + 5) << true << true << read;
    QTest::newRow("extension label") << Gif().u8('!').u8(0x2A).bytes() << true << false
                                     << "Unrecognized extension block: 2A";
    QTest::newRow("extension label 0x0b") << Gif().image().u8('!').u8(0x0B).bytes() << true << false
                                          << "Unrecognized extension block: 0B";
    QTest::newRow("stray after extension run") << Gif().graphicControl(0, 0).u8('x').image().bytes()
                                               << true << false << read;
    QTest::newRow("stray first byte") << Gif().u8('x').image().bytes() << true << false << read;
    QTest::newRow("descriptor cut") << full.left(imageAt + 6) << true << true << read;
    QTest::newRow("local table cut") << Gif().raw(",").u16(0).u16(0).u16(1).u16(1).u8(0x81).u8(1).u8(2).bytes()
                                     << true << true << read;
    QTest::newRow("code size byte missing") << full.left(imageAt + 10) << true << true << read;
    QTest::newRow("frame data cut, strict") << full.left(full.size() - 3) << false << false << read;
    QTest::newRow("code size 1, strict") << patched(Gif().image(), imageAt + 10, 1)
                                         << false << false << "GIF code size not in range 2 to 9";
    QTest::newRow("code size 12, strict") << patched(Gif().image(), imageAt + 10, 12)
                                          << false << false << "GIF code size not in range 2 to 9";
    // Data: clear (4), then table code 6 with nothing to refer to.
    QTest::newRow("impossible code, strict")
        << Gif().raw(",").u16(0).u16(0).u16(4).u16(2).u8(0).u8(2).u8(1).u8(0x34).u8(0).bytes()
        << false << false << "GIF encoded data is corrupt";
    QTest::newRow("no colour table") << Gif(4, 2, 0).image().trailer().bytes() << true << false
                                     << "Wrong number of colors; must be a power of 2";
}

void TestGif::errors()
{
    QFETCH(QByteArray, gif);
    QFETCH(bool, tolerate);
    QFETCH(bool, readError);
    QFETCH(QString, message);
    CorruptedSwitch corrupted{tolerate};
    TGIFImage image;
    int changes = 0;
    image.setOnChange([&] { ++changes; });
    try {
        image.LoadGIF(gif, true);
        QFAIL("no error raised");
    } catch (const EReadError &e) {
        QVERIFY2(readError, "EReadError where EInvalidGraphicOperation was due");
        QCOMPARE(e.message(), message);
    } catch (const EInvalidGraphicOperation &e) {
        QVERIFY2(!readError, "EInvalidGraphicOperation where EReadError was due");
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(changes, 0);

    QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation, image.setWidth(1));
    try {
        image.setHeight(10);
    } catch (const EInvalidGraphicOperation &e) {
        QCOMPARE(e.message(), QStringLiteral("Cannot change the Size of a GIF image"));
    }
}

void TestGif::failureKeepsEarlierFrames()
{
    TGIFImage image;
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation,
                             image.LoadGIF(Gif().image().image().u8('!').u8(0x33).bytes(), true));
    QCOMPARE(image.Count(), 2);
    QCOMPARE(image.CurrentFrame(), -1);

    // A first frame that cannot be built is removed; the others stay.
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation,
                             image.LoadGIF(Gif(4, 2, 0).image().image(0, 0, 4, 2, {}, 2).trailer().bytes(), true));
    QCOMPARE(image.Count(), 1);
    QCOMPARE(image.CurrentFrame(), 0);
    QVERIFY(image.Frames(0).HasLocalColors());
}

void TestGif::cutFrameIsCorrupted()
{
    // 16 x 8 of a long ramp; the data is cut inside its one sub-block.
    QList<int> pixels;
    for (int i = 0; i < 128; ++i)
        pixels.append((i * 5 + i / 16) % 4);
    const QByteArray full = Gif(16, 8).image(0, 0, 16, 8, pixels).trailer();
    const TGIFImage whole = load(full);
    QVERIFY(!whole.Frames(0).Corrupted());

    // Cut in the middle of its one block, or among small blocks: what the
    // bytes that are there hold decodes, the rest stays index 0.
    const QByteArray smallBlocks = Gif(16, 8).image(0, 0, 16, 8, pixels, 0, false, 2, 4);
    for (const QByteArray &data : {full.left(full.size() - 10), smallBlocks.left(smallBlocks.size() - 12)}) {
        const TGIFImage partial = load(data);
        QCOMPARE(partial.Count(), 1);
        QVERIFY(partial.Frames(0).Corrupted());
        QCOMPARE(partial.Frames(0).Width(), 16);
        const QImage bitmap = partial.Frames(0).Bitmap();
        // A run of right pixels, then index 0 to the end of the frame.
        int written = 0;
        while (written < 128 && bitmap.pixel(written % 16, written / 16) == entryColor(pixels[written]))
            ++written;
        QVERIFY(written > 5);
        for (int i = written; i < 128; ++i)
            QCOMPARE(bitmap.pixel(i % 16, i / 16), entryColor(0));
    }

    // The cut block keeps what is left, and reading goes on right after its
    // length byte, here finding a whole frame among the missing block's bytes.
    const QByteArray nextFrame = Gif().image().bytes().mid(Gif().bytes().size());
    QVERIFY(nextFrame.size() < 48);
    const TGIFImage resumed = load(Gif().raw(",").u16(0).u16(0).u16(4).u16(2).u8(0).u8(2) // descriptor, code size
                                       .u8(48) // a block longer than what is left
                                       .raw(nextFrame));
    QCOMPARE(resumed.Count(), 2);
    QVERIFY(resumed.Frames(0).Corrupted());
    QCOMPARE(resumed.Frames(0).PixelData()->CompressedData, QByteArray(1, '\x02') + char(48) + nextFrame);
    QVERIFY(!resumed.Frames(1).Corrupted());
    QCOMPARE(resumed.Frames(1).Bitmap().pixel(3, 1), entryColor(7 % 4));
}

void TestGif::delaySaturates()
{
    const TGIFImage image = load(Gif().graphicControl(0, 6553).image().graphicControl(0, 6554).image()
                                     .graphicControl(0, 65535).image().trailer());
    QCOMPARE(int(image.Frames(0).Delay()), 65530);
    QCOMPARE(int(image.Frames(1).Delay()), 65535);
    QCOMPARE(int(image.Frames(2).Delay()), 65535);
}

// ------------------------------------------------------------ LZW decoding

void TestGif::lzwAgainstGiflib_data()
{
    QTest::addColumn<int>("tableBits");
    QTest::addColumn<int>("codeSize");
    QTest::addColumn<int>("colors");
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<bool>("interlaced");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("clearWhenFull");
    for (int cs = 2; cs <= 8; ++cs)
        QTest::addRow("code size %d", cs) << std::max(cs, 1) << cs << (1 << cs) << 255 << false << 37 << 29 << true;
    QTest::newRow("1-bit table") << 1 << 2 << 2 << 255 << false << 64 << 40 << true;
    QTest::newRow("code size 2, 256 colours") << 8 << 2 << 4 << 255 << false << 50 << 50 << true;
    QTest::newRow("code size 3, 16 colours") << 4 << 3 << 8 << 255 << false << 50 << 50 << true;
    QTest::newRow("code size 8, 2 colours") << 1 << 8 << 2 << 255 << false << 50 << 50 << true;
    QTest::newRow("one-byte sub-blocks") << 8 << 8 << 256 << 1 << false << 40 << 30 << true;
    QTest::newRow("two-byte sub-blocks") << 4 << 4 << 16 << 2 << false << 40 << 30 << true;
    QTest::newRow("interlaced 8 rows") << 8 << 8 << 200 << 255 << true << 13 << 8 << true;
    QTest::newRow("interlaced 1 row") << 4 << 4 << 16 << 255 << true << 13 << 1 << true;
    QTest::newRow("interlaced 5 rows") << 4 << 4 << 16 << 255 << true << 13 << 5 << true;
    QTest::newRow("interlaced 99 rows") << 8 << 8 << 256 << 255 << true << 21 << 99 << true;
    QTest::newRow("table fills") << 8 << 8 << 256 << 255 << false << 300 << 200 << true;
    QTest::newRow("table fills, 2 colours") << 1 << 2 << 2 << 255 << false << 300 << 200 << true;
    QTest::newRow("full table kept, no clear") << 8 << 8 << 256 << 255 << false << 300 << 200 << false;
    QTest::newRow("full table kept, 2 colours") << 1 << 2 << 2 << 255 << false << 300 << 200 << false;
}

void TestGif::lzwAgainstGiflib()
{
    QFETCH(int, tableBits);
    QFETCH(int, codeSize);
    QFETCH(int, colors);
    QFETCH(int, blockSize);
    QFETCH(bool, interlaced);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(bool, clearWhenFull);
    const QList<int> pixels = randomPixels(width * height, colors, quint32(width * 31 + codeSize));
    const QByteArray gif = Gif(width, height, tableBits)
                               .image(0, 0, width, height, pixels, 0, interlaced, codeSize, blockSize,
                                      clearWhenFull)
                               .trailer();
    const TGIFImage image = load(gif);
    const TGIFFrame &frame = image.Frames(0);
    QVERIFY(!frame.Corrupted());
    const QList<Reference> reference = giflibDecode(gif);
    QCOMPARE(reference.size(), 1);
    QCOMPARE(rgb(frame.Bitmap()), reference[0].pixels);

    // The raw decoder, on the same data, delivers the stream order.
    std::vector<std::uint8_t> out(pixels.size(), 0xEE);
    QVERIFY(!DecodeLZW(frame.PixelData()->CompressedData, out.data(), out.size(), tableBits, false));
    for (qsizetype i = 0; i < pixels.size(); ++i)
        QCOMPARE(int(out[std::size_t(i)]), pixels[i] & ((1 << tableBits) - 1));
}

void TestGif::earlyStop_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QList<int>>("decoded");
    QTest::addColumn<bool>("damaged");
    const QList<int> ramp{0, 1, 2, 3, 0, 1, 2, 3};
    // clear 4, end 5, first entry 6 ("0 1")
    QTest::newRow("end code after a short string")
        << packCodes(2, {4, 0, 1, 2, 3, 0, 1, 2, 3, 6, 5}) << ramp + QList<int>{0, 1} << false;
    QTest::newRow("data runs out")
        << packCodes(2, {4, 0, 1, 2, 3, 0, 1, 2, 3, 6}) << ramp + QList<int>{0, 1} << false;
    // A block that promises more than is left: the reader and the decoder
    // both keep what is there.
    QByteArray cut = packCodes(2, {4, 0, 1, 2, 3, 0, 1, 2, 3, 6, 5}).chopped(1);
    cut[1] = char(cut.size() + 8);
    QTest::newRow("cut sub-block") << cut << ramp + QList<int>{0, 1} << true;
    // The table is damaged: decoding stops where it stands.
    QTest::newRow("code beyond next free") << packCodes(2, {4, 1, 7, 5}) << QList<int>{1} << true;
    QTest::newRow("table code after clear") << packCodes(2, {4, 1, 2, 4, 6, 1, 5}) << QList<int>{1, 2} << true;
    // A clear or end code right after a clear is obeyed, not shown as a pixel.
    QTest::newRow("clear twice") << packCodes(2, {4, 4, 1, 2, 6, 5}) << QList<int>{1, 2, 1, 2} << false;
    QTest::newRow("end after clear") << packCodes(2, {4, 1, 2, 4, 5, 3}) << QList<int>{1, 2} << false;
    QByteArray clamped = packCodes(2, {4, 1, 2, 3, 6, 5});
    clamped[0] = 1;
    QTest::newRow("clamped code size") << clamped << QList<int>{1} << true;
}

void TestGif::earlyStop()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, decoded);
    QFETCH(bool, damaged);

    // Whatever the buffer held, nothing past what the data wrote survives.
    std::vector<std::uint8_t> out(20, 0xEE);
    QCOMPARE(DecodeLZW(data, out.data(), out.size(), 2, true), damaged);
    for (std::size_t i = 0; i < out.size(); ++i)
        QCOMPARE(int(out[i]), i < std::size_t(decoded.size()) ? decoded[qsizetype(i)] : 0);

    // The same data as a 5 x 4 frame: every pixel, not only the last.
    const TGIFImage image = load(Gif(5, 4).raw(",").u16(0).u16(0).u16(5).u16(4).u8(0).raw(data).trailer());
    const TGIFFrame &frame = image.Frames(0);
    QCOMPARE(frame.Corrupted(), damaged);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(frame.Bitmap().pixel(i % 5, i / 5), entryColor(i < decoded.size() ? decoded[i] : 0));
}

void TestGif::lzwDamage()
{
    const QByteArray data = lzwEncode(randomPixels(64, 4, 3), 2);

    // More pixels than the frame: stops at the last one.
    std::vector<std::uint8_t> small(10, 0);
    QVERIFY(!DecodeLZW(data, small.data(), small.size(), 2, true));

    // Strict decoding throws at the damage instead.
    const QByteArray beyond = packCodes(2, {4, 1, 7, 5});
    std::vector<std::uint8_t> four(4, 9);
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphicOperation, DecodeLZW(beyond, four.data(), four.size(), 2, false));

    // An empty frame decodes nothing and is not damaged.
    QVERIFY(!DecodeLZW(data, nullptr, 0, 2, true));
    QVERIFY_THROWS_EXCEPTION(EReadError, DecodeLZW(QByteArrayView(), nullptr, 0, 2, true));
}

// ------------------------------------------------------------ real files

void TestGif::filesAgainstGiflib_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir{QStringLiteral(TAVLO_TEST_DATA "/gif")};
    const QStringList files = dir.entryList({QStringLiteral("*.gif")}, QDir::Files, QDir::Name);
    QVERIFY(files.size() >= 10);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << dir.filePath(file);
}

void TestGif::filesAgainstGiflib()
{
    QFETCH(QString, path);
    const QByteArray gif = readFile(path);
    const TGIFImage image = load(gif);
    const QList<Reference> reference = giflibDecode(gif);
    QVERIFY(!reference.isEmpty());
    QCOMPARE(image.Count(), reference.size());
    for (int i = 0; i < image.Count(); ++i) {
        const TGIFFrame &frame = image.Frames(i);
        QCOMPARE(QPoint(frame.Left(), frame.Top()), QPoint(reference[i].left, reference[i].top));
        QCOMPARE(rgb(frame.Bitmap()), reference[i].pixels);
        QVERIFY(!frame.Corrupted());
    }
    if (path.endsWith(QLatin1String("animated-local.gif"))) {
        QCOMPARE(int(image.RepeatCount()), 2); // the encoder stores plays minus one
        QVERIFY(image.Frames(1).HasLocalColors());
        QVERIFY(!image.Frames(0).HasLocalColors());
        QCOMPARE(int(image.Frames(2).Delay()), 70);
        QVERIFY(image.Frames(2).TransparentColor() != clNone);
    }
    if (path.contains(QLatin1String("interlaced")))
        QVERIFY(image.Frames(0).Interlaced());
}

// ------------------------------------------------------------ the picture

void TestGif::bitmapPaletteAndDepth()
{
    // 1-bit table: the bitmap stays monochrome with 2 colours.
    const TGIFImage mono = load(Gif(8, 1, 1).image(0, 0, 8, 1, {1, 0, 1, 1, 0, 0, 0, 1}).trailer());
    QCOMPARE(mono.Frames(0).Bitmap().format(), QImage::Format_Mono);
    QCOMPARE(mono.Palette(), (QList<QRgb>{entryColor(0), entryColor(1)}));
    QCOMPARE(mono.Frames(0).Bitmap().pixel(2, 0), entryColor(1));

    // 2-bit table: a 16-entry palette whose entries past the table are grey 128.
    const TGIFImage four = load(Gif().image().trailer());
    QCOMPARE(four.Frames(0).Bitmap().format(), QImage::Format_Indexed8);
    QCOMPARE(four.Frames(0).Bitmap().colorCount(), 16);
    const QList<QRgb> palette = four.Palette();
    QCOMPARE(palette.size(), 16);
    QCOMPARE(palette[3], entryColor(3));
    for (int i = 4; i < 16; ++i)
        QCOMPARE(palette[i], qRgb(128, 128, 128));

    // 5-bit table: 256 entries.
    QCOMPARE(load(Gif(4, 2, 5).image().trailer()).Palette().size(), 256);
    QVERIFY(TGIFImage().Palette().isEmpty());
}

void TestGif::derivedValues()
{
    TGIFImage image;
    QVERIFY(image.Empty());
    QCOMPARE(image.ScreenWidth(), 0);
    QCOMPARE(image.Width(), 0);
    QCOMPARE(image.CurrentFrame(), -1);
    QCOMPARE(image.BackgroundColor(), clNone);
    QVERIFY(!image.Transparent());

    // Background index 2 of the global table.
    image.LoadGIF(Gif(7, 5, 2, "GIF89a", 2).graphicControl(0, 0, 1).image(1, 1, 3, 2).trailer().bytes(), false);
    QVERIFY(!image.Frames(0).hasBitmap());
    QVERIFY(!image.Empty());
    QCOMPARE(image.ScreenWidth(), 7);
    QCOMPARE(image.ScreenHeight(), 5);
    QCOMPARE(image.Width(), 3);
    QCOMPARE(image.Height(), 2);
    QCOMPARE(image.BackgroundColor(), entryTColor(2));
    QVERIFY(image.Transparent());
    image.setTransparent(false);
    QVERIFY(!image.Transparent());
    QVERIFY(image.PaletteModified());

    // A background index beyond the table gives no colour.
    QCOMPARE(load(Gif(4, 2, 1, "GIF89a", 2).image().trailer()).BackgroundColor(), clNone);
}

void TestGif::layoutDataAndNotification()
{
    TGIFImage image;
    int changes = 0;
    image.setOnChange([&] { ++changes; });
    const QByteArray gif = Gif().image().image().trailer();
    QByteArray layout = withLength(gif) + QByteArray("next property");
    QBuffer buffer{&layout};
    buffer.open(QIODevice::ReadOnly);
    image.ReadLayoutData(buffer);
    QCOMPARE(image.Count(), 2);
    QCOMPARE(changes, 1);
    QCOMPARE(buffer.pos(), gif.size() + 4); // exactly the value is consumed
    QVERIFY(image.Frames(0).hasBitmap());
    QVERIFY(!image.Frames(1).hasBitmap());

    // A length longer than the data is the stream read error.
    QByteArray shortLayout = withLength(gif).chopped(1);
    QVERIFY_THROWS_EXCEPTION(EReadError, image.ReadLayoutData(shortLayout));
    QVERIFY_THROWS_EXCEPTION(EReadError, image.ReadLayoutData(QByteArray("\x01\x00")));
    // A forged length near 2 GiB fails on the missing bytes, not on memory.
    QVERIFY_THROWS_EXCEPTION(EReadError, image.ReadLayoutData(QByteArray("\xff\xff\xff\x7f", 4) + gif));
    QCOMPARE(changes, 1);

    // A zero or negative length loads an empty picture.
    image.ReadLayoutData(QByteArray("\x00\x00\x00\x00", 4));
    QVERIFY(image.Empty());
    QCOMPARE(changes, 2);
    image.ReadLayoutData(QByteArray("\xfe\xff\xff\xff", 4));
    QCOMPARE(changes, 3);

    QByteArray whole = gif;
    QBuffer file{&whole};
    file.open(QIODevice::ReadOnly);
    image.LoadFromStream(file);
    QCOMPARE(image.Count(), 2);
    QCOMPARE(changes, 4);
}

void TestGif::assignmentShares()
{
    const TGIFImage source = load(Gif().loop(4).image().image().trailer());
    TGIFImage copy;
    int changes = 0;
    copy.setOnChange([&] { ++changes; });
    copy = source;
    QCOMPARE(changes, 1);
    QCOMPARE(copy.Count(), 2);
    QCOMPARE(int(copy.RepeatCount()), 4);
    QCOMPARE(&copy.Header(), &source.Header());
    QCOMPARE(copy.Frames(1).PixelData(), source.Frames(1).PixelData());
    QCOMPARE(copy.Frames(0).Bitmap().cacheKey(), source.Frames(0).Bitmap().cacheKey());
    // The copy's handler is its own.
    TGIFImage third{copy};
    third.LoadGIF(Gif().image().trailer().bytes(), true);
    QCOMPARE(changes, 1);
    QCOMPARE(copy.Count(), 2);
}

void TestGif::drawKeyed()
{
    // 2 x 2 frame: index 1 is the key.
    const TGIFImage image = load(Gif(2, 2).graphicControl(0, 0, 1).image(0, 0, 2, 2, {0, 1, 2, 1}).trailer());
    const TGIFFrame &frame = image.Frames(0);
    const QRgb under = qRgb(9, 9, 9);
    QImage canvas(6, 6, QImage::Format_RGB32);
    canvas.fill(under);
    {
        QPainter painter{&canvas};
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        frame.Draw(painter, QRect(0, 0, 6, 6), true);
    }
    // Stretched 3x, nearest-neighbour, nothing blended.
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const int index = (y / 3) * 2 + (x / 3);
            const QRgb expected = index == 0 ? entryColor(0) : index == 2 ? entryColor(2) : under;
            QCOMPARE(canvas.pixel(x, y), expected);
        }
    }
    canvas.fill(under);
    {
        QPainter painter{&canvas};
        frame.Draw(painter, QRect(1, 1, 2, 2), false);
    }
    QCOMPARE(canvas.pixel(2, 1), entryColor(1));
    QCOMPARE(canvas.pixel(0, 0), under);
    QCOMPARE(canvas.pixel(3, 3), under);

    // A 1-bit frame is keyed on its transparent colour like any other.
    const TGIFImage mono = load(Gif(2, 1, 1).graphicControl(0, 0, 1).image(0, 0, 2, 1, {0, 1}).trailer());
    QCOMPARE(mono.Frames(0).Bitmap().format(), QImage::Format_Mono);
    canvas.fill(under);
    {
        QPainter painter{&canvas};
        mono.Frames(0).Draw(painter, QRect(0, 0, 2, 1), true);
    }
    QCOMPARE(canvas.pixel(0, 0), entryColor(0));
    QCOMPARE(canvas.pixel(1, 0), under);
}

void TestGif::hugeFrameRefused()
{
    // A 65535 x 65535 frame in a few bytes: refused with the read error
    // when its bitmap is built, so the load that builds it fails.
    const QByteArray gif = Gif(65535, 65535).image(0, 0, 65535, 65535, {1, 2, 3}).trailer();
    TGIFImage image;
    try {
        image.LoadGIF(gif, true);
        QFAIL("no error raised");
    } catch (const EReadError &e) {
        QCOMPARE(e.message(), QStringLiteral("Erreur de lecture du flux"));
    }
    image.LoadGIF(gif, false);
    QCOMPARE(image.Count(), 1);
    QVERIFY_THROWS_EXCEPTION(EReadError, image.Frames(0).Bitmap());
    // Many frames together are held to a budget; each load has its own.
    const std::int64_t saved = MaxGIFImagePixels;
    MaxGIFImagePixels = 2 * 4000;
    const QByteArray three = Gif(4000, 1).image(0, 0, 4000, 1, {1}).image(0, 0, 4000, 1, {2})
                                 .image(0, 0, 4000, 1, {3}).trailer();
    TGIFImage many;
    many.LoadGIF(three, true);
    QCOMPARE(many.Frames(1).Bitmap().pixel(0, 0), entryColor(2));
    QVERIFY_THROWS_EXCEPTION(EReadError, many.Frames(2).Bitmap());
    many.LoadGIF(three, true);
    // A copy goes on with a budget of its own: what the original spends
    // does not starve it, nor the other way round.
    const TGIFImage copy{many};
    QCOMPARE(many.Frames(1).Bitmap().width(), 4000);
    QCOMPARE(copy.Frames(1).Bitmap().width(), 4000);
    QVERIFY_THROWS_EXCEPTION(EReadError, copy.Frames(2).Bitmap());
    // A step to a refused frame leaves no half-made picture for the next
    // step to build on: the cache is empty.
    FrameComposer stepper;
    TColor none = clNone;
    stepper.compose(many, 0, none);
    stepper.compose(many, 1, none);
    QCOMPARE(Probe::cacheIndex(stepper), 1);
    QVERIFY_THROWS_EXCEPTION(EReadError, stepper.compose(many, 2, none));
    QCOMPARE(Probe::cacheIndex(stepper), -1);
    QVERIFY(stepper.cache().isNull());
    // A keyed drawing borrows four bytes a pixel of the same budget while it
    // draws, and gives them back: frame after frame fits where one bitmap
    // more would not, and a drawing beyond what is left is refused.
    MaxGIFImagePixels = 2 * 4000 + 4 * 4000;
    const QByteArray twoKeyed = Gif(4000, 1).graphicControl(0, 0, 1).image(0, 0, 4000, 1, {1, 2})
                                    .graphicControl(0, 0, 1).image(0, 0, 4000, 1, {1, 3}).trailer();
    const TGIFImage keyed = load(twoKeyed);
    QImage canvas(4000, 1, QImage::Format_RGB32);
    QPainter painter{&canvas};
    for (int round = 0; round < 3; ++round) {
        keyed.Frames(0).Draw(painter, canvas.rect(), true);
        keyed.Frames(1).Draw(painter, canvas.rect(), true);
    }
    QCOMPARE(canvas.pixel(1, 0), entryColor(3));
    MaxGIFImagePixels = 2 * 4000 + 4 * 4000 - 1;
    const TGIFImage tight = load(twoKeyed);
    QCOMPARE(tight.Frames(1).Bitmap().width(), 4000);
    QVERIFY_THROWS_EXCEPTION(EReadError, tight.Frames(1).Draw(painter, canvas.rect(), true));
    painter.end();
    MaxGIFImagePixels = saved;

    // A huge logical screen loads, but composing it is refused with the
    // read error before its surface is allocated.
    const TGIFImage screen = load(Gif(65535, 65535).image(0, 0, 1, 1, {1}).trailer());
    QCOMPARE(screen.ScreenWidth(), 65535);
    FrameComposer composer;
    TColor key = clNone;
    try {
        composer.compose(screen, 0, key);
        QFAIL("no error raised");
    } catch (const EReadError &e) {
        QCOMPARE(e.message(), QStringLiteral("Erreur de lecture du flux"));
    }
    QVERIFY(composer.cache().isNull());

    // Frame rows that are merely wide decode.
    const TGIFImage wide = load(Gif(4000, 1).image(0, 0, 4000, 1, {1, 2, 3}).trailer());
    QCOMPARE(wide.Frames(0).Bitmap().pixel(1, 0), entryColor(2));
    QCOMPARE(wide.Frames(0).Bitmap().pixel(3999, 0), entryColor(0));
}

QTEST_MAIN(TestGif)
#include "tst_gif.moc"
