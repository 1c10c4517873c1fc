#include "frame/toolbar.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/window_services.h"
#include "platform/form.h"
#include "platform/geometry.h"

#include <algorithm>

namespace frame {

namespace {
// Each button of the toolbar: what a click does, the key that does the same,
// its picture and the label of its tooltip.
struct Item {
    vb::CommandButton Toolbar::*button;
    void (Toolbar::*click)();
    int key;
    const char* picture;
    int label;
};
constexpr Item kItems[] = {
    {&Toolbar::Command6, &Toolbar::Command6_Click, 27, "left.gif", 42},
    {&Toolbar::Command1, &Toolbar::Command1_Click, 113, "tasglo.gif", 35},
    {&Toolbar::Command2, &Toolbar::Command2_Click, 114, "tasosc.gif", 36},
    {&Toolbar::Command3, &Toolbar::Command3_Click, 115, "tasdia.gif", 38},
    {&Toolbar::Command4, &Toolbar::Command4_Click, 116, "tasgas.gif", 39},
    {&Toolbar::Command5, &Toolbar::Command5_Click, 112, "tashlp.gif", 41},
    {&Toolbar::Command20, &Toolbar::Command20_Click, 123, "tasobd.gif", 86},
    {&Toolbar::Command30, &Toolbar::Command30_Click, 124, "tasric.gif", 90},
};
} // namespace

Toolbar::Toolbar(vb::Form& window, ToolbarStyle style)
    : Command6(window, "Command6"), Command1(window, "Command1"), Command2(window, "Command2"),
      Command3(window, "Command3"), Command4(window, "Command4"), Command5(window, "Command5"),
      Command20(window, "Command20"), Command30(window, "Command30"), window_(window),
      style_(std::move(style)) {
    Command5.Move(0, 50, 630, 305);
    Command1.Move(0, 360, 630, 315);
    for (vb::CommandButton* b : {&Command2, &Command3, &Command4, &Command20, &Command30})
        b->Move(0, 50, 630, 630);
    Command6.Move(50, 50, 630, 630);
    for (const Item& it : kItems)
        (this->*it.button).Click = {this, it.click};
    if (!style_.hasBrandDocuments) Command30.setVisible(false);
    after_ = {{&Command30}};
    resized_ = QObject::connect(&window_, &vb::Form::resized, &window_, [this] { place(); });
}

Toolbar::~Toolbar() {
    QObject::disconnect(resized_);
}

void Toolbar::setRow(std::vector<RowButton> after, int rightMargin) {
    after_ = std::move(after);
    rightMargin_ = rightMargin;
}

void Toolbar::setBand(vb::PictureBox& band, bool bottom) {
    band_ = &band;
    bandAtBottom_ = bottom;
}

void Toolbar::arrange(int W) {
    Command5.setLeft(W - Command5.Width() - rightMargin_);
    Command1.setLeft(Command5.Left());
    const int width = Command5.Width();
    const int step = width + 15;
    Command2.setLeft(Command1.Left() - step);
    Command3.setLeft(Command2.Left() - step);
    Command4.setLeft(Command3.Left() - step);
    Command20.setLeft(Command4.Left() - step);
    int left = Command20.Left();
    for (const RowButton& b : after_) {
        left -= width + b.gap;
        b.button->setLeft(left);
    }
}

// A window resized from outside (the window manager, the user) keeps its
// row at the right edge and its band along the edge, the same as at load.
void Toolbar::place() {
    if (band_) {
        const int top = bandAtBottom_ ? std::max(0, window_.ScaleHeight() - band_->Height()) : band_->Top();
        band_->Move(band_->Left(), top, window_.Width(), band_->Height());
        // In a window made smaller than its content, the band stays on top
        // so that its buttons still take their clicks.
        if (bandAtBottom_ && band_->widget()) band_->widget()->raise();
    }
    // Buttons are drawn over the pictures and labels they overlap (a logo
    // in the header reaches under the close button).
    for (const Item& it : kItems)
        if (QWidget* w = (this->*it.button).widget()) w->raise();
    for (const RowButton& b : after_)
        if (b.button->widget()) b.button->widget()->raise();
    arrange(window_.Width());
}

void Toolbar::setUp() {
    const auto hand = core::handCursor();
    for (const Item& it : kItems)
        core::dressButton(this->*it.button, it.picture, core::Des[size_t(it.label)], hand);
}

bool Toolbar::handleKey(int keyCode) {
    // F13 and Esc belong to the toolbar only in the windows that say so.
    if ((keyCode == 124 && !style_.mapsF13) || (keyCode == 27 && !style_.escCloses)) return false;
    for (const Item& it : kItems)
        if (it.key == keyCode) {
            (this->*it.click)();
            return true;
        }
    return false;
}

void Toolbar::busyFor(vb::CommandButton& b, bool manual) {
    if (manual && style_.busy) {
        style_.busy();
        return;
    }
    if (manual && style_.gasKeepsPointer && &b == &Command4) return;
    core::SetBusyPointer(window_);
}

void Toolbar::readyFor(vb::CommandButton& b, bool manual) {
    if (style_.focusBeforeReady) style_.focusBeforeReady(b);
    if (manual && style_.ready)
        style_.ready();
    else if (!(manual && style_.gasKeepsPointer && &b == &Command4))
        core::SetHandPointer(window_);
    if (style_.focusAfterReady) style_.focusAfterReady(b);
}

void Toolbar::openManual(vb::CommandButton& button, int section) {
    busyFor(button, true);
    core::ManualSection = std::int16_t(section);
    if (&button == &Command5) core::SetHelpCode(window_);
    vb::showModalByName("Form8", &window_);
    readyFor(button, true);
}

void Toolbar::Command5_Click() {
    openManual(Command5, 11);
}

void Toolbar::openOther(vb::CommandButton& button, const char* window) {
    busyFor(button, false);
    core::ManualSection = 20;
    vb::showModalByName(window, &window_);
    readyFor(button, false);
}

void Toolbar::Command6_Click() {
    if (style_.close)
        style_.close();
    else
        window_.Unload();
}

} // namespace frame
