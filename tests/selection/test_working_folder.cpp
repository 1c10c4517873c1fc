// The working folder is the user's, never the program's: neither the
// program nor a library working for it looks a name up there, runs a
// program from there or makes anything there, whatever the environment
// names relative to it; and while the start is away from it, in Qt's plugin
// folder, a crash writes no core file. Every system call that names a file,
// a folder or a socket is recorded, on every thread and in every child,
// from the exec to the end.
#include "app/windows.h"
#include "core/module1.h"
#include "core/start_window.h"
#include "diagrams/diagram_list.h"
#include "diagrams/diagram_viewer.h"
#include "platform/events.h"
#include "platform/form.h"
#include "platform/printer.h"
#include "platform/program_folder.h"
#include "selection/main_window.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/named_calls.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// Set, to the program folder it runs from, for the copy of this test
// program that makes the whole run.
constexpr const char* kWholeRun = "CATALOGUE_TEST_WHOLE_RUN";

// A working folder that holds what the program or a library would take if
// it looked there: a file at the name fontconfig's application fonts are
// given, Qt's settings moving its plugin folder here, a plugin of each kind
// Qt looks for, and files named like the program's own data.
void plant(const fs::path& work) {
    fs::create_directories(work / ":");
    writeBytes((work / ":/non-existent").string(), "not a font");
    fs::copy(MARKER_PLUGINS, work, fs::copy_options::recursive);
    const std::string moved = "[Paths]\nPrefix=" + work.string() + "\nPlugins=" + work.string() + "\n";
    writeBytes((work / "qt.conf").string(), moved);
    writeBytes((work / "qt6.conf").string(), moved);
    for (const char* folder : {"Ark", "mas", "psc"})
        fs::create_directories(work / folder);
    writeBytes((work / "Ark/Xmarche.dbf").string(), "not a table");
    writeBytes((work / "kvt95.ccc").string(), "1");
}

// A copy of the sample data in folder.
void copyData(const fs::path& folder) {
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(SAMPLE_DATA_DIR))
        if (entry.is_directory())
            fs::copy(entry.path(), folder / entry.path().filename(), fs::copy_options::recursive);
}

// This process's environment for a start on the Qt platform given, each
// variable named in set given the value there ("NAME=value") or left out
// ("NAME").
std::vector<std::string> environment(std::vector<std::string> set, const std::string& platform) {
    set.push_back("QT_QPA_PLATFORM=" + platform);
    const auto name = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::none_of(set.begin(), set.end(), [&](const std::string& s) { return name(s) == name(*e); }))
            env.emplace_back(*e);
    std::copy_if(set.begin(), set.end(), std::back_inserter(env),
                 [](const std::string& s) { return s.find('=') != std::string::npos; });
    return env;
}

// Every file and folder below folder, named from it.
std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> all;
    std::error_code error;
    for (auto e = fs::recursive_directory_iterator(folder, error); !error && e != fs::end(e);
         e.increment(error))
        all.insert(fs::relative(e->path(), folder).string());
    return all;
}

// What is in folder now that was not among before, removed: it is the
// test's own making.
std::set<std::string> removeNew(const fs::path& folder, const std::set<std::string>& before) {
    std::set<std::string> made;
    for (const std::string& name : names(folder))
        if (!before.count(name)) made.insert(name);
    for (const std::string& name : made) {
        std::error_code gone;
        fs::remove_all(folder / name, gone);
    }
    return made;
}

std::string joined(const std::set<std::string>& names) {
    std::string all;
    for (const std::string& name : names)
        all += name + "\n";
    return all;
}

const std::string& qtPlugins() {
    static const std::string folder = QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString();
    return folder;
}

// Every call that looked a name up from the working folder, whichever
// folder that was at the moment, or named the user's working folder or
// anything below it. Taking the folder itself as the place to come back to
// (a change of folder to it, or a descriptor that only marks it, O_PATH)
// looks nothing up there.
std::string lookedUpThere(const Recording& run, const fs::path& work) {
    const std::vector<std::string> names = {work.string(), fs::canonical(work).string()};
    std::string found;
    for (const NamedCall& c : run.calls) {
        const std::string path = c.path();
        const bool place = c.call == "chdir" || c.call == "fchdir" || (c.openFlags & O_PATH) != 0;
        const bool there = std::any_of(names.begin(), names.end(), [&](const std::string& folder) {
            return isInside(path, folder) && !(place && path == folder);
        });
        if (c.fromWorkingFolder || there) found += c.describe() + "\n";
    }
    return found;
}

