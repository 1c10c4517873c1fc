// The program folder: taken from where the running program lies, whatever
// its name (not plain ASCII, not UTF-8, a backslash in it), never the
// working folder, and walked for leftovers only when proven to be the
// program's own.
#include "app/windows.h"
#include "core/module1.h"
#include "core/start_window.h"
#include "platform/events.h"
#include "platform/file_io.h"
#include "platform/form.h"
#include "platform/leftovers.h"
#include "platform/path_text.h"
#include "platform/paths.h"
#include "platform/program_folder.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "sampledata/expected.h"
#include "selection/main_window.h"
#include "support/fixtures.h"
#include "support/fuse_share.h"
#include "support/harness.h"
#include "support/injected_faults.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <link.h>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testing_support;
using selection::Form2;
namespace ex = sampledata::expected;
namespace fs = std::filesystem;

namespace {

class ProgramFolder : public WindowTest {
  protected:
    // Moves this test's data set into a sub-folder of that name (UTF-8 on
    // disk, as the file system names it) and makes it the program folder.
    std::string useFolder(const std::string& utf8Name) {
        const fs::path folder = fs::path(appPath()) / utf8Name;
        fs::create_directory(folder);
        for (const auto& entry : fs::directory_iterator(appPath()))
            if (entry.is_directory() && entry.path() != folder)
                fs::rename(entry.path(), folder / entry.path().filename());
        vb::setProgramFolder(folder.string());
        return folder.string();
    }
};

} // namespace

TEST_F(ProgramFolder, NonAsciiNameIsShownAsNamedAndEveryFileIsFound) {
    useFolder("Citt\xC3\xA0 Dati");
    startProgram();
    core::Form1& start = core::Form1::get();
    EXPECT_TRUE(svc.boxes.empty());
    // The program folder is text like every other path: one character for
    // the accented letter, shown as it is named.
    EXPECT_TRUE(vb::toQt(core::AppPath).endsWith(QString::fromUtf8("Citt\xC3\xA0 Dati"))) << core::AppPath;
    EXPECT_FALSE(start.Image2.Picture().isNull());
    EXPECT_FALSE(start.Label1.Caption().empty());
    EXPECT_GT(start.ListAllDescr.ListCount(), 0);

    Form2& f = Form2::get();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
    EXPECT_FALSE(f.Image1.Picture().isNull());
    EXPECT_FALSE(f.Picture3.Picture().isNull()); // the first model's photo
    EXPECT_EQ(f.MSGrid1.TextMatrix(1, 0), std::string(ex::kFirstModel));
    EXPECT_GT(f.ListTipoPsc.ListCount(), 0);
    // Files the program writes land there too.
    EXPECT_TRUE(fs::exists(fs::path(vb::resolvePath(core::AppPath + "\\kvt95.ccc"))));

    // A message about a file there names the folder as it is named.
    fs::remove(vb::resolvePath(core::AppPath + "\\ark\\par_ita.cpt"));
    f.Load_DescrizioniParametri();
    ASSERT_EQ(svc.boxes.size(), 1u);
    const QString shown = vb::toQt(vb::displayPaths(svc.boxes[0].prompt));
    EXPECT_TRUE(shown.contains(QString::fromUtf8("/Citt\xC3\xA0 Dati/ark/par_ita.cpt")))
        << shown.toStdString();
}

TEST_F(ProgramFolder, NameOutsideWindows1252StaysReachable) {
    const std::string native = useFolder("\xD0\x94\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5"); // Cyrillic
    startProgram();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(vb::resolvePath(core::AppPath + "\\Ark\\XMARCHE.DBF"), native + "/Ark/Xmarche.dbf");
    Form2& f = Form2::get();
    EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
    EXPECT_TRUE(svc.boxes.empty());
}

// A backslash in the folder's own name is a letter of that name; only the
// separators written after it are turned into slashes.
TEST_F(ProgramFolder, BackslashInTheNameIsPartOfIt) {
    const std::string native = useFolder("my\\app");
    startProgram();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(core::AppPath, native);
    EXPECT_EQ(vb::resolvePath(core::AppPath + "\\Ark\\XMARCHE.DBF"), native + "/Ark/Xmarche.dbf");
    Form2& f = Form2::get();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.ListaMarche.ListCount(), ex::kOfferedBrands);
    EXPECT_FALSE(f.Picture3.Picture().isNull());
    EXPECT_TRUE(fs::exists(native + "/kvt95.ccc"));

    // A message names the folder as it is named.
    fs::remove(vb::resolvePath(core::AppPath + "\\ark\\par_ita.cpt"));
    f.Load_DescrizioniParametri();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_NE(vb::displayPaths(svc.boxes[0].prompt).find("/my\\app/ark/par_ita.cpt"), std::string::npos)
        << svc.boxes[0].prompt;
}

TEST_F(ProgramFolder, FileNamesWithAccentsResolveInEitherCase) {
    const std::string native = useFolder("dati");
    // A data file named with an accented letter, in UTF-8 on disk.
    const std::string onDisk = native + "/mas/Citt\xC3\xA0.txt";
    { std::ofstream(onDisk) << "x"; }
    EXPECT_EQ(vb::resolvePath(native + "\\mas\\Citt\xE0.txt"), onDisk);
    EXPECT_EQ(vb::resolvePath(native + "\\MAS\\CITT\xC0.TXT"), onDisk);
    EXPECT_TRUE(vb::fileExists(native + "\\mas\\citt\xE0.txt"));
    // One that does not exist yet is created under its UTF-8 name.
    vb::writeNew(native + "\\mas\\N\xE9.txt", "y");
    EXPECT_TRUE(fs::exists(native + "/mas/N\xC3\xA9.txt"));
}

// The desktop message box shows the paths of a message with the system's
// separator, whatever separator the window wrote.
TEST(MessagePaths, DesktopBoxShowsNativeSeparators) {
    vb::setServices(nullptr);
    QString shown;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    vb::MsgBox("Error: file /opt/Citt\xE0 Dati\\des\\des_ing.cpt not available", vb::vbCritical);
    EXPECT_EQ(shown, QString::fromUtf8("Error: file /opt/Citt\xC3\xA0 Dati/des/des_ing.cpt not available"));
}

