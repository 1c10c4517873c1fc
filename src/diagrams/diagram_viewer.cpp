#include "diagrams/diagram_viewer.h"

#include "core/component_lists.h"
#include "core/diagram_bitmap.h"
#include "core/interface.h"
#include "core/module1.h"
#include "core/psc_catalogue.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/file_io.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/temporary_files.h"
#include "platform/temporary_names.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

#include <QBitmap>
#include <QPainter>
#include <QScopedValueRollback>
#include <algorithm>
#include <cmath>

namespace diagrams {
namespace {

using core::Des;

constexpr int kBarHeight = 720;

} // namespace

Form5::Form5()
    : frame::DataWindow(kFormName, frame::ownPointerPairAndClose(*this)), frame::BrandHeader(this) {
    // The bottom bar: close button, component grid or buttons, the toolbar.
    Picture1.Move(0, 0, 15360, kBarHeight);
    toolbar.setBand(Picture1);
    toolbar.setRow({{&Command9}, {&Command7}, {&Command8}, {&Command30}});
    Picture1.MouseMove = {this, &Form5::resetHover};
    for (vb::CommandButton* b : {&Command6, &Command1, &Command2, &Command3, &Command4, &Command5, &Command20,
                                 &Command30, &Command7, &Command8, &Command9})
        b->setContainer(&Picture1);
    for (vb::CommandButton* b : {&Command2, &Command3, &Command4, &Command7, &Command8, &Command9})
        b->setWidth(600);
    Command5.setWidth(600);
    Command1.setWidth(600);
    for (vb::CommandButton* b : {&Command7, &Command8, &Command9})
        b->Move(0, 50, 600, 630);
    Command7.Click = {this, &Form5::Command7_Click};
    Command8.Click = {this, &Form5::Command8_Click};
    Command9.Click = {this, &Form5::Command9_Click};
    for (vb::CommandButton* b :
         {&Command1, &Command2, &Command3, &Command4, &Command5, &Command6, &Command7, &Command8, &Command9})
        b->MouseMove = {this, &Form5::resetHover};
    VisibleComponentGrid.setContainer(&Picture1);
    VisibleComponentGrid.Move(700, 45, 8000, 630);
    VisibleComponentGrid.setShape(0, 1);
    VisibleComponentGrid.setFont("Tahoma", 8.25);
    for (int i = 0; i < 20; ++i) {
        auto& b = Command10.add(*this, "Command10", i);
        b.setContainer(&Picture1);
        b.Move(660 + (i % 10) * 400, i < 10 ? 40 : 420, 400, 255);
        b.setVisible(false);
        b.setEnabled(false);
        b.Click = [this, i] { Command10_Click(i); };
        b.MouseMove = [this, i](int, int, float, float) { Command10_MouseMove(i); };
    }

    Shape2.Move(50, 50, 15160, 700);
    Label4.Move(1000, 110, 13000, 270);
    core::styleClearHeaderLine(Label4, core::kNavy);
    Label5.Move(1000, 420, 13000, 270);
    core::styleClearHeaderLine(Label5, core::kNavy, false);

    ImagePsc.setVisible(false);
    ImagePsc.Click = {this, &Form5::ImagePsc_Click};
    ImagePsc.MouseMove = {this, &Form5::ImagePsc_MouseMove};
    ImagePsc.MouseDown = {this, &Form5::ImagePsc_MouseDown};
    Picture2.setVisible(false);
    Picture2.setAutoSize(true);

    Picture3.setBackColor(0xC0FFFF);
    Picture3.setBorder(true);
    Label1.setContainer(&Picture3);
    Label1.setFont("Tahoma", 12);
    Label1.setFontBold(true);
    Label1.setTransparent(true);
    Label1.setAutoSize(true);
    vb::keepClearOfMessageBoxes(Picture3.widget());

    Picture20.setBackColor(0xC0FFFF);
    Picture20.setBorder(true);
    Label20.setContainer(&Picture20);
    Label20.Move(10, 10, 100, 200);
    Label20.setTransparent(true);
    Label20.setAutoSize(true);
    Timer20.Tick = {this, &Form5::Timer20_Timer};
    Timer1.Tick = {this, &Form5::Timer1_Timer};
    Timer1.setEnabled(false);

    for (vb::ListBox* l :
         {&List1, &List2, &List3, &ListDescrComp, &ListDescrSecond, &PrintableComponentsList})
        l->setVisible(false);
}

void Form5::Form_Load() {
    core::startFullScreenLoad(*this);
    toolbar.place();
    ArrangeControls();
    Picture1.setPicture(core::interfacePicture("spacer.jpg"));
    core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xsymb_" + core::BrandId + ".gif", 4);
    const int linesLeft = placeHeader(Width(), 40);
    Label4.setCaption(selection::Form2::get().vehicleLine());
    Label4.setLeft(linesLeft);
    Label5.setLeft(Label4.Left());

    const std::pair<vb::CommandButton*, int> tips[] = {
        {&Command6, 42}, {&Command1, 35}, {&Command2, 36}, {&Command3, 38},  {&Command4, 39}, {&Command5, 41},
        {&Command7, 49}, {&Command8, 46}, {&Command9, 59}, {&Command20, 86}, {&Command30, 90}};
    toolbar.setUp();
    for (auto& [b, label] : tips)
        b->setToolTipText(Des[size_t(label)]);
    Command7.setPicture(core::interfacePicture("tasubi.gif"));
    Command8.setPicture(core::interfacePicture("tassta.gif"));
    Command9.setPicture(core::interfacePicture("tassoc.gif"));

    Picture3.setVisible(false);
    Label1.setCaption(Des[6]);
    Picture3.setHeight(Label1.Height() + 700);
    Picture3.setWidth(Label1.Width() + 100);
    Picture3.setTop((Height() - Picture3.Height()) / 2);
    Picture3.setLeft((Width() - Picture3.Width()) / 2);
    Label1.setTop((Picture3.Height() - Label1.Height()) / 2);
    Label1.setLeft((Picture3.Width() - Label1.Width()) / 2);

    hand_ = core::handCursor();
    magnifierPlus_ = core::interfaceCursor("lente+.ico");
    magnifierMinus_ = core::interfaceCursor("lente-.ico");
    setDiagramPointer(vb::vbCustom, magnifierPlus_);
    for (vb::CommandButton* b : {&Command1, &Command2, &Command3, &Command4, &Command5, &Command6, &Command7,
                                 &Command8, &Command9, &Command20, &Command30})
        core::pointWithHand(*b, hand_);
    for (auto& b : Command10)
        core::pointWithHand(*b, hand_);

    HotspotTooltipSet = false;
    Picture20.setVisible(false);
    Timer20.setEnabled(false);
    Timer20.setInterval(1000);
    HoverSource = 0;
    HoverIndex = 50;

    core::Form7Code = selection::Form2::get().modelField("presa_diag");
    Load_IndiceSchemi();
    core::PscNewFormat = Get_SchemaNuovo(core::PscCode);
    if (core::PscNewFormat) {
        DiagramFolder = core::AppPath + "\\psc\\";
        VisibleComponentGrid.setVisible(true);
    } else {
        DiagramFolder = core::AppPath + "\\psc\\psc" + core::Lang + "\\";
        VisibleComponentGrid.setVisible(false);
    }
    const int mode = core::DiagramMode;
    const bool locations =
        mode < 34 && mode != 10 && mode != 11 && mode != 20 && mode != 21 && mode != 30 && mode != 32;
    Command7.setEnabled(locations);
    if (mode < 54) {
        DiagramPictureName = "x" + core::PscCode + ".gif";
        Load_ImmagineSchema(DiagramFolder + DiagramPictureName);
    }
    Command9.setEnabled(mode < 24 && vb::Val(core::Form7Code) > 0);
    Zoomed = false;
    ZoomFactor = 1;

    if (core::PscNewFormat) {
        ListDescrSecond.Clear();
        ListDescrComp.Clear();
        core::FillListDescrSecond(*this, core::AppPath + "\\psc\\psc_txt\\" + core::PscCode + "&.cpt");
        core::FillListDescrComp(*this, core::AppPath + "\\psc\\psc_txt\\" + core::PscCode + ".cpt");
        Load_GrigliaComponenti();
    } else {
        Load_ListaParametri();
    }
    Load_DescrizioniParametri();
    Load_ListaTooltip();
    Label5.setCaption(core::PscCaption);
    if (vb::UCase(DiagramPictureName) == "XC011.GIF") {
        Label5.setCaption(Des[67] + " " + Des[61]);
        Command8.setEnabled(false);
    } else {
        Command8.setEnabled(true);
    }
    if (List1.ListCount() > 0) List1.setListIndex(0);
    setMousePointer(vb::vbDefault);
}

void Form5::ArrangeControls() {
    const int W = Width(), H = Height();
    ImagePsc.setLeft((W - ImagePsc.Width() - 90) / 2);
    ImagePsc.setTop((H - 2 * Picture1.Height() - ImagePsc.Height()) / 2 + Picture1.Height() - 150);
    Shape2.setWidth(W - 200);
    for (vb::Label* line : {&Label4, &Label5})
        core::keepOnOneLine(*line, Shape2.Left() + Shape2.Width() - 60);
    keepDiagramBetweenHeaderAndBar();
    // The component grid fills the bar between the close button and the
    // toolbar, at any width of the window.
    VisibleComponentGrid.setLeft(Command6.Left() + Command6.Width() + 15);
    VisibleComponentGrid.setWidth(std::max(0, Command30.Left() - VisibleComponentGrid.Left() - 15));
    VisibleComponentGrid.setColWidth(0, VisibleComponentGrid.Width());
}

void Form5::Load_ImmagineSchema(const std::string& Path) {
    // A diagram or frame that is not there is reported, and the viewer goes
    // on without a picture instead of ending the program.
    const std::string frame = core::AppPath + (core::PscNewFormat ? "\\mas\\xpsc" + std::string("51") + ".bmp"
                                                                  : "\\mas\\xpsc35.bmp");
    for (const std::string& p : {Path, frame})
        if (!vb::fileAvailable(p)) {
            core::MsgBoxStd("Error: file " + vb::LCase(p) + " not available", vb::vbCritical);
            return;
        }
    core::LoadScrambledFile(Path, 13);
    if (ImageList1.Count() < 1) return; // damaged and not recovered
    Picture2.setPicture(ImageList1.ListImage(1));
    core::LoadScrambledFile(frame, 13);
    if (ImageList1.Count() < 2) {
        // Without its frame the diagram is shown on its own.
        ImageList1.Add(1, ImageList1.ListImage(1));
    }
    ImageList1.setMaskColor(0xC0C0C0);
    ImagePsc.setLeft(0);
    ImagePsc.setPicture(ImageList1.Overlay(1, 2));
    ImagePsc.setVisible(true);
    ArrangeControls();
}

void Form5::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    const int key = KeyCode;
    switch (key) {
    case 27:
        KeyCode = 0;
        Command6_Click();
        return;
    case 117:
        KeyCode = 0;
        if (Command9.Enabled()) Command9_Click();
        return;
    case 119:
        KeyCode = 0;
        if (Command7.Enabled()) Command7_Click();
        return;
    case 121:
        KeyCode = 0;
        Command8_Click();
        return;
    default:
        if (key != 124 && toolbar.handleKey(key)) KeyCode = 0;
    }
}

