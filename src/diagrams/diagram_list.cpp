#include "diagrams/diagram_list.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace diagrams {
namespace {

using core::Des;

frame::ToolbarStyle listToolbarStyle() {
    frame::ToolbarStyle s;
    s.escCloses = true;
    return s;
}

} // namespace

Form15::Form15() : frame::DataWindow(kFormName, listToolbarStyle()), frame::VehicleHeader(this) {
    // The bottom bar carries the toolbar, the close and the open button.
    Picture2.Move(0, 0, 15360, 730);
    for (vb::CommandButton* b : {&Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20,
                                 &Command30, &Command9})
        b->setContainer(&Picture2);
    Command9.Move(700, 50, 630, 630);
    toolbar.setBand(Picture2);
    Command9.Click = {this, &Form15::Command9_Click};

    Shape2.Move(50, 50, 15160, 700);
    ImageMarca.Move(130, 65, 750, 660);
    for (int i = 0; i < 2; ++i) {
        auto& l = LabelModello.add(*this, "LabelModello", i);
        l.Move(1000, 110 + 300 * i, 12000, 270);
        core::styleClearHeaderLine(l, core::kNavy, i == 0);
    }

    Picture1.Move(30, 900, 11900, 7600);
    Picture1.setBackColor(0xF4EDE6);
    auto inPanel = [this](vb::Control& c, int l, int t, int w, int h) {
        c.setContainer(&Picture1);
        c.Move(l, t, w, h);
    };
    inPanel(Label100, 0, 150, 6000, 400);
    Label100.setFont("Tahoma", 14);
    Label100.setFontBold(true);
    Label100.setForeColor(core::kNavy);
    Label100.setAutoSize(true);
    Label100.setTransparent(true);
    for (int i = 0; i < 5; ++i) {
        auto& c = Label1.add(*this, "Label1", i);
        inPanel(c, 300, 800 + 360 * i, 2000, 300);
        c.setFontBold(true);
        c.setTransparent(true);
        auto& v = Label2.add(*this, "Label2", i);
        inPanel(v, 2400, 800 + 360 * i, 4300, 300);
        v.setForeColor(core::kNavy);
        v.setTransparent(true);
        v.setWordWrap(true);
        v.setAutoSize(true);
    }
    inPanel(Shape1, 6850, 650, 4900, 3150);
    inPanel(PictureModel, 6900, 700, 4800, 3000);
    PictureModel.setAutoSize(true);
    inPanel(MSGrid1, 300, 4000, 11300, 3300);
    MSGrid1.setShape(0, 1);
    MSGrid1.setFont("Tahoma", 9.75);
    MSGrid1.Click = {this, &Form15::MSGrid1_Click};
    MSGrid1.RowColChange = {this, &Form15::MSGrid1_Click};
    MSGrid1.DblClick = {this, &Form15::MSGrid1_DblClick};
    List1.setVisible(false);
    List2.setVisible(false);
}

void Form15::Form_Load() {
    setCaption(core::windowCaption());
    try {
        loadWindow();
    } catch (const vb::VbError& e) {
        core::ReportRuntimeError(Name(), e);
    }
}

void Form15::loadWindow() {
    setMousePointer(vb::vbHourglass);
    core::fillScreen(*this);
    core::centreOnWideScreen(*this, Picture1, 500);
    Label100.setCaption(vb::UCase(Des[77]));
    const int captions[5] = {78, 12, 13, 79, 80};
    for (int i = 0; i < 5; ++i)
        Label1(i).setCaption(Des[size_t(captions[i])]);
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    toolbar.place();

    core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xsymb_" + core::BrandId + ".gif", 12);
    placeHeaderAndLines(Width(), 80);

    auto& f2 = selection::Form2::get();
    PictureModel.setPicture(f2.Picture3.Picture());
    PictureModel.setLeft(Shape1.Left() + (Shape1.Width() - PictureModel.Width()) / 2);

    showVehicleLines(f2.vehicleLines());
    Label2(0).setCaption(core::VehicleName);
    for (int i = 1; i <= 4; ++i)
        Label2(i).setCaption(f2.modelCell(i));
    placeVehicleRows();

    toolbar.setUp();
    Command9.setPicture(core::interfacePicture("right.gif"));
    Command9.setToolTipText(Des[45]);
    Command9.setEnabled(true);
    Command9.setVisible(true);
    core::pointWithHand(Command9, core::handCursor());

    Picture1.setLeft((Width() - Picture1.Width()) / 2);
    Label100.setLeft((Picture1.Width() - Label100.Width()) / 2);
    Load_ListaSchemi();
    setMousePointer(vb::vbDefault);
}

// A value longer than its column (a long vehicle name) wraps onto further
// lines; the rows below move down by the room those lines take.
void Form15::placeVehicleRows() {
    int top = Label2(0).Top();
    for (int i = 0; i < 5; ++i) {
        Label1(i).setTop(top);
        Label2(i).setTop(top);
        top += std::max(300, Label2(i).Height()) + 60;
    }
}

void Form15::Form_Resize() {
    Shape2.setWidth(Width() - 200);
    Picture1.setLeft((Width() - Picture1.Width()) / 2);
}

