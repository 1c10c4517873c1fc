#include "platform/leftovers.h"

#include "platform/file_open.h"
#include "platform/program_folder.h"
#include "platform/temporary_names.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <mutex>
#include <pthread.h>
#include <sched.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace vb {

namespace {

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
    // A walk's rest, which the end cuts short. A mutex of its own, taken by
    // the walks at every rest: a child made by fork() at such a moment
    // never needs it.
    std::mutex resting;
    std::condition_variable ended;
};
LeftoverRemovals& leftoverRemovals() {
    static auto* r = new LeftoverRemovals;
    return *r;
}

// Set when the process ends: a walk still running stops at its next name,
// so that the end waits for no more than one folder entry, and a walk that
// rests wakes at once.
std::atomic<bool> g_leftoverWalksEnding{false};

bool ending() {
    return g_leftoverWalksEnding.load(std::memory_order_relaxed);
}

// Rests for the time given, or until the process ends.
void rest(std::chrono::steady_clock::duration time) {
    LeftoverRemovals& r = leftoverRemovals();
    std::unique_lock<std::mutex> lock(r.resting);
    r.ended.wait_for(lock, time, [] { return ending(); });
}

// The last descriptors, which the walk leaves to the rest of the program.
constexpr rlim_t kLeftToTheProgram = 8;

// One walk of a program folder. It keeps few descriptors open: its folders
// on the way down (at most kDeepestFolder + 1), one more for a moment, and
// a few files at a time. Descriptors are given lowest first, so one
// numbered among the last the process may have means the program has few
// left: the walk then stops, as when the system has none or no memory to
// give, and the next start removes the rest.
class Walk {
  public:
    Walk() {
        rlimit files{};
        limit_ = ::getrlimit(RLIMIT_NOFILE, &files) == 0 ? files.rlim_cur : RLIM_INFINITY;
    }
    // Starts at the open program folder root. False when the walk cannot
    // keep its rules there: it then removes nothing.
    bool start(int root) {
        root_ = root;
        struct stat st {};
        if (::fstat(root, &st) != 0) return false;
        device_ = st.st_dev;
        return true;
    }
    int root() const { return root_; }
    dev_t device() const { return device_; }
    // Whether the walk is to stop: the process ends, or it is short of
    // descriptors or memory.
    bool mustStop() const { return outOfDescriptorsOrMemory_ || ending(); }

    // What an open of the walk gave: fd, or -1 when it failed or the program
    // would be left short of descriptors (mustStop() then holds; fd is
    // closed).
    int admit(int fd) {
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOMEM) outOfDescriptorsOrMemory_ = true;
            return -1;
        }
        if (limit_ != RLIM_INFINITY && rlim_t(fd) + kLeftToTheProgram >= limit_) {
            ::close(fd);
            outOfDescriptorsOrMemory_ = true;
            return -1;
        }
        return fd;
    }
    // Opens path, names the walk found joined by '/', beneath the open
    // folder dir without following a link on the way or at its end and
    // without crossing a mount point, bind mounts included: what lies there
    // belongs to another file system or another folder, whatever its device
    // number says. -1 as admit says, and when that cannot be assured.
    int open(int dir, const std::string& path, int flags) {
        return admit(
            openBeneath(dir, path, flags | O_NOFOLLOW | O_CLOEXEC, 0, RESOLVE_NO_SYMLINKS | RESOLVE_NO_XDEV));
    }
    // fdopendir(dir), which takes dir; null (dir closed) on failure.
    DIR* listFolder(int dir) {
        DIR* d = ::fdopendir(dir);
        if (!d) {
            if (errno == ENOMEM) outOfDescriptorsOrMemory_ = true;
            ::close(dir);
        }
        return d;
    }

  private:
    int root_ = -1;
    dev_t device_ = 0;
    rlim_t limit_;
    bool outOfDescriptorsOrMemory_ = false;
};

