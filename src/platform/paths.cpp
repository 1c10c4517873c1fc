#include "platform/paths.h"

#include "platform/errors.h"
#include "platform/file_open.h"
#include "platform/vbstring.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace vb {
namespace {

// The program folder in its two forms: the bytes the file system knows it by,
// and the 8-bit text that data paths are joined to. A folder name with
// letters outside Windows-1252 has no exact text form; paths under it still
// reach it through the native form.
struct ProgramFolder {
    std::string native, text;
    // The running executable's name in native, when the folder is the one
    // the kernel records it in.
    std::string executable;
    bool asked = false;  // native is the answer, empty when none
    bool proven = false; // a test's folder taken as the program's own
};
ProgramFolder& programFolderForms() {
    static ProgramFolder f;
    return f;
}

bool isAscii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// A name as the file system spells it, as 8-bit text: UTF-8 decoded, and
// any other bytes (a name from an older file system, in Latin-1) kept as
// they are, so that the name is shown as it was given.
std::string nameText(const std::string& native) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(QByteArrayView(native.data(), qsizetype(native.size())));
    return utf8.hasError() ? native : fromQt(decoded);
}

// A path as the file system spells it, as 8-bit text, one name at a time.
std::string pathTextOf(const std::string& native) {
    if (isAscii(native)) return native;
    std::string out;
    for (size_t pos = 0;;) {
        const size_t slash = native.find('/', pos);
        out += nameText(native.substr(pos, slash == std::string::npos ? slash : slash - pos));
        if (slash == std::string::npos) return out;
        out += '/';
        pos = slash + 1;
    }
}