namespace {

// Set for a copy of this test program that runs ProgramFolderChild.StartsAsTheProgram.
constexpr const char* kStartedAsProgram = "CATALOGUE_TEST_STARTED_AS_PROGRAM";
// The file a marker plugin (marker_plugin/marker.cpp) writes once it is loaded.
constexpr const char* kMarker = "CATALOGUE_TEST_MARKER";

// Set for a copy of this test program that shows, before main, how the Qt
// it runs on rebuilds its list of library paths as the application object
// is made: it gives the list Qt's plugin folder alone, makes the object,
// prints the list then and ends.
constexpr const char* kShowLibraryPaths = "CATALOGUE_TEST_LIBRARY_PATHS";
const bool g_libraryPathsShown = [] {
    if (!qEnvironmentVariableIsSet(kShowLibraryPaths)) return false;
    QCoreApplication::setLibraryPaths({QLibraryInfo::path(QLibraryInfo::PluginsPath)});
    int argc = 1;
    char name[] = "catalogue";
    char* argv[] = {name, nullptr};
    {
        QCoreApplication app(argc, argv);
        for (const QString& path : QCoreApplication::libraryPaths())
            std::printf("library path %s\n", qPrintable(path));
    }
    std::fflush(stdout);
    std::_Exit(0);
}();

// Every file and folder below folder, with the files' contents.
std::map<std::string, std::string> contents(const fs::path& folder) {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        std::string bytes = "(folder)";
        if (!e.is_directory()) {
            // Read whole, not a character at a time: a folder may hold a
            // copy of this test program, which a sanitizer build makes large.
            std::ifstream in(e.path(), std::ios::binary);
            std::ostringstream read;
            read << in.rdbuf();
            bytes = std::move(read).str();
        }
        all[fs::relative(e.path(), folder).string()] = bytes;
    }
    return all;
}

// The marker plugins of every kind, and a qt6.conf and a qt.conf that move
// Qt's plugin folder to where they lie, planted in folder as in any folder
// Qt might take for its own or the executable's.
void plantPlugins(const fs::path& folder) {
    fs::copy(MARKER_PLUGINS, folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const std::string moved = "[Paths]\nPrefix=" + folder.string() + "\nPlugins=" + folder.string() + "\n";
    testing_support::writeBytes((folder / "qt6.conf").string(), moved);
    testing_support::writeBytes((folder / "qt.conf").string(), moved);
}

// The dynamic loader that this test program names for itself.
std::string dynamicLoader() {
    std::string found;
    ::dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* out) {
            for (int i = 0; i < info->dlpi_phnum; ++i)
                if (info->dlpi_phdr[i].p_type == PT_INTERP) {
                    *static_cast<std::string*>(out) =
                        reinterpret_cast<const char*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
                    return 1;
                }
            return 0; // the program comes first, so this is never a library
        },
        &found);
    return found;
}

// A memfd holding a copy of the file at path; -1 when none could be made.
int copyInMemory(const std::string& path) {
    const int from = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int mem = ::memfd_create("catalogue", MFD_CLOEXEC);
    struct stat st {};
    bool copied = from >= 0 && mem >= 0 && ::fstat(from, &st) == 0;
    for (off_t at = 0; copied && at < st.st_size;) {
        const ssize_t n = ::sendfile(mem, from, &at, size_t(st.st_size - at));
        copied = n > 0;
    }
    if (from >= 0) ::close(from);
    if (!copied && mem >= 0) ::close(mem);
    return copied ? mem : -1;
}

struct Started {
    int status = -1; // exit status; -1: killed or not ended
    std::string said;
};

// How the program is started.
struct Start {
    // The program as built (bin/catalogue), asked to end at its first frame,
    // in place of a copy of this test program.
    bool asBuilt = false;
    std::string loader;      // through this dynamic loader, the program its argument
    bool fromMemory = false; // a copy in a memfd, by fexecve
    // Runs while the new program is stopped after its exec and before its
    // main: the process is started traced (PTRACE_TRACEME), changed at the
    // exec stop, then let go.
    std::function<void()> atExec;
    // Runs again and again while the program (its process given) runs.
    std::function<void(pid_t)> meanwhile;
    // The test that runs as the program, and what its environment holds
    // beside what runAsProgram sets (QT_PLUGIN_PATH only as given here).
    std::string test = "ProgramFolderChild.StartsAsTheProgram";
    std::vector<std::string> environment;
};

// Runs the copy of this test program (or of the program) at exe as the
// program is started, in the working folder work, on a GNOME desktop (where
// Qt looks for the gtk3 theme plugin) with a marker plugin's file named.
Started runAsProgram(const std::string& exe, const std::string& work, const std::string& marker,
                     const Start& how) {
    QTemporaryDir logs;
    const std::string log = logs.path().toStdString() + "/said";
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 &&
            std::strncmp(*e, "XDG_CURRENT_DESKTOP=", 20) != 0 && std::strncmp(*e, "QT_PLUGIN_PATH=", 15) != 0)
            envStrings.emplace_back(*e);
    envStrings.push_back("QT_QPA_PLATFORM=offscreen");
    envStrings.push_back("XDG_CURRENT_DESKTOP=GNOME");
    envStrings.push_back(std::string(kStartedAsProgram) + "=1");
    envStrings.push_back(std::string(kMarker) + "=" + marker);
    if (how.asBuilt) envStrings.push_back("CATALOGUE_FIRST_FRAME=1");
    envStrings.insert(envStrings.end(), how.environment.begin(), how.environment.end());
    std::vector<char*> env;
    for (std::string& e : envStrings)
        env.push_back(e.data());
    env.push_back(nullptr);
    std::vector<std::string> args = {exe};
    if (!how.asBuilt) args.push_back("--gtest_filter=" + how.test);
    if (!how.loader.empty()) args.insert(args.begin(), how.loader);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int mem = how.fromMemory ? copyInMemory(exe) : -1;
    if (how.fromMemory && mem < 0) return {};
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) return {};
    const bool traced = bool(how.atExec);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (traced && ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(125);
        if (::dup2(out, 1) < 0 || ::dup2(out, 2) < 0 || ::chdir(work.c_str()) != 0) ::_exit(126);
        if (mem >= 0)
            ::fexecve(mem, argv.data(), env.data());
        else
            ::execve(argv[0], argv.data(), env.data());
        ::_exit(127);
    }
    ::close(out);
    if (mem >= 0) ::close(mem);
    if (pid < 0) return {};
    Started run;
    int st = 0;
    if (traced) {
        if (::waitpid(pid, &st, 0) != pid || !WIFSTOPPED(st) || WSTOPSIG(st) != SIGTRAP) {
            ADD_FAILURE() << "no stop at the exec: " << st;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &st, 0);
            return run;
        }
        how.atExec();
        ::ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (::waitpid(pid, &st, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > giveUp) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &st, 0);
            break;
        }
        if (how.meanwhile) how.meanwhile(pid);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(st)) run.status = WEXITSTATUS(st);
    std::ifstream in(log, std::ios::binary);
    run.said.assign(std::istreambuf_iterator<char>(in), {});
    return run;
}

