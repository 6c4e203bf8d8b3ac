#include "CatalogueEditor.h"
#include "CatalogueFixture.h"
#include "ItemWriter.h"
#include "PriceLog.h"
#include "PriceOptimizer.h"
#include "ShopCopier.h"
#include "ShoppingList.h"
#include "V1Importer.h"

#include <functional>

using catalogue::ItemFields;
using catalogue::ItemWriter;

namespace {

// Shops Corner (1) and Market (2), category Dairy with the product type Milk; items Acme at Corner (1, 1.00,
// 2 on the list) and Best at Market (2, 2.00), each with one log row of the day before. The clock stands
// still at noon, so every row a command writes carries that time.
class PriceLogWrites : public CatalogueFixture {
protected:
    PriceLogWrites() : items(&db, QStringLiteral("Items")), listQuery(&db) {
        PriceLog::setClock([] { return noon(); });
        corner = addShop("Corner");
        market = addShop("Market");
        dairy = addCategory("Dairy");
        milk = addProduct("Milk", dairy, "l");
        acme = addItem(milk, "Acme", 1, corner, 1.00, 2);
        best = addItem(milk, "Best", 1, market, 2.00);
        PriceLog::ensure(db);
        PriceLog log(db);
        log.record(acme, corner, 1.00, v(qint64{1}), noon().addDays(-1));
        log.record(best, market, 2.00, v(qint64{1}), noon().addDays(-1));
        items.setBeforePost(&ItemWriter::roundPrice);
        items.open();
    }
    ~PriceLogWrites() override { PriceLog::setClock({}); }

    static QDateTime noon() { return QDateTime(QDate(2024, 6, 30), QTime(12, 0)); }

    // The log as "item|shop|price|date" lines in the order written.
    QStringList logRows() {
        engine::Query q(&db);
        q.setSql(QStringLiteral("SELECT Item, Shop, Price, PriceDate FROM PriceLog ORDER BY LogID"));
        q.open();
        QStringList out;
        for (q.first(); !q.eof(); q.next())
            out << QStringLiteral("%1|%2|%3|%4")
                       .arg(q.field(QStringLiteral("Item")).asInteger())
                       .arg(q.field(QStringLiteral("Shop")).asInteger())
                       .arg(q.field(QStringLiteral("Price")).asFloat(), 0, 'f', 2)
                       .arg(q.field(QStringLiteral("PriceDate")).asString());
        return out;
    }
    ItemFields fields(const char* brand, const char* price, int shop, bool entered = true) {
        ItemFields f{milk, QString::fromUtf8(brand), QStringLiteral("1"), QString::fromUtf8(price), shop};
        f.priceEntered = entered;
        return f;
    }
    void listEntry(ListEditMode mode, int item, engine::Value value) {
        ShoppingList list(db, listQuery, items);
        list.setMode(mode);
        ASSERT_TRUE(list.writeThrough(item, value));
    }

    engine::Table items;
    engine::Query listQuery;
    ItemWriter writer{items};
    int corner = 0, market = 0, dairy = 0, milk = 0, acme = 0, best = 0;
};

const QString kBefore = QStringLiteral("1|1|1.00|2024-06-29T12:00:00\n2|2|2.00|2024-06-29T12:00:00");
const QString kNoon = QStringLiteral("2024-06-30T12:00:00");

} // namespace

