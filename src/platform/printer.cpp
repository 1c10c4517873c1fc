#include "platform/printer.h"

#include "platform/errors.h"
#include "platform/fonts.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

namespace vb {
namespace {

// A workshop printer cannot print to the paper's edge; PDF output keeps the
// same quarter-inch border so that a printout looks the same either way.
constexpr double kPdfMarginMm = 6.35;

} // namespace

PrinterObject::PrinterObject() : TextStyle("Arial", 10) {
    reset();
}

PrinterObject::~PrinterObject() {
    if (painter_) painter_->end();
}

PrinterObject& Printer() {
    static PrinterObject p;
    return p;
}

void PrinterObject::reset() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdfPattern_.clear();
    jobFile_.clear();
    jobs_.clear();
    jobNumber_ = 0;
    page_ = 0;
    scaleMode_ = vbTwips;
    fontName_ = "Arial";
    fontSize_ = 10;
    bold_ = italic_ = underline_ = false;
    foreColor_ = 0;
    currentX_ = currentY_ = 0;
    pendingOrientation_ = 0;
    chooseDestination();
}

void PrinterObject::chooseDestination() {
    if (!pdfPattern_.empty()) {
        printer_->setOutputFormat(QPrinter::PdfFormat);
        printer_->setPageMargins(QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                                 QPageLayout::Millimeter);
        return;
    }
    printer_->setOutputFormat(QPrinter::NativeFormat);
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty()) {
        const QStringList all = QPrinterInfo::availablePrinterNames();
        if (!all.isEmpty()) name = all.first();
    }
    if (!name.isEmpty()) printer_->setPrinterName(name);
}

void PrinterObject::setPdfOutput(const std::string& path) {
    if (painter_) KillDoc();
    pdfPattern_ = path;
    chooseDestination();
}

std::string PrinterObject::DeviceName() {
    if (!pdfPattern_.empty()) return "PDF";
    // Without a system printer Qt would quietly print into a file.
    if (QPrinterInfo::availablePrinterNames().isEmpty()) throw VbError(errPrinterDriver);
    if (printer_->printerName().isEmpty()) chooseDestination();
    if (printer_->printerName().isEmpty() || !printer_->isValid()) throw VbError(errPrinterDriver);
    return fromQt(printer_->printerName());
}

int PrinterObject::ColorMode() const {
    return printer_->colorMode() == QPrinter::Color ? vbPRCMColor : vbPRCMMonochrome;
}
void PrinterObject::setColorMode(int mode) {
    if (mode != vbPRCMColor && mode != vbPRCMMonochrome) throw VbError(errInvalidCall);
    printer_->setColorMode(mode == vbPRCMColor ? QPrinter::Color : QPrinter::GrayScale);
}

int PrinterObject::Orientation() const {
    if (pendingOrientation_) return pendingOrientation_;
    return printer_->pageLayout().orientation() == QPageLayout::Landscape ? vbPRORLandscape : vbPRORPortrait;
}
void PrinterObject::setOrientation(int orientation) {
    if (orientation != vbPRORPortrait && orientation != vbPRORLandscape) throw VbError(errInvalidCall);
    auto o = orientation == vbPRORLandscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    if (painter_) {
        // Takes effect at the next page.
        pendingOrientation_ = orientation;
        return;
    }
    printer_->setPageOrientation(o);
}

void PrinterObject::setScaleMode(int mode) {
    switch (mode) {
    case vbTwips:
    case vbPoints:
    case vbPixels:
    case vbInches:
    case vbMillimeters:
    case vbCentimeters:
        scaleMode_ = mode;
        return;
    default:
        throw VbError(errInvalidCall);
    }
}

double PrinterObject::unitTwips(int mode, bool horizontal) const {
    switch (mode) {
    case vbTwips:
        return 1;
    case vbPoints:
        return 20;
    case vbPixels:
        return 1440.0 / (horizontal ? LogPixelsX() : LogPixelsY());
    case vbInches:
        return 1440;
    case vbMillimeters:
        return 1440 / 25.4;
    case vbCentimeters:
        return 1440 / 2.54;
    default:
        throw VbError(errInvalidCall);
    }
}

double PrinterObject::ScaleX(double value, int from, int to) const {
    return value * unitTwips(from, true) / unitTwips(to, true);
}
double PrinterObject::ScaleY(double value, int from, int to) const {
    return value * unitTwips(from, false) / unitTwips(to, false);
}

double PrinterObject::toDevice(double v, bool horizontal) const {
    return v * unitTwips(scaleMode_, horizontal) * (horizontal ? LogPixelsX() : LogPixelsY()) / 1440.0;
}
double PrinterObject::fromDevice(double d, bool horizontal) const {
    return d * 1440.0 / (horizontal ? LogPixelsX() : LogPixelsY()) / unitTwips(scaleMode_, horizontal);
}

double PrinterObject::Width() const {
    return printer_->pageLayout().fullRectPoints().width() * 20.0;
}
double PrinterObject::Height() const {
    return printer_->pageLayout().fullRectPoints().height() * 20.0;
}

