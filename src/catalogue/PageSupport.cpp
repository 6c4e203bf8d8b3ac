#include "PageSupport.h"

#include "DataSet.h"
#include "MessageService.h"
#include "ThemedDBGrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>

namespace catalogue {

ui::ThemedDBGrid* makeGrid(const QString& name, engine::DataSet* data, QWidget* parent,
                           const std::vector<ui::DataSetModel::Column>& columns) {
    auto* grid = new ui::ThemedDBGrid(parent);
    grid->setObjectName(name);
    grid->setDataSet(data);
    if (!columns.empty())
        grid->setColumns(columns);
    return grid;
}

ui::DataSetModel::Column gridColumn(const char* field, const char* title, int width) {
    ui::DataSetModel::Column c;
    c.fieldName = QLatin1String(field);
    c.title = QLatin1String(title);
    c.width = width;
    return c;
}

int currentId(engine::DataSet* data, const QString& field) {
    if (!data || !data->isOpen() || data->isEmpty())
        return 0;
    return data->field(field).asInteger();
}

bool moveToId(engine::DataSet* data, const QString& field, int id) {
    if (!data->isOpen())
        return false;
    const int column = data->fieldIndex(field);
    if (column < 0)
        return false;
    const int row = data->findRow(column, engine::Value{static_cast<std::int64_t>(id)});
    if (row < 0)
        return false;
    data->moveTo(row);
    return true;
}

QList<int> selectedIds(ui::ThemedDBGrid* grid, const QString& field) {
    QList<int> ids;
    engine::DataSet* data = grid->dataSet();
    if (!data || !data->isOpen())
        return ids;
    const int column = data->fieldIndex(field);
    for (int row : grid->selectedRows()) {
        const engine::Value v = data->valueAt(row, column);
        if (const auto* id = std::get_if<std::int64_t>(&v))
            ids << static_cast<int>(*id);
    }
    return ids;
}

void selectIds(ui::ThemedDBGrid* grid, const QString& field, const QList<int>& ids) {
    QItemSelectionModel* selection = grid->selectionModel();
    engine::DataSet* data = grid->dataSet();
    if (!selection || !data || !data->isOpen())
        return;
    const int column = data->fieldIndex(field);
    const QAbstractItemModel* model = grid->model();
    QItemSelection rows;
    for (int row = 0; row < data->recordCount(); ++row) {
        const engine::Value v = data->valueAt(row, column);
        if (const auto* id = std::get_if<std::int64_t>(&v); id && ids.contains(static_cast<int>(*id)))
            rows.select(model->index(row, 0), model->index(row, 0));
    }
    selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void selectCurrentRowOnly(ui::ThemedDBGrid* grid) {
    QItemSelectionModel* selection = grid->selectionModel();
    engine::DataSet* data = grid->dataSet();
    if (!selection)
        return;
    selection->clearSelection();
    if (!data || !data->isOpen() || data->isEmpty())
        return;
    const QModelIndex index = grid->model()->index(data->recNo(), 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QString deleteCaption(int selected) {
    return selected > 0 ? QStringLiteral("Delete (%1)").arg(selected) : QStringLiteral("Delete");
}

QString priceText(double price) {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(price, 'f', 2);
}

void makeListGrid(ui::ThemedDBGrid* grid, const QString& field) {
    grid->setColumns({ui::DataSetModel::Column{field, QString(), 64}});
    grid->horizontalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void warn(QWidget* parent, const QString& text) {
    ui::showMessage(ui::MessageKind::Warning, text, ui::MessageButtons::Ok, parent);
}

void followUp(QWidget* parent, const std::function<void()>& step) {
    try {
        step();
    } catch (const engine::SilentAbort&) {
    } catch (const engine::EngineError& e) {
        fail(parent, e.message());
    }
}

void fail(QWidget* parent, const QString& text) {
    ui::showMessage(ui::MessageKind::Error, text, ui::MessageButtons::Ok, parent);
}

} // namespace catalogue