void Form5::Command6_Click() {
    ImageList1.Clear();
    Unload();
}

void Form5::Command7_Click() {
    Set_PuntatoreAttesa();
    core::Form6FromMenu = 0;
    vb::showModalByName("Form6", this);
    if (isUnloaded()) return;
    Command6.SetFocus();
    Reset_PuntatoreAttesa();
}

void Form5::Command9_Click() {
    Set_PuntatoreAttesa();
    {
        const QScopedValueRollback<std::int16_t> mode(core::Form7Mode, 1);
        vb::showModalByName("Form7", this);
    }
    if (isUnloaded()) return;
    Command6.SetFocus();
    Reset_PuntatoreAttesa();
}

std::vector<vb::Control*> Form5::workingControls() {
    std::vector<vb::Control*> c = {&Command1, &Command2, &Command3, &Command4, &Command5,
                                   &Command6, &Command7, &Command8, &Command9};
    for (auto& b : Command10)
        c.push_back(b.get());
    return c;
}

// ------------------------------------------------------------ catalogue

void Form5::Load_IndiceSchemi() {
    try {
        Text1.Text = core::loadCatalogueIndex(Data1);
        catalogueOpen_ = true;
    } catch (const db::Error& e) {
        catalogueOpen_ = false;
        Text1.Text.clear();
        if (!core::reportedAsShortage(e.number()))
            core::MsgBoxStd("Error: file " + vb::LCase(core::AppPath + "\\ark\\xpsc.dbf") + " not available",
                            vb::vbCritical);
    }
}

