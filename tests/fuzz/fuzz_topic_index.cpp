// Any topic index file through the index reader, and every key it yields
// through the offsets and the byte range of its page: a range never leaves
// the page file and never passes the size of a topic.
#include "core/module1.h"
#include "core/scramble.h"
#include "documents/manual_pages.h"

#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = [] {
        core::InitKeys();
        core::InitIdentityTable();
        return true;
    }();
    (void)ready;
    if (size < 5) return 0;
    static const int sections[4] = {20, 30, 40, 50};
    const int section = sections[data[0] % 4];
    std::uint32_t length = 0;
    std::memcpy(&length, data + 1, 4);
    const std::int64_t fileLength = length % 200000;
    const std::string content(reinterpret_cast<const char*>(data + 5), size - 5);
    const auto files = documents::manualSectionFiles(section);
    for (const auto& line : documents::readTopicIndex(content, files->keyWidth)) {
        if (int(line.key.size()) > files->keyWidth) __builtin_trap();
        (void)documents::topicPictureCode(line.key);
        const auto range = documents::topicRange(line.key, section);
        if (!range) continue;
        if (range->start < 0 || range->end < 0) __builtin_trap();
        if (const auto span = documents::topicSpan(*range, fileLength)) {
            if (span->offset < 0 || span->count <= 0 || span->offset + span->count > fileLength ||
                span->count > documents::kMaxTopicBytes)
                __builtin_trap();
        }
    }
    return 0;
}
