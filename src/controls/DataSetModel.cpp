#include "DataSetModel.h"

#include "MessageService.h"

namespace ui {

DataSetModel::DataSetModel(QObject* parent) : QAbstractTableModel(parent) {}

DataSetModel::DataSetModel(engine::DataSet* dataSet, QObject* parent) : QAbstractTableModel(parent) {
    setDataSet(dataSet);
}

void DataSetModel::setDataSet(engine::DataSet* dataSet) {
    if (dataSet == dataSet_)
        return;
    beginResetModel();
    detach();
    dataSet_ = dataSet;
    attach();
    rebuildFieldMap();
    rows_ = dataSet_ && dataSet_->isOpen() ? dataSet_->recordCount() : 0;
    currentRow_ = dataSet_ && dataSet_->isOpen() ? dataSet_->recNo() : -1;
    endResetModel();
}

void DataSetModel::attach() {
    if (!dataSet_)
        return;
    engine::DataSet* d = dataSet_;
    connections_.push_back(connect(d, &engine::DataSet::contentReset, this, &DataSetModel::onContentReset));
    connections_.push_back(connect(d, &engine::DataSet::rowChanged, this, &DataSetModel::onRowChanged));
    connections_.push_back(connect(d, &engine::DataSet::rowInserted, this, &DataSetModel::onRowInserted));
    connections_.push_back(connect(d, &engine::DataSet::rowRemoved, this, &DataSetModel::onRowRemoved));
    connections_.push_back(connect(d, &engine::DataSet::rowMoved, this, &DataSetModel::onRowMoved));
    connections_.push_back(
        connect(d, &engine::DataSet::currentChanged, this, &DataSetModel::onCurrentChanged));
    connections_.push_back(connect(d, &engine::DataSet::stateChanged, this, &DataSetModel::onStateChanged));
    connections_.push_back(connect(d, &QObject::destroyed, this, [this] {
        beginResetModel();
        connections_.clear();
        rows_ = 0;
        currentRow_ = -1;
        fieldIndex_.assign(columns_.size(), -1);
        endResetModel();
    }));
}

void DataSetModel::detach() {
    for (const auto& c : connections_)
        disconnect(c);
    connections_.clear();
}

void DataSetModel::rebuildFieldMap() {
    const bool open = dataSet_ && dataSet_->isOpen();
    if (!byHand_) {
        // Every field, in the object's order; widths already chosen for a field are kept.
        std::vector<Column> all;
        if (open) {
            for (int f = 0; f < dataSet_->fieldCount(); ++f) {
                const engine::DataSet::Column& dc = dataSet_->column(f);
                Column c;
                c.fieldName = dc.name;
                c.title = dc.name;
                for (const Column& old : columns_)
                    if (old.fieldName.compare(dc.name, Qt::CaseInsensitive) == 0)
                        c = old;
                if (dc.type != engine::FieldType::String)
                    c.alignment = Qt::AlignRight | Qt::AlignVCenter;
                all.push_back(c);
            }
            columns_ = std::move(all);
        }
    }
    fieldIndex_.assign(columns_.size(), -1);
    if (open)
        for (size_t i = 0; i < columns_.size(); ++i)
            fieldIndex_[i] = dataSet_->fieldIndex(columns_[i].fieldName);
}

void DataSetModel::setColumns(const std::vector<Column>& columns) {
    beginResetModel();
    columns_ = columns;
    byHand_ = true;
    rebuildFieldMap();
    endResetModel();
}

void DataSetModel::addColumn(const Column& column) {
    if (!byHand_) {
        beginResetModel();
        columns_.clear();
        byHand_ = true;
        columns_.push_back(column);
        rebuildFieldMap();
        endResetModel();
        return;
    }
    const int at = static_cast<int>(columns_.size());
    beginInsertColumns({}, at, at);
    columns_.push_back(column);
    fieldIndex_.push_back(dataSet_ && dataSet_->isOpen() ? dataSet_->fieldIndex(column.fieldName) : -1);
    endInsertColumns();
}

void DataSetModel::clearColumns() {
    beginResetModel();
    columns_.clear();
    byHand_ = false;
    rebuildFieldMap();
    endResetModel();
}

void DataSetModel::setFormatter(int column, Formatter formatter) {
    if (column < 0 || column >= columnCount())
        return;
    columns_[static_cast<size_t>(column)].formatter = std::move(formatter);
    if (rows_ > 0)
        emit dataChanged(index(0, column), index(rows_ - 1, column), {Qt::DisplayRole});
}

void DataSetModel::setColumnBackground(int column, const QColor& colour) {
    if (column < 0 || column >= columnCount())
        return;
    columns_[static_cast<size_t>(column)].background = colour;
    if (rows_ > 0)
        emit dataChanged(index(0, column), index(rows_ - 1, column), {Qt::BackgroundRole});
}

void DataSetModel::setColumnWidth(int column, int width) {
    if (column >= 0 && column < columnCount())
        columns_[static_cast<size_t>(column)].width = width;
}

void DataSetModel::setColumnReadOnly(int column, bool readOnly) {
    if (column >= 0 && column < columnCount())
        columns_[static_cast<size_t>(column)].readOnly = readOnly;
}

int DataSetModel::columnOfField(const QString& fieldName) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int DataSetModel::fieldOfColumn(int column) const {
    if (column < 0 || column >= static_cast<int>(fieldIndex_.size()))
        return -1;
    return fieldIndex_[static_cast<size_t>(column)];
}

int DataSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DataSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int DataSetModel::sourceRow(int row) const {
    if (pendingInsert_ >= 0 && row >= pendingInsert_)
        return row + 1;
    if (pendingRemove_ >= 0 && row >= pendingRemove_)
        return row == pendingRemove_ ? -1 : row - 1;
    if (pendingMoveFrom_ >= 0) {
        if (row == pendingMoveFrom_)
            return pendingMoveTo_;
        if (pendingMoveFrom_ < pendingMoveTo_ && row > pendingMoveFrom_ && row <= pendingMoveTo_)
            return row - 1;
        if (pendingMoveTo_ < pendingMoveFrom_ && row >= pendingMoveTo_ && row < pendingMoveFrom_)
            return row + 1;
    }
    return row;
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !dataSet_ || index.row() >= rows_ || index.column() >= columnCount())
        return {};
    const Column& c = columns_[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const int f = fieldIndex_[static_cast<size_t>(index.column())];
        const int row = sourceRow(index.row());
        if (f < 0 || row < 0)
            return QString();
        const Formatter& fmt = role == Qt::EditRole ? c.editFormatter : c.formatter;
        if (fmt)
            return fmt(dataSet_->valueAt(row, f));
        return dataSet_->textAt(row, f);
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.alignment);
    case Qt::BackgroundRole:
        if (c.background.isValid())
            return c.background;
        return {};
    default:
        return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical)
        return {}; // the indicator column draws its own marks; no per-row text to measure
    if (section < 0 || section >= columnCount())
        return {};
    const Column& c = columns_[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return c.title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.titleAlignment);
    default:
        return {};
    }
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int field = fieldOfColumn(index.column());
    if (field >= 0 && !columns_[static_cast<size_t>(index.column())].readOnly &&
        dataSet_->column(field).type != engine::FieldType::AutoInc)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    return writeText(index.row(), index.column(), value.toString());
}