bool Form5::Get_SchemaNuovo(const std::string& code) {
    if (!catalogueOpen_) return false;
    return core::isNewFormatDiagram(Data1, Text1.Text, code);
}

void Form5::Load_ListaParametri() {
    List1.Clear();
    // Without the catalogue, or for a code it lacks (which would otherwise
    // show the first record's codes), the diagram has no buttons.
    if (!catalogueOpen_ || !core::positionOnCode(Data1, Text1.Text, core::PscCode)) {
        for (auto& b : Command10) {
            b->setVisible(false);
            b->setEnabled(false);
        }
        return;
    }
    const std::vector<std::string> codes = parameterCodes(core::parameterFields(Data1.Recordset()));
    for (const std::string& code : codes)
        List1.AddItem(code);
    // Buttons 0..N-1 carry the codes in field order; an empty field between
    // two codes leaves no button behind that points past the list.
    for (int i = 0; i < 20; ++i) {
        const bool used = i < int(codes.size());
        if (used) Command10(i).setCaption(codes[size_t(i)]);
        Command10(i).setVisible(used);
        Command10(i).setEnabled(used);
    }
}

std::vector<std::string> Form5::parameterCodes(const std::vector<std::string>& fields) {
    std::vector<std::string> codes;
    for (const std::string& f : fields)
        if (f != "   ") codes.push_back(f);
    return codes;
}

