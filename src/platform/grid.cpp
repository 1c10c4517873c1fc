#include "platform/grid.h"

#include "platform/errors.h"
#include "platform/fonts.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace vb {
namespace {

constexpr int kBorderPx = 1;
constexpr int kTextPadPx = 2;
constexpr int kPictureFramePx = 2;
constexpr std::int32_t kBorderColor = 0x808080;
constexpr std::int32_t kGridColorFixed = 0x808080;
// Fixed cells keep the standard grey with black text: no window colours them.
constexpr std::int32_t kBackColorFixed = 0xC0C0C0;
constexpr std::int32_t kForeColorFixed = 0x000000;

const std::string& emptyText() {
    static const std::string empty;
    return empty;
}

VbError badRow() {
    return VbError(30009, "Invalid Row value");
}
VbError badCol() {
    return VbError(30010, "Invalid Col value");
}
VbError badIndex() {
    return VbError(381, "Subscript out of range");
}
VbError badValue() {
    return VbError(380, "Invalid property value");
}

// A cell alignment or picture alignment, 0..9; error 380 otherwise.
std::int8_t alignmentValue(int a) {
    if (a < 0 || a > 9) throw badValue();
    return std::int8_t(a);
}

// What general alignment puts on the right.
bool looksNumeric(const std::string& s) {
    size_t i = s.find_first_not_of(' ');
    size_t end = s.find_last_not_of(' ');
    if (i == std::string::npos) return false;
    if (s[i] == '-' || s[i] == '+') ++i;
    bool digit = false, point = false;
    for (; i <= end; ++i) {
        char ch = s[i];
        if (ch >= '0' && ch <= '9') {
            digit = true;
        } else if ((ch == '.' || ch == ',') && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

Qt::Alignment alignmentFlags(int a) {
    Qt::Alignment h = a / 3 == 0 ? Qt::AlignLeft : a / 3 == 1 ? Qt::AlignHCenter : Qt::AlignRight;
    Qt::Alignment v = a % 3 == 0 ? Qt::AlignTop : a % 3 == 1 ? Qt::AlignVCenter : Qt::AlignBottom;
    return h | v;
}

// Cell texts break lines at CR LF, CR alone or LF alone.
QString cellText(const std::string& text) {
    if (text.find('\r') == std::string::npos) return toQt(text);
    return toQt(Replace(Replace(text, "\r\n", "\n"), "\r", "\n"));
}

} // namespace

// Paints the cells and passes mouse and keys to the grid. Mouse moves are
// taken before the control's generic forwarder so MouseRow/MouseCol are
// already current when the window's MouseMove handler reads them.
class GridWidget : public QWidget {
  public:
    GridWidget(Grid* grid, QWidget* parent) : QWidget(parent), grid_(grid) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
        bar_ = new QScrollBar(Qt::Vertical, this);
        bar_->hide();
        bar_->setFocusPolicy(Qt::NoFocus);
        bar_->installEventFilter(&wheelEater_);
        QObject::connect(bar_, &QScrollBar::valueChanged, this, [this](int v) {
            if (!syncing_) grid_->setTopRow(v);
        });
    }
    void takeMouseMovesFirst() { installEventFilter(&mouseFirst_); }

    QScrollBar* bar_;
    bool syncing_ = false;

  protected:
    void paintEvent(QPaintEvent*) override {
        grid_->updatePending_ = false;
        QPainter p(this);
        grid_->paint(p);
    }
    void resizeEvent(QResizeEvent*) override { grid_->relayout(); }
    void showEvent(QShowEvent*) override {
        grid_->updatePending_ = false;
        grid_->relayout();
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) grid_->mousePressed(e->position().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) grid_->mouseReleased();
    }
    void leaveEvent(QEvent*) override { grid_->hovering_ = false; }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton) grid_->mouseDoubleClicked(e->position().toPoint());
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!grid_->keyPressed(e->key(), e->modifiers() & Qt::ControlModifier)) QWidget::keyPressEvent(e);
    }
    // The window's wheel handler scrolls the grid, never the grid itself.
    void wheelEvent(QWheelEvent* e) override { e->ignore(); }

  private:
    struct MouseFirst : QObject {
        Grid* grid;
        explicit MouseFirst(Grid* g) : grid(g) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != QEvent::MouseMove) return false;
            auto* me = static_cast<QMouseEvent*>(e);
            grid->mouseMoved(me->position().toPoint(), me->buttons() & Qt::LeftButton ? 1 : 0);
            return true;
        }
    };
    struct WheelEater : QObject {
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() != QEvent::Wheel) return false;
            e->ignore();
            return true;
        }
    };
    Grid* grid_;
    MouseFirst mouseFirst_{grid_};
    WheelEater wheelEater_;
};

