#include "platform/files.h"

#include "platform/errors.h"
#include "platform/vbstring.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <pthread.h>
#include <set>
#include <signal.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <thread>
#include <time.h>
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

// Temporary files. Each lives from its creation to its removal by the
// program that made it, and while it lives that program holds an exclusive
// advisory lock on it (flock, on the descriptor it was created with). So a
// later start tells the file of a running program from one left behind by a
// program that ended without removing it (killed, a power cut): only the
// latter can be locked, and only those are removed
// (removeLeftoverTemporaries). A folder lock closes the gap between a file's
// creation and its own lock: a program holds the folder shared while it
// creates and locks a file there, the removal holds it exclusively while it
// looks at the folder's files.

const int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// The end signals held back on this thread while the object lives, so that
// their handler never runs between two steps that must stay together: a file
// made and its name in a slot, a slot freed and its file removed.
class EndSignalsHeld {
  public:
    EndSignalsHeld() {
        sigset_t ends;
        sigemptyset(&ends);
        for (int s : kEndSignals)
            sigaddset(&ends, s);
        ::pthread_sigmask(SIG_BLOCK, &ends, &before_);
    }
    ~EndSignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &before_, nullptr); }
    EndSignalsHeld(const EndSignalsHeld&) = delete;
    EndSignalsHeld& operator=(const EndSignalsHeld&) = delete;

  private:
    sigset_t before_;
};

// The folder held shared while the object lives. A removal of leftovers
// holds it for a few names at a time; one that holds it longer (a stopped
// process) delays a new file by two seconds at most, then it is made
// without the folder lock.
class FolderShared {
  public:
    explicit FolderShared(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        for (int i = 0; fd_ >= 0 && i < 2000; ++i) {
            if (::flock(fd_, LOCK_SH | LOCK_NB) == 0 || errno != EWOULDBLOCK) return;
            const timespec ms{0, 1000000};
            ::nanosleep(&ms, nullptr);
        }
    }
    ~FolderShared() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderShared(const FolderShared&) = delete;
    FolderShared& operator=(const FolderShared&) = delete;

  private:
    int fd_;
};

// The temporary files alive now. A process that ends without unwinding to
// their owners (exit() when the display connection breaks, a termination
// signal) removes them on its way out. Fixed slots, since a signal handler
// may neither allocate nor lock. A slot is claimed before its file is
// removed, by its owner or by the end, so that a name is removed once: the
// end never removes a name that the owner removed already and that another
// program may have taken since.
enum SlotState : int { kFree, kFilling, kHeld, kRemovedAtTheEnd };
struct LiveTemporary {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};
LiveTemporary g_live[16];

// Async-signal-safe. A slot that another thread fills at this moment (its
// end signals held) is waited for briefly.
void removeLiveTemporaries() {
    for (LiveTemporary& t : g_live) {
        for (int i = 0; i < 100 && t.state.load(std::memory_order_acquire) == kFilling; ++i) {
            const timespec ms{0, 1000000};
            ::nanosleep(&ms, nullptr);
        }
        int held = kHeld;
        if (t.state.compare_exchange_strong(held, kRemovedAtTheEnd, std::memory_order_acq_rel))
            ::unlink(t.path);
    }
}

struct sigaction g_earlier[std::size(kEndSignals)];

