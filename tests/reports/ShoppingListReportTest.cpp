#include "ShoppingListReport.h"
#include "ReportTestDatabase.h"

#include <algorithm>
#include <tuple>

using reports::ShoppingListReport;

// Measured with the recording canvas (6 dots a character, 12 high): line height 14, margins 24, top margin
// 56, bottom margin 84, so line n starts at 14 n + 56; Aisle x 36, Total point 958, Price point 910.
class ShoppingListReportTest : public ReportTest {
protected:
    ShoppingListReportTest() {
        source.settings.slNewPage = true;
        source.settings.slAddr = false;
    }
    static int top(int line) { return 14 * line + 56; }
    // A shop with two sequenced categories and one without an aisle.
    int cornerShop() {
        const int shop = addShop(QStringLiteral("Corner"), QStringLiteral("1 Main St"));
        const int dairy = addCategory(QStringLiteral("Dairy"));
        const int fruit = addCategory(QStringLiteral("Fruit"));
        const int bakery = addCategory(QStringLiteral("Bakery"));
        addAisle(shop, fruit, 2);
        addAisle(shop, dairy, 1);
        addItem(addProduct(QStringLiteral("Milk"), dairy, QStringLiteral("l")), shop, QStringLiteral("Acme"),
                1, 0.99, 2);
        addItem(addProduct(QStringLiteral("Cheese"), dairy, QStringLiteral("g")), shop,
                QStringLiteral("Brie"), 200, 3.5, 1);
        addItem(addProduct(QStringLiteral("Apples"), fruit, QStringLiteral("kg")), shop, QString(), 1, 2.4,
                3);
        addItem(addProduct(QStringLiteral("Bread"), bakery), shop, QString(), 0, -1, 1);
        addItem(addProduct(QStringLiteral("Yoghurt"), dairy), shop, QString(), 0, 1.0, 0); // not listed
        return shop;
    }
    void expectText(const RecordingCanvas& c, const QString& text, int x, int y, int page = 1) {
        const auto d = find(c, text);
        ASSERT_TRUE(d) << text.toStdString();
        EXPECT_EQ(d->x, x) << text.toStdString();
        EXPECT_EQ(d->y, y) << text.toStdString();
        EXPECT_EQ(d->page, page) << text.toStdString();
    }
    QString dateAndPage(int page) const {
        return source.locale.toString(source.today, QLocale::ShortFormat) + QStringLiteral("     Page ") +
               QString::number(page);
    }
};

