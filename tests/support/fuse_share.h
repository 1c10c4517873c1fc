#pragma once
// A share that stops answering: a file system of one empty folder, served by
// this process through /dev/fuse with no library, that answers every
// request until it is dropped and from then on takes each request and
// answers none, as the client of a network share whose server has gone.
//
// It is mounted by a child process, in a mount namespace of the child's
// own, as the child's working folder: the mount goes with the last process
// in that namespace, and nothing of this process ever looks at it, so the
// test cannot hang on it. The connection is aborted when the object goes:
// every request held fails then, and no process stays waiting for it.
#include <atomic>
#include <string>
#include <thread>

namespace testing_support {

class FuseShare {
  public:
    // Opens /dev/fuse and starts serving; whyNot() says why not (not root,
    // no /dev/fuse).
    FuseShare();
    ~FuseShare();
    FuseShare(const FuseShare&) = delete;
    FuseShare& operator=(const FuseShare&) = delete;

    // Empty when the share can be mounted.
    const std::string& whyNot() const { return whyNot_; }

    // In a child made by fork(), before it execs: a mount namespace of its
    // own, the share mounted at folder (an empty folder) and made the
    // working folder. Only async-signal-safe calls. Returns 0, or the errno
    // of the step that failed, its name in *step.
    int mountAsWorkingFolder(const char* folder, const char** step) const;

    // From now on every request is taken and none answered.
    void drop() { dropped_ = true; }
    // The requests taken and left unanswered so far.
    int held() const { return held_; }

    // Stops serving and aborts the connection: every request held or sent
    // later fails. Done by the destructor too.
    void abort();

  private:
    void serve();

    std::string whyNot_;
    int device_ = -1;
    int stop_ = -1; // an eventfd that ends the serving thread
    std::string options_;
    std::atomic<bool> dropped_{false};
    std::atomic<int> held_{0};
    std::thread server_;
};

} // namespace testing_support
