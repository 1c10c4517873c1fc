#include "platform/controls.h"

#include "platform/errors.h"
#include "platform/fonts.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/picture.h"
#include "platform/services.h"
#include "platform/vbstring.h"

#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>

namespace vb {
namespace {

// Forwards mouse moves of a widget to its control's MouseMove handler.
class MouseForwarder : public QObject {
  public:
    MouseForwarder(Control* c, QObject* parent) : QObject(parent), control_(c) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress && control_->MouseDown) {
            auto* me = static_cast<QMouseEvent*>(e);
            const int button = me->button() == Qt::LeftButton     ? 1
                               : me->button() == Qt::RightButton  ? 2
                               : me->button() == Qt::MiddleButton ? 4
                                                                  : 0;
            control_->MouseDown(button, 0, float(me->position().x() * kTwipsPerPixel),
                                float(me->position().y() * kTwipsPerPixel));
        }
        if (e->type() == QEvent::MouseMove && control_->MouseMove) {
            auto* me = static_cast<QMouseEvent*>(e);
            // A move over a child control reaches its containers too when the
            // child ignores it; only the control under the pointer reports it.
            auto* w = static_cast<QWidget*>(watched);
            QWidget* under = w->childAt(me->position().toPoint());
            for (QWidget* x = under; x && x != w; x = x->parentWidget())
                if (x->property("vbControl").isValid()) return false;
            control_->MouseMove(me->buttons() & Qt::LeftButton ? 1 : 0, 0,
                                float(me->position().x() * kTwipsPerPixel),
                                float(me->position().y() * kTwipsPerPixel));
        }
        return false;
    }

  private:
    Control* control_;
};

// A label that raises its control's Click on a left click inside it.
class ClickLabel : public QLabel {
  public:
    ClickLabel(QWidget* parent, Event<>& click) : QLabel(parent), click_(click) {}

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()) && click_) click_();
        QLabel::mouseReleaseEvent(e);
    }

  private:
    Event<>& click_;
};

// A label's text. Spaced, its lines are a text line step apart and the text
// stands kSpacedInsetPx inside every edge; otherwise Qt's label draws it.
class TextLabel : public ClickLabel {
  public:
    using ClickLabel::ClickLabel;
    bool spaced = false;

    int heightForWidth(int w) const override {
        if (!spaced) return ClickLabel::heightForWidth(w);
        return spacedHeight(layOut(w, nullptr));
    }
    // The width that the lines of the text get in a label w pixels wide.
    int lineWidth(int w) const { return spaced ? w - 2 * kSpacedInsetPx : w; }
    // The height of text already broken into lines.
    int linesHeight(const QString& lines) const {
        if (spaced) return spacedHeight(int(lines.count(QLatin1Char('\n'))) + 1);
        return QFontMetrics(font())
            .boundingRect(QRect(0, 0, 1 << 20, 1 << 20), int(Qt::AlignLeft | Qt::AlignTop), lines)
            .height();
    }

  protected:
    void paintEvent(QPaintEvent* e) override {
        if (!spaced) {
            ClickLabel::paintEvent(e);
            return;
        }
        QPainter p(this);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        layOut(width(), &p);
    }

  private:
    static constexpr int kSpacedInsetPx = 2;

    int spacedHeight(int lines) const {
        return 2 * kSpacedInsetPx + (lines - 1) * textLineStep(font()) + QFontMetrics(font()).height();
    }

    // Breaks the text into lines for width w, drawing them on p when given;
    // returns the number of lines.
    int layOut(int w, QPainter* p) const {
        const int width = w - 2 * kSpacedInsetPx;
        const QStringList lines =
            wordWrap() ? wrappedLines(text(), font(), width) : text().split(QLatin1Char('\n'));
        if (p) {
            QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
            option.setWrapMode(QTextOption::NoWrap);
            const int step = textLineStep(font());
            for (int i = 0; i < lines.size(); ++i) {
                QTextLayout layout(lines[i], font());
                layout.setTextOption(option);
                layout.beginLayout();
                QTextLine line = layout.createLine();
                line.setLineWidth(std::max(1, width));
                line.setPosition(QPointF(0, kSpacedInsetPx + i * step));
                layout.endLayout();
                layout.draw(p, QPointF(kSpacedInsetPx, 0));
            }
        }
        return std::max(1, int(lines.size()));
    }
};

