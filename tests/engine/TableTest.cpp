#include "EngineTestSupport.h"

#include <QSignalSpy>

using engine::EngineError;
using engine::Table;
using engine::textValue;
using engine::Value;

namespace {

QStringList walk(engine::DataSet& t, const QString& field) {
    QStringList out;
    for (t.first(); !t.eof(); t.next())
        out << t.field(field).asString();
    return out;
}

} // namespace

// Unique indexes: empty key parts are equal, case is ignored where the index says so.
TEST_F(EngineTest, UniqueIndexesRefuseDuplicatesWithCode9729) {
    const int cat = addCategory(QStringLiteral("Dairy"));
    const int shopA = addShop(QStringLiteral("Corner Market"));
    const int shopB = addShop(QStringLiteral("Big Store"));
    const int milk = addProduct(QStringLiteral("Milk"), cat);
    Table items(&db, QStringLiteral("Items"));
    items.open();

    addItem(items, milk, QString(), -1, shopA);
    EXPECT_EQ(errorCode([&] { addItem(items, milk, QString(), -1, shopA); }), engine::KeyViolation);
    EXPECT_EQ(items.state(), engine::DataSet::State::Insert) << "the refused record stays unposted";
    items.cancel();

    addItem(items, milk, QStringLiteral("Acme"), 1000, shopA);
    QString message;
    EXPECT_EQ(errorCode([&] { addItem(items, milk, QStringLiteral("ACME"), 1000, shopA); }, &message),
              engine::KeyViolation);
    EXPECT_TRUE(message.contains(QStringLiteral("IdxItem")));
    items.cancel();
    addItem(items, milk, QStringLiteral("ACME"), 1000, shopB); // the same in another shop is allowed
    EXPECT_EQ(items.recordCount(), 3);
    EXPECT_EQ(countRows(QStringLiteral("Items")), 3);

    EXPECT_EQ(errorCode([&] { addCategory(QStringLiteral("DAIRY")); }), engine::KeyViolation);
    EXPECT_EQ(errorCode([&] { addProduct(QStringLiteral("milk"), cat + 1); }), engine::KeyViolation);
    EXPECT_EQ(errorCode([&] { addShop(QStringLiteral("corner market")); }), engine::KeyViolation);

    // Editing an item onto another's key, with an empty brand, is refused too.
    addItem(items, milk, QStringLiteral("Other"), -1, shopB);
    items.edit();
    items.field(QStringLiteral("Shop")).setInteger(shopA);
    items.field(QStringLiteral("Brand")).clear();
    EXPECT_EQ(errorCode([&] { items.post(); }), engine::KeyViolation);
    items.cancel();

    Table aisles(&db, QStringLiteral("Aisles"));
    aisles.open();
    const auto addAisle = [&](int shop) {
        aisles.append();
        aisles.field(QStringLiteral("Category")).setInteger(cat);
        aisles.field(QStringLiteral("Shop")).setInteger(shop);
        aisles.post();
    };
    addAisle(shopA);
    addAisle(shopB);
    EXPECT_EQ(errorCode([&] { addAisle(shopA); }), engine::KeyViolation);
}

