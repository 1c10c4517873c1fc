#include "mechanical/torque_window.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scrambled_file.h"
#include "core/technical_data.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "mechanical/dictionaries.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

namespace mechanical {

using core::Des;

namespace {

constexpr std::array<std::int32_t, 4> kJointColours = {0xFFFFC0, 0xFFFF80, 0xFFFF00, 0xC0C000}; // &HBBGGRR

} // namespace

Form9::Form9() : frame::DataWindow(kFormName, frame::ownPointerPair(*this)), frame::BrandHeader(this) {
    setWidth(12000);
    setHeight(9195);
    core::placeButtonBand(Picture2, 7905, 11910, 720);
    toolbar.setBand(Picture2);
    toolbar.setRow({{&Command10}, {&Command30}}, 15);
    for (vb::CommandButton* b : {&Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20,
                                 &Command30, &Command7, &Command8, &Command10})
        b->setContainer(&Picture2);
    Command6.Move(45, 45, 630, 630);
    Command7.Move(50, 45, 630, 630);
    Command8.Move(50, 45, 630, 630);
    Command5.Move(0, 45, 630, 305);
    Command1.Move(0, 360, 630, 315);
    for (vb::CommandButton* b : {&Command2, &Command3, &Command4, &Command10})
        b->Move(0, 45, 630, 630);
    Command20.Move(0, 50, 630, 630);
    Command30.Move(0, 50, 630, 630);
    Command7.Click = {this, &Form9::Command7_Click};
    Command8.Click = {this, &Form9::Command8_Click};
    Command10.Click = {this, &Form9::Command10_Click};

    Shape2.Move(45, 45, 7000, 735);
    Shape2.setBorderColor(vb::RGB(192, 192, 192));
    ImageMarca.Move(0, 0, 495, 495);
    Label5.Move(1560, 240, 9000, 270);
    core::styleHeaderLine(Label5, core::kTitleBlue);
    Label5.setAutoSize(true);

    Picture4.Move(480, 1320, 9650, 5800);
    Picture4.setBackColor(0xFFFFFF);
    const int gridTops[4] = {55, 1470, 2885, 4310};
    const int buttonTops[4] = {50, 1470, 2900, 4320};
    vb::CommandButton* buttons[4] = {&Command11, &Command12, &Command13, &Command14};
    for (int j = 0; j < 4; ++j) {
        vb::Grid& g = *grids()[size_t(j)];
        g.setContainer(&Picture4);
        g.Move(1830, gridTops[j], 7695, j == 2 ? 1400 : 1395);
        g.setShape(0, 1);
        g.setRowHeightMin(250);
        g.setFont("MS Sans Serif", 9.75);
        g.setBackColor(kJointColours[size_t(j)]);
        g.setForeColor(0x000000);
        g.setBackColorSel(0xFFFFFF);
        g.setForeColorSel(0x000000);
        g.setBackColorBkg(kJointColours[size_t(j)]);
        g.setGridColor(kJointColours[size_t(j)]);
        buttons[j]->setContainer(&Picture4);
        buttons[j]->Move(60, buttonTops[j], 1695, 1410);
    }
    Command11.Click = {this, &Form9::Command11_Click};
    Command12.Click = {this, &Form9::Command12_Click};
    Command13.Click = {this, &Form9::Command13_Click};
    Command14.Click = {this, &Form9::Command14_Click};
    Picture3.Move(2280, 1080, 2535, 615);
    Picture3.setAutoSize(true);
    Picture3.setVisible(false);
    VScroll1.Move(4800, 1080, 255, 2175);
    VScroll1.setVisible(false);
    page.setKeepPrintCopy(false);
    page.setColours({0, 12, 12});
    setFontName("COURIER");
    setFontSize(10);
}

void Form9::Form_Load() {
    try {
        core::startFullScreenLoad(*this);
        Picture2.setPicture(core::interfacePicture("spacer.jpg"));
        core::LoadScrambledFile(core::AppPath + "\\sym\\Sym5044\\xSymb_" + core::BrandId + ".gif", 21);
        Picture3.setVisible(false);
        Picture3.setEnabled(false);
        VScroll1.setVisible(false);
        VScroll1.setEnabled(false);
        for (vb::CommandButton* b : {&Command7, &Command8}) {
            b->setVisible(false);
            b->setEnabled(false);
        }
        toolbar.place();
        layOut();
        setCancelButton(&Command6);

        toolbar.setUp();
        Command8.setToolTipText(Des[42]);
        Command11.setToolTipText(Des[54]);
        Command12.setToolTipText(Des[55]);
        Command13.setToolTipText(Des[56]);
        Command14.setToolTipText(Des[57]);
        Command10.setToolTipText(Des[58]);
        Command7.setPicture(core::interfacePicture("left.gif"));
        Command8.setPicture(core::interfacePicture("left.gif"));
        Command10.setPicture(core::interfacePicture("tastoo.gif"));

        selection::Form2& main = selection::Form2::get();
        Label5.setCaption(main.Label10(2).Caption() + " " + core::VehicleName);
        Label5.setLeft(linesLeft());

        const auto hand = core::handCursor();
        for (vb::CommandButton* b :
             {&Command6, &Command7, &Command8, &Command1, &Command2, &Command3, &Command4, &Command5,
              &Command10, &Command11, &Command12, &Command13, &Command14, &Command20, &Command30})
            core::pointWithHand(*b, hand);
        const char* pictures[4] = {"\\ser\\ts_testa.gif", "\\ser\\ts_banco.gif", "\\ser\\ts_biell.gif",
                                   "\\ser\\ts_volan.gif"};
        vb::CommandButton* buttons[4] = {&Command11, &Command12, &Command13, &Command14};
        for (int j = 0; j < 4; ++j) {
            buttons[j]->setCaption(Des[size_t(54 + j)]);
            buttons[j]->setPicture(vb::optionalPicture(core::AppPath + pictures[j]).value_or(QPixmap()));
        }
        setMousePointer(vb::vbDefault);

        Load_DizionarioSerraggio();
        // A Null field holds no formula, like an empty one.
        Get_FormuleSerraggio(main.Data3.Recordset().Fields("datitecnic").value_or(std::string()));
        Fill_GriglieSerraggio();
    } catch (const vb::VbError& e) {
        core::ReportRuntimeError(Name(), e);
    }
}

void Form9::Form_Resize() {
    layOut();
}

void Form9::layOut() {
    const int W = Width(), H = Height();
    Label5.setLeft(placeHeader(W, 60));
    Picture4.setTop((H - Picture4.Height()) / 2);
    Picture4.setLeft((W - Picture4.Width()) / 2);
    // A detail page on view is laid out again for the new size.
    if (Picture3.Visible() && !PercorsoTesto.empty()) {
        Picture3.setTop((H - Picture3.Height()) / 2);
        try {
            page.load(vb::readAll(PercorsoTesto), Picture2.Height());
        } catch (const vb::VbError& e) {
            // Reported when the page was opened; the page stays as it was.
            qCWarning(vb::lcFiles).noquote()
                << "page" << vb::toQt(PercorsoTesto) << "not laid out again:" << vb::toQt(e.description());
        }
    }
}

void Form9::Form_KeyDown(int& KeyCode, int) {
    if (KeyCode == 117) {
        Command10_Click();
        return;
    }
    if (KeyCode == 27) return; // the cancel button takes Esc
    toolbar.handleKey(KeyCode);
}

std::vector<vb::Control*> Form9::workingControls() {
    return {&Command6, &Command7,  &Command8,  &Command1,  &Command2,  &Command3, &Command4,
            &Command5, &Command10, &Command11, &Command12, &Command13, &Command14};
}

void Form9::Load_DizionarioSerraggio() {
    // Lines past the last entry are never shown; they are left out.
    if (const auto lines = readLanguageText("\\ser\\ser")) fillTable(DizionarioSerraggio, *lines);
}

void Form9::Get_FormuleSerraggio(const std::string& DatiTecnici) {
    const auto found = core::tighteningFormulas(DatiTecnici);
    for (size_t j = 0; j < found.size(); ++j)
        if (!found[j].empty()) FormuleSerraggio[j] = found[j];
}

void Form9::Fill_GriglieSerraggio() {
    StepCarry carry;
    for (size_t j = 0; j < 4; ++j) {
        vb::Grid& g = *grids()[j];
        for (const std::string& row : torqueRows(FormuleSerraggio[j], DizionarioSerraggio, carry)) {
            const int r = g.Rows();
            g.setRows(r + 1);
            g.setTextMatrix(r, 0, row);
            g.setRowHeight(r, g.RowHeightMin());
            g.setRow(r);
            g.setColWidth(0, g.Width());
        }
    }
}

void Form9::openDetail(bool toolsPage, const char* picture, const char* text) {
    Set_PuntatoreAttesa();
    page.clear();
    Picture4.setVisible(false);
    vb::CommandButton& back = toolsPage ? Command7 : Command8;
    Command6.setVisible(false);
    Command6.setEnabled(false);
    if (toolsPage) {
        for (vb::CommandButton* b : {&Command8, &Command10}) {
            b->setVisible(false);
            b->setEnabled(false);
        }
    }
    back.setVisible(true);
    back.setEnabled(true);
    setCancelButton(&back);
    const std::string picturePath = core::AppPath + picture;
    try {
        Picture3.setPicture(vb::LoadPicture(picturePath));
    } catch (const vb::VbError& e) {
        Picture3.clearPicture();
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + picturePath + " not available", vb::vbCritical);
    }
    Picture3.setLeft(50);
    Picture3.setTop((Height() - Picture3.Height()) / 2);
    Picture3.setVisible(true);
    Picture3.setEnabled(true);
    PercorsoTesto = core::AppPath + text + core::Lang + ".cpt";
    back.SetFocus();
    Load_TestoCpt(PercorsoTesto);
    Reset_PuntatoreAttesa();
}

