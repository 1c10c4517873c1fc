// A scrambled document of any length through the block decoder into a
// document target: both the decoded copy and the bytes handed over equal the
// file decoded in one piece, and no decoded copy stays.
#include "block_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::Seen& seen = fuzzing::decoderTarget(902, core::TargetLoads::Document, [](const std::string&) {});
    const fuzzing::DataFile file = fuzzing::dataFileOf(data, size);
    const bool ended = fuzzing::decode(file, "Ark/xfuzz.rtf", 902);
    const std::size_t n = file.bytes.size();
    if (ended) fuzzing::finding("the document ended the program", n);
    if (seen.calls != 1) fuzzing::finding("the document reached its target other than once", n);
    const std::string whole = fuzzing::decodedInOnePiece(file);
    if (seen.onDisk != whole)
        fuzzing::finding("the decoded copy differs from the file decoded in one piece", n);
    if (seen.content != whole)
        fuzzing::finding("the document's bytes differ from the file decoded in one piece", n);
    return 0;
}
