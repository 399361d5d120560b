#pragma once

// The composition of an animated GIF's frames into pictures of its logical
// screen, as the animated control shows them: each frame drawn over what
// the earlier ones leave behind by their disposal methods, and between
// consecutive frames only the change. Frames are read straight from their
// indexed pixels; nothing full-colour is kept per frame, and the one
// picture kept is already keyed for drawing. No widgets, no
// locking: the control composes under its own lock.

#include "media/base/Colors.h"
#include "media/gif/RxGIF.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

namespace tavlo {

namespace testing {
class AnimationProbe;
}

class FrameComposer {
public:
    // The logical-screen picture of frame index of image (clamped to the
    // last frame), as it is drawn over what lies beneath: pixels of the key
    // colour fully clear, all others opaque, premultiplied (the format Qt
    // blits without converting); without a key, opaque throughout. key
    // receives the colour that stands for transparency, or clNone. Throws
    // EReadError, before allocating anything, when the screen is larger
    // than maxGifScreenPixels, and whatever decoding a frame throws; the
    // cache is then empty.
    const QImage &compose(const TGIFImage &image, int index, TColor &key);
    // Forgets the cached picture (the image changed).
    void reset();

    // The cached picture with its key pixels in the key colour, as a
    // control that is not transparent shows it. Made on the first call
    // (nothing is made for a picture without a key), then brought up to
    // date over the changed parts only.
    const QImage &cache() const;
    // The part of the screen the latest compose changed: the bounding
    // rectangle of the pixels that now differ from the picture before (all
    // of it for the first picture), empty when the new frame looks like the
    // one before or is the frame already cached.
    QRect changed() const { return m_changed; }

private:
    friend class testing::AnimationProbe;

    // Drops the cached picture, keeping what is known about the image.
    void forgetCache();
    void composeAfterCache(const TGIFImage &image, int index);
    void composeFromScratch(const TGIFImage &image, int index, TColor &key);
    // The latest frame at or before index that hides everything before it.
    static int startFrame(const TGIFImage &image, int index);

    QImage m_cache;
    int m_cacheIndex{-1};
    TColor m_cacheKeyColor{clNone};
    QRgb m_keyRgb{0};
    QRect m_changed;
    // One row being composed, kept so that composing allocates nothing.
    std::vector<QRgb> m_row;
    mutable QImage m_opaque;
    // What changed in the cache since m_opaque last followed it.
    mutable QRect m_opaqueBehind;
    // What the step to each frame from the one before changed, once it has
    // been worked out: the composed picture of a frame depends only on the
    // image, so the next time round only that part is composed again.
    std::vector<std::optional<QRect>> m_stepChanges;
    // The colour frames are given back in and the key, as the steps were
    // worked out.
    QRgb m_stepBrush{0};
    std::optional<QRgb> m_stepKey;
    // Read by tests only: how many compositions started from scratch, and
    // the first frame the latest of them drew from.
    std::uint64_t m_fullCompositions{0};
    int m_lastStartFrame{-1};
};

} // namespace tavlo
