#include "diagrams/location_viewer.h"

#include "core/component_lists.h"
#include "core/diagram_records.h"
#include "core/interface.h"
#include "core/location_page.h"
#include "core/module1.h"
#include "core/psc_catalogue.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "diagrams/diagram_viewer.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace diagrams {
namespace {

using core::Des;

} // namespace

Form6::Form6()
    : frame::DataWindow(kFormName, frame::ownPointerPairAndClose(*this)), frame::BrandHeader(this) {
    Picture1.Move(0, 7905, 11910, 720);
    for (vb::CommandButton* b : {&Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20,
                                 &Command30, &Command7})
        b->setContainer(&Picture1);
    Command6.Move(40, 50, 630, 630);
    Command7.Move(680, 50, 630, 630);
    Command5.Move(8920, 50, 630, 305);
    Command1.Move(8920, 360, 630, 315);
    Command7.Click = {this, &Form6::Command7_Click};
    toolbar.setBand(Picture1);
    toolbar.setRow({{&Command30}}, 150);

    Shape2.Move(45, 45, 7000, 735);
    ImageMarca.Move(0, 0, 495, 495);
    Label4.Move(2760, 150, 12000, 240);
    core::styleClearHeaderLine(Label4, core::kNavy);
    Label5.Move(2760, 420, 12000, 270);
    core::styleClearHeaderLine(Label5, core::kNavy, false);

    Picture2.Move(240, 360, 2055, 1335);
    Picture2.setAutoSize(true);
    Picture3.Move(3840, 2040, 4695, 1095);
    Picture3.setBackColor(0xFFFFFF);
    Label1.setContainer(&Picture3);
    Label1.setCaption("Legenda Componenti");
    Label1.setFontBold(true);
    Label1.setBackColor(core::kNavy);
    Label1.setForeColor(0xFFFFFF);
    Label1.setAlignment(2);
    Label1.setHeight(300);
    MSGrid1.setContainer(&Picture3);
    MSGrid1.setShape(0, 1);
    MSGrid1.setScrollBars(false);
    MSGrid1.setFont("MS Sans Serif", 9.75);
    VScroll1.Move(2880, 840, 255, 1695);
    VScroll1.Change = {this, &Form6::VScroll1_Change};
    Timer1.Tick = {this, &Form6::Timer1_Timer};
    Timer1.setEnabled(false);
    ListDescrComp.setVisible(false);
    ListDescrSecond.setVisible(false);
    setFontName("MS Sans Serif");
    setFontSize(9.75);
}

void Form6::Form_Load() {
    core::startFullScreenLoad(*this);
    Picture2.setTop(Picture1.Height() + 100);
    Picture2.setLeft(0);
    // Disabled as far as the mouse goes; Qt would grey a disabled picture.
    Picture2.widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
    Picture2.setVisible(false);
    PictureRevealed = 0;
    Timer1.setEnabled(false);
    Picture1.setPicture(core::interfacePicture("spacer.jpg"));
    core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xSymb_" + core::BrandId + ".gif", 23);
    Label4.setLeft(placeHeader(Width(), 60));
    Label5.setLeft(Label4.Left());
    Label4.setCaption(selection::Form2::get().vehicleLine());
    toolbar.place();
    ArrangeControls();

    toolbar.setUp();
    const std::pair<vb::CommandButton*, int> tips[] = {{&Command1, 35}, {&Command2, 36},  {&Command3, 38},
                                                       {&Command4, 39}, {&Command5, 41},  {&Command6, 42},
                                                       {&Command7, 51}, {&Command20, 86}, {&Command30, 90}};
    for (auto& [b, label] : tips)
        b->setToolTipText(Des[size_t(label)]);
    Command7.setPicture(core::interfacePicture("tastext0.gif"));
    core::pointWithHand(Command7, core::handCursor());

    if (core::Form6FromMenu != 0) {
        Label5.setCaption(Des[33]);
        PscType = "1";
    } else {
        Form5& viewer = Form5::get();
        Label5.setCaption(Des[49] + " " + viewer.Label5.Caption());
        try {
            PscType = vb::Trim(
                core::DescrambleLineConv(viewer.Data1.Recordset().Fields("Psc___Tipo").value_or("")));
        } catch (const std::exception&) {
            PscType.clear(); // no catalogue record: the picture mode
        }
    }

    if (PscType == "4") {
        LocationCode = selection::Form2::get().modelField("UbiAbs_Cod");
        loadLocationPicture(core::AppPath + "\\ubi\\abs\\x" + LocationCode + ".gif");
        Load_TestoCpt();
        Picture3.setVisible(false);
        PictureWidthFull = Picture2.Width();
        Picture2.setWidth(PictureWidthWithText);
        Picture2.setVisible(true);
        TextPageShown = 1;
    } else {
        LocationCode = selection::Form2::get().modelField("Ubi____Cod");
        loadLocationPicture(core::AppPath + "\\ubi\\x" + core::BrandId + LocationCode + ".jpg");
        VScroll1.setEnabled(false);
        VScroll1.setVisible(false);
        Picture3.setVisible(true);
        if (core::PscNewFormat) {
            loadComponentLists(core::PscCode);
            const std::string A = selection::Form2::get().modelField("ACCEN__COD");
            if (core::Form6FromMenu == 1 && A != "    " &&
                A != selection::Form2::get().modelField("INIEZ__COD"))
                loadComponentLists(A);
        }
        Load_LegendaComponenti();
    }
    Timer1.setInterval(100);
    Timer1.setEnabled(true);
}

