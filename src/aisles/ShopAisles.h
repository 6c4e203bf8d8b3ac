#pragma once

#include "FloorAisle.h"

#include <QPoint>

#include <memory>
#include <vector>

namespace engine {
class Database;
}

// The floor plan of one shop in memory: every aisle of the shop in walking order (ShopAisles) and the
// selected ones in the order they were selected (SelectedAisles), with the rules of the edits made on the
// plan. The records keep their addresses while the list is reordered, so the selection can point at them.
class ShopAisles {
public:
    static constexpr int GridStep = 20;

    enum class Handle { TopLeft, TopRight, BottomLeft, BottomRight };

    ShopAisles() = default;
    ShopAisles(const ShopAisles&) = delete;
    ShopAisles& operator=(const ShopAisles&) = delete;

    int count() const { return static_cast<int>(aisles_.size()); }
    bool isEmpty() const { return aisles_.empty(); }
    FloorAisle& at(int index) { return *aisles_[static_cast<size_t>(index)]; }
    const FloorAisle& at(int index) const { return *aisles_[static_cast<size_t>(index)]; }
    int indexOf(const FloorAisle* aisle) const; // -1 when not in the list
    FloorAisle& append(const FloorAisle& aisle);
    void clear();

    // The selection, in selection order.
    const std::vector<FloorAisle*>& selected() const { return selected_; }
    int selectedCount() const { return static_cast<int>(selected_.size()); }
    void select(int index);
    void deselect(int index);
    void toggle(int index);
    void selectOnly(int index);
    void clearSelection();
    void selectAllPlaced();

    int placedCount() const;
    // The first placed aisle, in walking order, whose rectangle holds the plan point (left and top edges
    // inclusive, right and bottom exclusive); -1 when none.
    int hitTest(QPoint plan) const;

    // Moves every selected aisle by (dx, dy); refused as a whole when one would get a negative left or top.
    bool moveSelection(int dx, int dy);
    // Moves the handle's corner of the single selected aisle by (dx, dy); refused when that gives a
    // negative left or top, or no width or height.
    bool resizeSelected(Handle handle, int dx, int dy);
    // Moves the right and bottom edges of every selected aisle by (dw, dh); refused as a whole when one would
    // lose its width or height.
    bool growSelection(int dw, int dh);
    // Takes the selected aisles off the plan (they stay in the walking order, unplaced) and deselects them.
    // Returns how many were taken off.
    int unplaceSelected();
    // The placed aisle after (forward) or before the one at `from` in walking order, round the end; from -1
    // gives the first (or last). -1 when no aisle is placed.
    int nextPlaced(int from, bool forward) const;
    // Set-sequence: takes the aisle at `index` out of the walking order and puts it right after `anchor`.
    void moveAfter(int anchor, int index);

    // Places the given categories' unplaced aisles (all unplaced ones when `categories` is null) in a column
    // from the grid point at or above-left of the plan point, selects them and nothing else. Returns how many
    // were placed.
    int placeColumn(QPoint plan, const std::vector<int>* categories);

    int maxRight() const;
    int maxBottom() const;

    // Whole grid steps of a pointer movement, rounded half to even.
    static int gridDelta(int pixels);
    // The grid line at or before a non-negative plan coordinate.
    static int gridFloor(int plan) { return plan / GridStep * GridStep; }

    // The shop's aisles from the Aisles table in walking order, with their category names.
    void load(engine::Database& db, int shop);
    // Replaces the shop's aisle rows with the list, Sequence 100, 110, 120 ... in list order, in one
    // transaction; then empties the lists. Does nothing to the table for a negative shop.
    void writeBack(engine::Database& db, int shop);
    // Removes the selected aisles from the plan and deletes their rows at once, in one transaction.
    void deleteSelected(engine::Database& db, int shop);

private:
    std::vector<std::unique_ptr<FloorAisle>> aisles_;
    std::vector<FloorAisle*> selected_;
};
