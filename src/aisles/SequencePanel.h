#pragma once

#include "TaggedListBox.h"

#include <QWidget>

#include <functional>

class AisleHintWindow;
class AisleSequence;
class QKeyEvent;
class QLabel;
class QTimer;
namespace ui {
class SearchBox;
}

// The "Sequence" sub-page: the shop's aisles in walking order (AislesLB) and the categories without an aisle
// (AisleCatLB). Dragging categories into the aisle list adds aisles, dragging within it reorders them,
// dragging aisles back deletes them; each drop is stored at once. The keyboard does the same through the
// same drops: Alt+Up / Alt+Down (or Ctrl) move the selected aisles, Delete deletes them, and Insert or Enter
// in the available list adds the selected categories after the aisle list's current aisle.
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

    // The keyboard commands of the two lists.
    void moveSelectedAisles(bool up);
    void removeSelectedAisles();
    void addSelectedCategories();

    void RedrawDrag(int y, bool erase, bool draw);
    void ScrollTimerTimer();

    TaggedListBox* AislesLB = nullptr;
    TaggedListBox* AisleCatLB = nullptr;
    ui::SearchBox* AisleCatSearch = nullptr; // narrows the available categories
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
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AislesLBMouseMove(QPoint pos);
    void startScroll(int direction);
    bool over(QWidget* w, QPoint global) const;
    enum class KeyCommand { None, MoveUp, MoveDown, Remove, Add };
    // The page's command for a key pressed in one of the lists; None leaves the key to the list.
    KeyCommand keyCommand(QObject* list, const QKeyEvent* key) const;
    // Makes a row of a reloaded list current without changing its selection, so that the keys go on there.
    static void setCurrentRow(TaggedListBox* list, int row);
    void fillAvailable();

    AisleSequence& store_;
    AisleHintWindow& hint_;
    std::function<void()> reload_;
    int shop_ = -1;
};
