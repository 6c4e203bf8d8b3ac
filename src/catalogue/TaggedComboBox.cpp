#include "TaggedComboBox.h"

#include "Helpers.h"

#include <QPainter>
#include <QStylePainter>

TaggedComboBox::TaggedComboBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new TaggedEntryDelegate(this));
    setEditable(false);
}

void TaggedComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = TaggedDisplayText(currentText()); // null for an untagged entry: nothing drawn
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void TaggedEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QString entry = index.data(Qt::DisplayRole).toString();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    const QString text = TaggedDisplayText(entry);
    if (!text.isNull()) {
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->setFont(option.font);
        const QRect area = option.rect.adjusted(3, 0, 0, 0);
        painter->drawText(area, Qt::AlignLeft | Qt::AlignTop, text);
    }
    painter->restore();
}
