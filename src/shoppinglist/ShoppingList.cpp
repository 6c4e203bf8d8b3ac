#include "ShoppingList.h"

#include "Database.h"
#include "PriceLog.h"
#include "Query.h"
#include "ShoppingQuery.h"
#include "Table.h"
#include "TextSearch.h"

#include <algorithm>
#include <string>

namespace {

// Opens the Items object on one row when it was closed, so a single edit does not load the whole table,
// and puts it back as it was afterwards.
class ItemRowAccess {
public:
    ItemRowAccess(engine::Table& table, int itemId) : table_(table) {
        if (table_.isOpen()) {
            if (!table_.indexName().isEmpty() &&
                table_.indexName().compare(QLatin1String("Primary"), Qt::CaseInsensitive) != 0) {
                oldIndex_ = table_.indexName();
                table_.setIndexName(QString());
            }
            return;
        }
        opened_ = true;
        oldIndex_ = table_.indexName();
        oldFilter_ = table_.filter();
        oldFiltered_ = table_.filtered();
        table_.setIndexName(QString());
        table_.setFilter(QStringLiteral("ItemID = %1").arg(itemId));
        table_.setFiltered(true);
        table_.open();
    }
    ~ItemRowAccess() {
        try {
            if (opened_) {
                table_.close();
                table_.setFiltered(oldFiltered_);
                table_.setFilter(oldFilter_);
                table_.setIndexName(oldIndex_);
            } else if (!oldIndex_.isEmpty()) {
                table_.setIndexName(oldIndex_);
            }
        } catch (...) {
        }
    }
    ItemRowAccess(const ItemRowAccess&) = delete;
    ItemRowAccess& operator=(const ItemRowAccess&) = delete;

private:
    engine::Table& table_;
    bool opened_ = false;
    QString oldIndex_;
    QString oldFilter_;
    bool oldFiltered_ = false;
};

int wholeQuantity(const engine::Field& f) {
    return f.isNull() ? 0 : f.asInteger();
}

} // namespace

ShoppingList::ShoppingList(engine::Database& db, engine::Query& query, engine::Table& itemTable,
                           QObject* parent)
    : QObject(parent), db_(db), query_(query), queryAlive_(&query), items_(itemTable), log_(db) {
    query_.setBeforePost([this](engine::DataSet& row) { ShoppingListQueryBeforePost(row); });
    // The totals are counted as the list reads its order, in that order.
    query_.setKeyPass({QStringLiteral("Quantity"), QStringLiteral("Price")},
                      [this](int row, std::int64_t, const std::vector<engine::Value>& values) {
                          if (row == 0)
                              totals_.clear();
                          totals_.addRow(values[0], values[1]);
                      });
    // The list never grows from the grid: a new row is dropped as soon as it is started.
    connect(&query_, &engine::DataSet::stateChanged, this, [this] {
        if (query_.state() == engine::DataSet::State::Insert)
            query_.cancel();
    });
}

ShoppingList::~ShoppingList() {
    if (queryAlive_) {
        queryAlive_->setBeforePost({});
        queryAlive_->setKeyPass({}, {});
    }
}

void ShoppingList::useIndex(ItemIndex* index) {
    index_ = index;
    if (!index_) {
        query_.setKeySource({});
        return;
    }
    query_.setKeySource([this](engine::KeyList& keys) {
        static constexpr ItemIndex::Order kOrders[] = {
            ItemIndex::Order::Quantity, ItemIndex::Order::Product,       ItemIndex::Order::Brand,
            ItemIndex::Order::Size,     ItemIndex::Order::UnitOfMeasure, ItemIndex::Order::Price,
            ItemIndex::Order::Shop,     ItemIndex::Order::Category};
        static_assert(std::size(kOrders) == ShoppingQuery::ColumnCount);
        ItemIndex::Selection selection;
        selection.shops = shopIds_;
        selection.listedOnly = !allItems_;
        selection.order = kOrders[ShoppingQuery::validSortColumn(sortColumn_)];
        selection.search = search_;
        selection.kept = kept_;
        ItemIndex::Counts counts;
        totals_.clear();
        const bool served = index_->select(
            selection, keys,
            [this](std::int64_t, const engine::Value& quantity, const engine::Value& price) {
                totals_.addRow(quantity, price);
            },
            &counts);
        if (served) {
            unsearchedRows_ = counts.rows;
            unsearchedItems_ = counts.listed;
            countedFor_ = unsearched_.join(QLatin1Char('\n'));
        }
        return served;
    });
}