bool says(const Started& run, const std::string& line) {
    return ("\n" + run.said).find("\n" + line + "\n") != std::string::npos;
}

// A folder of the sample data with a copy of this test program as its
// executable, named as the kernel marks a file that is gone: the program
// tells its own name from the mark. Or with a copy of the program as built,
// under its own name.
fs::path programCopy(const fs::path& folder, bool asBuilt = false) {
    fs::create_directory(folder);
    for (const auto& entry : fs::directory_iterator(SAMPLE_DATA_DIR))
        if (entry.is_directory())
            fs::copy(entry.path(), folder / entry.path().filename(), fs::copy_options::recursive);
    const fs::path from = asBuilt ? fs::path(SAMPLE_DATA_DIR) / "catalogue" : fs::read_symlink("/proc/self/exe");
    const fs::path exe = folder / (from.filename().string() + (asBuilt ? "" : " (deleted)"));
    std::error_code linked;
    fs::create_hard_link(from, exe, linked);
    if (linked) fs::copy_file(from, exe);
    return exe;
}

} // namespace

// The program started from a copy of it, placed with the data in a folder
// named in Latin-1 bytes (as a copy from an older file system leaves it),
// from a working folder that holds files named like its leftovers, and a
// plugin of each kind Qt looks for with settings that move Qt's plugin
// folder there. Started as named, or through a copy of the dynamic loader
// (as from a noexec mount) placed among such files and plugins too, it runs
// from its own folder; its leftovers go there alone. With its executable
// replaced or removed between its exec and its main (an update in place),
// its folder gone, or run from memory (a memfd), nothing proves a folder: it
// says so and ends with status 1, and writes and removes nothing. Qt loads
// no plugin from outside its own folder in any of these starts.
TEST(ProgramFolderStart, OnlyTheProgramsOwnFolderIsTouched) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    // Qt cannot name a folder that is not UTF-8: they go here.
    const auto removeAll = qScopeGuard([&root] {
        std::error_code ec;
        fs::remove_all(root, ec);
    });
    const std::string marker = (root / "marker").string();
    const fs::path work = root / "home";
    fs::create_directories(work / "work/sub");
    testing_support::writeBytes((work / "report.odt.partAbC123").string(), "report");
    testing_support::writeBytes((work / "DcFile.AbCdEf.txt").string(), "notes");
    testing_support::writeBytes((work / "work/sub/thesis.tex.partXyZ789").string(), "thesis");
    plantPlugins(work);
    // The loader's own folder, as the kernel records the loader for the
    // executable in such a start.
    const fs::path loaderFolder = root / "loader";
    fs::create_directories(loaderFolder / "sub");
    const fs::path loader = loaderFolder / fs::path(dynamicLoader()).filename();
    ASSERT_FALSE(loader.filename().empty());
    fs::copy_file(dynamicLoader(), loader);
    testing_support::writeBytes((loaderFolder / "DcFile.AbCdEf.txt").string(), "notes");
    testing_support::writeBytes((loaderFolder / "sub/notes.txt.partAbC123").string(), "notes");
    plantPlugins(loaderFolder);
    const auto before = contents(work);
    const auto loaderBefore = contents(loaderFolder);

    enum class Change { none, throughLoader, replaced, removed, folderGone, fromMemory };
    int caseNumber = 0;
    for (const Change change : {Change::none, Change::throughLoader, Change::replaced, Change::removed,
                                Change::folderGone, Change::fromMemory}) {
        SCOPED_TRACE(caseNumber);
        const fs::path folder = root / ("cat\xE1logo" + std::to_string(caseNumber++));
        const fs::path exe = programCopy(folder);
        const std::vector<fs::path> leftovers = {folder / "DcFile.AbCdEf.txt",
                                                 folder / "cars/02/XCORSA16.jpg.partAbC123",
                                                 folder / "psc/toroscat.AbCdEf.bmp"};
        for (const fs::path& leftover : leftovers)
            testing_support::writeBytes(leftover.string(), "left behind");

        Start how;
        if (change == Change::throughLoader) how.loader = loader.string();
        if (change == Change::fromMemory) how.fromMemory = true;
        if (change == Change::replaced)
            how.atExec = [&] {
                testing_support::writeBytes(exe.string() + ".new", "the next version");
                fs::rename(exe.string() + ".new", exe);
            };
        if (change == Change::removed) how.atExec = [&] { fs::remove(exe); };
        if (change == Change::folderGone) how.atExec = [&] { fs::remove_all(folder); };
        const Started run = runAsProgram(exe.string(), work.string(), marker, how);
        ASSERT_TRUE(says(run, "[  PASSED  ] 1 test.")) << run.said;
        EXPECT_EQ(run.status, 0) << run.said;
        // Compared whole: the plugins there would fill the report.
        EXPECT_TRUE(contents(work) == before) << run.said;
        EXPECT_TRUE(contents(loaderFolder) == loaderBefore) << run.said;
        EXPECT_FALSE(fs::exists(marker)) << testing_support::readBytes(marker);
        fs::remove(marker);

        const bool proven = change == Change::none || change == Change::throughLoader;
        if (!proven) {
            EXPECT_TRUE(says(run, "status 1")) << run.said;
            EXPECT_TRUE(says(run, "own 0")) << run.said;
            EXPECT_TRUE(says(run, "box 16 " + std::string(core::kNoProgramFolder))) << run.said;
            EXPECT_FALSE(says(run, "main window " + std::to_string(ex::kOfferedBrands))) << run.said;
            if (change == Change::folderGone) continue;
            EXPECT_FALSE(fs::exists(folder / "kvt95.ccc"));
            for (const fs::path& leftover : leftovers)
                EXPECT_TRUE(fs::exists(leftover)) << leftover;
            continue;
        }
        // Found where it lies, named by its bytes, and shown so.
        EXPECT_TRUE(says(run, "folder " + folder.string())) << run.said;
        EXPECT_TRUE(says(run, "text " + folder.string())) << run.said;
        EXPECT_TRUE(says(run, "main window " + std::to_string(ex::kOfferedBrands))) << run.said;
        EXPECT_TRUE(says(run, "status 0")) << run.said;
        EXPECT_TRUE(says(run, "own 1")) << run.said;
        EXPECT_EQ(run.said.find("box 16"), std::string::npos) << run.said;
        EXPECT_TRUE(fs::exists(folder / "kvt95.ccc"));
        for (const fs::path& leftover : leftovers)
            EXPECT_FALSE(fs::exists(leftover)) << leftover;
    }
}

