#include "platform/combobox.h"

#include "platform/fonts.h"
#include "platform/form.h"
#include "platform/geometry.h"
#include "platform/vbstring.h"

#include <QComboBox>

namespace vb {

ComboBox::ComboBox(Form& form, std::string name, int index)
    : ItemList(form, ControlKind::ComboBox, std::move(name), index), box_(new QComboBox(&form)) {
    box_->setEditable(false);
    QObject::connect(box_, &QComboBox::currentIndexChanged, [this](int i) { picked(i); });
    attach(box_);
}

void ComboBox::AddItem(const std::string& item) {
    items_.push_back(item);
    syncing_ = true;
    box_->addItem(toQt(item));
    // Qt selects the first item added; the selection stays where code put it.
    box_->setCurrentIndex(listIndex_);
    syncing_ = false;
}

void ComboBox::clearWidget() {
    box_->clear();
}

void ComboBox::setListIndex(int i) {
    if (!takeListIndex(i)) return;
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
