// Any bytes through the rich-text reader, then laid out and paged as a
// printout would: it must end, without a crash or a hang, whatever the input.
#include "fuzz_support.h"
#include "platform/richtext.h"
#include "platform/rtf_reader.h"

#include <QImage>
#include <QTextDocument>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Qt on the offscreen platform, as every target starts it; the fonts it
    // loads keep their caches for the life of the process.
    fuzzing::programFolder();
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QTextDocument doc;
    vb::readRtf(bytes, doc);
    if (size < 4096) {
        QImage page(200, 200, QImage::Format_RGB32);
        vb::RichTextPages pages(doc, &page, 180);
        int from = 0;
        for (int n = 0; n < 1000 && from < pages.length(); ++n) {
            const int next = pages.formatRange(nullptr, QRectF(0, 0, 180, 180), from);
            if (next <= from) break;
            from = next;
        }
    }
    return 0;
}
