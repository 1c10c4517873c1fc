#include "diagram_fixture.h"

#include "platform/file_io.h"
#include "platform/leftovers.h"
#include "platform/paths.h"
#include "platform/printer.h"
#include "platform/program_folder.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "support/fixtures.h"
#include "support/pdf.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

using namespace diagram_tests;
using diagrams::Form5;

namespace {

class Printing : public DiagramTest {
  protected:
    // Opens code over the showcase model and prints it with the answers
    // given; after runs in the viewer once the print button was pressed. The
    // viewer must have opened, or the checks in after prove nothing.
    void print(const std::string& code, int mode, testing_support::PrinterAnswer answer,
               const std::function<void(Form5&)>& after = {}) {
        choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
        on["Form5"] = [&](vb::Form*) {
            Form5& f = Form5::get();
            svc.printerAnswers.push_back(answer);
            f.Command8_Click();
            if (after) after(f);
        };
        openViewer(code, mode, "Iniezione benzina ARDESIA ALBA 1.2 16V");
        EXPECT_EQ(on["Form5"].runs(), 1) << "the viewer never opened";
    }
    // Runs the print job the timer would start.
    static void runJob(Form5& f) {
        ASSERT_TRUE(f.Timer1.Enabled());
        EXPECT_EQ(f.Timer1.Interval(), 500);
        f.Timer1_Timer();
        EXPECT_FALSE(f.Timer1.Enabled());
    }
    // Share of the page's pixels in a colour family.
    static int count(const QImage& page, const std::function<bool(QColor)>& is) {
        int n = 0;
        for (int y = 0; y < page.height(); y += 2)
            for (int x = 0; x < page.width(); x += 2)
                if (is(page.pixelColor(x, y))) ++n;
        return n;
    }
    // Print bitmaps in a folder, or in the diagram's, whoever made them.
    static int bitmaps(const std::string& folder) {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(folder))
            n += e.path().filename().string().rfind("toroscat", 0) == 0;
        return n;
    }
    static int bitmaps(Form5& f) { return bitmaps(vb::resolvePath(f.DiagramFolder)); }
    static bool red(QColor c) { return c.red() - std::max(c.green(), c.blue()) > 100; }
    static bool coloured(QColor c) {
        return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 40;
    }
    // Mean brightness of a block of the printed diagram, given in pixels of
    // the diagram (800 wide), on a page rendered at 100 dpi with the
    // quarter-inch border.
    static int brightness(const QImage& page, int x, int y, double printedWidthInches, bool darkest = false) {
        const double scale = printedWidthInches * 100 / 800;
        int sum = 0, n = 0, least = 255;
        for (int dy = 0; dy < 10; ++dy)
            for (int dx = 0; dx < 10; ++dx) {
                const QColor c = page.pixelColor(25 + int((x + dx) * scale), 25 + int((y + dy) * scale));
                sum += (c.red() + c.green() + c.blue()) / 3;
                least = std::min(least, (c.red() + c.green() + c.blue()) / 3);
                ++n;
            }
        return darkest ? least : sum / n;
    }
};

TEST_F(Printing, PortraitColourPageWithTheComponentList) {
    svc.answers = {vb::vbYes}; // keep the colours
    print("B100", 12, {true, vb::vbPRCMColor, vb::vbPRORPortrait}, [&](Form5& f) {
        ASSERT_TRUE(f.PrintBitmap);
        EXPECT_EQ(std::filesystem::path(f.PrintBitmap->path()).parent_path(),
                  std::filesystem::path(vb::resolvePath(f.DiagramFolder)));
        EXPECT_EQ(bitmaps(f), 1);
        EXPECT_TRUE(f.Picture3.Visible());
        runJob(f);
        EXPECT_EQ(bitmaps(f), 0);
        EXPECT_FALSE(f.Picture3.Visible());
        EXPECT_EQ(f.focusWidget(), f.Command6.widget());
        EXPECT_EQ(f.PrintableComponentsList.ListCount(), 13); // two equal rows print once
    });
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    ASSERT_EQ(boxesWith(core::Des[73]), 1);
    const std::string pdf = printFile(1);
    EXPECT_EQ(testing_support::pdfPages(pdf), 1);
    EXPECT_FALSE(testing_support::pdfLandscape(pdf));
    const std::string text = testing_support::pdfText(pdf);
    EXPECT_NE(text.find("Iniezione benzina ARDESIA ALBA 1.2 16V"), std::string::npos);
    EXPECT_NE(text.find("10   (1) Centralina motore"), std::string::npos);
    const size_t rpm = text.find("20   (1) Sensore giri motore");
    ASSERT_NE(rpm, std::string::npos);
    EXPECT_EQ(text.find("20   (1) Sensore giri motore", rpm + 1), std::string::npos);
    EXPECT_NE(text.find("30   (1) Iniettore Cilindro 4"), std::string::npos);
    // Colours kept, the silver background printed white, the full printable width.
    const QImage page = testing_support::pdfPage(pdf, 1, 100);
    EXPECT_GT(count(page, red), 20);
    const double width = page.width() / 100.0 - 0.5;
    EXPECT_GT(brightness(page, 700, 390, width), 250);     // silver in the diagram
    EXPECT_LT(brightness(page, 35, 355, width, true), 80); // a component's corner
}

