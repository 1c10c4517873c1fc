#include "core/diagram_bitmap.h"
#include "platform/combobox.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/file_open.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/paths.h"
#include "platform/picture.h"
#include "platform/program_folder.h"
#include "platform/temporary_files.h"
#include "platform/vbstring.h"
#include "sampledata/pictures.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"
#include "support/tools.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <linux/openat2.h>
#include <memory>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

using namespace testing_support;

namespace {

class Scratch : public vb::Form {
  public:
    Scratch() : vb::Form("Scratch") {
        Panel.Move(0, 0, 6000, 4000);
        Inner.setContainer(&Panel);
        Inner.Move(1500, 1500, 1500, 300);
        Inner.setCaption("inner");
        Panel.MouseMove = [this](int, int, float, float) { ++panelMoves; };
        Inner.MouseMove = [this](int, int, float, float) { ++innerMoves; };
    }
    void Form_Load() override { ++loads; }
    void Form_KeyDown(int& KeyCode, int) override {
        keys.push_back(KeyCode);
        if (KeyCode == 113) KeyCode = 0;
    }
    void Form_MouseMove(int, int, float, float) override { ++formMoves; }
    vb::PictureBox Panel{*this, "Panel"};
    vb::Label Inner{*this, "Inner"};
    vb::CommandButton Cancel{*this, "Cancel"};
    vb::ListBox List{*this, "List"};
    int loads = 0, panelMoves = 0, innerMoves = 0, formMoves = 0;
    std::vector<int> keys;
};

class Platform : public WindowTest {};
class PlatformFaultChild : public Platform {};

} // namespace

TEST_F(Platform, GeometryReadsBackInTwips) {
    Scratch f;
    f.Cancel.Move(1001, 2002, 637, 319);
    EXPECT_EQ(f.Cancel.Left(), 1001);
    EXPECT_EQ(f.Cancel.Width(), 637);
    EXPECT_EQ(f.Cancel.widget()->geometry(), QRect(67, 133, 42, 21));
    // Each side set alone keeps the others and moves the widget at once.
    f.Cancel.setLeft(1500);
    f.Cancel.setTop(300);
    f.Cancel.setWidth(900);
    f.Cancel.setHeight(450);
    EXPECT_EQ(f.Cancel.widget()->geometry(), QRect(100, 20, 60, 30));
    EXPECT_EQ(f.Cancel.Top(), 300);
    EXPECT_EQ(f.Cancel.Height(), 450);
    f.setWidth(15360);
    EXPECT_EQ(f.Width(), 15360);
    // The frame is a caption only: the client area is as wide as the window
    // and lower than it by the caption.
    EXPECT_EQ(f.ScaleWidth(), f.Width());
    f.setHeight(11520);
    EXPECT_EQ(f.ScaleHeight(), 11520 - vb::kFrameCaptionPx * vb::kTwipsPerPixel);
}