void Form6::loadComponentLists(const std::string& code) {
    core::FillListDescrSecond(*this, core::AppPath + "\\psc\\psc_txt\\" + code + "&.cpt");
    core::FillListDescrComp(*this, core::AppPath + "\\psc\\psc_txt\\" + code + ".cpt");
}

void Form6::loadLocationPicture(const std::string& path) {
    // A picture that is not there is reported; the window goes on without it.
    if (!vb::fileAvailable(path)) {
        core::MsgBoxStd("Error: file " + vb::LCase(path) + " not available", vb::vbCritical);
        return;
    }
    core::LoadScrambledFile(path, 14);
}

void Form6::Load_LegendaComponenti() {
    std::vector<std::string> rows;
    bool trimmed = true;
    const bool fromMenu = core::Form6FromMenu != 0;
    if (!core::PscNewFormat) {
        if (fromMenu) {
            rows = selection::Form2::get().ListNomePar.items();
            trimmed = false;
        } else {
            for (const std::string& item : Form5::get().List3.items())
                if (core::leadingNumber(item) < 600) rows.push_back(item);
        }
    } else {
        const vb::ListBox& source = fromMenu ? ListDescrComp : Form5::get().ListDescrComp;
        for (const std::string& item : source.items())
            if (core::inLegend(item)) core::legendInsert(rows, core::legendRowText(item));
    }
    MSGrid1.Clear();
    MSGrid1.setRows(0);
    for (const std::string& r : rows)
        MSGrid1.AddItem(r);

    int W = 0;
    for (const std::string& r : rows)
        W = std::max(W, TextWidth(trimmed ? vb::Trim(r) : r));
    const int H = TextHeight("X");
    for (int r = 0; r < MSGrid1.Rows(); ++r)
        MSGrid1.setRowHeight(r, H);
    MSGrid1.setHeight(H * (int(rows.size()) + 1));
    MSGrid1.setWidth(W + 200);
    MSGrid1.setColWidth(0, MSGrid1.Width());
    Label1.setCaption(vb::Trim(Des[34]));
    Label1.Move(0, 0, MSGrid1.Width(), Label1.Height());
    Picture3.setWidth(MSGrid1.Width());
    Picture3.setHeight(MSGrid1.Height() + Label1.Height());
    Picture3.setLeft(Width() - Picture3.Width() - 90);
    Picture3.setTop(Height() - (Picture3.Height() + Picture1.Height()) - 375);
    MSGrid1.setTop(Label1.Height());
    MSGrid1.setLeft(-20);
}

void Form6::ArrangeControls() {
    Picture3.setLeft(Width() - Picture3.Width() - 90);
    Picture3.setTop(Height() - (Picture3.Height() + Picture1.Height()) - 375);
    for (vb::Label* line : {&Label4, &Label5})
        core::keepOnOneLine(*line, Shape2.Left() + Shape2.Width() - 60);
}

void Form6::Timer1_Timer() {
    Timer1.setEnabled(false);
    if (PictureRevealed == 0) {
        PictureRevealed = 1;
        if (PscType != "4") Picture3.setVisible(true);
        Picture2.setVisible(true);
        setMousePointer(vb::vbDefault);
        return;
    }
    Unload();
}

void Form6::Command6_Click() {
    Picture2.setVisible(false);
    Timer1.setInterval(100);
    Timer1.setEnabled(true);
}

void Form6::Command7_Click() {
    Set_PuntatoreAttesa();
    if (PscType != "4") {
        if (Picture3.Visible()) {
            Picture3.setVisible(false);
            Command7.setPicture(core::interfacePicture("tastext1.gif"));
        } else {
            Picture3.setVisible(true);
            Command7.setPicture(core::interfacePicture("tastext0.gif"));
        }
    } else if (TextPageShown != 0) {
        Command7.setPicture(core::interfacePicture("tastext1.gif"));
        TextPageShown = 0;
        Cls();
        Picture2.setWidth(PictureWidthFull);
        if (VScroll1.Enabled()) VScroll1.setVisible(false);
    } else {
        Command7.setPicture(core::interfacePicture("tastext0.gif"));
        TextPageShown = 1;
        Picture2.setWidth(PictureWidthWithText);
        placeTextPage();
        Draw_Pagina(0, 9, 12);
        if (VScroll1.Enabled()) VScroll1.setVisible(true);
    }
    Reset_PuntatoreAttesa();
}

