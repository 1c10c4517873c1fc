// How the program ends, seen from outside: the exit status of the process.
#include "app/windows.h"
#include "core/module1.h"
#include "core/scrambled_file.h"
#include "core/window_services.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/file_io.h"
#include "platform/form.h"
#include "platform/program_folder.h"
#include "platform/services.h"
#include "platform/temporary_files.h"
#include "support/fixtures.h"
#include "support/harness.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

namespace {

// The desktop services with every message box answered at once. Each box
// and its answer go to the standard error, where a death test reads them.
class AnsweringDesktop : public vb::DesktopServices {
  public:
    explicit AnsweringDesktop(int answer) : answer_(answer) {}
    int msgBox(const std::string& prompt, int, const std::optional<std::string>&) override {
        std::fprintf(stderr, "box \"%s\" answered %d\n", prompt.c_str(), answer_);
        return answer_;
    }

  private:
    int answer_;
};

// Runs action as the click of a button in a real event loop and returns
// what main would return; 77 when the program did not end.
int statusAfterClick(const std::function<void()>& action, int answer = vb::vbOK) {
    AnsweringDesktop desktop(answer);
    vb::setServices(&desktop);
    int rc = 0;
    {
        vb::Form window("Form1");
        vb::CommandButton button(window, "Command1");
        button.Click = action;
        window.Show();
        QTimer::singleShot(0, [&] { button.click(); });
        rc = vb::execProgram();
    }
    vb::setServices(nullptr);
    return vb::programEnding() ? rc : 77;
}

TEST(ProgramEnd, FatalDataFileErrorExitsWithFailure) {
    EXPECT_EXIT(std::exit(statusAfterClick([] { core::LoadScrambledFile("/nonexistent/mas/xlogo.gif", 1); })),
                ::testing::ExitedWithCode(1), "");
}

TEST(ProgramEnd, RefusedRecoveryExitsWithFailure) {
    // A picture of the program folder that cannot be decoded, and the user
    // declines to restore it.
    EXPECT_EXIT(
        std::exit(statusAfterClick(
            [] {
                static QTemporaryDir dir;
                vb::setProgramFolder(dir.path().toStdString());
                core::AppPath = dir.path().toStdString();
                testing_support::writeBytes(core::AppPath + "/x1.gif", std::string(100, '\0'));
                core::clearScrambledTargets();
                core::registerScrambledTarget(
                    20,
                    [](const std::string&, const std::string&) { throw vb::VbError(vb::errInvalidPicture); },
                    core::TargetLoads::Picture);
                core::LoadScrambledFile(core::AppPath + "\\x1.gif", 20);
            },
            vb::vbNo)),
        ::testing::ExitedWithCode(1),
        "box \"\\(481\\) File .*x1\\.gif Failed !! To try to recover \\?\" answered 7");
}

TEST(ProgramEnd, ProgramStoppedExitsWithFailure) {
    EXPECT_EXIT(std::exit(statusAfterClick([] { core::ReportRuntimeError("Form5", vb::VbError(53)); })),
                ::testing::ExitedWithCode(1), "");
}

TEST(ProgramEnd, UserEndExitsWithSuccess) {
    EXPECT_EXIT(std::exit(statusAfterClick([] { vb::End(); })), ::testing::ExitedWithCode(0), "");
    // The printer message is no end at all.
    EXPECT_EXIT(std::exit(statusAfterClick([] {
                    core::ReportRuntimeError("Form5", vb::VbError(vb::errPrinter));
                    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
                })),
                ::testing::ExitedWithCode(77), "");
}

// The whole program on the sample data, ended by Esc on the start window
// once it is up.
int runUntilEsc(const std::string& folder) {
    vb::setServices(nullptr);
    vb::setProgramFolder(folder);
    // The program registers its windows' targets itself.
    core::clearScrambledTargets();
    // Main's way out runs the exit handlers, the leak checker's among them.
    std::atexit([] { std::fputs("ended normally\n", stderr); });
    auto* press = new QTimer(qApp);
    QObject::connect(press, &QTimer::timeout, [] {
        // No box is expected on the sample data; one would stop the run.
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        if (vb::Form* start = vb::FormRegistry::existing("Form1"))
            if (start->isVisible()) QTest::keyClick(start, Qt::Key_Escape);
    });
    press->start(50);
    const int status = runProgram();
    delete press;
    return status;
}

TEST(ProgramEnd, EscEndsTheWholeProgramThroughMain) {
    QTemporaryDir dir;
    const std::string folder = testing_support::copySampleData(dir);
    EXPECT_EXIT(std::exit(runUntilEsc(folder)), ::testing::ExitedWithCode(0), "ended normally");
}

// The temporary files on a termination signal, in a child process of the
// test each case names (CATALOGUE_TEST_END_CASE), working in the folder
// CATALOGUE_TEST_END_FOLDER: its exit, and what it says on its output.
struct ChildEnd {
    QProcess::ExitStatus status;
    int code;
    std::string said;
};
// The child runs through the command in front, when one is given (unshare
// with its options).
ChildEnd runChild(const char* test, const std::string& folder, const char* how = "",
                  const QStringList& inFront = {}) {
    QProcess child;
    const std::vector<std::pair<QString, QString>> variables = {
        {"CATALOGUE_TEST_END_CASE", test},
        {"CATALOGUE_TEST_END_FOLDER", QString::fromStdString(folder)},
        {"CATALOGUE_TEST_END_HOW", how}};
    if (inFront.isEmpty()) {
        testing_support::startChildTest(child, test, variables);
    } else {
        child.setProcessEnvironment(testing_support::childEnvironment(variables));
        child.start(inFront[0], inFront.mid(1) + QStringList{QCoreApplication::applicationFilePath(),
                                                             QString("--gtest_filter=") + test});
    }
    if (!child.waitForFinished(120000)) return {QProcess::CrashExit, -1, "did not end"};
    return {child.exitStatus(), child.exitCode(), child.readAll().toStdString()};
}
// The command that runs a program as the first process of a PID namespace
// of its own (as a container's entry point); nothing, with the reason in
// whyNot, where this machine offers none.
std::optional<QStringList> firstOfAPidNamespace(std::string& whyNot) {
    QStringList unshare{"unshare"};
    if (::geteuid() != 0)
        unshare << "--user"
                << "--map-root-user";
    unshare << "--pid"
            << "--fork"
            << "--kill-child";
    QProcess probe;
    probe.start(unshare[0], unshare.mid(1) + QStringList{"sh", "-c", "test $$ = 1"});
    if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
        return unshare;
    whyNot = probe.readAllStandardError().toStdString() + probe.errorString().toStdString();
    return std::nullopt;
}
// The folder a child case works in; empty when the test runs on its own.
std::string childFolder(const char* test) {
    return qgetenv("CATALOGUE_TEST_END_CASE") == test ? qgetenv("CATALOGUE_TEST_END_FOLDER").toStdString()
                                                      : std::string();
}
int temporaries(const std::string& folder) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        n += e.path().filename().string().rfind("DcFile.", 0) == 0;
    return n;
}