// The picture of an Image control. Stretched, it is drawn as Qt's scaled
// label draws it, smoothly scaled to the control, but through smoothScaled
// and kept until the control's size or picture changes.
class PictureLabel : public ClickLabel {
  public:
    using ClickLabel::ClickLabel;

  protected:
    void paintEvent(QPaintEvent* e) override {
        const QPixmap picture = pixmap();
        if (!hasScaledContents() || picture.isNull()) {
            QLabel::paintEvent(e);
            return;
        }
        QPainter p(this);
        drawFrame(&p);
        const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
        const qreal ratio = devicePixelRatio();
        const QSize size = area.size() * ratio;
        if (scaled_.size() != size || scaledFrom_ != picture.cacheKey()) {
            scaled_ = QPixmap::fromImage(smoothScaled(picture.toImage(), size));
            scaled_.setDevicePixelRatio(ratio);
            scaledFrom_ = picture.cacheKey();
        }
        QPixmap shown = scaled_;
        if (!isEnabled()) {
            QStyleOption option;
            option.initFrom(this);
            shown = style()->generatedIconPixmap(QIcon::Disabled, shown, &option);
        }
        style()->drawItemPixmap(&p, area, int(QStyle::visualAlignment(layoutDirection(), alignment())),
                                shown);
    }

  private:
    QPixmap scaled_;
    qint64 scaledFrom_ = 0;
};

