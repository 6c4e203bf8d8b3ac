#pragma once

#include "ShopAisles.h"

#include <QPoint>

// What the mouse does on the floor plan, without a window: selecting (Ctrl to add and remove), moving the
// selection in whole grid steps, resizing the single selected aisle by a corner handle, and set-sequence
// mode. Points are view coordinates; the scroll offset turns them into plan coordinates. Each call reports
// what the view has to bring up to date.
class FloorplanEditor {
public:
    enum class Cursor { Normal, Move, PointingHand };

    struct Effects {
        bool repaint = false;
        bool selectionChanged = false; // handles and toolbar
        bool rectsChanged = false;     // handles follow
        bool moved = false;            // scroll ranges
        bool cursorChanged = false;
        bool popup = false;    // open the popup menu at the pointer
        bool unplaced = false; // aisles left the plan: the list of unplaced aisles is due
    };

    explicit FloorplanEditor(ShopAisles& aisles) : aisles_(aisles) {}

    // Back to the state of a freshly loaded plan.
    void reset();

    Effects press(QPoint view, QPoint scroll, bool ctrl);
    Effects move(QPoint view);
    Effects releaseLeft();
    Effects releaseRight();

    Effects handlePress(QPoint view);
    Effects handleMove(ShopAisles::Handle handle, QPoint view);
    void handleRelease() { HandleDragging = false; }

    // Hover with no button pressed: returns true when the hint should show the aisle at HoverIndex; sets
    // HoverIndex to -1 (and returns false) when the pointer is over no aisle.
    bool hover(QPoint view, QPoint scroll, bool& hideHint);

    // The keyboard, in whole grid steps: moves the selection (refused as a whole, as a drag is), grows or
    // shrinks the selected aisles by their right and bottom edges, takes them off the plan, and selects the
    // next or previous placed aisle in walking order alone. Nothing happens while a mouse gesture or
    // set-sequence mode is under way, except that Escape ends the mode (or else clears the selection).
    Effects keyMove(int stepsX, int stepsY);
    Effects keyResize(int stepsX, int stepsY);
    Effects keyUnplace();
    Effects keyCycle(bool forward);
    Effects keyEscape();
    // The aisle the keyboard works from: the last one selected; -1 when none.
    int currentIndex() const;

    // Enters set-sequence mode; the single selected aisle is the anchor.
    Effects startSetSequence();
    Effects selectAll();

    Cursor cursor() const { return cursor_; }

    int HoverIndex = -1;
    bool PlanMouseDown = false;
    bool HandleDragging = false;
    bool PendingSelect = false;
    bool SetSequenceMode = false;
    QPoint DownPoint;
    QPoint LastDragPoint;

private:
    void endSetSequence(Effects& fx);
    void setCursor(Cursor c, Effects& fx);
    bool busy() const { return PlanMouseDown || HandleDragging || SetSequenceMode; }

    ShopAisles& aisles_;
    Cursor cursor_ = Cursor::Normal;
};