// From now on, a system call of this thread that matches a trap (its
// number, and one argument's low 32 bits when that argument is 0-5) is not
// made and raises SIGSYS instead, handled by onTrap; other calls run.
// Returns false where the system allows no such filter.
struct Trap {
    long number;
    int argument; // -1: any
    std::uint32_t value;
};
bool trapCalls(std::initializer_list<Trap> traps, void (*onTrap)(int, siginfo_t*, void*)) {
    struct sigaction a {};
    a.sa_sigaction = onTrap;
    a.sa_flags = SA_SIGINFO | SA_NODEFER; // a trap inside the handler reaches it again
    sigemptyset(&a.sa_mask);
    ::sigaction(SIGSYS, &a, nullptr);
    std::vector<sock_filter> program;
    const auto load = [&](std::uint32_t offset) {
        program.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset));
    };
    for (const Trap& t : traps) {
        load(offsetof(seccomp_data, nr));
        const bool any = t.argument < 0;
        program.push_back(
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, std::uint32_t(t.number), 0, std::uint8_t(any ? 1 : 3)));
        if (!any) {
            load(std::uint32_t(offsetof(seccomp_data, args) + 8 * t.argument)); // the low half, little-endian
            program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, t.value, 0, 1));
        }
        program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_TRAP));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) == 0;
}

// Makes the trapped call, which was not made, return value to its caller:
// 0 as if it had been made (a lock is then not taken: the end's clean-up
// never looks at it), or minus an errno as if it had failed so. Only where
// the machine's registers are known.
#if defined(__x86_64__) || defined(__aarch64__)
constexpr bool kTrappedCallsCanSucceed = true;
#else
constexpr bool kTrappedCallsCanSucceed = false;
#endif
void trappedCallReturns(void* context, long value) {
    [[maybe_unused]] auto* registers = &static_cast<ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
    registers->gregs[REG_RAX] = value;
#elif defined(__aarch64__)
    registers->regs[0] = std::uint64_t(value);
#endif
}

// The trapped call's argument n (0-5): read before trappedCallReturns, which
// may overwrite it.
long trappedArgument(void* context, int n) {
    [[maybe_unused]] auto* registers = &static_cast<ucontext_t*>(context)->uc_mcontext;
#if defined(__x86_64__)
    const int in[] = {REG_RDI, REG_RSI, REG_RDX, REG_R10, REG_R8, REG_R9};
    return long(registers->gregs[in[n]]);
#elif defined(__aarch64__)
    return long(registers->regs[n]);
#else
    return n * 0L;
#endif
}

