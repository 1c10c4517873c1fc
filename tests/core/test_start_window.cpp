#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/start_window.h"
#include "platform/file_io.h"
#include "platform/leftovers.h"
#include "platform/program_folder.h"
#include "platform/temporary_files.h"
#include "platform/vbstring.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"
#include "support/tools.h"

#include <QCoreApplication>
#include <QDate>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testing_support;

namespace {

class StartWindow : public WindowTest {
  protected:
    core::Form1& form1() {
        startProgram();
        return core::Form1::get();
    }
    std::string preference() const { return readBytes(file("kvt95.ccc")); }
    int boxesWith(const std::string& text) const {
        int n = 0;
        for (const auto& b : svc.boxes)
            if (b.prompt.find(text) != std::string::npos) ++n;
        return n;
    }
};

// The start in a child process of a test of this file.
class StartWindowFaultChild : public StartWindow {};

} // namespace

TEST_F(StartWindow, FirstStartCreatesThePreferenceFile) {
    ASSERT_FALSE(std::filesystem::exists(file("kvt95.ccc")));
    core::Form1& f = form1();
    EXPECT_EQ(core::Lang, "_ita");
    EXPECT_EQ(preference(), "_ita");
    EXPECT_EQ(core::AppPath, appPath());
    EXPECT_EQ(core::NewsFile, appPath() + "\\ark\\xNew_ita.rtf");
    EXPECT_FALSE(core::Des[0].empty());
    EXPECT_EQ(f.Label9.Caption(), core::Des[82]);
    EXPECT_EQ(f.Caption(),
              core::Des[0] + " " + core::Des[1] + " - " + core::Des[3] + " - Tel: " + core::Des[4]);
    EXPECT_GT(core::Form1::get().ListAllDescr.ListCount(), 0);
    EXPECT_GT(core::Form1::get().ListAllDescrSecond.ListCount(), 0);
    EXPECT_FALSE(f.Image2.Picture().isNull()); // the logo
    EXPECT_TRUE(f.Image2.Visible());
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.Width(), svc.width);
    EXPECT_EQ(f.Height(), svc.height);
}

TEST_F(StartWindow, LanguageButtonsAndLayout) {
    core::Form1& f = form1();
    EXPECT_TRUE(f.Command1(0).Enabled());
    for (int i = 1; i < 5; ++i) {
        EXPECT_FALSE(f.Command1(i).Enabled());
        EXPECT_TRUE(f.Command1(i).Visible());
    }
    EXPECT_EQ(f.Command1(0).Caption(), "Italiano");
    EXPECT_EQ(f.Command1(2).Caption(), "Portugu\xEAs");
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.Command1(i).Left(), f.Width() - 200 - f.Command1(i).Width());
        EXPECT_EQ(f.Command1(i).MousePointer(), 99);
    }
    EXPECT_EQ(f.Line1.X1(), -100);
    EXPECT_EQ(f.Line2.X2(), f.Width() - 1400);
    EXPECT_EQ(f.Label5.Top(), f.Height() - 750);
    EXPECT_EQ(f.Label1.Left(), (f.Width() - f.Label1.Width()) / 2);
    EXPECT_EQ(f.Image3.Height(), f.Height() / 2);
    EXPECT_EQ(f.Image3.Top(), f.Height() - f.Image3.Height());
    EXPECT_EQ(f.LabelDataClient.Caption(), core::kDealerData);
}

TEST_F(StartWindow, IntroductionTextStartsWithAnEmptyLine) {
    core::InitKeys();
    writeBytes(file("mas/tut_ita.cpt"), scrambledLines({"Riga uno", "Riga due"}));
    core::Form1& f = form1();
    EXPECT_EQ(f.Label1.Caption(), "\r\nRiga uno\r\nRiga due");
    writeBytes(file("mas/tut_ita.cpt"), scrambledLines({"Riga uno"}) + "\r\n");
    f.LoadIntroText();
    EXPECT_EQ(f.Label1.Caption(), "\r\nRiga uno\r\n");
}

TEST_F(StartWindow, MissingIntroductionBeepsAndGoesOn) {
    std::filesystem::remove(file("mas/tut_ita.cpt"));
    core::Form1& f = form1();
    EXPECT_EQ(f.Label1.Caption(), "");
    EXPECT_EQ(svc.beeps, 1);
    EXPECT_EQ(boxesWith("\\mas\\tut_ita.cpt not Available!"), 1);
    EXPECT_EQ(svc.boxes.at(0).flags, 64);
}

TEST_F(StartWindow, ResolutionWarningBelow12000Twips) {
    svc.width = 11999;
    form1();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt.rfind("Attenzione! Per la corretta visualizzazione", 0), 0u);
    EXPECT_EQ(svc.boxes[0].title, std::optional<std::string>("")); // labels not loaded yet
    EXPECT_EQ(svc.boxes[0].flags, 0);
}

TEST_F(StartWindow, NoWarningAt12000Twips) {
    svc.width = 12000;
    form1();
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(StartWindow, PreferenceNamingAnotherLanguage) {
    writeBytes(file("kvt95.ccc"), "_ing");
    svc.width = 11000;
    core::Form1& f = form1();
    EXPECT_EQ(core::Lang, "_ing");
    EXPECT_EQ(preference(), "_ing");
    EXPECT_EQ(boxesWith("Attention! Set the screen resolution"), 1);
    EXPECT_EQ(boxesWith("des_ing.cpt not available"), 1);
    EXPECT_EQ(boxesWith("lc_ing.cpt"), 1);
    EXPECT_EQ(boxesWith("lc2_ing.cpt"), 1);
    EXPECT_EQ(boxesWith("tut_ing.cpt not Available!"), 1);

    // Button 0 switches to Italian, rewrites the file and reloads after the
    // main window closes.
    svc.boxes.clear();
    int labelsBefore = 0;
    svc.onShow = [&](vb::Form*, const std::string& name) {
        EXPECT_EQ(name, "Form2");
        EXPECT_EQ(core::Lang, "_ita");
        labelsBefore = int(core::Des[0].size());
    };
    f.Command1(0).click();
    EXPECT_EQ(preference(), "_ita");
    EXPECT_TRUE(f.LanguageChanged);
    EXPECT_GT(labelsBefore, 0);
    EXPECT_EQ(boxesWith("Attenzione! Per la corretta"), 1); // the load ran again
}

TEST_F(StartWindow, SameLanguageButtonChangesNothing) {
    core::Form1& f = form1();
    std::filesystem::remove(file("kvt95.ccc"));
    svc.boxes.clear();
    f.Command1_Click(0);
    EXPECT_FALSE(std::filesystem::exists(file("kvt95.ccc")));
    EXPECT_FALSE(f.LanguageChanged);
    ASSERT_EQ(svc.shown, std::vector<std::string>{"Form2"});
    // Only the update reminder, shown at every press.
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].flags, 64);
    EXPECT_NE(svc.boxes[0].prompt.find(core::Des[4]), std::string::npos);
    EXPECT_EQ(svc.beeps, 1);
}

