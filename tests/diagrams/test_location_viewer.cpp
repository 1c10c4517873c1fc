#include "diagram_fixture.h"

#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/program_folder.h"
#include "platform/vbstring.h"
#include "support/fixtures.h"
#include "support/injected_faults.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <sys/mount.h>

using namespace diagram_tests;
using diagrams::Form5;
using diagrams::Form6;

namespace {

class Locations : public DiagramTest {
  protected:
    // Opens the viewer on code, then its location window; check runs there.
    void fromViewer(const std::string& brand, const std::string& family, const std::string& model,
                    const std::string& code, int mode, const std::function<void(Form6&)>& check) {
        choose(brand, family, model);
        bool ran = false;
        on["Form6"] = [&](vb::Form*) {
            ran = true;
            check(Form6::get());
        };
        on["Form5"] = [&](vb::Form*) { Form5::get().Command7_Click(); };
        openViewer(code, mode, "Schema di prova");
        EXPECT_TRUE(ran);
    }
    static std::vector<std::string> legend(Form6& f) {
        std::vector<std::string> rows;
        for (int r = 0; r < f.MSGrid1.Rows(); ++r)
            rows.push_back(f.MSGrid1.TextMatrix(r, 0));
        return rows;
    }
    static int inkOf(const QImage& img, QRect r, QColor colour) {
        int n = 0;
        for (int y = std::max(0, r.top()); y <= r.bottom() && y < img.height(); ++y)
            for (int x = std::max(0, r.left()); x <= r.right() && x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.alpha() > 128 && std::abs(c.red() - colour.red()) < 70 &&
                    std::abs(c.green() - colour.green()) < 70 && std::abs(c.blue() - colour.blue()) < 70)
                    ++n;
            }
        return n;
    }
};

TEST_F(Locations, PictureModeFromTheViewerWithTheDiagramsLegend) {
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "B100", 12, [&](Form6& f) {
        EXPECT_EQ(f.PscType, "1");
        EXPECT_EQ(f.LocationCode, "A001");
        EXPECT_EQ(f.Label5.Caption(), core::Des[49] + " Schema di prova");
        EXPECT_EQ(f.Label4.Caption(), Form5::get().Label4.Caption());
        EXPECT_EQ(f.Picture2.Picture().width(), 600);
        // Tag 1 only, sorted, once each.
        EXPECT_EQ(legend(f),
                  (std::vector<std::string>{"10   = Centralina motore", "11   = Rel\xE8 pompa carburante",
                                            "12   = Centralina iniezione", "20   = Sensore giri motore",
                                            "22   = Sensore temperatura acqua", "24   = Debimetro",
                                            "25   = Sonda lambda", "30   = Iniettore Cilindro 1",
                                            "30   = Iniettore Cilindro 2", "30   = Iniettore Cilindro 3",
                                            "30   = Iniettore Cilindro 4"}));
        EXPECT_EQ(f.Label1.Caption(), vb::Trim(core::Des[34]));
        const int h = f.TextHeight("X");
        EXPECT_EQ(f.MSGrid1.Height(), h * 12);
        EXPECT_EQ(f.Picture3.Width(), f.MSGrid1.Width());
        EXPECT_EQ(f.Picture3.Left(), f.Width() - f.Picture3.Width() - 90);
        EXPECT_EQ(f.Picture3.Top(), f.Height() - (f.Picture3.Height() + f.Picture1.Height()) - 375);
        EXPECT_EQ(f.MSGrid1.Left(), -20);
        // Revealed at the first tick, closed at the tick after the back button.
        EXPECT_FALSE(f.Picture2.Visible());
        EXPECT_TRUE(f.Timer1.Enabled());
        EXPECT_EQ(f.Timer1.Interval(), 100);
        f.Timer1_Timer();
        EXPECT_TRUE(f.Picture2.Visible());
        EXPECT_EQ(f.MousePointer(), vb::vbDefault);
        // The toggle hides and shows the legend.
        f.Command7_Click();
        EXPECT_FALSE(f.Picture3.Visible());
        f.Command7_Click();
        EXPECT_TRUE(f.Picture3.Visible());
        // After a resize the legend keeps to the bottom right and the toolbar to the right.
        f.setWidth(13000);
        EXPECT_EQ(f.Picture3.Left(), 13000 - f.Picture3.Width() - 90);
        EXPECT_EQ(f.Command5.Left(), 13000 - f.Command5.Width() - 150);
        EXPECT_EQ(f.Command2.Left(), f.Command1.Left() - f.Command5.Width() - 15);
        f.Command6_Click();
        EXPECT_FALSE(f.Picture2.Visible());
        f.Timer1_Timer();
        EXPECT_TRUE(f.isUnloaded());
    });
}

