#include "PriceOptimizer.h"

#include "Database.h"
#include "EngineError.h"
#include "Helpers.h"
#include "Money.h"
#include "ProductOptimizer.h"
#include "Query.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kMaxQuantity = std::numeric_limits<int>::max();

engine::Value id(int value) {
    return engine::Value{std::int64_t{value}};
}

OptimizeItem readItem(engine::DataSet& ds) {
    OptimizeItem item;
    item.ItemID = ds.field(QStringLiteral("ItemID")).asInteger();
    item.Price = RoundPrice(ds.field(QStringLiteral("Price")).asFloat());
    item.Size = ds.field(QStringLiteral("Size")).asInteger();
    item.Quantity = ds.field(QStringLiteral("Quantity")).asInteger();
    return item;
}

float cost(int quantity, float price) {
    return static_cast<float>(static_cast<double>(quantity) * static_cast<double>(price));
}

QString replacedWith(std::int64_t oldQuantity) {
    return oldQuantity == 1 ? QStringLiteral("was replaced with") : QStringLiteral("were replaced with");
}

} // namespace

PriceOptimizer::PriceOptimizer(engine::Database& db) : db_(db) {}

PriceOptimizer::~PriceOptimizer() = default;

OptimizeResult PriceOptimizer::run(OptimizeMode mode) {
    result_ = OptimizeResult{};
    list_.clear();
    candidates_.clear();
    items_.clear();
    productNames_.clear();
    units_.clear();
    shopNames_.clear();

    engine::Transaction transaction(db_);
    db_.execute(QStringLiteral("UPDATE Items SET UndoQty = Quantity"));
    loadList();

    loadNames();

    if (mode == OptimizeMode::CheapestItems) {
        result_.details << QStringLiteral("=== Optimized for lowest priced items ===");
        loadCandidates(mode);
        runCheapestItems();
    } else if (mode == OptimizeMode::CheapestTrip && !list_.empty()) {
        result_.details << QStringLiteral("=== Optimized for cheapest shopping list ===");
        loadCandidates(mode);
        runCheapestTrip();
    }
    addSummary();

    transaction.commit();
    return result_;
}

void PriceOptimizer::loadNames() {
    // Names for the report, read once: the writes below would make table objects reload on every look-up.
    engine::Query q(&db_);
    q.setSql(QStringList{QStringLiteral("SELECT ProdID, ProdName, UnitOfMeasure"),
                         QStringLiteral("FROM Products")});
    q.open();
    for (q.first(); !q.eof(); q.next()) {
        const int product = q.field(QStringLiteral("ProdID")).asInteger();
        productNames_.insert(product, q.field(QStringLiteral("ProdName")).asString());
        units_.insert(product, q.field(QStringLiteral("UnitOfMeasure")).asString());
    }
    q.setSql(QStringList{QStringLiteral("SELECT ShopID, ShopName"), QStringLiteral("FROM Shops")});
    q.open();
    for (q.first(); !q.eof(); q.next())
        shopNames_.insert(q.field(QStringLiteral("ShopID")).asInteger(),
                          q.field(QStringLiteral("ShopName")).asString());
}

void PriceOptimizer::loadList() {
    // A snapshot: the rewrites below do not change the rows walked. Sorted here by product and, within a
    // product, by ItemID, so runs are repeatable (an ORDER BY would make the engine walk a whole index).
    engine::Query q(&db_);
    q.setSql(QStringList{QStringLiteral("SELECT ItemID, Product, Size, Price, Quantity"),
                         QStringLiteral("FROM Items"), QStringLiteral("WHERE Quantity > 0")});
    q.open();
    list_.reserve(static_cast<size_t>(q.recordCount()));
    for (q.first(); !q.eof(); q.next()) {
        ListRow row;
        row.item = readItem(q);
        row.product = q.field(QStringLiteral("Product")).asInteger();
        row.usable = IsOptimizable(row.item);
        list_.push_back(row);
    }
    std::sort(list_.begin(), list_.end(), [](const ListRow& a, const ListRow& b) {
        return a.product != b.product ? a.product < b.product : a.item.ItemID < b.item.ItemID;
    });
}