TEST_F(ShoppingListReportTest, OneShopInAisleOrderWithTotalsAndFootnotes) {
    cornerShop();
    RecordingCanvas c;
    ASSERT_EQ(print<ShoppingListReport>(c), QString());
    ASSERT_EQ(c.calls.first().op, QStringLiteral("begin"));
    EXPECT_EQ(c.calls.first().text, QStringLiteral("Shopping list"));
    EXPECT_EQ(c.calls.last().op, QStringLiteral("end"));
    EXPECT_TRUE(c.of("newPage").isEmpty());

    // Heading in bold with the date and page number ending at the right margin; titles; rule.
    expectText(c, QStringLiteral("Shopping list for Corner"), 24, top(1));
    EXPECT_TRUE(find(c, QStringLiteral("Shopping list for Corner"))->bold);
    const QString date = dateAndPage(1);
    expectText(c, date, 976 - 6 * static_cast<int>(date.size()), top(1));
    expectText(c, QStringLiteral("Aisle"), 36, top(3));
    expectText(c, QStringLiteral("Qty"), 144, top(3));   // Aisle x + width of "wrwr..." (18 characters)
    expectText(c, QStringLiteral("Item"), 174, top(3));  // Qty x + width of "00000"
    expectText(c, QStringLiteral("Size"), 844, top(3));  // Price x - width of "000wrwr0000"
    expectText(c, QStringLiteral("Price"), 895, top(3)); // centred on the decimal point
    expectText(c, QStringLiteral("Total"), 943, top(3));
    EXPECT_FALSE(find(c, QStringLiteral("Aisle"))->bold);

    // Rows from line 5 in sequence order, the category named once per run; the unsequenced one marked.
    expectText(c, QStringLiteral("Dairy"), 36, top(5));
    expectText(c, QStringLiteral("Cheese Brie"), 174, top(5));
    expectText(c, QStringLiteral("200g"), 844, top(5));
    expectText(c, QStringLiteral("3.50"), 904, top(5));
    expectText(c, QStringLiteral("Milk Acme"), 174, top(6));
    expectText(c, QStringLiteral("2"), 144, top(6));
    expectText(c, QStringLiteral("1.98"), 952, top(6));
    expectText(c, QStringLiteral("Fruit"), 36, top(7));
    expectText(c, QStringLiteral("Apples "), 174, top(7));
    expectText(c, QStringLiteral("7.20"), 952, top(7));
    expectText(c, QStringLiteral("Bakery*"), 36, top(8));
    expectText(c, QStringLiteral("Bread "), 174, top(8));
    int dairyLabels = 0;
    for (const Drawn& d : texts(c))
        dairyLabels += d.text == QStringLiteral("Dairy") ? 1 : 0;
    EXPECT_EQ(dairyLabels, 1);
    EXPECT_FALSE(find(c, QStringLiteral("Yoghurt "), true));

    // Footer: a blank line, the rule, the total; the two notes in italics.
    const auto r = rules(c);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], (Rule{1, 24, 976, top(4)}));
    EXPECT_EQ(r[1], (Rule{1, 24, 976, top(10)}));
    expectText(c, QStringLiteral("Total for Corner"), 174, top(11));
    expectText(c, QStringLiteral("12.68"), 946, top(11));
    expectText(c, QStringLiteral("(This total is not accurate."), 174, top(12));
    expectText(c, QStringLiteral("Some items at this shop had no prices.)"), 174, top(13));
    expectText(c, QStringLiteral("* Indicates categories not in aisle sequence."), 36, top(14));
    EXPECT_TRUE(find(c, QStringLiteral("(This total is not accurate."))->italic);
    EXPECT_TRUE(find(c, QStringLiteral("* Indicates categories not in aisle sequence."))->italic);
    EXPECT_FALSE(find(c, QStringLiteral("Total for Corner"))->italic);

    // Grand total in bold, in the currency format, aligned on its point.
    EXPECT_EQ(r[2], (Rule{1, 24, 976, top(15)}));
    expectText(c, QStringLiteral("Grand total"), 174, top(16));
    expectText(c, QStringLiteral("$12.68"), 958 - 18, top(16));
    EXPECT_TRUE(find(c, QStringLiteral("$12.68"))->bold);
}

TEST_F(ShoppingListReportTest, ColumnsMakeRoomForLongCategoriesAndSizes) {
    const int shop = addShop(QStringLiteral("S"));
    const int cat = addCategory(QStringLiteral("Household cleaning supplies")); // 27 characters
    addAisle(shop, cat, 1);
    addItem(addProduct(QStringLiteral("Soap"), cat, QStringLiteral("ml")), shop, QStringLiteral("X"), 12345,
            1234.5, 1);
    RecordingCanvas c;
    ASSERT_EQ(print<ShoppingListReport>(c), QString());
    expectText(c, QStringLiteral("Qty"), 36 + 6 * 29, top(3));
    expectText(c, QStringLiteral("Item"), 36 + 6 * 29 + 30, top(3));
    // "12345ml" + "W" + "1234" is wider than the template.
    expectText(c, QStringLiteral("12345ml"), 910 - 6 * 12, top(5));
    expectText(c, QStringLiteral("1234.50"), 910 - 24, top(5));
}

