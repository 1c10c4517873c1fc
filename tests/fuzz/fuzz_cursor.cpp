// Any file through the cursor and icon reader: a cursor or error 481.
#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/geometry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzing::writeInput("mas/indice.cur", data, size);
    try {
        if (!vb::loadCursorFile(path)) __builtin_trap();
    } catch (const vb::VbError&) {
    }
    return 0;
}
