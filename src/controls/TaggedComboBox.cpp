#include "TaggedComboBox.h"

#include "Helpers.h"
#include "TaggedItemDelegate.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

TaggedComboBox::TaggedComboBox(QWidget* parent)
    : QComboBox(parent), delegate_(new TaggedItemDelegate(16, false, this)) {
    setItemDelegate(delegate_);
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