TEST_F(Platform, DefaultInstancesLoadOnceAndAfreshAfterUnload) {
    vb::FormRegistry::add("Scratch", [] { return new Scratch; });
    auto* a = static_cast<Scratch*>(vb::FormRegistry::get("Scratch"));
    EXPECT_EQ(a->loads, 1);
    EXPECT_EQ(vb::FormRegistry::get("Scratch"), a);
    a->Unload();
    EXPECT_EQ(vb::FormRegistry::existing("Scratch"), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* b = static_cast<Scratch*>(vb::FormRegistry::get("Scratch"));
    EXPECT_EQ(b->loads, 1);
    // A window this build does not have is still announced.
    vb::showModalByName("Form99", b);
    EXPECT_EQ(svc.shown, std::vector<std::string>{"Form99"});
}

TEST_F(Platform, ListBoxSemantics) {
    Scratch f;
    int clicks = 0;
    f.List.Click = [&] { ++clicks; };
    f.List.AddItem("a");
    f.List.AddItem("b");
    EXPECT_EQ(f.List.List(5), "");
    EXPECT_EQ(f.List.List(-1), "");
    f.List.setListIndex(1);
    f.List.setListIndex(1); // no change, no click
    EXPECT_EQ(clicks, 1);
    f.List.setListIndex(0);
    EXPECT_EQ(clicks, 2);
    EXPECT_THROW(f.List.setListIndex(2), vb::VbError);
    f.List.Clear();
    EXPECT_EQ(f.List.ListIndex(), -1);
    EXPECT_EQ(f.List.ListCount(), 0);
}

TEST_F(Platform, ListsRaiseClickOnceWhenTheUserPicksWithTheKeys) {
    Scratch f;
    vb::ComboBox combo(f, "Combo");
    combo.Move(0, 4200, 2000, 300);
    f.Show();
    int listClicks = 0, comboClicks = 0;
    f.List.Click = [&] { ++listClicks; };
    combo.Click = [&] { ++comboClicks; };
    for (const char* item : {"a", "b", "c"}) {
        f.List.AddItem(item);
        combo.AddItem(item);
    }
    EXPECT_EQ(combo.ListIndex(), -1); // adding selects nothing
    f.List.setListIndex(0);
    combo.setListIndex(0);
    EXPECT_EQ(listClicks, 1);
    EXPECT_EQ(comboClicks, 1);
    QTest::keyClick(f.List.widget(), Qt::Key_Down);
    EXPECT_EQ(f.List.ListIndex(), 1);
    EXPECT_EQ(listClicks, 2);
    QTest::keyClick(combo.widget(), Qt::Key_Down);
    EXPECT_EQ(combo.ListIndex(), 1);
    EXPECT_EQ(combo.Text(), "b");
    EXPECT_EQ(comboClicks, 2);
    EXPECT_THROW(combo.setListIndex(3), vb::VbError);
    combo.Clear();
    f.List.Clear();
    EXPECT_EQ(comboClicks, 2); // emptying is no pick
    EXPECT_EQ(listClicks, 2);
    EXPECT_EQ(combo.ListIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
}

TEST_F(Platform, OptionButtonsAreExclusiveAndClickOnSelection) {
    Scratch f;
    vb::OptionButton a(f, "Option1", 0), b(f, "Option1", 1);
    int ca = 0, cb = 0;
    a.Click = [&] { ++ca; };
    b.Click = [&] { ++cb; };
    a.setValue(true);
    b.setValue(true);
    EXPECT_FALSE(a.Value());
    EXPECT_EQ(ca, 1);
    EXPECT_EQ(cb, 1);
    b.setValue(true);
    EXPECT_EQ(cb, 1);
}

TEST_F(Platform, KeyPreviewSeesKeysBeforeControls) {
    auto* f = new Scratch;
    f->Show();
    f->Cancel.SetFocus();
    int cancels = 0;
    f->Cancel.Click = [&] { ++cancels; };
    f->setCancelButton(&f->Cancel);
    QTest::keyClick(f->Cancel.widget(), Qt::Key_F2);
    QTest::keyClick(f->Cancel.widget(), Qt::Key_F2); // the same key twice is seen twice
    QTest::keyClick(f->Cancel.widget(), Qt::Key_Escape);
    EXPECT_EQ(f->keys, (std::vector<int>{113, 113, 27}));
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(vb::Form::vbKeyCode(Qt::Key_F13), 124);
    delete f;
}

TEST_F(Platform, MouseMoveReachesOnlyTheControlUnderThePointer) {
    auto* f = new Scratch;
    f->Show();
    QTest::mouseMove(f->Inner.widget(), QPoint(5, 5));
    EXPECT_EQ(f->innerMoves, 1);
    EXPECT_EQ(f->panelMoves, 0);
    EXPECT_EQ(f->formMoves, 0);
    QTest::mouseMove(f->Panel.widget(), QPoint(300, 200));
    EXPECT_EQ(f->panelMoves, 1);
    delete f;
}

// A control's widget goes with the control. A member of a control array is
// gone before its window's own teardown, and until then the window hands the
// pointer, clicks, the wheel and paints to whatever lies where it was: none
// of them may reach the control.
TEST_F(Platform, NothingReachesAControlThatIsGone) {
    Scratch f;
    f.Panel.Move(0, 0, 1500, 1500);
    auto catcher = std::make_unique<vb::WheelCatcher>(f, "WheelCatcher1");
    int wheels = 0;
    catcher->WheelRotation = [&](int, int, int, std::uintptr_t) { ++wheels; };
    auto legend = std::make_unique<vb::Label>(f, "Legend", 0);
    legend->Move(3000, 300, 1500, 600);
    legend->setCaption("legend");
    int legendMoves = 0, legendClicks = 0;
    legend->MouseMove = [&](int, int, float, float) { ++legendMoves; };
    legend->Click = [&] { ++legendClicks; };
    auto sketch = std::make_unique<vb::PictureBox>(f, "Sketch", 0);
    sketch->Move(3000, 1500, 1500, 1500);
    sketch->Print("sketch");
    f.Show();
    QApplication::processEvents();
    // Through the window, as the pointer comes: to the widget under it.
    QWindow* window = f.windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint onLegend(230, 35), onSketch(230, 150);

    QTest::mouseMove(window, onLegend);
    QTest::mouseClick(window, Qt::LeftButton, {}, onLegend);
    ASSERT_EQ(legendMoves, 1);
    ASSERT_EQ(legendClicks, 1);
    legend.reset();
    sketch.reset();
    const int formMoves = f.formMoves;
    QTest::mouseMove(window, onSketch);
    QTest::mouseMove(window, onLegend);
    QTest::mouseClick(window, Qt::LeftButton, {}, onLegend);
    QWheelEvent wheel(onLegend, f.mapToGlobal(onLegend), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    // The wheel goes to the widget under the pointer, as the window's
    // dispatch sends it.
    QWidget* under = f.childAt(onLegend);
    QApplication::sendEvent(under ? under : &f, &wheel);
    // A paint of the window reaches each child widget.
    f.grab();
    // The window's free surface had the pointer, and the wheel was heard.
    EXPECT_EQ(f.formMoves, formMoves + 2);
    EXPECT_EQ(wheels, 1);
    EXPECT_EQ(legendMoves, 1);
    EXPECT_EQ(legendClicks, 1);
}

TEST_F(Platform, WheelScrollsAListAndIsReportedOnce) {
    auto* f = new Scratch;
    f->List.setContainer(&f->Panel);
    f->List.Move(300, 300, 1500, 900);
    for (int i = 0; i < 60; ++i)
        f->List.AddItem("item " + std::to_string(i));
    auto catcher = std::make_unique<vb::WheelCatcher>(*f, "WheelCatcher1");
    std::vector<std::uintptr_t> handles;
    catcher->WheelRotation = [&](int, int, int, std::uintptr_t h) { handles.push_back(h); };
    f->Show();
    QApplication::processEvents();
    auto* list = qobject_cast<QAbstractScrollArea*>(f->List.widget());
    ASSERT_NE(list, nullptr);
    QWidget* viewport = list->viewport();
    QPoint pos(10, 10);
    QWheelEvent wheel(pos, viewport->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &wheel);
    EXPECT_GT(list->verticalScrollBar()->value(), 0);
    EXPECT_EQ(handles, std::vector<std::uintptr_t>{f->List.hWnd()});
    // A label does not scroll: the event climbs to its parents, still heard once.
    QWheelEvent overLabel(pos, f->Inner.widget()->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f->Inner.widget(), &overLabel);
    EXPECT_EQ(handles.size(), 2u);
    catcher.reset();
    delete f;
}

TEST(Colours, SystemColoursFollowTheDesktop) {
    EXPECT_EQ(vb::vbColor(vb::vbWindowBackground), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(vb::vbColor(0x800000), QColor(0, 0, 0x80));
}

TEST_F(Platform, PathsResolveWithoutRegardToCase) {
    writeBytes(file("Ark/Xfam_01.dbf"), "x");
    EXPECT_TRUE(vb::fileExists(appPath() + "\\ark\\XFAM_01.DBF"));
    EXPECT_FALSE(vb::fileExists(appPath() + "\\ark"));
    EXPECT_EQ(vb::resolvePath(appPath() + "\\ARK\\new.txt"), appPath() + "/Ark/new.txt");
    EXPECT_EQ(vb::FileLen(appPath() + "\\ark\\xfam_01.dbf"), 1);
    try {
        vb::readAll(appPath() + "\\nothing");
        ADD_FAILURE();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), 53);
    }
}

namespace {
// Set for a child process of the test below: the fault its look-up meets, as
// "open Ark EMFILE" (the call, the last name of the path it fails on, the
// error).
constexpr const char* kLookupFault = "CATALOGUE_TEST_LOOKUP_FAULT";
} // namespace

// A path is placed by looking for each name in any letter case (a look at
// the name, else a listing of its folder) and then by walking where its
// links lead (a look at each name). Only ENOENT and ENOTDIR say that a name
// is missing: any other failure there is the error of the path, 67 or 7 for
// a lack of descriptors or memory, 75 for any other, never 53 (a file taken
// for missing is written anew) nor a path that may name another file.
TEST_F(Platform, LookupPassesEveryFaultOnAsItself) {
    struct Case {
        const char* fault;
        int number;
    };
    const Case cases[] = {
        {"open Ark EMFILE", vb::errTooManyFiles}, {"open Ark ENFILE", vb::errTooManyFiles},
        {"open Ark ENOMEM", vb::errOutOfMemory},  {"open Ark EIO", vb::errPathAccess},
        {"stat Ark ENOMEM", vb::errOutOfMemory},  {"stat Ark EIO", vb::errPathAccess},
        {"stat Ark EACCES", vb::errPathAccess},
    };
    std::vector<std::string> faults;
    for (const Case& c : cases)
        faults.push_back(c.fault);
    const std::vector<std::string> outputs = childTestOutputs("PlatformFaultChild.LooksUpWithAFault", kLookupFault, faults);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].fault);
        const std::string& said = outputs[i];
        EXPECT_NE(said.find("with the fault: error " + std::to_string(cases[i].number) + "\n"),
                  std::string::npos)
            << said;
        EXPECT_NE(said.find("after it: the file\n"), std::string::npos) << said;
    }
}

