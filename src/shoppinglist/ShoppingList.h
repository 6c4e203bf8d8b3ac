#pragma once

#include "ItemIndex.h"
#include "ListEntryCheck.h"
#include "ListTotals.h"
#include "PriceLog.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>

namespace engine {
class DataSet;
class Database;
class Query;
class Table;
} // namespace engine

// The rules of the shopping list, without a window: the list query for a shop selection, the totals, the
// check of an entered quantity or price and its write-through to the Items table, and clearing quantities.
// It works on the main window's list query and Items table object.
class ShoppingList : public QObject {
    Q_OBJECT

public:
    ShoppingList(engine::Database& db, engine::Query& query, engine::Table& itemTable,
                 QObject* parent = nullptr);
    ~ShoppingList() override;

    ListEditMode mode() const { return mode_; }
    void setMode(ListEditMode mode) { mode_ = mode; }

    // Chooses and orders the list's rows through the index instead of reading its statement's order; none
    // for the statement alone. The index must outlive the list.
    void useIndex(ItemIndex* index);

    // Replaces the query text (closing the query) for the selected shops, in list order.
    void RebuildShoppingQuery(const QList<int>& shopIds, bool allItems, int sortColumn);
    // Reopens the query, recounts both totals and makes the row of itemId current (or the first row). Views
    // bound to the query are told once, at the end.
    void RefreshShoppingQuery(int itemId);
    // The ItemID of the query's current row; 0 when closed or empty.
    int currentItemId() const;

    const ListTotals& totals() const { return totals_; }

    // The words typed into the page's search box; the list shows the rows they find (and the rows edited
    // since they were typed). Takes effect when the list is rebuilt.
    void setSearch(const QString& typed);
    const QString& search() const { return search_; }
    // Whether a search hides rows the list would show without it.
    bool searchHidesRows() const;
    // "Items: 12", or "Items: 12 of 87" while a search hides rows: the count of the rows shown and of all.
    QString itemsText() const;
    // "Total cost: ...", or "Total cost (shown): ..." while a search hides rows; always for the rows shown.
    QString costText() const;
    // The columns a search looks in: product type, brand, category, shop, size and price.
    static QStringList searchedColumns();

    // The check before a list row is posted: refuses a bad value (warning, row cancelled), normalises a good
    // one, and writes it to the Items row with the same ItemID, adjusting the totals by the difference.
    void ShoppingListQueryBeforePost(engine::DataSet& row);

    // Writes a checked value of the mode's field into the Items row, a price with its price log row in the
    // same transaction; false when the item no longer exists (nothing written, totals unchanged).
    bool writeThrough(int itemId, const engine::Value& value);

    // Empties the quantity of every item the list shows, in one transaction, then refreshes the list at the
    // current item (a list of all items keeps its rows and order: only they are read again). Returns how
    // many items changed.
    int clearQuantities();

    // Told of a refused entry (the " is invalid." text); the warning box is the caller's.
    std::function<void(const QString&)> onInvalidEntry;
    // Told whenever the totals changed.
    std::function<void()> onTotalsChanged;

private:
    void totalsChanged();
    void applySearch();
    // Counts the rows and listed items of the list without the search, once per shop choice.
    void countUnsearched();

    engine::Database& db_;
    engine::Query& query_;
    QPointer<engine::Query> queryAlive_; // the window may destroy the query before the page
    engine::Table& items_;
    ItemIndex* index_ = nullptr;
    QList<int> shopIds_;
    PriceLog log_;
    ListEditMode mode_ = ListEditMode::Quantity;
    ListTotals totals_;
    QString search_;
    QList<std::int64_t> kept_; // rows edited since the search was typed
    QStringList unsearched_;   // the list's statement without its order
    QString countedFor_;       // the statement the counts below are for
    int unsearchedRows_ = 0;
    int unsearchedItems_ = 0; // rows with a quantity above 0
    bool allItems_ = false;   // the query shows items without a quantity too
    int sortColumn_ = 0;
};
