#include "core/diagram_bitmap.h"

#include <array>
#include <cstdint>

namespace core {
namespace {

constexpr std::array<QRgb, 16> kVga = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                                       0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                                       0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

int nearest(QRgb c) {
    int best = 0, bestDistance = 1 << 30;
    for (int i = 0; i < 16; ++i) {
        const int dr = qRed(c) - qRed(kVga[size_t(i)]);
        const int dg = qGreen(c) - qGreen(kVga[size_t(i)]);
        const int db = qBlue(c) - qBlue(kVga[size_t(i)]);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

void put16(std::string& s, size_t at, std::uint32_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char((v >> 8) & 0xFF);
}
void put32(std::string& s, size_t at, std::uint32_t v) {
    put16(s, at, v & 0xFFFF);
    put16(s, at + 2, v >> 16);
}

} // namespace

std::string sixteenColourBitmap(const QImage& picture) {
    const QImage img = picture.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const size_t rowBytes = size_t(((w + 1) / 2 + 3) / 4 * 4);
    const size_t size = kBitmapHeaderBytes + rowBytes * size_t(h);
    std::string bmp(size, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(bmp, 2, std::uint32_t(size));
    put32(bmp, 10, std::uint32_t(kBitmapHeaderBytes));
    put32(bmp, 14, 40);
    put32(bmp, 18, std::uint32_t(w));
    put32(bmp, 22, std::uint32_t(h));
    put16(bmp, 26, 1);
    put16(bmp, 28, 4);
    put32(bmp, 34, std::uint32_t(rowBytes * size_t(h)));
    put32(bmp, 38, 3780); // 96 dots per inch
    put32(bmp, 42, 3780);
    put32(bmp, 46, 16);
    for (size_t i = 0; i < 16; ++i) {
        const size_t at = 54 + 4 * i;
        bmp[at] = char(qBlue(kVga[i]));
        bmp[at + 1] = char(qGreen(kVga[i]));
        bmp[at + 2] = char(qRed(kVga[i]));
    }
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        // Rows are stored bottom-up.
        char* out = bmp.data() + kBitmapHeaderBytes + rowBytes * size_t(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            const QRgb c = line[x] | 0xFF000000;
            int index = -1;
            for (int i = 0; i < 16; ++i)
                if (kVga[size_t(i)] == c) {
                    index = i;
                    break;
                }
            if (index < 0) index = nearest(c);
            if (x % 2 == 0)
                out[x / 2] = char(index << 4);
            else
                out[x / 2] = char(static_cast<unsigned char>(out[x / 2]) | index);
        }
    }
    return bmp;
}

bool hasWhiteEntry15(const std::string& header) {
    if (header.size() < kBitmapHeaderBytes) return false;
    return static_cast<unsigned char>(header[114]) == 0xFF &&
           static_cast<unsigned char>(header[115]) == 0xFF &&
           static_cast<unsigned char>(header[116]) == 0xFF && header[117] == 0;
}

unsigned char recolourByte(unsigned char byte, bool blackWhite) {
    int hi = byte >> 4, lo = byte & 0x0F;
    if (hi == 7) hi = 15;
    if (lo == 7) lo = 15;
    if (blackWhite) {
        if (hi != 15) hi = 0;
        if (lo != 15) lo = 0;
    }
    return static_cast<unsigned char>((hi << 4) | lo);
}

void recolourBitmap(std::string& bytes, bool blackWhite) {
    std::array<unsigned char, 256> table{};
    for (int b = 0; b < 256; ++b)
        table[size_t(b)] = recolourByte(static_cast<unsigned char>(b), blackWhite);
    for (size_t i = kBitmapHeaderBytes; i < bytes.size(); ++i)
        bytes[i] = char(table[static_cast<unsigned char>(bytes[i])]);
}

} // namespace core