namespace {
// Set for a child process of the test below: the error its look at an open
// file meets ("ENOMEM", "EIO").
constexpr const char* kLengthFault = "CATALOGUE_TEST_LENGTH_FAULT";
} // namespace

// The length of a file is taken by a look at the file once it is open: a
// fault there is the file's error, 7 for a lack of memory, 75 for any other,
// never 53 (a window then calls the file not available rather than tell the
// shortage).
TEST_F(Platform, LengthTellsAFaultAsItself) {
    const std::pair<const char*, int> cases[] = {{"ENOMEM", vb::errOutOfMemory}, {"EIO", vb::errPathAccess}};
    for (const auto& [error, number] : cases) {
        SCOPED_TRACE(error);
        QProcess child;
        startChildTest(child, "PlatformFaultChild.TakesALengthWithAFault", {{kLengthFault, error}});
        ASSERT_TRUE(child.waitForFinished(120000));
        const std::string said = child.readAll().toStdString();
        EXPECT_EQ(child.exitCode(), 0) << said;
        EXPECT_NE(said.find("with the fault: error " + std::to_string(number) + "\n"), std::string::npos)
            << said;
        EXPECT_NE(said.find("after it: 3\n"), std::string::npos) << said;
    }
}

// Run by Platform.LengthTellsAFaultAsItself in a process of its own: takes a
// file's length with the fault it is told of on the look at the open file,
// then once it has passed.
TEST_F(PlatformFaultChild, TakesALengthWithAFault) {
    const QByteArray told = qgetenv(kLengthFault);
    if (told.isEmpty()) GTEST_SKIP() << "run by Platform.LengthTellsAFaultAsItself";
    const int error = errorNamed(told);
    ASSERT_NE(error, 0);
    writeBytes(file("Ark/Xfam_01.dbf"), "xyz");
    // Named as on disk: its folder is not listed.
    const std::string path = appPath() + "\\Ark\\Xfam_01.dbf";
    const auto length = [&path] {
        try {
            return std::to_string(vb::FileLen(path));
        } catch (const vb::VbError& e) {
            return "error " + std::to_string(e.number());
        }
    };
    ASSERT_EQ(length(), "3"); // the program folder open, and whether the kernel has openat2 known
    // A look at an open descriptor names no file (fstat): the second, after
    // the one by which the open tells a regular file.
    ASSERT_TRUE(injectFaults({{InjectedFault::Stat, "", error, 1, 1}}));
    std::printf("with the fault: %s\n", length().c_str());
    ASSERT_EQ(injectedFaultCount(), 1);
    std::printf("after it: %s\n", length().c_str());
    std::fflush(stdout);
}

// Run by Platform.LookupPassesEveryFaultOnAsItself in a process of its own:
// places a file named in another letter case with the fault it is told of,
// then once it has passed.
TEST_F(PlatformFaultChild, LooksUpWithAFault) {
    const QList<QByteArray> words = qgetenv(kLookupFault).split(' ');
    if (words.size() != 3) GTEST_SKIP() << "run by Platform.LookupPassesEveryFaultOnAsItself";
    const int error = errorNamed(words[2]);
    ASSERT_NE(error, 0);
    writeBytes(file("Ark/Xfam_01.dbf"), "x");
    const std::string path = appPath() + "\\ark\\XFAM_01.DBF";
    ASSERT_TRUE(injectFaults({{callNamed(words[0]), words[1].toStdString(), error}}));
    const auto placed = [&path] {
        try {
            return vb::resolvePath(path);
        } catch (const vb::VbError& e) {
            return "error " + std::to_string(e.number());
        }
    };
    std::printf("with the fault: %s\n", placed().c_str());
    ASSERT_EQ(injectedFaultCount(), 1);
    const std::string after = placed();
    std::printf("after it: %s\n", after == file("Ark/Xfam_01.dbf") ? "the file" : after.c_str());
    std::fflush(stdout);
}

namespace {
// Set for a child process of the test below: where its look at where a path
// leads meets a fault, and the error, as "alias EIO": "alias", the look at a
// link to the program folder by which a path is written another way than
// under the folder's name; "folder", the look at the folder's own place as
// its descriptor is opened.
constexpr const char* kPlaceFault = "CATALOGUE_TEST_PLACE_FAULT";
} // namespace

// An open looks up where a path leads, name by name, where the path is
// written another way than under the program folder's name (through a link
// to the folder), and where it meets an absolute link inside the folder,
// against the folder's own place, looked up as the folder's descriptor is
// opened. A fault in such a look (a lack of memory, a disk that answers
// EIO) is the open's error, never a file that is not there; and it passes:
// once it has, the same path opens, and a file read through an absolute link
// inside the folder is read for the rest of the run.
TEST_F(Platform, FaultWhereAPathLeadsIsToldAndPasses) {
    struct Case {
        const char* fault;
        int error; // of the open that meets it; 0 for one that opens
    };
    const Case cases[] = {{"alias EIO", EIO},
                          {"alias ENOMEM", ENOMEM},
                          {"alias EACCES", EACCES},
                          {"folder EIO", 0},
                          {"folder ENOMEM", 0}};
    std::vector<std::string> faults;
    for (const Case& c : cases)
        faults.push_back(c.fault);
    const std::vector<std::string> outputs = childTestOutputs("PlatformFaultChild.OpensWithAFaultWhereAPathLeads", kPlaceFault, faults);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].fault);
        const std::string& said = outputs[i];
        const std::string with = cases[i].error ? "error " + std::to_string(cases[i].error) : "the file";
        EXPECT_NE(said.find("with the fault: " + with + "\n"), std::string::npos) << said;
        EXPECT_NE(said.find("after it: the file\n"), std::string::npos) << said;
        EXPECT_NE(said.find("through the absolute link: the file\n"), std::string::npos) << said;
    }
}