TEST_F(Locations, BackBeforeTheFirstTickOnlyReveals) {
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "B200", 12, [&](Form6& f) {
        f.Command6_Click();
        f.Timer1_Timer();
        EXPECT_FALSE(f.isUnloaded());
        EXPECT_EQ(f.PictureRevealed, 1);
        f.Command6_Click();
        f.Timer1_Timer();
        EXPECT_TRUE(f.isUnloaded());
    });
}

TEST_F(Locations, OldFormatLegendFromTheViewersTooltips) {
    fromViewer("ARDESIA", "ALBA", "ALBA 1.4 GPL", "A100", 12, [&](Form6& f) {
        EXPECT_FALSE(core::PscNewFormat);
        // 650 and up are left out, the rest keep their order.
        EXPECT_EQ(legend(f), (std::vector<std::string>{"0120 = Sensore temperatura acqua",
                                                       "0031 = Sonda lambda", "0210 = Debimetro",
                                                       "0305 = Attuatore regolazione minimo", "0099"}));
        int widest = 0;
        for (const auto& r : legend(f))
            widest = std::max(widest, f.TextWidth(r));
        EXPECT_EQ(f.MSGrid1.Width(), widest + 200);
    });
}

TEST_F(Locations, FromTheMenuWithInjectionAndIgnitionComponents) {
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    bool ran = false;
    on["Form6"] = [&](vb::Form*) {
        ran = true;
        Form6& f = Form6::get();
        EXPECT_EQ(f.Label5.Caption(), core::Des[33]);
        EXPECT_EQ(f.PscType, "1");
        // B100 and then the ignition's B200: both sets, merged without repeats.
        EXPECT_EQ(f.ListDescrComp.ListCount(), 14 + 4);
        const auto rows = legend(f);
        EXPECT_NE(std::find(rows.begin(), rows.end(), "31   = Bobina di accensione"), rows.end());
        EXPECT_NE(std::find(rows.begin(), rows.end(), "21   = Sensore di fase"), rows.end());
        EXPECT_EQ(std::count(rows.begin(), rows.end(), "12   = Centralina iniezione"), 1);
        // The six keys of the toolbar only.
        svc.shown.clear();
        for (int key : {112, 113, 117, 118, 119, 120, 121, 123})
            f.previewKey(key, 0);
        EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form8", "Form8", "Form4"}));
    };
    mainWindow().Label10_Click(4);
    EXPECT_TRUE(ran);
    EXPECT_EQ(core::Form6FromMenu, 0);
}

TEST_F(Locations, AbsModeWithTheScrollingTextPage) {
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "E100", 33, [&](Form6& f) {
        EXPECT_EQ(f.PscType, "4");
        EXPECT_EQ(f.LocationCode, "AB01");
        EXPECT_FALSE(f.Picture3.Visible());
        EXPECT_EQ(f.TextLineCount, 120);
        EXPECT_EQ(core::TextNeedsScroll, 1);
        const int h = f.TextHeight(" ");
        const int perPage = int(std::nearbyint(double(f.Height() - 2 * f.Picture1.Height() - 750) / h));
        EXPECT_EQ(f.TextLinesPerPage, perPage);
        EXPECT_TRUE(f.VScroll1.Visible());
        EXPECT_EQ(f.VScroll1.Min(), 1);
        EXPECT_EQ(f.VScroll1.Max(), 120 - perPage + 1);
        EXPECT_EQ(f.VScroll1.Left(), f.Width() - 250);
        EXPECT_EQ(f.TextPageWidth, f.TextWidthMax + 500);
        EXPECT_EQ(f.PictureWidthWithText, f.Width() - f.TextPageWidth - 40);
        EXPECT_EQ(f.Picture2.Width(), f.PictureWidthWithText);
        EXPECT_EQ(f.TextOriginX, f.Width() - f.TextPageWidth + 200);
        EXPECT_EQ(f.TextOriginY, f.Picture1.Height() + 400);
        EXPECT_TRUE(f.AutoRedraw());
        // The title is a bracket segment: light red from column 1 of line 1.
        const QImage& page = f.drawing();
        const int x = vb::twipsToPixels(f.TextOriginX), y = vb::twipsToPixels(f.TextOriginY);
        EXPECT_GT(inkOf(page, QRect(x, y, 150, h / 15), QColor(255, 0, 0)), 10);
        // Line 3 starts with a brace segment: light blue.
        EXPECT_GT(inkOf(page, QRect(x, y + 2 * h / 15, 80, h / 15), QColor(0, 0, 255)), 5);

        // Scrolling to the end shows the last lines.
        f.VScroll1.setValue(f.VScroll1.Max());
        EXPECT_EQ(f.TextFirstLine, 120 - perPage);
        // The page's end is plain text: no light red at the top any more.
        EXPECT_EQ(inkOf(f.drawing(), QRect(x, y, 150, h / 15), QColor(255, 0, 0)), 0);
        EXPECT_GT(inkOf(f.drawing(), QRect(x, y, 150, h / 15), QColor(0, 0, 0)), 10);

        // The toggle hides the page, widens the picture and hides the bar.
        const int full = f.PictureWidthFull;
        f.Command7_Click();
        EXPECT_EQ(f.TextPageShown, 0);
        EXPECT_EQ(f.Picture2.Width(), full);
        EXPECT_FALSE(f.VScroll1.Visible());
        EXPECT_EQ(inkOf(f.drawing(), QRect(x, y, 300, 300), QColor(0, 0, 0)), 0);
        f.Command7_Click();
        EXPECT_EQ(f.TextPageShown, 1);
        EXPECT_TRUE(f.VScroll1.Visible());
        EXPECT_EQ(f.Picture2.Width(), f.PictureWidthWithText);
        EXPECT_GT(inkOf(f.drawing(), QRect(x, y, 300, 300), QColor(0, 0, 0)), 10);
        f.Timer1_Timer();
        EXPECT_FALSE(f.Picture3.Visible()); // never in ABS mode
    });
}

