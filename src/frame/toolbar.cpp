#include "frame/toolbar.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/window_services.h"
#include "platform/form.h"
#include "platform/geometry.h"

#include <algorithm>

namespace frame {

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
    Command1.Click = {this, &Toolbar::Command1_Click};
    Command2.Click = {this, &Toolbar::Command2_Click};
    Command3.Click = {this, &Toolbar::Command3_Click};
    Command4.Click = {this, &Toolbar::Command4_Click};
    Command5.Click = {this, &Toolbar::Command5_Click};
    Command20.Click = {this, &Toolbar::Command20_Click};
    Command30.Click = {this, &Toolbar::Command30_Click};
    Command6.Click = {this, &Toolbar::Command6_Click};
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
    for (vb::CommandButton* b :
         {&Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20, &Command30})
        if (b->widget()) b->widget()->raise();
    for (const RowButton& b : after_)
        if (b.button->widget()) b.button->widget()->raise();
    arrange(window_.Width());
}

void Toolbar::setUp() {
    struct Item {
        vb::CommandButton* button;
        const char* picture;
        int label;
    };
    const Item items[] = {{&Command6, "left.gif", 42},    {&Command1, "tasglo.gif", 35},
                          {&Command2, "tasosc.gif", 36},  {&Command3, "tasdia.gif", 38},
                          {&Command4, "tasgas.gif", 39},  {&Command5, "tashlp.gif", 41},
                          {&Command20, "tasobd.gif", 86}, {&Command30, "tasric.gif", 90}};
    const auto hand = core::handCursor();
    for (const Item& it : items)
        core::dressButton(*it.button, it.picture, core::Des[size_t(it.label)], hand);
}

bool Toolbar::handleKey(int keyCode) {
    switch (keyCode) {
    case 112:
        Command5_Click();
        return true;
    case 113:
        Command1_Click();
        return true;
    case 114:
        Command2_Click();
        return true;
    case 115:
        Command3_Click();
        return true;
    case 116:
        Command4_Click();
        return true;
    case 123:
        Command20_Click();
        return true;
    case 124:
        if (!style_.mapsF13) return false;
        Command30_Click();
        return true;
    case 27:
        if (!style_.escCloses) return false;
        Command6_Click();
        return true;
    default:
        return false;
    }
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
