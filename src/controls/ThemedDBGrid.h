#pragma once

#include "DataSetModel.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QTableView>

namespace ui {

class IndicatorHeader;
class ThemedHeader;

// The data grid of every window: a table view bound to a table or query object through a DataSetModel. The
// current row follows the object's current record both ways; titles are drawn by ThemedHeader with the one
// under the mouse highlighted and the pressed one sunken; the indicator column (IndicatorHeader) marks the
// current record's state and the selected rows. The wheel moves the record, 2 rows a step (1 with Shift, a
// page with Ctrl), and first throws away an edit that was not posted.
//
// Columns in the mouse state are counted with the indicator column as 0, so data column c is c + 1; rows
// with the title row as 0, so data row r is r + 1. -1 stands for none.
class ThemedDBGrid : public QTableView {
    Q_OBJECT

public:
    explicit ThemedDBGrid(QWidget* parent = nullptr);
    ~ThemedDBGrid() override;

    void setDataSet(engine::DataSet* dataSet);
    engine::DataSet* dataSet() const { return model_->dataSet(); }
    DataSetModel* gridModel() const { return model_; }
    ThemedHeader* titleHeader() const { return titles_; }
    IndicatorHeader* indicatorHeader() const { return indicator_; }

    // Columns shown; without any, every field of the object.
    void setColumns(const std::vector<DataSetModel::Column>& columns);

    // Widths in column order, for the settings file.
    QList<int> columnWidths() const;
    void setColumnWidths(const QList<int>& widths);

    // Background of a data column; the grid's own colour when none was set.
    void setColumnColor(int column, const QColor& colour);
    QColor columnColor(int column) const;
    QColor backgroundColor() const;

    void setColumnMoving(bool on);
    // The last column takes the width the others leave, when they leave more than 10 pixels of the client
    // area (each column counted with its 1-pixel line).
    void fitLastColumn();
    // The column whose title is drawn in bold (the one the grid is sorted by); -1 for none.
    void setBoldTitleColumn(int column);
    int boldTitleColumn() const { return boldTitleColumn_; }
    bool columnMoving() const;
    void setMultiSelect(bool on);
    bool multiSelect() const;
    // Rows chosen in multi-selection, ascending.
    QList<int> selectedRows() const;
    bool isRowSelected(int row) const;
    // Rows that fit completely in the grid.
    int visibleRowCount() const;

    bool titleClickEffect() const { return titleClickEffect_; }
    void setTitleClickEffect(bool on) { titleClickEffect_ = on; }
    int hotColumn() const { return hotColumn_; }
    bool titlePressed() const { return titlePressed_; }
    int pressedColumn() const { return pressedColumn_; }
    bool sizing() const { return sizing_; }
    bool dragging() const { return dragging_; }
    QPoint hoverCell() const { return hoverCell_; }

    using QTableView::edit;
    bool editorOpen() const { return state() == QAbstractItemView::EditingState; }

    // Discards an edit or insert of the object that was not posted, and closes an open cell editor.
    void cancelPendingEdit();

signals:
    // A title was clicked; column counts data columns from 0.
    void titleClick(int column);
    // A wheel step before the grid moves the record; setting *handled keeps the grid from moving it.
    void mouseWheelDown(Qt::KeyboardModifiers modifiers, bool* handled);
    void mouseWheelUp(Qt::KeyboardModifiers modifiers, bool* handled);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class ThemedHeader;

    // Mouse steps shared by the title header and the cell area; cell in grid coordinates (see above).
    void titleMouseEnter(QPoint cell);
    void gridMouseMove(QPoint cell);
    void gridMousePress(QPoint cell, Qt::MouseButton button, bool onBorder);
    void gridMouseRelease();
    void gridMouseLeave();
    void columnDragStarted();
    void onTitleClicked(int logicalIndex);
    void onColumnMoved();
    void onColumnResized(int logicalIndex, int oldSize, int newSize);
    void onModelCurrentRow(int row);
    void onModelReset();
    IndicatorHeader* newIndicator(int rowHeight);
    void repaintCell(QPoint cell);
    QPoint cellAtViewport(QPoint pos) const;
    bool wheelStep(bool down, Qt::KeyboardModifiers modifiers);
    bool focusInside() const;

    DataSetModel* model_;
    ThemedHeader* titles_;
    IndicatorHeader* indicator_;
    int indicatorRows_ = 0; // the most rows the indicator header has had

    int hotColumn_ = -1;
    bool titlePressed_ = false;
    int pressedColumn_ = -1;
    bool sizing_ = false;
    bool dragging_ = false;
    QPoint hoverCell_{-1, -1};
    bool titleClickEffect_ = true;

    bool followingDataSet_ = false; // the view is being moved to the object's record
    bool movingDataSet_ = false;    // the object is being moved to the view's row
    int wheelRemainder_ = 0;        // angle not yet spent on whole steps
    int boldTitleColumn_ = -1;
};

} // namespace ui
