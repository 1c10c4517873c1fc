// Any file through the picture loader: a picture or error 481.
#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzzing::writeInput("mas/picture.gif", data, size);
    try {
        QPixmap pm = vb::LoadPicture(path);
        if (pm.isNull()) __builtin_trap();
    } catch (const vb::VbError&) {
    }
    return 0;
}
