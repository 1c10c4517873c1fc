#include "support/fuse_share.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fuse.h>
#include <poll.h>
#include <sched.h>
#include <sys/eventfd.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace testing_support {
namespace {

// Answers one request: its header, then body (none for a bare error).
void answer(int device, const fuse_in_header& in, int error, const void* body = nullptr, size_t size = 0) {
    fuse_out_header out{};
    out.len = std::uint32_t(sizeof out + size);
    out.error = -error;
    out.unique = in.unique;
    iovec parts[2] = {{&out, sizeof out}, {const_cast<void*>(body), size}};
    // A request interrupted meanwhile is no longer awaited: its answer fails
    // with ENOENT, which changes nothing.
    (void)!::writev(device, parts, body ? 2 : 1);
}

} // namespace

FuseShare::FuseShare() {
    if (::geteuid() != 0) {
        whyNot_ = "mounting a FUSE file system needs root";
        return;
    }
    device_ = ::open("/dev/fuse", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (device_ < 0) {
        whyNot_ = std::string("/dev/fuse cannot be opened: ") + std::strerror(errno);
        return;
    }
    stop_ = ::eventfd(0, EFD_CLOEXEC);
    if (stop_ < 0) {
        whyNot_ = std::string("no eventfd: ") + std::strerror(errno);
        return;
    }
    // No default_permissions: the kernel asks the share (FUSE_ACCESS)
    // whether a folder may be entered, as a network share asks its server.
    options_ = "fd=" + std::to_string(device_) + ",rootmode=40000,user_id=0,group_id=0";
    server_ = std::thread([this] { serve(); });
}

FuseShare::~FuseShare() {
    abort();
    if (stop_ >= 0) ::close(stop_);
}

int FuseShare::mountAsWorkingFolder(const char* folder, const char** step) const {
    // The namespace's mounts private, so that the share's mount stays in it
    // and goes with it.
    *step = "unshare";
    if (::unshare(CLONE_NEWNS) != 0) return errno;
    *step = "mount --make-rprivate /";
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return errno;
    *step = "mount";
    if (::mount("catalogue-test", folder, "fuse", MS_NOSUID | MS_NODEV, options_.c_str()) != 0) return errno;
    // The mount holds the connection; a descriptor of the device kept here
    // would keep it from being aborted.
    ::close(device_);
    *step = "chdir";
    if (::chdir(folder) != 0) return errno;
    return 0;
}

void FuseShare::abort() {
    if (server_.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(stop_, &one, sizeof one);
        server_.join();
    }
    // The last descriptor of the device aborts the connection.
    if (device_ >= 0) ::close(device_);
    device_ = -1;
}

void FuseShare::serve() {
    // Larger than any request the kernel sends with the max_write given.
    std::vector<char> buffer(1 << 17);
    // Until the share is mounted the device reads as an error (EPERM): it is
    // read again after a while.
    int wait = -1;
    for (;;) {
        pollfd ready[2] = {{device_, POLLIN, 0}, {stop_, POLLIN, 0}};
        if (::poll(ready + (wait < 0 ? 0 : 1), wait < 0 ? 2 : 1, wait) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (ready[1].revents) return;
        wait = -1;
        const ssize_t n = ::read(device_, buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EPERM) wait = 10;
            // A request withdrawn before it was read (EAGAIN, ENOENT), or a
            // signal: the next one comes. The connection gone: nothing does.
            if (errno == EPERM || errno == EAGAIN || errno == EINTR || errno == ENOENT) continue;
            return;
        }
        if (size_t(n) < sizeof(fuse_in_header)) continue;
        fuse_in_header in;
        std::memcpy(&in, buffer.data(), sizeof in);
        const char* body = buffer.data() + sizeof in;
        // Requests that take no answer.
        if (in.opcode == FUSE_FORGET || in.opcode == FUSE_BATCH_FORGET || in.opcode == FUSE_INTERRUPT) continue;
        if (dropped_ && in.opcode != FUSE_INIT) {
            ++held_;
            continue;
        }
        switch (in.opcode) {
        case FUSE_INIT: {
            fuse_init_in asked;
            std::memcpy(&asked, body, std::min(sizeof asked, size_t(n) - sizeof in));
            fuse_init_out init{};
            init.major = FUSE_KERNEL_VERSION;
            init.minor = std::min<std::uint32_t>(asked.minor, FUSE_KERNEL_MINOR_VERSION);
            init.max_readahead = asked.max_readahead;
            init.max_background = 16;
            init.congestion_threshold = 12;
            init.max_write = 4096;
            init.time_gran = 1;
            answer(device_, in, 0, &init, sizeof init);
            break;
        }
        case FUSE_GETATTR: {
            // The root, the only node there is: an empty folder of root's.
            fuse_attr_out attr{};
            attr.attr_valid = 3600;
            attr.attr.ino = FUSE_ROOT_ID;
            attr.attr.mode = S_IFDIR | 0755;
            attr.attr.nlink = 2;
            attr.attr.blksize = 4096;
            answer(device_, in, 0, &attr, sizeof attr);
            break;
        }
        case FUSE_ACCESS:
            answer(device_, in, 0);
            break;
        case FUSE_LOOKUP:
            answer(device_, in, ENOENT);
            break;
        default:
            answer(device_, in, ENOSYS);
        }
    }
}

} // namespace testing_support
