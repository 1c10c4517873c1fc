// Any description file through the description-list loader.
#include "core/texts.h"
#include "fuzz_support.h"
#include "platform/controls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzing::writeInput("Ark/lc_ita.cpt", data, size);
    static vb::Form host("FuzzHost");
    static vb::ListBox list(host, "List1");
    core::loadDescriptionList(path, list);
    for (int i = -1; i <= list.ListCount(); ++i)
        (void)list.List(i);
    return 0;
}
