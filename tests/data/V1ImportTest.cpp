#include "V1FileWriter.h"
#include "V1Importer.h"

#include "Database.h"
#include "EngineError.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// A small file with something of every kind: two shops (one aisle without category, one line record each),
// three categories, two product types (one without category) and three items.
V1File sampleFile() {
    V1File f;
    f.categories = {QStringLiteral("Dairy"), QStringLiteral("  Bakery "), QStringLiteral("Fruit")};
    f.products = {{QStringLiteral("Milk"), QStringLiteral("l"), 0},
                  {QStringLiteral(" Bread "), QStringLiteral(" loaf"), -1}};
    f.items = {{0, QStringLiteral("Acme "), 2.5f, 1.005f, 1},
               {0, QStringLiteral("Other"), 3.5f, 0.125f, 0},
               {1, QString(), 1.0f, 2.0f, -1}};
    f.shops = {
        {QStringLiteral(" Corner Market "), {{10, 20, 30, 40, 2}, {0, 0, 5, 5, -1}, {50, 60, 70, 80, 0}}},
        {QStringLiteral("Big Store"), {{-1, 0, 0, 0, 1}}}};
    return f;
}

QByteArray sampleBytes() {
    return V1FileWriter().file(sampleFile()).data();
}

// Every row of every table as text, in id order, to see that a failed import changed nothing.
QStringList dump(engine::Database& db) {
    QStringList out;
    for (const QString& name : schema::tableNames()) {
        engine::Table t(&db, name);
        t.open();
        for (int r = 0; r < t.recordCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < t.fieldCount(); ++c)
                cells << t.textAt(r, c);
            out << name + QStringLiteral(": ") + cells.join(QLatin1Char('|'));
        }
    }
    return out;
}

// The rows of one table as text, each "field=value" joined with ", ".
QStringList rows(engine::Database& db, const QString& table, const QStringList& fields) {
    engine::Table t(&db, table);
    t.open();
    QStringList out;
    for (t.first(); !t.eof(); t.next()) {
        QStringList cells;
        for (const QString& f : fields)
            cells << f + QLatin1Char('=') + t.field(f).asString();
        out << cells.join(QStringLiteral(", "));
    }
    return out;
}

class V1Import : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDatabaseTables(temp.path());
        // Rows that an import must replace; their ids run past those of the import.
        for (const QString& name : {QStringLiteral("Old one"), QStringLiteral("Old two"),
                                    QStringLiteral("Old three"), QStringLiteral("Old four")}) {
            engine::Table cats(&db, QStringLiteral("Categories"));
            cats.open();
            cats.append();
            cats.field(QStringLiteral("CatName")).setString(name);
            cats.post();
        }
        engine::Table shops(&db, QStringLiteral("Shops"));
        shops.open();
        shops.append();
        shops.field(QStringLiteral("ShopName")).setString(QStringLiteral("Old shop"));
        shops.field(QStringLiteral("Address")).setString(QStringLiteral("1 High Street"));
        shops.post();
        before = dump(db);
    }

    QString write(const QByteArray& bytes, const QString& name = QStringLiteral("shopping.dat")) {
        const QString path = temp.file(name);
        V1FileWriter().bytes(bytes).save(path);
        return path;
    }

    // Imports the file and returns the message of the refusal; the database must be exactly as before.
    QString refusal(const QString& path) {
        V1Importer importer(db);
        QString message;
        try {
            importer.importFile(path);
        } catch (const V1FileError& e) {
            message = e.message();
        }
        EXPECT_EQ(dump(db), before);
        return message;
    }

    TempFolder temp;
    engine::Database db{temp.path()};
    QStringList before;
};

} // namespace

