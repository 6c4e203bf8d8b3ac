#pragma once

#include "TaggedListBox.h"

#include <QWidget>

#include <functional>

class AisleHintWindow;
class AisleSequence;
class QLabel;
class QTimer;

// The "Sequence" sub-page: the shop's aisles in walking order (AislesLB) and the categories without an aisle
// (AisleCatLB). Dragging categories into the aisle list adds aisles, dragging within it reorders them,
// dragging aisles back deletes them; each drop is stored at once.
class SequencePanel : public QWidget, public ListDragHandler {
    Q_OBJECT

public:
    SequencePanel(AisleSequence& store, AisleHintWindow& hint, QWidget* parent = nullptr);

    // Fills both lists for the shop; both stay empty for a negative shop.
    void SequenceTabSheetShow(int shop);
    // Leaving the sub-page: nothing to store, only auto-scroll stops.
    void StopScrollTimer();
    // Runs after every drop to reload the page; the default reloads this sub-page.
    void setReload(std::function<void()> reload) { reload_ = std::move(reload); }

    void RedrawDrag(int y, bool erase, bool draw);
    void ScrollTimerTimer();

    TaggedListBox* AislesLB = nullptr;
    TaggedListBox* AisleCatLB = nullptr;
    QTimer* ScrollTimer = nullptr;
    int InsertionLineY = -1;
    int ScrollDirection = 0;
    int HoverIndex = -1;

    // ListDragHandler
    void startDrag(TaggedListBox* source) override;
    bool dragOver(TaggedListBox* source, QPoint global) override;
    void dragDrop(TaggedListBox* source, QPoint global) override;
    void endDrag(TaggedListBox* source) override;

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AislesLBMouseMove(QPoint pos);
    void startScroll(int direction);
    bool over(QWidget* w, QPoint global) const;

    AisleSequence& store_;
    AisleHintWindow& hint_;
    std::function<void()> reload_;
    int shop_ = -1;
};
