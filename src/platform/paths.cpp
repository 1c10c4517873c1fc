#include "platform/paths.h"

#include "platform/errors.h"
#include "platform/link_walk.h"
#include "platform/program_folder.h"
#include "platform/vbstring.h"

#include <QFile>
#include <algorithm>
#include <filesystem>
#include <strings.h>
#include <vector>

namespace fs = std::filesystem;

namespace vb {
namespace {

// A path component written as 8-bit text, as the file system spells it.
std::string nativeName(const std::string& part) {
    if (std::all_of(part.begin(), part.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return part;
    return QFile::encodeName(toQt(part)).toStdString();
}

// The name in folder that matches name whatever its letter case; empty when
// none does. A folder that cannot be looked into for lack of descriptors or
// memory gives no answer: the file may well be there, so that error
// (shortageError) is thrown for path, the path being placed.
std::string findInFolder(const std::string& folder, const std::string& name, const std::string& path) {
    std::error_code ec;
    const auto passShortage = [&ec, &path] {
        if (const int shortage = shortageError(ec.value())) throw VbError(shortage, {}, path);
    };
    fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    const std::string native = nativeName(name);
    if (fs::exists(dir / native, ec)) return native;
    passShortage();
    // A name stored as the raw bytes (a path that is native already, or a
    // file written by a tool that kept the 8-bit name).
    if (native != name && fs::exists(dir / name, ec)) return name;
    passShortage();
    const bool ascii = native == name;
    const QString wanted = ascii ? QString() : toQt(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (strcasecmp(candidate.c_str(), name.c_str()) == 0) return candidate;
        if (!ascii &&
            QFile::decodeName(QByteArray::fromStdString(candidate)).compare(wanted, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    passShortage();
    return {};
}

} // namespace

namespace {

// The program folder with every link in it followed, for the containment
// check; worked out again when the folder changes.
const std::string& canonicalFolder() {
    static std::string of, canonical;
    const std::string& native = programFolderOnDisk();
    if (of != native || canonical.empty()) {
        canonical = realPlace(native);
        if (canonical.empty()) canonical = native;
        of = native;
    }
    return canonical;
}

// Whether the file system puts the path inside the program folder, following
// every link on the way, dangling ones included.
bool withinFolder(const std::string& resolved) {
    if (programFolderOnDisk().empty()) return false; // no folder told: nothing is inside
    const std::string real = realPlace(resolved);
    if (real.empty()) return false;
    const std::string& root = canonicalFolder();
    if (root == "/") return true;
    return real.compare(0, root.size(), root) == 0 &&
           (real.size() == root.size() || real[root.size()] == '/');
}

} // namespace

std::string resolvePath(const std::string& path) {
    struct {
        std::string text, native;
    } folder{programFolder(), programFolderOnDisk()}; // known before anything is placed against it
    if (folder.native.empty()) throw VbError(errFileNotFound, {}, path);
    // The folder's own name is taken as it is, a backslash in it included:
    // the windows write their separators after it.
    const auto writtenUnder = [&path](const std::string& root) {
        return !root.empty() && path.compare(0, root.size(), root) == 0 &&
               (path.size() == root.size() || path[root.size()] == '/' || path[root.size()] == '\\');
    };
    std::string out;
    size_t pos = 0;
    bool inside = false;
    if (writtenUnder(folder.text)) {
        out = folder.native;
        pos = folder.text.size();
        inside = true;
    } else if (writtenUnder(folder.native)) {
        out = folder.native;
        pos = folder.native.size();
        inside = true;
    }
    std::string p = path;
    for (size_t i = pos; i < p.size(); ++i)
        if (p[i] == '\\') p[i] = '/';
    if (!inside && !p.empty() && p[0] == '/') {
        out.assign(1, '/');
        pos = 1;
    }
    // Below the program folder a ".." climbs one component of what is
    // resolved so far, and never above the folder itself.
    std::vector<size_t> ends; // length of out after each component
    std::vector<bool> missingAt;
    bool missing = false;
    while (pos <= p.size()) {
        size_t next = p.find('/', pos);
        std::string part = p.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
        if (inside && (part == "." || part == "..")) {
            if (part == "..") {
                if (ends.empty()) throw VbError(errFileNotFound, {}, path);
                ends.pop_back();
                missingAt.pop_back();
                out.resize(ends.empty() ? folder.native.size() : ends.back());
                missing = !missingAt.empty() && missingAt.back();
            }
        } else if (!part.empty()) {
            std::string found;
            if (!missing && part != "." && part != "..") found = findInFolder(out, part, path);
            if (found.empty()) {
                found = nativeName(part);
                if (part != "." && part != "..") missing = true;
            }
            if (!out.empty() && out.back() != '/') out += '/';
            out += found;
            ends.push_back(out.size());
            missingAt.push_back(missing);
        }
        if (next == std::string::npos) break;
        pos = next + 1;
    }
    // Whatever the spelling (a name under the folder, another absolute or a
    // relative one), where the file system puts it counts: a link below the
    // folder may point anywhere.
    if (!withinFolder(out)) throw VbError(errFileNotFound, {}, path);
    return out;
}

} // namespace vb
