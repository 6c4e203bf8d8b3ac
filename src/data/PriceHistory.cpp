#include "PriceHistory.h"

#include "Helpers.h"
#include "PriceLog.h"
#include "Query.h"

bool PriceChange::wentUp() const {
    return latest && previous && RoundPrice(latest->price) > RoundPrice(previous->price);
}

std::vector<PricePoint> PriceHistory::read(int itemId, bool newestFirst, int limit) {
    std::vector<PricePoint> points;
    if (!PriceLog::exists(db_))
        return points;
    const QString order = newestFirst ? QStringLiteral("DESC") : QStringLiteral("ASC");
    engine::Query q(&db_);
    // IdxItem (Item, PriceDate) and the row id behind it give this order without sorting.
    q.setSql(QStringList{QStringLiteral("SELECT Price, Shop, Size, PriceDate FROM PriceLog"),
                         QStringLiteral("WHERE Item = %1").arg(itemId),
                         QStringLiteral("ORDER BY PriceDate %1, LogID %1").arg(order) +
                             (limit > 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString())});
    q.open();
    points.reserve(static_cast<size_t>(q.recordCount()));
    const engine::Field price = q.field(QStringLiteral("Price")), shop = q.field(QStringLiteral("Shop")),
                        size = q.field(QStringLiteral("Size")), date = q.field(QStringLiteral("PriceDate"));
    for (q.first(); !q.eof(); q.next()) {
        PricePoint p;
        p.when = PriceLog::parseDate(date.asString());
        p.price = price.asFloat();
        p.shopId = shop.asInteger();
        if (!size.isNull())
            p.size = size.asInteger();
        points.push_back(p);
    }
    return points;
}

std::vector<PricePoint> PriceHistory::forItem(int itemId) {
    return read(itemId, false, 0);
}

PriceChange PriceHistory::latestChange(int itemId) {
    const std::vector<PricePoint> newest = read(itemId, true, 2);
    PriceChange change;
    if (!newest.empty())
        change.latest = newest[0];
    if (newest.size() > 1)
        change.previous = newest[1];
    return change;
}

PriceExtremes PriceHistory::extremes(const std::vector<PricePoint>& points) {
    PriceExtremes e;
    for (const PricePoint& p : points) {
        // Points come oldest first: on a tie the later one wins, so the date is the last time it was seen.
        if (!e.lowest || RoundPrice(p.price) <= RoundPrice(e.lowest->price))
            e.lowest = p;
        if (!e.highest || RoundPrice(p.price) >= RoundPrice(e.highest->price))
            e.highest = p;
    }
    return e;
}

bool PriceHistory::isStale(const QDateTime& latestEntry, const QDate& today, int days) {
    if (days <= 0 || !latestEntry.isValid())
        return false;
    return latestEntry.date().daysTo(today) >= days;
}