Grid::Grid(Form& form, std::string name, int index)
    : Control(form, ControlKind::Grid, std::move(name), index) {
    rows_.resize(2);
    for (auto& row : rows_)
        row.cells.resize(size_t(cols_));
    colWidths_.assign(size_t(cols_), -1);
    fontChanged();
    view_ = new GridWidget(this, &form);
    attach(view_);
    view_->takeMouseMovesFirst();
}

Grid::~Grid() {
    // The widget must not outlive the grid it calls back into.
    delete view_.data();
}

// ---- checks and access

void Grid::checkRow(int r, int error) const {
    if (r < 0 || r >= Rows()) throw error == 381 ? badIndex() : badRow();
}
void Grid::checkCol(int c, int error) const {
    if (c < 0 || c >= cols_) throw error == 381 ? badIndex() : badCol();
}
Grid::Cell& Grid::cellAt(int r, int c) {
    return rows_[size_t(r)].cells[size_t(c)];
}
const Grid::Cell& Grid::cellAt(int r, int c) const {
    return rows_[size_t(r)].cells[size_t(c)];
}

Grid::CellFormat& Grid::formatOfCurrent() {
    checkRow(row_, 30009);
    checkCol(col_, 30010);
    auto& f = cellAt(row_, col_).format;
    if (!f) f = std::make_unique<CellFormat>();
    return *f;
}
const Grid::CellFormat* Grid::currentFormat() const {
    if (row_ >= Rows() || col_ >= cols_) return nullptr;
    return cellAt(row_, col_).format.get();
}

// ---- shape

void Grid::setRows(int n) {
    if (n < 0) throw badValue();
    size_t old = rows_.size();
    rows_.resize(size_t(n));
    for (size_t i = old; i < rows_.size(); ++i)
        rows_[i].cells.resize(size_t(cols_));
    fixedRows_ = std::min(fixedRows_, n);
    topRow_ = TopRow();
    int last = std::max(n - 1, 0);
    scheduleLayout();
    setCurrent(std::min(row_, last), col_, std::min(rowSel_, last), colSel_);
}

void Grid::setCols(int n) {
    if (n < 0) throw badValue();
    cols_ = n;
    for (auto& row : rows_)
        row.cells.resize(size_t(n));
    colWidths_.resize(size_t(n), -1);
    fixedCols_ = std::min(fixedCols_, n);
    int last = std::max(n - 1, 0);
    setCurrent(row_, std::min(col_, last), rowSel_, std::min(colSel_, last));
}

void Grid::setFixedRows(int n) {
    if (n < 0 || n > Rows()) throw badValue();
    fixedRows_ = n;
    scheduleLayout();
    // The current cell leaves the area that became fixed.
    if (row_ < n && n < Rows())
        setCurrent(n, col_, n, colSel_);
    else
        refresh();
}

void Grid::setFixedCols(int n) {
    if (n < 0 || n > cols_) throw badValue();
    fixedCols_ = n;
    if (col_ < n && n < cols_)
        setCurrent(row_, n, rowSel_, n);
    else
        refresh();
}

void Grid::setShape(int rows, int cols, int fixedRows, int fixedCols) {
    setCols(cols);
    setRows(rows);
    setFixedRows(fixedRows);
    setFixedCols(fixedCols);
}

// ---- current cell

void Grid::setCurrent(int r, int c, int rowSel, int colSel) {
    bool changed = r != row_ || c != col_;
    row_ = r;
    col_ = c;
    rowSel_ = rowSel;
    colSel_ = colSel;
    refresh();
    if (changed && RowColChange) RowColChange();
}

