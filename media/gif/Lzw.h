#pragma once

// The variable-length-code LZW decoder of GIF image data.

#include <QByteArrayView>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavlo {

// Decodes one frame's compressed data (the code size byte, then data
// sub-blocks each with its length byte) into pixels, one index byte each,
// in the order the stream delivers them; the caller maps rows for
// interlacing.
//
// Every pixel the data does not reach is set to index 0, whatever the
// buffer held: decoding may stop early (the end code, the data running out,
// damage) and nothing past the last decoded string is left behind.
//
// Values are masked with 2^bitsPerPixel - 1. Codes below the clear code are
// literal values whatever the table depth, so streams whose code size
// differs from their table's depth decode right.
//
// Returns true when the data is damaged: a code size outside 2..9 (which is
// clamped, and decoding stops at the first ordinary code), a sub-block
// whose length byte promises more than is left, a code above the next free
// table entry, or a table code with no string before it since the clear
// code. Decoding stops at the damage. Data that merely ends before the end
// code and the last pixel is not damage. When tolerate is false, damaged
// codes throw EInvalidGraphicOperation instead ("GIF code size not in range
// 2 to 9", "GIF encoded data is corrupt"). Never reads outside compressed
// or writes beyond pixelCount.
bool DecodeLZW(QByteArrayView compressed, std::uint8_t *pixels, std::size_t pixelCount,
               int bitsPerPixel, bool tolerate);

// The decoder behind DecodeLZW, one stream at a time.
class LzwDecoder {
public:
    LzwDecoder(QByteArrayView compressed, int bitsPerPixel, bool tolerate);

    // Decodes into pixels (see DecodeLZW); true when the data is damaged.
    bool decode(std::uint8_t *pixels, std::size_t pixelCount);

private:
    static constexpr unsigned maxCodes = 4096;
    static constexpr unsigned maxCodeWidth = 12;

    void readCodeSize(QByteArrayView compressed);
    void joinSubBlocks(QByteArrayView compressed);
    bool nextCode(unsigned &code);
    void clearTable();
    // Writes the string of code at m_pos; false when the code is damage.
    bool expand(unsigned code, std::uint8_t *pixels, std::size_t pixelCount, std::size_t &length);
    void addEntry();
    void damaged();

    bool m_tolerate;
    bool m_corrupted{false};
    bool m_clamped{false};
    unsigned m_codeSize{2};
    unsigned m_clear{4};
    unsigned m_end{5};
    unsigned m_pixelMask{0};

    // The data sub-blocks joined into one run of bytes so that a code may
    // straddle any number of them, with three zero bytes of padding so the
    // reader fetches without bounds checks.
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_totalBits{0};
    std::size_t m_bitPos{0};

    unsigned m_width{3};
    unsigned m_limit{8};
    unsigned m_nextFree{6};
    bool m_tableFull{false};
    int m_old{-1};
    // Output position of the latest string, and where decoding stands.
    std::size_t m_oldPos{0};
    std::size_t m_pos{0};
    // Every table string is the previous code's string plus the first value
    // of the next one, and both were written out side by side. So an entry
    // is kept as where its string already stands in the output and how long
    // it is, and decoding a code is a copy from earlier output: no chains to
    // walk, no stack to overflow.
    std::array<std::size_t, maxCodes> m_start{};
    std::array<std::uint16_t, maxCodes> m_length{};
};

} // namespace tavlo