void Form5::Load_DescrizioniParametri() {
    core::loadParameterDescriptions(Text2.Text, List2);
}

void Form5::Load_ListaTooltip() {
    List3.Clear();
    for (const std::string& code : List1.items())
        List3.AddItem(core::parameterTooltip(code, Text2.Text, List2));
}

// ------------------------------------------------ zoom and hot-spots

// The diagram is seen, and takes the mouse, only between the header and the
// bar: a picture larger than that room, zoomed or in a small window, passes
// beneath them, and they keep their looks and their clicks.
void Form5::keepDiagramBetweenHeaderAndBar() {
    QWidget* w = ImagePsc.widget();
    if (!w || w->width() <= 0 || w->height() <= 0) return;
    const int top = Shape2.widget()->geometry().bottom() + 1;
    const int bottom = Picture1.widget()->y();
    QBitmap room(w->size());
    room.clear();
    QPainter p(&room);
    p.fillRect(QRect(0, top - w->y(), w->width(), bottom - top), Qt::color1);
    p.end();
    w->setMask(room);
}

void Form5::setDiagramPointer(int pointer, const std::shared_ptr<QCursor>& icon) {
    ImagePsc.setMouseIcon(icon);
    ImagePsc.setMousePointer(pointer);
}

const std::vector<core::Hotspot>& Form5::hotspots() {
    // The list is filled once per opening; the rectangles are read from it
    // once instead of on every pointer move.
    if (hotspotsFor_ != size_t(ListDescrComp.ListCount())) {
        hotspots_ = core::hotspotsOf(ListDescrComp.items());
        hotspotsFor_ = size_t(ListDescrComp.ListCount());
    }
    return hotspots_;
}

