#include "platform/form.h"

#include "platform/controls.h"
#include "platform/errors.h"
#include "platform/events.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <map>

namespace vb {
namespace {

struct Registry {
    std::map<std::string, FormRegistry::Factory> factories;
    std::map<std::string, Form*> instances;
};
Registry& registry() {
    static Registry r;
    return r;
}

Control* controlOf(QObject* o) {
    while (o) {
        QVariant v = o->property("vbControl");
        if (v.isValid()) return static_cast<Control*>(v.value<void*>());
        if (qobject_cast<Form*>(o)) return nullptr;
        o = o->parent();
    }
    return nullptr;
}

// The window whose key map and wheel handler an event in o reaches. A dialog
// over a window (the printer dialog) is the window's child but a window of
// its own: what is pressed in it is the dialog's alone. A pop-up (a list's
// drop-down) is part of its control.
Form* formOf(QObject* o) {
    while (o) {
        if (auto* f = qobject_cast<Form*>(o)) return f;
        if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow() && w->windowType() != Qt::Popup)
            return nullptr;
        o = o->parent();
    }
    return nullptr;
}

// Key preview and wheel routing for every window, installed once.
class RoutingFilter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            auto* ke = static_cast<QKeyEvent*>(e);
            Form* f = formOf(watched);
            if (!f || f->isUnloaded() || !f->isEnabled()) return false;
            // A key that the focus widget leaves climbs its parents, also
            // after a window that the key opened has been closed by other
            // keys; the window previews each press once.
            if (!firstSighting(ke)) return false;
            int shift = 0;
            if (ke->modifiers() & Qt::ShiftModifier) shift |= 1;
            if (ke->modifiers() & Qt::ControlModifier) shift |= 2;
            if (ke->modifiers() & Qt::AltModifier) shift |= 4;
            return f->previewKey(Form::vbKeyCode(ke->key()), shift);
        }
        if (e->type() == QEvent::Wheel) {
            auto* we = static_cast<QWheelEvent*>(e);
            Form* f = formOf(watched);
            if (!f) return false;
            // An event let through may come again: a list hands it on to its
            // scroll bar, and what nothing takes climbs the parents. It is
            // reported once.
            if (!firstSighting(we)) return false;
            WheelCatcher* catcher = nullptr;
            for (Control* c : f->Controls())
                if (c->kind() == ControlKind::WheelCatcher) catcher = static_cast<WheelCatcher*>(c);
            Control* target = controlOf(watched);
            bool swallow = target && target->kind() == ControlKind::Grid;
            if (!catcher || !catcher->WheelRotation) return swallow;
            accumulated_ += we->angleDelta().y();
            int notches = accumulated_ / 120;
            accumulated_ -= notches * 120;
            if (notches != 0) {
                QPoint p = we->position().toPoint();
                catcher->WheelRotation(notches, p.x() * kTwipsPerPixel, p.y() * kTwipsPerPixel,
                                       target ? target->hWnd() : 0);
            }
            // Lists scroll themselves as well; grids scroll only through the
            // window's handler.
            return swallow;
        }
        return false;
    }

  private:
    int accumulated_ = 0;
};

void ensureFilter() {
    static RoutingFilter* filter = nullptr;
    if (!filter && qApp) {
        filter = new RoutingFilter;
        qApp->installEventFilter(filter);
    }
}

} // namespace

Form::Form(std::string name)
    : QWidget(nullptr), DrawingSurface(this), Placement(9600, 7200), name_(std::move(name)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMouseTracking(true);
    setObjectName(QString::fromStdString(name_));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    setAutoFillBackground(true);
    ensureFilter();
    applyGeometry();
}

Form::~Form() {
    // Controls are members of the derived window and are gone by now.
    controls_.clear();
    FormRegistry::forget(this);
}

void Form::setCaption(const std::string& caption) {
    caption_ = caption;
    setWindowTitle(toQt(caption));
}

void Form::raiseResize() {
    // A layout that sets the window's size runs inside its own Resize; the
    // change it makes is already being handled.
    if (resizing_) return;
    const QScopedValueRollback<bool> resizing(resizing_, true);
    runEvent([this] {
        emit resized();
        Form_Resize();
    });
}

void Form::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    // The size this window asked for itself comes back here too.
    if (e->size() == placedSize_) return;
    placedSize_ = e->size();
    // The client area is what Qt resizes; Width and Height are the outer size.
    const int w = (e->size().width() + 2 * kFrameSidePx) * kTwipsPerPixel;
    const int h = (e->size().height() + kFrameSidePx + kFrameCaptionPx) * kTwipsPerPixel;
    if (w == width_ && h == height_) return;
    width_ = w;
    height_ = h;
    raiseResize();
}
int Form::ScaleWidth() const {
    return std::max(0, width_ - 2 * kFrameSidePx * kTwipsPerPixel);
}
int Form::ScaleHeight() const {
    return std::max(0, height_ - (kFrameSidePx + kFrameCaptionPx) * kTwipsPerPixel);
}

void Form::applyGeometry() {
    int w = std::max(1, twipsToPixels(ScaleWidth()));
    int h = std::max(1, twipsToPixels(ScaleHeight()));
    placedSize_ = QSize(w, h);
    setGeometry(twipsToPixels(left_) + kFrameSidePx, twipsToPixels(top_) + kFrameCaptionPx, w, h);
}

