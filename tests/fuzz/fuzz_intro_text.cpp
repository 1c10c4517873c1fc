// Any introduction text through the start window's loader, into the
// start window's caption.
#include "app/windows.h"
#include "core/start_window.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static core::Form1* start = [] {
        (void)fuzzing::programFolder();
        registerAllWindows();
        return &core::Form1::get();
    }();
    core::Lang = "_ita";
    fuzzing::writeInput("mas/tut_ita.cpt", data, size);
    start->LoadIntroText();
    return 0;
}
