#include "documents/document_viewer.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/printer.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QResizeEvent>

namespace documents {

using core::Des;

Form13::Form13() : vb::Form(kFormName) {
    core::placeButtonBand(Picture4, 0, 12000, 720);
    for (vb::Control* b : std::initializer_list<vb::Control*>{&Command6, &Command5, &Label5})
        b->setContainer(&Picture4);
    Command6.Move(50, 45, 630, 630);
    Command5.Move(710, 45, 630, 630);
    Label5.Move(1500, 240, 8000, 300);
    core::styleHeaderLine(Label5, core::kNavy);
    Command6.Click = {this, &Form13::Command6_Click};
    Command5.Click = {this, &Form13::Command5_Click};
    RTB1.setVisible(false);
}

void Form13::resizeEvent(QResizeEvent* e) {
    vb::Form::resizeEvent(e);
    arrange();
}

// The band along the bottom and the document above it follow the window.
void Form13::arrange() {
    const int w = vb::pixelsToTwips(width()), h = vb::pixelsToTwips(height());
    Picture4.Move(0, h - Picture4.Height(), w, Picture4.Height());
    if (RTB1.Visible()) {
        RTB1.setWidth(std::max(0, w - 75 + 2 * vb::kFrameSidePx * vb::kTwipsPerPixel));
        RTB1.setHeight(std::max(0, h - Picture4.Height() - RTB1.Top()));
    }
}

void Form13::Form_Load() {
    try {
        core::startFullScreenLoad(*this);
        Command5.setLeft(Command6.Width() + 30);
        Label5.setCaption(vb::Trim(Des[0]));
        Picture4.Move(0, ScaleHeight() - Picture4.Height(), ScaleWidth(), Picture4.Height());
        Picture4.setPicture(core::interfacePicture("spacer.jpg"));
        const auto hand = core::handCursor();
        core::dressButton(Command6, "left.gif", Des[42], hand);
        core::dressButton(Command5, "tassta.gif", Des[46], hand);
        setTabOrder(Command6.widget(), Command5.widget());
        setCancelButton(&Command6);
        RTB1.Move(0, 10, Width() - 75, Height() - Picture4.Height() - 400);
        std::int16_t selector = core::Form13Topic == "Form4" ? 1 : core::Form13Topic == "NEWS" ? 2 : 0;
        Load_Documento(selector);
        RTB1.setVisible(true);
        setMousePointer(vb::vbDefault);
    } catch (const vb::VbError& e) {
        core::ReportRuntimeError(Name(), e);
    }
}

void Form13::Load_Documento(std::int16_t& selector) {
    const std::string& A = core::AppPath;
    std::string path;
    switch (selector) {
    case 0:
        path = A + "\\cng\\dis\\tx" + core::Lang + "\\xinfo.rtf";
        core::UseSecondKey = true;
        core::LoadScrambledFile(path, 28);
        core::UseSecondKey = false;
        break;
    case 1:
        path = A + "\\obd\\xinf" + core::Lang + ".rtf";
        core::LoadScrambledFile(path, 28);
        break;
    case 2:
        path = A + "\\ark\\xNew" + core::Lang + ".rtf";
        core::LoadScrambledFile(path, 28);
        break;
    default:
        return;
    }
    RTB1.reportDamage(path);
}

void Form13::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 121) {
        Command5_Click();
        KeyCode = 0;
    }
}

void Form13::Command5_Click() {
    Set_PuntatoreAttesa();
    // A printer that is missing or fails leaves the document shown.
    core::RunPrintout([this] { Print_Documento(); }, vb::PrinterRestore::Everything,
                      [](const vb::VbError& e) { return e.description(); });
    Reset_PuntatoreAttesa();
}

void Form13::Print_Documento() {
    vb::PrinterObject& p = vb::Printer();
    core::StartPortraitPrintout(p);
    core::PrintRichText(RTB1, 1, 1, 1, 1);
    p.EndDoc();
}

void Form13::Command6_Click() {
    Unload();
}

std::vector<vb::Control*> Form13::workingControls() {
    return {&Command6, &Command5};
}

} // namespace documents
