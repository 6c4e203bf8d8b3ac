#include "ListTestDatabase.h"

#include "ListEntryCheck.h"
#include "ListTotals.h"
#include "Query.h"
#include "ShoppingList.h"
#include "ShoppingQuery.h"

#include <gtest/gtest.h>

#include <QLocale>

using engine::Value;

namespace {

std::optional<std::int64_t> asWhole(const Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    return std::nullopt;
}

double asReal(const Value& v) {
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    return -999;
}

} // namespace

TEST(ShoppingQueryText, IdListOrderFilterAndSortClauses) {
    EXPECT_EQ(ShoppingQuery::shopIdList({9, 2, 4}), QStringLiteral("9,2,4"));
    EXPECT_EQ(ShoppingQuery::shopIdList({}), QStringLiteral("-1"));

    const QStringList all = ShoppingQuery::text({9, 2, 4}, true, ShoppingQuery::CategoryColumn);
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[0], QStringLiteral("SELECT *"));
    EXPECT_EQ(all[1], QStringLiteral("FROM Items I, Products P, Categories C, Shops S"));
    EXPECT_EQ(all[2], QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID) AND (P.Category = "
                                     "C.CatID) AND (I.Shop IN (9,2,4))"));
    EXPECT_EQ(all[3], QStringLiteral("ORDER BY CatName, ProdName"));
    EXPECT_TRUE(ShoppingQuery::text({}, false, 0)[2].endsWith(
        QStringLiteral("(I.Shop IN (-1)) AND (I.Quantity IS NOT NULL)")));

    const QStringList orders = {"ORDER BY Quantity",           "ORDER BY ProdName",
                                "ORDER BY Brand, ProdName",    "ORDER BY Size",
                                "ORDER BY UnitOfMeasure",      "ORDER BY Price",
                                "ORDER BY ShopName, ProdName", "ORDER BY CatName, ProdName"};
    for (int c = 0; c < ShoppingQuery::ColumnCount; ++c)
        EXPECT_EQ(ShoppingQuery::orderClause(c), orders[c]) << c;
    // A stored sort column outside the grid means Category.
    EXPECT_EQ(ShoppingQuery::orderClause(8), orders[7]);
    EXPECT_EQ(ShoppingQuery::orderClause(-1), orders[7]);
}

TEST(ListEntryCheckTest, QuantitiesMustBeWholeAndNotNegative) {
    auto r = ListEntryCheck::check(ListEditMode::Quantity, QStringLiteral(" 3 "));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(asWhole(r.value), 3);
    for (const char* empty : {"0", "", "  ", "+0", "-0"}) {
        r = ListEntryCheck::check(ListEditMode::Quantity, QLatin1String(empty));
        EXPECT_TRUE(r.ok) << empty;
        EXPECT_TRUE(engine::isNull(r.value)) << empty;
    }
    r = ListEntryCheck::check(ListEditMode::Quantity, QStringLiteral("-2"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, QStringLiteral("Quantity -2 is invalid."));
    for (const char* bad : {"2.5", "1e2", "abc", "3-", "99999999999"})
        EXPECT_FALSE(ListEntryCheck::check(ListEditMode::Quantity, QLatin1String(bad)).ok) << bad;
    // Kept exactly, where a float would have made 16777216 of it.
    EXPECT_EQ(asWhole(ListEntryCheck::check(ListEditMode::Quantity, QStringLiteral("16777217")).value),
              16777217);
}

TEST(ListEntryCheckTest, PricesAreRoundedToCentsInTheLocalesForm) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_FLOAT_EQ(asReal(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("2.5"), us).value), 2.5);
    EXPECT_EQ(asReal(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("1.005"), us).value),
              static_cast<double>(1.0f));
    EXPECT_EQ(asReal(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("0.125"), us).value),
              static_cast<double>(0.12f));
    EXPECT_EQ(asReal(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("1e1"), us).value), 10.0);
    const auto empty = ListEntryCheck::check(ListEditMode::Price, QString(), us);
    ASSERT_TRUE(empty.ok);
    EXPECT_EQ(asReal(empty.value), 0.0);

    const auto negative = ListEntryCheck::check(ListEditMode::Price, QStringLiteral("-1"), us);
    EXPECT_FALSE(negative.ok);
    EXPECT_EQ(negative.message, QStringLiteral("Price -1 is invalid."));
    // Group separators are refused, never dropped, as on the Items page.
    const auto grouped = ListEntryCheck::check(ListEditMode::Price, QStringLiteral("2,5"), us);
    EXPECT_FALSE(grouped.ok);
    EXPECT_EQ(grouped.message, QStringLiteral("Price 2,5 is invalid."));
    EXPECT_FALSE(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("1,000.5"), us).ok);
    EXPECT_FALSE(ListEntryCheck::check(ListEditMode::Quantity, QStringLiteral("1,000"), us).ok);

    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_FLOAT_EQ(asReal(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("2,5"), german).value),
                    2.5);
    EXPECT_FALSE(ListEntryCheck::check(ListEditMode::Price, QStringLiteral("2.5"), german).ok);
    // The stored value's text reads back in the same locale.
    EXPECT_EQ(ListEntryCheck::valueText(Value{2.5}, german), QStringLiteral("2,5"));
    EXPECT_EQ(ListEntryCheck::valueText(Value{1234.5}, us), QStringLiteral("1234.5"));

    EXPECT_TRUE(ListEntryCheck::acceptsCharacter(ListEditMode::Price, QLatin1Char('e'), us));
    EXPECT_TRUE(ListEntryCheck::acceptsCharacter(ListEditMode::Price, QLatin1Char('.'), us));
    // Separators reach the check, so that it can refuse them with its message.
    EXPECT_TRUE(ListEntryCheck::acceptsCharacter(ListEditMode::Price, QLatin1Char(','), us));
    EXPECT_TRUE(ListEntryCheck::acceptsCharacter(ListEditMode::Price, QLatin1Char(','), german));
    EXPECT_TRUE(ListEntryCheck::acceptsCharacter(ListEditMode::Quantity, QLatin1Char('.'), us));
    EXPECT_FALSE(ListEntryCheck::acceptsCharacter(ListEditMode::Quantity, QLatin1Char('e'), us));
    EXPECT_FALSE(ListEntryCheck::acceptsCharacter(ListEditMode::Quantity, QLatin1Char('x'), us));
    EXPECT_TRUE(ListEntryCheck::acceptsCharacter(ListEditMode::Quantity, QLatin1Char('-'), us));
}

