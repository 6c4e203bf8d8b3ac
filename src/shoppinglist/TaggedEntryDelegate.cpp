#include "TaggedEntryDelegate.h"

#include "Helpers.h"

#include <QApplication>
#include <QPainter>

void TaggedEntryDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QString text = TaggedDisplayText(index.data(Qt::DisplayRole).toString());
    if (text.isNull())
        return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The background, with the list's own selection highlight.
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);
    painter->save();
    painter->setFont(opt.font);
    painter->setPen(opt.palette.color(
        QPalette::Normal, (opt.state & QStyle::State_Selected) ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(opt.rect);
    painter->drawText(opt.rect.adjusted(3, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter->restore();
}
