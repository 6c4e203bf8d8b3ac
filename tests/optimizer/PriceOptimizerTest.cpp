#include "PriceOptimizer.h"

#include "Database.h"
#include "EngineError.h"
#include "Money.h"
#include "Query.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// A database with one shop per name and items added by the test.
class PriceOptimizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDatabaseTables(temp.path());
        db = std::make_unique<engine::Database>(temp.path());
    }

    int append(const QString& table, const QString& idField,
               const std::function<void(engine::Table&)>& fill) {
        engine::Table t(db.get(), table);
        t.open();
        t.append();
        fill(t);
        t.post();
        return t.field(idField).asInteger();
    }
    int shop(const QString& name) {
        return append("Shops", "ShopID", [&](engine::Table& t) { t.field("ShopName").setString(name); });
    }
    int product(const QString& name, const QString& unit) {
        return append("Products", "ProdID", [&](engine::Table& t) {
            t.field("ProdName").setString(name);
            t.field("UnitOfMeasure").setString(unit);
        });
    }
    int item(int prod, const QString& brand, int size, double price, int shopId, int quantity = 0) {
        return append("Items", "ItemID", [&](engine::Table& t) {
            t.field("Product").setInteger(prod);
            t.field("Brand").setString(brand);
            t.field("Size").setInteger(size);
            t.field("Price").setFloat(price);
            t.field("Shop").setInteger(shopId);
            if (quantity > 0)
                t.field("Quantity").setInteger(quantity);
        });
    }
    std::optional<int> field(int itemId, const QString& name) {
        engine::Table t(db.get(), "Items");
        t.open();
        EXPECT_TRUE(t.findKey({engine::Value{std::int64_t{itemId}}}));
        if (t.field(name).isNull())
            return std::nullopt;
        return t.field(name).asInteger();
    }
    std::optional<int> quantity(int itemId) { return field(itemId, "Quantity"); }
    std::optional<int> undoQty(int itemId) { return field(itemId, "UndoQty"); }
    void setQuantity(int itemId, std::optional<int> q) {
        db->execute(
            "UPDATE Items SET Quantity = ?1 WHERE ItemID = ?2",
            {q ? engine::Value{std::int64_t{*q}} : engine::Value{}, engine::Value{std::int64_t{itemId}}});
    }
    OptimizeResult run(OptimizeMode mode) { return PriceOptimizer(*db).run(mode); }

    TempFolder temp;
    std::unique_ptr<engine::Database> db;
};

} // namespace

TEST_F(PriceOptimizerTest, CheapestItemsMovesTheAmountToTheLowestUnitPrice) {
    const int s = shop("Corner Market");
    const int flour = product("Flour", "g");
    const int a = item(flour, "Mill", 500, 2.50, s, 3);
    const int b = item(flour, "Bulk", 1000, 4.00, s);
    const OptimizeResult r = run(OptimizeMode::CheapestItems);

    EXPECT_EQ(r.details, (QStringList{"=== Optimized for lowest priced items ===", "",
                                      "3 x 500g Flour Mill at Corner Market", "were replaced with",
                                      "2 x 1000g Flour Bulk at Corner Market", "(adding $0.50)", "",
                                      "1 item replaced", "You spent an extra $0.50"}));
    EXPECT_EQ(r.ReplacedCount, 1);
    EXPECT_FLOAT_EQ(r.Savings, -0.5f);
    EXPECT_EQ(r.summaryMessage(), "1 item replaced\r\nYou spent an extra $0.50");
    EXPECT_EQ(quantity(a), std::nullopt);
    EXPECT_EQ(quantity(b), 2);
    EXPECT_EQ(undoQty(a), 3);
    EXPECT_EQ(undoQty(b), std::nullopt);
}

TEST_F(PriceOptimizerTest, CheapestItemsTakesTheFirstOfEquallyCheapItemsAndAddsToItsQuantity) {
    const int s1 = shop("North");
    const int s2 = shop("South");
    const int rice = product("Rice", "g");
    const int dear = item(rice, "Fine", 500, 3.00, s1, 1);
    const int first = item(rice, "Value", 1000, 4.00, s1);
    const int second = item(rice, "Value", 2000, 8.00, s2);
    const int dear2 = item(rice, "Fine", 250, 2.00, s2, 2);
    const OptimizeResult r = run(OptimizeMode::CheapestItems);

    EXPECT_EQ(quantity(first), 1 + 1); // 500 g, then 500 g more
    EXPECT_EQ(quantity(second), std::nullopt);
    EXPECT_EQ(quantity(dear), std::nullopt);
    EXPECT_EQ(quantity(dear2), std::nullopt);
    EXPECT_EQ(r.ReplacedCount, 2);
    EXPECT_EQ(r.details.mid(1, 5), (QStringList{"", "1 x 500g Rice Fine at North", "was replaced with",
                                                "1 x 1000g Rice Value at North", "(adding $1.00)"}));
    EXPECT_EQ(r.details.mid(6, 5), (QStringList{"", "2 x 250g Rice Fine at South", "were replaced with",
                                                "1 x 1000g Rice Value at North", "(saving $0.00)"}));
}

