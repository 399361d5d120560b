#include "media/Dib.h"

#include "media/Exceptions.h"

#include <QtEndian>

#include <cstdint>

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

} // namespace

QImage decodeDib(const QByteArray &data)
{
    const Reader in(data);
    const std::uint32_t headerSize = in.u32(0);
    if (headerSize < 40 || headerSize > 1024)
        fail(QStringLiteral("en-tête de %1 octets").arg(headerSize));
    in.at(0, headerSize); // the whole header must be there, even the parts we skip

    const std::int64_t width = in.i32(4);
    const std::int64_t rawHeight = in.i32(8);
    const std::uint16_t planes = in.u16(12);
    const std::uint16_t bits = in.u16(14);
    const std::uint32_t compression = in.u32(16);
    const std::uint32_t coloursUsed = in.u32(32);

    const bool topDown = rawHeight < 0;
    const std::int64_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide || width * height > maxPixels)
        fail(QStringLiteral("dimensions %1 x %2").arg(width).arg(rawHeight));
    if (planes != 1)
        fail(QStringLiteral("%1 plans").arg(planes));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        fail(QStringLiteral("%1 bits par pixel").arg(bits));
    if (compression != biRgb)
        fail(QStringLiteral("compression %1 non prise en charge").arg(compression));

    // Pictures of 8 bits or fewer carry a table of blue, green, red, unused.
    QList<QRgb> palette;
    std::uint32_t tableEntries = 0;
    if (bits <= 8) {
        const std::uint32_t maxColours = 1u << bits;
        const std::uint32_t count = coloursUsed == 0 ? maxColours : coloursUsed;
        if (count > maxColours)
            fail(QStringLiteral("%1 couleurs pour %2 bits").arg(count).arg(bits));
        tableEntries = count;
        const uchar *table = in.at(headerSize, qint64(count) * 4);
        for (std::uint32_t i = 0; i < count; ++i)
            palette.append(qRgb(table[i * 4 + 2], table[i * 4 + 1], table[i * 4]));
        // Indices past a short table show black rather than reading on.
        while (palette.size() < qsizetype(maxColours))
            palette.append(qRgb(0, 0, 0));
    }
    // Deeper pictures may still carry an optional table that the rows follow.
    if (bits > 8)
        tableEntries = coloursUsed;
    const qint64 pixelsOffset = qint64(headerSize) + qint64(tableEntries) * 4;
    const qint64 stride = ((width * bits + 31) / 32) * 4;
    const uchar *pixels = in.at(pixelsOffset, stride * height);

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

} // namespace tavlo
