#include "ItemIndex.h"

#include "ListTestDatabase.h"
#include "Query.h"
#include "ShoppingList.h"
#include "ShoppingQuery.h"
#include "Statement.h"
#include "TextSearch.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace {

constexpr ItemIndex::Order kOrders[] = {ItemIndex::Order::Quantity,      ItemIndex::Order::Product,
                                        ItemIndex::Order::Brand,         ItemIndex::Order::Size,
                                        ItemIndex::Order::UnitOfMeasure, ItemIndex::Order::Price,
                                        ItemIndex::Order::Shop,          ItemIndex::Order::Category};

// A catalogue with what orders and joins trip over: names alike but for case and accents, empty brands,
// sizes, prices and quantities, equal values, and rows that join to nothing.
class ItemIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        data.emplace(folder.path());
        const int apple = data->addCategory(QStringLiteral("apple"));
        const int appleUpper = data->addCategory(QStringLiteral("Apples"));
        const int aepfel = data->addCategory(QStringLiteral("Äpfel"));
        const int bread = data->addCategory(QStringLiteral("bread"));
        shops = {data->addShop(QStringLiteral("Café Crème")), data->addShop(QStringLiteral("cafe")),
                 data->addShop(QStringLiteral("Zoo"))};
        const QList<int> products = {data->addProduct(QStringLiteral("Gala"), apple),
                                     data->addProduct(QStringLiteral("gala 2"), appleUpper, QString()),
                                     data->addProduct(QStringLiteral("Boskop"), aepfel, QStringLiteral("kg")),
                                     data->addProduct(QStringLiteral("Rye"), bread, QStringLiteral("G")),
                                     data->addProduct(QStringLiteral("Spelt"), bread)};
        engine::Database& db = data->db;
        db.execute(QStringLiteral("UPDATE Products SET Category = NULL WHERE ProdID = ?1"),
                   {engine::Value{std::int64_t{products[4]}}});
        const QStringList brands = {QStringLiteral("Acme"), QStringLiteral("acme"), QString(),
                                    QStringLiteral("Zeta 12")};
        int n = 0;
        for (int product : products)
            for (int shop : shops)
                for (const QString& brand : brands) {
                    ++n;
                    const int id = data->addItem(product, brand, n % 4 * 125, shop,
                                                 n % 5 ? std::optional<double>(n % 7 * 1.25) : std::nullopt,
                                                 n % 3 ? std::optional<int>(n % 4 - 1) : std::nullopt);
                    if (n % 6 == 0)
                        db.execute(
                            QStringLiteral("UPDATE Items SET Size = NULL, Brand = NULL WHERE ItemID = ?1"),
                            {engine::Value{std::int64_t{id}}});
                }
        // An item of a product type that does not exist, and one of a shop that does not.
        data->addItem(9999, QStringLiteral("Lost"), 1, shops[0], 1.0, 1);
        data->addItem(products[0], QStringLiteral("Lost"), 1, 9999, 1.0, 1);
    }

    // The rows the list's statement gives, rows that sort alike in ItemID order.
    std::vector<std::int64_t> statementKeys(const ItemIndex::Selection& s) {
        const int column = static_cast<int>(std::find(std::begin(kOrders), std::end(kOrders), s.order) -
                                            std::begin(kOrders));
        QStringList lines = ShoppingQuery::text(s.shops.value_or(shops), !s.listedOnly, column);
        lines.last() += QStringLiteral(", ItemID");
        QString sql =
            QStringLiteral("SELECT ItemID FROM (") + lines.join(QLatin1Char('\n')) + QStringLiteral("\n)");
        const QString condition = engine::TextSearch::sqlCondition(
            s.search, data->db.definition(QStringLiteral("Items")).locale, ShoppingList::searchedColumns(),
            QStringLiteral("ItemID"), s.kept);
        if (!condition.isEmpty())
            sql += QStringLiteral(" WHERE ") + condition;
        engine::Statement stmt(data->db.connection(), sql);
        std::vector<std::int64_t> keys;
        while (stmt.step())
            keys.push_back(sqlite3_column_int64(stmt.handle(), 0));
        return keys;
    }

    // Every order and filter the lists use, the index against the statement.
    void expectSameAsStatement(ItemIndex& index, const char* when) {
        const std::vector<std::optional<QList<int>>> shopChoices = {std::nullopt, QList<int>{shops[1]},
                                                                    QList<int>{shops[0], shops[2]}};
        for (ItemIndex::Order order : kOrders)
            for (bool listed : {false, true})
                for (const auto& chosen : shopChoices)
                    for (const QString& search : {QString(), QStringLiteral("cafe"), QStringLiteral("APP 1"),
                                                  QStringLiteral("2.5"), QStringLiteral("zeta")}) {
                        ItemIndex::Selection s;
                        s.order = order;
                        s.listedOnly = listed;
                        s.shops = chosen;
                        s.search = search;
                        s.kept = {3};
                        engine::KeyList keys;
                        ASSERT_TRUE(index.select(s, keys));
                        EXPECT_EQ(keys.toVector(), statementKeys(s))
                            << when << ": order " << static_cast<int>(order) << (listed ? " listed" : " all")
                            << " shops " << (chosen ? chosen->size() : -1) << " search '"
                            << qPrintable(search) << "'";
                    }
        engine::KeyList ids;
        std::vector<std::int64_t> expected;
        ASSERT_TRUE(index.allItemIds(ids));
        engine::Statement all(data->db.connection(),
                              QStringLiteral("SELECT ItemID FROM Items ORDER BY ItemID"));
        while (all.step())
            expected.push_back(sqlite3_column_int64(all.handle(), 0));
        EXPECT_EQ(ids.toVector(), expected) << when << ": every item id";
    }

    TempFolder folder;
    std::optional<ListTestDatabase> data;
    QList<int> shops;
};