// The folder of the running executable as the kernel records it, and the
// executable's name there, as the bytes the file system knows them by. A
// file that is no longer there under its name (replaced or removed) is
// recorded with " (deleted)" after it; a real name that ends so is told from
// the mark by being the running file. False where no folder can be told:
// no record, a path that is not absolute (one outside this process's root),
// or a folder that is no longer there.
bool runningExecutable(std::string& folder, std::string& name) {
    std::string path(PATH_MAX, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0 || size_t(n) >= path.size() || path[0] != '/') return false;
    path.resize(size_t(n));
    struct stat running {};
    if (::stat("/proc/self/exe", &running) != 0) return false;
    static const std::string mark = " (deleted)";
    struct stat named {};
    const bool asNamed = ::lstat(path.c_str(), &named) == 0 && named.st_dev == running.st_dev &&
                         named.st_ino == running.st_ino;
    if (!asNamed && path.size() > mark.size() &&
        path.compare(path.size() - mark.size(), mark.size(), mark) == 0)
        path.resize(path.size() - mark.size());
    const size_t slash = path.rfind('/');
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
    struct stat st {};
    return !name.empty() && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A path component written as 8-bit text, as the file system spells it.
std::string nativeName(const std::string& part) {
    if (isAscii(part)) return part;
    return QFile::encodeName(toQt(part)).toStdString();
}

std::string findInFolder(const std::string& folder, const std::string& name) {
    std::error_code ec;
    fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
    const std::string native = nativeName(name);
    if (fs::exists(dir / native, ec)) return native;
    // A name stored as the raw bytes (a path that is native already, or a
    // file written by a tool that kept the 8-bit name).
    if (native != name && fs::exists(dir / name, ec)) return name;
    const bool ascii = native == name;
    const QString wanted = ascii ? QString() : toQt(name);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if (strcasecmp(candidate.c_str(), name.c_str()) == 0) return candidate;
        if (!ascii &&
            QFile::decodeName(QByteArray::fromStdString(candidate)).compare(wanted, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}

} // namespace

// Where the file system puts path once every link on the way is followed,
// a dangling one included: a link to a name that does not exist leads to that
// name, where a write would create the file. Below the first component that
// does not exist nothing can be a link, so the rest is taken as written.
// Empty when the way cannot be told (a loop of links, a folder that cannot be
// searched): such a path is placed nowhere.
std::string realPlace(const std::string& path) {
    std::vector<std::string> ahead; // components still to walk, the next one last
    const auto walkNext = [&ahead](const std::string& p) {
        std::vector<std::string> parts;
        for (size_t pos = 0; pos < p.size();) {
            size_t end = p.find('/', pos);
            if (end == std::string::npos) end = p.size();
            if (end > pos) parts.push_back(p.substr(pos, end - pos));
            pos = end + 1;
        }
        ahead.insert(ahead.end(), parts.rbegin(), parts.rend());
    };
    std::string done; // the real place of what is walked so far; "" is the root
    if (path.empty() || path[0] != '/') {
        std::error_code ec;
        done = fs::current_path(ec).string(); // has no link in it
        if (ec) return {};
        if (done == "/") done.clear();
    }
    walkNext(path);
    int links = 0;
    bool missing = false;
    while (!ahead.empty()) {
        const std::string part = std::move(ahead.back());
        ahead.pop_back();
        if (part == ".") continue;
        if (part == "..") {
            done.resize(done.empty() ? 0 : done.rfind('/'));
            continue;
        }
        std::string next = done + "/" + part;
        struct stat st {};
        if (!missing && ::lstat(next.c_str(), &st) != 0) {
            if (errno != ENOENT && errno != ENOTDIR) return {};
            missing = true;
        } else if (!missing && S_ISLNK(st.st_mode)) {
            if (++links > 40) return {};
            std::string target(PATH_MAX, '\0');
            const ssize_t n = ::readlink(next.c_str(), target.data(), target.size());
            if (n <= 0 || size_t(n) >= target.size()) return {};
            target.resize(size_t(n));
            if (target[0] == '/') done.clear();
            walkNext(target);
            continue;
        }
        done = std::move(next);
    }
    return done.empty() ? "/" : done;
}

namespace {

// The program folder with every link in it followed, for the containment
// check; worked out again when the folder changes.
const std::string& canonicalFolder() {
    static std::string of, canonical;
    const std::string& native = programFolderForms().native;
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
    if (programFolderForms().native.empty()) return false; // no folder told: nothing is inside
    const std::string real = realPlace(resolved);
    if (real.empty()) return false;
    const std::string& root = canonicalFolder();
    if (root == "/") return true;
    return real.compare(0, root.size(), root) == 0 &&
           (real.size() == root.size() || real[root.size()] == '/');
}

} // namespace

std::string resolvePath(const std::string& path) {
    programFolder(); // known before anything is placed against it
    const ProgramFolder& folder = programFolderForms();
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
            if (!missing && part != "." && part != "..") found = findInFolder(out, part);
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

void setProgramFolder(const std::string& folder) {
    ProgramFolder& f = programFolderForms();
    f.native = folder;
    while (f.native.size() > 1 && f.native.back() == '/')
        f.native.pop_back();
    f.text = pathTextOf(f.native);
    f.executable.clear();
    f.asked = !f.native.empty();
    f.proven = false;
    // The name may now stand for another folder than the one held open.
    forgetProgramFolderDescriptor();
}

void proveProgramFolderForTests() {
    programFolderForms().proven = true;
}

std::string programFolder() {
    ProgramFolder& f = programFolderForms();
    if (!f.asked) {
        // Asked once: the answer stays what it was at the start, whatever
        // becomes of the executable's file later.
        f.asked = true;
        std::string folder, name;
        if (runningExecutable(folder, name)) {
            f.native = folder;
            f.text = pathTextOf(folder);
            f.executable = name;
        }
    }
    return f.text;
}

const std::string& programFolderOnDisk() {
    programFolder();
    return programFolderForms().native;
}

bool programFolderKnown() {
    return !programFolderOnDisk().empty();
}

bool programFolderIsOwn() {
    programFolder();
    const ProgramFolder& f = programFolderForms();
    if (f.proven) return true;
    if (f.executable.empty()) return false;
    struct stat running {};
    if (::stat("/proc/self/exe", &running) != 0) return false;
    // The folder as every file of the program reaches it.
    const int dir = openInProgramFolder(f.native, O_PATH | O_DIRECTORY);
    if (dir < 0) return false;
    struct stat named {};
    const bool same = ::fstatat(dir, f.executable.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                      named.st_dev == running.st_dev && named.st_ino == running.st_ino;
    ::close(dir);
    return same;
}

std::string pathText(const std::string& native) {
    return pathTextOf(native);
}

std::string displayPaths(const std::string& text) {
    if (QDir::separator() == QLatin1Char('\\')) return text;
    // Not asked for here: a message names the folder only once it is known.
    const std::string& folder = programFolderForms().text;
    const bool keepFolder = folder.find('\\') != std::string::npos;
    const auto folderAt = [&](size_t i) {
        const size_t end = i + folder.size();
        return text.compare(i, folder.size(), folder) == 0 &&
               (end == text.size() || text[end] == '\\' || text[end] == '/');
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (keepFolder && folderAt(i)) {
            out += folder;
            i += folder.size();
            continue;
        }
        out += text[i] == '\\' ? '/' : text[i];
        ++i;
    }
    return out;
}

} // namespace vb
