// Any packed technical-data string: the scans end and answer.
#include "core/technical_data.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)core::Has_DatiSerraggio(text);
    (void)core::Has_DatiClima(text);
    return 0;
}
