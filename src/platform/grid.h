#pragma once
// The windows' grid: rows and columns of 8-bit text with a current cell, a
// selection range, fixed (header) rows that are still data, per-cell
// formatting and row-wise scrolling. Sizes are twips and read back exactly.
// With HighLight on, the selected cells are drawn in the selection colours; a
// selected cell with a picture also gets a frame in the selection colour,
// since the picture hides most of its background.
//
// RowColChange fires whenever Row or Col really changes, whether code, the
// mouse, the keyboard or a shrinking Rows moved it. Click and DblClick come
// from the mouse only. The grid never scrolls on the wheel by itself: the
// window's wheel handler decides. When the rows scroll under a pointer that
// stays still, MouseMove reports the cell now under it, as a moving pointer
// would.
#include "platform/controls.h"

#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class QPainter;

namespace vb {

class GridWidget;

class Grid : public Control {
  public:
    Grid(Form& form, std::string name, int index = -1);
    ~Grid() override;

    // ---- Shape. Shrinking Rows below FixedRows shrinks FixedRows too.
    int Rows() const { return int(rows_.size()); }
    void setRows(int n);
    int Cols() const { return cols_; }
    void setCols(int n);
    int FixedRows() const { return fixedRows_; }
    void setFixedRows(int n); // error 380 outside 0..Rows
    int FixedCols() const { return fixedCols_; }
    void setFixedCols(int n); // error 380 outside 0..Cols
    // Rows and columns, then how many of them are fixed.
    void setShape(int rows, int cols, int fixedRows = 0, int fixedCols = 0);

    // ---- Current cell and selection. Row/Col read 0 while the grid has no
    // rows/columns. Fixed cells may be made current by code.
    int Row() const { return row_; }
    void setRow(int r); // also RowSel = r; error 30009 when out of range
    int Col() const { return col_; }
    void setCol(int c); // also ColSel = c; error 30010 when out of range
    int RowSel() const { return rowSel_; }
    void setRowSel(int r);
    int ColSel() const { return colSel_; }
    void setColSel(int c);

    Event<> RowColChange;
    Event<> Click;
    Event<> DblClick;

    // ---- Text. Bad indices raise error 381.
    const std::string& TextMatrix(int r, int c) const;
    void setTextMatrix(int r, int c, const std::string& text);
    // The current cell's text; empty when there is no current cell.
    const std::string& Text() const;
    void setText(const std::string& text);
    // Empties every cell's text and format; rows, columns and sizes stay.
    void Clear();
    // Adds a row at index (default: at the end); tabs separate the columns.
    void AddItem(const std::string& text, int index = -1);

    // ---- Sizes in twips. -1 restores the default.
    int ColWidth(int c) const;
    void setColWidth(int c, int twips);
    // At least RowHeightMin; rows never sized get the standard height of the
    // grid's font.
    int RowHeight(int r) const;
    void setRowHeight(int r, int twips);
    int RowHeightMin() const { return rowHeightMin_; }
    void setRowHeightMin(int twips);
    int standardRowHeight() const;
    static constexpr int kDefaultColWidth = 960;

    // ---- Format of the current cell (one cell, as with a single fill style).
    // Alignment: 0..8 = horizontal (left, centre, right) * 3 + vertical
    // (top, centre, bottom); 9 general (numbers right, other text left).
    int CellAlignment() const;
    void setCellAlignment(int a);
    // Colour 0 means the grid's own colour, so a cleared cell follows the grid.
    std::int32_t CellBackColor() const;
    void setCellBackColor(std::int32_t c);
    std::int32_t CellForeColor() const;
    void setCellForeColor(std::int32_t c);
    bool CellFontBold() const;
    void setCellFontBold(bool b);
    QPixmap CellPicture() const;
    void setCellPicture(const QPixmap& picture);
    // 0..8 as CellAlignment; 9 stretches the picture over the cell.
    int CellPictureAlignment() const;
    void setCellPictureAlignment(int a);

