#pragma once
// Looks into printed PDF files with poppler's command-line tools
// (pdftotext, pdfinfo, pdftoppm, pdffonts). A tool that fails, or a file it
// cannot read, fails the test.
#include <QImage>
#include <string>
#include <vector>

namespace testing_support {

// The text of the whole file, or of one page (1-based), in layout order.
std::string pdfText(const std::string& pdf, int page = 0);
int pdfPages(const std::string& pdf);
// Page size in points and whether it is wider than high.
bool pdfLandscape(const std::string& pdf, int page = 1);
// One page rendered at dpi.
QImage pdfPage(const std::string& pdf, int page = 1, int dpi = 50);
// The table of the fonts the file uses, as pdffonts prints it.
std::string pdfFonts(const std::string& pdf);

// Where text stands on a page: millimetres from the paper's top left corner.
// left is where the first glyph starts (its origin, not its ink), top and
// bottom the extent of the line's font.
struct PdfBox {
    std::string text;
    double left = 0, top = 0, right = 0, bottom = 0;
};
struct PdfLine : PdfBox {
    std::vector<PdfBox> words; // text is these words joined by one blank
};
// The lines of one page (1-based) from top to bottom, as pdftotext groups
// them; words far apart on one baseline may form separate lines.
std::vector<PdfLine> pdfLines(const std::string& pdf, int page);
// The first line of the page that contains text, or nullptr.
const PdfLine* findLine(const std::vector<PdfLine>& lines, const std::string& text);

} // namespace testing_support
