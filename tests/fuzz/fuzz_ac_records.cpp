// Any A/C record chain: split into records, each turned into its line.
#include "mechanical/ac_records.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string chain(reinterpret_cast<const char*>(data), size);
    for (const std::string& r : mechanical::splitAcRecords(chain))
        (void)mechanical::acRecordLine(r, [](int k) { return std::to_string(k); });
    (void)mechanical::acSheetText(chain, {"A00x", "", "A"});
    return 0;
}
