// Any language preference file through the start-up initialiser: a language
// of four characters either way, and never a stop.
#include "core/start_window.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = [] {
        fuzzing::programFolder();
        core::registerCoreWindows();
        return true;
    }();
    (void)ready;
    fuzzing::writeInput("kvt95.ccc", data, size);
    core::InitModule();
    if (core::Lang.size() != 4) __builtin_trap();
    return 0;
}
