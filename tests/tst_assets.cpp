// The embedded pictures and sounds: every format fact is read back from the
// resources linked into this executable, the lookup layer's case rules and
// miss message, the JPEG, DIB and icon decoders on damaged data, and the
// regions of the background that the main window's controls sit on.

#include "media/base/Exceptions.h"
#include "media/pictures/Backdrop.h"
#include "media/pictures/HiDpi.h"
#include "media/pictures/Jpeg.h"
#include "media/pictures/Resources.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>
#include <QtTest>

#include <gif_lib.h>

#include <cmath>
#include <functional>
#include <numbers>

using namespace tavlo;

namespace {

int luma(QRgb c)
{
    return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
}

// Field readers that give 0 past the end, so a short file fails a
// comparison instead of reading out of bounds.
quint16 u16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        return 0;
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 u32(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0;
    return quint32(u16(b, at)) | quint32(u16(b, at + 2)) << 16;
}

quint16 be16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size())
        return 0;
    return quint16(quint8(b[at]) << 8 | quint8(b[at + 1]));
}

// ---- JPEG markers -------------------------------------------------------

struct JpegFacts {
    bool progressive{false};
    bool baseline{false};
    int width{0}, height{0}, precision{0}, components{0};
    QList<int> sampling; // one 0xHV byte per component
    bool jfif{false};
    int jfifMajor{0}, jfifMinor{0}, units{0}, xDensity{0}, yDensity{0};
    bool endMarker{false};
};

// Walks the marker segments up to the first scan, then checks the stream
// ends with an end-of-image marker.
JpegFacts jpegFacts(const QByteArray &b)
{
    JpegFacts f;
    if (b.size() < 4 || quint8(b[0]) != 0xFF || quint8(b[1]) != 0xD8)
        return f;
    qsizetype at = 2;
    while (at + 4 <= b.size()) {
        if (quint8(b[at]) != 0xFF)
            break;
        const int marker = quint8(b[at + 1]);
        const int length = be16(b, at + 2);
        const qsizetype body = at + 4;
        if (body + length - 2 > b.size())
            break;
        if (marker == 0xE0 && b.mid(body, 5) == QByteArray("JFIF\0", 5)) {
            f.jfif = true;
            f.jfifMajor = quint8(b[body + 5]);
            f.jfifMinor = quint8(b[body + 6]);
            f.units = quint8(b[body + 7]);
            f.xDensity = be16(b, body + 8);
            f.yDensity = be16(b, body + 10);
        } else if (marker == 0xC0 || marker == 0xC2) {
            f.baseline |= marker == 0xC0;
            f.progressive |= marker == 0xC2;
            f.precision = quint8(b[body]);
            f.height = be16(b, body + 1);
            f.width = be16(b, body + 3);
            f.components = quint8(b[body + 5]);
            for (int c = 0; c < f.components; ++c)
                f.sampling.append(quint8(b[body + 6 + c * 3 + 1]));
        } else if (marker == 0xDA) {
            break;
        }
        at = body + length - 2;
    }
    f.endMarker = b.endsWith(QByteArray("\xFF\xD9", 2));
    return f;
}

// ---- RIFF chunks --------------------------------------------------------

struct Chunk {
    QByteArray id;
    quint32 size{0};
    qsizetype offset{0}; // of the chunk's data
};

QList<Chunk> riffChunks(const QByteArray &b)
{
    QList<Chunk> chunks;
    qsizetype at = 12;
    while (at + 8 <= b.size()) {
        Chunk c{b.mid(at, 4), u32(b, at + 4), at + 8};
        chunks.append(c);
        at = c.offset + c.size + (c.size % 2);
    }
    return chunks;
}

QList<QByteArray> chunkIds(const QList<Chunk> &chunks)
{
    QList<QByteArray> ids;
    for (const Chunk &c : chunks)
        ids.append(c.id);
    return ids;
}

// ---- GIF blocks ---------------------------------------------------------

// What the stream says block by block, read without a GIF library so the
// byte order of the blocks is checked as written.
struct GifControl {
    int disposal{0}, delay{0};
    bool transparent{false};
    int transparentIndex{0};
};
struct GifImage {
    int left{0}, top{0}, width{0}, height{0};
    int localTableSize{0}; // 0: none
    qsizetype localTableOffset{0};
    GifControl control;
    bool hasControl{false};
};
struct GifStream {
    bool ok{false};
    QByteArray signature;
    int width{0}, height{0};
    int globalTableSize{0};
    qsizetype globalTableOffset{0};
    int aspect{0};
    int backgroundIndex{0};
    int loopCount{-1};
    bool loopBeforeFirstImage{false};
    QList<GifImage> images;
    QList<QByteArray> blockOrder; // "loop", "control", "image", "comment", "trailer"
    QList<int> commentSubBlocks;
    bool trailerIsLastByte{false};
};

GifStream gifStream(const QByteArray &b)
{
    GifStream g;
    if (b.size() < 13)
        return g;
    g.signature = b.left(6);
    g.width = u16(b, 6);
    g.height = u16(b, 8);
    const int packed = quint8(b[10]);
    g.backgroundIndex = quint8(b[11]);
    g.aspect = quint8(b[12]);
    qsizetype at = 13;
    if (packed & 0x80) {
        g.globalTableSize = 2 << (packed & 7);
        g.globalTableOffset = at;
        at += 3 * g.globalTableSize;
    }
    auto subBlocks = [&](QList<QByteArray> *out) {
        while (at < b.size()) {
            const int n = quint8(b[at++]);
            if (n == 0)
                return true;
            if (at + n > b.size())
                return false;
            if (out)
                out->append(b.mid(at, n));
            at += n;
        }
        return false;
    };
    GifControl pending;
    bool hasPending = false;
    while (at < b.size()) {
        const int introducer = quint8(b[at++]);
        if (introducer == 0x3B) {
            g.blockOrder.append("trailer");
            g.trailerIsLastByte = at == b.size();
            g.ok = true;
            return g;
        }
        if (introducer == 0x21) {
            if (at >= b.size())
                return g;
            const int label = quint8(b[at++]);
            QList<QByteArray> blocks;
            if (!subBlocks(&blocks))
                return g;
            if (label == 0xF9 && !blocks.isEmpty() && blocks[0].size() == 4) {
                const QByteArray &c = blocks[0];
                pending.disposal = (quint8(c[0]) >> 2) & 7;
                pending.transparent = quint8(c[0]) & 1;
                pending.delay = u16(c, 1);
                pending.transparentIndex = quint8(c[3]);
                hasPending = true;
                g.blockOrder.append("control");
            } else if (label == 0xFF && !blocks.isEmpty() && blocks[0] == "NETSCAPE2.0" && blocks.size() > 1
                       && blocks[1].size() == 3) {
                g.loopCount = u16(blocks[1], 1);
                g.loopBeforeFirstImage = g.images.isEmpty();
                g.blockOrder.append("loop");
            } else if (label == 0xFE) {
                g.commentSubBlocks.append(int(blocks.size()));
                g.blockOrder.append("comment");
            } else {
                g.blockOrder.append("extension");
            }
        } else if (introducer == 0x2C) {
            if (at + 9 > b.size())
                return g;
            GifImage image;
            image.left = u16(b, at);
            image.top = u16(b, at + 2);
            image.width = u16(b, at + 4);
            image.height = u16(b, at + 6);
            const int flags = quint8(b[at + 8]);
            at += 9;
            if (flags & 0x80) {
                image.localTableSize = 2 << (flags & 7);
                image.localTableOffset = at;
                at += 3 * image.localTableSize;
            }
            image.control = pending;
            image.hasControl = hasPending;
            hasPending = false;
            ++at; // LZW minimum code size
            if (!subBlocks(nullptr))
                return g;
            g.images.append(image);
            g.blockOrder.append("image");
        } else {
            return g;
        }
    }
    return g;
}

