// Any label file through the label table loader.
#include "core/texts.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::writeInput("des/des_ita.cpt", data, size);
    core::Lang = "_ita";
    core::LoadDescrTable();
    return 0;
}
