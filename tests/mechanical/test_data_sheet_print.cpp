#include "core/module1.h"
#include "mechanical/data_sheet_window.h"
#include "platform/printer.h"
#include "platform/vbstring.h"
#include "support/pdf.h"
#include "vehicle.h"

#include <QRegularExpression>
#include <QTest>
#include <QWidget>

using mechanical::Form16;
using namespace mechanical_tests;
using testing_support::findLine;
using testing_support::pdfLines;
using testing_support::pdfPages;
using testing_support::pdfText;

namespace {

class DataSheetPrint : public VehicleTest {
  protected:
    Form16& openShowcase() {
        choose("ARDESIA", "ALBA", "ALBA 1.2 16V");
        return Form16::get();
    }
    std::string printed() {
        const auto& jobs = vb::Printer().jobs();
        return jobs.empty() ? std::string() : jobs.back().file;
    }
    // pdftotext joins a line's words with layout blanks; compare with runs of
    // blanks squeezed to one.
    static std::string squeeze(std::string s) {
        QString t = QString::fromStdString(s).replace(QRegularExpression("[ \\t]+"), " ");
        return t.replace(QChar('\f'), QString()).toStdString();
    }
    static int count(const std::string& hay, const std::string& needle) {
        int n = 0;
        for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1))
            ++n;
        return n;
    }
};

} // namespace

TEST_F(DataSheetPrint, EveryRowOnceWithCategoriesInBold) {
    Form16& f = openShowcase();
    f.Command8.click();
    EXPECT_EQ(svc.printerDialogs, 1);
    EXPECT_TRUE(svc.boxes.empty());
    const std::string pdf = printed();
    ASSERT_FALSE(pdf.empty());
    const std::string text = squeeze(pdfText(pdf));
    EXPECT_EQ(count(text, "ARDESIA ALBA ALBA 1.2 16V (1999-2003)"), 1);
    for (const char* line :
         {"Dati generali\n", "n° Cilindri 4\n", "Distribuzione 16V\n", "Codice motore AL-12V16\n",
          "Cilindrata 1242 [cm³]\n", "Motore\n", "Pressione di compressione 12 - 14 [bar]\n",
          "Serraggio supporti di banco (0) Serraggio preliminare 5 Kgm\n",
          "Serraggio supporti di banco (1) Rotazione angolare 60 °\n",
          "Serraggio bielle (0) Serraggio preliminare 3 Kgm (1)\n",
          "Ricarica climatizzatore (1) Freon R12 = 1200 g.\n", "Climatizzatore\n",
          "Olio compressore PAG 46\n", "Termostato inizio apertura 88 [°C]\n"})
        EXPECT_EQ(count(text, line), 1) << line << text;
    // A one-step operation text prints alone; the head's thirteen steps are
    // numbered from 0.
    EXPECT_EQ(count(text, "\n Serraggio preliminare 2,5 Kgm\n"), 1);
    EXPECT_EQ(count(text, "Serraggio testata ("), 13);
    EXPECT_EQ(count(text, "Serraggio testata (12) 1a fase 7 Kgm"), 1);
    const std::string used = testing_support::pdfFonts(pdf);
    EXPECT_NE(used.find("Bold"), std::string::npos) << used;
    EXPECT_EQ(vb::Printer().FontName(), "Arial");
    EXPECT_EQ(vb::Printer().ScaleMode(), vb::vbTwips);
}

