#include "core/module1.h"
#include "documents/document_viewer.h"
#include "documents/info_list.h"
#include "documents/trouble_code_browser.h"
#include "documents/vehicle_text_viewer.h"
#include "platform/file_io.h"
#include "platform/printer.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"
#include "support/fixtures.h"
#include "support/harness.h"
#include "support/injected_faults.h"
#include "support/pdf.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QTest>
#include <QTextDocument>

using namespace testing_support;
using documents::Form11;
using documents::Form13;
using documents::Form7;

namespace {

class TextWindows : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        startProgram();
        selection::Form2::get();
    }
    Form7& open(int mode) {
        core::Form7Mode = std::int16_t(mode);
        return Form7::get();
    }
    static std::string rtb(vb::RichTextBox& b) { return b.document().toPlainText().toStdString(); }
    static bool has(const std::string& hay, const std::string& needle) {
        return hay.find(needle) != std::string::npos;
    }
};

// A diagram viewer as far as the text viewer reads it.
class FakeForm5 : public vb::Form {
  public:
    FakeForm5() : vb::Form("Form5") {}
    vb::Label Label5{*this, "Label5"};
    vb::ListBox List1{*this, "List1"};
};

} // namespace

TEST_F(TextWindows, SocketTextBesideItsPicture) {
    core::Form7Code = "003";
    Form7& f = open(1);
    EXPECT_EQ(f.Label5.Caption(), core::Des[59]);
    EXPECT_EQ(f.Label4.Caption(), core::VehicleName);
    EXPECT_EQ(f.Picture2.Picture().width(), 400);
    EXPECT_FALSE(f.Command9.Visible());
    EXPECT_TRUE(f.Command7.Visible());
    ASSERT_GT(f.page.LineCount, 10);
    EXPECT_EQ(f.page.Lines[0], "[PRESA DI DIAGNOSI]");
    ASSERT_EQ(f.List1.ListCount(), f.page.LineCount);
    EXPECT_EQ(f.List1.List(0), "PRESA DI DIAGNOSI ");
    EXPECT_EQ(core::TextNeedsScroll, 0);
    EXPECT_EQ(f.PictureAreaWidth, f.Width() - f.page.TextBlockWidth - 50);
    EXPECT_EQ(f.Picture2.Top(), (f.Height() - f.Picture2.Height() - 1440) / 2 + 720 - 200);
    // Toolbar: print at the left of the trouble codes, brand documents right
    // beside print.
    const int w = f.Command5.Width();
    EXPECT_EQ(f.Command8.Left(), f.Command20.Left() - w - 15);
    EXPECT_EQ(f.Command30.Left(), f.Command8.Left() - w);
    EXPECT_EQ(f.Command7.ToolTipText(), core::Des[51]);
    EXPECT_FALSE(vb::fileExists(appPath() + "/DcFile.gif"));
    EXPECT_TRUE(svc.boxes.empty());
    // Another socket, the same text.
    f.Unload();
    vb::FormRegistry::unloadAll();
    core::Form7Code = "007";
    Form7& g = open(1);
    EXPECT_EQ(g.page.Lines[0], "[PRESA DI DIAGNOSI]");
}

TEST_F(TextWindows, ToggleTwiceReturnsToTheStartingView) {
    core::Form7Code = "001";
    Form7& f = open(1);
    const int cut = f.Picture2.Width();
    const size_t drawn = f.page.drawn().size();
    f.Command7_Click();
    EXPECT_EQ(f.TextShown, 0);
    EXPECT_TRUE(f.page.drawn().empty());
    EXPECT_FALSE(f.Command8.Enabled());
    EXPECT_EQ(f.Picture2.Width(), f.PictureNaturalWidth);
    f.Command7_Click();
    EXPECT_EQ(f.TextShown, 1);
    EXPECT_TRUE(f.Command8.Enabled());
    EXPECT_EQ(f.Picture2.Width(), cut);
    EXPECT_EQ(f.page.drawn().size(), drawn);
}