TEST(ListTotalsTest, CurrencyTextUsesTheLocale) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ListTotals::currencyText(3.75f, us), QStringLiteral("$3.75"));
    EXPECT_EQ(ListTotals::currencyText(0.0f, us), QStringLiteral("$0.00"));
    EXPECT_EQ(ListTotals::currencyText(1234.5f, us), QStringLiteral("$1,234.50"));
    // No more digits than a float holds.
    EXPECT_EQ(ListTotals::currencyText(123456.78f, us), QStringLiteral("$123,456.80"));
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ListTotals::currencyText(3.75f, german), QStringLiteral("3,75\u00a0\u20ac"));
}

class ShoppingListTest : public ::testing::Test {
protected:
    ShoppingListTest()
        : data(temp.path()), query(&data.db), items(&data.db, QStringLiteral("Items")),
          list(data.db, query, items) {
        InstallPriceRounding(items);
        list.onInvalidEntry = [this](const QString& text) { warnings << text; };
        dairy = data.addCategory(QStringLiteral("Dairy"));
        bakery = data.addCategory(QStringLiteral("Bakery"));
        corner = data.addShop(QStringLiteral("Corner Market"));
        big = data.addShop(QStringLiteral("Big Store"));
        milk = data.addProduct(QStringLiteral("Milk"), dairy, QStringLiteral("ml"));
        bread = data.addProduct(QStringLiteral("Bread"), bakery);
        cheese = data.addProduct(QStringLiteral("Cheese"), dairy);
        milkItem = data.addItem(milk, QStringLiteral("Acme"), 1000, corner, 1.25, 3);
        breadItem = data.addItem(bread, QStringLiteral("Zed"), 500, corner, std::nullopt, 2);
        cheeseItem = data.addItem(cheese, QStringLiteral("Brie"), 200, corner, 4.10);
        bigMilk = data.addItem(milk, QStringLiteral("Acme"), 1000, big, 1.10, 1);
    }

    void show(const QList<int>& shops, bool allItems = true, int sort = ShoppingQuery::CategoryColumn) {
        list.RebuildShoppingQuery(shops, allItems, sort);
        list.RefreshShoppingQuery(0);
    }

    QList<int> listedIds() {
        QList<int> ids;
        const int c = query.fieldIndex(QStringLiteral("ItemID"));
        for (int r = 0; r < query.recordCount(); ++r)
            ids << static_cast<int>(*asWhole(query.valueAt(r, c)));
        return ids;
    }

    // Types text into the mode's field of the list row of the item and posts it, as the grid does.
    void enter(int itemId, const QString& text) {
        ASSERT_TRUE(moveToItem(itemId));
        query.edit();
        query.field(ListEntryCheck::fieldName(list.mode())).setString(text);
        query.post();
    }

