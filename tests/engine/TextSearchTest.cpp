#include "TextSearch.h"
#include "EngineTestSupport.h"

using engine::TextSearch;
using engine::Value;

namespace {

Value text(const char* s) {
    return Value{std::string(s)};
}

} // namespace

// The rule itself, on rows as a list shows them: product type, brand, size, price.
TEST(TextSearchTest, EveryWordIsFoundInSomeColumnIgnoringCaseAndAccents) {
    const std::vector<Value> cafe{text("Café au lait"), text("Crème d'Or"), Value{std::int64_t{120}},
                                  Value{1.49}};
    const std::vector<Value> oatMilk{text("Oat milk"), text("O'Brien"), Value{}, Value{12.0}};
    struct Case {
        const char* typed;
        int locale;
        const std::vector<Value>* row;
        bool found;
    };
    const Case cases[] = {
        {"cafe", 0, &cafe, true},            // accents ignored with the default language too
        {"CREME", 1036, &cafe, true},        // and case, in French
        {"crème cafe", 0, &cafe, true},      // each word in another column
        {"lait creme", 0, &cafe, true},      // in any order
        {"lait soy", 0, &cafe, false},       // every word must be found
        {"ilk", 0, &oatMilk, true},          // inside a word
        {"o'brien milk", 0, &oatMilk, true}, // a quote is a character like another
        {"1.4", 0, &cafe, true},             // a price from its start
        {"1,49", 0, &cafe, true},            // a decimal comma
        {"49", 0, &cafe, false},             // but not from its middle
        {"12", 0, &cafe, true},              // a size of 120
        {"20", 0, &cafe, false},
        {"12.00", 0, &oatMilk, true}, // a whole price as the grid writes it
        {"  \t ", 0, &cafe, true},    // nothing typed finds everything
    };
    for (const Case& c : cases) {
        const TextSearch search(QString::fromUtf8(c.typed), c.locale);
        EXPECT_EQ(search.matches(*c.row), c.found) << c.typed;
    }
    // The language decides what is an accent: in German "ö" is an "o" with one, in Swedish its own letter.
    const std::vector<Value> oil{text("Öl")};
    EXPECT_TRUE(TextSearch(QStringLiteral("ol"), 1031).matches(oil));
    EXPECT_FALSE(TextSearch(QStringLiteral("ol"), 1053).matches(oil));
}

// Through SQL, as the lists use it: a condition of the statement, with the typed text quoted safely.
TEST_F(EngineTest, SearchMatchFiltersAStatementAndQuotesTheTypedText) {
    const int dairy = addCategory(QStringLiteral("Crèmerie"));
    const int shop = addShop(QStringLiteral("L'Épicerie"));
    const int cream = addProduct(QStringLiteral("Crème fraîche"), dairy);
    const int milk = addProduct(QStringLiteral("Milk"), dairy);
    engine::Table items(&db, QStringLiteral("Items"));
    items.open();
    addItem(items, cream, QStringLiteral("Isigny"), 200, shop, 2.35);
    const int milkItem = addItem(items, milk, QStringLiteral("Lactel"), 1000, shop, 1.10);
    const QStringList columns{QStringLiteral("P.ProdName"), QStringLiteral("I.Brand"),
                              QStringLiteral("C.CatName"),  QStringLiteral("S.ShopName"),
                              QStringLiteral("I.Size"),     QStringLiteral("I.Price")};
    const auto found = [&](const QString& typed, const QList<std::int64_t>& kept = {}) {
        engine::Query q(&db);
        QString where = QStringLiteral("WHERE I.Product = P.ProdID AND I.Shop = S.ShopID AND "
                                       "P.Category = C.CatID");
        const QString condition =
            TextSearch::sqlCondition(typed, 0, columns, QStringLiteral("I.ItemID"), kept);
        if (!condition.isEmpty())
            where += QStringLiteral(" AND ") + condition;
        q.setSql({QStringLiteral("SELECT ProdName FROM Items I, Products P, Categories C, Shops S"), where,
                  QStringLiteral("ORDER BY ProdName")});
        q.open();
        QStringList names;
        for (q.first(); !q.eof(); q.next())
            names << q.field(QStringLiteral("ProdName")).asString();
        return names;
    };
    EXPECT_EQ(found(QStringLiteral("fraiche")), QStringList{QStringLiteral("Crème fraîche")});
    EXPECT_EQ(found(QStringLiteral("cremerie")),
              (QStringList{QStringLiteral("Crème fraîche"), QStringLiteral("Milk")}));
    EXPECT_EQ(found(QStringLiteral("l'epicerie 1.1")), QStringList{QStringLiteral("Milk")});
    EXPECT_EQ(found(QStringLiteral("x'); DROP TABLE Items; --")), QStringList{});
    // A kept row (edited since the search was typed) stays whatever it holds.
    EXPECT_EQ(found(QStringLiteral("fraiche"), {milkItem}),
              (QStringList{QStringLiteral("Crème fraîche"), QStringLiteral("Milk")}));
    EXPECT_EQ(found(QString()), (QStringList{QStringLiteral("Crème fraîche"), QStringLiteral("Milk")}));
    EXPECT_EQ(countRows(QStringLiteral("Items")), 2);
}

// Table and query objects take a search as a condition on their order: a row that stops meeting it after an
// edit stays in view until the order is read again, also when it is read again by key.
TEST_F(EngineTest, SearchConditionChoosesTheRowsWhenTheOrderIsRead) {
    for (const char* name : {"Dairy", "Crèmerie", "Bakery"})
        addCategory(QString::fromUtf8(name));
    const QString condition = TextSearch::sqlCondition(QStringLiteral("ry"), 0, {QStringLiteral("CatName")});
    const auto names = [](engine::DataSet& data) {
        QStringList out;
        for (int r = 0; r < data.recordCount(); ++r)
            out << data.textAt(r, data.fieldIndex(QStringLiteral("CatName")));
        return out;
    };
    engine::Table table(&db, QStringLiteral("Categories"));
    table.setIndexName(QStringLiteral("IdxName"));
    table.setSearchCondition(condition);
    table.open();
    EXPECT_EQ(names(table), (QStringList{"Bakery", "Dairy"}));
    engine::Query keyed(&db), plain(&db);
    for (engine::Query* q : {&keyed, &plain}) {
        q->setSql(QStringLiteral("SELECT * FROM Categories ORDER BY CatName"));
        q->setSearchCondition(condition);
    }
    keyed.setKeyField(QStringLiteral("CatID"));
    for (engine::Query* q : {&keyed, &plain}) {
        q->open();
        EXPECT_EQ(names(*q), (QStringList{"Bakery", "Dairy"}));
    }
    table.first();
    table.edit();
    table.field(QStringLiteral("CatName")).setString(QStringLiteral("Bread"));
    table.post();
    EXPECT_EQ(names(table), (QStringList{"Bread", "Dairy"})); // still in view
    keyed.refreshAfterChange(table.field(QStringLiteral("CatID")).asInteger());
    EXPECT_EQ(names(keyed), (QStringList{"Dairy"})); // the order read again
    for (engine::DataSet* data : std::initializer_list<engine::DataSet*>{&table, &keyed}) {
        data->setSearchCondition({});
        data->close();
        data->open();
        EXPECT_EQ(names(*data).size(), 3);
    }
}