TEST_F(Printing, LandscapeBlackAndWhiteInTwoColumns) {
    svc.answers = {vb::vbNo}; // black and white
    print("B100", 12, {true, vb::vbPRCMColor, vb::vbPRORLandscape}, [&](Form5& f) { runJob(f); });
    const std::string pdf = printFile(1);
    EXPECT_TRUE(testing_support::pdfLandscape(pdf));
    const std::string text = testing_support::pdfText(pdf);
    // 13 lines in 7 rows: item 0 beside item 7, item 6 alone.
    const auto lineWith = [&](const std::string& s) {
        const size_t at = text.find(s);
        if (at == std::string::npos) return std::string();
        const size_t start = text.rfind('\n', at) + 1;
        return text.substr(start, text.find('\n', at) - start);
    };
    const std::string first = lineWith("10   (1) Centralina motore");
    EXPECT_NE(first.find("30   (1) Iniettore Cilindro 1"), std::string::npos) << first;
    const std::string alone = lineWith("25   (1) Sonda lambda");
    EXPECT_EQ(std::count(alone.begin(), alone.end(), '('), 1) << alone;
    const QImage page = testing_support::pdfPage(pdf, 1, 100);
    EXPECT_EQ(count(page, coloured), 0);
    // 1.3 times the picture's own size: 800 pixels of 15 twips are 10.83 inches.
    EXPECT_GT(brightness(page, 700, 390, 10.83), 250);
    EXPECT_LT(brightness(page, 35, 355, 10.83, true), 80); // a component's corner
}

TEST_F(Printing, ALongComponentListRunsOnInItsTwoColumnsPageAfterPage) {
    double half = 0;
    for (int orientation : {vb::vbPRORLandscape, vb::vbPRORPortrait})
        print("B100", 12, {true, vb::vbPRCMMonochrome, orientation}, [&](Form5& f) {
            for (int i = 0; i < 150; ++i) {
                const std::string n = std::to_string(1000 + i);
                f.VisibleComponentGrid.AddItem("Z" + n + " (1) Componente " + n);
            }
            if (orientation == vb::vbPRORLandscape)
                half = std::nearbyint(vb::Printer().Width() / 2) / 1440 * 25.4;
            runJob(f);
        });
    ASSERT_EQ(vb::Printer().jobs().size(), 2u);
    // Millimetres from the paper's edge: the printable area begins 6.35 mm in.
    constexpr double area = 6.35;
    for (int job : {1, 2}) {
        const std::string pdf = printFile(job);
        const int pages = testing_support::pdfPages(pdf);
        ASSERT_GE(pages, 2) << job;
        int left = 0, right = 0;
        for (int p = 1; p <= pages; ++p)
            for (const auto& l : testing_support::pdfLines(pdf, p))
                for (const auto& w : l.words) {
                    if (w.text.size() != 5 || w.text[0] != 'Z') continue;
                    if (job == 1 && std::abs(w.left - area - half) < 0.3)
                        ++right;
                    else
                        EXPECT_NEAR(w.left, area, 0.3) << "job " << job << " page " << p << ": " << w.text;
                    ++left;
                }
        left -= right;
        // Landscape: 163 items in two columns, 82 on the left (the diagram's
        // own 13 and the first 69 added) and 81 on the right; portrait: all
        // in one.
        EXPECT_EQ(left, job == 1 ? 69 : 150) << job;
        EXPECT_EQ(right, job == 1 ? 81 : 0) << job;
    }
}

