#include "DataChecker.h"

#include "Database.h"
#include "EngineError.h"
#include "FaultInjection.h"
#include "Query.h"
#include "Schema.h"
#include "Table.h"
#include "TableFiles.h"
#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

const QString kFailurePrefix =
    QStringLiteral("Unable to complete database check. Please try restarting Grocelle\r\n");

// A database of the five tables in a temporary folder, filled through the table layer. The layer keeps no
// references itself, so removing a parent row leaves its children behind as the check must find them.
class DataCheckerTest : public ::testing::Test {
protected:
    DataCheckerTest() : db(temp.path()) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
    }
    ~DataCheckerTest() override { engine::FaultInjection::disarm(); }

    int add(const QString& table, const QString& nameField, const QString& name, const QString& idField) {
        engine::Table t(&db, table);
        t.open();
        t.append();
        t.field(nameField).setString(name);
        t.post();
        return t.field(idField).asInteger();
    }
    int addCategory(const QString& name) {
        return add(QStringLiteral("Categories"), QStringLiteral("CatName"), name, QStringLiteral("CatID"));
    }
    int addShop(const QString& name) {
        return add(QStringLiteral("Shops"), QStringLiteral("ShopName"), name, QStringLiteral("ShopID"));
    }
    // category < 0 leaves the product's category empty.
    int addProduct(const QString& name, int category) {
        engine::Table t(&db, QStringLiteral("Products"));
        t.open();
        t.append();
        t.field(QStringLiteral("ProdName")).setString(name);
        if (category >= 0)
            t.field(QStringLiteral("Category")).setInteger(category);
        t.post();
        return t.field(QStringLiteral("ProdID")).asInteger();
    }
    void addItems(int product, int shop, int count) {
        engine::Table t(&db, QStringLiteral("Items"));
        t.open();
        for (int i = 0; i < count; ++i) {
            t.append();
            t.field(QStringLiteral("Product")).setInteger(product);
            t.field(QStringLiteral("Brand"))
                .setString(QStringLiteral("Brand %1-%2-%3").arg(product).arg(shop).arg(i));
            t.field(QStringLiteral("Shop")).setInteger(shop);
            t.field(QStringLiteral("Price")).setFloat(1.25);
            t.post();
        }
    }
    void addAisle(int category, int shop) {
        engine::Table t(&db, QStringLiteral("Aisles"));
        t.open();
        t.append();
        t.field(QStringLiteral("Category")).setInteger(category);
        t.field(QStringLiteral("Shop")).setInteger(shop);
        t.field(QStringLiteral("Sequence")).setFloat(1.0);
        t.post();
    }
    // Removes one row behind the program's back, as a crash or another tool would, leaving its children.
    void removeRow(const QString& table, const QString& idField, int id) {
        engine::Table t(&db, table);
        t.open();
        ASSERT_TRUE(t.locate(idField, engine::Value{static_cast<std::int64_t>(id)}));
        t.deleteRecord();
    }
    int countRows(const QString& table, const QString& where = {}) {
        engine::Query q(&db);
        q.setSql(
            QStringLiteral("SELECT * FROM %1%2").arg(table, where.isEmpty() ? QString() : " WHERE " + where));
        q.open();
        return q.recordCount();
    }
    QString contents() {
        db.close();
        return tableContents(temp.path());
    }

    // Two shops and two categories, each shop with an aisle row per category, items of both shops.
    void fillSound() {
        fruit = addCategory(QStringLiteral("Fruit"));
        dairy = addCategory(QStringLiteral("Dairy"));
        market = addShop(QStringLiteral("Market"));
        corner = addShop(QStringLiteral("Corner"));
        apples = addProduct(QStringLiteral("Apples"), fruit);
        milk = addProduct(QStringLiteral("Milk"), dairy);
        for (int shop : {market, corner}) {
            addItems(apples, shop, 2);
            addItems(milk, shop, 1);
            addAisle(fruit, shop);
            addAisle(dairy, shop);
        }
    }

    TempFolder temp;
    engine::Database db;
    int fruit = 0, dairy = 0, market = 0, corner = 0, apples = 0, milk = 0;
};

