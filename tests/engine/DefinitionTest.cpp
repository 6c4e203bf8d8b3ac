#include "EngineTestSupport.h"

#include <QFile>

using engine::Table;

TEST_F(EngineTest, BlankDatabaseHasTheFiveTablesAsDefined) {
    const QStringList names = schema::tableNames();
    EXPECT_EQ(names, (QStringList{"Categories", "Products", "Items", "Shops", "Aisles"}));
    for (const QString& name : names) {
        EXPECT_TRUE(QFile::exists(temp.file(name + QStringLiteral(".dat"))));
        EXPECT_TRUE(QFile::exists(temp.file(name + QStringLiteral(".idx"))));
        const engine::TableDefinition d = db.readDefinition(name + QStringLiteral(".dat"));
        EXPECT_EQ(d.versionMajor, 2);
        EXPECT_EQ(d.versionMinor, 1);
        EXPECT_EQ(d.locale, 0);
        EXPECT_EQ(d.description, QStringLiteral("Grocelle ") + name);
        EXPECT_EQ(countRows(name), 0);
    }
    const engine::TableDefinition items = db.readDefinition(QStringLiteral("Items"));
    ASSERT_EQ(items.indexes.size(), 4);
    EXPECT_EQ(items.indexes[1].name, QStringLiteral("IdxItem"));
    EXPECT_EQ(items.indexes[1].fields, QStringLiteral("Product;Brand;Size;Shop"));
    EXPECT_TRUE(items.indexes[1].unique && items.indexes[1].caseInsensitive);
    EXPECT_EQ(items.fields[2].size, 50);
    EXPECT_TRUE(items.fields[5].required);
    // Creating over an existing table is refused.
    EXPECT_EQ(errorCode([&] { CreateDatabaseTables(temp.path()); }), engine::TableExists);
}

TEST_F(EngineTest, ReadingADefinitionDoesNotOpenTheData) {
    QFile dat(db.dataFilePath(QStringLiteral("Shops")));
    ASSERT_TRUE(dat.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dat.write("not a database at all");
    dat.close();
    const engine::TableDefinition d = db.readDefinition(QStringLiteral("Shops"));
    EXPECT_EQ(d.description, QStringLiteral("Grocelle Shops"));
    Table shops(&db, QStringLiteral("Shops"));
    QString message;
    EXPECT_NE(errorCode([&] { shops.open(); }, &message), 0);
    EXPECT_FALSE(message.isEmpty());
}

TEST_F(EngineTest, AlterKeepsDescriptionRecordsAndIdCounter) {
    addCategory(QStringLiteral("One"));
    const int two = addCategory(QStringLiteral("Two"));
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    cats.last();
    cats.deleteRecord();
    db.alterTables({QStringLiteral("Categories")}, 1031, std::pair{2, 2});
    EXPECT_FALSE(cats.isOpen()) << "altering closes the connection";
    const engine::TableDefinition d = db.readDefinition(QStringLiteral("Categories"));
    EXPECT_EQ(d.locale, 1031);
    EXPECT_EQ(d.versionMinor, 2);
    EXPECT_EQ(d.description, QStringLiteral("Grocelle Categories"));
    EXPECT_EQ(countRows(QStringLiteral("Categories")), 1);
    EXPECT_EQ(addCategory(QStringLiteral("Three")), two + 1);
    const QStringList leftovers =
        QDir(temp.path()).entryList({QStringLiteral("*.new"), QStringLiteral("*.old")});
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(' ').toStdString();
}

TEST_F(EngineTest, AlterIsAllOrNothing) {
    addCategory(QStringLiteral("One"));
    // Damage the last table so that its rebuild fails after the others were built.
    QFile dat(db.dataFilePath(QStringLiteral("Aisles")));
    db.close();
    ASSERT_TRUE(dat.open(QIODevice::WriteOnly | QIODevice::Truncate));
    dat.write(QByteArray(4096, 'x'));
    dat.close();
    EXPECT_NE(errorCode([&] { db.alterTables(schema::tableNames(), 1036); }), 0);
    for (const QString& name : schema::tableNames())
        EXPECT_EQ(db.readDefinition(name).locale, 0) << name.toStdString();
    EXPECT_EQ(countRows(QStringLiteral("Categories")), 1);
    EXPECT_TRUE(QDir(temp.path()).entryList({QStringLiteral("*.new"), QStringLiteral("*.old")}).isEmpty());
}

TEST_F(EngineTest, RepairReportsSoundTablesAndRebuildsDamagedOnes) {
    const int shop = addShop(QStringLiteral("Shop"));
    Table items(&db, QStringLiteral("Items"));
    items.open();
    for (int p = 1; p <= 400; ++p)
        addItem(items, p, QStringLiteral("Brand %1").arg(p), p, shop);
    EXPECT_TRUE(db.repairTable(QStringLiteral("Items")));
    EXPECT_TRUE(db.repairTable(QStringLiteral("Shops")));

    // Overwrite bytes in the middle of the file: pages of the table or its indexes.
    const QString path = db.dataFilePath(QStringLiteral("Items"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    ASSERT_GT(size, 8 * 4096);
    f.seek(size - 3 * 4096 + 100);
    f.write(QByteArray(3000, '\xA5'));
    f.close();
    EXPECT_FALSE(db.repairTable(QStringLiteral("Items")));
    EXPECT_TRUE(db.repairTable(QStringLiteral("Items"))) << "sound after the rebuild";
    const int left = countRows(QStringLiteral("Items"));
    EXPECT_GT(left, 0);
    EXPECT_LE(left, 400);
    items.open();
    items.setIndexName(QStringLiteral("IdxItem"));
    EXPECT_EQ(items.recordCount(), left);
    EXPECT_TRUE(QFile::exists(path + QStringLiteral(".damaged")));

    // A lost definition file is written again from the copy inside the table file.
    db.close();
    QFile::remove(db.definitionFilePath(QStringLiteral("Shops")));
    EXPECT_FALSE(db.repairTable(QStringLiteral("Shops")));
    EXPECT_EQ(db.readDefinition(QStringLiteral("Shops")).description, QStringLiteral("Grocelle Shops"));
    EXPECT_EQ(errorCode([&] { db.repairTable(QStringLiteral("Nowhere")); }), engine::UnknownTable);
}

TEST_F(EngineTest, RepairRebuildsATableWhoseOwnPagesAreOverwritten) {
    const int cat = addCategory(QStringLiteral("Pantry"));
    for (int p = 1; p <= 400; ++p)
        addProduct(QStringLiteral("Product number %1 with a long name to fill pages").arg(p), cat);
    db.close();
    const QString path = db.dataFilePath(QStringLiteral("Products"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(f.size() / 2 + 100);
    f.write(QByteArray(3000, '\x5A'));
    f.close();

    EXPECT_FALSE(db.repairTable(QStringLiteral("Products")));
    EXPECT_TRUE(db.repairTable(QStringLiteral("Products"))) << "sound after the rebuild";
    const int left = countRows(QStringLiteral("Products"));
    EXPECT_GT(left, 200) << "the readable rows are kept";
    EXPECT_LT(left, 400);
    EXPECT_TRUE(QFile::exists(path + QStringLiteral(".damaged")));
}
