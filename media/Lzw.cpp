#include "media/Lzw.h"

#include "media/Exceptions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace tavlo {

namespace {

constexpr unsigned MaxCodes = 4096;
constexpr unsigned MaxCodeWidth = 12;

// The data sub-blocks joined into one run of bytes so that a code may
// straddle any number of them (even one-byte blocks). A block whose length
// byte promises more than is left contributes what is left. Three zero
// bytes of padding let the reader fetch without bounds checks.
std::vector<std::uint8_t> joinSubBlocks(QByteArrayView data)
{
    std::vector<std::uint8_t> joined;
    joined.reserve(std::size_t(data.size()) + 3);
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(data.data());
    const std::size_t size = std::size_t(data.size());
    std::size_t at = 1; // past the code size byte
    while (at < size) {
        const std::size_t length = bytes[at++];
        const std::size_t take = std::min(length, size - at);
        joined.insert(joined.end(), bytes + at, bytes + at + take);
        at += take;
    }
    joined.insert(joined.end(), 3, 0);
    return joined;
}

class CodeReader {
public:
    explicit CodeReader(const std::vector<std::uint8_t> &joined)
        : m_bytes{joined.data()}, m_totalBits{(joined.size() - 3) * 8}
    {
    }

    // Codes are packed least significant bit first. False once fewer than
    // width bits are left.
    bool read(unsigned width, unsigned &code)
    {
        if (m_bitPos + width > m_totalBits)
            return false;
        const std::uint8_t *p = m_bytes + (m_bitPos >> 3);
        const std::uint32_t window = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8)
                                     | (std::uint32_t(p[2]) << 16);
        code = (window >> (m_bitPos & 7)) & ((1u << width) - 1);
        m_bitPos += width;
        return true;
    }

private:
    const std::uint8_t *m_bytes;
    std::size_t m_totalBits;
    std::size_t m_bitPos{0};
};

} // namespace

bool DecodeLZW(QByteArrayView compressed, std::uint8_t *pixels, std::size_t pixelCount,
               int bitsPerPixel, bool tolerate)
{
    if (compressed.isEmpty())
        throw EReadError(QStringLiteral("Erreur de lecture du flux"));

    bool corrupted = false;
    unsigned codeSize = std::uint8_t(compressed[0]);
    if (codeSize < 2 || codeSize > 9) {
        if (!tolerate)
            throw EInvalidGraphicOperation(QStringLiteral("GIF code size not in range 2 to 9"));
        corrupted = true;
        codeSize = std::clamp(codeSize, 2u, 9u);
    }
    if (pixelCount == 0)
        return corrupted;

    const unsigned clear = 1u << codeSize;
    const unsigned end = clear + 1;
    const unsigned firstFree = clear + 2;
    const unsigned pixelMask = (1u << std::clamp(bitsPerPixel, 0, 8)) - 1;

    // Every string is its prefix string plus one value; its first value and
    // length are kept so a string can be written straight into place.
    std::array<std::uint16_t, MaxCodes> prefix;
    std::array<std::uint8_t, MaxCodes> suffix;
    std::array<std::uint8_t, MaxCodes> firstOf;
    std::array<std::uint16_t, MaxCodes> length;
    for (unsigned c = 0; c < clear; ++c) {
        prefix[c] = 0;
        suffix[c] = firstOf[c] = std::uint8_t(c & pixelMask);
        length[c] = 1;
    }

    const std::vector<std::uint8_t> joined = joinSubBlocks(compressed);
    CodeReader reader{joined};

    std::size_t pos = 0;
    // Writes the string of code at pos, cutting it at the last pixel. A
    // chain always ends at a literal because each entry's prefix is an
    // older code, so its length is bounded by the table size.
    auto writeString = [&](unsigned code) {
        const std::size_t len = length[code];
        const std::size_t room = pixelCount - pos;
        if (len <= room) {
            std::uint8_t *p = pixels + pos + len - 1;
            while (code >= firstFree) {
                *p-- = suffix[code];
                code = prefix[code];
            }
            *p = suffix[code];
            pos += len;
            return;
        }
        std::array<std::uint8_t, MaxCodes + 1> string;
        std::size_t i = len;
        while (code >= firstFree) {
            string[--i] = suffix[code];
            code = prefix[code];
        }
        string[--i] = suffix[code];
        std::memcpy(pixels + pos, string.data(), room);
        pos = pixelCount;
    };
    auto damaged = [&] {
        if (!tolerate)
            throw EInvalidGraphicOperation(QStringLiteral("GIF encoded data is corrupt"));
        corrupted = true;
    };

    unsigned width = codeSize + 1;
    unsigned limit = 1u << width;
    unsigned nextFree = firstFree;
    bool tableFull = false;
    bool afterClear = false;
    int old = -1;
    unsigned code = 0;
    while (pos < pixelCount) {
        if (!reader.read(width, code)) {
            // The data ran out before the end code and the last pixel.
            corrupted = true;
            break;
        }
        if (code == end)
            break;
        if (code == clear) {
            width = codeSize + 1;
            limit = 1u << width;
            nextFree = firstFree;
            tableFull = false;
            afterClear = true;
            old = -1;
            continue;
        }
        // A frame already known damaged (a clamped code size) shows only
        // the value that follows a clear code.
        if (corrupted && !afterClear)
            break;
        afterClear = false;

        unsigned first;
        if (code < clear) {
            pixels[pos++] = std::uint8_t(code & pixelMask);
            first = code & pixelMask;
        } else if (old < 0) {
            // A table code with nothing decoded since the last clear.
            damaged();
            break;
        } else if (code < nextFree) {
            writeString(code);
            first = firstOf[code];
        } else if (code == nextFree && !tableFull) {
            // The string being defined: the previous one plus its own first
            // value.
            writeString(unsigned(old));
            first = firstOf[old];
            if (pos < pixelCount)
                pixels[pos++] = std::uint8_t(first);
        } else {
            damaged();
            break;
        }

        if (old >= 0 && !tableFull) {
            prefix[nextFree] = std::uint16_t(old);
            suffix[nextFree] = std::uint8_t(first);
            firstOf[nextFree] = firstOf[old];
            length[nextFree] = std::uint16_t(length[old] + 1);
            if (++nextFree == limit) {
                if (width < MaxCodeWidth) {
                    ++width;
                    limit <<= 1;
                } else {
                    tableFull = true;
                }
            }
        }
        old = int(code);
    }
    return corrupted;
}

} // namespace tavlo