QRgb tableColour(const QByteArray &b, qsizetype tableOffset, int index)
{
    const qsizetype at = tableOffset + 3 * index;
    return qRgb(quint8(b[at]), quint8(b[at + 1]), quint8(b[at + 2]));
}

// giflib decodes the pixels, for the checks on what each index shows.
struct GifPixels {
    struct Frame {
        int width{0}, height{0};
        QList<QRgb> table;
        QByteArray indices;
    };
    QList<Frame> frames;
    QString error;
};

int readFromBuffer(GifFileType *gif, GifByteType *out, int length)
{
    auto *buffer = static_cast<QBuffer *>(gif->UserData);
    return int(buffer->read(reinterpret_cast<char *>(out), length));
}

GifPixels gifPixels(const QByteArray &bytes)
{
    GifPixels result;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    int error = 0;
    GifFileType *gif = DGifOpen(&buffer, readFromBuffer, &error);
    if (!gif) {
        result.error = QString::fromUtf8(GifErrorString(error));
        return result;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        result.error = QString::fromUtf8(GifErrorString(gif->Error));
    } else {
        for (int i = 0; i < gif->ImageCount; ++i) {
            const SavedImage &s = gif->SavedImages[i];
            const ColorMapObject *map = s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : gif->SColorMap;
            GifPixels::Frame frame;
            frame.width = s.ImageDesc.Width;
            frame.height = s.ImageDesc.Height;
            for (int c = 0; map && c < map->ColorCount; ++c)
                frame.table.append(qRgb(map->Colors[c].Red, map->Colors[c].Green, map->Colors[c].Blue));
            frame.indices = QByteArray(reinterpret_cast<const char *>(s.RasterBits), frame.width * frame.height);
            result.frames.append(frame);
        }
    }
    DGifCloseFile(gif, &error);
    return result;
}

// ---- twice-size pictures ------------------------------------------------

// A picture resource as the game draws it: JPEG and BITMAP decoded by the
// game's loaders, a GIF's first frame with its transparent pixels clear.
QImage pictureResource(const QString &type, const QString &name)
{
    if (type == "JPEG")
        return loadJpegResource(name);
    if (type == "BITMAP")
        return loadBitmapResource(name);
    const QByteArray b = resourceBytes(type, name);
    const GifStream g = gifStream(b);
    const GifPixels px = gifPixels(b);
    if (!g.ok || g.images.isEmpty() || px.frames.isEmpty())
        return {};
    const GifPixels::Frame &f = px.frames.first();
    const GifControl &c = g.images.first().control;
    QImage image(f.width, f.height, QImage::Format_ARGB32);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            const int index = quint8(f.indices[y * f.width + x]);
            image.setPixel(x, y, c.transparent && index == c.transparentIndex ? 0u : f.table.value(index));
        }
    return image;
}

// Mean difference of two pictures of one size, per channel with alpha, 0..255.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    if (x.size() != y.size())
        return 255;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q))
                   + std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}

// The share of the pixels that differ from the top-left pixel of their
// 2 x 2 block: 0 for a picture that is a pixel-doubled copy. Blocks that
// are wholly transparent are left out.
double blockDetail(const QImage &image)
{
    int differ = 0, counted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y), corner = image.pixel(x & ~1, y & ~1);
            if (qAlpha(p) == 0 && qAlpha(corner) == 0)
                continue;
            ++counted;
            differ += p != corner;
        }
    return counted ? double(differ) / counted : 0;
}

// ---- sound measures -----------------------------------------------------

QList<double> pcm8(const QByteArray &wav, const Chunk &data)
{
    QList<double> s;
    for (quint32 i = 0; i < data.size; ++i)
        s.append((quint8(wav[data.offset + i]) - 128) / 128.0);
    return s;
}

double rms(const QList<double> &s, int from, int to)
{
    double sum = 0;
    for (int i = from; i < to; ++i)
        sum += s[i] * s[i];
    return std::sqrt(sum / std::max(1, to - from));
}

// Strongest frequency by a plain DFT scan, in 10 Hz steps.
double peakFrequency(const QList<double> &s, int from, int to, double rate, double lo, double hi)
{
    double best = 0, bestPower = -1;
    for (double hz = lo; hz <= hi; hz += 10) {
        double re = 0, im = 0;
        for (int i = from; i < to; ++i) {
            const double w = 2 * std::numbers::pi * hz * i / rate;
            re += s[i] * std::cos(w);
            im += s[i] * std::sin(w);
        }
        const double power = re * re + im * im;
        if (power > bestPower) {
            bestPower = power;
            best = hz;
        }
    }
    return best;
}

// ---- damaged data -------------------------------------------------------

// Runs a decoder on damaged data: it must either throw EInvalidGraphic or
// give a picture within sane bounds. Anything else (another exception, a
// crash, a read past the data under the sanitizer) fails the test.
enum class Outcome { Threw, Decoded, Wrong };
Outcome decodeOutcome(const std::function<QImage(const QByteArray &)> &decode, const QByteArray &data)
{
    try {
        const QImage image = decode(data);
        if (image.isNull() || image.width() > 16384 || image.height() > 16384)
            return Outcome::Wrong;
        return Outcome::Decoded;
    } catch (const EInvalidGraphic &e) {
        return e.message().isEmpty() ? Outcome::Wrong : Outcome::Threw;
    }
}

// A DIB of width x height at bits per pixel, with the given table and rows
// (already padded, in stored order).
QByteArray makeDib(int width, int height, int bits, const QList<QRgb> &table, const QByteArray &rows,
                   quint32 coloursUsed = 0)
{
    QByteArray b(40, '\0');
    qToLittleEndian<quint32>(40, b.data());
    qToLittleEndian<qint32>(width, b.data() + 4);
    qToLittleEndian<qint32>(height, b.data() + 8);
    qToLittleEndian<quint16>(1, b.data() + 12);
    qToLittleEndian<quint16>(quint16(bits), b.data() + 14);
    qToLittleEndian<quint32>(quint32(rows.size()), b.data() + 20);
    qToLittleEndian<quint32>(coloursUsed, b.data() + 32);
    for (QRgb c : table) {
        b.append(char(qBlue(c)));
        b.append(char(qGreen(c)));
        b.append(char(qRed(c)));
        b.append('\0');
    }
    return b + rows;
}

// An icon file of one width x height picture: the directory, then a DIB
// whose stored height counts the colour rows and the mask rows.
QByteArray makeIcon(int width, int height, int bits, const QList<QRgb> &table, const QByteArray &rows,
                    const QByteArray &mask)
{
    const QByteArray dib = makeDib(width, height * 2, bits, table, rows + mask, quint32(table.size()));
    QByteArray b(22, '\0');
    qToLittleEndian<quint16>(1, b.data() + 2);       // an icon
    qToLittleEndian<quint16>(1, b.data() + 4);       // one picture
    b[6] = char(width);
    b[7] = char(height);
    qToLittleEndian<quint16>(1, b.data() + 10);      // planes
    qToLittleEndian<quint16>(quint16(bits), b.data() + 12);
    qToLittleEndian<quint32>(quint32(dib.size()), b.data() + 14);
    qToLittleEndian<quint32>(22, b.data() + 18);     // where the picture starts
    return b + dib;
}

} // namespace

class TestAssets : public QObject {
    Q_OBJECT

private slots:
    void everyAssetIsEmbedded_data();
    void everyAssetIsEmbedded();
    void lookupIgnoresCase_data();
    void lookupIgnoresCase();
    void missNamesTheResourceAsSpelled_data();
    void missNamesTheResourceAsSpelled();

    void jpegFormat_data();
    void jpegFormat();
    void jpegDecoderAgreesWithQt();
    void bitmapFormat_data();
    void bitmapFormat();
    void bitmapDecoderAgreesWithQt();
    void discFramesTurnFromBlackToWhite();
    void backdropKeepsOnlyItsParts();

