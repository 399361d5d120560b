#include "media/pictures/Dib.h"

#include "media/base/Exceptions.h"

#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tavlo {

namespace {

constexpr std::int64_t maxSide = 16384;
constexpr std::int64_t maxPixels = 64ll * 1024 * 1024;
constexpr std::uint32_t biRgb = 0;

[[noreturn]] void fail(const QString &why)
{
    throw EInvalidGraphic(QStringLiteral("Image bitmap invalide : %1").arg(why));
}

// Every read goes through here, so no field can lie its way past the end.
class Reader {
public:
    explicit Reader(const QByteArray &data)
        : m_data{reinterpret_cast<const uchar *>(data.constData())}, m_size{data.size()}
    {
    }
    qsizetype size() const { return m_size; }
    const uchar *at(qint64 offset, qint64 length) const
    {
        if (offset < 0 || length < 0 || offset > m_size || length > m_size - offset)
            fail(QStringLiteral("données tronquées"));
        return m_data + offset;
    }
    std::uint16_t u16(qint64 offset) const { return qFromLittleEndian<quint16>(at(offset, 2)); }
    std::uint32_t u32(qint64 offset) const { return qFromLittleEndian<quint32>(at(offset, 4)); }
    std::int32_t i32(qint64 offset) const { return qFromLittleEndian<qint32>(at(offset, 4)); }

private:
    const uchar *m_data;
    qsizetype m_size;
};

// The fields of a bitmap info header that decoding needs.
struct DibHeader {
    std::uint32_t size{0};
    std::int64_t width{0};
    std::int64_t height{0}; // as stored: negative for top-down rows
    std::uint16_t bits{0};
    std::uint32_t coloursUsed{0};
};

DibHeader readHeader(const Reader &in)
{
    DibHeader h;
    h.size = in.u32(0);
    if (h.size < 40 || h.size > 1024)
        fail(QStringLiteral("en-tête de %1 octets").arg(h.size));
    in.at(0, h.size); // the whole header must be there, even the parts we skip
    h.width = in.i32(4);
    h.height = in.i32(8);
    const std::uint16_t planes = in.u16(12);
    h.bits = in.u16(14);
    const std::uint32_t compression = in.u32(16);
    h.coloursUsed = in.u32(32);
    if (planes != 1)
        fail(QStringLiteral("%1 plans").arg(planes));
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24 && h.bits != 32)
        fail(QStringLiteral("%1 bits par pixel").arg(h.bits));
    if (compression != biRgb)
        fail(QStringLiteral("compression %1 non prise en charge").arg(compression));
    return h;
}

void checkSize(std::int64_t width, std::int64_t height, std::int64_t stored)
{
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide || width * height > maxPixels)
        fail(QStringLiteral("dimensions %1 x %2").arg(width).arg(stored));
}

qint64 strideOf(std::int64_t width, int bits)
{
    return ((width * bits + 31) / 32) * 4;
}

