#include "FridgeListReport.h"
#include "MasterItemListReport.h"
#include "ReportTestDatabase.h"

using reports::FridgeListReport;
using reports::MasterItemListReport;

class CatalogueReportsTest : public ReportTest {
protected:
    // Seven product types in three categories, and items of some of them at two shops.
    void fill() {
        const int dairy = addCategory(QStringLiteral("Dairy"));
        const int fruit = addCategory(QStringLiteral("Fruit"));
        const int veg = addCategory(QStringLiteral("Veg"));
        products = {addProduct(QStringLiteral("Milk"), dairy, QStringLiteral("l")),
                    addProduct(QStringLiteral("Butter"), dairy, QStringLiteral("g")),
                    addProduct(QStringLiteral("Apples"), fruit, QStringLiteral("kg")),
                    addProduct(QStringLiteral("Pears"), fruit),
                    addProduct(QStringLiteral("Kale"), veg),
                    addProduct(QStringLiteral("Leeks"), veg),
                    addProduct(QStringLiteral("Cauliflower"), veg)};
        addProduct(QStringLiteral("Orphan"), 999); // its category row is missing
        const int zed = addShop(QStringLiteral("Zed Mart"));
        const int abc = addShop(QStringLiteral("ABC Foods"));
        addItem(products[0], zed, QStringLiteral("Acme"), 1, 0.99, 0);
        addItem(products[0], abc, QStringLiteral("Farm"), 2, 1.5, 0);
        addItem(products[1], zed, QString(), 250, 0, 0);
        addItem(products[6], abc, QStringLiteral("Big brand name"), 0, 12.5, 0);
    }
    std::vector<int> products;
};

// Fridge list: height 12, line height 18, square 10, margins 18, top and bottom margin 54, so line n
// starts at 18 n + 54 and a 162 dot page holds lines 1 to 3 (line 3 starts exactly on the limit 108).
TEST_F(CatalogueReportsTest, FridgeListFillsColumnsTopToBottomThenPages) {
    fill();
    source.settings.flCols = 2;
    source.settings.flSortCat = true;
    source.settings.flCat = true;
    RecordingCanvas c(QSize(1000, 162));
    ASSERT_EQ(print<FridgeListReport>(c), QString());
    EXPECT_EQ(c.calls.first().text, QStringLiteral("Fridge list"));

    // By category, then name: Butter Milk | Apples Pears | Cauliflower Kale Leeks.
    const QStringList order{QStringLiteral("Butter"), QStringLiteral("Milk"),        QStringLiteral("Apples"),
                            QStringLiteral("Pears"),  QStringLiteral("Cauliflower"), QStringLiteral("Kale"),
                            QStringLiteral("Leeks")};
    const int columnWidth = (1000 - 36) / 2;
    const QList<int> columns{0, 0, 0, 1, 1, 1, 0};
    const QList<int> lines{1, 2, 3, 1, 2, 3, 1};
    const QList<int> pages{1, 1, 1, 1, 1, 1, 2};
    const auto boxes = c.of("rectangle");
    ASSERT_EQ(boxes.size(), 7);
    const int categoryOffset = 6 * 11 + 20; // widest name ("Cauliflower") + two squares
    for (int i = 0; i < 7; ++i) {
        const int x = 18 + columns[i] * columnWidth;
        const int y = 18 * lines[i] + 54;
        EXPECT_EQ(boxes[i].args, (QList<int>{x, y, x + 10, y + 10})) << i;
        EXPECT_EQ(boxes[i].brushStyle, Canvas::BrushStyle::Clear);
        const auto name = find(c, order[i]);
        ASSERT_TRUE(name) << order[i].toStdString();
        EXPECT_EQ(name->x, x + 15);
        EXPECT_EQ(name->y, y);
        EXPECT_EQ(name->page, pages[i]);
        EXPECT_FALSE(name->italic);
    }
    const auto dairy = find(c, QStringLiteral("(Dairy)"));
    ASSERT_TRUE(dairy);
    EXPECT_EQ(dairy->x, 18 + categoryOffset);
    EXPECT_TRUE(dairy->italic);
    EXPECT_FALSE(find(c, QStringLiteral("Orphan")));

    // One dot less of page: two lines a column.
    RecordingCanvas shorter(QSize(1000, 161));
    ASSERT_EQ(print<FridgeListReport>(shorter), QString());
    EXPECT_EQ(find(shorter, QStringLiteral("Apples"))->x, 18 + columnWidth + 15);
    EXPECT_EQ(find(shorter, QStringLiteral("Cauliflower"))->page, 2);
    EXPECT_EQ(find(shorter, QStringLiteral("Leeks"))->x, 18 + columnWidth + 15);
}

TEST_F(CatalogueReportsTest, FridgeListByNameInOneColumnWithoutCategories) {
    fill();
    source.settings.flCols = 1;
    source.settings.flSortCat = false;
    source.settings.flCat = false;
    RecordingCanvas c;
    ASSERT_EQ(print<FridgeListReport>(c), QString());
    QStringList names;
    for (const Drawn& d : texts(c)) {
        names << d.text;
        EXPECT_EQ(d.x, 18 + 15);
    }
    EXPECT_EQ(names, (QStringList{"Apples", "Butter", "Cauliflower", "Kale", "Leeks", "Milk", "Pears"}));
}

