#include "documents/text_frame.h"

#include "platform/printer.h"

#include <cmath>

namespace documents {

SavedPrinterSettings::SavedPrinterSettings() {
    vb::PrinterObject& p = vb::Printer();
    fontName_ = p.FontName();
    fontSize_ = p.FontSize();
    scaleMode_ = p.ScaleMode();
    height_ = p.Height();
    width_ = p.Width();
    orientation_ = p.Orientation();
}

void SavedPrinterSettings::restore() {
    vb::PrinterObject& p = vb::Printer();
    p.setFontName(fontName_);
    p.setFontSize(fontSize_);
    p.setScaleMode(scaleMode_);
    p.setOrientation(orientation_);
    // Paper is chosen again only when a printout really changed it.
    if (std::abs(p.Height() - height_) > 1) p.setHeight(height_);
    if (std::abs(p.Width() - width_) > 1) p.setWidth(width_);
}

} // namespace documents
