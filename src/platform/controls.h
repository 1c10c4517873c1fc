#pragma once
// The standard controls with the members the windows use. Geometry is in
// twips and reads back exactly as assigned; events that the windows rely on
// fire on changes made by code as well as by the user, and only on a real
// change.
#include "platform/drawing.h"
#include "platform/events.h"
#include "platform/geometry.h"
#include "platform/placement.h"

#include <QPixmap>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollBar;

namespace vb {

class Form;

enum class ControlKind {
    CommandButton,
    Label,
    Image,
    Line,
    Shape,
    ListBox,
    OptionButton,
    Frame,
    PictureBox,
    TextBox,
    Timer,
    Grid,
    WheelCatcher,
    CommonDialog,
    ImageList,
    ScrollBar,
    RichText,
    Data,
    ComboBox,
};

using MouseHandler = Event<int, int, float, float>; // Button, Shift, X, Y

class Control : public Placement {
  public:
    Control(Form& form, ControlKind kind, std::string name, int index = -1);
    ~Control() override;

    Form& form() const { return *form_; }
    ControlKind kind() const { return kind_; }
    const std::string& Name() const { return name_; }
    int Index() const { return index_; }
    // The widget that shows the control; null for the kinds that have none.
    QWidget* widget() const;
    // A stable handle, as a window handle would be.
    std::uintptr_t hWnd() const { return reinterpret_cast<std::uintptr_t>(this); }

    void Move(int left, int top, int width, int height) { setBounds(left, top, width, height); }

    bool Visible() const { return visible_; }
    virtual void setVisible(bool v);
    bool Enabled() const { return enabled_; }
    virtual void setEnabled(bool v);
    const std::string& ToolTipText() const { return tooltip_; }
    void setToolTipText(const std::string& text);
    int MousePointer() const { return pointer_; }
    // Error 438 for the kinds that have no pointer.
    void setMousePointer(int pointer);
    void setMouseIcon(std::shared_ptr<QCursor> icon);
    const std::shared_ptr<QCursor>& MouseIcon() const { return icon_; }
    void SetFocus();
    bool hasFocus() const;

    // Places the control inside a container control instead of the window.
    void setContainer(Control* container);
    // The widget children are placed in (containers override).
    virtual QWidget* childArea() const { return widget(); }

    MouseHandler MouseMove;
    // Button: 1 left, 2 right, 4 middle.
    MouseHandler MouseDown;

  protected:
    void attach(QWidget* w);
    // Takes a property's new value, then has the control show it.
    template <class T, class V, class Self> void assign(T& field, V&& value, void (Self::*show)()) {
        field = std::forward<V>(value);
        (static_cast<Self*>(this)->*show)();
    }
    void applyGeometry() override;

    Form* form_;
    ControlKind kind_;
    std::string name_;
    int index_;
    bool visible_ = true, enabled_ = true;
    std::string tooltip_;
    int pointer_ = 0;
    std::shared_ptr<QCursor> icon_;
    QPointer<QWidget> widget_;
};

// Control arrays: members are created up front with their index.
template <class T> class ControlArray {
  public:
    T& operator()(int i) { return *items_.at(size_t(i)); }
    const T& operator()(int i) const { return *items_.at(size_t(i)); }
    int UBound() const { return int(items_.size()) - 1; }
    int Count() const { return int(items_.size()); }
    template <class... A> T& add(A&&... args) {
        items_.push_back(std::make_unique<T>(std::forward<A>(args)...));
        return *items_.back();
    }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }

  private:
    std::vector<std::unique_ptr<T>> items_;
};

class CommandButton : public Control {
  public:
    CommandButton(Form& form, std::string name, int index = -1);
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption) { assign(caption_, caption, &CommandButton::refresh); }
    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture) { assign(picture_, picture, &CommandButton::refresh); }
    // Presses the button as the user would (only when enabled and visible).
    void click();
    Event<> Click;

  private:
    void refresh();
    QPushButton* button_;
    std::string caption_;
    QPixmap picture_;
};