TEST(V1Reader, ReadsEveryListAndStepsOverLineRecords) {
    V1File in = sampleFile();
    in.items[0].size = -7.25f;
    in.items[1].price = std::numeric_limits<float>::max();
    const V1File f = V1Reader::readBytes(V1FileWriter().file(in, 3).data(), QStringLiteral("x.dat"));
    EXPECT_EQ(f.categories, in.categories);
    ASSERT_EQ(f.products.size(), 2);
    EXPECT_EQ(f.products[1].name, QStringLiteral(" Bread "));
    EXPECT_EQ(f.products[1].unit, QStringLiteral(" loaf"));
    EXPECT_EQ(f.products[1].category, -1);
    ASSERT_EQ(f.items.size(), 3);
    EXPECT_EQ(f.items[0].size, -7.25f);
    EXPECT_EQ(f.items[1].price, std::numeric_limits<float>::max());
    EXPECT_EQ(f.items[0].shop, 1);
    EXPECT_EQ(f.items[2].shop, -1);
    EXPECT_EQ(f.items[2].brand, QString());
    ASSERT_EQ(f.shops.size(), 2);
    ASSERT_EQ(f.shops[0].aisles.size(), 3);
    EXPECT_EQ(f.shops[0].aisles[2].left, 50);
    EXPECT_EQ(f.shops[0].aisles[2].bottom, 80);
    EXPECT_EQ(f.shops[0].aisles[1].category, -1);
    EXPECT_EQ(f.shops[1].name, QStringLiteral("Big Store"));
    EXPECT_EQ(f.shops[1].aisles[0].left, -1);
}

TEST(V1Reader, CountsOfZeroOrBelowAnnounceNoRecords) {
    V1FileWriter w;
    w.header().int16(-1).int16(1).shortString("Tea").shortString("g").int16(-32768).int16(-32768).int16(0);
    const V1File f = V1Reader::readBytes(w.data(), QStringLiteral("x.dat"));
    EXPECT_TRUE(f.categories.isEmpty());
    ASSERT_EQ(f.products.size(), 1);
    EXPECT_EQ(f.products[0].name, QStringLiteral("Tea"));
    EXPECT_EQ(f.products[0].category, -32768);
    EXPECT_TRUE(f.items.isEmpty());
    EXPECT_TRUE(f.shops.isEmpty());

    // A shop with negative aisle and line counts has nothing more; the next shop follows at once.
    V1FileWriter s;
    s.header()
        .int16(0)
        .int16(0)
        .int16(0)
        .int16(2)
        .shortString("A")
        .int16(-5)
        .int16(-3)
        .shortString("B")
        .int16(0)
        .int16(0);
    const V1File g = V1Reader::readBytes(s.data(), QStringLiteral("x.dat"));
    ASSERT_EQ(g.shops.size(), 2);
    EXPECT_TRUE(g.shops[0].aisles.isEmpty());
    EXPECT_EQ(g.shops[1].name, QStringLiteral("B"));
}

TEST(V1Reader, NamesAreWindows1252) {
    V1FileWriter w;
    w.header().int16(1).shortBytes("Caf\xe9 \x80 \x9f\x96\xff").int16(0).int16(0).int16(0);
    const V1File f = V1Reader::readBytes(w.data(), QStringLiteral("x.dat"));
    ASSERT_EQ(f.categories.size(), 1);
    EXPECT_EQ(f.categories[0], QStringLiteral(u"Caf\u00e9 \u20ac \u0178\u2013\u00ff"));
}

TEST(V1Reader, RefusesAnythingButTheExactSignature) {
    const QString path = QStringLiteral("/data/old/shopping.dat");
    const QString wrong =
        QStringLiteral("/data/old/shopping.dat does not appear to be a valid Grocelle V1 file.");
    const QByteArray tail = QByteArray(4, 0) + QByteArray(8, 0);
    for (const QByteArray& signature :
         {QByteArray("grocelle"), QByteArray("GROCELLE"), QByteArray("Grocelle "), QByteArray("Grocell"),
          QByteArray(""), QByteArray("Gro\0elle", 8)}) {
        SCOPED_TRACE(signature.toHex().toStdString());
        QString message;
        try {
            V1Reader::readBytes(V1FileWriter().shortBytes(signature).bytes(tail).data(), path);
        } catch (const V1FileError& e) {
            message = e.message();
        }
        EXPECT_EQ(message, wrong);
    }
    // Bytes of the right signature without its length byte are no V1 file either.
    EXPECT_THROW(V1Reader::readBytes(QByteArray("Grocelle") + tail, path), V1FileError);
}

TEST(V1Reader, MissingFileCannotBeOpened) {
    TempFolder temp;
    const QString path = temp.file(QStringLiteral("nothing.dat"));
    try {
        V1Reader::readFile(path);
        FAIL() << "a missing file was read";
    } catch (const V1FileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to open ") + path);
    }
    try {
        V1Reader::readFile(temp.path());
        FAIL() << "a folder was read";
    } catch (const V1FileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to open ") + temp.path());
    }
}