// Run by Platform.FaultWhereAPathLeadsIsToldAndPasses in a process of its
// own: opens a file with the fault it is told of in the look at where its
// path leads, then once it has passed, then through an absolute link.
TEST_F(PlatformFaultChild, OpensWithAFaultWhereAPathLeads) {
    namespace fs = std::filesystem;
    const QList<QByteArray> words = qgetenv(kPlaceFault).split(' ');
    if (words.size() != 2) GTEST_SKIP() << "run by Platform.FaultWhereAPathLeadsIsToldAndPasses";
    const int error = errorNamed(words[1]);
    ASSERT_NE(error, 0);
    const bool folder = words[0] == "folder";
    writeBytes(file("Ark/xfam_01.dbf"), "xyz");
    fs::create_symlink(file("Ark/xfam_01.dbf"), file("Ark/absolute.dbf"));
    QTemporaryDir elsewhere;
    const std::string alias = elsewhere.path().toStdString() + "/alias";
    fs::create_directory_symlink(appPath(), alias);
    // The table reader's way to its files, which takes a path as it is
    // written: the first open opens the folder, and the kernel's openat2 is
    // known.
    const auto opened = [](const std::string& path) {
        const int fd = vb::openForReading(path);
        if (fd < 0) return "error " + std::to_string(errno);
        ::close(fd);
        return std::string("the file");
    };
    ASSERT_EQ(opened(file("Ark/xfam_01.dbf")), "the file");
    // The folder is opened again at the next open, which meets the fault.
    if (folder) vb::forgetProgramFolderDescriptor();
    const std::string name = folder ? fs::path(appPath()).filename().string() : "alias";
    const std::string path = folder ? file("Ark/xfam_01.dbf") : alias + "/Ark/xfam_01.dbf";
    ASSERT_TRUE(injectFaults({{InjectedFault::Stat, name, error}}));
    std::printf("with the fault: %s\n", opened(path).c_str());
    ASSERT_EQ(injectedFaultCount(), 1);
    std::printf("after it: %s\n", opened(path).c_str());
    std::string through;
    try {
        through = vb::readAll(appPath() + "\\Ark\\absolute.dbf") == "xyz" ? "the file" : "another file";
    } catch (const vb::VbError& e) {
        through = "error " + std::to_string(e.number());
    }
    std::printf("through the absolute link: %s\n", through.c_str());
    std::fflush(stdout);
}

namespace {
// Set for a child process of the test below: the error the open of the
// folder of the file it removes meets ("EIO", "ENOMEM").
constexpr const char* kKillFault = "CATALOGUE_TEST_KILL_FAULT";
// Set for a child process of the test below: its program folder, on a disk
// mounted read-only for it alone.
constexpr const char* kReadOnlyAt = "CATALOGUE_TEST_READ_ONLY_AT";
} // namespace

// A file that cannot be removed (its folder cannot be opened, the disk is
// read-only) is told by its error: 7 or 67 for a lack of memory or
// descriptors, 75 for any other, never 53, which says that it is not there.
TEST_F(Platform, RemovalTellsAFaultAsItself) {
    const std::pair<const char*, int> cases[] = {{"EIO", vb::errPathAccess}, {"ENOMEM", vb::errOutOfMemory}};
    for (const auto& [error, number] : cases) {
        SCOPED_TRACE(error);
        QProcess child;
        startChildTest(child, "PlatformFaultChild.RemovesWithAFault", {{kKillFault, error}});
        ASSERT_TRUE(child.waitForFinished(120000));
        const std::string said = child.readAll().toStdString();
        EXPECT_EQ(child.exitCode(), 0) << said;
        EXPECT_NE(said.find("with the fault: error " + std::to_string(number) + "\n"), std::string::npos)
            << said;
        EXPECT_NE(said.find("after it: removed\n"), std::string::npos) << said;
    }

    const std::string disk = file("disk");
    std::filesystem::create_directory(disk);
    writeBytes(disk + "/x.bin", "kept");
    std::string noNamespace;
    const auto namespaced = testing_support::mountNamespace(noNamespace);
    if (!namespaced) GTEST_SKIP() << "no mount namespace here: " << noNamespace;
    QProcess child;
    child.setProcessEnvironment(childEnvironment({{kReadOnlyAt, QString::fromStdString(disk)}}));
    child.start("unshare", *namespaced + QStringList{"sh", "-c",
                                                     "mount --bind \"$1\" \"$1\" && "
                                                     "mount -o remount,bind,ro \"$1\" && exec \"$2\" "
                                                     "--gtest_filter=PlatformChild.RemovesOnAReadOnlyDisk",
                                                     "sh", QString::fromStdString(disk),
                                                     QCoreApplication::applicationFilePath()});
    ASSERT_TRUE(child.waitForFinished(120000));
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find("removed on a read-only disk: error 75\n"), std::string::npos) << said;
    EXPECT_EQ(readBytes(disk + "/x.bin"), "kept");
}

// Run by Platform.RemovalTellsAFaultAsItself in a process of its own:
// removes a file with the fault it is told of on the open of its folder,
// then once it has passed.
TEST_F(PlatformFaultChild, RemovesWithAFault) {
    const QByteArray told = qgetenv(kKillFault);
    if (told.isEmpty()) GTEST_SKIP() << "run by Platform.RemovalTellsAFaultAsItself";
    const int error = errorNamed(told);
    ASSERT_NE(error, 0);
    writeBytes(file("Ark/x.bin"), "x");
    const std::string path = appPath() + "\\Ark\\x.bin";
    const auto removal = [&path] {
        try {
            vb::Kill(path);
            return std::string("removed");
        } catch (const vb::VbError& e) {
            return "error " + std::to_string(e.number());
        }
    };
    ASSERT_TRUE(vb::fileExists(path)); // the program folder open, and whether the kernel has openat2 known
    ASSERT_TRUE(injectFaults({{InjectedFault::Open, "Ark", error}}));
    std::printf("with the fault: %s\n", removal().c_str());
    ASSERT_EQ(injectedFaultCount(), 1);
    std::printf("after it: %s\n", removal().c_str());
    std::fflush(stdout);
}

// Run by Platform.RemovalTellsAFaultAsItself in a process of its own, on a
// disk mounted read-only.
TEST(PlatformChild, RemovesOnAReadOnlyDisk) {
    const QByteArray disk = qgetenv(kReadOnlyAt);
    if (disk.isEmpty()) GTEST_SKIP() << "run by Platform.RemovalTellsAFaultAsItself";
    const std::string folder = disk.toStdString();
    vb::setProgramFolder(folder);
    try {
        vb::Kill(folder + "/x.bin");
        std::printf("removed on a read-only disk\n");
    } catch (const vb::VbError& e) {
        std::printf("removed on a read-only disk: error %d\n", e.number());
    }
    std::fflush(stdout);
    vb::setProgramFolder("");
}

