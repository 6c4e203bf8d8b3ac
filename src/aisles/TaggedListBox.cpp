#include "TaggedListBox.h"

#include "Helpers.h"
#include "TaggedItemDelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

TaggedListBox::TaggedListBox(bool markers, QWidget* parent)
    : QListWidget(parent), delegate_(new TaggedItemDelegate(16, markers, this)) {
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    // Lets a press on a selected entry keep the selection, so several entries can be dragged.
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setMouseTracking(true);
}

void TaggedListBox::setItemHeight(int height) {
    delegate_->setItemHeight(height);
    doItemsLayout();
}

int TaggedListBox::itemHeight() const {
    return delegate_->itemHeight();
}

int TaggedListBox::markerSize() const {
    return delegate_->markerSize();
}

void TaggedListBox::addEntry(int id, const QString& name, bool onFloorPlan) {
    auto* item = new QListWidgetItem(TaggedListEntry(id, name), this);
    item->setData(Qt::UserRole, onFloorPlan);
    if (onFloorPlan) // what the marker shows, for a screen reader
        item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("On the floor plan"));
}

int TaggedListBox::entryId(int row) const {
    return ExtractLBID(model(), row);
}

bool TaggedListBox::onFloorPlan(int row) const {
    const QListWidgetItem* it = item(row);
    return it && it->data(Qt::UserRole).toBool();
}

std::vector<int> TaggedListBox::selectedIds() const {
    std::vector<int> ids;
    for (int row = 0; row < count(); ++row)
        if (item(row)->isSelected())
            ids.push_back(entryId(row));
    return ids;
}

std::vector<int> TaggedListBox::selectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < count(); ++row)
        if (item(row)->isSelected())
            rows.push_back(row);
    return rows;
}

void TaggedListBox::selectIds(const QSet<int>& ids) {
    for (int row = 0; row < count(); ++row)
        item(row)->setSelected(ids.contains(entryId(row)));
}

void TaggedListBox::removeSelectedEntries() {
    for (int row = count() - 1; row >= 0; --row)
        if (item(row)->isSelected())
            delete takeItem(row);
}

int TaggedListBox::topRow() const {
    return verticalScrollBar()->value();
}

void TaggedListBox::setTopRow(int row) {
    verticalScrollBar()->setValue(row);
}

double TaggedListBox::rowsThatFit() const {
    return static_cast<double>(viewport()->height()) / itemHeight();
}

int TaggedListBox::rowAt(QPoint client) const {
    const QModelIndex index = indexAt(client);
    return index.isValid() ? index.row() : -1;
}

void TaggedListBox::setDropLine(int y) {
    if (y == dropLineY_)
        return;
    dropLineY_ = y;
    viewport()->update();
}

QCursor TaggedListBox::dragCursor(bool accepted) const {
    if (!accepted)
        return QCursor(Qt::ForbiddenCursor);
    if (selectedIds().size() < 2)
        return QCursor(Qt::DragMoveCursor);
    // Several items: a small stack of entries beside the arrow.
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    for (int i = 2; i >= 0; --i)
        p.drawRect(6 + 3 * i, 8 + 3 * i, 12, 7);
    p.drawLine(0, 0, 6, 6);
    p.drawLine(0, 0, 4, 0);
    p.drawLine(0, 0, 0, 4);
    return QCursor(pm, 0, 0);
}

void TaggedListBox::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    pressPos_ = event->position().toPoint();
    draggable_ = !selectedItems().isEmpty();
}

void TaggedListBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (dragging_) {
        setCursor(dragCursor(handler_->dragOver(this, global)));
        return;
    }
    if ((event->buttons() & Qt::LeftButton) && draggable_ && handler_) {
        if ((event->position().toPoint() - pressPos_).manhattanLength() >=
            QApplication::startDragDistance()) {
            dragging_ = true;
            // The viewport takes the mouse: events sent to the scroll area itself never reach these handlers.
            viewport()->grabMouse();
            handler_->startDrag(this);
            setCursor(dragCursor(handler_->dragOver(this, global)));
        }
        return;
    }
    if (event->buttons() == Qt::NoButton)
        emit pointerMoved(event->position().toPoint());
    QListWidget::mouseMoveEvent(event);
}

void TaggedListBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_) {
        QListWidget::mouseReleaseEvent(event);
        return;
    }
    dragging_ = false;
    viewport()->releaseMouse();
    unsetCursor();
    // The drag ends (auto-scroll stops, the drop line goes) even when storing the drop fails.
    struct EndDrag {
        ListDragHandler* handler;
        TaggedListBox* source;
        ~EndDrag() { handler->endDrag(source); }
    } end{handler_, this};
    const QPoint global = event->globalPosition().toPoint();
    if (handler_->dragOver(this, global))
        handler_->dragDrop(this, global);
}

void TaggedListBox::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (dropLineY_ < 0)
        return;
    QPainter p(viewport());
    p.setCompositionMode(QPainter::CompositionMode_Difference);
    p.fillRect(QRect(1, dropLineY_ - 1, viewport()->width() - 3, 2), Qt::white);
}
