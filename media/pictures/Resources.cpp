#include "media/pictures/Resources.h"

#include "media/base/Exceptions.h"
#include "media/pictures/Jpeg.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QResource>
#include <QtEndian>

#include <cstdint>
#include <cstdlib>

#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

namespace tavlo {

QString resourcePath(const QString &type, const QString &name)
{
    // Stored upper case, so upper-casing the request is the whole of the
    // case-insensitive match.
    return QStringLiteral(":/res/") + type.toUpper() + QLatin1Char('/') + name.toUpper();
}

bool resourceExists(const QString &type, const QString &name)
{
    // A slash or a dot name would let a request climb to another type.
    for (const QString &part : {type, name})
        if (part.isEmpty() || part.contains(QLatin1Char('/')) || part.startsWith(QLatin1Char('.')))
            return false;
    return QFileInfo(resourcePath(type, name)).isFile();
}

namespace {

struct Span {
    std::uintptr_t begin;
    std::uintptr_t end;
};

// True when span lies in a read-only segment of the executable or of a
// library, whose pages the kernel reads back from the file when touched.
bool inReadOnlyFileSegment(Span span)
{
    return dl_iterate_phdr(
               [](dl_phdr_info *info, std::size_t, void *data) {
                   const Span wanted = *static_cast<const Span *>(data);
                   for (int i = 0; i < info->dlpi_phnum; ++i) {
                       const ElfW(Phdr) &segment = info->dlpi_phdr[i];
                       if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W))
                           continue;
                       const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
                       if (wanted.begin >= begin && wanted.end <= begin + segment.p_memsz)
                           return 1;
                   }
                   return 0;
               },
               &span)
        != 0;
}

// A resource is copied out whole, so the pages of the executable it was
// read from are let go, as a file is closed once read: otherwise they would
// stay in the program's memory for as long as it runs. Only pages that lie
// wholly inside the resource are released; data registered from memory of
// the program's own is never touched.
void releasePages(const uchar *data, qint64 size)
{
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const Span whole{(at + page - 1) & ~(page - 1), (at + std::uintptr_t(size)) & ~(page - 1)};
    if (whole.end > whole.begin && inReadOnlyFileSegment(whole))
        madvise(reinterpret_cast<void *>(whole.begin), whole.end - whole.begin, MADV_DONTNEED);
}

} // namespace

QByteArray resourceBytes(const QString &type, const QString &name)
{
    if (resourceExists(type, name)) {
        const QResource resource(resourcePath(type, name));
        if (resource.compressionAlgorithm() == QResource::NoCompression) {
            QByteArray bytes(reinterpret_cast<const char *>(resource.data()), resource.size());
            releasePages(resource.data(), resource.size());
            return bytes;
        }
        // Decompressed into memory of its own.
        QByteArray bytes = resource.uncompressedData();
        if (!bytes.isEmpty())
            return bytes;
    }
    throw EResNotFound(QStringLiteral("Ressource %1 non trouvée").arg(name));
}

namespace {

// The text key under which a picture names its twin.
const QString kTwinKey = QStringLiteral("Tavlo-Twin");

// The picture, told where its twice-size rendering would be. Whether it is
// there is left for the first drawing that needs it to find out: even a
// look-up reads the resource's first bytes, and so brings pages of the
// executable into memory that a screen at 100 % never needs.
QImage withTwin(QImage picture, const QString &type, const QString &name)
{
    picture.setText(kTwinKey, type.toUpper() + QLatin1Char('/') + name.toUpper() + QStringLiteral("@2X"));
    return picture;
}

[[noreturn]] void failBitmap(const QString &why)
{
    throw EInvalidGraphic(QStringLiteral("Image bitmap invalide : %1").arg(why));
}

// Every picture of `data` in Qt's reader for `format`, and in no other: left
// to guess, Qt would try (and load) every image plugin it has on the bytes.
QList<QImage> readPictures(const QByteArray &data, const char *format)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    QList<QImage> pictures;
    do {
        QImage picture;
        if (!reader.read(&picture))
            failBitmap(reader.errorString());
        pictures.append(picture);
    } while (reader.jumpToNextImage());
    return pictures;
}

} // namespace

QImage decodeBitmap(const QByteArray &dib)
{
    // Qt's reader takes a file cut short without a word, so the rows' length
    // is checked against what the header asks for first.
    if (dib.size() < 40)
        failBitmap(QStringLiteral("données tronquées"));
    const auto *at = reinterpret_cast<const uchar *>(dib.constData());
    const qint64 headerSize = qFromLittleEndian<quint32>(at);
    const qint64 width = std::abs(qint64(qFromLittleEndian<qint32>(at + 4)));
    const qint64 height = std::abs(qint64(qFromLittleEndian<qint32>(at + 8)));
    const int bits = qFromLittleEndian<quint16>(at + 14);
    const qint64 coloursUsed = qFromLittleEndian<quint32>(at + 32);
    if (width > 16384 || height > 16384)
        failBitmap(QStringLiteral("dimensions %1 x %2").arg(width).arg(height));
    const qint64 tableEntries = coloursUsed ? coloursUsed : bits <= 8 ? qint64(1) << bits : 0;
    const qint64 rowsAt = headerSize + 4 * tableEntries;
    if (rowsAt + (width * bits + 31) / 32 * 4 * height > dib.size())
        failBitmap(QStringLiteral("données tronquées"));
    // The 14-byte file header the resource goes without: its mark, the
    // file's length, two reserved words and where the rows start.
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), file.data() + 2);
    qToLittleEndian<quint32>(quint32(14 + rowsAt), file.data() + 10);
    return readPictures(file + dib, "bmp").constFirst().convertToFormat(QImage::Format_RGB32);
}

QImage decodeIcon(const QByteArray &data)
{
    QImage largest;
    for (const QImage &picture : readPictures(data, "ico"))
        if (picture.width() * picture.height() > largest.width() * largest.height())
            largest = picture;
    return largest.convertToFormat(QImage::Format_ARGB32);
}

QImage loadJpegResource(const QString &name)
{
    const QString type = QStringLiteral("JPEG");
    return withTwin(decodeJpeg(resourceBytes(type, name)), type, name);
}

QImage loadBitmapResource(const QString &name)
{
    const QString type = QStringLiteral("BITMAP");
    return withTwin(decodeBitmap(resourceBytes(type, name)), type, name);
}

QString twinResourceOf(const QImage &picture)
{
    return picture.text(kTwinKey);
}

} // namespace tavlo
