// The walk that stands in for openat2, against openat2 itself: paths made of
// the names of a small fixed tree, ".", "..", empty names and a trailing
// slash are opened by both with the same flags and the same resolve rules.
// Both must give the same file, or both refuse with the same error. The only
// differences allowed are the walk's own documented ones: it refuses a path
// more than 40 folders deep, and it refuses a magic link with another error
// (no magic link lies beneath the tree, so only the depth shows here); and
// one of openat2's, below.
//
// On a kernel without openat2 there is nothing to compare: the target says
// so once and passes every input.
#include "platform/file_open.h"
#include "platform/link_walk.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <linux/openat2.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Folders nested this deep lie below "n": deeper than the walk goes.
constexpr int kDeepFolders = 44;

void must(bool ok, const char* what) {
    if (!ok) {
        std::perror(what);
        std::abort();
    }
}

void folder(const std::string& path) {
    must(::mkdir(path.c_str(), 0755) == 0, path.c_str());
}
void file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    must(fd >= 0, path.c_str());
    ::close(fd);
}
void link(const std::string& text, const std::string& path) {
    must(::symlink(text.c_str(), path.c_str()) == 0, path.c_str());
}

// The tree, made once under a folder of the process's own; the descriptor of
// its root, or -1 where the kernel has no openat2.
//
//   outside/secret            beside the tree: never reached from it
//   tree/f, tree/d/f, tree/d/e/g
//   tree/n/n/.../n            kDeepFolders folders
//   links in:  l_file -> f, l_dir -> d, l_slash -> d/, l_chain -> l_dir,
//              d/l_up -> ../f, d/e/l_upd -> ../../d, d/l_dot -> .,
//              d/l_root -> .., l_deep -> n/n/n/n/n/n/n/n
//   links out: l_out -> ../outside/secret, l_outdir -> ../outside,
//              l_dotdot -> .., l_abs_in -> <tree>/f (absolute, even inside),
//              l_abs_out -> <outside>/secret
//   loops and dead ends: l_loop -> l_loop, l_a -> l_b -> l_a, l_none -> none
int treeRoot() {
    static const int root = [] {
        char tmpl[] = "/tmp/fuzz_walkXXXXXX";
        must(::mkdtemp(tmpl) != nullptr, "mkdtemp");
        const std::string top = tmpl, tree = top + "/tree", outside = top + "/outside";
        folder(outside);
        file(outside + "/secret");
        folder(tree);
        file(tree + "/f");
        folder(tree + "/d");
        file(tree + "/d/f");
        folder(tree + "/d/e");
        file(tree + "/d/e/g");
        std::string deep = tree;
        for (int i = 0; i < kDeepFolders; ++i)
            folder(deep += "/n");
        link("f", tree + "/l_file");
        link("d", tree + "/l_dir");
        link("d/", tree + "/l_slash");
        link("l_dir", tree + "/l_chain");
        link("../f", tree + "/d/l_up");
        link("../../d", tree + "/d/e/l_upd");
        link(".", tree + "/d/l_dot");
        link("..", tree + "/d/l_root");
        link("n/n/n/n/n/n/n/n", tree + "/l_deep");
        link("../outside/secret", tree + "/l_out");
        link("../outside", tree + "/l_outdir");
        link("..", tree + "/l_dotdot");
        link(tree + "/f", tree + "/l_abs_in");
        link(outside + "/secret", tree + "/l_abs_out");
        link("l_loop", tree + "/l_loop");
        link("l_b", tree + "/l_a");
        link("l_a", tree + "/l_b");
        link("none", tree + "/l_none");
        static const std::string made = top;
        std::atexit([] { std::filesystem::remove_all(made); });
        const int fd = ::open(tree.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        must(fd >= 0, tree.c_str());
        const int probe = vb::openat2Retrying(fd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC, 0, RESOLVE_BENEATH);
        if (probe < 0 && (errno == ENOSYS || errno == EPERM)) {
            std::fprintf(stderr, "fuzz_fallback_walk: this kernel offers no openat2; nothing is compared\n");
            return -1;
        }
        must(probe >= 0, "openat2 on the tree");
        ::close(probe);
        return fd;
    }();
    return root;
}

const char* const kNames[] = {
    "f",      "d",        "e",        "g",        "n",         "none",   ".",     "..",     "",
    "l_file", "l_dir",    "l_slash",  "l_chain",  "l_up",      "l_upd",  "l_dot", "l_root", "l_deep",
    "l_out",  "l_outdir", "l_dotdot", "l_abs_in", "l_abs_out", "l_loop", "l_a",   "l_none", "outside",
};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];

