#include "platform/link_walk.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vb {

int openWithoutOpenat2(int root, const std::string& rel, int flags, mode_t mode, bool noLinks) {
    std::vector<std::string> ahead; // names still to walk, the next one last
    const auto walkNext = [&ahead](const std::string& p) {
        if (!p.empty() && p.back() == '/') ahead.emplace_back("/"); // the name before it is a folder
        for (std::size_t end = p.size(); end > 0;) {
            const std::size_t slash = p.rfind('/', end - 1);
            const std::size_t at = slash == std::string::npos ? 0 : slash + 1;
            if (end > at) ahead.push_back(p.substr(at, end - at));
            end = slash == std::string::npos ? 0 : slash;
        }
    };
    struct Held : std::vector<int> {
        ~Held() {
            for (int fd : *this)
                ::close(fd);
        }
    } held;
    // Nothing is no name, and a path from the file system's root leaves the
    // folder.
    if (rel.empty() || rel[0] == '/') {
        errno = rel.empty() ? ENOENT : EXDEV;
        return -1;
    }
    walkNext(rel);
    int links = 0;
    for (;;) {
        const int at = held.empty() ? root : held.back();
        if (ahead.empty()) return ::openat(at, ".", flags, mode);
        const std::string name = std::move(ahead.back());
        ahead.pop_back();
        if (name == "." || name == "/") continue;
        if (name == "..") {
            if (held.empty()) {
                errno = EXDEV;
                return -1;
            }
            ::close(held.back());
            held.pop_back();
            continue;
        }
        const bool last = ahead.empty();
        // A new file is never a folder: a slash after its name refuses it,
        // whether the name is there or not.
        if ((flags & O_CREAT) && ahead.size() == 1 && ahead.back() == "/") {
            errno = EISDIR;
            return -1;
        }
        // The last name as the caller asks for it: a link there that is
        // not to be followed gives what the open gives.
        if (last && (flags & O_NOFOLLOW)) return ::openat(at, name.c_str(), flags, mode);
        int fd = ::openat(at, name.c_str(),
                          last ? flags | O_NOFOLLOW : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, mode);
        // A link is refused (ELOOP, or ENOTDIR where a folder is asked
        // for), or with O_PATH opened itself.
        char target[PATH_MAX];
        ssize_t n = -1;
        struct stat st {};
        if (fd >= 0 && last && (flags & O_PATH) && ::fstat(fd, &st) == 0 && S_ISLNK(st.st_mode)) {
            n = ::readlinkat(fd, "", target, sizeof target);
            ::close(fd);
            fd = -1;
        } else if (fd < 0 && (errno == ELOOP || errno == ENOTDIR)) {
            const int err = errno;
            n = ::readlinkat(at, name.c_str(), target, sizeof target);
            errno = err; // not a link (any more): the open's answer
        }
        if (fd >= 0 && last) return fd;
        if (fd >= 0) {
            held.push_back(fd);
            if (held.size() <= 40) continue;
            errno = ENAMETOOLONG;
            return -1;
        }
        if (n <= 0) return -1;
        if (noLinks || ++links > 40 || std::size_t(n) == sizeof target) {
            errno = ELOOP;
            return -1;
        }
        if (target[0] == '/') {
            errno = EXDEV;
            return -1;
        }
        walkNext(std::string(target, std::size_t(n)));
    }
}

} // namespace vb