TEST_F(CatalogueReportsTest, FridgeListNamesAndCategoriesStayInTheirColumn) {
    const int cat = addCategory(QStringLiteral("Household cleaning"));
    addProduct(QStringLiteral("Washing-up liquid extra strength lemon"), cat);
    addProduct(QStringLiteral("Soap"), cat);
    source.settings.flCols = 3;
    source.settings.flCat = true;
    RecordingCanvas c(QSize(400, 800)); // columns of 121 dots
    ASSERT_EQ(print<FridgeListReport>(c), QString());
    const int columnWidth = (400 - 36) / 3;
    for (const Drawn& d : texts(c))
        EXPECT_LE(d.x + 6 * d.text.size(), 18 + columnWidth) << d.text.toStdString();
    const auto washing = find(c, QStringLiteral("Wash"), true);
    ASSERT_TRUE(washing);
    EXPECT_TRUE(washing->text.endsWith(QChar(0x2026))) << washing->text.toStdString();
    EXPECT_EQ(find(c, QStringLiteral("Soap"))->x, 18 + 15);
    EXPECT_TRUE(find(c, QStringLiteral("(Hou"), true)) << "the category keeps a place in its column";
}

TEST_F(CatalogueReportsTest, EmptyCatalogueMessages) {
    RecordingCanvas c;
    EXPECT_EQ(print<FridgeListReport>(c), QStringLiteral("There are no products to print."));
    EXPECT_EQ(print<MasterItemListReport>(c), QStringLiteral("There are no items to print."));
    EXPECT_TRUE(c.calls.isEmpty());
}

// Master item list: line height 14, margins 24, top and bottom margin 56: line n starts at 14 n + 56.
TEST_F(CatalogueReportsTest, MasterListColumnsFromTheWidestValues) {
    fill();
    source.settings.mlSortShop = true;
    source.settings.mlGrid = false;
    RecordingCanvas c;
    ASSERT_EQ(print<MasterItemListReport>(c), QString());
    EXPECT_EQ(c.calls.first().text, QStringLiteral("Item details"));
    const int brandX = 24 + 6 * 11 + 18;        // widest product "Cauliflower"
    const int categoryX = brandX + 6 * 14 + 18; // "Big brand name"
    const int sizeX = categoryX + 6 * 5 + 18;   // "Dairy"
    const int priceX = sizeX + 6 * 4 + 30;      // "250g", then "WW000"
    const int shopX = priceX + 54;              // "000.00WWW"
    const auto title = [&](const char* text, int x) {
        const auto d = find(c, QString::fromLatin1(text));
        ASSERT_TRUE(d) << text;
        EXPECT_EQ(d->x, x) << text;
        EXPECT_EQ(d->y, 70) << text;
    };
    title("Product", 24);
    title("Brand", brandX);
    title("Category", categoryX);
    title("Size", sizeX);
    title("Price", priceX - 15);
    title("Shop", shopX);
    EXPECT_EQ(rules(c).front(), (Rule{1, 24, 976, 84}));

    // By shop: ABC Foods (Milk, Cauliflower by category: Dairy, Veg), then Zed Mart (Butter, Milk).
    std::vector<std::pair<QString, int>> rows;
    for (const Drawn& d : texts(c))
        if (d.x == 24 && d.y > 84)
            rows.emplace_back(d.text, d.y);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], std::make_pair(QStringLiteral("Milk"), 98));
    EXPECT_EQ(rows[1], std::make_pair(QStringLiteral("Cauliflower"), 112));
    EXPECT_EQ(rows[2], std::make_pair(QStringLiteral("Butter"), 126));
    EXPECT_EQ(rows[3], std::make_pair(QStringLiteral("Milk"), 140));
    const auto zero = find(c, QStringLiteral("0.00"));
    ASSERT_TRUE(zero);
    EXPECT_EQ(zero->x, priceX - 6);
    EXPECT_EQ(zero->y, 126);
    EXPECT_EQ(find(c, QStringLiteral("12.50"))->x, priceX - 12);
    EXPECT_EQ(find(c, QStringLiteral("Zed Mart"))->x, shopX);
    EXPECT_EQ(find(c, QStringLiteral("250g"))->x, sizeX);
}

TEST_F(CatalogueReportsTest, MasterListGridLinesAndTitlesOnEveryPage) {
    fill();
    source.settings.mlSortShop = false;
    source.settings.mlSortCat = false;
    source.settings.mlSortProd = true;
    source.settings.mlGrid = true;
    // Line 4 starts at 112 = 168 - 56: rows on lines 3 and 4, then a new page with the titles again.
    RecordingCanvas c(QSize(1000, 168));
    ASSERT_EQ(print<MasterItemListReport>(c), QString());
    ASSERT_EQ(c.of("newPage").size(), 1);
    const auto r = rules(c);
    // Page 1: the rule under the titles, then a grid line nearest(14 / 9.5) = 1 above each row's top.
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0], (Rule{1, 24, 976, 84}));
    EXPECT_EQ(r[1], (Rule{1, 24, 976, 97}));
    EXPECT_EQ(r[2], (Rule{1, 24, 976, 111}));
    EXPECT_EQ(r[3], (Rule{2, 24, 976, 84}));
    int productTitles = 0;
    for (const Drawn& d : texts(c))
        productTitles += d.text == QStringLiteral("Product") ? 1 : 0;
    EXPECT_EQ(productTitles, 2);
    // By product name, then shop: Butter, Cauliflower | Milk (ABC Foods), Milk (Zed Mart).
    const auto butter = find(c, QStringLiteral("Butter"));
    EXPECT_EQ(butter->y, 98);
    EXPECT_EQ(find(c, QStringLiteral("Cauliflower"))->y, 112);
    EXPECT_EQ(find(c, QStringLiteral("Milk"))->page, 2);
    EXPECT_EQ(find(c, QStringLiteral("Farm"))->y, 98);
    EXPECT_EQ(find(c, QStringLiteral("Acme"))->y, 112);
}