void Grid::setRow(int r) {
    checkRow(r, 30009);
    setCurrent(r, col_, r, colSel_);
}
void Grid::setCol(int c) {
    checkCol(c, 30010);
    setCurrent(row_, c, rowSel_, c);
}
void Grid::setRowSel(int r) {
    checkRow(r, 30009);
    rowSel_ = r;
    refresh();
}
void Grid::setColSel(int c) {
    checkCol(c, 30010);
    colSel_ = c;
    refresh();
}

// ---- text

const std::string& Grid::TextMatrix(int r, int c) const {
    checkRow(r, 381);
    checkCol(c, 381);
    return cellAt(r, c).text;
}
void Grid::setTextMatrix(int r, int c, const std::string& text) {
    checkRow(r, 381);
    checkCol(c, 381);
    cellAt(r, c).text = text;
    refresh();
}
const std::string& Grid::Text() const {
    if (row_ >= Rows() || col_ >= cols_) return emptyText();
    return cellAt(row_, col_).text;
}
void Grid::setText(const std::string& text) {
    checkRow(row_, 30009);
    checkCol(col_, 30010);
    cellAt(row_, col_).text = text;
    refresh();
}

void Grid::Clear() {
    for (auto& row : rows_)
        for (auto& cell : row.cells) {
            cell.text.clear();
            cell.format.reset();
        }
    refresh();
}

