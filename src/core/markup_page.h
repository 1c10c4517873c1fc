#pragma once
// A marked-up text page shown on a window: the line array, the print copy,
// the painter on the fixed character grid of the window font, the scroll
// bar and the paging keys. Every window that shows such a page holds one.
#include "core/markup.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vb {
class Form;
class VScrollBar;
} // namespace vb

namespace core {

// Text drawn on a window's own drawing surface at grid positions, in the
// window font, with a record of what was drawn since the last clear.
class PageSurface {
  public:
    explicit PageSurface(vb::Form& form) : form_(&form) {}

    // The window font of the page ("Courier", 9.75 points...).
    void setPageFont(const std::string& name, double points);
    // The character grid, in twips: the text width and height of one blank.
    int columnWidth() const;
    int rowHeight() const;

    void Cls();
    // Text with a transparent background, its top left at x, y (twips).
    void drawText(int x, int y, const std::string& text, int qbColour);

    struct Item {
        int x = 0, y = 0; // twips
        std::string text;
        int colour = 0; // QBColor number
    };
    const std::vector<Item>& items() const { return items_; }

  private:
    vb::Form* form_;
    std::vector<Item> items_;
};

// Where a page of text lines stands in its window: how many lines it holds,
// how many rows the window shows, the first line shown and the top left of
// the text, in twips. A window that draws a page with a painter of its own
// holds one as well.
struct PageView {
    std::int16_t LineCount = 0;
    std::int16_t VisibleLines = 0;
    std::int16_t FirstLine = 0;
    std::int32_t TextLeft = 0, TextTop = 0;

    // Counts the lines, keeping no more than the count holds (32 767).
    void takeLines(std::vector<std::string>& lines);
    // The rows that fit a height of text, rounded half to even; at least
    // one, so that a tiny window still pages.
    void fitRows(int height, int rowHeight);
    bool scrolls() const { return LineCount > VisibleLines; }
    // The first line drawn and how many: of a page that scrolls, those that
    // fit from FirstLine on; otherwise all.
    std::pair<int, int> linesInView() const;
    // Sets the scroll bar to the page with its Change quiet: of a page that
    // scrolls, shown with values from 1 to the last first line, at the first
    // line in view; otherwise hidden. Returns scrolls().
    bool setUpScrollBar(vb::VScrollBar& bar) const;
};

struct MarkupColours {
    int base = 0, brace = 9, bracket = 12;
};

class MarkupPage : public PageView {
  public:
    // Draws on the window's surface in the window's font (set by the
    // window, "Courier" 9.75 for the vehicle texts) and takes over the
    // scroll bar's Change.
    MarkupPage(vb::Form& form, vb::VScrollBar& scroll);
    // Draws through a surface the window holds itself.
    MarkupPage(vb::Form& form, vb::VScrollBar& scroll, PageSurface& surface);

    void setColours(MarkupColours c) { colours_ = c; }
    // Without a print copy the widest line counts the markers too.
    void setKeepPrintCopy(bool keep) { keepPrintCopy_ = keep; }

    // The character grid in twips: the text width and height of one blank.
    int columnWidth() const { return surface_->columnWidth(); }
    int rowHeight() const { return surface_->rowHeight(); }
    PageSurface& surface() { return *surface_; }

    // Loads the page from the bytes of its file (read whole by the caller)
    // and lays it out between a header and a toolbar band of bandHeight
    // twips each: lines, print copy, widest line, visible rows, scroll bar,
    // text block; then paints it.
    void load(const std::string& fileBytes, int bandHeight);
    // Places the text again at the right of the window and paints it.
    void showAgain();
    void Draw_Pagina();
    void VScroll1_Change();
    // PageUp (33) to the top, PageDown (34) to the end, while the page scrolls.
    void pageKey(int keyCode);
    // Clears the window's surface.
    void clear();

    std::vector<std::string> Lines;
    std::vector<std::string> PrintCopy; // the hidden list of print lines
    std::int32_t TextBlockWidth = 0;
    std::int32_t WidestLine = 0;

    // What the painter has drawn since the surface was last cleared.
    const std::vector<PageSurface::Item>& drawn() const { return surface_->items(); }

  private:
    void place();

    vb::Form* form_;
    vb::VScrollBar* scroll_;
    PageSurface ownSurface_;
    PageSurface* surface_;
    MarkupColours colours_;
    bool keepPrintCopy_ = true;
    int band_ = 720;
};

} // namespace core
