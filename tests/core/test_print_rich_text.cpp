#include "core/window_services.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/form.h"
#include "platform/printer.h"
#include "platform/richtext.h"
#include "support/harness.h"
#include "support/pdf.h"

#include <QPrinterInfo>
#include <regex>

using namespace testing_support;

namespace {

class PrintRichTextTest : public WindowTest {
  protected:
    std::string lines(int n) {
        std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 ";
        for (int i = 1; i <= n; ++i)
            rtf += "Riga " + std::to_string(i) + " del documento\\par ";
        return rtf + "}";
    }
    vb::Form form{"Scratch"};
    vb::RichTextBox RTB1{form, "RTB1"};
    vb::Label Label1{form, "Label1"};
};

int count(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1))
        ++n;
    return n;
}

} // namespace

TEST_F(PrintRichTextTest, OnlyARichTextBoxPrints) {
    EXPECT_FALSE(core::PrintRichText(Label1, 1, 1, 1, 1));
    EXPECT_TRUE(vb::Printer().jobs().empty());
}

TEST_F(PrintRichTextTest, EveryLineExactlyOnceOverSeveralPages) {
    RTB1.setTextRTF(lines(150));
    vb::Printer().setScaleMode(vb::vbMillimeters);
    ASSERT_TRUE(core::PrintRichText(RTB1, 1, 1, 1, 1));
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_EQ(vb::Printer().ScaleMode(), vb::vbMillimeters); // restored
    const std::string pdf = printFile(1);
    const int pages = pdfPages(pdf);
    EXPECT_GE(pages, 3);
    EXPECT_EQ(vb::Printer().jobs()[0].pages, pages);
    const std::string text = pdfText(pdf);
    for (int i = 1; i <= 150; ++i)
        EXPECT_EQ(count(text, "Riga " + std::to_string(i) + " del"), 1) << i;
    // Page by page in order: the last line of a page comes right before the
    // first of the next.
    int last = 0;
    for (int p = 1; p <= pages; ++p) {
        const std::string page = pdfText(pdf, p);
        std::smatch m;
        std::string rest = page;
        while (std::regex_search(rest, m, std::regex("Riga (\\d+) del"))) {
            EXPECT_EQ(std::stoi(m[1]), last + 1);
            last = std::stoi(m[1]);
            rest = m.suffix();
        }
    }
    EXPECT_EQ(last, 150);
}

TEST_F(PrintRichTextTest, MarginsHoldOnEveryPage) {
    RTB1.setTextRTF(lines(120));
    ASSERT_TRUE(core::PrintRichText(RTB1, 1, 2, 1, 1));
    const std::string pdf = printFile(1);
    const int dpi = 50;
    for (int p = 1; p <= pdfPages(pdf); ++p) {
        const QImage img = pdfPage(pdf, p, dpi);
        int minX = img.width(), minY = img.height(), maxY = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 128) {
                    minX = std::min(minX, x);
                    minY = std::min(minY, y);
                    maxY = std::max(maxY, y);
                }
        ASSERT_LT(minX, img.width()) << "page " << p << " is blank";
        EXPECT_GE(minX, dpi - 2) << p;     // one inch from the left edge of the paper
        EXPECT_GE(minY, 2 * dpi - 2) << p; // the same two inches at the top of every page
        EXPECT_LE(maxY, img.height() - dpi + 2) << p;
        // Every line begins at the left margin, the first below the top one.
        const auto lines = pdfLines(pdf, p);
        ASSERT_FALSE(lines.empty()) << p;
        EXPECT_NEAR(lines.front().top, 2 * 25.4, 1.5) << p;
        for (const auto& l : lines)
            EXPECT_NEAR(l.left, 25.4, 0.3) << "page " << p << ": " << l.text;
    }
}

TEST_F(PrintRichTextTest, AParagraphRunningOverAPageBreakPrintsEachLineOnce) {
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs24 ";
    for (int i = 1; i <= 40; ++i)
        rtf += "Riga " + std::to_string(i) + "\\par ";
    for (int i = 1; i <= 400; ++i)
        rtf += "parola" + std::to_string(i) + " ";
    RTB1.setTextRTF(rtf + "}");
    ASSERT_TRUE(core::PrintRichText(RTB1, 1, 1, 1, 1));
    const std::string pdf = printFile(1);
    ASSERT_GE(pdfPages(pdf), 2);
    const std::string text = pdfText(pdf);
    for (int i = 1; i <= 400; ++i) {
        const std::regex word("parola" + std::to_string(i) + "\\b");
        EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), word), std::sregex_iterator()),
                  1)
            << i;
    }
    // Nothing stands above the top margin of a page, not even hidden.
    for (int p = 1; p <= pdfPages(pdf); ++p)
        for (const auto& l : pdfLines(pdf, p))
            EXPECT_GE(l.top, 25.4 - 0.5) << "page " << p << ": " << l.text;
}

TEST_F(PrintRichTextTest, ANumberedItemKeepsItsHangingIndent) {
    // The number at a quarter inch, its text and the item's wrapped lines at
    // half an inch from the margin, an indented paragraph there as well.
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times New Roman;}}"
                      "\\pard\\fi-360\\li720\\tx720\\f0\\fs24 2.\\tab primo";
    for (int i = 1; i <= 40; ++i)
        rtf += " parola" + std::to_string(i);
    RTB1.setTextRTF(rtf + "\\par\\pard\\li720 rientro\\par}");
    ASSERT_TRUE(core::PrintRichText(RTB1, 1, 1, 1, 1));
    const auto lines = pdfLines(printFile(1), 1);
    const PdfBox *number = nullptr, *text = nullptr;
    const PdfLine* wrapped = nullptr;
    for (const auto& l : lines)
        for (const auto& w : l.words) {
            if (w.text == "2.") number = &w;
            if (w.text == "primo") text = &w;
            if (w.text == "parola40") wrapped = &l;
        }
    ASSERT_TRUE(number && text && wrapped);
    EXPECT_NEAR(number->left, 25.4 + 6.35, 0.3);
    EXPECT_NEAR(text->left, 25.4 + 12.7, 0.3);
    EXPECT_GT(wrapped->top, text->top + 1);
    EXPECT_NEAR(wrapped->left, 25.4 + 12.7, 0.3);
    const PdfLine* indented = findLine(lines, "rientro");
    ASSERT_TRUE(indented);
    EXPECT_NEAR(indented->left, 25.4 + 12.7, 0.3);
}

TEST_F(PrintRichTextTest, EmptyDocumentIsOneEmptyPage) {
    RTB1.setTextRTF("");
    ASSERT_TRUE(core::PrintRichText(RTB1, 1, 1, 1, 1));
    ASSERT_EQ(vb::Printer().jobs().size(), 1u);
    EXPECT_EQ(pdfPages(printFile(1)), 1);
}

TEST_F(PrintRichTextTest, PrinterErrorsReachTheCaller) {
    if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a system printer is set up";
    vb::Printer().setPdfOutput("");
    RTB1.setTextRTF(lines(3));
    try {
        core::PrintRichText(RTB1, 1, 1, 1, 1);
        FAIL() << "no error";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number(), 484);
    }
}
