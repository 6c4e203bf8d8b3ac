#pragma once

#include "DataSet.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

namespace ui {

// The table model of a grid over a table or query object. It reads the rows straight from the object by
// position, so a grid over a large table reads only the rows it shows, and writes edits back through it:
// move to the row, edit, set the field from the text, post. A refused post is cancelled and its message
// shown. A posted row that changes its place moves in the view; nothing else is read again.
class DataSetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // Display text of a value; the column's field type decides what arrives.
    using Formatter = std::function<QString(const engine::Value&)>;

    struct Column {
        Column() = default;
        Column(const QString& field, const QString& caption, int columnWidth = 64,
               Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
            : fieldName(field), title(caption), width(columnWidth), alignment(align) {}

        QString fieldName;
        QString title;
        int width = 64;
        Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
        Qt::Alignment titleAlignment = Qt::AlignLeft;
        bool readOnly = false;
        QColor background;       // invalid: the grid's own colour
        Formatter formatter;     // display text; the plain text when empty
        Formatter editFormatter; // text put into the cell editor; the plain text when empty
    };

    explicit DataSetModel(QObject* parent = nullptr);
    explicit DataSetModel(engine::DataSet* dataSet, QObject* parent = nullptr);

    void setDataSet(engine::DataSet* dataSet);
    engine::DataSet* dataSet() const { return dataSet_; }

    // Without columns set by hand the model shows every field of the object under its own name.
    void setColumns(const std::vector<Column>& columns);
    void addColumn(const Column& column);
    void clearColumns(); // back to every field
    bool columnsSetByHand() const { return byHand_; }
    const std::vector<Column>& columns() const { return columns_; }
    Column& column(int index) { return columns_[static_cast<size_t>(index)]; }
    const Column& column(int index) const { return columns_[static_cast<size_t>(index)]; }
    void setFormatter(int column, Formatter formatter);
    void setColumnBackground(int column, const QColor& colour);
    void setColumnWidth(int column, int width);
    void setColumnReadOnly(int column, bool readOnly);
    int columnOfField(const QString& fieldName) const; // -1 when not shown
    int fieldOfColumn(int column) const;               // field index in the object, -1 when unknown

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Writes text into a field of a row through the object; false when refused (the message was shown).
    bool writeText(int row, int column, const QString& text);

signals:
    // The object's current record moved (-1: none).
    void currentRowChanged(int row);
    // The object's state changed (browse, edit, insert, closed).
    void dataSetStateChanged();

private:
    void attach();
    void detach();
    void rebuildFieldMap();
    void onContentReset();
    void onRowChanged(int row);
    void onRowInserted(int row);
    void onRowRemoved(int row);
    void onRowMoved(int from, int to);
    void onCurrentChanged(int row);
    void onStateChanged();

    // The object changes first and tells afterwards; while the model announces the change, rows are read
    // as they stood before it.
    int sourceRow(int row) const;

    QPointer<engine::DataSet> dataSet_;
    int pendingInsert_ = -1;
    int pendingRemove_ = -1;
    int pendingMoveFrom_ = -1;
    int pendingMoveTo_ = -1;
    std::vector<Column> columns_;
    std::vector<int> fieldIndex_; // per column
    bool byHand_ = false;
    int rows_ = 0;
    int currentRow_ = -1;
    std::vector<QMetaObject::Connection> connections_;
};

} // namespace ui