void ShoppingList::RebuildShoppingQuery(const QList<int>& shopIds, bool allItems, int sortColumn) {
    query_.close();
    shopIds_ = shopIds;
    const QStringList lines = ShoppingQuery::text(shopIds, allItems, sortColumn);
    query_.setSql(lines);
    allItems_ = allItems;
    sortColumn_ = ShoppingQuery::validSortColumn(sortColumn);
    unsearched_ = lines.mid(0, lines.size() - 1);
    applySearch();
}

QStringList ShoppingList::searchedColumns() {
    return {QStringLiteral("ProdName"), QStringLiteral("Brand"), QStringLiteral("CatName"),
            QStringLiteral("ShopName"), QStringLiteral("Size"),  QStringLiteral("Price")};
}

void ShoppingList::setSearch(const QString& typed) {
    search_ = typed;
    kept_.clear();
}

void ShoppingList::applySearch() {
    if (engine::TextSearch::words(search_).isEmpty()) {
        query_.setSearchCondition({});
        return;
    }
    const int locale = db_.definition(QStringLiteral("Items")).locale;
    query_.setSearchCondition(engine::TextSearch::sqlCondition(search_, locale, searchedColumns(),
                                                               QStringLiteral("ItemID"), kept_));
}

void ShoppingList::countUnsearched() {
    const QString text = unsearched_.join(QLatin1Char('\n'));
    if (text == countedFor_ || unsearched_.isEmpty())
        return;
    engine::Query count(&db_);
    count.setSql({QStringLiteral("SELECT COUNT(*) AS Rows, TOTAL(CAST(Quantity AS INTEGER) > 0) AS Listed "
                                 "FROM ("),
                  text, QStringLiteral(")")});
    count.open();
    unsearchedRows_ = count.field(QStringLiteral("Rows")).asInteger();
    unsearchedItems_ = static_cast<int>(count.field(QStringLiteral("Listed")).asFloat());
    countedFor_ = text;
}

bool ShoppingList::searchHidesRows() const {
    return !query_.searchCondition().isEmpty() && query_.isOpen() && query_.recordCount() < unsearchedRows_;
}

QString ShoppingList::itemsText() const {
    if (!searchHidesRows())
        return totals_.itemsText();
    return QStringLiteral("Items: %1 of %2").arg(totals_.itemCount()).arg(unsearchedItems_);
}

QString ShoppingList::costText() const {
    if (!searchHidesRows())
        return totals_.costText();
    return QStringLiteral("Total cost (shown): ") + ListTotals::currencyText(totals_.totalCost());
}

void ShoppingList::RefreshShoppingQuery(int itemId) {
    query_.disableControls();
    try {
        query_.close();
        totals_.clear();
        query_.open();
        if (!query_.searchCondition().isEmpty())
            countUnsearched();
        if (query_.keyField().isEmpty())
            totals_.recompute(query_);
        const int idColumn = query_.fieldIndex(QStringLiteral("ItemID"));
        const int row = idColumn >= 0 ? query_.findRow(idColumn, engine::Value{std::int64_t{itemId}}) : -1;
        if (!query_.isEmpty())
            query_.moveTo(std::max(row, 0));
    } catch (...) {
        query_.enableControls();
        totalsChanged();
        throw;
    }
    query_.enableControls();
    totalsChanged();
}

int ShoppingList::currentItemId() const {
    if (!query_.isOpen() || query_.isEmpty() || query_.recNo() < 0)
        return 0;
    const int column = query_.fieldIndex(QStringLiteral("ItemID"));
    const engine::Value v = query_.valueAt(query_.recNo(), column);
    const auto* id = std::get_if<std::int64_t>(&v);
    return id ? static_cast<int>(*id) : 0;
}

void ShoppingList::ShoppingListQueryBeforePost(engine::DataSet& row) {
    engine::Field field = row.field(ListEntryCheck::fieldName(mode_));
    const ListEntryCheck::Result result =
        ListEntryCheck::check(mode_, ListEntryCheck::valueText(field.value()));
    if (!result.ok) {
        row.cancel();
        if (onInvalidEntry)
            onInvalidEntry(result.message);
        return;
    }
    field.setValue(result.value);
    writeThrough(row.field(QStringLiteral("ItemID")).asInteger(), result.value);
}

