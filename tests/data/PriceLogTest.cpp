#include "PriceLog.h"
#include "PriceHistory.h"
#include "PriceSignals.h"

#include "Database.h"
#include "EngineError.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QDateTime at(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

// A database of the five tables, without its log, as every database made before the log was.
class PriceLogTest : public ::testing::Test {
protected:
    PriceLogTest() : db(temp.path()) { CreateDatabaseTables(temp.path()); }

    void log(int item, double price, const char* when, int shop = 1) {
        PriceLog(db).record(item, shop, price, engine::Value{std::int64_t{500}}, at(when));
    }

    TempFolder temp;
    engine::Database db;
};

} // namespace

TEST(PriceLogSchema, TheLogIsATableOfItsOwnWithAnIndexOnItemAndDate) {
    const engine::TableDefinition& d = schema::priceLog().definition;
    EXPECT_EQ(schema::priceLog().name, QStringLiteral("PriceLog"));
    QStringList fields;
    for (const auto& f : d.fields)
        fields << QStringLiteral("%1:%2:%3:%4").arg(f.name).arg(int(f.type)).arg(f.size).arg(f.required);
    EXPECT_EQ(fields, (QStringList{"LogID:0:0:1", "Item:2:0:1", "Shop:2:0:1", "Price:3:0:0", "Size:2:0:0",
                                   "PriceDate:1:19:1"}));
    ASSERT_EQ(d.indexes.size(), 2);
    EXPECT_EQ(d.indexes[1].name, QStringLiteral("IdxItem"));
    EXPECT_EQ(d.indexes[1].fields, QStringLiteral("Item;PriceDate"));
    EXPECT_EQ(schema::tableNames().size(), 5);
    EXPECT_EQ(schema::allTableNames(), schema::tableNames() << QStringLiteral("PriceLog"));
}

TEST(PriceLogDates, StoredAsLocalIso8601ThatSortsAsTheDatesDo) {
    const QDateTime a = at("2024-03-09T08:05:01"), b = at("2024-11-30T23:59:59");
    EXPECT_EQ(PriceLog::dateText(a), QStringLiteral("2024-03-09T08:05:01"));
    EXPECT_EQ(PriceLog::parseDate(PriceLog::dateText(b)), b);
    EXPECT_LT(PriceLog::dateText(a), PriceLog::dateText(b));
    for (const char* bad :
         {"", "2024-03-09", "2024-03-09 08:05:01", "2024-13-09T08:05:01", "not a date at all"})
        EXPECT_FALSE(PriceLog::parseDate(QString::fromLatin1(bad)).isValid()) << bad;
}

TEST_F(PriceLogTest, IsCreatedEmptyOnFirstUseInTheLocaleOfTheTablesAndLeavesThemAlone) {
    db.alterTables(schema::tableNames(), 1031);
    QByteArray itemsBefore;
    {
        QFile f(temp.file(QStringLiteral("Items.dat")));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        itemsBefore = f.readAll();
    }
    EXPECT_FALSE(PriceLog::exists(db));
    EXPECT_TRUE(PriceHistory(db).forItem(1).empty()); // an old database reads as an empty log
    PriceLog::ensure(db);
    PriceLog::ensure(db);
    EXPECT_TRUE(PriceLog::exists(db));
    EXPECT_TRUE(QFile::exists(temp.file(QStringLiteral("PriceLog.dat"))));
    EXPECT_TRUE(QFile::exists(temp.file(QStringLiteral("PriceLog.idx"))));
    EXPECT_EQ(db.readDefinition(QStringLiteral("PriceLog")).locale, 1031);
    db.close();
    QFile f(temp.file(QStringLiteral("Items.dat")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), itemsBefore);
}

TEST_F(PriceLogTest, NoPriceIsLoggedAndTheHistoryReadsInDateOrder) {
    PriceLog::ensure(db);
    EXPECT_FALSE(PriceLog(db).record(1, 1, 0.0, {}, at("2024-01-01T10:00:00")));
    log(1, 2.49, "2024-05-01T10:00:00");
    log(1, 1.99, "2024-02-01T10:00:00", 2);
    log(2, 9.99, "2024-03-01T10:00:00");
    log(1, 2.19, "2024-05-01T10:00:00"); // the same second: after the row written before it

    const std::vector<PricePoint> h = PriceHistory(db).forItem(1);
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].when, at("2024-02-01T10:00:00"));
    EXPECT_EQ(h[0].shopId, 2);
    EXPECT_EQ(h[0].size, 500);
    EXPECT_DOUBLE_EQ(h[1].price, 2.49);
    EXPECT_DOUBLE_EQ(h[2].price, 2.19);

    const PriceChange change = PriceHistory(db).latestChange(1);
    ASSERT_TRUE(change.latest && change.previous);
    EXPECT_DOUBLE_EQ(change.latest->price, 2.19);
    EXPECT_DOUBLE_EQ(change.previous->price, 2.49);
    EXPECT_FALSE(change.wentUp());
    EXPECT_FALSE(PriceHistory(db).latestChange(3).latest);

    EXPECT_EQ(PriceLog(db).removeItem(1), 3);
    EXPECT_TRUE(PriceHistory(db).forItem(1).empty());
    EXPECT_EQ(PriceHistory(db).forItem(2).size(), 1u);
}

