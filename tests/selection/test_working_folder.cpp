// The working folder is the user's, never the program's: neither the
// program nor a library working for it looks a name up there. Every system
// call that names a file, a folder or a socket is recorded, on every thread
// and in every child, from the exec to the end.
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
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
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

std::vector<std::string> environment(const std::string& extra) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0) env.emplace_back(*e);
    env.push_back("QT_QPA_PLATFORM=offscreen");
    env.push_back(extra);
    return env;
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
    Recording record(const std::vector<std::string>& argv, const std::string& variable) const {
        return recordNamedCalls(argv, environment(variable), work.string(), std::chrono::seconds(100));
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
    }

  private:
    QTemporaryDir dir_;
    const fs::path root_ = dir_.path().toStdString();

  protected:
    const fs::path work = root_ / "work";
    const fs::path folder = root_ / "program";
};

} // namespace

// The program itself started from such a folder, up to its first frame: the
// application's set-up beside the font warm-up's thread, the proof of the
// program's folder, the start window.
TEST_F(WorkingFolder, NothingIsLookedUpThereOnTheProgramsStart) {
    const fs::path exe = folder / "catalogue";
    std::error_code linked;
    fs::create_hard_link(CATALOGUE_PROGRAM, exe, linked);
    if (linked) fs::copy_file(CATALOGUE_PROGRAM, exe);
    const Recording run = record({exe.string()}, "CATALOGUE_FIRST_FRAME=1");
    ASSERT_EQ(run.error, "") << run.said;
    EXPECT_EQ(run.status, 0) << run.said;
    EXPECT_NE(run.said.find("first-frame "), std::string::npos) << run.said;
    expectNothingThere(run, {"des/des_ita.cpt", "mas/indice.cur"});
}

// The program run from such a folder with its data elsewhere: the start
// window, a language, the main window with a brand, a family and a model,
// the diagram list and a diagram printed, the data sheet, a text viewer,
// the trouble codes and the manual.
TEST_F(WorkingFolder, NothingIsLookedUpThereInAWholeRun) {
    const Recording run =
        record({fs::read_symlink("/proc/self/exe").string(), "--gtest_filter=WorkingFolderChild.WholeRun"},
               std::string(kWholeRun) + "=" + folder.string());
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