// The lowest descriptor number free now: the next file opened gets it.
int nextDescriptor() {
    const int probe = ::dup(0);
    ::close(probe);
    return probe;
}

volatile std::sig_atomic_t g_trapped = 0;
volatile std::sig_atomic_t g_refuseLocks = 0;
volatile std::sig_atomic_t g_earlierHandlerRan = 0;
char g_name[PATH_MAX];
int g_folder = -1;

// A program whose own interrupt handler was there first goes on after the
// interrupt: its temporary files are gone, and errno is what the
// interrupted code had set.
TEST(ProgramEnd, InterruptKeepsErrnoForTheCodeItInterrupts) {
    QTemporaryDir dir;
    const ChildEnd end = runChild("ProgramEndChild.InterruptedWithTemporaryFiles", dir.path().toStdString());
    EXPECT_EQ(end.status, QProcess::NormalExit);
    EXPECT_EQ(end.code, 0) << end.said;
    EXPECT_NE(end.said.find("after the interrupt: errno 33, earlier handler ran, 0 temporary files"),
              std::string::npos)
        << end.said;
}

TEST(ProgramEndChild, InterruptedWithTemporaryFiles) {
    const std::string folder = childFolder("ProgramEndChild.InterruptedWithTemporaryFiles");
    if (folder.empty()) GTEST_SKIP() << "run by ProgramEnd.InterruptKeepsErrnoForTheCodeItInterrupts";
    struct sigaction earlier {};
    earlier.sa_handler = [](int) { g_earlierHandlerRan = 1; };
    sigemptyset(&earlier.sa_mask);
    ::sigaction(SIGINT, &earlier, nullptr);
    vb::setProgramFolder(folder);
    const vb::TemporaryFile first(folder, "DcFile.", ".gif", "first"), second(folder, "DcFile.", ".gif", "2");
    // Removed behind its owner's back: removing it again at the interrupt fails.
    ::unlink(first.path().c_str());
    errno = EDOM;
    ::raise(SIGINT);
    const int after = errno;
    std::printf("after the interrupt: errno %d, earlier handler %s, %d temporary files\n", after,
                g_earlierHandlerRan ? "ran" : "did not run", temporaries(folder));
    std::fflush(stdout);
}

// A temporary file that cannot be locked (a lock refused by the system) is
// not kept, since a later start would take it for a leftover: it goes, and
// the failure is a write failure. A termination signal that arrives the
// moment a temporary file exists (at the first thing done with it: its lock
// or its bytes) still removes it on the way out. A name longer than the end
// can keep is refused before any file is made, even where the file system
// would take it.
TEST(ProgramEnd, TemporaryFileUnlockedOrTerminatedAsItIsMadeLeavesNothing) {
    if (!kTrappedCallsCanSucceed) GTEST_SKIP() << "no trapped call can succeed on this machine";
    QTemporaryDir dir;
    const ChildEnd end =
        runChild("ProgramEndChild.TerminatedAsItMakesATemporaryFile", dir.path().toStdString());
    EXPECT_NE(end.said.find("refused: (75) " + dir.path().toStdString() + "; 0 temporary files"),
              std::string::npos)
        << end.said;
    ASSERT_NE(end.said.find("trapped"), std::string::npos) << end.said;
    EXPECT_EQ(end.status, QProcess::CrashExit) << end.said;
    EXPECT_EQ(temporaries(dir.path().toStdString()), 0);

    QTemporaryDir longNames;
    const ChildEnd named =
        runChild("ProgramEndChild.MakesTemporaryFilesOfLongNames", longNames.path().toStdString());
    ASSERT_NE(named.said.find("made a name the system takes"), std::string::npos) << named.said;
    EXPECT_NE(named.said.find("refused: (75) File name too long"), std::string::npos) << named.said;
    EXPECT_EQ(named.said.find("longer than NAME_MAX"), std::string::npos) << named.said;
    EXPECT_TRUE(std::filesystem::is_empty(longNames.path().toStdString()));
}

// A folder whose file system takes names longer than NAME_MAX: a file made
// with a temporary file's mode (0600) is made under its name, or under the
// name "long" should its name be longer than NAME_MAX.
TEST(ProgramEndChild, MakesTemporaryFilesOfLongNames) {
    const std::string folder = childFolder("ProgramEndChild.MakesTemporaryFilesOfLongNames");
    if (folder.empty())
        GTEST_SKIP() << "run by ProgramEnd.TemporaryFileUnlockedOrTerminatedAsItIsMadeLeavesNothing";
    vb::setProgramFolder(folder);
    ASSERT_TRUE(trapCalls({{SYS_openat, 3, 0600}}, [](int, siginfo_t*, void* context) {
        const char* name = reinterpret_cast<const char*>(trappedArgument(context, 1));
        const bool tooLong = std::strlen(name) > NAME_MAX;
        const char* said = tooLong ? "made a name longer than NAME_MAX\n" : "made a name the system takes\n";
        if (::write(1, said, std::strlen(said)) < 0) ::_exit(3);
        // Made with another mode, which is not trapped.
        const long fd = ::syscall(SYS_openat, trappedArgument(context, 0), tooLong ? "long" : name,
                                  trappedArgument(context, 2), 0644);
        trappedCallReturns(context, fd < 0 ? -errno : fd);
    }));
    { const vb::TemporaryFile made(folder, "DcFile.", ".gif", "x"); }
    try {
        const vb::TemporaryFile made(folder, std::string(NAME_MAX - 9, 'L'), ".part", "x");
        ADD_FAILURE() << "made under a name of "
                      << std::filesystem::path(made.path()).filename().string().size() << " bytes";
    } catch (const vb::VbError& e) {
        std::printf("refused: (%d) %s\n", e.number(), e.description().c_str());
    }
    std::fflush(stdout);
}

