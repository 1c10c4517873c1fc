#include "selection/main_window.h"

#include "core/interface.h"
#include "core/module1.h"
#include "core/psc_catalogue.h"
#include "core/scramble.h"
#include "core/scrambled_file.h"
#include "core/technical_data.h"
#include "core/texts.h"
#include "core/window_services.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/file_io.h"
#include "platform/geometry.h"
#include "platform/log.h"
#include "platform/path_text.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <algorithm>
#include <array>
#include <optional>

namespace selection {

using core::Des;

namespace {

constexpr std::int32_t kWhite = 0xFFFFFF;
constexpr std::int32_t kLightBlue = 0xFF8080;

// The menu's design-time marks.
QPixmap markPicture(int size, bool arrow) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 0, 0x80));
    p.setPen(Qt::NoPen);
    if (arrow) {
        QPolygon tri;
        tri << QPoint(4, 4) << QPoint(size - 4, size / 2) << QPoint(4, size - 4);
        p.drawPolygon(tri);
    } else {
        p.drawEllipse(QRect(3, 3, size - 6, size - 6));
    }
    return pm;
}

// The main window's toolbar: the standard pointer pair, the gas-analysis
// button leaves the pointer alone, Esc closes and F13 opens the brand documents.
frame::ToolbarStyle toolbarStyle() {
    frame::ToolbarStyle s;
    s.gasKeepsPointer = true;
    s.escCloses = true;
    s.mapsF13 = true;
    return s;
}

// The designed places of the names beside the brand's symbol and of the
// family grid below them (twips, in the panel).
constexpr int kNamesTop = 2330;
constexpr int kFamilyNameTop = 2650;
constexpr int kFamilyGridTop = 3200;
constexpr int kFamilyGridHeight = 2175; // nine rows on view
// The designed top of the vehicle title under the photo (twips, in the frame).
constexpr int kTitleTop = 3060;
// What keeps a text or a picture clear of the next one.
constexpr int kClearance = 60;

const char* const kModelFields[6] = {"MODELLO___", "DATA__IMM_", "MOTORE____",
                                     "CILINDRATA", "POTENZA___", "INIEZ_TIPO"};
const int kModelColumnWidths[6] = {2450, 700, 1500, 650, 1400, 3600};

} // namespace

Form2::Form2() : frame::DataWindow(kFormName, toolbarStyle()) {
    Picture2.Move(0, 0, 15360, 730);
    Picture2.widget()->lower();
    toolbar.setBand(Picture2, false);
    Picture2.MouseMove = {this, &Form2::Picture2_MouseMove};

    // The central selection panel, as designed for an 800 x 600 screen.
    Picture1.Move(30, 800, 11900, 7850);
    Picture1.setBackColor(0xF4EDE6);
    Picture1.setVisible(false);
    Picture1.MouseMove = {this, &Form2::Picture1_MouseMove};
    auto inPanel = [this](vb::Control& c, int l, int t, int w, int h) {
        c.setContainer(&Picture1);
        c.Move(l, t, w, h);
    };
    inPanel(MSFlexGrid1, 60, 60, 9765, 750);
    inPanel(Shape1, 40, 40, 9805, 790);
    MSFlexGrid1.setFixedRows(0);
    MSFlexGrid1.setFixedCols(0);
    MSFlexGrid1.Click = {this, &Form2::MSFlexGrid1_Click};
    MSFlexGrid1.RowColChange = {this, &Form2::MSFlexGrid1_RowColChange};
    MSFlexGrid1.MouseMove = {this, &Form2::MSFlexGrid1_MouseMove};
    inPanel(ListaMarche, 9900, 60, 1940, 2190);
    ListaMarche.Click = {this, &Form2::ListaMarche_Click};
    ListaID_Marche.setVisible(false);
    inPanel(Image1, 60, 2330, 900, 800);
    Image1.setStretch(true);
    inPanel(LabelMarca, 1000, kNamesTop, 1600, 300);
    LabelMarca.setFontBold(true);
    LabelMarca.setForeColor(core::kNavy);
    inPanel(LabelFamiglia, 1000, kFamilyNameTop, 1600, 500);
    LabelFamiglia.setForeColor(core::kNavy);
    // A name wider than the column takes further whole lines (placeNames).
    for (vb::Label* name : {&LabelMarca, &LabelFamiglia}) {
        name->setWordWrap(true);
        name->setAutoSize(true);
    }
    inPanel(GridFamiglie, 60, kFamilyGridTop, 2500, kFamilyGridHeight);
    GridFamiglie.setShape(0, 1);
    // A family name wider than the grid takes further lines in a taller row.
    GridFamiglie.setWordWrap(true);
    GridFamiglie.Click = {this, &Form2::GridFamiglie_Click};
    GridFamiglie.RowColChange = {this, &Form2::GridFamiglie_RowColChange};
    List4.setVisible(false);

    inPanel(Frame1, 2650, 2330, 4060, 2380);
    for (int i = 0; i < 9; ++i) {
        auto& l = Label10.add(*this, "Label10", i);
        l.setContainer(&Frame1);
        l.Move(435, 150 + 240 * i, 3100, 240);
        l.setFont("Tahoma", 9.75);
        l.setForeColor(kLightBlue);
        l.setBackColor(i == 0 ? kWhite : vb::vbWindowBackground);
        l.Click = [this, i] { Label10_Click(i); };
        l.MouseMove = [this, i](int b, int s, float x, float y) { Label10_MouseMove(i, b, s, x, y); };
        auto& m = Image2.add(*this, "Image2", i);
        m.setContainer(&Frame1);
        m.setPicture(markPicture(16, false));
        m.Move(120, 150 + 240 * i, 240, 240);
    }
    for (vb::Image* hover : {&Image10, &Image3}) {
        hover->setContainer(&Frame1);
        hover->setPicture(markPicture(24, true));
        hover->Move(0, 0, 360, 360);
        hover->setVisible(false);
    }

    inPanel(Frame2, 6800, 2330, 5040, 3370);
    Frame2.MouseMove = {this, &Form2::Frame2_MouseMove};
    Picture3.setContainer(&Frame2);
    Picture3.Move(0, 0, 4500, 2700);
    Picture3.setAutoSize(true);
    LabelMarcaFamigliaModello.setContainer(&Frame2);
    LabelMarcaFamigliaModello.Move(0, kTitleTop, 5000, 300);
    LabelMarcaFamigliaModello.setAlignment(2);
    LabelMarcaFamigliaModello.setFontBold(true);
    // A title wider than the frame takes further whole lines (placeTitle).
    LabelMarcaFamigliaModello.setWordWrap(true);
    LabelMarcaFamigliaModello.setAutoSize(true);

    for (int i = 0; i < 4; ++i) {
        auto& o = Option1.add(*this, "Option1", i);
        o.setContainer(&Picture1);
        o.Move(60 + 2950 * i, 5730, 2900, 300);
        static const char* designed[4] = {"Tutti", "Benzina", "Diesel", "Carburatore"};
        o.setCaption(designed[i]);
        o.setForeColor(kLightBlue);
        o.Click = [this, i] { Option1_Click(i); };
    }
    inPanel(MSGrid1, 60, 6060, 11780, 1710); // header and six models on view
    MSGrid1.setShape(1, 6, 1, 0);
    // A value wider than its column goes on further lines (widenModelColumns).
    MSGrid1.setWordWrap(true);
    MSGrid1.Click = {this, &Form2::MSGrid1_Click};
    MSGrid1.RowColChange = {this, &Form2::MSGrid1_RowColChange};
    MSGrid1.MouseMove = {this, &Form2::MSGrid1_MouseMove};

    WheelCatcher1.WheelRotation = {this, &Form2::WheelCatcher1_WheelRotation};
    for (vb::ListBox* l : {&ListPar, &ListParPsc, &ListNomePar, &ListTipoPsc})
        l->setVisible(false);
}

