#include "media/gif/RxGIF.h"

#include "media/base/Exceptions.h"
#include "media/gif/Lzw.h"

#include <QBuffer>
#include <QIODevice>
#include <QMutexLocker>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tavlo {

bool LoadCorruptedGIFs = true;
std::int64_t MaxGIFFramePixels = std::int64_t(1) << 26;
std::int64_t MaxGIFImagePixels = std::int64_t(1) << 28;
std::int64_t maxGifScreenPixels = std::int64_t(1) << 24;

namespace {

[[noreturn]] void readError()
{
    throw EReadError(QStringLiteral("Erreur de lecture du flux"));
}

} // namespace

bool TPixelBudget::take(std::int64_t bytes)
{
    std::int64_t left = m_left.load();
    do {
        if (bytes > left)
            return false;
    } while (!m_left.compare_exchange_weak(left, left - bytes));
    return true;
}

// ---------------------------------------------------------------- TGIFFrame

const QImage &TGIFFrame::Bitmap() const
{
    if (m_hasBitmap && !m_bitmap.isNull())
        return m_bitmap;
    m_hasBitmap = true;
    m_bitmap = QImage();
    const TGIFItem *item = m_pixelData.get();
    if (!item || item->CompressedData.isEmpty())
        return m_bitmap;
    m_bitmap = decode(depth());
    return m_bitmap;
}

int TGIFFrame::depth() const
{
    const int bits = m_pixelData->BitsPerPixel;
    if (bits == 1)
        return 1;
    if (bits >= 2 && bits <= 4)
        return 4;
    if (bits >= 5 && bits <= 8)
        return 8;
    throw EInvalidGraphicOperation(QStringLiteral("Wrong number of colors; must be a power of 2"));
}

QImage TGIFFrame::decode(int depth) const
{
    const TGIFItem &item = *m_pixelData;
    const int width = item.Width;
    const int height = item.Height;
    const std::int64_t area = std::int64_t(width) * height;
    if (area > MaxGIFFramePixels || (m_pixelBudget && !m_pixelBudget->take(area)))
        readError();
    if (area == 0) {
        // Nothing to show, but the data is still checked.
        m_corrupted = DecodeLZW(item.CompressedData, nullptr, 0, item.BitsPerPixel, LoadCorruptedGIFs)
                      || m_corrupted;
        return {};
    }
    auto refund = [&] {
        if (m_pixelBudget)
            m_pixelBudget->give(area);
    };

    // Zeroed pixel memory, so row padding stays 0. Colour frames stay
    // indexed (one byte a pixel, 16 or 256 colours): they show the same
    // colours as a converted bitmap at a quarter of the memory, which
    // matters for long animations that keep every frame.
    const bool mono = depth == 1;
    const qsizetype stride = mono ? (qsizetype(width) + 31) / 32 * 4 : (qsizetype(width) + 3) / 4 * 4;
    uchar *pixels = static_cast<uchar *>(std::calloc(std::size_t(stride) * std::size_t(height) + 1, 1));
    if (!pixels) {
        refund();
        readError();
    }
    QImage bitmap(pixels, width, height, stride, mono ? QImage::Format_Mono : QImage::Format_Indexed8,
                  [](void *memory) { std::free(memory); }, pixels);
    if (bitmap.isNull()) {
        std::free(pixels);
        refund();
        readError();
    }

    // Straight into the bitmap when stream order is memory order, otherwise
    // through a buffer whose rows are then placed.
    const bool direct = !mono && !m_interlaced && stride == width;
    std::vector<std::uint8_t> indices(direct ? 0 : std::size_t(area));
    try {
        m_corrupted = DecodeLZW(item.CompressedData, direct ? pixels : indices.data(), std::size_t(area),
                                item.BitsPerPixel, LoadCorruptedGIFs)
                      || m_corrupted;
    } catch (...) {
        refund();
        throw;
    }
    bitmap.setColorTable(Palette());
    if (!direct)
        placeRows(indices.data(), bitmap);
    return bitmap;
}

