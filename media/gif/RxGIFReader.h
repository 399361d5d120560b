#pragma once

// The GIF container reader: walks a file's blocks and fills a TGIFImage
// with its header, frames and comment. Pixels are decoded later, by the
// frames themselves.

#include "media/gif/RxGIF.h"

#include <QByteArrayView>

#include <memory>
#include <optional>
#include <vector>

namespace tavlo {

// Reads from an in-memory copy of the stream. Exact reads that come up
// short raise the stream read error; reads inside extensions may come up
// short at the end of the data.
class GifStream {
public:
    explicit GifStream(QByteArrayView data) : m_data{data} {}

    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype pos() const { return m_pos; }
    qsizetype left() const { return m_data.size() - m_pos; }
    std::uint8_t byte();
    QByteArrayView exact(qsizetype n);
    QByteArray upTo(qsizetype n);
    void skip(qsizetype n) { m_pos += n; }
    QByteArrayView between(qsizetype from, qsizetype to) const { return m_data.sliced(from, to - from); }
    // The data sub-blocks that follow, one string each, up to the
    // terminator or the end of the data.
    QList<QByteArray> subBlocks();

    static std::uint16_t word(QByteArrayView bytes, int at)
    {
        return std::uint16_t(std::uint8_t(bytes[at]) | (std::uint8_t(bytes[at + 1]) << 8));
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos{0};
};

class GifReader {
public:
    GifReader(TGIFImage &image, QByteArrayView data);

    // Fills the image; frames read before a failure stay in it.
    void read();

private:
    // The introducer byte that follows, or the trailer at the end of the data.
    char intro();
    void header();
    // Reads the extensions from intro onwards (loop extensions are taken
    // note of, plain text drops the run so far) and returns the byte after.
    char extensionRun(char intro, std::vector<TExtension> &pending);
    std::optional<TExtension> extension();
    void frame(std::vector<TExtension> extensions);
    void compressedData(TGIFFrame &frame, TGIFItem &item);
    void graphicControls(TGIFFrame &frame, const TGIFItem &item);
    // A run not followed by an image: its comments become the picture's.
    void comment(const std::vector<TExtension> &pending);
    void readColors(TGIFColors &colors, int bits);

    TGIFImage &m_image;
    GifStream m_in;
    std::shared_ptr<TGIFData> m_header;
};

} // namespace tavlo
