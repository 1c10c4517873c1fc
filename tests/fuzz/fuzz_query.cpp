// Any record source or criteria text: parsed or refused with an error.
#include "db/query.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        (void)db::Query::parse(text);
    } catch (const db::Error&) {
    }
    try {
        (void)db::Query::parseCriteria(text);
    } catch (const db::Error&) {
    }
    return 0;
}