TEST_F(EngineTest, RequiredFieldsAndConversionsRefuseWithoutWriting) {
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    cats.append();
    QString message;
    EXPECT_EQ(errorCode([&] { cats.post(); }, &message), engine::FieldRequired);
    EXPECT_EQ(message, QStringLiteral("Field 'CatName' must have a value"));
    cats.cancel();

    const int shop = addShop(QStringLiteral("Shop"));
    Table items(&db, QStringLiteral("Items"));
    items.open();
    items.append();
    items.field(QStringLiteral("Product")).setInteger(1);
    items.field(QStringLiteral("Shop")).setInteger(shop);
    EXPECT_EQ(
        errorCode([&] { items.field(QStringLiteral("Size")).setString(QStringLiteral("2.5")); }, &message),
        engine::ConversionFailed);
    EXPECT_EQ(message, QStringLiteral("'2.5' is not a valid integer value for field 'Size'"));
    EXPECT_EQ(
        errorCode([&] { items.field(QStringLiteral("Price")).setString(QStringLiteral("abc")); }, &message),
        engine::ConversionFailed);
    EXPECT_EQ(message, QStringLiteral("'abc' is not a valid floating point value for field 'Price'"));
    EXPECT_TRUE(items.field(QStringLiteral("Size")).isNull());
    items.field(QStringLiteral("Price")).setString(QStringLiteral("1e3"));
    items.field(QStringLiteral("Size")).setString(QStringLiteral(" 12 "));
    items.field(QStringLiteral("Quantity")).setString(QString());
    items.post();
    EXPECT_DOUBLE_EQ(items.field(QStringLiteral("Price")).asFloat(), 1000.0);
    EXPECT_EQ(items.field(QStringLiteral("Size")).asInteger(), 12);
    EXPECT_TRUE(items.field(QStringLiteral("Quantity")).isNull());
    EXPECT_EQ(items.field(QStringLiteral("Quantity")).asInteger(), 0);
    EXPECT_EQ(items.field(QStringLiteral("Brand")).asString(), QString());

    // Field names are found whatever their case; unknown names are an engine error.
    EXPECT_EQ(items.field(QStringLiteral("itemid")).asInteger(),
              items.field(QStringLiteral("ItemID")).asInteger());
    EXPECT_EQ(errorCode([&] { items.field(QStringLiteral("Nope")); }), engine::UnknownField);
    EXPECT_EQ(errorCode([&] { items.setIndexName(QStringLiteral("IdxNope")); }), engine::UnknownIndex);

    // Strings are limited to their size in characters, also beyond ASCII.
    cats.append();
    cats.field(QStringLiteral("CatName")).setString(QString(60, QChar(0x00E9)));
    cats.post();
    EXPECT_EQ(cats.field(QStringLiteral("CatName")).asString().size(), 50);
}

TEST_F(EngineTest, IndexOrderEmptyPartsFirstAndIndexChangeKeepsRecord) {
    const int cat = addCategory(QStringLiteral("Fruit"));
    const int shop = addShop(QStringLiteral("Shop"));
    const int apples = addProduct(QStringLiteral("Apples"), cat);
    Table items(&db, QStringLiteral("Items"));
    items.open();
    addItem(items, apples, QStringLiteral("zeta"), 5, shop);
    addItem(items, apples, QStringLiteral("Alpha"), 5, shop);
    const int noBrand = addItem(items, apples, QString(), 5, shop);
    addItem(items, apples, QStringLiteral("beta"), -1, shop);
    addItem(items, apples, QStringLiteral("beta"), 1, shop);

    items.setIndexName(QStringLiteral("IdxItem"));
    EXPECT_EQ(walk(items, QStringLiteral("Brand")),
              (QStringList{QString(), QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("beta"),
                           QStringLiteral("zeta")}));
    items.first();
    items.next();
    items.next();
    EXPECT_TRUE(items.field(QStringLiteral("Size")).isNull()) << "an empty size sorts below 1";

    ASSERT_TRUE(items.locate(QStringLiteral("ItemID"), Value{std::int64_t{noBrand}}));
    items.setIndexName(QStringLiteral("IdxBrand"));
    EXPECT_EQ(items.field(QStringLiteral("ItemID")).asInteger(), noBrand);
    items.setIndexName(QString());
    EXPECT_EQ(items.field(QStringLiteral("ItemID")).asInteger(), noBrand);
    EXPECT_EQ(walk(items, QStringLiteral("ItemID")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                           QStringLiteral("5")}));

    // A post that changes a key moves the record to its new place and keeps it current.
    items.setIndexName(QStringLiteral("IdxItem"));
    ASSERT_TRUE(items.locate(QStringLiteral("Brand"), textValue(QStringLiteral("zeta"))));
    items.edit();
    items.field(QStringLiteral("Brand")).setString(QStringLiteral("Aardvark"));
    items.post();
    EXPECT_EQ(items.recNo(), 1);
    EXPECT_EQ(walk(items, QStringLiteral("Brand")).at(1), QStringLiteral("Aardvark"));
}