TEST_F(TextWindows, InfoTextsWithFallbackPictureAndMissingText) {
    core::Form7Code = "0004"; // text, no picture
    Form7& f = open(2);
    EXPECT_EQ(f.Picture2.Picture().width(), 400); // x0999.gif
    EXPECT_GT(f.page.LineCount, 0);
    f.Unload();
    vb::FormRegistry::unloadAll();
    core::Form7Code = "0003"; // picture, no text
    Form7& g = open(2);
    EXPECT_FALSE(g.Command7.Visible());
    EXPECT_EQ(g.PictureAreaWidth, g.Width());
    EXPECT_EQ(g.page.LineCount, 0);
    EXPECT_TRUE(svc.boxes.empty());
}

TEST_F(TextWindows, ComponentOfANewFormatDiagram) {
    core::PscNewFormat = true;
    core::HotspotCode = "0701";
    core::HotspotTextCode = "0701";
    Form7& f = open(0);
    // The long page scrolls; the wide picture is cut to its area.
    EXPECT_EQ(core::TextNeedsScroll, 1);
    EXPECT_TRUE(f.VScroll1.Visible());
    EXPECT_EQ(f.PictureAreaWidth, f.Width() - f.page.TextBlockWidth - 40);
    EXPECT_EQ(f.PictureNaturalWidth, 15000);
    EXPECT_EQ(f.Picture2.Width(), f.PictureAreaWidth);
    // PageDown and PageUp page the text from anywhere in the window.
    f.previewKey(34, 0);
    EXPECT_EQ(f.page.FirstLine, f.page.LineCount - f.page.VisibleLines);
    EXPECT_EQ(f.VScroll1.Value(), f.page.FirstLine + 1);
    f.previewKey(33, 0);
    EXPECT_EQ(f.page.FirstLine, 0);
    // F9 opens the belt information although its button is hidden.
    f.previewKey(120, 0);
    EXPECT_EQ(svc.shown.back(), "Form13");
    EXPECT_EQ(core::Form13Topic, "Form7");
    f.Unload();
    vb::FormRegistry::unloadAll();
    core::HotspotCode = "0704";
    core::HotspotTextCode = "0799"; // no such page
    Form7& g = open(0);
    EXPECT_FALSE(g.Command7.Visible());
    EXPECT_EQ(g.PictureAreaWidth, g.Width());
}

TEST_F(TextWindows, ParameterOfAnOldFormatDiagram) {
    vb::FormRegistry::add("Form5", [] { return new FakeForm5; });
    auto& diagram = static_cast<FakeForm5&>(*vb::FormRegistry::get("Form5"));
    diagram.Label5.setCaption("ALBA 1.9 TD - Iniezione diesel");
    diagram.List1.AddItem("201");
    diagram.List1.AddItem("216");
    diagram.List1.setListIndex(1);
    core::PscNewFormat = false;
    Form7& f = open(0);
    EXPECT_EQ(f.Label5.Caption(), "ALBA 1.9 TD - Iniezione diesel");
    EXPECT_EQ(f.page.Lines.at(1), "{Sensore giri}");
    EXPECT_FALSE(f.Picture2.Picture().isNull());
}

TEST_F(TextWindows, TimingBeltSwapsTextAndLegend) {
    core::BeltPicture = "00001";
    core::BeltTextCode = "00001";
    Form7& f = open(5);
    EXPECT_FALSE(core::UseSecondKey);
    EXPECT_EQ(f.Label5.Caption(), core::Des[83]);
    EXPECT_TRUE(f.Command9.Visible());
    EXPECT_TRUE(f.RTB1.Visible());
    EXPECT_FALSE(f.RTB2.Visible());
    EXPECT_TRUE(has(rtb(f.RTB1), "Sostituzione cinghia"));
    EXPECT_TRUE(has(rtb(f.RTB2), "Legenda"));
    const int w = f.Command5.Width();
    EXPECT_EQ(f.Command30.Left(), f.Command9.Left() - w - 15);
    EXPECT_EQ(f.RTB1.Left(), f.Width() - f.RTB1.Width() - 60);
    EXPECT_EQ(f.RTB1.Top(), 720 + 75);
    EXPECT_EQ(f.PictureAreaWidth, f.Width() - f.RTB1.Width() - 40);
    EXPECT_EQ(f.RTB1.ToolTipText(), f.TextLegendTips[1]);
    f.RTB1_Click();
    EXPECT_TRUE(has(rtb(f.RTB1), "Legenda"));
    EXPECT_EQ(f.RTB1.ToolTipText(), "Click per vedere il TESTO.");
    f.RTB1_Click();
    EXPECT_TRUE(has(rtb(f.RTB1), "Sostituzione cinghia"));
    EXPECT_EQ(f.RTB1.ToolTipText(), "Click per vedere la LEGENDA.");
    EXPECT_FALSE(core::UseSecondKey);
    // The text/legend toggle hides and shows the documents.
    f.Command7_Click();
    EXPECT_FALSE(f.RTB1.Visible());
    f.Command7_Click();
    EXPECT_TRUE(f.RTB1.Visible());
}