// The open flags of the callers: reads, writes, new files, folders, paths,
// with and without following the last link (no O_TRUNC: the program never
// passes it).
const int kFlags[] = {
    O_RDONLY,
    O_RDONLY | O_NOFOLLOW,
    O_PATH,
    O_PATH | O_NOFOLLOW,
    O_RDONLY | O_DIRECTORY,
    O_PATH | O_DIRECTORY,
    O_PATH | O_DIRECTORY | O_NOFOLLOW,
    O_WRONLY | O_NOFOLLOW,
    O_RDWR,
    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW,
    O_RDWR | O_CREAT | O_EXCL,
};
constexpr std::size_t kFlagCount = sizeof kFlags / sizeof kFlags[0];

// One side's answer. A file it made is removed at once, so that the other
// side opens in the same tree; the name it had stands for it.
struct Answer {
    int fd = -1;
    int error = 0;
    std::string made;
    void set(int opened, int flags) {
        if (fd >= 0) ::close(fd);
        fd = opened;
        error = errno;
        made.clear();
        if (fd < 0 || !(flags & O_CREAT)) return;
        char name[PATH_MAX];
        const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), name, sizeof name - 1);
        must(n > 0, "the name of a file made");
        made.assign(name, std::size_t(n));
        must(::unlink(made.c_str()) == 0, made.c_str());
    }
    ~Answer() {
        if (fd >= 0) ::close(fd);
    }
};

bool sameFile(const Answer& a, const Answer& b) {
    if (!a.made.empty() || !b.made.empty()) return a.made == b.made;
    struct stat sa {
    }, sb{};
    must(::fstat(a.fd, &sa) == 0 && ::fstat(b.fd, &sb) == 0, "fstat");
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

// The first byte: the flags (its value modulo their count, taken from bits
// 0 to 3), no link followed anywhere (bit 4), a trailing slash (bit 5), no
// mount crossed (bit 6; the tree lies on one, so it refuses nothing). Each
// further byte, up to 96, names one component of the path; an empty first
// one makes the path absolute, and no component at all an empty path.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int root = treeRoot();
    if (root < 0 || size == 0) return 0;
    int flags = kFlags[(data[0] & 0x0f) % kFlagCount] | O_CLOEXEC;
    if (!(flags & O_PATH)) flags |= O_NONBLOCK | O_NOCTTY; // as the program's opens add them
    const bool noLinks = data[0] & 0x10;
    std::string rel;
    for (std::size_t i = 1; i < size && i <= 96; ++i)
        rel += std::string(i > 1 ? "/" : "") + kNames[data[i] % kNameCount];
    if (data[0] & 0x20) rel += '/';

    const std::uint64_t resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS |
                                  (noLinks ? RESOLVE_NO_SYMLINKS : 0) |
                                  (data[0] & 0x40 ? RESOLVE_NO_XDEV : 0);
    Answer walk;
    walk.set(vb::openWithoutOpenat2(root, rel, flags, 0600, resolve), flags);
    if (walk.fd < 0 && walk.error == ENAMETOOLONG) return 0; // deeper than the walk goes
    Answer kernel;
    const auto same = [&] {
        return walk.fd >= 0 && kernel.fd >= 0 ? sameFile(walk, kernel)
                                              : walk.fd < 0 && kernel.fd < 0 && walk.error == kernel.error;
    };
    // A rename anywhere on the system while openat2 takes a ".." makes it
    // answer EAGAIN, which may outlast the wrapper's tries on a busy
    // machine; or makes it start again on its slower path, counting the
    // links of the first try a second time, so that after more than 20 links
    // it says ELOOP. Such an answer is asked again.
    for (int tries = 0; tries < 50; ++tries) {
        kernel.set(vb::openat2Retrying(root, rel.c_str(), flags, 0600, resolve), flags);
        if (same() || kernel.fd >= 0 || (kernel.error != EAGAIN && kernel.error != ELOOP)) break;
    }
    if (kernel.fd < 0 && kernel.error == EAGAIN) return 0; // no answer to compare with
    // A ".." above the folder always takes openat2 onto its slower path, so
    // that way out is ELOOP there after more than 20 links; the walk counts
    // each link once and says EXDEV. Both refuse.
    if (walk.fd < 0 && walk.error == EXDEV && kernel.fd < 0 && kernel.error == ELOOP) return 0;
    if (!same()) {
        const auto said = [](const Answer& a) { return a.fd >= 0 ? "a file" : std::strerror(a.error); };
        std::fprintf(
            stderr, "fuzz_fallback_walk: \"%s\", flags %#o, resolve %#llx: the walk gives %s, openat2 %s%s\n",
            rel.c_str(), unsigned(flags), (unsigned long long)resolve, said(walk), said(kernel),
            walk.fd >= 0 && kernel.fd >= 0 ? ", another one" : "");
        std::abort();
    }
    return 0;
}
