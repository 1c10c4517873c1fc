#include "platform/leftovers.h"

#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
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

namespace vb {

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

// Takes the open folder dir exclusively. A program making a file there
// holds it for a moment, so the walk waits for it; a second without it
// means a program stopped while it made a file, and the folder is left for
// the next start.
bool holdFolder(int dir) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::flock(dir, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || g_leftoverWalksEnding.load(std::memory_order_relaxed) ||
            std::chrono::steady_clock::now() >= giveUp)
            return false;
        const timespec wait{0, 200000};
        ::nanosleep(&wait, nullptr);
    }
    return true;
}

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
    if (!found.empty() && holdFolder(dir)) {
        for (const std::string& name : found) {
            if (g_leftoverWalksEnding.load(std::memory_order_relaxed)) break;
            removeWhenUnused(dir, name.c_str());
        }
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
    const std::string folder = programFolderOnDisk();
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

} // namespace vb
