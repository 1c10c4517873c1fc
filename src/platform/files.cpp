#include "platform/files.h"

#include "platform/errors.h"
#include "platform/vbstring.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <signal.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>
#include <system_error>
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
    const std::string real = realPlace(resolved);
    if (real.empty()) return false;
    const std::string& root = canonicalFolder();
    if (root == "/") return true;
    return real.compare(0, root.size(), root) == 0 && (real.size() == root.size() || real[root.size()] == '/');
}

VbError writeFailure(int err, const std::string& folder) {
    return VbError(err == ENOSPC || err == EDQUOT ? errDiskFull : errPathAccess, std::strerror(err), folder);
}

// Writes all of bytes at offset; 0, or the errno of the failure.
int writeWhole(int fd, const std::string& bytes, std::int64_t offset) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(offset) + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += size_t(n);
    }
    return 0;
}

// Creates a new file folder/<prefix>XXXXXX<suffix> (O_CREAT | O_EXCL: a name
// that exists, a link included, is never opened) and writes the bytes. On
// any failure what was made is removed before the error leaves; shown is the
// folder as the message names it.
std::string writeUnique(const std::string& folder, const std::string& shown, const std::string& prefix,
                        const std::string& suffix, const std::string& bytes) {
    std::string name = folder + "/" + prefix + "XXXXXX" + suffix;
    const int fd = ::mkostemps(name.data(), int(suffix.size()), O_CLOEXEC);
    if (fd < 0) throw writeFailure(errno, shown);
    int err = writeWhole(fd, bytes, 0);
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) {
        ::unlink(name.c_str());
        throw writeFailure(err, shown);
    }
    return name;
}

// The temporary files alive now. A process that ends without unwinding to
// their owners (exit() when the display connection breaks, a termination
// signal) removes them on its way out. Fixed slots, since a signal handler
// may neither allocate nor lock: 0 free, 1 being filled, 2 holding a path.
struct LiveTemporary {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
LiveTemporary g_live[16];

void removeLiveTemporaries() {
    for (LiveTemporary& t : g_live)
        if (t.state.load(std::memory_order_acquire) == 2) ::unlink(t.path);
}

const int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
struct sigaction g_earlier[std::size(kEndSignals)];

extern "C" void removeLiveTemporariesAndEnd(int number) {
    removeLiveTemporaries();
    for (size_t i = 0; i < std::size(kEndSignals); ++i)
        if (kEndSignals[i] == number) ::sigaction(number, &g_earlier[i], nullptr);
    // Blocked until this handler returns, then handled as before.
    ::raise(number);
}

void removeLiveTemporariesAtTheEnd() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::atexit(removeLiveTemporaries);
        for (size_t i = 0; i < std::size(kEndSignals); ++i) {
            struct sigaction now {};
            ::sigaction(kEndSignals[i], nullptr, &now);
            if (!(now.sa_flags & SA_SIGINFO) && now.sa_handler == SIG_IGN) continue; // ends nothing
            struct sigaction ours {};
            ours.sa_handler = removeLiveTemporariesAndEnd;
            sigemptyset(&ours.sa_mask);
            ::sigaction(kEndSignals[i], &ours, &g_earlier[i]);
        }
    });
}

// The slot that now holds path; -1 when the table is full (the owner alone
// removes that file then).
int holdLiveTemporary(const std::string& path) {
    removeLiveTemporariesAtTheEnd();
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < int(std::size(g_live)); ++i) {
        int expected = 0;
        if (!g_live[i].state.compare_exchange_strong(expected, 1)) continue;
        std::memcpy(g_live[i].path, path.c_str(), path.size() + 1);
        g_live[i].state.store(2, std::memory_order_release);
        return i;
    }
    return -1;
}

} // namespace

