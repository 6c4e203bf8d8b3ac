#pragma once

#include "ListEntryCheck.h"
#include "PriceMarkDelegate.h"

// Draws the cells of the shopping list grid with the current row in bold, a price with the price log's marks
// (PriceMarkDelegate), and gives the editable cell an editor that takes only the characters its mode allows.
// Enter in the editor posts the cell at once and reports it, so the page can move to the next row. The
// typed text is checked before the field converts it; refused text is reported and nothing is written.
class ListCellDelegate : public ui::PriceMarkDelegate {
    Q_OBJECT

public:
    explicit ListCellDelegate(QObject* parent = nullptr);

    void setMode(ListEditMode mode) { mode_ = mode; }
    ListEditMode mode() const { return mode_; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    void enterPressed();
    // The warning for text the mode's check refuses.
    void invalidEntry(const QString& message);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    ListEditMode mode_ = ListEditMode::Quantity;
};