void Form2::Form_Load() {
    ModelGridReady = false;
    FamilyGridReady = false;
    setMousePointer(vb::vbHourglass);
    setCaption(vb::Mid(Des[1], 3) + " - " + Des[0] + " - Tel: " + Des[4] + " (" + Des[3] + ")");
    core::fillScreen(*this);
    core::centreOnWideScreen(*this, Picture1, 1000);
    toolbar.place();
    Picture2.setPicture(core::interfacePicture("spacer.jpg"));
    toolbar.setUp();

    static const int captionLabels[9] = {77, 30, -1, 59, 33, 60, -2, 83, 84};
    for (int i = 0; i < 9; ++i) {
        std::string caption;
        if (captionLabels[i] == -1)
            caption = vb::Trim(Des[53] + " " + Des[13]);
        else if (captionLabels[i] == -2)
            caption = vb::Trim(Des[66] + " A/C");
        else
            caption = vb::Trim(Des[size_t(captionLabels[i])]);
        Label10(i).setCaption(caption);
    }
    const auto hand = core::handCursor();
    for (auto& l : Label10)
        core::pointWithHand(*l, hand);
    for (auto& o : Option1)
        core::pointWithHand(*o, hand);
    core::pointWithHand(ListaMarche, hand);

    GridFamiglie.setColWidth(0, GridFamiglie.Width());
    core::pointWithHand(GridFamiglie, hand);

    Option1(0).setCaption(Des[81]);
    Option1(0).setForeColor(core::kNavy);
    Option1(0).setFontBold(true);
    Option1(1).setCaption(Des[28] + "(" + Des[74] + ")");
    Option1(2).setCaption(Des[28] + "(" + Des[75] + ")");
    Option1(3).setCaption(Des[17]);
    // Selected as designed: no query runs until the brands are loaded.
    {
        auto click = Option1(0).Click;
        Option1(0).Click = nullptr;
        Option1(0).setValue(true);
        Option1(0).Click = click;
    }

    FilterNoInjection = core::ScrambleString("0000");
    FilterPetrol = core::ScrambleString("B");
    FilterDiesel = core::ScrambleString("D");

    Load_ListaTipiPsc();
    Set_IntestazioniModelli();
    Load_Marche();
    Picture1.setVisible(true);
    setMousePointer(vb::vbDefault);
}

void Form2::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (toolbar.handleKey(KeyCode)) KeyCode = 0;
}

