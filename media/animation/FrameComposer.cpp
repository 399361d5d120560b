#include "media/animation/FrameComposer.h"

#include "media/base/Exceptions.h"

#include <algorithm>
#include <array>
#include <vector>

namespace tavlo {

namespace {

QRgb rgbOf(TColor color)
{
    if (isSystemColor(color))
        return toQColor(color).rgb();
    return qRgb(redOf(color), greenOf(color), blueOf(color));
}

QRect frameRect(const TGIFFrame &frame)
{
    return QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height());
}

// What a composed pixel holds for a colour: opaque, or fully clear when it
// is the picture's key (premultiplied, a clear pixel is 0).
QRgb composedPixel(QRgb colour, bool keyed, QRgb key)
{
    return keyed && (colour & 0xFFFFFF) == key ? 0 : colour | 0xFF000000;
}

// A frame's pixels as the composition reads them, straight from the
// indexed bitmap: each palette index's composed pixel, or Leave for an
// index that stands for the frame's transparency (1 is no premultiplied
// pixel, so it cannot be confused with a colour).
class FramePixels {
public:
    static constexpr QRgb Leave = 1;

    FramePixels(const TGIFFrame &frame, bool keyed, QRgb key)
        : m_bitmap{frame.Bitmap()}
    {
        const QList<QRgb> table = m_bitmap.colorTable();
        const bool hasTransparency = frame.TransparentColor() != clNone;
        const QRgb transparent = rgbOf(frame.TransparentColor()) & 0xFFFFFF;
        for (int i = 0; i < 256; ++i) {
            const QRgb colour = table.isEmpty() ? 0 : table[std::min<qsizetype>(i, table.size() - 1)];
            m_pixel[std::size_t(i)] = hasTransparency && (colour & 0xFFFFFF) == transparent
                ? Leave
                : composedPixel(colour, keyed, key);
        }
        m_mono = m_bitmap.format() == QImage::Format_Mono;
        if (!m_bitmap.isNull())
            m_rect = QRect(frame.Left(), frame.Top(), m_bitmap.width(), m_bitmap.height());
    }

    // Where the frame lands on the screen; empty for a frame without pixels.
    QRect rect() const { return m_rect; }

    // Puts the frame's opaque pixels of screen row y, columns from..to,
    // into line (indexed by screen column).
    void drawRow(QRgb *line, int y, int from, int to) const
    {
        const uchar *in = m_bitmap.constScanLine(y - m_rect.top());
        const int shift = m_rect.left();
        if (m_mono) {
            for (int x = from; x <= to; ++x) {
                const int bit = x - shift;
                const QRgb pixel = m_pixel[std::size_t((in[bit >> 3] >> (7 - (bit & 7))) & 1)];
                if (pixel != Leave)
                    line[x] = pixel;
            }
            return;
        }
        in -= shift;
        for (int x = from; x <= to; ++x) {
            const QRgb pixel = m_pixel[in[x]];
            if (pixel != Leave)
                line[x] = pixel;
        }
    }

    // Draws the frame's opaque pixels onto the screen picture.
    void drawOn(QImage &screen) const
    {
        const QRect area = m_rect & screen.rect();
        for (int y = area.top(); y <= area.bottom(); ++y)
            drawRow(reinterpret_cast<QRgb *>(screen.scanLine(y)), y, area.left(), area.right());
    }

private:
    const QImage &m_bitmap;
    std::array<QRgb, 256> m_pixel{};
    bool m_mono{false};
    QRect m_rect;
};

void fill(QImage &screen, const QRect &rect, QRgb colour)
{
    const QRect area = rect & screen.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto *out = reinterpret_cast<QRgb *>(screen.scanLine(y));
        std::fill(out + area.left(), out + area.right() + 1, colour);
    }
}

} // namespace

void FrameComposer::reset()
{
    m_stepChanges.clear();
    forgetCache();
}

void FrameComposer::forgetCache()
{
    m_cache = QImage();
    m_cacheIndex = -1;
    m_cacheKeyColor = clNone;
    m_changed = QRect();
    m_opaque = QImage();
    m_opaqueBehind = QRect();
}

const QImage &FrameComposer::compose(const TGIFImage &image, int index, TColor &key)
{
    index = std::max(0, std::min(index, image.Count() - 1));
    // A repaint of the frame already composed (an expose, a property
    // change) shows the cached picture as it is.
    if (!m_cache.isNull() && m_cacheIndex == index) {
        key = m_cacheKeyColor;
        m_changed = QRect();
        return m_cache;
    }
    const bool incremental = !m_cache.isNull() && m_cacheIndex == index - 1 && m_cacheIndex >= 0
        && image.Frames(m_cacheIndex).disposalMethod() != TDisposal::RestorePrevious;
    try {
        if (incremental) {
            key = m_cacheKeyColor;
            composeAfterCache(image, index);
        } else {
            composeFromScratch(image, index, key);
        }
    } catch (...) {
        // Half a step would be built on by the next one.
        reset();
        throw;
    }
    m_opaqueBehind |= m_changed;
    return m_cache;
}

