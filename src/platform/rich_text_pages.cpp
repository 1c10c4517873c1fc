#include "platform/rich_text_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <limits>

namespace vb {

RichTextPages::RichTextPages(const QTextDocument& doc, QPaintDevice* device, double width)
    : doc_(doc.clone()) {
    if (device) {
        // The layout scales fonts, vertical spacing and tab stops to the
        // device, but takes a paragraph's side margins and first-line indent
        // as the device's own dots: they are given in screen pixels (96 an
        // inch) and scaled here, or a printed list item's wrapped lines fall
        // back under its number.
        const double scale = device->logicalDpiX() / 96.0;
        if (scale != 1.0) {
            QTextCursor c(doc_.get());
            c.beginEditBlock();
            for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
                QTextBlockFormat f = b.blockFormat();
                if (f.leftMargin() == 0 && f.rightMargin() == 0 && f.textIndent() == 0) continue;
                f.setLeftMargin(f.leftMargin() * scale);
                f.setRightMargin(f.rightMargin() * scale);
                f.setTextIndent(f.textIndent() * scale);
                c.setPosition(b.position());
                c.setBlockFormat(f);
            }
            c.endEditBlock();
        }
        doc_->documentLayout()->setPaintDevice(device);
    }
    doc_->setPageSize(QSizeF(width, std::numeric_limits<double>::max() / 4));
    doc_->setTextWidth(width);
    doc_->setDocumentMargin(0);
    QAbstractTextDocumentLayout* layout = doc_->documentLayout();
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        const QRectF box = layout->blockBoundingRect(b);
        const QTextLayout* tl = b.layout();
        if (!tl || tl->lineCount() == 0) {
            lines_.push_back({box.top(), box.bottom(), b.position()});
            continue;
        }
        const double origin = box.top() - tl->boundingRect().top();
        for (int i = 0; i < tl->lineCount(); ++i) {
            const QTextLine line = tl->lineAt(i);
            lines_.push_back(
                {origin + line.y(), origin + line.y() + line.height(), b.position() + line.textStart()});
        }
    }
}

RichTextPages::~RichTextPages() = default;

int RichTextPages::length() const {
    return doc_->characterCount() - 1;
}

int RichTextPages::formatRange(QPainter* painter, const QRectF& rect, int from) {
    const int end = length();
    if (lines_.empty() || from >= end) return end;
    // The line holding `from` starts the page.
    auto first = std::find_if(lines_.begin(), lines_.end(), [&](const Line& l) { return l.position > from; });
    if (first != lines_.begin()) --first;
    const double top = first->top;
    const double limit = top + rect.height();
    // The page ends above the first line (at or after the start) that does
    // not fit; a line taller than the page is placed alone.
    double breakY = std::numeric_limits<double>::max();
    double bottom = top;
    for (const Line& l : lines_) {
        if (l.top < top) continue;
        if (l.bottom > limit && l.top > top) breakY = std::min(breakY, l.top);
    }
    for (const Line& l : lines_)
        if (l.top >= top && l.top < breakY) bottom = std::max(bottom, std::min(l.bottom, limit));
    if (painter) {
        painter->save();
        painter->translate(rect.left(), rect.top() - top);
        painter->setClipRect(QRectF(0, top, rect.width(), bottom - top));
        // The layout draws every block that touches its clip, and a printed
        // file keeps text even where the painter's clip hides it: a block
        // that only touches the page's edge must not be drawn at all.
        double drawFrom = top + 1;
        // Nor does a paragraph that began on an earlier page go to the
        // layout: it would draw the line above the page as well. Its lines
        // on this page are drawn one by one.
        const QTextBlock block = doc_->findBlock(first->position);
        QTextLayout* tl = block.layout();
        if (tl && block.position() < first->position && !QTextCursor(block).currentTable()) {
            const QRectF box = doc_->documentLayout()->blockBoundingRect(block);
            const QPointF origin = box.topLeft() - tl->boundingRect().topLeft();
            painter->setPen(Qt::black);
            for (int i = 0; i < tl->lineCount(); ++i) {
                const QTextLine line = tl->lineAt(i);
                const double y = origin.y() + line.y();
                if (y >= top && y < bottom) line.draw(painter, origin);
            }
            drawFrom = std::max(drawFrom, box.bottom() + 1);
        }
        if (drawFrom < bottom - 1)
            doc_->drawContents(painter, QRectF(0, drawFrom, rect.width(), bottom - 1 - drawFrom));
        painter->restore();
    }
    if (breakY == std::numeric_limits<double>::max()) return end;
    // The next page starts at the highest line left over.
    const Line* next = nullptr;
    for (const Line& l : lines_)
        if (l.top >= breakY && (!next || l.top < next->top)) next = &l;
    if (!next) return end;
    return std::max(next->position, from + 1);
}

} // namespace vb
