#pragma once

// The composition of an animated GIF's frames into pictures of its logical
// screen, as the animated control shows them: each frame drawn over what
// the earlier ones leave behind by their disposal methods, and between
// consecutive frames only the change. No widgets, no locking: the control
// composes under its own lock.

#include "media/Colors.h"
#include "media/RxGIF.h"

#include <QImage>

#include <cstdint>

class QPainter;
class QRect;

namespace tavlo {

class TFrameComposer {
public:
    // The full logical-screen picture of frame index of image (clamped to
    // the last frame); key receives the colour that stands for
    // transparency, or clNone. Throws EReadError, before allocating
    // anything, when the screen is larger than MaxGIFScreenPixels, and
    // whatever decoding a frame throws; the cache is then empty.
    const QImage &Compose(const TGIFImage &image, int index, TColor &key);
    // Forgets the cached picture (the image changed).
    void Reset();

    const QImage &Cache() const { return m_cache; }
    int CacheIndex() const { return m_cacheIndex; }
    // How many compositions started from scratch, and the first frame the
    // latest of them drew from.
    std::uint64_t FullCompositions() const { return m_fullCompositions; }
    int LastStartFrame() const { return m_lastStartFrame; }

private:
    void composeAfterCache(const TGIFImage &image, int index);
    void composeFromScratch(const TGIFImage &image, int index, TColor &key);
    // The latest frame at or before index that hides everything before it.
    static int startFrame(const TGIFImage &image, int index);

    QImage m_cache;
    int m_cacheIndex{-1};
    TColor m_cacheKeyColor{clNone};
    TColor m_cacheBrush{clNone};
    std::uint64_t m_fullCompositions{0};
    int m_lastStartFrame{-1};
};

// Draws the source part of bmp scaled into dest, leaving the canvas untouched
// where the source pixel is key (for a monochrome bmp, white is the key).
// Scaling repeats or drops whole pixels and never blends, unless smooth is
// set: then the picture, key pixels as clear ones, is filtered to its size
// on the canvas (a twice-size frame on a screen scaled to other than 200 %).
void DrawKeyed(QPainter &canvas, const QImage &bmp, const QRect &source, const QRect &dest,
               TColor key, bool smooth = false);

} // namespace tavlo
