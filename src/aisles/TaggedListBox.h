#pragma once

#include <QListWidget>

#include <QSet>
#include <vector>

class TaggedItemDelegate;
class TaggedListBox;

// Receives the drags that start from a TaggedListBox. Points are global; dragOver tells whether the point
// accepts the drop.
class ListDragHandler {
public:
    virtual ~ListDragHandler() = default;
    virtual void startDrag(TaggedListBox* source) = 0;
    virtual bool dragOver(TaggedListBox* source, QPoint global) = 0;
    virtual void dragDrop(TaggedListBox* source, QPoint global) = 0;
    virtual void endDrag(TaggedListBox* source) = 0;
};

// An owner-drawn list of tagged entries with fixed item height and multiple selection, which starts a drag
// of its selected entries when the pressed mouse moves, and can show a drop line between its entries.
class TaggedListBox : public QListWidget {
    Q_OBJECT

public:
    explicit TaggedListBox(bool markers, QWidget* parent = nullptr);

    void setDragHandler(ListDragHandler* handler) { handler_ = handler; }
    bool dragging() const { return dragging_; }
    // Draggable only while at least one entry is selected, decided at every press.
    bool draggable() const { return draggable_; }

    void setItemHeight(int height);
    int itemHeight() const;
    int markerSize() const;

    void addEntry(int id, const QString& name, bool onFloorPlan = false);
    int entryId(int row) const;
    bool onFloorPlan(int row) const;
    // Ids and rows of the selected entries, top to bottom.
    std::vector<int> selectedIds() const;
    std::vector<int> selectedRows() const;
    void selectIds(const QSet<int>& ids);
    void removeSelectedEntries();

    int topRow() const;
    void setTopRow(int row);
    // Rows that fit in the client area, as a fraction.
    double rowsThatFit() const;
    // The row under a client point; -1 below the last entry.
    int rowAt(QPoint client) const;

    // Drop line at client y, drawn inverting; hidden when y < 0.
    void setDropLine(int y);
    int dropLine() const { return dropLineY_; }

signals:
    // The pointer moved over the list with no drag under way (client coordinates).
    void pointerMoved(QPoint pos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QCursor dragCursor(bool accepted) const;

    TaggedItemDelegate* delegate_;
    ListDragHandler* handler_ = nullptr;
    bool draggable_ = false;
    bool dragging_ = false;
    QPoint pressPos_;
    int dropLineY_ = -1;
};