    // ---- Grid-wide appearance.
    std::int32_t BackColor() const { return back_; }
    void setBackColor(std::int32_t c) { assign(back_, c, &Grid::refresh); }
    std::int32_t ForeColor() const { return fore_; }
    void setForeColor(std::int32_t c) { assign(fore_, c, &Grid::refresh); }
    void setBackColorSel(std::int32_t c) { assign(backSel_, c, &Grid::refresh); }
    void setForeColorSel(std::int32_t c) { assign(foreSel_, c, &Grid::refresh); }
    void setBackColorBkg(std::int32_t c) { assign(backBkg_, c, &Grid::refresh); }
    void setGridColor(std::int32_t c) { assign(gridColor_, c, &Grid::refresh); }
    void setFont(const std::string& family, double points, bool bold = false);
    void setFontSize(double points) { assign(fontSize_, points, &Grid::fontChanged); }
    const std::string& FontName() const { return fontName_; }
    double FontSize() const { return fontSize_; }
    bool FontBold() const { return fontBold_; }
    // Selection highlight on or off; no focus rectangle is ever drawn.
    bool HighLight() const { return highlight_; }
    void setHighLight(bool on) { assign(highlight_, on, &Grid::refresh); }
    // The vertical scroll bar (shown only when rows are hidden).
    bool ScrollBars() const { return scrollBars_; }
    void setScrollBars(bool on);
    // On, a cell text wider than the part of its column on view goes on
    // further lines, broken as wrappedLines breaks them; off (the default),
    // it runs on and is cut at the cell's edge.
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool on) { assign(wordWrap_, on, &Grid::refresh); }
    // While false, changes do not repaint.
    bool Redraw() const { return redraw_; }
    void setRedraw(bool on);

    // ---- Merging: equal adjacent texts in a row flagged for merging are
    // drawn as one cell when MergeCells is not 0. Horizontal only.
    int MergeCells() const { return mergeCells_; }
    void setMergeCells(int mode) { assign(mergeCells_, mode, &Grid::refresh); }
    bool MergeRow(int r) const;
    void setMergeRow(int r, bool on);

    // ---- Scrolling: the first visible non-fixed row. Clamped between
    // FixedRows and the row that puts the last row at the bottom.
    int TopRow() const;
    void setTopRow(int r);
    // True when the rows do not all fit on view, so that TopRow can move.
    bool rowsHidden() const;

    // The cell under the mouse at the last mouse event over the cells. Outside
    // the cells the nearest row/column is reported, 0 when there is none and
    // before the mouse was ever over the grid.
    int MouseRow() const { return mouseRow_; }
    int MouseCol() const { return mouseCol_; }

    // A cell's rectangle in pixels of widget(); empty when not on view.
    QRect cellRect(int r, int c) const;
    // Twips that a cell text of several lines (broken at CR LF, CR or LF)
    // takes as the cells draw it.
    int textHeight(const std::string& text) const;
    // Twips that a column needs to show a cell text whole as the cells draw
    // it, with WordWrap on or off: its widest line in the grid's font, with
    // the cell's margins.
    int textWidth(const std::string& text) const;
    // Twips of row height that text needs in column c to be shown whole with
    // WordWrap on, also when the scroll bar takes room: at least the standard
    // height.
    int wrappedRowHeight(const std::string& text, int c) const;
    // Lines that text takes with WordWrap on in a column twips wide.
    int wrappedLineCount(const std::string& text, int twips) const;
    // Width of the vertical scroll bar in twips, for layouts that make room
    // for it.
    int scrollBarWidth() const;
    // Twips across the cells inside the border, left of the vertical scroll
    // bar's room: the most that the columns together can take and all stay
    // on view, with the bar shown or not.
    int columnRoom() const;

