#include "LargeDatabase.h"
#include "RawConnection.h"

#include "EngineError.h"
#include "Helpers.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

namespace {

LargeDatabase::Options smallOptions() {
    LargeDatabase::Options o;
    o.shops = 6;
    o.categories = 40;
    o.products = 300;
    o.items = 3000;
    o.minAislesPerShop = 10;
    o.maxAislesPerShop = 25;
    return o;
}

// Every row of every table as text, in row-id order.
std::string dump(RawConnection& raw) {
    std::string out;
    for (const char* table : {"Categories", "Products", "Items", "Shops", "Aisles"}) {
        const std::string sql =
            std::string("SELECT * FROM \"") + table + "\".\"" + table + "\" ORDER BY rowid";
        RawStatement s(raw, sql.c_str());
        while (s.step()) {
            for (int i = 0; i < sqlite3_column_count(s.handle()); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s.handle(), i));
                out += text ? text : "<null>";
                out += '|';
            }
            out += '\n';
        }
    }
    return out;
}

TEST(LargeDatabase, WritesTheAskedRowsWithSoundKeysAndReferences) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const LargeDatabase::Options o = smallOptions();
    const LargeDatabase::Summary s = LargeDatabase(o).generate(dir.path());
    RawConnection raw(dir.path());

    EXPECT_EQ(s.items, o.items);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Shops.Shops"), o.shops);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Categories.Categories"), o.categories);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Products.Products"), o.products);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Items.Items"), o.items);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Aisles.Aisles"), s.aisles);

    // The Items key never repeats, brands compared without regard to case and empty parts as equal.
    EXPECT_EQ(
        raw.scalar(
            "SELECT COUNT(*) FROM (SELECT 1 FROM Items.Items GROUP BY Product, Brand COLLATE \"G0_CI\", "
            "Size, Shop HAVING COUNT(*) > 1)"),
        0);
    // Every id refers to an existing row.
    EXPECT_EQ(
        raw.scalar(
            "SELECT COUNT(*) FROM Items.Items WHERE Product NOT IN (SELECT ProdID FROM Products.Products) "
            "OR Shop NOT IN (SELECT ShopID FROM Shops.Shops)"),
        0);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Products.Products WHERE Category NOT IN "
                         "(SELECT CatID FROM Categories.Categories)"),
              0);
    EXPECT_EQ(
        raw.scalar(
            "SELECT COUNT(*) FROM Aisles.Aisles WHERE Category NOT IN "
            "(SELECT CatID FROM Categories.Categories) OR Shop NOT IN (SELECT ShopID FROM Shops.Shops)"),
        0);

    // Roughly a tenth without brand, some without size, about 15 % on the list; the summary tells the truth.
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Items.Items WHERE Brand IS NULL"), s.itemsWithoutBrand);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Items.Items WHERE Size IS NULL"), s.itemsWithoutSize);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Items.Items WHERE Quantity IS NOT NULL"), s.itemsOnList);
    EXPECT_GT(s.itemsWithoutBrand, o.items / 20);
    EXPECT_LT(s.itemsWithoutBrand, o.items / 6);
    EXPECT_GT(s.itemsOnList, o.items / 10);
    EXPECT_LT(s.itemsOnList, o.items / 5);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Items.Items WHERE Quantity < 1 OR UndoQty IS NOT NULL"), 0);

    // Prices are positive and already rounded to cents.
    RawStatement prices(raw, "SELECT Price FROM Items.Items");
    int unrounded = 0;
    while (prices.step()) {
        const double p = sqlite3_column_double(prices.handle(), 0);
        if (p <= 0 || static_cast<double>(RoundPrice(p)) != p)
            ++unrounded;
    }
    EXPECT_EQ(unrounded, 0);

    // Each shop walks within the asked number of aisles, numbered 100, 110, ... in walking order, with
    // rectangles on the 20-pixel grid or not placed.
    EXPECT_EQ(
        raw.scalar("SELECT COUNT(*) FROM (SELECT Shop FROM Aisles.Aisles GROUP BY Shop "
                   "HAVING COUNT(*) < 10 OR COUNT(*) > 25 OR MIN(Sequence) <> 100 "
                   "OR MAX(Sequence) <> 100 + 10 * (COUNT(*) - 1) OR COUNT(DISTINCT Sequence) <> COUNT(*))"),
        0);
    EXPECT_EQ(raw.scalar("SELECT COUNT(DISTINCT Shop) FROM Aisles.Aisles"), o.shops);
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Aisles.Aisles WHERE RectLeft <> -1 AND (RectLeft % 20 <> 0 OR "
                         "RectTop % 20 <> 0 OR RectRight % 20 <> 0 OR RectBottom % 20 <> 0 OR "
                         "RectRight <= RectLeft OR RectBottom <= RectTop)"),
              0);
    EXPECT_GT(raw.scalar("SELECT COUNT(*) FROM Aisles.Aisles WHERE RectLeft = -1"), 0);

    // Names are unique without regard to case.
    EXPECT_EQ(raw.scalar("SELECT COUNT(DISTINCT ProdName COLLATE \"G0_CI\") FROM Products.Products"),
              o.products);
    EXPECT_EQ(raw.scalar("SELECT COUNT(DISTINCT ShopName COLLATE \"G0_CI\") FROM Shops.Shops"), o.shops);
    EXPECT_GT(LargeDatabase::databaseSize(dir.path()), 0);
}

TEST(LargeDatabase, SameSeedGivesTheSameRowsAndAnotherSeedOthers) {
    QTemporaryDir a, b, c;
    ASSERT_TRUE(a.isValid() && b.isValid() && c.isValid());
    LargeDatabase::Options o = smallOptions();
    LargeDatabase(o).generate(a.path());
    LargeDatabase(o).generate(b.path());
    o.seed += 1;
    LargeDatabase(o).generate(c.path());
    RawConnection ra(a.path()), rb(b.path()), rc(c.path());
    const std::string first = dump(ra);
    EXPECT_EQ(first, dump(rb));
    EXPECT_NE(first, dump(rc));
}

TEST(LargeDatabase, RefusesImpossibleRequestsInsteadOfLoopingOrOverwriting) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    LargeDatabase::Options o = smallOptions();
    o.items = 100;
    LargeDatabase(o).generate(dir.path());
    // A folder that already holds the tables is left as it is.
    EXPECT_THROW(LargeDatabase(o).generate(dir.path()), engine::EngineError);
    RawConnection raw(dir.path());
    EXPECT_EQ(raw.scalar("SELECT COUNT(*) FROM Items.Items"), 100);

    // One product in one shop has only about 2,400 distinct keys.
    QTemporaryDir tight;
    ASSERT_TRUE(tight.isValid());
    o.products = 1;
    o.shops = 1;
    o.items = 10000;
    try {
        LargeDatabase(o).generate(tight.path());
        ADD_FAILURE() << "generated more items than there are distinct keys";
    } catch (const engine::EngineError& e) {
        ADD_FAILURE() << "a table layer error instead of the generator's own: " << e.what();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("distinct item keys"), std::string::npos);
    }
}

} // namespace
