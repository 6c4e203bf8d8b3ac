#pragma once

#include <QStyledItemDelegate>

// Draws a tagged list entry (id "###" name): the background, then the name at (left + 3, top). Entries
// without "###" are not drawn. An item height of 0 keeps the view's own row height. With markers, an entry
// whose Qt::UserRole flag is set (its aisle is on the floor plan) gets a small pale-yellow box in a strip at
// the left and the name moves right of it. A view's entries are read out by their names alone (see
// TaggedAccessibleText).
class TaggedItemDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    // A view as the parent has its entries' accessible texts kept at their names.
    TaggedItemDelegate(int itemHeight, bool markers, QObject* parent = nullptr);

    void setItemHeight(int height) { itemHeight_ = height; }
    int itemHeight() const { return itemHeight_; }
    // Side of the marker, item height - 6; also the width of the strip where the marker's hint shows.
    int markerSize() const { return itemHeight_ - 6; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int itemHeight_;
    bool markers_;
};
