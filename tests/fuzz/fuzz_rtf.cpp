// Any bytes through the rich-text reader, then laid out and paged as a
// printout would: it must end, without a crash or a hang, whatever the input.
#include "platform/richtext.h"
#include "platform/rtf_reader.h"

#include <QGuiApplication>
#include <QImage>
#include <QTextDocument>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QGuiApplication* app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
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
