#pragma once
// Every system call that names a file, a folder or a socket, made by a
// program from its exec to its end, on each of its threads and in each of
// its child processes. A seccomp filter installed before the exec hands
// each such call to the recording process, which reads the name and the
// folder it is looked up from while the call waits, then lets it go on
// unchanged. Nothing in the recorded program can avoid the filter or see
// it: threads and children inherit it, and it answers no call itself.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

struct NamedCall {
    pid_t thread = 0;
    std::string threadName; // as the kernel names the thread (comm)
    std::string call;       // the system call: "openat", "newfstatat", "getdents64", ...
    // The name as given; empty for a call on a descriptor alone (getdents64,
    // fchdir, an empty name with AT_EMPTY_PATH).
    std::string name;
    // The folder the name is looked up from, as the kernel names it: the
    // thread's working folder, the descriptor's folder, or "/" for a name
    // that starts with a slash. For a call on a descriptor, what it names.
    std::string from;
    // The name starts with a link under /proc to a working folder or a
    // descriptor ("/proc/self/cwd"): from is where it leads, and rest the
    // part of the name looked up from there.
    bool through = false;
    std::string rest;
    // The working folder took part: a relative name looked up from the
    // thread's working folder (AT_FDCWD, or a call that takes no folder),
    // or a name below /proc/self/cwd.
    bool fromWorkingFolder = false;
    // The flags of an open (O_PATH, O_CREAT, ...); 0 for other calls.
    std::uint64_t openFlags = 0;
    // How many threads the process had as it made a change of working
    // folder (chdir, fchdir); 0 for other calls.
    int threads = 0;
    // from and name joined, with "." and ".." taken lexically.
    std::string path() const;
    // One line for a report: thread, call, name and where it was looked up.
    std::string describe() const;
};

struct Recording {
    int status = -1;     // exit status; -1 when killed or never started
    int signal = 0;      // the signal that killed it; 0 when it exited
    bool dumped = false; // it wrote a core file as it was killed
    std::string said;    // standard output and error, together
    std::string error;   // why nothing could be recorded; empty when it was
    std::vector<NamedCall> calls;
};

// Called with each recorded call while the call waits; the call goes on
// once the time it returns has passed, other calls going on meanwhile.
using AtCall = std::function<std::chrono::milliseconds(const NamedCall&)>;

// Runs argv (the program by its absolute name) with the environment env in
// the working folder work, recording every call above until the program and
// all its children have ended. It is killed after giveUp.
Recording recordNamedCalls(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           const std::string& work, std::chrono::seconds giveUp, const AtCall& atCall = {});

// Whether path is folder or lies below it, compared lexically.
bool isInside(const std::string& path, const std::string& folder);

} // namespace testing_support