// The executable alone, copied or linked into a user's folder, finds none
// of the program's data there: that folder is no installation of the
// program, and files named like the program's leftovers, where an
// installation would have them, stay in it.
TEST(ProgramFolderStart, ExecutableAloneRemovesNothing) {
    const fs::path self = fs::read_symlink("/proc/self/exe");
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "linked" : "copied");
        const fs::path folder = root / (linked ? "linked" : "copied");
        fs::create_directories(folder / "sub");
        testing_support::writeBytes((folder / "report.odt.partAbC123").string(), "report");
        testing_support::writeBytes((folder / "report.odt").string(), "report");
        testing_support::writeBytes((folder / "DcFile.AbCdEf.txt").string(), "notes");
        testing_support::writeBytes((folder / "sub/thesis.tex.partXyZ789").string(), "thesis");
        testing_support::writeBytes((folder / "sub/thesis.tex").string(), "thesis");
        // A picture with a copy of it named as a recovery copy, and drafts.
        for (const char* name : {"sub/photo.jpg", "sub/photo.REC", "sub/photo.jpg.partXyZ789",
                                 "sub/photo.jpg.partXyZ789.catalogue", "psc/toroscat.AbCdEf.bmp",
                                 "psc/psc_ita/toroscat.AbCdEf.bmp"})
            testing_support::writeBytes((folder / name).string(), "photo");
        const fs::path exe = folder / self.filename();
        if (linked) {
            std::error_code error;
            fs::create_hard_link(self, exe, error);
            if (error) GTEST_SKIP() << "no hard link to " << self << " here: " << error.message();
        } else {
            fs::copy_file(self, exe);
        }
        const auto others = [&folder, &exe] {
            auto all = contents(folder);
            all.erase(exe.filename().string());
            all.erase("kvt95.ccc"); // the language preference, written
            return all;
        };
        const auto before = others();
        const Started run = runAsProgram(exe.string(), root.string(), (root / "marker").string(), {});
        ASSERT_TRUE(says(run, "[  PASSED  ] 1 test.")) << run.said;
        EXPECT_TRUE(says(run, "own 1")) << run.said;
        EXPECT_EQ(others(), before) << run.said;
    }
}

// The program started from its own folder, named in UTF-8 (with the
// separator of QT_PLUGIN_PATH's list, ':', in it, or not), where a plugin of
// each kind Qt looks for lies with settings that move Qt's plugin folder
// there; with QT_PLUGIN_PATH unset, and naming a folder of such plugins: Qt
// loads none of them, the main window shows, and QT_PLUGIN_PATH is as it
// was once the application object is made.
TEST(ProgramFolderStart, QtTakesNoPluginFromTheProgramsFolder) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const std::string marker = (root / "marker").string();
    const fs::path given = root / "given";
    fs::create_directory(given);
    plantPlugins(given);
    for (const std::string name : {"catalogo", "cata:logo"}) {
        const fs::path folder = root / name;
        const fs::path exe = programCopy(folder);
        plantPlugins(folder);
        for (const bool pluginPathSet : {false, true}) {
            SCOPED_TRACE(name + (pluginPathSet ? " with QT_PLUGIN_PATH" : ""));
            Start how;
            if (pluginPathSet) how.environment = {"QT_PLUGIN_PATH=" + given.string()};
            const Started run = runAsProgram(exe.string(), folder.string(), marker, how);
            ASSERT_TRUE(says(run, "[  PASSED  ] 1 test.")) << run.said;
            EXPECT_TRUE(says(run, "main window " + std::to_string(ex::kOfferedBrands))) << run.said;
            EXPECT_TRUE(says(run, "status 0")) << run.said;
            EXPECT_TRUE(says(run, "plugin path " + (pluginPathSet ? given.string() : "(unset)"))) << run.said;
            EXPECT_FALSE(fs::exists(marker)) << testing_support::readBytes(marker);
            fs::remove(marker);
        }
    }
}