    void clickWave();
    void bloqueWave();

    void titleGif_data();
    void titleGif();
    void characterGif_data();
    void characterGif();
    void iconIsSixteenColours_data();
    void iconIsSixteenColours();
    void twinDepictsItsPicture_data();
    void twinDepictsItsPicture();
    void drawPictureFollowsThePixelRatio_data();
    void drawPictureFollowsThePixelRatio();

    void dibVariants_data();
    void dibVariants();
    void damagedDibThrows_data();
    void damagedDibThrows();
    void damagedJpegThrows();

    void backgroundRecessUnderTurnIndicator();
    void backgroundDiscsUnderCounters_data();
    void backgroundDiscsUnderCounters();
    void backgroundRulesPanel();
    void resultPictureLeavesTextBandFree();
};

void TestAssets::everyAssetIsEmbedded_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    const QList<QPair<QString, QString>> all{
        {"JPEG", "FOND"},     {"JPEG", "SPLASH"},   {"JPEG", "FINAL"},    {"BITMAP", "PIONB0"},
        {"BITMAP", "PIONB1"}, {"BITMAP", "PIONB2"}, {"BITMAP", "PIONB3"}, {"BITMAP", "PIONB4"},
        {"BITMAP", "PIONB5"}, {"BITMAP", "PIONB6"}, {"BITMAP", "PIONB7"}, {"WAVE", "CLICK"},
        {"WAVE", "BLOQUE"},   {"GIF", "TITLE"},     {"GIF", "CHARACTER"}, {"ICON", "MAINICON"},
    };
    for (const auto &[type, name] : all) {
        QTest::newRow(qPrintable(type + "/" + name)) << type << name;
        // Every picture has its twice-size rendering beside it.
        if (type != "WAVE")
            QTest::newRow(qPrintable(type + "/" + name + "@2X")) << type << name + "@2X";
    }
}

void TestAssets::everyAssetIsEmbedded()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    // Read through QFile directly too: the static library's resources must
    // have been registered in this executable, not just the lookup working.
    QVERIFY2(QFile::exists(":/res/" + type + "/" + name), qPrintable(type + "/" + name));
    QVERIFY(resourceExists(type, name));
    QVERIFY(resourceBytes(type, name).size() > 200);
}

void TestAssets::lookupIgnoresCase_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Fond") << "JPEG" << "Fond" << "FOND";
    QTest::newRow("fond lower type") << "jpeg" << "fond" << "FOND";
    QTest::newRow("PionB3") << "BITMAP" << "PionB3" << "PIONB3";
    QTest::newRow("PionB0") << "Bitmap" << "PionB0" << "PIONB0";
    QTest::newRow("Click") << "WAVE" << "Click" << "CLICK";
    QTest::newRow("Bloque") << "Wave" << "Bloque" << "BLOQUE";
    QTest::newRow("Splash") << "JPEG" << "sPlAsH" << "SPLASH";
    QTest::newRow("MainIcon") << "icon" << "MainIcon" << "MAINICON";
}

void TestAssets::lookupIgnoresCase()
{
    QFETCH(QString, type);
    QFETCH(QString, asked);
    QFETCH(QString, stored);
    QFile file(":/res/" + type.toUpper() + "/" + stored);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(resourceBytes(type, asked), file.readAll());
}

void TestAssets::missNamesTheResourceAsSpelled_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::newRow("unknown name") << "JPEG" << "Fonds";
    QTest::newRow("right name, wrong type") << "WAVE" << "Fond";
    QTest::newRow("unknown type") << "PNG" << "Fond";
    QTest::newRow("disc past the last") << "BITMAP" << "PionB8";
    QTest::newRow("accented") << "WAVE" << "Bravé";
    QTest::newRow("path escape") << "JPEG" << "../BITMAP/PIONB0";
    QTest::newRow("empty") << "JPEG" << "";
    QTest::newRow("dot") << "JPEG" << ".";
    QTest::newRow("type as name") << "BITMAP" << "..";
    QTest::newRow("type escape") << "JPEG/../BITMAP" << "PionB0";
}

void TestAssets::missNamesTheResourceAsSpelled()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    QVERIFY(!resourceExists(type, name));
    try {
        resourceBytes(type, name);
        QFAIL("no exception");
    } catch (const EResNotFound &e) {
        QCOMPARE(e.message(), QString("Ressource ") + name + QString::fromUtf8(" non trouvée"));
    }
    QVERIFY_THROWS_EXCEPTION(EResNotFound, loadJpegResource(name + "x"));
    QVERIFY_THROWS_EXCEPTION(EResNotFound, loadBitmapResource(name + "x"));
}

void TestAssets::jpegFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("dpi");
    QTest::newRow("FOND") << "FOND" << QSize(800, 600) << 72;
    QTest::newRow("SPLASH") << "SPLASH" << QSize(300, 300) << 72;
    QTest::newRow("FINAL") << "FINAL" << QSize(300, 300) << 72;
    QTest::newRow("FOND@2X") << "FOND@2X" << QSize(1600, 1200) << 144;
    QTest::newRow("SPLASH@2X") << "SPLASH@2X" << QSize(600, 600) << 144;
    QTest::newRow("FINAL@2X") << "FINAL@2X" << QSize(600, 600) << 144;
}

void TestAssets::jpegFormat()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(int, dpi);
    const QByteArray bytes = resourceBytes("JPEG", name);
    const JpegFacts f = jpegFacts(bytes);
    QVERIFY(f.progressive);
    QVERIFY(!f.baseline);
    QCOMPARE(QSize(f.width, f.height), size);
    QCOMPARE(f.precision, 8);
    QCOMPARE(f.components, 3);
    QCOMPARE(f.sampling, QList<int>({0x11, 0x11, 0x11}));
    QVERIFY(f.jfif);
    QCOMPARE(f.jfifMajor, 1);
    QCOMPARE(f.jfifMinor, 2);
    QCOMPARE(f.units, 1); // dots per inch
    QCOMPARE(f.xDensity, dpi);
    QCOMPARE(f.yDensity, dpi);
    QVERIFY(f.endMarker);

    const QImage image = loadJpegResource(name);
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format(), QImage::Format_RGB32);
}

void TestAssets::jpegDecoderAgreesWithQt()
{
    // Both decode with libjpeg; the same stream must give (almost) the same
    // pixels, which catches a swapped channel order or a shifted row.
    const QByteArray bytes = resourceBytes("JPEG", "SPLASH");
    const QImage ours = decodeJpeg(bytes);
    const QImage theirs = QImage::fromData(bytes, "JPEG").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(ours.size(), theirs.size());
    int worst = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const QRgb a = ours.pixel(x, y), b = theirs.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    QVERIFY2(worst <= 3, qPrintable(QString("largest channel difference %1").arg(worst)));
}

void TestAssets::bitmapFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("side");
    QTest::addColumn<quint32>("pixelsPerMetre");
    for (int i = 0; i < 8; ++i) {
        QTest::newRow(qPrintable(QString("PIONB%1").arg(i))) << QString("PionB%1").arg(i) << 60 << 2834u;
        QTest::newRow(qPrintable(QString("PIONB%1@2X").arg(i))) << QString("PionB%1@2x").arg(i) << 120 << 5668u;
    }
}