TEST_F(V1Import, ImportsInFileOrderWithIdsAndReferencesFromPositions) {
    const V1ImportCounts counts = V1Importer(db).importFile(write(sampleBytes()));
    EXPECT_EQ(counts.shops, 2);
    EXPECT_EQ(counts.categories, 3);
    EXPECT_EQ(counts.products, 2);
    EXPECT_EQ(counts.items, 3);

    // Ids start again at 1 although older rows had used higher ones; names lose their surrounding blanks.
    EXPECT_EQ(rows(db, QStringLiteral("Categories"), {"CatID", "CatName"}),
              (QStringList{"CatID=1, CatName=Dairy", "CatID=2, CatName=Bakery", "CatID=3, CatName=Fruit"}));
    EXPECT_EQ(rows(db, QStringLiteral("Shops"), {"ShopID", "ShopName", "Address"}),
              (QStringList{"ShopID=1, ShopName=Corner Market, Address=",
                           "ShopID=2, ShopName=Big Store, Address="}));
    // A product without category refers to none.
    EXPECT_EQ(rows(db, QStringLiteral("Products"), {"ProdID", "ProdName", "UnitOfMeasure", "Category"}),
              (QStringList{"ProdID=1, ProdName=Milk, UnitOfMeasure=l, Category=1",
                           "ProdID=2, ProdName=Bread, UnitOfMeasure=loaf, Category=0"}));
    // Sizes round half to even, prices to cents as 32-bit values; no item is on the shopping list.
    engine::Table items(&db, QStringLiteral("Items"));
    items.open();
    ASSERT_EQ(items.recordCount(), 3);
    const auto at = [&](int row, const char* field) {
        items.moveTo(row);
        return items.field(QString::fromLatin1(field));
    };
    EXPECT_EQ(at(0, "ItemID").asInteger(), 1);
    EXPECT_EQ(at(0, "Brand").asString(), QStringLiteral("Acme"));
    EXPECT_EQ(at(0, "Size").asInteger(), 2);
    EXPECT_EQ(at(1, "Size").asInteger(), 4);
    EXPECT_EQ(at(0, "Price").asFloat(), double(1.0f));
    EXPECT_EQ(at(1, "Price").asFloat(), double(0.12f));
    EXPECT_EQ(at(0, "Shop").asInteger(), 2);
    EXPECT_EQ(at(2, "Shop").asInteger(), 0);
    EXPECT_EQ(at(2, "Product").asInteger(), 2);
    for (int r = 0; r < 3; ++r) {
        EXPECT_TRUE(at(r, "Quantity").asString().isEmpty());
        EXPECT_TRUE(at(r, "UndoQty").asString().isEmpty());
    }
}

TEST_F(V1Import, AislesAreNumberedByTenFromOneHundredSkippingThoseWithoutCategory) {
    V1Importer(db).importFile(write(sampleBytes()));
    EXPECT_EQ(
        rows(db, QStringLiteral("Aisles"),
             {"Shop", "Category", "Sequence", "RectLeft", "RectTop", "RectRight", "RectBottom"}),
        (QStringList{"Shop=1, Category=1, Sequence=110, RectLeft=50, RectTop=60, RectRight=70, RectBottom=80",
                     "Shop=1, Category=3, Sequence=100, RectLeft=10, RectTop=20, RectRight=30, RectBottom=40",
                     "Shop=2, Category=2, Sequence=100, RectLeft=-1, RectTop=0, RectRight=0, RectBottom=0"}));
}

