#pragma once

// A still or animated GIF held as a list of frames. Frames keep their
// compressed data and are turned into bitmaps on first use.

#include "media/base/Colors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>
#include <QList>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QIODevice;
class QPainter;
class QRect;

namespace tavlo {

// Damaged frame data is shown as far as it decodes instead of failing the
// whole picture.
extern bool LoadCorruptedGIFs;

// A frame larger than this many pixels is refused with the read error when
// its bitmap is built, so a forged 65535 x 65535 descriptor cannot exhaust
// memory. Large enough for any real animation.
extern std::int64_t MaxGIFFramePixels;
// The bitmaps of all frames of one image together hold at most this many
// bytes: one a pixel for a frame's bitmap, and four a pixel for the keyed
// copy a Draw with a key makes for as long as it draws. A frame or drawing
// that would pass it is refused the same way, so a small file of many large
// frames cannot exhaust memory either. Every copy of an image gets a budget
// of its own.
extern std::int64_t MaxGIFImagePixels;
// A logical screen larger than this many pixels is refused with the read
// error when a frame of it is composed (its 32-bit composition surface
// would be four bytes a pixel), before anything is allocated.
extern std::int64_t maxGifScreenPixels;

// What a frame leaves behind for the next one, as the graphic control
// extension says. Values 4..7 are undefined and kept as read: such a frame
// is drawn only as the frame shown, never under a later one.
enum class TDisposal : std::uint8_t {
    None = 0,
    Leave = 1,
    RestoreBackground = 2,
    RestorePrevious = 3,
};

// The bytes an image's frames may still take; shared by the frames of one
// image, taken from both the window thread and a drawing thread.
class TPixelBudget {
public:
    explicit TPixelBudget(std::int64_t bytes) : m_left{bytes} {}
    // Takes bytes when that many are left; false (and nothing taken) if not.
    bool take(std::int64_t bytes);
    void give(std::int64_t bytes) { m_left.fetch_add(bytes); }
    std::int64_t left() const { return m_left.load(); }

private:
    std::atomic<std::int64_t> m_left;
};

// A colour table: Count entries in use (0..256), then red, green, blue per
// entry as the file stores them. Unused entries are zero.
struct TGIFColors {
    std::int32_t Count{0};
    std::array<std::uint8_t, 256 * 3> Entries{};

    TColor color(int index) const
    {
        return RGB(Entries[index * 3], Entries[index * 3 + 1], Entries[index * 3 + 2]);
    }
};

// The file header. Immutable once loaded; copies of an image share it.
struct TGIFData {
    QList<QByteArray> Comment;
    std::uint8_t AspectRatio{0};
    int BitsPerPixel{0};
    int ColorResolution{0};
    TGIFColors GlobalColors;
};

// One frame's pixel data as the file holds it. Immutable once loaded;
// copies of an image share it.
struct TGIFItem {
    // LZW code size byte, then the data sub-blocks with their length bytes.
    QByteArray CompressedData;
    int Width{0};
    int Height{0};
    std::uint8_t PackedFields{0};
    // 0 when the frame has neither a local nor a global table.
    int BitsPerPixel{0};
    TGIFColors Colors;
};

enum class TExtensionKind : std::uint8_t {
    GraphicControl = 0,
    PlainText = 1,
    Application = 2,
    Comment = 3,
};

class TExtension {
public:
    TExtension(TExtensionKind kind, QByteArray fixedPart, QList<QByteArray> lines)
        : m_kind{kind}, m_fixedPart{std::move(fixedPart)}, m_lines{std::move(lines)}
    {
    }
    TExtensionKind Kind() const { return m_kind; }
    // The bytes after the label: graphic control 6, plain text 13,
    // application 12, comment none.
    const QByteArray &FixedPart() const { return m_fixedPart; }
    // One entry per data sub-block; empty for a graphic control.
    const QList<QByteArray> &Lines() const { return m_lines; }

private:
    TExtensionKind m_kind{TExtensionKind::Comment};
    QByteArray m_fixedPart;
    QList<QByteArray> m_lines;
};

class TGIFFrame {
public:
    // The decoded frame, built on first use and then kept. Frames with a
    // 2-colour table are QImage::Format_Mono; others Format_Indexed8 with
    // the 16- or 256-entry Palette() as colour table.
    // Throws EInvalidGraphicOperation or EReadError when it cannot be built.
    const QImage &Bitmap() const;
    // True once a bitmap has been built (or attempted) for this frame.
    bool hasBitmap() const { return m_hasBitmap; }

    // 0 when the frame has neither bitmap nor data, else its bitmap's size.
    int Width() const;
    int Height() const;
    int Left() const { return m_left; }
    int Top() const { return m_top; }
    TColor TransparentColor() const { return m_transparentColor; }
    // Milliseconds.
    std::uint16_t Delay() const { return m_delay; }
    // 0 none given, 1 leave in place, 2 restore to background, 3 restore
    // previous; 4..7 as the file says.
    int Disposal() const { return m_disposal; }
    TDisposal disposalMethod() const { return TDisposal(m_disposal); }
    bool Interlaced() const { return m_interlaced; }
    bool Corrupted() const { return m_corrupted; }
    bool HasLocalColors() const { return m_hasLocalColors; }
    const TGIFItem *PixelData() const { return m_pixelData.get(); }
    const std::vector<TExtension> &Extensions() const { return m_extensions; }
    // The bitmap's colour table (2, 16 or 256 entries; entries the file does
    // not supply are grey 128). Builds the bitmap if needed.
    QList<QRgb> Palette() const;

