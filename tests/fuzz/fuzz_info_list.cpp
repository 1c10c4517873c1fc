// Any info table through the info list's reader: its lines decoded and
// joined as the list reads them, and the rows of five codes taken from the
// input's first bytes. There is never more than one row per code.
#include "fuzz_support.h"
#include "core/texts.h"
#include "documents/info_list.h"
#include "platform/file_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::keysReady();
    // Five codes of up to four characters each, then the table file.
    std::array<std::string, 5> codes;
    std::size_t at = 0;
    for (std::string& code : codes) {
        const std::size_t n = at < size ? data[at] % 5 : 0;
        ++at;
        for (std::size_t i = 0; i < n && at < size; ++i, ++at)
            code += char(data[at]);
    }
    at = std::min(at, size);
    const std::string path = fuzzing::writeInput("Ark/inf_ita.cpt", data + at, size - at);
    std::string joined;
    core::forEachCptLine(vb::readAll(path),
                         [&](const std::string& line) { joined += core::decodeLineLenient(line) + ":"; });
    if (documents::infoRows(codes, joined).size() > codes.size()) std::abort();
    return 0;
}
