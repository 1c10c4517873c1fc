#include "platform/link_walk.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/openat2.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace vb {
namespace {

// The names of a path, given one at a time, with the text of each link met
// on the way walked in the link's place: the one walk of both resolvers
// below, which differ only in what they stand on (a path, or descriptors).
// Empty names and "." are passed over; ".." is given, for the walker to
// climb as its rule says. A slash at the end of a path or a link's text is
// kept as a mark, so that the name before it is never the last one: it
// must be a folder.
class NameWalk {
  public:
    // The kernel's own limit of links in one resolution.
    static constexpr int kMaxLinks = 40;

    explicit NameWalk(std::string_view path) { push(path); }

    // The next name to walk; false when none is left.
    bool next(std::string& name) {
        while (!ahead_.empty()) {
            name = std::move(ahead_.back());
            ahead_.pop_back();
            if (name != "." && name != kSlash) return true;
        }
        return false;
    }
    // Whether nothing at all follows the name last given.
    bool atEnd() const { return ahead_.empty(); }
    // Whether only the slash at the end follows it.
    bool slashAtEnd() const { return ahead_.size() == 1 && ahead_.back() == kSlash; }
    // Walks text, that of the link met in place of the name last given,
    // from the folder that holds the link. False (ELOOP) for a link more than
    // the limit.
    bool follow(std::string_view text) {
        if (++links_ > kMaxLinks) {
            errno = ELOOP;
            return false;
        }
        push(text);
        return true;
    }

  private:
    static constexpr std::string_view kSlash = "/"; // never a name
    void push(std::string_view path) {
        if (!path.empty() && path.back() == '/') ahead_.emplace_back(kSlash);
        for (std::size_t end = path.size(); end > 0;) {
            const std::size_t slash = path.rfind('/', end - 1);
            const std::size_t at = slash == std::string_view::npos ? 0 : slash + 1;
            if (end > at) ahead_.emplace_back(path.substr(at, end - at));
            end = slash == std::string_view::npos ? 0 : slash;
        }
    }
    std::vector<std::string> ahead_; // the next one last
    int links_ = 0;
};

// The text of the link name in the folder dir (AT_FDCWD: name is a path);
// false, with errno set, when name is no link or its text cannot be read
// whole (ENAMETOOLONG).
bool linkText(int dir, const char* name, std::string& text) {
    text.resize(PATH_MAX);
    const ssize_t n = ::readlinkat(dir, name, text.data(), text.size());
    if (n >= 0 && (n == 0 || std::size_t(n) == text.size())) errno = ENAMETOOLONG;
    if (n <= 0 || std::size_t(n) == text.size()) return false;
    text.resize(std::size_t(n));
    return true;
}

// Where the open fd lies: its device and the mount that holds it. False,
// with errno set, when the mount cannot be told.
struct Place {
    dev_t device = 0;
    std::uint64_t mount = 0;
    bool operator==(const Place&) const = default;
};
bool placeOf(int fd, Place& place) {
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &sx) == 0 &&
        (sx.stx_mask & STATX_MNT_ID)) {
        place = {makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_mnt_id};
        return true;
    }
    // A kernel before 5.8 tells the mount only in the descriptor's entry of
    // /proc.
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    place.device = st.st_dev;
    const std::string entry = "/proc/self/fdinfo/" + std::to_string(fd);
    const int info = ::open(entry.c_str(), O_RDONLY | O_CLOEXEC);
    if (info < 0) return false;
    char text[4096];
    const ssize_t n = ::read(info, text, sizeof text - 1);
    ::close(info);
    errno = EIO; // an entry that tells no mount
    if (n <= 0) return false;
    text[n] = '\0';
    const char* at = std::strstr(text, "\nmnt_id:");
    if (!at) return false;
    char* end = nullptr;
    errno = 0;
    place.mount = std::strtoull(at + 8, &end, 10);
    if (end != at + 8 && errno == 0) return true;
    errno = EIO;
    return false;
}

} // namespace