TEST_F(V1Import, AisleRectanglesAreStoredAsWritten) {
    V1File f;
    f.categories = {"A", "B", "C", "D", "E", "F"};
    // Inverted, empty and unplaced rectangles alike keep the file's four edges.
    f.shops = {
        {"Shop",
         {{5, 5, 5, 5, 0},
          {5, 5, 4, 9, 1},
          {5, 5, 9, 4, 2},
          {100, 100, -100, -100, 3},
          {std::numeric_limits<std::int32_t>::max(), 0, std::numeric_limits<std::int32_t>::min(), 0, 4},
          {-1, 7, 8, 9, 5}}}};
    V1Importer(db).importFile(write(V1FileWriter().file(f).data()));
    EXPECT_EQ(
        rows(db, QStringLiteral("Aisles"), {"Category", "RectLeft", "RectTop", "RectRight", "RectBottom"}),
        (QStringList{"Category=1, RectLeft=5, RectTop=5, RectRight=5, RectBottom=5",
                     "Category=2, RectLeft=5, RectTop=5, RectRight=4, RectBottom=9",
                     "Category=3, RectLeft=5, RectTop=5, RectRight=9, RectBottom=4",
                     "Category=4, RectLeft=100, RectTop=100, RectRight=-100, RectBottom=-100",
                     "Category=5, RectLeft=2147483647, RectTop=0, RectRight=-2147483648, RectBottom=0",
                     "Category=6, RectLeft=-1, RectTop=7, RectRight=8, RectBottom=9"}));
}

TEST_F(V1Import, IndexesOutOfRangeReferToNoRow) {
    V1File f;
    f.categories = {"Only"};
    f.products = {{"P", "", 1}, {"Q", "", -2}, {"R", "", 32767}};
    // The last two items differ only in product indexes -1 and -2, which stay apart as 0 and -1.
    f.items = {{5, "", 1, 1, -1},
               {-1, "", 1, 1, 3},
               {-9, "b", 1, 1, -32768},
               {-1, "x", 1, 1, 0},
               {-2, "x", 1, 1, 0}};
    f.shops = {{"S", {{0, 0, 1, 1, 1}, {2, 2, 3, 3, -7}}}};
    V1Importer(db).importFile(write(V1FileWriter().file(f).data()));
    EXPECT_EQ(rows(db, QStringLiteral("Products"), {"Category"}),
              (QStringList{"Category=2", "Category=-1", "Category=32768"}));
    EXPECT_EQ(rows(db, QStringLiteral("Items"), {"Product", "Shop"}),
              (QStringList{"Product=6, Shop=0", "Product=0, Shop=4", "Product=-8, Shop=-32767",
                           "Product=0, Shop=1", "Product=-1, Shop=1"}));
    EXPECT_EQ(rows(db, QStringLiteral("Aisles"), {"Category", "Sequence"}),
              (QStringList{"Category=2, Sequence=100"}));
}

TEST_F(V1Import, LongNamesAreCutToTheirFieldsAndOddBytesDecoded) {
    const QByteArray long255(255, 'x');
    V1FileWriter w;
    w.header().int16(1).shortBytes(long255);
    w.int16(1).shortBytes(QByteArray(200, 'p')).shortBytes("\xe9" + QByteArray(254, 'u')).int16(0);
    w.int16(1)
        .int16(0)
        .shortBytes(QByteArray(60, 'b'))
        .float32(1)
        .float32(1)
        .int16(0)
        .bytes(QByteArray(2, 0));
    w.int16(1).shortBytes("  " + QByteArray(49, 's') + " tail").int16(0).int16(0);
    V1Importer(db).importFile(write(w.data()));
    EXPECT_EQ(rows(db, QStringLiteral("Categories"), {"CatName"}),
              (QStringList{"CatName=" + QString(50, 'x')}));
    EXPECT_EQ(rows(db, QStringLiteral("Products"), {"ProdName", "UnitOfMeasure"}),
              (QStringList{"ProdName=" + QString(50, 'p') + ", UnitOfMeasure=" + QStringLiteral(u"\u00e9") +
                           QString(9, 'u')}));
    EXPECT_EQ(rows(db, QStringLiteral("Items"), {"Brand"}), (QStringList{"Brand=" + QString(50, 'b')}));
    // Cut after the blanks around it are gone, and a blank the cut leaves at the end goes too.
    EXPECT_EQ(rows(db, QStringLiteral("Shops"), {"ShopName"}), (QStringList{"ShopName=" + QString(49, 's')}));
}

