#include "documents/info_list.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

#include <QResizeEvent>
#include <QScopedValueRollback>

namespace documents {
namespace {

using core::Des;

frame::ToolbarStyle toolbarStyle(Form11& w) {
    frame::ToolbarStyle s = frame::ownPointerPair(w);
    s.focusAfterReady = [&w](vb::CommandButton&) { w.Grid1.SetFocus(); };
    return s;
}

} // namespace

std::vector<std::string> infoRows(const std::array<std::string, 5>& codes, const std::string& joined) {
    std::vector<std::string> rows;
    for (const std::string& code : codes) {
        if (!(vb::Val(code) > 0)) break;
        const int p = vb::InStr(1, joined, "0" + code, true);
        if (p == 0) {
            rows.emplace_back();
            continue;
        }
        const int q = vb::InStr(p, joined, ":");
        rows.push_back(q == 0 ? vb::Mid(joined, p + 4) : vb::Mid(joined, p + 4, std::max(0, q - p - 4)));
    }
    return rows;
}

Form11::Form11()
    : frame::DataWindow(kFormName, toolbarStyle(*this)), frame::VehicleHeader(this), frame::GridWheel(
                                                                                         this, &Grid1) {
    LabelModello.add(*this, "LabelModello", 0);
    LabelModello.add(*this, "LabelModello", 1);
    Shape2.setBorderColor(0x808080);
    for (int i = 0; i < 2; ++i) {
        LabelModello(i).Move(960, i == 0 ? 120 : 420, 12000, 255);
        core::styleHeaderLine(LabelModello(i), i == 0 ? core::kNavy : 0x404040);
    }
    Label1.Move(0, 0, 5000, 300);
    core::styleHeaderLine(Label1, core::kTitleBlue);
    Label1.setCaption("Info");
    Grid1.setShape(0, 1);
    Grid1.Move(0, 0, 5000, 3000);
    Grid1.setBackColorBkg(0xFFFFFF);
    core::placeButtonBand(Picture2, 0, 12000, 720);
    toolbar.setBand(Picture2);
    for (vb::CommandButton* b : {&Command6, &Command7, &Command1, &Command2, &Command3, &Command4, &Command5,
                                 &Command20, &Command30})
        b->setContainer(&Picture2);
    Command6.Move(50, 45, 630, 630);
    Command7.Move(710, 45, 630, 630);
    Command5.setTop(45);
    Command1.setTop(360);
    for (vb::CommandButton* b : {&Command2, &Command3, &Command4, &Command20, &Command30})
        b->setTop(45);

    Command7.Click = {this, &Form11::Command7_Click};
    Grid1.DblClick = {this, &Form11::Grid1_DblClick};
}

void Form11::Form_Load() {
    core::startFullScreenLoad(*this);
    const int W = Width(), H = Height();
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    toolbar.place();
    core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xsymb_" + core::BrandId + ".gif", 5);
    placeHeaderAndLines(W, 60);

    if (auto* main = dynamic_cast<selection::Form2*>(vb::FormRegistry::existing("Form2")))
        showVehicleLines(main->vehicleLines());

    const bool menu = core::Form11Mode == 1;
    Grid1.setWidth(menu ? 5000 : 7000);
    Grid1.setFontSize(menu ? 12 : 10);
    Label1.setWidth(Grid1.Width());
    Grid1.setTop((H - Grid1.Height()) / 2);
    Grid1.setLeft((W - Grid1.Width()) / 2);
    Label1.setTop(Grid1.Top() - Label1.Height() - 50);
    Label1.setLeft(Grid1.Left());

    toolbar.setUp();
    const auto hand = core::handCursor();
    core::dressButton(Command7, "right.gif", Des[45], hand);
    setTabOrder(Command7.widget(), Grid1.widget());
    setTabOrder(Grid1.widget(), Command4.widget());
    setTabOrder(Command4.widget(), Command3.widget());
    setTabOrder(Command3.widget(), Command2.widget());
    setTabOrder(Command2.widget(), Command1.widget());
    setTabOrder(Command1.widget(), Command5.widget());
    setTabOrder(Command5.widget(), Command6.widget());
    setCancelButton(&Command6);
    Grid1.setMouseIcon(hand);
    Grid1.setMousePointer(vb::vbCustom);

    if (menu) {
        Label1.setCaption(Des[60]);
        Load_ListaInfo();
    }
    setMousePointer(vb::vbDefault);
}

void Form11::Load_ListaInfo() {
    CodiciInfo = {};
    if (auto* main = dynamic_cast<selection::Form2*>(vb::FormRegistry::existing("Form2")))
        for (int i = 0; i < 5; ++i)
            CodiciInfo[size_t(i)] = main->modelField(("INFO" + std::to_string(i + 1) + "__COD").c_str());
    Text1.Text.clear();
    const std::string path = core::AppPath + "\\ark\\inf" + core::Lang + ".cpt";
    std::string table;
    try {
        table = vb::readAll(path);
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + path + " not available", vb::vbCritical);
        return;
    }
    // The joined text keeps each decoded line followed by ":".
    core::forEachCptLine(table,
                         [&](const std::string& line) { Text1.Text += core::decodeLineLenient(line) + ":"; });
    for (const std::string& row : infoRows(CodiciInfo, Text1.Text)) {
        Grid1.AddItem(row);
        Grid1.setColWidth(0, Grid1.Width());
    }
    if (Grid1.Rows() > 0) Grid1.setRow(0);
}

void Form11::Grid1_DblClick() {
    Set_PuntatoreAttesa();
    if (core::Form11Mode == 1 && Grid1.Rows() > 0 && Grid1.Row() >= 0 && Grid1.Row() < 5) {
        core::Form7Code = "0" + CodiciInfo[size_t(Grid1.Row())];
        const QScopedValueRollback<std::int16_t> mode(core::Form7Mode, 2);
        vb::showModalByName("Form7", this);
    }
    Grid1.SetFocus();
    Reset_PuntatoreAttesa();
}

void Form11::Command7_Click() {
    Grid1_DblClick();
}

// The list stays in the middle of a window the user resizes.
void Form11::Form_Resize() {
    Grid1.setTop(std::max(0, (Height() - Grid1.Height()) / 2));
    Grid1.setLeft(std::max(0, (Width() - Grid1.Width()) / 2));
    Label1.setTop(Grid1.Top() - Label1.Height() - 50);
    Label1.setLeft(Grid1.Left());
    Shape2.setWidth(std::max(0, Width() - 200));
}

void Form11::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (toolbar.handleKey(KeyCode)) KeyCode = 0;
}

std::vector<vb::Control*> Form11::workingControls() {
    return {&Command6, &Command7, &Command1, &Command2, &Command3, &Command4, &Command5, &Grid1};
}

} // namespace documents
