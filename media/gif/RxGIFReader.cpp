#include "media/gif/RxGIFReader.h"

#include "media/base/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace tavlo {

namespace {

const QString readErrorText = QStringLiteral("Erreur de lecture du flux");

constexpr char introExtension = '!';
constexpr char introImage = ',';
constexpr char introTrailer = ';';

constexpr std::uint8_t labelGraphicControl = 0xF9;
constexpr std::uint8_t labelPlainText = 0x01;
constexpr std::uint8_t labelApplication = 0xFF;
constexpr std::uint8_t labelComment = 0xFE;

constexpr std::uint16_t maxRepeatCount = 30000;

[[noreturn]] void readError()
{
    throw EReadError(readErrorText);
}

// Colour count to bits per pixel; the tables only ever hold powers of two.
int colorsToBits(int count)
{
    for (int bits = 1; bits <= 8; ++bits) {
        if (count == (1 << bits))
            return bits;
    }
    throw EInvalidGraphicOperation(QStringLiteral("Wrong number of colors; must be a power of 2"));
}

// Whether the first k identifier bytes of an application block (k is the
// block size byte, normally 11) equal those of a looping identifier.
bool isLoopIdentifier(const QByteArray &fixedPart)
{
    if (fixedPart.isEmpty())
        return false;
    const int k = std::uint8_t(fixedPart[0]);
    // The identifiers have 11 bytes; a longer claimed block cannot match.
    if (k > 11 || fixedPart.size() < 1 + k)
        return false;
    for (const char *id : {"NETSCAPE2.0", "ANIMEXTS1.0"}) {
        if (std::memcmp(fixedPart.constData() + 1, id, std::size_t(k)) == 0)
            return true;
    }
    return false;
}

// The repeat count of a loop extension; nothing for any other extension.
std::optional<std::uint16_t> loopCount(const TExtension &ext)
{
    if (ext.Kind() != TExtensionKind::Application || ext.Lines().isEmpty())
        return std::nullopt;
    const QByteArray &first = ext.Lines()[0];
    if (!isLoopIdentifier(ext.FixedPart()) || first.size() < 3 || first[0] != 1)
        return std::nullopt;
    const unsigned count = std::uint8_t(first[1]) | (unsigned(std::uint8_t(first[2])) << 8);
    return std::uint16_t(std::min<unsigned>(count, maxRepeatCount));
}

} // namespace

// ---------------------------------------------------------------- GifStream

std::uint8_t GifStream::byte()
{
    if (atEnd())
        readError();
    return std::uint8_t(m_data[m_pos++]);
}

QByteArrayView GifStream::exact(qsizetype n)
{
    if (left() < n)
        readError();
    const QByteArrayView bytes = m_data.sliced(m_pos, n);
    m_pos += n;
    return bytes;
}

QByteArray GifStream::upTo(qsizetype n)
{
    const qsizetype take = std::min(n, left());
    const QByteArray bytes = m_data.sliced(m_pos, take).toByteArray();
    m_pos += take;
    return bytes;
}

QList<QByteArray> GifStream::subBlocks()
{
    QList<QByteArray> lines;
    while (!atEnd()) {
        const int length = byte();
        if (length == 0)
            break;
        lines.append(upTo(length));
    }
    return lines;
}

// ---------------------------------------------------------------- GifReader

GifReader::GifReader(TGIFImage &image, QByteArrayView data)
    : m_image{image}, m_in{data}
{
}

char GifReader::intro()
{
    return m_in.atEnd() ? introTrailer : char(m_in.byte());
}

void GifReader::read()
{
    m_header = std::make_shared<TGIFData>();
    m_image.m_header = m_header;
    if (m_in.atEnd())
        return;
    header();

    char next = intro();
    while (next != 0 && next != introTrailer && !m_in.atEnd()) {
        std::vector<TExtension> pending;
        next = extensionRun(next, pending);
        if (next != introImage) {
            comment(pending);
            if (next != 0 && next != introTrailer)
                throw EInvalidGraphicOperation(readErrorText);
            continue;
        }
        frame(std::move(pending));
        next = intro();
        while (next == 0 && !m_in.atEnd())
            next = intro();
        // A stray byte between frames ends the picture quietly.
        if (next != introExtension && next != introImage && next != introTrailer)
            next = 0;
    }
}