TEST_F(StartWindow, UpdateNoticeInTheLanguageOfTheButton) {
    core::Form1& f = form1();
    f.Show();
    const std::string& supplier = core::Des[2];
    const std::string& phones = core::Des[4];
    const std::string& site = core::Des[3];
    const std::pair<std::string, std::string> notices[5] = {
        {"Gentile cliente,\r\nil software in uso potrebbe non essere l'ultima versione disponibile: per "
         "l'aggiornamento contatti il suo rivenditore o direttamente " +
             supplier + " ai numeri " + phones + " o sul sito " + site + ".",
         supplier + " - Aggiornamento del software"},
        {"Dear customer,\r\nthis software may not be the latest version: to update it please contact your "
         "dealer or " +
             supplier + " directly at " + phones + " or on " + site + ".",
         supplier + " - Software update"},
        {"Caro cliente,\r\neste software pode n\xE3o ser a vers\xE3o mais recente: para o actualizar "
         "contacte o seu revendedor ou directamente " +
             supplier + " pelos n\xFAmeros " + phones + " ou no s\xEDtio " + site + ".",
         supplier},
        {"Cher client,\r\nce logiciel n'est peut-\xEAtre pas la derni\xE8re version: pour la mise \xE0 "
         "jour contactez votre revendeur ou directement " +
             supplier + " aux num\xE9ros " + phones + " ou sur le site " + site + ".",
         supplier + " - Mise \xE0 jour du logiciel"},
        {"Estimado cliente,\r\neste software puede no ser la \xFAltima versi\xF3n: para actualizarlo "
         "contacte con su distribuidor o directamente con " +
             supplier + " en los n\xFAmeros " + phones + " o en el sitio " + site + ".",
         supplier},
    };
    // Every button offering the language in use, so that a press shows the
    // notice and the main window without loading anything again.
    core::Languages.fill(core::Lang);
    f.SetLanguageButtons();
    for (int i = 0; i < 5; ++i) {
        svc.boxes.clear();
        QTest::mouseClick(f.Command1(i).widget(), Qt::LeftButton);
        ASSERT_EQ(svc.boxes.size(), 1u) << i;
        EXPECT_EQ(svc.boxes[0].prompt, notices[i].first) << i;
        EXPECT_EQ(svc.boxes[0].title, notices[i].second) << i;
        EXPECT_EQ(svc.boxes[0].flags, vb::vbInformation) << i;
    }
    EXPECT_EQ(svc.beeps, 5);
}

TEST_F(StartWindow, BadPreferenceFileIsReplacedWithoutShortening) {
    writeBytes(file("kvt95.ccc"), "??xxLONGER");
    form1();
    EXPECT_EQ(core::Lang, "_ita");
    EXPECT_EQ(preference(), "_itaLONGER");
}

namespace {
// Set for a child process of the test below: the fault its start meets on
// the preference, as "open EMFILE 1" (the call, the error, how many times),
// and how many such calls are made first, where any are.
constexpr const char* kPreferenceFault = "CATALOGUE_TEST_PREFERENCE_FAULT";
} // namespace

// A passing fault met on the way to the preference or on reading it (no
// descriptor or memory free, a disk that answers EIO once or twice, a
// refusal) costs the user no choice: the file keeps the language chosen, the
// start goes on in the first language and says what failed, as for any file
// it reads. Every step fails in turn: the look for the name in any letter
// case, the look at where it leads (the second look at it), the open, the
// read.
TEST_F(StartWindow, PassingFaultLeavesThePreferenceAsItWas) {
    struct Case {
        const char* fault;
        const char* told;
    };
    const Case cases[] = {
        {"stat EIO 1", "Error: (75) file "},     {"stat ENOMEM 1", "Error: (7) file "},
        {"stat EIO 1 1", "Error: (75) file "},   {"stat EACCES 1 1", "Error: (75) file "},
        {"stat ENOMEM 1 1", "Error: (7) file "}, {"open EMFILE 1", "Error: (67) file "},
        {"open ENFILE 1", "Error: (67) file "},  {"open ENOMEM 1", "Error: (7) file "},
        {"open EACCES 1", "Error: (75) file "},  {"open EIO 1", "Error: (75) file "},
        {"read EIO 1", "Error: (75) file "},     {"read EIO 2", "Error: (75) file "},
        {"read ENOMEM 1", "Error: (7) file "},
    };
    std::vector<std::string> faults;
    for (const Case& c : cases)
        faults.push_back(c.fault);
    const std::vector<std::string> outputs = childTestOutputs("StartWindowFaultChild.StartsWithAFaultyPreference", kPreferenceFault, faults);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].fault);
        const std::string& said = outputs[i];
        EXPECT_NE(said.find("the fault was met"), std::string::npos) << said;
        EXPECT_NE(said.find("preference: _ing\n"), std::string::npos) << said;
        EXPECT_NE(said.find("lang: _ita\n"), std::string::npos) << said;
        EXPECT_NE(said.find("box: " + std::string(cases[i].told)), std::string::npos) << said;
        EXPECT_NE(said.find("kvt95.ccc"), std::string::npos) << said;
        EXPECT_NE(said.find("report done"), std::string::npos) << said;
    }
}

namespace {
// Set for a child process of the test below: the fault its start meets on
// the way to one of its files, as "xlogo.gif stat EIO 1" (the file's name,
// then as in kPreferenceFault).
constexpr const char* kFileFault = "CATALOGUE_TEST_FILE_FAULT";
} // namespace

// A fault met on the way to a data file (a disk that answers EIO, a
// refusal), in the look for its name in any letter case, in the look at
// where it leads (the second look) or in its open, is told as a fault, as on
// its read: never as a file that is not there. So the start window's picture
// is told by the fault's number, 75, never by the 0 of a missing picture,
// and the start ends as for any picture it cannot read; a list of
// descriptions is told as a file that cannot be read, never as one not
// found ("non trovato"), and the main window's list of diagram types, on
// the way or on its read, by its number, never as "not found": the start
// goes on without them. "{app}" stands for the
// program folder's text, "{lapp}" for it in lower case.
TEST_F(StartWindow, FaultOnTheWayToAFileIsNeverToldAsAMissingFile) {
    struct Case {
        const char* fault;
        const char* box;
        bool ends;
    };
    const Case cases[] = {
        {"xlogo.gif stat EIO 1", "Error: (75) file {lapp}\\mas\\xlogo.gif not available", true},
        {"xlogo.gif stat EACCES 1", "Error: (75) file {lapp}\\mas\\xlogo.gif not available", true},
        {"xlogo.gif stat EIO 1 1", "Error: (75) file {lapp}\\mas\\xlogo.gif not available", true},
        {"xlogo.gif stat EACCES 1 1", "Error: (75) file {lapp}\\mas\\xlogo.gif not available", true},
        {"xlogo.gif open EIO 1", "Error: (75) file {lapp}\\mas\\xlogo.gif not available", true},
        {"xlogo.gif open EACCES 1", "Error: (75) file {lapp}\\mas\\xlogo.gif not available", true},
        {"lc_ita.cpt stat EIO 1", "Error file {app}\\ark\\lc_ita.cpt", false},
        {"lc_ita.cpt open EACCES 1", "Error file {app}\\ark\\lc_ita.cpt", false},
        {"psc_ita.cpt stat EIO 1",
         "Error: (75) file {app}\\ark\\psc_ita.cpt not available Path/File access error", false},
        {"psc_ita.cpt open EACCES 1",
         "Error: (75) file {app}\\ark\\psc_ita.cpt not available Path/File access error", false},
        {"psc_ita.cpt read EIO 1",
         "Error: (75) file {app}\\ark\\psc_ita.cpt not available Path/File access error", false},
    };
    std::vector<std::string> faults;
    for (const Case& c : cases)
        faults.push_back(c.fault);
    const std::vector<std::string> outputs = childTestOutputs("StartWindowFaultChild.StartsWithAFaultOnTheWayToAFile", kFileFault, faults);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].fault);
        const std::string& said = outputs[i];
        EXPECT_NE(said.find("the fault was met"), std::string::npos) << said;
        EXPECT_NE(said.find(std::string("ended: ") + (cases[i].ends ? "1" : "0") + "\n"), std::string::npos)
            << said;
        // The child's own copy of the data.
        const std::size_t at = said.find("folder: ");
        ASSERT_NE(at, std::string::npos) << said;
        const std::string app = said.substr(at + 8, said.find('\n', at) - at - 8);
        std::string box = cases[i].box;
        for (const auto& [mark, text] : {std::pair{"{app}", app}, std::pair{"{lapp}", vb::LCase(app)}})
            if (const std::size_t m = box.find(mark); m != std::string::npos)
                box.replace(m, std::strlen(mark), text);
        // That one box, and nothing that calls the file missing.
        EXPECT_NE(said.find("box: " + box + "\n"), std::string::npos) << said;
        EXPECT_EQ(said.find("box: ", said.find("box: ") + 1), std::string::npos) << said;
        for (const char* wrong : {"(0)", "(53)", "non trovato", "not found"})
            EXPECT_EQ(said.find(wrong), std::string::npos) << said;
        EXPECT_NE(said.find("report done"), std::string::npos) << said;
    }
}

