#include "PriceFormReport.h"

#include "Database.h"
#include "Query.h"
#include "RecordingCanvas.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace reports;

namespace {

// The recording canvas measures 6 dots a character and 12 high, so: line height 14, lines at 14 n + 56,
// rules 1 dot above them, margin 24, h 3, product names at 27, decimal room 18.
const std::vector<PriceFormShop> kShops{{1, "Aldi"}, {2, "Coop"}, {3, "Lidl"}};
const std::vector<PriceFormItem> kItems{{1, "Apples", 1, 1.50f, "1kg"},  {1, "Apples", 1, 0.00f, "2kg"},
                                        {1, "Apples", 1, 1.20f, "3kg"},  {1, "Apples", 2, 0.00f, "500g"},
                                        {1, "Apples", 2, 1.25f, "6pc"},  {1, "Apples", 3, 0.00f, "1kg"},
                                        {2, "Bread", 2, 12.25f, "800g"}, {2, "Bread", 9, 1.00f, "x"}};

using Args = QList<int>;

// The calls between page breaks.
QList<QList<RecordingCanvas::Call>> pages(const RecordingCanvas& c) {
    QList<QList<RecordingCanvas::Call>> out{{}};
    for (const auto& call : c.calls) {
        if (call.op == QLatin1String("newPage"))
            out.append(QList<RecordingCanvas::Call>());
        else
            out.back().append(call);
    }
    return out;
}

QList<RecordingCanvas::Call> only(const QList<RecordingCanvas::Call>& calls, const QString& op) {
    QList<RecordingCanvas::Call> out;
    for (const auto& c : calls)
        if (c.op == op)
            out << c;
    return out;
}

QStringList texts(const QList<RecordingCanvas::Call>& calls) {
    QStringList out;
    for (const auto& c : calls)
        if (c.op == QLatin1String("text") || c.op == QLatin1String("textRect"))
            out << c.text;
    return out;
}

// The text calls as "text@x,y".
QStringList placed(const QList<RecordingCanvas::Call>& calls) {
    QStringList out;
    for (const auto& c : calls)
        if (c.op == QLatin1String("text") || c.op == QLatin1String("textRect"))
            out << QStringLiteral("%1@%2,%3").arg(c.text).arg(c.args[0]).arg(c.args[1]);
    return out;
}

QList<Args> lines(const QList<RecordingCanvas::Call>& calls) {
    QList<Args> out;
    for (const auto& c : only(calls, QStringLiteral("line")))
        out << c.args;
    return out;
}

} // namespace

TEST(PriceFormGeometry, ColumnsFollowTheWidestTexts) {
    RecordingCanvas canvas;
    const PriceFormGeometry g = measurePriceForm(canvas, kShops, kItems, 250);
    EXPECT_EQ(g.lineHeight, 14);
    EXPECT_EQ(g.margin, 24);
    EXPECT_EQ(g.h, 3);
    EXPECT_EQ(g.productX, 27);
    EXPECT_EQ(g.firstColumnX, 66);  // "Apples" 36 + 27 + 3
    EXPECT_EQ(g.integerRoom, 15);   // "12" 12 + 3
    EXPECT_EQ(g.decimalRoom, 18);   // "99" 12 + 6
    EXPECT_EQ(g.columnWidth, 63);   // "800g" 24 + "12.25" 30 + 9
    EXPECT_EQ(g.columnsPerPage, 2); // (250 - 24 - 66) div 63
    EXPECT_EQ(g.columnX(0), 66);
    EXPECT_EQ(g.columnX(1), 129);
    EXPECT_EQ(g.columnX(2), 66); // a new group starts again at the first column

    // A long shop name widens every column; a wide page holds no more columns than there are shops.
    std::vector<PriceFormShop> shops = kShops;
    shops[1].name = "Cooperative Stores";
    const PriceFormGeometry wide = measurePriceForm(canvas, shops, kItems, 5000);
    EXPECT_EQ(wide.columnWidth, 18 * 6 + 6);
    EXPECT_EQ(wide.columnsPerPage, 3);
}

