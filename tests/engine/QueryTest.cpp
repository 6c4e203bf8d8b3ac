#include "EngineTestSupport.h"

using engine::Query;
using engine::Table;

namespace {

const QStringList kJoin = {
    QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
    QStringLiteral("WHERE I.Product = P.ProdID AND I.Shop = S.ShopID AND P.Category = C.CatID")};

} // namespace

class QueryTest : public EngineTest {
protected:
    void SetUp() override {
        dairy = addCategory(QStringLiteral("Dairy"));
        bakery = addCategory(QStringLiteral("Bakery"));
        shopA = addShop(QStringLiteral("Corner Market"));
        shopB = addShop(QStringLiteral("Big Store"));
        milk = addProduct(QStringLiteral("Milk"), dairy);
        bread = addProduct(QStringLiteral("Bread"), bakery);
        Table items(&db, QStringLiteral("Items"));
        items.open();
        addItem(items, milk, QStringLiteral("Acme"), 1000, shopA, 1.25);
        addItem(items, milk, QStringLiteral("Acme"), 1000, shopB, 1.10);
        addItem(items, bread, QString(), -1, shopA, 2.00);
        items.first();
        items.edit();
        items.field(QStringLiteral("Quantity")).setInteger(3);
        items.post();
    }

    int dairy = 0, bakery = 0, shopA = 0, shopB = 0, milk = 0, bread = 0;
};

TEST_F(QueryTest, SelectStarOverTheFourTableJoinGivesEachColumnOnce) {
    Query q(&db);
    q.setSql(kJoin + QStringList{QStringLiteral("ORDER BY CatName, ProdName")});
    q.open();
    QStringList names;
    for (int i = 0; i < q.fieldCount(); ++i)
        names << q.column(i).name;
    EXPECT_EQ(names, (QStringList{"ItemID", "Product", "Brand", "Size", "Price", "Shop", "Quantity",
                                  "UndoQty", "ProdID", "ProdName", "UnitOfMeasure", "Category", "CatID",
                                  "CatName", "ShopID", "ShopName", "Address", "Phone"}));
    EXPECT_EQ(q.recordCount(), 3);
    EXPECT_EQ(q.field(QStringLiteral("CatName")).asString(), QStringLiteral("Bakery"));
    EXPECT_EQ(q.field(QStringLiteral("shopname")).asString(), QStringLiteral("Corner Market"));
}

TEST_F(QueryTest, TheSqlSubsetWorks) {
    Query q(&db);
    q.setSql(QStringList{
        QStringLiteral("SELECT DISTINCT P.ProdName, C.CatName"),
        QStringLiteral("FROM Items I, Products P, Categories C"),
        QStringLiteral("WHERE (I.Product = P.ProdID AND P.Category = C.CatID)"),
        QStringLiteral("AND I.Shop IN (%1,%2) AND I.Price > 1 AND I.Brand IS NOT NULL").arg(shopA).arg(shopB),
        QStringLiteral("ORDER BY C.CatName DESC, P.ProdName")});
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.field(QStringLiteral("ProdName")).asString(), QStringLiteral("Milk"));

    q.setSql(QStringList{QStringLiteral("SELECT * FROM Items WHERE Quantity > 0 AND Shop = %1").arg(shopA)});
    q.open();
    EXPECT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.field(QStringLiteral("Quantity")).asInteger(), 3);

    q.setSql(QStringList{QStringLiteral("SELECT * FROM Aisles A WHERE A.Shop = 1")});
    q.open();
    EXPECT_TRUE(q.isEmpty());
    EXPECT_TRUE(q.eof());

    q.setSql(QStringList{QStringLiteral("SELECT ShopName FROM Shops ORDER BY ShopName DESC")});
    q.open();
    EXPECT_EQ(q.field(QStringLiteral("ShopName")).asString(), QStringLiteral("Corner Market"));
}

TEST_F(QueryTest, EditsChangeTheResultOnlyAndRunTheHook) {
    Query q(&db);
    q.setSql(kJoin + QStringList{QStringLiteral("ORDER BY ItemID")});
    int hookRuns = 0;
    q.setBeforePost([&](engine::DataSet&) { ++hookRuns; });
    q.open();
    q.edit();
    q.field(QStringLiteral("Quantity")).setString(QStringLiteral("7"));
    EXPECT_THROW(q.field(QStringLiteral("Price")).setString(QStringLiteral("x")), engine::EngineError);
    q.post();
    EXPECT_EQ(hookRuns, 1);
    EXPECT_EQ(q.field(QStringLiteral("Quantity")).asInteger(), 7);
    q.next();
    q.first();
    EXPECT_EQ(q.field(QStringLiteral("Quantity")).asInteger(), 7) << "the result keeps the edit";

    Query check(&db);
    check.setSql(QStringLiteral("SELECT Quantity FROM Items WHERE ItemID = 1"));
    check.open();
    EXPECT_EQ(check.field(QStringLiteral("Quantity")).asInteger(), 3) << "the table is untouched";
}

TEST_F(QueryTest, StatementsOutsideTheSubsetAreEngineErrors) {
    Query q(&db);
    for (const QString& sql :
         {QStringLiteral("DELETE FROM Items"), QStringLiteral("UPDATE Items SET Quantity = 1"),
          QStringLiteral("SELECT * FROM Items; DELETE FROM Items"), QStringLiteral("SELECT * FROM Nowhere"),
          QStringLiteral("SELECT FROM WHERE"), QStringLiteral("PRAGMA table_info(Items)")}) {
        q.setSql(sql);
        QString message;
        EXPECT_NE(errorCode([&] { q.open(); }, &message), 0) << sql.toStdString();
        EXPECT_FALSE(message.isEmpty());
        EXPECT_FALSE(q.isOpen());
    }
    EXPECT_EQ(countRows(QStringLiteral("Items")), 3);
}

TEST_F(QueryTest, WholeNumbersBeyondAnIntAreRefusedNotCut) {
    Query q(&db);
    q.setSql(
        QStringLiteral("SELECT 2147483647, -2147483648, 2147483647.4, 2147483648, -2147483649, 1e308 * 10, "
                       "-1e300, 4294967296.0, '8589934592', ' 42 '"));
    q.open();
    EXPECT_EQ(q.field(0).asInteger(), 2147483647);
    EXPECT_EQ(q.field(1).asInteger(), -2147483647 - 1);
    EXPECT_EQ(q.field(2).asInteger(), 2147483647);
    for (int i = 3; i <= 8; ++i)
        EXPECT_EQ(errorCode([&] { q.field(i).asInteger(); }), engine::ConversionFailed) << "column " << i;
    EXPECT_EQ(q.field(9).asInteger(), 42);
}