std::string resolvePath(const std::string& path) {
    std::string p = path;
    for (char& c : p)
        if (c == '\\') c = '/';
    programFolder(); // known before anything is placed against it
    const ProgramFolder& folder = programFolderForms();
    const auto writtenUnder = [&p](const std::string& root) {
        return !root.empty() && p.compare(0, root.size(), root) == 0 &&
               (p.size() == root.size() || p[root.size()] == '/');
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
    } else if (!p.empty() && p[0] == '/') {
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

bool insideProgramFolder(const std::string& path) {
    programFolder();
    return withinFolder(path);
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    try {
        return fs::is_regular_file(resolvePath(path), ec);
    } catch (const VbError&) {
        return false;
    }
}

std::int64_t FileLen(const std::string& path) {
    std::error_code ec;
    auto size = fs::file_size(resolvePath(path), ec);
    if (ec) throw VbError(errFileNotFound, {}, path);
    return std::int64_t(size);
}

std::string readAll(const std::string& path) {
    std::string real = resolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) throw VbError(errFileNotFound, {}, path);
    std::ifstream in(real, std::ios::binary | std::ios::ate);
    if (!in) throw VbError(errPathAccess, {}, path);
    // One read of the whole length.
    std::string data(size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(data.data(), std::streamsize(data.size()));
    if (in.bad() || in.gcount() != std::streamsize(data.size())) throw VbError(errPathAccess, {}, path);
    return data;
}

std::string readStart(const std::string& path, std::size_t count) {
    std::string real = resolvePath(path);
    std::error_code ec;
    if (!fs::is_regular_file(real, ec)) throw VbError(errFileNotFound, {}, path);
    std::ifstream in(real, std::ios::binary);
    if (!in) throw VbError(errPathAccess, {}, path);
    std::string data(count, '\0');
    in.read(data.data(), std::streamsize(count));
    if (in.bad()) throw VbError(errPathAccess, {}, path);
    data.resize(std::size_t(in.gcount()));
    return data;
}

namespace {

// Opens real, a path resolvePath has placed inside the program folder, for
// writing. A name that does not exist is created new and never through a link
// (O_EXCL refuses any link, dangling or not); a link, which the placing
// followed and found inside, is followed only to a file that exists. -1 with
// errno set when it cannot be opened.
int openForWriting(const std::string& real, int flags) {
    const int fd = ::open(real.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | flags);
    if (fd >= 0 || (errno != ENOENT && errno != ELOOP)) return fd;
    if (errno == ENOENT) return ::open(real.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | flags, 0666);
    const std::string target = realPlace(real);
    if (target.empty()) {
        errno = ELOOP;
        return -1;
    }
    return ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | flags);
}

// Writes bytes at offset and closes fd. The first failure is the error, the
// close's included: a file system may report a deferred write only there.
void writeAndClose(int fd, std::int64_t offset, const std::string& bytes, const std::string& path) {
    int err = writeWhole(fd, bytes, offset);
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) throw writeFailure(err, path);
}

} // namespace

void writeAt(const std::string& path, std::int64_t position, const std::string& bytes) {
    const int fd = openForWriting(resolvePath(path), 0);
    if (fd < 0) throw writeFailure(errno, path);
    writeAndClose(fd, position - 1, bytes, path);
}

void writeNew(const std::string& path, const std::string& bytes) {
    const int fd = openForWriting(resolvePath(path), O_TRUNC);
    if (fd < 0) throw writeFailure(errno, path);
    writeAndClose(fd, 0, bytes, path);
}

void FileCopy(const std::string& source, const std::string& target) {
    std::string data = readAll(source);
    const fs::path real(resolvePath(target));
    std::string temp;
    try {
        temp = writeUnique(real.parent_path().string(), target, real.filename().string() + ".part", "", data);
    } catch (const VbError&) {
        throw VbError(errPathAccess, {}, target);
    }
    std::error_code ec;
    fs::rename(temp, real, ec);
    if (ec) {
        fs::remove(temp, ec);
        throw VbError(errPathAccess, {}, target);
    }
}

void Kill(const std::string& path) {
    std::error_code ec;
    if (!fs::remove(resolvePath(path), ec) || ec) throw VbError(errFileNotFound, {}, path);
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                             const std::string& bytes)
    : path_(writeUnique(resolvePath(folder), folder, prefix, suffix, bytes)),
      slot_(holdLiveTemporary(path_)) {}

TemporaryFile::~TemporaryFile() {
    ::unlink(path_.c_str());
    if (slot_ >= 0) g_live[slot_].state.store(0, std::memory_order_release);
}

void setProgramFolder(const std::string& folder) {
    ProgramFolder& f = programFolderForms();
    f.native = folder;
    while (f.native.size() > 1 && f.native.back() == '/')
        f.native.pop_back();
    f.text = f.native.empty() ? std::string() : fromQt(QFile::decodeName(QByteArray::fromStdString(f.native)));
}

std::string programFolder() {
    ProgramFolder& f = programFolderForms();
    if (f.native.empty()) {
        QString dir = QCoreApplication::applicationDirPath();
        if (dir.isEmpty()) dir = QDir::currentPath();
        f.native = QFile::encodeName(dir).toStdString();
        f.text = fromQt(dir);
    }
    return f.text;
}

std::string pathText(const std::string& native) {
    return fromQt(QFile::decodeName(QByteArray::fromStdString(native)));
}

std::string displayPaths(const std::string& text) {
    if (QDir::separator() == QLatin1Char('\\')) return text;
    std::string out = text;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

} // namespace vb
