#include "platform/paths.h"

#include "platform/errors.h"
#include "platform/link_walk.h"
#include "platform/program_folder.h"
#include "platform/vbstring.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
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
// none does. Only ENOENT and ENOTDIR say that a name is not there. Any other
// failure to look (a lack of descriptors or memory, a read error, a folder
// that cannot be listed) gives no answer, and the file may well be there:
// that failure is thrown as itself (fileError) for path, the path being
// placed, never taken for a missing name.
std::string findInFolder(const std::string& folder, const std::string& name, const std::string& path) {
    std::error_code ec;
    const auto passFault = [&ec, &path] {
        if (ec && ec.value() != ENOENT && ec.value() != ENOTDIR)
            throw VbError(fileError(ec.value()), {}, path);
    };
    // The entry itself, a link that leads nowhere included: the name is
    // placed here and the walk of its links tells where it leads.
    const auto there = [&ec, &passFault](const fs::path& entry) {
        const bool found = fs::exists(fs::symlink_status(entry, ec));
        passFault();
        return found;
    };
    fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    const std::string native = nativeName(name);
    if (there(dir / native)) return native;
    // A name stored as the raw bytes (a path that is native already, or a
    // file written by a tool that kept the 8-bit name).
    if (native != name && there(dir / name)) return name;
    const bool ascii = native == name;
    const QString wanted = ascii ? QString() : toQt(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (strcasecmp(candidate.c_str(), name.c_str()) == 0) return candidate;
        if (!ascii &&
            QFile::decodeName(QByteArray::fromStdString(candidate)).compare(wanted, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    passFault();
    return {};
}

// Where the file system puts resolved (realPlace); empty where it puts it
// nowhere (a loop of links). Any other failure on the way is thrown as
// itself (fileError) for path: the path may well lead inside.
std::string placed(const std::string& resolved, const std::string& path) {
    std::string real = realPlace(resolved);
    if (real.empty() && errno != ELOOP && errno != ENAMETOOLONG) throw VbError(fileError(errno), {}, path);
    return real;
}

} // namespace

namespace {

// The program folder with every link in it followed, for the containment
// check; worked out again when the folder changes, and kept only once it is
// told (a failure on the way is thrown for path, as placed does).
const std::string& canonicalFolder(const std::string& path) {
    static std::string of, canonical;
    const std::string& native = programFolderOnDisk();
    if (of != native || canonical.empty()) {
        std::string real = placed(native, path);
        canonical = real.empty() ? native : std::move(real);
        of = native;
    }
    return canonical;
}

// Whether the file system puts the path inside the program folder, following
// every link on the way, dangling ones included; path as the caller named it.
bool withinFolder(const std::string& resolved, const std::string& path) {
    if (programFolderOnDisk().empty()) return false; // no folder told: nothing is inside
    const std::string real = placed(resolved, path);
    if (real.empty()) return false;
    const std::string& root = canonicalFolder(path);
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
    if (!withinFolder(out, path)) throw VbError(errFileNotFound, {}, path);
    return out;
}

} // namespace vb