// Names taken from the data never lead out of the program folder: "..",
// a whole path after the folder's own, an absolute or relative path
// elsewhere and links, dangling ones included, count as missing, and nothing
// outside is read, written or created.
TEST_F(Platform, PathsFromTheDataStayInTheProgramFolder) {
    namespace fs = std::filesystem;
    QTemporaryDir elsewhere;
    const std::string out = elsewhere.path().toStdString();
    writeBytes(out + "/x1.gif", "outside");
    writeBytes(out + "/x1.REC", "recovery outside");
    std::string up; // from the program folder to the root
    for (const auto& part : fs::path(appPath()).relative_path())
        if (!part.empty()) up += "\\..";
    fs::create_symlink(out, file("cars/linked"));
    fs::create_symlink(out + "/x1.gif", file("mas/x1.gif"));
    fs::create_symlink(out + "/x1.REC", file("mas/x1.REC"));
    // Links to names outside that do not exist yet, one written relative, and
    // a link inside that leads on to one of them.
    fs::create_symlink(out + "/new.gif", file("mas/new.gif"));
    fs::create_symlink(fs::relative(out, file("mas")) / "rel.gif", file("mas/rel.gif"));
    fs::create_symlink("new.gif", file("mas/chain.gif"));
    int tried = 0;
    for (const std::string& path :
         {appPath() + "\\cars\\01\\X/../.." + up + out + "/x1.gif", appPath() + up + out + "\\x1.gif",
          appPath() + "\\cars\\linked\\x1.gif", appPath() + "\\MAS\\X1.GIF", out + "/x1.gif",
          out + "\\X1.gif", fs::relative(out + "/x1.gif").string(), appPath() + "\\mas\\new.gif",
          appPath() + "\\mas\\rel.gif", appPath() + "\\mas\\chain.gif"}) {
        ++tried;
        EXPECT_FALSE(vb::fileExists(path)) << path;
        for (const auto& use : std::vector<std::function<void()>>{
                 [&] { vb::readAll(path); }, [&] { vb::readStart(path, 4); }, [&] { vb::FileLen(path); },
                 [&] { vb::writeNew(path, "in"); }, [&] { vb::writeAt(path, 1, "in"); },
                 [&] { vb::FileCopy(appPath() + "\\mas\\indice.cur", path); }, [&] { vb::Kill(path); },
                 [&] { vb::FileCopy(appPath() + "\\mas\\x1.REC", appPath() + "\\mas\\indice.cur"); },
                 [&] { vb::LoadPicture(path); }}) {
            try {
                use();
                ADD_FAILURE() << path;
            } catch (const vb::VbError& e) {
                EXPECT_EQ(e.number(), vb::errFileNotFound) << path;
            }
        }
    }
    EXPECT_EQ(tried, 10);
    EXPECT_THROW(vb::TemporaryFile(appPath() + "\\cars\\linked", "DcFile.", ".gif", "in"), vb::VbError);
    EXPECT_EQ(readBytes(out + "/x1.gif"), "outside");
    EXPECT_EQ(readBytes(out + "/x1.REC"), "recovery outside");
    int outsideFiles = 0;
    for (auto& e : fs::directory_iterator(out))
        outsideFiles += e.is_regular_file();
    EXPECT_EQ(outsideFiles, 2);
    EXPECT_TRUE(fs::is_symlink(file("mas/x1.gif")));
    // Inside the folder both still work.
    EXPECT_TRUE(vb::fileExists(appPath() + "\\ark\\..\\mas\\.\\indice.cur"));
    fs::create_symlink(file("mas"), file("cars/pictures"));
    EXPECT_TRUE(vb::fileExists(appPath() + "\\cars\\pictures\\indice.cur"));
    EXPECT_EQ(vb::resolvePath(appPath() + "\\cars\\01\\X/" + out + "/x1.gif"),
              appPath() + "/cars/01/X" + out + "/x1.gif");
}

TEST_F(Platform, WritesNeverLeaveHalfFiles) {
    const std::string pref = file("pref.bin");
    writeBytes(pref, "ABCDEFGH");
    vb::writeAt(pref, 1, "_ita");
    EXPECT_EQ(readBytes(pref), "_itaEFGH"); // not shortened
    vb::writeAt(file("fresh.bin"), 1, "_ita");
    EXPECT_EQ(readBytes(file("fresh.bin")), "_ita");
    writeBytes(file("a.REC"), std::string(5000, 'r'));
    writeBytes(file("a.gif"), "old");
    vb::FileCopy(file("a.REC"), file("a.gif"));
    EXPECT_EQ(readBytes(file("a.gif")), std::string(5000, 'r'));
    for (auto& e : std::filesystem::directory_iterator(appPath()))
        EXPECT_EQ(e.path().filename().string().find(".part"), std::string::npos);
    // A copy that cannot be made leaves the target as it was.
    EXPECT_THROW(vb::FileCopy(file("missing.REC"), file("a.gif")), vb::VbError);
    EXPECT_EQ(readBytes(file("a.gif")), std::string(5000, 'r'));
}

// A write never goes through a link, inside the folder or out, dangling or
// not, at the file or at a folder on the way, nor to a file that has a
// second name: the file named is refused (75) and what it leads to stays as
// it was. A full disk is error 61 with the system's reason
// (Platform.CopyOntoAFullDiskSaysSo).
TEST_F(Platform, WritesThroughLinksAndOnAFullDisk) {
    namespace fs = std::filesystem;
    writeBytes(file("Ark/pref.bin"), "ABCDEFGH");
    fs::create_symlink("Ark/pref.bin", file("pref.lnk"));
    fs::create_symlink("Ark/none.bin", file("dangling.lnk"));
    fs::create_hard_link(file("Ark/pref.bin"), file("pref.hard"));
    writeBytes(file("Ark/alone.bin"), "12345678");
    fs::create_directory_symlink("Ark", file("ark.lnk"));
    int refused = 0;
    for (const std::string name :
         {"PREF.LNK", "dangling.lnk", "pref.hard", "ark.lnk\\alone.bin", "ark.lnk\\new.bin"})
        for (const auto& write :
             std::vector<std::function<void()>>{[&] { vb::writeAt(appPath() + "\\" + name, 1, "_ita"); },
                                                [&] { vb::writeNew(appPath() + "\\" + name, "_ita"); }}) {
            try {
                write();
                ADD_FAILURE() << "written through " << name;
            } catch (const vb::VbError& e) {
                EXPECT_EQ(e.number(), vb::errPathAccess) << name;
                ++refused;
            }
        }
    EXPECT_EQ(refused, 10);
    EXPECT_EQ(readBytes(file("Ark/pref.bin")), "ABCDEFGH");
    EXPECT_FALSE(fs::exists(file("Ark/none.bin")));
    EXPECT_EQ(readBytes(file("Ark/alone.bin")), "12345678");
    EXPECT_FALSE(fs::exists(file("Ark/new.bin")));
    EXPECT_TRUE(fs::is_symlink(file("pref.lnk")));
    EXPECT_TRUE(fs::is_symlink(file("dangling.lnk")));
    EXPECT_EQ(fs::hard_link_count(file("pref.hard")), 2u);
    // Reading through the links inside still leads to the file.
    EXPECT_EQ(vb::readAll(appPath() + "\\pref.lnk"), "ABCDEFGH");
    EXPECT_EQ(vb::readAll(appPath() + "\\ark.lnk\\alone.bin"), "12345678");
}

namespace {
// Set for a child process of the test below: a folder on a small file system
// of its own.
constexpr const char* kFullDiskAt = "CATALOGUE_TEST_FULL_DISK_AT";
} // namespace

