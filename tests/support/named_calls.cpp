#include "support/named_calls.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

namespace {

#if defined(__x86_64__)
constexpr std::uint32_t kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
constexpr std::uint32_t kArch = AUDIT_ARCH_AARCH64;
#else
#error "the recorder knows the system calls of x86-64 and AArch64 alone"
#endif
// Calls that the C library's headers may not know yet; their numbers are
// the same on every architecture.
constexpr long kFchmodat2 = 452, kSetxattrat = 463, kGetxattrat = 464, kListxattrat = 465,
               kRemovexattrat = 466, kOpenTreeAttr = 467, kFileGetattr = 468, kFileSetattr = 469;

enum class Kind {
    names,      // one or two names, each with the folder it is looked up from
    descriptor, // a descriptor alone (argument 0): what it names
    socket,     // a socket address (arguments 1 and 2): an AF_UNIX name
};

// Argument numbers of one name: the descriptor of its folder (-1: the
// working folder, for the calls that take no folder) and the name.
struct Lookup {
    int folder = -1;
    int name = -1;
};

struct Rule {
    long nr;
    const char* call;
    Kind kind;
    Lookup first{};
    Lookup second{};
};

constexpr Lookup cwd(int name) {
    return {-1, name};
}
constexpr Lookup at(int folder, int name) {
    return {folder, name};
}

const std::vector<Rule>& rules() {
    static const std::vector<Rule> all = {
#ifdef SYS_open
        {SYS_open, "open", Kind::names, cwd(0)},
        {SYS_creat, "creat", Kind::names, cwd(0)},
        {SYS_stat, "stat", Kind::names, cwd(0)},
        {SYS_lstat, "lstat", Kind::names, cwd(0)},
        {SYS_access, "access", Kind::names, cwd(0)},
        {SYS_readlink, "readlink", Kind::names, cwd(0)},
        {SYS_mkdir, "mkdir", Kind::names, cwd(0)},
        {SYS_rmdir, "rmdir", Kind::names, cwd(0)},
        {SYS_unlink, "unlink", Kind::names, cwd(0)},
        {SYS_rename, "rename", Kind::names, cwd(0), cwd(1)},
        {SYS_link, "link", Kind::names, cwd(0), cwd(1)},
        {SYS_symlink, "symlink", Kind::names, cwd(1)},
        {SYS_chmod, "chmod", Kind::names, cwd(0)},
        {SYS_chown, "chown", Kind::names, cwd(0)},
        {SYS_lchown, "lchown", Kind::names, cwd(0)},
        {SYS_utime, "utime", Kind::names, cwd(0)},
        {SYS_utimes, "utimes", Kind::names, cwd(0)},
        {SYS_mknod, "mknod", Kind::names, cwd(0)},
        {SYS_futimesat, "futimesat", Kind::names, at(0, 1)},
        {SYS_getdents, "getdents", Kind::descriptor},
        {SYS_uselib, "uselib", Kind::names, cwd(0)},
#endif
        {SYS_chdir, "chdir", Kind::names, cwd(0)},
        {SYS_fchdir, "fchdir", Kind::descriptor},
        {SYS_chroot, "chroot", Kind::names, cwd(0)},
        {SYS_truncate, "truncate", Kind::names, cwd(0)},
        {SYS_statfs, "statfs", Kind::names, cwd(0)},
        {SYS_getxattr, "getxattr", Kind::names, cwd(0)},
        {SYS_lgetxattr, "lgetxattr", Kind::names, cwd(0)},
        {SYS_setxattr, "setxattr", Kind::names, cwd(0)},
        {SYS_lsetxattr, "lsetxattr", Kind::names, cwd(0)},
        {SYS_listxattr, "listxattr", Kind::names, cwd(0)},
        {SYS_llistxattr, "llistxattr", Kind::names, cwd(0)},
        {SYS_removexattr, "removexattr", Kind::names, cwd(0)},
        {SYS_lremovexattr, "lremovexattr", Kind::names, cwd(0)},
        {SYS_inotify_add_watch, "inotify_add_watch", Kind::names, cwd(1)},
        {SYS_execve, "execve", Kind::names, cwd(0)},
        {SYS_acct, "acct", Kind::names, cwd(0)},
        {SYS_openat, "openat", Kind::names, at(0, 1)},
        {SYS_openat2, "openat2", Kind::names, at(0, 1)},
        {SYS_newfstatat, "newfstatat", Kind::names, at(0, 1)},
        {SYS_statx, "statx", Kind::names, at(0, 1)},
        {SYS_faccessat, "faccessat", Kind::names, at(0, 1)},
        {SYS_faccessat2, "faccessat2", Kind::names, at(0, 1)},
        {SYS_readlinkat, "readlinkat", Kind::names, at(0, 1)},
        {SYS_mkdirat, "mkdirat", Kind::names, at(0, 1)},
        {SYS_mknodat, "mknodat", Kind::names, at(0, 1)},
        {SYS_unlinkat, "unlinkat", Kind::names, at(0, 1)},
#ifdef SYS_renameat
        {SYS_renameat, "renameat", Kind::names, at(0, 1), at(2, 3)},
#endif
        {SYS_renameat2, "renameat2", Kind::names, at(0, 1), at(2, 3)},
        {SYS_linkat, "linkat", Kind::names, at(0, 1), at(2, 3)},
        {SYS_symlinkat, "symlinkat", Kind::names, at(1, 2)},
        {SYS_fchmodat, "fchmodat", Kind::names, at(0, 1)},
        {kFchmodat2, "fchmodat2", Kind::names, at(0, 1)},
        {SYS_fchownat, "fchownat", Kind::names, at(0, 1)},
        {SYS_utimensat, "utimensat", Kind::names, at(0, 1)},
        {SYS_execveat, "execveat", Kind::names, at(0, 1)},
        {SYS_name_to_handle_at, "name_to_handle_at", Kind::names, at(0, 1)},
        {SYS_fanotify_mark, "fanotify_mark", Kind::names, at(3, 4)},
        {SYS_open_tree, "open_tree", Kind::names, at(0, 1)},
        {kOpenTreeAttr, "open_tree_attr", Kind::names, at(0, 1)},
        {SYS_fspick, "fspick", Kind::names, at(0, 1)},
        {SYS_move_mount, "move_mount", Kind::names, at(0, 1), at(2, 3)},
        {SYS_mount_setattr, "mount_setattr", Kind::names, at(0, 1)},
        {SYS_mount, "mount", Kind::names, cwd(1)},
        {SYS_umount2, "umount2", Kind::names, cwd(0)},
        {kSetxattrat, "setxattrat", Kind::names, at(0, 1)},
        {kGetxattrat, "getxattrat", Kind::names, at(0, 1)},
        {kListxattrat, "listxattrat", Kind::names, at(0, 1)},
        {kRemovexattrat, "removexattrat", Kind::names, at(0, 1)},
        {kFileGetattr, "file_getattr", Kind::names, at(0, 1)},
        {kFileSetattr, "file_setattr", Kind::names, at(0, 1)},
        {SYS_getdents64, "getdents64", Kind::descriptor},
        {SYS_connect, "connect", Kind::socket},
        {SYS_bind, "bind", Kind::socket},
    };
    return all;
}

// The filter: every call above, and every call of another architecture,
// goes to the recorder; the rest runs unseen.
std::vector<sock_filter> filterProgram() {
    constexpr std::uint32_t notify = SECCOMP_RET_USER_NOTIF;
    std::vector<sock_filter> p;
    p.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)));
    p.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0));
    p.push_back(BPF_STMT(BPF_RET | BPF_K, notify));
    p.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)));