TEST_F(StartWindow, ReadOnlyFolderDoesNotStopTheProgram) {
    // A folder as the preference file cannot be read nor written.
    std::filesystem::create_directory(file("kvt95.ccc"));
    form1();
    EXPECT_EQ(core::Lang, "_ita");
    EXPECT_FALSE(svc.ended);
}

// The preference file is read only where it stays inside the program
// folder, and written only where it is a file of its own: never through a
// link, inside the folder or out, nor when it is a second name of another
// file. Such a preference, and one that is no file at all (a FIFO, itself or
// behind a link), can be neither read nor written: the start goes on at once
// in the first language and nothing it names is created or changed. A link
// that stays inside leads a read to its file.
TEST_F(StartWindow, PreferenceBehindALink) {
    namespace fs = std::filesystem;
    QTemporaryDir elsewhere;
    const std::string out = elsewhere.path().toStdString();
    const std::string logo = readBytes(file("mas/xlogo.gif"));
    const std::string brands = readBytes(file("Ark/Xmarche.dbf"));
    ASSERT_GT(logo.size(), 4u);
    ASSERT_GT(brands.size(), 4u);
    struct Start {
        std::string target;                       // where the link leads
        std::optional<std::string> before, after; // the target's bytes; none: no file
        std::string lang;
        bool hard = false; // a second name rather than a link
    };
    const Start starts[] = {
        {out + "/new.ccc", {}, {}, "_ita"},
        {out + "/english.ccc", "_ing", "_ing", "_ita"},
        {out + "/damaged.ccc", "??xxOUT", "??xxOUT", "_ita"},
        {file("Ark/new.ccc"), {}, {}, "_ita"},
        {file("Ark/damaged.ccc"), "??xxLONGER", "??xxLONGER", "_ita"},
        {file("Ark/english.ccc"), "_ing", "_ing", "_ing"},
        {file("mas/xlogo.gif"), logo, logo, "_ita"},
        {"Ark/Xmarche.dbf", brands, brands, "_ita"},
        {file("mas/xlogo.gif"), logo, logo, "_ita", true},
        {file("Ark/damaged.ccc"), "??xxLONGER", "??xxLONGER", "_ita", true},
    };
    int started = 0;
    for (const Start& s : starts) {
        const fs::path target = fs::path(file("kvt95.ccc")).parent_path() / s.target;
        if (s.before) writeBytes(target, *s.before);
        fs::remove(file("kvt95.ccc"));
        if (s.hard)
            fs::create_hard_link(target, file("kvt95.ccc"));
        else
            fs::create_symlink(s.target, file("kvt95.ccc"));
        vb::FormRegistry::unloadAll();
        core::resetModule();
        form1();
        ++started;
        EXPECT_EQ(core::Lang, s.lang) << s.target;
        EXPECT_FALSE(svc.ended) << s.target;
        EXPECT_EQ(fs::is_symlink(file("kvt95.ccc")), !s.hard) << s.target;
        EXPECT_EQ(fs::exists(target), s.after.has_value()) << s.target;
        EXPECT_TRUE((s.after ? readBytes(target) : "") == s.after.value_or("")) << s.target;
    }
    EXPECT_EQ(started, 10);

    for (const bool linked : {false, true}) {
        fs::remove(file("kvt95.ccc"));
        const FifoGuard fifo(linked ? file("Ark/kvt95.fifo") : file("kvt95.ccc"));
        if (linked) fs::create_symlink("Ark/kvt95.fifo", file("kvt95.ccc"));
        vb::FormRegistry::unloadAll();
        core::resetModule();
        core::Form1& f = form1();
        f.Show();
        EXPECT_TRUE(f.isVisible()) << linked;
        EXPECT_FALSE(fifo.released()) << "the start waited for the FIFO, linked: " << linked;
        EXPECT_EQ(core::Lang, "_ita") << linked;
    }
}

TEST_F(StartWindow, EscEndsTheProgram) {
    core::Form1& f = form1();
    EXPECT_THROW(f.previewKey(27, 0), vb::ProgramEnded);
    EXPECT_FALSE(f.previewKey(65, 0));
}

// The window manager (or the user) gives the window another size: the
// layout follows as it does for a size the program sets.
TEST_F(StartWindow, ResizedFromOutsideArrangesItsControls) {
    core::Form1& f = form1();
    f.Show();
    // 700 x 500 pixels outside; Qt sizes the client area inside the frame.
    f.resize(QSize(700 - 2 * vb::kFrameSidePx, 500 - vb::kFrameSidePx - vb::kFrameCaptionPx));
    // The layout runs in the Resize that takes the new size.
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.Width() == 700 * 15 && f.Height() == 500 * 15; }, 5000))
        << f.Width() << " x " << f.Height();
    const QRect client = f.rect();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(f.Command1(i).Left(), f.Width() - 200 - f.Command1(i).Width());
        EXPECT_TRUE(client.contains(f.Command1(i).widget()->geometry())) << i;
    }
    EXPECT_EQ(f.Label5.Top(), f.Height() - 750);
    EXPECT_TRUE(client.contains(f.Label5.widget()->geometry()));
    for (vb::Label* l : {&f.Label9, &f.Label1, &f.LabelDataClient, &f.Label5})
        EXPECT_EQ(l->Left(), (f.Width() - l->Width()) / 2) << l->Name();
    EXPECT_EQ(f.Line1.X2(), f.Width() - 1400);
}

// The two design pictures are stretched over their controls, smoothly, as
// they were drawn from the start; a band given a new size is painted anew.
TEST_F(StartWindow, StretchedPicturesArePaintedSmoothlyScaled) {
    core::Form1& f = form1();
    // Only the pictures: nothing drawn over them.
    for (vb::Control* c : f.Controls())
        if (c != &f.Image1 && c != &f.Image3) c->widget()->hide();
    f.Show();
    auto expectPainted = [&](vb::Image& image) {
        const QRect area = image.widget()->geometry();
        const QRect seen = area & f.rect(); // the band may pass the window's edge
        const QImage painted = f.grab().toImage().copy(seen).convertToFormat(QImage::Format_RGB32);
        const QImage scaled =
            image.Picture().toImage().scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_EQ(painted,
                  scaled.copy(seen.translated(-area.topLeft())).convertToFormat(QImage::Format_RGB32))
            << image.Name();
    };
    expectPainted(f.Image3);
    expectPainted(f.Image1);
    f.Image3.setWidth(f.Image3.Width() - 1500);
    f.Image3.setHeight(f.Image3.Height() - 1500);
    expectPainted(f.Image3);
}