bool DataSetModel::writeText(int row, int column, const QString& text) {
    const int field = fieldOfColumn(column);
    if (!dataSet_ || !dataSet_->isOpen() || field < 0 || row < 0 || row >= dataSet_->recordCount())
        return false;
    engine::DataSet* d = dataSet_;
    try {
        if (d->recNo() != row || d->state() != engine::DataSet::State::Edit)
            d->moveTo(row);
        d->edit();
        d->field(field).setString(text);
        d->post();
        return true;
    } catch (const engine::SilentAbort&) {
        // The object's own error hook has dealt with it and shown its message.
        if (d->state() == engine::DataSet::State::Edit || d->state() == engine::DataSet::State::Insert)
            d->cancel();
    } catch (const engine::EngineError& e) {
        if (d->state() == engine::DataSet::State::Edit || d->state() == engine::DataSet::State::Insert)
            d->cancel();
        showMessage(MessageKind::Error, e.message());
    }
    return false;
}

void DataSetModel::onContentReset() {
    beginResetModel();
    rebuildFieldMap();
    rows_ = dataSet_ && dataSet_->isOpen() ? dataSet_->recordCount() : 0;
    endResetModel();
}

void DataSetModel::onRowChanged(int row) {
    if (row < 0 || row >= rows_ || columns_.empty())
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DataSetModel::onRowInserted(int row) {
    if (!dataSet_)
        return;
    if (row < 0 || row > rows_ || dataSet_->recordCount() != rows_ + 1) {
        onContentReset();
        return;
    }
    pendingInsert_ = row;
    beginInsertRows({}, row, row);
    pendingInsert_ = -1;
    ++rows_;
    endInsertRows();
}

void DataSetModel::onRowRemoved(int row) {
    if (!dataSet_)
        return;
    if (row < 0 || row >= rows_ || dataSet_->recordCount() != rows_ - 1) {
        onContentReset();
        return;
    }
    pendingRemove_ = row;
    beginRemoveRows({}, row, row);
    pendingRemove_ = -1;
    --rows_;
    endRemoveRows();
}

void DataSetModel::onRowMoved(int from, int to) {
    if (!dataSet_)
        return;
    if (from < 0 || from >= rows_ || to < 0 || to >= rows_ || dataSet_->recordCount() != rows_) {
        onContentReset();
        return;
    }
    pendingMoveFrom_ = from;
    pendingMoveTo_ = to;
    // Qt names the row the moved one goes before, counted before the move.
    const bool moving = beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    pendingMoveFrom_ = pendingMoveTo_ = -1;
    if (moving)
        endMoveRows();
    emit dataChanged(index(to, 0), index(to, std::max(0, columnCount() - 1)));
}

void DataSetModel::onCurrentChanged(int row) {
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0 && old < rows_)
        emit headerDataChanged(Qt::Vertical, old, old);
    emit currentRowChanged(row);
}

void DataSetModel::onStateChanged() {
    if (dataSet_ && !dataSet_->isOpen() && rows_ != 0)
        onContentReset();
    emit dataSetStateChanged();
}

} // namespace ui