TEST_F(Printing, MonochromePrinterAsksNothingAndSecondPrintStaysBlackAndWhite) {
    print("B100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        runJob(f);
        EXPECT_EQ(boxesWith(core::Des[73]), 0);
        // The picture stays recoloured: a colour printout later is black and white.
        svc.answers = {vb::vbYes};
        svc.printerAnswers.push_back({true, vb::vbPRCMColor, vb::vbPRORPortrait});
        f.Command8_Click();
        runJob(f);
    });
    ASSERT_EQ(vb::Printer().jobs().size(), 2u);
    EXPECT_EQ(count(testing_support::pdfPage(printFile(2), 1, 40), coloured), 0);
}

TEST_F(Printing, CancelPrintsNothingAndLeavesNoBitmap) {
    print("B100", 12, {false}, [&](Form5& f) {
        EXPECT_FALSE(f.Timer1.Enabled());
        EXPECT_EQ(bitmaps(f), 0);
        EXPECT_EQ(f.MousePointer(), vb::vbDefault);
    });
    EXPECT_TRUE(vb::Printer().jobs().empty());
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(Printing, OldFormatPrintsThePictureOnlyAndFocusesTheFirstButton) {
    print("A100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        EXPECT_TRUE(vb::Right(f.DiagramFolder, 9) == "\\psc_ita\\");
        runJob(f);
        EXPECT_EQ(f.focusWidget(), f.Command10(0).widget());
    });
    const std::string text = testing_support::pdfText(printFile(1));
    EXPECT_EQ(text.find("Iniezione benzina ARDESIA"), std::string::npos);
    EXPECT_EQ(testing_support::pdfPages(printFile(1)), 1);
}

TEST_F(Printing, DiagramWithoutComponentsStillPrintsItsTitle) {
    svc.answers.clear();
    print("J100", 42, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        EXPECT_EQ(f.VisibleComponentGrid.Rows(), 0);
        runJob(f);
    });
    EXPECT_NE(testing_support::pdfText(printFile(1)).find("Iniezione benzina ARDESIA ALBA 1.2 16V"),
              std::string::npos);
}

TEST_F(Printing, InvalidBitmapIsReportedAndRemoved) {
    print("B100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        ASSERT_TRUE(f.PrintBitmap);
        const std::string bmp = f.PrintBitmap->path();
        std::string bytes = testing_support::readBytes(bmp);
        bytes[116] = char(0x80);
        testing_support::writeBytes(bmp, bytes);
        runJob(f);
        EXPECT_FALSE(vb::fileExists(bmp));
        EXPECT_EQ(bitmaps(f), 0);
        EXPECT_FALSE(f.Picture3.Visible());
    });
    EXPECT_EQ(boxesWith("Invalid Bitmap Format !!"), 1);
    EXPECT_TRUE(vb::Printer().jobs().empty());
}

// Two printouts from one folder at once, or a link planted as toroscat.bmp,
// the bitmap's name without the part that makes it unique: each printout
// writes a new file of its own and touches nothing else.
TEST_F(Printing, PrintBitmapIsThePrintoutsOwn) {
    QTemporaryDir elsewhere;
    const std::string outside = elsewhere.path().toStdString() + "/kept.bmp";
    testing_support::writeBytes(outside, "outside");
    print("B100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        const std::string folder = vb::resolvePath(f.DiagramFolder);
        ASSERT_TRUE(f.PrintBitmap);
        const std::string first = f.PrintBitmap->path();
        std::filesystem::create_symlink(outside, folder + "/toroscat.bmp");
        // Another printout while this one waits for its timer.
        svc.printerAnswers.push_back({true, vb::vbPRCMMonochrome, vb::vbPRORPortrait});
        f.Command8_Click();
        EXPECT_NE(f.PrintBitmap->path(), first);
        EXPECT_FALSE(std::filesystem::exists(first));
        runJob(f);
        EXPECT_TRUE(std::filesystem::is_symlink(folder + "/toroscat.bmp"));
        EXPECT_EQ(bitmaps(f), 1); // the link alone
    });
    EXPECT_EQ(testing_support::readBytes(outside), "outside");
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
}