TEST_F(ItemIndexTest, ChoosesOrdersAndCountsAsTheListStatement) {
    ItemIndex index(data->db);
    expectSameAsStatement(index, "first read");

    ItemIndex::Selection s;
    s.shops = QList<int>{shops[0], shops[1]};
    s.listedOnly = true;
    s.search = QStringLiteral("gala");
    engine::KeyList keys;
    ItemIndex::Counts counts;
    int visited = 0;
    ASSERT_TRUE(index.select(
        s, keys, [&](std::int64_t, const engine::Value&, const engine::Value&) { ++visited; }, &counts));
    EXPECT_EQ(visited, static_cast<int>(keys.size()));
    engine::Statement count(data->db.connection(),
                            QStringLiteral("SELECT COUNT(*), TOTAL(CAST(Quantity AS INTEGER) > 0) FROM (") +
                                ShoppingQuery::text(*s.shops, false, 0).join(QLatin1Char('\n')) +
                                QStringLiteral(")"));
    ASSERT_TRUE(count.step());
    EXPECT_EQ(counts.rows, sqlite3_column_int(count.handle(), 0));
    EXPECT_EQ(counts.listed, sqlite3_column_int(count.handle(), 1));

    ItemIndex::Selection none;
    none.shops = QList<int>{};
    ASSERT_TRUE(index.select(none, keys));
    EXPECT_TRUE(keys.empty());
}

TEST_F(ItemIndexTest, FollowsEveryWayTheTablesChange) {
    ItemIndex index(data->db);
    engine::Database& db = data->db;
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"a price posted",
         [&] {
             engine::Table t(&db, QStringLiteral("Items"));
             t.open();
             t.moveTo(4);
             t.edit();
             t.field(QStringLiteral("Price")).setFloat(0.5);
             t.post();
         }},
        {"quantities changed in bulk",
         [&] { db.execute(QStringLiteral("UPDATE Items SET Quantity = ItemID % 3")); }},
        {"an item added with a new brand",
         [&] { data->addItem(1, QStringLiteral("Aardvark"), 5, shops[2], 3.0, 2); }},
        {"a category and a shop added that rows named before they existed",
         [&] {
             db.execute(QStringLiteral("UPDATE Products SET Category = 777 WHERE ProdID = 4"));
             engine::KeyList keys;
             index.select({}, keys);
             db.execute(QStringLiteral("INSERT INTO Categories (CatID, CatName) VALUES (777, 'Late')"));
             db.execute(QStringLiteral("INSERT INTO Shops (ShopID, ShopName) VALUES (9999, 'Late')"));
             shops << 9999; // one of every shop now
         }},
        {"a category renamed",
         [&] { db.execute(QStringLiteral("UPDATE Categories SET CatName = 'zzz' WHERE CatID = 1")); }},
        {"a product type and a shop deleted",
         [&] {
             db.execute(QStringLiteral("DELETE FROM Products WHERE ProdID = 3"));
             db.execute(QStringLiteral("DELETE FROM Shops WHERE ShopID = ?1"),
                        {engine::Value{std::int64_t{shops[1]}}});
         }},
        {"items deleted", [&] { db.execute(QStringLiteral("DELETE FROM Items WHERE ItemID % 4 = 1")); }},
        {"a change rolled back after a read inside it",
         [&] {
             db.beginTransaction();
             db.execute(QStringLiteral("UPDATE Items SET Price = 99, Quantity = 9"));
             engine::KeyList keys;
             index.select({}, keys);
             db.rollbackTransaction();
         }},
        {"another connection's commit",
         [&] {
             engine::Database other(folder.path());
             other.execute(QStringLiteral("UPDATE Items SET Brand = 'Other' WHERE ItemID % 2 = 0"));
             other.execute(QStringLiteral("UPDATE Shops SET ShopName = 'Aaa' WHERE ShopID = ?1"),
                           {engine::Value{std::int64_t{shops[2]}}});
         }},
        {"the connection closed and opened",
         [&] {
             db.close();
             db.open();
         }},
        {"Items emptied", [&] { db.emptyTable(QStringLiteral("Items")); }},
    };
    for (const auto& [what, change] : changes) {
        engine::KeyList keys;
        index.select({}, keys); // read before the change, so the index has something to follow
        change();
        expectSameAsStatement(index, what);
    }
}

