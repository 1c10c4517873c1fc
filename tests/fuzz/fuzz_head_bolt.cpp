// Any head-bolt sequence: every bolt kept lies inside the 7 x 15 grid.
#include "mechanical/head_bolt.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto s = mechanical::parseHeadBoltSequence(text);
    for (const auto& b : s.bolts)
        if (b.number < 1 || b.column < 0 || b.column >= mechanical::kBoltColumns || b.row < -1 ||
            b.row >= mechanical::kBoltRows)
            std::abort();
    return 0;
}
