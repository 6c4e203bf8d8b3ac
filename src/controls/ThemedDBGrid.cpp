#include "ThemedDBGrid.h"

#include "IndicatorHeader.h"
#include "MessageService.h"
#include "ThemedHeader.h"

#include <QApplication>
#include <QMouseEvent>
#include <QStyleFactory>
#include <QWheelEvent>

#include <algorithm>

namespace ui {

namespace {

// The grids draw in the Fusion style whatever the application's style is, so they look alike everywhere.
QStyle* fusionStyle() {
    static QStyle* style = [] {
        QStyle* s = QStyleFactory::create(QStringLiteral("Fusion"));
        if (s)
            s->setParent(qApp);
        return s;
    }();
    return style;
}

bool isEditing(const engine::DataSet* d) {
    return d && (d->state() == engine::DataSet::State::Edit || d->state() == engine::DataSet::State::Insert);
}

} // namespace

ThemedDBGrid::ThemedDBGrid(QWidget* parent)
    : QTableView(parent), model_(new DataSetModel(this)), titles_(new ThemedHeader(this)),
      indicator_(newIndicator(fontMetrics().height() + 4)) {
    if (QStyle* s = fusionStyle()) {
        setStyle(s);
        titles_->setStyle(s);
    }
    setHorizontalHeader(titles_);
    setVerticalHeader(indicator_);
    // A title click belongs to the page (sorting); it does not select a column.
    disconnect(titles_, &QHeaderView::sectionPressed, this, &QTableView::selectColumn);
    disconnect(titles_, SIGNAL(sectionEntered(int)), this, nullptr);

    QTableView::setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setCornerButtonEnabled(false);
    setWordWrap(false);
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    titles_->setSectionsMovable(true);
    titles_->setStretchLastSection(false);

    connect(model_, &DataSetModel::currentRowChanged, this, &ThemedDBGrid::onModelCurrentRow);
    connect(model_, &DataSetModel::dataSetStateChanged, this, [this] { indicator_->viewport()->update(); });
    connect(model_, &QAbstractItemModel::modelReset, this, &ThemedDBGrid::onModelReset);
    connect(model_, &QAbstractItemModel::columnsInserted, this, &ThemedDBGrid::onModelReset);
    connect(titles_, &QHeaderView::sectionClicked, this, &ThemedDBGrid::onTitleClicked);
    connect(titles_, &QHeaderView::sectionMoved, this, &ThemedDBGrid::onColumnMoved);
    connect(titles_, &QHeaderView::sectionResized, this, &ThemedDBGrid::onColumnResized);
}

ThemedDBGrid::~ThemedDBGrid() = default;

IndicatorHeader* ThemedDBGrid::newIndicator(int rowHeight) {
    auto* header = new IndicatorHeader(this);
    if (QStyle* s = fusionStyle())
        header->setStyle(s);
    header->setDefaultSectionSize(rowHeight);
    header->setMinimumSectionSize(rowHeight);
    return header;
}

void ThemedDBGrid::setDataSet(engine::DataSet* dataSet) {
    model_->setDataSet(dataSet);
    onModelCurrentRow(dataSet && dataSet->isOpen() ? dataSet->recNo() : -1);
}

void ThemedDBGrid::setColumns(const std::vector<DataSetModel::Column>& columns) {
    model_->setColumns(columns);
}

void ThemedDBGrid::onModelReset() {
    // The indicator header keeps room for every row it ever had, 8 bytes a row; once a large table gave way
    // to a much smaller one, a fresh header hands that memory back.
    constexpr int kRowsWorthRenewing = 1024;
    const int rows = model_->rowCount();
    if (indicatorRows_ >= kRowsWorthRenewing && rows < indicatorRows_ / 4) {
        const bool hidden =
            indicator_->testAttribute(Qt::WA_WState_ExplicitShowHide) && indicator_->isHidden();
        indicator_ = newIndicator(indicator_->defaultSectionSize());
        setVerticalHeader(indicator_); // deletes the old one
        indicator_->setVisible(!hidden);
        updateGeometries();
        indicatorRows_ = rows;
    }
    indicatorRows_ = std::max(indicatorRows_, rows);
    // The model's columns carry the widths; the header takes them over.
    const QSignalBlocker block(titles_);
    for (int c = 0; c < model_->columnCount(); ++c)
        titles_->resizeSection(c, model_->column(c).width);
    titles_->viewport()->update();
}

QList<int> ThemedDBGrid::columnWidths() const {
    QList<int> widths;
    for (int c = 0; c < model_->columnCount(); ++c)
        widths.append(titles_->sectionSize(c));
    return widths;
}

void ThemedDBGrid::setColumnWidths(const QList<int>& widths) {
    for (int c = 0; c < std::min(static_cast<int>(widths.size()), model_->columnCount()); ++c)
        if (widths[c] > 0)
            titles_->resizeSection(c, widths[c]);
}

void ThemedDBGrid::onColumnResized(int logicalIndex, int, int newSize) {
    model_->setColumnWidth(logicalIndex, newSize);
}

void ThemedDBGrid::setColumnColor(int column, const QColor& colour) {
    model_->setColumnBackground(column, colour);
}

QColor ThemedDBGrid::columnColor(int column) const {
    if (column >= 0 && column < model_->columnCount() && model_->column(column).background.isValid())
        return model_->column(column).background;
    return backgroundColor();
}

QColor ThemedDBGrid::backgroundColor() const {
    return palette().color(QPalette::Base);
}

void ThemedDBGrid::fitLastColumn() {
    const int columns = model() ? model()->columnCount() : 0;
    if (columns < 1)
        return;
    int others = 0;
    for (int c = 0; c < columns - 1; ++c)
        others += columnWidth(c) + 1;
    const int client = viewport()->width();
    if (others < client - 10)
        setColumnWidth(columns - 1, client - others);
}

void ThemedDBGrid::setBoldTitleColumn(int column) {
    if (column == boldTitleColumn_)
        return;
    boldTitleColumn_ = column;
    horizontalHeader()->viewport()->update();
}

void ThemedDBGrid::setColumnMoving(bool on) {
    titles_->setSectionsMovable(on);
}

bool ThemedDBGrid::columnMoving() const {
    return titles_->sectionsMovable();
}

void ThemedDBGrid::setMultiSelect(bool on) {
    setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

bool ThemedDBGrid::multiSelect() const {
    return selectionMode() == QAbstractItemView::ExtendedSelection;
}

QList<int> ThemedDBGrid::selectedRows() const {
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& i : selectionModel()->selectedRows())
        rows.append(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool ThemedDBGrid::isRowSelected(int row) const {
    return selectionModel() && selectionModel()->isRowSelected(row, QModelIndex());
}

int ThemedDBGrid::visibleRowCount() const {
    const int h = indicator_->defaultSectionSize();
    return h > 0 ? viewport()->height() / h : 0;
}

// Current record

void ThemedDBGrid::onModelCurrentRow(int row) {
    indicator_->viewport()->update();
    if (movingDataSet_ || !selectionModel())
        return;
    followingDataSet_ = true;
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clearCurrentIndex();
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        const QModelIndex target = model_->index(row, std::max(column, 0));
        if (target.isValid()) {
            selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
            scrollTo(target);
        }
    }
    followingDataSet_ = false;
}

void ThemedDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (previous.isValid() && current.isValid() && current.column() != previous.column()) {
        // Leaving a column ends any hot title.
        hotColumn_ = -1;
        repaintCell(hoverCell_);
    }
    indicator_->viewport()->update();
    engine::DataSet* d = dataSet();
    if (followingDataSet_ || !current.isValid() || !d || !d->isOpen() || current.row() == d->recNo())
        return;
    movingDataSet_ = true;
    try {
        d->moveTo(current.row());
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        if (isEditing(d))
            d->cancel();
        showMessage(MessageKind::Error, e.message());
    }
    movingDataSet_ = false;
    if (d->recNo() != current.row())
        onModelCurrentRow(d->recNo());
}

// Editing

bool ThemedDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (!QTableView::edit(index, trigger, event))
        return false;
    // An open cell editor is a pending edit of the record, as typing into a grid cell always is.
    engine::DataSet* d = dataSet();
    if (d && d->isOpen() && d->state() == engine::DataSet::State::Browse) {
        try {
            if (d->recNo() != index.row())
                d->moveTo(index.row());
            d->edit();
        } catch (const engine::EngineError& e) {
            showMessage(MessageKind::Error, e.message());
        }
    }
    return true;
}

void ThemedDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    engine::DataSet* d = dataSet();
    // Nothing was written (Esc, or the text was left as it was): the record goes back to browsing.
    if (d && d->state() == engine::DataSet::State::Edit && !d->isModified())
        d->cancel();
}

void ThemedDBGrid::cancelPendingEdit() {
    if (state() == QAbstractItemView::EditingState && currentIndex().isValid()) {
        if (QWidget* editor = indexWidget(currentIndex()))
            QTableView::closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
    }
    engine::DataSet* d = dataSet();
    if (isEditing(d))
        d->cancel();
}

// Mouse

QPoint ThemedDBGrid::cellAtViewport(QPoint pos) const {
    const int row = rowAt(pos.y());
    const int column = columnAt(pos.x());
    if (row < 0 || column < 0)
        return {-1, -1};
    return {column + 1, row + 1};
}

void ThemedDBGrid::repaintCell(QPoint cell) {
    if (cell.x() < 0 || cell.y() < 0)
        return;
    if (cell.y() == 0) {
        if (cell.x() >= 1)
            titles_->repaintSection(cell.x() - 1);
        return;
    }
    if (cell.x() == 0) {
        indicator_->repaintSection(cell.y() - 1);
        return;
    }
    viewport()->update(visualRect(model_->index(cell.y() - 1, cell.x() - 1)));
}

void ThemedDBGrid::titleMouseEnter(QPoint cell) {
    if (cell.y() == 0)
        repaintCell(cell);
}

