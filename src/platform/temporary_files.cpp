#include "platform/temporary_files.h"

#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/file_open.h"
#include "platform/paths.h"
#include "platform/temporary_names.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <endian.h>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <linux/limits.h>
#include <linux/posix_acl.h>
#include <linux/posix_acl_xattr.h>
#include <mutex>
#include <new>
#include <poll.h>
#include <pthread.h>
#include <set>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace vb {
namespace {

// Temporary files. Each lives from its creation to its removal by the
// program that made it, and while it lives that program holds an exclusive
// advisory lock on it (flock, on the descriptor it was created with). So a
// later start tells the file of a running program from one left behind by a
// program that ended without removing it (killed, a power cut): only the
// latter can be locked, and only those are removed
// (removeLeftoverTemporaries). A folder lock closes the gap between a file's
// creation and its own lock: a program holds the folder shared while it
// creates and locks a file there, and the removal tries the locks only of
// files it opened before it last took the folder exclusively, which it
// lets go at once.
// A file is made, removed and renamed through a descriptor of its folder,
// opened once beneath the program folder and kept while the file lives:
// whatever becomes of the folder's name meanwhile (renamed, made a link to
// another folder), the file goes from where it was made, and nothing of the
// same name elsewhere does.

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

// The folders, by device and inode, that stayed taken for a whole wait in
// this process and have not been had since.
std::mutex g_takenFoldersMutex;
std::set<std::pair<dev_t, ino_t>> g_takenFolders;

// The open folder held shared while the object lives. A removal of
// leftovers takes it exclusively now and then, each time for a moment only,
// so a new file seldom waits for it and never long. Should it stay taken (a
// process stopped in that moment, another user who holds it), a new file
// waits two seconds, then it is made without the folder lock; and until the
// folder is had again, later files there try it once and do not wait, so
// that such a folder costs the process one wait, not one for each file.
class FolderShared {
  public:
    explicit FolderShared(int folderFd) : fd_(folderFd) {
        struct stat st {};
        const bool known = ::fstat(fd_, &st) == 0;
        const std::pair<dev_t, ino_t> id(st.st_dev, st.st_ino);
        bool waits = known;
        if (known) {
            const std::lock_guard lock(g_takenFoldersMutex);
            waits = g_takenFolders.count(id) == 0;
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(waits ? 2 : 0);
        int err = 0;
        for (;;) {
            locked_ = ::flock(fd_, LOCK_SH | LOCK_NB) == 0;
            if (locked_) break;
            err = errno;
            if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) break;
            const timespec wait{0, 100000};
            ::nanosleep(&wait, nullptr);
        }
        if (!known || (!locked_ && err != EWOULDBLOCK)) return;
        const std::lock_guard lock(g_takenFoldersMutex);
        if (locked_)
            g_takenFolders.erase(id);
        else
            g_takenFolders.insert(id);
    }
    ~FolderShared() {
        if (locked_) ::flock(fd_, LOCK_UN);
    }
    FolderShared(const FolderShared&) = delete;
    FolderShared& operator=(const FolderShared&) = delete;

