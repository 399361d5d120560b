#include "media/RxGIF.h"

#include "media/Exceptions.h"
#include "media/Lzw.h"

#include <QBuffer>
#include <QIODevice>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tavlo {

bool LoadCorruptedGIFs = true;
std::int64_t MaxGIFFramePixels = std::int64_t(1) << 26;
std::int64_t MaxGIFImagePixels = std::int64_t(1) << 28;

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

} // namespace

// Reads a whole GIF from an in-memory copy of the stream, filling an image.
class GifReader {
public:
    GifReader(TGIFImage &image, QByteArrayView data)
        : m_image{image}, m_data{data}
    {
    }

    void read();

private:
    bool atEnd() const { return m_pos >= m_data.size(); }
    std::uint8_t byte()
    {
        if (atEnd())
            readError();
        return std::uint8_t(m_data[m_pos++]);
    }
    QByteArrayView exact(qsizetype n)
    {
        if (m_data.size() - m_pos < n)
            readError();
        const QByteArrayView bytes = m_data.sliced(m_pos, n);
        m_pos += n;
        return bytes;
    }
    // Reads inside extensions may come up short at the end of the data.
    QByteArray upTo(qsizetype n)
    {
        const qsizetype take = std::min(n, m_data.size() - m_pos);
        const QByteArray bytes = m_data.sliced(m_pos, take).toByteArray();
        m_pos += take;
        return bytes;
    }
    static std::uint16_t word(QByteArrayView bytes, int at)
    {
        return std::uint16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
    }

    QList<QByteArray> subBlocks();
    std::optional<TExtension> extension();
    void readColors(TGIFColors &colors, int bits);
    std::unique_ptr<TGIFFrame> frame(std::vector<TExtension> extensions);

    TGIFImage &m_image;
    QByteArrayView m_data;
    qsizetype m_pos{0};
    std::shared_ptr<TGIFData> m_header;
    std::shared_ptr<std::int64_t> m_pixelBudget{std::make_shared<std::int64_t>(MaxGIFImagePixels)};
};

void GifReader::readColors(TGIFColors &colors, int bits)
{
    colors = TGIFColors{};
    colors.Count = 1 << bits;
    const QByteArrayView bytes = exact(colors.Count * 3);
    std::memcpy(colors.Entries.data(), bytes.data(), std::size_t(bytes.size()));
}

QList<QByteArray> GifReader::subBlocks()
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

// One extension after its introducer; nothing when the data ends before
// the label.
std::optional<TExtension> GifReader::extension()
{
    if (atEnd())
        return std::nullopt;
    const std::uint8_t label = byte();
    switch (label) {
    case labelGraphicControl:
        // Taken to be one 4-byte data block and its terminator.
        return TExtension{TExtensionKind::GraphicControl, upTo(6), {}};
    case labelComment:
        return TExtension{TExtensionKind::Comment, {}, subBlocks()};
    case labelPlainText: {
        QByteArray fixed = upTo(13);
        return TExtension{TExtensionKind::PlainText, std::move(fixed), subBlocks()};
    }
    case labelApplication: {
        QByteArray fixed = upTo(12);
        return TExtension{TExtensionKind::Application, std::move(fixed), subBlocks()};
    }
    default:
        throw EInvalidGraphicOperation(
            QStringLiteral("Unrecognized extension block: %1")
                .arg(QString::number(label, 16).toUpper().rightJustified(2, u'0')));
    }
}