// A table that is missing or damaged is reported, and the window goes on
// without its data; so is one that could not be read for lack of
// descriptors or memory, as that.
bool Form2::refreshOrReport(db::DataControl& control, const std::string& table) {
    try {
        control.Refresh();
        return true;
    } catch (const db::Error& e) {
        if (core::reportedAsShortage(e.number())) return false;
        // The file at fault: the memo file when the memo is missing.
        const std::string at = e.file().empty() ? core::AppPath + "\\Ark\\" + table : vb::pathText(e.file());
        vb::reportError("Error: file " + at + " not available");
        return false;
    }
}

// ---------------------------------------------------------------- brands

void Form2::Load_Marche() {
    Data1.Connect = "dBase IV;";
    core::useTableFolder(Data1, "\\Ark");
    Data1.RecordSource = "SELECT * FROM Xmarche.dbf ORDER BY marca";
    if (!refreshOrReport(Data1, "Xmarche.dbf")) return;
    db::Recordset& rs = Data1.Recordset();
    int n = 0;
    if (rs.RecordCount() > 0) {
        rs.MoveFirst();
        rs.MoveLast();
        n = rs.RecordCount();
        rs.MoveFirst();
    }
    MSFlexGrid1.setRows(1);
    MSFlexGrid1.setRowHeight(0, 720);
    MSFlexGrid1.setCols(12);
    int c = 0;
    for (int i = 0; i < n; ++i) {
        const std::string id = vb::Trim(core::DescrambleLineConv(rs.Fields("ID_Marca").value_or("")));
        if (!vb::fileAvailable(core::AppPath + "\\Ark\\xfam_" + id + ".dbf")) {
            rs.MoveNext();
            continue;
        }
        if (c < MSFlexGrid1.Cols()) {
            ++c;
            MSFlexGrid1.setCol(c - 1);
            MSFlexGrid1.setRowHeight(MSFlexGrid1.Rows() - 1, 720);
        } else {
            MSFlexGrid1.setRows(MSFlexGrid1.Rows() + 1);
            MSFlexGrid1.setRowHeight(MSFlexGrid1.Rows() - 1, 720);
            MSFlexGrid1.setRow(MSFlexGrid1.Rows() - 1);
            MSFlexGrid1.setCol(0);
            c = 1;
        }
        MSFlexGrid1.setColWidth(c - 1, 810);
        MSFlexGrid1.setCellPictureAlignment(4);
        ListaMarche.AddItem(vb::Trim(core::DescrambleLineConv(rs.Fields("Marca").value_or(""))));
        ListaID_Marche.AddItem(id);
        core::LoadScrambledFile(core::AppPath + "\\sym\\sym5044\\xSymb_" + id + ".gif", 2);
        rs.MoveNext();
    }
    // Three rows fit above the brand symbol and the menu; a longer grid
    // keeps that height and scrolls, with room for its scroll bar taken from
    // the brand list.
    constexpr int kRowsOnView = 3;
    const bool scrolls = MSFlexGrid1.Rows() > kRowsOnView;
    MSFlexGrid1.setHeight(std::min(MSFlexGrid1.Rows(), kRowsOnView) * 720 + 30);
    MSFlexGrid1.setWidth(MSFlexGrid1.Cols() * 810 + 45 + (scrolls ? MSFlexGrid1.scrollBarWidth() : 0));
    Shape1.setWidth(MSFlexGrid1.Width() + 40);
    const int listRight = ListaMarche.Left() + ListaMarche.Width();
    ListaMarche.setLeft(MSFlexGrid1.Left() + MSFlexGrid1.Width() + 75);
    ListaMarche.setWidth(listRight - ListaMarche.Left());
    MSFlexGrid1.setRow(0);
    MSFlexGrid1.setCol(0);
    // With no brand offered there is nothing to choose.
    if (ListaID_Marche.ListCount() > 0) {
        ListaID_Marche.setListIndex(0);
        core::BrandId = ListaID_Marche.List(0);
        ListaMarche.setListIndex(0);
        // Raised as the event, so that a damaged table of this brand costs
        // its own data and not the rest of the window's load.
        MSFlexGrid1.Click();
    }
    Shape1.setHeight(MSFlexGrid1.Height());
}

void Form2::MSFlexGrid1_Click() {
    const int index = MSFlexGrid1.Row() * MSFlexGrid1.Cols() + MSFlexGrid1.Col();
    if (index >= ListaID_Marche.ListCount()) return;
    ListaID_Marche.setListIndex(index);
    ListaMarche.setListIndex(index);
    chooseBrand(index);
}

void Form2::ListaMarche_Click() {
    const int index = ListaMarche.ListIndex();
    if (index < 0) return;
    ListaID_Marche.setListIndex(index);
    chooseBrand(index);
}

// The brand at index of the lists: its name over the families, its symbol
// and its families.
void Form2::chooseBrand(int index) {
    core::BrandId = vb::Trim(ListaID_Marche.List(ListaID_Marche.ListIndex()));
    core::BrandName = vb::Trim(ListaMarche.List(index));
    LabelMarca.setCaption(core::BrandName);
    core::LoadScrambledFile(core::AppPath + "\\sym\\xSymb_" + core::BrandId + ".gif", 3);
    Load_Famiglie();
}