TEST_F(Locations, PageLengthAroundOneScreenAndAMissingPage) {
    // Find how many lines fit, then write pages of that length and one more.
    int perPage = 0;
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "E100", 33,
               [&](Form6& f) { perPage = f.TextLinesPerPage; });
    ASSERT_GT(perPage, 5);
    const std::string page = file("ubi\\abs\\tx_ita\\AB01.cpt");
    testing_support::writeBytes(page,
                                testing_support::scrambledLines(std::vector<std::string>(perPage, "riga")));
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "E100", 33, [&](Form6& f) {
        EXPECT_FALSE(f.VScroll1.Visible());
        EXPECT_EQ(core::TextNeedsScroll, 0);
        EXPECT_EQ(f.PictureWidthWithText, f.Width() - f.TextPageWidth - 50);
    });
    testing_support::writeBytes(
        page, testing_support::scrambledLines(std::vector<std::string>(perPage + 1, "riga")));
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "E100", 33, [&](Form6& f) {
        EXPECT_TRUE(f.VScroll1.Visible());
        EXPECT_EQ(f.VScroll1.Max(), 2);
    });
    testing_support::writeBytes(page, "");
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "E100", 33, [&](Form6& f) {
        EXPECT_EQ(f.TextLineCount, 0);
        EXPECT_EQ(f.TextPageWidth, 400);
    });
    vb::Kill(page);
    svc.boxes.clear();
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "E100", 33,
               [&](Form6& f) { EXPECT_EQ(f.TextLineCount, 0); });
    EXPECT_EQ(boxesWith("ab01.cpt not available"), 1);
    EXPECT_FALSE(svc.ended);
}

// Short of descriptors or memory as it reads the ABS location page it has
// found, the window says so of the page and still shows the picture.
TEST_F(Locations, ShortageOnTheLocationPageIsToldAsItself) {
    if (!testing_support::shortageChild())
        return testing_support::expectShortagesTold("Locations.ShortageOnTheLocationPageIsToldAsItself",
                                                    {"AB01.cpt@1"});
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    on["Form6"] = [&](vb::Form*) { EXPECT_FALSE(Form6::get().Picture2.Picture().isNull()); };
    on["Form5"] = [&](vb::Form*) {
        ASSERT_TRUE(testing_support::injectToldShortage(appPath()));
        Form5::get().Command7_Click();
    };
    openViewer("E100", 33, "Schema di prova");
    testing_support::reportBoxesToParent(svc);
}

// Short of descriptors or memory as they read a diagram's component lists,
// found or not yet, the viewer and its location window say so of the lists.
TEST_F(Locations, ShortageOnTheComponentListsIsToldAsItself) {
    if (!testing_support::shortageChild())
        return testing_support::expectShortagesTold("Locations.ShortageOnTheComponentListsIsToldAsItself",
                                                    {"B100&.cpt@1", "B100.cpt"});
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    ASSERT_TRUE(testing_support::injectToldShortage(appPath()));
    on["Form6"] = [&](vb::Form*) { EXPECT_FALSE(Form6::get().Picture2.Picture().isNull()); };
    on["Form5"] = [&](vb::Form*) { Form5::get().Command7_Click(); };
    openViewer("B100", 12, "Schema di prova");
    testing_support::reportBoxesToParent(svc);
}