bool ShoppingList::writeThrough(int itemId, const engine::Value& value) {
    const bool pricing = mode_ == ListEditMode::Price;
    if (pricing)
        PriceLog::ensure(db_);
    ItemRowAccess access(items_, itemId);
    if (!items_.findKey({engine::Value{static_cast<std::int64_t>(itemId)}}))
        return false;
    engine::Field quantity = items_.field(QStringLiteral("Quantity"));
    engine::Field price = items_.field(QStringLiteral("Price"));
    const int oldQuantity = wholeQuantity(quantity);
    const double oldPrice = price.asFloat();
    // An entered price is logged with the item, even when unchanged: it confirms the price.
    engine::Transaction tx(db_);
    items_.edit();
    try {
        if (pricing)
            price.setValue(value);
        else
            quantity.setValue(value);
        items_.post();
    } catch (...) {
        if (items_.state() == engine::DataSet::State::Edit)
            items_.cancel();
        throw;
    }
    if (pricing)
        log_.record(itemId, items_.field(QStringLiteral("Shop")).asInteger(), price.asFloat(),
                    items_.field(QStringLiteral("Size")).value());
    tx.commit();
    totals_.replace(oldQuantity, oldPrice, wholeQuantity(quantity), price.asFloat());
    unsearchedItems_ += (wholeQuantity(quantity) > 0 ? 1 : 0) - (oldQuantity > 0 ? 1 : 0);
    if (!search_.isEmpty() && !kept_.contains(itemId)) {
        // The row stays in view, whatever its new value, until the search changes.
        kept_ << itemId;
        applySearch();
    }
    totalsChanged();
    return true;
}

int ShoppingList::clearQuantities() {
    const int keep = currentItemId();
    int changed = 0;
    if (query_.isOpen()) {
        // The items the list shows with a quantity, whatever the search: the index names them, or else the
        // list's own statement chooses them. One change either way.
        ItemIndex::Selection listed;
        listed.shops = shopIds_;
        listed.listedOnly = true;
        engine::KeyList keys;
        const bool named = index_ && index_->select(listed, keys);
        std::vector<std::int64_t> ids = keys.toVector();
        keys = {};
        engine::Transaction tx(db_);
        if (named) {
            // In batches: the ids of a million-item list, written out at once, would take SQLite several
            // times their size while the statement runs. In ItemID order, so that the batches walk the
            // table's pages once, from first to last.
            std::sort(ids.begin(), ids.end());
            constexpr size_t kIdsPerBatch = 1024;
            for (size_t from = 0; from < ids.size(); from += kIdsPerBatch) {
                const size_t to = std::min(ids.size(), from + kIdsPerBatch);
                std::string array = "[";
                for (size_t i = from; i < to; ++i)
                    array += std::to_string(ids[i]) + ',';
                array.back() = ']';
                changed += db_.execute(
                    QStringLiteral(
                        "UPDATE \"Items\".\"Items\" SET Quantity = NULL WHERE Quantity IS NOT NULL "
                        "AND ItemID IN (SELECT value FROM json_each(?1))"),
                    {engine::Value{std::move(array)}});
            }
        } else {
            QStringList shown = query_.sql();
            if (!shown.isEmpty() && shown.last().startsWith(QLatin1String("ORDER BY")))
                shown.removeLast(); // the order does not matter here
            changed =
                db_.execute(QStringLiteral("UPDATE \"Items\".\"Items\" SET Quantity = NULL WHERE Quantity IS "
                                           "NOT NULL AND ItemID IN (SELECT ItemID FROM (") +
                            shown.join(QLatin1Char('\n')) + QStringLiteral("\n))"));
        }
        tx.commit();
        unsearchedItems_ = 0; // a search never narrows what Clear clears: the shops' whole list
        if (allItems_ && sortColumn_ != ShoppingQuery::QtyColumn) {
            // Every shown item stays in its place with an empty quantity, so nothing is left to count.
            query_.rereadRows();
            totals_.clear();
            totalsChanged();
            return changed;
        }
    }
    countedFor_.clear();
    RefreshShoppingQuery(keep);
    return changed;
}

void ShoppingList::totalsChanged() {
    if (onTotalsChanged)
        onTotalsChanged();
}