void Form::setMousePointer(int pointer) {
    pointer_ = pointer;
    setCursor(cursorFor(pointer, nullptr));
}

Control* Form::findControl(const std::string& name, int index) const {
    for (Control* c : controls_)
        if (c->Name() == name && c->Index() == index) return c;
    return nullptr;
}

void Form::removeControl(Control* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

void Form::Show() {
    bool first = !shownOnce_;
    shownOnce_ = true;
    show();
    if (first) raiseResize();
}

void Form::ShowModal(Form* owner) {
    services().showModal(*this, owner);
}

void Form::runModalLoop(Form* owner) {
    if (programEnding()) throw ProgramEnded{exitStatus()};
    if (unloaded_) return;
    setWindowModality(Qt::ApplicationModal);
    if (owner) {
        winId();
        owner->winId();
        if (windowHandle() && owner->windowHandle())
            windowHandle()->setTransientParent(owner->windowHandle());
    }
    Show();
    activateWindow();
    raise();
    if (unloaded_) return;
    QPointer<Form> self(this);
    QPointer<Form> opener(owner);
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    if (self) self->loop_ = nullptr;
    // The owner gets control back, and with it the keyboard: the next key
    // and a dialog opened from there belong to it.
    if (opener && !opener->isUnloaded() && opener->isVisible()) opener->activateWindow();
    // The end of the program left this loop: the code that opened the window
    // must not go on.
    if (programEnding()) throw ProgramEnded{exitStatus()};
}

void Form::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    FormRegistry::forget(this);
    hide();
    if (loop_) loop_->quit();
    if (dialogs_ > 0)
        destroyPending_ = true;
    else
        deleteLater();
}

RunningDialog::RunningDialog(QWidget* owner) {
    for (QObject* o = owner; o && !form_; o = o->parent())
        form_ = qobject_cast<Form*>(o);
    if (form_) ++form_->dialogs_;
}

RunningDialog::~RunningDialog() {
    if (!form_ || --form_->dialogs_ > 0 || !form_->destroyPending_) return;
    form_->destroyPending_ = false;
    // Posted from the code that ran the dialog: the window goes once that
    // code has returned to the event loop.
    form_->deleteLater();
}

bool Form::previewKey(int keyCode, int shift) {
    int code = keyCode;
    QPointer<Form> self(this);
    runEvent([&] { Form_KeyDown(code, shift); });
    if (!self || unloaded_) return true;
    if (code == 27 && cancel_ && cancel_->Enabled() && cancel_->Visible()) {
        cancel_->click();
        return true;
    }
    return code == 0;
}

int Form::vbKeyCode(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 112 + (qtKey - Qt::Key_F1);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
    switch (qtKey) {
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    default:
        return 0;
    }
}

void Form::mouseMoveEvent(QMouseEvent* e) {
    // Only the window's free surface: a move that a control ignored climbs
    // up to the window too.
    for (QWidget* x = childAt(e->position().toPoint()); x && x != this; x = x->parentWidget())
        if (x->property("vbControl").isValid()) {
            QWidget::mouseMoveEvent(e);
            return;
        }
    const int button = e->buttons() & Qt::LeftButton ? 1 : 0;
    const float x = float(e->position().x() * kTwipsPerPixel), y = float(e->position().y() * kTwipsPerPixel);
    runEvent([&] { Form_MouseMove(button, 0, x, y); });
    QWidget::mouseMoveEvent(e);
}

void Form::paintEvent(QPaintEvent* e) {
    QWidget::paintEvent(e);
    QPainter p(this);
    paintDrawing(p);
}

void Form::closeEvent(QCloseEvent* e) {
    // The title-bar close box unloads the window like its close button.
    e->ignore();
    runEvent([this] {
        if (name_ == "Form1") services().endProgram();
        Unload();
    });
}

void FormRegistry::add(const std::string& name, Factory factory) {
    registry().factories[name] = std::move(factory);
}
bool FormRegistry::has(const std::string& name) {
    return registry().factories.count(name) > 0;
}

Form* FormRegistry::existing(const std::string& name) {
    auto it = registry().instances.find(name);
    return it == registry().instances.end() ? nullptr : it->second;
}

Form* FormRegistry::get(const std::string& name) {
    if (Form* f = existing(name)) return f;
    auto it = registry().factories.find(name);
    if (it == registry().factories.end()) return nullptr;
    Form* f = it->second();
    // Registered before its load runs, so the load can reach its own controls
    // through the default instance.
    registry().instances[name] = f;
    f->loading_ = true;
    QPointer<Form> guard(f);
    runEvent([f] { f->Form_Load(); });
    if (guard) f->loading_ = false;
    return f;
}

void FormRegistry::forget(Form* form) {
    auto& inst = registry().instances;
    for (auto it = inst.begin(); it != inst.end(); ++it)
        if (it->second == form) {
            inst.erase(it);
            return;
        }
}

void FormRegistry::unloadAll() {
    std::vector<Form*> all;
    for (auto& [n, f] : registry().instances)
        all.push_back(f);
    registry().instances.clear();
    for (Form* f : all)
        delete f;
}

void showModalByName(const std::string& name, Form* owner) {
    if (!FormRegistry::has(name)) {
        services().showModalMissing(name, owner);
        return;
    }
    Form* f = FormRegistry::get(name);
    if (f) f->ShowModal(owner);
}

} // namespace vb
