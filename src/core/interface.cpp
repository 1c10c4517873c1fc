#include "core/interface.h"

#include "core/module1.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/picture.h"
#include "platform/services.h"

#include <algorithm>

namespace core {

namespace {
std::string interfacePath(const std::string& name) {
    return AppPath + "\\mas\\" + name;
}
} // namespace

void keepOnOneLine(vb::Label& label, int right) {
    label.setAutoSize(true); // one line, as wide as its text
    if (label.Left() + label.Width() > right) label.setWidth(std::max(0, right - label.Left()));
}

std::string windowCaption() {
    return Des[0] + " " + Des[1] + " - " + Des[3] + " - Tel: " + Des[4];
}

void fillScreen(vb::Form& window) {
    window.setWidth(vb::services().screenWidth());
    window.setHeight(vb::services().screenHeight());
}

void startFullScreenLoad(vb::Form& window) {
    window.setMousePointer(vb::vbHourglass);
    window.setCaption(windowCaption());
    fillScreen(window);
}

bool centreOnWideScreen(vb::Form& window, vb::Control& panel, int below) {
    if (window.Width() <= 12000) return false;
    panel.setLeft((window.Width() - panel.Width()) / 2);
    panel.setTop((window.Height() - panel.Height() - below) / 2);
    return true;
}

void placeButtonBand(vb::PictureBox& band, int top, int width, int height) {
    band.Move(0, top, width, height);
    band.setBackColor(kBandBlue);
}

void styleHeaderLine(vb::Label& label, std::int32_t colour, bool bold) {
    label.setFont("Tahoma", 9.75);
    label.setFontBold(bold);
    label.setForeColor(colour);
}

void styleClearHeaderLine(vb::Label& label, std::int32_t colour, bool bold) {
    styleHeaderLine(label, colour, bold);
    label.setTransparent(true);
}

QPixmap interfacePicture(const std::string& name) {
    return vb::optionalPicture(interfacePath(name)).value_or(QPixmap());
}

std::shared_ptr<QCursor> interfaceCursor(const std::string& name) {
    return vb::optionalCursorFile(interfacePath(name));
}

std::shared_ptr<QCursor> handCursor() {
    return interfaceCursor("indice.cur");
}

void pointWithHand(vb::Control& control, const std::shared_ptr<QCursor>& hand) {
    control.setMouseIcon(hand);
    control.setMousePointer(vb::vbCustom);
}

void dressButton(vb::CommandButton& button, const std::string& picture, const std::string& tooltip,
                 const std::shared_ptr<QCursor>& hand) {
    button.setPicture(interfacePicture(picture));
    button.setToolTipText(tooltip);
    pointWithHand(button, hand);
}

} // namespace core