// What is opened or read in the given folders from now on, told by inotify:
// the names of files and folders there, "(folder)" for a folder itself.
class OpenedIn {
  public:
    // Told of the opens alone where reads are not asked for.
    explicit OpenedIn(const std::vector<fs::path>& folders, bool reads = true)
        : events_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        EXPECT_GE(events_, 0);
        for (const fs::path& folder : folders)
            EXPECT_GE(::inotify_add_watch(events_, folder.c_str(), IN_OPEN | (reads ? IN_ACCESS : 0)), 0)
                << folder;
    }
    ~OpenedIn() { ::close(events_); }
    OpenedIn(const OpenedIn&) = delete;
    OpenedIn& operator=(const OpenedIn&) = delete;

    std::string seen() const {
        alignas(inotify_event) char buffer[4096];
        std::string seen;
        for (ssize_t n; (n = ::read(events_, buffer, sizeof buffer)) > 0;)
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                seen += std::string(e->len ? e->name : "(folder)") + " ";
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        return seen;
    }

  private:
    int events_;
};

// The program as built, started from a working folder that holds
// ":/non-existent" (the name Qt gives fontconfig to make its set of
// application fonts with) as a FIFO, as a font and as a link to a folder of
// fonts: its start window opens, and nothing there is opened. A FIFO that is
// opened holds its reader until a writer comes: while the program runs, the
// test opens it to write, which succeeds only while a reader waits, and
// lets the reader go on. inotify tells which files and folders are opened
// or read.
TEST(ProgramFolderStart, NothingInTheWorkingFolderIsOpened) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path exe = programCopy(root / "catalogo", true);
    const fs::path fonts = root / "fonts";
    fs::create_directories(fonts / "more");
    fs::copy_file("/usr/share/wine/fonts/symbol.ttf", fonts / "symbol.ttf");
    fs::copy_file("/usr/share/wine/fonts/marlett.ttf", fonts / "more/marlett.ttf");
    enum class Kind { fifo, font, link };
    for (const Kind kind : {Kind::fifo, Kind::font, Kind::link}) {
        SCOPED_TRACE(int(kind));
        const fs::path work = root / ("work" + std::to_string(int(kind)));
        fs::create_directories(work / ":");
        const fs::path planted = work / ":/non-existent";
        if (kind == Kind::fifo) {
            ASSERT_EQ(::mkfifo(planted.c_str(), 0600), 0);
        }
        if (kind == Kind::font) fs::copy_file(fonts / "symbol.ttf", planted);
        if (kind == Kind::link) fs::create_directory_symlink(fonts, planted);
        const OpenedIn opened({work / ":", fonts, fonts / "more"});
        bool fifoOpened = false;
        Start how;
        how.asBuilt = true;
        if (kind == Kind::fifo)
            how.meanwhile = [&](pid_t) {
                const int writer = ::open(planted.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (writer < 0) return;
                fifoOpened = true;
                ::close(writer);
            };
        const Started run = runAsProgram(exe.string(), work.string(), (root / "marker").string(), how);
        EXPECT_EQ(run.status, 0) << run.said;
        EXPECT_NE(run.said.find("first-frame "), std::string::npos) << run.said;
        EXPECT_FALSE(fifoOpened);
        EXPECT_EQ(opened.seen(), "");
    }
}

namespace {
// Set for a copy of this test program that runs
// ProgramFolderChild.StartsWithAFaultOnTheProof: the fault its start meets,
// as "open|maps|EMFILE|2" (the call, the last name of what it fails on, the
// error, how many times).
constexpr const char* kProofFault = "CATALOGUE_TEST_PROOF_FAULT";
} // namespace

// A lack of descriptors or memory while the start proves its folder says
// nothing of the folder. One that passes within the proof's tries costs
// nothing: the start goes on from its folder in the language the user
// chose. One that lasts is told as itself, and the start ends having
// changed nothing; the folder is never called lost. Each step of the proof
// fails in turn: the open and the read of the list of the program's
// mappings, the open of its folder, the look at its entry there.
TEST(ProgramFolderStart, ShortageWhileProvingTheFolderCostsNothing) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path work = root / "work";
    fs::create_directories(work);
    const fs::path folder = root / "catalogo";
    const fs::path exe = programCopy(folder);
    const std::string entry = (folder / exe.filename()).string();
    struct Case {
        std::string fault;
        std::string told; // empty: the start goes on
    };
    const Case cases[] = {
        {"open|maps|EMFILE|2", ""},
        {"read|maps|ENOMEM|2", ""},
        {"open|catalogo|ENFILE|2", ""},
        {"open|maps|ENFILE|20", "Error: (67) file /proc/self/maps could not be opened Too many files"},
        {"read|maps|ENOMEM|20", "Error: (7) file /proc/self/maps could not be opened Out of memory"},
        {"open|catalogo|EMFILE|20",
         "Error: (67) file " + folder.string() + " could not be opened Too many files"},
        {"stat|" + exe.filename().string() + "|ENOMEM|20",
         "Error: (7) file " + entry + " could not be opened Out of memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        testing_support::writeBytes((folder / "kvt95.ccc").string(), "_ing");
        Start how;
        how.test = "ProgramFolderChild.StartsWithAFaultOnTheProof";
        how.environment = {std::string(kProofFault) + "=" + c.fault};
        const Started run = runAsProgram(exe.string(), work.string(), (root / "marker").string(), how);
        ASSERT_TRUE(says(run, "[  PASSED  ] 1 test.")) << run.said;
        EXPECT_EQ(testing_support::readBytes((folder / "kvt95.ccc").string()), "_ing");
        EXPECT_FALSE(says(run, "faults 0")) << run.said;
        EXPECT_EQ(run.said.find(core::kNoProgramFolder), std::string::npos) << run.said;
        if (c.told.empty()) {
            EXPECT_TRUE(says(run, "status 0")) << run.said;
            EXPECT_TRUE(says(run, "own 1")) << run.said;
            EXPECT_TRUE(says(run, "lang _ing")) << run.said;
            EXPECT_EQ(run.said.find("could not be opened"), std::string::npos) << run.said;
        } else {
            EXPECT_TRUE(says(run, "status 1")) << run.said;
            EXPECT_TRUE(says(run, "own 0")) << run.said;
            EXPECT_TRUE(says(run, "box 16 " + c.told)) << run.said;
        }
    }
}