class Label : public Control {
  public:
    Label(Form& form, std::string name, int index = -1);
    const std::string& Caption() const { return caption_; }
    void setCaption(const std::string& caption);
    std::int32_t ForeColor() const { return fore_; }
    void setForeColor(std::int32_t c) { assign(fore_, c, &Label::restyle); }
    std::int32_t BackColor() const { return back_; }
    void setBackColor(std::int32_t c);
    bool FontBold() const { return bold_; }
    void setFontBold(bool b);
    void setFont(const std::string& family, double points);
    void setAlignment(int alignment); // 0 left, 1 right, 2 centre
    void setAutoSize(bool on);
    // With AutoSize, on: the label keeps its width and grows downwards as
    // its caption wraps onto whole lines, broken as wrappedLines breaks them
    // (inside a word only where the word alone is wider than the label), and
    // again whenever its width or font changes; off (the default): it grows
    // sideways.
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool on);
    // The height in twips that caption takes when it wraps at the label's
    // width in its font.
    int wrappedHeight(const std::string& caption) const;
    void setTransparent(bool on) { assign(transparent_, on, &Label::restyle); }
    // For a caption of several lines in a coloured box: lines a text line
    // step apart (see textLineStep) and every glyph kept clear of the box's
    // edges.
    void setSpacedLines(bool on);
    Event<> Click;

  private:
    void restyle();
    void showCaption();
    void sizeChanged() override;
    QString wrapped(const std::string& caption) const;
    QLabel* label_;
    std::string caption_;
    std::int32_t fore_ = 0x000000, back_ = 0xFFFFFF;
    bool bold_ = false, autoSize_ = false, wordWrap_ = false, transparent_ = false;
};

class Image : public Control {
  public:
    Image(Form& form, std::string name, int index = -1);
    const QPixmap& Picture() const { return picture_; }
    // Without stretch the control takes the picture's size.
    void setPicture(const QPixmap& picture);
    bool Stretch() const { return stretch_; }
    void setStretch(bool on) { assign(stretch_, on, &Image::redraw); }
    Event<> Click;

  private:
    void redraw();
    QLabel* label_;
    QPixmap picture_;
    bool stretch_ = false;
};

// Drawn on the container's surface; never receives the mouse.
class Line : public Control {
  public:
    Line(Form& form, std::string name, int index = -1);
    int X1() const { return x1_; }
    int X2() const { return x2_; }
    int Y1() const { return y1_; }
    int Y2() const { return y2_; }
    void setX1(int v) { assign(x1_, v, &Line::place); }
    void setX2(int v) { assign(x2_, v, &Line::place); }
    void setY1(int v) { assign(y1_, v, &Line::place); }
    void setY2(int v) { assign(y2_, v, &Line::place); }
    void setBorderColor(std::int32_t c);
    void setBorderWidth(int pixels);
    // 0 brings the line in front of the window's other controls; any other
    // value puts it behind them, where it starts.
    void ZOrder(int position) { assign(front_, position == 0, &Line::place); }

  private:
    void place();
    QWidget* w_;
    int x1_ = 0, x2_ = 1000, y1_ = 0, y2_ = 0;
    std::int32_t color_ = 0;
    int borderWidth_ = 1;
    bool front_ = false;
};

class Shape : public Control {
  public:
    Shape(Form& form, std::string name, int index = -1);
    void setBorderColor(std::int32_t c);
    std::int32_t BorderColor() const { return border_; }

  private:
    QWidget* w_;
    std::int32_t border_ = 0;
};

// The items and the selection of a list the user picks from; the control
// shows them in its widget.
class ItemList : public Control {
  public:
    using Control::Control;
    void Clear();
    // Beyond the last item (or before the first) reads as empty text.
    std::string List(int i) const;
    int ListCount() const { return int(items_.size()); }
    int ListIndex() const { return listIndex_; }
    const std::vector<std::string>& items() const { return items_; }
    Event<> Click;