TEST_F(DataCheckerTest, SoundDatabaseReportsNothingAndChangesNoRow) {
    fillSound();
    const QString before = contents();
    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.kind, CheckOutcome::NothingFound);
    EXPECT_FALSE(outcome.isWarning());
    EXPECT_EQ(outcome.problems, 0);
    EXPECT_TRUE(outcome.repairedTables.isEmpty());
    EXPECT_EQ(outcome.message, QStringLiteral("No problems found."));
    EXPECT_TRUE(outcome.unexpectedError.isEmpty());
    EXPECT_EQ(contents(), before);
    // An empty database is sound too.
    TempFolder blankFolder;
    CreateDatabaseTables(blankFolder.path());
    engine::Database blank(blankFolder.path());
    EXPECT_EQ(DataChecker(blank).run().message, QStringLiteral("No problems found."));
}

TEST_F(DataCheckerTest, CountMessageHasTheSuffixOnlyForMoreThanOne) {
    fillSound();
    removeRow(QStringLiteral("Shops"), QStringLiteral("ShopID"), corner);
    // Leave a single orphan: only one item of the removed shop remains.
    db.execute(
        QStringLiteral("DELETE FROM Items WHERE Shop = ?1 AND Product = ?2"),
        {engine::Value{static_cast<std::int64_t>(corner)}, engine::Value{static_cast<std::int64_t>(apples)}});
    db.execute(QStringLiteral("DELETE FROM Aisles WHERE Shop = ?1"),
               {engine::Value{static_cast<std::int64_t>(corner)}});
    CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.kind, CheckOutcome::Fixed);
    EXPECT_EQ(outcome.itemsRemoved, 1);
    EXPECT_EQ(outcome.message, QStringLiteral("1 problem fixed."));

    addItems(apples, corner + 100, 2);
    outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.message, QStringLiteral("2 problems fixed."));
    EXPECT_EQ(DataChecker::countMessage(12), QStringLiteral("12 problems fixed."));
}

TEST_F(DataCheckerTest, RemovedShopLosesAllItsItemsAndAisleRowsInOneRun) {
    fillSound();
    removeRow(QStringLiteral("Shops"), QStringLiteral("ShopID"), corner);
    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.itemsRemoved, 3);
    EXPECT_EQ(outcome.aisleRowsRemoved, 2);
    EXPECT_EQ(outcome.productsRemoved, 0);
    EXPECT_EQ(outcome.problems, 5);
    EXPECT_EQ(outcome.message, QStringLiteral("5 problems fixed."));
    EXPECT_EQ(countRows(QStringLiteral("Items"), QStringLiteral("Shop = %1").arg(market)), 3);
    EXPECT_EQ(countRows(QStringLiteral("Items")), 3);
    EXPECT_EQ(countRows(QStringLiteral("Aisles"), QStringLiteral("Shop = %1").arg(market)), 2);
    EXPECT_EQ(countRows(QStringLiteral("Aisles")), 2);
    EXPECT_EQ(DataChecker(db).run().message, QStringLiteral("No problems found.")) << "nothing left over";
}

TEST_F(DataCheckerTest, ProductWithoutCategoryGoesWithItsItemsEachCounted) {
    fillSound();
    removeRow(QStringLiteral("Categories"), QStringLiteral("CatID"), fruit);
    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.productsRemoved, 1);
    EXPECT_EQ(outcome.itemsRemoved, 4) << "two apple items in each shop";
    EXPECT_EQ(outcome.aisleRowsRemoved, 2) << "the fruit aisle of each shop";
    EXPECT_EQ(outcome.problems, 7);
    EXPECT_EQ(countRows(QStringLiteral("Products")), 1);
    EXPECT_EQ(countRows(QStringLiteral("Items"), QStringLiteral("Product = %1").arg(milk)), 2);
    EXPECT_EQ(countRows(QStringLiteral("Items")), 2);
    EXPECT_EQ(countRows(QStringLiteral("Categories")), 1);
}