#ifdef __x86_64__
    // The x32 calls of the same architecture.
    p.push_back(BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, 0x40000000u, 0, 1));
    p.push_back(BPF_STMT(BPF_RET | BPF_K, notify));
#endif
    for (const Rule& r : rules()) {
        p.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, std::uint32_t(r.nr), 0, 1));
        p.push_back(BPF_STMT(BPF_RET | BPF_K, notify));
    }
    p.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    return p;
}

const Rule* ruleFor(const seccomp_data& d) {
    if (d.arch != kArch) return nullptr;
    for (const Rule& r : rules())
        if (r.nr == d.nr) return &r;
    return nullptr;
}

// Bytes of the stopped thread's memory; as many as could be read.
std::string readMemory(pid_t thread, std::uint64_t address, size_t size) {
    std::string out(size, '\0');
    iovec local{out.data(), size};
    iovec remote{reinterpret_cast<void*>(address), size};
    const ssize_t n = ::process_vm_readv(thread, &local, 1, &remote, 1, 0);
    out.resize(n > 0 ? size_t(n) : 0);
    return out;
}

// A name in the thread's memory, read a page at a time so that no read
// runs into a page that is not there.
std::string readName(pid_t thread, std::uint64_t address) {
    std::string name;
    const std::uint64_t page = std::uint64_t(::sysconf(_SC_PAGESIZE));
    while (name.size() < 8192) {
        const std::string part = readMemory(thread, address, size_t(page - address % page));
        if (part.empty()) break;
        const size_t end = part.find('\0');
        name += part.substr(0, end);
        if (end != std::string::npos) break;
        address += part.size();
    }
    return name;
}