void TestAssets::bitmapFormat()
{
    QFETCH(QString, name);
    QFETCH(int, side);
    QFETCH(quint32, pixelsPerMetre);
    // Rows of 3 bytes a pixel need no padding at these widths.
    const quint32 imageSize = quint32(side * side * 3);
    const QByteArray b = resourceBytes("BITMAP", name);
    QCOMPARE(b.size(), qsizetype(40 + imageSize)); // 10,840 bytes at 60 x 60
    QCOMPARE(u32(b, 0), 40u);                 // header size
    QCOMPARE(qint32(u32(b, 4)), side);        // width
    QCOMPARE(qint32(u32(b, 8)), side);        // height, positive: bottom-up
    QCOMPARE(u16(b, 12), quint16(1));         // planes
    QCOMPARE(u16(b, 14), quint16(24));        // bits per pixel
    QCOMPARE(u32(b, 16), 0u);                 // no compression
    QCOMPARE(u32(b, 20), imageSize);          // image size
    QCOMPARE(u32(b, 24), pixelsPerMetre);     // pixels per metre
    QCOMPARE(u32(b, 28), pixelsPerMetre);
    QCOMPARE(u32(b, 32), 0u);                 // no palette
    QCOMPARE(u32(b, 36), 0u);

    const QImage image = loadBitmapResource(name);
    QCOMPARE(image.size(), QSize(side, side));
    QVERIFY(!image.hasAlphaChannel());
}

void TestAssets::bitmapDecoderAgreesWithQt()
{
    // Qt reads the same bitmap once given the 14-byte file header.
    for (int i = 0; i < 16; ++i) {
        const QByteArray dib = resourceBytes("BITMAP", QString(i < 8 ? "PIONB%1" : "PIONB%1@2X").arg(i % 8));
        QByteArray file("BM");
        file.resize(14);
        qToLittleEndian<quint32>(quint32(14 + dib.size()), file.data() + 2);
        qToLittleEndian<quint32>(0, file.data() + 6);
        qToLittleEndian<quint32>(14 + 40, file.data() + 10);
        const QImage theirs = QImage::fromData(file + dib, "BMP").convertToFormat(QImage::Format_RGB32);
        QCOMPARE(decodeBitmap(dib), theirs);
    }
}

void TestAssets::discFramesTurnFromBlackToWhite()
{
    // The middle of the square: the empty square's warm gradient, the black
    // disc, then the white disc. Corners of every frame are the empty square.
    QList<QImage> frames;
    for (int i = 0; i < 8; ++i)
        frames.append(loadBitmapResource(QString("PionB%1").arg(i)));
    const QRgb empty = frames[0].pixel(30, 30);
    QVERIFY2(qRed(empty) > qBlue(empty) + 30, "the empty square is pink to orange-brown");
    QVERIFY(luma(frames[1].pixel(30, 30)) < 60);
    QVERIFY(luma(frames[7].pixel(30, 30)) > 170);
    for (int i = 1; i < 8; ++i)
        for (QPoint corner : {QPoint(3, 3), QPoint(56, 3), QPoint(3, 56), QPoint(56, 56)})
            QCOMPARE(frames[i].pixel(corner), frames[0].pixel(corner));
    // Edge-on, the disc is a thin band: above and below it the square shows.
    QCOMPARE(frames[4].pixel(30, 12), frames[0].pixel(30, 12));
    QCOMPARE(frames[4].pixel(30, 47), frames[0].pixel(30, 47));
}

void TestAssets::clickWave()
{
    const QByteArray w = resourceBytes("WAVE", "Click");
    QCOMPARE(w.left(4), QByteArray("RIFF"));
    QCOMPARE(w.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(qsizetype(u32(w, 4)) + 8, w.size());
    const QList<Chunk> chunks = riffChunks(w);
    QCOMPARE(chunkIds(chunks), QList<QByteArray>({"fmt ", "fact", "data"}));

    const Chunk &fmt = chunks[0];
    QCOMPARE(fmt.size, 18u);
    QCOMPARE(u16(w, fmt.offset + 0), quint16(1));      // PCM
    QCOMPARE(u16(w, fmt.offset + 2), quint16(1));      // mono
    QCOMPARE(u32(w, fmt.offset + 4), 11025u);          // rate
    QCOMPARE(u32(w, fmt.offset + 8), 11025u);          // bytes per second
    QCOMPARE(u16(w, fmt.offset + 12), quint16(1));     // block align
    QCOMPARE(u16(w, fmt.offset + 14), quint16(8));     // bits
    QCOMPARE(u16(w, fmt.offset + 16), quint16(0x7900)); // extension word
    QCOMPARE(chunks[1].size, 4u);
    QCOMPARE(u32(w, chunks[1].offset), 221u);
    const Chunk &data = chunks[2];
    QCOMPARE(data.size, 221u);
    // The odd data chunk is followed by exactly one pad byte, then the end.
    QCOMPARE(data.offset + 221 + 1, w.size());
    QCOMPARE(w.at(w.size() - 1), '\0');
    QCOMPARE(w.size(), 280);

    const QList<double> s = pcm8(w, data);
    QCOMPARE(221.0 / 11025, 0.020045351473922902);
    const double peak = peakFrequency(s, 0, int(s.size()), 11025, 200, 5000);
    QVERIFY2(peak >= 1300 && peak <= 1700, qPrintable(QString("peak at %1 Hz").arg(peak)));
    QVERIFY(rms(s, 0, 60) > 0.1);
    // Starts and ends at rest: no step at either edge.
    QVERIFY(std::abs(s.first()) < 0.05);
    QVERIFY(std::abs(s.last()) < 0.05);
}

void TestAssets::bloqueWave()
{
    const QByteArray w = resourceBytes("WAVE", "Bloque");
    QCOMPARE(qsizetype(u32(w, 4)) + 8, w.size());
    const QList<Chunk> chunks = riffChunks(w);
    QCOMPARE(chunkIds(chunks), QList<QByteArray>({"fmt ", "data"}));
    const Chunk &fmt = chunks[0];
    QCOMPARE(fmt.size, 16u);
    QCOMPARE(u16(w, fmt.offset + 0), quint16(1));
    QCOMPARE(u16(w, fmt.offset + 2), quint16(1));
    QCOMPARE(u32(w, fmt.offset + 4), 22254u);
    QCOMPARE(u32(w, fmt.offset + 8), 22254u);
    QCOMPARE(u16(w, fmt.offset + 12), quint16(1));
    QCOMPARE(u16(w, fmt.offset + 14), quint16(8));
    QCOMPARE(chunks[1].size, 11136u);
    QCOMPARE(chunks[1].offset + 11136, w.size());

    // Two bursts: short and mid-pitched, a pause, then longer, louder,
    // lower, fading out before the end.
    const QList<double> s = pcm8(w, chunks[1]);
    const double rate = 22254;
    auto at = [&](double seconds) { return int(seconds * rate); };
    const double first = rms(s, at(0.03), at(0.10));
    const double pause = rms(s, at(0.135), at(0.19));
    const double second = rms(s, at(0.21), at(0.30));
    const double tail = rms(s, at(0.45), at(0.50));
    QVERIFY2(first > 0.1, qPrintable(QString::number(first)));
    QVERIFY2(pause < 0.01, qPrintable(QString::number(pause)));
    QVERIFY2(second > first * 1.3, qPrintable(QString("%1 vs %2").arg(second).arg(first)));
    QVERIFY2(tail < 0.01, qPrintable(QString::number(tail)));
    QVERIFY(rms(s, at(0.38), at(0.42)) < second / 2);
    const double pitch1 = peakFrequency(s, at(0.03), at(0.10), rate, 100, 1500);
    const double pitch2 = peakFrequency(s, at(0.21), at(0.30), rate, 100, 1500);
    QVERIFY2(pitch1 >= 400 && pitch1 <= 1000, qPrintable(QString::number(pitch1)));
    QVERIFY2(pitch2 < pitch1 * 0.75, qPrintable(QString("%1 vs %2").arg(pitch2).arg(pitch1)));
}

void TestAssets::titleGif_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scale");
    QTest::newRow("TITLE") << "Title" << 1;
    QTest::newRow("TITLE@2X") << "Title@2x" << 2;
}

