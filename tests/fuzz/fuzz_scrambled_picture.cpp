// A scrambled picture of any length through the block decoder into a
// picture target: the target reads the same bytes as the file decoded in one
// piece, a file larger than the picture reader loads never reaches it, and
// no decoded copy stays.
#include "block_decoder.h"
#include "platform/errors.h"
#include "platform/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool limited = [] {
        // Two blocks: the longest inputs lie on either side of the limit.
        QImageReader::setAllocationLimit(2);
        return true;
    }();
    (void)limited;
    fuzzing::Seen& seen =
        fuzzing::decoderTarget(901, core::TargetLoads::Picture, [](const std::string& temp) {
            // A damaged picture asks for the recovery copy, which is not there.
            (void)vb::LoadPicture(temp);
        });
    const fuzzing::DataFile file = fuzzing::dataFileOf(data, size);
    const bool ended = fuzzing::decode(file, "mas/xfuzz.gif", 901);
    const std::size_t n = file.bytes.size();
    if (ended) fuzzing::finding("the picture ended the program", n);
    if (std::int64_t(n) > vb::largestPictureFile()) {
        if (seen.calls != 0) fuzzing::finding("a picture too large to load reached its target", n);
        return 0;
    }
    if (seen.calls != 1) fuzzing::finding("the picture reached its target other than once", n);
    if (seen.onDisk != fuzzing::decodedInOnePiece(file))
        fuzzing::finding("the decoded copy differs from the file decoded in one piece", n);
    if (!seen.content.empty()) fuzzing::finding("a picture target was handed the bytes", n);
    return 0;
}