void Grid::AddItem(const std::string& text, int index) {
    if (index < -1 || index > Rows()) throw badRow();
    GridRow row;
    row.cells.resize(size_t(cols_));
    size_t start = 0;
    for (size_t c = 0; c < row.cells.size(); ++c) {
        size_t tab = text.find('\t', start);
        row.cells[c].text = text.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    if (index < 0)
        rows_.push_back(std::move(row));
    else
        rows_.insert(rows_.begin() + index, std::move(row));
    scheduleLayout();
    refresh();
}

// ---- sizes

int Grid::ColWidth(int c) const {
    checkCol(c, 381);
    int w = colWidths_[size_t(c)];
    return w >= 0 ? w : kDefaultColWidth;
}
void Grid::setColWidth(int c, int twips) {
    checkCol(c, 381);
    if (twips < -1) throw badValue();
    colWidths_[size_t(c)] = twips;
    refresh();
}

int Grid::RowHeight(int r) const {
    checkRow(r, 381);
    int h = rows_[size_t(r)].height;
    return std::max(h >= 0 ? h : standardHeight_, rowHeightMin_);
}
void Grid::setRowHeight(int r, int twips) {
    checkRow(r, 381);
    if (twips < -1) throw badValue();
    rows_[size_t(r)].height = twips;
    scheduleLayout();
    refresh();
}
void Grid::setRowHeightMin(int twips) {
    if (twips < 0) throw badValue();
    rowHeightMin_ = twips;
    scheduleLayout();
    refresh();
}
int Grid::standardRowHeight() const {
    return std::max(standardHeight_, rowHeightMin_);
}

// ---- cell format

template <class T> T Grid::currentFormatOr(T CellFormat::*field, std::type_identity_t<T> otherwise) const {
    const CellFormat* f = currentFormat();
    return f ? f->*field : otherwise;
}
template <class T> void Grid::setCurrentFormat(T CellFormat::*field, std::type_identity_t<T> value) {
    formatOfCurrent().*field = value;
    refresh();
}

int Grid::CellAlignment() const {
    return currentFormatOr(&CellFormat::align, 9);
}
void Grid::setCellAlignment(int a) {
    setCurrentFormat(&CellFormat::align, alignmentValue(a));
}
std::int32_t Grid::CellBackColor() const {
    return currentFormatOr(&CellFormat::back, 0);
}
void Grid::setCellBackColor(std::int32_t c) {
    setCurrentFormat(&CellFormat::back, c);
}
std::int32_t Grid::CellForeColor() const {
    return currentFormatOr(&CellFormat::fore, 0);
}
void Grid::setCellForeColor(std::int32_t c) {
    setCurrentFormat(&CellFormat::fore, c);
}
bool Grid::CellFontBold() const {
    const std::int8_t bold = currentFormatOr(&CellFormat::bold, -1);
    return bold >= 0 ? bold != 0 : fontBold_;
}
void Grid::setCellFontBold(bool b) {
    setCurrentFormat(&CellFormat::bold, b ? 1 : 0);
}
QPixmap Grid::CellPicture() const {
    return currentFormatOr(&CellFormat::picture, QPixmap());
}
void Grid::setCellPicture(const QPixmap& picture) {
    setCurrentFormat(&CellFormat::picture, picture);
}
int Grid::CellPictureAlignment() const {
    return currentFormatOr(&CellFormat::picAlign, 0);
}
void Grid::setCellPictureAlignment(int a) {
    setCurrentFormat(&CellFormat::picAlign, alignmentValue(a));
}

// ---- appearance

void Grid::setFont(const std::string& family, double points, bool bold) {
    fontName_ = family;
    fontSize_ = points;
    fontBold_ = bold;
    fontChanged();
}
void Grid::fontChanged() {
    // Point sizes map to the pixel sizes the layout was designed with.
    const int px = windowPixels(fontSize_);
    font_ = windowFont(fontName_, fontSize_);
    boldFont_ = font_;
    boldFont_.setBold(true);
    // Rows never sized follow the font: text height plus a small margin.
    standardHeight_ = std::max(240, (px + 4) * kTwipsPerPixel);
    scheduleLayout();
    refresh();
}
void Grid::setScrollBars(bool on) {
    scrollBars_ = on;
    scheduleLayout();
    refresh();
}
void Grid::setRedraw(bool on) {
    redraw_ = on;
    if (on) {
        relayout();
        refresh();
    }
}

bool Grid::MergeRow(int r) const {
    checkRow(r, 381);
    return rows_[size_t(r)].merge;
}
void Grid::setMergeRow(int r, bool on) {
    checkRow(r, 381);
    rows_[size_t(r)].merge = on;
    refresh();
}

// ---- layout and scrolling

int Grid::rowPixels(int r) const {
    return twipsToPixels(RowHeight(r));
}
int Grid::colPixels(int c) const {
    return twipsToPixels(ColWidth(c));
}

int Grid::fixedHeightPx() const {
    int h = 0;
    for (int r = 0; r < fixedRows_; ++r)
        h += rowPixels(r);
    return h;
}

QRect Grid::cellArea() const {
    int w = std::max(0, twipsToPixels(width_)), h = std::max(0, twipsToPixels(height_));
    QRect area(kBorderPx, kBorderPx, std::max(0, w - 2 * kBorderPx), std::max(0, h - 2 * kBorderPx));
    if (scrollBarNeeded() && view_) area.setRight(area.right() - view_->bar_->sizeHint().width());
    return area;
}

int Grid::maxTopRow() const {
    int avail = std::max(0, twipsToPixels(height_)) - 2 * kBorderPx - fixedHeightPx();
    int n = Rows();
    int acc = 0;
    for (int r = n - 1; r >= fixedRows_; --r) {
        acc += rowPixels(r);
        if (acc > avail) return std::min(r + 1, n - 1);
    }
    return fixedRows_;
}

bool Grid::rowsHidden() const {
    return maxTopRow() > fixedRows_;
}

bool Grid::scrollBarNeeded() const {
    return scrollBars_ && rowsHidden();
}

int Grid::TopRow() const {
    return std::clamp(topRow_, fixedRows_, std::max(fixedRows_, maxTopRow()));
}

void Grid::setTopRow(int r) {
    int top = std::clamp(r, fixedRows_, std::max(fixedRows_, maxTopRow()));
    if (top == topRow_) return;
    topRow_ = top;
    if (view_ && !layoutPending_) {
        view_->syncing_ = true;
        view_->bar_->setValue(top);
        view_->syncing_ = false;
    }
    refresh();
    if (hovering_ && view_ && !view_->bar_->underMouse()) mouseMoved(hoverPos_, 0);
}

int Grid::pageRows() const {
    int avail = cellArea().height() - fixedHeightPx();
    int n = 0, acc = 0;
    for (int r = TopRow(); r < Rows(); ++r) {
        acc += rowPixels(r);
        if (acc > avail) break;
        ++n;
    }
    return std::max(n, 1);
}

void Grid::scrollToRow(int r) {
    if (r < fixedRows_) return;
    int top = TopRow();
    if (r < top) {
        setTopRow(r);
        return;
    }
    int avail = cellArea().height() - fixedHeightPx();
    int acc = 0;
    for (int i = top; i <= r; ++i)
        acc += rowPixels(i);
    if (acc <= avail) return;
    int t = r;
    acc = rowPixels(r);
    while (t - 1 >= fixedRows_ && acc + rowPixels(t - 1) <= avail)
        acc += rowPixels(--t);
    setTopRow(t);
}

template <class F> void Grid::forEachVisibleRow(F&& f) const {
    QRect area = cellArea();
    int y = area.top();
    for (int r = 0; r < fixedRows_ && y <= area.bottom(); ++r) {
        int h = rowPixels(r);
        f(r, y, h);
        y += h;
    }
    for (int r = TopRow(); r < Rows() && y <= area.bottom(); ++r) {
        int h = rowPixels(r);
        f(r, y, h);
        y += h;
    }
}

void Grid::hitTest(QPoint p, int& r, int& c, bool& inside) const {
    QRect area = cellArea();
    bool rowInside = false, colInside = false;
    r = 0;
    c = 0;
    bool first = true;
    forEachVisibleRow([&](int row, int y, int h) {
        // Above the first row counts as the first, below the last as the last.
        if (first || p.y() >= y) r = row;
        if (p.y() >= y && p.y() < y + h) rowInside = true;
        first = false;
    });
    if (rowInside && p.y() > area.bottom()) rowInside = false;
    int x = area.left();
    for (int col = 0; col < cols_ && x <= area.right(); ++col) {
        int w = colPixels(col);
        if (col == 0 || p.x() >= x) c = col;
        if (p.x() >= x && p.x() < x + w) {
            colInside = true;
            break;
        }
        x += w;
    }
    if (colInside && p.x() > area.right()) colInside = false;
    inside = rowInside && colInside && area.contains(p);
}

int Grid::textHeight(const std::string& text) const {
    const int lines = int(cellText(text).count(QLatin1Char('\n'))) + 1;
    return pixelsToTwips(lines * textLineStep(font_));
}

int Grid::textWidth(const std::string& text) const {
    int widest = 0;
    for (const QString& line : cellText(text).split(QLatin1Char('\n')))
        widest = std::max(widest, unbrokenWidth(line, font_));
    // The text box leaves the padding on both sides and the grid line.
    return pixelsToTwips(widest + 2 * kTextPadPx + 1);
}

QRect Grid::cellRect(int r, int c) const {
    if (c < 0 || c >= cols_) return {};
    QRect area = cellArea();
    int x = area.left();
    for (int i = 0; i < c; ++i)
        x += colPixels(i);
    QRect found;
    forEachVisibleRow([&](int row, int y, int h) {
        if (row == r) found = QRect(x, y, colPixels(c), h);
    });
    return found.intersected(area);
}

QRect Grid::textBox(const QRect& cell, int right) const {
    QRect box = cell.adjusted(kTextPadPx, 0, -1 - kTextPadPx, -1);
    box.setRight(std::min(box.right(), right - kTextPadPx));
    return box;
}

int Grid::wrappedRowHeight(const std::string& text, int c) const {
    checkCol(c, 381);
    QRect area(kBorderPx, kBorderPx, std::max(0, twipsToPixels(width_) - 2 * kBorderPx), 1);
    if (view_) area.setRight(area.right() - view_->bar_->sizeHint().width());
    int x = area.left();
    for (int i = 0; i < c; ++i)
        x += colPixels(i);
    const QRect box = textBox(QRect(x, 0, colPixels(c), 1), area.right());
    // Each further line adds its step to the height of a row of one line.
    const int lines = int(wrappedLines(cellText(text), font_, box.width()).size());
    return standardRowHeight() + pixelsToTwips(std::max(0, lines - 1) * textLineStep(font_));
}

int Grid::wrappedLineCount(const std::string& text, int twips) const {
    const QRect box = textBox(QRect(0, 0, twipsToPixels(twips), 1), twipsToPixels(twips));
    return int(wrappedLines(cellText(text), font_, box.width()).size());
}

int Grid::scrollBarWidth() const {
    return view_ ? pixelsToTwips(view_->bar_->sizeHint().width()) : 0;
}

int Grid::columnRoom() const {
    return std::max(0, pixelsToTwips(twipsToPixels(width_) - 2 * kBorderPx) - scrollBarWidth());
}

void Grid::refresh() {
    if (!redraw_ || updatePending_ || !view_ || !view_->isVisible()) return;
    updatePending_ = true;
    view_->update();
}

void Grid::scheduleLayout() {
    if (layoutPending_ || !view_) return;
    layoutPending_ = true;
    QMetaObject::invokeMethod(
        view_.data(), [this] { relayout(); }, Qt::QueuedConnection);
}

void Grid::relayout() {
    layoutPending_ = false;
    if (!view_ || !redraw_) return;
    topRow_ = TopRow();
    QScrollBar* bar = view_->bar_;
    bool need = scrollBarNeeded();
    if (need) {
        int w = bar->sizeHint().width();
        int outerW = std::max(0, twipsToPixels(width_)), outerH = std::max(0, twipsToPixels(height_));
        bar->setGeometry(outerW - kBorderPx - w, kBorderPx, w, std::max(0, outerH - 2 * kBorderPx));
        view_->syncing_ = true;
        bar->setRange(fixedRows_, maxTopRow());
        bar->setPageStep(pageRows());
        bar->setSingleStep(1);
        bar->setValue(TopRow());
        view_->syncing_ = false;
    }
    bar->setVisible(need);
    refresh();
}

// ---- user input

bool Grid::pointAt(QPoint p) {
    int r, c;
    bool inside;
    hitTest(p, r, c, inside);
    mouseRow_ = r;
    mouseCol_ = c;
    return inside && r >= fixedRows_ && c >= fixedCols_;
}

void Grid::mousePressed(QPoint p) {
    if (!enabled_) return;
    view_->setFocus(Qt::MouseFocusReason);
    pressedOnCell_ = pointAt(p);
    if (pressedOnCell_) setCurrent(mouseRow_, mouseCol_, mouseRow_, mouseCol_);
}

void Grid::mouseReleased() {
    if (!pressedOnCell_) return;
    pressedOnCell_ = false;
    if (Click) Click();
}

void Grid::mouseDoubleClicked(QPoint p) {
    if (!enabled_) return;
    // The release that follows is not another click.
    pressedOnCell_ = false;
    if (!pointAt(p)) return;
    setCurrent(mouseRow_, mouseCol_, mouseRow_, mouseCol_);
    if (DblClick) DblClick();
}

void Grid::mouseMoved(QPoint p, int button) {
    if (!enabled_) return;
    pointAt(p);
    hoverPos_ = p;
    hovering_ = true;
    if (MouseMove)
        MouseMove(button, 0, float((p.x() - kBorderPx) * kTwipsPerPixel),
                  float((p.y() - kBorderPx) * kTwipsPerPixel));
}

bool Grid::keyPressed(int key, bool ctrl) {
    int lastRow = Rows() - 1, lastCol = cols_ - 1;
    if (lastRow < fixedRows_ || lastCol < fixedCols_) return false;
    int r = row_, c = col_;
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        r = std::min(lastRow, r + (key == Qt::Key_Down ? 1 : -1));
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        c = std::min(lastCol, c + (key == Qt::Key_Right ? 1 : -1));
        break;
    case Qt::Key_Home:
        c = fixedCols_;
        if (ctrl) r = fixedRows_;
        break;
    case Qt::Key_End:
        c = lastCol;
        if (ctrl) r = lastRow;
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        int n = pageRows();
        int step = key == Qt::Key_PageDown ? n : -n;
        r = std::clamp(r + step, fixedRows_, lastRow);
        setTopRow(TopRow() + step);
        break;
    }
    default:
        return false;
    }
    r = std::max(r, fixedRows_);
    c = std::max(c, fixedCols_);
    scrollToRow(r);
    setCurrent(r, c, r, c);
    return true;
}

