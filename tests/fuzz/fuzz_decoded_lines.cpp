// Any text file of the mechanical windows through their decoded-line reader,
// in both line forms: each stored line gives one entry in either form.
#include "fuzz_support.h"
#include "mechanical/dictionaries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::keysReady();
    const std::string path = fuzzing::writeInput("ser/ser_ita.cpt", data, size);
    const auto lines = mechanical::readDecodedLines(path, mechanical::LineForm::Line);
    const auto strings = mechanical::readDecodedLines(path, mechanical::LineForm::String);
    if (!lines || !strings || lines->size() != strings->size()) std::abort();
    return 0;
}
