#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

// A drop-down list whose entries are tagged list entries ("12###Corner Market"): only the name after the
// first "###" is drawn, 3 pixels from the left edge, on the row's background; an untagged entry is not drawn.
class TaggedComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit TaggedComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The drawing of one entry, shared by the list and the closed box.
class TaggedEntryDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
