// Any page through the page reader and the manual markup painter's runs: no
// run holds a marker, runs of a line never overlap and move only right, and
// the colour is always one of the five the painter was given.
#include "core/markup.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "documents/manual_pages.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = [] {
        core::InitKeys();
        core::InitIdentityTable();
        return true;
    }();
    (void)ready;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const documents::ManualColours colours{0, 12, 11, 14, 4};
    const auto known = [&](int c) { return c == 0 || c == 12 || c == 11 || c == 14 || c == 4; };
    // The page as stored (decoded line by line) and the raw bytes as lines.
    for (const auto& lines : {core::decodePageLines(bytes), std::vector<std::string>{bytes}}) {
        int colour = colours.base;
        for (const std::string& line : lines) {
            int next = 0;
            for (const auto& run : documents::manualRuns(line, colours, colour)) {
                if (run.text.empty() || run.cell < next || !known(run.colour)) __builtin_trap();
                for (char c : run.text)
                    if (documents::isManualMarker(c)) __builtin_trap();
                next = run.cell + int(run.text.size());
                if (next > int(line.size())) __builtin_trap();
            }
            if (!known(colour)) __builtin_trap();
        }
    }
    return 0;
}
