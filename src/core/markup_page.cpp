#include "core/markup_page.h"

#include "core/module1.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/vbstring.h"

#include <algorithm>
#include <cmath>

namespace core {

void PageView::takeLines(std::vector<std::string>& lines) {
    LineCount = std::int16_t(std::min<size_t>(lines.size(), 32767));
    lines.resize(size_t(LineCount));
}

void PageView::fitRows(int height, int rowHeight) {
    VisibleLines = std::int16_t(std::max(1L, std::lrint(double(height) / double(rowHeight))));
}

std::pair<int, int> PageView::linesInView() const {
    if (!scrolls()) return {0, LineCount};
    return {std::clamp<int>(FirstLine, 0, LineCount - VisibleLines), VisibleLines};
}

bool PageView::setUpScrollBar(vb::VScrollBar& bar) const {
    if (!scrolls()) {
        bar.setVisible(false);
        bar.setEnabled(false);
        return false;
    }
    auto change = std::move(bar.Change);
    bar.Change = nullptr;
    bar.setMin(1);
    bar.setMax(LineCount - VisibleLines + 1);
    bar.setValue(linesInView().first + 1);
    bar.Change = std::move(change);
    bar.setVisible(true);
    bar.setEnabled(true);
    return true;
}

void PageSurface::setPageFont(const std::string& name, double points) {
    form_->setFontName(name);
    form_->setFontSize(points);
}

int PageSurface::columnWidth() const {
    return std::max(15, form_->TextWidth(" "));
}

int PageSurface::rowHeight() const {
    return std::max(15, form_->TextHeight(" "));
}

void PageSurface::Cls() {
    form_->Cls();
    items_.clear();
}

void PageSurface::drawText(int x, int y, const std::string& text, int qbColour) {
    form_->setCurrentX(x);
    form_->setCurrentY(y);
    form_->setForeColor(vb::QBColor(qbColour & 15));
    form_->Print(text, false);
    items_.push_back({x, y, text, qbColour});
}

MarkupPage::MarkupPage(vb::Form& form, vb::VScrollBar& scroll)
    : form_(&form), scroll_(&scroll), ownSurface_(form), surface_(&ownSurface_) {
    scroll.Change = {this, &MarkupPage::VScroll1_Change};
}

MarkupPage::MarkupPage(vb::Form& form, vb::VScrollBar& scroll, PageSurface& surface)
    : form_(&form), scroll_(&scroll), ownSurface_(form), surface_(&surface) {
    scroll.Change = {this, &MarkupPage::VScroll1_Change};
}

void MarkupPage::clear() {
    surface_->Cls();
}

void MarkupPage::load(const std::string& fileBytes, int bandHeight) {
    band_ = bandHeight;
    clear();
    Lines = decodePageLines(fileBytes);
    PrintCopy.clear();
    if (keepPrintCopy_) {
        PrintCopy = Lines;
        for (std::string& l : PrintCopy)
            blankFirstMarkers(l);
    }
    takeLines(Lines);
    const int widestChars = widestLineChars(keepPrintCopy_ ? PrintCopy : Lines);
    WidestLine = widestChars * columnWidth();

    const int W = form_->Width();
    const int H = form_->Height();
    fitRows(H - 2 * bandHeight - 750, rowHeight());
    FirstLine = 0;
    if (scrolls()) {
        scroll_->setWidth(250);
        scroll_->setHeight(H - 2 * bandHeight - 375);
        scroll_->setTop(bandHeight);
        scroll_->setLeft(W - scroll_->Width() - 90);
    }
    // The page is painted once, below: the bar is set up with Change quiet.
    TextNeedsScroll = setUpScrollBar(*scroll_) ? 1 : 0;
    TextBlockWidth = scrolls() ? WidestLine + 100 + 300 + 250 - 150 : WidestLine + 400;
    place();
    Draw_Pagina();
}

void MarkupPage::place() {
    TextLeft = form_->Width() - TextBlockWidth;
    TextTop = band_ + 100;
}

void MarkupPage::showAgain() {
    place();
    Draw_Pagina();
}

void MarkupPage::Draw_Pagina() {
    const auto [first, count] = linesInView();
    const int cw = columnWidth();
    const int rh = rowHeight();
    // Bracket runs come first, then brace runs, then the base text, as the
    // passes of the painter draw them.
    std::vector<std::vector<MarkupRun>> rows;
    rows.reserve(size_t(count));
    for (int r = 0; r < count; ++r)
        rows.push_back(markupRuns(Lines[size_t(first + r)], colours_.base, colours_.brace, colours_.bracket));
    for (int pass = 0; pass < 3; ++pass)
        for (int r = 0; r < count; ++r)
            for (const MarkupRun& run : rows[size_t(r)])
                if (run.pass == pass)
                    surface_->drawText(TextLeft + (run.column - 1) * cw, TextTop + r * rh, run.text,
                                       run.colour);
}

void MarkupPage::VScroll1_Change() {
    if (TextNeedsScroll != 1) return;
    clear();
    FirstLine = std::int16_t(scroll_->Value() - 1);
    place();
    Draw_Pagina();
}

void MarkupPage::pageKey(int keyCode) {
    if (TextNeedsScroll != 1) return;
    auto change = std::move(scroll_->Change);
    scroll_->Change = nullptr;
    if (keyCode == 33) {
        clear();
        FirstLine = 0;
        Draw_Pagina();
        scroll_->setValue(1);
    } else if (keyCode == 34) {
        clear();
        FirstLine = std::int16_t(LineCount - VisibleLines);
        Draw_Pagina();
        scroll_->setValue(FirstLine + 1);
    }
    scroll_->Change = std::move(change);
}

} // namespace core