namespace {
// Bytes this process has read from files so far.
long long bytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}
long long peakMemoryKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}
} // namespace

// A huge preference file (damaged, or grown by another program) costs the
// start no more than a small one: only its first bytes are read.
TEST_F(StartWindow, HugePreferenceFileIsNotReadWhole) {
    constexpr long long kSize = 300LL << 20;
    writeBytes(file("kvt95.ccc"), "_ita");
    std::filesystem::resize_file(file("kvt95.ccc"), kSize); // sparse: no disk space taken
    const long long readBefore = bytesRead(), peakBefore = peakMemoryKb();
    ASSERT_GE(readBefore, 0);
    form1();
    EXPECT_EQ(core::Lang, "_ita");
    EXPECT_LT(bytesRead() - readBefore, kSize / 10);
    EXPECT_LT(peakMemoryKb() - peakBefore, (kSize / 10) >> 10);
    EXPECT_EQ(std::filesystem::file_size(file("kvt95.ccc")), std::uintmax_t(kSize));
}

// Another user who holds the program folder's lock (flock -x) for as long
// as the program runs costs the way to the main window one wait for it,
// however many temporary files the program makes there: compared with the
// same way in a free folder, measured in the same run.
TEST_F(StartWindow, FolderHeldByAnotherCostsTheStartOneWait) {
    using Clock = std::chrono::steady_clock;
    // From the start to the main window; none when that never shows.
    const auto toMainWindow = [this]() -> std::optional<Clock::duration> {
        vb::FormRegistry::unloadAll();
        core::resetModule();
        const Clock::time_point start = Clock::now();
        core::Form1& f = form1();
        std::optional<Clock::duration> took;
        svc.onShow = [&](vb::Form*, const std::string& name) {
            if (name == "Form2") took = Clock::now() - start;
        };
        f.Command1(0).click();
        svc.onShow = nullptr;
        return took;
    };
    // Once before, so that neither way pays for what a first start loads.
    ASSERT_TRUE(toMainWindow());
    const int other = ::open(appPath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    const std::optional<Clock::duration> held = toMainWindow();
    ::close(other);
    const std::optional<Clock::duration> free = toMainWindow();
    ASSERT_TRUE(held && free) << "the main window never showed";
    const auto s = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
    std::printf("main window after %.2f s, %.2f s in a free folder\n", s(*held), s(*free));
    // A wait is two seconds, and the start makes several files there.
    EXPECT_GT(*held - *free, std::chrono::milliseconds(1500));
    EXPECT_LT(*held - *free, std::chrono::milliseconds(3000));
}

namespace {
// Set for a child process of the test below: the program folder in which it
// makes a temporary file of its own and holds it.
constexpr const char* kHoldTemporaryIn = "CATALOGUE_TEST_HOLD_TEMPORARY_IN";

// Tells, without waiting, whether the leftover walks started so far have
// ended: a wait for what a walk removes ends with the walk, so that a walk
// that ends without removing it fails the test at once.
class WalkWatch {
  public:
    WalkWatch() : ended_(std::async(std::launch::async, vb::waitForLeftoverRemoval)) {}
    bool ended() const { return ended_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }

  private:
    std::future<void> ended_;
};
} // namespace

// The start removes what programs killed before they could clean up left
// behind: files named as the program names its temporary files, where it
// makes them (a part file beside the damaged data file it was to replace,
// which has its recovery copy beside it; a print bitmap in a diagram folder;
// a decoded copy in the program folder), that no running program holds. The
// live temporary file of another running program stays, and so does every
// file that is not one of the program's own: named so elsewhere, or a user's
// file of a like name.
TEST_F(StartWindow, StartRemovesWhatEndedProgramsLeftAndNothingElse) {
    namespace fs = std::filesystem;
    QProcess other;
    startChildTest(other, "StartWindowChild.HoldsATemporaryFile",
                   {{kHoldTemporaryIn, QString::fromStdString(appPath())}});
    QString said, line;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            while (other.canReadLine() && !line.startsWith("holding: "))
                said += line = QString::fromLocal8Bit(other.readLine());
            return line.startsWith("holding: ") || other.state() == QProcess::NotRunning;
        },
        60000));
    ASSERT_TRUE(line.startsWith("holding: ")) << said.toStdString();
    const std::string held = line.mid(9).trimmed().toStdString();
    ASSERT_TRUE(fs::exists(held));
    ASSERT_EQ(fs::path(held).parent_path(), fs::path(appPath()));

    // Left by ended programs: nobody holds them.
    const std::vector<std::string> leftovers = {"DcFile.Ab12Cd.gif",
                                                "DcFile.zZ9y8X.peg",
                                                "DcFile.Q1w2E3.",
                                                "psc/toroscat.Qw3rTy.bmp",
                                                "psc/psc_ita/toroscat.As5dFg.bmp",
                                                "psc/PSC_ing/toroscat.Zx9cVb.bmp",
                                                "cars/02/XCORSA16.jpg.partZx8cVb",
                                                "cars/02/XCORSA16.jpg.partQ1w2E3.catalogue",
                                                "mas/xlogo.gif.part0a1B2c"};
    // Not the program's own, or not where it makes them: among them a user's
    // files beside the files they are named for, which have no recovery copy
    // beside them; a part file beside a recovery copy, which has none of its
    // own; print bitmaps in folders the viewer never prints into. And a
    // recovery copy for xlogo.gif, in another letter case.
    const std::vector<std::string> others = {"DcFile.gif",
                                             "DcFile.Ab12C.gif",
                                             "DcFile.Ab12Cd.gift",
                                             "mas/DcFile.Ab12Cd.gif",
                                             "psc/DcFile.Ab12Cd.gif",
                                             "toroscat.bmp",
                                             "psc/toroscat.bmp",
                                             "psc/toroscat.ab12.bmp",
                                             "psc/toroscat.Qw3rTy.bmpx",
                                             "cars/toroscat.Qw3rTy.bmp",
                                             "psc/sub/toroscat.Qw3rTy.bmp",
                                             "psc/psc_it/toroscat.Qw3rTy.bmp",
                                             "psc/pscita/toroscat.Qw3rTy.bmp",
                                             "psc/psc_ita/sub/toroscat.Qw3rTy.bmp",
                                             "cars/02/XCORSA16.jpg.part",
                                             "cars/02/XCORSA16.jpg.partZx8c-b",
                                             "cars/02/XCORSA16.REC.partZx8cVb",
                                             "XLOGO.gif.part0a1B2c",
                                             "mas/XLOGO.gif.part0a1B2c",
                                             "mas/XLOGO.rec",
                                             "cars/02/XNONE.jpg.partZx8cVb",
                                             "report.odt.partAbC123",
                                             "psc/psc_ita/x/y/deep.gif.partZx8cVb",
                                             "notes.txt",
                                             "notes.txt.partAbC123",
                                             "notes.txt.partAbC123.catalogue",
                                             "disk",
                                             "disk.partitions",
                                             "cars/XCORSA16.jpg",
                                             "cars/XCORSA16.jpg.partZx8cVb"};
    for (const auto& name : leftovers)
        writeBytes(file(name), "left behind");
    for (const auto& name : others) {
        fs::create_directories(fs::path(file(name)).parent_path());
        writeBytes(file(name), "kept");
    }
    // A link under a leftover's name, and a folder.
    QTemporaryDir elsewhere;
    const std::string outside = elsewhere.path().toStdString() + "/kept.bmp";
    writeBytes(outside, "outside");
    fs::create_symlink(outside, file("psc/toroscat.Lk1234.bmp"));
    fs::create_directory(file("cars/02/XDUNA.jpg.partAbCdEf"));

    // Another program makes a file in the program folder as the walk comes
    // to its names, and holds the folder shared for that moment: the walk
    // waits for it rather than pass the folder by.
    const int making = ::open(appPath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(making, LOCK_SH), 0);
    form1();
    const WalkWatch walk;
    // Gone from the folders below: the walk is at the program folder's own.
    const auto goneBelow = [&] {
        return !fs::exists(file("cars/02/XCORSA16.jpg.partZx8cVb")) &&
               !fs::exists(file("psc/toroscat.Qw3rTy.bmp"));
    };
    const bool walkCame = QTest::qWaitFor([&] { return goneBelow() || walk.ended(); }, 60000);
    QTest::qWait(100);
    ::close(making);
    ASSERT_TRUE(goneBelow()) << (walkCame ? "the walk ended and left them" : "the walk never came to them");
    vb::waitForLeftoverRemoval();
    for (const auto& name : leftovers)
        EXPECT_FALSE(fs::exists(file(name))) << name;
    for (const auto& name : others)
        EXPECT_EQ(readBytes(file(name)), "kept") << name;
    EXPECT_TRUE(fs::is_symlink(file("psc/toroscat.Lk1234.bmp")));
    EXPECT_EQ(readBytes(outside), "outside");
    EXPECT_TRUE(fs::is_directory(file("cars/02/XDUNA.jpg.partAbCdEf")));
    EXPECT_EQ(readBytes(held), "held");
    EXPECT_TRUE(svc.boxes.empty());

    // The other program removes its own file when it ends.
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(60000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAll().toStdString();
    EXPECT_FALSE(fs::exists(held));
}