TEST_F(TextWindows, AuxiliaryBeltShowsTheLegendOnly) {
    core::BeltPicture = "00002"; // 400 pixels: 6000 twips
    Form7& f = open(6);
    EXPECT_TRUE(has(rtb(f.RTB1), "Legenda"));
    EXPECT_EQ(f.RTB1.ToolTipText(), "");
    EXPECT_EQ(f.RTB1.Width(), f.Width() - 6000 - 50);
    f.RTB1_Click();
    EXPECT_TRUE(has(rtb(f.RTB1), "Legenda"));
    EXPECT_EQ(f.RTB1.ToolTipText(), "");
    f.Unload();
    vb::FormRegistry::unloadAll();
    core::BeltPicture = "00004"; // wider than 7500 twips
    Form7& g = open(6);
    EXPECT_EQ(g.RTB1.Width(), 4500);
    EXPECT_EQ(g.Picture2.Width(), 9600); // fits beside the narrow legend
}

TEST_F(TextWindows, PrintsThePageWithoutMarkersInPortrait) {
    core::Form7Code = "001";
    Form7& f = open(1);
    vb::Printer().setOrientation(vb::vbPRORLandscape);
    f.previewKey(121, 0); // F10
    EXPECT_EQ(svc.printerDialogs, 1);
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_FALSE(pdfLandscape(printFile(1)));
    EXPECT_EQ(vb::Printer().Orientation(), vb::vbPRORLandscape);
    const std::string text = pdfText(printFile(1));
    EXPECT_TRUE(has(text, "PRESA DI DIAGNOSI"));
    EXPECT_TRUE(has(text, "massa telaio"));
    for (char m : {'[', ']', '{', '}'})
        EXPECT_EQ(text.find(m), std::string::npos) << m;
    // Cancel prints nothing and says nothing.
    svc.printerAnswers.push_back({false});
    f.Command8_Click();
    EXPECT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_TRUE(svc.boxes.empty());
    // F10 prints even while the picture is shown alone.
    f.Command7_Click();
    ASSERT_FALSE(f.Command8.Enabled());
    f.previewKey(121, 0);
    EXPECT_EQ(vb::Printer().jobs().size(), 2u);
}

TEST_F(TextWindows, ALongPagePrintsFromTheLeftEdgeOnEveryPage) {
    core::Form7Code = "001";
    Form7& f = open(1);
    for (int i = 0; i < 150; ++i)
        f.List1.AddItem("  [Riga]" + std::to_string(i) + " del testo");
    f.Show();
    QTest::mouseClick(f.Command8.widget(), Qt::LeftButton);
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    const std::string pdf = printFile(1);
    const int pages = pdfPages(pdf);
    ASSERT_GE(pages, 3);
    // Every line at the left edge of the printable area (6.35 mm from the
    // paper's), its blanks kept; every page filled from the top.
    constexpr double area = 6.35;
    const double column = vb::Printer().ScaleX(vb::Printer().TextWidth(" "), vb::vbTwips, vb::vbMillimeters);
    int seen = 0;
    for (int p = 1; p <= pages; ++p) {
        const auto lines = pdfLines(pdf, p);
        ASSERT_FALSE(lines.empty()) << p;
        EXPECT_LT(lines.front().top, area + 2) << p;
        for (const auto& l : lines) {
            if (l.text.rfind("Riga ", 0) != 0) continue;
            EXPECT_NEAR(l.left, area + 3 * column, 0.2) << "page " << p << ": " << l.text;
            ++seen;
        }
    }
    EXPECT_EQ(seen, 150);
}