// Run by ProgramFolderStart.ShortageWhileProvingTheFolderCostsNothing as the
// program: the start with the fault it is told of, ended once the start
// window shows; then what it found, on its output.
TEST(ProgramFolderChild, StartsWithAFaultOnTheProof) {
    const QList<QByteArray> words = qgetenv(kProofFault).split('|');
    if (words.size() != 4)
        GTEST_SKIP() << "run by ProgramFolderStart.ShortageWhileProvingTheFolderCostsNothing";
    const int error = testing_support::errorNamed(words[2]);
    ASSERT_NE(error, 0);
    ScriptedServices svc;
    vb::setServices(&svc);
    ASSERT_TRUE(testing_support::injectFaults(
        {{testing_support::callNamed(words[0]), words[1].toStdString(), error, words[3].toInt()}}));
    QTimer end;
    QObject::connect(&end, &QTimer::timeout, [&end] {
        vb::Form* start = vb::FormRegistry::existing("Form1");
        if (!start || !start->isVisible()) return;
        end.stop();
        vb::requestEnd(0);
    });
    end.start(10);
    const int status = runProgram();
    end.stop();
    vb::waitForLeftoverRemoval();
    std::printf("status %d\nown %d\nlang %s\nfaults %d\n", status, int(vb::programFolderIsOwn()),
                core::Lang.c_str(), testing_support::injectedFaultCount());
    for (const Box& box : svc.boxes) {
        // On one line, a line break read as a space.
        std::string prompt = box.prompt;
        std::erase(prompt, '\r');
        std::replace(prompt.begin(), prompt.end(), '\n', ' ');
        std::printf("box %d %s\n", box.flags, prompt.c_str());
    }
    std::fflush(stdout);
    vb::setServices(nullptr);
}

// How Qt rebuilds its list of library paths as the application object is
// made, which the set-up leans on (platform/qt_setup.cpp), holds for the Qt
// the program runs on: the list given before the object is kept, but for
// the executable's folder, which Qt adds anew; and a folder QT_PLUGIN_PATH
// names, by any name of it (here a link), Qt drops from the list again.
TEST(ProgramFolderStart, QtRebuildsItsLibraryPathsAsTheSetUpExpects) {
    QTemporaryDir dir;
    const fs::path root = fs::canonical(dir.path().toStdString());
    const fs::path folder = root / "catalogo";
    const fs::path exe = programCopy(folder);
    fs::create_directory_symlink(folder, root / "link");
    const std::string plugins = QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString();
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named in QT_PLUGIN_PATH" : "not named");
        Start how;
        how.environment = {std::string(kShowLibraryPaths) + "=1"};
        if (named) how.environment.push_back("QT_PLUGIN_PATH=" + (root / "link").string());
        const Started run = runAsProgram(exe.string(), root.string(), (root / "marker").string(), how);
        EXPECT_EQ(run.status, 0) << run.said;
        std::istringstream said(run.said);
        std::string listed;
        for (std::string line; std::getline(said, line);)
            if (line.rfind("library path ", 0) == 0) listed += line.substr(13) + "\n";
        EXPECT_EQ(listed, plugins + "\n" + (named ? "" : folder.string() + "\n"));
    }
}

// The program as built, its font configuration read from a FIFO: the font
// warm-up's thread is held in reading it, as long as the test holds the
// FIFO's other end. Meanwhile the working folder is not changed back from
// Qt's plugin folder: the start changes it while no other thread of its own
// runs. The configuration, once given, names a folder of fonts relative to
// the working folder as it is then; none is opened in the user's.
TEST(ProgramFolderStart, TheWorkingFolderChangesWhileNoOtherThreadRuns) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path exe = programCopy(root / "catalogo", true);
    const fs::path work = root / "work";
    fs::create_directories(work / "relative-fonts");
    const fs::path configuration = root / "fonts.conf";
    ASSERT_EQ(::mkfifo(configuration.c_str(), 0600), 0);
    const OpenedIn opened({work / "relative-fonts"});
    int writer = -1;
    std::chrono::steady_clock::time_point heldSince;
    bool given = false, backWhileHeld = false;
    Start how;
    how.asBuilt = true;
    how.environment = {"FONTCONFIG_FILE=" + configuration.string()};
    how.meanwhile = [&](pid_t pid) {
        if (given) return;
        if (writer < 0) {
            // Opens only once the warm-up waits to read.
            writer = ::open(configuration.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            heldSince = std::chrono::steady_clock::now();
            return;
        }
        std::error_code error;
        backWhileHeld = backWhileHeld || fs::read_symlink("/proc/" + std::to_string(pid) + "/cwd", error) == work;
        // Held long enough for the start to have put its working folder back
        // if it did so meanwhile; held shorter, the test proves less.
        if (!backWhileHeld && std::chrono::steady_clock::now() - heldSince < std::chrono::seconds(2)) return;
        const std::string text = "<?xml version=\"1.0\"?><fontconfig><include>/etc/fonts/fonts.conf</include>"
                                 "<dir prefix=\"cwd\">relative-fonts</dir></fontconfig>";
        EXPECT_EQ(::write(writer, text.data(), text.size()), ssize_t(text.size()));
        ::close(writer);
        given = true;
    };
    const Started run = runAsProgram(exe.string(), work.string(), (root / "marker").string(), how);
    EXPECT_TRUE(given);
    EXPECT_FALSE(backWhileHeld);
    EXPECT_EQ(run.status, 0) << run.said;
    EXPECT_NE(run.said.find("first-frame "), std::string::npos) << run.said;
    EXPECT_EQ(opened.seen(), "");
}

// Run by the tests above as the program: the start window, a language, the
// main window, the end; then what it found, on its output.
TEST(ProgramFolderChild, StartsAsTheProgram) {
    if (qgetenv(kStartedAsProgram).isEmpty()) GTEST_SKIP() << "run by the tests of ProgramFolderStart";
    ScriptedServices svc;
    vb::setServices(&svc);
    int brands = -1;
    svc.onShow = [&brands](vb::Form* form, const std::string& name) {
        if (name == "Form2" && form) brands = static_cast<Form2*>(form)->ListaMarche.ListCount();
    };
    QTimer press;
    chooseLanguageOnceShown(press, 0);
    const int status = runProgram();
    press.stop();
    vb::waitForLeftoverRemoval();
    const char* pluginPath = std::getenv("QT_PLUGIN_PATH");
    std::printf("status %d\nfolder %s\ntext %s\nown %d\nmain window %d\nplugin path %s\n", status,
                vb::programFolderOnDisk().c_str(), core::AppPath.c_str(), int(vb::programFolderIsOwn()),
                brands, pluginPath ? pluginPath : "(unset)");
    for (const Box& box : svc.boxes)
        std::printf("box %d %s\n", box.flags, box.prompt.c_str());
    std::fflush(stdout);
    vb::setServices(nullptr);
}