std::unique_ptr<TGIFFrame> GifReader::frame(std::vector<TExtension> extensions)
{
    auto frame = std::make_unique<TGIFFrame>();
    frame->m_pixelBudget = m_pixelBudget;
    auto item = std::make_shared<TGIFItem>();
    const TGIFColors &global = m_header->GlobalColors;
    if (global.Count > 0)
        item->BitsPerPixel = colorsToBits(global.Count);
    frame->m_extensions = std::move(extensions);

    const QByteArrayView descriptor = exact(9);
    const int left = word(descriptor, 0);
    const int top = word(descriptor, 2);
    int width = word(descriptor, 4);
    int height = word(descriptor, 6);
    const std::uint8_t packed = std::uint8_t(descriptor[8]);

    frame->m_interlaced = (packed & 0x40) != 0;
    if (packed & 0x80) {
        item->BitsPerPixel = (packed & 7) + 1;
        frame->m_hasLocalColors = true;
        readColors(item->Colors, item->BitsPerPixel);
    }

    // The data is kept as read: code size byte, then whole sub-blocks.
    // A block cut off by the end of the data is dropped with its length
    // byte and marks the frame; reading goes on after that length byte.
    const qsizetype dataStart = m_pos;
    byte();
    qsizetype dataEnd = m_pos;
    while (!atEnd()) {
        const int length = byte();
        if (m_data.size() - m_pos < length) {
            frame->m_corrupted = true;
            break;
        }
        m_pos += length;
        dataEnd = m_pos;
        if (length == 0)
            break;
    }
    item->CompressedData = m_data.sliced(dataStart, dataEnd - dataStart).toByteArray();
    if (frame->m_corrupted && !LoadCorruptedGIFs)
        throw EInvalidGraphicOperation(readErrorText);

    if (width == 0)
        width = m_image.m_screenWidth;
    if (height == 0)
        height = m_image.m_screenHeight;
    frame->m_left = left;
    frame->m_top = top;
    item->Width = width;
    item->Height = height;
    item->PackedFields = packed;
    if (!frame->m_hasLocalColors)
        item->Colors = global;

    unsigned delay = 0;
    for (const TExtension &ext : frame->m_extensions) {
        if (ext.Kind() != TExtensionKind::GraphicControl)
            continue;
        // block size, packed, delay (2), transparent index, terminator;
        // bytes missing at the end of the data count as zero.
        QByteArray fixed = ext.FixedPart();
        fixed.resize(6, '\0');
        const std::uint8_t gcPacked = std::uint8_t(fixed[1]);
        const int index = std::uint8_t(fixed[4]);
        if (gcPacked & 1) {
            // An index beyond the table leaves the colour as it was.
            if (index < item->Colors.Count)
                frame->m_transparentColor = item->Colors.color(index);
        } else {
            frame->m_transparentColor = clNone;
        }
        // Hundredths of a second become milliseconds; the longest
        // delay saturates rather than wrapping round.
        delay = std::max(delay, std::min(unsigned(word(fixed, 2)) * 10u, 65535u));
        frame->m_disposal = (gcPacked >> 2) & 7;
    }
    frame->m_delay = std::uint16_t(delay);
    frame->m_pixelData = std::move(item);
    return frame;
}

void GifReader::read()
{
    m_header = std::make_shared<TGIFData>();
    m_image.m_header = m_header;
    if (m_data.isEmpty())
        return;

    const QByteArrayView signature = exact(3);
    if (QByteArrayView(signature).compare("GIF", Qt::CaseInsensitive) != 0)
        throw EInvalidGraphicOperation(QStringLiteral("Unknown GIF version"));
    const QByteArrayView version = exact(3);
    if (version.compare("87a", Qt::CaseInsensitive) == 0)
        m_image.m_version = 1;
    else if (version.compare("89a", Qt::CaseInsensitive) == 0)
        m_image.m_version = 2;
    else
        throw EInvalidGraphicOperation(QStringLiteral("Unknown GIF version"));

    const QByteArrayView screen = exact(7);
    m_image.m_screenWidth = word(screen, 0);
    m_image.m_screenHeight = word(screen, 2);
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

    char intro = atEnd() ? introTrailer : char(byte());
    while (intro != 0 && intro != introTrailer && !atEnd()) {
        std::vector<TExtension> pending;
        while (intro == introExtension) {
            std::optional<TExtension> ext = extension();
            if (!ext) {
                intro = introTrailer;
                break;
            }
            const TExtensionKind kind = ext->Kind();
            if (kind == TExtensionKind::PlainText)
                pending.clear();
            if (kind == TExtensionKind::PlainText || kind == TExtensionKind::Application) {
                const QList<QByteArray> &lines = ext->Lines();
                if (kind == TExtensionKind::Application && !lines.isEmpty()
                    && isLoopIdentifier(ext->FixedPart()) && lines[0].size() >= 3
                    && lines[0][0] == 1) {
                    m_image.m_looping = true;
                    const unsigned count = std::uint8_t(lines[0][1])
                                           | (unsigned(std::uint8_t(lines[0][2])) << 8);
                    m_image.m_repeatCount = std::uint16_t(std::min<unsigned>(count, maxRepeatCount));
                }
            } else {
                pending.push_back(std::move(*ext));
            }
            intro = atEnd() ? introTrailer : char(byte());
        }

        if (intro == introImage) {
            m_image.m_frames.push_back(frame(std::move(pending)));
            if (atEnd()) {
                intro = introTrailer;
            } else {
                intro = char(byte());
                while (intro == 0 && !atEnd())
                    intro = char(byte());
            }
            // A stray byte between frames ends the picture quietly.
            if (intro != introExtension && intro != introImage && intro != introTrailer)
                intro = 0;
        } else {
            // A run not followed by an image: only the first run of comments
            // becomes the picture's comment.
            if (m_header->Comment.isEmpty()) {
                for (const TExtension &ext : pending) {
                    if (ext.Kind() != TExtensionKind::Comment)
                        continue;
                    if (!m_header->Comment.isEmpty())
                        m_header->Comment.append(QByteArrayLiteral("\r\n\r\n"));
                    m_header->Comment.append(ext.Lines());
                }
            }
            if (intro != 0 && intro != introTrailer)
                throw EInvalidGraphicOperation(readErrorText);
        }
    }
}