void Form5::ImagePsc_Click() {
    if (OverHotspot) return;
    const int w = ImagePsc.Width();
    ImagePsc.setVisible(false);
    const int W = Width(), H = Height();
    if (!Zoomed) {
        if (W <= 12000)
            ZoomFactor = 1;
        else if (w == 9600)
            ZoomFactor = W < 15360 ? 1.25 : 1.6;
        else if (w == 12000)
            ZoomFactor = W < 15360 ? 1 : 1.28;
        ImagePsc.setHeight(int(std::lround(ImagePsc.Height() * ZoomFactor)));
        ImagePsc.setWidth(int(std::lround(ImagePsc.Width() * ZoomFactor)));
        ImagePsc.setLeft((W - ImagePsc.Width() - 90) / 2);
        ImagePsc.setTop((H - ImagePsc.Height()) / 2 - 150);
        ImagePsc.setStretch(true);
        setDiagramPointer(vb::vbCustom, magnifierMinus_);
    } else {
        ImagePsc.setStretch(false);
        if (ImageList1.Count() >= 2) ImagePsc.setPicture(ImageList1.Overlay(1, 2));
        ImagePsc.setLeft((W - ImagePsc.Width() - 90) / 2);
        ImagePsc.setTop((H - ImagePsc.Height()) / 2 - 150);
        setDiagramPointer(vb::vbCustom, magnifierPlus_);
    }
    Zoomed = !Zoomed;
    keepDiagramBetweenHeaderAndBar();
    ImagePsc.setVisible(true);
}

void Form5::ImagePsc_MouseMove(int /*Button*/, int /*Shift*/, float X, float Y) {
    HoverSource = 0;
    Timer20.setEnabled(false);
    Picture20.setVisible(false);
    if (!HotspotTooltipSet) ImagePsc.setToolTipText("");
    const double f = Zoomed ? ZoomFactor : 1.0;
    const int k = core::findHotspot(hotspots(), X, Y, f);
    if (k >= 0) {
        const std::string& item = ListDescrComp.items()[size_t(k)];
        // Every rectangle tested before the one found cleared the codes.
        if (k > 0) {
            core::HotspotCode.clear();
            core::HotspotTextCode.clear();
        }
        ImagePsc.setToolTipText(core::componentRowText(item));
        const std::string c = core::componentCode(item);
        core::HotspotTextCode = core::componentTextCode(item);
        HotspotTooltipSet = true;
        OverHotspot = true;
        if (c != core::HotspotCode) {
            core::HotspotCode = c;
            if (c == "0000")
                setDiagramPointer(vb::vbDefault, nullptr);
            else
                setDiagramPointer(vb::vbCustom, hand_);
        }
        MagnifierShown = false;
        return;
    }
    if (!hotspots().empty()) {
        core::HotspotCode.clear();
        core::HotspotTextCode.clear();
        HotspotTooltipSet = false;
    }
    if (!MagnifierShown) {
        setDiagramPointer(vb::vbCustom, Zoomed ? magnifierMinus_ : magnifierPlus_);
        MagnifierShown = true;
        OverHotspot = false;
    }
}