  private:
    friend class GridWidget;
    struct CellFormat {
        QPixmap picture;
        std::int32_t back = 0, fore = 0;
        std::int8_t align = 9, picAlign = 0, bold = -1; // bold -1: the grid's
    };
    // Formats are allocated only for cells that have one.
    struct Cell {
        std::string text;
        std::unique_ptr<CellFormat> format;
    };
    struct GridRow {
        std::vector<Cell> cells;
        int height = -1; // twips, -1 = standard
        bool merge = false;
    };

    void checkRow(int r, int error) const;
    void checkCol(int c, int error) const;
    Cell& cellAt(int r, int c);
    const Cell& cellAt(int r, int c) const;
    CellFormat& formatOfCurrent();
    const CellFormat* currentFormat() const;
    // A format field of the current cell, or otherwise when it has no format.
    template <class T> T currentFormatOr(T CellFormat::*field, std::type_identity_t<T> otherwise) const;
    // Sets a format field of the current cell (error 30009 or 30010 when
    // there is none) and repaints.
    template <class T> void setCurrentFormat(T CellFormat::*field, std::type_identity_t<T> value);
    // Moves the current cell and selection end; raises RowColChange when the
    // current cell really changed.
    void setCurrent(int r, int c, int rowSel, int colSel);
    // Brings the current cell's row onto view (keyboard moves only).
    void scrollToRow(int r);
    int maxTopRow() const;
    int rowPixels(int r) const;
    int colPixels(int c) const;
    int fixedHeightPx() const;
    // Cell area in widget pixels (inside the border, left of the scroll bar).
    QRect cellArea() const;
    // The box a cell's text is drawn in: cell less its text margins and
    // its grid lines, and ending a margin or more left of pixel column right.
    QRect textBox(const QRect& cell, int right) const;
    bool scrollBarNeeded() const;
    // Fully visible scrollable rows below the fixed ones (at least 1).
    int pageRows() const;
    void hitTest(QPoint p, int& r, int& c, bool& inside) const;
    // Takes the cell under p as MouseRow and MouseCol; true when p is inside
    // a cell that can be made current (not a fixed one).
    bool pointAt(QPoint p);
    const QFont& cellFont(bool bold) const { return bold ? boldFont_ : font_; }
    void fontChanged();
    // Schedules one repaint for any number of changes.
    void refresh();
    // The scroll bar follows the shape lazily, so bulk filling stays cheap.
    void scheduleLayout();
    void relayout();
    template <class F> void forEachVisibleRow(F&& f) const;
    void paintCell(QPainter& p, int r, int c, const QRect& rect, const QRect& clip) const;

    // Events from the widget.
    void mousePressed(QPoint p);
    void mouseReleased();
    void mouseDoubleClicked(QPoint p);
    void mouseMoved(QPoint p, int button);
    bool keyPressed(int key, bool ctrl);
    void paint(QPainter& p);

    QPointer<GridWidget> view_;
    std::vector<GridRow> rows_;
    std::vector<int> colWidths_;
    int cols_ = 2;
    int fixedRows_ = 1, fixedCols_ = 1;
    int row_ = 1, col_ = 1, rowSel_ = 1, colSel_ = 1;
    int topRow_ = 1;
    int rowHeightMin_ = 0;
    int mouseRow_ = 0, mouseCol_ = 0;
    // Where the pointer last moved over the cells, while it stays there.
    QPoint hoverPos_;
    bool hovering_ = false;
    bool pressedOnCell_ = false;
    std::int32_t back_ = 0xFFFFFF, fore_ = 0x000000;
    std::int32_t backSel_ = 0x800000, foreSel_ = 0xFFFFFF;
    std::int32_t backBkg_ = 0x808080, gridColor_ = 0xC0C0C0;
    std::string fontName_ = "MS Sans Serif";
    double fontSize_ = 8.25;
    bool fontBold_ = false;
    QFont font_, boldFont_;
    int standardHeight_ = 240;
    bool highlight_ = true, scrollBars_ = true, redraw_ = true, wordWrap_ = false;
    bool updatePending_ = false, layoutPending_ = false;
    int mergeCells_ = 0;
};

} // namespace vb
