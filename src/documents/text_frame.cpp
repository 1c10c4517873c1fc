#include "documents/text_frame.h"

#include "core/module1.h"
#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/picture.h"
#include "platform/printer.h"

#include <cmath>

namespace documents {

QPixmap masPicture(const std::string& name) {
    try {
        return vb::LoadPicture(core::AppPath + "\\mas\\" + name);
    } catch (const vb::VbError&) {
        return {};
    }
}

std::shared_ptr<QCursor> handCursor() {
    try {
        return vb::loadCursorFile(core::AppPath + "\\mas\\indice.cur");
    } catch (const vb::VbError&) {
        return nullptr;
    }
}

void dressButton(vb::CommandButton& b, const std::string& picture, const std::string& tooltip,
                 const std::shared_ptr<QCursor>& hand) {
    b.setPicture(masPicture(picture));
    b.setToolTipText(tooltip);
    b.setMouseIcon(hand);
    b.setMousePointer(vb::vbCustom);
}

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
