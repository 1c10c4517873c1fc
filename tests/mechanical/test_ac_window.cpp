#include "core/module1.h"
#include "mechanical/ac_window.h"
#include "platform/file_io.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/vbstring.h"
#include "support/injected_faults.h"
#include "vehicle.h"

#include <QApplication>
#include <algorithm>

using mechanical::Form12;
using namespace mechanical_tests;

namespace {

class AcPage : public VehicleTest {
  protected:
    Form12& open(std::string_view brand, std::string_view family, std::string_view model) {
        choose(brand, family, model);
        return Form12::get();
    }
    static std::vector<std::string> rows(const vb::Grid& g) {
        std::vector<std::string> v;
        for (int r = 0; r < g.Rows(); ++r)
            v.push_back(g.TextMatrix(r, 0));
        return v;
    }
};

} // namespace

TEST_F(AcPage, RecordsCircuitsAndDiagramButtonsOfTheShowcaseModel) {
    Form12& f = open("ARDESIA", "ALBA", "ALBA 1.2 16V");
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(rows(f.Grid1),
              (std::vector<std::string>{
                  "Freon R134a =  550 g. +/- 25 ( Controllare l'assenza di perdite ) ( Impianto con "
                  "sensore di pressione )",
                  "Freon R12 =  1200 g.",
                  "Freon R134a =  550 g. ( Prima carica di fabbrica ) ( Impianto con pressostato "
                  "trinario )",
              }));
    EXPECT_EQ(f.CodicePscTipo6, "G100");
    EXPECT_EQ(f.CodicePscTipo7, "G200");
    EXPECT_TRUE(f.Command7.Enabled());
    EXPECT_TRUE(f.Command8.Enabled());
    EXPECT_EQ(f.Option1(0).Caption(), "Circuito con valvola di espansione");
    EXPECT_EQ(f.Option1(6).Caption(), "Option1");
    EXPECT_TRUE(f.Option1(0).Value());
    EXPECT_TRUE(f.Option1(0).FontBold());
    EXPECT_EQ(f.Option1(0).ForeColor(), vb::RGB(255, 255, 0));
    EXPECT_EQ(f.Label2.Caption(), "Circuito con valvola di espansione");
    EXPECT_GT(f.Grid2.Rows(), 0);
    EXPECT_GE(f.Grid1.RowHeight(0), f.Grid1.standardRowHeight());
    EXPECT_GE(f.Grid2.RowHeight(0), f.Grid2.standardRowHeight());
    EXPECT_FALSE(f.Image1.Picture().isNull());
    EXPECT_EQ(f.Label1.Caption(), core::Des[66] + " ( " + core::Des[72] + " )");
    EXPECT_EQ(f.Grid1.Top(), f.Picture1.Top() - f.Grid1.Height() - 20);
    EXPECT_EQ(f.Label1.Top(), f.Grid1.Top() - f.Label1.Height() - 20);
    EXPECT_EQ(f.Command5.Left(), 15360 - 630 - 100);
    EXPECT_EQ(f.Command30.Left(), f.Command5.Left() - 8 * 645);
    EXPECT_EQ(f.Command9.ToolTipText(), core::Des[67] + " " + core::Des[61]);
}

// Short of descriptors or memory as it looks for the model's A/C diagrams,
// the window says so of the catalogue and calls it neither missing nor
// damaged.
TEST_F(AcPage, ShortageOnTheCatalogueIsToldAsItself) {
    using namespace testing_support;
    if (!shortageChild())
        return expectShortagesTold("AcPage.ShortageOnTheCatalogueIsToldAsItself", {"xpsc.dbf"});
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    ASSERT_TRUE(injectToldShortage(appPath()));
    Form12::get();
    reportBoxesToParent(svc);
}

TEST_F(AcPage, OptionsLoadTheirCircuit) {
    Form12& f = open("ARDESIA", "ALBA", "ALBA 1.2 16V");
    f.Option1(3).setValue(true);
    EXPECT_EQ(f.Label2.Caption(), "Circuito con doppio evaporatore");
    EXPECT_TRUE(f.Option1(3).FontBold());
    EXPECT_FALSE(f.Option1(0).FontBold());
    EXPECT_EQ(f.Option1(0).ForeColor(), 0);
    // A circuit with only its title leaves the table empty.
    f.Option1(4).setValue(true);
    EXPECT_EQ(f.Grid2.Rows(), 0);
    EXPECT_EQ(f.Label2.Caption(), "Circuito con pompa di calore");
    // A missing circuit file keeps what is shown.
    f.Option1(6).setValue(true);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt,
              "Error: file " + vb::LCase(core::AppPath) + "\\air\\tx_ita\\clxx.cpt not available");
    EXPECT_EQ(f.Label2.Caption(), "Circuito con pompa di calore");
    EXPECT_FALSE(f.Image1.Picture().isNull());
}

TEST_F(AcPage, DiagramButtonsOpenTheViewerWithTheModeRaisedByFifty) {
    Form12& f = open("ARDESIA", "ALBA", "ALBA 1.2 16V");
    const int mode = core::DiagramMode;
    std::vector<std::tuple<std::string, std::string, int>> seen;
    svc.onShow = [&](vb::Form*, const std::string& name) {
        if (name == "Form5") seen.emplace_back(core::PscCode, core::PscCaption, core::DiagramMode);
    };
    f.Command7.click();
    int key = 118;
    f.Form_KeyDown(key, 0);
    key = 119;
    f.Form_KeyDown(key, 0);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_tuple(std::string("G100"), core::Des[64], mode + 50));
    EXPECT_EQ(seen[1], std::make_tuple(std::string("G200"), core::Des[65], mode + 50));
    EXPECT_EQ(seen[2],
              std::make_tuple(std::string("C011"), core::Des[61] + " - " + core::Des[67], mode + 50));
    EXPECT_EQ(core::DiagramMode, mode);
}