void FrameComposer::composeAfterCache(const TGIFImage &image, int index)
{
    // Row by row over what the previous frame gives back and what the new
    // one covers: the row's new pixels are worked out aside and written
    // only where they differ, so that the change is exact (a letter that
    // does not move between frames is not repainted).
    const FramePixels next(image.Frames(index), m_cacheKeyColor != clNone, m_keyRgb);
    const TGIFFrame &previous = image.Frames(m_cacheIndex);
    const QRect screen = m_cache.rect();
    QRect cleared = previous.disposalMethod() == TDisposal::RestoreBackground
        ? frameRect(previous) & screen
        : QRect();
    QRect drawn = next.rect() & screen;
    QRect area = cleared | drawn;
    if (m_stepChanges.size() != std::size_t(image.Count()))
        m_stepChanges.assign(std::size_t(image.Count()), std::nullopt);
    std::optional<QRect> &known = m_stepChanges[std::size_t(index)];
    if (known) {
        // Only what this step is known to change: nothing at all when the
        // frame looks like the one before.
        area &= *known;
        cleared &= area;
        drawn &= area;
    }
    const QRgb brush = m_stepBrush;
    std::vector<QRgb> row(std::size_t(std::max(area.width(), 0)));
    int left = area.right() + 1, right = area.left() - 1, top = area.bottom() + 1, bottom = area.top() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(m_cache.scanLine(y)) + area.left();
        QRgb *out = row.data() - area.left();
        std::copy(line, line + area.width(), row.data());
        if (y >= cleared.top() && y <= cleared.bottom())
            std::fill(out + cleared.left(), out + cleared.right() + 1, brush);
        if (y >= drawn.top() && y <= drawn.bottom())
            next.drawRow(out, y, drawn.left(), drawn.right());
        const auto [same, ignored] = std::mismatch(row.begin(), row.end(), line);
        if (same == row.end())
            continue;
        const int first = int(same - row.begin());
        int last = area.width() - 1;
        while (row[std::size_t(last)] == line[last])
            --last;
        std::copy(row.begin() + first, row.begin() + last + 1, line + first);
        left = std::min(left, area.left() + first);
        right = std::max(right, area.left() + last);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    m_changed = left <= right ? QRect(QPoint(left, top), QPoint(right, bottom)) : QRect();
    known = m_changed;
    m_cacheIndex = index;
}

int FrameComposer::startFrame(const TGIFImage &image, int index)
{
    // One that covers the screen opaquely, or an earlier one that covers it
    // and is restored to background afterwards.
    int start = index;
    while (start > 0) {
        const TGIFFrame &frame = image.Frames(start);
        const bool coversScreen = frame.Width() == image.ScreenWidth() && frame.Height() == image.ScreenHeight();
        if (coversScreen
            && (frame.TransparentColor() == clNone
                || (frame.disposalMethod() == TDisposal::RestoreBackground && start < index)))
            break;
        --start;
    }
    return start;
}

void FrameComposer::composeFromScratch(const TGIFImage &image, int index, TColor &key)
{
    forgetCache();
    const std::int64_t area = std::int64_t(image.ScreenWidth()) * image.ScreenHeight();
    if (area > maxGifScreenPixels)
        throw EReadError(QStringLiteral("Erreur de lecture du flux"));

    // Restore-to-background fills with the key colour when the picture has
    // one, so the window shows through what a frame gives back.
    TColor brush = clWindow;
    const TGIFFrame &first = image.Frames(std::max(image.CurrentFrame(), 0));
    if (first.TransparentColor() != clNone) {
        // A 32-bit surface shows every colour as it is.
        key = first.TransparentColor();
        brush = key;
    } else if (image.BackgroundColor() != clNone && image.Transparent()) {
        brush = image.BackgroundColor();
    }
    // Key pixels are kept clear, so the picture is drawn as it is over what
    // lies beneath; without a key it is opaque throughout.
    const bool keyed = key != clNone;
    const QRgb keyRgb = rgbOf(key) & 0xFFFFFF;
    QImage bmp(image.ScreenWidth(), image.ScreenHeight(),
               keyed ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (bmp.isNull())
        throw EReadError(QStringLiteral("Erreur de lecture du flux"));
    const QRgb brushColour = composedPixel(rgbOf(brush), keyed, keyRgb);
    bmp.fill(brushColour);

    const int start = startFrame(image, index);
    for (int j = start; j < index; ++j) {
        const TGIFFrame &frame = image.Frames(j);
        switch (frame.disposalMethod()) {
        case TDisposal::None:
        case TDisposal::Leave:
            FramePixels(frame, keyed, keyRgb).drawOn(bmp);
            break;
        case TDisposal::RestoreBackground:
            if (j > start)
                fill(bmp, frameRect(frame), brushColour);
            break;
        default:
            // Restored to what was before, or undefined: leaves nothing.
            break;
        }
    }
    FramePixels(image.Frames(index), keyed, keyRgb).drawOn(bmp);

    // Given back in another colour, or keyed on another, every step may
    // look different.
    const std::optional<QRgb> stepKey = keyed ? std::optional<QRgb>(keyRgb) : std::nullopt;
    if (brushColour != m_stepBrush || stepKey != m_stepKey)
        m_stepChanges.clear();
    m_stepBrush = brushColour;
    m_stepKey = stepKey;
    m_cache = std::move(bmp);
    m_cacheIndex = index;
    m_cacheKeyColor = key;
    m_keyRgb = keyRgb;
    m_changed = m_cache.rect();
    ++m_fullCompositions;
    m_lastStartFrame = start;
}

const QImage &FrameComposer::cache() const
{
    if (m_cache.isNull() || m_cacheKeyColor == clNone)
        return m_cache;
    if (m_opaque.size() != m_cache.size()) {
        m_opaque = QImage(m_cache.size(), QImage::Format_RGB32);
        if (m_opaque.isNull())
            throw EReadError(QStringLiteral("Erreur de lecture du flux"));
        m_opaqueBehind = m_cache.rect();
    }
    const QRect area = m_opaqueBehind & m_cache.rect();
    const QRgb key = m_keyRgb | 0xFF000000;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(m_cache.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(m_opaque.scanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            out[x] = in[x] == 0 ? key : in[x];
    }
    m_opaqueBehind = QRect();
    return m_opaque;
}

} // namespace tavlo