// ---- painting

void Grid::paint(QPainter& p) {
    QRect all(0, 0, view_->width(), view_->height());
    p.fillRect(all, vbColor(backBkg_));
    p.setPen(vbColor(kBorderColor));
    p.drawRect(all.adjusted(0, 0, -1, -1));
    if (Rows() == 0 || cols_ == 0) return;
    QRect area = cellArea();
    forEachVisibleRow([&](int r, int y, int h) {
        if (h <= 0) return;
        const GridRow& row = rows_[size_t(r)];
        bool merge = mergeCells_ != 0 && row.merge;
        int x = area.left();
        for (int c = 0; c < cols_ && x <= area.right();) {
            int span = 1, w = colPixels(c);
            if (merge) {
                // Fixed and scrolling columns never merge with each other.
                bool fixedCol = c < fixedCols_;
                while (c + span < cols_ && (c + span < fixedCols_) == fixedCol &&
                       row.cells[size_t(c + span)].text == row.cells[size_t(c)].text)
                    w += colPixels(c + span++);
            }
            if (w > 0) paintCell(p, r, c, QRect(x, y, w, h), area);
            x += w;
            c += span;
        }
    });
}

void Grid::paintCell(QPainter& p, int r, int c, const QRect& rect, const QRect& clip) const {
    const Cell& cell = cellAt(r, c);
    const CellFormat* f = cell.format.get();
    bool fixed = r < fixedRows_ || c < fixedCols_;
    bool selected = highlight_ && !fixed && r >= std::min(row_, rowSel_) && r <= std::max(row_, rowSel_) &&
                    c >= std::min(col_, colSel_) && c <= std::max(col_, colSel_);
    // A cell colour of 0 means the grid's colour.
    std::int32_t back = selected ? backSel_ : f && f->back ? f->back : fixed ? kBackColorFixed : back_;
    std::int32_t fore = selected ? foreSel_ : f && f->fore ? f->fore : fixed ? kForeColorFixed : fore_;

    p.setClipRect(rect.intersected(clip));
    QRect content = rect.adjusted(0, 0, -1, -1);
    p.fillRect(content, vbColor(back));
    p.setPen(vbColor(fixed ? kGridColorFixed : gridColor_));
    p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());

    if (f && !f->picture.isNull()) {
        const QPixmap& pic = f->picture;
        if (f->picAlign == 9) {
            p.drawPixmap(content, pic);
        } else {
            QSize s = pic.deviceIndependentSize().toSize();
            int h = f->picAlign / 3, v = f->picAlign % 3;
            int px = h == 0   ? content.left()
                     : h == 1 ? content.left() + (content.width() - s.width()) / 2
                              : content.right() + 1 - s.width();
            int py = v == 0   ? content.top()
                     : v == 1 ? content.top() + (content.height() - s.height()) / 2
                              : content.bottom() + 1 - s.height();
            p.drawPixmap(px, py, pic);
        }
        if (selected) {
            const QColor frame = vbColor(backSel_);
            const int t = std::min({kPictureFramePx, content.width() / 2, content.height() / 2});
            p.fillRect(QRect(content.left(), content.top(), content.width(), t), frame);
            p.fillRect(QRect(content.left(), content.bottom() + 1 - t, content.width(), t), frame);
            p.fillRect(QRect(content.left(), content.top(), t, content.height()), frame);
            p.fillRect(QRect(content.right() + 1 - t, content.top(), t, content.height()), frame);
        }
    }
    if (!cell.text.empty()) {
        int a = f ? f->align : 9;
        if (a == 9) a = looksNumeric(cell.text) ? 7 : 1;
        const QFont& font = cellFont(f && f->bold >= 0 ? f->bold != 0 : fontBold_);
        p.setFont(font);
        p.setPen(vbColor(fore));
        const QRect box = textBox(rect, wordWrap_ ? clip.right() : rect.right());
        QString text = cellText(cell.text);
        if (wordWrap_) text = wrappedLines(text, font, box.width()).join(QLatin1Char('\n'));
        const Qt::Alignment align = alignmentFlags(a);
        if (!text.contains(QLatin1Char('\n'))) {
            p.drawText(box, int(align), text);
        } else {
            // The block of lines is placed as one text; each line keeps the
            // cell's horizontal alignment.
            const QStringList lines = text.split(QLatin1Char('\n'));
            const int step = textLineStep(font), lineHeight = QFontMetrics(font).height();
            const int block = int(lines.size() - 1) * step + lineHeight;
            int y = align & Qt::AlignTop      ? box.top()
                    : align & Qt::AlignBottom ? box.bottom() + 1 - block
                                              : box.top() + (box.height() - block) / 2;
            for (const QString& line : lines) {
                p.drawText(QRect(box.left(), y, box.width(), lineHeight),
                           int((align & Qt::AlignHorizontal_Mask) | Qt::AlignTop), line);
                y += step;
            }
        }
    }
}

} // namespace vb
