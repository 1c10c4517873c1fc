#include "platform/file_open.h"

#include "platform/link_walk.h"
#include "platform/program_folder.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/openat2.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vb {
namespace {

std::mutex g_folderMutex;
std::shared_ptr<const OpenFolder> g_folder; // the program folder's

// Whether the kernel has openat2: 1 yes, 0 no, -1 not asked yet.
std::atomic<int> g_openat2{-1};

// Whether the kernel has openat2, asked of the open folder the first time.
// A seccomp filter may answer EPERM for a system call it does not know.
bool haveOpenat2(int folder) {
    int known = g_openat2.load(std::memory_order_relaxed);
    if (known < 0) {
        const int fd = openat2Retrying(folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC, 0, RESOLVE_BENEATH);
        known = fd >= 0 || (errno != ENOSYS && errno != EPERM);
        if (fd >= 0) ::close(fd);
        g_openat2.store(known, std::memory_order_relaxed);
    }
    return known == 1;
}

// The program folder's descriptor: the one kept, while it is of the folder
// that programFolderOnDisk() names; else that folder opened now, and kept
// once it could be (a folder that cannot be opened now may be there later).
std::shared_ptr<const OpenFolder> programFolderDescriptor() {
    // Asked first: the first question proves the folder, which keeps its
    // descriptor.
    const std::string& native = programFolderOnDisk();
    const std::lock_guard lock(g_folderMutex);
    if (g_folder && g_folder->native == native) return g_folder;
    std::shared_ptr<const OpenFolder> folder = openFolder(native);
    if (folder->fd >= 0) g_folder = folder;
    return folder;
}

// path relative to folder, "." for the folder itself; empty when path is
// not written under folder.
std::string relativeTo(const std::string& path, const std::string& folder) {
    std::size_t at = 0;
    if (folder != "/") {
        if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return {};
        at = folder.size();
        if (at < path.size() && path[at] != '/') return {};
    } else if (path.empty() || path[0] != '/') {
        return {};
    }
    while (at < path.size() && path[at] == '/')
        ++at;
    return at == path.size() ? "." : path.substr(at);
}

// path relative to the folder when it is written another way (relative to
// the working folder, through a link to the folder): the folder that holds
// path taken where the file system puts it, its last name as written. Empty,
// errno set, where there is none: ENOENT where that folder lies outside the
// folder or nowhere (a loop of links); else the failure met on the way to
// either place, which says nothing of where path leads and is passed on.
std::string relativeToRealFolder(const std::string& path, const OpenFolder& folder) {
    const std::size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string real = realPlace(parent);
    if (real.empty()) {
        if (errno == ELOOP || errno == ENAMETOOLONG) errno = ENOENT;
        return {};
    }
    const std::string root = folder.real();
    if (root.empty()) return {};
    std::string rel = relativeTo((real == "/" ? "" : real) + "/" + path.substr(slash + 1), root);
    if (rel.empty()) errno = ENOENT;
    return rel;
}

// Keeps fd when it is what the open asked for; else closes it. A refusal
// that says the file is not one of the data becomes ENOENT.
int keepIfAsAsked(int fd, int flags, bool changing) {
    // EXDEV: a way out of the folder. ENXIO: a socket, or a FIFO that no
    // program reads. ELOOP, for a read: a loop of links.
    if (fd < 0 && (errno == EXDEV || errno == ENXIO || (errno == ELOOP && !changing))) errno = ENOENT;
    if (fd < 0 || (flags & O_DIRECTORY)) return fd;
    struct stat st {};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = ENOENT;
    else if (changing && st.st_nlink > 1)
        err = EMLINK;
    if (err == 0) return fd;
    ::close(fd);
    errno = err;
    return -1;
}

} // namespace

OpenFolder::~OpenFolder() {
    if (fd >= 0) ::close(fd);
}

std::string OpenFolder::real() const {
    const std::lock_guard lock(realMutex_);
    if (real_.empty()) real_ = realPlace(native);
    return real_;
}

