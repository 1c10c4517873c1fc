#include "core/module1.h"
#include "mechanical/torque_window.h"
#include "platform/file_io.h"
#include "platform/vbstring.h"
#include "support/injected_faults.h"
#include "vehicle.h"

#include <QTest>

using mechanical::Form9;
using namespace mechanical_tests;

namespace {

class TorquePage : public VehicleTest {
  protected:
    Form9& open(std::string_view brand, std::string_view family, std::string_view model) {
        choose(brand, family, model);
        return Form9::get();
    }
    Form9& openShowcase() { return open("ARDESIA", "ALBA", "ALBA 1.2 16V"); }
    static std::vector<std::string> rows(const vb::Grid& g) {
        std::vector<std::string> v;
        for (int r = 0; r < g.Rows(); ++r)
            v.push_back(g.TextMatrix(r, 0));
        return v;
    }
    static bool overview(Form9& f) {
        return f.Picture4.Visible() && f.Command6.Visible() && f.Command10.Visible() &&
               !f.Command7.Visible() && !f.Command8.Visible() && !f.Picture3.Visible() &&
               !f.VScroll1.Visible();
    }
};

} // namespace

TEST_F(TorquePage, StepsOfTheFourJointsAndTheLayout) {
    Form9& f = openShowcase();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(rows(f.Grid2), (std::vector<std::string>{" 1) Serraggio preliminare 5  Kgm",
                                                       " 2) Rotazione angolare 60 \xB0"}));
    EXPECT_EQ(rows(f.Grid3), (std::vector<std::string>{" 1) Serraggio preliminare 3(1)  Kgm",
                                                       " 2) Rotazione angolare 40 \xB0"}));
    EXPECT_EQ(rows(f.Grid4), (std::vector<std::string>{" 1) Serraggio preliminare 3  Kgm"}));
    ASSERT_EQ(f.Grid1.Rows(), 13);
    EXPECT_EQ(f.Grid1.TextMatrix(0, 0), " 1) Lubrificare filetti e sottotesta con olio motore  ");
    EXPECT_EQ(f.Grid1.TextMatrix(12, 0), " 13) 1a fase 7  Kgm");
    EXPECT_EQ(f.Grid1.RowHeight(12), 250);
    EXPECT_EQ(f.Grid1.Row(), 12);
    EXPECT_EQ(f.Grid1.ColWidth(0), f.Grid1.Width());
    // 15360 x 11520 twips.
    EXPECT_EQ(f.Command5.Left(), 14715);
    EXPECT_EQ(f.Command10.Left(), 14715 - 5 * 645);
    EXPECT_EQ(f.Command30.Left(), 10845);
    EXPECT_EQ(f.Picture4.Left(), 2855);
    EXPECT_EQ(f.Picture4.Top(), 2860);
    EXPECT_EQ(f.Label5.Caption(), selection::Form2::get().Label10(2).Caption() + " " + core::VehicleName);
    EXPECT_EQ(f.Caption(),
              core::Des[0] + " " + core::Des[1] + " - " + core::Des[3] + " - Tel: " + core::Des[4]);
    EXPECT_EQ(f.Command11.Caption(), core::Des[54]);
    EXPECT_EQ(f.Command14.ToolTipText(), core::Des[57]);
    EXPECT_EQ(f.Command10.ToolTipText(), core::Des[58]);
    EXPECT_FALSE(f.Command11.Picture().isNull());
    EXPECT_TRUE(overview(f));
    EXPECT_EQ(f.MousePointer(), 0);
}

TEST_F(TorquePage, JointWithoutGroupHasNoRows) {
    Form9& f = open("ARDESIA", "BORA/TRAMONTANA", "BORA 2.0 TURBO"); // R05 only
    EXPECT_EQ(f.Grid1.Rows(), 0);
    EXPECT_EQ(f.Grid2.Rows(), 0);
    EXPECT_EQ(f.Grid3.Rows(), 2);
    EXPECT_EQ(f.Grid4.Rows(), 0);
}

TEST_F(TorquePage, EdgeModelCarriesDescriptionsAcrossJoints) {
    Form9& f = open("CALDERA", "GRECALE", "GRECALE 1.7");
    ASSERT_EQ(f.Grid1.Rows(), 14);
    EXPECT_EQ(f.Grid1.TextMatrix(2, 0), " 3) Rotazione angolare 20 \xB0");
    EXPECT_EQ(f.Grid1.TextMatrix(9, 0), " 10) Serraggio preliminare 2  Kgm");
    EXPECT_EQ(rows(f.Grid2), (std::vector<std::string>{" 1) Serraggio preliminare 20  Kgm",
                                                       " 2) Serraggio preliminare 1jkwx  Kgm"}));
    EXPECT_EQ(f.Grid3.Rows(), 0);
    EXPECT_EQ(f.Grid4.Rows(), 48);
    EXPECT_EQ(f.Grid4.TextMatrix(45, 0), " 46) Controllare la planarit\xE0 della testata  ");
}