class LineWidget : public QWidget {
  public:
    QPoint a, b;
    QColor color = Qt::black;
    int penWidth = 1;
    explicit LineWidget(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(QPen(color, penWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(a, b);
    }
};

// A frame: a grey border that groups the frame's controls, with or without
// a caption in its top side.
class FrameWidget : public QWidget {
  public:
    QString caption;
    QColor fore = Qt::black;
    explicit FrameWidget(QWidget* parent) : QWidget(parent) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int mid = fm.height() / 2;
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawRect(QRect(0, mid, width() - 1, height() - mid - 1));
        if (caption.isEmpty()) return;
        const int tw = fm.horizontalAdvance(caption);
        const QRect text(8, 0, tw + 4, fm.height());
        p.fillRect(text, palette().color(QPalette::Window));
        p.setPen(fore);
        p.drawText(text, Qt::AlignCenter, caption);
    }
};

class ShapeWidget : public QWidget {
  public:
    QColor color = Qt::black;
    explicit ShapeWidget(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setPen(color);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

QString colorCss(std::int32_t c) {
    return vbColor(c).name();
}

} // namespace

Control::Control(Form& form, ControlKind kind, std::string name, int index)
    : Placement(1215, 495), form_(&form), kind_(kind), name_(std::move(name)), index_(index) {
    form.addControl(this);
}

Control::~Control() {
    // The widget goes with its control: its handlers, and the window's routing
    // of the wheel, reach the control through it, and left to the window's
    // own teardown it could still be sent the pointer or a paint.
    delete widget_.data();
    if (form_) form_->removeControl(this);
}

void Control::attach(QWidget* w) {
    widget_ = w;
    w->setProperty("vbControl", QVariant::fromValue<void*>(this));
    w->setMouseTracking(true);
    w->installEventFilter(new MouseForwarder(this, w));
    w->setCursor(QCursor(Qt::ArrowCursor));
    applyGeometry();
}

QWidget* Control::widget() const {
    return widget_;
}

void Control::applyGeometry() {
    if (QWidget* w = widget())
        w->setGeometry(twipsToPixels(left_), twipsToPixels(top_), std::max(0, twipsToPixels(width_)),
                       std::max(0, twipsToPixels(height_)));
}

void Control::setVisible(bool v) {
    visible_ = v;
    if (QWidget* w = widget()) w->setVisible(v);
}
void Control::setEnabled(bool v) {
    enabled_ = v;
    if (QWidget* w = widget()) w->setEnabled(v);
}
void Control::setToolTipText(const std::string& text) {
    tooltip_ = text;
    QWidget* w = widget();
    if (!w) return;
    // A tip whose text is taken away while it is on screen goes with it.
    if (text.empty() && QToolTip::isVisible() && !w->toolTip().isEmpty() && QToolTip::text() == w->toolTip())
        QToolTip::hideText();
    w->setToolTip(toQt(text));
}

void Control::setMousePointer(int pointer) {
    switch (kind_) {
    case ControlKind::Shape:
    case ControlKind::Line:
    case ControlKind::Timer:
    case ControlKind::CommonDialog:
    case ControlKind::ImageList:
    case ControlKind::WheelCatcher:
        throw VbError(438, "Object doesn't support this property or method");
    default:
        break;
    }
    pointer_ = pointer;
    if (QWidget* w = widget()) w->setCursor(cursorFor(pointer, icon_));
}

void Control::setMouseIcon(std::shared_ptr<QCursor> icon) {
    icon_ = std::move(icon);
    if (pointer_ == vbCustom)
        if (QWidget* w = widget()) w->setCursor(cursorFor(pointer_, icon_));
}

void Control::SetFocus() {
    if (QWidget* w = widget()) w->setFocus(Qt::OtherFocusReason);
}
bool Control::hasFocus() const {
    QWidget* w = widget();
    return w && w->hasFocus();
}

void Control::setContainer(Control* container) {
    QWidget* w = widget();
    QWidget* area = container ? container->childArea() : &form();
    if (w && area) {
        w->setParent(area);
        applyGeometry();
        w->setVisible(visible_);
    }
}

// ---- CommandButton
CommandButton::CommandButton(Form& form, std::string name, int index)
    : Control(form, ControlKind::CommandButton, std::move(name), index), button_(new QPushButton(&form)) {
    button_->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(button_, &QPushButton::clicked, [this] {
        if (Click) Click();
    });
    attach(button_);
}
// A button with a picture is a graphical one: the picture stands above the
// caption, both centred.
void CommandButton::refresh() {
    std::string shown = Replace(caption_, "&&", "\x01");
    shown = Replace(shown, "&", "");
    shown = Replace(shown, "\x01", "&");
    if (picture_.isNull() || shown.empty()) {
        button_->setText(toQt(Replace(shown, "&", "&&")));
        button_->setIcon(QIcon(picture_));
        button_->setIconSize(picture_.size());
        return;
    }
    const QFontMetrics fm(button_->font());
    const QString text = toQt(shown);
    const int w = std::max(picture_.width(), fm.horizontalAdvance(text));
    QPixmap both(w, picture_.height() + fm.height());
    both.fill(Qt::transparent);
    QPainter p(&both);
    p.drawPixmap((w - picture_.width()) / 2, 0, picture_);
    p.setFont(button_->font());
    p.setPen(button_->palette().color(QPalette::ButtonText));
    p.drawText(QRect(0, picture_.height(), w, fm.height()), Qt::AlignCenter, text);
    p.end();
    button_->setText(QString());
    button_->setIcon(QIcon(both));
    button_->setIconSize(both.size());
}
void CommandButton::click() {
    if (enabled_ && visible_ && Click) Click();
}

// ---- Label
Label::Label(Form& form, std::string name, int index)
    : Control(form, ControlKind::Label, std::move(name), index), label_(new TextLabel(&form, Click)) {
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    transparent_ = true;
    restyle();
    attach(label_);
}
void Label::setCaption(const std::string& caption) {
    caption_ = caption;
    showCaption();
}
namespace {
QString shownCaption(const std::string& caption) {
    return toQt(Replace(Replace(caption, "\r\n", "\n"), "\r", "\n"));
}
} // namespace
QString Label::wrapped(const std::string& caption) const {
    const auto* text = static_cast<const TextLabel*>(label_);
    return wrappedLines(shownCaption(caption), label_->font(), text->lineWidth(twipsToPixels(width_)))
        .join(QLatin1Char('\n'));
}
int Label::wrappedHeight(const std::string& caption) const {
    const QString lines = wrapped(caption);
    if (lines.isEmpty()) return 0;
    return static_cast<const TextLabel*>(label_)->linesHeight(lines) * kTwipsPerPixel;
}
void Label::showCaption() {
    if (autoSize_ && wordWrap_) {
        // The lines are broken here, so that no word runs past the edge.
        label_->setText(wrapped(caption_));
        height_ = wrappedHeight(caption_);
        applyGeometry();
        return;
    }
    label_->setText(shownCaption(caption_));
    if (autoSize_) {
        label_->adjustSize();
        width_ = label_->width() * kTwipsPerPixel;
        height_ = label_->height() * kTwipsPerPixel;
    }
}
void Label::sizeChanged() {
    if (autoSize_ && wordWrap_) showCaption();
}
void Label::setBackColor(std::int32_t c) {
    back_ = c;
    transparent_ = false;
    restyle();
}
void Label::setFontBold(bool b) {
    bold_ = b;
    QFont f = label_->font();
    f.setBold(b);
    label_->setFont(f);
    if (autoSize_ && wordWrap_) showCaption();
}
void Label::setFont(const std::string& family, double points) {
    label_->setFont(windowFont(family, points, bold_));
    if (autoSize_ && wordWrap_) showCaption();
}
void Label::setSpacedLines(bool on) {
    static_cast<TextLabel*>(label_)->spaced = on;
    setCaption(caption_);
    label_->update();
}
void Label::setAlignment(int alignment) {
    Qt::Alignment a = alignment == 1 ? Qt::AlignRight : alignment == 2 ? Qt::AlignHCenter : Qt::AlignLeft;
    label_->setAlignment(a | Qt::AlignTop);
}
void Label::setAutoSize(bool on) {
    autoSize_ = on;
    // A label sized to its text grows sideways, where only line breaks start
    // new lines, unless it wraps its words (broken before they are shown).
    label_->setWordWrap(!on);
    showCaption();
}
void Label::setWordWrap(bool on) {
    wordWrap_ = on;
    setAutoSize(autoSize_);
}
// Colours through the palette rather than a style sheet: a style sheet costs
// every label a style of its own and a polish at each change of colour.
void Label::restyle() {
    QPalette pal = label_->palette();
    pal.setColor(QPalette::Active, QPalette::WindowText, vbColor(fore_));
    pal.setColor(QPalette::Inactive, QPalette::WindowText, vbColor(fore_));
    // A disabled label keeps its background and is drawn greyed.
    pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    if (!transparent_)
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::Window, vbColor(back_));
    label_->setPalette(pal);
    label_->setAutoFillBackground(!transparent_);
}

// ---- Image
Image::Image(Form& form, std::string name, int index)
    : Control(form, ControlKind::Image, std::move(name), index), label_(new PictureLabel(&form, Click)) {
    attach(label_);
}
void Image::setPicture(const QPixmap& picture) {
    picture_ = picture;
    if (!stretch_ && !picture.isNull())
        setBounds(left_, top_, picture.width() * kTwipsPerPixel, picture.height() * kTwipsPerPixel);
    redraw();
}
void Image::redraw() {
    label_->setScaledContents(stretch_);
    label_->setPixmap(picture_);
}

// ---- Line
Line::Line(Form& form, std::string name, int index)
    : Control(form, ControlKind::Line, std::move(name), index), w_(new LineWidget(&form)) {
    attach(w_);
    w_->setAttribute(Qt::WA_TransparentForMouseEvents);
    place();
}
void Line::setBorderColor(std::int32_t c) {
    color_ = c;
    static_cast<LineWidget*>(w_)->color = vbColor(c);
    w_->update();
}
void Line::setBorderWidth(int pixels) {
    borderWidth_ = std::max(1, pixels);
    static_cast<LineWidget*>(w_)->penWidth = borderWidth_;
    place();
}
void Line::place() {
    // A wide line spreads to both sides of its ends; the widget leaves room.
    const int pad = (borderWidth_ - 1) / 2 * kTwipsPerPixel;
    int l = std::min(x1_, x2_), t = std::min(y1_, y2_);
    left_ = l;
    top_ = t;
    width_ = std::abs(x2_ - x1_) + kTwipsPerPixel;
    height_ = std::abs(y2_ - y1_) + kTwipsPerPixel;
    if (QWidget* w = widget())
        w->setGeometry(twipsToPixels(l - pad), twipsToPixels(t - pad), twipsToPixels(width_ + 2 * pad),
                       twipsToPixels(height_ + 2 * pad));
    auto* lw = static_cast<LineWidget*>(w_);
    lw->a = QPoint(twipsToPixels(x1_ - l + pad), twipsToPixels(y1_ - t + pad));
    lw->b = QPoint(twipsToPixels(x2_ - l + pad), twipsToPixels(y2_ - t + pad));
    if (front_)
        lw->raise();
    else
        lw->lower();
    lw->update();
}

// ---- Shape
Shape::Shape(Form& form, std::string name, int index)
    : Control(form, ControlKind::Shape, std::move(name), index), w_(new ShapeWidget(&form)) {
    attach(w_);
    w_->setAttribute(Qt::WA_TransparentForMouseEvents);
}
void Shape::setBorderColor(std::int32_t c) {
    border_ = c;
    static_cast<ShapeWidget*>(w_)->color = vbColor(c);
    w_->update();
}

// ---- ItemList
void ItemList::Clear() {
    items_.clear();
    syncing_ = true;
    clearWidget();
    syncing_ = false;
    listIndex_ = -1;
}
std::string ItemList::List(int i) const {
    if (i < 0 || i >= int(items_.size())) return {};
    return items_[size_t(i)];
}
bool ItemList::takeListIndex(int i) {
    if (i < -1 || i >= int(items_.size())) throw VbError(380, "Invalid property value");
    if (i == listIndex_) return false;
    listIndex_ = i;
    return true;
}
void ItemList::picked(int row) {
    if (syncing_ || row == listIndex_) return;
    listIndex_ = row;
    if (Click) Click();
}

// ---- ListBox
ListBox::ListBox(Form& form, std::string name, int index)
    : ItemList(form, ControlKind::ListBox, std::move(name), index), list_(new QListWidget(&form)) {
    QObject::connect(list_, &QListWidget::currentRowChanged, [this](int row) { picked(row); });
    attach(list_);
}
void ListBox::AddItem(const std::string& item) {
    items_.push_back(item);
    if (visible_) list_->addItem(toQt(item));
}
void ListBox::clearWidget() {
    list_->clear();
}
void ListBox::setListIndex(int i) {
    if (!takeListIndex(i)) return;
    if (visible_) {
        syncing_ = true;
        if (list_->count() != int(items_.size())) {
            list_->clear();
            for (const auto& s : items_)
                list_->addItem(toQt(s));
        }
        list_->setCurrentRow(i);
        syncing_ = false;
    }
    if (Click) Click();
}

// ---- OptionButton
OptionButton::OptionButton(Form& form, std::string name, int index)
    : Control(form, ControlKind::OptionButton, std::move(name), index), radio_(new QRadioButton(&form)) {
    QObject::connect(radio_, &QRadioButton::toggled, [this](bool on) {
        if (on && Click) Click();
    });
    attach(radio_);
    restyle();
}
void OptionButton::setCaption(const std::string& caption) {
    caption_ = caption;
    radio_->setText(toQt(caption));
}
bool OptionButton::Value() const {
    return radio_->isChecked();
}
void OptionButton::setValue(bool v) {
    radio_->setChecked(v);
}
void OptionButton::restyle() {
    QFont f = radio_->font();
    f.setBold(bold_);
    radio_->setFont(f);
    radio_->setStyleSheet(QStringLiteral("QRadioButton { color: %1; }").arg(colorCss(fore_)));
}

// ---- Frame
Frame::Frame(Form& form, std::string name, int index)
    : Control(form, ControlKind::Frame, std::move(name), index), w_(new FrameWidget(&form)) {
    attach(w_);
}
void Frame::setCaption(const std::string& caption) {
    caption_ = caption;
    static_cast<FrameWidget*>(w_)->caption = toQt(caption);
    w_->update();
}
void Frame::setForeColor(std::int32_t c) {
    static_cast<FrameWidget*>(w_)->fore = vbColor(c);
    w_->update();
}
void Frame::setBackColor(std::int32_t c) {
    QPalette pal = w_->palette();
    pal.setColor(QPalette::Window, vbColor(c));
    w_->setPalette(pal);
    w_->setAutoFillBackground(true);
}
void Frame::setFont(const std::string& family, double points, bool bold) {
    w_->setFont(windowFont(family, points, bold));
    w_->update();
}

// ---- PictureBox
namespace {
// A picture box's picture with the text drawn over it.
class SurfaceLabel : public QLabel {
  public:
    SurfaceLabel(QWidget* parent, PictureBox* owner) : QLabel(parent), owner_(owner) {}