void PrinterObject::setWidth(double twips) {
    QSizeF mm(twips / 1440.0 * 25.4, Height() / 1440.0 * 25.4);
    if (Orientation() == vbPRORLandscape) mm.transpose();
    printer_->setPageSize(QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
}
void PrinterObject::setHeight(double twips) {
    QSizeF mm(Width() / 1440.0 * 25.4, twips / 1440.0 * 25.4);
    if (Orientation() == vbPRORLandscape) mm.transpose();
    printer_->setPageSize(QPageSize(mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch));
}

double PrinterObject::ScaleWidth() const {
    return fromDevice(printer_->pageLayout().paintRectPixels(LogPixelsX()).width(), true);
}
double PrinterObject::ScaleHeight() const {
    return fromDevice(printer_->pageLayout().paintRectPixels(LogPixelsY()).height(), false);
}

int PrinterObject::LogPixelsX() const {
    return printer_->resolution();
}
int PrinterObject::LogPixelsY() const {
    return printer_->resolution();
}
int PrinterObject::PhysicalOffsetX() const {
    const QPageLayout l = printer_->pageLayout();
    return l.paintRectPixels(LogPixelsX()).left() - l.fullRectPixels(LogPixelsX()).left();
}
int PrinterObject::PhysicalOffsetY() const {
    const QPageLayout l = printer_->pageLayout();
    return l.paintRectPixels(LogPixelsY()).top() - l.fullRectPixels(LogPixelsY()).top();
}

QFont PrinterObject::currentFont() const {
    return printerFont(fontName_, fontSize_, bold_, italic_, underline_);
}

void PrinterObject::beginJob() {
    if (painter_) return;
    if (pdfPattern_.empty()) {
        DeviceName(); // no destination: error 484 before anything starts
        printer_->setOutputFileName(QString());
        jobFile_.clear();
    } else {
        ++jobNumber_;
        QString file = toQt(pdfPattern_);
        if (file.contains(QStringLiteral("%1"))) file = file.arg(jobNumber_);
        jobFile_ = fromQt(file);
        printer_->setOutputFileName(file);
    }
    printer_->setDocName(QStringLiteral("Catalogue"));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        throw VbError(errPrinter);
    }
    page_ = 1;
}

QPainter& PrinterObject::painter() {
    beginJob();
    return *painter_;
}

void PrinterObject::Print(const std::string& text, bool newline) {
    QPainter& p = painter();
    const QFont font = currentFont();
    p.setFont(font);
    p.setPen(vbColor(foreColor_));
    const QFontMetricsF fm(font, printer_.get());
    const double lineDev = fm.height();
    const double pageDev = printer_->pageLayout().paintRectPixels(LogPixelsY()).height();
    const std::vector<std::string> lines = splitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        double y = toDevice(currentY_, false);
        if (y + lineDev > pageDev && y > 0) {
            // The line moves to the top of the next page but keeps the left
            // position it was given: a margin set before the line holds on
            // every page.
            const double left = currentX_;
            NewPage();
            currentX_ = left;
            y = 0;
        }
        const double x = toDevice(currentX_, true);
        const QString s = toQt(lines[i]);
        painter_->drawText(QPointF(x, y + fm.ascent()), s);
        const bool last = i + 1 == lines.size();
        if (last && !newline) {
            currentX_ += fromDevice(fm.horizontalAdvance(s), true);
        } else {
            currentX_ = 0;
            currentY_ += fromDevice(lineDev, false);
        }
    }
}

double PrinterObject::TextWidth(const std::string& text) const {
    const QFontMetricsF fm(currentFont(), printer_.get());
    double w = 0;
    for (const std::string& line : splitLines(text))
        w = std::max(w, fm.horizontalAdvance(toQt(line)));
    return fromDevice(w, true);
}

double PrinterObject::TextHeight(const std::string& text) const {
    const QFontMetricsF fm(currentFont(), printer_.get());
    return fromDevice(fm.height() * double(splitLines(text).size()), false);
}

void PrinterObject::PaintPicture(const QPixmap& picture, double x, double y, double w, double h) {
    if (picture.isNull()) throw VbError(errInvalidPicture);
    QPainter& p = painter();
    // A picture's own size: its pixels at 15 twips each, as on the screen.
    const double wScale = w < 0 ? picture.width() * kTwipsPerPixel / unitTwips(scaleMode_, true) : w;
    const double ht = h < 0 ? picture.height() * kTwipsPerPixel / unitTwips(scaleMode_, false) : h;
    QRectF target(toDevice(x, true), toDevice(y, false), toDevice(wScale, true), toDevice(ht, false));
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawPixmap(target, picture, QRectF(picture.rect()));
}

void PrinterObject::NewPage() {
    if (!painter_) {
        beginJob();
    }
    if (pendingOrientation_) {
        printer_->setPageOrientation(pendingOrientation_ == vbPRORLandscape ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
        pendingOrientation_ = 0;
    }
    printer_->newPage();
    ++page_;
    currentX_ = currentY_ = 0;
}

void PrinterObject::EndDoc() {
    if (!painter_) return;
    painter_->end();
    painter_.reset();
    jobs_.push_back({pdfPattern_.empty() ? fromQt(printer_->printerName()) : "PDF", jobFile_, page_});
    if (pendingOrientation_) {
        printer_->setPageOrientation(pendingOrientation_ == vbPRORLandscape ? QPageLayout::Landscape
                                                                            : QPageLayout::Portrait);
        pendingOrientation_ = 0;
    }
    page_ = 0;
    currentX_ = currentY_ = 0;
}

void PrinterObject::KillDoc() {
    if (!painter_) return;
    printer_->abort();
    painter_->end();
    painter_.reset();
    page_ = 0;
    currentX_ = currentY_ = 0;
}

CommonDialog::CommonDialog(Form& form, std::string name, int index)
    : Control(form, ControlKind::CommonDialog, std::move(name), index) {}

void CommonDialog::ShowPrinter() {
    const bool accepted = services().showPrinterDialog(Printer());
    if (!accepted && CancelError) throw VbError(errCancel);
}

} // namespace vb