    // Draws Bitmap stretched into rect. With useKey and a TransparentColor,
    // pixels of that colour leave the canvas untouched; scaling is then
    // nearest-neighbour and nothing is blended.
    void Draw(QPainter &canvas, const QRect &rect, bool useKey) const;

private:
    friend class TGIFImage;
    friend class GifReader;

    // 1, 4 or 8 bits a pixel from the table's size.
    int depth() const;
    // The frame's indices as the stream delivers them, straight into the
    // bitmap when that is memory order; returns the bitmap.
    QImage decode(int depth) const;
    // Puts stream-order rows into the bitmap: in order or by the interlace
    // passes, packed to bits for a monochrome bitmap.
    void placeRows(const std::uint8_t *indices, QImage &bitmap) const;

    std::shared_ptr<const TGIFItem> m_pixelData;
    // What the frames of the owning image may still take; shared by them.
    std::shared_ptr<TPixelBudget> m_pixelBudget;
    std::vector<TExtension> m_extensions;
    int m_left{0};
    int m_top{0};
    bool m_interlaced{false};
    bool m_hasLocalColors{false};
    TColor m_transparentColor{clNone};
    std::uint16_t m_delay{0};
    int m_disposal{0};

    mutable bool m_corrupted{false};
    mutable bool m_hasBitmap{false};
    mutable QImage m_bitmap;
};

class TGIFImage {
public:
    TGIFImage();
    ~TGIFImage();
    // Copies share the header and every frame's data; the change handler
    // is not copied.
    TGIFImage(const TGIFImage &other);
    // Takes other's content (shared) and raises the change notification.
    TGIFImage &operator=(const TGIFImage &other);
    void assign(const TGIFImage &source) { *this = source; }

    // The "Data" value of a window layout: a little-endian signed 32-bit
    // length, then that many bytes of GIF.
    void ReadLayoutData(QIODevice &stream);
    void ReadLayoutData(QByteArrayView data);
    // Every byte left in the stream is the GIF.
    void LoadFromStream(QIODevice &stream);
    // Reads exactly size bytes of GIF from stream and replaces the content.
    void LoadGIF(std::int64_t size, QIODevice &stream, bool decodeFirst);
    void LoadGIF(QByteArrayView gif, bool decodeFirst = true);

    int Count() const { return int(m_frames.size()); }
    const TGIFFrame &Frames(int index) const { return *m_frames.at(std::size_t(index)); }
    // -1 when there are no frames; 0 after a load that produced frames.
    int CurrentFrame() const { return m_currentFrame; }

    // 0 none, 1 "87a", 2 "89a".
    int Version() const { return m_version; }
    // The logical screen; 0 x 0 when Empty.
    int ScreenWidth() const;
    int ScreenHeight() const;
    TColor BackgroundColor() const { return m_backgroundColor; }
    bool Looping() const { return m_looping; }
    std::uint16_t RepeatCount() const { return m_repeatCount; }
    const TGIFData &Header() const { return *m_header; }

    // True when the Transparent flag is on and a frame has a key colour.
    bool Transparent() const;
    void setTransparent(bool on) { m_transparent = on; }
    // The current frame's bitmap palette; empty without frames.
    QList<QRgb> Palette() const;
    bool Empty() const;
    // The current frame's bitmap size. Setting either one throws
    // EInvalidGraphicOperation: a GIF keeps its own size.
    int Width() const;
    int Height() const;
    void setWidth(int value);
    void setHeight(int value);

    bool PaletteModified() const { return m_paletteModified; }
    void setPaletteModified(bool on) { m_paletteModified = on; }

    // Called at the end of every successful load and after assignment.
    void setOnChange(std::function<void()> handler) { m_onChange = std::move(handler); }
    // Held for the whole of every load and assignment, change notification
    // included, so that an owner drawing on another thread under the same
    // lock never sees the content half replaced. Not copied.
    void setChangeLock(std::recursive_mutex *lock) { m_changeLock = lock; }

private:
    friend class GifReader;
    void load(QByteArrayView gif, bool decodeFirst);
    void reset();
    void changed();
    const TGIFFrame *current() const;

    std::shared_ptr<const TGIFData> m_header;
    std::vector<std::unique_ptr<TGIFFrame>> m_frames;
    int m_currentFrame{-1};
    int m_version{0};
    std::uint16_t m_screenWidth{0};
    std::uint16_t m_screenHeight{0};
    TColor m_backgroundColor{clNone};
    bool m_looping{false};
    std::uint16_t m_repeatCount{1};
    bool m_transparent{true};
    bool m_paletteModified{false};
    std::function<void()> m_onChange;
    std::recursive_mutex *m_changeLock{nullptr};
    std::shared_ptr<TPixelBudget> m_pixelBudget;
};

} // namespace tavlo