void ThemedDBGrid::gridMouseMove(QPoint cell) {
    if (sizing_ || dragging_)
        return;
    if (cell == hoverCell_)
        return; // still over the same cell: a hot title stays hot
    const int previousHot = hotColumn_;
    hotColumn_ = -1;
    if (cell.y() == 0 && cell.x() >= 1) {
        hotColumn_ = cell.x();
        if (cell.x() != previousHot)
            repaintCell(cell);
    }
    if (previousHot >= 1 && previousHot != hotColumn_)
        repaintCell({previousHot, 0});
    repaintCell(hoverCell_);
    hoverCell_ = cell;
}

void ThemedDBGrid::gridMousePress(QPoint cell, Qt::MouseButton button, bool onBorder) {
    sizing_ = onBorder;
    if (sizing_)
        return;
    pressedColumn_ = -1;
    titlePressed_ = false;
    if (titleClickEffect_) {
        if (hotColumn_ >= 1)
            repaintCell({hotColumn_, 0});
        hotColumn_ = -1;
    }
    if (button == Qt::LeftButton && cell.x() >= 1 && cell.y() >= 0 && titleClickEffect_) {
        titlePressed_ = cell.y() == 0;
        if (titlePressed_)
            pressedColumn_ = cell.x();
        repaintCell(hoverCell_);
        hoverCell_ = cell;
        repaintCell(cell);
    }
}

void ThemedDBGrid::gridMouseRelease() {
    sizing_ = false;
    dragging_ = false;
    titlePressed_ = false;
    pressedColumn_ = -1;
    hoverCell_ = {-1, -1};
    titles_->viewport()->update();
    indicator_->viewport()->update();
    viewport()->update();
}

void ThemedDBGrid::gridMouseLeave() {
    repaintCell(hoverCell_);
    if (hotColumn_ >= 1)
        repaintCell({hotColumn_, 0});
    hoverCell_ = {-1, -1};
    hotColumn_ = -1;
    pressedColumn_ = -1;
}

void ThemedDBGrid::columnDragStarted() {
    dragging_ = true;
    hotColumn_ = -1;
    titles_->viewport()->update();
}

void ThemedDBGrid::onColumnMoved() {
    dragging_ = false;
    titles_->viewport()->update();
    viewport()->update();
}

void ThemedDBGrid::onTitleClicked(int logicalIndex) {
    emit titleClick(logicalIndex);
    if (titleClickEffect_) {
        titlePressed_ = false;
        pressedColumn_ = -1;
        repaintCell(hoverCell_);
    }
}

void ThemedDBGrid::mousePressEvent(QMouseEvent* event) {
    gridMousePress(cellAtViewport(event->position().toPoint()), event->button(), false);
    QTableView::mousePressEvent(event);
}

void ThemedDBGrid::mouseMoveEvent(QMouseEvent* event) {
    gridMouseMove(cellAtViewport(event->position().toPoint()));
    QTableView::mouseMoveEvent(event);
}

void ThemedDBGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    gridMouseRelease();
}

bool ThemedDBGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        gridMouseLeave();
    return QTableView::viewportEvent(event);
}

// Wheel

bool ThemedDBGrid::focusInside() const {
    const QWidget* f = window()->focusWidget();
    return f && (f == this || isAncestorOf(f));
}

bool ThemedDBGrid::wheelStep(bool down, Qt::KeyboardModifiers modifiers) {
    bool handled = false;
    if (down)
        emit mouseWheelDown(modifiers, &handled);
    else
        emit mouseWheelUp(modifiers, &handled);
    if (handled)
        return true;
    if (focusPolicy() & Qt::WheelFocus || focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    if (!focusInside())
        return false;
    engine::DataSet* d = dataSet();
    if (!d || !d->isOpen() || d->recordCount() == 0)
        return false;
    const int page = std::max(1, visibleRowCount() - 1);
    int step = 2;
    if (down) {
        if (modifiers & Qt::ControlModifier)
            step = page;
        else if (modifiers & Qt::ShiftModifier)
            step = 1;
    } else {
        if ((modifiers & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier)) == Qt::ControlModifier)
            step = page;
        else if (modifiers & Qt::ShiftModifier)
            step = 1;
    }
    const int from = d->recNo();
    const int to = std::clamp(from + (down ? step : -step), 0, d->recordCount() - 1);
    if (to == from)
        return false;
    try {
        d->moveTo(to);
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        showMessage(MessageKind::Error, e.message());
    }
    return d->recNo() != from;
}

void ThemedDBGrid::wheelEvent(QWheelEvent* event) {
    // Whatever the turn does, an edit that was not posted is thrown away first.
    cancelPendingEdit();
    int delta = event->angleDelta().y();
    if (delta == 0)
        delta = event->angleDelta().x(); // some systems turn Shift+wheel into a sideways turn
    wheelRemainder_ += delta;
    bool stepped = false;
    bool handled = false;
    while (std::abs(wheelRemainder_) >= 120) {
        const bool down = wheelRemainder_ < 0;
        wheelRemainder_ += down ? 120 : -120;
        stepped = true;
        handled = wheelStep(down, event->modifiers()) || handled;
    }
    // A turn that moved nothing goes on to the parent; part of a step is kept for the next turn.
    event->setAccepted(handled || !stepped);
}

} // namespace ui