    bool moveToItem(int itemId) {
        const int index = listedIds().indexOf(itemId);
        if (index < 0)
            return false;
        query.moveTo(index);
        return true;
    }

    TempFolder temp;
    ListTestDatabase data;
    engine::Query query;
    engine::Table items;
    ShoppingList list;
    QStringList warnings;
    int dairy = 0, bakery = 0, corner = 0, big = 0, milk = 0, bread = 0, cheese = 0;
    int milkItem = 0, breadItem = 0, cheeseItem = 0, bigMilk = 0;
};

TEST_F(ShoppingListTest, RefreshCountsItemsWithAQuantityAndPricesThem) {
    show({corner});
    EXPECT_EQ(listedIds(), (QList<int>{breadItem, cheeseItem, milkItem}));
    EXPECT_EQ(list.totals().itemCount(), 2); // 3 x 1.25 and 2 without a price
    EXPECT_EQ(list.totals().itemsText(), QStringLiteral("Items: 2"));
    EXPECT_EQ(list.totals().costText(), QStringLiteral("Total cost: $3.75"));

    show({corner, big});
    EXPECT_EQ(list.totals().itemCount(), 3);
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 4.85f);

    show({});
    EXPECT_EQ(query.recordCount(), 0);
    EXPECT_EQ(list.totals().costText(), QStringLiteral("Total cost: $0.00"));

    // Only items with a quantity, and the cursor returns to the item asked for.
    list.RebuildShoppingQuery({corner}, false, ShoppingQuery::CategoryColumn);
    list.RefreshShoppingQuery(milkItem);
    EXPECT_EQ(listedIds(), (QList<int>{breadItem, milkItem}));
    EXPECT_EQ(list.currentItemId(), milkItem);
    list.RefreshShoppingQuery(cheeseItem); // not listed: first row
    EXPECT_EQ(list.currentItemId(), breadItem);
}

TEST_F(ShoppingListTest, SortsByEachColumnWithProductNameSecond) {
    const int crackers = data.addProduct(QStringLiteral("Crackers"), bakery);
    const int brieTwo = data.addItem(crackers, QStringLiteral("Brie"), 100, big, 0.5);
    const QList<int> both = {corner, big};
    show(both, true, ShoppingQuery::QtyColumn);
    // Empty quantities first, then 1, 2, 3.
    EXPECT_EQ(listedIds().mid(2), (QList<int>{bigMilk, breadItem, milkItem}));
    show(both, true, ShoppingQuery::BrandColumn);
    EXPECT_EQ(listedIds().mid(2), (QList<int>{cheeseItem, brieTwo, breadItem})); // Brie: Cheese, Crackers
    show(both, true, ShoppingQuery::ProductColumn);
    EXPECT_EQ(listedIds().mid(0, 3), (QList<int>{breadItem, cheeseItem, brieTwo}));
    show(both, true, ShoppingQuery::ShopColumn);
    EXPECT_EQ(listedIds(), (QList<int>{brieTwo, bigMilk, breadItem, cheeseItem, milkItem}));
    show(both, true, ShoppingQuery::CategoryColumn);
    EXPECT_EQ(listedIds().mid(0, 3), (QList<int>{breadItem, brieTwo, cheeseItem}));
    show(both, true, ShoppingQuery::PriceColumn);
    EXPECT_EQ(listedIds().first(), breadItem); // no price sorts first
    EXPECT_EQ(listedIds().last(), cheeseItem);
    for (int c = 0; c < ShoppingQuery::ColumnCount; ++c) {
        show(both, true, c);
        EXPECT_EQ(query.recordCount(), 5) << c;
    }
}