TEST(ProgramEndChild, TerminatedAsItMakesATemporaryFile) {
    const std::string folder = childFolder("ProgramEndChild.TerminatedAsItMakesATemporaryFile");
    if (folder.empty())
        GTEST_SKIP() << "run by ProgramEnd.TemporaryFileUnlockedOrTerminatedAsItIsMadeLeavesNothing";
    vb::setProgramFolder(folder);
    { const vb::TemporaryFile before(folder, "DcFile.", ".gif", "x"); } // the end's handlers are in place
    std::fflush(stdout);
    // A refused lock, then the end as a lock is taken or bytes are written.
    // The writes are trapped only once the refusal is done (filters add
    // up): what runs on its way (a sanitizer's check writes to a pipe of its
    // own) may take those descriptor numbers.
    const auto onTrap = [](int, siginfo_t* call, void* context) {
        if (g_refuseLocks && call->si_syscall == SYS_flock) {
            trappedCallReturns(context, -ENOLCK);
            return;
        }
        if (g_trapped) return;
        g_trapped = 1;
        if (::write(1, "trapped\n", 8) != 8) ::_exit(3);
        ::raise(SIGTERM);
        trappedCallReturns(context, 0);
    };
    ASSERT_TRUE(trapCalls({{SYS_flock, 1, LOCK_EX | LOCK_NB}}, onTrap));
    g_refuseLocks = 1;
    try {
        const vb::TemporaryFile refused(folder, "DcFile.", ".gif", "refused");
        ADD_FAILURE() << "made without its lock";
    } catch (const vb::VbError& e) {
        std::printf("refused: (%d) %s; %d temporary files\n", e.number(), e.file().c_str(),
                    temporaries(folder));
        std::fflush(stdout);
    }
    g_refuseLocks = 0;
    // The new file is the next descriptor, or the one after (the folder's).
    const int next = nextDescriptor();
    ASSERT_TRUE(trapCalls({{SYS_write, 0, std::uint32_t(next)},
                           {SYS_write, 0, std::uint32_t(next + 1)},
                           {SYS_pwrite64, 0, std::uint32_t(next)},
                           {SYS_pwrite64, 0, std::uint32_t(next + 1)}},
                          onTrap));
    const vb::TemporaryFile made(folder, "DcFile.", ".gif", "made");
    ADD_FAILURE() << "still running";
}

// A termination signal that another thread of the process takes while a
// temporary file is being made (the file exists, its name is not yet kept
// for the end: the end signals are held only on the thread that makes it)
// waits for the name and removes the file on the way out. It waits as a
// signal handler may: not in nanosleep, which POSIX does not list as safe
// there.
TEST(ProgramEnd, TerminatedOnAnotherThreadAsATemporaryFileIsMadeLeavesNothing) {
    if (!kTrappedCallsCanSucceed) GTEST_SKIP() << "no trapped call can succeed on this machine";
    QTemporaryDir dir;
    const ChildEnd end = runChild("ProgramEndChild.TerminatedOnAnotherThreadAsItMakesATemporaryFile",
                                  dir.path().toStdString());
    ASSERT_NE(end.said.find("trapped"), std::string::npos) << end.said;
    EXPECT_NE(end.said.find("the end waits"), std::string::npos) << end.said;
    EXPECT_EQ(end.said.find("nanosleep"), std::string::npos) << end.said;
    EXPECT_EQ(end.status, QProcess::CrashExit) << end.said;
    EXPECT_EQ(temporaries(dir.path().toStdString()), 0);
}

std::atomic<pid_t> g_otherThread{0};
char g_otherStatus[64];

// Starts a thread that sets its traps with trap() and then only waits for
// them to fire; returns once g_otherThread names it, or is -1 when the traps
// could not be set.
void startTrappingThread(std::function<bool()> trap) {
    g_otherThread = 0;
    std::thread([trap = std::move(trap)] {
        g_otherThread = trap() ? ::gettid() : -1;
        for (;;)
            ::pause();
    }).detach();
    while (g_otherThread == 0)
        std::this_thread::yield();
}