// A copy onto a full disk says so, as every other write does: error 61 with
// the system's reason, naming the target, which stays as it was. The disk is
// a small memory file system mounted for a child process alone.
TEST_F(Platform, CopyOntoAFullDiskSaysSo) {
    const std::string disk = file("disk");
    std::filesystem::create_directory(disk);
    // A mount namespace of its own.
    std::string noNamespace;
    const auto namespaced = testing_support::mountNamespace(noNamespace);
    if (!namespaced) GTEST_SKIP() << "no mount namespace here: " << noNamespace;
    const QStringList& unshare = *namespaced;
    QProcess child;
    child.setProcessEnvironment(childEnvironment({{kFullDiskAt, QString::fromStdString(disk)}}));
    child.start("unshare", unshare + QStringList{"sh", "-c",
                                                 "mount -t tmpfs -o size=64k tmpfs \"$1\" && exec \"$2\" "
                                                 "--gtest_filter=PlatformChild.CopiesOntoAFullDisk",
                                                 "sh", QString::fromStdString(disk),
                                                 QCoreApplication::applicationFilePath()});
    ASSERT_TRUE(child.waitForFinished(120000));
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find("copied onto a full disk: (61) No space left on device"), std::string::npos) << said;
    EXPECT_TRUE(std::filesystem::is_empty(disk)); // all of it was on the small disk
}

// Run by the test above in a process of its own, on a disk of 64 KB.
TEST(PlatformChild, CopiesOntoAFullDisk) {
    const QByteArray disk = qgetenv(kFullDiskAt);
    if (disk.isEmpty()) GTEST_SKIP() << "run by Platform.CopyOntoAFullDiskSaysSo";
    const std::string folder = disk.toStdString();
    vb::setProgramFolder(folder);
    // The recovery copy fills more than half of the disk: a second one does not fit.
    writeBytes(folder + "/x.REC", std::string(40 << 10, 'r'));
    writeBytes(folder + "/x.gif", "old");
    try {
        vb::FileCopy(folder + "/x.REC", folder + "/x.gif");
        ADD_FAILURE() << "copied";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), vb::errDiskFull);
        EXPECT_EQ(e.description(), std::strerror(ENOSPC));
        EXPECT_EQ(e.file(), folder + "/x.gif");
        std::printf("copied onto a full disk: (%d) %s\n", e.number(), e.description().c_str());
        std::fflush(stdout);
    }
    EXPECT_EQ(readBytes(folder + "/x.gif"), "old");
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files += e.is_regular_file();
    EXPECT_EQ(files, 2); // no part file left
    // The other writes say the same.
    int full = 0;
    for (const auto& write : std::vector<std::function<void()>>{
             [&] { vb::writeAt(folder + "/x.gif", 1, std::string(40 << 10, 'w')); },
             [&] { vb::writeNew(folder + "/x.gif", std::string(40 << 10, 'w')); }}) {
        try {
            write();
            ADD_FAILURE() << "written onto a full disk";
        } catch (const vb::VbError& e) {
            EXPECT_EQ(e.number(), vb::errDiskFull);
            EXPECT_EQ(e.description(), std::strerror(ENOSPC));
            EXPECT_EQ(e.file(), folder + "/x.gif");
            ++full;
        }
    }
    EXPECT_EQ(full, 2);
    vb::setProgramFolder("");
}

namespace {
// Set for a child process of the test below: the program folder it works in.
constexpr const char* kNoOpenat2In = "CATALOGUE_TEST_NO_OPENAT2_IN";
} // namespace

// A kernel without openat2 keeps the rules of every open: nothing outside
// the folder is read, nothing is written through a link or to a second name,
// no FIFO is waited for, and the files inside work as ever. The child's
// kernel answers openat2 as an older one does (a seccomp filter); the tests
// of paths and links run there too.
TEST_F(Platform, FilesOnAKernelWithoutOpenat2) {
    expectPassedWithoutOpenat2({"PlatformChild.OpensWithoutOpenat2",
                                "Platform.WritesThroughLinksAndOnAFullDisk",
                                "Platform.PathsFromTheDataStayInTheProgramFolder"},
                               {{kNoOpenat2In, QString::fromStdString(appPath())}});
    // An openat2 that keeps asking for another try (renames elsewhere
    // racing its walk) costs no file: the opens go on by the walk that
    // needs none, with the same rules.
    expectPassedWithoutOpenat2(
        {"Platform.WritesThroughLinksAndOnAFullDisk", "Platform.PathsFromTheDataStayInTheProgramFolder"}, {},
        true);
}

// Run by the test above in a process of its own.
TEST(PlatformChild, OpensWithoutOpenat2) {
    namespace fs = std::filesystem;
    const QByteArray folderName = qgetenv(kNoOpenat2In);
    if (folderName.isEmpty()) GTEST_SKIP() << "run by Platform.FilesOnAKernelWithoutOpenat2";
    open_how how{};
    ASSERT_EQ(::syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how), -1);
    ASSERT_EQ(errno, ENOSYS);

    const std::string folder = folderName.toStdString();
    const auto file = [&folder](const std::string& name) { return folder + "/" + name; };
    vb::setProgramFolder(folder);
    QTemporaryDir elsewhere;
    const std::string out = elsewhere.path().toStdString();
    writeBytes(out + "/x.gif", "outside");
    fs::create_symlink(out + "/x.gif", file("mas/out.gif"));
    writeBytes(file("Ark/pref.bin"), "ABCDEFGH");
    fs::create_symlink("Ark/pref.bin", file("pref.lnk"));
    fs::create_hard_link(file("Ark/pref.bin"), file("pref.hard"));
    const FifoGuard fifo(file("Ark/x.fifo"));
    const auto number = [](const std::function<void()>& use) {
        try {
            use();
        } catch (const vb::VbError& e) {
            return e.number();
        }
        return 0;
    };
    const std::string app = vb::programFolder();
    EXPECT_EQ(number([&] { vb::readAll(app + "\\mas\\out.gif"); }), vb::errFileNotFound);
    EXPECT_EQ(number([&] { vb::readAll(app + "\\Ark\\x.fifo"); }), vb::errFileNotFound);
    EXPECT_EQ(number([&] { vb::writeAt(app + "\\Ark\\x.fifo", 1, "_ita"); }), vb::errPathAccess);
    EXPECT_EQ(number([&] { vb::writeAt(app + "\\pref.lnk", 1, "_ita"); }), vb::errPathAccess);
    EXPECT_EQ(number([&] { vb::writeAt(app + "\\pref.hard", 1, "_ita"); }), vb::errPathAccess);
    EXPECT_FALSE(fifo.released());
    EXPECT_EQ(readBytes(out + "/x.gif"), "outside");
    EXPECT_EQ(readBytes(file("Ark/pref.bin")), "ABCDEFGH");
    EXPECT_EQ(vb::readAll(app + "\\pref.lnk"), "ABCDEFGH");
    vb::writeAt(app + "\\kvt95.ccc", 1, "_ita");
    EXPECT_EQ(vb::readStart(app + "\\KVT95.CCC", 4), "_ita");
    vb::FileCopy(app + "\\kvt95.ccc", app + "\\Ark\\copy.ccc");
    EXPECT_EQ(readBytes(file("Ark/copy.ccc")), "_ita");
    vb::Kill(app + "\\Ark\\copy.ccc");
    EXPECT_FALSE(fs::exists(file("Ark/copy.ccc")));
    vb::setProgramFolder("");
}