// Any other fault while the start proves its folder (a disk that answers
// EIO, a refusal) says nothing of the folder either: the start tells it by
// its number, 75, and the file it was met on, and ends having changed
// nothing; it never says that its folder cannot be found. Met on the open
// of the folder, which is told as the folder's own failure rather than as a
// folder that is not there, on the look at its entry, and on the list of
// the program's mappings.
TEST(ProgramFolderStart, FaultWhileProvingTheFolderIsToldByItsNumber) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path work = root / "work";
    fs::create_directories(work);
    const fs::path folder = root / "catalogo";
    const fs::path exe = programCopy(folder);
    const std::string entry = (folder / exe.filename()).string();
    const std::string told = " could not be opened Path/File access error";
    const std::pair<std::string, std::string> cases[] = {
        {"open|catalogo|EIO|1", folder.string()},
        {"open|catalogo|EACCES|1", folder.string()},
        {"stat|" + exe.filename().string() + "|EIO|1", entry},
        {"read|maps|EIO|1", "/proc/self/maps"},
    };
    for (const auto& [fault, file] : cases) {
        SCOPED_TRACE(fault);
        testing_support::writeBytes((folder / "kvt95.ccc").string(), "_ing");
        Start how;
        how.test = "ProgramFolderChild.StartsWithAFaultOnTheProof";
        how.environment = {std::string(kProofFault) + "=" + fault};
        const Started run = runAsProgram(exe.string(), work.string(), (root / "marker").string(), how);
        ASSERT_TRUE(says(run, "[  PASSED  ] 1 test.")) << run.said;
        EXPECT_FALSE(says(run, "faults 0")) << run.said;
        EXPECT_TRUE(says(run, "status 1")) << run.said;
        EXPECT_TRUE(says(run, "own 0")) << run.said;
        EXPECT_TRUE(says(run, "box 16 Error: (75) file " + file + told)) << run.said;
        EXPECT_EQ(run.said.find(core::kNoProgramFolder), std::string::npos) << run.said;
        EXPECT_EQ(testing_support::readBytes((folder / "kvt95.ccc").string()), "_ing");
    }
}

namespace {

// Whether the main thread of process pid waits in writing its first-frame
// report to its standard output: the system call it waits in, from /proc,
// and the bytes it writes, read from its memory.
bool writingFirstFrameReport(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
    long call = -1;
    std::string descriptor, buffer, size;
    if (!(in >> call >> descriptor >> buffer >> size) || call != SYS_write) return false;
    const std::string report = "first-frame ";
    if (std::stoull(descriptor, nullptr, 16) != 1 || std::stoull(size, nullptr, 16) < report.size()) return false;
    std::string written(report.size(), '\0');
    const iovec here{written.data(), written.size()};
    const iovec there{reinterpret_cast<void*>(std::stoull(buffer, nullptr, 16)), written.size()};
    return ::process_vm_readv(pid, &here, 1, &there, 1, 0) == ssize_t(written.size()) && written == report;
}

} // namespace