// ---------------------------------------------------------------- TGIFFrame

const QImage &TGIFFrame::Bitmap() const
{
    if (m_hasBitmap && !m_bitmap.isNull())
        return m_bitmap;
    m_hasBitmap = true;
    m_bitmap = QImage();
    m_keyed = QImage();
    const TGIFItem *item = m_pixelData.get();
    if (!item || item->CompressedData.isEmpty())
        return m_bitmap;

    int depth = 0;
    if (item->BitsPerPixel == 1)
        depth = 1;
    else if (item->BitsPerPixel >= 2 && item->BitsPerPixel <= 4)
        depth = 4;
    else if (item->BitsPerPixel >= 5 && item->BitsPerPixel <= 8)
        depth = 8;
    else
        throw EInvalidGraphicOperation(QStringLiteral("Wrong number of colors; must be a power of 2"));

    const int width = item->Width;
    const int height = item->Height;
    const std::int64_t area = std::int64_t(width) * height;
    if (area > MaxGIFFramePixels || (m_pixelBudget && area > *m_pixelBudget))
        readError();
    if (width == 0 || height == 0) {
        // Nothing to show, but the data is still checked.
        m_corrupted = DecodeLZW(item->CompressedData, nullptr, 0, item->BitsPerPixel, LoadCorruptedGIFs)
                      || m_corrupted;
        return m_bitmap;
    }

    // Zeroed pixel memory, so pixels the data never reaches keep index 0.
    // Colour frames stay indexed (one byte a pixel, 16 or 256 colours):
    // they show the same colours as a converted bitmap at a quarter of the
    // memory, which matters for long animations that keep every frame.
    const std::size_t pixelCount = std::size_t(width) * std::size_t(height);
    const bool mono = depth == 1;
    const qsizetype stride = mono ? (qsizetype(width) + 31) / 32 * 4 : (qsizetype(width) + 3) / 4 * 4;
    uchar *pixels = static_cast<uchar *>(std::calloc(std::size_t(stride) * std::size_t(height) + 1, 1));
    if (!pixels)
        readError();
    QImage image(pixels, width, height, stride, mono ? QImage::Format_Mono : QImage::Format_Indexed8,
                 [](void *memory) { std::free(memory); }, pixels);
    if (image.isNull()) {
        std::free(pixels);
        readError();
    }

    // Straight into the bitmap when stream order is memory order;
    // otherwise through a buffer whose rows are then placed: in order, or
    // by the four interlace passes (a pass starting outside the frame is
    // skipped), and packed to bits for monochrome frames.
    const bool direct = !mono && !m_interlaced && stride == width;
    std::vector<std::uint8_t> indices(direct ? 0 : pixelCount, 0);
    const bool damaged = DecodeLZW(item->CompressedData, direct ? pixels : indices.data(), pixelCount,
                                   item->BitsPerPixel, LoadCorruptedGIFs);
    m_corrupted = m_corrupted || damaged;
    image.setColorTable(Palette());
    if (m_pixelBudget)
        *m_pixelBudget -= area;

    if (!direct) {
        static constexpr int passStart[4] = {0, 4, 2, 1};
        static constexpr int passStep[4] = {8, 8, 4, 2};
        int pass = 0;
        int row = 0;
        for (int i = 0; i < height; ++i) {
            const std::uint8_t *src = indices.data() + std::size_t(i) * std::size_t(width);
            uchar *dst = pixels + std::size_t(row) * std::size_t(stride);
            if (mono) {
                for (int x = 0; x < width; ++x) {
                    if (src[x] & 1)
                        dst[x >> 3] |= uchar(0x80 >> (x & 7));
                }
            } else {
                std::memcpy(dst, src, std::size_t(width));
            }
            if (!m_interlaced) {
                ++row;
                continue;
            }
            row += passStep[pass];
            while (row >= height && pass < 3) {
                ++pass;
                row = passStart[pass];
            }
        }
    }
    m_bitmap = std::move(image);
    return m_bitmap;
}