void Form2::MSFlexGrid1_MouseMove(int, int, float, float) {
    for (auto& l : Label10) {
        l->setForeColor(core::kNavy);
        l->setBackColor(kWhite);
        l->setFontBold(false);
    }
    if (MSFlexGrid1.MouseRow() != MSFlexGrid1.Row()) MSFlexGrid1.setRow(MSFlexGrid1.MouseRow());
    if (MSFlexGrid1.MouseCol() != MSFlexGrid1.Col()) MSFlexGrid1.setCol(MSFlexGrid1.MouseCol());
    // No brand under the pointer: the no-drop pointer.
    const int index = MSFlexGrid1.MouseRow() * MSFlexGrid1.Cols() + MSFlexGrid1.MouseCol();
    MSFlexGrid1.setMousePointer(index < ListaMarche.ListCount() ? vb::vbDefault : vb::vbNoDrop);
}

void Form2::MSFlexGrid1_RowColChange() {
    MSFlexGrid1.setToolTipText(ListaMarche.List(MSFlexGrid1.Row() * MSFlexGrid1.Cols() + MSFlexGrid1.Col()));
}

// ------------------------------------------------------ families, models

void Form2::Load_Famiglie() {
    Data2.Connect = "dBase IV;";
    core::useTableFolder(Data2, "\\Ark");
    Data2.RecordSource = "SELECT * FROM Xfam_" + core::BrandId + ".dbf ORDER BY Famiglia";
    const bool ok = refreshOrReport(Data2, "Xfam_" + core::BrandId + ".dbf");
    GridFamiglie.Clear();
    FamilyGridReady = false;
    GridFamiglie.setRows(0);
    List4.Clear();
    if (!ok) {
        placeNames();
        return;
    }
    db::Recordset& rs = Data2.Recordset();
    if (rs.RecordCount() <= 0) {
        placeNames();
        vb::MsgBox("Warning! Family File is empty.", vb::vbInformation);
        return;
    }
    rs.MoveLast();
    rs.MoveFirst();
    while (!rs.Eof()) {
        const std::string stored = rs.Fields("famiglia").value_or("");
        const std::string name = vb::Trim(core::DescrambleLineConv(stored));
        GridFamiglie.AddItem(name);
        GridFamiglie.setRowHeight(GridFamiglie.Rows() - 1, GridFamiglie.wrappedRowHeight(name, 0));
        GridFamiglie.setRow(GridFamiglie.Rows() - 1);
        GridFamiglie.setCellAlignment(0);
        List4.AddItem(vb::Trim(stored));
        rs.MoveNext();
    }
    placeNames();
    FamilyGridReady = true;
    GridFamiglie.setRow(0);
    GridFamiglie.Click();
}

void Form2::GridFamiglie_Click() {
    if (!FamilyGridReady) return;
    const int row = GridFamiglie.Row();
    List4.setListIndex(row);
    core::FamilyKey = List4.List(row);
    core::FamilyName = vb::Trim(GridFamiglie.TextMatrix(row, GridFamiglie.Col()));
    Set_NomeFotoFamiglia(core::FamilyName);
    LabelFamiglia.setCaption(core::FamilyName);
    Load_Modelli();
}

// The brand's name takes the lines it needs beside the symbol, and the
// family's name follows it; below them, room is kept for the longest family
// name of the brand, so that choosing another family never moves the grid
// being clicked. The family grid keeps its designed place where the names
// fit; otherwise it moves down into the room above the fuel options, and
// past that room it shows fewer rows.
void Form2::placeNames() {
    LabelMarca.setTop(kNamesTop);
    LabelFamiglia.setTop(std::max(kFamilyNameTop, LabelMarca.Top() + LabelMarca.Height() + kClearance));
    // With no families the label keeps the name it shows.
    int tallest = GridFamiglie.Rows() == 0 ? LabelFamiglia.Height() : 0;
    for (int r = 0; r < GridFamiglie.Rows(); ++r)
        tallest = std::max(tallest, LabelFamiglia.wrappedHeight(vb::Trim(GridFamiglie.TextMatrix(r, 0))));
    const int top = std::max(kFamilyGridTop, LabelFamiglia.Top() + tallest + kClearance);
    const int lowest = Option1(0).Top() - kClearance;
    GridFamiglie.Move(GridFamiglie.Left(), top, GridFamiglie.Width(),
                      std::max(GridFamiglie.standardRowHeight(), std::min(kFamilyGridHeight, lowest - top)));
}

void Form2::GridFamiglie_RowColChange() {
    GridFamiglie_Click();
}

void Form2::Set_NomeFotoFamiglia(const std::string& name) {
    FamilyPhotoName = "";
    if (!name.empty()) FamilyPhotoName = vb::Replace(name, "/", "_");
}

