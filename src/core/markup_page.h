#pragma once
// A marked-up text page shown on a window: the line array, the print copy,
// the painter on the fixed character grid, the scroll bar and the paging
// keys. Every window that shows such a page holds one of these.
#include "core/markup.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

namespace vb {
class Form;
class VScrollBar;
} // namespace vb

namespace core {

// The window's drawing surface for text: lies over the client area, under
// every control, and keeps what was drawn until it is cleared, so covering
// and uncovering the window never loses the page.
class PageSurface : public QWidget {
  public:
    explicit PageSurface(vb::Form& form);

    // The window font of the page ("Courier", 9.75 points...).
    void setPageFont(const std::string& name, double points);
    const QFont& pageFont() const { return font_; }
    // The character grid, in twips: the text width and height of one blank.
    int columnWidth() const { return columnPx_ * 15; }
    int rowHeight() const { return rowPx_ * 15; }

    void Cls();
    // Text with a transparent background, its top left at x, y (twips).
    void drawText(int x, int y, const std::string& text, int qbColour);

    struct Item {
        int x = 0, y = 0; // twips
        std::string text;
        int colour = 0;
    };
    const std::vector<Item>& items() const { return items_; }

  protected:
    void paintEvent(QPaintEvent*) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    vb::Form* form_;
    QFont font_;
    int columnPx_ = 8, rowPx_ = 15, ascentPx_ = 12;
    std::vector<Item> items_;
};

struct MarkupColours {
    int base = 0, brace = 9, bracket = 12;
};

class MarkupPage {
  public:
    MarkupPage(vb::Form& form, vb::VScrollBar& scroll, PageSurface& surface);

    void setColours(MarkupColours c) { colours_ = c; }
    // Without a print copy the widest line counts the markers too.
    void setKeepPrintCopy(bool keep) { keepPrintCopy_ = keep; }

    // Loads the page from the bytes of its file (read whole by the caller)
    // and lays it out below a header and above a toolbar band of bandHeight
    // twips each: lines, print copy, widest line, visible rows, scroll bar,
    // text block; then paints it.
    void load(const std::string& fileBytes, int bandHeight);
    // Places the text again at the right of the window and paints it.
    void showAgain();
    void Draw_Pagina();
    void VScroll1_Change();
    // PageUp (33) to the top, PageDown (34) to the end, while the page scrolls.
    void pageKey(int keyCode);
    void clear();

    std::vector<std::string> Lines;
    std::vector<std::string> PrintCopy; // the hidden list of print lines
    std::int16_t LineCount = 0;
    std::int16_t VisibleLines = 0;
    std::int16_t FirstLine = 0;
    std::int32_t TextLeft = 0, TextTop = 0;
    std::int32_t TextBlockWidth = 0;
    std::int32_t WidestLine = 0;

  private:
    void place();

    vb::Form* form_;
    vb::VScrollBar* scroll_;
    PageSurface* surface_;
    MarkupColours colours_;
    bool keepPrintCopy_ = true;
    int band_ = 720;
};

} // namespace core