// Every command that sets a price writes its log row with the item; one that leaves the price alone none.
TEST_F(PriceLogWrites, EachCommandLogsThePricesItSetsAndNothingElse) {
    struct Case {
        const char* name;
        std::function<void()> run;
        QString added; // rows after the two of the day before, "\n"-separated
    };
    const std::vector<Case> cases{
        {"Items page Add with a price", [this] { writer.add(fields("Cheap", "0.899", corner)); },
         "3|1|0.90|" + kNoon},
        {"Items page Add without a price", [this] { writer.add(fields("Blank", "", corner, false)); }, ""},
        {"Items page Change of the price", [this] { writer.change(acme, fields("Acme", "1.25", corner)); },
         "1|1|1.25|" + kNoon},
        {"Items page Change with the price typed again",
         [this] { writer.change(acme, fields("Acme", "1.00", corner)); }, "1|1|1.00|" + kNoon},
        {"Items page Change of the brand only",
         [this] { writer.change(acme, fields("Acme Gold", "1.00", corner, false)); }, ""},
        {"Items page Change of the shop, the price untouched",
         [this] { writer.change(acme, fields("Acme", "1.00", market, false)); }, ""},
        {"Shopping list price entry", [this] { listEntry(ListEditMode::Price, best, v(2.35)); },
         "2|2|2.35|" + kNoon},
        {"Shopping list price entered again unchanged",
         [this] { listEntry(ListEditMode::Price, best, v(2.0)); }, "2|2|2.00|" + kNoon},
        {"Shopping list quantity entry", [this] { listEntry(ListEditMode::Quantity, best, v(qint64{3})); },
         ""},
        {"Copy shop",
         [this] { catalogue::ShopCopier(db).copy(market, "Branch", catalogue::CopyShopOptions{}); },
         "3|3|2.00|" + kNoon},
        {"Copy shop without items",
         [this] {
             catalogue::ShopCopier(db).copy(market, "Branch", {false, true, true});
         },
         ""},
        {"Optimizer and its undo",
         [this] {
             PriceOptimizer(db).run(OptimizeMode::CheapestItems);
             PriceOptimizer(db).run(OptimizeMode::CheapestTrip);
             UndoOptimization(db);
         },
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case runs inside a transaction that is rolled back, so the next starts from the fixture again.
        engine::Transaction undo(db);
        c.run();
        EXPECT_EQ(logRows().join(QLatin1Char('\n')),
                  kBefore + (c.added.isEmpty() ? QString() : "\n" + c.added));
    }
}

TEST_F(PriceLogWrites, TheVersion1ImportReplacesTheLogWithItsPricesDatedTheImport) {
    V1File file;
    file.categories << QStringLiteral("Veg");
    file.products.append({QStringLiteral("Leeks"), QStringLiteral("kg"), 0});
    file.shops.append({QStringLiteral("Farm"), {}});
    file.items.append({0, QStringLiteral("Green"), 1.0f, 1.5f, 0});
    file.items.append({0, QStringLiteral("Unpriced"), 2.0f, 0.0f, 0});
    V1Importer(db).import(file);
    EXPECT_EQ(logRows(), QStringList{"1|1|1.50|" + kNoon});
}

// Deleting items takes their log rows along in the same transaction, and only theirs.
TEST_F(PriceLogWrites, DeletedItemsShopsCategoriesAndProductTypesTakeTheirLogAlong) {
    struct Case {
        const char* name;
        std::function<void()> run;
        QString left;
    };
    const QString acmeRow = QStringLiteral("1|1|1.00|2024-06-29T12:00:00");
    const QString bestRow = QStringLiteral("2|2|2.00|2024-06-29T12:00:00");
    const std::vector<Case> cases{
        {"item", [this] { EXPECT_TRUE(writer.remove(acme)); }, bestRow},
        {"shop", [this] { catalogue::CatalogueEditor(db).deleteShops({market}); }, acmeRow},
        {"product type", [this] { catalogue::CatalogueEditor(db).deleteProduct(milk); }, ""},
        {"category", [this] { catalogue::CatalogueEditor(db).deleteCategories({dairy}); }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine::Transaction undo(db);
        c.run();
        EXPECT_EQ(logRows().join(QLatin1Char('\n')), c.left);
    }
}

// A failed item write leaves no log row, and a failed log write no item.
TEST_F(PriceLogWrites, TheItemAndItsLogRowAreWrittenTogetherOrNotAtAll) {
    breakWrites("PriceLog", "INSERT");
    EXPECT_THROW(writer.add(fields("Cheap", "0.90", corner)), engine::EngineError);
    EXPECT_THROW(writer.change(acme, fields("Acme", "1.25", corner)), engine::EngineError);
    EXPECT_EQ(rows(QStringLiteral("Items")), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Items WHERE ItemID = 1 AND Price = 1.0")), 1);
    EXPECT_EQ(logRows().join(QLatin1Char('\n')), kBefore);
}