void PriceOptimizer::loadCandidates(OptimizeMode mode) {
    // Every item of every product on the list, read once. ("+Product" keeps the engine from looking each
    // row up through an index, which is far slower than one pass over the table.)
    engine::Query q(&db_);
    q.setSql(
        QStringList{QStringLiteral("SELECT ItemID, Product, Brand, Size, Price, Shop, Quantity, UndoQty"),
                    QStringLiteral("FROM Items"),
                    QStringLiteral("WHERE +Product IN (SELECT Product FROM Items WHERE Quantity > 0)")});
    q.open();
    struct Row {
        OptimizeItem item;
        std::int64_t undoQty = 0;
        bool hasUndoQty = false;
        bool usable = false;
    };
    QHash<int, std::vector<Row>> rows;
    for (q.first(); !q.eof(); q.next()) {
        Row row;
        row.item = readItem(q);
        row.usable = IsOptimizable(row.item);
        row.hasUndoQty = !q.field(QStringLiteral("UndoQty")).isNull();
        row.undoQty = q.field(QStringLiteral("UndoQty")).asInteger();
        const int product = q.field(QStringLiteral("Product")).asInteger();
        rows[product].push_back(row);
        ItemInfo& info = items_[row.item.ItemID];
        info.product = product;
        info.brand = q.field(QStringLiteral("Brand")).asString();
        info.size = row.item.Size;
        info.shop = q.field(QStringLiteral("Shop")).asInteger();
        info.quantity = row.item.Quantity;
    }
    // Cheapest trip takes the largest size first and, among equal sizes, the item that was on the list in
    // the larger quantity (empty last); cheapest items meets them in the order they were created, which
    // decides between equally cheap items. ItemID settles every remaining tie.
    const auto tripOrder = [](const Row& a, const Row& b) {
        if (a.item.Size != b.item.Size)
            return a.item.Size > b.item.Size;
        if (a.hasUndoQty != b.hasUndoQty)
            return a.hasUndoQty;
        if (a.undoQty != b.undoQty)
            return a.undoQty > b.undoQty;
        return a.item.ItemID < b.item.ItemID;
    };
    const auto creationOrder = [](const Row& a, const Row& b) { return a.item.ItemID < b.item.ItemID; };
    for (auto it = rows.begin(); it != rows.end(); ++it) {
        std::vector<Row>& r = it.value();
        if (mode == OptimizeMode::CheapestTrip)
            std::sort(r.begin(), r.end(), tripOrder);
        else
            std::sort(r.begin(), r.end(), creationOrder);
        ProductItems& p = candidates_[it.key()];
        p.rows = static_cast<int>(r.size());
        for (const Row& row : r) {
            if (!row.usable)
                continue;
            OptimizeItem item = row.item;
            item.Quantity = 0;
            p.usable.push_back(item);
        }
    }
}

void PriceOptimizer::runCheapestItems() {
    for (const ListRow& row : list_) {
        if (!row.usable)
            continue;
        const ProductItems& p = candidates_[row.product];
        if (p.rows < 2)
            continue;
        const int k = ProductOptimizer::CheapestItemIndex(row.item, p.usable);
        if (k < 0)
            continue;
        const OptimizeItem& best = p.usable[static_cast<size_t>(k)];
        const std::int64_t amount = std::int64_t{row.item.Quantity} * row.item.Size;
        const std::int64_t units = UnitsToCover(amount, best.Size);
        const std::int64_t had = info(best.ItemID).quantity;
        if (had + units > kMaxQuantity)
            continue; // cannot be stored; the item stays as it is
        const int n = static_cast<int>(units);

        const float newCost = cost(n, best.Price);
        result_.Savings -= newCost;
        const QString newLine = itemLine(best.ItemID, n);
        setQuantity(best.ItemID, static_cast<int>(had + n));

        const int oldQuantity = info(row.item.ItemID).quantity;
        const float oldCost = cost(oldQuantity, row.item.Price);
        result_.Savings += oldCost;
        result_.details << QString() << itemLine(row.item.ItemID, oldQuantity) << replacedWith(oldQuantity)
                        << newLine << changeLine(newCost, oldCost);
        setQuantity(row.item.ItemID, 0);
        ++result_.ReplacedCount;
    }
}

