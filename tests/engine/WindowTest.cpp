#include "EngineTestSupport.h"

#include <QSignalSpy>

#include <algorithm>

using engine::Query;
using engine::Table;
using engine::textValue;
using engine::Value;

// More rows than an object caches, so that reading by position goes back to the tables.
class WindowTest : public EngineTest {
protected:
    static constexpr int kItems = 5000;

    void SetUp() override {
        shopA = addShop(QStringLiteral("A"));
        shopB = addShop(QStringLiteral("B"));
        const int cat = addCategory(QStringLiteral("Dairy"));
        for (int p = 0; p < 50; ++p)
            addProduct(QStringLiteral("P%1").arg(p, 2, 10, QLatin1Char('0')), cat);
        engine::Transaction tx(db);
        // Item i: product i % 50 + 1, brand "b<i, 4 digits>", every third item in shop B.
        for (int i = 1; i <= kItems; ++i)
            db.execute(
                QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop) VALUES (?1, ?2, ?3, "
                               "?4, ?5)"),
                {Value{std::int64_t{i % 50 + 1}},
                 textValue(QStringLiteral("b%1").arg(i, 4, 10, QLatin1Char('0'))), Value{std::int64_t{i}},
                 Value{i / 100.0}, Value{std::int64_t{i % 3 == 0 ? shopB : shopA}}});
        tx.commit();
    }

    static QString brandAt(const engine::DataSet& d, int row) {
        return d.textAt(row, d.fieldIndex(QStringLiteral("Brand")));
    }
    static int intAt(const engine::DataSet& d, int row, const QString& field) {
        return d.textAt(row, d.fieldIndex(field)).toInt();
    }
    static QString brand(int i) { return QStringLiteral("b%1").arg(i, 4, 10, QLatin1Char('0')); }

    int shopA = 0, shopB = 0;
};

TEST_F(WindowTest, TableReadsAnyPositionFiltersSearchesAndPlacesPostsInOrder) {
    Table items(&db, QStringLiteral("Items"));
    items.setIndexName(QStringLiteral("IdxBrand"));
    items.open();
    ASSERT_EQ(items.recordCount(), kItems);
    // Top, middle and end, out of order, so pages are read and dropped again.
    for (int row : {kItems - 1, 0, kItems / 2, 17, kItems - 1, 2 * kItems / 3})
        EXPECT_EQ(brandAt(items, row), brand(row + 1)) << row;

    ASSERT_TRUE(items.findKey({textValue(QStringLiteral("B2500"))})) << "the index ignores case";
    EXPECT_EQ(items.recNo(), 2499);
    items.findNearest({textValue(QStringLiteral("b2500x"))});
    EXPECT_EQ(items.field(QStringLiteral("Brand")).asString(), brand(2501));
    ASSERT_TRUE(items.locate(QStringLiteral("Size"), Value{std::int64_t{4000}}));
    EXPECT_EQ(items.recNo(), 3999);

    // A post that changes the key moves the record; views hear of the move alone.
    QSignalSpy moved(&items, &engine::DataSet::rowMoved);
    QSignalSpy reset(&items, &engine::DataSet::contentReset);
    items.edit();
    items.field(QStringLiteral("Brand")).setString(QStringLiteral("a0000"));
    items.post();
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toInt(), 3999);
    EXPECT_EQ(moved.at(0).at(1).toInt(), 0);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(items.recNo(), 0);
    EXPECT_EQ(brandAt(items, 1), brand(1));
    EXPECT_EQ(brandAt(items, 4000), brand(4001));

    items.setFilter(QStringLiteral("Shop = %1").arg(shopB));
    items.setFiltered(true);
    ASSERT_EQ(items.recordCount(), kItems / 3);
    EXPECT_EQ(brandAt(items, 0), brand(3));
    EXPECT_EQ(brandAt(items, kItems / 3 - 1), brand(kItems / 3 * 3));
    items.last();
    items.deleteRecord();
    EXPECT_EQ(items.recordCount(), kItems / 3 - 1);
    EXPECT_TRUE(items.eof());

    // A bulk change behind the object shows on its next move.
    db.execute(QStringLiteral("DELETE FROM Items WHERE Size <= 300"));
    items.first();
    EXPECT_EQ(items.recordCount(), kItems / 3 - 1 - 100);
    EXPECT_EQ(items.field(QStringLiteral("Brand")).asString(), brand(303));
}