TEST_F(DataCheckerTest, EveryKindOfBrokenReferenceIsRemovedOnce) {
    fillSound();
    const QString soundRows = contents();
    const int noCategory = addProduct(QStringLiteral("Loose"), -1); // empty category finds no parent
    const int lostCategory = addProduct(QStringLiteral("Lost"), dairy + 50);
    addItems(milk + 90, market, 1);      // product missing
    addItems(apples, market + 90, 1);    // shop missing
    addItems(milk + 91, corner + 91, 1); // both missing: one row, one problem
    addAisle(fruit + 70, market);        // category missing
    addAisle(dairy, corner + 70);        // shop missing
    addAisle(fruit + 71, corner + 71);   // both missing
    EXPECT_GT(noCategory, 0);
    EXPECT_GT(lostCategory, 0);

    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.productsRemoved, 2);
    EXPECT_EQ(outcome.itemsRemoved, 3);
    EXPECT_EQ(outcome.aisleRowsRemoved, 3);
    EXPECT_EQ(outcome.problems, 8);
    EXPECT_EQ(outcome.message, QStringLiteral("8 problems fixed."));
    EXPECT_EQ(contents(), soundRows) << "exactly the broken rows went";
}

TEST_F(DataCheckerTest, OrphanRemovalIsAllOrNothing) {
    fillSound();
    removeRow(QStringLiteral("Categories"), QStringLiteral("CatID"), fruit);
    removeRow(QStringLiteral("Shops"), QStringLiteral("ShopID"), corner);
    const QString before = contents();
    // Products and items are cleaned first; the failure comes with the aisle rows, last.
    engine::FaultInjection::failTable(QStringLiteral("Aisles"));
    CheckOutcome outcome;
    DataChecker checker(db);
    EXPECT_THROW(checker.removeOrphans(outcome), engine::EngineError);
    engine::FaultInjection::disarm();
    EXPECT_EQ(outcome.problems, 0) << "nothing counted that was not kept";
    EXPECT_EQ(outcome.productsRemoved + outcome.itemsRemoved, 0);
    EXPECT_EQ(contents(), before);

    checker.removeOrphans(outcome);
    EXPECT_EQ(outcome.productsRemoved, 1);
    EXPECT_GT(outcome.problems, 0);
}

TEST_F(DataCheckerTest, OverwrittenBytesInATableFileAreRepairedAndCounted) {
    const int shop = addShop(QStringLiteral("Shop"));
    const int product = addProduct(QStringLiteral("Thing"), addCategory(QStringLiteral("Things")));
    addItems(product, shop, 400);
    db.close();
    const QString path = db.dataFilePath(QStringLiteral("Items"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 size = f.size();
        ASSERT_GT(size, 8 * 4096);
        f.seek(size / 2 + 100);
        f.write(QByteArray(3000, '\xA5'));
    }
    // A lost definition file of another table counts as a second repair, reported in repair order.
    ASSERT_TRUE(QFile::remove(db.definitionFilePath(QStringLiteral("Shops"))));

    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.kind, CheckOutcome::Fixed) << outcome.message.toStdString();
    EXPECT_EQ(outcome.repairedTables, (QStringList{QStringLiteral("Items"), QStringLiteral("Shops")}));
    EXPECT_EQ(outcome.problems,
              2 + outcome.itemsRemoved + outcome.productsRemoved + outcome.aisleRowsRemoved);
    // What the rebuilt table kept and lost comes first.
    ASSERT_EQ(outcome.repairMessages.size(), 1);
    EXPECT_TRUE(outcome.repairMessages[0].startsWith(QStringLiteral("Items.dat was repaired: ")));
    EXPECT_EQ(outcome.message, outcome.repairMessages[0] + QStringLiteral("\r\n") +
                                   DataChecker::countMessage(outcome.problems));
    EXPECT_TRUE(QFile::exists(db.definitionFilePath(QStringLiteral("Shops"))));
    const int left = countRows(QStringLiteral("Items"));
    EXPECT_GT(left, 0);
    EXPECT_LE(left, 400);
    EXPECT_EQ(DataChecker(db).run().message, QStringLiteral("No problems found."))
        << "sound after the repair";
}

