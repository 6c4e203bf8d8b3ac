#include "TaggedItemDelegate.h"

#include "Helpers.h"

#include "TaggedAccessibleText.h"

#include <QAbstractItemView>
#include <QPainter>

TaggedItemDelegate::TaggedItemDelegate(int itemHeight, bool markers, QObject* parent)
    : QStyledItemDelegate(parent), itemHeight_(itemHeight), markers_(markers) {
    if (auto* view = qobject_cast<QAbstractItemView*>(parent))
        ui::TaggedAccessibleText::follow(view->model());
}

void TaggedItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QString text = TaggedDisplayText(index.data(Qt::DisplayRole).toString());
    if (text.isNull())
        return;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& pal = option.palette;
    const QColor background = selected ? pal.color(QPalette::Highlight) : pal.color(QPalette::Base);
    const QRect r = option.rect;
    painter->save();
    painter->fillRect(r, background);
    int textLeft = r.left() + 3;
    if (markers_) {
        const int size = markerSize();
        textLeft = r.left() + size + 3;
        const int top = r.top() + (r.height() - size) / 2;
        if (index.data(Qt::UserRole).toBool()) {
            // Right and bottom edges excluded: 8 x 9 pixels for 16-pixel items.
            const QRect marker(QPoint(r.left() + 2, top - 1), QPoint(r.left() + size - 1, top + size - 3));
            painter->fillRect(marker, QColor(252, 252, 210));
            painter->setPen(
                QPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text), 0));
            painter->drawRect(QRectF(marker.left(), marker.top(), marker.width() - 1, marker.height() - 1));
        }
    }
    painter->setFont(option.font);
    painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    painter->drawText(QRect(textLeft, r.top(), r.right() - textLeft, r.height()),
                      Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
}

QSize TaggedItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QSize standard = QStyledItemDelegate::sizeHint(option, index);
    return itemHeight_ > 0 ? QSize(standard.width(), itemHeight_) : standard;
}