  protected:
    void paintEvent(QPaintEvent* e) override {
        QLabel::paintEvent(e);
        QPainter p(this);
        owner_->paintDrawing(p);
    }

  private:
    PictureBox* owner_;
};
} // namespace

PictureBox::PictureBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::PictureBox, std::move(name), index), DrawingSurface(nullptr),
      label_(new SurfaceLabel(&form, this)) {
    setDrawingTarget(label_);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setAutoFillBackground(true);
    attach(label_);
}
void PictureBox::setPicture(const QPixmap& picture) {
    picture_ = picture;
    label_->setPixmap(picture);
    if (autoSize_ && !picture.isNull()) {
        int b = border_ ? 4 : 0;
        setBounds(left_, top_, (picture.width() + b) * kTwipsPerPixel,
                  (picture.height() + b) * kTwipsPerPixel);
    }
}
void PictureBox::setAutoSize(bool on) {
    autoSize_ = on;
    setPicture(picture_);
}
void PictureBox::setBackColor(std::int32_t c) {
    QPalette pal = label_->palette();
    pal.setColor(QPalette::Window, vbColor(c));
    label_->setPalette(pal);
}
void PictureBox::setBorder(bool on) {
    border_ = on;
    label_->setFrameStyle(on ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    label_->setLineWidth(on ? 2 : 0);
}

// ---- TextBox, Timer, WheelCatcher
TextBox::TextBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::TextBox, std::move(name), index) {
    visible_ = false;
}