TEST_F(DataSheetPrint, ASheetLongerThanAPageRunsOnToTheNextWithItsMargins) {
    Form16& f = openShowcase();
    vb::Grid& g = f.Grid1;
    const int first = g.Rows();
    g.setRows(first + 80);
    for (int i = 0; i < 80; ++i) {
        g.setTextMatrix(first + i, 0, "Riga " + std::to_string(i));
        g.setTextMatrix(first + i, 1, "valore " + std::to_string(i));
    }
    // Every tenth added row a category of its own, printed at 10 mm.
    for (int i = 5; i < 80; i += 10) {
        g.setTextMatrix(first + i, 0, "Gruppo " + std::to_string(i));
        g.setTextMatrix(first + i, 1, "Gruppo " + std::to_string(i));
    }
    f.Show();
    QTest::mouseClick(f.Command8.widget(), Qt::LeftButton);
    const std::string pdf = printed();
    const int pages = pdfPages(pdf);
    ASSERT_GE(pages, 2);
    const std::string text = squeeze(pdfText(pdf));
    for (int i = 0; i < 80; ++i) {
        const std::string line = i % 10 == 5
                                     ? "Gruppo " + std::to_string(i) + "\n"
                                     : "Riga " + std::to_string(i) + " valore " + std::to_string(i) + "\n";
        EXPECT_EQ(count(text, line), 1) << i;
    }
    const std::string last = squeeze(pdfText(pdf, pages));
    EXPECT_NE(last.find("Riga 79 valore 79"), std::string::npos);
    EXPECT_EQ(last.find("ARDESIA ALBA"), std::string::npos);

    // Positions from the paper's edge: the printable area begins 6.35 mm in.
    constexpr double area = 6.35;
    const auto page1 = pdfLines(pdf, 1);
    const auto* vehicle = findLine(page1, "ARDESIA ALBA ALBA 1.2 16V");
    ASSERT_NE(vehicle, nullptr);
    EXPECT_NEAR(vehicle->left, area + 10, 0.3);
    EXPECT_NEAR(vehicle->top, area + 10, 1.5);
    ASSERT_NE(findLine(page1, "Dati generali"), nullptr);
    EXPECT_NEAR(findLine(page1, "Dati generali")->left, area + 10, 0.3);
    ASSERT_NE(findLine(page1, "n° Cilindri 4"), nullptr);
    EXPECT_NEAR(findLine(page1, "n° Cilindri 4")->left, area + 15, 0.3);
    // On every later page the lines run on from the top of the printable
    // area, each at its own left position, the first one included.
    for (int p = 2; p <= pages; ++p) {
        const auto lines = pdfLines(pdf, p);
        ASSERT_FALSE(lines.empty()) << p;
        EXPECT_LT(lines.front().top, area + 2) << p;
        for (const auto& l : lines)
            EXPECT_NEAR(l.left, l.text.rfind("Gruppo", 0) == 0 ? area + 10 : area + 15, 0.3)
                << "page " << p << ": " << l.text;
    }
}

TEST_F(DataSheetPrint, CancelPrintsNothing) {
    Form16& f = openShowcase();
    svc.printerAnswers.push_back({false});
    f.Command8.click();
    EXPECT_TRUE(vb::Printer().jobs().empty());
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(DataSheetPrint, LandscapePrinterPrintsPortraitAndStaysLandscape) {
    Form16& f = openShowcase();
    svc.printerAnswers.push_back({true, 0, vb::vbPRORLandscape});
    int key = 121;
    f.Form_KeyDown(key, 0);
    const std::string pdf = printed();
    ASSERT_FALSE(pdf.empty());
    EXPECT_FALSE(testing_support::pdfLandscape(pdf));
    EXPECT_EQ(vb::Printer().Orientation(), vb::vbPRORLandscape);
}

TEST_F(DataSheetPrint, EmptySheetPrintsTheVehicleLines) {
    choose("ARDESIA", "ALBA", "ALBA 1.4 GPL");
    Form16& f = Form16::get();
    f.Grid1.setRows(0);
    f.Command8.click();
    const std::string text = squeeze(pdfText(printed()));
    EXPECT_EQ(text.find("ARDESIA ALBA ALBA 1.4 GPL (2003-2008)\n"), 0u) << text;
    EXPECT_NE(text.find("cm³ " + core::Des[80] + " 77(57)/6000 CV(KW)/Rpm\n"), std::string::npos) << text;
    EXPECT_EQ(count(text, "\n"), 2) << text;
}
