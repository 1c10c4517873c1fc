#include "mechanical/ac_window.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/technical_data.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "mechanical/dictionaries.h"
#include "mechanical/tightening.h"
#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace mechanical {

using core::Des;

namespace {

constexpr std::int32_t kTeal = 0xC0C000; // RGB(0, 192, 192)

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

} // namespace

Form12::Form12() : frame::DataWindow(kFormName, frame::ownPointerPair(*this)), frame::VehicleHeader(this) {
    setWidth(12000);
    setHeight(9000);
    core::placeButtonBand(Picture2, 8000, 11760, 720);
    toolbar.setBand(Picture2);
    toolbar.setRow({{&Command8}, {&Command7}, {&Command9}, {&Command30}});
    for (vb::CommandButton* b : {&Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20,
                                 &Command30, &Command7, &Command8, &Command9}) {
        b->setContainer(&Picture2);
        b->Move(0, 45, 630, 630);
    }
    Command6.setLeft(45);
    Command5.setHeight(305);
    Command1.Move(0, 360, 630, 315);
    Command7.Click = {this, &Form12::Command7_Click};
    Command8.Click = {this, &Form12::Command8_Click};
    Command9.Click = {this, &Form12::Command9_Click};

    ImageMarca.Move(0, 0, 495, 495);
    for (int i = 0; i < 2; ++i) {
        auto& l = LabelModello.add(*this, "LabelModello", i);
        l.Move(960, i == 0 ? 140 : 420, 6000, 240);
        core::styleClearHeaderLine(l, i == 0 ? core::kTitleBlue : 0x000000);
        l.setAutoSize(true);
    }
    Label1.Move(0, 0, 6000, 270);
    Label1.setFont("Tahoma", 9.75);
    Label1.setFontBold(true);
    Label1.setForeColor(0xFFFFFF);
    Label1.setBackColor(0xC0C0C0);
    Label1.setAutoSize(true);
    Grid1.Move(0, 0, 10575, 915);
    Grid1.setShape(0, 1);
    Grid1.setFont("Tahoma", 9.75, true);
    Grid1.setHighLight(false);
    Grid1.setRowHeightMin(300);

    Picture1.Move(0, 0, 10575, 4860);
    Picture1.setBackColor(kTeal);
    const int optionTops[8] = {0, 265, 540, 810, 1080, 1350, 1620, 1890};
    for (int i = 0; i < 8; ++i) {
        auto& o = Option1.add(*this, "Option1", i);
        o.setContainer(&Picture1);
        o.Move(0, optionTops[i], 5535, 255);
        o.setCaption("Option1");
        o.setForeColor(0xFFFFFF);
        o.Click = [this, i] { Option1_Click(i); };
    }
    Image1.setContainer(&Picture1);
    Image1.Move(0, 2280, 4065, 2460);
    Image1.setStretch(true);
    Label2.setContainer(&Picture1);
    Label2.Move(5640, 15, 4935, 255);
    Label2.setFont("Tahoma", 9.75);
    Label2.setFontBold(true);
    Label2.setForeColor(0xFFFFFF);
    Label2.setTransparent(true);
    Grid2.setContainer(&Picture1);
    Grid2.Move(5640, 270, 4935, 4470);
    Grid2.setShape(0, 1);
    Grid2.setFont("Tahoma", 9.75);
    Grid2.setHighLight(false);
    Grid2.setRowHeightMin(270);
}

