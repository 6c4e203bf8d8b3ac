#pragma once

#include "TaggedListBox.h"

#include <QDialog>

#include <functional>

class FloorplanPanel;

// The pick-aisle dialog: a small window over the main window that lists the unplaced aisles of the shown
// shop; its entries are dragged onto the floor plan to place them, or placed with Enter (or Insert) in a
// column from the top-left grid point of the plan's view.
class PickAisleForm : public QDialog, public ListDragHandler {
    Q_OBJECT

public:
    // shopEntry gives the shop selector's selected entry (empty when none).
    PickAisleForm(FloorplanPanel& plan, std::function<QString()> shopEntry, QWidget* parent = nullptr);

    TaggedListBox* AislesLB = nullptr;

    // Lists the shown shop's unplaced aisles again (after some left the plan).
    void refill() { FormShow(); }
    // Places the selected entries from the keyboard.
    void placeSelected();

    // ListDragHandler
    void startDrag(TaggedListBox* source) override;
    bool dragOver(TaggedListBox* source, QPoint global) override;
    void dragDrop(TaggedListBox* source, QPoint global) override;
    void endDrag(TaggedListBox* source) override;

signals:
    void visibilityChanged(bool visible);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormShow();

    FloorplanPanel& plan_;
    std::function<QString()> shopEntry_;
};
