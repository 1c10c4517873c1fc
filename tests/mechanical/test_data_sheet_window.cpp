#include "core/module1.h"
#include "mechanical/data_sheet_window.h"
#include "mechanical/sequence_window.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/vbstring.h"
#include "vehicle.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

using mechanical::Form16;
using mechanical::Form17;
using namespace mechanical_tests;

namespace {

class DataSheet : public VehicleTest {
  protected:
    Form16& open(std::string_view brand, std::string_view family, std::string_view model) {
        choose(brand, family, model);
        return Form16::get();
    }
    Form16& openShowcase() { return open("ARDESIA", "ALBA", "ALBA 1.2 16V"); }
    // Moves the mouse into a cell the way the user does.
    void hover(Form16& f, int r, int c) {
        const QRect rect = f.Grid1.cellRect(r, c);
        ASSERT_FALSE(rect.isEmpty()) << r << "," << c;
        moveTo(f, rect.center());
    }
    static void moveTo(Form16& f, QPoint p) {
        QMouseEvent e(QEvent::MouseMove, p, f.Grid1.widget()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(f.Grid1.widget(), &e);
    }
    void clickCell(Form16& f, int r, int c) {
        const QRect rect = f.Grid1.cellRect(r, c);
        ASSERT_FALSE(rect.isEmpty()) << r << "," << c;
        QTest::mouseMove(f.Grid1.widget(), rect.center());
        QTest::mouseClick(f.Grid1.widget(), Qt::LeftButton, {}, rect.center());
    }
};

} // namespace

TEST_F(DataSheet, HeaderCaptionAndLayoutOnAWideScreen) {
    Form16& f = openShowcase();
    EXPECT_TRUE(svc.boxes.empty());
    EXPECT_EQ(f.Caption(), selection::Form2::get().Caption());
    EXPECT_EQ(f.LabelModello(0).Caption(), "ARDESIA ALBA ALBA 1.2 16V (1999-2003)");
    EXPECT_EQ(f.LabelModello(1).Caption(), core::Des[13] + ": AL-12V16 " + core::Des[79] + " 1242 cm\xB3 " +
                                               core::Des[80] + " 80(59)/6000 CV(KW)/Rpm");
    EXPECT_EQ(f.Width(), 15360);
    EXPECT_EQ(f.Grid1.Left(), (15360 - 11830) / 2);
    EXPECT_EQ(f.Grid1.Top(), (11520 - 6855 - 500) / 2);
    EXPECT_EQ(f.Shape1.Left(), f.Grid1.Left() - 15);
    EXPECT_EQ(f.Shape1.Height(), 6855 + 30);
    EXPECT_EQ(f.Command5.Left(), 15360 - 630 - 100);
    EXPECT_EQ(f.Command1.Left(), f.Command5.Left());
    EXPECT_EQ(f.Command30.Left(), f.Command5.Left() - 5 * 645);
    EXPECT_EQ(f.Command8.Left(), f.Command5.Left() - 6 * 645);
    EXPECT_EQ(f.Command6.Left(), 50);
    EXPECT_EQ(f.Command8.ToolTipText(), core::Des[46]);
    EXPECT_EQ(f.Command6.ToolTipText(), core::Des[42]);
    EXPECT_EQ(f.Command8.MousePointer(), 99);
    EXPECT_EQ(f.Shape2.Width(), 15360 - 200);
    EXPECT_FALSE(f.ImageMarca.Picture().isNull());
    EXPECT_EQ(f.Shape2.Height(), f.ImageMarca.Height() + 30);
    EXPECT_EQ(f.ImageMarca.Left(), 50 + 80);
    EXPECT_EQ(f.ImageMarca.Top(), 50 + 15);
    // The logo takes its picture's size, so the band holds both vehicle lines.
    EXPECT_EQ(f.ImageMarca.Height(), f.ImageMarca.Picture().height() * 15);
    EXPECT_GE(f.Shape2.Top() + f.Shape2.Height(), f.LabelModello(1).Top() + f.LabelModello(1).Height());
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(f.Grid1.ColWidth(c), (std::array{3500, 2600, 1500, 3400, 600})[size_t(c)]);
}

TEST_F(DataSheet, LinesOfAMultiLineCellStandApartInsideTheirRow) {
    Form16& f = openShowcase();
    vb::Grid& g = f.Grid1;
    f.Show();
    const int u01 = rowOfCode(g, "U01");
    ASSERT_GT(u01, 0);
    // Down the sheet with the arrow key until the A/C charge, three lines,
    // is on view.
    g.SetFocus();
    const auto onView = [&] {
        const QRect r = g.cellRect(u01, 1);
        return !r.isEmpty() && r.bottom() < g.widget()->height() - 20;
    };
    for (int i = 0; i < 200 && !onView(); ++i)
        QTest::keyClick(g.widget(), Qt::Key_Down);
    const QRect cell = g.cellRect(u01, 1).adjusted(1, 1, -1, -1);
    ASSERT_FALSE(cell.isEmpty());
    const QImage shown = g.widget()->grab().toImage();
    const QColor back = shown.pixelColor(cell.right() - 1, cell.top() + 1);
    // Rows of the cell with ink, and the runs they form: one per line, with
    // blank rows between, all inside the cell.
    std::vector<std::pair<int, int>> runs;
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        bool ink = false;
        for (int x = cell.left(); x <= cell.right() && !ink; ++x) {
            const QColor c = shown.pixelColor(x, y);
            ink = std::abs(c.lightness() - back.lightness()) > 80;
        }
        if (!ink) continue;
        if (!runs.empty() && runs.back().second == y - 1)
            runs.back().second = y;
        else
            runs.push_back({y, y});
    }
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_GT(runs.front().first, cell.top());
    EXPECT_LT(runs.back().second, cell.bottom());
}