namespace {
// Set in a process made by fork() that is to end with no thread but its own:
// any other still running then is the leftover walk's, working while the
// process tears itself down.
bool g_endWithOneThread = false;
// When such a process called exit().
std::chrono::steady_clock::time_point g_endCalled;

// A destructor of the test program itself: the last of a process's exit
// work, after every function given to atexit (the walk's end among them,
// which an earlier test of this process may have given first).
__attribute__((destructor)) void failIfTheWalkStillRuns() {
    if (!g_endWithOneThread) return;
    const auto tasks = std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                     std::filesystem::directory_iterator());
    if (tasks > 1) {
        std::fputs("the leftover walk outlived the end\n", stderr);
        std::_Exit(3);
    }
    // A walk that rests, or removes, when the end has come: the end waits
    // for it as long as that takes.
    const auto took = std::chrono::steady_clock::now() - g_endCalled;
    if (took > std::chrono::milliseconds(250)) {
        std::fprintf(
            stderr, "the end took %lld ms\n",
            static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
        std::_Exit(5);
    }
}

// Whether this process holds a file of folder open.
bool holdsAFileIn(const std::string& folder) {
    for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(e.path(), error).string();
        if (target.rfind(folder + "/", 0) == 0) return true;
    }
    return false;
}

// The names in folder, in the order the file system lists them, which is
// the walk's order.
std::vector<std::string> listed(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    return names;
}

// Makes count empty files in folder named name(i), quickly.
template <typename Name> void makeEmptyFiles(const std::string& folder, int count, Name name) {
    for (int i = 0; i < count; ++i) {
        const int fd =
            ::open((folder + "/" + name(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << name(i);
        ::close(fd);
    }
}

// Six letters or digits that differ for each i.
std::string unique(int i) {
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    std::string u(6, '0');
    for (int at = 5; at >= 0; --at, i /= 62)
        u[size_t(at)] = digits[i % 62];
    return u;
}
} // namespace

namespace {
// From its making on, every removal by name (unlinkat) of this process and
// of the threads it starts later waits for this object's word, which comes
// at once, or after `slow` for the next removal once slowNext() was called:
// a removal that the file system takes long over. A system-call filter
// whose listener answers on a thread of its own; once stopped, every removal
// fails (ENOSYS). In a child process only.
class RemovalsAnswered {
  public:
    explicit RemovalsAnswered(std::chrono::milliseconds slow) : slow_(slow) {
        sock_filter rules[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_unlinkat, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_USER_NOTIF),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        const sock_fprog program{static_cast<unsigned short>(std::size(rules)), rules};
        seccomp_notif_sizes sizes{};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::syscall(SYS_seccomp, SECCOMP_GET_NOTIF_SIZES, 0, &sizes) != 0)
            return;
        listener_ =
            int(::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, SECCOMP_FILTER_FLAG_NEW_LISTENER, &program));
        if (listener_ < 0) return;
        thread_ = std::thread([this, sizes] { answer(sizes); });
    }
    ~RemovalsAnswered() { stop(); }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (listener_ >= 0) ::close(listener_);
        listener_ = -1;
    }
    bool working() const { return thread_.joinable(); }
    void slowNext() { slowNext_ = true; }
    // Whether the slow removal has been answered.
    bool slowAnswered() const { return slowAnswered_; }

  private:
    void answer(const seccomp_notif_sizes& sizes) {
        std::vector<char> in(std::max<size_t>(sizes.seccomp_notif, sizeof(seccomp_notif)));
        std::vector<char> out(std::max<size_t>(sizes.seccomp_notif_resp, sizeof(seccomp_notif_resp)));
        while (!stop_) {
            pollfd ready{listener_, POLLIN, 0};
            if (::poll(&ready, 1, 10) <= 0) continue;
            std::fill(in.begin(), in.end(), 0);
            auto* asked = reinterpret_cast<seccomp_notif*>(in.data());
            if (::ioctl(listener_, SECCOMP_IOCTL_NOTIF_RECV, asked) != 0) continue;
            const bool slow = slowNext_.exchange(false);
            if (slow) std::this_thread::sleep_for(slow_);
            std::fill(out.begin(), out.end(), 0);
            auto* answer = reinterpret_cast<seccomp_notif_resp*>(out.data());
            answer->id = asked->id;
            answer->flags = SECCOMP_USER_NOTIF_FLAG_CONTINUE;
            ::ioctl(listener_, SECCOMP_IOCTL_NOTIF_SEND, answer);
            if (slow) slowAnswered_ = true;
        }
    }

    std::chrono::milliseconds slow_;
    int listener_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false}, slowNext_{false}, slowAnswered_{false};
};
} // namespace

