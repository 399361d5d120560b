#include "media/gif/Lzw.h"

#include "media/base/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace tavlo {

bool DecodeLZW(QByteArrayView compressed, std::uint8_t *pixels, std::size_t pixelCount,
               int bitsPerPixel, bool tolerate)
{
    return LzwDecoder{compressed, bitsPerPixel, tolerate}.decode(pixels, pixelCount);
}

LzwDecoder::LzwDecoder(QByteArrayView compressed, int bitsPerPixel, bool tolerate)
    : m_tolerate{tolerate}
    , m_pixelMask{(1u << std::clamp(bitsPerPixel, 0, 8)) - 1}
{
    readCodeSize(compressed);
    m_clear = 1u << m_codeSize;
    m_end = m_clear + 1;
    joinSubBlocks(compressed);
    clearTable();
}

void LzwDecoder::readCodeSize(QByteArrayView compressed)
{
    if (compressed.isEmpty())
        throw EReadError(QStringLiteral("Erreur de lecture du flux"));
    m_codeSize = std::uint8_t(compressed[0]);
    if (m_codeSize < 2 || m_codeSize > 9) {
        if (!m_tolerate)
            throw EInvalidGraphicOperation(QStringLiteral("GIF code size not in range 2 to 9"));
        m_corrupted = true;
        m_clamped = true;
        m_codeSize = std::clamp(m_codeSize, 2u, 9u);
    }
}

void LzwDecoder::joinSubBlocks(QByteArrayView compressed)
{
    m_bytes.reserve(std::size_t(compressed.size()) + 3);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(compressed.data());
    const std::size_t size = std::size_t(compressed.size());
    std::size_t at = 1; // past the code size byte
    while (at < size) {
        const std::size_t length = bytes[at++];
        if (length == 0)
            break;
        // A block cut off by the end of the data gives what is there, but
        // the stream is damaged.
        if (length > size - at)
            m_corrupted = true;
        const std::size_t take = std::min(length, size - at);
        m_bytes.insert(m_bytes.end(), bytes + at, bytes + at + take);
        at += take;
    }
    m_totalBits = m_bytes.size() * 8;
    m_bytes.insert(m_bytes.end(), 3, 0);
}

// Codes are packed least significant bit first. False once fewer than
// m_width bits are left.
inline bool LzwDecoder::nextCode(unsigned &code)
{
    if (m_bitPos + m_width > m_totalBits)
        return false;
    const std::uint8_t *p = m_bytes.data() + (m_bitPos >> 3);
    const std::uint32_t window = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    code = (window >> (m_bitPos & 7)) & ((1u << m_width) - 1);
    m_bitPos += m_width;
    return true;
}

void LzwDecoder::clearTable()
{
    m_width = m_codeSize + 1;
    m_limit = 1u << m_width;
    m_nextFree = m_clear + 2;
    m_tableFull = false;
    m_old = -1;
}

void LzwDecoder::damaged()
{
    if (!m_tolerate)
        throw EInvalidGraphicOperation(QStringLiteral("GIF encoded data is corrupt"));
    m_corrupted = true;
}

inline bool LzwDecoder::expand(unsigned code, std::uint8_t *pixels, std::size_t pixelCount,
                               std::size_t &length)
{
    const std::size_t room = pixelCount - m_pos;
    if (code < m_clear) {
        pixels[m_pos] = std::uint8_t(code & m_pixelMask);
        m_length[code] = 1;
        length = 1;
        return true;
    }
    if (m_old < 0) {
        // A table code with nothing decoded since the last clear: the table
        // would be read from garbage.
        damaged();
        return false;
    }
    if (code < m_nextFree) {
        // The string ends before m_pos, so source and target never overlap.
        // Short strings move as one 8-byte word; the bytes past the string
        // are rewritten by the codes that follow, or zeroed when decoding
        // stops.
        length = m_length[code];
        const std::uint8_t *from = pixels + m_start[code];
        if (length <= 8 && room >= 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, from, 8);
            std::memcpy(pixels + m_pos, &chunk, 8);
        } else {
            std::memcpy(pixels + m_pos, from, std::min(length, room));
        }
        return true;
    }
    if (code == m_nextFree && !m_tableFull) {
        // The string being defined: the previous one plus its own first
        // value, which this very copy delivers (source and target overlap by
        // design, so byte by byte).
        length = std::size_t(m_length[m_old]) + 1;
        const std::size_t count = std::min(length, room);
        for (std::size_t i = 0; i < count; ++i)
            pixels[m_pos + i] = pixels[m_oldPos + i];
        return true;
    }
    // Above the next free entry: nothing defines it.
    damaged();
    return false;
}

inline void LzwDecoder::addEntry()
{
    if (m_old < 0 || m_tableFull)
        return;
    m_start[m_nextFree] = m_oldPos;
    m_length[m_nextFree] = std::uint16_t(m_length[m_old] + 1);
    if (++m_nextFree == m_limit) {
        if (m_width < maxCodeWidth) {
            ++m_width;
            m_limit <<= 1;
        } else {
            // Kept full until the next clear code, as some encoders expect.
            m_tableFull = true;
        }
    }
}

bool LzwDecoder::decode(std::uint8_t *pixels, std::size_t pixelCount)
{
    bool afterClear = false;
    unsigned code = 0;
    while (m_pos < pixelCount && nextCode(code)) {
        if (code == m_end)
            break;
        if (code == m_clear) {
            // An end or clear code right after a clear is obeyed too.
            clearTable();
            afterClear = true;
            continue;
        }
        // A clamped code size decodes nothing but the value that follows a
        // clear code: the codes after it are read at a width they were not
        // written with.
        if (m_clamped && !afterClear)
            break;
        afterClear = false;
        std::size_t length = 0;
        if (!expand(code, pixels, pixelCount, length))
            break;
        addEntry();
        m_oldPos = m_pos;
        m_pos = std::min(m_pos + length, pixelCount);
        m_old = int(code);
    }
    if (m_pos < pixelCount)
        std::memset(pixels + m_pos, 0, pixelCount - m_pos);
    return m_corrupted;
}

} // namespace tavlo
