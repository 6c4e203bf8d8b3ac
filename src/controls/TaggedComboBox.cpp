#include "TaggedComboBox.h"

#include "ControlsAccessibility.h"
#include "Helpers.h"
#include "TaggedAccessibleText.h"
#include "TaggedItemDelegate.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QStyleOptionComboBox>
#include <QStylePainter>

TaggedComboBox::TaggedComboBox(QWidget* parent)
    : QComboBox(parent), delegate_(new TaggedItemDelegate(16, false, this)) {
    ui::ControlsAccessibility::install();
    setItemDelegate(delegate_);
    ui::TaggedAccessibleText::follow(model());
    // The box tells assistive technology its new value with the entry's whole text; the name follows.
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
        if (!QAccessible::isActive())
            return;
        QAccessibleValueChangeEvent event(this, TaggedDisplayText(currentText()));
        QAccessible::updateAccessibility(&event);
    });
}

void TaggedComboBox::setItemHeight(int height) {
    delegate_->setItemHeight(height);
}

int TaggedComboBox::selectedId() const {
    return ExtractLBID(model(), currentIndex());
}

QString TaggedComboBox::selectedEntry() const {
    return currentIndex() < 0 ? QString() : itemText(currentIndex());
}

void TaggedComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = TaggedDisplayText(option.currentText);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
