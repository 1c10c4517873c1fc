#include "platform/scrollbar.h"

#include "platform/form.h"

#include <QScrollBar>
#include <algorithm>

namespace vb {

VScrollBar::VScrollBar(Form& form, std::string name, int index)
    : Control(form, ControlKind::ScrollBar, std::move(name), index),
      bar_(new QScrollBar(Qt::Vertical, &form)) {
    width_ = 255;
    height_ = 1695;
    attach(bar_);
    sync();
    QObject::connect(bar_, &QScrollBar::valueChanged, bar_, [this](int v) {
        if (syncing_) return;
        // The widget runs low to high; a bar whose Max is below Min is shown
        // the other way round.
        int value = min_ <= max_ ? v : min_ + max_ - v;
        if (value == value_) return;
        value_ = value;
        if (Change) Change();
    });
}

QWidget* VScrollBar::widget() const {
    return bar_;
}

void VScrollBar::sync() {
    syncing_ = true;
    bar_->setRange(std::min(min_, max_), std::max(min_, max_));
    bar_->setSingleStep(small_);
    bar_->setPageStep(large_);
    bar_->setValue(min_ <= max_ ? value_ : min_ + max_ - value_);
    syncing_ = false;
}

void VScrollBar::setMin(int v) {
    min_ = v;
    setValue(value_);
    sync();
}
void VScrollBar::setMax(int v) {
    max_ = v;
    setValue(value_);
    sync();
}
void VScrollBar::setValue(int v) {
    int lo = std::min(min_, max_), hi = std::max(min_, max_);
    v = std::clamp(v, lo, hi);
    if (v == value_) {
        sync();
        return;
    }
    value_ = v;
    sync();
    if (Change) Change();
}
void VScrollBar::setSmallChange(int v) {
    small_ = std::max(1, v);
    sync();
}
void VScrollBar::setLargeChange(int v) {
    large_ = std::max(1, v);
    sync();
}

} // namespace vb