// The first folder of every relative name the tests give in the
// environment: the variables' values start with it.
constexpr const char* kFromHere = "from-here";

// Every call that named a place through such a value: looked up from
// whichever folder was the working folder, or made absolute from it (as
// the C library and fontconfig make some names), Qt's plugin folder while
// the set-up runs there.
std::string namedThroughRelativeValues(const Recording& run) {
    std::string found;
    for (const NamedCall& c : run.calls) {
        const std::string path = c.path() + "/";
        if (path.find(std::string("/") + kFromHere + "/") != std::string::npos) found += c.describe() + "\n";
    }
    return found;
}

// The files opened in folder, named from it in lower case.
std::vector<std::string> openedIn(const Recording& run, const std::string& folder) {
    std::vector<std::string> opened;
    for (const NamedCall& c : run.calls) {
        const std::string path = c.path();
        if (path.size() > folder.size() && isInside(path, folder) && c.call.rfind("open", 0) == 0) {
            std::string name = path.substr(folder.size() + 1);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char ch) { return char(std::tolower(ch)); });
            opened.push_back(name);
        }
    }
    return opened;
}

bool has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A planted working folder and a copy of the program's data, each run
// from that folder under the recorder.
class WorkingFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        plant(work);
        copyData(folder);
    }
    Recording record(const std::vector<std::string>& argv, const std::vector<std::string>& set,
                     const std::string& platform = "offscreen", const AtCall& atCall = {}) const {
        return recordNamedCalls(argv, environment(set, platform), work.string(), std::chrono::seconds(100),
                                atCall);
    }
    // The program as built, beside the copy of its data.
    fs::path program() const {
        const fs::path exe = folder / "catalogue";
        std::error_code linked;
        if (!fs::exists(exe)) fs::create_hard_link(CATALOGUE_PROGRAM, exe, linked);
        if (linked) fs::copy_file(CATALOGUE_PROGRAM, exe);
        return exe;
    }
    // The record holds the opens of each of files (named from the data
    // folder in lower case), so that it is whole; and nothing in it was
    // looked up in the working folder.
    void expectNothingThere(const Recording& run, const std::vector<const char*>& files) const {
        const std::vector<std::string> opened = openedIn(run, folder.string());
        for (const char* file : files)
            EXPECT_TRUE(has(opened, file)) << file;
        const std::string there = lookedUpThere(run, work);
        EXPECT_TRUE(there.empty()) << there;
        const std::string relative = namedThroughRelativeValues(run);
        EXPECT_TRUE(relative.empty()) << relative;
    }

  private:
    QTemporaryDir dir_;

  protected:
    const fs::path root = dir_.path().toStdString();
    const fs::path work = root / "work";
    const fs::path folder = root / "program";
};

} // namespace