void Form12::Form_Load() {
    setLeft(0);
    setTop(0);
    core::startFullScreenLoad(*this);
    core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xsymb_" + core::BrandId + ".gif", 6);

    selection::Form2& main = selection::Form2::get();
    showVehicleLines(main.vehicleLines());
    toolbar.place();
    layOut();
    setCancelButton(&Command6);

    toolbar.setUp();
    Command9.setToolTipText(Des[67] + " " + Des[61]);
    Command7.setToolTipText(Des[26] + " " + Des[64]);
    Command8.setToolTipText(Des[26] + " " + Des[65]);
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    Command7.setPicture(core::interfacePicture("tascam.gif"));
    Command8.setPicture(core::interfacePicture("tascaa.gif"));
    Command9.setPicture(core::interfacePicture("tascai.gif"));
    Label1.setCaption(Des[66] + " ( " + Des[72] + " )");
    layOut();
    for (vb::CommandButton* b : {&Command7, &Command8, &Command9})
        core::pointWithHand(*b, Command5.MouseIcon());
    for (auto& o : Option1)
        core::pointWithHand(*o, Command5.MouseIcon());

    Load_SchemiClima();
    Command7.setEnabled(!CodicePscTipo6.empty());
    Command8.setEnabled(!CodicePscTipo7.empty());
    setMousePointer(vb::vbDefault);

    Load_OperazioniRicaricaAC();
    Load_DidascalieCircuiti();
    Option1_Click(0);
    DatiRicaricaAC.clear();
    Get_DatiRicaricaAC(main.Data3.Recordset().Fields("datitecnic").value_or(std::string()));
    Show_DatiRicaricaAC(DatiRicaricaAC);
}

void Form12::Form_Resize() {
    layOut();
}

void Form12::layOut() {
    const int W = Width(), H = Height();
    placeHeaderAndLines(W, 40);
    // A window that the window manager makes smaller than the screen keeps
    // the title, record grid and panel below the header frame and from the
    // left edge, so that the title is not drawn over the frame or cut.
    const int aboveThePanel = Label1.Height() + 20 + Grid1.Height() + 20;
    Picture1.setLeft(std::max(0, (W - Picture1.Width()) / 2 - 100));
    Picture1.setTop(std::max((H - Picture1.Height()) / 2 + Label1.Height(),
                             Shape2.Top() + Shape2.Height() + 20 + aboveThePanel));
    Label1.setLeft(Picture1.Left() + 40);
    Grid1.setLeft(Picture1.Left());
    Grid1.setTop(Picture1.Top() - Grid1.Height() - 20);
    Label1.setTop(Grid1.Top() - Label1.Height() - 20);
}

void Form12::Form_KeyDown(int& KeyCode, int) {
    switch (KeyCode) {
    case 117:
        if (Command7.Enabled()) Command7_Click();
        return;
    case 118:
        if (Command8.Enabled()) Command8_Click();
        return;
    case 119:
        if (Command9.Enabled()) Command9_Click();
        return;
    case 27:
    case 124:
        return; // Esc is the cancel button's; F13 is not mapped here
    default:
        toolbar.handleKey(KeyCode);
    }
}

std::vector<vb::Control*> Form12::workingControls() {
    return {&Command6, &Command7, &Command8, &Command1, &Command2, &Command3, &Command4, &Command5};
}

void Form12::Load_DidascalieCircuiti() {
    const auto lines = readLanguageText("\\air\\Qdia");
    if (!lines) return;
    // There are eight options; further lines have none to caption.
    for (size_t i = 0; i < lines->size() && int(i) < Option1.Count(); ++i)
        Option1(int(i)).setCaption((*lines)[i]);
}

void Form12::Option1_Click(int Index) {
    if (!Option1(Index).Value()) {
        // Selecting raises Click again; the work runs once, from there.
        Option1(Index).setValue(true);
        return;
    }
    const std::string nn = twoDigits(Index + 1);
    Load_TabellaCircuito(nn);
    Image1.setPicture(vb::optionalPicture(core::AppPath + "\\air\\cl" + nn + ".gif").value_or(QPixmap()));
    for (int i = 0; i < Option1.Count(); ++i) {
        Option1(i).setForeColor(i == Index ? vb::RGB(255, 255, 0) : 0x000000);
        Option1(i).setFontBold(i == Index);
    }
}

void Form12::Load_TabellaCircuito(const std::string& nn) {
    const auto lines = readOrReport(
        core::AppPath + "\\air\\tx" + core::Lang + "\\cl" + nn + ".cpt", LineForm::Line,
        "Error: file " + vb::LCase(core::AppPath) + "\\air\\tx" + core::Lang + "\\clxx.cpt not available");
    if (!lines) return;
    Grid2.Clear();
    Grid2.setRows(0);
    Grid2.setColWidth(0, Grid2.Width());
    Label2.setCaption("");
    for (size_t i = 0; i < lines->size(); ++i) {
        if (i == 0) {
            Label2.setCaption((*lines)[0]);
            continue;
        }
        const int r = Grid2.Rows();
        Grid2.setRows(r + 1);
        Grid2.setTextMatrix(r, 0, (*lines)[i]);
        Grid2.setRowHeight(r, Grid2.RowHeightMin());
        Grid2.setRow(r);
        Grid2.setCellAlignment(0);
    }
}

