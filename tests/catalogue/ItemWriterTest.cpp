#include "ItemWriter.h"
#include "CatalogueFixture.h"

using catalogue::ItemFields;
using catalogue::ItemWriter;

namespace {

// The Items table object as the main window sets it up: prices rounded before every post, a duplicate
// reported with the page's own text.
class ItemWriterTest : public CatalogueFixture {
protected:
    ItemWriterTest() : items(&db, QStringLiteral("Items")) {
        shop = addShop("Corner");
        milk = addProduct("Milk", addCategory("Dairy"), "l");
        items.setBeforePost(&ItemWriter::roundPrice);
        items.setOnPostError([this](engine::DataSet& d, const engine::EngineError& e) {
            errors << (e.code() == engine::KeyViolation ? ItemWriter::duplicateMessage(d) : e.message());
            d.cancel();
            return engine::DataSet::PostErrorAction::Abort;
        });
        items.open();
    }

    ItemFields fields(const char* brand, const char* size, const char* price) {
        return {milk, QString::fromUtf8(brand), QString::fromUtf8(size), QString::fromUtf8(price), shop};
    }
    double storedPrice(int itemId) {
        engine::Table t(&db, QStringLiteral("Items"));
        t.open();
        EXPECT_TRUE(t.findKey({v(qint64{itemId})}));
        return t.field(QStringLiteral("Price")).asFloat();
    }

    engine::Table items;
    ItemWriter writer{items};
    QStringList errors;
    int shop = 0, milk = 0;
};

TEST_F(ItemWriterTest, PricesAreRoundedToCentsOnEveryPost) {
    const int id = writer.add(fields("Acme", "2", "2.999"));
    EXPECT_DOUBLE_EQ(storedPrice(id), static_cast<double>(3.0f));
    const int blank = writer.add(fields("Blank", "", "  "));
    EXPECT_DOUBLE_EQ(storedPrice(blank), 0.0);
    const int large = writer.add(fields("Large", "", "1e3"));
    EXPECT_DOUBLE_EQ(storedPrice(large), 1000.0);
    ASSERT_TRUE(writer.change(id, fields("Acme", "2", "0.125")));
    EXPECT_DOUBLE_EQ(storedPrice(id), static_cast<double>(0.12f));
    EXPECT_FALSE(writer.change(9999, fields("Ghost", "", "1")));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ItemWriterTest, BadNumbersAreRefusedAndNothingIsWritten) {
    struct Case {
        const char* size;
        const char* price;
        const char* message;
    };
    const Case cases[] = {
        {"2.5", "1", "'2.5' is not a valid integer value for field 'Size'"},
        {"abc", "1", "'abc' is not a valid integer value for field 'Size'"},
        {"99999999999", "1", "'99999999999' is not a valid integer value for field 'Size'"},
        {"2", "abc", "'abc' is not a valid floating point value for field 'Price'"},
        {"2", "1,5", "'1,5' is not a valid floating point value for field 'Price'"},
        {"2", "1,000", "'1,000' is not a valid floating point value for field 'Price'"},
        {"-1", "1", "'-1' is not a valid size for field 'Size'"},
        {"2", "-1", "'-1' is not a valid price for field 'Price'"},
        {"2", "1e300", "'1e300' is not a valid price for field 'Price'"},
    };
    for (const Case& c : cases) {
        const ItemFields f = fields("Acme", c.size, c.price);
        EXPECT_EQ(writer.inputProblem(f).value_or(QString()), QString::fromUtf8(c.message))
            << c.size << c.price;
        // Writing it anyway is refused by the field itself, and the pending row goes away.
        if (QString::fromUtf8(c.message).contains(QStringLiteral("valid integer")) ||
            QString::fromUtf8(c.message).contains(QStringLiteral("floating point"))) {
            EXPECT_THROW(writer.add(f), engine::EngineError);
            EXPECT_EQ(items.state(), engine::DataSet::State::Browse);
        }
    }
    EXPECT_FALSE(writer.inputProblem(fields("Acme", " 12 ", " 1.50 ")));
    EXPECT_EQ(writer.inputProblem(fields("01234567890123456789012345678901234567890123456789X", "", ""))
                  .value_or(QString()),
              "The brand can have at most 50 characters.");
    EXPECT_EQ(rows("Items"), 0);
    EXPECT_EQ(items.state(), engine::DataSet::State::Browse);
}

TEST_F(ItemWriterTest, DuplicateItemIsReportedWithItsNames) {
    writer.add(fields("Acme", "2", "1"));
    EXPECT_THROW(writer.add(fields("Acme", "2", "1")), engine::SilentAbort);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "Item:\r\nMilk Acme 2l at Corner\r\nalready exists.");
    // The brand is compared without regard to case; another shop is another item.
    EXPECT_THROW(writer.add(fields("ACME", "2", "1")), engine::SilentAbort);
    ItemFields elsewhere = fields("Acme", "2", "1");
    elsewhere.shopId = addShop("Market");
    writer.add(elsewhere);
    EXPECT_EQ(rows("Items"), 2);

    // No shop at all: the required field refuses the row.
    ItemFields noShop = fields("Other", "", "1");
    noShop.shopId.reset();
    errors.clear();
    EXPECT_THROW(writer.add(noShop), engine::SilentAbort);
    EXPECT_EQ(errors.value(0), "Field 'Shop' must have a value");
    EXPECT_EQ(rows("Items"), 2);
}

TEST_F(ItemWriterTest, TextIsStoredTrimmedAndExactly) {
    const int id = writer.add(fields("  O'Brien \"###\" 🥛 ", "", "1"));
    engine::Table t(&db, QStringLiteral("Items"));
    t.open();
    ASSERT_TRUE(t.findKey({v(qint64{id})}));
    EXPECT_EQ(t.field(QStringLiteral("Brand")).asString(), QString::fromUtf8("O'Brien \"###\" 🥛"));
    EXPECT_TRUE(t.field(QStringLiteral("Size")).isNull());
    EXPECT_TRUE(t.field(QStringLiteral("Quantity")).isNull());
}

} // namespace
