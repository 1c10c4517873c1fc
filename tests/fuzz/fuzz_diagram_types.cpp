// Any diagram type file through the type-list loader.
#include "core/psc_catalogue.h"
#include "fuzz_support.h"
#include "platform/controls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::writeInput("Ark/psc_ita.cpt", data, size);
    core::Lang = "_ita";
    static vb::Form host("FuzzHost");
    static vb::ListBox list(host, "List3");
    core::loadPscTypeList(list);
    return 0;
}