// Waits until no program is making a file in the open folder dir: until
// the walk can take the folder exclusively, which it lets go at once. A
// running program locks each of its own temporary files (TemporaryFile, the
// part file of FileCopy) just after it makes it, and holds the file's folder
// shared from before the file exists until then, so every file that existed
// before this wait is either locked by a running program or free to go. A
// second without the folder means a program stopped while it made a file:
// the folder is left for the next start.
// The one gap: a program makes a file without the folder's cover where
// another process kept the folder taken for a whole wait of that program
// (temporary_files.cpp), and, until the program has the folder again,
// wherever the folder is taken at the moment the file is made, since the
// program then no longer waits for it. A removal in the moment before such a
// file's lock could take it, and the program then finds its file gone.
bool waitForFilesMade(int dir) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::flock(dir, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || ending() || std::chrono::steady_clock::now() >= giveUp) return false;
        const timespec wait{0, 200000};
        ::nanosleep(&wait, nullptr);
    }
    ::flock(dir, LOCK_UN);
    return true;
}

// Whether the open folder dir is still the folder at relative beneath the
// program folder: one moved elsewhere while the walk runs is no longer the
// program's, whatever its names.
bool stillInPlace(Walk& walk, int dir, const std::string& relative) {
    if (relative.empty()) return true;
    const int now = walk.open(walk.root(), relative, O_PATH | O_DIRECTORY);
    if (now < 0) return false;
    struct stat there {};
    struct stat walked {};
    const bool same = ::fstat(now, &there) == 0 && ::fstat(dir, &walked) == 0 &&
                      there.st_dev == walked.st_dev && there.st_ino == walked.st_ino;
    ::close(now);
    return same;
}

// The names removed after one look at their folder's place.
constexpr size_t kNamesAtOnce = 4;

