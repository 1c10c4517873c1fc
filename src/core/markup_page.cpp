#include "core/markup_page.h"

#include "core/module1.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/vbstring.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace core {

PageSurface::PageSurface(vb::Form& form) : QWidget(&form), form_(&form) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(form.rect());
    lower();
    form.installEventFilter(this);
    setPageFont("Courier", 9.75);
    show();
}

void PageSurface::setPageFont(const std::string& name, double points) {
    QFont f(vb::fontFamily(name));
    f.setPixelSize(int(points * 4.0 / 3.0 + 0.5));
    f.setStyleHint(QFont::TypeWriter);
    f.setKerning(false);
    // Every character advances exactly one whole column, so runs drawn from
    // different columns line up on the grid.
    QFontMetricsF exact(f);
    const qreal advance = exact.horizontalAdvance(QLatin1Char(' '));
    columnPx_ = std::max(1, int(std::lround(advance)));
    f.setLetterSpacing(QFont::AbsoluteSpacing, columnPx_ - advance);
    QFontMetrics m(f);
    rowPx_ = std::max(1, m.height());
    ascentPx_ = m.ascent();
    font_ = f;
    update();
}

void PageSurface::Cls() {
    items_.clear();
    update();
}

void PageSurface::drawText(int x, int y, const std::string& text, int qbColour) {
    items_.push_back({x, y, text, qbColour});
    update();
}

void PageSurface::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font_);
    for (const Item& it : items_) {
        p.setPen(vb::vbColor(vb::QBColor(it.colour & 15)));
        p.drawText(QPointF(vb::twipsToPixels(it.x), vb::twipsToPixels(it.y) + ascentPx_), vb::toQt(it.text));
    }
}

bool PageSurface::eventFilter(QObject* watched, QEvent* e) {
    if (watched == form_ && e->type() == QEvent::Resize) setGeometry(form_->rect());
    return false;
}

MarkupPage::MarkupPage(vb::Form& form, vb::VScrollBar& scroll, PageSurface& surface)
    : form_(&form), scroll_(&scroll), surface_(&surface) {
    scroll.Change = [this] { VScroll1_Change(); };
}

void MarkupPage::clear() {
    surface_->Cls();
}

void MarkupPage::load(const std::string& fileBytes, int bandHeight) {
    band_ = bandHeight;
    surface_->Cls();
    Lines = decodePageLines(fileBytes);
    PrintCopy.clear();
    if (keepPrintCopy_) {
        PrintCopy = Lines;
        for (std::string& l : PrintCopy)
            blankFirstMarkers(l);
    }
    LineCount = std::int16_t(std::min<size_t>(Lines.size(), 32767));
    Lines.resize(size_t(LineCount));
    const int widestChars = widestLineChars(keepPrintCopy_ ? PrintCopy : Lines);
    WidestLine = widestChars * surface_->columnWidth();

    const int W = form_->Width();
    const int H = form_->Height();
    // Rounded half to even; at least one row, so a tiny window still pages.
    VisibleLines = std::int16_t(
        std::max(1L, std::lrint(double(H - 2 * bandHeight - 750) / double(surface_->rowHeight()))));
    FirstLine = 0;
    if (LineCount > VisibleLines) {
        TextNeedsScroll = 1;
        TextBlockWidth = WidestLine + 100 + 300 + 250 - 150;
        // Set up with Change quiet: the page is painted once, below.
        auto change = std::move(scroll_->Change);
        scroll_->Change = nullptr;
        scroll_->setWidth(250);
        scroll_->setHeight(H - 2 * bandHeight - 375);
        scroll_->setTop(bandHeight);
        scroll_->setLeft(W - scroll_->Width() - 90);
        scroll_->setMin(1);
        scroll_->setMax(LineCount - VisibleLines + 1);
        scroll_->setValue(1);
        scroll_->Change = std::move(change);
        scroll_->setVisible(true);
        scroll_->setEnabled(true);
    } else {
        TextNeedsScroll = 0;
        scroll_->setVisible(false);
        scroll_->setEnabled(false);
        TextBlockWidth = WidestLine + 400;
    }
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
    int first = 0, count = LineCount;
    if (LineCount > VisibleLines) {
        first = std::clamp<int>(FirstLine, 0, LineCount - VisibleLines);
        count = VisibleLines;
    }
    const int cw = surface_->columnWidth();
    const int rh = surface_->rowHeight();
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