  protected:
    // Takes i as the selection: error 380 outside -1..ListCount-1; false when
    // i is selected already.
    bool takeListIndex(int i);
    // The user picked row i in the widget: Click on a real change.
    void picked(int row);
    virtual void clearWidget() = 0;

    std::vector<std::string> items_;
    int listIndex_ = -1;
    bool syncing_ = false; // while code fills or selects in the widget
};

class ListBox : public ItemList {
  public:
    ListBox(Form& form, std::string name, int index = -1);
    void AddItem(const std::string& item);
    // Raises Click when the selection changes.
    void setListIndex(int i);

  private:
    void clearWidget() override;
    QListWidget* list_;
};

class OptionButton : public Control {
  public:
    OptionButton(Form& form, std::string name, int index = -1);
    void setCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    bool Value() const;
    // Selecting an option raises its Click and clears its siblings.
    void setValue(bool v);
    std::int32_t ForeColor() const { return fore_; }
    void setForeColor(std::int32_t c) { assign(fore_, c, &OptionButton::restyle); }
    bool FontBold() const { return bold_; }
    void setFontBold(bool b) { assign(bold_, b, &OptionButton::restyle); }
    Event<> Click;

  private:
    void restyle();
    QRadioButton* radio_;
    std::string caption_;
    std::int32_t fore_ = 0;
    bool bold_ = false;
};

class Frame : public Control {
  public:
    Frame(Form& form, std::string name, int index = -1);
    void setCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    void setForeColor(std::int32_t c);
    void setBackColor(std::int32_t c);
    void setFont(const std::string& family, double points, bool bold);

  private:
    QWidget* w_;
    std::string caption_;
};

class PictureBox : public Control, public DrawingSurface {
  public:
    PictureBox(Form& form, std::string name, int index = -1);
    const QPixmap& Picture() const { return picture_; }
    // Drawn at the top left, unscaled; narrowing the box clips it.
    void setPicture(const QPixmap& picture);
    void clearPicture() { setPicture(QPixmap()); }
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    void setBackColor(std::int32_t c);
    void setBorder(bool on);

  private:
    QLabel* label_;
    QPixmap picture_;
    bool autoSize_ = false, border_ = false;
};

// Hidden text buffers.
class TextBox : public Control {
  public:
    TextBox(Form& form, std::string name, int index = -1);
    std::string Text;
};

class Timer : public Control {
  public:
    Timer(Form& form, std::string name, int index = -1);
    int Interval() const { return interval_; }
    void setInterval(int ms) { assign(interval_, ms, &Timer::restart); }
    void setEnabled(bool v) override { assign(enabled_, v, &Timer::restart); }
    Event<> Tick;

  private:
    void restart();
    QTimer timer_;
    int interval_ = 0;
};

// Reports mouse-wheel rotation over the window's controls; see Form.
class WheelCatcher : public Control {
  public:
    WheelCatcher(Form& form, std::string name, int index = -1);
    // Rotation, X, Y, handle of the control under the pointer.
    Event<int, int, int, std::uintptr_t> WheelRotation;
};

// A vertical scroll bar. Change fires when Value really changes, whether the
// user moved the bar or code set the value (a new Min or Max that clamps the
// value counts as such a change).
class VScrollBar : public Control {
  public:
    VScrollBar(Form& form, std::string name, int index = -1);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Value() const { return value_; }
    void setMin(int v) { setRange(v, max_); }
    void setMax(int v) { setRange(min_, v); }
    void setValue(int v);
    Event<> Change;

  private:
    // Takes the new bounds; a value outside them moves to the nearer one.
    void setRange(int min, int max);
    void sync();
    QScrollBar* bar_;
    int min_ = 0, max_ = 32767, value_ = 0;
    bool syncing_ = false;
};

} // namespace vb
