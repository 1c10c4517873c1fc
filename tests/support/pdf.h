#pragma once
// Looks into printed PDF files with poppler's command-line tools
// (pdftotext, pdfinfo, pdftoppm).
#include <QImage>
#include <string>

namespace testing_support {

// The text of the whole file, or of one page (1-based), in layout order.
std::string pdfText(const std::string& pdf, int page = 0);
int pdfPages(const std::string& pdf);
// Page size in points and whether it is wider than high.
bool pdfLandscape(const std::string& pdf, int page = 1);
// One page rendered at dpi.
QImage pdfPage(const std::string& pdf, int page = 1, int dpi = 50);

} // namespace testing_support
