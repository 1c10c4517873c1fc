#include "platform/richtext.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/form.h"
#include "platform/rtf_reader.h"
#include "platform/vbstring.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <algorithm>
#include <limits>

namespace vb {
namespace {

class RichEdit : public QTextEdit {
  public:
    RichTextBox* box = nullptr;
    Event<>* click = nullptr;
    Event<int, int>* keyDown = nullptr;
    explicit RichEdit(QWidget* parent) : QTextEdit(parent) {
        setReadOnly(true);
        setUndoRedoEnabled(false);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        viewport()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == viewport() && e->type() == QEvent::MouseButtonRelease) {
            auto* me = static_cast<QMouseEvent*>(e);
            if (me->button() == Qt::LeftButton && click && *click) (*click)();
        }
        return QTextEdit::eventFilter(watched, e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        // Read-only: keys move nothing into the document. Navigation keys
        // still scroll the view.
        if (keyDown && *keyDown) {
            int shift = 0;
            if (e->modifiers() & Qt::ShiftModifier) shift |= 1;
            if (e->modifiers() & Qt::ControlModifier) shift |= 2;
            if (e->modifiers() & Qt::AltModifier) shift |= 4;
            (*keyDown)(Form::vbKeyCode(e->key()), shift);
        }
        switch (e->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Left:
        case Qt::Key_Right:
            QTextEdit::keyPressEvent(e);
            return;
        default:
            e->accept();
        }
    }
};

} // namespace

RichTextBox::RichTextBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::RichText, std::move(name), index) {
    auto* e = new RichEdit(&form);
    e->box = this;
    e->click = &Click;
    e->keyDown = &KeyDown;
    edit_ = e;
    attach(edit_);
}

RichTextBox::~RichTextBox() = default;

QWidget* RichTextBox::widget() const {
    return edit_;
}

void RichTextBox::setTextRTF(const std::string& rtf) {
    rtf_ = rtf;
    readRtf(rtf_, *edit_->document());
    edit_->moveCursor(QTextCursor::Start);
}

std::string RichTextBox::Text() const {
    QString t = edit_->document()->toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return fromQt(t);
}

void RichTextBox::LoadFile(const std::string& path) {
    setTextRTF(readAll(path));
}

int RichTextBox::SelStart() const {
    return edit_->textCursor().selectionStart();
}
int RichTextBox::SelLength() const {
    const QTextCursor c = edit_->textCursor();
    return c.selectionEnd() - c.selectionStart();
}
void RichTextBox::setSelStart(int v) {
    QTextCursor c = edit_->textCursor();
    c.setPosition(std::clamp(v, 0, edit_->document()->characterCount() - 1));
    edit_->setTextCursor(c);
}
void RichTextBox::setSelLength(int v) {
    QTextCursor c = edit_->textCursor();
    const int start = c.selectionStart();
    c.setPosition(start);
    c.setPosition(std::clamp(start + v, 0, edit_->document()->characterCount() - 1), QTextCursor::KeepAnchor);
    edit_->setTextCursor(c);
}

QTextDocument& RichTextBox::document() const {
    return *edit_->document();
}

RichTextPages::RichTextPages(const QTextDocument& doc, QPaintDevice* device, double width)
    : doc_(doc.clone()) {
    if (device) doc_->documentLayout()->setPaintDevice(device);
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
        doc_->drawContents(painter, QRectF(0, top + 1, rect.width(), std::max(0.0, bottom - top - 2)));
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
