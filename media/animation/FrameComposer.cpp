#include "media/animation/FrameComposer.h"

#include "media/base/Exceptions.h"

#include <algorithm>
#include <array>
#include <optional>
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
    void drawRow(QRgb *line, int y, int from, int to) const { put<false>(line, y, from, to); }

    // Readies drawRowOver: the frame's transparent pixels show brush.
    void showUnder(QRgb brush)
    {
        for (std::size_t i = 0; i < m_pixel.size(); ++i)
            m_over[i] = m_pixel[i] == Leave ? brush : m_pixel[i];
    }
    // The frame's row as it looks over the brush given to showUnder, every
    // pixel written: what a row given back and then drawn over comes to,
    // in one pass.
    void drawRowOver(QRgb *line, int y, int from, int to) const { put<true>(line, y, from, to); }

private:
    template <bool Over>
    void put(QRgb *line, int y, int from, int to) const
    {
        const std::array<QRgb, 256> &table = Over ? m_over : m_pixel;
        const uchar *in = m_bitmap.constScanLine(y - m_rect.top());
        const int shift = m_rect.left();
        if (m_mono) {
            for (int x = from; x <= to; ++x) {
                const int bit = x - shift;
                const QRgb pixel = table[std::size_t((in[bit >> 3] >> (7 - (bit & 7))) & 1)];
                if (Over || pixel != Leave)
                    line[x] = pixel;
            }
            return;
        }
        in -= shift;
        for (int x = from; x <= to; ++x) {
            const QRgb pixel = table[in[x]];
            if (Over || pixel != Leave)
                line[x] = pixel;
        }
    }

    const QImage &m_bitmap;
    std::array<QRgb, 256> m_pixel{};
    std::array<QRgb, 256> m_over{};
    bool m_mono{false};
    QRect m_rect;
};

// One step of a composition from scratch, on the part of the screen it
// touches: a frame drawn, or a frame's rectangle given back in the brush.
struct Step {
    std::optional<FramePixels> frame;
    QRect area;
};