TEST_F(PriceOptimizerTest, CheapestTripReplacesEachProductByItsCheapestCover) {
    const int s1 = shop("Big Box");
    const int s2 = shop("Corner Market");
    const int eggs = product("Eggs", "pcs");
    const int x = item(eggs, "Farm", 4, 3.00, s1);
    item(eggs, "Farm", 2, 1.80, s2);
    const int z = item(eggs, "Farm", 1, 1.00, s2, 5);
    const int milk = product("Milk", "l");
    const int cheap = item(milk, "Dairy", 2, 1.50, s1);
    const int dear = item(milk, "Dairy", 2, 1.80, s2, 1);
    const OptimizeResult r = run(OptimizeMode::CheapestTrip);

    EXPECT_EQ(r.details, (QStringList{"=== Optimized for cheapest shopping list ===", "",
                                      "5 x 1pcs Eggs Farm at Corner Market", "were replaced with",
                                      "1 x 4pcs Eggs Farm at Big Box", "1 x 1pcs Eggs Farm at Corner Market",
                                      "(saving $1.00)", "", "1 x 2l Milk Dairy at Corner Market",
                                      "was replaced with", "1 x 2l Milk Dairy at Big Box", "(saving $0.30)",
                                      "", "2 items replaced", "You saved $1.30"}));
    EXPECT_EQ(quantity(x), 1);
    EXPECT_EQ(quantity(z), 1);
    EXPECT_EQ(quantity(cheap), 1);
    EXPECT_EQ(quantity(dear), std::nullopt);
    EXPECT_EQ(undoQty(z), 5);
    EXPECT_NEAR(r.Savings, 1.30f, 1e-5);
}

TEST_F(PriceOptimizerTest, CheapestTripWritesNothingWhenTheListIsAlreadyCheapest) {
    const int s = shop("Big Box");
    const int eggs = product("Eggs", "pcs");
    const int x = item(eggs, "Farm", 4, 3.00, s, 1);
    const int z = item(eggs, "Farm", 1, 1.00, s, 1);
    item(eggs, "Farm", 2, 1.80, s);
    const OptimizeResult r = run(OptimizeMode::CheapestTrip);
    EXPECT_EQ(r.details, (QStringList{"=== Optimized for cheapest shopping list ===", "", "0 items replaced",
                                      "You saved $0.00"}));
    EXPECT_EQ(quantity(x), 1);
    EXPECT_EQ(quantity(z), 1);
}

TEST_F(PriceOptimizerTest, CheapestTripNeverChoosesAnItemWithoutAPrice) {
    const int s = shop("Big Box");
    const int tea = product("Tea", "bags");
    const int free = item(tea, "Sample", 50, 0.0, s, 2);
    const int paid = item(tea, "Leaf", 20, 1.25, s);
    const OptimizeResult r = run(OptimizeMode::CheapestTrip);
    // The free item is replaced by enough paid ones to cover the same 100 bags.
    EXPECT_EQ(quantity(free), std::nullopt);
    EXPECT_EQ(quantity(paid), 5);
    EXPECT_EQ(r.savingLine, "You spent an extra $6.25");
    EXPECT_EQ(r.countLine, "1 item replaced");
}

TEST_F(PriceOptimizerTest, AnEmptyListReportsNothingReplaced) {
    const int s = shop("Big Box");
    const int tea = product("Tea", "bags");
    item(tea, "Leaf", 20, 1.25, s);
    const OptimizeResult trip = run(OptimizeMode::CheapestTrip);
    EXPECT_EQ(trip.details, (QStringList{"", "0 items replaced", "You saved $0.00"}));
    EXPECT_EQ(trip.summaryMessage(), "0 items replaced\r\nYou saved " + FormatMoney(0));
    const OptimizeResult items = run(OptimizeMode::CheapestItems);
    EXPECT_EQ(items.details, (QStringList{"=== Optimized for lowest priced items ===", "", "0 items replaced",
                                          "You saved $0.00"}));
}