TEST_F(ShoppingListReportTest, TextsThatDoNotFitTheirColumnAreCutNeverDrawnOverTheNext) {
    source.settings.slAddr = true;
    const int shop = addShop(QStringLiteral("The Very Long Named Neighbourhood Supermarket"),
                             QStringLiteral("1234 Long Boulevard of the Northern Industrial Estate"));
    const int cat = addCategory(QStringLiteral("Household cleaning"));
    addAisle(shop, cat, 1);
    addItem(addProduct(QStringLiteral("Washing-up liquid extra strength lemon"), cat, QStringLiteral("ml")),
            shop, QStringLiteral("SuperClean Professional"), 500, 2.49, 12345);
    // Wide, narrow, and so narrow (a large font on the page) that the columns themselves would collide.
    for (const int width : {1000, 420, 250}) {
        RecordingCanvas c(QSize(width, 800));
        ASSERT_EQ(print<ShoppingListReport>(c), QString());
        std::vector<Drawn> line = texts(c);
        std::sort(line.begin(), line.end(), [](const Drawn& a, const Drawn& b) {
            return std::tie(a.page, a.y, a.x) < std::tie(b.page, b.y, b.x);
        });
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            if (line[i].page != line[i + 1].page || line[i].y != line[i + 1].y)
                continue;
            EXPECT_LE(line[i].x + 6 * line[i].text.size(), line[i + 1].x)
                << width << ": \"" << line[i].text.toStdString() << "\" runs into \""
                << line[i + 1].text.toStdString() << "\"";
        }
        const auto item = find(c, QStringLiteral("Wa"), true);
        ASSERT_TRUE(item) << width;
        EXPECT_EQ(item->text.endsWith(QChar(0x2026)), width < 1000) << item->text.toStdString();
        const auto heading = find(c, QStringLiteral("Shopping"), true);
        ASSERT_TRUE(heading) << width;
        EXPECT_EQ(heading->text.endsWith(QChar(0x2026)), width < 1000) << heading->text.toStdString();
    }
}

TEST_F(ShoppingListReportTest, RowOnTheBottomLimitStaysOnThePage) {
    const int shop = addShop(QStringLiteral("S"));
    const int cat = addCategory(QStringLiteral("C"));
    addAisle(shop, cat, 1);
    for (const char* name : {"A1", "A2", "A3", "A4", "A5"})
        addItem(addProduct(QString::fromLatin1(name), cat), shop, QStringLiteral("b"), 0, 1, 1);
    // Rows on lines 5 to 8; line 8 starts at 168, which is 252 - 84.
    RecordingCanvas fits(QSize(1000, 252));
    ASSERT_EQ(print<ShoppingListReport>(fits), QString());
    expectText(fits, QStringLiteral("A4 b"), 174, top(8), 1);
    // The next row starts a page with a fresh heading, numbered 2, and the titles.
    expectText(fits, QStringLiteral("A5 b"), 174, top(5), 2);
    expectText(fits, dateAndPage(2), 976 - 6 * static_cast<int>(dateAndPage(2).size()), top(1), 2);
    const auto headings = texts(fits);
    EXPECT_EQ(std::count_if(headings.begin(), headings.end(),
                            [](const Drawn& d) { return d.text == QStringLiteral("Shopping list for S"); }),
              2);

    RecordingCanvas oneDotLess(QSize(1000, 251));
    ASSERT_EQ(print<ShoppingListReport>(oneDotLess), QString());
    expectText(oneDotLess, QStringLiteral("A3 b"), 174, top(7), 1);
    expectText(oneDotLess, QStringLiteral("A4 b"), 174, top(5), 2);
}

TEST_F(ShoppingListReportTest, ShopsOnOnePageWhenNewPageIsOff) {
    for (const char* name : {"Beta", "Alpha"}) {
        const int shop = addShop(QString::fromLatin1(name));
        const int cat = addCategory(QStringLiteral("Cat ") + QString::fromLatin1(name));
        addAisle(shop, cat, 1);
        addItem(addProduct(QStringLiteral("P ") + QString::fromLatin1(name), cat), shop, QStringLiteral("b"),
                0, 2, 1);
    }
    source.settings.slNewPage = false;
    RecordingCanvas c;
    ASSERT_EQ(print<ShoppingListReport>(c), QString());
    EXPECT_TRUE(c.of("newPage").isEmpty());
    // Alpha first (shops by name): row on line 5, rule on 7, total on 8; Beta's heading three lines lower,
    // without date and page number.
    expectText(c, QStringLiteral("Total for Alpha"), 174, top(8));
    expectText(c, QStringLiteral("Shopping list for Beta"), 24, top(11));
    int pageTexts = 0;
    for (const Drawn& d : texts(c))
        pageTexts += d.text.contains(QStringLiteral("Page")) ? 1 : 0;
    EXPECT_EQ(pageTexts, 1);
    expectText(c, QStringLiteral("P Beta b"), 174, top(15));
    expectText(c, QStringLiteral("$4.00"), 958 - 12, top(20));

    source.settings.slNewPage = true;
    RecordingCanvas paged;
    ASSERT_EQ(print<ShoppingListReport>(paged), QString());
    ASSERT_EQ(paged.of("newPage").size(), 1);
    expectText(paged, QStringLiteral("Shopping list for Beta"), 24, top(1), 2);
    expectText(paged, dateAndPage(2), 976 - 6 * static_cast<int>(dateAndPage(2).size()), top(1), 2);
}

