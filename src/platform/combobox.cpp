#include "platform/combobox.h"

#include "platform/errors.h"
#include "platform/fonts.h"
#include "platform/form.h"
#include "platform/vbstring.h"

#include <QComboBox>

namespace vb {

ComboBox::ComboBox(Form& form, std::string name, int index)
    : Control(form, ControlKind::ComboBox, std::move(name), index), box_(new QComboBox(&form)) {
    box_->setEditable(false);
    QObject::connect(box_, &QComboBox::currentIndexChanged, [this](int i) {
        if (syncing_ || i == listIndex_) return;
        listIndex_ = i;
        if (Click) Click();
    });
    attach(box_);
}

QWidget* ComboBox::widget() const {
    return box_;
}

void ComboBox::AddItem(const std::string& item) {
    items_.push_back(item);
    syncing_ = true;
    box_->addItem(toQt(item));
    // Qt selects the first item added; the selection stays where code put it.
    box_->setCurrentIndex(listIndex_);
    syncing_ = false;
}

void ComboBox::Clear() {
    items_.clear();
    syncing_ = true;
    box_->clear();
    syncing_ = false;
    listIndex_ = -1;
}

std::string ComboBox::List(int i) const {
    if (i < 0 || i >= int(items_.size())) return {};
    return items_[size_t(i)];
}

void ComboBox::setListIndex(int i) {
    if (i < -1 || i >= int(items_.size())) throw VbError(380, "Invalid property value");
    if (i == listIndex_) return;
    listIndex_ = i;
    syncing_ = true;
    box_->setCurrentIndex(i);
    syncing_ = false;
    if (Click) Click();
}

std::string ComboBox::Text() const {
    return List(listIndex_);
}

void ComboBox::setColors(std::int32_t back, std::int32_t fore) {
    const QColor b = vbColor(back), f = vbColor(fore);
    box_->setStyleSheet(
        QStringLiteral("QComboBox, QComboBox QAbstractItemView { background: %1; color: %2; }")
            .arg(b.name(), f.name()));
}

void ComboBox::setFont(const std::string& family, double points, bool bold) {
    box_->setFont(windowFont(family, points, bold));
}

} // namespace vb
