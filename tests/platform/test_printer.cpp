#include "platform/errors.h"
#include "platform/form.h"
#include "platform/printer.h"
#include "support/harness.h"
#include "support/pdf.h"

#include <QPainter>
#include <QPrinterInfo>

using namespace testing_support;

namespace {

class PrinterTest : public WindowTest {
  protected:
    vb::PrinterObject& p = vb::Printer();
};

class DialogHost : public vb::Form {
  public:
    DialogHost() : vb::Form("DialogHost") {}
    vb::CommonDialog CommonDialog1{*this, "CommonDialog1"};
};

TEST_F(PrinterTest, LinesGoDownThePageAndOnToNewPages) {
    p.setFontName("Courier New");
    p.setFontSize(8);
    EXPECT_EQ(p.DeviceName(), "PDF");
    p.Print("First line");
    EXPECT_EQ(p.CurrentX(), 0);
    EXPECT_NEAR(p.CurrentY(), p.TextHeight("X"), 0.01);
    p.Print("Left ", false);
    const double afterLeft = p.CurrentX();
    EXPECT_NEAR(afterLeft, p.TextWidth("Left "), 0.01);
    p.setCurrentX(p.Width() / 2);
    p.Print("Right");
    // Enough lines for a second page; the printer breaks the page itself.
    for (int i = 0; i < 120; ++i)
        p.Print("Row " + std::to_string(i));
    p.EndDoc();
    ASSERT_EQ(p.jobs().size(), 1u);
    EXPECT_EQ(p.jobs()[0].file, printFile(1));
    EXPECT_EQ(p.jobs()[0].pages, 2);
    EXPECT_EQ(pdfPages(printFile(1)), 2);
    const std::string page1 = pdfText(printFile(1), 1);
    EXPECT_NE(page1.find("First line"), std::string::npos);
    EXPECT_NE(page1.find("Row 0"), std::string::npos);
    EXPECT_NE(pdfText(printFile(1), 2).find("Row 119"), std::string::npos);
    // Left and Right share one printed line, Right in the right half.
    const size_t at = page1.find("Left");
    const size_t eol = page1.find('\n', at);
    const size_t right = page1.find("Right", at);
    EXPECT_LT(right, eol);
    EXPECT_GT(right - at, 8u);
    // Ending again with nothing open does nothing.
    p.EndDoc();
    EXPECT_EQ(p.jobs().size(), 1u);
}

TEST_F(PrinterTest, EveryFaceOfThePrintoutsPrintsAtItsPointSize) {
    const std::vector<const char*> faces{"Courier", "Courier New", "Arial", "MS Sans Serif", "Tahoma"};
    for (const char* face : faces)
        for (double points : {9.75, 12.0}) {
            p.setFontName(face);
            p.setFontSize(points);
            p.Print("HHHHHHHHHH");
        }
    p.EndDoc();
    const auto lines = pdfLines(printFile(1), 1);
    ASSERT_EQ(lines.size(), 2 * faces.size());
    for (size_t i = 0; i < faces.size(); ++i) {
        const PdfLine& small = lines[2 * i];
        const PdfLine& large = lines[2 * i + 1];
        EXPECT_NEAR((large.right - large.left) / (small.right - small.left), 12 / 9.75, 0.02) << faces[i];
        EXPECT_NEAR((large.bottom - large.top) / (small.bottom - small.top), 12 / 9.75, 0.05) << faces[i];
    }
    // The Courier faces advance three fifths of the size a character:
    // ten characters at 12 points are 72 points, one inch.
    EXPECT_NEAR(lines[1].right - lines[1].left, 25.4, 0.2);
    EXPECT_NEAR(lines[3].right - lines[3].left, 25.4, 0.2);
}

TEST_F(PrinterTest, LandscapeAndScaleUnits) {
    const double portraitWidth = p.ScaleWidth();
    p.setOrientation(vb::vbPRORLandscape);
    EXPECT_EQ(p.Orientation(), 2);
    EXPECT_GT(p.ScaleWidth(), p.ScaleHeight());
    EXPECT_GT(p.ScaleWidth(), portraitWidth);
    EXPECT_GT(p.Width(), p.ScaleWidth()); // paper larger than the printable area
    p.Print("Landscape page");
    p.EndDoc();
    EXPECT_TRUE(pdfLandscape(printFile(1)));
    EXPECT_NE(pdfText(printFile(1)).find("Landscape page"), std::string::npos);

    EXPECT_NEAR(p.ScaleX(1440, vb::vbTwips, vb::vbMillimeters), 25.4, 1e-9);
    const double twips = p.ScaleWidth();
    p.setScaleMode(vb::vbMillimeters);
    EXPECT_NEAR(p.ScaleWidth(), twips / 1440 * 25.4, 0.01);
    // The quarter-inch border as the device offset of the printable area.
    EXPECT_NEAR(p.PhysicalOffsetX(), p.LogPixelsX() / 4.0, 2);
    EXPECT_NEAR(p.PhysicalOffsetY(), p.LogPixelsY() / 4.0, 2);
    EXPECT_THROW(p.setScaleMode(4), vb::VbError);
}

TEST_F(PrinterTest, PicturesKeepTheirColoursOnlyOnAColourPrinter) {
    QPixmap red(64, 32);
    red.fill(QColor(255, 0, 0));
    for (int mode : {vb::vbPRCMColor, vb::vbPRCMMonochrome}) {
        p.setColorMode(mode);
        EXPECT_EQ(p.ColorMode(), mode);
        p.PaintPicture(red, 0, 0, p.ScaleWidth(), p.ScaleWidth() / 2);
        p.EndDoc();
    }
    const QImage colour = pdfPage(printFile(1));
    const QImage grey = pdfPage(printFile(2));
    ASSERT_FALSE(colour.isNull());
    ASSERT_FALSE(grey.isNull());
    const QColor c = colour.pixelColor(colour.width() / 2, 40);
    EXPECT_GT(c.red(), 200);
    EXPECT_LT(c.green(), 60);
    const QColor g = grey.pixelColor(grey.width() / 2, 40);
    EXPECT_NEAR(g.red(), g.green(), 3);
    EXPECT_LT(g.red(), 200);
    // Own size: 15 twips a pixel.
    p.setColorMode(vb::vbPRCMColor);
    p.PaintPicture(red, 1440, 1440);
    p.EndDoc();
    const QImage own = pdfPage(printFile(3), 1, 96);
    // 64 pixels at 15 twips are 960 twips = 64 points at 96 dpi, from the
    // margin (24 px) plus one inch (96 px).
    EXPECT_GT(own.pixelColor(24 + 96 + 32, 24 + 96 + 16).red(), 200);
    EXPECT_LT(own.pixelColor(24 + 96 + 32, 24 + 96 + 16).green(), 60);
    EXPECT_GT(own.pixelColor(24 + 96 + 70, 24 + 96 + 16).green(), 200); // white beyond it
}

TEST_F(PrinterTest, DialogCancelIsError32755AndItsChoiceBecomesThePrinters) {
    auto* host = new DialogHost;
    host->CommonDialog1.CancelError = true;
    svc.printerAnswers.push_back({false});
    try {
        host->CommonDialog1.ShowPrinter();
        ADD_FAILURE() << "no error on cancel";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), vb::errCancel);
    }
    // Without CancelError a cancel passes silently.
    host->CommonDialog1.CancelError = false;
    svc.printerAnswers.push_back({false});
    EXPECT_NO_THROW(host->CommonDialog1.ShowPrinter());
    svc.printerAnswers.push_back({true, vb::vbPRCMMonochrome, vb::vbPRORLandscape});
    host->CommonDialog1.ShowPrinter();
    EXPECT_EQ(svc.printerDialogs, 3);
    EXPECT_EQ(p.ColorMode(), 1);
    EXPECT_EQ(p.Orientation(), 2);
    delete host;
}

TEST_F(PrinterTest, OrientationChangedInAJobAppliesFromTheNextPage) {
    p.Print("portrait");
    p.setOrientation(vb::vbPRORLandscape);
    p.NewPage();
    p.Print("landscape");
    p.EndDoc();
    EXPECT_FALSE(pdfLandscape(printFile(1), 1));
    EXPECT_TRUE(pdfLandscape(printFile(1), 2));
}

TEST_F(PrinterTest, NoPrinterSetUpIsError484) {
    p.setPdfOutput("");
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "this machine has a printer";
    try {
        p.DeviceName();
        ADD_FAILURE() << "no error without a printer";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), vb::errPrinterDriver);
    }
    EXPECT_THROW(p.Print("nothing"), vb::VbError);
    EXPECT_FALSE(p.jobOpen());
}

} // namespace
