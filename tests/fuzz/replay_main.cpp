// Replays stored inputs through one fuzz target in the normal builds, where
// libFuzzer is not linked: every argument is a file, a folder (each regular
// file in it) or a glob(7) pattern, and each file found is given to
// LLVMFuzzerTestOneInput once, in name order. An argument that finds no file
// fails the run: a seed folder or sample file that went away would
// otherwise test nothing and pass.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <glob.h>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The files an argument names; empty when it names none.
std::vector<std::string> filesOf(const std::string& argument) {
    std::vector<std::string> found;
    glob_t matches{};
    if (::glob(argument.c_str(), GLOB_NOSORT, nullptr, &matches) == 0)
        for (std::size_t i = 0; i < matches.gl_pathc; ++i) {
            const fs::path path = matches.gl_pathv[i];
            std::error_code error;
            if (fs::is_directory(path, error)) {
                for (const auto& entry : fs::directory_iterator(path, error))
                    if (entry.is_regular_file(error)) found.push_back(entry.path().string());
            } else if (fs::is_regular_file(path, error)) {
                found.push_back(path.string());
            }
        }
    ::globfree(&matches);
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE|FOLDER|PATTERN...\n", argv[0]);
        return 2;
    }
    std::size_t replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const std::vector<std::string> files = filesOf(argv[i]);
        if (files.empty()) {
            std::fprintf(stderr, "%s: no input found at %s\n", argv[0], argv[i]);
            return 1;
        }
        for (const std::string& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in), {}};
            if (!in.good() && !in.eof()) {
                std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
                return 1;
            }
            // Named first, so that a crash's report follows its input's name.
            std::fprintf(stderr, "%s\n", file.c_str());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::fprintf(stderr, "%zu inputs replayed\n", replayed);
    return 0;
}
