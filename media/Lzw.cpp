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

    // Every string in the table is the previous code's string plus the
    // first value of the next one, and both were written out side by side.
    // So an entry is kept as where its string already stands in the output
    // and how long it is, and decoding a code is a copy from earlier output:
    // no chains to walk, no stack to overflow.
    std::array<std::size_t, MaxCodes> start;
    std::array<std::uint16_t, MaxCodes> length{};

    const std::vector<std::uint8_t> joined = joinSubBlocks(compressed);
    CodeReader reader{joined};

    auto damaged = [&] {
        if (!tolerate)
            throw EInvalidGraphicOperation(QStringLiteral("GIF encoded data is corrupt"));
        corrupted = true;
    };

    std::size_t pos = 0;
    std::size_t oldPos = 0;
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

        std::size_t len;
        if (code < clear) {
            pixels[pos] = std::uint8_t(code & pixelMask);
            len = 1;
        } else if (old < 0) {
            // A table code with nothing decoded since the last clear.
            damaged();
            break;
        } else if (code < nextFree) {
            // The string ends before pos, so source and target never overlap.
            // Short strings move as one 8-byte word: bytes past the string
            // are rewritten by the codes that follow.
            len = length[code];
            const std::size_t room = pixelCount - pos;
            const std::uint8_t *from = pixels + start[code];
            if (len <= 8 && room >= 8) {
                std::uint64_t chunk;
                std::memcpy(&chunk, from, 8);
                std::memcpy(pixels + pos, &chunk, 8);
            } else {
                std::memcpy(pixels + pos, from, std::min(len, room));
            }
        } else if (code == nextFree && !tableFull) {
            // The string being defined: the previous one plus its own first
            // value, which this very copy delivers (source and target
            // overlap by design, so byte by byte).
            len = std::size_t(length[old]) + 1;
            const std::size_t count = std::min(len, pixelCount - pos);
            for (std::size_t i = 0; i < count; ++i)
                pixels[pos + i] = pixels[oldPos + i];
        } else {
            damaged();
            break;
        }

        if (old >= 0 && !tableFull) {
            start[nextFree] = oldPos;
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
        if (code < clear)
            length[code] = 1;
        oldPos = pos;
        pos = std::min(pos + len, pixelCount);
        old = int(code);
    }
    return corrupted;
}

} // namespace tavlo