// Row ids within 32 bits, past them from the start, and one past them coming with a new row: an object keeps
// its row ids in four bytes each only while all of them fit.
class KeyWidthTest : public WindowTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(RowIds, KeyWidthTest, ::testing::Values(0, 1, 2));

TEST_P(KeyWidthTest, KeySearchesFollowMovesInsertsAndDeletes) {
    constexpr std::int64_t kPast32Bits = std::int64_t{1} << 32;
    if (GetParam() == 1)
        db.execute(
            QStringLiteral("UPDATE Items SET ItemID = ItemID + %1 WHERE ItemID % 2 = 0").arg(kPast32Bits));
    if (GetParam() == 2)
        db.execute(QStringLiteral("UPDATE \"Items\".sqlite_sequence SET seq = %1 WHERE name = 'Items'")
                       .arg(kPast32Bits));
    Table items(&db, QStringLiteral("Items"));
    items.setIndexName(QStringLiteral("IdxBrand"));
    items.open();
    std::vector<QString> order; // what the object should show, in its order
    for (int i = 1; i <= kItems; ++i)
        order.push_back(brand(i));
    const auto expectSearchesFind = [&](const char* step) {
        // Many searches of one order: enough for the object to keep positions by key.
        for (size_t i = 0; i < order.size(); i += 97) {
            ASSERT_TRUE(items.findKey({textValue(order[i])})) << step << ": " << order[i].toStdString();
            EXPECT_EQ(items.recNo(), static_cast<int>(i)) << step;
            EXPECT_EQ(items.field(QStringLiteral("Brand")).asString(), order[i]) << step;
        }
        EXPECT_EQ(items.recordCount(), static_cast<int>(order.size())) << step;
    };
    // A move, and searches for the rows at both ends of what it shifted.
    const auto rename = [&](const QString& from, const QString& to) {
        ASSERT_TRUE(items.findKey({textValue(from)}));
        items.edit();
        items.field(QStringLiteral("Brand")).setString(to);
        items.post();
        const auto oldPlace = std::find(order.begin(), order.end(), from) - order.begin();
        order.erase(order.begin() + oldPlace);
        const auto newPlace = std::lower_bound(order.begin(), order.end(), to) - order.begin();
        order.insert(order.begin() + newPlace, to);
        for (const auto place :
             {oldPlace - 1, oldPlace, oldPlace + 1, newPlace - 1, newPlace, newPlace + 1}) {
            if (place < 0 || place >= static_cast<std::ptrdiff_t>(order.size()))
                continue;
            ASSERT_TRUE(items.findKey({textValue(order[static_cast<size_t>(place)])}));
            EXPECT_EQ(items.recNo(), place) << from.toStdString() << " -> " << to.toStdString();
        }
    };
    expectSearchesFind("opened");
    rename(brand(4000), QStringLiteral("a0000"));
    expectSearchesFind("moved up");
    rename(brand(10), QStringLiteral("b4500x"));
    expectSearchesFind("moved down");
    // Moves by one place, and to either end, one after the other.
    rename(brand(2000), QStringLiteral("b2001x"));
    rename(brand(2003), QStringLiteral("b2001y"));
    rename(brand(4999), QStringLiteral("c"));
    rename(QStringLiteral("c"), QStringLiteral("a"));
    expectSearchesFind("moved by one and to the ends");
    items.append();
    items.field(QStringLiteral("Product")).setInteger(1);
    items.field(QStringLiteral("Shop")).setInteger(shopA);
    items.field(QStringLiteral("Brand")).setString(QStringLiteral("b2000x"));
    items.post();
    if (GetParam() == 2) {
        EXPECT_GT(std::get<std::int64_t>(items.field(QStringLiteral("ItemID")).value()), kPast32Bits);
    }
    order.insert(std::lower_bound(order.begin(), order.end(), QStringLiteral("b2000x")),
                 QStringLiteral("b2000x"));
    expectSearchesFind("inserted");
    ASSERT_TRUE(items.findKey({textValue(brand(1000))}));
    items.deleteRecord();
    order.erase(std::find(order.begin(), order.end(), brand(1000)));
    expectSearchesFind("deleted");
    EXPECT_FALSE(items.findKey({textValue(brand(1000))}));
}