namespace {

// An X server of the test's own (Xvfb), for starts on the xcb platform.
class XServer {
  public:
    XServer() {
        const char* const server = "/usr/bin/Xvfb";
        int number[2];
        if (::access(server, X_OK) != 0 || ::pipe2(number, O_CLOEXEC) != 0) return;
        // Made before the fork: the child of a process with threads may only
        // make system calls until its exec.
        const std::string told = std::to_string(number[1]);
        const int quiet = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (quiet < 0 || ::dup2(quiet, 0) < 0 || ::dup2(quiet, 1) < 0 || ::dup2(quiet, 2) < 0 ||
                ::fcntl(number[1], F_SETFD, 0) != 0)
                ::_exit(126);
            ::execl(server, "Xvfb", "-displayfd", told.c_str(), "-nolisten", "tcp", "-screen", "0",
                    "1024x768x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(number[1]);
        if (quiet >= 0) ::close(quiet);
        // The server writes its display number once it accepts clients.
        std::string display;
        pollfd p{number[0], POLLIN, 0};
        for (char c = 0; pid_ > 0 && ::poll(&p, 1, 20000) == 1 && ::read(number[0], &c, 1) == 1 && c != '\n';)
            display += c;
        ::close(number[0]);
        if (!display.empty()) display_ = ":" + display;
    }
    ~XServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // Empty where none could be started.
    const std::string& display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

} // namespace

// The program itself started from such a folder, up to its first frame,
// offscreen and on X: the application's set-up beside the font warm-up's
// thread, the proof of the program's folder, the start window. Its
// environment names folders relative to the working folder: an empty entry
// and relative ones in PATH and in the XDG base-directory lists, relative
// XDG base directories (the runtime folder among them, which Qt makes
// where it is missing), and a relative value or entry of every other
// variable naming a file or folder that a library reads as the program
// starts: the user's folder and the temporary one, where Qt makes its
// runtime folder; fontconfig's folders and root; the C library's locale,
// conversion and time zone folders; Qt's platform plugin folder; on X the
// display's authority file, X's locale folders and the session bus. None
// counts: nothing is looked up or made there, nor in Qt's plugin folder,
// where the set-up runs. Its font configuration names a folder relative to
// the working folder as it is when the configuration is read: that is
// never the user's, since the set-up leaves it before the font warm-up's
// thread starts. Were another thread running as the set-up leaves, the
// set-up would be held there a moment, time for that thread to read its
// configuration in the user's working folder.
TEST_F(WorkingFolder, NothingIsLookedUpThereOnTheProgramsStart) {
    const fs::path configuration = root / "fonts.conf";
    writeBytes(configuration.string(),
               "<?xml version=\"1.0\"?><fontconfig><dir prefix=\"cwd\">relative-fonts</dir>"
               "<include>/etc/fonts/fonts.conf</include></fontconfig>");
    fs::create_directories(work / "relative-fonts");
    for (const char* made : {"home", "tmp"})
        fs::create_directories(work / kFromHere / made);
    const std::string here = std::string(kFromHere) + "/";
    const std::vector<std::string> relative = {
        "PATH=.:/usr/bin:bin:/bin:", "XDG_CONFIG_DIRS=config-dirs:/etc/xdg",
        "XDG_DATA_DIRS=:data-dirs:/usr/local/share:/usr/share", "XDG_RUNTIME_DIR=run",
        "XDG_CONFIG_HOME=config", "XDG_DATA_HOME=data", "XDG_CACHE_HOME=cache", "XDG_STATE_HOME=state",
        "HOME=" + here + "home", "TMPDIR=" + here + "tmp", "FONTCONFIG_PATH=" + here + "fonts:/etc/fonts",
        "FONTCONFIG_SYSROOT=" + here + "root", "LOCPATH=" + here + "locale", "GCONV_PATH=" + here + "gconv",
        // A zone's name is looked up in TZDIR.
        "TZ=Europe/Rome", "TZDIR=" + here + "zoneinfo", "QT_QPA_PLATFORM_PLUGIN_PATH=" + here + "platforms",
        "XAUTHORITY=" + here + "Xauthority", "ICEAUTHORITY=" + here + "ICEauthority",
        "XLOCALEDIR=" + here + "X11:/usr/share/X11/locale", "XCOMPOSEFILE=" + here + "Compose",
        // The bus is asked for the accessibility bus where that is not
        // given; an absolute address stays, so that no bus is started.
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + here + "bus;unix:path=" + (root / "no-bus").string(),
        "AT_SPI_BUS_ADDRESS=unix:path=" + here + "at-spi"};
    const XServer x;
    for (const std::string platform : {"offscreen", "xcb"}) {
        SCOPED_TRACE(platform);
        if (platform == "xcb" && x.display().empty())
            GTEST_SKIP() << "no X server for the test: Xvfb (package xvfb) did not start";
        const auto pluginsBefore = names(qtPlugins());
        const auto workBefore = names(work);
        std::vector<std::string> env = relative;
        env.push_back("CATALOGUE_FIRST_FRAME=1");
        env.push_back("FONTCONFIG_FILE=" + configuration.string());
        env.push_back(platform == "xcb" ? "DISPLAY=" + x.display() : "DISPLAY");
        // The sanitizers' leak check, matching what libdbus keeps against
        // its suppressions at the end, opens the kernel's vdso by its bare
        // name: not the program's doing.
        if (platform == "xcb")
            env.push_back("ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS").toStdString() +
                          ":detect_leaks=0");
        int threadsAsItLeaves = 0;
        const Recording run = record({program().string()}, env, platform, [&](const NamedCall& c) {
            if (c.call != "chdir" || c.path() != qtPlugins()) return std::chrono::milliseconds(0);
            threadsAsItLeaves = c.threads;
            return std::chrono::milliseconds(c.threads > 1 ? 3000 : 0);
        });
        ASSERT_EQ(run.error, "") << run.said;
        EXPECT_EQ(run.status, 0) << run.said;
        EXPECT_NE(run.said.find("first-frame "), std::string::npos) << run.said;
        EXPECT_EQ(threadsAsItLeaves, 1);
        expectNothingThere(run, {"des/des_ita.cpt", "mas/indice.cur"});
        EXPECT_EQ(joined(removeNew(qtPlugins(), pluginsBefore)), "");
        EXPECT_EQ(joined(removeNew(work, workBefore)), "");
    }
}

// The program started on X with no session bus: Qt asks D-Bus for one, and
// D-Bus starts dbus-launch to make it, by its installed name or, where that
// is missing, by the name alone through PATH. A PATH whose entries name the
// working folder (an empty entry, ".") or a folder relative to it, where a
// dbus-launch lies, runs none of them; one in an absolute folder named
// after them still runs, as the first start, whose PATH names that folder
// alone, shows that D-Bus starts one at all.
TEST_F(WorkingFolder, NoProgramRunsFromThere) {
    if (fs::exists("/usr/bin/dbus-launch"))
        GTEST_SKIP() << "dbus-launch is installed: D-Bus starts it, never one found through PATH";
    const XServer x;
    if (x.display().empty()) GTEST_SKIP() << "no X server for the test: Xvfb (package xvfb) did not start";
    const fs::path ran = root / "ran";
    const fs::path found = root / "found";
    const fs::path runtime = root / "runtime"; // no bus in it
    fs::create_directories(found);
    fs::create_directories(work / "bin");
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    // The planted ones tell that they ran; the one where it may be found
    // fails at once, as where no bus can be made, and is seen started.
    for (const fs::path& where : {work, work / "bin"}) {
        const fs::path launcher = where / "dbus-launch";
        writeBytes(launcher.string(),
                   "#!/bin/sh\necho " + where.string() + " >> " + ran.string() + "\nexit 1\n");
        fs::permissions(launcher, fs::perms::owner_all);
    }
    const fs::path foundLauncher = found / "dbus-launch";
    fs::copy_file("/bin/false", foundLauncher);
    const fs::path exe = program();
    const struct {
        std::string path;
        bool found; // the one found through an absolute entry runs
    } cases[] = {
        {"/usr/bin:/bin:" + found.string(), true},
        {"/usr/local/bin:/usr/bin:/bin:", false},
        {".:/usr/bin:/bin", false},
        {"bin::/usr/bin:" + found.string(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const Recording run =
            record({exe.string()},
                   {"CATALOGUE_FIRST_FRAME=1", "DISPLAY=" + x.display(), "DBUS_SESSION_BUS_ADDRESS",
                    "XDG_RUNTIME_DIR=" + runtime.string(), "PATH=" + c.path,
                    // The sanitizers' leak check, matching what libdbus
                    // keeps against its suppressions at the end, opens the
                    // kernel's vdso by its bare name: not the program's
                    // doing.
                    "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS").toStdString() + ":detect_leaks=0"},
                   "xcb");
        const bool foundRan = std::any_of(run.calls.begin(), run.calls.end(), [&](const NamedCall& call) {
            return call.call == "execve" && call.path() == foundLauncher.string();
        });
        if (&c == &cases[0] && !foundRan)
            GTEST_SKIP() << "D-Bus started no dbus-launch for a start on X without a session bus\n"
                         << run.said;
        ASSERT_EQ(run.error, "") << run.said;
        EXPECT_EQ(run.status, 0) << run.said;
        EXPECT_NE(run.said.find("first-frame "), std::string::npos) << run.said;
        EXPECT_EQ(foundRan, c.found);
        std::error_code missing;
        EXPECT_FALSE(fs::exists(ran)) << readBytes(ran.string());
        fs::remove(ran, missing);
        const std::string there = lookedUpThere(run, work);
        EXPECT_TRUE(there.empty()) << there;
    }
}

namespace {

// The limit on core files the /proc file of a thread tells: soft and hard.
std::string coreLimit(pid_t thread) {
    std::ifstream in("/proc/" + std::to_string(thread) + "/limits");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("Max core file size", 0) == 0) {
            std::istringstream words(line.substr(18));
            std::string soft, hard;
            words >> soft >> hard;
            return soft + " " + hard;
        }
    return "";
}

} // namespace

// The program as built, ended by SIGQUIT, which dumps core, under a core
// pattern relative to the working folder (Debian's "core"), with core files
// allowed. Once it is back in its working folder the limit is the user's
// again, and the core file is written there. While its set-up runs in Qt's
// plugin folder none is written, there or anywhere: the set-up allows no
// core file until the process is back.
TEST_F(WorkingFolder, ACrashAwayFromItWritesNoCoreFile) {
    const std::string pattern = readBytes("/proc/sys/kernel/core_pattern");
    if (pattern.empty() || pattern[0] == '/' || pattern[0] == '|')
        GTEST_SKIP() << "the core pattern is not relative to the working folder: " << pattern;
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_CORE, &limit), 0);
    if (limit.rlim_max == 0) GTEST_SKIP() << "no core file is allowed here";
    // The program's start inherits the limit; the test's own is put back.
    const rlimit before = limit;
    limit.rlim_cur = limit.rlim_max;
    ASSERT_EQ(::setrlimit(RLIMIT_CORE, &limit), 0);
    const auto putBack = qScopeGuard([&before] { ::setrlimit(RLIMIT_CORE, &before); });
    const std::string allowed = coreLimit(::getpid());
    const fs::path exe = program();
    // Back first: a core file written then shows that this system writes one.
    for (const bool away : {false, true}) {
        SCOPED_TRACE(away ? "away" : "back");
        const auto pluginsBefore = names(qtPlugins());
        const auto workBefore = names(work);
        bool left = false, returning = false, quit = false;
        std::string limitAway;
        const Recording run = record(
            {exe.string()},
            // The sanitizers' own default allows none.
            {"CATALOGUE_FIRST_FRAME=1",
             "ASAN_OPTIONS=" + qEnvironmentVariable("ASAN_OPTIONS").toStdString() + ":disable_coredump=0"},
            "offscreen", [&](const NamedCall& c) {
                std::error_code error;
                const fs::path cwd = fs::read_symlink("/proc/" + std::to_string(c.thread) + "/cwd", error);
                if (quit) return std::chrono::milliseconds(0);
                if (c.call == "chdir" && c.path() == qtPlugins()) left = true;
                if (c.call == "fchdir" && left) returning = true;
                // The call after the change of folder is made once it is.
                const bool now = away ? left && !returning && cwd == qtPlugins()
                                      : returning && cwd == work && coreLimit(c.thread) == allowed;
                if (away && now) limitAway = coreLimit(c.thread);
                if (now) quit = ::kill(c.thread, SIGQUIT) == 0;
                return std::chrono::milliseconds(0);
            });
        const std::set<std::string> inPlugins = removeNew(qtPlugins(), pluginsBefore);
        const std::set<std::string> inWork = removeNew(work, workBefore);
        ASSERT_TRUE(quit) << (away ? "never away from the working folder" : "the limit never given back")
                          << "\n"
                          << run.said;
        EXPECT_EQ(run.signal, SIGQUIT) << run.said;
        EXPECT_EQ(joined(inPlugins), "");
        if (away) {
            EXPECT_EQ(limitAway, "0 " + allowed.substr(allowed.find(' ') + 1));
            EXPECT_FALSE(run.dumped);
            EXPECT_EQ(joined(inWork), "");
        } else {
            if (!run.dumped && inWork.empty()) GTEST_SKIP() << "this system wrote no core file";
            EXPECT_TRUE(run.dumped);
            EXPECT_EQ(inWork.size(), 1u) << joined(inWork);
        }
    }
}