void Form2::Load_Modelli() {
    Data3.Connect = "dBase IV;";
    core::useTableFolder(Data3, "\\Ark");
    const std::string Q = "\"";
    const std::string order = " ORDER BY MODELLO___, DATA__IMM_, MOTORE____";
    std::string sql =
        "SELECT * FROM Xmod_" + core::BrandId + ".dbf WHERE Family____=" + Q + core::FamilyKey + Q;
    if (Option1(0).Value())
        sql += order;
    else if (Option1(1).Value())
        sql += " AND carburante=" + Q + FilterPetrol + Q + " AND iniez__cod<>" + Q + FilterNoInjection + Q +
               " " + order;
    else if (Option1(2).Value())
        sql += " AND carburante=" + Q + FilterDiesel + Q + order;
    else
        sql += " AND iniez__cod=" + Q + FilterNoInjection + Q + order;
    Data3.RecordSource = sql;
    const bool ok = refreshOrReport(Data3, "Xmod_" + core::BrandId + ".dbf");
    if (!ok) {
        // Show no model rather than the previous query's.
        Data3 = db::DataControl{};
        Data3.RecordSource = sql;
    }
    if (ok && Data3.Recordset().RecordCount() > 0) {
        for (int i = 0; i < 9; ++i) {
            Label10(i).setVisible(true);
            Image2(i).setVisible(true);
        }
        Fill_GrigliaModelli();
    } else {
        MSGrid1.setRows(1);
        Set_IntestazioniModelli();
        for (int i = 0; i < 9; ++i) {
            Label10(i).setVisible(false);
            Image2(i).setVisible(false);
        }
    }
}

void Form2::Set_IntestazioniModelli() {
    const std::string headers[6] = {Des[78], Des[12], Des[13], "Cm\xB3", Des[80], Des[14]};
    MSGrid1.setRow(0);
    for (int k = 0; k < 6; ++k) {
        MSGrid1.setCol(k);
        MSGrid1.setColWidth(k, kModelColumnWidths[k]);
        MSGrid1.setTextMatrix(0, k, headers[k]);
    }
    widenModelColumns();
}

void Form2::Fill_GrigliaModelli() {
    ModelGridReady = false;
    MSGrid1.setVisible(false);
    db::Recordset& rs = Data3.Recordset();
    rs.MoveLast();
    rs.MoveFirst();
    const int n = rs.RecordCount();
    MSGrid1.setCol(5);
    MSGrid1.setColWidth(5, n > 6 ? 3240 : 3480);
    MSGrid1.setRedraw(false);
    MSGrid1.setRows(n + 1);
    MSGrid1.setRow(0);
    while (!rs.Eof()) {
        MSGrid1.setRow(MSGrid1.Row() + 1);
        for (int k = 0; k < 6; ++k) {
            MSGrid1.setCol(k);
            MSGrid1.setText(vb::Trim(core::DescrambleLineConv(rs.Fields(kModelFields[k]).value_or(""))));
        }
        rs.MoveNext();
    }
    widenModelColumns();
    if (n > 0) {
        MSGrid1.setRedraw(true);
        MSGrid1.setRow(1);
        MSGrid1.setRowSel(1);
        MSGrid1.setCol(0);
        MSGrid1.setColSel(5);
        ModelGridReady = true;
        MSGrid1.setTopRow(1);
        MSGrid1.Click();
    }
    MSGrid1.setRedraw(true);
    MSGrid1.setVisible(true);
}