// What the index cannot order as the table would, or cannot hold, makes it decline, whether it is there at
// the first read or comes as a change; the lists then read their statements.
TEST_F(ItemIndexTest, DeclinesRowsItCannotHold) {
    const std::pair<const char*, QString> odd[] = {
        {"text in a number column", QStringLiteral("UPDATE Items SET Size = 'ten' WHERE ItemID = 2")},
        {"a fraction in a whole-number column",
         QStringLiteral("UPDATE Items SET Quantity = 1.5 WHERE ItemID = 2")},
        {"an ItemID past 32 bits",
         QStringLiteral("INSERT INTO Items (ItemID, Product, Brand, Size, Price, Shop) "
                        "VALUES (1099511627776, 1, 'Big', 1, 1.0, %1)")
             .arg(shops[0])},
    };
    for (const auto& [what, sql] : odd)
        for (const bool readFirst : {false, true}) {
            data->db.beginTransaction();
            ItemIndex index(data->db);
            engine::KeyList keys;
            if (readFirst) {
                ASSERT_TRUE(index.select({}, keys)) << what;
            }
            data->db.execute(sql);
            EXPECT_FALSE(index.select({}, keys)) << what << (readFirst ? ", changed after a read" : "");
            EXPECT_TRUE(keys.empty());
            data->db.rollbackTransaction();
        }
    // All of them at once, read on the index's own thread: it declines, and its read comes to an end.
    for (const auto& [what, sql] : odd)
        data->db.execute(sql);
    ItemIndex index(data->db);
    index.prepare();
    engine::KeyList keys;
    EXPECT_FALSE(index.select({}, keys));
}

} // namespace

TEST_F(ItemIndexTest, ReadOnItsOwnThreadTakesInTheChangesMadeMeanwhile) {
    engine::Database& db = data->db;
    for (const bool otherConnection : {false, true}) {
        ItemIndex index(db);
        index.prepare();
        db.execute(QStringLiteral("UPDATE Items SET Quantity = 7, Brand = 'Meanwhile' WHERE ItemID % 3 = 0"));
        db.execute(QStringLiteral("DELETE FROM Items WHERE ItemID % 5 = 0"));
        data->addItem(1, QStringLiteral("Late"), 9, shops[0], 2.0, 1);
        if (otherConnection) {
            engine::Database other(folder.path());
            other.execute(QStringLiteral("UPDATE Items SET Price = 0.25 WHERE ItemID % 2 = 0"));
        }
        expectSameAsStatement(index,
                              otherConnection ? "read beside another connection" : "read beside changes");
    }
    // Read ahead of the database's opening, as at start-up: kept while the file stays as it was, read again
    // when another connection (or a repair) changed it before the database opened.
    for (const bool changedBeforeOpening : {false, true}) {
        db.close();
        ItemIndex index(db);
        index.readAhead();
        if (changedBeforeOpening) {
            engine::Database other(folder.path());
            other.execute(QStringLiteral("UPDATE Items SET Quantity = 9, Price = 0.5 WHERE ItemID % 2 = 1"));
            other.execute(QStringLiteral("DELETE FROM Items WHERE ItemID % 7 = 0"));
        }
        db.open();
        index.prepare();
        expectSameAsStatement(index, changedBeforeOpening ? "read ahead of a change" : "read ahead");
    }
}
