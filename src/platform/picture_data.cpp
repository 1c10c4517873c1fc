#include "platform/picture_data.h"

#include <cstdint>
#include <cstring>

namespace vb {
namespace {

std::uint32_t byteAt(std::string_view d, std::size_t at) {
    return static_cast<unsigned char>(d[at]);
}
std::uint32_t le16(std::string_view d, std::size_t at) {
    return byteAt(d, at) | byteAt(d, at + 1) << 8;
}
std::uint32_t le32(std::string_view d, std::size_t at) {
    return le16(d, at) | le16(d, at + 2) << 16;
}

// Skips a chain of GIF data sub-blocks (a length byte, that many bytes, up to
// a length of 0); false when the file ends first.
bool skipSubBlocks(std::string_view d, std::size_t& pos) {
    for (;;) {
        if (pos >= d.size()) return false;
        const std::size_t n = byteAt(d, pos++);
        if (n == 0) return true;
        pos += n;
    }
}

// Header, screen descriptor and colour table, then extensions up to the
// first image, whose descriptor, colour table and data must all be there:
// that image is the one shown.
bool gifComplete(std::string_view d) {
    if (d.size() < 13) return false;
    std::size_t pos = 13;
    const std::uint32_t screen = byteAt(d, 10);
    if (screen & 0x80) pos += std::size_t(3) << ((screen & 7) + 1);
    for (;;) {
        if (pos >= d.size()) return false;
        const std::uint32_t block = byteAt(d, pos++);
        if (block == 0x21) { // extension: its label, then sub-blocks
            ++pos;
            if (!skipSubBlocks(d, pos)) return false;
        } else if (block == 0x2C) { // image descriptor
            if (pos + 9 > d.size()) return false;
            const std::uint32_t image = byteAt(d, pos + 8);
            pos += 9;
            if (image & 0x80) pos += std::size_t(3) << ((image & 7) + 1);
            ++pos; // the code size
            return skipSubBlocks(d, pos);
        } else {
            return true; // the trailer or no GIF block: the decoder's call
        }
    }
}

bool isRestartOrStuffed(std::uint32_t m) {
    return m == 0x00 || (m >= 0xD0 && m <= 0xD7);
}

// The marker segments in order, each scan's coded data up to the next
// marker, and at last the end-of-image marker.
bool jpegComplete(std::string_view d) {
    std::size_t pos = 2;
    for (;;) {
        while (pos < d.size() && byteAt(d, pos) != 0xFF)
            ++pos; // stray bytes, which the decoder skips too
        while (pos < d.size() && byteAt(d, pos) == 0xFF)
            ++pos; // fill bytes
        if (pos >= d.size()) return false;
        const std::uint32_t marker = byteAt(d, pos++);
        if (marker == 0xD9) return true;
        if (marker == 0x01 || marker == 0xD8 || isRestartOrStuffed(marker)) continue;
        if (pos + 2 > d.size()) return false;
        const std::size_t length = (byteAt(d, pos) << 8) | byteAt(d, pos + 1);
        if (length < 2) return true; // a broken segment: the decoder's call
        pos += length;
        if (pos > d.size()) return false;
        if (marker != 0xDA) continue;
        // Coded data: 0xFF is followed by 0 (a data byte) or a restart
        // marker; anything else is the next marker.
        for (;;) {
            const void* ff = std::memchr(d.data() + pos, 0xFF, d.size() - pos);
            if (!ff) return false;
            const std::size_t at = std::size_t(static_cast<const char*>(ff) - d.data());
            if (at + 1 >= d.size()) return false;
            const std::uint32_t next = byteAt(d, at + 1);
            if (isRestartOrStuffed(next)) {
                pos = at + 2;
            } else if (next == 0xFF) {
                pos = at + 1;
            } else {
                pos = at;
                break;
            }
        }
    }
}

// Run-length pixel data from pos: pairs up to the end-of-bitmap code.
bool rleComplete(std::string_view d, std::size_t pos, bool fourBits) {
    for (;;) {
        if (pos + 2 > d.size()) return false;
        const std::uint32_t count = byteAt(d, pos), code = byteAt(d, pos + 1);
        pos += 2;
        if (count > 0 || code == 0) continue; // a run, or the end of a row
        if (code == 1) return true;           // the end of the bitmap
        if (code == 2) {                      // a move
            pos += 2;
            continue;
        }
        std::size_t bytes = fourBits ? (code + 1) / 2 : code; // literal pixels
        pos += bytes + (bytes & 1);
    }
}

bool bmpComplete(std::string_view d) {
    if (d.size() < 26) return false;
    const std::size_t offset = le32(d, 10);
    const std::uint32_t header = le32(d, 14);
    std::int64_t width, height;
    std::uint32_t bits, compression = 0;
    if (header == 12) { // the old, short information header
        width = le16(d, 18);
        height = std::int16_t(le16(d, 20));
        bits = le16(d, 24);
    } else {
        if (d.size() < 34) return false;
        width = std::int32_t(le32(d, 18));
        height = std::int32_t(le32(d, 22));
        bits = le16(d, 28);
        compression = le32(d, 30);
    }
    if (height < 0) height = -height;
    if (width <= 0 || bits == 0 || bits > 32) return true; // the decoder's call
    if (compression == 1 || compression == 2) return rleComplete(d, offset, compression == 2);
    if (compression != 0 && compression != 3 && compression != 6) return true;
    const std::uint64_t stride = (std::uint64_t(width) * bits + 31) / 32 * 4;
    if (offset > d.size()) return false;
    return (d.size() - offset) / stride >= std::uint64_t(height);
}

} // namespace

bool pictureComplete(std::string_view data) {
    if (data.substr(0, 4) == "GIF8") return gifComplete(data);
    if (data.size() >= 2 && byteAt(data, 0) == 0xFF && byteAt(data, 1) == 0xD8) return jpegComplete(data);
    if (data.substr(0, 2) == "BM") return bmpComplete(data);
    return true;
}

} // namespace vb