TEST_F(V1Import, SizesAndPricesThatAreNotNumbersStayEmpty) {
    V1File f;
    f.categories = {"C"};
    f.products = {{"P", "", 0}};
    f.shops = {{"S", {}}};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    f.items = {{0, "a", nan, inf, 0}, {0, "b", 3e9f, nan, 0}, {0, "c", -2147483648.0f, -inf, 0}};
    V1Importer(db).importFile(write(V1FileWriter().file(f).data()));
    EXPECT_EQ(rows(db, QStringLiteral("Items"), {"Brand", "Size", "Price"}),
              (QStringList{
                  "Brand=a, Size=, Price=", "Brand=b, Size=, Price=", "Brand=c, Size=-2147483648, Price="}));
}

TEST_F(V1Import, AnEmptyFileListEmptiesTheDatabase) {
    const V1ImportCounts counts = V1Importer(db).importFile(write(V1FileWriter().file(V1File{}).data()));
    EXPECT_TRUE(dump(db).isEmpty());
    EXPECT_EQ(
        V1Importer::successMessage(counts),
        QStringLiteral(
            "Successfully imported - \r\n   0 shops\r\n   0 categories\r\n   0 product types\r\n   0 items"));
}

TEST_F(V1Import, SuccessMessageCountsTheRecordsRead) {
    const V1ImportCounts counts = V1Importer(db).importFile(write(sampleBytes()));
    EXPECT_EQ(
        V1Importer::successMessage(counts),
        QStringLiteral(
            "Successfully imported - \r\n   2 shops\r\n   3 categories\r\n   2 product types\r\n   3 items"));
    EXPECT_EQ(V1Importer::warningText(),
              QStringLiteral("Importing an old V1 data file will delete ALL the current Grocelle data."));
}

TEST_F(V1Import, BadFilesChangeNothing) {
    EXPECT_EQ(refusal(write(QByteArray())),
              write(QByteArray()) + " does not appear to be a valid Grocelle V1 file.");
    const QString lower = write(V1FileWriter().shortBytes("grocelle").bytes(sampleBytes().mid(9)).data());
    EXPECT_EQ(refusal(lower), lower + " does not appear to be a valid Grocelle V1 file.");
    const QString missing = temp.file(QStringLiteral("absent.dat"));
    EXPECT_EQ(refusal(missing), "Unable to open " + missing);
}

TEST_F(V1Import, AFileCutAtAnyByteChangesNothing) {
    const QByteArray whole = sampleBytes();
    const QString path = temp.file(QStringLiteral("cut.dat"));
    for (qsizetype length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        V1FileWriter().bytes(whole.left(length)).save(path);
        // Inside the signature the file is no V1 file; after it, a file that stops short.
        const QString expected = length < 9 ? path + " does not appear to be a valid Grocelle V1 file."
                                            : path + " is not a complete Grocelle V1 file.";
        EXPECT_EQ(refusal(path), expected);
    }
    // Bytes after the last record are not looked at.
    V1Importer(db).importFile(write(whole + "trailing"));
    EXPECT_EQ(rows(db, QStringLiteral("Shops"), {"ShopName"}).size(), 2);
}

TEST_F(V1Import, ARecordTheEngineRefusesLeavesEverythingAsBefore) {
    // Category names differ only in letter case: the unique name index refuses the second one after the
    // shops, aisles and first category were written.
    V1File f = sampleFile();
    f.categories << QStringLiteral("DAIRY");
    QString message;
    int code = 0;
    try {
        V1Importer(db).importFile(write(V1FileWriter().file(f).data()));
    } catch (const engine::EngineError& e) {
        message = e.message();
        code = e.code();
    }
    EXPECT_EQ(code, engine::KeyViolation);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(dump(db), before);

    // The same for a late record: an item repeating another's product, brand, size and shop.
    f = sampleFile();
    f.items << f.items[2];
    EXPECT_THROW(V1Importer(db).importFile(write(V1FileWriter().file(f).data())), engine::EngineError);
    EXPECT_EQ(dump(db), before);

    // A shop without a name: the field is required.
    f = sampleFile();
    f.shops[1].name = QStringLiteral("   ");
    EXPECT_THROW(V1Importer(db).importFile(write(V1FileWriter().file(f).data())), engine::EngineError);
    EXPECT_EQ(dump(db), before);

    // After all the refusals a good file still imports in full, ids from 1.
    V1Importer(db).importFile(write(sampleBytes()));
    EXPECT_EQ(rows(db, QStringLiteral("Categories"), {"CatID"}),
              (QStringList{"CatID=1", "CatID=2", "CatID=3"}));
}