TEST_F(EngineTest, KeySearchExactNearestAndCaseInsensitive) {
    for (const char* n : {"Bakery", "dairy", "Frozen", "Meat"})
        addCategory(QString::fromLatin1(n));
    Table cats(&db, QStringLiteral("Categories"));
    cats.setIndexName(QStringLiteral("IdxName"));
    cats.open();
    cats.setKey();
    cats.field(QStringLiteral("CatName")).setString(QStringLiteral("DAIRY"));
    EXPECT_TRUE(cats.gotoKey());
    EXPECT_EQ(cats.field(QStringLiteral("CatName")).asString(), QStringLiteral("dairy"));
    EXPECT_FALSE(cats.findKey({textValue(QStringLiteral("Fish"))}));
    EXPECT_EQ(cats.field(QStringLiteral("CatName")).asString(), QStringLiteral("dairy"))
        << "a miss does not move";
    cats.findNearest({textValue(QStringLiteral("fish"))});
    EXPECT_EQ(cats.field(QStringLiteral("CatName")).asString(), QStringLiteral("Frozen"));
    cats.findNearest({textValue(QStringLiteral("zzz"))});
    EXPECT_TRUE(cats.eof());

    // A shop's first aisle: Shop = id with Category = -1 on the primary index (Shop;Category).
    Table aisles(&db, QStringLiteral("Aisles"));
    aisles.open();
    for (auto [shop, cat] : {std::pair{2, 7}, {1, 3}, {2, 4}, {3, 1}}) {
        aisles.append();
        aisles.field(QStringLiteral("Shop")).setInteger(shop);
        aisles.field(QStringLiteral("Category")).setInteger(cat);
        aisles.post();
    }
    aisles.setKey();
    aisles.field(QStringLiteral("Shop")).setInteger(2);
    aisles.field(QStringLiteral("Category")).setInteger(-1);
    aisles.gotoNearest();
    EXPECT_EQ(aisles.field(QStringLiteral("Shop")).asInteger(), 2);
    EXPECT_EQ(aisles.field(QStringLiteral("Category")).asInteger(), 4);
    aisles.setKey();
    aisles.field(QStringLiteral("Shop")).setInteger(2);
    EXPECT_TRUE(aisles.gotoKey()) << "a partial key finds the first record with those leading fields";
    EXPECT_EQ(aisles.field(QStringLiteral("Category")).asInteger(), 4);
}

TEST_F(EngineTest, TextOrderIsLanguageAwareAndNotSplitByCase) {
    const int shop = addShop(QStringLiteral("Shop"));
    Table items(&db, QStringLiteral("Items"));
    items.open();
    int product = 1;
    for (const char* brand : {"banana", "Apple", "\xC3\x84pfel", "Cherry", "apple"})
        addItem(items, product++, QString::fromUtf8(brand), -1, shop);
    items.setIndexName(QStringLiteral("IdxBrand"));
    EXPECT_EQ(walk(items, QStringLiteral("Brand")),
              (QStringList{QStringLiteral("Apple"), QStringLiteral("apple"), QStringLiteral("banana"),
                           QStringLiteral("Cherry"), QString::fromUtf8("\xC3\x84pfel")}))
        << "locale 0 folds case only; equal keys keep their insertion order";

    engine::Query q(&db);
    q.setSql(QStringLiteral("SELECT Brand FROM Items ORDER BY Brand"));
    q.open();
    EXPECT_EQ(walk(q, QStringLiteral("Brand")),
              (QStringList{QStringLiteral("apple"), QStringLiteral("Apple"), QStringLiteral("banana"),
                           QStringLiteral("Cherry"), QString::fromUtf8("\xC3\x84pfel")}));

    // Under German rules the umlaut sorts with its base letter.
    ASSERT_TRUE(engine::collation::isUsable(1031));
    db.alterTables(schema::tableNames(), 1031);
    items.open();
    items.setIndexName(QStringLiteral("IdxBrand"));
    EXPECT_EQ(walk(items, QStringLiteral("Brand")),
              (QStringList{QString::fromUtf8("\xC3\x84pfel"), QStringLiteral("Apple"),
                           QStringLiteral("apple"), QStringLiteral("banana"), QStringLiteral("Cherry")}));
}