  private:
    int fd_;
    bool locked_ = false;
};

// The temporary files alive now. A process that ends without unwinding to
// their owners (exit() when the display connection breaks, a termination
// signal) removes them on its way out. Fixed slots, since a signal handler
// may neither allocate nor lock.
// A slot is taken (filling) before its file is made and gets the file
// (held) once it exists. The end signals are held only on the thread that
// makes the file, so the end may run on another thread meanwhile: it finds
// the slot filling and waits for the file, and it never sees a name before
// this process has made the file (until then the name may be another
// program's).
// A slot is claimed before its file is removed, by its owner or by the
// end, so that a name is removed once: the end never removes a name that
// the owner removed already and that another program may have taken since.
// The end claims a slot (removing) and marks it once the file is gone
// (removed); until then its owner, on another thread, leaves the file's
// descriptors open, since the end removes the name through the folder's:
// a number closed and opened again for another folder would have it
// remove a file of that folder.
// A child made by fork() inherits the slots, and the end's clean-up with
// them; the files are its parent's, which it leaves alone.
enum SlotState : int { kFree, kFilling, kHeld, kRemovingAtTheEnd, kRemovedAtTheEnd };
struct LiveTemporary {
    std::atomic<int> state{kFree};
    pid_t maker;  // the process that made the file
    int folderFd; // the descriptor of its folder
    char name[NAME_MAX + 1];
};
LiveTemporary g_live[16];

// Async-signal-safe, as it runs in a signal handler: it calls only what
// POSIX lists as such (poll, not nanosleep, for its waits). A slot that
// another thread fills at this moment (its end signals held) is waited for
// briefly: a file being made is made in a moment, and a thread stuck there
// must not keep the process from ending.
void removeLiveTemporaries() {
    const pid_t self = ::getpid();
    for (LiveTemporary& t : g_live) {
        for (int i = 0; i < 100 && t.state.load(std::memory_order_acquire) == kFilling; ++i)
            ::poll(nullptr, 0, 1);
        if (t.state.load(std::memory_order_acquire) != kHeld || t.maker != self) continue;
        int held = kHeld;
        if (t.state.compare_exchange_strong(held, kRemovingAtTheEnd, std::memory_order_acq_rel)) {
            ::unlinkat(t.folderFd, t.name, 0);
            t.state.store(kRemovedAtTheEnd, std::memory_order_release);
        }
    }
}

struct sigaction g_earlier[std::size(kEndSignals)];

// The process whose end is under way (its ID: a child made by fork() at
// that moment has no end of its own under way), 0 while none is. The end
// runs once in a process: an end signal that another thread takes meanwhile
// waits for it.
std::atomic<pid_t> g_ending{0};
static_assert(std::atomic<pid_t>::is_always_lock_free, "read and written in a signal handler");

// Runs with every end signal blocked on its thread (its sa_mask), so that a
// second one never interrupts its clean-up there; another thread takes a
// second one sent to the process meanwhile, and its handler waits here
// until this one is done. A signal whose action before ours was the default
// one ends the process inside the handler, before any waiting handler goes
// on: the process ends as the first end signal says, its files gone. One
// handled by the program's own action goes on to it, and a waiting handler
// then runs as its signal says.
extern "C" void removeLiveTemporariesAndEnd(int number) {
    const int saved = errno; // the interrupted code may be about to read it
    const pid_t self = ::getpid();
    for (pid_t seen = g_ending.load(std::memory_order_acquire);;) {
        if (seen != self) {
            if (g_ending.compare_exchange_weak(seen, self, std::memory_order_acq_rel)) break;
            continue;
        }
        ::poll(nullptr, 0, 1);
        seen = g_ending.load(std::memory_order_acquire);
    }
    removeLiveTemporaries();
    bool ends = false; // the action before ours was the default one: the process ends
    for (size_t i = 0; i < std::size(kEndSignals); ++i)
        if (kEndSignals[i] == number) {
            ::sigaction(number, &g_earlier[i], nullptr);
            ends = !(g_earlier[i].sa_flags & SA_SIGINFO) && g_earlier[i].sa_handler == SIG_DFL;
        }
    // The first process of a PID namespace (a container's entry point) is
    // never sent a signal whose action is the default: raised again, it
    // would be dropped and the process would go on. It ends here, with the
    // status a shell gives an end by that signal.
    if (ends && ::getpid() == 1) ::_exit(128 + number);
    // Blocked until this handler returns, then handled as before; or, when it
    // ends the process, let through at once.
    ::raise(number);
    if (ends) {
        sigset_t signal;
        sigemptyset(&signal);
        sigaddset(&signal, number);
        ::pthread_sigmask(SIG_UNBLOCK, &signal, nullptr);
    }
    g_ending.store(0, std::memory_order_release);
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
            for (int s : kEndSignals)
                sigaddset(&ours.sa_mask, s);
            ::sigaction(kEndSignals[i], &ours, &g_earlier[i]);
        }
    });
}

// A slot taken for a file about to be made; -1 when the table is full
// (should the process end first, a later start removes that file). Called
// with the end signals held, so that the end never waits for a slot that
// its own thread fills.
int takeLiveSlot() {
    for (int i = 0; i < int(std::size(g_live)); ++i) {
        int expected = kFree;
        if (g_live[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel)) return i;
    }
    return -1;
}

// A temporary file of this process: its folder's descriptor, its name
// there, the path it was made at, the descriptor that holds its lock, its
// slot, and the process that made it.
struct OwnFile {
    int folderFd = -1;
    std::string name;
    std::string path;
    int fd = -1;
    int slot = -1;
    pid_t maker = 0;
};

// Gives a taken slot the file made for it, or frees it when no file was
// made (f.fd < 0); the slot that now holds the file, or -1.
int holdLiveTemporary(int slot, const OwnFile& f) {
    if (slot < 0) return -1;
    LiveTemporary& t = g_live[slot];
    if (f.fd < 0) {
        t.state.store(kFree, std::memory_order_release);
        return -1;
    }
    t.maker = f.maker;
    t.folderFd = f.folderFd;
    std::memcpy(t.name, f.name.c_str(), f.name.size() + 1); // createUnique refuses a longer name
    t.state.store(kHeld, std::memory_order_release);
    return slot;
}