void GifReader::header()
{
    const QByteArrayView signature = m_in.exact(3);
    if (signature.compare("GIF", Qt::CaseInsensitive) != 0)
        throw EInvalidGraphicOperation(QStringLiteral("Unknown GIF version"));
    const QByteArrayView version = m_in.exact(3);
    if (version.compare("87a", Qt::CaseInsensitive) == 0)
        m_image.m_version = 1;
    else if (version.compare("89a", Qt::CaseInsensitive) == 0)
        m_image.m_version = 2;
    else
        throw EInvalidGraphicOperation(QStringLiteral("Unknown GIF version"));

    const QByteArrayView screen = m_in.exact(7);
    m_image.m_screenWidth = GifStream::word(screen, 0);
    m_image.m_screenHeight = GifStream::word(screen, 2);
    const std::uint8_t packed = std::uint8_t(screen[4]);
    const int backgroundIndex = std::uint8_t(screen[5]);
    m_header->AspectRatio = std::uint8_t(screen[6]);
    m_header->BitsPerPixel = (packed & 7) + 1;
    m_header->ColorResolution = ((packed >> 4) & 7) + 1;
    if (packed & 0x80) {
        readColors(m_header->GlobalColors, m_header->BitsPerPixel);
        if (backgroundIndex < m_header->GlobalColors.Count)
            m_image.m_backgroundColor = m_header->GlobalColors.color(backgroundIndex);
    }
}

char GifReader::extensionRun(char next, std::vector<TExtension> &pending)
{
    while (next == introExtension) {
        std::optional<TExtension> ext = extension();
        if (!ext)
            return introTrailer;
        switch (ext->Kind()) {
        case TExtensionKind::PlainText:
            pending.clear();
            break;
        case TExtensionKind::Application:
            if (const auto count = loopCount(*ext)) {
                m_image.m_looping = true;
                m_image.m_repeatCount = *count;
            }
            break;
        default:
            pending.push_back(std::move(*ext));
            break;
        }
        next = intro();
    }
    return next;
}

// One extension after its introducer; nothing when the data ends before
// the label.
std::optional<TExtension> GifReader::extension()
{
    if (m_in.atEnd())
        return std::nullopt;
    const std::uint8_t label = m_in.byte();
    switch (label) {
    case labelGraphicControl:
        // Taken to be one 4-byte data block and its terminator.
        return TExtension{TExtensionKind::GraphicControl, m_in.upTo(6), {}};
    case labelComment:
        return TExtension{TExtensionKind::Comment, {}, m_in.subBlocks()};
    case labelPlainText: {
        QByteArray fixed = m_in.upTo(13);
        return TExtension{TExtensionKind::PlainText, std::move(fixed), m_in.subBlocks()};
    }
    case labelApplication: {
        QByteArray fixed = m_in.upTo(12);
        return TExtension{TExtensionKind::Application, std::move(fixed), m_in.subBlocks()};
    }
    default:
        throw EInvalidGraphicOperation(
            QStringLiteral("Unrecognized extension block: %1")
                .arg(QString::number(label, 16).toUpper().rightJustified(2, u'0')));
    }
}

void GifReader::comment(const std::vector<TExtension> &pending)
{
    // Only the first run of comments becomes the picture's comment.
    if (!m_header->Comment.isEmpty())
        return;
    for (const TExtension &ext : pending) {
        if (ext.Kind() != TExtensionKind::Comment)
            continue;
        if (!m_header->Comment.isEmpty())
            m_header->Comment.append(QByteArrayLiteral("\r\n\r\n"));
        m_header->Comment.append(ext.Lines());
    }
}

void GifReader::readColors(TGIFColors &colors, int bits)
{
    colors = TGIFColors{};
    colors.Count = 1 << bits;
    const QByteArrayView bytes = m_in.exact(colors.Count * 3);
    std::memcpy(colors.Entries.data(), bytes.data(), std::size_t(bytes.size()));
}