TEST_F(TextWindows, TimingBeltPrintoutCarriesPictureLegendAndDocument) {
    core::BeltPicture = "00005";
    core::BeltTextCode = "00005";
    Form7& f = open(5);
    vb::Printer().setScaleMode(vb::vbTwips);
    f.Command8_Click();
    ASSERT_EQ(vb::Printer().jobs().size(), 2u);
    const std::string first = pdfText(printFile(1));
    EXPECT_TRUE(has(first, "Legenda"));
    EXPECT_TRUE(has(first, "Rullo tenditore"));
    EXPECT_FALSE(has(first, "Sostituzione cinghia"));
    // The picture at the top of the first page, the legend below it.
    const QImage page = pdfPage(printFile(1), 1, 50);
    int dark = 0;
    for (int y = 30; y < 200; ++y)
        for (int x = 20; x < 250; ++x)
            if (qGray(page.pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 200);
    const std::string second = pdfText(printFile(2));
    EXPECT_TRUE(has(second, "Sostituzione cinghia"));
    EXPECT_GE(pdfPages(printFile(2)), 3);
    EXPECT_EQ(vb::Printer().ScaleMode(), vb::vbTwips); // settings restored
    f.Unload();
    vb::FormRegistry::unloadAll();
    // The auxiliary belt: picture and legend, one job.
    core::BeltPicture = "00002";
    Form7& g = open(6);
    g.Command8_Click();
    EXPECT_EQ(vb::Printer().jobs().size(), 3u);
}

TEST_F(TextWindows, DocumentViewerTopics) {
    core::Form13Topic = "Form7";
    Form13& f = Form13::get();
    EXPECT_TRUE(has(rtb(f.RTB1), "Cinghia di distribuzione"));
    EXPECT_FALSE(core::UseSecondKey);
    EXPECT_TRUE(f.RTB1.Visible());
    EXPECT_EQ(f.RTB1.Width(), f.Width() - 75);
    EXPECT_EQ(f.RTB1.Height(), f.Height() - 720 - 400);
    EXPECT_EQ(f.Command5.Left(), f.Command6.Width() + 30);
    EXPECT_EQ(f.Label5.Caption(), vb::Trim(core::Des[0]));
    f.Unload();
    vb::FormRegistry::unloadAll();
    core::Form13Topic = "Form4";
    EXPECT_TRUE(has(rtb(Form13::get().RTB1), "Diagnosi OBD"));
    vb::FormRegistry::unloadAll();
    core::Form13Topic = "NEWS";
    Form13& n = Form13::get();
    EXPECT_TRUE(has(rtb(n.RTB1), "Novit"));
    // Keys typed into the document change nothing.
    const std::string before = rtb(n.RTB1);
    n.Show();
    QTest::keyClicks(n.RTB1.widget(), "abc");
    QTest::keyClick(n.RTB1.widget(), Qt::Key_Delete);
    EXPECT_EQ(rtb(n.RTB1), before);
    // Esc closes.
    n.previewKey(27, 0);
    EXPECT_TRUE(n.isUnloaded());
}

TEST_F(TextWindows, DocumentViewerPrintsAtOnceInPortrait) {
    core::Form13Topic = "Form4";
    Form13& f = Form13::get();
    vb::Printer().setOrientation(vb::vbPRORLandscape);
    f.previewKey(121, 0);
    EXPECT_EQ(svc.printerDialogs, 0);
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_FALSE(pdfLandscape(printFile(1)));
    EXPECT_GE(pdfPages(printFile(1)), 2);
    EXPECT_EQ(vb::Printer().Orientation(), vb::vbPRORLandscape);
    EXPECT_TRUE(has(pdfText(printFile(1)), "Struttura dei codici"));
    // One inch of margin on every page: no line further left, and the
    // first line of each page one inch down.
    for (int p = 1; p <= pdfPages(printFile(1)); ++p) {
        const auto lines = pdfLines(printFile(1), p);
        ASSERT_FALSE(lines.empty()) << p;
        EXPECT_NEAR(lines.front().top, 25.4, 1.5) << p;
        double left = 1000;
        for (const auto& l : lines)
            left = std::min(left, l.left);
        EXPECT_NEAR(left, 25.4, 0.3) << p;
    }
}

TEST_F(TextWindows, DocumentViewerThatCannotPrintGivesThePrinterBack) {
    core::Form13Topic = "Form4";
    Form13& f = Form13::get();
    vb::PrinterObject& p = vb::Printer();
    p.setOrientation(vb::vbPRORLandscape);
    p.setFontName("Courier New");
    p.setScaleMode(vb::vbTwips);
    // A destination that cannot be written: the job fails as it opens.
    p.setPdfOutput(appPath() + "/no such folder/print.pdf");
    f.Show();
    // Told while the window works: the hourglass over it and its two buttons.
    std::vector<int> busy;
    svc.onBox = [&](const Box&) {
        busy = {f.MousePointer(), f.Command6.MousePointer(), f.Command5.MousePointer()};
    };
    QTest::keyClick(f.RTB1.widget(), Qt::Key_F10);
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "PRINTER NOT FOUND!! Check your printer.");
    EXPECT_EQ(busy, std::vector<int>(3, vb::vbHourglass));
    EXPECT_EQ(f.Command6.MousePointer(), vb::vbCustom);
    EXPECT_EQ(f.Command5.MousePointer(), vb::vbCustom);
    EXPECT_FALSE(p.jobOpen());
    EXPECT_EQ(p.Orientation(), vb::vbPRORLandscape);
    EXPECT_EQ(p.FontName(), "Courier New");
    EXPECT_EQ(p.ScaleMode(), vb::vbTwips);
    EXPECT_EQ(f.MousePointer(), vb::vbDefault);
    EXPECT_FALSE(f.isUnloaded());
}

