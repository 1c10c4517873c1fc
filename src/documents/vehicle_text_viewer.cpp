#include "documents/vehicle_text_viewer.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/grid.h"
#include "platform/vbstring.h"

#include <QResizeEvent>

namespace documents {
namespace {

using core::Des;

// A control of another open window, reached by name through the window
// registry, so this window needs none of the other's headers.
template <class T> T* controlOf(const char* window, const char* name) {
    vb::Form* f = vb::FormRegistry::existing(window);
    return f ? dynamic_cast<T*>(f->findControl(name)) : nullptr;
}

// The parameter code of the component button pressed in an old-format diagram.
std::string oldFormatCode() {
    auto* list = controlOf<vb::ListBox>("Form5", "List1");
    return list ? list->List(list->ListIndex()) : std::string();
}

frame::ToolbarStyle toolbarStyle(Form7& w) {
    frame::ToolbarStyle s = frame::ownPointerPair(w);
    return s;
}

} // namespace

Form7::Form7() : frame::DataWindow(kFormName, toolbarStyle(*this)), frame::BrandHeader(this) {
    setFontName("Courier");
    setFontSize(9.75);
    core::placeButtonBand(Picture1, 0, 12000, kBand);
    toolbar.setBand(Picture1);
    for (vb::CommandButton* b : {&Command6, &Command7, &Command8, &Command9, &Command1, &Command2, &Command3,
                                 &Command4, &Command5, &Command20, &Command30})
        b->setContainer(&Picture1);
    Command6.Move(50, 45, 630, 630);
    Command7.Move(710, 45, 630, 630);
    for (vb::CommandButton* b :
         {&Command8, &Command9, &Command2, &Command3, &Command4, &Command20, &Command30})
        b->Move(0, 45, 630, 630);
    Command5.setTop(45);
    Command1.setTop(360);
    Shape2.setBorderColor(0x808080);
    Label4.Move(960, 120, 9000, 255);
    Label5.Move(960, 420, 9000, 255);
    core::styleHeaderLine(Label4, core::kNavy);
    core::styleHeaderLine(Label5, core::kTitleBlue);
    Picture2.setAutoSize(true);
    List1.setVisible(false);
    RTB1.setVisible(false);
    RTB2.setVisible(false);
    VScroll1.setVisible(false);
    VScroll1.setEnabled(false);
    page.setColours({0, 9, 12});

    Command7.Click = {this, &Form7::Command7_Click};
    Command8.Click = {this, &Form7::Command8_Click};
    Command9.Click = {this, &Form7::Command9_Click};
    RTB1.Click = {this, &Form7::RTB1_Click};
}

void Form7::Form_Load() {
    const std::string& A = core::AppPath;
    mode_ = core::Form7Mode;
    core::startFullScreenLoad(*this);
    const int W = Width();
    const bool belt = mode_ == 5 || mode_ == 6;
    RTB1.setVisible(false);
    RTB2.setVisible(false);
    Command9.setVisible(belt);

    Picture1.setPicture(core::interfacePicture("spacer.jpg"));
    core::LoadScrambledFile(A + "\\sym\\sym5044\\xsymb_" + core::BrandId + ".gif", 10);
    placeHeader(W, 80);
    // Print and belt information follow the trouble codes; the brand
    // documents follow the belt button where it is shown, and otherwise
    // stand right against the print button.
    if (belt)
        toolbar.setRow({{&Command8}, {&Command9}, {&Command30}});
    else
        toolbar.setRow({{&Command8}, {&Command30, 0}});
    toolbar.place();

    Label4.setCaption(core::VehicleName);
    Label5.setCaption(core::PscCaption);
    switch (mode_) {
    case 0: {
        auto* title = controlOf<vb::Label>("Form5", "Label5");
        Label5.setCaption(title ? title->Caption() : std::string());
        if (core::PscNewFormat)
            core::LoadScrambledFile(A + "\\par\\x" + core::HotspotCode + ".gif", 11);
        else
            core::LoadScrambledFile(A + "\\par\\x" + "0" + oldFormatCode() + ".gif", 11);
        break;
    }
    case 1:
        Label5.setCaption(Des[59]);
        core::LoadScrambledFile(A + "\\soc\\x" + core::Form7Code + ".gif", 11);
        break;
    case 2: {
        auto* grid = controlOf<vb::Grid>("Form11", "Grid1");
        std::string row;
        if (grid && grid->Rows() > 0) row = grid->TextMatrix(grid->Row(), grid->Col());
        Label5.setCaption(Des[60] + " - " + row);
        std::string picture = A + "\\inf\\x" + core::Form7Code + ".gif";
        if (!vb::fileAvailable(picture)) picture = A + "\\inf\\x0999.gif";
        core::LoadScrambledFile(picture, 11);
        break;
    }
    case 5:
        Label5.setCaption(Des[83]);
        core::UseSecondKey = true;
        core::LoadScrambledFile(A + "\\cng\\dis\\x" + core::BeltPicture + ".gif", 9);
        break;
    case 6:
        Label5.setCaption(Des[84]);
        core::UseSecondKey = true;
        core::LoadScrambledFile(A + "\\cng\\aus\\x" + core::BeltPicture + ".gif", 9);
        break;
    default:
        break;
    }
    core::UseSecondKey = false;

    setCancelButton(&Command6);
    toolbar.setUp();
    const auto hand = core::handCursor();
    core::dressButton(Command7, "tastext0.gif", Des[51], hand);
    core::dressButton(Command8, "tassta.gif", Des[46], hand);
    core::dressButton(Command9, "tasinf.gif", Des[85], hand);

    TextLegendTips = {};
    if (core::Lang == "_ita")
        TextLegendTips = {"Click per vedere il TESTO.", "Click per vedere la LEGENDA."};
    else if (core::Lang == "_ing")
        TextLegendTips = {"Click to see the TEXT.", "Click to see the Abbreviations."};
    else if (core::Lang == "_fra")
        TextLegendTips = {"Cliquez pour voir le TEXTE.", "Cliquez pour voir les Abr\xE9viations."};
    else if (core::Lang == "_spa")
        TextLegendTips = {"Pulse el bot\xF3n para ver el texto.",
                          "Pulse el bot\xF3n para ver las abreviaciones."};
    else if (core::Lang == "_por")
        TextLegendTips = {"Fa\xE7"
                          "a tique-taque para ver o texto.",
                          "Fa\xE7"
                          "a tique-taque para ver as abrevia\xE7\xF5"
                          "es."};
    RTB1.setToolTipText(TextLegendTips[1]);

    page.clear();
    Load_TestoCpt();

    placeTextAndPicture();
    TextShown = 1;
    loaded_ = true;
    setMousePointer(vb::vbDefault);
}

void Form7::placeTextAndPicture() {
    const int W = Width(), H = Height();
    const bool belt = mode_ == 5 || mode_ == 6;
    RTB1.setWidth(W);
    if (mode_ == 6) {
        RTB1.setWidth(Picture2.Width() <= 7500 ? W - Picture2.Width() - 50 : 4500);
        RTB1.setToolTipText("");
    } else {
        RTB1.setWidth(W - (Picture2.Width() - 50));
    }
    if (!loaded_) PictureNaturalWidth = Picture2.Width();
    if (belt) {
        RTB1.Move(W - RTB1.Width() - 60, kBand + 75, RTB1.Width(), H - 2 * kBand - 450);
        PictureAreaWidth = W - RTB1.Width() - 40;
        RTB1.setVisible(true);
    }
    if (Picture2.Width() > PictureAreaWidth) Picture2.setWidth(PictureAreaWidth);
    Picture2.setLeft(0);
    Picture2.setTop((H - Picture2.Height() - 2 * kBand) / 2 + kBand - 200);
}

// A window resized by the user keeps its text at the right edge and its
// picture beside it.
void Form7::Form_Resize() {
    if (!loaded_) return;
    if (mode_ <= 2 && !pageBytes_.empty()) {
        const std::int16_t first = page.FirstLine;
        page.load(pageBytes_, kBand);
        PictureAreaWidth = core::TextNeedsScroll == 1 ? Width() - page.TextBlockWidth - 40
                                                      : Width() - page.TextBlockWidth - 50;
        if (core::TextNeedsScroll == 1 && first > 0)
            VScroll1.setValue(std::min<int>(first + 1, VScroll1.Max()));
        if (TextShown == 0) {
            page.clear();
            VScroll1.setVisible(false);
        }
    } else if (mode_ <= 2) {
        PictureAreaWidth = Width();
    }
    Picture2.setWidth(PictureNaturalWidth);
    placeTextAndPicture();
    if (TextShown == 0) {
        Picture2.setWidth(PictureNaturalWidth);
        RTB1.setVisible(false);
    }
}

void Form7::Load_TestoCpt() {
    const std::string& A = core::AppPath;
    std::string path;
    switch (mode_) {
    case 0:
        path = core::PscNewFormat ? A + "\\par\\tx" + core::Lang + "\\" + core::HotspotTextCode + ".cpt"
                                  : A + "\\par\\tx" + core::Lang + "\\" + "0" + oldFormatCode() + ".cpt";
        break;
    case 1:
        path = A + "\\soc\\tx" + core::Lang + ".cpt";
        break;
    case 2:
        path = A + "\\inf\\tx" + core::Lang + "\\" + core::Form7Code + ".cpt";
        break;
    case 5:
    case 6:
        BeltDocument = mode_ == 5 ? 0 : 1;
        Load_RtfCinghia(BeltDocument);
        return;
    default:
        return;
    }
    // A page that is missing (or cannot be read) leaves the picture alone in
    // the window, whatever the kind.
    std::string bytes;
    bool found = vb::fileAvailable(path);
    if (found) {
        try {
            bytes = vb::readAll(path);
        } catch (const vb::VbError& e) {
            core::reportedAsShortage(e.number()); // said; any other failure is not
            found = false;
        }
    }
    if (!found) {
        Command7.setVisible(false);
        PictureAreaWidth = Width();
        return;
    }
    pageBytes_ = bytes;
    page.load(bytes, kBand);
    List1.Clear();
    for (const std::string& l : page.PrintCopy)
        List1.AddItem(l);
    PictureAreaWidth =
        core::TextNeedsScroll == 1 ? Width() - page.TextBlockWidth - 40 : Width() - page.TextBlockWidth - 50;
    Command7.setVisible(page.LineCount > 0);
}

void Form7::Load_RtfCinghia(std::int16_t& belt) {
    const std::string folder = core::AppPath + "\\cng\\dis\\tx" + core::Lang;
    const std::string legend = folder + "\\xlegenda.rtf";
    const std::string text = belt == 0 ? folder + "\\x" + core::BeltTextCode + ".rtf" : legend;
    core::UseSecondKey = true;
    core::LoadScrambledFile(legend, 27);
    core::UseSecondKey = true;
    core::LoadScrambledFile(text, 26);
    core::UseSecondKey = false;
    RTB2.reportDamage(legend);
    if (text != legend) RTB1.reportDamage(text);
}

void Form7::Command7_Click() {
    Set_PuntatoreAttesa();
    const bool belt = mode_ == 5 || mode_ == 6;
    if (TextShown == 0) {
        Command7.setPicture(core::interfacePicture("tastext0.gif"));
        TextShown = 1;
        if (Picture2.Width() > PictureAreaWidth) Picture2.setWidth(PictureAreaWidth);
        if (!belt) {
            page.showAgain();
            if (VScroll1.Enabled()) {
                VScroll1.setVisible(true);
                VScroll1.SetFocus();
            }
        } else {
            RTB1.setVisible(true);
        }
        Command8.setEnabled(true);
    } else {
        Command7.setPicture(core::interfacePicture("tastext1.gif"));
        TextShown = 0;
        page.clear();
        Picture2.setWidth(PictureNaturalWidth);
        if (!belt) {
            if (VScroll1.Enabled()) VScroll1.setVisible(false);
        } else {
            RTB1.setVisible(false);
        }
        Command8.setEnabled(false);
    }
    Reset_PuntatoreAttesa();
}

void Form7::Command7_KeyDown(int KeyCode, int /*Shift*/) {
    if (core::TextNeedsScroll == 1 && Command7.Enabled()) page.pageKey(KeyCode);
}

void Form7::RTB1_Click() {
    if (mode_ != 5) return;
    RTB1.setToolTipText(BeltDocument == 0 ? TextLegendTips[0] : TextLegendTips[1]);
    BeltDocument = BeltDocument == 0 ? 1 : 0;
    Load_RtfCinghia(BeltDocument);
}

void Form7::Command9_Click() {
    Set_PuntatoreAttesa();
    core::Form13Topic = Name();
    vb::showModalByName("Form13", this);
    Reset_PuntatoreAttesa();
}

void Form7::Form_KeyDown(int& KeyCode, int Shift) {
    switch (KeyCode) {
    case 120:
        Command9_Click();
        KeyCode = 0;
        return;
    case 121:
        Command8_Click();
        KeyCode = 0;
        return;
    case 33:
    case 34:
        // The page follows PageUp and PageDown wherever the focus is, while
        // its text is shown.
        if (core::TextNeedsScroll == 1 && TextShown == 1 && mode_ <= 2) {
            Command7_KeyDown(KeyCode, Shift);
            KeyCode = 0;
        }
        return;
    default:
        if (toolbar.handleKey(KeyCode)) KeyCode = 0;
    }
}

void Form7::Command8_Click() {
    if (!core::ChoosePrinter(CommonDialog1)) return;
    // A printout that fails is not left unexplained. The page's printout
    // gives back only the orientation; the belt's gives back everything.
    core::RunPrintout(
        [this] {
            if (mode_ <= 2)
                Print_Testo();
            else if (mode_ == 5 || mode_ == 6)
                Print_ImmagineTesto();
        },
        mode_ <= 2 ? vb::PrinterRestore::Orientation : vb::PrinterRestore::Everything,
        [](const vb::VbError& e) { return e.description(); });
}

void Form7::Print_Testo() {
    vb::PrinterObject& p = vb::Printer();
    p.setFontName("Courier New");
    p.setFontSize(10);
    p.setCurrentY(200);
    if (p.Orientation() == vb::vbPRORLandscape) p.setOrientation(vb::vbPRORPortrait);
    p.setCurrentX(0);
    p.setCurrentY(0);
    for (int i = 0; i < List1.ListCount(); ++i) {
        std::string line = List1.List(i);
        for (char& c : line)
            if (c == '{' || c == '}' || c == '[' || c == ']') c = ' ';
        p.Print(line);
    }
    p.EndDoc();
}

void Form7::Print_ImmagineTesto() {
    vb::PrinterObject& p = vb::Printer();
    core::StartPortraitPrintout(p);
    p.setCurrentX(120);
    p.setCurrentY(10);
    p.PaintPicture(Picture2.Picture(), 10, 10);
    core::PrintRichText(RTB2, 1, 5.5f, 1, 1);
    p.EndDoc();
    if (mode_ == 5) core::PrintRichText(RTB1, 1, 1, 1, 1);
}

std::vector<vb::Control*> Form7::workingControls() {
    return {&Command1, &Command2, &Command3, &Command4, &Command5, &Command6, &Command7, &Command8};
}

} // namespace documents
