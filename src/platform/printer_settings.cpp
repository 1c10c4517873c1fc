#include "platform/printer_settings.h"

#include "platform/printer.h"

#include <cmath>

namespace vb {

PrinterSettingsGuard::PrinterSettingsGuard(PrinterObject& printer, PrinterRestore restore)
    : printer_(printer), restore_(restore), fontName_(printer.FontName()), fontSize_(printer.FontSize()),
      scaleMode_(printer.ScaleMode()), height_(printer.Height()), width_(printer.Width()),
      orientation_(printer.Orientation()) {}

PrinterSettingsGuard::~PrinterSettingsGuard() {
    if (!committed_) printer_.KillDoc();
    if (restore_ == PrinterRestore::Orientation) printer_.setOrientation(orientation_);
    if (restore_ != PrinterRestore::Everything) return;
    printer_.setFontName(fontName_);
    printer_.setFontSize(fontSize_);
    printer_.setScaleMode(scaleMode_);
    printer_.setOrientation(orientation_);
    // Paper is chosen again only when the printout really changed it.
    if (std::abs(printer_.Height() - height_) > 1) printer_.setHeight(height_);
    if (std::abs(printer_.Width() - width_) > 1) printer_.setWidth(width_);
}

} // namespace vb