// A job that fails takes its own bitmap away and touches no other file of
// the folder, even one named toroscat.bmp like a bitmap without its unique
// part.
TEST_F(Printing, FailedJobRemovesItsOwnBitmapAndNothingElse) {
    print("B100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        const std::string folder = vb::resolvePath(f.DiagramFolder);
        testing_support::writeBytes(folder + "/toroscat.bmp", "kept");
        // The printer cannot start the job.
        vb::Printer().setPdfOutput(appPath() + "/no such folder/print-%1.pdf");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Timer1.Enabled(); }, 3000));
        EXPECT_EQ(bitmaps(f), 1); // the other file alone
        EXPECT_EQ(testing_support::readBytes(folder + "/toroscat.bmp"), "kept");
        EXPECT_FALSE(f.PrintBitmap);
        EXPECT_FALSE(f.Picture3.Visible());
    });
    EXPECT_EQ(boxesWith("PRINTER NOT FOUND!! Check your printer."), 1);
}

// Set for a child process of the test below: how it ends while it prints.
constexpr const char* kEndWhilePrinting = "CATALOGUE_TEST_END_WHILE_PRINTING";

// The bitmap goes with the printout however the program ends while it runs:
// the viewer closed with Esc, a termination signal from outside, or the
// exit that follows a lost display connection. The last three end a child
// process, which leaves its data folder behind to be looked at. A program
// killed outright leaves its bitmap, and the next start removes it.
TEST_F(Printing, BitmapGoesWhenTheProgramEndsDuringThePrintout) {
    print("B100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        ASSERT_EQ(bitmaps(f), 1);
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_TRUE(f.isUnloaded());
    });
    EXPECT_EQ(bitmaps(file("psc")), 0);
    EXPECT_TRUE(vb::Printer().jobs().empty());
    for (const char* how : {"TERM", "INT", "HUP", "exit", "KILL"}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kEndWhilePrinting, how);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=PrintingChild.EndsWhilePrinting"});
        ASSERT_TRUE(child.waitForFinished(120000)) << how;
        const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
        const qsizetype at = out.indexOf("printing from: ");
        ASSERT_GE(at, 0) << how << ": " << out.toStdString();
        const QString folder = out.mid(at + 15).section(QLatin1Char('\n'), 0, 0);
        if (std::string(how) == "exit")
            EXPECT_TRUE(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 1) << how;
        else
            EXPECT_EQ(child.exitStatus(), QProcess::CrashExit) << how;
        ASSERT_TRUE(QFile::exists(folder + "/psc/xB100.gif")) << how << ": " << folder.toStdString();
        if (std::string(how) == "KILL") {
            EXPECT_EQ(bitmaps(folder.toStdString() + "/psc"), 1);
            // As the next start in that folder does.
            vb::setProgramFolder(folder.toStdString());
            vb::removeLeftoverTemporaries(folder.toStdString());
            vb::setProgramFolder(appPath());
            EXPECT_TRUE(QFile::exists(folder + "/psc/xB100.gif"));
        }
        EXPECT_EQ(bitmaps(folder.toStdString() + "/psc"), 0) << how;
        QDir(folder).removeRecursively();
    }
}

using PrintingChild = Printing;

// Run by the test above in a process of its own: says where it prints from,
// then ends as it is told while its printout waits for its timer.
TEST_F(PrintingChild, EndsWhilePrinting) {
    const QByteArray how = qgetenv(kEndWhilePrinting);
    if (how.isEmpty()) GTEST_SKIP() << "run by Printing.BitmapGoesWhenTheProgramEndsDuringThePrintout";
    print("B100", 12, {true, vb::vbPRCMMonochrome, vb::vbPRORPortrait}, [&](Form5& f) {
        ASSERT_EQ(bitmaps(f), 1);
        std::printf("printing from: %s\n", appPath().c_str());
        std::fflush(stdout);
        if (how == "exit") std::exit(1);
        std::raise(how == "TERM" ? SIGTERM : how == "INT" ? SIGINT : how == "HUP" ? SIGHUP : SIGKILL);
    });
    ADD_FAILURE() << "still running";
}

