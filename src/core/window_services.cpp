#include "core/window_services.h"

#include "core/module1.h"
#include "core/texts.h"
#include "db/query.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/file_open.h"
#include "platform/form.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/printer.h"
#include "platform/richtext.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QPrinter>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <optional>

namespace core {

void useTableFolder(db::DataControl& data, const std::string& folder) {
    data.fileOpener = vb::openForReading;
    try {
        data.DatabaseName = vb::resolvePath(AppPath + folder);
    } catch (const vb::VbError& e) {
        // A lack of descriptors or memory is no missing folder: it is
        // reported as itself (vb::describeError).
        if (vb::isShortage(e.number())) throw;
        data.DatabaseName.clear(); // its Refresh fails as for a missing table
    }
}

void SetHelpCode(const vb::Form& window) {
    const std::string& n = window.Name();
    if (n == "Form2")
        HelpCode = "001";
    else if (n == "Form16")
        HelpCode = "003";
    else if (n == "Form5")
        HelpCode = PscNewFormat ? "008" : "004";
    else if (n == "Form6")
        HelpCode = "006";
    else if (n == "Form7") {
        switch (Form7Mode) {
        case 0:
            HelpCode = "005";
            break;
        case 1:
            HelpCode = "007";
            break;
        case 2:
            if (Form11Mode == 1) HelpCode = "011";
            break;
        case 3:
            HelpCode = "006";
            break;
        case 5:
            HelpCode = "013";
            break;
        case 6:
            HelpCode = "014";
            break;
        default:
            break;
        }
    } else if (n == "Form9")
        HelpCode = "009";
    else if (n == "Form11") {
        if (Form11Mode == 1) HelpCode = "011";
    } else if (n == "Form12")
        HelpCode = "012";
    else if (n == "Form14")
        HelpCode = "015";
    else if (n == "Form15")
        HelpCode = "002";
}

namespace {
bool hasNoPointer(const vb::Control& c) {
    switch (c.kind()) {
    case vb::ControlKind::Shape:
    case vb::ControlKind::CommonDialog:
    case vb::ControlKind::Timer:
    case vb::ControlKind::Line:
    case vb::ControlKind::ImageList:
    case vb::ControlKind::WheelCatcher:
        return true;
    default:
        return false;
    }
}
void setPointers(vb::Form& window, const std::vector<vb::Control*>& controls, int formPointer,
                 int controlPointer) {
    window.setMousePointer(formPointer);
    for (vb::Control* c : controls)
        if (!hasNoPointer(*c)) c->setMousePointer(controlPointer);
}
} // namespace

void SetBusyPointer(vb::Form& window) {
    SetBusyPointer(window, window.Controls());
}
void SetHandPointer(vb::Form& window) {
    SetHandPointer(window, window.Controls());
}
void SetBusyPointer(vb::Form& window, const std::vector<vb::Control*>& controls) {
    setPointers(window, controls, vb::vbHourglass, vb::vbHourglass);
}
void SetHandPointer(vb::Form& window, const std::vector<vb::Control*>& controls) {
    setPointers(window, controls, vb::vbDefault, vb::vbCustom);
}

std::int32_t HexToLong(const std::string& text) {
    static const std::string digits = "123456789ABCDEF";
    double result = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char c = vb::UCase(std::string(1, text[i]))[0];
        size_t p = digits.find(c);
        int value = p == std::string::npos ? 0 : int(p) + 1;
        result += value * std::pow(16.0, double(n - 1 - i));
        if (result >= 2147483648.0) throw vb::VbError(vb::errOverflow);
    }
    return std::int32_t(std::llround(result));
}

float InchesToTwips(float inches) {
    return inches * 1440.0f;
}

bool reportedAsShortage(int number) {
    if (!vb::isShortage(number)) return false;
    vb::reportError(vb::describeError(std::current_exception()));
    return true;
}