// Rows whose parent a repair could not save are kept and reported, run after run, until the caller lets them
// go; then they go with whatever depends on them, and the table no longer counts as missing rows.
TEST_F(DataCheckerTest, ChildrenOfRowsLostToDamageStayUntilTheyAreLetGo) {
    const int category = addCategory(QStringLiteral("Bulk"));
    const int shop = addShop(QStringLiteral("Shop"));
    for (int p = 0; p < 400; ++p)
        addItems(
            addProduct(QStringLiteral("Product number %1 with a long name to fill pages").arg(p), category),
            shop, 1);
    db.close();
    const QString path = db.dataFilePath(QStringLiteral("Products"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_GT(f.size(), 8 * 4096);
        f.seek(f.size() / 2 + 100);
        f.write(QByteArray(3000, '\x5A'));
    }
    QByteArray damaged;
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        damaged = f.readAll();
    }
    CheckOutcome outcome = DataChecker(db).run();
    ASSERT_NE(outcome.kind, CheckOutcome::Failed) << outcome.message.toStdString();
    {
        // The damaged original is kept as it was beside the rebuilt table.
        QFile kept(path + QStringLiteral(".damaged"));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damaged);
    }
    EXPECT_EQ(outcome.repairedTables, QStringList{QStringLiteral("Products")});
    const int productsLeft = countRows(QStringLiteral("Products"));
    EXPECT_LT(productsLeft, 400) << "the overwritten rows are gone";
    // The overwritten bytes took index entries too, so the count of lost rows is a lower bound.
    ASSERT_EQ(outcome.repairMessages.size(), 1);
    const QString repaired = outcome.repairMessages[0];
    EXPECT_TRUE(repaired.startsWith(
        QStringLiteral("Products.dat was repaired: %1 rows recovered, ").arg(productsLeft)))
        << repaired.toStdString();
    EXPECT_TRUE(
        repaired.endsWith(QStringLiteral(" lost. The damaged file was kept as Products.dat.damaged.")));
    EXPECT_EQ(outcome.itemsRemoved, 0);
    EXPECT_EQ(outcome.itemsKept, 400 - productsLeft) << "one item per lost product";
    EXPECT_EQ(outcome.tablesMissingRows, QStringList{QStringLiteral("Products")});
    EXPECT_EQ(outcome.problems, 1);
    EXPECT_EQ(outcome.message,
              repaired + QStringLiteral("\r\n1 problem fixed.\r\n%1 rows whose parent is missing "
                                        "were kept.")
                             .arg(400 - productsLeft));
    EXPECT_EQ(
        DataChecker::keptOrphansReport(outcome),
        QStringLiteral("Products.dat is missing rows that other rows refer to:\r\n%1 items without their "
                       "product type or shop")
            .arg(400 - productsLeft));
    EXPECT_EQ(countRows(QStringLiteral("Items")), 400);

    // The next run, after a restart, still knows.
    db.close();
    engine::Database again(temp.path());
    outcome = DataChecker(again).run();
    EXPECT_EQ(outcome.itemsKept, 400 - productsLeft);
    EXPECT_EQ(outcome.message,
              QStringLiteral("%1 rows whose parent is missing were kept.").arg(400 - productsLeft));
    EXPECT_EQ(countRows(QStringLiteral("Items")), 400);

    DataChecker(again).deleteKeptOrphans(outcome);
    EXPECT_EQ(outcome.itemsRemoved, 400 - productsLeft);
    EXPECT_EQ(outcome.rowsKept(), 0);
    EXPECT_EQ(outcome.message, DataChecker::countMessage(400 - productsLeft));
    EXPECT_EQ(countRows(QStringLiteral("Items"),
                        QStringLiteral("NOT EXISTS (SELECT 1 FROM Products WHERE ProdID = Items.Product)")),
              0);
    EXPECT_FALSE(again.rowsLost(QStringLiteral("Products")));
}