TEST(PriceFormGroups, EveryShopOnceAndAlwaysProgress) {
    using G = std::vector<std::pair<int, int>>;
    EXPECT_EQ(priceFormGroups(3, 2), (G{{0, 1}, {2, 2}}));
    EXPECT_EQ(priceFormGroups(4, 2), (G{{0, 1}, {2, 3}}));
    EXPECT_EQ(priceFormGroups(3, 3), (G{{0, 2}}));
    // A page too narrow for even one column still prints one column a group.
    EXPECT_EQ(priceFormGroups(3, 0), (G{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(priceFormGroups(2, -4), (G{{0, 0}, {1, 1}}));
}

TEST(PriceFormDrawing, GroupsRepeatTheRowsWithTheCheapestNonZeroPriceInEachCell) {
    RecordingCanvas canvas(QSize(250, 2000));
    const PriceFormGeometry g = measurePriceForm(canvas, kShops, kItems, 250);
    drawPriceForm(canvas, g, kShops, kItems);
    const auto p = pages(canvas);
    ASSERT_EQ(p.size(), 2);

    // Heading on line 1 (top 70), one empty ruled row, then Apples on line 3 (98) and Bread on line 4
    // (112). Aldi: 1.20 beats 1.50 and the zero; Coop: 1.25 replaces the zero; Lidl is in the next group.
    // Prices stand with their "." at column x + 15, sizes at column x + 33.
    EXPECT_EQ(placed(p[0]), (QStringList{"Product@27,70", "Aldi@69,70", "Coop@132,70", "Apples@27,98",
                                         "1.20@75,98", "3kg@99,98", "1.25@138,98", "6pc@162,98",
                                         "Bread@27,112", "12.25@132,112", "800g@162,112"}));
    const auto clips = only(p[0], QStringLiteral("textRect"));
    ASSERT_EQ(clips.size(), 2);
    EXPECT_EQ(clips[0].clip, Canvas::edges(69, 70, 128, 84));
    EXPECT_EQ(clips[1].clip, Canvas::edges(132, 70, 191, 84));
    // Rules above lines 1, 2, 3, 4 and 5 across both columns, then the verticals at the margin, each
    // column and the right border, from above line 1 to above the line after the last row.
    EXPECT_EQ(lines(p[0]), (QList<Args>{{24, 69, 192, 69},
                                        {24, 83, 192, 83},
                                        {24, 97, 192, 97},
                                        {24, 111, 192, 111},
                                        {24, 125, 192, 125},
                                        {24, 69, 24, 125},
                                        {66, 69, 66, 125},
                                        {129, 69, 129, 125},
                                        {192, 69, 192, 125}}));

    // The second group: Lidl alone, starting at the first column again; Bread's row is there though Lidl
    // does not sell it; Lidl's only price is 0, so just the size shows.
    EXPECT_EQ(placed(p[1]),
              (QStringList{"Product@27,70", "Lidl@69,70", "Apples@27,98", "1kg@99,98", "Bread@27,112"}));
    EXPECT_EQ(lines(p[1]), (QList<Args>{{24, 69, 129, 69},
                                        {24, 83, 129, 83},
                                        {24, 97, 129, 97},
                                        {24, 111, 129, 111},
                                        {24, 125, 129, 125},
                                        {24, 69, 24, 125},
                                        {66, 69, 66, 125},
                                        {129, 69, 129, 125}}));
}

TEST(PriceFormDrawing, ARowOnTheBottomLimitStaysOneLowerBreaks) {
    const std::vector<PriceFormShop> shops{{1, "Aldi"}};
    std::vector<PriceFormItem> items;
    for (int i = 0; i < 5; ++i)
        items.push_back({i + 1, QStringLiteral("P%1").arg(i), 1, 1.0f, "1"});

    // Page 196: the bottom limit is 196 - 56 = 140, the top of line 6, which still prints there.
    RecordingCanvas fits(QSize(400, 196));
    drawPriceForm(fits, measurePriceForm(fits, shops, items, 400), shops, items);
    auto p = pages(fits);
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(only(p[0], QStringLiteral("text")).size(), 1 + 4 * 3); // "Product", 4 rows of 3 texts
    // The break closes the last row with the rule above line 7, and the verticals reach down to it.
    const auto before = lines(p[0]);
    EXPECT_EQ(before[before.size() - 1][3], 14 * 7 + 56 - 1);
    // The new page repeats the heading and the empty ruled row; the row lands on line 3.
    EXPECT_EQ(placed(p[1]).mid(0, 3), (QStringList{"Product@27,70", "Aldi@45,70", "P4@27,98"}));

    // One dot less: line 6 lies below the limit, so only three rows fit on the first page.
    RecordingCanvas breaks(QSize(400, 195));
    drawPriceForm(breaks, measurePriceForm(breaks, shops, items, 400), shops, items);
    p = pages(breaks);
    ASSERT_EQ(p.size(), 2);
    EXPECT_EQ(only(p[0], QStringLiteral("text")).size(), 1 + 3 * 3);
    EXPECT_EQ(texts(p[1]), (QStringList{"Product", "Aldi", "P3", "1.00", "1", "P4", "1.00", "1"}));
}

TEST(PriceFormDrawing, APageTooNarrowForOneColumnPrintsOneShopAPage) {
    RecordingCanvas canvas(QSize(100, 2000));
    const PriceFormGeometry g = measurePriceForm(canvas, kShops, kItems, 100);
    EXPECT_EQ(g.columnsPerPage, 1);
    drawPriceForm(canvas, g, kShops, kItems);
    const auto p = pages(canvas);
    ASSERT_EQ(p.size(), 3);
    EXPECT_EQ(texts(p[0]).mid(0, 2), (QStringList{"Product", "Aldi"}));
    EXPECT_EQ(texts(p[1]).mid(0, 2), (QStringList{"Product", "Coop"}));
    EXPECT_EQ(texts(p[2]).mid(0, 2), (QStringList{"Product", "Lidl"}));
}

TEST(PriceFormDrawing, WithoutADecimalPointPricesAreCentredAndZeroIsPrinted) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const std::vector<PriceFormShop> shops{{1, "Aldi"}};
    const std::vector<PriceFormItem> items{{1, "Tea", 1, 0.0f, "20pc"}, {2, "Jam", 1, 2.5f, "1jar"}};
    RecordingCanvas canvas(QSize(400, 2000));
    const PriceFormGeometry g = measurePriceForm(canvas, shops, items, 400);
    drawPriceForm(canvas, g, shops, items);
    QLocale::setDefault(saved);

    // No "." at all: the integer room is just h, and "0,00" (not the suppressed "0.00") is centred there.
    EXPECT_EQ(g.integerRoom, 3);
    EXPECT_EQ(g.firstColumnX, 18 + 27 + 3);
    const int decimalX = g.firstColumnX + 3;
    EXPECT_EQ(placed(canvas.calls).mid(2),
              (QStringList{QStringLiteral("Tea@27,98"), QStringLiteral("0,00@%1,98").arg(decimalX - 12),
                           QStringLiteral("20pc@%1,98").arg(decimalX + 18), QStringLiteral("Jam@27,112"),
                           QStringLiteral("2,50@%1,112").arg(decimalX - 12),
                           QStringLiteral("1jar@%1,112").arg(decimalX + 18)}));
}

class PriceFormQueryTest : public ::testing::Test {
protected:
    PriceFormQueryTest() : db(temp.path()), query(&db) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
        source.query = &query;
    }

    int add(const QString& table, const QList<std::pair<QString, QVariant>>& values, const QString& id) {
        engine::Table t(&db, table);
        t.open();
        t.append();
        for (const auto& [field, value] : values) {
            if (value.typeId() == QMetaType::QString)
                t.field(field).setString(value.toString());
            else if (value.typeId() == QMetaType::Double)
                t.field(field).setFloat(value.toDouble());
            else
                t.field(field).setInteger(value.toInt());
        }
        t.post();
        return t.field(id).asInteger();
    }
    int shop(const QString& name) { return add("Shops", {{"ShopName", name}}, "ShopID"); }
    int category(const QString& name) { return add("Categories", {{"CatName", name}}, "CatID"); }
    int product(const QString& name, int cat, const QString& unit) {
        return add("Products", {{"ProdName", name}, {"Category", cat}, {"UnitOfMeasure", unit}}, "ProdID");
    }
    void item(int prod, int shop, double price, int size) {
        add("Items", {{"Product", prod}, {"Shop", shop}, {"Price", price}, {"Size", size}}, "ItemID");
    }

    static QStringList names(const std::vector<PriceFormItem>& items) {
        QStringList out;
        for (const auto& i : items)
            out << i.productName + "/" + QString::number(i.shopId) + "/" + i.size;
        return out;
    }

    TempFolder temp;
    engine::Database db;
    engine::Query query;
    ReportSource source;
};

TEST_F(PriceFormQueryTest, NothingToPrintMessages) {
    PriceFormReport report(source);
    EXPECT_EQ(report.prepare(), "There are no shops to print.");
    shop("Coop");
    EXPECT_EQ(report.prepare(), "There are no items to print.");
    EXPECT_FALSE(query.isOpen());
}

TEST_F(PriceFormQueryTest, RowsInCategoryOrProductOrderWithShopsByName) {
    const int coop = shop("Coop"), aldi = shop("Aldi");
    const int fruit = category("Fruit"), bakery = category("Bakery");
    const int apples = product("Apples", fruit, "kg"), bread = product("Bread", bakery, "g");
    const int orphan = product("Cheese", 999, ""); // its category is gone
    item(apples, coop, 1.5, 1);
    item(apples, aldi, 1.2, 2);
    item(bread, coop, 2.0, 800);
    item(orphan, aldi, 3.0, 0);

    PriceFormReport byCategory(source);
    ASSERT_EQ(byCategory.prepare(), "");
    ASSERT_EQ(byCategory.shops().size(), 2u);
    EXPECT_EQ(byCategory.shops()[0].name, "Aldi");
    EXPECT_EQ(byCategory.shops()[0].id, aldi);
    // Bakery before Fruit; the product without a category row is left out.
    EXPECT_EQ(names(byCategory.items()), (QStringList{QStringLiteral("Bread/%1/800g").arg(coop),
                                                      QStringLiteral("Apples/%1/2kg").arg(aldi),
                                                      QStringLiteral("Apples/%1/1kg").arg(coop)}));
    EXPECT_FLOAT_EQ(byCategory.items()[1].price, 1.2f);
    EXPECT_EQ(query.sql(), PriceFormReport::itemsSql(true));

    source.settings.pcfSortCat = false;
    source.settings.pcfSortProd = true;
    PriceFormReport byProduct(source);
    ASSERT_EQ(byProduct.prepare(), "");
    EXPECT_EQ(
        names(byProduct.items()),
        (QStringList{QStringLiteral("Apples/%1/2kg").arg(aldi), QStringLiteral("Apples/%1/1kg").arg(coop),
                     QStringLiteral("Bread/%1/800g").arg(coop), QStringLiteral("Cheese/%1/0").arg(aldi)}));
    EXPECT_FALSE(query.isOpen());
}

TEST(PriceFormDrawing, DatesStandUnderTheirPricesAndEachRowTakesTwoLines) {
    const std::vector<PriceFormItem> items{{1, "Apples", 1, 1.50f, "1kg", "1/1/26"},
                                           {1, "Apples", 1, 1.20f, "3kg", "1/2/26"},
                                           {1, "Apples", 2, 1.25f, "6pc", ""},
                                           {2, "Bread", 2, 12.25f, "800g", "2/3/26"}};
    RecordingCanvas canvas(QSize(250, 2000));
    drawPriceForm(canvas, measurePriceForm(canvas, kShops, items, 250), kShops, items);
    const auto p = pages(canvas);
    ASSERT_EQ(p.size(), 2);
    // The cheapest price's date under it, a price without one leaves the line empty; Bread two lines down.
    EXPECT_EQ(placed(p[0]),
              (QStringList{"Product@27,70", "Aldi@69,70", "Coop@132,70", "Apples@27,98", "1.20@75,98",
                           "3kg@99,98", "1/2/26@69,112", "1.25@138,98", "6pc@162,98", "Bread@27,126",
                           "12.25@132,126", "800g@162,126", "2/3/26@132,140"}));
    // The verticals reach below the last date line.
    EXPECT_EQ(lines(p[0]).last(), (Args{192, 69, 192, 153}));
}
