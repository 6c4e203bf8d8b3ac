#include "CsvListWriter.h"
#include "HtmlListWriter.h"
#include "ListFormat.h"
#include "ListTestDatabase.h"
#include "MarkdownListWriter.h"
#include "PlainTextListWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QStringList strings(const QJsonValue& array) {
    QStringList out;
    for (const QJsonValue& v : array.toArray())
        out << v.toString();
    return out;
}

QList<QStringList> rows(const QByteArray& json) {
    QList<QStringList> out;
    for (const QJsonValue& row : QJsonDocument::fromJson(json).array())
        out << strings(row);
    return out;
}

const QString kHeader =
    QStringLiteral("Shop|Aisle|In aisle sequence|Quantity|Product type|Brand|Size|Unit|Price|Total");

} // namespace

TEST_F(ListTest, PlainTextAndMarkdownFollowThePrintedListsOrderTotalsAndNotes) {
    fillTwoShops();
    const TakeAlongList all = list();
    EXPECT_EQ(PlainTextListWriter().write(all), QStringLiteral(R"(Shopping list for Corner
1 Main St

Dairy
1 × Cheese Brie 200 g — 3.50
2 × Milk Acme 1 l — 1.98

Fruit
3 × Apples 1 kg — 7.20

Bakery*
1 × Bread

Total for Corner: 12.68
(This total is not accurate. Some items at this shop had no prices.)
* Indicates categories not in aisle sequence.

Shopping list for Hall

Dairy
2 × Oat milk Avena 1 l — 3.98

Total for Hall: 3.98

Grand total: $16.66

Notes
Buy candles
Ask at the desk
)"));
    // The shorter text for a QR code: no amounts, no totals.
    EXPECT_EQ(PlainTextListWriter(false).write(list({hall})), QStringLiteral(R"(Shopping list for Hall

Dairy
2 × Oat milk Avena 1 l

Notes
Buy candles
Ask at the desk
)"));
    EXPECT_EQ(MarkdownListWriter().write(list({hall, corner})), QStringLiteral(R"(# Shopping list

## Corner

1 Main St

### Dairy

- [ ] 1 × Cheese Brie 200 g — 3.50
- [ ] 2 × Milk Acme 1 l — 1.98

### Fruit

- [ ] 3 × Apples 1 kg — 7.20

### Bakery\*

- [ ] 1 × Bread

**Total for Corner: 12.68**

*(This total is not accurate. Some items at this shop had no prices.)*

*\* Indicates categories not in aisle sequence.*

## Hall

### Dairy

- [ ] 2 × Oat milk Avena 1 l — 3.98

**Total for Hall: 3.98**

**Grand total: \$16.66**

## Notes

Buy candles\
Ask at the desk
)"));
    // One shop chosen: its items and its total only.
    const TakeAlongList one = list({hall});
    ASSERT_EQ(one.shops.size(), 1u);
    EXPECT_EQ(one.grandTotal, 3.98f);
    EXPECT_EQ(one.itemCount(), 1);
}

TEST_F(ListTest, CsvRowsReadBackWithTheLocalesOrAChosenSeparator) {
    fillTwoShops();
    const QString expected[] = {
        kHeader,
        QStringLiteral("Corner|Dairy|yes|1|Cheese|Brie|200|g|3.50|3.50"),
        QStringLiteral("Corner|Dairy|yes|2|Milk|Acme|1|l|0.99|1.98"),
        QStringLiteral("Corner|Fruit|yes|3|Apples||1|kg|2.40|7.20"),
        QStringLiteral("Corner|Bakery|no|1|Bread|||||"),
        QStringLiteral("Hall|Dairy|yes|2|Oat milk|Avena|1|l|1.99|3.98"),
    };
    struct Case {
        QLocale locale;
        QChar chosen;
        QString separator;
        QString point;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), QChar(), QStringLiteral(","), QStringLiteral(".")},
        {QLocale(QLocale::German, QLocale::Germany), QChar(), QStringLiteral(";"), QStringLiteral(",")},
        {QLocale(QLocale::German, QLocale::Germany), QLatin1Char('\t'), QStringLiteral("\t"),
         QStringLiteral(",")},
    };
    for (const Case& c : cases) {
        source.locale = c.locale;
        const QString text = ListFormat::named(QStringLiteral("csv"))->write(list(), c.chosen);
        EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n")));
        const QList<QStringList> read = rows(
            check({QStringLiteral("csv"), write(QStringLiteral("list.csv"), text.toUtf8()), c.separator}));
        ASSERT_EQ(read.size(), static_cast<qsizetype>(std::size(expected))) << text.toStdString();
        for (qsizetype i = 0; i < read.size(); ++i)
            EXPECT_EQ(read[i].join(QLatin1Char('|')),
                      QString(expected[i]).replace(QLatin1Char('.'), c.point));
    }
}

TEST_F(ListTest, WebPageIsOneSelfContainedFileInAisleOrder) {
    fillTwoShops();
    const QString page = HtmlListWriter().write(list());
    const QJsonObject read =
        QJsonDocument::fromJson(
            check({QStringLiteral("html"), write(QStringLiteral("list.html"), page.toUtf8())}))
            .object();
    EXPECT_EQ(strings(read[QStringLiteral("problems")]), QStringList());
    EXPECT_EQ(strings(read[QStringLiteral("external")]), QStringList());
    EXPECT_EQ(strings(read[QStringLiteral("shops")]), (QStringList{"Corner", "Hall", "Notes"}));
    EXPECT_EQ(strings(read[QStringLiteral("aisles")]), (QStringList{"Dairy", "Fruit", "Bakery*", "Dairy"}));
    EXPECT_EQ(
        strings(read[QStringLiteral("items")]),
        (QStringList{"Cheese Brie 200 g", "Milk Acme 1 l", "Apples 1 kg", "Bread", "Oat milk Avena 1 l"}));
    // Nothing may be fetched even by mistake, and what is left to buy starts at the whole list.
    EXPECT_TRUE(page.contains(QStringLiteral("content=\"default-src 'none';")));
    EXPECT_TRUE(page.contains(
        QStringLiteral("Left to buy: <span id=\"left\">$16.66</span> · <span id=\"count\">5 items")));
    EXPECT_TRUE(page.contains(QStringLiteral("prefers-color-scheme:dark")));
    // Exported again, the same list keeps its key (and so its ticks); another list gets another.
    EXPECT_EQ(HtmlListWriter::listKey(list()), HtmlListWriter::listKey(list()));
    EXPECT_NE(HtmlListWriter::listKey(list()), HtmlListWriter::listKey(list({hall})));
}

// The page in a real browser at phone size: every item shown as a large target, a tap ticks an item and
// takes it off what is left to buy, the tick is still there after a reload, no request leaves the file, and
// the text stays readable in light and dark mode.
TEST_F(ListTest, WebPageWorksInAHeadlessBrowser) {
    fillTwoShops();
    const QString file = write(QStringLiteral("list.html"), HtmlListWriter().write(list()).toUtf8());
    const QJsonObject seen =
        QJsonDocument::fromJson(check({QStringLiteral("browser"), file}, 120000)).object();
    EXPECT_EQ(
        strings(seen[QStringLiteral("items")]),
        (QStringList{"Cheese Brie 200 g", "Milk Acme 1 l", "Apples 1 kg", "Bread", "Oat milk Avena 1 l"}));
    EXPECT_EQ(seen[QStringLiteral("left")].toString(), QStringLiteral("$16.66"));
    EXPECT_EQ(seen[QStringLiteral("leftAfterTick")].toString(), QStringLiteral("$13.16"));
    EXPECT_EQ(seen[QStringLiteral("leftAfterReload")].toString(), QStringLiteral("$13.16"));
    QJsonArray ticked = seen[QStringLiteral("tickedAfterReload")].toArray();
    ASSERT_EQ(ticked.size(), 5);
    EXPECT_TRUE(ticked[0].toBool());
    for (int i = 1; i < 5; ++i)
        EXPECT_FALSE(ticked[i].toBool()) << i;
    EXPECT_TRUE(seen[QStringLiteral("greyedAfterReload")].toArray()[0].toBool());
    EXPECT_FALSE(seen[QStringLiteral("greyedAfterReload")].toArray()[1].toBool());
    const QString url = QUrl::fromLocalFile(file).toString();
    for (const QString& request : strings(seen[QStringLiteral("requests")]))
        EXPECT_EQ(request, url);
    EXPECT_GE(seen[QStringLiteral("lightContrast")].toDouble(), 7.0);
    EXPECT_GE(seen[QStringLiteral("darkContrast")].toDouble(), 7.0);
    EXPECT_EQ(seen[QStringLiteral("darkBackground")].toString(), QStringLiteral("rgb(18, 18, 18)"));
}

TEST_F(ListTest, AnyCharactersAreEscapedInEveryFormat) {
    QString emoji;
    for (int i = 0; i < 50; ++i)
        emoji += QString::fromUcs4(U"\U0001F34E");
    const QString brand = QStringLiteral("Say \"cheese\", <b> & </script>");
    const QString hebrew = QString::fromUtf8("חלב");
    const int shop = addShop(emoji);
    const int cat = addCategory(QStringLiteral("*Chilled* #1"));
    addAisle(shop, cat, 1);
    addItem(addProduct(hebrew, cat, QStringLiteral("l")), shop, brand, 1, 1.5, 2);
    addItem(addProduct(QStringLiteral("Cream"), cat), shop, QStringLiteral("=1+2"), 0, 2, 1);
    source.settings.notes = {QStringLiteral("# not a heading"), QStringLiteral("1. not a list </script>")};
    const TakeAlongList l = list();
    ASSERT_EQ(l.shops.size(), 1u);
    ASSERT_EQ(l.shops[0].name, emoji);

    const QString isolatedHebrew = QChar(0x2068) + hebrew + QChar(0x2069);
    const QString text = PlainTextListWriter().write(l);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Shopping list for ") + emoji + QLatin1Char('\n')));
    EXPECT_TRUE(text.contains(QStringLiteral("2 × ") + isolatedHebrew + QLatin1Char(' ') + brand +
                              QStringLiteral(" 1 l — 3.00\n")));

    const QString markdown = MarkdownListWriter().write(l);
    EXPECT_TRUE(markdown.contains(QStringLiteral("### \\*Chilled\\* \\#1\n")));
    EXPECT_TRUE(markdown.contains(QStringLiteral("- [ ] 2 × ") + isolatedHebrew +
                                  QStringLiteral(" Say \"cheese\", \\<b\\> \\& \\</script\\> 1 l — 3.00\n")));
    EXPECT_TRUE(markdown.contains(QStringLiteral("\\# not a heading\\\n1\\. not a list \\</script\\>\n")));

    const QList<QStringList> csv =
        rows(check({QStringLiteral("csv"),
                    write(QStringLiteral("l.csv"), CsvListWriter(QLatin1Char(',')).write(l).toUtf8()),
                    QStringLiteral(",")}));
    ASSERT_EQ(csv.size(), 3);
    // A formula stays text in a spreadsheet.
    EXPECT_EQ(csv[1],
              (QStringList{emoji, "*Chilled* #1", "yes", "1", "Cream", "'=1+2", "", "", "2.00", "2.00"}));
    EXPECT_EQ(csv[2],
              (QStringList{emoji, "*Chilled* #1", "yes", "2", hebrew, brand, "1", "l", "1.50", "3.00"}));

    const QString page = HtmlListWriter().write(l);
    EXPECT_EQ(page.count(QStringLiteral("</script>")), 1); // its own, at the end
    EXPECT_TRUE(
        page.contains(QStringLiteral("<bdi>Say &quot;cheese&quot;, &lt;b&gt; &amp; &lt;/script&gt;</bdi>")));
    const QJsonObject read = QJsonDocument::fromJson(check({QStringLiteral("html"),
                                                            write(QStringLiteral("l.html"), page.toUtf8())}))
                                 .object();
    EXPECT_EQ(strings(read[QStringLiteral("problems")]), QStringList());
    EXPECT_EQ(strings(read[QStringLiteral("shops")]), (QStringList{emoji, QStringLiteral("Notes")}));
    EXPECT_EQ(strings(read[QStringLiteral("items")]),
              (QStringList{QStringLiteral("Cream =1+2"),
                           hebrew + QLatin1Char(' ') + brand + QStringLiteral(" 1 l")}));
}

TEST_F(ListTest, NothingListedMeansAnEmptyList) {
    const int shop = addShop(QStringLiteral("Market"));
    addItem(addProduct(QStringLiteral("Rice"), addCategory(QStringLiteral("Pantry"))), shop, QString(), 0, 1,
            0);
    EXPECT_TRUE(list().isEmpty());
    fillTwoShops();
    EXPECT_FALSE(list().isEmpty());
    EXPECT_TRUE(list({shop}).isEmpty()); // the chosen shop has nothing on the list
}
