#pragma once

#include "Value.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace engine {
class Database;
class Table;
} // namespace engine

// The price log: a row for every price the user enters or a command sets (a re-entered, unchanged price
// too, as a confirmation), with the item, its shop, the price, the size at that time and the local date and
// time. Each writer runs inside the transaction that writes the item, so the item and its log row are stored
// together or not at all. A price of 0 (or none) is no price, as the optimizer and the price form treat it,
// and is not logged.
class PriceLog {
public:
    static QString tableName() { return QStringLiteral("PriceLog"); }

    // The stored form of a date: local date and time of day in ISO 8601 ("2024-05-01T14:03:07"), which sorts
    // as the dates do. parseDate gives an invalid date for any other text.
    static QString dateText(const QDateTime& when);
    static QDateTime parseDate(const QString& text);
    // The local time the log dates its rows with; tests and benchmarks fix it, an empty clock restores the
    // system's.
    static QDateTime now();
    static void setClock(std::function<QDateTime()> clock);

    static bool isPrice(double price) { return price > 0; }

    // Whether the database has its log.
    static bool exists(engine::Database& db);
    // Creates the log empty when the database has none, sorting like the tables beside it. A new table file
    // cannot join a transaction: this runs before the writer's transaction begins.
    static void ensure(engine::Database& db);

    explicit PriceLog(engine::Database& db);
    ~PriceLog();
    PriceLog(const PriceLog&) = delete;
    PriceLog& operator=(const PriceLog&) = delete;

    // Writes one row when the price is a price; true when it did. Only the log's own table object is written,
    // so the snapshots of the other tables' objects stay valid.
    bool record(int itemId, int shopId, double price, const engine::Value& size,
                const QDateTime& when = now());
    // One row, dated `when`, for every priced item the condition on Items selects (the bulk commands:
    // "Shop = ?1"); returns how many.
    int recordItems(const QString& itemsWhere, const std::vector<engine::Value>& parameters,
                    const QDateTime& when);
    // Removes the rows of one item; returns how many.
    int removeItem(int itemId);
    // Removes the rows of the items the condition on Items selects; run before the items themselves go.
    int removeItems(const QString& itemsWhere, const std::vector<engine::Value>& parameters = {});

private:
    engine::Table& writer();

    engine::Database& db_;
    std::unique_ptr<engine::Table> writer_;
};