namespace {
// The process of the test below: ends while the walk rests, in one case
// after a long wait for a folder, in the other after a slow removal.
[[noreturn]] void endWhileTheWalkRests(const std::string& bulk, const std::string& firstRemoved,
                                       const std::string& nextBatch) {
    namespace fs = std::filesystem;
    using Clock = std::chrono::steady_clock;
    g_endWithOneThread = true;
    const auto giveUp = Clock::now() + std::chrono::minutes(1);
    const auto waitUntil = [&giveUp](const std::function<bool()>& done) {
        while (!done() && Clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return done();
    };
    const auto fail = [](int status, const char* why) {
        std::fprintf(stderr, "%s\n", why);
        std::_Exit(status);
    };
    // As long as the folder below is held: the slow removal takes
    // that long too.
    constexpr std::chrono::milliseconds kHeld(600);
    RemovalsAnswered removals(kHeld);
    if (!removals.working()) fail(7, "no system-call filter with a listener here");
    // Another program makes a file in the folder as the walk comes
    // to it (its first names open), for most of the second the walk
    // waits for a folder.
    const int making = ::open(bulk.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (::flock(making, LOCK_SH) != 0) fail(6, "folder not held");
    vb::startRemovingLeftoverTemporaries();
    if (!waitUntil([&] { return holdsAFileIn(bulk); })) fail(4, "the walk never came");
    const Clock::time_point held = Clock::now();
    std::this_thread::sleep_for(kHeld);
    ::close(making);
    const Clock::duration waited = Clock::now() - held;
    if (!waitUntil([&] { return !fs::exists(firstRemoved); })) fail(4, "nothing removed");
    const Clock::time_point first = Clock::now();
    if (!waitUntil([&] { return !fs::exists(nextBatch); })) fail(4, "no second batch");
    const Clock::duration rested = Clock::now() - first;
    std::fprintf(
        stderr, "rested %lld ms after a wait of %lld ms\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(rested).count()),
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
    if (rested > waited / 2) fail(8, "the walk rested for its wait");
    // A removal that takes long: the walk rests as long after it,
    // and the end comes in that rest.
    removals.slowNext();
    if (!waitUntil([&] { return removals.slowAnswered(); })) fail(4, "no slow removal");
    removals.stop();
    g_endCalled = Clock::now();
    std::exit(0);
}
} // namespace

// A process that ends while the leftover walk still runs stops the walk and
// waits for its thread, so that nothing of it runs while the process comes
// apart: at its next name, whether it lists a folder or removes from one,
// and at once when it rests, however long the rest was to be. The walk rests
// as long as it worked, but a wait for a busy folder is no work: after one
// it goes on at once. The folders are large enough that the walk is far
// from done.
TEST_F(StartWindow, EndStopsTheLeftoverWalkAndWaitsForIt) {
    namespace fs = std::filesystem;
    for (int i = 0; i < 100; ++i) {
        const fs::path folder = fs::path(file("wide")) / std::to_string(i);
        fs::create_directories(folder);
        for (int j = 0; j < 20; ++j) {
            std::ofstream(folder / ("x" + std::to_string(j) + ".gif"));
            std::ofstream(folder / ("x" + std::to_string(j) + ".REC"));
            std::ofstream(folder / ("x" + std::to_string(j) + ".gif.partAbCdE" + char('a' + j % 26)));
        }
    }
    constexpr int kBulk = 4000;
    fs::create_directory(file("bulk"));
    makeEmptyFiles(file("bulk"), kBulk, [](int i) { return "x.gif.part" + unique(i); });
    std::ofstream(file("bulk/x.gif"));
    std::ofstream(file("bulk/x.REC"));
    // The walk's order: a few names at a time, the first batch ending before
    // the fifth name.
    std::vector<std::string> order = listed(file("bulk"));
    order.erase(std::find(order.begin(), order.end(), "x.gif"));
    order.erase(std::find(order.begin(), order.end(), "x.REC"));
    const std::string firstRemoved = file("bulk/" + order[0]);
    const std::string nextBatch = file("bulk/" + order[4]);
    EXPECT_EXIT(endWhileTheWalkRests(file("bulk"), firstRemoved, nextBatch), ::testing::ExitedWithCode(0),
                "");
    // The end came as the walk removed the folder's names: nearly all stay.
    EXPECT_GT(listed(file("bulk")).size(), size_t(kBulk / 2));
    // The walk of this process removes them all when it has time to.
    vb::startRemovingLeftoverTemporaries();
    vb::waitForLeftoverRemoval();
    EXPECT_EQ(listed(fs::path(file("wide")) / "99").size(), 40u);
    std::vector<std::string> left = listed(file("bulk"));
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"x.REC", "x.gif"}));
}

// Many leftovers cost the program no wait. The first window comes before
// they are gone, and a temporary file made beside them while they go is
// made at once, since the walk takes their folder only for a moment every
// few names. Told by the removal itself, so that a slow machine (a sanitizer
// build, other work) slows both sides.
TEST_F(StartWindow, ManyLeftoversHoldNoNewFileBack) {
    namespace fs = std::filesystem;
    // In a folder of their own, which the start does not look into: the
    // start finds its files by listing the folders they lie in, which a
    // folder of many names makes slow whoever removes them.
    constexpr int kLeftovers = 20000;
    const std::string bulk = file("bulk");
    fs::create_directory(bulk);
    writeBytes(bulk + "/x.gif", "data");
    writeBytes(bulk + "/x.REC", "recovery copy");
    makeEmptyFiles(bulk, kLeftovers, [](int i) { return "x.gif.part" + unique(i); });
    std::vector<std::string> order;
    for (const std::string& name : listed(bulk))
        if (name != "x.gif" && name != "x.REC") order.push_back(bulk + "/" + name);
    ASSERT_EQ(order.size(), size_t(kLeftovers));

    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    form1();
    const Clock::duration firstWindow = Clock::now() - start;
    // The walk goes in the order of the listing: its last name is the last
    // to go.
    const bool removalUnderWay = fs::exists(order.back());
    // Made again and again until the last leftover is gone; timed while the
    // walk removes them (the first is gone and the last is not).
    int whileRemoving = 0;
    Clock::duration longest{};
    while (fs::exists(order.back()) && Clock::now() - start < std::chrono::minutes(2)) {
        const bool removing = !fs::exists(order.front());
        const Clock::time_point before = Clock::now();
        const vb::TemporaryFile made(bulk, "DcFile.", ".gif", "made");
        const Clock::duration took = Clock::now() - before;
        if (removing && fs::exists(order.back())) {
            ++whileRemoving;
            longest = std::max(longest, took);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("first window %.1f ms; %d files made while the walk removed, the longest in %.1f ms\n",
                ms(firstWindow), whileRemoving, ms(longest));
    vb::waitForLeftoverRemoval();
    const Clock::duration removal = Clock::now() - start;
    std::printf("all removed after %.1f ms\n", ms(removal));
    // Waiting for the removal, the first window would come after it; and a
    // file made would wait for the folder as long as the program waits for
    // one that another holds (two seconds).
    EXPECT_TRUE(removalUnderWay) << "the first window waited for the removal";
    EXPECT_GE(whileRemoving, 10);
    EXPECT_LT(longest, std::chrono::milliseconds(500));
    int left = 0;
    for (const std::string& name : order)
        left += fs::exists(name);
    EXPECT_EQ(left, 0);
}

// The leftover walk keeps few descriptors and never takes the last ones the
// process may have: with a limit a little above what the process holds, it
// removes the leftovers while the program's own opens go on; with less, it
// stops at once and leaves them to the next start. An open of the program
// never fails meanwhile.
TEST_F(StartWindow, LeftoverWalkLeavesTheProgramItsDescriptors) {
    namespace fs = std::filesystem;
    constexpr int kLeftovers = 200;
    const auto leftovers = [&] {
        int n = 0;
        for (const std::string& name : listed(appPath()))
            n += name.rfind("DcFile.", 0) == 0;
        return n;
    };
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
    int highest = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd"))
        highest = std::max(highest, std::stoi(e.path().filename().string()));
    // Every descriptor up to the highest in use, as at a program's start:
    // the room above is all the process has.
    std::vector<int> filling;
    for (int fd = -1; fd < highest;) {
        fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        if (fd > highest)
            ::close(fd);
        else
            filling.push_back(fd);
    }
    // Descriptors above those open now: room for the walk and the program
    // together, then for the program alone.
    for (const int room : {16, 10}) {
        SCOPED_TRACE(room);
        makeEmptyFiles(appPath(), kLeftovers, [](int i) { return "DcFile." + unique(i) + ".gif"; });
        rlimit lowered = before;
        lowered.rlim_cur = rlim_t(highest + 1 + room);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
        std::atomic<bool> done{false};
        std::thread walk([&] {
            vb::removeLeftoverTemporaries(appPath());
            done = true;
        });
        int opened = 0, refused = 0;
        while (!done) {
            const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                ++refused;
            } else {
                ++opened;
                ::close(fd);
            }
        }
        walk.join();
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
        EXPECT_GT(opened, 0);
        EXPECT_EQ(refused, 0);
        EXPECT_EQ(leftovers(), room == 16 ? 0 : kLeftovers);
    }
    for (const int fd : filling)
        ::close(fd);
}

namespace {
// Set for a child process of the test below: the program folder whose
// leftovers it removes, with a folder from elsewhere mounted in it.
constexpr const char* kRemoveLeftoversIn = "CATALOGUE_TEST_REMOVE_LEFTOVERS_IN";
// Set for that child as well: its statx tells no mount, as before kernel 5.8.
constexpr const char* kNoMountByStatx = "CATALOGUE_TEST_NO_MOUNT_BY_STATX";

// From now on, in this thread and in the threads it starts later, a statx
// that asks for the mount fails (ENOSYS); whether the filter is in place.
bool noMountByStatx() {
    sock_filter rules[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_statx, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[3])),
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, STATX_MNT_ID, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(rules)), rules};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}
} // namespace

