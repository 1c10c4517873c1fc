#include "platform/link_walk.h"

#include <QTemporaryDir>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <linux/openat2.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What an open answered: the path of the file it gave, or the error's name.
std::string answerOf(int fd) {
    if (fd < 0) return std::string("error ") + strerrorname_np(errno);
    char path[PATH_MAX];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
    ::close(fd);
    return n > 0 ? std::string(path, std::size_t(n)) : "unnamed";
}

int openWithOpenat2(int root, const std::string& rel, int flags, bool noLinks) {
    open_how how{};
    how.flags = std::uint64_t(flags);
    how.mode = (flags & O_CREAT) ? 0600 : 0;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS | (noLinks ? RESOLVE_NO_SYMLINKS : 0);
    long fd;
    do
        fd = ::syscall(SYS_openat2, root, rel.c_str(), &how, sizeof how);
    while (fd < 0 && (errno == EINTR || errno == EAGAIN));
    return int(fd);
}

bool haveOpenat2() {
    return openWithOpenat2(AT_FDCWD, ".", O_PATH, false) >= 0 || (errno != ENOSYS && errno != EPERM);
}

std::size_t openDescriptors() {
    return std::size_t(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

struct Way {
    const char* name;
    int flags;
    bool noLinks;
};

// The ways the program opens: a read follows links, a change follows none.
const std::vector<Way> kWays = {
    {"read", O_RDONLY, false},
    {"read, no link", O_RDONLY | O_NOFOLLOW, true},
    {"write, no link", O_WRONLY | O_NOFOLLOW, true},
    {"new file", O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, true},
    {"place", O_PATH, false},
    {"place of the name", O_PATH | O_NOFOLLOW, false},
    {"place, no link", O_PATH | O_NOFOLLOW, true},
    {"folder", O_PATH | O_DIRECTORY, false},
    {"folder to change", O_RDONLY | O_DIRECTORY | O_NOFOLLOW, true},
};

// Opens rel beneath root both ways; removes a file that the open made.
std::pair<std::string, std::string> bothWays(int root, const std::string& rel, const Way& way) {
    const int flags = way.flags | O_CLOEXEC | ((way.flags & O_PATH) ? 0 : O_NONBLOCK | O_NOCTTY);
    std::pair<std::string, std::string> answers;
    for (const bool kernel : {false, true}) {
        const int fd =
            kernel ? openWithOpenat2(root, rel, flags, way.noLinks)
                   : vb::openWithoutOpenat2(root, rel, flags, 0600, way.noLinks ? RESOLVE_NO_SYMLINKS : 0);
        std::string& answer = kernel ? answers.second : answers.first;
        answer = answerOf(fd);
        if (fd >= 0 && (flags & O_EXCL)) ::unlink(answer.c_str()); // made by this open, O_EXCL says
    }
    return answers;
}

} // namespace

// The walk without openat2 answers every path as openat2 does with the same
// resolve flags: the same file, or the same refusal. The tree lies in a
// folder that holds a file of the same name as one inside it, so that a ".."
// above the root taken as the root, or as its parent, opens a file where
// openat2 refuses. Where openat2 opens, the place by name (realPlace) is
// that file too.
TEST(LinkWalk, WithoutOpenat2AnswersAsOpenat2) {
    if (!haveOpenat2()) GTEST_SKIP() << "no openat2 here to compare with";
    QTemporaryDir tmp;
    const std::string top = fs::canonical(tmp.path().toStdString()).string();
    const std::string rootPath = top + "/root";
    const auto put = [](const std::string& path, const char* text) { std::ofstream(path) << text; };
    fs::create_directories(rootPath + "/d/e");
    put(top + "/file", "outside");
    put(top + "/other", "outside");
    put(rootPath + "/file", "inside");
    put(rootPath + "/d/f", "f");
    put(rootPath + "/d/e/g", "g");
    const std::vector<std::pair<const char*, std::string>> links = {
        {"d/up", ".."},
        {"d/upfile", "../file"},
        {"d/out", "../../other"},
        {"d/e/top", "../.."},
        {"abs", rootPath + "/file"},
        {"absout", top + "/other"},
        {"ld", "d"},
        {"ldslash", "d/"},
        {"lf", "file"},
        {"lfslash", "file/"},
        {"lldot", "ld/."},
        {"dangling", "nothing"},
        {"danglingd", "d/nothing"},
        {"out", ".."},
        {"outfile", "../file"},
        {"loop1", "loop2"},
        {"loop2", "loop1"},
        {"self", "self"},
    };
    for (const auto& [name, target] : links)
        fs::create_symlink(target, rootPath + "/" + name);
    // A chain of 40 links (c1 to c40) is followed, one of 41 (c0) is not.
    for (int i = 0; i <= 40; ++i)
        fs::create_symlink(i == 40 ? "file" : "c" + std::to_string(i + 1),
                           rootPath + "/c" + std::to_string(i));
    const int root = ::open(rootPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(root, 0);

    // clang-format off
    std::vector<std::string> paths = {
        "", ".", "./", "/", "//", "file", "./file", "file/", "file/.", "file/..", // the root, a file
        "d", "d/", "d/.", "d/..", "d/../file", "d//f", "d/./f", "d/f/", "d/e/g",  // folders
        "d/e/../f", "d/e/g/..", "d/e/../../file", "missing/..", "missing/../file",
        "..", "../", "../file", "../root/file", "d/../..", "d/../../file", "/file", // above the root
        "d/e/../../../root/file",
        "d/up", "d/up/file", "d/up/d/up/d/f", "d/upfile", "d/e/top/file", "d/e/top/..", // links inside
        "d/e/top/../file", "ld", "ld/", "ld/f", "ld/..", "ld/../file", "ld/up/lf", "ldslash",
        "ldslash/f", "lf", "lf/", "lfslash", "lldot", "lldot/f", "c1", "d/up/c1",
        "d/out", "abs", "absout", "out", "out/", "out/file", "outfile", // links out, absolute
        "dangling", "dangling/", "danglingd", "loop1", "loop1/", "self", "c0", // leading nowhere
        "new", "new/", "d/new", "missing/new", "../new", "ld/new", "d/up/../new"}; // to make
    // clang-format on
    paths.push_back(rootPath + "/file");
    // The longest path the kernel takes, and one longer.
    for (const int size : {PATH_MAX - 1, PATH_MAX})
        paths.push_back("d" + std::string(std::size_t(size) - 2, '/') + "f");
    const std::size_t held = openDescriptors();
    for (const Way& way : kWays)
        for (const std::string& rel : paths) {
            const auto [fallback, kernel] = bothWays(root, rel, way);
            const std::string shown = rel.size() < 80 ? rel : rel.substr(0, 10) + "...";
            EXPECT_EQ(fallback, kernel) << "\"" << shown << "\" (" << rel.size() << "), " << way.name;
            if (kernel.rfind('/', 0) == 0 && !(way.flags & (O_NOFOLLOW | O_CREAT))) {
                EXPECT_EQ(vb::realPlace(rootPath + "/" + rel), kernel) << "\"" << shown << "\"";
            }
        }
    EXPECT_EQ(openDescriptors(), held);

    // The one limit of the walk that openat2 has not: 40 folders deep.
    std::string deep;
    for (int i = 0; i < 40; ++i)
        deep += "n/";
    fs::create_directories(rootPath + "/" + deep + "n");
    put(rootPath + "/" + deep + "file", "40 deep");
    put(rootPath + "/" + deep + "n/file", "41 deep");
    const Way read = kWays.front();
    EXPECT_EQ(bothWays(root, deep + "file", read),
              std::pair(rootPath + "/" + deep + "file", rootPath + "/" + deep + "file"));
    EXPECT_EQ(bothWays(root, "n/../" + deep + "file", read).first, rootPath + "/" + deep + "file");
    EXPECT_EQ(bothWays(root, deep + "n/file", read).first, "error ENAMETOOLONG");
    EXPECT_EQ(bothWays(root, deep + "n/../file", read).first, "error ENAMETOOLONG");
    ::close(root);

    // Magic links: the walk reads their text like any link's, which leads
    // out or nowhere, and refuses them, though not with openat2's ELOOP; the
    // name itself, asked for as it is, both give.
    const int proc = ::open("/proc/self", O_PATH | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(proc, 0);
    const std::string fd = "fd/" + std::to_string(proc);
    for (const std::string& rel : {std::string("cwd"), std::string("cwd/"), std::string("exe"), fd, fd + "/"})
        for (const Way& way : kWays) {
            const auto [fallback, kernel] = bothWays(proc, rel, way);
            if (kernel == "error ELOOP")
                EXPECT_EQ(fallback.rfind("error ", 0), 0u) << "\"" << rel << "\", " << way.name;
            else
                EXPECT_EQ(fallback, kernel) << "\"" << rel << "\", " << way.name;
        }
    ::close(proc);
}