Timer::Timer(Form& form, std::string name, int index)
    : Control(form, ControlKind::Timer, std::move(name), index) {
    enabled_ = false;
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (Tick) Tick();
    });
}
void Timer::restart() {
    timer_.stop();
    if (enabled_ && interval_ > 0) timer_.start(interval_);
}

WheelCatcher::WheelCatcher(Form& form, std::string name, int index)
    : Control(form, ControlKind::WheelCatcher, std::move(name), index) {}

// ---- VScrollBar
VScrollBar::VScrollBar(Form& form, std::string name, int index)
    : Control(form, ControlKind::ScrollBar, std::move(name), index),
      bar_(new QScrollBar(Qt::Vertical, &form)) {
    width_ = 255;
    height_ = 2175;
    bar_->setFocusPolicy(Qt::StrongFocus);
    // An arrow and a click on the track each move by one: no window sets
    // other steps.
    bar_->setSingleStep(1);
    bar_->setPageStep(1);
    sync();
    QObject::connect(bar_, &QScrollBar::valueChanged, [this](int v) {
        if (syncing_ || v == value_) return;
        value_ = v;
        if (Change) Change();
    });
    attach(bar_);
}
void VScrollBar::sync() {
    syncing_ = true;
    bar_->setRange(std::min(min_, max_), std::max(min_, max_));
    bar_->setValue(value_);
    syncing_ = false;
}
void VScrollBar::setRange(int min, int max) {
    min_ = min;
    max_ = max;
    setValue(std::clamp(value_, std::min(min_, max_), std::max(min_, max_)));
    sync();
}
void VScrollBar::setValue(int v) {
    if (v < std::min(min_, max_) || v > std::max(min_, max_)) throw VbError(380, "Invalid property value");
    if (v == value_) return;
    value_ = v;
    sync();
    if (Change) Change();
}

} // namespace vb
