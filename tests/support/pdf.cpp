#include "support/pdf.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>

namespace testing_support {
namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
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
    const QString info = run("pdfinfo", {QString::fromStdString(pdf)});
    auto m = QRegularExpression(R"(Pages:\s+(\d+))").match(info);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

bool pdfLandscape(const std::string& pdf, int page) {
    const QString info = run(
        "pdfinfo", {"-f", QString::number(page), "-l", QString::number(page), QString::fromStdString(pdf)});
    auto m = QRegularExpression(R"(size:\s+([\d.]+) x ([\d.]+))").match(info);
    return m.hasMatch() && m.captured(1).toDouble() > m.captured(2).toDouble();
}

QImage pdfPage(const std::string& pdf, int page, int dpi) {
    QTemporaryDir dir;
    const QString prefix = dir.filePath("page");
    QProcess p;
    p.start("pdftoppm", {"-png", "-r", QString::number(dpi), "-f", QString::number(page), "-l",
                         QString::number(page), "-singlefile", QString::fromStdString(pdf), prefix});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QImage(prefix + ".png");
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