void Form9::Load_TestoCpt(const std::string& path) {
    std::string bytes;
    try {
        bytes = vb::readAll(path);
    } catch (const vb::VbError& e) {
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + path + " not available", vb::vbCritical);
    }
    page.load(bytes, Picture2.Height());
}

void Form9::Command10_Click() {
    openDetail(true, "\\ser\\tool.gif", "\\ser\\tool");
}
void Form9::Command11_Click() {
    openDetail(false, "\\ser\\testata.gif", "\\ser\\test");
}
void Form9::Command12_Click() {
    openDetail(false, "\\ser\\banco.gif", "\\ser\\banc");
}
void Form9::Command13_Click() {
    openDetail(false, "\\ser\\biella.gif", "\\ser\\biel");
}
void Form9::Command14_Click() {
    openDetail(false, "\\ser\\volano.gif", "\\ser\\vola");
}

// Back from a detail page to the joints' table; the tools page also hides
// its own back button.
void Form9::closeDetail(bool toolsPage) {
    Set_PuntatoreAttesa();
    Picture4.setVisible(true);
    Command6.setVisible(true);
    Command6.setEnabled(true);
    setCancelButton(&Command6);
    Command10.setVisible(true);
    Command10.setEnabled(true);
    if (toolsPage) {
        Command7.setVisible(false);
        Command7.setEnabled(false);
    }
    Command8.setVisible(false);
    Command8.setEnabled(false);
    Picture3.setVisible(false);
    Picture3.setEnabled(false);
    VScroll1.setVisible(false);
    VScroll1.setEnabled(false);
    page.clear();
    Reset_PuntatoreAttesa();
}

void Form9::Command7_Click() {
    closeDetail(true);
}

void Form9::Command8_Click() {
    closeDetail(false);
}

} // namespace mechanical