TEST(InfoRows, CodesAndEntries) {
    const std::string joined = "0001Tagliando:0002Richiamo:0007:0123Perdite olio:0456Avviamento a caldo:";
    using R = std::vector<std::string>;
    EXPECT_EQ(documents::infoRows({"001", "002", "007", "123", "456"}, joined),
              (R{"Tagliando", "Richiamo", "", "Perdite olio", "Avviamento a caldo"}));
    EXPECT_EQ(documents::infoRows({"123", "", "456"}, joined), (R{"Perdite olio"}));
    EXPECT_EQ(documents::infoRows({"", "001"}, joined), R{});
    EXPECT_EQ(documents::infoRows({"000", "001"}, joined), R{});
    // A code without an entry keeps its row, empty.
    EXPECT_EQ(documents::infoRows({"006", "001"}, joined), (R{"", "Tagliando"}));
    // A text with a colon ends there; the key is found anywhere, case ignored.
    EXPECT_EQ(documents::infoRows({"009"}, "0001Nota: vedi 0009:0009Altro:"), R{""});
    EXPECT_EQ(documents::infoRows({"001"}, "0001Nota: vedi:"), R{"Nota"});
    EXPECT_EQ(documents::infoRows({"001"}, "0001Senza fine"), R{"Senza fine"});
}

TEST_F(TextWindows, InfoListOpensEachRow) {
    core::Form11Mode = 1;
    Form11& f = Form11::get();
    ASSERT_EQ(f.Grid1.Rows(), 5);
    EXPECT_EQ(f.Grid1.TextMatrix(0, 0), "Tagliando e manutenzione periodica");
    EXPECT_EQ(f.Grid1.TextMatrix(3, 0), "Spia avaria motore accesa a freddo");
    EXPECT_EQ(f.Grid1.Row(), 0);
    EXPECT_EQ(f.Grid1.Width(), 5000);
    EXPECT_EQ(f.Label1.Caption(), core::Des[60]);
    EXPECT_EQ(f.Grid1.Left(), (f.Width() - 5000) / 2);
    EXPECT_EQ(f.LabelModello(0).Caption(), "ARDESIA ALBA ALBA 1.2 16V (1999-2003)");
    std::string title;
    svc.onShow = [&](vb::Form* w, const std::string& name) {
        if (name == "Form7") title = static_cast<Form7*>(w)->Label5.Caption();
    };
    f.Grid1.setRow(3);
    f.Grid1_DblClick();
    EXPECT_EQ(svc.shown.back(), "Form7");
    EXPECT_EQ(core::Form7Code, "0004");
    EXPECT_EQ(core::Form7Mode, 0);
    EXPECT_EQ(title, core::Des[60] + " - Spia avaria motore accesa a freddo");
    f.Grid1.setRow(1);
    f.Command7.click();
    EXPECT_EQ(core::Form7Code, "0002");
    // The wheel never moves the list above its first row.
    f.WheelCatcher1_WheelRotation(1, 0, 0, f.Grid1.hWnd());
    EXPECT_EQ(f.Grid1.TopRow(), 0);
    core::Form11Mode = 0;
}

