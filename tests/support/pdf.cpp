#include "support/pdf.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace testing_support {
namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
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

} // namespace testing_support