// Decodes the colour table and height rows that follow the header; returns
// the opaque picture and sets rowsAt to the offset of its first row.
QImage decodeRows(const Reader &in, const DibHeader &h, std::int64_t height, bool topDown, qint64 &rowsAt)
{
    const std::int64_t width = h.width;
    const int bits = h.bits;
    // Pictures of 8 bits or fewer carry a table of blue, green, red, unused.
    QList<QRgb> palette;
    std::uint32_t tableEntries = 0;
    if (bits <= 8) {
        const std::uint32_t maxColours = 1u << bits;
        const std::uint32_t count = h.coloursUsed == 0 ? maxColours : h.coloursUsed;
        if (count > maxColours)
            fail(QStringLiteral("%1 couleurs pour %2 bits").arg(count).arg(bits));
        tableEntries = count;
        const uchar *table = in.at(h.size, qint64(count) * 4);
        for (std::uint32_t i = 0; i < count; ++i)
            palette.append(qRgb(table[i * 4 + 2], table[i * 4 + 1], table[i * 4]));
        // Indices past a short table show black rather than reading on.
        while (palette.size() < qsizetype(maxColours))
            palette.append(qRgb(0, 0, 0));
    }
    // Deeper pictures may still carry an optional table that the rows follow.
    if (bits > 8)
        tableEntries = h.coloursUsed;
    const qint64 pixelsOffset = qint64(h.size) + qint64(tableEntries) * 4;
    const qint64 stride = strideOf(width, bits);
    const uchar *pixels = in.at(pixelsOffset, stride * height);
    rowsAt = pixelsOffset;

    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        fail(QStringLiteral("mémoire insuffisante"));
    for (std::int64_t row = 0; row < height; ++row) {
        const uchar *src = pixels + row * stride;
        const int y = int(topDown ? row : height - 1 - row);
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (std::int64_t x = 0; x < width; ++x) {
            switch (bits) {
            case 32:
            case 24: {
                const uchar *p = src + x * (bits / 8);
                dst[x] = qRgb(p[2], p[1], p[0]);
                break;
            }
            case 8:
                dst[x] = palette[src[x]];
                break;
            case 4:
                dst[x] = palette[(src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
                break;
            case 1:
                dst[x] = palette[(src[x / 8] >> (7 - x % 8)) & 1];
                break;
            }
        }
    }
    return image;
}

} // namespace

QImage decodeDib(const QByteArray &data)
{
    const Reader in(data);
    const DibHeader h = readHeader(in);
    const bool topDown = h.height < 0;
    const std::int64_t height = topDown ? -h.height : h.height;
    checkSize(h.width, height, h.height);
    qint64 rowsAt = 0;
    return decodeRows(in, h, height, topDown, rowsAt);
}

QImage decodeIcon(const QByteArray &data)
{
    const Reader file(data);
    if (file.u16(0) != 0 || file.u16(2) != 1)
        fail(QStringLiteral("ce n'est pas une icône"));
    const std::uint16_t count = file.u16(4);
    if (count == 0)
        fail(QStringLiteral("icône sans image"));
    // The largest picture the directory lists; its entry says where it is.
    int chosen = -1;
    int chosenSide = 0;
    for (int i = 0; i < count; ++i) {
        const uchar *entry = file.at(6 + qint64(i) * 16, 16);
        const int side = std::max(entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256);
        if (side > chosenSide) {
            chosen = i;
            chosenSide = side;
        }
    }
    const qint64 entry = 6 + qint64(chosen) * 16;
    const std::uint32_t length = file.u32(entry + 8);
    const std::uint32_t offset = file.u32(entry + 12);
    const uchar *bytes = file.at(offset, length);
    // Its own reader, so the picture cannot reach into its neighbours.
    const QByteArray picture = QByteArray::fromRawData(reinterpret_cast<const char *>(bytes), qsizetype(length));
    const Reader in(picture);
    if (length >= 4 && std::memcmp(bytes, "\x89PNG", 4) == 0)
        fail(QStringLiteral("icône PNG non prise en charge"));

    const DibHeader h = readHeader(in);
    // The stored height counts the colour rows and the mask rows; both run
    // bottom-up.
    if (h.height <= 0 || h.height % 2 != 0)
        fail(QStringLiteral("hauteur d'icône %1").arg(h.height));
    const std::int64_t height = h.height / 2;
    checkSize(h.width, height, h.height);
    qint64 rowsAt = 0;
    const QImage colours = decodeRows(in, h, height, false, rowsAt);
    const qint64 stride = strideOf(h.width, h.bits);
    const uchar *pixels = in.at(rowsAt, stride * height);
    const qint64 maskStride = strideOf(h.width, 1);
    const uchar *mask = in.at(rowsAt + stride * height, maskStride * height);

    QImage image = colours.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        fail(QStringLiteral("mémoire insuffisante"));
    // 32-bit pictures may carry an alpha of their own; older ones leave it
    // zero and rely on the mask alone.
    bool ownAlpha = false;
    if (h.bits == 32)
        for (qint64 i = 3; i < stride * height && !ownAlpha; i += 4)
            ownAlpha = pixels[i] != 0;
    for (std::int64_t row = 0; row < height; ++row) {
        auto *dst = reinterpret_cast<QRgb *>(image.scanLine(int(height - 1 - row)));
        const uchar *src = pixels + row * stride;
        const uchar *maskRow = mask + row * maskStride;
        for (std::int64_t x = 0; x < h.width; ++x) {
            if (ownAlpha)
                dst[x] = qRgba(qRed(dst[x]), qGreen(dst[x]), qBlue(dst[x]), src[x * 4 + 3]);
            else if ((maskRow[x / 8] >> (7 - x % 8)) & 1)
                dst[x] = qRgba(0, 0, 0, 0);
        }
    }
    return image;
}

} // namespace tavlo