TEST_F(TextWindows, InfoListOutsideTheMenuAndWithoutItsTable) {
    core::Form11Mode = 0;
    Form11& f = Form11::get();
    EXPECT_EQ(f.Grid1.Rows(), 0);
    EXPECT_EQ(f.Grid1.Width(), 7000);
    f.Command7_Click();
    EXPECT_TRUE(svc.shown.empty() || svc.shown.back() != "Form7");
    f.Unload();
    vb::FormRegistry::unloadAll();
    vb::Kill(appPath() + "/Ark/inf_ita.cpt");
    core::Form11Mode = 1;
    Form11& g = Form11::get();
    ASSERT_EQ(svc.boxes.size(), 1u);
    EXPECT_EQ(svc.boxes[0].prompt, "Error: file " + core::AppPath + "\\ark\\inf_ita.cpt not available");
    EXPECT_EQ(g.Grid1.Rows(), 0);
    core::Form11Mode = 0;
}

// Short of descriptors or memory as they read their text, the info list and
// the text window say so of the file; so does a path whose folder the
// letter-case lookup cannot list (the data names "ark" for "Ark"), since the
// file may well be there.
TEST_F(TextWindows, ShortageOnATextIsToldAsItself) {
    const QString self = "TextWindows.ShortageOnATextIsToldAsItself";
    if (!shortageChild()) {
        expectShortagesTold(self, {"inf_ita.cpt", "0004.cpt@1"});
        expectShortagesTold(self, {"*"});
        return;
    }
    ASSERT_TRUE(injectToldShortage(appPath()));
    core::Form11Mode = 1;
    Form11::get();
    core::Form11Mode = 0;
    core::Form7Code = "0004";
    open(2);
    reportBoxesToParent(svc);
}

TEST_F(TextWindows, ResizedWindowKeepsTextAtTheRightAndPictureBeside) {
    core::Form7Code = "001";
    Form7& f = open(1);
    f.Show();
    f.resize(700, 500); // as the window manager would
    QApplication::processEvents();
    EXPECT_EQ(f.Width(), (700 + 2 * vb::kFrameSidePx) * vb::kTwipsPerPixel);
    EXPECT_EQ(f.page.TextLeft, f.Width() - f.page.TextBlockWidth);
    EXPECT_EQ(f.PictureAreaWidth, f.Width() - f.page.TextBlockWidth - (core::TextNeedsScroll ? 40 : 50));
    EXPECT_LE(f.Picture2.Width(), std::max(0, f.PictureAreaWidth));
    // The picture is cut where the text begins: the two never overlap.
    const QRect picture = f.Picture2.widget()->geometry();
    EXPECT_LT(picture.right(), f.page.TextLeft / vb::kTwipsPerPixel);
    EXPECT_FALSE(f.page.drawn().empty());
    if (core::TextNeedsScroll == 1) {
        EXPECT_EQ(f.VScroll1.Left(), f.Width() - 250 - 90);
    }
    core::Form11Mode = 1;
    Form11& g = Form11::get();
    g.Show();
    g.resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(g.Grid1.Left(), (g.Width() - g.Grid1.Width()) / 2);
    core::Form11Mode = 0;
}