// The program as built, started from a working folder on a share that stops
// answering as the program starts, as a network share whose server has gone:
// the share takes the kernel's question whether the process may enter the
// folder again, as the start comes back to it, and never answers. The start
// does not wait for that: the first frame is painted, and the program is
// held as it writes its first-frame report (its standard output a full
// pipe). SIGTERM then ends it through its end handling: its clean-up is
// done, and every descriptor it held (its standard output here, the display
// connection on a desktop) closes, though the thread that waits on the
// share keeps the process from ending until the share answers or is
// aborted; then it ends as SIGTERM ends a process.
TEST(ProgramFolderStart, AShareThatStopsAnsweringHoldsNeitherTheStartNorTheEnd) {
    testing_support::FuseShare share;
    if (!share.whyNot().empty()) GTEST_SKIP() << share.whyNot();
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path folder = root / "catalogo";
    const fs::path exe = programCopy(folder, true);
    const fs::path work = root / "share";
    fs::create_directory(work);
    const std::string log = (root / "said").string();
    // Made before the fork: the child of a process with threads may only make
    // system calls until its exec.
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) envStrings.emplace_back(*e);
    envStrings.push_back("QT_QPA_PLATFORM=offscreen");
    envStrings.push_back("CATALOGUE_FIRST_FRAME=1");
    std::vector<char*> env;
    for (std::string& e : envStrings)
        env.push_back(e.data());
    env.push_back(nullptr);
    std::string program = exe.string();
    char* const argv[] = {program.data(), nullptr};
    int out[2], ready[2], go[2];
    ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    ASSERT_EQ(::pipe2(go, O_CLOEXEC), 0);
    const int said = ::open(log.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(said, 0);
    // The standard output full, so that a write to it waits.
    ASSERT_EQ(::fcntl(out[1], F_SETFL, O_NONBLOCK), 0);
    const std::string fill(4096, 'x');
    while (::write(out[1], fill.data(), fill.size()) > 0) {
    }
    ASSERT_EQ(errno, EAGAIN);
    ASSERT_EQ(::fcntl(out[1], F_SETFL, 0), 0);
    const char* step = "";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int mounted = share.mountAsWorkingFolder(work.c_str(), &step);
        (void)!::write(ready[1], &mounted, sizeof mounted);
        if (mounted != 0) {
            (void)!::write(ready[1], step, std::strlen(step));
            ::_exit(126);
        }
        char goOn = 0;
        if (::read(go[0], &goOn, 1) != 1 || ::dup2(out[1], 1) < 0 || ::dup2(said, 2) < 0) ::_exit(126);
        ::execve(argv[0], argv, env.data());
        ::_exit(127);
    }
    for (const int end : {out[1], ready[1], go[0], said})
        ::close(end);
    ASSERT_GT(pid, 0);
    bool ended = false;
    int status = 0;
    // Within the time given, whether the program has ended; its status in
    // status.
    const auto endsWithin = [&](std::chrono::seconds given) {
        for (const auto giveUp = std::chrono::steady_clock::now() + given;
             !ended && std::chrono::steady_clock::now() < giveUp;
             std::this_thread::sleep_for(std::chrono::milliseconds(10)))
            ended = ::waitpid(pid, &status, WNOHANG) == pid;
        return ended;
    };
    // Whatever happens, the program and the share go: killed, the share
    // aborted, so that nothing waits on it, and the program waited for.
    const auto cleanUp = qScopeGuard([&] {
        for (const int end : {out[0], ready[0], go[1]})
            ::close(end);
        if (!ended) ::kill(pid, SIGKILL);
        share.abort();
        if (!endsWithin(std::chrono::seconds(30))) ADD_FAILURE() << "the program stays after the share's abort";
    });
    int mounted = -1;
    ASSERT_EQ(::read(ready[0], &mounted, sizeof mounted), ssize_t(sizeof mounted));
    if (mounted != 0) {
        char failed[64] = {};
        (void)!::read(ready[0], failed, sizeof failed - 1);
        GTEST_SKIP() << "no FUSE mount here: " << failed << ": " << std::strerror(mounted);
    }
    share.drop();
    ASSERT_EQ(::write(go[1], "g", 1), 1);

    bool firstFrame = false;
    for (const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         !firstFrame && !endsWithin(std::chrono::seconds(0)) && std::chrono::steady_clock::now() < giveUp;
         std::this_thread::sleep_for(std::chrono::milliseconds(20)))
        firstFrame = writingFirstFrameReport(pid);
    ASSERT_TRUE(firstFrame) << (ended ? "ended" : "no first frame within a minute") << "\n"
                            << testing_support::readBytes(log);
    EXPECT_GE(share.held(), 1);

    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    // Its standard output closes: what the pipe holds is read to the end.
    bool closed = false;
    for (const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         !closed && std::chrono::steady_clock::now() < giveUp;) {
        pollfd p{out[0], POLLIN, 0};
        char buffer[4096];
        closed = ::poll(&p, 1, 100) == 1 && ::read(out[0], buffer, sizeof buffer) == 0;
    }
    EXPECT_TRUE(closed) << "the standard output stays open after SIGTERM";
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_NE(e.path().filename().string().rfind("DcFile.", 0), 0u) << e.path();
    EXPECT_FALSE(ended) << "ended while a thread waits on the share";

    share.abort();
    ASSERT_TRUE(endsWithin(std::chrono::seconds(30))) << "the program stays after the share's abort";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM)
        << status << "\n"
        << testing_support::readBytes(log);
}

// The program as built, its font configuration set to be read again every
// second (fontconfig's rescan) should its files change, and naming a folder
// of fonts relative to the working folder. The start is held (its logging
// rules read from a FIFO) once the font warm-up has read the configuration,
// long enough for a rescan to fall due, and the configuration changes
// meanwhile. The configuration read at the start, in Qt's plugin folder,
// serves the whole run: it is not read again on the way to the first frame,
// where Qt lists the fonts, now in the user's working folder; nothing there
// is opened, neither the relative folder of fonts nor ":/non-existent".
TEST(ProgramFolderStart, TheFontConfigurationIsReadOnceForTheRun) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    const fs::path exe = programCopy(root / "catalogo", true);
    const fs::path work = root / "work";
    fs::create_directories(work / "relative-fonts");
    fs::create_directories(work / ":");
    fs::copy_file("/usr/share/wine/fonts/symbol.ttf", work / ":/non-existent");
    const fs::path configuration = root / "fonts.conf";
    testing_support::writeBytes(configuration.string(),
                                "<?xml version=\"1.0\"?><fontconfig><include>/etc/fonts/fonts.conf</include>"
                                "<dir prefix=\"cwd\">relative-fonts</dir><rescan><int>1</int></rescan></fontconfig>");
    const fs::path rules = root / "logging.ini";
    ASSERT_EQ(::mkfifo(rules.c_str(), 0600), 0);
    const OpenedIn opened({work / "relative-fonts", work / ":"});
    const OpenedIn configurationOpened({root}, false);
    int writer = -1;
    std::chrono::steady_clock::time_point heldSince;
    bool changed = false, given = false;
    Start how;
    how.asBuilt = true;
    how.environment = {"FONTCONFIG_FILE=" + configuration.string(), "QT_LOGGING_CONF=" + rules.string()};
    how.meanwhile = [&](pid_t) {
        if (given) return;
        if (writer < 0) {
            // Opens only once the start waits to read.
            writer = ::open(rules.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            heldSince = std::chrono::steady_clock::now();
            return;
        }
        // Changed a second, by the clock's seconds, after the configuration
        // was read, and given a second more.
        const auto held = std::chrono::steady_clock::now() - heldSince;
        if (!changed && held > std::chrono::seconds(2)) {
            changed = ::utimensat(AT_FDCWD, configuration.c_str(), nullptr, 0) == 0;
            EXPECT_TRUE(changed) << std::strerror(errno);
        }
        if (held < std::chrono::milliseconds(3500)) return;
        ::close(writer);
        given = true;
    };
    const Started run = runAsProgram(exe.string(), work.string(), (root / "marker").string(), how);
    EXPECT_TRUE(given);
    EXPECT_EQ(run.status, 0) << run.said;
    EXPECT_NE(run.said.find("first-frame "), std::string::npos) << run.said;
    EXPECT_EQ(opened.seen(), "");
    std::istringstream seen(configurationOpened.seen());
    int reads = 0;
    for (std::string name; seen >> name;)
        reads += name == configuration.filename().string();
    EXPECT_EQ(reads, 1);
}