// Frees the slot before its file is removed or renamed; false when the end
// of the process claimed it first (and removes the file). Called with the
// end signals held.
bool releaseLiveTemporary(int slot) {
    if (slot < 0) return true;
    int held = kHeld;
    return g_live[slot].state.compare_exchange_strong(held, kFree, std::memory_order_acq_rel);
}

// Closes the file's descriptors once the slot is released, or once the end
// that claimed it has removed the file (the slot is then freed). While the
// end is still removing it on another thread they stay open: that end
// removes the name through the folder's descriptor, whose number must not
// stand for another folder meanwhile, and the process is ending anyway.
void closeOwn(const OwnFile& f, bool released) {
    if (!released) {
        int removed = kRemovedAtTheEnd;
        if (!g_live[f.slot].state.compare_exchange_strong(removed, kFree, std::memory_order_acq_rel)) return;
    }
    ::close(f.fd);
    ::close(f.folderFd);
}

// Removes the file while its lock is still held, then lets the lock go. A
// child made by fork() that unwinds to a file of its parent leaves it.
void removeOwn(const OwnFile& f) {
    bool released = true;
    if (f.maker == ::getpid()) {
        const EndSignalsHeld held;
        released = releaseLiveTemporary(f.slot);
        if (released) ::unlinkat(f.folderFd, f.name.c_str(), 0);
    }
    closeOwn(f, released);
}

// Creates a new file <prefix><six letters or digits><suffix> in the open
// folder under a name no file has (O_CREAT | O_EXCL: a name that exists, a
// link included, is never opened); its descriptor, or -1 with errno set. A
// name longer than NAME_MAX is refused (ENAMETOOLONG) before any file is
// made: a file system may take longer names, but the end keeps each name in
// a slot of NAME_MAX bytes.
int createUnique(int folderFd, const std::string& prefix, const std::string& suffix, std::string& name) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if ((prefix + suffix).find('/') != std::string::npos) {
        errno = EINVAL;
        return -1;
    }
    if (prefix.size() + 6 + suffix.size() > sizeof LiveTemporary::name - 1) {
        errno = ENAMETOOLONG;
        return -1;
    }
    for (int tries = 0; tries < 1000; ++tries) {
        unsigned char random[6];
        if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random)) return -1;
        std::string unique(sizeof random, ' ');
        for (std::size_t i = 0; i < sizeof random; ++i)
            unique[i] = kLetters[random[i] % (sizeof kLetters - 1)];
        name = prefix + unique + suffix;
        const int fd =
            ::openat(folderFd, name.c_str(),
                     O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Writes all of bytes at offset to a file whose descriptor holds its lock;
// 0, or the errno of the failure.
int writeHeld(int fd, const std::string& bytes, std::int64_t offset) {
    int err = writeWhole(fd, bytes, offset);
    // What a file system reports only when a descriptor closes (a network
    // folder writing back), from a copy of the descriptor: the lock stays.
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0 && ::close(copy) != 0 && err == 0) err = errno;
    return err;
}

// Creates a new file folder/<prefix>XXXXXX<suffix> (createUnique), locked and
// in a slot from the moment it exists, and writes the bytes. On any failure
// what was made is removed before the error leaves; shown is the file the
// message names.
OwnFile createOwn(const std::string& folder, const std::string& shown, const std::string& prefix,
                  const std::string& suffix, const std::string& bytes) {
    removeLiveTemporariesAtTheEnd();
    OwnFile f;
    f.maker = ::getpid();
    // For reading, as a lock needs.
    f.folderFd = openInProgramFolder(folder, O_RDONLY | O_DIRECTORY);
    if (f.folderFd < 0) throw writeFailure(errno, shown);
    {
        const FolderShared creating(f.folderFd);
        const EndSignalsHeld held;
        const int slot = takeLiveSlot();
        f.fd = createUnique(f.folderFd, prefix, suffix, f.name);
        int err = errno;
        // Unlocked, it would count as a leftover for a later start.
        if (f.fd >= 0 && ::flock(f.fd, LOCK_EX | LOCK_NB) != 0) {
            err = errno;
            ::unlinkat(f.folderFd, f.name.c_str(), 0);
            ::close(f.fd);
            f.fd = -1;
        }
        f.slot = holdLiveTemporary(slot, f);
        if (f.fd < 0) {
            ::close(f.folderFd);
            throw writeFailure(err, shown);
        }
    }
    f.path = folder + "/" + f.name;
    const int err = writeHeld(f.fd, bytes, 0);
    if (err != 0) {
        removeOwn(f);
        throw writeFailure(err, shown);
    }
    return f;
}

