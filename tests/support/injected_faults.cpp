#include "support/injected_faults.h"

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <link.h>
#include <linux/filter.h>
#include <linux/openat2.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>
#include <utility>

namespace testing_support {
namespace {

// Read by the trap, which may run in any thread: fixed storage, set before
// the filter is.
struct Rule {
    InjectedFault::Call call;
    char name[256];
    int error;
    std::atomic<int> skip, left;
};
Rule g_rules[8];
int g_ruleCount = 0;
std::atomic<int> g_failed{0};

// An openat with this flag is the trap's own and is made: the kernel drops
// flags that open does not know.
constexpr std::uint32_t kMadeByTheTrap = 0x40000000;
// A look at a file (stat and its kin, which take five arguments at most)
// with this as its sixth is the trap's own: the kernel reads no sixth.
constexpr std::uint64_t kLookMadeByTheTrap = 0x7a3c91e45b0d2f68;

// Whether the last name of path is name.
bool lastNameIs(const char* path, const char* name) {
    const char* slash = std::strrchr(path, '/');
    return std::strcmp(slash ? slash + 1 : path, name) == 0;
}

// The error to fail a call with, 0 to make it.
int faultFor(InjectedFault::Call call, const char* path) {
    for (int i = 0; i < g_ruleCount; ++i) {
        Rule& r = g_rules[i];
        if (r.call != call || !lastNameIs(path, r.name)) continue;
        bool made = false;
        for (int skip = r.skip.load(); skip > 0 && !made;)
            made = r.skip.compare_exchange_weak(skip, skip - 1);
        if (made) continue;
        for (int left = r.left.load(); left > 0;)
            if (r.left.compare_exchange_weak(left, left - 1)) {
                g_failed.fetch_add(1);
                return r.error;
            }
    }
    return 0;
}

long answer(long result) {
    return result < 0 ? -long(errno) : result;
}

void onTrap(int, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    auto& registers = static_cast<ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
    const long a[6] = {long(registers.gregs[REG_RDI]), long(registers.gregs[REG_RSI]),
                       long(registers.gregs[REG_RDX]), long(registers.gregs[REG_R10]),
                       long(registers.gregs[REG_R8]),  long(registers.gregs[REG_R9])};
#elif defined(__aarch64__)
    long a[6];
    for (int i = 0; i < 6; ++i)
        a[i] = long(registers.regs[i]);
#endif
    long result = -ENOSYS;
    if (info->si_syscall == SYS_openat2) {
        const char* path = reinterpret_cast<const char*>(a[1]);
        if (const int err = faultFor(InjectedFault::Open, path)) {
            result = -err;
        } else {
            // A larger structure, zero past its end, is the same request
            // and passes the filter.
            struct {
                open_how how;
                std::uint64_t beyond;
            } how{*reinterpret_cast<const open_how*>(a[2]), 0};
            result = answer(::syscall(SYS_openat2, a[0], path, &how, sizeof how));
        }
    } else if (info->si_syscall == SYS_openat) {
        const char* path = reinterpret_cast<const char*>(a[1]);
        if (const int err = faultFor(InjectedFault::Open, path))
            result = -err;
        else
            result = answer(::syscall(SYS_openat, a[0], path, a[2] | long(kMadeByTheTrap), a[3]));
    } else if (info->si_syscall == SYS_newfstatat || info->si_syscall == SYS_statx
#if defined(__x86_64__)
               || info->si_syscall == SYS_stat || info->si_syscall == SYS_lstat
#endif
    ) {
        const char* path = reinterpret_cast<const char*>(a[1]);
#if defined(__x86_64__)
        // stat and lstat take the path first: made as newfstatat.
        const bool byPath = info->si_syscall == SYS_stat || info->si_syscall == SYS_lstat;
        if (byPath) path = reinterpret_cast<const char*>(a[0]);
#else
        const bool byPath = false;
#endif
        const long mark = long(kLookMadeByTheTrap);
        if (const int err = faultFor(InjectedFault::Stat, path))
            result = -err;
        else if (info->si_syscall == SYS_statx)
            result = answer(::syscall(SYS_statx, a[0], path, a[2], a[3], a[4], mark));
        else if (byPath)
            result = answer(::syscall(SYS_newfstatat, AT_FDCWD, path, a[1],
                                      info->si_syscall == SYS_stat ? 0 : AT_SYMLINK_NOFOLLOW, 0, mark));
        else
            result = answer(::syscall(SYS_newfstatat, a[0], path, a[2], a[3], 0, mark));
    } else if (info->si_syscall == SYS_pread64 || info->si_syscall == SYS_read) {
        // The file's name as the process sees it.
        char link[32] = "/proc/self/fd/";
        char digits[16];
        int n = 0;
        for (unsigned long fd = static_cast<unsigned long>(a[0]); n == 0 || fd > 0; fd /= 10)
            digits[n++] = char('0' + fd % 10);
        std::size_t at = std::strlen(link);
        while (n > 0)
            link[at++] = digits[--n];
        link[at] = '\0';
        char target[4096];
        const ssize_t length = ::readlink(link, target, sizeof target - 1);
        target[length > 0 ? length : 0] = '\0';
        if (const int err = length > 0 ? faultFor(InjectedFault::Read, target) : 0) {
            result = -err;
        } else {
            iovec part{reinterpret_cast<void*>(a[1]), std::size_t(a[2])};
            result = info->si_syscall == SYS_read ? answer(::syscall(SYS_readv, a[0], &part, 1))
                                                  : answer(::syscall(SYS_preadv, a[0], &part, 1, a[3], 0));
        }
    }
#if defined(__x86_64__)
    registers.gregs[REG_RAX] = result;
#elif defined(__aarch64__)
    registers.regs[0] = std::uint64_t(result);
#endif
    errno = savedErrno;
}

// Where the C library's read lies: from its first instruction to its last
// byte. False where that cannot be told, or where it straddles a boundary of
// 4 GiB (a filter compares 32 bits at a time).
bool cLibraryRead(std::uint64_t& from, std::uint64_t& to) {
    // The library's own, not a sanitizer's function of that name.
    void* library = ::dlopen("libc.so.6", RTLD_LAZY | RTLD_NOLOAD);
    void* read = library ? ::dlsym(library, "read") : nullptr;
    Dl_info info{};
    ElfW(Sym)* symbol = nullptr;
    const bool found = read && ::dladdr1(read, &info, reinterpret_cast<void**>(&symbol), RTLD_DL_SYMENT) &&
                       symbol && symbol->st_size > 0;
    if (library) ::dlclose(library);
    if (!found) return false;
    from = reinterpret_cast<std::uintptr_t>(read);
    to = from + symbol->st_size;
    return from >> 32 == to >> 32;
}

} // namespace

bool injectFaults(const std::vector<InjectedFault>& faults) {
#if !defined(__x86_64__) && !defined(__aarch64__)
    (void)faults;
    return false;
#else
    if (g_ruleCount != 0 || faults.size() > std::size(g_rules)) return false;
    for (const InjectedFault& f : faults) {
        Rule& r = g_rules[g_ruleCount++];
        r.call = f.call;
        std::strncpy(r.name, f.name.c_str(), sizeof r.name - 1);
        r.error = f.error;
        r.skip = f.skip;
        r.left = f.times;
    }
    struct sigaction a {};
    a.sa_sigaction = onTrap;
    a.sa_flags = SA_SIGINFO;
    sigemptyset(&a.sa_mask);
    if (::sigaction(SIGSYS, &a, nullptr) != 0) return false;
    const auto load = [](std::uint32_t offset) {
        return sock_filter BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset);
    };
    const auto argument = [](int i) { return std::uint32_t(offsetof(seccomp_data, args) + 8 * i); };
    const std::uint32_t nr = offsetof(seccomp_data, nr);
    const auto is = [](std::uint32_t value, std::uint8_t then, std::uint8_t otherwise) {
        return sock_filter BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, value, then, otherwise);
    };
    const sock_filter trap = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP);
    const sock_filter allow = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    std::vector<sock_filter> program = {
        // openat2 with the structure's size as the program passes it.
        load(nr),
        is(SYS_openat2, 0, 3),
        load(argument(3)),
        is(sizeof(open_how), 0, 1),
        trap,
        // openat, but for the trap's own.
        load(nr),
        is(SYS_openat, 0, 3),
        load(argument(2)),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, kMadeByTheTrap, 1, 0),
        trap,
        // Every pread; the trap reads by preadv.
        load(nr),
        is(SYS_pread64, 0, 1),
        trap,
    };
    const auto asked = [&faults](InjectedFault::Call call) {
        return std::any_of(faults.begin(), faults.end(),
                           [call](const InjectedFault& f) { return f.call == call; });
    };
    // Where reads fail, every read(2) made by the C library's read, as a
    // stream (FILE) reads a file; the trap reads by readv. Not a read made
    // otherwise: a sanitizer's runtime reads on its own, from a thread that
    // blocks every signal, and a trap there ends the process.
    if (asked(InjectedFault::Read)) {
        std::uint64_t from = 0, to = 0;
        if (!cLibraryRead(from, to)) return false;
        const std::uint32_t ip = offsetof(seccomp_data, instruction_pointer);
        program.insert(program.end(),
                       {load(nr), is(SYS_read, 0, 6), load(ip + 4), is(std::uint32_t(from >> 32), 0, 4),
                        load(ip), BPF_JUMP(BPF_JMP | BPF_JGE | BPF_K, std::uint32_t(from), 0, 2),
                        BPF_JUMP(BPF_JMP | BPF_JGT | BPF_K, std::uint32_t(to), 1, 0), trap});
    }
    if (asked(InjectedFault::Stat)) {
        // Every look at a file, but for the trap's own, marked in the sixth
        // argument.
        std::vector<std::uint32_t> looks = {SYS_newfstatat, SYS_statx};
#if defined(__x86_64__)
        looks.insert(looks.end(), {SYS_stat, SYS_lstat});
#endif
        program.push_back(load(nr));
        for (std::size_t i = 0; i < looks.size(); ++i)
            program.push_back(is(looks[i], std::uint8_t(looks.size() - i - 1 + 1), 0));
        program.insert(program.end(), {allow, load(argument(5)), is(std::uint32_t(kLookMadeByTheTrap), 0, 3),
                                       load(argument(5) + 4),
                                       is(std::uint32_t(kLookMadeByTheTrap >> 32), 0, 1), allow, trap});
    }
    program.push_back(allow);
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) == 0;
#endif
}