// A damaged document shows what could be read, and one message names it:
// the OBD information (from the trouble-code browser), the timing-belt text
// with its legend and the timing-belt information (from the belt viewer).
TEST_F(TextWindows, DamagedDocumentsAreShownAsFarAsTheyReadAndReportedOnce) {
    const std::string belts = core::AppPath + "\\cng\\dis\\tx" + core::Lang;
    const std::string legendBytes = readBytes(file("cng/dis/tx_ita/xlegenda.rtf"));
    auto report = [](const std::string& path, const DamagedDocument& d) {
        return "Error: file " + vb::LCase(path) + " is damaged\r\n" + vb::rtfDamageText(d.damage);
    };
    std::string viewerText;
    svc.onShow = [&](vb::Form* form, const std::string& name) {
        if (name == "Form13") viewerText = rtb(static_cast<Form13*>(form)->RTB1);
    };
    auto clickViewport = [](vb::RichTextBox& box) {
        QTest::mouseClick(static_cast<QAbstractScrollArea*>(box.widget())->viewport(), Qt::LeftButton, {},
                          QPoint(20, 20));
    };
    for (const auto& d : damagedDocuments()) {
        SCOPED_TRACE(d.form);
        // The OBD information.
        writeBytes(file("obd/xinf_ita.rtf"), scrambleHeader(d.bytes));
        svc.boxes.clear();
        viewerText.clear();
        documents::Form4& codes = documents::Form4::get();
        codes.Show();
        QTest::mouseClick(codes.Command5.widget(), Qt::LeftButton);
        ASSERT_EQ(svc.shown.back(), "Form13");
        ASSERT_EQ(svc.boxes.size(), 1u);
        EXPECT_EQ(svc.boxes[0].prompt, report(core::AppPath + "\\obd\\xinf" + core::Lang + ".rtf", d));
        if (!d.shown.empty()) {
            EXPECT_TRUE(has(viewerText, d.shown)) << viewerText;
        }
        vb::FormRegistry::unloadAll();

        // The timing-belt text; its legend is sound. Clicks swap the two and
        // read them again: the damage is said once.
        writeBytes(file("cng/dis/tx_ita/x00001.rtf"), scrambleHeader(d.bytes, true));
        writeBytes(file("cng/dis/tx_ita/xinfo.rtf"), scrambleHeader(d.bytes, true));
        svc.boxes.clear();
        core::BeltPicture = "00001";
        core::BeltTextCode = "00001";
        Form7& f = open(5);
        f.Show();
        ASSERT_EQ(svc.boxes.size(), 1u);
        EXPECT_EQ(svc.boxes[0].prompt, report(belts + "\\x00001.rtf", d));
        if (!d.shown.empty()) {
            EXPECT_TRUE(has(rtb(f.RTB1), d.shown));
        }
        clickViewport(f.RTB1);
        EXPECT_TRUE(has(rtb(f.RTB1), "Legenda"));
        clickViewport(f.RTB1);
        EXPECT_EQ(svc.boxes.size(), 1u);
        // The timing-belt information, from the belt viewer's button.
        viewerText.clear();
        QTest::mouseClick(f.Command9.widget(), Qt::LeftButton);
        ASSERT_EQ(svc.boxes.size(), 2u);
        EXPECT_EQ(svc.boxes[1].prompt, report(belts + "\\xinfo.rtf", d));
        if (!d.shown.empty()) {
            EXPECT_TRUE(has(viewerText, d.shown)) << viewerText;
        }
        vb::FormRegistry::unloadAll();

        // The legend alone, as the auxiliary belt shows it: read twice, said
        // once.
        writeBytes(file("cng/dis/tx_ita/xlegenda.rtf"), scrambleHeader(d.bytes, true));
        svc.boxes.clear();
        core::BeltPicture = "00002";
        Form7& g = open(6);
        ASSERT_EQ(svc.boxes.size(), 1u);
        EXPECT_EQ(svc.boxes[0].prompt, report(belts + "\\xlegenda.rtf", d));
        if (!d.shown.empty()) {
            EXPECT_TRUE(has(rtb(g.RTB1), d.shown));
        }
        vb::FormRegistry::unloadAll();
        writeBytes(file("cng/dis/tx_ita/xlegenda.rtf"), legendBytes);
    }
    // Sound documents say nothing.
    svc.boxes.clear();
    core::Form13Topic = "NEWS";
    EXPECT_TRUE(has(rtb(Form13::get().RTB1), "Novit"));
    EXPECT_TRUE(svc.boxes.empty());
}