TEST_F(ShoppingListTest, QuantityEntriesWriteThroughAndMoveTheTotals) {
    show({corner});
    enter(milkItem, QStringLiteral("0"));
    EXPECT_TRUE(engine::isNull(data.itemValue(milkItem, QStringLiteral("Quantity"))));
    EXPECT_EQ(list.totals().itemCount(), 1);
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 0.0f);
    EXPECT_EQ(listedIds().size(), 3); // the row stays until the next refresh

    enter(cheeseItem, QStringLiteral(" 2 "));
    EXPECT_EQ(asWhole(data.itemValue(cheeseItem, QStringLiteral("Quantity"))), 2);
    EXPECT_EQ(list.totals().itemCount(), 2);
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 8.2f);

    enter(cheeseItem, QString()); // an emptied cell takes it off the list
    EXPECT_TRUE(engine::isNull(data.itemValue(cheeseItem, QStringLiteral("Quantity"))));
    EXPECT_EQ(list.totals().itemCount(), 1);

    // The running totals agree with a fresh count.
    enter(milkItem, QStringLiteral("4"));
    const ListTotals running = list.totals();
    list.RefreshShoppingQuery(0);
    EXPECT_EQ(running.itemCount(), list.totals().itemCount());
    EXPECT_EQ(running.totalCost(), list.totals().totalCost());

    enter(milkItem, QStringLiteral("-2"));
    EXPECT_EQ(warnings, QStringList{QStringLiteral("Quantity -2 is invalid.")});
    EXPECT_EQ(asWhole(data.itemValue(milkItem, QStringLiteral("Quantity"))), 4);
    EXPECT_EQ(asWhole(query.field(QStringLiteral("Quantity")).value()), 4);
    EXPECT_EQ(query.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(list.totals().itemCount(), running.itemCount());
}

TEST_F(ShoppingListTest, PriceEntriesAreRoundedAndOnlyCountedForListedItems) {
    list.setMode(ListEditMode::Price);
    show({corner});
    enter(cheeseItem, QStringLiteral("2.5")); // no quantity: totals unchanged
    EXPECT_EQ(asReal(data.itemValue(cheeseItem, QStringLiteral("Price"))), 2.5);
    EXPECT_EQ(list.totals().itemCount(), 2);
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 3.75f);

    enter(milkItem, QStringLiteral("1.005"));
    EXPECT_EQ(asReal(data.itemValue(milkItem, QStringLiteral("Price"))), static_cast<double>(1.0f));
    EXPECT_EQ(asReal(query.field(QStringLiteral("Price")).value()), static_cast<double>(1.0f));
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 3.0f);
    EXPECT_EQ(list.totals().itemCount(), 2);

    enter(breadItem, QStringLiteral("0.375"));
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 3.76f);

    enter(milkItem, QStringLiteral("-1"));
    EXPECT_EQ(warnings, QStringList{QStringLiteral("Price -1 is invalid.")});
    EXPECT_EQ(asReal(data.itemValue(milkItem, QStringLiteral("Price"))), static_cast<double>(1.0f));

    enter(breadItem, QString()); // empty price is 0
    EXPECT_EQ(asReal(data.itemValue(breadItem, QStringLiteral("Price"))), 0.0);
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 3.0f);
}

TEST_F(ShoppingListTest, UnconvertibleTextIsRefusedByTheFieldAndNothingPosts) {
    show({corner});
    ASSERT_TRUE(moveToItem(milkItem));
    query.edit();
    try {
        query.field(QStringLiteral("Quantity")).setString(QStringLiteral("3-"));
        FAIL() << "no conversion error";
    } catch (const engine::EngineError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("'3-' is not a valid integer value for field 'Quantity'"));
    }
    query.cancel();
    EXPECT_EQ(asWhole(data.itemValue(milkItem, QStringLiteral("Quantity"))), 3);
}

TEST_F(ShoppingListTest, AnItemDeletedMeanwhileIsNotWrittenAndNewRowsAreDropped) {
    show({corner});
    data.deleteItem(milkItem);
    enter(milkItem, QStringLiteral("7"));
    EXPECT_EQ(list.totals().itemCount(), 2);
    EXPECT_FLOAT_EQ(list.totals().totalCost(), 3.75f);
    EXPECT_TRUE(engine::isNull(data.itemValue(milkItem, QStringLiteral("ItemID"))));

    const int rows = query.recordCount();
    query.append();
    EXPECT_EQ(query.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(query.recordCount(), rows);

    // The Items object is left as it was found: closed and unfiltered.
    EXPECT_FALSE(items.isOpen());
    EXPECT_FALSE(items.filtered());
}

TEST_F(ShoppingListTest, ClearingTouchesOnlyTheListedItems) {
    show({corner});
    ASSERT_TRUE(moveToItem(milkItem));
    EXPECT_EQ(list.clearQuantities(), 2);
    EXPECT_TRUE(engine::isNull(data.itemValue(milkItem, QStringLiteral("Quantity"))));
    EXPECT_TRUE(engine::isNull(data.itemValue(breadItem, QStringLiteral("Quantity"))));
    EXPECT_EQ(asWhole(data.itemValue(bigMilk, QStringLiteral("Quantity"))), 1); // other shop
    EXPECT_EQ(list.totals().itemCount(), 0);
    EXPECT_EQ(list.currentItemId(), milkItem);
    EXPECT_FALSE(data.db.inTransaction());
}
