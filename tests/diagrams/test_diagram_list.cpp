#include "diagram_fixture.h"

#include "platform/file_io.h"
#include "platform/vbstring.h"
#include "support/injected_faults.h"
#include "support/pixels.h"

#include <QFontMetrics>
#include <QImage>
#include <vector>

using namespace diagram_tests;
using diagrams::Form15;

namespace {

using DiagramList = DiagramTest;

TEST_F(DiagramList, RowsOfTheShowcaseModel) {
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    on["Form15"] = [&](vb::Form*) {
        Form15& f = Form15::get();
        EXPECT_EQ(f.Caption(),
                  core::Des[0] + " " + core::Des[1] + " - " + core::Des[3] + " - Tel: " + core::Des[4]);
        EXPECT_EQ(f.Label100.Caption(), vb::UCase(core::Des[77]));
        EXPECT_EQ(f.Label2(0).Caption(), core::VehicleName);
        EXPECT_EQ(f.Label2(1).Caption(), "1999-2003");
        EXPECT_EQ(f.LabelModello(0).Caption(), "ARDESIA ALBA ALBA 1.2 16V (1999-2003)");
        EXPECT_EQ(f.LabelModello(1).Caption(), core::Des[13] + ": AL-12V16 " + core::Des[79] +
                                                   " 1242 cm\xB3 " + core::Des[80] +
                                                   " 80(59)/6000 CV(KW)/Rpm");
        EXPECT_EQ(f.LabelModello(0).Left(), f.ImageMarca.Left() + f.ImageMarca.Width() + 100);
        EXPECT_FALSE(f.PictureModel.Picture().isNull());
        // Six codes, then two empty slots that make no rows.
        ASSERT_EQ(f.MSGrid1.Rows(), 6);
        EXPECT_EQ(f.List2.items(),
                  (std::vector<std::string>{"B100", "B200", "E100", "G100", "G200", "J100"}));
        EXPECT_EQ(f.List1.items(), (std::vector<std::string>{"1", "2", "4", "6", "7", "10"}));
        EXPECT_EQ(f.MSGrid1.TextMatrix(0, 0), "Iniezione benzina ARDESIA ALBA 1.2 16V");
        EXPECT_EQ(f.MSGrid1.TextMatrix(2, 0), "Impianto ABS ARDESIA ABS");
        EXPECT_EQ(f.MSGrid1.Row(), 0);
        EXPECT_EQ(f.List2.ListIndex(), 0);
        f.MSGrid1.setRow(3);
        EXPECT_EQ(f.List2.ListIndex(), 3);
        EXPECT_EQ(f.List1.ListIndex(), 3);
        EXPECT_TRUE(svc.boxes.empty());
        // Resized by the user: the bar follows the bottom edge, the panel stays centred.
        f.resize(900, 600);
        EXPECT_EQ(f.Picture2.Top() + f.Picture2.Height(), f.ScaleHeight());
        EXPECT_EQ(f.Picture1.Left(), (f.Width() - f.Picture1.Width()) / 2);
        EXPECT_EQ(f.Command5.Left(), f.Width() - f.Command5.Width() - 100);
    };
    openList();
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form15"}));
}

// Short of descriptors or memory as they read the diagram catalogue, the
// list and the viewer say so of it and call it neither missing nor damaged.
TEST_F(DiagramList, ShortageOnTheCatalogueIsToldAsItself) {
    using namespace testing_support;
    if (!shortageChild())
        return expectShortagesTold("DiagramList.ShortageOnTheCatalogueIsToldAsItself", {"xpsc.dbf"});
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    ASSERT_TRUE(injectToldShortage(appPath()));
    on["Form15"] = [&](vb::Form*) { EXPECT_EQ(Form15::get().MSGrid1.Rows(), 6); };
    openList();
    openViewer("A100", 1);
    reportBoxesToParent(svc);
}

// A vehicle name longer than its column wraps, and the rows below make room:
// its second line is drawn whole, above the registration date.
TEST_F(DiagramList, LongVehicleNameWrapsOntoAWholeSecondLine) {
    choose("ARDESIA", "BORA/TRAMONTANA", "TRAMONTANA 1.6");
    bool ran = false;
    on["Form15"] = [&](vb::Form*) {
        ran = true;
        Form15& f = Form15::get();
        const QRect name = f.Label2(0).widget()->geometry(), year = f.Label2(1).widget()->geometry();
        const QRect column(name.left(), name.top(), name.width(), year.bottom() + 1 - name.top());
        const QImage shot = f.Picture1.widget()->grab(column).toImage();
        // One run of rows with ink per line of text.
        const auto lines = testing_support::inkRows(shot, shot.rect(), shot.pixelColor(0, 0));
        ASSERT_EQ(lines.size(), 3u) << "name on two lines, then the year";
        const int capitals = QFontMetrics(f.Label2(0).widget()->font()).capHeight();
        EXPECT_GE(lines[1].second - lines[1].first + 1, capitals - 1) << "the second line is cut";
        EXPECT_LT(lines[1].second, year.top() - name.top());
        // The captions stay beside their values.
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(f.Label1(i).Top(), f.Label2(i).Top()) << i;
        EXPECT_EQ(f.Label2(0).Caption(), "ARDESIA BORA/TRAMONTANA TRAMONTANA 1.6");
    };
    openList();
    EXPECT_TRUE(ran);
}

TEST_F(DiagramList, OpeningRaisesTheModeByTypeForTheViewerOnly) {
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    std::vector<std::string> seen;
    on["Form5"] = [&](vb::Form*) {
        seen.push_back(core::PscCode + "/" + std::to_string(core::DiagramMode) + "/" + core::PscCaption);
    };
    on["Form15"] = [&](vb::Form*) {
        for (int r = 0; r < 6; ++r) {
            openDiagram(r);
            EXPECT_EQ(core::DiagramMode, 2);
        }
        Form15::get().Command9_Click(); // the open button opens the current row
    };
    openList();
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "B100/12/Iniezione benzina ARDESIA ALBA 1.2 16V",
                        "B200/12/Accensione ARDESIA ALBA 1.2 16V ACCENSIONE",
                        "E100/33/Impianto ABS ARDESIA ABS", // ABS with a location code
                        "G100/52/Climatizzatore manuale ARDESIA CLIMA MANUALE",
                        "G200/52/Climatizzatore automatico ARDESIA CLIMA AUTOMATICO",
                        "J100/42/Immobilizer ARDESIA IMMOBILIZER",
                        "J100/42/Immobilizer ARDESIA IMMOBILIZER",
                    }));
    EXPECT_EQ(core::PscCode, "J100"); // kept after the viewer returns
}