std::string realPlace(const std::string& path) {
    std::string done; // the real place of what is walked so far; "" is the root
    if (path.empty() || path[0] != '/') {
        std::error_code ec;
        done = std::filesystem::current_path(ec).string(); // has no link in it
        if (ec) {
            errno = ec.value();
            return {};
        }
        if (done == "/") done.clear();
    }
    NameWalk walk(path);
    bool missing = false;
    for (std::string name, text; walk.next(name);) {
        // Above the root of the file system is the root itself.
        if (name == "..") {
            done.resize(done.empty() ? 0 : done.rfind('/'));
            continue;
        }
        std::string next = done + "/" + name;
        struct stat st {};
        if (!missing && ::lstat(next.c_str(), &st) != 0) {
            // Only these say that the name is not there. Any other failure
            // (no memory, a read error, a folder that cannot be searched)
            // says nothing of where the path leads: it is the answer.
            if (errno != ENOENT && errno != ENOTDIR) return {};
            missing = true;
        } else if (!missing && S_ISLNK(st.st_mode)) {
            if (!linkText(AT_FDCWD, next.c_str(), text) || !walk.follow(text)) return {};
            if (text[0] == '/') done.clear();
            continue;
        }
        done = std::move(next);
    }
    return done.empty() ? "/" : done;
}

int openWithoutOpenat2(int root, const std::string& rel, int flags, mode_t mode, std::uint64_t resolve) {
    // Nothing is no name, a path from the file system's root leaves the
    // folder, and the kernel takes no longer path than PATH_MAX holds.
    if (rel.empty() || rel[0] == '/' || rel.size() >= PATH_MAX) {
        errno = rel.empty() ? ENOENT : rel[0] == '/' ? EXDEV : ENAMETOOLONG;
        return -1;
    }
    const bool noLinks = resolve & RESOLVE_NO_SYMLINKS;
    // Where RESOLVE_NO_XDEV, each name opened is kept only on root's device
    // and mount: one that crosses a mount point, bind mounts on the same
    // device included, lies on another file system or in another folder.
    const bool sameMount = resolve & RESOLVE_NO_XDEV;
    Place rootPlace;
    const auto mountNotTold = [] {
        if (errno != EMFILE && errno != ENFILE && errno != ENOMEM) errno = EXDEV;
        return -1;
    };
    if (sameMount && !placeOf(root, rootPlace)) return mountNotTold();
    const auto onRootsMount = [&](int fd) {
        if (fd < 0 || !sameMount) return fd;
        Place place;
        const bool told = placeOf(fd, place);
        if (told && place == rootPlace) return fd;
        const int err = errno;
        ::close(fd);
        errno = told ? EXDEV : err;
        return told ? -1 : mountNotTold();
    };
    struct Held : std::vector<int> {
        ~Held() {
            for (int fd : *this)
                ::close(fd);
        }
    } held; // the folders walked through below root, the current one last
    NameWalk walk(rel);
    for (std::string name, text;;) {
        const int at = held.empty() ? root : held.back();
        if (!walk.next(name)) return ::openat(at, ".", flags, mode);
        // Above root is outside.
        if (name == "..") {
            if (held.empty()) {
                errno = EXDEV;
                return -1;
            }
            ::close(held.back());
            held.pop_back();
            continue;
        }
        // A new file is never a folder: a slash after its name refuses it,
        // whether the name is there or not.
        if ((flags & O_CREAT) && walk.slashAtEnd()) {
            errno = EISDIR;
            return -1;
        }
        const bool last = walk.atEnd();
        // The last name as the caller asks for it: a link there that is
        // not to be followed gives what the open gives.
        if (last && (flags & O_NOFOLLOW)) return onRootsMount(::openat(at, name.c_str(), flags, mode));
        int fd = onRootsMount(
            ::openat(at, name.c_str(),
                     last ? flags | O_NOFOLLOW : O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, mode));
        // A link is refused (ELOOP, or ENOTDIR where a folder is asked
        // for), or with O_PATH opened itself.
        bool link = false;
        struct stat st {};
        if (fd >= 0 && last && (flags & O_PATH) && ::fstat(fd, &st) == 0 && S_ISLNK(st.st_mode)) {
            link = linkText(fd, "", text);
            ::close(fd);
            fd = -1;
        } else if (fd < 0 && (errno == ELOOP || errno == ENOTDIR)) {
            const int err = errno;
            link = linkText(at, name.c_str(), text);
            errno = err; // not a link (any more): the open's answer
        }
        if (fd >= 0 && last) return fd;
        if (fd >= 0) {
            held.push_back(fd);
            if (held.size() <= 40) continue;
            errno = ENAMETOOLONG;
            return -1;
        }
        if (!link) return -1;
        if (noLinks) {
            errno = ELOOP;
            return -1;
        }
        if (text[0] == '/') {
            errno = EXDEV;
            return -1;
        }
        if (!walk.follow(text)) return -1;
    }
}

} // namespace vb