TEST(Collation, OffersUsableLanguagesBesideAnsiStandard) {
    const auto& all = engine::collation::locales();
    EXPECT_GE(all.size(), 11);
    EXPECT_EQ(all.front().id, 0);
    EXPECT_EQ(all.front().name, QStringLiteral("ANSI Standard"));
    int usable = 0;
    for (const auto& l : all)
        usable += engine::collation::isUsable(l.id) ? 1 : 0;
    EXPECT_GE(usable, 10);
    EXPECT_FALSE(engine::collation::isUsable(4242));
    const engine::Collator ci = engine::collation::collator(1036, true);
    EXPECT_EQ(ci("\xC3\xA9t\xC3\xA9", 6, "\xC3\x89T\xC3\x89", 6), 0) << "French ignores case, keeps accents";
    EXPECT_NE(ci("ete", 3, "\xC3\xA9t\xC3\xA9", 6), 0);
}

TEST_F(EngineTest, AutoIncrementIdsArePositiveNeverReusedAndRestartAfterEmpty) {
    const int a = addCategory(QStringLiteral("A"));
    const int b = addCategory(QStringLiteral("B"));
    EXPECT_GT(a, 0);
    EXPECT_EQ(b, a + 1);
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    cats.last();
    cats.deleteRecord();
    EXPECT_EQ(addCategory(QStringLiteral("C")), b + 1) << "a deleted id is not handed out again";

    db.emptyTable(QStringLiteral("Categories"));
    cats.first();
    EXPECT_TRUE(cats.isEmpty()) << "an open table object sees the emptied table on its next move";
    EXPECT_EQ(addCategory(QStringLiteral("X")), 1);
    EXPECT_EQ(addCategory(QStringLiteral("Y")), 2);
    EXPECT_EQ(addCategory(QStringLiteral("Z")), 3);
}

TEST_F(EngineTest, FilterDeleteAndNavigationEdges) {
    const int s1 = addShop(QStringLiteral("One"));
    const int s2 = addShop(QStringLiteral("Two"));
    Table items(&db, QStringLiteral("Items"));
    items.open();
    for (int p = 1; p <= 3; ++p) {
        addItem(items, p, QString(), -1, s1);
        addItem(items, p, QString(), -1, s2);
    }
    items.setFilter(QStringLiteral("Shop = %1").arg(s2));
    items.setFiltered(true);
    EXPECT_EQ(items.recordCount(), 3);
    EXPECT_EQ(errorCode([&] { items.setFilter(QStringLiteral("Shop > 1")); }), engine::InvalidFilter);

    // Moving a record out of the filtered shop takes it out of view.
    items.first();
    items.edit();
    items.field(QStringLiteral("Shop")).setInteger(s1);
    items.field(QStringLiteral("Product")).setInteger(9);
    items.post();
    EXPECT_EQ(items.recordCount(), 2);

    // Deleting while walking visits every record once; deleting the last leaves eof set.
    int visited = 0;
    for (items.first(); !items.eof();) {
        ++visited;
        items.deleteRecord();
    }
    EXPECT_EQ(visited, 2);
    EXPECT_TRUE(items.isEmpty());
    EXPECT_TRUE(items.bof() && items.eof());
    items.setFiltered(false);
    EXPECT_EQ(items.recordCount(), 4);
    items.last();
    EXPECT_TRUE(items.eof());
    items.prior();
    EXPECT_FALSE(items.eof());
    EXPECT_EQ(items.recNo(), 2);
}

TEST_F(EngineTest, HooksBeforePostAndPostError) {
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    cats.setBeforePost([](engine::DataSet& ds) {
        ds.field(QStringLiteral("CatName"))
            .setString(ds.field(QStringLiteral("CatName")).asString().trimmed());
    });
    int errors = 0;
    cats.setOnPostError([&](engine::DataSet& ds, const EngineError& e) {
        ++errors;
        EXPECT_EQ(e.code(), engine::KeyViolation);
        ds.cancel();
        return engine::DataSet::PostErrorAction::Abort;
    });
    cats.append();
    cats.field(QStringLiteral("CatName")).setString(QStringLiteral("  Bread  "));
    cats.post();
    EXPECT_EQ(cats.field(QStringLiteral("CatName")).asString(), QStringLiteral("Bread"));
    cats.append();
    cats.field(QStringLiteral("CatName")).setString(QStringLiteral("BREAD "));
    EXPECT_THROW(cats.post(), engine::SilentAbort);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(cats.state(), engine::DataSet::State::Browse);
    EXPECT_EQ(cats.recordCount(), 1);
}

