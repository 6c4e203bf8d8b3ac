#pragma once

#include <QStyledItemDelegate>

// Draws the entries of a list box whose entries carry an id ("12###Corner Market"): only the name, 3 pixels
// from the left edge at the row's top; an entry without an id is not drawn at all.
class TaggedEntryDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
