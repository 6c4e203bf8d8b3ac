#pragma once

#include "FloorplanEditor.h"
#include "ShopAisles.h"

#include <QWidget>

#include <vector>

class AisleHintWindow;
class FloorplanView;
class QScrollBar;

namespace engine {
class Database;
}

// The "Floorplan" sub-page: the shop's plan in memory (ShopAisles, SelectedAisles), the view with its two
// scroll bars, and the commands of the toolbar and popup menu that act on the plan.
class FloorplanPanel : public QWidget {
    Q_OBJECT

public:
    FloorplanPanel(engine::Database& db, AisleHintWindow& hint, QWidget* parent = nullptr);

    ShopAisles& aisles() { return aisles_; }
    const ShopAisles& aisles() const { return aisles_; }
    FloorplanEditor& editor() { return editor_; }
    int shop() const { return shop_; }

    // Loads the shop's plan (nothing is shown for a negative shop), after writing back a plan still held.
    void FloorTabSheetShow(int shop);
    // Writes the plan of the loaded shop back and empties it.
    void writeBack();

    void AdjustFloorplanScrollbars();
    void FPSelectallClick();
    void FPSeqBeforeClick();
    void FPDeleteClick();
    // Places every unplaced aisle in a column from the grid point at the view point.
    void FPAddAllUnplacedClick(QPoint view);
    // Whether a drag at the global point is over the plan.
    bool FloorPlanDragOver(QPoint global) const;
    // Places the categories' unplaced aisles in a column from the view point.
    void FloorPlanDragDrop(QPoint view, const std::vector<int>& categories);
    void Sequencearrows(bool on);
    bool sequenceArrows() const;

    FloorplanView* FloorPlan = nullptr;
    QScrollBar* FPHScrollBar = nullptr;
    QScrollBar* FPVScrollBar = nullptr;

    // Scrolls the view so that the aisle at the plan index is in sight, as far as the view allows.
    void showAisle(int index);

signals:
    // The selection or the set of aisles changed: the toolbar enabling is due.
    void planChanged();
    void popupRequested(QPoint global);
    // Aisles were taken off the plan: the list of unplaced aisles is out of date.
    void aislesUnplaced();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void scrolled();
    void afterPlacement();

    engine::Database& db_;
    ShopAisles aisles_;
    FloorplanEditor editor_;
    int shop_ = -1;
};
