#pragma once
// A window's life cycle: a single default instance created
// (and loaded) on first use, shown modally over an owner, unloaded on close
// and created afresh on the next use.
#include "platform/drawing.h"
#include "platform/placement.h"

#include <QEventLoop>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vb {

class Control;
class CommandButton;

// The window frame the layout arithmetic assumes: Width and Height are the
// outer size, the controls sit in the client area inside this frame. The
// frame has a caption at the top but no side borders: the data windows take
// the screen's width and place their right-hand buttons from Width with as
// little as 15 twips to spare, so the client area spans the whole Width.
inline constexpr int kFrameSidePx = 0;
inline constexpr int kFrameCaptionPx = 23;

class Form : public QWidget, public DrawingSurface, public Placement {
    Q_OBJECT
  public:
    explicit Form(std::string name);
    ~Form() override;

    const std::string& Name() const { return name_; }

    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_KeyDown(int& /*KeyCode*/, int /*Shift*/) {}
    virtual void Form_MouseMove(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {}

    std::string Caption() const { return caption_; }
    void setCaption(const std::string& caption);

    // Client area in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;

    int MousePointer() const { return pointer_; }
    void setMousePointer(int pointer);

    const std::vector<Control*>& Controls() const { return controls_; }
    Control* findControl(const std::string& name, int index = -1) const;

    // The button that Esc presses once the key map has seen the key.
    void setCancelButton(CommandButton* button) { cancel_ = button; }

    void Show();                 // the start window: not modal
    void ShowModal(Form* owner); // returns once the window is unloaded
    void Unload();
    bool isUnloaded() const { return unloaded_; }

    // Used by the desktop services: shows the window and runs a nested loop
    // until Unload.
    void runModalLoop(Form* owner);

    // Called by controls on construction and destruction.
    void addControl(Control* c) { controls_.push_back(c); }
    void removeControl(Control* c);

    // Key preview entry point for a key code (also used by tests).
    bool previewKey(int keyCode, int shift);

    static int vbKeyCode(int qtKey);

  signals:
    // Every change of size, just before Form_Resize: what a window's own
    // layout builds on (the toolbar band and its buttons) is then in place.
    void resized();

  protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // A size given by the window manager or the user runs Form_Resize too.
    void resizeEvent(QResizeEvent* e) override;

  private:
    void applyGeometry() override;
    void sizeChanged() override { raiseResize(); }
    void raiseResize();
    friend class FormRegistry;

    std::string name_;
    std::string caption_;
    int pointer_ = 0;
    friend class RunningDialog;
    int dialogs_ = 0;
    bool destroyPending_ = false;
    std::vector<Control*> controls_;
    CommandButton* cancel_ = nullptr;
    QEventLoop* loop_ = nullptr;
    bool unloaded_ = false;
    bool shownOnce_ = false;
    bool loading_ = false;
    bool resizing_ = false;
    QSize placedSize_;
};

// Held while a dialog runs over the window that owns it (the printer dialog
// is the window's child): the dialog and the window's code that waits for it
// live in the window, so a window unloaded meanwhile is hidden at once and
// destroyed only once the dialog has returned.
class RunningDialog {
  public:
    explicit RunningDialog(QWidget* owner);
    ~RunningDialog();
    RunningDialog(const RunningDialog&) = delete;
    RunningDialog& operator=(const RunningDialog&) = delete;

  private:
    QPointer<Form> form_;
};

// Default instances by window name.
class FormRegistry {
  public:
    using Factory = std::function<Form*()>;
    static void add(const std::string& name, Factory factory);
    // Each window class by its own name, made with its default constructor:
    // `FormRegistry::add<Form5, Form6>()`.
    template <class... Window> static void add() {
        (add(Window::kFormName, [] { return new Window; }), ...);
    }
    static bool has(const std::string& name);
    // The loaded instance, or nullptr.
    static Form* existing(const std::string& name);
    // The instance, created and loaded on first use; nullptr when no window
    // of that name is built into the program.
    static Form* get(const std::string& name);
    static void forget(Form* form);
    // Unloads every window (tests, between cases).
    static void unloadAll();
};

template <class T> T& instance() {
    return static_cast<T&>(*FormRegistry::get(T::kFormName));
}

// Declares a window class's registry name and its one instance, so that the
// name is written once: `VB_FORM(Form5)` gives `Form5::kFormName` ("Form5")
// and `Form5::get()`.
#define VB_FORM(Name)                                                                                         \
    static constexpr const char* kFormName = #Name;                                                           \
    static Name& get() { return vb::instance<Name>(); }

// Opens a window by name modally over owner. Windows that are not built into
// the program are still announced to the service object, so the hand-over
// before such a show stays observable.
void showModalByName(const std::string& name, Form* owner);

} // namespace vb