extern "C" void removeLiveTemporariesAndEnd(int number) {
    const int saved = errno; // the interrupted code may be about to read it
    removeLiveTemporaries();
    for (size_t i = 0; i < std::size(kEndSignals); ++i)
        if (kEndSignals[i] == number) ::sigaction(number, &g_earlier[i], nullptr);
    // Blocked until this handler returns, then handled as before.
    ::raise(number);
    errno = saved;
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

// The slot that now holds path; -1 when the table is full (should the
// process end first, a later start removes that file). Called with the end
// signals held.
int holdLiveTemporary(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < int(std::size(g_live)); ++i) {
        int expected = kFree;
        if (!g_live[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(g_live[i].path, path.c_str(), path.size() + 1);
        g_live[i].state.store(kHeld, std::memory_order_release);
        return i;
    }
    return -1;
}

// Frees the slot before its file is removed or renamed; false when the end
// of the process claimed it first (and removes the file). Called with the
// end signals held.
bool releaseLiveTemporary(int slot) {
    if (slot < 0) return true;
    int held = kHeld;
    return g_live[slot].state.compare_exchange_strong(held, kFree, std::memory_order_acq_rel);
}

// A temporary file of this process: its name, the descriptor that holds its
// lock, its slot.
struct OwnFile {
    std::string path;
    int fd = -1;
    int slot = -1;
};

// Removes the file while its lock is still held, then lets the lock go.
void removeOwn(const OwnFile& f) {
    {
        const EndSignalsHeld held;
        if (releaseLiveTemporary(f.slot)) ::unlink(f.path.c_str());
    }
    ::close(f.fd);
}

// Creates a new file folder/<prefix>XXXXXX<suffix> (O_CREAT | O_EXCL: a name
// that exists, a link included, is never opened), locked and in a slot from
// the moment it exists, and writes the bytes. On any failure what was made
// is removed before the error leaves; shown is the file the message names.
OwnFile createOwn(const std::string& folder, const std::string& shown, const std::string& prefix,
                  const std::string& suffix, const std::string& bytes) {
    removeLiveTemporariesAtTheEnd();
    OwnFile f;
    f.path = folder + "/" + prefix + "XXXXXX" + suffix;
    {
        const FolderShared creating(folder);
        const EndSignalsHeld held;
        f.fd = ::mkostemps(f.path.data(), int(suffix.size()), O_CLOEXEC);
        if (f.fd < 0) throw writeFailure(errno, shown);
        ::flock(f.fd, LOCK_EX | LOCK_NB); // a new file: nobody else holds it
        f.slot = holdLiveTemporary(f.path);
    }
    int err = writeWhole(f.fd, bytes, 0);
    // What a file system reports only when a descriptor closes (a network
    // folder writing back), from a copy of the descriptor: the lock stays.
    const int copy = ::fcntl(f.fd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0 && ::close(copy) != 0 && err == 0) err = errno;
    if (err != 0) {
        removeOwn(f);
        throw writeFailure(err, shown);
    }
    return f;
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
    // A failure names the target, with the system's reason (61 for a full disk).
    const OwnFile part =
        createOwn(real.parent_path().string(), target, real.filename().string() + ".part", "", data);
    int err = 0;
    {
        const EndSignalsHeld held;
        // A slot the end of the process claimed first: the part file goes with it.
        if (!releaseLiveTemporary(part.slot)) {
            err = EINTR;
        } else if (::rename(part.path.c_str(), real.c_str()) != 0) {
            err = errno;
            ::unlink(part.path.c_str());
        }
    }
    ::close(part.fd);
    if (err != 0) throw writeFailure(err, target);
}

void Kill(const std::string& path) {
    std::error_code ec;
    if (!fs::remove(resolvePath(path), ec) || ec) throw VbError(errFileNotFound, {}, path);
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                             const std::string& bytes) {
    const OwnFile f = createOwn(resolvePath(folder), folder, prefix, suffix, bytes);
    path_ = f.path;
    fd_ = f.fd;
    slot_ = f.slot;
}

TemporaryFile::~TemporaryFile() {
    removeOwn({path_, fd_, slot_});
}

namespace {

// Whether name is one that this program gives its temporary files, in a
// folder depth levels below the program folder (0 for the folder itself), in
// a diagram folder or not: the decoded copy of a data file,
// DcFile.<unique>.<up to three letters or digits>, in the program folder
// (LoadScrambledFile); the print bitmap, toroscat.<unique>.bmp, in a
// diagram folder (the diagram viewer); the part file of a copy,
// <name>.part<unique>, beside its target (FileCopy). <unique> stands for
// the six letters or digits that make each name new.
bool temporaryName(const std::string& name, int depth, bool diagrams) {
    const auto letterOrDigit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    const auto unique = [&](size_t at) {
        return name.size() >= at + 6 &&
               std::all_of(name.begin() + long(at), name.begin() + long(at + 6), letterOrDigit);
    };
    const auto startsWith = [&name](const char* s) { return name.rfind(s, 0) == 0; };
    if (name.size() > 11 && name.compare(name.size() - 11, 5, ".part") == 0 && unique(name.size() - 6))
        return true;
    if (depth == 0 && startsWith("DcFile.") && unique(7) && name.size() >= 14 && name.size() <= 17 &&
        name[13] == '.')
        return std::all_of(name.begin() + 14, name.end(), letterOrDigit);
    return diagrams && name.size() == 19 && startsWith("toroscat.") && unique(9) &&
           name.compare(15, 4, ".bmp") == 0;
}

// Removes the file name of the open folder dir when no program holds its
// lock, and it is still the file that was locked. The caller holds the
// folder.
void removeWhenUnused(int dir, const char* name) {
    // Opened for writing: a file this program could not write is not its own.
    const int fd = ::openat(dir, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dir, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
        named.st_ino == opened.st_ino)
        ::unlinkat(dir, name, 0);
    ::close(fd);
}

// Data files lie at most three folders below the program folder, and the
// temporary files beside them or higher up: the walk goes no deeper, so that
// a program folder placed high in a large tree costs no more.
constexpr int kDeepestFolder = 3;

// Set when the process ends: a walk still running stops at its next name,
// so that the end waits for no more than one folder entry.
std::atomic<bool> g_leftoverWalksEnding{false};

// Walks the open folder dir (closed when done), depth levels below the
// program folder, on the device of the program folder; links are not
// followed.
void removeLeftoversIn(int dir, int depth, bool diagrams, dev_t device) {
    DIR* d = ::fdopendir(dir);
    if (!d) {
        ::close(dir);
        return;
    }
    std::vector<std::string> found;
    while (const dirent* e = ::readdir(d)) {
        if (g_leftoverWalksEnding.load(std::memory_order_relaxed)) break;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_REG && temporaryName(name, depth, diagrams)) found.push_back(name);
        if (type != DT_DIR || depth >= kDeepestFolder) continue;
        const int sub = ::openat(dir, e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) continue;
        struct stat st {};
        if (::fstat(sub, &st) != 0 || st.st_dev != device) {
            ::close(sub);
            continue;
        }
        // The diagram folders: \psc\ and the old format's \psc\psc<language>\.
        const bool underDiagrams =
            (depth == 0 && strcasecmp(e->d_name, "psc") == 0) || (depth == 1 && diagrams);
        removeLeftoversIn(sub, depth + 1, underDiagrams, device);
    }
    if (!found.empty() && ::flock(dir, LOCK_EX | LOCK_NB) == 0) {
        for (const std::string& name : found)
            removeWhenUnused(dir, name.c_str());
        ::flock(dir, LOCK_UN);
    }
    ::closedir(d);
}

// The removals running on threads of their own, and the folders they were
// started for. Never destroyed, so that the process's end can still reach
// the threads after static objects have gone.
struct LeftoverRemovals {
    std::mutex mutex;
    std::condition_variable finished;
    std::set<std::string> started;
    int running = 0;
    // Each thread with the process that started it.
    std::vector<std::pair<pid_t, std::thread>> threads;
};
LeftoverRemovals& leftoverRemovals() {
    static auto* r = new LeftoverRemovals;
    return *r;
}

// At the process's end every walk stops and its thread is joined: a thread
// left running while the process tears itself down would race the end's own
// work. A child made by fork() has none of its parent's threads to join.
void endLeftoverRemovals() {
    g_leftoverWalksEnding.store(true, std::memory_order_relaxed);
    // A parent's threads stay where they are, never destroyed, since the
    // child cannot join them.
    LeftoverRemovals& r = leftoverRemovals();
    const pid_t self = ::getpid();
    std::vector<std::thread> ours;
    {
        const std::lock_guard<std::mutex> lock(r.mutex);
        for (auto& [process, thread] : r.threads)
            if (process == self && thread.joinable()) ours.push_back(std::move(thread));
    }
    for (std::thread& thread : ours)
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
}

} // namespace

void removeLeftoverTemporaries(const std::string& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    struct stat st {};
    if (::fstat(dir, &st) != 0) {
        ::close(dir);
        return;
    }
    removeLeftoversIn(dir, 0, false, st.st_dev);
}

void startRemovingLeftoverTemporaries() {
    programFolder();
    const std::string folder = programFolderForms().native;
    LeftoverRemovals& r = leftoverRemovals();
    {
        const std::lock_guard<std::mutex> lock(r.mutex);
        if (!r.started.insert(folder).second) return;
        ++r.running;
    }
    const auto done = [&r] {
        {
            const std::lock_guard<std::mutex> lock(r.mutex);
            --r.running;
        }
        r.finished.notify_all();
    };
    static std::once_flag joinedAtTheEnd;
    std::call_once(joinedAtTheEnd, [] { std::atexit(endLeftoverRemovals); });
    try {
        std::thread walk([folder, done] {
            // Behind everything the program does for the user.
            ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 19);
            removeLeftoverTemporaries(folder);
            done();
        });
        const std::lock_guard<std::mutex> lock(r.mutex);
        r.threads.emplace_back(::getpid(), std::move(walk));
    } catch (const std::system_error&) {
        done(); // no thread to spare: the next start removes them
    }
}

void waitForLeftoverRemoval() {
    LeftoverRemovals& r = leftoverRemovals();
    std::unique_lock<std::mutex> lock(r.mutex);
    r.finished.wait(lock, [&r] { return r.running == 0; });
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
