// Any stored text through the line routines and any file through the header
// decoder: a result or the routine's own error.
#include "core/module1.h"
#include "core/scramble.h"
#include "core/texts.h"
#include "platform/errors.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = [] {
        core::InitKeys();
        core::InitIdentityTable();
        return true;
    }();
    (void)ready;
    std::string text(reinterpret_cast<const char*>(data), size);
    core::forEachCptLine(text, [](const std::string& line) {
        for (auto decode : {core::DescrambleLine, core::DescrambleLineConv}) {
            try {
                (void)decode(line);
            } catch (const vb::VbError&) {
            }
        }
        (void)core::decodeLineLenient(line);
        std::string copy = line;
        try {
            (void)core::DescrambleString(copy);
        } catch (const vb::VbError&) {
        }
    });
    std::string header = text;
    core::decodeHeader(header, core::Key);
    return 0;
}