// Forwards to the scripted services, but asks one question with the
// desktop's own message box.
class OneRealQuestion : public vb::Services {
  public:
    OneRealQuestion(testing_support::ScriptedServices& scripted, std::string prompt)
        : scripted_(scripted), prompt_(std::move(prompt)) {}
    int msgBox(const std::string& prompt, int flags, const std::optional<std::string>& title) override {
        if (prompt == prompt_) return vb::DesktopServices().msgBox(prompt, flags, title);
        return scripted_.msgBox(prompt, flags, title);
    }
    void beep() override { scripted_.beep(); }
    int screenWidth() const override { return scripted_.screenWidth(); }
    int screenHeight() const override { return scripted_.screenHeight(); }
    void showModal(vb::Form& form, vb::Form* owner) override { scripted_.showModal(form, owner); }
    void showModalMissing(const std::string& name, vb::Form* owner) override {
        scripted_.showModalMissing(name, owner);
    }
    bool showPrinterDialog(vb::PrinterObject& printer) override {
        return scripted_.showPrinterDialog(printer);
    }
    [[noreturn]] void endProgram() override {
        scripted_.endProgram();
        std::abort();
    }

  private:
    testing_support::ScriptedServices& scripted_;
    std::string prompt_;
};

// The colour question opens clear of the wait notice, so that both are read
// whole: the viewer fills the screen, and both would otherwise stand at its
// middle.
TEST_F(Printing, ColourQuestionOpensClearOfTheWaitNotice) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    svc.width = screen.width() * vb::kTwipsPerPixel;
    svc.height = screen.height() * vb::kTwipsPerPixel;
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    OneRealQuestion services(svc, core::Des[73]);
    vb::setServices(&services);
    QRect box, notice;
    QString asked;
    on["Form5"] = [&](vb::Form*) {
        Form5& f = Form5::get();
        f.Show();
        QApplication::processEvents();
        svc.printerAnswers.push_back({true, vb::vbPRCMColor, vb::vbPRORPortrait});
        QTest::keyClick(&f, Qt::Key_F10);
        ASSERT_TRUE(f.Picture3.Visible());
        QTimer answer;
        answer.setInterval(10);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!question || !question->isVisible()) return;
            answer.stop();
            asked = question->text();
            box = question->frameGeometry();
            QWidget* panel = f.Picture3.widget();
            if (panel->isVisible()) notice = QRect(panel->mapToGlobal(QPoint(0, 0)), panel->size());
            QTest::mouseClick(question->button(QMessageBox::Yes), Qt::LeftButton);
        });
        answer.start();
        // The real box stays open until the answer above: the watchdog leaves it.
        svc.realWindows = true;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !f.Timer1.Enabled() && !f.Picture3.Visible(); }, 5000));
        svc.realWindows = false;
    };
    openViewer("B100", 12, "Iniezione benzina ARDESIA ALBA 1.2 16V");
    EXPECT_EQ(asked, vb::toQt(core::Des[73]));
    ASSERT_FALSE(notice.isEmpty());
    EXPECT_FALSE(box.intersects(notice)) << "box " << box.top() << "-" << box.bottom() << ", notice "
                                         << notice.top() << "-" << notice.bottom();
    EXPECT_TRUE(screen.contains(box));
    EXPECT_EQ(vb::Printer().jobs().size(), 1u);
}

TEST_F(Printing, NoPrinterKeepsTheViewerOpen) {
    vb::Printer().setPdfOutput("");
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    print("B100", 12, {true}, [&](Form5& f) {
        EXPECT_FALSE(f.isUnloaded());
        EXPECT_FALSE(f.Picture3.Visible());
        EXPECT_EQ(f.MousePointer(), vb::vbDefault);
        EXPECT_FALSE(f.Timer1.Enabled());
    });
    EXPECT_EQ(boxesWith("PRINTER NOT FOUND!! Check your printer."), 1);
    EXPECT_EQ(svc.printerDialogs, 0);
    EXPECT_FALSE(svc.ended);
}

} // namespace