TEST_F(TorquePage, MissingStepDictionaryLeavesDescriptionsEmpty) {
    vb::Kill(file("ser/ser_ita.cpt"));
    Form9& f = openShowcase();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt,
              "Error: file " + vb::LCase(core::AppPath) + "\\ser\\ser_ita.cpt not available");
    EXPECT_EQ(f.Grid4.TextMatrix(0, 0), " 1)  3  Kgm");
}

TEST_F(TorquePage, DetailPagesAndTheirBackButtons) {
    Form9& f = openShowcase();
    f.Command11.click();
    EXPECT_FALSE(f.Picture4.Visible());
    EXPECT_FALSE(f.Command6.Visible());
    EXPECT_TRUE(f.Command8.Visible());
    EXPECT_FALSE(f.Command7.Visible());
    EXPECT_TRUE(f.Command10.Visible());
    EXPECT_TRUE(f.Picture3.Visible());
    EXPECT_EQ(f.Picture3.Left(), 50);
    EXPECT_EQ(f.Picture3.Top(), (f.Height() - f.Picture3.Height()) / 2);
    EXPECT_EQ(f.PercorsoTesto, core::AppPath + "\\ser\\test_ita.cpt");
    EXPECT_EQ(f.page.Lines.at(0), "[SERRAGGIO DELLA TESTATA]");
    EXPECT_FALSE(f.page.drawn().empty());
    // Markers are painted in light red, the rest in black.
    bool red = false, black = false;
    for (const auto& it : f.page.drawn()) {
        red |= it.colour == 12;
        black |= it.colour == 0;
    }
    EXPECT_TRUE(red && black);
    EXPECT_FALSE(f.VScroll1.Visible()); // a short page

    // From a step page F6 opens the tools page; only Command7 leads back.
    int key = 117;
    f.Form_KeyDown(key, 0);
    EXPECT_TRUE(f.Command7.Visible());
    EXPECT_FALSE(f.Command8.Visible());
    EXPECT_FALSE(f.Command10.Visible());
    EXPECT_EQ(f.PercorsoTesto, core::AppPath + "\\ser\\tool_ita.cpt");
    EXPECT_TRUE(f.VScroll1.Visible()); // the long page scrolls
    ASSERT_FALSE(f.page.drawn().empty());
    const auto before = f.page.drawn().front().text;
    f.VScroll1.setValue(3);
    EXPECT_EQ(f.page.FirstLine, 2);
    ASSERT_FALSE(f.page.drawn().empty());
    EXPECT_NE(f.page.drawn().front().text, before);
    // Esc presses the back button shown.
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_TRUE(overview(f));
    EXPECT_TRUE(f.page.drawn().empty());
    EXPECT_FALSE(f.isUnloaded());

    f.Command13.click();
    f.Command8.click();
    EXPECT_TRUE(overview(f));
    QTest::keyClick(&f, Qt::Key_Escape);
    EXPECT_TRUE(f.isUnloaded());
}

TEST_F(TorquePage, MissingPageIsReportedAndTheWindowStaysUsable) {
    vb::Kill(file("ser/volano.gif"));
    vb::Kill(file("ser/vola_ita.cpt"));
    Form9& f = openShowcase();
    f.Command14.click();
    ASSERT_EQ(svc.boxes.size(), 2u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: file " + core::AppPath + "\\ser\\volano.gif not available");
    EXPECT_EQ(svc.boxes[1].prompt, "Error: file " + core::AppPath + "\\ser\\vola_ita.cpt not available");
    EXPECT_TRUE(f.Command8.Visible());
    f.Command8.click();
    EXPECT_TRUE(overview(f));
}

// Short of descriptors or memory as it reads its step dictionary, or as it
// opens a detail page, the window says so of the file, and stays usable.
TEST_F(TorquePage, ShortageOnItsFilesIsToldAsItself) {
    using namespace testing_support;
    if (!shortageChild())
        return expectShortagesTold("TorquePage.ShortageOnItsFilesIsToldAsItself",
                                   {"ser_ita.cpt", "volano.gif", "vola_ita.cpt"});
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    ASSERT_TRUE(injectToldShortage(appPath()));
    Form9& f = Form9::get();
    f.Command14.click();
    EXPECT_TRUE(f.Command8.Visible());
    reportBoxesToParent(svc);
}

TEST_F(TorquePage, KeysAndToolbarPointers) {
    Form9& f = openShowcase();
    int pointerDuring = -1;
    svc.onShow = [&](vb::Form*, const std::string&) { pointerDuring = f.Command11.MousePointer(); };
    int key = 112;
    f.Form_KeyDown(key, 0);
    EXPECT_EQ(core::HelpCode, "009");
    EXPECT_EQ(pointerDuring, 11);
    EXPECT_EQ(f.Command11.MousePointer(), 99);
    key = 123;
    f.Form_KeyDown(key, 0);
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form8", "Form4"}));
}