void Form15::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 27) {
        KeyCode = 0;
        toolbar.Command6_Click();
        return;
    }
    if (toolbar.handleKey(KeyCode)) KeyCode = 0;
}

void Form15::Load_ListaSchemi() {
    MSGrid1.setColWidth(0, MSGrid1.Width() - 60);
    MSGrid1.Clear();
    MSGrid1.setRows(0);
    List1.Clear();
    List2.Clear();
    const std::string S = vb::Trim(selection::Form2::get().modelField("schemi"));
    const int N = int(std::nearbyint(double(S.size()) / 4.0));
    for (int k = 1; k <= N; ++k) {
        const std::string X = vb::Mid(S, 4 * k - 3, 4);
        if (X == "0000") continue;
        MSGrid1.setRows(k);
        MSGrid1.setRow(k - 1);
        const std::string T = Get_DatiSchema(X);
        MSGrid1.setTextMatrix(k - 1, 0, vb::Mid(T, 3));
        // An empty slot before this one left a blank row: the lists get an
        // empty item for it, so every row keeps the diagram it shows.
        while (List1.ListCount() < k - 1) {
            List1.AddItem("");
            List2.AddItem("");
        }
        List1.AddItem(vb::Trim(vb::Left(T, 2)));
        List2.AddItem(X);
    }
    if (MSGrid1.Rows() == 0) return;
    MSGrid1.setRow(0);
    MSGrid1_Click();
}

std::string Form15::Get_DatiSchema(const std::string& code) {
    if (catalogueMissing_) return {};
    Data1.Connect = "dBase IV;";
    core::useTableFolder(Data1, "\\Ark");
    Data1.RecordSource = "xpsc.dbf";
    try {
        Data1.Refresh();
        db::Recordset& rs = Data1.Recordset();
        if (rs.RecordCount() < 1) return {};
        rs.MoveLast();
        rs.MoveFirst();
        bool found = false;
        while (!rs.Eof()) {
            if (core::DescrambleLineConv(rs.Fields("Psc_Codice").value_or("")) == code) {
                found = true;
                break;
            }
            rs.MoveNext();
        }
        if (!found) return {};
        std::string R = vb::Trim(core::DescrambleLineConv(rs.Fields("Psc___Tipo").value_or("")));
        bool typeFound = false;
        for (const std::string& item : selection::Form2::get().ListTipoPsc.items()) {
            if (vb::Trim(vb::Left(item, 2)) == R) {
                R = vb::Left(item, 2) + vb::Mid(item, 4);
                typeFound = true;
                break;
            }
        }
        if (!typeFound) vb::MsgBox("Unknow PSC type.", vb::vbCritical, std::string("Type error"));
        return R + " " + vb::Trim(core::DescrambleLineConv(rs.Fields("psc__marca").value_or(""))) + " " +
               vb::Trim(core::DescrambleLineConv(rs.Fields("psc__model").value_or("")));
    } catch (const db::Error& e) {
        // One message for the whole list; the rows stay blank.
        catalogueMissing_ = true;
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + vb::LCase(core::AppPath + "\\Ark\\xpsc.dbf") + " not available",
                            vb::vbCritical);
        return {};
    }
}

void Form15::MSGrid1_Click() {
    const int r = MSGrid1.Row();
    if (r < List2.ListCount()) List2.setListIndex(r);
    if (r < List1.ListCount()) List1.setListIndex(r);
}

int Form15::typeOffset(const std::string& T) {
    if (T == "1" || T == "2") return 10;
    if (T == "3") return 20;
    if (T == "4") return 30;
    if (T == "6" || T == "7") return 50;
    if (T == "5" || T == "10" || T == "20" || T == "30" || T == "40" || T == "70" || T == "80" || T == "81" ||
        (T >= "50" && T <= "60"))
        return 40;
    return -1;
}

void Form15::MSGrid1_DblClick() {
    if (MSGrid1.Rows() == 0 || List2.ListIndex() < 0) return;
    core::SetBusyPointer(*this);
    core::PscCode = vb::Trim(List2.List(List2.ListIndex()));
    core::PscCaption = vb::Trim(MSGrid1.TextMatrix(MSGrid1.Row(), 0));
    const std::string T = List1.List(List1.ListIndex());
    int offset = typeOffset(T);
    if (offset == 30) {
        const std::string abs = selection::Form2::get().modelField("Abs____cod");
        const std::string blank4 = "    ";
        if ((abs == core::PscCode && selection::Form2::get().modelField("UbiAbs_Cod") != blank4) ||
            (abs != core::PscCode && selection::Form2::get().modelField("Abs2___cod") == core::PscCode &&
             selection::Form2::get().modelField("UbiAbs2cod") != blank4))
            offset = 31;
    }
    if (offset >= 0) {
        const QScopedValueRollback<std::int16_t> mode(core::DiagramMode,
                                                      std::int16_t(core::DiagramMode + offset));
        vb::showModalByName("Form5", this);
    }
    MSGrid1.SetFocus();
    core::SetHandPointer(*this);
}

} // namespace diagrams