// Writes row into line where they differ, and widens changed by the span
// that did (row starts at screen column offset, on screen row y).
void writeChanges(const std::vector<QRgb> &row, QRgb *line, int offset, int y, QRect &changed)
{
    const auto [same, ignored] = std::mismatch(row.begin(), row.end(), line);
    if (same == row.end())
        return;
    const int first = int(same - row.begin());
    int last = int(row.size()) - 1;
    while (row[std::size_t(last)] == line[last])
        --last;
    std::copy(row.begin() + first, row.begin() + last + 1, line + first);
    changed |= QRect(offset + first, y, last - first + 1, 1);
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
    FramePixels next(image.Frames(index), m_cacheKeyColor != clNone, m_keyRgb);
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
    next.showUnder(brush);
    // Where the new frame lies within what the previous one gives back, a
    // row of it is composed in one pass.
    const bool drawnWithinCleared = !drawn.isEmpty() && cleared.left() <= drawn.left()
        && cleared.right() >= drawn.right();
    // Kept from tick to tick: a tick allocates nothing.
    std::vector<QRgb> &row = m_row;
    row.resize(std::size_t(std::max(area.width(), 0)));
    m_changed = QRect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(m_cache.scanLine(y)) + area.left();
        QRgb *out = row.data() - area.left();
        const bool clearedRow = y >= cleared.top() && y <= cleared.bottom();
        const bool drawnRow = y >= drawn.top() && y <= drawn.bottom();
        if (clearedRow) {
            // A row given back across the whole span (a full frame restored
            // to background, as the title's are) need not be read first.
            if (cleared.left() > area.left() || cleared.right() < area.right())
                std::copy(line, line + area.width(), row.data());
            if (drawnRow && drawnWithinCleared) {
                std::fill(out + cleared.left(), out + drawn.left(), brush);
                next.drawRowOver(out, y, drawn.left(), drawn.right());
                std::fill(out + drawn.right() + 1, out + cleared.right() + 1, brush);
                writeChanges(row, line, area.left(), y, m_changed);
                continue;
            }
            std::fill(out + cleared.left(), out + cleared.right() + 1, brush);
        } else {
            std::copy(line, line + area.width(), row.data());
        }
        if (drawnRow)
            next.drawRow(out, y, drawn.left(), drawn.right());
        writeChanges(row, line, area.left(), y, m_changed);
    }
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
    const QRgb brushColour = composedPixel(rgbOf(brush), keyed, keyRgb);
    const QRect screen(0, 0, image.ScreenWidth(), image.ScreenHeight());

    // Every frame is decoded before the picture is touched, so that one that
    // cannot be leaves nothing half composed.
    const int start = startFrame(image, index);
    std::vector<Step> steps;
    steps.reserve(std::size_t(index - start + 1));
    for (int j = start; j <= index; ++j) {
        const TGIFFrame &frame = image.Frames(j);
        const TDisposal disposal = j == index ? TDisposal::None : frame.disposalMethod();
        switch (disposal) {
        case TDisposal::None:
        case TDisposal::Leave: {
            Step &step = steps.emplace_back(Step{FramePixels(frame, keyed, keyRgb), QRect()});
            step.area = step.frame->rect() & screen;
            break;
        }
        case TDisposal::RestoreBackground:
            if (j > start)
                steps.push_back(Step{std::nullopt, frameRect(frame) & screen});
            break;
        default:
            // Restored to what was before, or undefined: leaves nothing.
            break;
        }
    }

    // The picture of the same screen and key is composed again in place, and
    // only the pixels that differ are written: after a wrap or a jump only
    // what differs from the frame shown before is repainted.
    const QImage::Format format = keyed ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const bool inPlace = !m_cache.isNull() && m_cache.size() == screen.size() && m_cache.format() == format
        && m_cacheKeyColor == key;
    if (!inPlace) {
        forgetCache();
        m_cache = QImage(screen.size(), format);
        if (m_cache.isNull())
            throw EReadError(QStringLiteral("Erreur de lecture du flux"));
    }

    // Given back in another colour, or keyed on another, every step may
    // look different.
    const std::optional<QRgb> stepKey = keyed ? std::optional<QRgb>(keyRgb) : std::nullopt;
    if (brushColour != m_stepBrush || stepKey != m_stepKey)
        m_stepChanges.clear();
    m_stepBrush = brushColour;
    m_stepKey = stepKey;
    // The wrap from the last frame to the first is the same step every
    // time round: once it is known what it changes, only that part is
    // composed again, as for the steps between consecutive frames.
    QRect span = screen;
    std::optional<QRect> *known = nullptr;
    if (inPlace && index == 0 && image.Count() > 1 && m_cacheIndex == image.Count() - 1) {
        if (m_stepChanges.size() != std::size_t(image.Count()))
            m_stepChanges.assign(std::size_t(image.Count()), std::nullopt);
        known = &m_stepChanges.front();
        if (*known)
            span &= **known;
    }

    std::vector<QRgb> &row = m_row;
    row.resize(std::size_t(std::max(span.width(), 0)));
    m_changed = QRect();
    for (int y = span.top(); y <= span.bottom(); ++y) {
        QRgb *out = row.data() - span.left();
        std::fill(row.begin(), row.end(), brushColour);
        for (const Step &step : steps) {
            const QRect part = step.area & span;
            if (y < part.top() || y > part.bottom())
                continue;
            if (step.frame)
                step.frame->drawRow(out, y, part.left(), part.right());
            else
                std::fill(out + part.left(), out + part.right() + 1, brushColour);
        }
        auto *line = reinterpret_cast<QRgb *>(m_cache.scanLine(y)) + span.left();
        if (inPlace)
            writeChanges(row, line, span.left(), y, m_changed);
        else
            std::copy(row.begin(), row.end(), line);
    }
    if (!inPlace)
        m_changed = screen;
    if (known)
        *known = m_changed;
    m_cacheIndex = index;
    m_cacheKeyColor = key;
    m_keyRgb = keyRgb;
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