TEST_F(Platform, PicturesByContentAndCursorHotSpot) {
    writeBytes(file("p.gif"), "not a picture at all");
    try {
        vb::LoadPicture(file("p.gif"));
        ADD_FAILURE();
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), 481);
    }
    // The sample cursor: hot spot from its directory entry.
    auto cur = vb::loadCursorFile(appPath() + "\\mas\\indice.cur");
    ASSERT_TRUE(cur);
    EXPECT_EQ(cur->hotSpot(), QPoint(10, 2));
    auto ico = vb::loadCursorFile(appPath() + "\\mas\\lente+.ico");
    EXPECT_EQ(ico->hotSpot(), QPoint(ico->pixmap().width() / 2, ico->pixmap().height() / 2));
}

// A picture file cut short is damaged like one that cannot be read: its
// decoder would show the top part over blank. A whole file loads, bytes
// after the picture included, unless they make it larger than any picture
// the reader would load.
TEST_F(Platform, PictureCutShortIsNotAValidPicture) {
    QImage art(120, 90, QImage::Format_RGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x)
            art.setPixel(x, y, qRgb(x * 2, y * 2, (x * y) % 256));
    const auto written = [&](const char* format, bool progressive = false) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, format);
        writer.setProgressiveScanWrite(progressive);
        writer.write(art);
        return bytes.toStdString();
    };
    // A 4 x 2 run-length bitmap of two colours: a run, the end of a row,
    // literal pixels, the end of the bitmap.
    std::string rle =
        std::string("BM") + std::string(12, '\0') + std::string(40, '\0') + std::string(8, '\0');
    const auto put = [&rle](size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            rle[at + size_t(i)] = char(v >> (8 * i));
    };
    rle += std::string("\x04\x01\x00\x00\x00\x04\x00\x01\x01\x00\x00\x01", 12);
    put(2, std::uint32_t(rle.size()), 4);
    put(10, 14 + 40 + 8, 4);
    put(14, 40, 4);
    put(18, 4, 4);
    put(22, 2, 4);
    put(26, 1, 2);
    put(28, 8, 2);
    put(30, 1, 4); // run-length, 8 bits
    put(46, 2, 4); // two palette entries
    put(58, 0xFFFFFF, 4);
    struct Case {
        const char* name;
        std::string bytes;
        QSize size;
    };
    const std::vector<Case> cases = {
        {"gif", sampledata::gifBytes(art), art.size()},
        {"gif of 256 colours", sampledata::gifBytes(art, true), art.size()},
        {"jpeg", sampledata::jpegBytes(art), art.size()},
        {"progressive jpeg", written("jpeg", true), art.size()},
        {"bmp of 16 colours", core::sixteenColourBitmap(art), art.size()},
        {"bmp of 24 bits", written("bmp"), art.size()},
        {"run-length bmp", rle, QSize(4, 2)},
    };
    for (const Case& c : cases) {
        writeBytes(file("p"), c.bytes + "after the end");
        EXPECT_EQ(vb::LoadPicture(file("p")).size(), c.size) << c.name;
        for (size_t cut : {c.bytes.size() / 3, c.bytes.size() * 2 / 3, c.bytes.size() - 2}) {
            writeBytes(file("p"), c.bytes.substr(0, cut));
            try {
                vb::LoadPicture(file("p"));
                ADD_FAILURE() << c.name << " cut to " << cut << " of " << c.bytes.size() << " bytes";
            } catch (const vb::VbError& e) {
                EXPECT_EQ(e.number(), vb::errInvalidPicture) << c.name;
            }
        }
    }
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(1);
    writeBytes(file("p"), cases[0].bytes + std::string(std::size_t(vb::largestPictureFile()), '\0'));
    int error = 0;
    try {
        vb::LoadPicture(file("p"));
    } catch (const vb::VbError& e) {
        error = e.number();
    }
    QImageReader::setAllocationLimit(limit);
    EXPECT_EQ(error, vb::errInvalidPicture);
}

// Stretched pictures are drawn as Qt's smooth transformation scales them,
// pixel for pixel, whichever way smoothScaled takes.
TEST(Pictures, SmoothScalingIsQtsPixelForPixel) {
    auto band = [](int w, int h, QImage::Format format) {
        QImage img(w, h, format);
        img.fill(Qt::transparent);
        QPainter p(&img);
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, QColor(0xE8, 0xEE, 0xF6, 0xF0));
        g.setColorAt(1, QColor(0x1F, 0x3A, 0x6E));
        p.fillRect(img.rect(), g);
        return img;
    };
    QImage noisy(40, 30, QImage::Format_RGB32);
    for (int y = 0; y < noisy.height(); ++y)
        for (int x = 0; x < noisy.width(); ++x)
            noisy.setPixel(x, y, qRgb(x * 6, y * 8, (x * y) % 256));
    QImage columns = noisy.copy(0, 0, 40, 1).scaled(40, 30); // each column one colour
    struct Case {
        QImage picture;
        QSize size;
    };
    const Case cases[] = {
        {band(16, 256, QImage::Format_RGB32), {1280, 512}}, // the start window's lower band
        {band(16, 256, QImage::Format_RGB32), {800, 300}},
        {band(300, 80, QImage::Format_RGB32), {600, 6}}, // its rule under the logo
        {band(16, 256, QImage::Format_ARGB32_Premultiplied), {1000, 1000}},
        {band(7, 3, QImage::Format_ARGB32), {2000, 9}},
        {band(300, 80, QImage::Format_RGB32), {200, 160}}, // shrinking sideways
        {band(1, 50, QImage::Format_RGB32), {30, 70}},
        {noisy, {400, 90}},
        {columns, {400, 90}},
    };
    for (const Case& c : cases) {
        const QImage qt = c.picture.scaled(c.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage ours = vb::smoothScaled(c.picture, c.size);
        ASSERT_EQ(ours.size(), c.size);
        EXPECT_EQ(ours.convertToFormat(QImage::Format_ARGB32), qt.convertToFormat(QImage::Format_ARGB32))
            << c.picture.width() << "x" << c.picture.height() << " to " << c.size.width() << "x"
            << c.size.height();
    }
}