void Form5::ImagePsc_MouseDown(int Button, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (Button != 1 || !OverHotspot) return;
    if (core::HotspotCode.empty()) {
        vb::Beep();
        return;
    }
    if (core::HotspotCode == "0000") return;
    Set_PuntatoreAttesa();
    core::Form7Mode = 0;
    vb::showModalByName("Form7", this);
    core::HotspotCode = "0000";
    core::HotspotTextCode = "0000";
    if (!isUnloaded()) Reset_PuntatoreAttesa();
}

void Form5::Command10_Click(int Index) {
    Set_PuntatoreAttesa();
    List1.setListIndex(Index);
    Picture20.setVisible(false);
    Timer20.setEnabled(false);
    vb::showModalByName("Form7", this);
    if (!isUnloaded()) Reset_PuntatoreAttesa();
}

void Form5::Command10_MouseMove(int Index) {
    if (HoverSource == 10 && HoverIndex == Index) return;
    HoverSource = 10;
    if (!Timer20.Enabled()) Timer20.setEnabled(true);
    HoverIndex = std::int16_t(Index);
}

void Form5::Timer20_Timer() {
    if (HoverSource == 10) {
        Label20.setCaption(vb::Trim(List3.List(HoverIndex)));
        Picture20.setWidth(Label20.Width() + 150);
        if (HoverIndex >= 0 && HoverIndex <= Command10.UBound())
            Picture20.setLeft(Picture1.Left() + Command10(HoverIndex).Left());
    }
    Picture20.setHeight(Label20.Height() + 40);
    if (HoverIndex <= 9)
        Picture20.setTop(Picture1.Top() - Picture20.Height() + 50);
    else
        Picture20.setTop(Picture1.Top() - Picture20.Height() + 450);
    Label20.setTop(20);
    Label20.setLeft(30);
    Picture20.setVisible(true);
    Picture20.widget()->raise();
}

void Form5::resetHover() {
    HoverSource = 0;
    Picture20.setVisible(false);
    Timer20.setEnabled(false);
}

// ------------------------------------------------------------- printing

void Form5::Command8_Click() {
    try {
        vb::Printer().DeviceName();
        Set_PuntatoreAttesa();
        if (Show_DialogoStampa() == 1) {
            Reset_PuntatoreAttesa();
            return;
        }
        Picture3.setVisible(true);
        Picture3.widget()->raise();
        setMousePointer(vb::vbHourglass);
        if (Picture2.Picture().isNull()) throw vb::VbError(vb::errInvalidPicture);
        PrintBitmap =
            std::make_unique<vb::TemporaryFile>(DiagramFolder, vb::kPrintBitmapPrefix, vb::kPrintBitmapSuffix,
                                                core::sixteenColourBitmap(Picture2.Picture().toImage()));
        Timer1.setInterval(500);
        Timer1.setEnabled(true);
        Command6.SetFocus();
        Reset_PuntatoreAttesa();
    } catch (const vb::VbError& e) {
        Reset_PuntatoreAttesa();
        Picture3.setVisible(false);
        core::ReportRuntimeError(Name(), e);
    }
}

int Form5::Show_DialogoStampa() {
    if (!core::ChoosePrinter(CommonDialog1)) return 1;
    try {
        PrinterColorMode = std::int16_t(vb::Printer().ColorMode());
    } catch (const vb::VbError&) {
        PrinterColorMode = 1;
    }
    try {
        PrinterOrientation = std::int16_t(vb::Printer().Orientation());
    } catch (const vb::VbError&) {
        PrinterOrientation = 1;
    }
    return 0;
}

void Form5::Timer1_Timer() {
    Timer1.setEnabled(false);
    // A failed job is abandoned and its bitmap removed; the viewer stays open.
    core::RunPrintout(
        [this] { printJob(); }, vb::PrinterRestore::Nothing,
        [](const vb::VbError& e) { return "Error: (" + std::to_string(e.number()) + ") " + e.description(); },
        [this] {
            // Its own bitmap only: another file of that folder is never touched.
            PrintBitmap.reset();
            endPrint();
        });
}