TEST_F(EngineTest, ViewsAreToldOfChangesUnlessControlsAreDisabled) {
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    QSignalSpy inserted(&cats, &engine::DataSet::rowInserted);
    QSignalSpy reset(&cats, &engine::DataSet::contentReset);
    cats.append();
    cats.field(QStringLiteral("CatName")).setString(QStringLiteral("A"));
    cats.post();
    EXPECT_EQ(inserted.count(), 1);
    cats.disableControls();
    EXPECT_TRUE(cats.controlsDisabled());
    cats.append();
    cats.field(QStringLiteral("CatName")).setString(QStringLiteral("B"));
    cats.post();
    EXPECT_EQ(inserted.count(), 1);
    const int resetsBefore = static_cast<int>(reset.count());
    cats.enableControls();
    EXPECT_FALSE(cats.controlsDisabled());
    EXPECT_EQ(reset.count(), resetsBefore + 1);
}

TEST_F(EngineTest, TwoObjectsOnOneTableSeeEachOthersPosts) {
    Table a(&db, QStringLiteral("Shops"));
    Table b(&db, QStringLiteral("Shops"));
    a.open();
    b.open();
    a.append();
    a.field(QStringLiteral("ShopName")).setString(QStringLiteral("First"));
    a.post();
    b.first();
    EXPECT_EQ(b.recordCount(), 1);
    b.edit();
    b.field(QStringLiteral("Phone")).setString(QStringLiteral("555"));
    b.post();
    a.first();
    EXPECT_EQ(a.field(QStringLiteral("Phone")).asString(), QStringLiteral("555"));
}

TEST_F(EngineTest, TransactionsCommitAllOrNothing) {
    addCategory(QStringLiteral("Keep"));
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    try {
        engine::Transaction t(db);
        cats.first();
        cats.deleteRecord();
        cats.append();
        cats.field(QStringLiteral("CatName")).setString(QStringLiteral("New"));
        cats.post();
        addShop(QStringLiteral("Shop in the same unit"));
        throw std::runtime_error("failure half-way");
    } catch (const std::runtime_error&) {
    }
    cats.first();
    EXPECT_EQ(walk(cats, QStringLiteral("CatName")), QStringList{QStringLiteral("Keep")});
    EXPECT_EQ(countRows(QStringLiteral("Shops")), 0);

    {
        engine::Transaction outer(db);
        addShop(QStringLiteral("Outer"));
        try {
            engine::Transaction inner(db);
            addShop(QStringLiteral("Inner"));
            throw std::runtime_error("inner fails");
        } catch (const std::runtime_error&) {
        }
        outer.commit();
    }
    EXPECT_EQ(countRows(QStringLiteral("Shops")), 1);
}

TEST_F(EngineTest, ClosingTheConnectionClosesObjectsAndReleasesFiles) {
    addCategory(QStringLiteral("Dairy"));
    Table cats(&db, QStringLiteral("Categories"));
    engine::Query q(&db);
    q.setSql(QStringLiteral("SELECT * FROM Categories"));
    cats.open();
    q.open();
    db.close();
    EXPECT_FALSE(cats.isOpen());
    EXPECT_FALSE(q.isOpen());
    EXPECT_FALSE(db.isOpen());
    // The files can now be replaced: swap in a copy with another row.
    const QString dat = db.dataFilePath(QStringLiteral("Categories"));
    ASSERT_TRUE(QFile::copy(dat, temp.file(QStringLiteral("copy.dat"))));
    ASSERT_TRUE(QFile::remove(dat));
    ASSERT_TRUE(QFile::rename(temp.file(QStringLiteral("copy.dat")), dat));
    EXPECT_EQ(QDir(temp.path()).entryList({QStringLiteral("*-journal")}, QDir::Files).size(), 0);
    cats.open();
    EXPECT_EQ(cats.recordCount(), 1);
    EXPECT_EQ(errorCode([&] {
                  cats.close();
                  cats.setTableName(QStringLiteral("Missing"));
                  cats.open();
              }),
              engine::UnknownTable);
}
