#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace makeassets {

using Bytes = std::vector<std::uint8_t>;

inline void putU16(Bytes &out, unsigned v)
{
    out.push_back(std::uint8_t(v & 0xFF));
    out.push_back(std::uint8_t((v >> 8) & 0xFF));
}

inline void putU32(Bytes &out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t((v >> (8 * i)) & 0xFF));
}

inline void putTag(Bytes &out, const char (&tag)[5])
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(tag[i]));
}

// Writes the file only through a temporary, so a failed run never leaves a
// half-written asset that a later build would embed.
void writeFile(const std::filesystem::path &path, const Bytes &data);

} // namespace makeassets