TEST_F(WindowTest, QueriesReadByKeyOrByCursorAndKeepTheirEdits) {
    const QStringList join = {QStringLiteral("SELECT * FROM Items I, Products P, Shops S"),
                              QStringLiteral("WHERE I.Product = P.ProdID AND I.Shop = S.ShopID"),
                              QStringLiteral("ORDER BY ProdName, Size DESC")};
    Query keyed(&db);
    keyed.setSql(join);
    keyed.setKeyField(QStringLiteral("ItemID"));
    Query stepped(&db);
    stepped.setSql(join);
    keyed.open();
    stepped.open();
    ASSERT_EQ(keyed.recordCount(), kItems);
    ASSERT_EQ(stepped.recordCount(), kItems);
    // Product P00 holds items 50, 100, ... 5000, largest size first; then P01 with 4951, ... 1.
    const auto sizeAt = [](int row) {
        const int product = row / 100, k = row % 100;
        return product == 0 ? kItems - 50 * k : kItems - 49 - 50 * k + (product - 1);
    };
    for (int row : {0, kItems - 1, kItems / 2, 3, 4321, 99, 100}) {
        EXPECT_EQ(intAt(keyed, row, QStringLiteral("Size")), sizeAt(row)) << row;
        EXPECT_EQ(intAt(stepped, row, QStringLiteral("Size")), sizeAt(row)) << row;
    }
    EXPECT_EQ(keyed.findRow(keyed.fieldIndex(QStringLiteral("ItemID")), Value{std::int64_t{4951}}), 100);
    EXPECT_EQ(stepped.findRow(stepped.fieldIndex(QStringLiteral("ItemID")), Value{std::int64_t{4951}}), 100);

    // An edit lives in the result only and survives reading every other row.
    for (Query* q : {&keyed, &stepped}) {
        q->moveTo(2500);
        q->edit();
        q->field(QStringLiteral("Quantity")).setInteger(9);
        q->post();
        for (q->first(); !q->eof(); q->next()) {
        }
        EXPECT_EQ(q->textAt(2500, q->fieldIndex(QStringLiteral("Quantity"))), QStringLiteral("9"));
    }
    EXPECT_EQ(countRows(QStringLiteral("Items WHERE Quantity IS NOT NULL")), 0);

    // One row changed in the tables: views hear of that row alone, its move included.
    QSignalSpy moved(&keyed, &engine::DataSet::rowMoved);
    QSignalSpy removed(&keyed, &engine::DataSet::rowRemoved);
    QSignalSpy changed(&keyed, &engine::DataSet::rowChanged);
    QSignalSpy reset(&keyed, &engine::DataSet::contentReset);
    keyed.moveTo(0);
    db.execute(QStringLiteral("UPDATE Items SET Price = 123 WHERE ItemID = 4951"));
    keyed.refreshAfterChange(4951);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 100);
    EXPECT_EQ(keyed.textAt(100, keyed.fieldIndex(QStringLiteral("Price"))), QStringLiteral("123"));
    db.execute(QStringLiteral("UPDATE Items SET Size = 0 WHERE ItemID = 5000"));
    keyed.refreshAfterChange(5000);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved.at(0).at(0).toInt(), 0);
    EXPECT_EQ(moved.at(0).at(1).toInt(), 99);
    EXPECT_EQ(keyed.recNo(), 99) << "the current record moves with its row";
    db.execute(QStringLiteral("DELETE FROM Items WHERE ItemID = 50"));
    keyed.refreshAfterChange(50);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(keyed.recordCount(), kItems - 1);
    EXPECT_EQ(reset.count(), 0);
}