void Form5::endPrint() {
    setMousePointer(vb::vbDefault);
    Picture3.setVisible(false);
    if (List1.ListCount() > 0 && Command10(0).Visible())
        Command10(0).SetFocus();
    else
        Command6.SetFocus();
}

void Form5::printJob() {
    if (!PrintBitmap) throw vb::VbError(vb::errFileNotFound);
    const std::string bmp = PrintBitmap->path();
    std::string bytes = vb::readAll(bmp);
    if (!core::hasWhiteEntry15(bytes)) {
        vb::MsgBox("Invalid Bitmap Format !!");
        PrintBitmap.reset();
        Picture3.setVisible(false);
        return;
    }
    bool blackWhite = true;
    if (PrinterColorMode == 2)
        blackWhite = vb::MsgBox(Des[73], vb::vbYesNo | vb::vbInformation,
                                std::string("Stampa Schema Elettrico")) == vb::vbNo;
    core::recolourBitmap(bytes, blackWhite);
    vb::writeAt(bmp, 1, bytes);
    Picture2.setPicture(vb::LoadPicture(bmp));

    vb::PrinterObject& P = vb::Printer();
    double w, h;
    if (PrinterOrientation == 2) {
        w = std::nearbyint(Picture2.Width() * 1.3);
        h = std::nearbyint(Picture2.Height() * 1.3);
    } else {
        w = P.ScaleWidth();
        h = std::floor(P.ScaleWidth() * Picture2.Height() / Picture2.Width());
    }
    P.PaintPicture(Picture2.Picture(), 0, 0, w, h);
    if (core::PscNewFormat) {
        P.setFontName("Courier New");
        P.setFontSize(8);
        P.setCurrentY(h);
        P.setCurrentX(0);
        P.Print();
        P.setCurrentX(0);
        P.setFontBold(true);
        P.Print(Label5.Caption());
        P.setFontBold(false);
        Load_ListaComponentiStampa();
        const int k = PrintableComponentsList.ListCount();
        if (PrinterOrientation != 2) {
            for (int i = 0; i < k; ++i) {
                P.setCurrentX(0);
                P.Print(PrintableComponentsList.List(i));
            }
        } else {
            const double x2 = std::nearbyint(P.Width() / 2);
            for (const core::PrintLine& line : core::twoColumnLines(k)) {
                P.setCurrentX(0);
                if (line.right < 0) {
                    P.Print(PrintableComponentsList.List(line.left));
                    continue;
                }
                P.Print(PrintableComponentsList.List(line.left), false);
                P.setCurrentX(x2);
                P.Print(PrintableComponentsList.List(line.right));
            }
        }
    }
    P.EndDoc();
    PrintBitmap.reset();
    endPrint();
}

void Form5::Load_GrigliaComponenti() {
    VisibleComponentGrid.Clear();
    VisibleComponentGrid.setRows(0);
    VisibleComponentGrid.setColWidth(0, VisibleComponentGrid.Width());
    gridRows_.clear();
    if (ListDescrComp.ListCount() == 0) return;
    for (const std::string& item : ListDescrComp.items()) {
        const std::string text = core::componentRowText(item);
        const int at = core::gridInsertPosition(gridRows_, text);
        gridRows_.insert(gridRows_.begin() + at, text);
        VisibleComponentGrid.AddItem(text, at);
    }
}

void Form5::Load_ListaComponentiStampa() {
    PrintableComponentsList.Clear();
    std::vector<std::string> rows;
    for (int r = 0; r < VisibleComponentGrid.Rows(); ++r)
        rows.push_back(VisibleComponentGrid.TextMatrix(r, 0));
    for (const std::string& r : core::withoutRepeats(rows))
        PrintableComponentsList.AddItem(r);
}

} // namespace diagrams
