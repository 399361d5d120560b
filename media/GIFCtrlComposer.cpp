#include "media/GIFCtrlComposer.h"

#include "media/Exceptions.h"

#include <QPainter>

#include <algorithm>

namespace tavlo {

namespace {

QRgb rgbOf(TColor color)
{
    if (isSystemColor(color))
        return toQColor(color).rgb();
    return qRgb(redOf(color), greenOf(color), blueOf(color));
}

QRect frameRect(const TGIFImage &image, int j)
{
    const TGIFFrame &frame = image.Frames(j);
    return QRect(frame.Left(), frame.Top(), frame.Width(), frame.Height());
}

} // namespace

void TFrameComposer::Reset()
{
    m_cache = QImage();
    m_cacheIndex = -1;
    m_cacheKeyColor = clNone;
}

const QImage &TFrameComposer::Compose(const TGIFImage &image, int index, TColor &key)
{
    index = std::max(0, std::min(index, image.Count() - 1));
    // A repaint of the frame already composed (an expose, a property
    // change) shows the cached picture as it is.
    if (!m_cache.isNull() && m_cacheIndex == index) {
        key = m_cacheKeyColor;
        return m_cache;
    }
    const bool incremental = !m_cache.isNull() && m_cacheIndex == index - 1 && m_cacheIndex >= 0
        && image.Frames(m_cacheIndex).DisposalMethod() != TDisposal::RestorePrevious;
    if (incremental) {
        key = m_cacheKeyColor;
        composeAfterCache(image, index);
    } else {
        composeFromScratch(image, index, key);
    }
    return m_cache;
}

void TFrameComposer::composeAfterCache(const TGIFImage &image, int index)
{
    QPainter canvas(&m_cache);
    if (image.Frames(m_cacheIndex).DisposalMethod() == TDisposal::RestoreBackground)
        canvas.fillRect(frameRect(image, m_cacheIndex), QColor(rgbOf(m_cacheBrush)));
    image.Frames(index).Draw(canvas, frameRect(image, index), true);
    m_cacheIndex = index;
}

int TFrameComposer::startFrame(const TGIFImage &image, int index)
{
    // One that covers the screen opaquely, or an earlier one that covers it
    // and is restored to background afterwards.
    int start = index;
    while (start > 0) {
        const TGIFFrame &frame = image.Frames(start);
        const bool coversScreen = frame.Width() == image.ScreenWidth() && frame.Height() == image.ScreenHeight();
        if (coversScreen
            && (frame.TransparentColor() == clNone
                || (frame.DisposalMethod() == TDisposal::RestoreBackground && start < index)))
            break;
        --start;
    }
    return start;
}

void TFrameComposer::composeFromScratch(const TGIFImage &image, int index, TColor &key)
{
    Reset();
    const std::int64_t area = std::int64_t(image.ScreenWidth()) * image.ScreenHeight();
    if (area > MaxGIFScreenPixels)
        throw EReadError(QStringLiteral("Erreur de lecture du flux"));
    QImage bmp(image.ScreenWidth(), image.ScreenHeight(), QImage::Format_RGB32);
    if (bmp.isNull())
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
    const QColor brushColor(rgbOf(brush));
    bmp.fill(brushColor);

    const int start = startFrame(image, index);
    {
        QPainter canvas(&bmp);
        for (int j = start; j < index; ++j) {
            const TGIFFrame &frame = image.Frames(j);
            switch (frame.DisposalMethod()) {
            case TDisposal::None:
            case TDisposal::Leave:
                frame.Draw(canvas, frameRect(image, j), true);
                break;
            case TDisposal::RestoreBackground:
                if (j > start)
                    canvas.fillRect(frameRect(image, j), brushColor);
                break;
            default:
                // Restored to what was before, or undefined: leaves nothing.
                break;
            }
        }
        image.Frames(index).Draw(canvas, frameRect(image, index), true);
    }

    m_cache = std::move(bmp);
    m_cacheIndex = index;
    m_cacheKeyColor = key;
    m_cacheBrush = brush;
    ++m_fullCompositions;
    m_lastStartFrame = start;
}

void DrawKeyed(QPainter &canvas, const QImage &bmp, const QRect &source, const QRect &dest, TColor key,
               bool smooth)
{
    const QImage part = source == bmp.rect() ? bmp : bmp.copy(source);
    const QRgb keyRgb = (part.depth() == 1 ? qRgb(255, 255, 255) : rgbOf(key)) & 0xFFFFFF;
    const QImage rgb = part.convertToFormat(QImage::Format_RGB32);
    // Fully opaque or fully clear, nothing in between: scaled without
    // smoothing, the key pixels leave the canvas as it was and every other
    // pixel lands with its exact colour.
    QImage keyed(rgb.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            out[x] = (in[x] & 0xFFFFFF) == keyRgb ? 0 : (in[x] | 0xFF000000);
    }
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    canvas.drawImage(dest, keyed);
    canvas.restore();
}

} // namespace tavlo