void TestAssets::titleGif()
{
    QFETCH(QString, name);
    QFETCH(int, scale);
    const QByteArray b = resourceBytes("GIF", name);
    const GifStream g = gifStream(b);
    QVERIFY(g.ok);
    QCOMPARE(g.signature, QByteArray("GIF89a"));
    QCOMPARE(QSize(g.width, g.height), QSize(400, 70) * scale);
    QCOMPARE(g.globalTableSize, 256);
    QCOMPARE(g.backgroundIndex, 235);
    QCOMPARE(g.loopCount, 0);
    QVERIFY(g.loopBeforeFirstImage);
    QCOMPARE(g.images.size(), 20);
    QVERIFY(g.trailerIsLastByte);
    for (int i = 0; i < g.images.size(); ++i) {
        const GifImage &im = g.images[i];
        QCOMPARE(QRect(im.left, im.top, im.width, im.height), QRect(QPoint(0, 0), QSize(400, 70) * scale));
        QCOMPARE(im.localTableSize, i == 0 ? 0 : 256);
        QVERIFY(im.hasControl);
        QCOMPARE(im.control.delay, 10);
        QCOMPARE(im.control.disposal, 2);
        QVERIFY(im.control.transparent);
        QCOMPARE(im.control.transparentIndex, 235);
        const qsizetype table = i == 0 ? g.globalTableOffset : im.localTableOffset;
        QCOMPARE(tableColour(b, table, 235), qRgb(0, 0, 0));
    }
    QCOMPARE(tableColour(b, g.globalTableOffset, 235), qRgb(0, 0, 0));

    // Nothing opaque may show the key colour, or a keyed drawing punches a
    // hole in the letters; and every frame has both letters and background.
    const GifPixels px = gifPixels(b);
    QVERIFY2(px.error.isEmpty(), qPrintable(px.error));
    QCOMPARE(px.frames.size(), 20);
    for (int i = 0; i < px.frames.size(); ++i) {
        const GifPixels::Frame &f = px.frames[i];
        int transparent = 0, keyed = 0;
        for (char c : f.indices) {
            const int index = quint8(c);
            if (index == 235)
                ++transparent;
            else if (f.table[index] == qRgb(0, 0, 0))
                ++keyed;
        }
        QCOMPARE(keyed, 0);
        QVERIFY2(transparent > f.indices.size() / 10, qPrintable(QString("frame %1").arg(i)));
        QVERIFY2(transparent < f.indices.size() * 9 / 10, qPrintable(QString("frame %1").arg(i)));
    }
}

void TestAssets::characterGif_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("scale");
    QTest::newRow("CHARACTER") << "Character" << 1;
    QTest::newRow("CHARACTER@2X") << "Character@2x" << 2;
}

void TestAssets::characterGif()
{
    QFETCH(QString, name);
    QFETCH(int, scale);
    const QByteArray b = resourceBytes("GIF", name);
    const GifStream g = gifStream(b);
    QVERIFY(g.ok);
    QCOMPARE(g.signature, QByteArray("GIF89a"));
    QCOMPARE(QSize(g.width, g.height), QSize(90, 115) * scale);
    QCOMPARE(g.globalTableSize, 64);
    QCOMPARE(g.aspect, 1);
    QCOMPARE(g.backgroundIndex, 1);
    QCOMPARE(g.loopCount, 1000);
    QVERIFY(g.loopBeforeFirstImage);
    const QList<QRect> rects{{0, 0, 90, 115}, {3, 1, 80, 111}, {3, 2, 81, 108},
                             {12, 9, 67, 102}, {4, 5, 79, 106}, {2, 3, 82, 109}};
    QCOMPARE(g.images.size(), rects.size());
    for (int i = 0; i < g.images.size(); ++i) {
        const GifImage &im = g.images[i];
        const QRect r = rects[i];
        QCOMPARE(QRect(im.left, im.top, im.width, im.height),
                 QRect(r.left() * scale, r.top() * scale, r.width() * scale, r.height() * scale));
        QCOMPARE(im.localTableSize, 0);
        QVERIFY(im.hasControl);
        QCOMPARE(im.control.delay, 10);
        QCOMPARE(im.control.disposal, 2);
        QVERIFY(im.control.transparent);
        QCOMPARE(im.control.transparentIndex, 1);
    }
    QCOMPARE(tableColour(b, g.globalTableOffset, 1), qRgb(255, 255, 255));
    // The comment is the last block before the trailer.
    QVERIFY(g.blockOrder.size() >= 2);
    QCOMPARE(g.blockOrder.last(), QByteArray("trailer"));
    QCOMPARE(g.blockOrder[g.blockOrder.size() - 2], QByteArray("comment"));
    QCOMPARE(g.commentSubBlocks, QList<int>({3}));
    QVERIFY(g.trailerIsLastByte);

    const GifPixels px = gifPixels(b);
    QVERIFY2(px.error.isEmpty(), qPrintable(px.error));
    QCOMPARE(px.frames.size(), 6);
    for (const GifPixels::Frame &f : px.frames) {
        int transparent = 0, keyed = 0;
        for (char c : f.indices) {
            const int index = quint8(c);
            if (index == 1)
                ++transparent;
            else if (f.table[index] == qRgb(255, 255, 255))
                ++keyed;
        }
        QCOMPARE(keyed, 0);
        QVERIFY(transparent > 0);
        QVERIFY(transparent < f.indices.size() * 9 / 10);
    }
}

void TestAssets::iconIsSixteenColours_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("side");
    QTest::addColumn<quint32>("bytes");
    // header and palette, then 4-bit colour rows and 1-bit mask rows, each
    // padded to 4 bytes
    QTest::newRow("MAINICON") << "MainIcon" << 32 << 744u;
    QTest::newRow("MAINICON@2X") << "MainIcon@2x" << 64 << 2664u;
}

void TestAssets::iconIsSixteenColours()
{
    QFETCH(QString, name);
    QFETCH(int, side);
    QFETCH(quint32, bytes);
    const QByteArray b = resourceBytes("ICON", name);
    QCOMPARE(u16(b, 0), quint16(0));
    QCOMPARE(u16(b, 2), quint16(1)); // icon
    QCOMPARE(u16(b, 4), quint16(1)); // one image
    QCOMPARE(quint8(b[6]), quint8(side));
    QCOMPARE(quint8(b[7]), quint8(side));
    QCOMPARE(quint8(b[8]), quint8(16));
    QCOMPARE(u16(b, 12), quint16(4));
    QCOMPARE(u32(b, 14), bytes);
    const quint32 at = u32(b, 18);
    QCOMPARE(qsizetype(at + bytes), b.size());
    QCOMPARE(u32(b, at), 40u);
    QCOMPARE(qint32(u32(b, at + 8)), side * 2); // colour rows and mask rows
    QCOMPARE(u16(b, at + 14), quint16(4));
    const QList<QRgb> standard{0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) {
        const qsizetype e = at + 40 + i * 4;
        QCOMPARE(qRgb(quint8(b[e + 2]), quint8(b[e + 1]), quint8(b[e])), standard[i] | 0xFF000000u);
    }
    const QImage image = decodeIcon(b);
    QCOMPARE(image.size(), QSize(side, side));
    QImage theirs;
    QVERIFY(theirs.loadFromData(b, "ICO"));
    QCOMPARE(image, theirs.convertToFormat(QImage::Format_ARGB32));
    // Opaque throughout: a raised grey frame (light top-left edge, black
    // bottom-right one) around a checkerboard that starts white.
    const int s = side / 32;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            QCOMPARE(qAlpha(image.pixel(x, y)), 255);
    QCOMPARE(image.pixel(0, 0), qRgb(192, 192, 192));
    QCOMPARE(image.pixel(side - 1, side - 1), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(2 * s, 16 * s), qRgb(128, 128, 128));
    QCOMPARE(image.pixel(5 * s, 5 * s), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(11 * s, 5 * s), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(11 * s, 11 * s), qRgb(255, 255, 255));
    QVERIFY(!QIcon(":/res/ICON/" + name.toUpper()).isNull());
}