void ReportRuntimeError(const std::string& windowName, const vb::VbError& error) {
    if (error.number() == vb::errPrinter || error.number() == vb::errPrinterDriver) {
        MsgBoxStd("PRINTER NOT FOUND!! Check your printer.", vb::vbCritical);
        return;
    }
    std::string number = (error.number() >= 0 ? " " : "") + std::to_string(error.number());
    MsgBoxStd(windowName + ": ERROR #" + number + "\r" + error.description() + "\r" + "Program stopped.",
              vb::vbCritical);
    vb::EndFatal();
}

void StartPortraitPrintout(vb::PrinterObject& p) {
    if (p.Orientation() == vb::vbPRORLandscape) p.setOrientation(vb::vbPRORPortrait);
    p.setCurrentY(0);
    p.setCurrentX(0);
    p.setFontName("Arial");
    p.setFontSize(12);
    p.setScaleMode(vb::vbMillimeters);
}

bool ChoosePrinter(vb::CommonDialog& dialog) {
    dialog.CancelError = true;
    try {
        dialog.ShowPrinter();
    } catch (const vb::VbError& e) {
        if (e.number() == vb::errCancel) return false;
        qCWarning(vb::lcFiles).noquote() << "printer dialog failed:" << vb::toQt(e.description());
    }
    return true;
}

bool RunPrintout(const std::function<void()>& printout, vb::PrinterRestore restore,
                 const std::function<std::string(const vb::VbError&)>& otherError,
                 const std::function<void()>& cleanUp) {
    std::optional<vb::VbError> failure;
    {
        vb::PrinterSettingsGuard guard(vb::Printer(), restore);
        try {
            printout();
            guard.commit();
        } catch (const vb::VbError& e) {
            failure = e;
        }
    }
    if (!failure) return true;
    if (cleanUp) cleanUp();
    if (failure->number() == vb::errPrinter || failure->number() == vb::errPrinterDriver)
        MsgBoxStd("PRINTER NOT FOUND!! Check your printer.", vb::vbCritical);
    else if (otherError)
        MsgBoxStd(otherError(*failure), vb::vbCritical);
    return false;
}

bool PrintRichText(vb::Control& control, float left, float top, float right, float bottom) {
    if (control.kind() != vb::ControlKind::RichText) return false;
    auto& box = static_cast<vb::RichTextBox&>(control);
    vb::PrinterObject& printer = vb::Printer();
    const int scaleMode = printer.ScaleMode();
    printer.Print("");
    printer.setScaleMode(vb::vbTwips);
    const long offsetX = std::lround(printer.ScaleX(printer.PhysicalOffsetX(), vb::vbPixels, vb::vbTwips));
    const long offsetY = std::lround(printer.ScaleY(printer.PhysicalOffsetY(), vb::vbPixels, vb::vbTwips));
    const long l = std::lround(InchesToTwips(left)) - offsetX;
    const long t = std::lround(InchesToTwips(top)) - offsetY;
    const long r = std::lround(printer.Width() - InchesToTwips(right) - offsetX);
    const long b = std::lround(printer.Height() - InchesToTwips(bottom) - offsetY);
    // Twips of the printable area to the printer's device pixels.
    const double dx = printer.LogPixelsX() / 1440.0, dy = printer.LogPixelsY() / 1440.0;
    const QRectF rect(l * dx, t * dy, std::max(1.0, (r - l) * dx), std::max(1.0, (b - t) * dy));
    vb::RichTextPages pages(box.document(), &printer.qprinter(), rect.width());
    const int length = pages.length();
    int start = 0;
    for (;;) {
        const int next = pages.formatRange(&printer.painter(), rect, start);
        // A page that formats nothing would never end the loop.
        if (next >= length || next <= start) break;
        start = next;
        printer.NewPage();
        printer.Print("");
    }
    printer.EndDoc();
    printer.setScaleMode(scaleMode);
    return true;
}

} // namespace core