std::string linkTarget(const std::string& link) {
    char buf[8192];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf);
    return n < 0 ? "(" + link + ": " + std::strerror(errno) + ")" : std::string(buf, size_t(n));
}

std::string folderOf(pid_t thread, int descriptor) {
    const std::string proc = "/proc/" + std::to_string(thread);
    return linkTarget(descriptor == AT_FDCWD ? proc + "/cwd" : proc + "/fd/" + std::to_string(descriptor));
}

std::string threadName(pid_t thread) {
    std::ifstream in("/proc/" + std::to_string(thread) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// The number of threads of the thread's process; 0 where it cannot be read.
int threadCount(pid_t thread) {
    std::ifstream in("/proc/" + std::to_string(thread) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Threads:", 0) == 0) return std::atoi(line.c_str() + 8);
    return 0;
}

bool isNumber(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A name under /proc that the kernel follows to a thread's working folder
// or to a descriptor's file ("/proc/self/cwd/x", "/proc/thread-self/fd/3"):
// looked up from there. True when the name is one.
bool throughProc(NamedCall& c) {
    std::vector<std::string> parts;
    std::istringstream in(c.name);
    for (std::string part; std::getline(in, part, '/');)
        if (!part.empty()) parts.push_back(part);
    if (parts.size() < 3 || parts[0] != "proc") return false;
    std::string who = parts[1];
    size_t at = 2;
    if (who == "self" || who == "thread-self")
        who = std::to_string(c.thread);
    else if (!isNumber(who))
        return false;
    if (parts.size() > at + 2 && parts[at] == "task" && isNumber(parts[at + 1])) {
        who = parts[at + 1];
        at += 2;
    }
    std::string link = "/proc/" + who;
    bool cwd = false;
    if (parts.size() > at && parts[at] == "cwd") {
        link += "/cwd";
        cwd = true;
        at += 1;
    } else if (parts.size() > at + 1 && parts[at] == "fd" && isNumber(parts[at + 1])) {
        link += "/fd/" + parts[at + 1];
        at += 2;
    } else {
        return false;
    }
    c.from = linkTarget(link);
    for (size_t i = at; i < parts.size(); ++i)
        c.rest += (c.rest.empty() ? "" : "/") + parts[i];
    c.through = true;
    c.fromWorkingFolder = cwd && !c.rest.empty();
    return true;
}

void addLookup(std::vector<NamedCall>& out, const NamedCall& base, const seccomp_data& d, Lookup l) {
    NamedCall c = base;
    const int folder = l.folder < 0 ? AT_FDCWD : int(d.args[l.folder]);
    if (d.args[l.name] != 0) c.name = readName(c.thread, d.args[l.name]);
    if (!c.name.empty() && c.name[0] == '/') {
        if (!throughProc(c)) c.from = "/";
    } else {
        c.from = folderOf(c.thread, folder);
        c.fromWorkingFolder = folder == AT_FDCWD;
    }
    out.push_back(std::move(c));
}

// The flags of an open, as given.
std::uint64_t openFlags(pid_t thread, const std::string& call, const seccomp_data& d) {
    if (call == "open") return d.args[1];
    if (call == "openat") return d.args[2];
    if (call == "creat") return O_CREAT | O_WRONLY | O_TRUNC;
    if (call != "openat2") return 0;
    // The first member of struct open_how.
    const std::string how = readMemory(thread, d.args[2], sizeof(std::uint64_t));
    std::uint64_t flags = 0;
    if (how.size() == sizeof flags) std::memcpy(&flags, how.data(), sizeof flags);
    return flags;
}

// What the waiting call names, read while it waits.
std::vector<NamedCall> namedBy(const seccomp_notif& n) {
    std::vector<NamedCall> out;
    NamedCall base;
    base.thread = pid_t(n.pid);
    base.threadName = threadName(base.thread);
    const Rule* rule = ruleFor(n.data);
    if (!rule) {
        base.call = "call " + std::to_string(n.data.nr) + " of architecture " + std::to_string(n.data.arch);
        out.push_back(base);
        return out;
    }
    base.call = rule->call;
    base.openFlags = openFlags(base.thread, base.call, n.data);
    if (base.call == "chdir" || base.call == "fchdir") base.threads = threadCount(base.thread);
    switch (rule->kind) {
    case Kind::names:
        addLookup(out, base, n.data, rule->first);
        if (rule->second.name >= 0) addLookup(out, base, n.data, rule->second);
        break;
    case Kind::descriptor:
        base.from = folderOf(base.thread, int(n.data.args[0]));
        out.push_back(base);
        break;
    case Kind::socket: {
        const size_t size = std::min<size_t>(size_t(n.data.args[2]), sizeof(sockaddr_un));
        const std::string address = readMemory(base.thread, n.data.args[1], size);
        constexpr size_t path = offsetof(sockaddr_un, sun_path);
        sa_family_t family = 0;
        if (address.size() >= sizeof family) std::memcpy(&family, address.data(), sizeof family);
        // Only a socket in the file system has a name; an abstract one
        // starts with a zero byte.
        if (family != AF_UNIX || address.size() <= path || address[path] == '\0') break;
        base.name =
            std::string(address.c_str() + path, ::strnlen(address.c_str() + path, address.size() - path));
        if (base.name[0] == '/') {
            base.from = "/";
        } else {
            base.from = folderOf(base.thread, AT_FDCWD);
            base.fromWorkingFolder = true;
        }
        out.push_back(base);
        break;
    }
    }
    return out;
}

// Sends descriptor over the socket; true when it went.
bool sendDescriptor(int socket, int descriptor) {
    char data = 'f';
    iovec io{&data, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr m{};
    m.msg_iov = &io;
    m.msg_iovlen = 1;
    m.msg_control = control;
    m.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&m);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &descriptor, sizeof(int));
    return ::sendmsg(socket, &m, MSG_NOSIGNAL) == 1;
}

int receiveDescriptor(int socket) {
    char data = 0;
    iovec io{&data, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr m{};
    m.msg_iov = &io;
    m.msg_iovlen = 1;
    m.msg_control = control;
    m.msg_controllen = sizeof control;
    if (::recvmsg(socket, &m, MSG_CMSG_CLOEXEC) != 1) return -1;
    const cmsghdr* c = CMSG_FIRSTHDR(&m);
    if (!c || c->cmsg_type != SCM_RIGHTS) return -1;
    int descriptor = -1;
    std::memcpy(&descriptor, CMSG_DATA(c), sizeof(int));
    return descriptor;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

std::string NamedCall::path() const {
    const std::string& looked = through ? rest : name;
    const std::string joined = looked.empty() ? from : looked[0] == '/' ? looked : from + "/" + looked;
    std::vector<std::string> parts;
    std::istringstream in(joined);
    for (std::string part; std::getline(in, part, '/');) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const std::string& part : parts)
        out += "/" + part;
    return out.empty() ? "/" : out;
}

std::string NamedCall::describe() const {
    return "thread " + std::to_string(thread) + " (" + threadName + "): " + call + " \"" + name + "\" from " +
           from + (fromWorkingFolder ? " (the working folder)" : "");
}

bool isInside(const std::string& path, const std::string& folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              (folder == "/" || path[folder.size()] == '/'));
}

Recording recordNamedCalls(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                           const std::string& work, std::chrono::seconds giveUp, const AtCall& atCall) {
    Recording r;
    char logName[] = "/tmp/named-calls-XXXXXX";
    const int log = ::mkostemp(logName, O_CLOEXEC);
    if (log < 0) {
        r.error = std::string("no log: ") + std::strerror(errno);
        return r;
    }
    ::unlink(logName);
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        r.error = std::string("no socket pair: ") + std::strerror(errno);
        ::close(log);
        return r;
    }
    // Everything the child uses is made before the fork: the child of a
    // process with threads may only make system calls until its exec.
    std::vector<sock_filter> filter = filterProgram();
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    std::vector<std::string> args = argv, envs = env;
    std::vector<char*> argp = pointers(args), envp = pointers(envs);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pair[0]);
        if (::dup2(log, 1) < 0 || ::dup2(log, 2) < 0 || ::chdir(work.c_str()) != 0) ::_exit(126);
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) ::_exit(126);
        const long listener =
            ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program);
        if (listener < 0 || !sendDescriptor(pair[1], int(listener))) ::_exit(126);
        ::close(int(listener));
        ::close(pair[1]);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(pair[1]);
    const int listener = pid > 0 ? receiveDescriptor(pair[0]) : -1;
    ::close(pair[0]);
    if (pid < 0 || listener < 0) {
        r.error =
            pid < 0 ? std::string("no fork: ") + std::strerror(errno) : "no seccomp listener from the child";
        if (pid > 0) ::waitpid(pid, nullptr, 0);
        ::close(log);
        return r;
    }

    seccomp_notif_sizes sizes{};
    ::syscall(SYS_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &sizes);
    std::vector<char> notifBuffer(std::max<size_t>(sizes.seccomp_notif, sizeof(seccomp_notif)));
    std::vector<char> respBuffer(std::max<size_t>(sizes.seccomp_notif_resp, sizeof(seccomp_notif_resp)));
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + giveUp;
    bool ended = false, killed = false;
    auto quietSince = Clock::now();
    int status = 0;
    const auto letGo = [&](std::uint64_t id) {
        std::fill(respBuffer.begin(), respBuffer.end(), 0);
        auto* resp = reinterpret_cast<seccomp_notif_resp*>(respBuffer.data());
        resp->id = id;
        resp->flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
        ::ioctl(listener, SECCOMP_IOCTL_NOTIF_SEND, resp);
    };
    // Calls held by atCall, each with the moment it goes on.
    std::vector<std::pair<std::uint64_t, Clock::time_point>> held;
    for (;;) {
        int timeout = 100;
        for (auto h = held.begin(); h != held.end();) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(h->second - Clock::now());
            if (left.count() > 0) {
                timeout = std::min(timeout, int(left.count()));
                ++h;
                continue;
            }
            letGo(h->first);
            h = held.erase(h);
        }
        pollfd p{listener, POLLIN, 0};
        ::poll(&p, 1, timeout);
        if (p.revents & POLLIN) {
            std::fill(notifBuffer.begin(), notifBuffer.end(), 0);
            auto* n = reinterpret_cast<seccomp_notif*>(notifBuffer.data());
            if (::ioctl(listener, SECCOMP_IOCTL_NOTIF_RECV, n) != 0) continue; // the caller is gone
            std::vector<NamedCall> calls = namedBy(*n);
            // Read while the call waited; a call whose thread went meanwhile
            // may have been read from another.
            std::uint64_t id = n->id;
            std::chrono::milliseconds hold{0};
            if (::ioctl(listener, SECCOMP_IOCTL_NOTIF_ID_VALID, &id) == 0) {
                r.calls.insert(r.calls.end(), calls.begin(), calls.end());
                if (atCall)
                    for (const NamedCall& c : calls)
                        hold = std::max(hold, atCall(c));
            }
            if (hold.count() > 0)
                held.emplace_back(n->id, Clock::now() + hold);
            else
                letGo(n->id);
            quietSince = Clock::now();
            continue;
        }
        if (p.revents & (POLLHUP | POLLERR)) break;
        if (!ended && ::waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            quietSince = Clock::now();
        }
        // Children it left behind have a moment to end too.
        if (ended && Clock::now() - quietSince > std::chrono::seconds(2)) break;
        if (!killed && Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            killed = true;
            r.error = "killed after " + std::to_string(giveUp.count()) + " s";
        }
    }
    ::close(listener);
    if (!ended) ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        r.signal = WTERMSIG(status);
        r.dumped = WCOREDUMP(status);
    }
    ::lseek(log, 0, SEEK_SET);
    char buf[65536];
    for (ssize_t n; (n = ::read(log, buf, sizeof buf)) > 0;)
        r.said.append(buf, size_t(n));
    ::close(log);
    return r;
}

} // namespace testing_support