// Removes the files named of the open folder dir, at relative beneath the
// program folder, that no program holds, a few at a time with a rest as
// long as they took (a wait for the folder is no work): half of one
// processor at most. The folder is never held while files go, so a program
// making a file there never waits for them.
void removeUnused(Walk& walk, int dir, const std::string& relative, const std::vector<std::string>& names) {
    struct Candidate {
        const std::string* name;
        int fd;
        struct stat opened;
    };
    std::vector<Candidate> batch;
    const auto closeBatch = [&batch] {
        for (const Candidate& c : batch)
            ::close(c.fd);
        batch.clear();
    };
    using Clock = std::chrono::steady_clock;
    for (size_t next = 0; next < names.size() && !walk.mustStop();) {
        const Clock::time_point began = Clock::now();
        // For writing: a file this program could not write is not its own.
        for (; next < names.size() && batch.size() < kNamesAtOnce && !walk.mustStop(); ++next) {
            Candidate c{&names[next], walk.open(dir, names[next], O_RDWR | O_NONBLOCK | O_NOCTTY), {}};
            if (c.fd < 0) continue;
            if (::fstat(c.fd, &c.opened) == 0 && S_ISREG(c.opened.st_mode))
                batch.push_back(c);
            else
                ::close(c.fd);
        }
        // Short of descriptors: what it holds goes back to the program.
        if (walk.mustStop()) break;
        // Only files opened before this wait are tried: each is past its
        // making.
        const Clock::time_point waitBegan = Clock::now();
        const bool madeAll = waitForFilesMade(dir);
        const Clock::duration waited = Clock::now() - waitBegan;
        const bool goOn = madeAll && stillInPlace(walk, dir, relative);
        for (size_t i = 0; goOn && i < batch.size() && !walk.mustStop(); ++i) {
            // Unlocked, and still the file that was opened.
            struct stat named {};
            if (::flock(batch[i].fd, LOCK_EX | LOCK_NB) == 0 &&
                ::fstatat(dir, batch[i].name->c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                named.st_dev == batch[i].opened.st_dev && named.st_ino == batch[i].opened.st_ino)
                ::unlinkat(dir, batch[i].name->c_str(), 0);
        }
        closeBatch();
        if (!goOn) return;
        rest(Clock::now() - began - waited);
    }
    closeBatch();
}

// Data files lie at most three folders below the program folder, and the
// temporary files beside them or higher up: the walk goes no deeper, so that
// a program folder placed high in a large tree costs no more.
constexpr int kDeepestFolder = 3;

// Walks the open folder dir (closed when done), at relative beneath the
// program folder and depth levels below it, on the device of the program
// folder (a file system's own subvolumes included). What goes is named in
// temporary_names.h.
void removeLeftoversIn(Walk& walk, int dir, const std::string& relative, int depth) {
    DIR* d = walk.listFolder(dir);
    if (!d) return;
    const bool programFolder = relative.empty(), diagrams = isDiagramFolder(relative);
    std::vector<std::string> found;
    // Part files, and the files that may be the recovery copies beside
    // which part files are this program's: told once the folder is listed.
    std::vector<std::string> parts, recoveries;
    while (const dirent* e = ::readdir(d)) {
        if (walk.mustStop()) break;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_REG) {
            if ((programFolder && isDecodedCopyName(name)) || (diagrams && isPrintBitmapName(name)))
                found.push_back(name);
            else if (!partFileTarget(name).empty())
                parts.push_back(name);
            else if (endsAsRecoveryCopy(name))
                recoveries.push_back(name);
        }
        if (type != DT_DIR || depth >= kDeepestFolder) continue;
        const int sub = walk.open(dir, name, O_RDONLY | O_DIRECTORY);
        if (sub < 0) continue;
        struct stat st {};
        if (::fstat(sub, &st) != 0 || st.st_dev != walk.device()) {
            ::close(sub);
            continue;
        }
        removeLeftoversIn(walk, sub, programFolder ? name : relative + "/" + name, depth + 1);
    }
    // A part file beside the data file it was to replace, which has its
    // recovery copy beside it too.
    for (std::string& part : parts) {
        const std::string data(partFileTarget(part));
        struct stat st {};
        if (::fstatat(dir, data.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            std::any_of(recoveries.begin(), recoveries.end(),
                        [&data](const std::string& r) { return isRecoveryCopyOf(r, data); }))
            found.push_back(std::move(part));
    }
    if (!found.empty() && !walk.mustStop()) removeUnused(walk, dir, relative, found);
    ::closedir(d);
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
    if (!ours.empty()) {
        // Taken once the flag is set, so that a walk about to rest sees it.
        { const std::lock_guard<std::mutex> lock(r.resting); }
        r.ended.notify_all();
    }
    for (std::thread& thread : ours)
        if (thread.get_id() == std::this_thread::get_id())
            thread.detach();
        else
            thread.join();
}

} // namespace

void removeLeftoverTemporaries(const std::string& folder) {
    Walk walk;
    // For reading, as a listing needs: the walk's first folder, which it
    // closes when done.
    const int root = walk.admit(openInProgramFolder(folder, O_RDONLY | O_DIRECTORY));
    if (root < 0) return;
    if (!walk.start(root)) {
        ::close(root);
        return;
    }
    removeLeftoversIn(walk, root, "", 0);
}

void startRemovingLeftoverTemporaries() {
    // Files go only from a folder proven to be the program's own: one that
    // merely has its name (the executable replaced or removed since the
    // start) may be anyone's.
    if (!programFolderIsOwn()) return;
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
            // Behind everything the program does for the user, as batch
            // work that never takes the processor from another thread as it
            // wakes, and resting as long as it works (removeUnused). Not of
            // a lower priority: such a thread waiting for the processor in
            // the middle of removing a file holds the folder's lock in the
            // system, and every file the program makes there waits with it.
            const sched_param batch{};
            ::pthread_setschedparam(::pthread_self(), SCHED_BATCH, &batch);
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