// The designed widths are the least a column gets: the grid's font is wider
// than the one they were measured for, so a column whose texts need more
// room is widened until none of them is cut. The grid does not scroll
// sideways, so the columns together never reach past its right edge. Where
// the room is short, the values that no longer fit go on further lines in
// taller rows: the columns get the widths that need the fewest lines, and
// what room is left goes to the widest alike. The room then leaves out the
// vertical scroll bar's, which the taller rows may call for.
void Form2::widenModelColumns() {
    constexpr int kCols = 6;
    using Widths = std::array<int, kCols>;
    Widths designed{}, wanted{};
    // The texts of each column that are wider than its designed width.
    std::array<std::vector<std::string>, kCols> wide;
    for (int k = 0; k < kCols; ++k) {
        designed[k] = wanted[k] = k == 5 ? MSGrid1.ColWidth(5) : kModelColumnWidths[k];
        for (int r = 0; r < MSGrid1.Rows(); ++r) {
            const std::string& text = MSGrid1.TextMatrix(r, k);
            const int width = MSGrid1.textWidth(text);
            if (width <= designed[k]) continue;
            wanted[k] = std::max(wanted[k], width);
            wide[size_t(k)].push_back(text);
        }
    }
    const auto across = [](const Widths& widths) {
        int pixels = 0;
        for (int w : widths)
            pixels += vb::twipsToPixels(w);
        return pixels;
    };
    // The first of lo up to hi where holds turns true (hi when it is true
    // only there): holds is false up to some point and true from it on.
    const auto firstTrue = [](int lo, int hi, const auto& holds) {
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (holds(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    // Whether the values of column k that are wider than its designed width
    // take at most lines lines each in px pixels.
    const auto takes = [&](int k, int px, int lines) {
        for (const std::string& text : wide[size_t(k)])
            if (MSGrid1.wrappedLineCount(text, vb::pixelsToTwips(px)) > lines) return false;
        return true;
    };
    const int room = vb::twipsToPixels(MSGrid1.columnRoom());
    Widths widths = wanted;
    if (across(wanted) > room) {
        // The fewest lines that all values can take within the room: each
        // column as narrow as its values allow in that many lines. A value
        // takes at most one line per character of its field.
        for (int lines = 2; across(widths) > room && lines <= 255; ++lines)
            for (int k = 0; k < kCols; ++k) {
                const int least = vb::twipsToPixels(designed[k]);
                const int px =
                    firstTrue(least, vb::twipsToPixels(widths[k]), [&](int w) { return takes(k, w, lines); });
                widths[k] = px <= least ? designed[k] : vb::pixelsToTwips(px);
            }
        // The room left goes to the columns that want more, up to the widest
        // cap that still fits.
        const Widths fewest = widths;
        const auto capped = [&](int cap) {
            Widths w{};
            for (int k = 0; k < kCols; ++k)
                w[k] = std::max(fewest[k], std::min(wanted[k], vb::pixelsToTwips(cap)));
            return w;
        };
        const int widest = vb::twipsToPixels(*std::max_element(wanted.begin(), wanted.end()));
        widths = capped(firstTrue(0, widest + 1, [&](int cap) { return across(capped(cap)) > room; }) - 1);
    }
    for (int k = 0; k < kCols; ++k)
        MSGrid1.setColWidth(k, widths[k]);
    for (int r = 0; r < MSGrid1.Rows(); ++r) {
        int height = -1; // the standard height, for a row of one line
        for (int k = 0; k < kCols; ++k)
            if (widths[k] < wanted[k])
                height = std::max(height, MSGrid1.wrappedRowHeight(MSGrid1.TextMatrix(r, k), k));
        MSGrid1.setRowHeight(r, height);
    }
}

void Form2::Option1_Click(int Index) {
    for (auto& o : Option1) {
        o->setForeColor(kLightBlue);
        o->setFontBold(false);
    }
    Option1(Index).setFontBold(true);
    Option1(Index).setForeColor(core::kNavy);
    Load_Modelli();
}

// ---------------------------------------------------------- model choice

std::string Form2::modelField(const char* name) {
    // An unreadable field reads as an empty one, as a Null field does.
    const auto unread = [name](const std::exception& e) {
        qCWarning(vb::lcData) << "field" << name << "of the model not read:" << e.what();
        return std::string();
    };
    try {
        auto v = Data3.Recordset().Fields(name);
        return v ? core::DescrambleLineConv(*v) : std::string();
    } catch (const vb::VbError& e) {
        return unread(e);
    } catch (const db::Error& e) {
        return unread(e);
    }
}

std::string Form2::modelCell(int c) const {
    const int r = MSGrid1.Row();
    if (r < 0 || r >= MSGrid1.Rows() || c < 0 || c >= MSGrid1.Cols()) return {};
    return MSGrid1.TextMatrix(r, c);
}

std::string Form2::engineLine(const char* displacementUnit) const {
    return Des[13] + ": " + modelCell(2) + " " + Des[79] + " " + modelCell(3) + displacementUnit + " " +
           Des[80] + " " + modelCell(4) + " CV(KW)/Rpm";
}

std::array<std::string, 2> Form2::vehicleLines() const {
    return {LabelMarca.Caption() + " " + LabelFamiglia.Caption() + " " + modelCell(0) + " (" + modelCell(1) +
                ")",
            engineLine(" cm\xB3")};
}

// The one-line form keeps a blank of its own after "cm³": two stand before
// the power label.
std::string Form2::vehicleLine() const {
    return vehicleLines()[0] + " " + engineLine(" cm\xB3 ");
}

void Form2::MSGrid1_Click() {
    chooseModel();
}

void Form2::MSGrid1_RowColChange() {
    if (ModelGridReady) chooseModel();
}

void Form2::chooseModel() {
    int count = 0;
    try {
        count = Data3.Recordset().RecordCount();
    } catch (const db::Error& e) {
        // No readable models: only the family photo is shown.
        qCWarning(vb::lcData) << "models not counted:" << e.what();
    }
    if (count <= 0) {
        showFamilyPhoto();
        return;
    }
    // The header row is no model.
    if (MSGrid1.Row() < 1) return;
    core::VehicleName = vb::Trim(core::BrandName) + " " + vb::Trim(core::FamilyName) + " " +
                        vb::Trim(MSGrid1.TextMatrix(MSGrid1.Row(), 0));
    db::Recordset& rs = Data3.Recordset();
    rs.setAbsolutePosition(MSGrid1.Row() - 1);

    const std::string foto = vb::Trim(modelField("FOTO__AUTO"));
    if (!foto.empty()) {
        core::LoadScrambledFile(core::AppPath + "\\cars\\" + core::BrandId + "\\X" + foto + ".jpg", 31);
        LabelMarcaFamigliaModello.setCaption(core::VehicleName);
    } else {
        showFamilyPhoto();
        LabelMarcaFamigliaModello.setCaption(vb::Trim(core::BrandName) + " " + vb::Trim(core::FamilyName));
    }
    placeTitle();

    setEntryAvailable(0, rs.Fields("schemi").has_value() && !vb::Trim(modelField("schemi")).empty());
    const auto dati = rs.Fields("datitecnic");
    setEntryAvailable(1, dati.has_value() && !dati->empty());
    setEntryAvailable(2, dati.has_value() && core::Has_DatiSerraggio(*dati));
    Set_VociMenu();
}

// The family's photo, or an empty box: the file is tested first, so that a
// family without a photo never reaches the decoder's fatal case.
void Form2::showFamilyPhoto() {
    const std::string family = core::AppPath + "\\cars\\" + core::BrandId + "\\X" + FamilyPhotoName + ".jpg";
    if (vb::fileAvailable(family))
        core::LoadScrambledFile(family, 31);
    else
        showPhoto(QPixmap());
}

void Form2::showPhoto(const QPixmap& photo) {
    photo_ = photo;
    placeTitle();
}

// The title keeps its designed place under the photo while its lines fit
// above the fuel options; more lines move it up, and a photo that would
// reach it is shown smaller, its proportions kept. So the title shows whole
// lines, nothing covers it, and the options and the model grid never move
// under the pointer as the models are chosen.
void Form2::placeTitle() {
    vb::Label& title = LabelMarcaFamigliaModello;
    title.setTop(std::min(kTitleTop, Frame2.Height() - title.Height()));
    const int room = vb::twipsToPixels(title.Top() - kClearance);
    if (photo_.isNull() || photo_.height() <= room)
        Picture3.setPicture(photo_);
    else
        Picture3.setPicture(QPixmap::fromImage(
            vb::smoothScaled(photo_.toImage(), QSize(std::max(1, photo_.width() * room / photo_.height()),
                                                     std::max(1, room)))));
    // An empty box keeps its size, but never reaches the title either.
    if (Picture3.Height() > title.Top() - kClearance)
        Picture3.setHeight(std::max(0, title.Top() - kClearance));
    Picture3.setLeft((Frame2.Width() - Picture3.Width()) / 2);
    title.setLeft((Frame2.Width() - title.Width()) / 2);
}

void Form2::Set_VociMenu() {
    db::Recordset& rs = Data3.Recordset();
    // A code field that is Null has no data either.
    auto available = [&](const char* field, const char* blanks) {
        return rs.Fields(field).has_value() && modelField(field) != blanks;
    };
    core::DiagramMode = 0;
    const bool ubi = available("Ubi____Cod", "    ");
    setEntryAvailable(4, ubi);
    if (ubi) core::DiagramMode = std::int16_t(core::DiagramMode + 2);
    Image2(4).setEnabled(ubi);
    setEntryAvailable(3, available("presa_diag", "   "));
    setEntryAvailable(5, available("info1__cod", "   "));
    const auto dati = rs.Fields("datitecnic");
    setEntryAvailable(6, dati.has_value() && core::Has_DatiClima(*dati));
    setEntryAvailable(7, available("CINGHIEPIC", "     "));
    setEntryAvailable(8, available("CINGHIEAUX", "     "));
}

// An available entry is enabled and shows its mark.
void Form2::setEntryAvailable(int i, bool available) {
    Label10(i).setEnabled(available);
    Image2(i).setVisible(available);
}

// ----------------------------------------------------------- viewer menu

void Form2::Label10_Click(int Index) {
    core::UseSecondKey = false;
    core::SetBusyPointer(*this);
    // Also when the preparation fails on damaged data: the window stays usable.
    const auto ready = qScopeGuard([this] {
        if (!isUnloaded()) core::SetHandPointer(*this);
    });
    core::PscNewFormat = false;
    if (Index < 0 || Index > 8) return;
    // What an entry hands over to its window, given back when it closes.
    using HandOver = std::optional<QScopedValueRollback<std::int16_t>>;
    HandOver textMode;
    HandOver diagramMode;
    HandOver fromMenu;
    HandOver infoMode;
    switch (Index) {
    case 3:
        core::Form7Code = modelField("presa_diag");
        textMode.emplace(core::Form7Mode, 1);
        break;
    case 4:
        diagramMode.emplace(core::DiagramMode, std::int16_t(core::DiagramMode + 50));
        fromMenu.emplace(core::Form6FromMenu, 1);
        loadParameterLists();
        break;
    case 5:
        infoMode.emplace(core::Form11Mode, 1);
        break;
    case 7:
        core::BeltPicture = modelField("CINGHIEPIC");
        core::BeltTextCode = modelField("CINGHIETXT");
        textMode.emplace(core::Form7Mode, 5);
        break;
    case 8:
        core::BeltPicture = modelField("CINGHIEAUX");
        textMode.emplace(core::Form7Mode, 6);
        break;
    default:
        break;
    }
    static const char* const windows[9] = {"Form15", "Form16", "Form9", "Form7", "Form6",
                                           "Form11", "Form12", "Form7", "Form7"};
    vb::showModalByName(windows[Index], this);
}

// The diagram index and, for a diagram of the old format, the parameter
// lists of the model's injection and ignition diagrams.
void Form2::loadParameterLists() {
    Load_IndiceSchemi();
    const std::string injection = modelField("INIEZ__COD");
    const std::string ignition = modelField("ACCEN__COD");
    core::PscCode = injection;
    if (Get_SchemaNuovo(core::PscCode)) {
        core::PscNewFormat = true;
        return;
    }
    Load_DescrizioniParametri();
    ListParPsc.Clear();
    ListNomePar.Clear();
    if (injection != "    ") {
        ListParPsc.AddItem(vb::UCase(Des[18]));
        Load_ListaParametri(injection);
        Load_ListaNomiParametri();
    }
    if (ignition != "    " && ignition != injection) {
        ListParPsc.AddItem(vb::UCase(Des[15]));
        Load_ListaParametri(ignition);
        ListNomePar.Clear();
        Load_ListaNomiParametri();
    }
}

void Form2::Label10_MouseMove(int Index, int, int, float, float) {
    Image10.setVisible(true);
    Image3.setVisible(true);
    for (int i = 0; i < Label10.Count(); ++i) {
        vb::Label& l = Label10(i);
        if (i == Index) {
            l.setForeColor(kWhite);
            l.setFontBold(true);
            l.setBackColor(core::kNavy);
        } else {
            l.setFontBold(false);
            l.setForeColor(core::kNavy);
            l.setBackColor(kWhite);
        }
        if (core::Lang == "_ita")
            l.setToolTipText("Per le Informazioni mancanti contattare direttamente la " + Des[2] + ".");
    }
    vb::Label& entry = Label10(Index);
    Image10.setLeft(Image2((Index / 3) * 3).Left() - 40);
    Image3.setLeft(entry.Left() + entry.Width() + 50);
    if (Image10.Top() != entry.Top()) {
        Image10.setTop(entry.Top() - 60);
        Image3.setTop(entry.Top() - 50);
    }
}

void Form2::resetMenuLook(bool marks) {
    for (auto& l : Label10) {
        l->setForeColor(core::kNavy);
        l->setBackColor(kWhite);
        l->setFontBold(false);
    }
    if (marks) {
        Image10.setVisible(false);
        Image3.setVisible(false);
    }
}

void Form2::Form_MouseMove(int, int, float, float) {
    resetMenuLook(true);
}
void Form2::MSGrid1_MouseMove(int, int, float, float) {
    resetMenuLook(true);
}
void Form2::Picture1_MouseMove(int, int, float, float) {
    resetMenuLook(true);
}
void Form2::Picture2_MouseMove(int, int, float, float) {
    resetMenuLook(true);
}
void Form2::Frame2_MouseMove(int, int, float, float) {
    resetMenuLook(false);
}

void Form2::WheelCatcher1_WheelRotation(int Rotation, int, int, std::uintptr_t Handle) {
    // The brand grid scrolls once it holds more rows than it shows, whatever
    // the chosen brand's families.
    if (Handle == MSFlexGrid1.hWnd()) {
        MSFlexGrid1.setTopRow(MSFlexGrid1.TopRow() - Rotation);
        return;
    }
    if (GridFamiglie.Rows() < 1) return;
    // The family and model grids scroll while some of their rows are hidden:
    // past nine families or six models as designed, fewer where long names
    // or values took room.
    if (Handle == GridFamiglie.hWnd()) {
        GridFamiglie.SetFocus();
        if (GridFamiglie.rowsHidden() && GridFamiglie.TopRow() - Rotation >= 0)
            GridFamiglie.setTopRow(GridFamiglie.TopRow() - Rotation);
    } else if (Handle == MSGrid1.hWnd()) {
        MSGrid1.SetFocus();
        if (MSGrid1.rowsHidden() && MSGrid1.TopRow() - Rotation >= 1)
            MSGrid1.setTopRow(MSGrid1.TopRow() - Rotation);
    }
}

// ------------------------------------------------- diagram parameter lists

void Form2::Load_IndiceSchemi() {
    TextPsc.Text = core::loadCatalogueIndex(DataPsc);
}

bool Form2::Get_SchemaNuovo(const std::string& code) {
    return core::isNewFormatDiagram(DataPsc, TextPsc.Text, code);
}

void Form2::Load_DescrizioniParametri() {
    core::loadParameterDescriptions(TextPar.Text, ListPar);
}

void Form2::Load_ListaParametri(const std::string& code) {
    if (!core::positionOnCode(DataPsc, TextPsc.Text, code)) return;
    for (const std::string& value : core::parameterFields(DataPsc.Recordset()))
        if (value != "   " && core::leadingNumber(value) < 600) ListParPsc.AddItem(value);
}

void Form2::Load_ListaNomiParametri() {
    for (int i = 0; i < ListParPsc.ListCount(); ++i) {
        const std::string item = ListParPsc.List(i);
        std::string description;
        if (core::findParameterDescription(item, TextPar.Text, ListPar, description))
            ListNomePar.AddItem(item + " = " + description);
        else
            ListNomePar.AddItem(item);
    }
}

void Form2::Load_ListaTipiPsc() {
    core::loadPscTypeList(ListTipoPsc);
}

void registerSelectionWindows() {
    vb::FormRegistry::add<Form2>();
    core::registerScrambledTarget(
        2,
        [](const std::string& temp, const std::string&) {
            Form2::get().MSFlexGrid1.setCellPicture(vb::LoadPicture(temp));
        },
        core::TargetLoads::Picture);
    core::registerPictureTarget<Form2>(3, &Form2::Image1);
    core::registerPictureTarget<Form2>(8, &Form2::Image1);
    core::registerScrambledTarget(
        31,
        [](const std::string& temp, const std::string&) { Form2::get().showPhoto(vb::LoadPicture(temp)); },
        core::TargetLoads::Picture);
}

} // namespace selection
