// Any line of a location text page through the segment painter's rules.
#include "core/location_page.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const core::PageLine out = core::locationPageLine(line, 9, 12);
    // Every opening marker is used up, and no segment starts before column 1.
    if (out.text.find('[') != std::string::npos || out.text.find('{') != std::string::npos) std::abort();
    for (const auto& run : out.runs)
        if (run.column < 1) std::abort();
    return 0;
}