void GifReader::frame(std::vector<TExtension> extensions)
{
    // A frame that fails on the way is dropped with everything it read.
    auto owned = std::make_unique<TGIFFrame>();
    TGIFFrame &frame = *owned;
    frame.m_pixelBudget = m_image.m_pixelBudget;
    frame.m_extensions = std::move(extensions);
    auto item = std::make_shared<TGIFItem>();
    const TGIFColors &global = m_header->GlobalColors;
    if (global.Count > 0)
        item->BitsPerPixel = colorsToBits(global.Count);

    const QByteArrayView descriptor = m_in.exact(9);
    const std::uint8_t packed = std::uint8_t(descriptor[8]);
    frame.m_interlaced = (packed & 0x40) != 0;
    if (packed & 0x80) {
        item->BitsPerPixel = (packed & 7) + 1;
        frame.m_hasLocalColors = true;
        readColors(item->Colors, item->BitsPerPixel);
    }
    compressedData(frame, *item);

    const int width = GifStream::word(descriptor, 4);
    const int height = GifStream::word(descriptor, 6);
    frame.m_left = GifStream::word(descriptor, 0);
    frame.m_top = GifStream::word(descriptor, 2);
    item->Width = width == 0 ? m_image.m_screenWidth : width;
    item->Height = height == 0 ? m_image.m_screenHeight : height;
    item->PackedFields = packed;
    if (!frame.m_hasLocalColors)
        item->Colors = global;
    graphicControls(frame, *item);
    frame.m_pixelData = std::move(item);
    m_image.m_frames.push_back(std::move(owned));
}

void GifReader::compressedData(TGIFFrame &frame, TGIFItem &item)
{
    // The data is kept as read: code size byte, then the sub-blocks. A
    // block cut off by the end of the data marks the frame but is kept as
    // far as it goes, so the pixels its bytes hold still decode; reading
    // goes on right after its length byte.
    const qsizetype start = m_in.pos();
    m_in.byte();
    qsizetype end = m_in.pos();
    while (!m_in.atEnd()) {
        const int length = m_in.byte();
        if (m_in.left() < length) {
            frame.m_corrupted = true;
            end = m_in.pos() + m_in.left();
            break;
        }
        m_in.skip(length);
        end = m_in.pos();
        if (length == 0)
            break;
    }
    item.CompressedData = m_in.between(start, end).toByteArray();
    if (frame.m_corrupted && !LoadCorruptedGIFs)
        throw EInvalidGraphicOperation(readErrorText);
}

void GifReader::graphicControls(TGIFFrame &frame, const TGIFItem &item)
{
    unsigned delay = 0;
    for (const TExtension &ext : frame.m_extensions) {
        if (ext.Kind() != TExtensionKind::GraphicControl)
            continue;
        // block size, packed, delay (2), transparent index, terminator;
        // bytes missing at the end of the data count as zero.
        QByteArray fixed = ext.FixedPart();
        fixed.resize(6, '\0');
        const std::uint8_t packed = std::uint8_t(fixed[1]);
        const int index = std::uint8_t(fixed[4]);
        if (packed & 1) {
            // An index beyond the table leaves the colour as it was.
            if (index < item.Colors.Count)
                frame.m_transparentColor = item.Colors.color(index);
        } else {
            frame.m_transparentColor = clNone;
        }
        // Hundredths of a second become milliseconds; the longest delay
        // saturates rather than wrapping round.
        delay = std::max(delay, std::min(unsigned(GifStream::word(fixed, 2)) * 10u, 65535u));
        frame.m_disposal = (packed >> 2) & 7;
    }
    frame.m_delay = std::uint16_t(delay);
}

// ------------------------------------------------------ TGIFImage::load

// Where an image takes in a stream: beside the reader that does the work, so
// that the image's own unit knows nothing of how its frames are read.
void TGIFImage::load(QByteArrayView gif, bool decodeFirst)
{
    reset();
    GifReader{*this, gif}.read();
    if (!m_frames.empty()) {
        m_currentFrame = 0;
        if (decodeFirst) {
            try {
                m_frames.front()->Bitmap();
            } catch (...) {
                m_frames.erase(m_frames.begin());
                throw;
            }
        }
    }
    m_paletteModified = true;
    changed();
}

} // namespace tavlo