// Past the rows read on opening, a walk that reads few fields has its pages bring only those; every other
// field, of the current record, of another row or of an edit, still reads as stored.
TEST_F(WindowTest, FieldsAWalkDidNotReadReadAsStored) {
    // A fresh object walked to a row reading only Size, as a loop over one field does.
    const auto walkTo = [&](Table& items, int row) {
        items.open();
        const engine::Field size = items.field(QStringLiteral("Size"));
        for (items.first(); items.recNo() < row; items.next())
            ASSERT_EQ(size.asInteger(), items.recNo() + 1);
    };
    const auto stored = [&](int item, const QString& field) {
        Query q(&db);
        q.setSql(QStringLiteral("SELECT %1 FROM Items WHERE ItemID = %2").arg(field).arg(item));
        q.open();
        return q.field(0).asString();
    };

    Table items(&db, QStringLiteral("Items"));
    walkTo(items, 3500);
    EXPECT_EQ(items.field(QStringLiteral("ItemID")).asInteger(), 3501);
    // Changed behind the object: the field it showed stays as shown until it moves.
    db.execute(QStringLiteral("UPDATE Items SET Size = 1 WHERE ItemID = 3501"));
    EXPECT_EQ(items.field(QStringLiteral("Brand")).asString(), brand(3501));
    EXPECT_EQ(items.field(QStringLiteral("Size")).asInteger(), 3501);
    db.execute(QStringLiteral("UPDATE Items SET Size = 3501 WHERE ItemID = 3501"));
    EXPECT_DOUBLE_EQ(items.field(QStringLiteral("Price")).asFloat(), 35.01);
    EXPECT_EQ(brandAt(items, 3501), brand(3502)) << "another row of the same page";
    EXPECT_EQ(intAt(items, 3600, QStringLiteral("Shop")), shopA) << "a row of a page not read yet";
    items.last();
    EXPECT_EQ(items.field(QStringLiteral("Brand")).asString(), brand(kItems));

    // An edit reads the fields it did not set as stored, hooks included, and writes only what it set.
    Table edited(&db, QStringLiteral("Items"));
    walkTo(edited, 4000);
    QString seenByHook;
    edited.setBeforePost(
        [&](engine::DataSet& d) { seenByHook = d.field(QStringLiteral("Price")).asString(); });
    edited.edit();
    EXPECT_EQ(edited.field(QStringLiteral("Brand")).asString(), brand(4001));
    edited.field(QStringLiteral("Quantity")).setInteger(7);
    edited.post();
    EXPECT_EQ(seenByHook, QStringLiteral("40.01"));
    EXPECT_EQ(stored(4001, QStringLiteral("Quantity")), QStringLiteral("7"));
    EXPECT_EQ(stored(4001, QStringLiteral("Brand")), brand(4001));
    EXPECT_EQ(edited.field(QStringLiteral("Product")).asInteger(), 4001 % 50 + 1);

    // A key made to repeat another's through fields it never read is refused, and the edit stays: with an
    // empty part, which the table layer compares itself.
    db.execute(QStringLiteral("UPDATE Items SET Size = NULL WHERE ItemID = 4251"));
    Table repeated(&db, QStringLiteral("Items"));
    walkTo(repeated, 4100); // item 4101: product 2, shop B, as item 4251
    repeated.edit();
    repeated.field(QStringLiteral("Brand")).setString(brand(4251));
    repeated.field(QStringLiteral("Size")).clear();
    QString message;
    EXPECT_EQ(errorCode([&] { repeated.post(); }, &message), 9729);
    EXPECT_EQ(message, QStringLiteral("Duplicate key found in the index 'IdxItem' of the table 'Items'"));
    EXPECT_EQ(repeated.state(), engine::DataSet::State::Edit);
    repeated.cancel();

    // A record that moves in the order keeps the fields it did not read.
    Table byBrand(&db, QStringLiteral("Items"));
    byBrand.setIndexName(QStringLiteral("IdxBrand"));
    walkTo(byBrand, 4200);
    byBrand.edit();
    byBrand.field(QStringLiteral("Brand")).setString(QStringLiteral("a0000"));
    byBrand.post();
    EXPECT_EQ(byBrand.recNo(), 0);
    EXPECT_EQ(byBrand.field(QStringLiteral("Size")).asInteger(), 4201);
    EXPECT_DOUBLE_EQ(byBrand.field(QStringLiteral("Price")).asFloat(), 42.01);
    EXPECT_EQ(stored(4201, QStringLiteral("Price")), QStringLiteral("42.01"));
}