void Form12::Load_SchemiClima() {
    // No readable list: the model offers no A/C diagram.
    const std::string schemi = vb::Trim(selection::Form2::get().modelField("schemi"));
    const long count = std::lrint(double(schemi.size()) / 4.0); // half to even, as the count was rounded
    if (count < 1) return;
    Data1.Connect = "dBase IV;";
    core::useTableFolder(Data1, "\\Ark");
    CodicePscTipo6.clear();
    CodicePscTipo7.clear();
    for (long k = 1; k <= count; ++k) {
        std::string code = vb::Mid(schemi, int(4 * k - 3), 4);
        if (code == "0000") continue;
        try {
            std::string key = code;
            Data1.RecordSource =
                "SELECT * FROM xpsc.dbf WHERE psc_codice=\"" + core::ScrambleString(key) + "\"";
            Data1.Refresh();
            db::Recordset& rs = Data1.Recordset();
            if (rs.RecordCount() == 0) {
                vb::MsgBox("WARNING ! PSC:" + code + " NOT FOUND.", vb::vbOKOnly);
                continue;
            }
            rs.MoveFirst();
            const auto type = rs.Fields("psc___tipo");
            const std::string t = type ? vb::Trim(core::DescrambleLineConv(*type)) : std::string();
            if (t == "6") CodicePscTipo6 = code;
            if (t == "7") CodicePscTipo7 = code;
        } catch (const vb::VbError&) {
            vb::MsgBox("WARNING ! PSC:" + code + " NOT FOUND.", vb::vbOKOnly);
        } catch (const db::Error& e) {
            // Without a readable catalogue no diagram can be offered.
            if (!core::reportedAsShortage(e.number()))
                core::MsgBoxStd("Error: file " + core::AppPath + "\\Ark\\xpsc.dbf not available",
                                vb::vbCritical);
            CodicePscTipo6.clear();
            CodicePscTipo7.clear();
            return;
        }
    }
}

void Form12::openDiagram(const std::string& code, const std::string& caption) {
    Set_PuntatoreAttesa();
    // The mode is given back however the viewer ends.
    const QScopedValueRollback<std::int16_t> mode(core::DiagramMode, std::int16_t(core::DiagramMode + 50));
    core::PscCode = code;
    core::PscCaption = caption;
    vb::showModalByName("Form5", this);
    Command6.SetFocus();
    Reset_PuntatoreAttesa();
}

void Form12::Command7_Click() {
    openDiagram(CodicePscTipo6, Des[64]);
}
void Form12::Command8_Click() {
    openDiagram(CodicePscTipo7, Des[65]);
}
void Form12::Command9_Click() {
    openDiagram("C011", Des[61] + " - " + Des[67]);
}

void Form12::Load_OperazioniRicaricaAC() {
    // The table has 21 labels; further lines have no letter that reaches them.
    if (const auto lines = readLanguageText("\\air\\ric")) fillTable(OperazioniRicaricaAC, *lines);
}

void Form12::Get_DatiRicaricaAC(const std::string& DatiTecnici) {
    if (auto chain = core::acRecordChain(DatiTecnici)) DatiRicaricaAC = *chain;
}

void Form12::Show_DatiRicaricaAC(const std::string& Value) {
    const auto records = splitAcRecords(Value);
    for (const std::string& record : records) {
        const int r = Grid1.Rows();
        Grid1.setRows(r + 1);
        Grid1.setTextMatrix(r, 0, record);
        Grid1.setRowHeight(r, Grid1.RowHeightMin());
        Grid1.setColWidth(0, Grid1.Width());
    }
    auto label = [this](int k) { return dictionaryText(OperazioniRicaricaAC[size_t(k)]); };
    for (int r = 0; r < Grid1.Rows(); ++r) {
        Grid1.setRow(r);
        Grid1.setTextMatrix(r, 0, acRecordLine(Grid1.TextMatrix(r, 0), label));
    }
}

} // namespace mechanical