void TGIFFrame::placeRows(const std::uint8_t *indices, QImage &bitmap) const
{
    static constexpr int passStart[4] = {0, 4, 2, 1};
    static constexpr int passStep[4] = {8, 8, 4, 2};
    const int width = bitmap.width();
    const int height = bitmap.height();
    const bool mono = bitmap.depth() == 1;
    int pass = 0;
    int row = 0;
    for (int i = 0; i < height; ++i) {
        const std::uint8_t *src = indices + std::size_t(i) * std::size_t(width);
        uchar *dst = bitmap.scanLine(row);
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
        // The four interlace passes; a pass starting outside the frame is
        // skipped.
        row += passStep[pass];
        while (row >= height && pass < 3) {
            ++pass;
            row = passStart[pass];
        }
    }
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
    const bool keyedDraw = useKey && m_transparentColor != clNone;
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setRenderHint(QPainter::Antialiasing, false);
    if (!keyedDraw) {
        canvas.drawImage(rect, bitmap);
        canvas.restore();
        return;
    }
    // Key-coloured pixels become fully transparent and all others fully
    // opaque, so drawing never blends. The copy lives only for this
    // drawing; its four bytes a pixel are borrowed from the image's budget
    // meanwhile, like the bitmaps' one.
    const std::int64_t cost = 4 * std::int64_t(bitmap.width()) * bitmap.height();
    if (m_pixelBudget && !m_pixelBudget->take(cost)) {
        canvas.restore();
        readError();
    }
    {
        QImage keyed = bitmap.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const QRgb key = qRgb(redOf(m_transparentColor), greenOf(m_transparentColor), blueOf(m_transparentColor));
        for (int y = 0; y < keyed.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
            for (int x = 0, width = keyed.width(); x < width; ++x) {
                if (line[x] == key)
                    line[x] = 0;
            }
        }
        canvas.setCompositionMode(QPainter::CompositionMode_SourceOver);
        canvas.drawImage(rect, keyed);
    }
    if (m_pixelBudget)
        m_pixelBudget->give(cost);
    canvas.restore();
}

// ---------------------------------------------------------------- TGIFImage

TGIFImage::TGIFImage()
    : m_header{std::make_shared<TGIFData>()}
    , m_pixelBudget{std::make_shared<TPixelBudget>(MaxGIFImagePixels)}
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
      m_paletteModified{other.m_paletteModified},
      // The copy holds what the original has decoded so far and goes on
      // with a budget of its own from there.
      m_pixelBudget{std::make_shared<TPixelBudget>(other.m_pixelBudget->left())}
{
    m_frames.reserve(other.m_frames.size());
    for (const auto &frame : other.m_frames) {
        m_frames.push_back(std::make_unique<TGIFFrame>(*frame));
        m_frames.back()->m_pixelBudget = m_pixelBudget;
    }
}

TGIFImage &TGIFImage::operator=(const TGIFImage &other)
{
    QMutexLocker lock(m_changeLock);
    if (this != &other) {
        TGIFImage copy{other};
        std::swap(m_header, copy.m_header);
        std::swap(m_frames, copy.m_frames);
        std::swap(m_pixelBudget, copy.m_pixelBudget);
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
    m_pixelBudget = std::make_shared<TPixelBudget>(MaxGIFImagePixels);
}

void TGIFImage::changed()
{
    if (m_onChange)
        m_onChange();
}

void TGIFImage::LoadGIF(std::int64_t size, QIODevice &stream, bool decodeFirst)
{
    QMutexLocker lock(m_changeLock);
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
    load(data, decodeFirst);
}

void TGIFImage::LoadGIF(QByteArrayView gif, bool decodeFirst)
{
    QMutexLocker lock(m_changeLock);
    load(gif, decodeFirst);
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
    return !frame.hasBitmap() && (!item || item->CompressedData.isEmpty());
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
