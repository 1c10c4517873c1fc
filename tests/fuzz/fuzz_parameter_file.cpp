// Any parameter description file through its loader, then every code of its
// index (and the text around it) looked up as the diagram buttons do.
#include "core/psc_catalogue.h"
#include "fuzz_support.h"
#include "platform/controls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::writeInput("Ark/par_ita.cpt", data, size);
    core::Lang = "_ita";
    static vb::Form host("FuzzHost");
    static vb::ListBox descriptions(host, "List2");
    std::string index;
    if (!core::loadParameterDescriptions(index, descriptions)) return 0;
    for (size_t at = 0; at < index.size() && at < 4000; at += 5) {
        for (size_t length : {3, 4}) {
            const std::string code = index.substr(at + 1, length);
            (void)core::parameterTooltip(code, index, descriptions);
        }
    }
    return 0;
}
