#include "sampledata/output.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace sampledata {
namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// Every folder of the data set, including those written by other areas, so a
// rerun never leaves a stale file behind.
const char* const kDataFolders[] = {"des", "mas", "ark", "sym", "cars", "psc", "ubi", "par", "soc", "inf",
                                    "cng", "ser", "air", "obd", "glo",  "osc", "gas", "dia", "hlp", "ric"};

} // namespace

[[noreturn]] void failFile(std::string_view rel, const std::string& why) {
    throw std::runtime_error(std::string(rel) + ": " + why);
}

Output::Output(std::string root, const Options& options) : root_(std::move(root)), options_(options) {}

std::string Output::name(std::string_view rel) const {
    std::string r(rel);
    return options_.lowerCaseNames ? lower(r) : r;
}

std::string Output::path(std::string_view rel) const {
    std::string r = name(rel);
    std::replace(r.begin(), r.end(), '\\', '/');
    return (fs::path(root_) / r).string();
}

void Output::makeFolder(std::string_view rel) const {
    std::error_code ec;
    fs::create_directories(path(rel), ec);
    if (ec) failFile(rel, "cannot create the folder: " + ec.message());
}

void Output::write(std::string_view rel, const std::string& bytes) const {
    const fs::path p = path(rel);
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    if (ec) failFile(rel, "cannot create its folder: " + ec.message());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    f.close();
    if (!f) failFile(rel, "cannot be written");
}

std::string Output::read(std::string_view rel) const {
    std::ifstream f(path(rel), std::ios::binary);
    if (!f) failFile(rel, "cannot be read back");
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void Output::writeCpt(std::string_view rel, Form form, const std::vector<std::string>& lines) const {
    std::string bytes;
    try {
        bytes = cptFile(form, lines);
    } catch (const std::exception& e) {
        failFile(rel, e.what());
    }
    write(rel, bytes);
    std::vector<std::string> back;
    try {
        back = decodeCpt(form, read(rel));
    } catch (const std::exception& e) {
        failFile(rel, e.what());
    }
    if (back != lines) failFile(rel, "does not decode back to its lines");
}

void Output::clean() const {
    std::error_code ec;
    fs::create_directories(root_, ec);
    if (ec) throw std::runtime_error(root_ + ": cannot create the data root: " + ec.message());
    std::vector<fs::path> doomed;
    for (const auto& e : fs::directory_iterator(root_, ec)) {
        const std::string n = lower(e.path().filename().string());
        const bool dataFolder =
            e.is_directory() && std::find_if(std::begin(kDataFolders), std::end(kDataFolders),
                                             [&](const char* f) { return n == f; }) != std::end(kDataFolders);
        // Decoded copies a program run may have left in its folder.
        const bool decodedCopy = e.is_regular_file() && n.rfind("dcfile.", 0) == 0;
        if (dataFolder || decodedCopy) doomed.push_back(e.path());
    }
    if (ec) throw std::runtime_error(root_ + ": cannot list the data root: " + ec.message());
    for (const auto& p : doomed) {
        fs::remove_all(p, ec);
        if (ec) throw std::runtime_error(p.string() + ": cannot remove: " + ec.message());
    }
}

} // namespace sampledata