TEST_F(DataSheet, GridKeepsItsDesignPlaceUpToTwelveThousandTwips) {
    svc.width = 12000;
    svc.height = 9000;
    Form16& f = openShowcase();
    EXPECT_EQ(f.Grid1.Left(), 50);
    EXPECT_EQ(f.Grid1.Top(), 960);
    f.Unload();
    svc.width = 12001;
    Form16& g = Form16::get();
    EXPECT_EQ(g.Grid1.Left(), (12001 - 11830) / 2);
}

TEST_F(DataSheet, ShowcaseRowsFromTheSampleDictionaries) {
    Form16& f = openShowcase();
    vb::Grid& g = f.Grid1;
    EXPECT_EQ(g.TextMatrix(0, 0), "Dati generali");
    EXPECT_EQ(g.TextMatrix(0, 8), "Dati generali");
    EXPECT_TRUE(g.MergeRow(0));
    EXPECT_EQ(g.TextMatrix(1, 0), "n\xB0 Cilindri");
    EXPECT_EQ(g.TextMatrix(1, 1), "4");
    EXPECT_EQ(g.TextMatrix(2, 1), "16V");
    EXPECT_EQ(g.TextMatrix(3, 0), "Codice motore");
    EXPECT_EQ(g.TextMatrix(4, 2), "[cm\xB3]");
    const int u01 = rowOfCode(g, "U01");
    ASSERT_GT(u01, 0);
    EXPECT_EQ(g.TextMatrix(u01, 0), "Ricarica climatizzatore");
    EXPECT_EQ(g.TextMatrix(u01, 1),
              " Freon R134a =  550 g. +/- 25 ( Controllare l'assenza di perdite ) ( Impianto con sensore di "
              "pressione )\r\n Freon R12 =  1200 g.\r\n Freon R134a =  550 g. ( Prima carica di fabbrica ) ( "
              "Impianto con pressostato trinario )");
    // The row holds its three lines as the grid draws them.
    EXPECT_GE(g.RowHeight(u01), g.textHeight(g.TextMatrix(u01, 1)));
    const int r03 = rowOfCode(g, "R03");
    EXPECT_EQ(g.TextMatrix(r03, 1), " Serraggio preliminare  5  Kgm\r Rotazione angolare  60 \xB0");
    EXPECT_EQ(g.TextMatrix(r03, 5), "A5+B60+");
    const int s01 = rowOfCode(g, "S01");
    EXPECT_EQ(g.RowHeight(s01), 550); // one step line keeps the height
    // Colours and formats of a data row.
    g.setRow(4);
    g.setCol(0);
    EXPECT_EQ(g.CellAlignment(), 7);
    EXPECT_TRUE(g.CellFontBold());
    EXPECT_EQ(g.CellBackColor(), vb::RGB(240, 247, 247));
    EXPECT_EQ(g.CellForeColor(), vb::RGB(0, 0, 255));
    g.setRow(3);
    EXPECT_EQ(g.CellBackColor(), vb::RGB(255, 255, 255));
    g.setRow(0);
    EXPECT_EQ(g.CellForeColor(), vb::RGB(255, 0, 0));
    // A note puts the icon in column 4, a sequence row in column 1.
    const int b01 = rowOfCode(g, "B01");
    g.setRow(b01);
    g.setCol(4);
    EXPECT_FALSE(g.CellPicture().isNull());
    EXPECT_EQ(g.TextMatrix(b01, 7), "Valori a motore caldo");
    const int r02 = rowOfCode(g, "R02");
    g.setRow(r02);
    g.setCol(1);
    EXPECT_FALSE(g.CellPicture().isNull());
    EXPECT_EQ(g.TextMatrix(r02, 1), "");
}