int injectedFaultCount() {
    return g_failed.load();
}

InjectedFault::Call callNamed(const QByteArray& name) {
    return name == "open" ? InjectedFault::Open : name == "read" ? InjectedFault::Read : InjectedFault::Stat;
}

int errorNamed(const QByteArray& name) {
    const std::pair<const char*, int> errors[] = {
        {"EMFILE", EMFILE}, {"ENFILE", ENFILE}, {"ENOMEM", ENOMEM}, {"EACCES", EACCES}, {"EIO", EIO}};
    for (const auto& [named, number] : errors)
        if (name == named) return number;
    return 0;
}

namespace {
// Set for a child: "ENFILE" or "ENOMEM", the skip, then the names, with
// spaces between.
constexpr const char* kToldShortage = "CATALOGUE_TEST_SHORTAGE";
} // namespace

void expectShortagesTold(const QString& test, const std::vector<std::string>& files) {
    QString told;
    for (const std::string& f : files)
        told += " " + QString::fromStdString(f);
    for (const auto& [error, number] : {std::pair{"ENFILE", 67}, std::pair{"ENOMEM", 7}}) {
        SCOPED_TRACE(error);
        QProcess child;
        startChildTest(child, test, {{kToldShortage, error + told}});
        ASSERT_TRUE(child.waitForFinished(120000));
        const std::string said = child.readAll().toStdString();
        ASSERT_EQ(child.exitCode(), 0) << said;
        ASSERT_NE(said.find("report done"), std::string::npos) << said;
        std::vector<std::string> boxes;
        for (std::size_t at = said.find("box: "); at != std::string::npos; at = said.find("box: ", at + 1))
            boxes.push_back(said.substr(at, said.find('\n', at) - at));
        for (const std::string& b : boxes) {
            for (const char* wrong :
                 {"not available", "non trovato", "not found", "Failed !!", "damaged", "Unable to recover"})
                EXPECT_EQ(b.find(wrong), std::string::npos) << b;
            EXPECT_NE(b.find("box: Error: (" + std::to_string(number) + ") file "), std::string::npos) << b;
        }
        for (const std::string& f : files) {
            const std::string name = f == "*" ? std::string() : f.substr(0, f.find('@'));
            bool found = false;
            for (const std::string& b : boxes)
                found = found || b.find(name + " could not be opened") != std::string::npos;
            EXPECT_TRUE(found) << f << "\n" << said;
        }
    }
}

bool shortageChild() {
    return qEnvironmentVariableIsSet(kToldShortage);
}

bool injectToldShortage(const std::string& programFolder) {
    const QStringList told = qEnvironmentVariable(kToldShortage).split(' ');
    if (told.size() < 2) return false;
    const int error = told[0] == "ENFILE" ? ENFILE : ENOMEM;
    std::vector<InjectedFault> faults;
    for (qsizetype i = 1; i < told.size(); ++i) {
        const QStringList nameAndSkip = told[i].split('@');
        std::string name = nameAndSkip[0].toStdString();
        if (name == "*") name = std::filesystem::path(programFolder).filename().string();
        faults.push_back({InjectedFault::Open, name, error, 1000000, nameAndSkip.value(1).toInt()});
    }
    return injectFaults(faults);
}

void reportBoxesToParent(const ScriptedServices& svc) {
    for (const Box& b : svc.boxes) {
        std::string line = b.prompt;
        for (char& c : line)
            if (c == '\r' || c == '\n') c = ' ';
        std::printf("box: %s\n", line.c_str());
    }
    std::printf("%s\n", injectedFaultCount() > 0 ? "report done" : "no fault met");
    std::fflush(stdout);
}

} // namespace testing_support
