#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

namespace engine {
class Database;
}

// One row of the price log as the displays read it.
struct PricePoint {
    QDateTime when;
    double price = 0;
    int shopId = 0;
    std::optional<int> size;
};

// An item's newest log entry and the one before it: what the shopping list marks.
struct PriceChange {
    std::optional<PricePoint> latest;
    std::optional<PricePoint> previous;

    // The newest price is above the one entered before it.
    bool wentUp() const;
};

// The lowest and the highest price of a history, each with the last time it was seen.
struct PriceExtremes {
    std::optional<PricePoint> lowest;
    std::optional<PricePoint> highest;
};

// Reads the price log for the displays. A database without its log reads as one with an empty log.
class PriceHistory {
public:
    explicit PriceHistory(engine::Database& db) : db_(db) {}

    // The item's log rows, oldest first (rows of the same second in the order they were written).
    std::vector<PricePoint> forItem(int itemId);
    PriceChange latestChange(int itemId);

    static PriceExtremes extremes(const std::vector<PricePoint>& points);

    // A price not entered or confirmed for `days` days or more may be stale; days of 0 or less never are.
    // Days are counted between the local calendar dates. An item without any log entry is not marked: when
    // its price was entered is not known.
    static bool isStale(const QDateTime& latestEntry, const QDate& today, int days);

private:
    std::vector<PricePoint> read(int itemId, bool newestFirst, int limit);

    engine::Database& db_;
};