TEST_F(Locations, MissingLocationPictureKeepsTheWindow) {
    vb::Kill(file("ubi\\x01A001.jpg"));
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "B100", 12, [&](Form6& f) {
        EXPECT_TRUE(f.Picture2.Picture().isNull());
        EXPECT_EQ(f.MSGrid1.Rows(), 11);
    });
    EXPECT_EQ(boxesWith("x01a001.jpg not available"), 1);
    EXPECT_FALSE(svc.ended);
}

// A location picture cut short is damaged: the recovery is offered instead
// of its top part over grey; without a recovery copy the window goes on
// without the picture.
TEST_F(Locations, LocationPictureCutShortIsOfferedForRecovery) {
    const std::string jpeg = file("ubi\\x01A001.jpg");
    const std::string whole = testing_support::readBytes(jpeg);
    testing_support::writeBytes(jpeg, whole.substr(0, whole.size() / 3));
    svc.answers = {vb::vbYes};
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "B100", 12, [&](Form6& f) {
        EXPECT_TRUE(f.Picture2.Picture().isNull());
        EXPECT_EQ(f.MSGrid1.Rows(), 11);
    });
    EXPECT_EQ(boxesWith("x01a001.jpg Failed !! To try to recover ?"), 1);
    EXPECT_EQ(boxesWith("Unable to recover"), 1);
    EXPECT_FALSE(svc.ended);
}

// A location picture that is a link out of the program folder counts as
// missing: it is reported, and what the link points to is never shown.
TEST_F(Locations, LocationPictureLinkedOutOfTheProgramFolder) {
    QTemporaryDir elsewhere;
    const std::string outside = elsewhere.path().toStdString() + "/x01A001.jpg";
    const std::string picture = file("ubi\\x01A001.jpg");
    std::filesystem::rename(picture, outside);
    std::filesystem::create_symlink(outside, picture);
    fromViewer("ARDESIA", "ALBA", "ALBA 1.2 16V", "B100", 12, [&](Form6& f) {
        EXPECT_TRUE(f.Picture2.Picture().isNull());
        EXPECT_EQ(f.MSGrid1.Rows(), 11);
    });
    EXPECT_EQ(boxesWith("x01a001.jpg not available"), 1);
    EXPECT_FALSE(svc.ended);
}

// The disk fills up while the program runs: opening the location window
// says that the decoded picture could not be written, where and why, and
// leaves nothing behind; no data file changes. (A small file system of its
// own, so the test needs root to mount it.)
TEST_F(Locations, FullDiskIsReportedAsSuch) {
    namespace fs = std::filesystem;
    const std::string disk = appPath() + "/disk";
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=12m") != 0)
        GTEST_SKIP() << "no file system of its own can be mounted here";
    struct Unmount {
        std::string at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{disk};
    for (const auto& e : fs::directory_iterator(SAMPLE_DATA_DIR))
        if (e.is_directory()) fs::copy(e.path(), disk / e.path().filename(), fs::copy_options::recursive);
    vb::setProgramFolder(disk);
    const std::string picture = disk + "/ubi/x01A001.jpg";
    const std::string symbol = disk + "/sym/sym5044/xSymb_01.gif";
    ASSERT_TRUE(fs::exists(picture) && fs::exists(symbol));
    const std::string pictureBytes = testing_support::readBytes(picture),
                      symbolBytes = testing_support::readBytes(symbol);

    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    on["Form5"] = [&](vb::Form*) {
        // Whatever room is left is taken before the location window opens.
        std::ofstream filler(disk + "/filler", std::ios::binary);
        const std::string block(1 << 16, 'f');
        while (filler.write(block.data(), std::streamsize(block.size())))
            ;
        Form5::get().Command7_Click();
    };
    EXPECT_THROW(openViewer("B100", 12, "Schema di prova"), vb::ProgramEnded);
    ASSERT_FALSE(svc.boxes.empty());
    const std::string prompt = svc.boxes.back().prompt;
    EXPECT_EQ(prompt.find("Error: (61) the temporary file for "), 0u) << prompt;
    EXPECT_NE(prompt.find(" could not be written in " + core::AppPath + ": No space left on device"),
              std::string::npos)
        << prompt;
    for (const auto& e : fs::directory_iterator(disk))
        EXPECT_NE(e.path().filename().string().rfind("DcFile", 0), 0u) << e.path();
    EXPECT_TRUE(testing_support::readBytes(picture) == pictureBytes);
    EXPECT_TRUE(testing_support::readBytes(symbol) == symbolBytes);
}

TEST_F(Locations, LongVehicleLineStaysOnItsOwnLineInTheHeader) {
    fromViewer("ARDESIA", "BORA/TRAMONTANA", "TRAMONTANA 1.6", "K100", 12,
               [&](Form6& f) { expectOneHeaderLine(f, f.Shape2, f.Label4, f.Label5); });
}

} // namespace