// A label paints its fore colour on its back colour, or on the window when
// transparent, and its text grey while disabled.
TEST_F(Platform, LabelsPaintTheirColours) {
    Scratch f;
    f.Inner.setContainer(nullptr);
    f.Inner.Move(0, 0, 3000, 600);
    f.Inner.setFont("Tahoma", 14);
    f.Inner.setFontBold(true);
    f.Inner.setCaption("MMMM IIII");
    f.Inner.setForeColor(vb::RGB(0, 0, 128));
    f.Inner.setBackColor(vb::RGB(255, 255, 192));
    f.Show();
    auto painted = [&] { return f.Inner.widget()->grab().toImage(); };
    auto has = [](const QImage& img, QRgb colour) {
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
        return false;
    };
    QImage img = painted();
    EXPECT_EQ(img.pixel(img.width() - 1, img.height() - 1) & 0xFFFFFF, 0xFFFFC0u);
    EXPECT_TRUE(has(img, qRgb(0, 0, 128)));
    f.Inner.setEnabled(false);
    img = painted();
    EXPECT_EQ(img.pixel(img.width() - 1, img.height() - 1) & 0xFFFFFF, 0xFFFFC0u);
    EXPECT_TRUE(has(img, qRgb(0x80, 0x80, 0x80)));
    EXPECT_FALSE(has(img, qRgb(0, 0, 128)));
    f.Inner.setEnabled(true);
    f.Inner.setTransparent(true);
    img = f.grab(f.Inner.widget()->geometry()).toImage();
    EXPECT_EQ(img.pixel(img.width() - 1, img.height() - 1) & 0xFFFFFF, 0xC0C0C0u); // the window's grey
    EXPECT_TRUE(has(img, qRgb(0, 0, 128)));
}

TEST(Text, Windows1252AtTheQtBoundary) {
    std::string s = "\x80\xB0\xB3\xE8";
    QString q = vb::toQt(s);
    EXPECT_EQ(q, QString::fromUtf8("\u20AC\u00B0\u00B3\u00E8"));
    EXPECT_EQ(vb::fromQt(q), s);
    EXPECT_EQ(vb::UCase("\xE8x"), "\xC8X");
    EXPECT_EQ(vb::InStr("A100:B200:", "b200", true), 6);
    EXPECT_EQ(vb::InStr("A100:B200:", "b200"), 0);
    EXPECT_EQ(vb::Mid("abc", 2), "bc");
    EXPECT_EQ(vb::Mid("abc", 5), "");
    EXPECT_EQ(vb::Right("x.jpeg", 3), "peg");
}

namespace {
// A window whose layout follows its size, and which keeps a minimum width
// by setting it from its own Resize.
class Resizable : public vb::Form {
  public:
    Resizable() : vb::Form("Resizable") {}
    void Form_Resize() override {
        sizes.emplace_back(Width(), Height());
        if (Width() < 6000) setWidth(6000);
        Corner.setLeft(ScaleWidth() - Corner.Width());
    }
    vb::CommandButton Corner{*this, "Corner"};
    std::vector<std::pair<int, int>> sizes;
};

// Returns once the window system has delivered every event it held: it
// asks it to activate a window of the test's own, which it delivers after
// the events before, and waits for that window to be active.
void settleWindowSystem() {
    QWindow sentinel;
    sentinel.resize(1, 1);
    sentinel.show();
    sentinel.requestActivate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == &sentinel; }, 5000))
        << "the window system never activated the sentinel window";
}
} // namespace

TEST_F(Platform, EveryWindowRunsItsResizeForASizeFromOutside) {
    Resizable f;
    f.setWidth(9000);
    f.setHeight(7000);
    f.Show();
    f.sizes.clear();
    // The user drags the frame: Qt resizes the client area.
    f.resize(600 - 2 * vb::kFrameSidePx, 400 - vb::kFrameSidePx - vb::kFrameCaptionPx);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.sizes.empty(); }, 5000));
    EXPECT_EQ(f.sizes[0], std::make_pair(9000, 6000));
    EXPECT_EQ(f.Width(), 9000);
    EXPECT_EQ(f.Height(), 6000);
    EXPECT_EQ(f.Corner.Left() + f.Corner.Width(), f.ScaleWidth());
    settleWindowSystem();
    EXPECT_EQ(f.sizes.size(), 1u);
    // Too narrow: the window's own Resize widens it again, once, and the
    // size it set reads back exactly.
    f.sizes.clear();
    f.resize(200, 300);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.sizes.empty(); }, 5000));
    EXPECT_EQ(f.Width(), 6000);
    EXPECT_EQ(f.width(), (6000 - 2 * vb::kFrameSidePx * 15) / 15);
    settleWindowSystem();
    EXPECT_EQ(f.sizes.size(), 1u);
    // A size the program sets itself is not taken back from Qt's pixels.
    f.sizes.clear();
    f.setWidth(9007);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.sizes.empty(); }, 5000));
    EXPECT_EQ(f.Width(), 9007);
    settleWindowSystem();
    EXPECT_EQ(f.sizes.size(), 1u);
    // Moving the window, or giving it the size it has, runs no Resize.
    f.sizes.clear();
    f.setLeft(1500);
    f.setTop(750);
    f.setWidth(9007);
    f.setHeight(f.Height());
    EXPECT_EQ(f.Left(), 1500);
    EXPECT_EQ(f.Top(), 750);
    EXPECT_EQ(f.geometry().topLeft(), QPoint(100, 50 + vb::kFrameCaptionPx));
    settleWindowSystem();
    EXPECT_TRUE(f.sizes.empty());
}

TEST(Colours, QBColorPalette) {
    EXPECT_EQ(vb::vbColor(vb::QBColor(12)), QColor(255, 0, 0)); // light red
    EXPECT_EQ(vb::vbColor(vb::QBColor(9)), QColor(0, 0, 255));  // light blue
    EXPECT_EQ(vb::vbColor(vb::QBColor(4)), QColor(128, 0, 0));  // red
    EXPECT_EQ(vb::vbColor(vb::QBColor(14)), QColor(255, 255, 0));
    EXPECT_EQ(vb::QBColor(1), 0x800000); // navy as a colour value
    EXPECT_THROW(vb::QBColor(16), vb::VbError);
}

TEST_F(Platform, ScrollBarChangeOnRealChangesOnly) {
    vb::Form f("Scratch");
    vb::VScrollBar bar(f, "VScroll1");
    int changes = 0;
    bar.Change = [&] { ++changes; };
    bar.setMax(10);
    bar.setMin(1); // the value 0 is clamped to the new minimum
    EXPECT_EQ(bar.Value(), 1);
    EXPECT_EQ(changes, 1);
    bar.setValue(1);
    EXPECT_EQ(changes, 1);
    bar.setValue(7);
    EXPECT_EQ(changes, 2);
    bar.setMax(5);
    EXPECT_EQ(bar.Value(), 5);
    EXPECT_EQ(changes, 3);
    EXPECT_THROW(bar.setValue(9), vb::VbError);
    // The user's move reaches the handler too.
    auto* qbar = static_cast<QScrollBar*>(bar.widget());
    qbar->setValue(2);
    EXPECT_EQ(bar.Value(), 2);
    EXPECT_EQ(changes, 4);
    // The bar's own keys move it by one, a line and a page alike.
    QTest::keyClick(qbar, Qt::Key_Down);
    EXPECT_EQ(bar.Value(), 3);
    QTest::keyClick(qbar, Qt::Key_PageDown);
    EXPECT_EQ(bar.Value(), 4);
    EXPECT_EQ(changes, 6);
}