TEST(PriceHistoryRules, ExtremesKeepTheLastDateEachPriceWasSeen) {
    const auto p = [](double price, const char* when) { return PricePoint{at(when), price, 1, {}}; };
    const PriceExtremes e = PriceHistory::extremes(
        {p(2.0, "2024-01-01T09:00:00"), p(1.5, "2024-02-01T09:00:00"), p(3.0, "2024-03-01T09:00:00"),
         p(1.5, "2024-04-01T09:00:00"), p(2.5, "2024-05-01T09:00:00")});
    ASSERT_TRUE(e.lowest && e.highest);
    EXPECT_DOUBLE_EQ(e.lowest->price, 1.5);
    EXPECT_EQ(e.lowest->when, at("2024-04-01T09:00:00"));
    EXPECT_DOUBLE_EQ(e.highest->price, 3.0);
    EXPECT_EQ(e.highest->when, at("2024-03-01T09:00:00"));
    EXPECT_FALSE(PriceHistory::extremes({}).lowest);

    PriceChange up{p(2.5, "2024-05-01T09:00:00"), p(2.49, "2024-04-01T09:00:00")};
    EXPECT_TRUE(up.wentUp());
    up.previous->price = 2.5;
    EXPECT_FALSE(up.wentUp());
}

TEST(PriceHistoryRules, APriceTurnsStaleOnTheDayTheSettingNames) {
    const QDate today(2024, 6, 30);
    struct Case {
        const char* latest;
        int days;
        bool stale;
    };
    for (const Case& c : {Case{"2024-04-02T23:59:59", 90, false}, // 89 days ago
                          Case{"2024-04-01T00:00:00", 90, true},  // 90 days ago
                          Case{"2024-04-01T23:59:59", 90, true},  // the time of day does not count
                          Case{"2023-01-01T12:00:00", 0, false},  // 0: never stale
                          Case{"2024-06-30T08:00:00", 1, false}, Case{"2024-06-29T08:00:00", 1, true},
                          Case{"", 90, false}}) // never entered: not known
        EXPECT_EQ(PriceHistory::isStale(at(c.latest), today, c.days), c.stale) << c.latest << " " << c.days;
}

// What the lists draw beside a price: the up mark with the price before, the muted stale price, the tooltip.
TEST_F(PriceLogTest, TheListsMarkAPriceThatWentUpAndOneThatMayBeStale) {
    PriceLog::ensure(db);
    log(1, 1.00, "2024-06-01T09:00:00");
    log(1, 1.20, "2024-06-20T09:00:00");
    log(2, 2.00, "2024-06-01T09:00:00");
    log(2, 1.80, "2024-06-29T09:00:00");
    const QLocale c(QLocale::English, QLocale::UnitedStates);
    PriceSignals marks(db, c);
    const QDate today(2024, 6, 30);

    const PriceSignal up = marks.forItem(1, today, 10); // entered 10 days ago: stale
    EXPECT_TRUE(up.wentUp);
    EXPECT_TRUE(up.stale);
    EXPECT_EQ(up.toolTip, QStringLiteral("Up from 1.00 on 6/1/24\nthis price may be stale: last entered or "
                                         "confirmed on 6/20/24"));
    const PriceSignal down = marks.forItem(2, today, 10);
    EXPECT_FALSE(down.wentUp || down.stale);
    EXPECT_TRUE(down.toolTip.isEmpty());
    EXPECT_FALSE(marks.forItem(3, today, 10).stale) << "never entered";
    EXPECT_FALSE(marks.forItem(1, today, 11).stale);

    // Read once until the list is read again.
    log(2, 2.50, "2024-06-30T09:00:00");
    EXPECT_FALSE(marks.forItem(2, today, 10).wentUp);
    marks.forget(2);
    EXPECT_TRUE(marks.forItem(2, today, 10).wentUp);
    EXPECT_TRUE(PriceSignals::forLatest(at("2024-06-20T09:00:00"), today, 10, c).stale);
    EXPECT_FALSE(PriceSignals::forLatest(QDateTime(), today, 10, c).stale);
}