TEST_F(DiagramList, UnknownTypesMissingCodesAndTypesThatOpenNothing) {
    svc.answers.clear();
    choose("ARDESIA", "ALBA", "ALBA 1.3 CARB");
    std::vector<std::string> opened;
    on["Form5"] = [&](vb::Form*) {
        opened.push_back(core::PscCode + "/" + std::to_string(core::DiagramMode));
    };
    on["Form15"] = [&](vb::Form*) {
        Form15& f = Form15::get();
        ASSERT_EQ(f.MSGrid1.Rows(), 4);
        EXPECT_EQ(f.MSGrid1.TextMatrix(1, 0), "Quadro strumenti ARDESIA QUADRO STRUMENTI");
        // Type 8 has no name: the bare row, after the message.
        EXPECT_EQ(f.MSGrid1.TextMatrix(2, 0), "ARDESIA TIPO SCONOSCIUTO");
        EXPECT_EQ(f.List1.List(2), "8");
        for (int r = 0; r < 4; ++r)
            openDiagram(r);
    };
    openList();
    EXPECT_EQ(boxesWith("Unknow PSC type."), 1);
    const auto box = std::find_if(svc.boxes.begin(), svc.boxes.end(),
                                  [](const auto& b) { return b.prompt == "Unknow PSC type."; });
    ASSERT_NE(box, svc.boxes.end());
    EXPECT_EQ(box->title, "Type error");
    EXPECT_EQ(box->flags, vb::vbCritical);
    // Type 9 and type 8 open nothing; 55 takes 40.
    EXPECT_EQ(opened, (std::vector<std::string>{"A200/10", "J200/40"}));

    // A code missing from the catalogue gives a blank row that opens nothing.
    svc.boxes.clear();
    opened.clear();
    choose("ARDESIA", "BORA/TRAMONTANA", "TRAMONTANA 1.6");
    on["Form15"] = [&](vb::Form*) {
        Form15& f = Form15::get();
        ASSERT_EQ(f.MSGrid1.Rows(), 4);
        EXPECT_EQ(f.MSGrid1.TextMatrix(3, 0), "");
        openDiagram(3);
    };
    openList();
    EXPECT_EQ(on["Form15"].runs(), 1);
    EXPECT_TRUE(opened.empty());
}