// A parent table with no rows while rows point into it has lost them, whatever emptied it; in a table that
// lost nothing, orphans go as always, also in the same run.
TEST_F(DataCheckerTest, AnEmptiedParentKeepsItsChildrenOthersGoAsAlways) {
    fillSound();
    addItems(apples, corner + 90, 1); // shop missing from a table that lost nothing
    db.execute(QStringLiteral("DELETE FROM Categories"));
    CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.tablesMissingRows, QStringList{QStringLiteral("Categories")});
    EXPECT_EQ(outcome.productsKept, 2);
    EXPECT_EQ(outcome.aisleRowsKept, 4);
    EXPECT_EQ(outcome.itemsKept, 0);
    EXPECT_EQ(outcome.itemsRemoved, 1);
    EXPECT_EQ(outcome.message,
              QStringLiteral("1 problem fixed.\r\n6 rows whose parent is missing were kept."));
    EXPECT_EQ(
        DataChecker::deleteKeptQuestion(outcome),
        QStringLiteral("Categories.dat is missing rows that other rows refer to:\r\n2 product types without "
                       "their category\r\n4 aisle rows without their category or shop\r\nDelete these rows? "
                       "No keeps them, so that the missing rows can still be put back (from a backup or the "
                       "damaged file); Check/repair asks again next time."));
    EXPECT_EQ(countRows(QStringLiteral("Products")), 2);

    outcome = DataChecker(db).run(DataChecker::OrphansOfLostRows::Delete);
    EXPECT_EQ(outcome.productsRemoved, 2);
    EXPECT_EQ(outcome.itemsRemoved, 6) << "the items of the removed products";
    EXPECT_EQ(outcome.aisleRowsRemoved, 4);
    EXPECT_EQ(outcome.message, QStringLiteral("12 problems fixed."));
}

TEST_F(DataCheckerTest, MissingIndexFileIsOneProblem) {
    fillSound();
    db.close();
    ASSERT_TRUE(QFile::remove(db.definitionFilePath(QStringLiteral("Aisles"))));
    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.repairedTables, QStringList{QStringLiteral("Aisles")});
    EXPECT_EQ(outcome.message, QStringLiteral("1 problem fixed."));
    EXPECT_TRUE(QFile::exists(db.definitionFilePath(QStringLiteral("Aisles"))));
    EXPECT_EQ(countRows(QStringLiteral("Aisles")), 4);
}

TEST_F(DataCheckerTest, EngineErrorStopsTheCheckWithTheWarningAndRemovesNothing) {
    fillSound();
    removeRow(QStringLiteral("Shops"), QStringLiteral("ShopID"), corner);
    const QString before = contents();
    {
        // Another program holds the Products table: its repair cannot proceed.
        TableFileLock lock(db.dataFilePath(QStringLiteral("Products")));
        ASSERT_TRUE(lock.held()) << lock.error().toStdString();
        db.setBusyTimeout(50);
        const CheckOutcome outcome = DataChecker(db).run();
        EXPECT_EQ(outcome.kind, CheckOutcome::Failed);
        EXPECT_TRUE(outcome.isWarning());
        ASSERT_TRUE(outcome.message.startsWith(kFailurePrefix)) << outcome.message.toStdString();
        EXPECT_EQ(outcome.message,
                  kFailurePrefix + QStringLiteral("The table Products is in use by another program."));
    }
    EXPECT_EQ(contents(), before) << "the orphans wait for a run that completes";

    // A table file that is gone cannot be repaired; its children are not taken for orphans.
    ASSERT_TRUE(QFile::remove(db.dataFilePath(QStringLiteral("Shops"))));
    const CheckOutcome outcome = DataChecker(db).run();
    EXPECT_EQ(outcome.kind, CheckOutcome::Failed);
    EXPECT_TRUE(outcome.message.startsWith(kFailurePrefix));
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("Shops"))) << outcome.message.toStdString();
    EXPECT_EQ(countRows(QStringLiteral("Items")), 6);
}

} // namespace