void PriceOptimizer::runCheapestTrip() {
    // Consecutive rows of one product form a group; items that cannot take part stay as they are.
    size_t i = 0;
    while (i < list_.size()) {
        const int product = list_[i].product;
        std::int64_t amount = 0;
        std::vector<OptimizeItem> current;
        for (; i < list_.size() && list_[i].product == product; ++i) {
            if (!list_[i].usable)
                continue;
            amount += std::int64_t{list_[i].item.Quantity} * list_[i].item.Size;
            current.push_back(list_[i].item);
        }
        if (amount > 0 && amount <= kMaxQuantity)
            optimizeProduct(product, amount, current);
    }
}

void PriceOptimizer::optimizeProduct(int product, std::int64_t amount,
                                     const std::vector<OptimizeItem>& current) {
    const ProductItems& p = candidates_[product];
    const auto best = ProductOptimizer::OptimizeProduct(p.usable, static_cast<int>(amount));
    if (!best || ProductOptimizer::SameItems(*best, current))
        return;

    // Every current item counts as replaced, even one that is chosen again: it is emptied first and then
    // given its new quantity.
    result_.details << QString();
    float oldTotal = 0;
    float newTotal = 0;
    std::int64_t oldQuantities = 0;
    for (const OptimizeItem& c : current) {
        const int quantity = info(c.ItemID).quantity;
        const float oldCost = cost(quantity, c.Price);
        result_.Savings += oldCost;
        oldTotal += oldCost;
        result_.details << itemLine(c.ItemID, quantity);
        oldQuantities += quantity;
        setQuantity(c.ItemID, 0);
        ++result_.ReplacedCount;
    }
    result_.details << replacedWith(oldQuantities);
    for (const OptimizeItem& b : *best) {
        result_.details << itemLine(b.ItemID, b.Quantity);
        setQuantity(b.ItemID, b.Quantity);
        const float newCost = cost(b.Quantity, b.Price);
        result_.Savings -= newCost;
        newTotal += newCost;
    }
    result_.details << changeLine(newTotal, oldTotal);
}

void PriceOptimizer::addSummary() {
    const int n = result_.ReplacedCount;
    result_.countLine =
        QString::number(n) + QStringLiteral(" item") + PluralSuffix(n) + QStringLiteral(" replaced");
    result_.savingLine = result_.Savings >= 0
                             ? QStringLiteral("You saved ") + FormatMoney(result_.Savings)
                             : QStringLiteral("You spent an extra ") + FormatMoney(-result_.Savings);
    result_.details << QString() << result_.countLine << result_.savingLine;
}

const PriceOptimizer::ItemInfo& PriceOptimizer::info(int itemId) const {
    const auto it = items_.constFind(itemId);
    if (it == items_.constEnd())
        throw engine::EngineError(engine::GeneralError,
                                  QStringLiteral("Item %1 is no longer in the Items table").arg(itemId));
    return it.value();
}

QString PriceOptimizer::itemLine(int itemId, int quantity) {
    const ItemInfo& item = info(itemId);
    return QString::number(quantity) + QStringLiteral(" x ") + QString::number(item.size) +
           units_.value(item.product) + QLatin1Char(' ') + productNames_.value(item.product) +
           QLatin1Char(' ') + item.brand + QStringLiteral(" at ") + shopNames_.value(item.shop);
}

void PriceOptimizer::setQuantity(int itemId, int quantity) {
    const int changed = db_.execute(QStringLiteral("UPDATE Items SET Quantity = ?1 WHERE ItemID = ?2"),
                                    {quantity > 0 ? id(quantity) : engine::Value{}, id(itemId)});
    if (changed != 1)
        throw engine::EngineError(engine::GeneralError,
                                  QStringLiteral("Item %1 is no longer in the Items table").arg(itemId));
    items_[itemId].quantity = quantity;
}

QString PriceOptimizer::changeLine(float newCost, float oldCost) const {
    const double difference = std::fabs(newCost - oldCost);
    return QStringLiteral("(") + (newCost > oldCost ? QStringLiteral("adding ") : QStringLiteral("saving ")) +
           FormatMoney(difference) + QStringLiteral(")");
}

void UndoOptimization(engine::Database& db) {
    engine::Transaction transaction(db);
    db.execute(QStringLiteral("UPDATE Items SET Quantity = UndoQty"));
    transaction.commit();
}