void TestAssets::twinDepictsItsPicture_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("tolerance"); // mean difference, per channel
    // Compressed apart, so a little off each other.
    QTest::newRow("FOND") << "JPEG" << "Fond" << 4.0;
    QTest::newRow("SPLASH") << "JPEG" << "Splash" << 4.0;
    QTest::newRow("FINAL") << "JPEG" << "Final" << 4.0;
    for (int i = 0; i < 8; ++i)
        QTest::newRow(qPrintable(QString("PIONB%1").arg(i))) << "BITMAP" << QString("PionB%1").arg(i) << 2.0;
    // Quantised and dithered apart.
    QTest::newRow("TITLE") << "GIF" << "Title" << 4.0;
    QTest::newRow("CHARACTER") << "GIF" << "Character" << 4.0;
}

void TestAssets::twinDepictsItsPicture()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(double, tolerance);
    const QImage base = pictureResource(type, name);
    const QImage twin = pictureResource(type, name + "@2x");
    QVERIFY(!base.isNull());
    QCOMPARE(twin.size(), base.size() * 2);
    // Averaged over its 2 x 2 blocks, the twin is the picture itself: the
    // same drawing at the same place.
    const QImage halved = twin.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(base.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double difference = meanDifference(halved, base);
    QVERIFY2(difference < tolerance, qPrintable(QString("mean difference %1").arg(difference)));
    // Yet it is drawn anew at its size, not a pixel-doubled copy.
    const double detail = blockDetail(twin);
    QVERIFY2(detail > 0.2, qPrintable(QString("%1 of the pixels differ inside their 2 x 2 block").arg(detail)));
    // The game's loaders note the twin but leave it to be decoded when a
    // scaled screen needs it.
    if (type != "GIF")
        QCOMPARE(twinOf(base).size(), twin.size());
}

void TestAssets::drawPictureFollowsThePixelRatio_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<bool>("withTwin");
    for (const auto &[type, name] : QList<QPair<QString, QString>>{{"BITMAP", "PionB7"}, {"JPEG", "Splash"}}) {
        for (qreal ratio : {1.0, 2.0, 1.25, 1.5, 3.0})
            QTest::newRow(qPrintable(QString("%1 at %2").arg(name).arg(ratio))) << type << name << ratio << true;
    }
    QTest::newRow("background at 1") << "JPEG" << "Fond" << 1.0 << true;
    QTest::newRow("background at 2") << "JPEG" << "Fond" << 2.0 << true;
    QTest::newRow("a picture without twin at 2") << "BITMAP" << "PionB1" << 2.0 << false;
}

void TestAssets::drawPictureFollowsThePixelRatio()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(qreal, ratio);
    QFETCH(bool, withTwin);
    QImage picture = pictureResource(type, name);
    if (!withTwin) // the same pixels, without the note of a twin
        picture = QImage(picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine(),
                         picture.format()).copy();
    // A surface of the given pixel ratio, as the windows' are; every corner
    // below lands on whole device pixels.
    const QPoint at(8, 4);
    const QSize logical = picture.size() + QSize(16, 8);
    const auto blank = [&] {
        QImage surface((QSizeF(logical) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        surface.setDevicePixelRatio(ratio);
        surface.fill(Qt::black);
        return surface;
    };
    QImage empty = blank();
    empty.setDevicePixelRatio(1);
    QImage drawn = blank();
    {
        QPainter p(&drawn);
        drawPicture(p, at, picture);
    }
    // What painting the 1x picture gave before there were twins.
    QImage plain = blank();
    {
        QPainter p(&plain);
        p.drawImage(at, picture);
    }
    const QRect area((QPointF(at) * ratio).toPoint(), (QSizeF(picture.size()) * ratio).toSize());
    drawn.setDevicePixelRatio(1);
    plain.setDevicePixelRatio(1);
    const QImage shown = drawn.copy(area).convertToFormat(QImage::Format_RGB32);
    if (ratio == 1.0 || !withTwin) {
        QCOMPARE(drawn, plain);
        return;
    }
    QImage twin = twinOf(picture);
    QVERIFY(!twin.isNull());
    twin.setDevicePixelRatio(1);
    // Nothing is drawn outside the picture's place.
    QImage outside = drawn;
    QPainter(&outside).fillRect(area, Qt::black);
    QCOMPARE(outside, empty);
    if (ratio == 2.0) {
        QCOMPARE(shown, twin.convertToFormat(QImage::Format_RGB32));
        return;
    }
    // At other ratios the twin is filtered smoothly to the size on screen:
    // close to a smooth scaling of it, far from the 1x picture's pixels
    // repeated.
    const QImage smooth = twin.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage blocky = picture.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const double fromSmooth = meanDifference(shown, smooth);
    const double fromBlocky = meanDifference(shown, blocky);
    QVERIFY2(fromSmooth < 3 && fromSmooth < fromBlocky / 2,
             qPrintable(QString("from the smooth scaling %1, from the 1x pixels %2").arg(fromSmooth).arg(fromBlocky)));
}

void TestAssets::dibVariants_data()
{
    QTest::addColumn<QByteArray>("dib");
    QTest::addColumn<QList<QRgb>>("pixels"); // top row first
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("icon"); // an icon file, for decodeIcon

    const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255), w = qRgb(255, 255, 255);
    // 3 x 2 at 24 bits: 9 bytes a row padded to 12; bottom row stored first.
    QByteArray rows24 = QByteArray::fromHex("0000ff" "00ff00" "ff0000" "000000"   // bottom: r g b
                                            "ffffff" "0000ff" "00ff00" "000000"); // top: w r g
    QTest::newRow("24-bit bottom-up, padded rows")
        << makeDib(3, 2, 24, {}, rows24) << QList<QRgb>{w, r, g, r, g, b} << QSize(3, 2) << false;
    QTest::newRow("24-bit top-down")
        << makeDib(3, -2, 24, {}, rows24) << QList<QRgb>{r, g, b, w, r, g} << QSize(3, 2) << false;
    QTest::newRow("32-bit")
        << makeDib(2, 1, 32, {}, QByteArray::fromHex("0000ff00" "ff000000")) << QList<QRgb>{r, b}
        << QSize(2, 1) << false;
    QTest::newRow("8-bit, three colours used")
        << makeDib(2, 2, 8, {r, g, b}, QByteArray::fromHex("00010000" "02000000"), 3)
        << QList<QRgb>{b, r, r, g} << QSize(2, 2) << false;
    QTest::newRow("4-bit")
        << makeDib(3, 1, 4, {r, g, b, w}, QByteArray::fromHex("31200000"), 4) << QList<QRgb>{w, g, b}
        << QSize(3, 1) << false;
    QTest::newRow("1-bit")
        << makeDib(9, 1, 1, {r, b}, QByteArray::fromHex("a0800000")) << QList<QRgb>{b, r, b, r, r, r, r, r, b}
        << QSize(9, 1) << false;
    QTest::newRow("8-bit index past a short table is black")
        << makeDib(1, 1, 8, {r}, QByteArray::fromHex("05000000"), 1) << QList<QRgb>{qRgb(0, 0, 0)}
        << QSize(1, 1) << false;

    // Two pictures listed, the larger second: that one is shown.
    QByteArray two = makeIcon(1, 1, 24, {}, QByteArray::fromHex("0000ff00"), QByteArray(4, '\0'));
    const QByteArray larger = makeIcon(2, 2, 24, {}, QByteArray::fromHex("ff00000000ff0000" "00ff0000ff000000"),
                                       QByteArray(8, '\0'))
                                  .mid(22);
    two.insert(22, QByteArray(16, '\0'));
    qToLittleEndian<quint16>(2, two.data() + 4);
    qToLittleEndian<quint32>(22 + 16, two.data() + 18);
    two[22] = 2;
    two[23] = 2;
    qToLittleEndian<quint32>(quint32(larger.size()), two.data() + 22 + 8);
    qToLittleEndian<quint32>(quint32(two.size()), two.data() + 22 + 12);
    two += larger;
    QTest::newRow("icon, the largest of its pictures")
        << two << QList<QRgb>{g, g, b, r} << QSize(2, 2) << true;
}

