#include "PriceHistoryCsv.h"
#include "PriceLog.h"

#include "Database.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

namespace {

class PriceHistoryCsvTest : public ::testing::Test {
protected:
    PriceHistoryCsvTest() : db(temp.path()) { CreateDatabaseTables(temp.path()); }

    void log(int item, double price, const char* when, int shop = 1) {
        PriceLog(db).record(item, shop, price, engine::Value{std::int64_t{500}},
                            QDateTime::fromString(QString::fromLatin1(when), Qt::ISODate));
    }

    TempFolder temp;
    engine::Database db;
};

} // namespace

TEST_F(PriceHistoryCsvTest, QuotesWhatNeedsItAndKeepsFormulasAsText) {
    const auto add = [this](const char* table, QStringList fields, QList<engine::Value> values) {
        engine::Table t(&db, QLatin1String(table));
        t.open();
        t.append();
        for (int i = 0; i < fields.size(); ++i)
            t.field(fields[i]).setValue(values[i]);
        t.post();
    };
    const auto text = [](const char* s) { return engine::textValue(QString::fromUtf8(s)); };
    const auto n = [](qint64 i) { return engine::Value{std::int64_t{i}}; };
    add("Categories", {"CatName"}, {text("Dairy")});
    add("Shops", {"ShopName"}, {text("Corner, \"the\" shop")});
    add("Products", {"ProdName", "Category"}, {text("Milk"), n(1)});
    add("Products", {"ProdName", "Category"}, {text("=HYPERLINK(1)"), n(1)});
    add("Items", {"Product", "Brand", "Shop", "Price"}, {n(1), text(" Acme"), n(1), engine::Value{1.5}});
    add("Items", {"Product", "Brand", "Shop", "Price"}, {n(2), text("-Best"), n(1), engine::Value{2.0}});
    // Nothing logged yet, and no log at all: the header alone.
    EXPECT_EQ(PriceHistoryCsv(QLatin1Char(',')).write(db),
              QStringLiteral("Item,Shop,Product type,Brand,Size,Price,Date\r\n"));
    PriceLog::ensure(db);
    log(1, 1.25, "2024-02-01T10:00:00");
    log(1, 1.5, "2024-03-01T10:00:00");
    log(2, 2.0, "2024-03-02T11:00:00");
    log(9, 3.0, "2024-03-03T11:00:00"); // an item that is gone

    const QLocale german(QLocale::German, QLocale::Germany);
    PriceHistoryCsv csv(CsvText::separatorFor(german), german);
    EXPECT_EQ(csv.write(db),
              QStringLiteral("Item;Shop;Product type;Brand;Size;Price;Date\r\n"
                             "2;Corner, \"\"the\"\" shop;'=HYPERLINK(1);'-Best;500;2,00;"
                             "2024-03-02T11:00:00\r\n"
                             "1;Corner, \"\"the\"\" shop;Milk;\" Acme\";500;1,25;2024-02-01T10:00:00\r\n"
                             "1;Corner, \"\"the\"\" shop;Milk;\" Acme\";500;1,50;2024-03-01T10:00:00\r\n")
                  .replace(QStringLiteral("Corner, \"\"the\"\" shop"),
                           QStringLiteral("\"Corner, \"\"the\"\" shop\"")));
    EXPECT_EQ(csv.rows(), 3);
    EXPECT_TRUE(PriceHistoryCsv(QLatin1Char(','))
                    .write(db)
                    .contains(QStringLiteral(
                        "1,\"Corner, \"\"the\"\" shop\",Milk,\" Acme\",500,1.25,2024-02-01T10:00:00\r\n")));
}
