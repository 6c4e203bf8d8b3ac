#pragma once

#include "DataSetModel.h"

#include <QList>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace engine {
class DataSet;
}
namespace ui {
class ThemedDBGrid;
}

// Small steps the catalogue pages share.
namespace catalogue {

// A grid over a data object, under the object name the settings and the tests know it by; with columns, only
// those, in that order.
ui::ThemedDBGrid* makeGrid(const QString& name, engine::DataSet* data, QWidget* parent,
                           const std::vector<ui::DataSetModel::Column>& columns = {});
ui::DataSetModel::Column gridColumn(const char* field, const char* title, int width);

// The id field of the current row; 0 when the object is closed or has no rows.
int currentId(engine::DataSet* data, const QString& field);
// Moves to the row whose id field holds id; false (and no move) when there is none.
bool moveToId(engine::DataSet* data, const QString& field, int id);
// The ids of the grid's selected rows, in the grid's order.
QList<int> selectedIds(ui::ThemedDBGrid* grid, const QString& field);
// Selects exactly the rows whose id field holds one of ids, wherever they are now; the current row stays.
void selectIds(ui::ThemedDBGrid* grid, const QString& field, const QList<int>& ids);
// Makes the current row the only selected one.
void selectCurrentRowOnly(ui::ThemedDBGrid* grid);
// "Delete (n)", or "Delete" with nothing selected.
QString deleteCaption(int selected);
// A price as the editing box shows it: two decimals in the user's format, without group separators.
QString priceText(double price);
// A grid of one column that fills it, without titles, not editable in place.
void makeListGrid(ui::ThemedDBGrid* grid, const QString& field);

void warn(QWidget* parent, const QString& text);
// Runs a follow-up step of a cursor move; an engine error is shown rather than thrown through the signal.
void followUp(QWidget* parent, const std::function<void()>& step);
void fail(QWidget* parent, const QString& text);

} // namespace catalogue
