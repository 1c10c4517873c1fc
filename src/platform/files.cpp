#include "platform/files.h"

#include "platform/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <filesystem>
#include <fstream>
#include <strings.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vb {
namespace {

std::string findInFolder(const std::string& folder, const std::string& name) {
    std::error_code ec;
    fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    if (fs::exists(dir / name, ec)) return name;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (strcasecmp(candidate.c_str(), name.c_str()) == 0) return candidate;
    }
    return {};
}

} // namespace

std::string resolvePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    std::string out;
    size_t pos = 0;
    if (!p.empty() && p[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool missing = false;
    while (pos <= p.size()) {
        size_t next = p.find('/', pos);
        std::string part = p.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        if (!part.empty()) {
            std::string found;
            if (!missing && part != "." && part != "..") found = findInFolder(out, part);
            if (found.empty()) {
                found = part;
                if (part != "." && part != "..") missing = true;
            }
            if (!out.empty() && out.back() != '/') out += '/';
            out += found;
        }
        if (next == std::string::npos) break;
        pos = next + 1;
    }
    return out;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(resolvePath(path), ec);
}

std::int64_t FileLen(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(resolvePath(path), ec);
    if (ec) throw VbError(errFileNotFound);
    return std::int64_t(size);
}

std::string readAll(const std::string& path) {
    std::string real = resolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) throw VbError(errFileNotFound);
    std::ifstream in(real, std::ios::binary | std::ios::ate);
    if (!in) throw VbError(errPathAccess);
    // One read of the whole length.
    std::string data(size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(data.data(), std::streamsize(data.size()));
    if (in.bad() || in.gcount() != std::streamsize(data.size())) throw VbError(errPathAccess);
    return data;
}

void writeAt(const std::string& path, std::int64_t position, const std::string& bytes) {
    std::string real = resolvePath(path);
    std::fstream f(real, std::ios::in | std::ios::out | std::ios::binary);
    if (!f) {
        f.clear();
        f.open(real, std::ios::out | std::ios::binary);
    }
    if (!f) throw VbError(errPathAccess);
    f.seekp(position - 1);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    f.flush();
    if (!f) throw VbError(errPathAccess);
}

void writeNew(const std::string& path, const std::string& bytes) {
    std::ofstream f(resolvePath(path), std::ios::binary | std::ios::trunc);
    if (!f) throw VbError(errPathAccess);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    f.flush();
    if (!f) throw VbError(errPathAccess);
}

void FileCopy(const std::string& source, const std::string& target) {
    std::string data = readAll(source);
    std::string real = resolvePath(target);
    std::string temp = real + ".part" + std::to_string(::getpid());
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (!f) throw VbError(errPathAccess);
        f.write(data.data(), std::streamsize(data.size()));
        f.flush();
        if (!f) {
            f.close();
            std::error_code ec;
            fs::remove(temp, ec);
            throw VbError(errPathAccess);
        }
    }
    std::error_code ec;
    fs::rename(temp, real, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw VbError(errPathAccess);
    }
}

void Kill(const std::string& path) {
    std::error_code ec;
    if (!fs::remove(resolvePath(path), ec) || ec) throw VbError(errFileNotFound);
}

namespace {
std::string g_programFolder;
}

void setProgramFolder(const std::string& folder) {
    g_programFolder = folder;
}

std::string programFolder() {
    if (!g_programFolder.empty()) return g_programFolder;
    QString dir = QCoreApplication::applicationDirPath();
    if (dir.isEmpty()) dir = QDir::currentPath();
    return dir.toStdString();
}

} // namespace vb