// Leftovers go only from beneath the program folder. A folder moved out of it
// while the walk removes there keeps the files it takes along; a folder from
// elsewhere mounted in it (bind mounts, on the same device, included) is
// not walked.
TEST_F(StartWindow, LeftoversGoOnlyFromBeneathTheProgramFolder) {
    namespace fs = std::filesystem;
    const std::string bulk = file("mas/bulk");
    fs::create_directory(bulk);
    makeEmptyFiles(bulk, 4000, [](int i) { return "x.gif.part" + unique(i); });
    const std::vector<std::string> order = listed(bulk);
    writeBytes(bulk + "/x.gif", "data");
    writeBytes(bulk + "/x.REC", "recovery copy");
    writeBytes(file("DcFile.Ab12Cd.gif"), "left behind");
    QTemporaryDir elsewhere;
    const std::string moved = elsewhere.path().toStdString() + "/bulk";

    form1();
    const WalkWatch walk;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (fs::exists(bulk + "/" + order.front()) && !walk.ended() &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    ASSERT_FALSE(fs::exists(bulk + "/" + order.front())) << "the walk never removed there";
    fs::rename(bulk, moved);
    const size_t taken = listed(moved).size();
    ASSERT_GT(taken, order.size() / 2) << "the walk was done with the folder";
    vb::waitForLeftoverRemoval();
    // All but the few names the walk was at as the folder moved.
    EXPECT_GE(listed(moved).size() + 50, taken);
    EXPECT_FALSE(fs::exists(file("DcFile.Ab12Cd.gif"))); // the walk went on past it

    // A folder of its own, mounted for a child process alone.
    std::string noNamespace;
    const auto namespaced = testing_support::mountNamespace(noNamespace);
    if (!namespaced) GTEST_SKIP() << "no mount namespace here: " << noNamespace;
    const QStringList& unshare = *namespaced;
    QTemporaryDir outside;
    writeBytes(outside.path().toStdString() + "/XCORSA16.jpg", "outside");
    writeBytes(outside.path().toStdString() + "/XCORSA16.REC", "outside");
    writeBytes(outside.path().toStdString() + "/XCORSA16.jpg.partZx8cVb", "outside");
    fs::create_directory(file("cars/bound"));
    // Then as a kernel before 5.8 does, whose statx tells no mount.
    for (const bool mountByStatx : {true, false}) {
        SCOPED_TRACE(mountByStatx ? "mount told by statx" : "mount told by /proc");
        writeBytes(file("cars/02/XCORSA16.jpg.partZx8cVb"), "left behind");
        std::vector<std::pair<QString, QString>> variables = {
            {kRemoveLeftoversIn, QString::fromStdString(appPath())}};
        if (!mountByStatx) variables.emplace_back(kNoMountByStatx, "1");
        QProcess child;
        child.setProcessEnvironment(childEnvironment(variables));
        child.start("unshare",
                    unshare + QStringList{"sh", "-c",
                                          "mount --bind \"$1\" \"$2\" && exec \"$3\" "
                                          "--gtest_filter=StartWindowChild.RemovesLeftovers",
                                          "sh", outside.path(), QString::fromStdString(file("cars/bound")),
                                          QCoreApplication::applicationFilePath()});
        ASSERT_TRUE(child.waitForFinished(120000));
        const std::string said = child.readAll().toStdString();
        EXPECT_EQ(child.exitCode(), 0) << said;
        EXPECT_NE(said.find("removed leftovers"), std::string::npos) << said;
        EXPECT_EQ(readBytes(outside.path().toStdString() + "/XCORSA16.jpg.partZx8cVb"), "outside");
        EXPECT_FALSE(fs::exists(file("cars/02/XCORSA16.jpg.partZx8cVb"))); // the walk ran
    }
}

namespace {
// Set for a child process of the test below: the single-byte locale it runs
// in (LC_ALL), made by the test in a folder of its own (LOCPATH).
constexpr const char* kSingleByteLocale = "fr_FR.ISO-8859-1";
// Set for that child: it is one.
constexpr const char* kInSingleByteLocale = "CATALOGUE_TEST_SINGLE_BYTE_LOCALE";
} // namespace

// In a locale of one byte a letter, where 0xE9 is a letter ("\xE9", e-acute in
// Latin-1), the decoded copy of a data file whose name ends in such a letter
// keeps only the ASCII letters and digits of that end in its name, as in any
// other locale: so a later start, which tells a decoded copy by those alone,
// removes such a copy where an ended program left it behind. The locale is
// made for the test from Debian's locale sources (the locales package).
TEST_F(StartWindow, DecodedCopyOfANameWithALatin1LetterGoesAsALeftover) {
    QTemporaryDir locales;
    ASSERT_TRUE(locales.isValid());
    QProcess make;
    make.start("localedef", {"-i", "fr_FR", "-f", "ISO-8859-1", locales.path() + "/" + kSingleByteLocale});
    if (!make.waitForFinished(60000) || make.exitStatus() != QProcess::NormalExit || make.exitCode() != 0)
        GTEST_SKIP() << "no Latin-1 locale can be made here (localedef and the locales package): "
                     << make.readAll().toStdString();
    QProcess child;
    startChildTest(child, "StartWindowFaultChild.DecodesInASingleByteLocale",
                   {{"LOCPATH", locales.path()},
                    {"LC_ALL", kSingleByteLocale},
                    {"LANG", kSingleByteLocale},
                    {kInSingleByteLocale, "1"}});
    ASSERT_TRUE(child.waitForFinished(120000));
    const std::string said = child.readAll().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said;
    EXPECT_NE(said.find("[       OK ] StartWindowFaultChild.DecodesInASingleByteLocale"), std::string::npos)
        << said;
}

// Run by StartWindow.DecodedCopyOfANameWithALatin1LetterGoesAsALeftover in a
// process of its own, in a Latin-1 locale: decodes a data file whose name
// ends in such a letter, leaves a file named as its decoded copy was, as a
// program killed meanwhile would, and starts.
TEST_F(StartWindowFaultChild, DecodesInASingleByteLocale) {
    namespace fs = std::filesystem;
    if (!qEnvironmentVariableIsSet(kInSingleByteLocale))
        GTEST_SKIP() << "run by StartWindow.DecodedCopyOfANameWithALatin1LetterGoesAsALeftover";
    // The process took the locale as the program does, with its application
    // object: 0xE9 is a letter there.
    ASSERT_TRUE(std::isalnum(0xE9)) << std::setlocale(LC_CTYPE, nullptr);
    ASSERT_TRUE(std::isalnum(static_cast<unsigned char>('\xE9')));
    // Its last three characters "gi\xE9", the name on disk in those bytes.
    const std::string data = file("mas/xlogo.gi\xE9");
    writeBytes(data, readBytes(file("mas/xlogo.gif")));
    std::string decoded;
    // Gone however the test ends: the test folder's own removal decodes
    // names as UTF-8, and passes over a name of those bytes.
    const auto removed = qScopeGuard([&] {
        std::error_code ignored;
        fs::remove(data, ignored);
        if (!decoded.empty()) fs::remove(decoded, ignored);
    });
    core::registerScrambledTarget(
        950, [&decoded](const std::string& temp, const std::string&) { decoded = temp; },
        core::TargetLoads::Picture);
    core::InitKeys();
    core::AppPath = appPath();
    core::LoadScrambledFile(appPath() + "\\mas\\xlogo.gi\xE9", 950);
    ASSERT_FALSE(decoded.empty());
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(fs::path(decoded).parent_path(), fs::path(file("kvt95.ccc")).parent_path());
    EXPECT_EQ(fs::path(decoded).extension(), ".gi");
    ASSERT_FALSE(fs::exists(decoded));
    // Left behind; the start removes it.
    writeBytes(decoded, "left behind");
    form1();
    vb::waitForLeftoverRemoval();
    EXPECT_FALSE(fs::exists(decoded)) << decoded;
}

// On a kernel without openat2 the walk keeps its rules, one name at a time:
// the program's own leftovers go, and nothing else, nothing behind a link
// and nothing on a folder mounted in the program folder.
TEST_F(StartWindow, LeftoversGoWithoutOpenat2) {
    expectPassedWithoutOpenat2({"StartWindow.StartRemovesWhatEndedProgramsLeftAndNothingElse",
                                "StartWindow.LeftoversGoOnlyFromBeneathTheProgramFolder"});
}

// Run by the test above in a process of its own: removes the leftovers of the
// program folder it is given, as a start does.
TEST(StartWindowChild, RemovesLeftovers) {
    const QByteArray folder = qgetenv(kRemoveLeftoversIn);
    if (folder.isEmpty()) GTEST_SKIP() << "run by StartWindow.LeftoversGoOnlyFromBeneathTheProgramFolder";
    if (qEnvironmentVariableIsSet(kNoMountByStatx)) {
        ASSERT_TRUE(noMountByStatx());
        struct statx sx {};
        ASSERT_FALSE(::statx(AT_FDCWD, ".", 0, STATX_MNT_ID, &sx) == 0 && (sx.stx_mask & STATX_MNT_ID));
    }
    vb::setProgramFolder(folder.toStdString());
    vb::proveProgramFolderForTests();
    vb::startRemovingLeftoverTemporaries();
    vb::waitForLeftoverRemoval();
    vb::setProgramFolder("");
    std::printf("removed leftovers\n");
    std::fflush(stdout);
}

// Run by StartWindow.StartRemovesWhatEndedProgramsLeftAndNothingElse in a
// process of its own: makes a temporary file in the program folder it is
// given and holds it until its input ends.
TEST(StartWindowChild, HoldsATemporaryFile) {
    const QByteArray folder = qgetenv(kHoldTemporaryIn);
    if (folder.isEmpty())
        GTEST_SKIP() << "run by StartWindow.StartRemovesWhatEndedProgramsLeftAndNothingElse";
    vb::setProgramFolder(folder.toStdString());
    const vb::TemporaryFile held(vb::programFolder(), "DcFile.", ".gif", "held");
    std::printf("holding: %s\n", held.path().c_str());
    std::fflush(stdout);
    char c = 0;
    while (::read(0, &c, 1) > 0) {
    }
}

// Run by StartWindow.PassingFaultLeavesThePreferenceAsItWas in a process of
// its own: starts with "_ing" as the preference and the fault it is told of
// on reading it, and reports what the start made of it.
TEST_F(StartWindowFaultChild, StartsWithAFaultyPreference) {
    const QByteArray fault = qgetenv(kPreferenceFault);
    if (fault.isEmpty()) GTEST_SKIP() << "run by StartWindow.PassingFaultLeavesThePreferenceAsItWas";
    const QList<QByteArray> words = fault.split(' ');
    ASSERT_GE(words.size(), 3);
    const int error = errorNamed(words[1]);
    ASSERT_NE(error, 0);
    writeBytes(file("kvt95.ccc"), "_ing");
    ASSERT_TRUE(
        injectFaults({{callNamed(words[0]), "kvt95.ccc", error, words[2].toInt(), words.value(3).toInt()}}));
    form1();
    if (injectedFaultCount() > 0) std::printf("the fault was met\n");
    std::printf("preference: %s\nlang: %s\n", preference().c_str(), core::Lang.c_str());
    for (const auto& b : svc.boxes)
        std::printf("box: %s\n", b.prompt.c_str());
    std::printf("report done\n");
    std::fflush(stdout);
}

// Run by StartWindow.FaultOnTheWayToAFileIsNeverToldAsAMissingFile in a
// process of its own: starts with the fault it is told of on the way to a
// file, and where the start goes on, presses the first language button and
// so opens the main window; then reports what was said.
TEST_F(StartWindowFaultChild, StartsWithAFaultOnTheWayToAFile) {
    const QList<QByteArray> words = qgetenv(kFileFault).split(' ');
    if (words.size() < 4) GTEST_SKIP() << "run by StartWindow.FaultOnTheWayToAFileIsNeverToldAsAMissingFile";
    const int error = errorNamed(words[2]);
    ASSERT_NE(error, 0);
    ASSERT_TRUE(injectFaults(
        {{callNamed(words[1]), words[0].toStdString(), error, words[3].toInt(), words.value(4).toInt()}}));
    try {
        form1();
        svc.todayDate = QDate(1899, 12, 30); // no update reminder in between
        if (!svc.ended) core::Form1::get().Command1(0).click();
    } catch (const vb::ProgramEnded&) {
    }
    if (injectedFaultCount() > 0) std::printf("the fault was met\n");
    std::printf("ended: %d\nfolder: %s\n", int(svc.ended), core::AppPath.c_str());
    for (const auto& b : svc.boxes) {
        std::string line = b.prompt;
        std::erase(line, '\r');
        std::replace(line.begin(), line.end(), '\n', ' ');
        std::printf("box: %s\n", line.c_str());
    }
    std::printf("report done\n");
    std::fflush(stdout);
}