// The access ACL of a file, kept by the kernel in this extended attribute
// in the form of linux/posix_acl_xattr.h: a version, then entries of a tag,
// permissions and an ID, little-endian. It is read and given whole, as
// bytes, through the files' descriptors: a copy needs nothing that libacl
// would add, and the program no new runtime dependency.
constexpr const char* kAccessAcl = "system.posix_acl_access";

// The access ACL of the open file into acl; 0, or the errno of the read:
// ENODATA where the file has none, ENOTSUP where its file system keeps none.
int readAccessAcl(int fd, std::string& acl) {
    try {
        acl.assign(XATTR_SIZE_MAX, '\0'); // the largest an attribute can be: read at once
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    const ssize_t size = ::fgetxattr(fd, kAccessAcl, acl.data(), acl.size());
    if (size < 0) return errno == EOPNOTSUPP ? ENOTSUP : errno;
    acl.resize(std::size_t(size));
    return 0;
}

// Gives the owning group's entry of an access ACL (ACL_GROUP_OBJ) no more
// than everyone, for a file that goes to another group; masked tells
// whether the ACL has a mask entry (ACL_MASK), which the mode's group bits
// then stand for. 0, or EINVAL for an ACL not in the kernel's form.
int narrowOwningGroup(std::string& acl, mode_t everyone, bool& masked) {
    constexpr std::size_t kHeader = sizeof(posix_acl_xattr_header), kEntry = sizeof(posix_acl_xattr_entry);
    posix_acl_xattr_header header{};
    if (acl.size() < kHeader || (acl.size() - kHeader) % kEntry != 0) return EINVAL;
    std::memcpy(&header, acl.data(), kHeader);
    if (le32toh(header.a_version) != POSIX_ACL_XATTR_VERSION) return EINVAL;
    masked = false;
    for (std::size_t at = kHeader; at < acl.size(); at += kEntry) {
        posix_acl_xattr_entry e{};
        std::memcpy(&e, acl.data() + at, kEntry);
        if (le16toh(e.e_tag) == ACL_MASK) masked = true;
        if (le16toh(e.e_tag) != ACL_GROUP_OBJ) continue;
        e.e_perm = htole16(std::uint16_t(le16toh(e.e_perm) & everyone));
        std::memcpy(acl.data() + at, &e, kEntry);
    }
    return 0;
}

// Gives the part file of a copy the rights of the file it is to replace,
// before it takes that file's place, so that the place never shows other
// rights: everyone reads the copy as they read the file, whatever this
// process's umask or its folder's default ACL. Its owner and group where
// this process may set them (a user may not give a file away, nor give it
// a group the user is not in); then its access ACL, the file's own, or
// none where the file had none (a part made in a folder with a default
// ACL inherits one); then its mode. Never wider than the file's: a
// set-user-ID bit stays only with the file's owner, a set-group-ID bit
// only with its group, and a group other than the file's gets no more than
// the file gave everyone else, since no more was given to its members.
// The ACL goes before the mode: giving an ACL sets the mode's group bits
// from its mask, and a change of mode then sets the mask from the group
// bits, which are the mask's already, so both end as the file's.
// With nothing to replace, or no regular file, the part keeps the mode it
// was made with; on a file system that keeps no ACLs, the rights are its
// owner, group and mode. 0, or the errno of the failure: rights that cannot
// be told or given stop the copy.
int takeRightsOfReplaced(const OwnFile& part, const char* replaced) {
    // Looked at first, so that what is not a regular file stays unopened
    // (one put in its place the moment after is opened without waiting, and
    // left unread).
    struct stat seen {};
    if (::fstatat(part.folderFd, replaced, &seen, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
    if (!S_ISREG(seen.st_mode)) return 0;
    // Its status and its ACL are read through one descriptor of the entry
    // itself (a link in its place is not followed), so that both are of one
    // file whatever is renamed meanwhile. Opened for reading, as fgetxattr
    // needs, which the process may: it has just read the file and found it
    // damaged.
    const int fd =
        ::openat(part.folderFd, replaced, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    // Gone since, or a link (ELOOP) in its place: no regular file, as above.
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR || errno == ELOOP ? 0 : errno;
    struct stat was {};
    std::string acl;
    int aclRead = ENODATA;
    const int statErr = ::fstat(fd, &was) == 0 ? 0 : errno;
    if (statErr == 0 && S_ISREG(was.st_mode)) aclRead = readAccessAcl(fd, acl);
    ::close(fd);
    if (statErr != 0) return statErr;
    if (!S_ISREG(was.st_mode)) return 0;
    const bool hasAcl = aclRead == 0;
    if (!hasAcl && aclRead != ENODATA && aclRead != ENOTSUP) return aclRead;
    // The owner and group, else the group alone; what was refused, the
    // file's status then tells.
    [[maybe_unused]] const bool given =
        ::fchown(part.fd, was.st_uid, was.st_gid) == 0 || ::fchown(part.fd, uid_t(-1), was.st_gid) == 0;
    struct stat is {};
    if (::fstat(part.fd, &is) != 0) return errno;
    mode_t mode = was.st_mode & 07777;
    if (is.st_uid != was.st_uid) mode &= ~mode_t(S_ISUID);
    if (is.st_gid != was.st_gid) {
        // The group's own entry narrowed, in the ACL and in the mode; but
        // where the ACL has a mask, the mode's group bits are that mask,
        // which limits the named users and groups too, and they stay.
        const mode_t everyone = mode & S_IRWXO;
        bool masked = false;
        if (hasAcl) {
            if (const int err = narrowOwningGroup(acl, everyone, masked)) return err;
        }
        mode &= ~mode_t(S_ISGID);
        if (!masked) mode = (mode & ~mode_t(S_IRWXG)) | (mode & S_IRWXG & (everyone << 3));
    }
    if (hasAcl) {
        if (::fsetxattr(part.fd, kAccessAcl, acl.data(), acl.size(), 0) != 0) return errno;
    } else if (aclRead == ENODATA && ::fremovexattr(part.fd, kAccessAcl) != 0 && errno != ENODATA &&
               errno != EOPNOTSUPP) {
        return errno;
    }
    return ::fchmod(part.fd, mode) == 0 ? 0 : errno;
}

} // namespace

void FileCopy(const std::string& source, const std::string& target) {
    // Copied a block at a time: a file of any size costs a block of memory.
    constexpr std::size_t kBlock = 1 << 20;
    const FileReader from(source);
    const fs::path real(resolvePath(target));
    // A failure names the target, with the system's reason (61 for a full disk).
    const OwnFile part =
        createOwn(real.parent_path().string(), target, real.filename().string() + kPartFileInfix,
                  kPartFileSuffix, from.read(0, kBlock));
    int err = 0;
    try {
        for (std::int64_t done = kBlock; err == 0 && done < from.size(); done += kBlock)
            err = writeHeld(part.fd, from.read(done, kBlock), done);
    } catch (...) {
        removeOwn(part); // the source could not be read: the error names it
        throw;
    }
    if (err == 0) err = takeRightsOfReplaced(part, real.filename().c_str());
    if (err != 0) {
        removeOwn(part);
        throw writeFailure(err, target);
    }
    // Renamed within the folder it was made in: a folder renamed, or its name
    // swapped for a link, since is not followed.
    bool released = true;
    {
        const EndSignalsHeld held;
        // A slot the end of the process claimed first: the part file goes with it.
        released = releaseLiveTemporary(part.slot);
        if (!released) {
            err = EINTR;
        } else if (::renameat(part.folderFd, part.name.c_str(), part.folderFd, real.filename().c_str()) !=
                   0) {
            err = errno;
            ::unlinkat(part.folderFd, part.name.c_str(), 0);
        }
    }
    closeOwn(part, released);
    if (err != 0) throw writeFailure(err, target);
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& prefix, const std::string& suffix,
                             const std::string& bytes) {
    const OwnFile f = createOwn(resolvePath(folder), folder, prefix, suffix, bytes);
    path_ = f.path;
    folderFd_ = f.folderFd;
    folder_ = folder;
    size_ = std::int64_t(bytes.size());
    fd_ = f.fd;
    slot_ = f.slot;
    maker_ = f.maker;
}

void TemporaryFile::append(const std::string& bytes) {
    if (const int err = writeHeld(fd_, bytes, size_)) throw writeFailure(err, folder_);
    size_ += std::int64_t(bytes.size());
}

TemporaryFile::~TemporaryFile() {
    removeOwn({folderFd_, path_.substr(path_.rfind('/') + 1), path_, fd_, slot_, maker_});
}

} // namespace vb