void TestAssets::dibVariants()
{
    QFETCH(QByteArray, dib);
    QFETCH(QList<QRgb>, pixels);
    QFETCH(QSize, size);
    QFETCH(bool, icon);
    const QImage image = icon ? decodeIcon(dib) : decodeBitmap(dib);
    QCOMPARE(image.size(), size);
    QList<QRgb> got;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            got.append(image.pixel(x, y));
    QCOMPARE(got, pixels);
}

void TestAssets::damagedDibThrows_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("headerAt"); // where the bitmap's info header starts
    QTest::newRow("bitmap") << "BITMAP" << "PIONB4" << 0;
    QTest::newRow("icon") << "ICON" << "MAINICON" << 22;
}

void TestAssets::damagedDibThrows()
{
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(int, headerAt);
    const bool icon = type == "ICON";
    const auto decode = icon ? decodeIcon : decodeBitmap;
    const QByteArray good = resourceBytes(type, name);
    QCOMPARE(decodeOutcome(decode, good), Outcome::Decoded);

    // Any cut leaves too few rows (or mask rows), or too little header.
    for (qsizetype length = 0; length < good.size(); length += (length < 64 ? 1 : 97))
        QVERIFY2(decodeOutcome(decode, good.left(length)) == Outcome::Threw,
                 qPrintable(QString("cut at %1").arg(length)));
    QVERIFY(decodeOutcome(decode, good.left(good.size() - 1)) == Outcome::Threw);

    // Every single-bit flip of the headers: an error, or a picture that
    // stays inside the data (the sanitizer build checks the reads).
    int threw = 0;
    for (int bit = 0; bit < (headerAt + 40) * 8; ++bit) {
        QByteArray bad = good;
        bad[bit / 8] = char(bad[bit / 8] ^ (1 << (bit % 8)));
        const Outcome o = decodeOutcome(decode, bad);
        QVERIFY2(o != Outcome::Wrong, qPrintable(QString("bit %1").arg(bit)));
        threw += o == Outcome::Threw;
    }
    QVERIFY2(threw > 100, qPrintable(QString::number(threw)));

    // Fields that could ask for huge or impossible pictures (offsets in the
    // bitmap header, then in the icon's directory).
    struct Lie {
        int offset;
        int bytes;
        quint32 value;
        bool directory;
    };
    // Qt's icon reader makes do with header fields that do not add up (the
    // bit flips above check that it stays inside the data); the bitmaps'
    // length is checked against their header before Qt reads them.
    QList<Lie> lies;
    if (!icon)
        lies = {{0, 4, 0xFFFFFFFF, false}, {4, 4, 0, false},          {4, 4, 0x7FFFFFFF, false},
                {4, 4, 0x80000000, false}, {8, 4, 0, false},          {8, 4, 0x80000000, false},
                {8, 4, 0x7FFFFFFF, false}, {12, 2, 2, false},         {14, 2, 2, false},
                {16, 4, 1, false},         {32, 4, 300, false}};
    else
        lies = {{0, 2, 1, true},           // reserved
                {4, 2, 0, true},           // no picture
                {4, 2, 0xFFFF, true},      // more entries than there is file
                {14, 4, 0xFFFFFFFF, true}, // the picture's length
                {18, 4, 0xFFFFFFF0, true}, // where it starts
                {18, 4, 0, true}};         // at the directory itself
    for (const Lie &lie : lies) {
        QByteArray bad = good;
        char *at = bad.data() + lie.offset + (lie.directory ? 0 : headerAt);
        if (lie.bytes == 2)
            qToLittleEndian<quint16>(quint16(lie.value), at);
        else
            qToLittleEndian<quint32>(lie.value, at);
        QVERIFY2(decodeOutcome(decode, bad) == Outcome::Threw,
                 qPrintable(QString("%1 field at %2 = %3").arg(lie.directory ? "directory" : "bitmap")
                                .arg(lie.offset)
                                .arg(lie.value)));
    }
    if (icon) {
        // A picture that claims to be PNG and is not.
        QByteArray png = good;
        png.replace(headerAt, 8, QByteArray::fromHex("89504e470d0a1a0a"));
        QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, decodeIcon(png));
        return;
    }
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, decodeBitmap(QByteArray(40, '\xFF')));
    // 8 bits with a full table declared but only part of it present.
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, decodeBitmap(makeDib(1, 1, 8, {qRgb(1, 2, 3)}, {})));
}

void TestAssets::damagedJpegThrows()
{
    const QByteArray good = resourceBytes("JPEG", "SPLASH");
    QCOMPARE(decodeOutcome(decodeJpeg, good), Outcome::Decoded);
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, decodeJpeg(QByteArray()));
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, decodeJpeg(QByteArray(5000, 'x')));
    QVERIFY_THROWS_EXCEPTION(EInvalidGraphic, decodeJpeg(resourceBytes("BITMAP", "PIONB0")));
    try {
        decodeJpeg(QByteArray(100, '\0'));
        QFAIL("no exception");
    } catch (const EInvalidGraphic &e) {
        QVERIFY(e.message().startsWith("Image JPEG invalide : "));
        QVERIFY(e.message().size() > 24);
    }

    // A stream cut anywhere, even just before its end marker, is damaged:
    // libjpeg alone would only warn and fill the rest with grey.
    QList<qsizetype> cuts{0, 1, 2, 3, 4, 20, 100, good.size() - 2, good.size() - 1};
    for (qsizetype length = 200; length < good.size(); length += good.size() / 40)
        cuts.append(length);
    for (qsizetype length : cuts)
        QVERIFY2(decodeOutcome(decodeJpeg, good.left(length)) == Outcome::Threw,
                 qPrintable(QString("cut at %1 of %2").arg(length).arg(good.size())));

    // Bit flips all over the stream; a fixed generator keeps runs identical.
    // Flips inside entropy-coded data may decode to a changed picture.
    quint32 seed = 12345;
    int threw = 0;
    const int variants = 150;
    for (int i = 0; i < variants; ++i) {
        seed = seed * 1664525u + 1013904223u;
        QByteArray bad = good;
        const qsizetype at = i < 50 ? qsizetype(seed % 700) : qsizetype(seed % quint32(good.size()));
        bad[at] = char(bad[at] ^ (1 << ((seed >> 24) % 8)));
        const Outcome o = decodeOutcome(decodeJpeg, bad);
        QVERIFY2(o != Outcome::Wrong, qPrintable(QString("flip at %1").arg(at)));
        threw += o == Outcome::Threw;
    }
    QVERIFY2(threw > 10, qPrintable(QString("%1 of %2 threw").arg(threw).arg(variants)));
}

// ---- the background under the controls ----------------------------------