// Whether the thread whose /proc status file is named sleeps inside its
// handler of the signal (blocked there while the handler runs).
// Async-signal-safe.
bool sleepsInHandlerOf(const char* statusFile, int signal) {
    char text[4096];
    const int fd = ::open(statusFile, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    const char* state = std::strstr(text, "\nState:\t");
    const char* blocked = std::strstr(text, "\nSigBlk:\t");
    if (!state || !blocked || state[8] != 'S') return false;
    // SigBlk is 64 bits in hexadecimal, signal n at bit n - 1.
    std::uint64_t mask = 0;
    for (const char* c = blocked + 9; std::isxdigit(static_cast<unsigned char>(*c)); ++c)
        mask = mask << 4 | std::uint64_t(*c <= '9' ? *c - '0' : (*c | 0x20) - 'a' + 10);
    return mask >> (signal - 1) & 1;
}

TEST(ProgramEndChild, TerminatedOnAnotherThreadAsItMakesATemporaryFile) {
    const std::string folder =
        childFolder("ProgramEndChild.TerminatedOnAnotherThreadAsItMakesATemporaryFile");
    if (folder.empty())
        GTEST_SKIP() << "run by ProgramEnd.TerminatedOnAnotherThreadAsATemporaryFileIsMadeLeavesNothing";
    vb::setProgramFolder(folder);
    { const vb::TemporaryFile before(folder, "DcFile.", ".gif", "x"); } // the end's handlers are in place
    // The file is made and about to be locked: the other thread takes the
    // signal, and this one goes on once the other waits in its handler. The
    // other thread's sleeps are told, and made as waits in poll.
    const auto onTrap = [](int, siginfo_t* call, void* context) {
        if (call->si_syscall != SYS_flock) {
            if (::write(1, "the end sleeps in nanosleep\n", 28) != 28) ::_exit(3);
            ::poll(nullptr, 0, 1);
            trappedCallReturns(context, 0);
            return;
        }
        if (g_trapped) return;
        g_trapped = 1;
        trappedCallReturns(context, 0);
        if (::write(1, "trapped\n", 8) != 8) ::_exit(3);
        ::syscall(SYS_tgkill, ::getpid(), pid_t(g_otherThread), SIGTERM);
        for (int i = 0; i < 10000; ++i) {
            if (sleepsInHandlerOf(g_otherStatus, SIGTERM)) {
                if (::write(1, "the end waits\n", 14) != 14) ::_exit(3);
                return;
            }
            const timespec ms{0, 1000000};
            ::nanosleep(&ms, nullptr);
        }
    };
    startTrappingThread([onTrap] {
#ifdef SYS_nanosleep
        return trapCalls({{SYS_nanosleep, -1, 0}, {SYS_clock_nanosleep, -1, 0}}, onTrap);
#else
        return trapCalls({{SYS_clock_nanosleep, -1, 0}}, onTrap);
#endif
    });
    ASSERT_GT(g_otherThread, 0);
    std::snprintf(g_otherStatus, sizeof g_otherStatus, "/proc/self/task/%d/status", int(g_otherThread));
    std::fflush(stdout);
    ASSERT_TRUE(trapCalls({{SYS_flock, 1, LOCK_EX | LOCK_NB}}, onTrap));
    const vb::TemporaryFile made(folder, "DcFile.", ".gif", "made");
    std::this_thread::sleep_for(std::chrono::seconds(20));
    ADD_FAILURE() << "still running";
}

// A termination signal that arrives as a temporary file is removed does not
// remove its name a second time: another program may have taken the name
// in between.
TEST(ProgramEnd, TerminatedAsATemporaryFileGoesLeavesTheNameToOthers) {
    QTemporaryDir dir;
    const ChildEnd end =
        runChild("ProgramEndChild.TerminatedAsItRemovesATemporaryFile", dir.path().toStdString());
    const size_t at = end.said.find("removing ");
    ASSERT_NE(at, std::string::npos) << end.said;
    const std::string name = end.said.substr(at + 9, end.said.find('\n', at) - at - 9);
    EXPECT_EQ(end.status, QProcess::CrashExit) << end.said;
    EXPECT_EQ(testing_support::readBytes(name), "another program's");
}

TEST(ProgramEndChild, TerminatedAsItRemovesATemporaryFile) {
    const std::string folder = childFolder("ProgramEndChild.TerminatedAsItRemovesATemporaryFile");
    if (folder.empty())
        GTEST_SKIP() << "run by ProgramEnd.TerminatedAsATemporaryFileGoesLeavesTheNameToOthers";
    vb::setProgramFolder(folder);
    auto removed = std::make_unique<vb::TemporaryFile>(folder, "DcFile.", ".gif", "ours");
    std::printf("removing %s\n", removed->path().c_str());
    std::fflush(stdout);
    std::snprintf(g_name, sizeof g_name, "%s", std::filesystem::path(removed->path()).filename().c_str());
    g_folder = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(g_folder, 0);
    // A removal of the name goes ahead (as a rename, which is not trapped),
    // another program makes a file under the name, and the signal comes.
    const auto remove = [](int, siginfo_t*, void*) {
        if (::renameat(g_folder, g_name, g_folder, "removed") != 0) ::_exit(3);
        if (g_trapped) return;
        g_trapped = 1;
        const int other = ::openat(g_folder, g_name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (::write(other, "another program's", 17) != 17) ::_exit(3);
        ::close(other);
        ::raise(SIGTERM);
    };
#ifdef SYS_unlink
    ASSERT_TRUE(trapCalls({{SYS_unlink, -1, 0}, {SYS_unlinkat, -1, 0}}, remove));
#else
    ASSERT_TRUE(trapCalls({{SYS_unlinkat, -1, 0}}, remove));
#endif
    removed.reset();
    ADD_FAILURE() << "still running";
}

// The end's clean-up runs to its end, whatever happens meanwhile. A second
// end signal (an interrupt while a termination is handled) waits for it,
// whether its own thread or another one takes it, and the process ends by
// the first. The owner of a file that the end removes at that moment on
// another thread leaves it the file's folder: should the owner close that
// folder, a folder opened next would take its number, and the end would
// remove the same name there.
TEST(ProgramEnd, EndRunsItsCleanUpToItsEnd) {
    if (!kTrappedCallsCanSucceed) GTEST_SKIP() << "no trapped call can succeed on this machine";
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    std::filesystem::create_directories(base + "/app");
    std::filesystem::create_directories(base + "/other");
    const ChildEnd end = runChild("ProgramEndChild.EndsAsItsFileIsLetGo", base);
    ASSERT_NE(end.said.find("the end removes"), std::string::npos) << end.said;
    EXPECT_NE(end.said.find("the second end waits"), std::string::npos) << end.said;
    EXPECT_NE(end.said.find("the clean-up goes on"), std::string::npos) << end.said;
    EXPECT_EQ(end.status, QProcess::CrashExit) << end.said;
    EXPECT_EQ(end.code, SIGTERM) << end.said;
    EXPECT_EQ(temporaries(base + "/app"), 0);
    ASSERT_EQ(temporaries(base + "/other"), 1);
    for (const auto& e : std::filesystem::directory_iterator(base + "/other"))
        EXPECT_EQ(testing_support::readBytes(e.path().string()), "another folder's");
}

// The end's removal, trapped on the thread that ends, made by the main
// thread once the file's owner has let it go. The main thread holds the end
// signals all along, so that the interrupt sent to the process meanwhile
// goes to a third thread, which idles as a toolkit's threads do.
volatile std::sig_atomic_t g_stage = 0;
pid_t g_process = 0;
long g_removal[3];
long g_removed = 0;
char g_idleStatus[64];

TEST(ProgramEndChild, EndsAsItsFileIsLetGo) {
    const std::string base = childFolder("ProgramEndChild.EndsAsItsFileIsLetGo");
    if (base.empty()) GTEST_SKIP() << "run by ProgramEnd.EndRunsItsCleanUpToItsEnd";
    vb::setProgramFolder(base + "/app");
    auto made = std::make_unique<vb::TemporaryFile>(base + "/app", "DcFile.", ".gif", "ours");
    testing_support::writeBytes(base + "/other/" + std::filesystem::path(made->path()).filename().string(),
                                "another folder's");
    const int other = ::open((base + "/other").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    g_process = ::getpid();
    startTrappingThread([] {
        return trapCalls({{SYS_unlinkat, -1, 0}}, [](int, siginfo_t*, void* context) {
            for (int i = 0; i < 3; ++i)
                g_removal[i] = trappedArgument(context, i);
            if (::write(1, "the end removes\n", 16) != 16) ::_exit(3);
            // An interrupt to this thread, and one to the process.
            ::syscall(SYS_tgkill, g_process, ::gettid(), SIGINT);
            ::kill(g_process, SIGINT);
            for (int seen = 0, i = 0; seen < 3 && i < 20000; ++i) {
                seen = sleepsInHandlerOf(g_idleStatus, SIGINT) ? seen + 1 : 0;
                if (seen == 3 && ::write(1, "the second end waits\n", 21) != 21) ::_exit(3);
                ::poll(nullptr, 0, 1);
            }
            if (::write(1, "the clean-up goes on\n", 21) != 21) ::_exit(3);
            g_stage = 1;
            for (int i = 0; i < 20000 && g_stage != 2; ++i)
                ::poll(nullptr, 0, 1);
            trappedCallReturns(context, g_removed);
        });
    });
    ASSERT_GT(g_otherThread, 0);
    std::atomic<pid_t> idle{0};
    std::thread([&idle] {
        idle = ::gettid();
        for (;;)
            ::pause();
    }).detach();
    while (idle == 0)
        std::this_thread::yield();
    std::snprintf(g_idleStatus, sizeof g_idleStatus, "/proc/self/task/%d/status", int(idle));
    sigset_t ends;
    sigemptyset(&ends);
    for (int s : {SIGTERM, SIGINT, SIGHUP, SIGQUIT})
        sigaddset(&ends, s);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &ends, nullptr), 0);
    std::fflush(stdout);
    ::syscall(SYS_tgkill, g_process, pid_t(g_otherThread), SIGTERM);
    for (int i = 0; i < 40000 && g_stage != 1; ++i)
        ::poll(nullptr, 0, 1);
    ASSERT_EQ(g_stage, 1);
    made.reset();
    // A folder opened now takes the lowest number free.
    const int folder = int(g_removal[0]);
    if (::fcntl(folder, F_GETFD) < 0) ::dup2(other, folder);
    g_removed =
        ::unlinkat(folder, reinterpret_cast<const char*>(g_removal[1]), int(g_removal[2])) == 0 ? 0 : -errno;
    g_stage = 2;
    std::this_thread::sleep_for(std::chrono::seconds(20));
    ADD_FAILURE() << "still running";
}

// A copy over a file is renamed into place in the folder its part file was
// made in: a folder renamed while the copy runs, its old name then a link
// to another folder, the file of that name in the other folder stays. The
// copy holds a block of the file at a time, however large.
TEST(ProgramEnd, CopyIsRenamedInItsOwnFolderABlockAtATime) {
    if (!kTrappedCallsCanSucceed) GTEST_SKIP() << "no trapped call can succeed on this machine";
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    fs::create_directories(base + "/app");
    fs::create_directories(base + "/other");
    testing_support::writeBytes(base + "/app/X0012.gif", "damaged");
    testing_support::writeBytes(base + "/other/X0012.gif", "another folder's");
    // A large recovery copy that takes no room but its end.
    const std::uintmax_t size = 128u << 20;
    {
        std::FILE* rec = std::fopen((base + "/app/X0012.REC").c_str(), "wb");
        ASSERT_TRUE(rec);
        ASSERT_EQ(std::fseek(rec, long(size - 4), SEEK_SET), 0);
        ASSERT_EQ(std::fwrite("REC!", 1, 4, rec), 4u);
        ASSERT_EQ(std::fclose(rec), 0);
    }
    // A sanitizer's quarantine would keep each block freed in memory.
    const QByteArray sanitizer = qgetenv("ASAN_OPTIONS");
    qputenv("ASAN_OPTIONS", sanitizer + ":quarantine_size_mb=0");
    const ChildEnd end = runChild("ProgramEndChild.CopiesAsItsFolderMoves", base);
    if (sanitizer.isNull())
        qunsetenv("ASAN_OPTIONS");
    else
        qputenv("ASAN_OPTIONS", sanitizer);
    ASSERT_NE(end.said.find("trapped"), std::string::npos) << end.said;
    EXPECT_NE(end.said.find("copied"), std::string::npos) << end.said;
    EXPECT_EQ(testing_support::readBytes(base + "/other/X0012.gif"), "another folder's");
    ASSERT_EQ(fs::file_size(base + "/app.moved/X0012.gif"), size);
    std::ifstream copied(base + "/app.moved/X0012.gif", std::ios::binary);
    char tail[5] = {};
    copied.seekg(std::streamoff(size - 4)).read(tail, 4);
    EXPECT_STREQ(tail, "REC!");
    EXPECT_EQ(std::distance(fs::directory_iterator(base + "/other"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(base + "/app.moved"), fs::directory_iterator()), 2);
    const std::size_t at = end.said.find("grew by ");
    ASSERT_NE(at, std::string::npos) << end.said;
    EXPECT_LT(std::stol(end.said.substr(at + 8)), long(size >> 10) / 4) << end.said;
}

std::string g_base;

TEST(ProgramEndChild, CopiesAsItsFolderMoves) {
    g_base = childFolder("ProgramEndChild.CopiesAsItsFolderMoves");
    if (g_base.empty()) GTEST_SKIP() << "run by ProgramEnd.CopyIsRenamedInItsOwnFolderABlockAtATime";
    vb::setProgramFolder(g_base + "/app");
    // The part file is made and about to be locked.
    ASSERT_TRUE(trapCalls({{SYS_flock, 1, LOCK_EX | LOCK_NB}}, [](int, siginfo_t*, void* context) {
        trappedCallReturns(context, 0);
        if (g_trapped) return;
        g_trapped = 1;
        if (::write(1, "trapped\n", 8) != 8) ::_exit(3);
        const std::string app = g_base + "/app";
        if (::rename(app.c_str(), (app + ".moved").c_str()) != 0 ||
            ::symlink((g_base + "/other").c_str(), app.c_str()) != 0)
            ::_exit(3);
    }));
    rusage before{};
    ::getrusage(RUSAGE_SELF, &before);
    try {
        vb::FileCopy(g_base + "/app/X0012.REC", g_base + "/app/X0012.gif");
        std::printf("copied\n");
    } catch (const vb::VbError& e) {
        std::printf("not copied: (%d) %s\n", e.number(), e.description().c_str());
    }
    rusage after{};
    ::getrusage(RUSAGE_SELF, &after);
    std::printf("grew by %ld kB\n", after.ru_maxrss - before.ru_maxrss);
    std::fflush(stdout);
}

// A temporary file goes from the folder it was made in, whatever has become
// of that folder's name, and only in the process that made it. A program
// folder renamed while the program runs, its old name then a link to
// another folder: at the normal end and at a termination signal, the
// program's own files go, those made before the rename and after it, and
// the same names in the other folder stay. A child made by fork() that ends
// through exit() (as a death test does) leaves its parent's files alone.
// As the first process of a PID namespace, which the kernel never sends a
// signal whose action is the default, the program still ends at a
// termination or an interrupt, once its files are gone, with the status a
// shell gives such an end.
TEST(ProgramEnd, TemporaryFilesGoFromTheirOwnFolderInTheirOwnProcess) {
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    {
        vb::setProgramFolder(dir.path().toStdString());
        const vb::TemporaryFile held(dir.path().toStdString(), "DcFile.", ".gif", "the parent's");
        EXPECT_EXIT(std::exit(0), ::testing::ExitedWithCode(0), "");
        EXPECT_EQ(testing_support::readBytes(held.path()), "the parent's");
        vb::setProgramFolder("");
    }
    std::string noNamespace;
    const auto firstProcess = firstOfAPidNamespace(noNamespace);
    if (!firstProcess)
        std::printf("not run as the first process of a PID namespace: %s\n", noNamespace.c_str());
    for (const std::string how : {"exit", "terminate", "terminate as the first", "interrupt as the first"}) {
        SCOPED_TRACE(how);
        const bool first = how.find("first") != std::string::npos;
        if (first && !firstProcess) continue;
        const std::string base = dir.path().toStdString() + "/" + how;
        fs::create_directories(base + "/app");
        fs::create_directories(base + "/other");
        const ChildEnd end = runChild("ProgramEndChild.EndsWithItsFolderMoved", base, how.c_str(),
                                      first ? *firstProcess : QStringList());
        ASSERT_NE(end.said.find("ending with 2 temporary files"), std::string::npos) << end.said;
        EXPECT_EQ(end.said.find("went on"), std::string::npos) << end.said;
        if (how == "exit") {
            EXPECT_EQ(end.status, QProcess::NormalExit) << end.said;
            EXPECT_EQ(end.code, 0) << end.said;
        } else if (first) {
            EXPECT_EQ(end.status, QProcess::NormalExit) << end.said;
            EXPECT_EQ(end.code, 128 + (how[0] == 't' ? SIGTERM : SIGINT)) << end.said;
        } else {
            EXPECT_EQ(end.status, QProcess::CrashExit) << end.said;
        }
        EXPECT_EQ(temporaries(base + "/app.moved"), 0);
        ASSERT_EQ(temporaries(base + "/other"), 2);
        for (const auto& e : fs::directory_iterator(base + "/other"))
            EXPECT_EQ(testing_support::readBytes(e.path().string()), "another folder's");
    }
}

TEST(ProgramEndChild, EndsWithItsFolderMoved) {
    namespace fs = std::filesystem;
    const std::string base = childFolder("ProgramEndChild.EndsWithItsFolderMoved");
    if (base.empty()) GTEST_SKIP() << "run by ProgramEnd.TemporaryFilesGoFromTheirOwnFolderInTheirOwnProcess";
    const std::string app = base + "/app";
    vb::setProgramFolder(app);
    const vb::TemporaryFile before(app, "DcFile.", ".gif", "made before");
    fs::rename(app, app + ".moved");
    const vb::TemporaryFile after(app, "DcFile.", ".gif", "made after");
    ASSERT_EQ(temporaries(app + ".moved"), 2);
    fs::create_directory_symlink(base + "/other", app);
    for (const vb::TemporaryFile* made : {&before, &after})
        testing_support::writeBytes(base + "/other/" + fs::path(made->path()).filename().string(),
                                    "another folder's");
    std::printf("ending with %d temporary files\n", temporaries(app + ".moved"));
    std::fflush(stdout);
    const QByteArray how = qgetenv("CATALOGUE_TEST_END_HOW");
    if (how.startsWith("terminate")) ::raise(SIGTERM);
    if (how.startsWith("interrupt")) ::raise(SIGINT);
    if (how != "exit") std::printf("went on after the signal\n");
    std::exit(0);
}

} // namespace