TEST_F(DataSheet, NullTechnicalDataShowsOnlyTheVehicleRows) {
    Form16& f = open("ARDESIA", "ALBA", "ALBA 1.4 GPL");
    EXPECT_EQ(f.Grid1.Rows(), 3);
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(DataSheet, SequenceRowOpensTheDrawingFromColumnOneOnly) {
    Form16& f = openShowcase();
    const int r02 = rowOfCode(f.Grid1, "R02");
    f.Grid1.setTopRow(r02);
    std::string title, sequence;
    svc.onShow = [&](vb::Form*, const std::string& name) {
        if (name == "Form17") {
            title = core::BoltSequenceTitle;
            sequence = core::BoltSequence;
        }
    };
    clickCell(f, r02, 0);
    clickCell(f, r02, 2);
    EXPECT_TRUE(svc.shown.empty());
    clickCell(f, r02, 1);
    ASSERT_EQ(svc.shown, std::vector<std::string>{"Form17"});
    EXPECT_EQ(title, "SEQUENZA SERRAGGIO TESTATA");
    EXPECT_EQ(sequence, "L01C0702E0703C0504E0905C0906E0507C0308E1109C1110E03");
}

TEST_F(DataSheet, PointerAndUnitToolTipChangeOncePerCell) {
    Form16& f = openShowcase();
    vb::Grid& g = f.Grid1;
    hover(f, 4, 2);
    EXPECT_EQ(g.ToolTipText(), "CENTIMETRI CUBI");
    EXPECT_EQ(f.UltimaRigaMouse, 4);
    EXPECT_EQ(f.UltimaColonnaMouse, 2);
    hover(f, 4, 1);
    EXPECT_EQ(g.ToolTipText(), "");
    hover(f, 3, 2); // no unit: an empty cell matches no line
    EXPECT_EQ(g.ToolTipText(), "");
    const int r02 = rowOfCode(g, "R02");
    g.setTopRow(r02);
    hover(f, r02, 1);
    EXPECT_EQ(g.MousePointer(), 99);
    hover(f, r02, 0);
    EXPECT_EQ(g.MousePointer(), 0);
    // Within the remembered cell nothing is done again.
    g.setMousePointer(99);
    const QRect rect = g.cellRect(r02, 0);
    moveTo(f, rect.center() + QPoint(2, 1));
    EXPECT_EQ(g.MousePointer(), 99);
}

TEST_F(DataSheet, WheelScrollsTheGridOnlyOverIt) {
    Form16& f = openShowcase();
    vb::Grid& g = f.Grid1;
    f.WheelCatcher1_WheelRotation(1, 0, 0, g.hWnd());
    EXPECT_EQ(g.TopRow(), 0);
    f.WheelCatcher1_WheelRotation(-3, 0, 0, g.hWnd());
    EXPECT_EQ(g.TopRow(), 3);
    f.WheelCatcher1_WheelRotation(-3, 0, 0, f.Command8.hWnd());
    EXPECT_EQ(g.TopRow(), 3);
    f.WheelCatcher1_WheelRotation(2, 0, 0, g.hWnd());
    EXPECT_EQ(g.TopRow(), 1);
    f.WheelCatcher1_WheelRotation(-1000, 0, 0, g.hWnd());
    EXPECT_LT(g.TopRow(), g.Rows());
}

// The wheel turned by the user: each notch down over the grid moves its top
// row by one; over the print button the grid stays.
TEST_F(DataSheet, WheelTurnedOverTheGridScrollsIt) {
    Form16& f = openShowcase();
    f.show();
    QApplication::processEvents();
    std::vector<std::unique_ptr<QWheelEvent>> events; // one address per event
    auto turn = [&](QWidget* w, int notches) {
        const QPoint pos(5, 5);
        events.push_back(std::make_unique<QWheelEvent>(pos, w->mapToGlobal(pos), QPoint(),
                                                       QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                                                       Qt::NoScrollPhase, false));
        QApplication::sendEvent(w, events.back().get());
    };
    ASSERT_EQ(f.Grid1.TopRow(), 0);
    turn(f.Grid1.widget(), -2);
    EXPECT_EQ(f.Grid1.TopRow(), 2);
    turn(f.Command8.widget(), -1);
    EXPECT_EQ(f.Grid1.TopRow(), 2);
    turn(f.Grid1.widget(), 5);
    EXPECT_EQ(f.Grid1.TopRow(), 2);
    turn(f.Grid1.widget(), 1);
    EXPECT_EQ(f.Grid1.TopRow(), 1);
}

TEST_F(DataSheet, KeyMap) {
    Form16& f = openShowcase();
    int key = 124;
    f.Form_KeyDown(key, 0);
    key = 123;
    f.Form_KeyDown(key, 0);
    key = 112;
    f.Form_KeyDown(key, 0);
    EXPECT_EQ(svc.shown, (std::vector<std::string>{"Form14", "Form4", "Form8"}));
    EXPECT_EQ(core::HelpCode, "003");
    key = 27;
    f.Form_KeyDown(key, 0);
    EXPECT_TRUE(f.isUnloaded());
}

TEST_F(DataSheet, MissingDictionariesAreReportedAndTheSheetStillOpens) {
    vb::Kill(file("Ark/dati_ita.cpt"));
    vb::Kill(file("ser/ser_ita.cpt"));
    Form16& f = openShowcase();
    ASSERT_EQ(svc.boxes.size(), 2u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: file " + core::AppPath + "\\Ark\\dati_ita.cpt not available");
    EXPECT_EQ(svc.boxes[1].prompt,
              "Error: file " + vb::LCase(core::AppPath) + "\\ser\\ser_ita.cpt not available");
    EXPECT_EQ(svc.boxes[1].flags, 16);
    EXPECT_EQ(f.Grid1.TextMatrix(3, 0), "");
    EXPECT_EQ(f.Grid1.TextMatrix(3, 1), "AL-12V16");
    const int r03 = rowOfCode(f.Grid1, "R03");
    EXPECT_EQ(r03, -1); // no description, no code
}
