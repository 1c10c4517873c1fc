// Any page file through the page reader and every line through the markup
// passes and the print copy: runs stay inside the line's columns.
#include "core/markup.h"
#include "core/module1.h"
#include "core/scramble.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = [] {
        core::InitKeys();
        core::InitIdentityTable();
        return true;
    }();
    (void)ready;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines = core::decodePageLines(bytes);
    // The raw bytes as lines too, so marker characters reach the painter.
    std::string raw;
    for (char c : bytes) {
        if (c == '\n') {
            lines.push_back(raw);
            raw.clear();
        } else {
            raw += c;
        }
    }
    lines.push_back(raw);
    for (std::string& line : lines) {
        for (const core::MarkupRun& run : core::markupRuns(line, 0, 9, 12)) {
            if (run.column < 1 || run.column + int(run.text.size()) - 1 > int(line.size()) + 1) std::abort();
        }
        const size_t before = line.size();
        core::blankFirstMarkers(line);
        if (line.size() > before || line.size() + 4 < before) std::abort();
    }
    (void)core::widestLineChars(lines);
    return 0;
}
