#include "FaultInjection.h"
#include "EngineTestSupport.h"

using engine::FaultInjection;

namespace {
struct Disarm {
    ~Disarm() { FaultInjection::disarm(); }
};
} // namespace

TEST_F(EngineTest, InjectedFaultsFailTheArmedStatementsAndLeaveTheRowsAsTheyWere) {
    Disarm disarm;
    const int shop = addShop(QStringLiteral("Corner"));
    const int cat = addCategory(QStringLiteral("Dairy"));

    // The next statement fails, the one after it runs again.
    FaultInjection::failNextStatements(1);
    try {
        addCategory(QStringLiteral("Bakery"));
        FAIL() << "the armed statement ran";
    } catch (const engine::EngineError& e) {
        EXPECT_EQ(e.message(), FaultInjection::message());
    }
    EXPECT_EQ(FaultInjection::failures(), 1);
    EXPECT_FALSE(FaultInjection::armed());
    EXPECT_GT(addCategory(QStringLiteral("Bakery")), cat);

    // Statements naming one table fail; the others run.
    FaultInjection::failTable(QStringLiteral("Shops"));
    engine::Table shops(&db, QStringLiteral("Shops"));
    EXPECT_THROW(shops.open(), engine::EngineError);
    EXPECT_GT(addCategory(QStringLiteral("Frozen")), cat);
    engine::Query q(&db);
    q.setSql({QStringLiteral("SELECT ShopName FROM Shops")});
    EXPECT_THROW(q.open(), engine::EngineError);

    EXPECT_THROW(addShop(QStringLiteral("Market")), engine::EngineError);

    // Nothing of the refused writes reached the files.
    FaultInjection::disarm();
    shops.open();
    ASSERT_EQ(shops.recordCount(), 1);
    EXPECT_EQ(shops.field(QStringLiteral("ShopID")).asInteger(), shop);
    engine::Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    EXPECT_EQ(cats.recordCount(), 3);
}