void Form6::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == 27 || KeyCode == 124) return;
    if (toolbar.handleKey(KeyCode)) KeyCode = 0;
}

std::vector<vb::Control*> Form6::workingControls() {
    return {&Command6, &Command7, &Command1, &Command2, &Command3, &Command4, &Command5};
}

// ------------------------------------------------------------ text page

void Form6::placeTextPage() {
    TextOriginX = Width() - TextPageWidth + 200;
    TextOriginY = Picture1.Height() + 400;
    setCurrentX(TextOriginX);
    setCurrentY(TextOriginY);
}

void Form6::Load_TestoCpt() {
    const std::string path = core::AppPath + "\\ubi\\abs\\tx" + core::Lang + "\\" + LocationCode + ".cpt";
    std::string content;
    try {
        if (vb::FileLen(path) > 32767) throw vb::VbError(vb::errOverflow);
        content = vb::readAll(path);
    } catch (const vb::VbError& e) {
        // The page is left empty; the picture is still shown.
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + vb::LCase(path) + " not available", vb::vbCritical);
        content.clear();
    }
    TextLineCount = 0;
    TextLines.assign(1, std::string());
    std::string measure;
    core::forEachCptLine(content, [&](const std::string& stored) {
        const std::string line = core::decodeLineLenient(stored);
        ++TextLineCount;
        TextLines.resize(size_t(TextLineCount) + 1);
        TextLines[size_t(TextLineCount) - 1] = line;
        measure += line + "\r\n";
    });
    TextWidthMax = TextLineCount > 0 ? TextWidth(measure) : 0;
    const int h = TextHeight(" ");
    TextLinesPerPage = std::int16_t(std::nearbyint(double(Height() - 2 * Picture1.Height() - 750) / h));
    TextFirstLine = 0;
    if (TextLineCount > TextLinesPerPage) {
        core::TextNeedsScroll = 1;
        VScroll1.setWidth(250);
        VScroll1.setHeight(Height() - 2 * Picture1.Height());
        VScroll1.setTop(Picture1.Height());
        VScroll1.setLeft(Width() - VScroll1.Width());
        VScroll1.setMin(1);
        VScroll1.setMax(TextLineCount - TextLinesPerPage + 1);
        VScroll1.setValue(1);
        VScroll1.setEnabled(true);
        VScroll1.setVisible(true);
        TextPageWidth = TextWidthMax + 400 + VScroll1.Width() - 150;
        PictureWidthWithText = Width() - TextPageWidth - 40;
    } else {
        core::TextNeedsScroll = 0;
        VScroll1.setVisible(false);
        VScroll1.setEnabled(false);
        TextPageWidth = TextWidthMax + 400;
        PictureWidthWithText = Width() - TextPageWidth - 50;
    }
    setAutoRedraw(true);
    placeTextPage();
    Draw_Pagina(0, 9, 12);
}

void Form6::Draw_Pagina(int c1, int c2, int c3) {
    const int first = TextLineCount <= TextLinesPerPage ? 0 : TextFirstLine;
    const int count = TextLineCount <= TextLinesPerPage ? TextLineCount : TextLinesPerPage;
    const int w = TextWidth(" "), h = TextHeight(" ");
    std::vector<std::string> screen;
    for (int i = 0; i < count && first + i < TextLineCount; ++i) {
        const core::PageLine line = core::locationPageLine(TextLines[size_t(first + i)], c2, c3);
        for (const core::PageRun& run : line.runs) {
            setForeColor(vb::QBColor(run.colour));
            setCurrentX(TextOriginX + (run.column - 1) * w);
            setCurrentY(TextOriginY + i * h);
            Print(run.text, false);
        }
        screen.push_back(line.text);
    }
    setForeColor(vb::QBColor(c1));
    setCurrentX(TextOriginX);
    setCurrentY(TextOriginY);
    for (const std::string& text : screen) {
        Print(text);
        setCurrentX(TextOriginX);
    }
}

void Form6::VScroll1_Change() {
    if (core::TextNeedsScroll != 1) return;
    Cls();
    TextFirstLine = std::int16_t(VScroll1.Value() - 1);
    placeTextPage();
    Draw_Pagina(0, 9, 12);
}

} // namespace diagrams