void TestAssets::backgroundRecessUnderTurnIndicator()
{
    // The turn indicator's 60 x 60 square sits over a square recess: its
    // floor, one even tone, fills the square to the edges, and a rim rises
    // right around it.
    const QImage fond = loadJpegResource("Fond");
    const QRect box(96, 120, 60, 60);
    auto meanLuma = [&](const QRect &r) {
        double sum = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                sum += luma(fond.pixel(x, y));
        return sum / (r.width() * r.height());
    };
    const QRect floor = box.adjusted(2, 2, -2, -2);
    const double mean = meanLuma(floor);
    double spread = 0;
    for (int y = floor.top(); y <= floor.bottom(); ++y)
        for (int x = floor.left(); x <= floor.right(); ++x)
            spread += (luma(fond.pixel(x, y)) - mean) * (luma(fond.pixel(x, y)) - mean);
    spread = std::sqrt(spread / (floor.width() * floor.height()));
    QVERIFY2(spread < 12, qPrintable(QString("floor spread %1").arg(spread)));

    // Per side: the line just inside the square is floor, and within a few
    // pixels outside it the rim stands apart from the floor.
    struct Side {
        const char *name;
        QRect inner;
        int dx, dy;
    };
    const QList<Side> sides{{"left", QRect(box.left() + 2, box.top() + 10, 1, 40), -1, 0},
                            {"right", QRect(box.right() - 2, box.top() + 10, 1, 40), 1, 0},
                            {"top", QRect(box.left() + 10, box.top() + 2, 40, 1), 0, -1},
                            {"bottom", QRect(box.left() + 10, box.bottom() - 2, 40, 1), 0, 1}};
    for (const Side &side : sides) {
        const double inner = meanLuma(side.inner);
        QVERIFY2(std::abs(inner - mean) < 15,
                 qPrintable(QString("%1 edge %2 vs floor %3").arg(side.name).arg(inner).arg(mean)));
        double farthest = 0;
        for (int d = 3; d <= 12; ++d)
            farthest = std::max(farthest, std::abs(meanLuma(side.inner.translated(side.dx * d, side.dy * d)) - mean));
        QVERIFY2(farthest > 25, qPrintable(QString("%1: no rim, at most %2 from the floor").arg(side.name).arg(farthest)));
    }
}

void TestAssets::backgroundDiscsUnderCounters_data()
{
    QTest::addColumn<QRect>("label");
    QTest::addColumn<bool>("white");
    QTest::newRow("LabelPionB over the white disc") << QRect(105, 262, 43, 29) << true;
    QTest::newRow("LabelPionN over the black disc") << QRect(105, 354, 43, 29) << false;
}

void TestAssets::backgroundDiscsUnderCounters()
{
    QFETCH(QRect, label);
    QFETCH(bool, white);
    const QImage fond = loadJpegResource("Fond");
    // Light enough for black digits, dark enough for white ones.
    auto isDisc = [&](QRgb c) { return white ? luma(c) >= 170 : luma(c) <= 85; };

    // The whole label lies on the disc, so its count reads on its colour.
    int onDisc = 0;
    for (int y = label.top(); y <= label.bottom(); ++y)
        for (int x = label.left(); x <= label.right(); ++x)
            onDisc += isDisc(fond.pixel(x, y));
    QVERIFY2(onDisc >= label.width() * label.height() * 9 / 10,
             qPrintable(QString("%1 of %2 pixels").arg(onDisc).arg(label.width() * label.height())));

    // The disc is centred under the label: walk out from the label's centre
    // along each axis to the disc's edge, the first sharp step in brightness
    // (the black disc's light rim, the white disc's dark socket); the edges
    // are equally far.
    const QPoint c = label.center();
    auto reach = [&](int dx, int dy) {
        int d = 12;
        while (d < 60) {
            const int here = luma(fond.pixel(c.x() + dx * d, c.y() + dy * d));
            const int next = luma(fond.pixel(c.x() + dx * (d + 1), c.y() + dy * (d + 1)));
            if (std::abs(next - here) >= 25)
                break;
            ++d;
        }
        return d;
    };
    const int left = reach(-1, 0), right = reach(1, 0), up = reach(0, -1), down = reach(0, 1);
    QVERIFY2(left >= 21 && right >= 21 && up >= 14 && down >= 14,
             qPrintable(QString("disc reach %1 %2 %3 %4").arg(left).arg(right).arg(up).arg(down)));
    QVERIFY2(std::abs(left - right) <= 4 && std::abs(up - down) <= 4,
             qPrintable(QString("disc reach %1 %2 %3 %4").arg(left).arg(right).arg(up).arg(down)));
    QVERIFY2(left < 60 && right < 60 && up < 60 && down < 60, "the disc ends in a socket");
}

void TestAssets::backgroundRulesPanel()
{
    const QImage fond = loadJpegResource("Fond");
    const QRect board(277, 93, 480, 480);
    // The panel about (262, 78) to (785, 585), less its rounded corners and
    // rim, is dark purple where the board does not cover it.
    const QRect panel = QRect(QPoint(262, 78), QPoint(785, 585)).adjusted(8, 8, -8, -8);
    auto isYellow = [](QRgb c) {
        return qRed(c) > 150 && qGreen(c) > 120 && qBlue(c) < 120 && qRed(c) - qBlue(c) > 90;
    };
    auto isDarkPurple = [](QRgb c) {
        return luma(c) < 110 && qBlue(c) > qGreen(c) + 10 && qRed(c) > qGreen(c);
    };
    int ring = 0, purple = 0, yellowOutside = 0, yellowInside = 0;
    QPoint firstStray;
    for (int y = panel.top(); y <= panel.bottom(); ++y)
        for (int x = panel.left(); x <= panel.right(); ++x) {
            const QRgb c = fond.pixel(x, y);
            if (board.contains(x, y)) {
                yellowInside += isYellow(c);
                continue;
            }
            ++ring;
            purple += isDarkPurple(c);
            if (isYellow(c) && yellowOutside++ == 0)
                firstStray = QPoint(x, y);
        }
    QVERIFY2(purple >= ring * 95 / 100, qPrintable(QString("%1 of %2 ring pixels dark purple").arg(purple).arg(ring)));
    QVERIFY2(yellowOutside == 0, qPrintable(QString("%1 yellow pixels outside the board, first at (%2,%3)")
                                                .arg(yellowOutside).arg(firstStray.x()).arg(firstStray.y())));
    // The rules are there to read when the board is hidden.
    QVERIFY2(yellowInside > 5000, qPrintable(QString::number(yellowInside)));
}

void TestAssets::resultPictureLeavesTextBandFree()
{
    // The result text is drawn over the picture's lower band: no figure
    // there, only a quiet background with no sharp edges to fight the text.
    const QImage final = loadJpegResource("Final");
    const QRect band(8, 249, 284, 46);
    int sharp = 0;
    for (int y = band.top(); y <= band.bottom(); ++y)
        for (int x = band.left(); x < band.right(); ++x)
            sharp += std::abs(luma(final.pixel(x + 1, y)) - luma(final.pixel(x, y))) > 24;
    QVERIFY2(sharp < band.width() * band.height() / 100, qPrintable(QString("%1 sharp steps").arg(sharp)));
}

void TestAssets::backdropKeepsOnlyItsParts()
{
    QImage picture(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 6, y * 8, (x ^ y) * 4));
    int decodes = 0;
    Backdrop backdrop([&] {
        ++decodes;
        return picture;
    });
    backdrop.setPicture(picture);
    backdrop.keepOnly({QRect(2, 3, 10, 5), QRect(20, 10, 8, 12)}, 1.0);
    const auto painted = [&](const QRect &rect) {
        QImage canvas(picture.size(), QImage::Format_RGB32);
        canvas.fill(Qt::black);
        QPainter p(&canvas);
        p.setClipRect(rect);
        backdrop.draw(p, rect);
        p.end();
        return canvas.copy(rect);
    };
    // Within the parts nothing is decoded; beyond them the picture is, for
    // that paint alone, and every pixel lands as the whole picture's would.
    QCOMPARE(painted(QRect(4, 4, 6, 3)), picture.copy(4, 4, 6, 3));
    QCOMPARE(decodes, 0);
    QCOMPARE(painted(picture.rect()), picture);
    QCOMPARE(decodes, 1);
    QVERIFY(backdrop.keepsParts());
}

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