TEST_F(DiagramList, OffsetTable) {
    for (const char* t : {"1", "2"})
        EXPECT_EQ(Form15::typeOffset(t), 10) << t;
    EXPECT_EQ(Form15::typeOffset("3"), 20);
    EXPECT_EQ(Form15::typeOffset("4"), 30);
    for (const char* t : {"6", "7"})
        EXPECT_EQ(Form15::typeOffset(t), 50) << t;
    for (const char* t : {"5", "10", "20", "30", "40", "70", "80", "81", "50", "55", "60", "500", "5A"})
        EXPECT_EQ(Form15::typeOffset(t), 40) << t;
    for (const char* t : {"", "8", "9", "61", "11", "0", "600"})
        EXPECT_EQ(Form15::typeOffset(t), -1) << t;
}

TEST_F(DiagramList, AbsOffsetFollowsTheLocationCodes) {
    // Second ABS system of the diesel: its own location code is set.
    choose("ARDESIA", "ALBA", "ALBA 1.9 TD");
    std::vector<int> modes;
    on["Form5"] = [&](vb::Form*) { modes.push_back(core::DiagramMode); };
    on["Form15"] = [&](vb::Form*) { openDiagram(1); };
    openList();
    // Every ABS model of the set names the first system; the second one
    // (E200) is the model's Abs2 with its own location code.
    EXPECT_EQ(modes, (std::vector<int>{33}));

    // An ABS diagram of a model without an ABS location code: 30.
    modes.clear();
    choose("BRENTA", "CORSA", "CORSA 1.3 D");
    on["Form15"] = [&](vb::Form*) { openDiagram(1); };
    openList();
    EXPECT_EQ(modes, (std::vector<int>{30}));
}

TEST_F(DiagramList, MissingTypeListAndCatalogue) {
    vb::Kill(file("Ark\\psc_ita.cpt"));
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    svc.boxes.clear();
    openList();
    // One message per diagram; the rows keep brand and model.
    EXPECT_EQ(boxesWith("Unknow PSC type."), 6);

    vb::Kill(file("Ark\\xpsc.dbf"));
    svc.boxes.clear();
    on["Form15"] = [&](vb::Form*) {
        Form15& f = Form15::get();
        EXPECT_EQ(f.MSGrid1.Rows(), 6);
        EXPECT_EQ(f.MSGrid1.TextMatrix(0, 0), "");
        openDiagram(0); // a blank row opens nothing
    };
    svc.shown.clear();
    openList();
    EXPECT_EQ(on["Form15"].runs(), 1);
    EXPECT_EQ(svc.shown, std::vector<std::string>{"Form15"});
    EXPECT_EQ(boxesWith("xpsc.dbf not available"), 1);
    EXPECT_FALSE(svc.ended);
}

TEST_F(DiagramList, EscAndFunctionKeys) {
    choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
    on["Form15"] = [&](vb::Form* f) {
        f->previewKey(123, 0); // F12: trouble codes
        f->previewKey(112, 0); // F1: help
        f->previewKey(27, 0);
        EXPECT_TRUE(f->isUnloaded());
    };
    openList();
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form15", "Form4", "Form8"}));
    EXPECT_EQ(core::HelpCode.empty(), false);
}

} // namespace
