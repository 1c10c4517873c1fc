#pragma once

// The bytes of dBase III/IV tables and their .dbt memo files that both the
// reader and the writer of tables need.

#include <cstddef>
#include <cstdint>
#include <string>

namespace db::format {

inline constexpr unsigned char kHeaderEnd = 0x0D;
inline constexpr unsigned char kEofMark = 0x1A;
inline constexpr std::size_t kDescriptorSize = 32;
// dBase III memo blocks are always this size; dBase IV writes it by default.
inline constexpr unsigned kDefaultBlockSize = 512;

inline unsigned le16(const unsigned char* p) {
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}
inline std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline void putLe16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
inline void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

// The memo file sits next to the table with extension .dbt; the case of the
// letters follows the table's extension.
std::string memoPathFor(const std::string& dbfPath);

} // namespace db::format