TEST_F(PriceOptimizerTest, ItemsWithoutASizeOrWithANegativePriceAreLeftAlone) {
    const int s1 = shop("North");
    const int s2 = shop("South");
    const int oil = product("Oil", "ml");
    const int sizeless = item(oil, "Olive", 0, 2.00, s1, 4);
    const int negativeSize = item(oil, "Olive", -500, 2.00, s2, 1);
    const int negativePrice = item(oil, "Sun", 1000, -3.00, s1);
    const int listed = item(oil, "Sun", 500, 2.00, s2, 2);
    const int better = item(oil, "Sun", 1000, 3.00, s2);
    const int unsized = product("Bread", "");
    const int loaf = append("Items", "ItemID", [&](engine::Table& t) { // no size at all
        t.field("Product").setInteger(unsized);
        t.field("Price").setFloat(1.00);
        t.field("Shop").setInteger(s1);
        t.field("Quantity").setInteger(1);
    });
    item(unsized, "Rye", 1, 0.50, s1);

    for (OptimizeMode mode : {OptimizeMode::CheapestTrip, OptimizeMode::CheapestItems}) {
        setQuantity(listed, 2);
        setQuantity(better, std::nullopt);
        const OptimizeResult r = run(mode);
        EXPECT_EQ(quantity(sizeless), 4);
        EXPECT_EQ(quantity(negativeSize), 1);
        EXPECT_EQ(quantity(negativePrice), std::nullopt);
        EXPECT_EQ(quantity(loaf), 1);
        // The usable list item is still optimized among the usable items.
        EXPECT_EQ(quantity(listed), std::nullopt);
        EXPECT_EQ(quantity(better), 1);
        EXPECT_EQ(r.ReplacedCount, 1);
    }
}

TEST_F(PriceOptimizerTest, UndoRestoresTheListFromBeforeTheRunEvenAfterLaterEdits) {
    const int s = shop("Big Box");
    const int eggs = product("Eggs", "pcs");
    const int x = item(eggs, "Farm", 4, 3.00, s);
    const int y = item(eggs, "Farm", 2, 1.80, s, 1);
    const int z = item(eggs, "Farm", 1, 1.00, s, 5);
    run(OptimizeMode::CheapestTrip);
    ASSERT_EQ(quantity(x), 1); // 7 pieces: X + Y + Z (5.80)
    ASSERT_EQ(quantity(z), 1);
    setQuantity(x, 9);
    setQuantity(y, 3);
    UndoOptimization(*db);
    EXPECT_EQ(quantity(x), std::nullopt);
    EXPECT_EQ(quantity(y), 1);
    EXPECT_EQ(quantity(z), 5);
}

TEST_F(PriceOptimizerTest, AFailureLeavesEveryQuantityAsItWas) {
    const int s = shop("Big Box");
    const int eggs = product("Eggs", "pcs");
    const int x = item(eggs, "Farm", 4, 3.00, s);
    const int z = item(eggs, "Farm", 1, 1.00, s, 5);
    const int milk = product("Milk", "l");
    const int cheap = item(milk, "Dairy", 2, 1.50, s);
    const int dear = item(milk, "Other", 2, 1.80, s, 1);
    // The second product's rewrite fails after the first product has been rewritten.
    db->execute(QStringLiteral("CREATE TRIGGER Items.RefuseMilk BEFORE UPDATE OF Quantity ON Items "
                               "WHEN NEW.ItemID = %1 AND NEW.Quantity IS NOT NULL "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                    .arg(cheap));
    EXPECT_THROW(run(OptimizeMode::CheapestTrip), engine::EngineError);
    EXPECT_EQ(quantity(x), std::nullopt);
    EXPECT_EQ(quantity(z), 5);
    EXPECT_EQ(quantity(dear), 1);
    EXPECT_EQ(undoQty(z), std::nullopt);

    db->execute(QStringLiteral("DROP TRIGGER Items.RefuseMilk"));
    setQuantity(z, 4);
    run(OptimizeMode::CheapestTrip);
    // The undo runs as one unit as well; after it nothing is left of the run.
    UndoOptimization(*db);
    EXPECT_EQ(quantity(z), 4);
    EXPECT_EQ(quantity(x), std::nullopt);
    EXPECT_EQ(quantity(cheap), std::nullopt);
}

TEST(Money, TwoDecimalsInTheLocaleCurrencyFormat) {
    EXPECT_EQ(FormatMoney(0), "$0.00");
    EXPECT_EQ(FormatMoney(-0.0), "$0.00");
    EXPECT_EQ(FormatMoney(0.5f), "$0.50");
    EXPECT_EQ(FormatMoney(0.49999997f), "$0.50");
    EXPECT_EQ(FormatMoney(1234.5), "$1,234.50");
}
