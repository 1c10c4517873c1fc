#include "support/pdf.h"

#include "support/tools.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>

namespace testing_support {
namespace {

QString run(const QString& program, const QStringList& args) {
    return QString::fromUtf8(runTool(program, args).value_or(QByteArray()));
}

// The value of a line of pdfinfo's report; a report without it fails the
// test.
QRegularExpressionMatch infoLine(const QString& info, const QString& pattern, const std::string& pdf) {
    auto m = QRegularExpression(pattern).match(info);
    if (!m.hasMatch())
        ADD_FAILURE() << "pdfinfo " << pdf << " gives no " << pattern.toStdString() << ":\n"
                      << info.toStdString();
    return m;
}

PdfBox box(const QXmlStreamAttributes& a) {
    constexpr double kMmPerPoint = 25.4 / 72;
    PdfBox b;
    b.left = a.value("xMin").toDouble() * kMmPerPoint;
    b.top = a.value("yMin").toDouble() * kMmPerPoint;
    b.right = a.value("xMax").toDouble() * kMmPerPoint;
    b.bottom = a.value("yMax").toDouble() * kMmPerPoint;
    return b;
}

} // namespace

std::string pdfText(const std::string& pdf, int page) {
    QStringList args{"-layout"};
    if (page > 0) args << "-f" << QString::number(page) << "-l" << QString::number(page);
    args << QString::fromStdString(pdf) << "-";
    return run("pdftotext", args).toStdString();
}

int pdfPages(const std::string& pdf) {
    const auto m = infoLine(run("pdfinfo", {QString::fromStdString(pdf)}), R"(Pages:\s+(\d+))", pdf);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

bool pdfLandscape(const std::string& pdf, int page) {
    const QString info = run(
        "pdfinfo", {"-f", QString::number(page), "-l", QString::number(page), QString::fromStdString(pdf)});
    const auto m = infoLine(info, R"(size:\s+([\d.]+) x ([\d.]+))", pdf);
    return m.hasMatch() && m.captured(1).toDouble() > m.captured(2).toDouble();
}

QImage pdfPage(const std::string& pdf, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath("page");
    if (!runTool("pdftoppm", {"-png", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
                              QString::number(page), "-singlefile", QString::fromStdString(pdf), prefix}))
        return {};
    QImage image(prefix + ".png");
    if (image.isNull()) ADD_FAILURE() << "pdftoppm wrote no page " << page << " of " << pdf;
    return image;
}

std::string pdfFonts(const std::string& pdf) {
    return run("pdffonts", {QString::fromStdString(pdf)}).toStdString();
}

std::vector<PdfLine> pdfLines(const std::string& pdf, int page) {
    const QString xml = run("pdftotext", {"-bbox-layout", "-f", QString::number(page), "-l",
                                          QString::number(page), QString::fromStdString(pdf), "-"});
    std::vector<PdfLine> lines;
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement) continue;
        if (r.name() == QLatin1String("line")) {
            PdfLine l;
            static_cast<PdfBox&>(l) = box(r.attributes());
            lines.push_back(l);
        } else if (r.name() == QLatin1String("word") && !lines.empty()) {
            PdfBox w = box(r.attributes());
            w.text = r.readElementText().toStdString();
            PdfLine& l = lines.back();
            l.text += (l.words.empty() ? "" : " ") + w.text;
            l.words.push_back(w);
        }
    }
    if (r.hasError())
        ADD_FAILURE() << "pdftotext -bbox-layout " << pdf << ": " << r.errorString().toStdString();
    std::stable_sort(lines.begin(), lines.end(), [](const PdfLine& a, const PdfLine& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return lines;
}

const PdfLine* findLine(const std::vector<PdfLine>& lines, const std::string& text) {
    for (const PdfLine& l : lines)
        if (l.text.find(text) != std::string::npos) return &l;
    return nullptr;
}

} // namespace testing_support