QList<QRgb> TGIFFrame::Palette() const
{
    const TGIFItem *item = m_pixelData.get();
    if (!item)
        return {};
    const int bits = item->BitsPerPixel;
    const int depth = bits == 1 ? 1 : bits <= 4 ? 4 : 8;
    if (bits < 1 || bits > 8)
        return {};
    QList<QRgb> table(1 << depth, qRgb(128, 128, 128));
    const TGIFColors &colors = item->Colors;
    for (int i = 0; i < std::min(colors.Count, int(table.size())); ++i)
        table[i] = qRgb(colors.Entries[i * 3], colors.Entries[i * 3 + 1], colors.Entries[i * 3 + 2]);
    return table;
}

int TGIFFrame::Width() const
{
    if (!m_hasBitmap && (!m_pixelData || m_pixelData->CompressedData.isEmpty()))
        return 0;
    return Bitmap().width();
}

int TGIFFrame::Height() const
{
    if (!m_hasBitmap && (!m_pixelData || m_pixelData->CompressedData.isEmpty()))
        return 0;
    return Bitmap().height();
}

void TGIFFrame::Draw(QPainter &canvas, const QRect &rect, bool useKey) const
{
    const QImage &bitmap = Bitmap();
    if (bitmap.isNull())
        return;
    const QImage *source = &bitmap;
    if (useKey && m_transparentColor != clNone) {
        if (m_keyed.isNull() || m_keyedColor != m_transparentColor) {
            // Key-coloured pixels become fully transparent and all others
            // fully opaque, so drawing never blends.
            m_keyed = bitmap.convertToFormat(QImage::Format_ARGB32);
            const QRgb key = qRgb(redOf(m_transparentColor), greenOf(m_transparentColor),
                                  blueOf(m_transparentColor));
            for (int y = 0; y < m_keyed.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(m_keyed.scanLine(y));
                for (int x = 0; x < m_keyed.width(); ++x) {
                    if (line[x] == key)
                        line[x] = 0;
                }
            }
            m_keyedColor = m_transparentColor;
        }
        source = &m_keyed;
    }
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setRenderHint(QPainter::Antialiasing, false);
    if (source == &m_keyed)
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
    canvas.drawImage(rect, *source);
    canvas.restore();
}

// ---------------------------------------------------------------- TGIFImage

TGIFImage::TGIFImage()
    : m_header{std::make_shared<TGIFData>()}
{
}

TGIFImage::~TGIFImage() = default;

TGIFImage::TGIFImage(const TGIFImage &other)
    : m_header{other.m_header},
      m_currentFrame{other.m_currentFrame},
      m_version{other.m_version},
      m_screenWidth{other.m_screenWidth},
      m_screenHeight{other.m_screenHeight},
      m_backgroundColor{other.m_backgroundColor},
      m_looping{other.m_looping},
      m_repeatCount{other.m_repeatCount},
      m_transparent{other.m_transparent},
      m_paletteModified{other.m_paletteModified}
{
    m_frames.reserve(other.m_frames.size());
    for (const auto &frame : other.m_frames)
        m_frames.push_back(std::make_unique<TGIFFrame>(*frame));
}