std::shared_ptr<const OpenFolder> openFolder(const std::string& native) {
    auto folder = std::make_shared<OpenFolder>();
    folder->native = native;
    // Told as the folder is opened where it can be; where not, at its use.
    folder->real_ = realPlace(native);
    folder->fd = ::open(native.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    folder->error = folder->fd < 0 ? errno : 0;
    return folder;
}

int openInProgramFolder(const std::string& path, int flags, mode_t mode) {
    return openInFolder(*programFolderDescriptor(), path, flags, mode);
}

int openInFolder(const OpenFolder& folder, const std::string& path, int flags, mode_t mode) {
    if (flags & O_TRUNC) {
        errno = EINVAL;
        return -1;
    }
    const bool changing = (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_DIRECTORY));
    if (changing) flags |= O_NOFOLLOW;
    flags |= O_CLOEXEC;
    if (!(flags & O_PATH)) flags |= O_NONBLOCK | O_NOCTTY;
    if (folder.fd < 0) {
        // The folder's own failure: missing only where it says so, and a
        // lack of descriptors or memory, or a read error, says nothing of
        // the file.
        errno = folder.error;
        return -1;
    }
    const auto openBelow = [&](const std::string& rel, bool noLinks) {
        return openBeneath(folder.fd, rel, flags, mode, noLinks ? RESOLVE_NO_SYMLINKS : 0);
    };
    std::string rel = relativeTo(path, folder.native);
    if (rel.empty()) rel = relativeToRealFolder(path, folder);
    if (rel.empty()) return -1; // errno as relativeToRealFolder set it
    int fd = openBelow(rel, changing);
    if (fd < 0 && errno == EXDEV && !changing) {
        // A way out of the folder, or an absolute link: what counts is where
        // the links lead. The open of that place takes no link, so a link
        // swapped in since is not followed.
        const std::string real = realPlace(path);
        if (real.empty()) {
            // A path that leads nowhere (a loop of links) is missing; a
            // failure on the way is the answer.
            if (errno == ELOOP || errno == ENAMETOOLONG) errno = ENOENT;
            return -1;
        }
        // So is a failure on the way to the folder's own place.
        const std::string root = folder.real();
        if (root.empty()) return -1;
        const std::string inside = relativeTo(real, root);
        if (inside.empty()) {
            errno = ENOENT;
            return -1;
        }
        fd = openBelow(inside, true);
    }
    return keepIfAsAsked(fd, flags, changing);
}

int openat2Retrying(int dir, const char* path, int flags, mode_t mode, std::uint64_t resolve) {
    open_how how{};
    how.flags = std::uint64_t(flags);
    how.mode = (flags & O_CREAT) ? mode : 0;
    how.resolve = resolve;
    for (int tries = 0;; ++tries) {
        const long fd = ::syscall(SYS_openat2, dir, path, &how, sizeof how);
        if (fd >= 0) return int(fd);
        if (errno == EINTR || (errno == EAGAIN && tries < 100)) continue;
        return -1;
    }
}

int openBeneath(int dir, const std::string& path, int flags, mode_t mode, std::uint64_t resolve) {
    resolve |= RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    if (!haveOpenat2(dir)) return openWithoutOpenat2(dir, path, flags, mode, resolve);
    const int fd = openat2Retrying(dir, path.c_str(), flags, mode, resolve);
    // The kernel keeps asking for another try while renames elsewhere race
    // its walk: a passing state that says nothing of the file. The walk by
    // descriptors keeps the same rules and needs no retry.
    if (fd < 0 && errno == EAGAIN) return openWithoutOpenat2(dir, path, flags, mode, resolve);
    return fd;
}

int openForReading(const std::string& path) {
    return openInProgramFolder(path, O_RDONLY);
}

void keepProgramFolderDescriptor(std::shared_ptr<const OpenFolder> folder) {
    const std::lock_guard lock(g_folderMutex);
    g_folder = std::move(folder);
}

void forgetProgramFolderDescriptor() {
    const std::lock_guard lock(g_folderMutex);
    g_folder.reset();
}

} // namespace vb
