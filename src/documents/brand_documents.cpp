#include "documents/brand_documents.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QResizeEvent>
#include <QWidget>

namespace documents {
namespace {

using core::Des;

std::string documentPath(const std::string& id, const char* extension) {
    return core::AppPath + "\\ric\\tx_ita\\x" + id + extension;
}

frame::ToolbarStyle toolbarStyle(Form14& w) {
    frame::ToolbarStyle s = frame::ownPointerPair(w);
    s.hasBrandDocuments = false;
    s.focusAfterReady = [&w](vb::CommandButton&) {
        if (w.MSGrid1.Visible())
            w.MSGrid1.SetFocus();
        else
            w.RTB1.SetFocus();
    };
    s.close = [&w] { w.Command6_Click(); };
    return s;
}

} // namespace

Form14::Form14()
    : frame::DataWindow(kFormName, toolbarStyle(*this)),
      LogoHeader(this, 6000), frame::GridWheel(this, &MSGrid1) {
    Label1.Move(0, 0, 5000, 255);
    core::styleHeaderLine(Label1, core::kTitleBlue);

    MSGrid1.setShape(0, 1);
    MSGrid1.setHeight(6000);
    MSGrid1.setBackColorBkg(0xFFFFFF);
    List1.setVisible(false);

    core::placeButtonBand(Picture2, 0, 12000, 720);
    toolbar.setBand(Picture2);
    // The whole button row lies on the band along the bottom edge.
    for (vb::CommandButton* b : {&Command6, &Command7, &Command1, &Command2, &Command3, &Command4, &Command5,
                                 &Command20, &toolbar.Command30})
        b->setContainer(&Picture2);
    Command6.Move(50, 45, 630, 630);
    Command7.Move(710, 45, 630, 630);
    Command5.setTop(45);
    Command1.setTop(360);
    for (vb::CommandButton* b : {&Command2, &Command3, &Command4, &Command20})
        b->setTop(45);

    Command7.Click = {this, &Form14::Command7_Click};
    MSGrid1.DblClick = {this, &Form14::MSGrid1_DblClick};
    MSGrid1.RowColChange = {this, &Form14::MSGrid1_RowColChange};
}

void Form14::Form_Load() {
    core::startFullScreenLoad(*this);
    const int W = Width(), H = Height();
    placeHeader(W);
    RTB1.setVisible(false);
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    toolbar.place();

    MSGrid1.setWidth(5000);
    MSGrid1.setColWidth(0, MSGrid1.Width());
    MSGrid1.setFontSize(10);
    Label1.setWidth(MSGrid1.Width());
    MSGrid1.setTop((H - MSGrid1.Height()) / 2);
    MSGrid1.setLeft((W - MSGrid1.Width()) / 2);
    Label1.setTop(MSGrid1.Top() - Label1.Height() - 50);
    Label1.setLeft(MSGrid1.Left());
    Label1.setCaption(Des[9]);

    toolbar.setUp();
    const auto hand = core::handCursor();
    core::dressButton(Command7, "right.gif", Des[45], hand);
    core::pointWithHand(MSGrid1, hand);
    Label5.setCaption(vb::UCase(Des[90]));
    if (QWidget* g = MSGrid1.widget()) {
        QWidget::setTabOrder(g, Command7.widget());
        QWidget::setTabOrder(Command7.widget(), Command4.widget());
        QWidget::setTabOrder(Command4.widget(), Command3.widget());
        QWidget::setTabOrder(Command3.widget(), Command2.widget());
        QWidget::setTabOrder(Command2.widget(), Command1.widget());
        QWidget::setTabOrder(Command1.widget(), Command5.widget());
        QWidget::setTabOrder(Command5.widget(), Command6.widget());
    }
    setCancelButton(&Command6);
    Load_ListaMarcheDocumenti();
    setMousePointer(vb::vbDefault);
}

void Form14::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    // Only the function keys of the toolbar; Esc reaches the cancel button.
    if (KeyCode != 27 && toolbar.handleKey(KeyCode)) KeyCode = 0;
}

void Form14::Load_ListaMarcheDocumenti() {
    Data1.Connect = "dBase IV;";
    core::useTableFolder(Data1, "\\Ark");
    Data1.RecordSource = "SELECT * FROM Xmarche.dbf ORDER BY marca";
    List1.Clear();
    MSGrid1.setRows(0);
    try {
        Data1.Refresh();
        db::Recordset& rs = Data1.Recordset();
        if (rs.RecordCount() > 0) {
            rs.MoveFirst();
            rs.MoveLast();
            const int n = rs.RecordCount();
            rs.MoveFirst();
            for (int i = 1; i <= n; ++i) {
                const std::string name = vb::Trim(core::DescrambleLineConv(rs.Fields("Marca").value_or("")));
                const std::string id = vb::Trim(core::DescrambleLineConv(rs.Fields("ID_Marca").value_or("")));
                if (vb::fileAvailable(documentPath(id, ".rtf"))) {
                    MSGrid1.AddItem(name);
                    List1.AddItem(id);
                }
                rs.MoveNext();
            }
        }
    } catch (const db::Error& e) {
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + core::AppPath + "\\Ark\\Xmarche.dbf not available",
                            vb::vbCritical);
    } catch (const vb::VbError& e) {
        // The shortage may be met on a document: it names its file.
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + core::AppPath + "\\Ark\\Xmarche.dbf not available",
                            vb::vbCritical);
    }
    // With no brand to list there is nothing to open.
    if (MSGrid1.Rows() == 0) {
        Command7.setEnabled(false);
        return;
    }
    MSGrid1.setRow(0);
    List1.setListIndex(MSGrid1.Row());
}

void Form14::MSGrid1_RowColChange() {
    if (MSGrid1.Rows() > 0) List1.setListIndex(MSGrid1.Row());
}

void Form14::MSGrid1_DblClick() {
    if (List1.ListIndex() < 0) return;
    Set_PuntatoreAttesa();
    MSGrid1.setVisible(false);
    Label1.setVisible(false);
    Command7.setVisible(false);
    RTB1.setWidth(Width() - 75);
    RTB1.setLeft(0);
    RTB1.setTop(Shape2.Top() + Shape2.Height() + 20);
    RTB1.setHeight(Height() - RTB1.Top() - Picture2.Height() - 400);
    RTB1.setVisible(true);
    Open_DocumentoMarca(documentPath(List1.List(List1.ListIndex()), ".RTF"));
    Reset_PuntatoreAttesa();
}

void Form14::Command7_Click() {
    MSGrid1_DblClick();
}

void Form14::Open_DocumentoMarca(const std::string& path) {
    core::UseSecondKey = false;
    core::LoadScrambledFile(path, 24);
    RTB1.reportDamage(path);
}

void Form14::Command6_Click() {
    if (!RTB1.Visible()) {
        Unload();
        return;
    }
    MSGrid1.setVisible(true);
    Label1.setVisible(true);
    Command7.setVisible(true);
    RTB1.setVisible(false);
}

std::vector<vb::Control*> Form14::workingControls() {
    return {&Command6, &Command7, &Command1,  &Command2, &Command3,
            &Command4, &Command5, &Command20, &MSGrid1};
}

} // namespace documents