TGIFImage &TGIFImage::operator=(const TGIFImage &other)
{
    if (this != &other) {
        TGIFImage copy{other};
        std::swap(m_header, copy.m_header);
        std::swap(m_frames, copy.m_frames);
        m_currentFrame = copy.m_currentFrame;
        m_version = copy.m_version;
        m_screenWidth = copy.m_screenWidth;
        m_screenHeight = copy.m_screenHeight;
        m_backgroundColor = copy.m_backgroundColor;
        m_looping = copy.m_looping;
        m_repeatCount = copy.m_repeatCount;
        m_transparent = copy.m_transparent;
        m_paletteModified = true;
    }
    changed();
    return *this;
}

void TGIFImage::reset()
{
    m_header = std::make_shared<TGIFData>();
    m_frames.clear();
    m_currentFrame = -1;
    m_version = 0;
    m_screenWidth = 0;
    m_screenHeight = 0;
    m_backgroundColor = clNone;
    m_looping = false;
    m_repeatCount = 1;
}

void TGIFImage::changed()
{
    if (m_onChange)
        m_onChange();
}

void TGIFImage::LoadGIF(std::int64_t size, QIODevice &stream, bool decodeFirst)
{
    reset();
    // Read in pieces so that a forged length costs no more memory than the
    // bytes that are really there.
    QByteArray data;
    constexpr std::int64_t piece = 1 << 20;
    while (std::int64_t(data.size()) < size) {
        const QByteArray got = stream.read(std::min<std::int64_t>(piece, size - std::int64_t(data.size())));
        if (got.isEmpty())
            readError();
        data.append(got);
    }
    LoadGIF(data, decodeFirst);
}

void TGIFImage::LoadGIF(QByteArrayView gif, bool decodeFirst)
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

void TGIFImage::ReadLayoutData(QIODevice &stream)
{
    const QByteArray prefix = stream.read(4);
    if (prefix.size() < 4)
        readError();
    const std::int32_t size = std::int32_t(std::uint32_t(std::uint8_t(prefix[0]))
                                           | (std::uint32_t(std::uint8_t(prefix[1])) << 8)
                                           | (std::uint32_t(std::uint8_t(prefix[2])) << 16)
                                           | (std::uint32_t(std::uint8_t(prefix[3])) << 24));
    LoadGIF(size, stream, true);
}

void TGIFImage::ReadLayoutData(QByteArrayView data)
{
    QByteArray bytes = data.toByteArray();
    QBuffer buffer{&bytes};
    buffer.open(QIODevice::ReadOnly);
    ReadLayoutData(buffer);
}

void TGIFImage::LoadFromStream(QIODevice &stream)
{
    LoadGIF(stream.bytesAvailable(), stream, true);
}

const TGIFFrame *TGIFImage::current() const
{
    if (m_currentFrame < 0 || m_currentFrame >= int(m_frames.size()))
        return nullptr;
    return m_frames[std::size_t(m_currentFrame)].get();
}

bool TGIFImage::Empty() const
{
    if (m_frames.empty())
        return true;
    const TGIFFrame &frame = *m_frames[std::size_t(std::max(m_currentFrame, 0))];
    const TGIFItem *item = frame.PixelData();
    return !frame.HasBitmap() && (!item || item->CompressedData.isEmpty());
}

int TGIFImage::ScreenWidth() const
{
    return Empty() ? 0 : m_screenWidth;
}

int TGIFImage::ScreenHeight() const
{
    return Empty() ? 0 : m_screenHeight;
}

bool TGIFImage::Transparent() const
{
    if (!m_transparent)
        return false;
    return std::any_of(m_frames.begin(), m_frames.end(),
                       [](const auto &frame) { return frame->TransparentColor() != clNone; });
}

QList<QRgb> TGIFImage::Palette() const
{
    const TGIFFrame *frame = current();
    if (!frame)
        return {};
    if (frame->Bitmap().isNull())
        return {};
    return frame->Palette();
}

int TGIFImage::Width() const
{
    const TGIFFrame *frame = current();
    return Empty() || !frame ? 0 : frame->Bitmap().width();
}

int TGIFImage::Height() const
{
    const TGIFFrame *frame = current();
    return Empty() || !frame ? 0 : frame->Bitmap().height();
}

void TGIFImage::setWidth(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the Size of a GIF image"));
}

void TGIFImage::setHeight(int)
{
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the Size of a GIF image"));
}

} // namespace tavlo
