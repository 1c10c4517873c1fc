#include "mechanical/data_sheet_window.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "mechanical/artwork.h"
#include "mechanical/dictionaries.h"
#include "platform/errors.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"
#include "selection/main_window.h"

namespace mechanical {

using core::Des;

namespace {

frame::ToolbarStyle toolbarStyle(Form16* window) {
    frame::ToolbarStyle s;
    s.escCloses = true;
    s.mapsF13 = true;
    s.focusAfterReady = [window](vb::CommandButton&) { window->Grid1.SetFocus(); };
    return s;
}

// A dictionary of the data folder (AppPath\Ark), its lines decoded with
// DescrambleString; one that cannot be read is reported by its full path.
std::optional<std::vector<std::string>> readDataDictionary(const std::string& name) {
    const std::string path = core::AppPath + "\\Ark\\" + name;
    return readOrReport(path, LineForm::String, "Error: file " + path + " not available");
}

} // namespace

Form16::Form16()
    : frame::DataWindow(kFormName, toolbarStyle(this)), frame::VehicleHeader(this), frame::GridWheel(this,
                                                                                                     &Grid1) {
    setWidth(12000);
    setHeight(9000);
    core::placeButtonBand(Picture2, 7935, 11910, 690);
    toolbar.setBand(Picture2);
    toolbar.setRow({{&Command30}, {&Command8}});
    Shape2.Move(120, 120, 11655, 735);
    ImageMarca.Move(120, 120, 495, 495);
    for (int i = 0; i < 2; ++i) {
        auto& l = LabelModello.add(*this, "LabelModello", i);
        l.Move(960, i == 0 ? 195 : 480, i == 0 ? 3045 : 3645, 240);
        core::styleClearHeaderLine(l, i == 0 ? core::kTitleBlue : 0x000000);
        l.setAutoSize(true);
    }
    Command5.Move(8880, 50, 630, 305);
    Command1.Move(8880, 360, 630, 315);
    Command2.Move(8240, 50, 630, 630);
    Command3.Move(7590, 50, 630, 630);
    Command4.Move(6950, 50, 630, 630);
    Command20.Move(6300, 50, 630, 630);
    Command30.Move(5640, 50, 630, 630);
    Command8.Move(5040, 45, 630, 630);
    Command6.Move(50, 50, 630, 630);
    Command8.Click = {this, &Form16::Command8_Click};

    Shape1.Move(480, 720, 855, 615);
    Grid1.Move(50, 960, 11830, 6855);
    Grid1.setFont("Tahoma", 9);
    Grid1.setShape(0, kSheetColumns);
    Grid1.setRowHeightMin(550);
    Grid1.setMergeCells(2);
    Grid1.setHighLight(false);
    Grid1.setMouseIcon(artwork::sheetGridCursor());
    Grid1.MouseMove = {this, &Form16::Grid1_MouseMove};
    Grid1.Click = {this, &Form16::Grid1_Click};
    for (int i = 0; i < 2; ++i) {
        auto& p = Picture100.add(*this, "Picture100", i);
        p.setPicture(artwork::sheetIcon());
        p.setVisible(false);
    }
    for (vb::ListBox* l : {&ListaCategorie, &ListaDescrizioni, &ListaUnitaDiMisura, &ListaOperazioniSerraggio,
                           &ListaOperazioniRicaricaAC})
        l->setVisible(false);
}

void Form16::Form_Load() {
    selection::Form2& main = selection::Form2::get();
    setCaption(main.Caption());
    core::fillScreen(*this);
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xsymb_" + core::BrandId + ".gif", 7);

    showVehicleLines(main.vehicleLines());

    toolbar.setUp();
    core::dressButton(Command8, "tassta.gif", Des[46], Command5.MouseIcon());
    toolbar.place();
    layOut();
    setCancelButton(&Command6);

    Set_LarghezzeColonne();
    Load_ListaCategorie();
    Load_ListaDescrizioni();
    Load_ListaUnitaDiMisura();
    Load_ListaOperazioniSerraggio();
    Load_ListaOperazioniRicaricaAC();
    std::string dati = main.Data3.Recordset().Fields("datitecnic").value_or(std::string());
    Fill_GrigliaDatiTecnici(dati);
}

void Form16::Form_Resize() {
    layOut();
}

// Everything besides the toolbar that follows the window's size: the grid
// centred on wide screens, its frame and the header band.
void Form16::layOut() {
    if (!core::centreOnWideScreen(*this, Grid1, 500)) {
        Grid1.setLeft(50);
        Grid1.setTop(960);
    }
    Shape1.Move(Grid1.Left() - 15, Grid1.Top() - 15, Grid1.Width() + 30, Grid1.Height() + 30);
    placeHeader(Width(), 80);
}

void Form16::Form_KeyDown(int& KeyCode, int) {
    if (KeyCode == 121) {
        Command8_Click();
        return;
    }
    toolbar.handleKey(KeyCode);
}

void Form16::Set_LarghezzeColonne() {
    for (size_t c = 0; c < kSheetColumnWidths.size(); ++c)
        Grid1.setColWidth(int(c), kSheetColumnWidths[c]);
}

void Form16::loadList(vb::ListBox& list, const std::optional<std::vector<std::string>>& lines) {
    if (!lines) return;
    list.Clear();
    for (const auto& l : *lines)
        list.AddItem(l);
}

void Form16::Load_ListaCategorie() {
    loadList(ListaCategorie, readDataDictionary("tdati_ita.cpt"));
}

void Form16::Load_ListaDescrizioni() {
    loadList(ListaDescrizioni, readDataDictionary("dati_ita.cpt"));
}

void Form16::Load_ListaUnitaDiMisura() {
    loadList(ListaUnitaDiMisura, readDataDictionary("U_m_ita.cpt"));
}

void Form16::Load_ListaOperazioniSerraggio() {
    loadList(ListaOperazioniSerraggio, readLanguageText("\\ser\\ser"));
}

void Form16::Load_ListaOperazioniRicaricaAC() {
    ListaOperazioniRicaricaAC.Clear();
    loadList(ListaOperazioniRicaricaAC, readLanguageText("\\air\\ric"));
}

void Form16::Fill_GrigliaDatiTecnici(std::string& DatiTecnici) {
    SheetDictionaries d{ListaCategorie.items(), ListaDescrizioni.items(), ListaUnitaDiMisura.items(),
                        ListaOperazioniSerraggio.items(), ListaOperazioniRicaricaAC.items()};
    std::string cylinders;
    try {
        const auto v = selection::Form2::get().Data3.Recordset().Fields("N_CILINDRI");
        // A Null count reads as an empty one.
        if (v) cylinders = vb::Trim(core::decodeLineLenient(*v));
    } catch (const std::exception& e) {
        // An unreadable count reads as an empty one too.
        qCWarning(vb::lcData) << "cylinder count of the model not read:" << e.what();
    }
    showRows(buildDataSheet(DatiTecnici, cylinders, d));
    DatiTecnici.clear();
}

void Form16::showRows(const std::vector<SheetRow>& rows) {
    const QPixmap icon = Picture100(1).Picture();
    Grid1.setRedraw(false);
    for (const SheetRow& row : rows) {
        const int r = Grid1.Rows();
        Grid1.setRows(r + 1);
        Grid1.setRow(r);
        for (int c = 0; c < kSheetColumns; ++c) {
            const SheetCell& cell = row.cells[size_t(c)];
            if (!cell.text.empty()) Grid1.setTextMatrix(r, c, cell.text);
            const bool formatted = cell.alignment != sheet::kUnset || cell.back != sheet::kUnset ||
                                   cell.fore != sheet::kUnset || cell.bold || cell.icon;
            if (!formatted) continue;
            Grid1.setCol(c);
            if (cell.alignment != sheet::kUnset) Grid1.setCellAlignment(cell.alignment);
            if (cell.back != sheet::kUnset) Grid1.setCellBackColor(cell.back);
            if (cell.fore != sheet::kUnset) Grid1.setCellForeColor(cell.fore);
            if (cell.bold) Grid1.setCellFontBold(true);
            if (cell.icon) {
                Grid1.setCellPicture(icon);
                Grid1.setCellPictureAlignment(4);
            }
        }
        if (row.merge) Grid1.setMergeRow(r, true);
        if (row.fitText) {
            const int h = Grid1.textHeight(row.cells[1].text);
            if (h > Grid1.RowHeight(r)) Grid1.setRowHeight(r, h + 100);
        }
    }
    Grid1.setRedraw(true);
}

void Form16::Grid1_MouseMove(int, int, float, float) {
    if (Grid1.Rows() == 0) return;
    const int r = Grid1.MouseRow(), c = Grid1.MouseCol();
    if (r == UltimaRigaMouse && c == UltimaColonnaMouse) return;
    UltimaRigaMouse = r;
    UltimaColonnaMouse = c;
    const std::string& code = Grid1.TextMatrix(r, 8);
    Grid1.setMousePointer((code == "R02" || code == "R04") && c == 1 ? vb::vbCustom : vb::vbDefault);
    Grid1.setToolTipText(c == 2 ? unitToolTip(Grid1.TextMatrix(r, 2), ListaUnitaDiMisura.items())
                                : std::string());
}

void Form16::Grid1_Click() {
    const int r = Grid1.MouseRow(), c = Grid1.MouseCol();
    if (r >= Grid1.Rows() || c != 1) return;
    const std::string& code = Grid1.TextMatrix(r, 8);
    if (code != "R04" && code != "R02") return;
    core::BoltSequence = Grid1.TextMatrix(r, 5);
    core::BoltSequenceTitle = Grid1.TextMatrix(r, 0);
    vb::showModalByName("Form17", this);
}

void Form16::Command8_Click() {
    if (!core::ChoosePrinter(CommonDialog1)) return;
    // The printout stops at the failing step; a missing printer is the one
    // failure the user can act on, so it is the one told.
    core::RunPrintout([this] { Stampa_DatiTecnici(); }, vb::PrinterRestore::Everything);
}

void Form16::Stampa_DatiTecnici() {
    vb::PrinterObject& p = vb::Printer();
    if (p.Orientation() == vb::vbPRORLandscape) p.setOrientation(vb::vbPRORPortrait);
    p.setFontName("Arial");
    p.setFontSize(12);
    p.setScaleMode(vb::vbMillimeters);
    p.setCurrentY(10);
    p.setFontBold(true);
    p.setCurrentX(10);
    p.Print(LabelModello(0).Caption());
    p.setCurrentX(10);
    p.Print(LabelModello(1).Caption());
    p.setFontBold(false);
    p.Print("");
    std::vector<std::array<std::string, 4>> rows;
    rows.reserve(size_t(Grid1.Rows()));
    for (int r = 0; r < Grid1.Rows(); ++r)
        rows.push_back(
            {Grid1.TextMatrix(r, 0), Grid1.TextMatrix(r, 1), Grid1.TextMatrix(r, 2), Grid1.TextMatrix(r, 3)});
    for (const PrintLine& line : dataSheetPrintLines(rows)) {
        p.setFontBold(line.bold);
        p.setCurrentX(line.leftMm);
        p.Print(line.text);
        p.setFontBold(false);
    }
    p.EndDoc();
}

} // namespace mechanical