// The program run from such a folder with its data elsewhere: the start
// window, a language, the main window with a brand, a family and a model,
// the diagram list and a diagram printed, the data sheet, a text viewer,
// the trouble codes and the manual. The print system is asked for its
// printers on the way, with the user's and the temporary folder, its own
// folders, its TLS library's files and the system bus named relative to
// the working folder: none counts.
TEST_F(WorkingFolder, NothingIsLookedUpThereInAWholeRun) {
    for (const char* made : {"home", "tmp"})
        fs::create_directories(work / kFromHere / made);
    const std::string here = std::string(kFromHere) + "/";
    const Recording run = record(
        {fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=WorkingFolderChild.WholeRun"},
        {std::string(kWholeRun) + "=" + folder.string(), "HOME=" + here + "home", "TMPDIR=" + here + "tmp",
         "CUPS_SERVERROOT=" + here + "cups", "CUPS_DATADIR=" + here + "cups-data",
         "CUPS_STATEDIR=" + here + "cups-state", "CUPS_SERVERBIN=" + here + "cups-bin",
         "GNUTLS_SYSTEM_PRIORITY_FILE=" + here + "priorities", "SSLKEYLOGFILE=" + here + "keys",
         "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + here + "system-bus"});
    ASSERT_EQ(run.error, "") << run.said;
    ASSERT_NE(run.said.find("[  PASSED  ] 1 test."), std::string::npos) << run.said;
    EXPECT_EQ(run.status, 0) << run.said;
    // On the way to each window and to the printout.
    expectNothingThere(run, {"ark/xmarche.dbf", "ark/xmod_01.dbf", "ark/xpsc.dbf", "ark/dati_ita.cpt",
                             "obd/xcod_ita.dbf", "hlp/tx_ita/hlp001.cpt", "print-1.pdf"});
}

namespace {
class WorkingFolderChild : public WindowTest {};
} // namespace

// The run the test above records, as a user makes it: each window shown
// and painted, and the next one opened from it.
TEST_F(WorkingFolderChild, WholeRun) {
    if (!qEnvironmentVariableIsSet(kWholeRun)) GTEST_SKIP() << "run by the WorkingFolder tests";
    // The folder prepared for the run, so that the copy made for this test
    // is no part of what the run opens.
    const std::string folder = qEnvironmentVariable(kWholeRun).toStdString();
    vb::setProgramFolder(folder);
    vb::proveProgramFolderForTests();
    vb::Printer().setPdfOutput(folder + "/print-%1.pdf");
    std::vector<std::string> opened;
    svc.onShow = [&](vb::Form* form, const std::string& name) {
        opened.push_back(name);
        if (!form) return;
        form->Show();
        QApplication::processEvents();
        if (name == "Form2") {
            selection::Form2& f = chooseVehicle("ARDESIA", "ALBA", "ALBA 1.2 16V");
            QApplication::processEvents();
            f.Label10_Click(0);          // the diagram list
            f.Label10_Click(1);          // the data sheet
            f.Label10_Click(3);          // a text
            f.toolbar.Command20_Click(); // the trouble codes
            f.toolbar.Command5_Click();  // the manual
        } else if (name == "Form15") {
            diagrams::Form15& list = diagrams::Form15::get();
            list.MSGrid1.setRow(0);
            list.MSGrid1_DblClick();
        } else if (name == "Form5") {
            diagrams::Form5& viewer = diagrams::Form5::get();
            viewer.Command8_Click(); // in colour
            viewer.Timer1_Timer();
        }
    };
    QTimer press;
    chooseLanguageOnceShown(press, 0);
    // As the program runs (runProgram), on the windows this test registered.
    ::startProgram();
    EXPECT_EQ(vb::execProgram(), 0);
    EXPECT_EQ(opened,
              (std::vector<std::string>{"Form2", "Form15", "Form5", "Form16", "Form7", "Form4", "Form8"}));
    EXPECT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_TRUE(fs::exists(folder + "/print-1.pdf"));
}