TEST_F(ShoppingListReportTest, AddressOptionAndShopWithoutAisles) {
    const int shop = addShop(QStringLiteral("Kiosk"));
    const int cat = addCategory(QStringLiteral("Snacks"));
    addItem(addProduct(QStringLiteral("Crisps"), cat), shop, QStringLiteral("x"), 0, 1.25, 2);
    addItem(addProduct(QStringLiteral("Nuts"), cat), shop, QStringLiteral("y"), 0, 2, 1);
    source.settings.slAddr = true;
    RecordingCanvas c;
    ASSERT_EQ(print<ShoppingListReport>(c), QString());
    expectText(c, QStringLiteral("Shopping list for Kiosk - "), 24, top(1));
    // Every row comes from the unsequenced part; the label once, then the footnote after the total.
    expectText(c, QStringLiteral("Snacks*"), 36, top(5));
    expectText(c, QStringLiteral("Nuts y"), 174, top(6));
    expectText(c, QStringLiteral("Total for Kiosk"), 174, top(9));
    expectText(c, QStringLiteral("4.50"), 958 - 6, top(9));
    expectText(c, QStringLiteral("* Indicates categories not in aisle sequence."), 36, top(10));
    EXPECT_FALSE(find(c, QStringLiteral("(This total is not accurate.")));
}

TEST_F(ShoppingListReportTest, NotesFollowTheTotalOrTakeAPageOfTheirOwn) {
    const int shop = addShop(QStringLiteral("S"));
    const int cat = addCategory(QStringLiteral("C"));
    addAisle(shop, cat, 1);
    addItem(addProduct(QStringLiteral("P"), cat), shop, QStringLiteral("b"), 0, 1, 1);
    source.settings.notes = {QStringLiteral("first note"), QString(), QStringLiteral("  third")};
    // Grand total on line 10; the notes three lines lower behind a rule.
    RecordingCanvas c;
    ASSERT_EQ(print<ShoppingListReport>(c), QString());
    expectText(c, QStringLiteral("Grand total"), 174, top(10));
    EXPECT_EQ(rules(c).back(), (Rule{1, 24, 976, top(13)}));
    expectText(c, QStringLiteral("first note"), 24, top(14));
    expectText(c, QStringLiteral("  third"), 24, top(16));
    EXPECT_TRUE(c.of("newPage").isEmpty());

    // Line 13 (238) plus three lines (42) lies below the limit of a 300 dot page (216): a page without a
    // heading, the notes from line 1, not broken.
    RecordingCanvas small(QSize(1000, 300));
    ASSERT_EQ(print<ShoppingListReport>(small), QString());
    ASSERT_EQ(small.of("newPage").size(), 1);
    expectText(small, QStringLiteral("first note"), 24, top(1), 2);
    expectText(small, QStringLiteral("  third"), 24, top(3), 2);
    for (const Drawn& d : texts(small)) {
        if (d.page == 2) {
            EXPECT_TRUE(d.text.endsWith(QStringLiteral("note")) || d.text.endsWith(QStringLiteral("third")))
                << d.text.toStdString();
        }
    }
}

TEST_F(ShoppingListReportTest, NothingListedPrintsNothing) {
    const int shop = addShop(QStringLiteral("S"));
    addItem(addProduct(QStringLiteral("P"), addCategory(QStringLiteral("C"))), shop, QString(), 0, 1, 0);
    RecordingCanvas c;
    EXPECT_EQ(print<ShoppingListReport>(c), QStringLiteral("There are no items to print."));
    EXPECT_TRUE(c.calls.isEmpty());
}
