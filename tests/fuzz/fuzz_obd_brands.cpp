// Any brand list of the trouble-code browser through its reader, and every
// name it gives through the brand key and the code-list query built from it.
#include "fuzz_support.h"
#include "documents/trouble_codes.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/vbstring.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::keysReady();
    const std::string path = fuzzing::writeInput("obd/pmarche.cpt", data, size);
    for (const std::string& name : documents::readObdBrandList(vb::readAll(path))) {
        const std::string key = documents::obdBrandKey(name);
        // Blank-filled to the key width, or left as it is when longer.
        if (key.size() < std::size_t(documents::kObdBrandKeyWidth)) std::abort();
        try { // a name the table's key cannot hold is the program's own error 5
            (void)documents::obdCodeListQuery("_ita", name);
            (void)documents::obdCodeCriteria(name, key);
        } catch (const vb::VbError&) {
        }
    }
    return 0;
}
