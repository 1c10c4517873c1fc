// Any file as the print bitmap: the header check, the buffered recolouring
// (which must equal the one-byte rule everywhere) and the reload of a file
// that passed the check; and any small picture through the 16-colour writer.
#include "core/diagram_bitmap.h"
#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/picture.h"

#include <QImage>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    (void)fuzzing::programFolder();
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (bool blackWhite : {false, true}) {
        std::string bytes = input;
        core::recolourBitmap(bytes, blackWhite);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned char want =
                i < core::kBitmapHeaderBytes
                    ? static_cast<unsigned char>(input[i])
                    : core::recolourByte(static_cast<unsigned char>(input[i]), blackWhite);
            if (static_cast<unsigned char>(bytes[i]) != want) std::abort();
        }
        if (core::hasWhiteEntry15(bytes)) {
            const std::string path = fuzzing::writeInput(
                "psc/toroscat.bmp", reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            try {
                (void)vb::LoadPicture(path);
            } catch (const vb::VbError&) {
            }
        }
    }
    // A picture of up to 64 x 64 pixels made of the input's bytes.
    if (size >= 2) {
        const int w = 1 + data[0] % 64, h = 1 + data[1] % 64;
        QImage img(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t at = 2 + std::size_t(y * w + x) * 3;
                img.setPixel(
                    x, y, at + 2 < size ? qRgb(data[at], data[at + 1], data[at + 2]) : qRgb(192, 192, 192));
            }
        const std::string bmp = core::sixteenColourBitmap(img);
        if (!core::hasWhiteEntry15(bmp)) std::abort();
        QImage back;
        if (!back.loadFromData(reinterpret_cast<const uchar*>(bmp.data()), int(bmp.size()), "BMP") ||
            back.size() != img.size())
            std::abort();
    }
    return 0;
}