TEST_F(AcPage, TwoTypeSixDiagramsAndAMissingCode) {
    Form12& f = open("BRENTA", "DUNA", "DUNA 1.6 CLIMA");
    EXPECT_EQ(f.CodicePscTipo6, "C011"); // the later one wins
    EXPECT_EQ(f.CodicePscTipo7, "");
    EXPECT_FALSE(f.Command8.Enabled());
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "WARNING ! PSC:Z999 NOT FOUND.");
    int key = 118;
    f.Form_KeyDown(key, 0);
    EXPECT_TRUE(svc.shown.empty());
    EXPECT_EQ(rows(f.Grid1).size(), 2u);
}

TEST_F(AcPage, ModelWithoutDiagramsStillOffersTheUniversalOne) {
    Form12& f = open("BRENTA", "CORSA", "CORSA 1.8");
    EXPECT_FALSE(f.Command7.Enabled());
    EXPECT_FALSE(f.Command8.Enabled());
    EXPECT_TRUE(f.Command9.Enabled());
    EXPECT_EQ(rows(f.Grid1), (std::vector<std::string>{"Freon R134a =  600 g."}));
}

TEST_F(AcPage, AcRecordEdgesAndMissingLabels) {
    vb::Kill(file("air/ric_ita.cpt"));
    Form12& f = open("CALDERA", "LIBECCIO", "LIBECCIO 1.9");
    ASSERT_GE(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt,
              "Error: file " + vb::LCase(core::AppPath) + "\\air\\ric_ita.cpt not available");
    ASSERT_EQ(f.Grid1.Rows(), 22);
    EXPECT_EQ(f.Grid1.TextMatrix(0, 0), "Freon R134a =  850 g. +/- 25 (  ) (  )");
    EXPECT_EQ(f.Grid1.TextMatrix(21, 0), "Freon R12 =  9 g.");
}

// Without the circuits' captions the options keep their design captions;
// the message names the file in lower case, as the other messages do.
TEST_F(AcPage, MissingCircuitCaptionsAreReported) {
    vb::Kill(file("air/Qdia_ita.cpt"));
    Form12& f = open("ARDESIA", "ALBA", "ALBA 1.2 16V");
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt,
              "Error: file " + vb::LCase(core::AppPath) + "\\air\\qdia_ita.cpt not available");
    EXPECT_EQ(f.Option1(0).Caption(), "Option1");
    EXPECT_EQ(f.Label2.Caption(), "Circuito con valvola di espansione");
}

// Without its band picture the button band is still there, in light blue.
TEST_F(AcPage, ButtonBandWithoutItsPictureIsLightBlue) {
    vb::Kill(file("mas/spacer.jpg"));
    Form12& f = open("ARDESIA", "ALBA", "ALBA 1.2 16V");
    f.Show();
    QApplication::processEvents();
    const QImage shot = f.grab().toImage();
    const QPoint inBand(vb::twipsToPixels(3000), vb::twipsToPixels(f.Picture2.Top()) + 4);
    EXPECT_EQ(shot.pixelColor(inBand).name(), QColor(167, 202, 240).name());
}

TEST_F(AcPage, LowerCaseCodeGivesNoRecords) {
    Form12& f = open("CALDERA", "MAESTRALE", "MAESTRALE 2.0 METANO");
    EXPECT_EQ(f.Grid1.Rows(), 0);
}

// Made smaller by the window manager, the page keeps its title below the
// header frame and whole: the frame's lower edge stays unbroken above it.
TEST_F(AcPage, TitleStaysBelowTheHeaderInASmallWindow) {
    Form12& f = open("ARDESIA", "ALBA", "ALBA 1.2 16V");
    f.Show();
    for (const QSize size : {QSize(700, 500), QSize(1100, 800)}) {
        f.resize(size); // as the window manager would
        QApplication::processEvents();
        const std::string where = std::to_string(size.width()) + "x" + std::to_string(size.height());
        const QImage shot = f.grab().toImage();
        const QRect title = f.Label1.widget()->geometry();
        // The frame's lower edge, drawn in black, runs on under the title.
        const int edge = vb::twipsToPixels(f.Shape2.Top() + f.Shape2.Height()) - 1;
        int broken = 0;
        for (int x = std::max(0, title.left()); x <= std::min(title.right(), shot.width() - 1); ++x)
            broken += qGray(shot.pixel(x, edge)) > 100;
        EXPECT_EQ(broken, 0) << where;
        EXPECT_GT(title.top(), edge) << where;
        EXPECT_GE(title.left(), 0) << where;
        // Title, record grid and panel still stand one above the other.
        EXPECT_EQ(f.Grid1.Top(), f.Picture1.Top() - f.Grid1.Height() - 20) << where;
        EXPECT_EQ(f.Label1.Top(), f.Grid1.Top() - f.Label1.Height() - 20) << where;
    }
    // At the size the window takes at load, the panel is placed by the screen.
    f.resize(1024, 768 - vb::kFrameCaptionPx);
    QApplication::processEvents();
    EXPECT_EQ(f.Picture1.Top(), (f.Height() - f.Picture1.Height()) / 2 + f.Label1.Height());
    EXPECT_EQ(f.Picture1.Left(), (f.Width() - f.Picture1.Width()) / 2 - 100);
}
