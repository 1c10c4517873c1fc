#pragma once
// What the block-decoder targets share: a data file of any length made from
// the input, decoded by LoadScrambledFile into a target of either kind. The
// decoded copy the target sees must equal the whole file decoded in one
// piece, and no decoded copy may stay in the program folder afterwards.
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "fuzz_support.h"

#include <QImageReader>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace fuzzing {

// The decoder copies a block of this size at a time; the lengths the input
// asks for lie around its multiples.
constexpr std::size_t kDecodeBlock = 1 << 20;

// The data file an input stands for. The first byte says how it is made:
// bit 7 clear, the rest of the input is the file as it is; bit 7 set, the
// rest is repeated to a length of one to three blocks (bits 4 and 5) and
// -8 to +7 bytes (bits 0 to 3), so that files end just before, on and just
// after a block's end. Bit 6 decodes with the second key.
struct DataFile {
    std::string bytes;
    bool secondKey = false;
};
inline DataFile dataFileOf(const std::uint8_t* data, std::size_t size) {
    DataFile file;
    if (size == 0) return file;
    const std::uint8_t how = data[0];
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    file.secondKey = how & 0x40;
    if (!(how & 0x80)) {
        file.bytes = rest;
        return file;
    }
    const std::size_t blocks = 1 + ((how >> 4) & 3) % 3;
    const std::size_t length = blocks * kDecodeBlock + (how & 0x0f) - 8;
    file.bytes = rest.empty() ? std::string(1, '\0') : rest;
    file.bytes.reserve(2 * length);
    while (file.bytes.size() < length)
        file.bytes += file.bytes;
    file.bytes.resize(length);
    return file;
}

// The program's end, turned into an exception the target can tell from a
// crash; LoadScrambledFile's own clean-up runs before any end it asks for.
struct Ended {};

// Messages answered as a user who wants the file back would answer them:
// with no recovery copy there, the call gives up on the file and returns.
struct DecoderServices : QuietServices {
    int msgBox(const std::string&, int, const std::optional<std::string>&) override {
        ++messages;
        return vb::vbYes;
    }
    [[noreturn]] void endProgram() override { throw Ended{}; }
    int messages = 0;
};

// What the registered target was given, call by call.
struct Seen {
    int calls = 0;
    std::string onDisk;  // the decoded copy, read back from its path
    std::string content; // the bytes handed to a document target
    std::string tempPath;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The decoded copies in the program folder, by name.
inline bool decodedCopyStays() {
    for (const auto& e : std::filesystem::directory_iterator(programFolder()))
        if (e.path().filename().string().rfind("DcFile.", 0) == 0) return true;
    return false;
}

[[noreturn]] inline void finding(const char* what, std::size_t size) {
    std::fprintf(stderr, "block decoder, file of %zu bytes: %s\n", size, what);
    std::abort();
}

// Starts the program folder with its keys and the services above, and
// registers one target of the kind asked for at index; returns what it saw.
inline Seen& decoderTarget(int index, core::TargetLoads loads,
                           const std::function<void(const std::string&)>& load) {
    static Seen seen;
    static DecoderServices* services = [&] {
        (void)programFolder();
        keysReady();
        auto* s = new DecoderServices;
        vb::setServices(s);
        core::registerScrambledTarget(
            index,
            [load](const std::string& temp, const std::string& content) {
                ++seen.calls;
                seen.tempPath = temp;
                seen.onDisk = readFile(temp);
                seen.content = content;
                load(temp);
            },
            loads);
        return s;
    }();
    services->messages = 0;
    seen = Seen{};
    return seen;
}

// Writes the file at relative (slashes) under the program folder and decodes
// it into the target at index; returns the file and whether the program was
// asked to end.
inline bool decode(const DataFile& file, const std::string& relative, int index) {
    const std::string path =
        writeInput(relative, reinterpret_cast<const std::uint8_t*>(file.bytes.data()), file.bytes.size());
    core::UseSecondKey = file.secondKey;
    bool ended = false;
    try {
        core::LoadScrambledFile(path, index);
    } catch (const Ended&) {
        ended = true;
    }
    core::UseSecondKey = false;
    if (decodedCopyStays()) finding("a decoded copy stays in the program folder", file.bytes.size());
    return ended;
}

// The whole file decoded in one piece, as the decoded copy must read.
inline std::string decodedInOnePiece(const DataFile& file) {
    std::string whole = file.bytes;
    core::decodeHeader(whole, file.secondKey ? core::SecondKey : core::Key);
    return whole;
}

} // namespace fuzzing
