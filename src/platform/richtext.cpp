#include "platform/richtext.h"

#include "platform/errors.h"
#include "platform/events.h"
#include "platform/file_io.h"
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
        // No caret: the document is only read.
        setTextInteractionFlags(Qt::TextSelectableByMouse);
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

void RichTextBox::setTextRTF(const std::string& rtf) {
    rtf_ = rtf;
    damage_ = readRtf(rtf_, *edit_->document());
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

void RichTextBox::reportDamage(const std::string& path) {
    if (damage_ == RtfDamage::None || !reported_.insert(path).second) return;
    reportError("Error: file " + LCase(path) + " is damaged\r\n" + rtfDamageText(damage_));
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

} // namespace vb
