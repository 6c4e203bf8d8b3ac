#include "EngineTestSupport.h"

#include "Collation.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <sqlite3.h>

#include <future>
#include <thread>
#include <unistd.h>

using engine::Table;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The id of a process that has ended.
qint64 endedProcessId() {
    QProcess p;
    p.start(QStringLiteral("true"), {});
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}

} // namespace

TEST_F(EngineTest, TheSessionFileLivesWithTheDataAndCrashedOnesAreCleared) {
    const QString scratch = temp.sub(QStringLiteral("scratch"));
    const qint64 dead = endedProcessId();
    const QString staleHere = temp.file(QStringLiteral("Grocelle-session-%1-4.db").arg(dead));
    const QString staleJournal = staleHere + QStringLiteral("-mj1A2B3C4D");
    const QString staleCache = QDir(scratch).filePath(QStringLiteral("grocelle-%1-2.db").arg(dead));
    const QString living = temp.file(QStringLiteral("Grocelle-session-%1-1.db").arg(::getppid()));
    for (const QString& f : {staleHere, staleJournal, staleCache, living})
        writeFile(f, {});

    db.open();
    const QStringList sessions =
        QDir(temp.path()).entryList({QStringLiteral("Grocelle-session-%1-*").arg(::getpid())}, QDir::Files);
    ASSERT_EQ(sessions.size(), 1) << "the connection's main file sits beside the tables";
    EXPECT_TRUE(engine::Database::isInternalFile(sessions[0]));
    EXPECT_TRUE(QDir(scratch).entryList(QDir::Files).isEmpty()) << "nothing is kept in the cache folder";
    EXPECT_FALSE(QFile::exists(staleHere));
    EXPECT_FALSE(QFile::exists(staleJournal));
    EXPECT_FALSE(QFile::exists(staleCache));
    EXPECT_TRUE(QFile::exists(living)) << "a running program's session stays";

    for (const char* name : {"Items.dat", "Items.idx", "Grocelle.ini", "Items.dat.damaged", "Grocelle.dat"})
        EXPECT_FALSE(engine::Database::isInternalFile(QString::fromLatin1(name))) << name;
    EXPECT_TRUE(
        engine::Database::isInternalFile(temp.file(QStringLiteral("Grocelle-session-1-1.db-journal"))));
    EXPECT_EQ(engine::Database::internalFilePatterns(), QStringList{QStringLiteral("Grocelle-session-*")});

    db.close();
    EXPECT_TRUE(
        QDir(temp.path()).entryList({QStringLiteral("Grocelle-session-%1-*").arg(::getpid())}).isEmpty());
}

TEST_F(EngineTest, ChangingAVanishedRecordIsAnErrorNotASilentSuccess) {
    const int shop = addShop(QStringLiteral("Corner"));
    Table items(&db, QStringLiteral("Items"));
    items.open();
    addItem(items, 1, QStringLiteral("Acme"), 1, shop);
    addItem(items, 2, QStringLiteral("Acme"), 1, shop);

    // Another program deletes the shop's items behind this one's back.
    engine::Database other(temp.path());
    other.setScratchFolder(temp.sub(QStringLiteral("scratch")));
    other.execute(QStringLiteral("DELETE FROM Items"));

    items.first();
    items.edit();
    items.field(QStringLiteral("Price")).setFloat(2.5);
    QString message;
    EXPECT_EQ(errorCode([&] { items.post(); }, &message), engine::RecordGone);
    EXPECT_EQ(message, QStringLiteral("The record no longer exists."));
    items.cancel();
    EXPECT_EQ(errorCode([&] { items.deleteRecord(); }, &message), engine::RecordGone);
    EXPECT_EQ(message, QStringLiteral("The record no longer exists."));
    EXPECT_EQ(countRows(QStringLiteral("Items")), 0);
}

TEST_F(EngineTest, AShortLockOfAnotherProgramIsWaitedFor) {
    addShop(QStringLiteral("Corner"));
    EXPECT_EQ(db.busyTimeout(), 2000);
    const auto holdLock = [this](int milliseconds) {
        std::promise<void> locked;
        std::future<void> isLocked = locked.get_future();
        std::thread holder([this, milliseconds, &locked] {
            sqlite3* c = nullptr;
            sqlite3_open(db.dataFilePath(QStringLiteral("Shops")).toUtf8().constData(), &c);
            sqlite3_exec(c, "BEGIN EXCLUSIVE; UPDATE Shops SET Phone = '1'", nullptr, nullptr, nullptr);
            locked.set_value();
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
            sqlite3_exec(c, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(c);
        });
        isLocked.wait();
        return holder;
    };

    std::thread holder = holdLock(300);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(errorCode([&] { addShop(QStringLiteral("Market")); }), 0);
    EXPECT_GE(timer.elapsed(), 250);
    holder.join();
    EXPECT_EQ(countRows(QStringLiteral("Shops")), 2);

    db.setBusyTimeout(0);
    holder = holdLock(300);
    EXPECT_NE(errorCode([&] { addShop(QStringLiteral("Kiosk")); }), 0) << "without waiting, the lock wins";
    holder.join();
}

TEST_F(EngineTest, DefinitionFlagsWrittenAsTextOrNumbersAreDamage) {
    const QString idx = db.definitionFilePath(QStringLiteral("Shops"));
    const QByteArray good = readAll(idx);
    ASSERT_TRUE(good.contains("\"unique\": true"));
    for (const QByteArray& bad : {QByteArray("\"unique\": \"true\""), QByteArray("\"unique\": 1")}) {
        QByteArray text = good;
        writeFile(idx, text.replace("\"unique\": true", bad));
        EXPECT_EQ(errorCode([&] { engine::TableDefinition::readFile(idx); }), engine::CorruptTable)
            << bad.toStdString();
    }
    QByteArray text = good;
    writeFile(idx, text.replace("\"required\": true", "\"required\": \"yes\""));
    EXPECT_EQ(errorCode([&] { engine::TableDefinition::readFile(idx); }), engine::CorruptTable);
    // The copy inside the table file still holds, and puts the .idx right.
    EXPECT_TRUE(db.readDefinition(QStringLiteral("Shops")).indexes[1].unique);
    EXPECT_EQ(readAll(idx), good);
}

TEST_F(EngineTest, AnIdxMissingDamagedOrDisagreeingIsWrittenFromTheTableFile) {
    const QString items = db.definitionFilePath(QStringLiteral("Items"));
    const QString shops = db.definitionFilePath(QStringLiteral("Shops"));
    const QString cats = db.definitionFilePath(QStringLiteral("Categories"));
    const QByteArray itemsGood = readAll(items), shopsGood = readAll(shops), catsGood = readAll(cats);
    ASSERT_TRUE(QFile::remove(items));
    writeFile(shops, "{ damaged");
    QByteArray other = catsGood;
    writeFile(cats, other.replace("\"locale\": 0", "\"locale\": 1031"));

    db.open();
    EXPECT_EQ(readAll(items), itemsGood);
    EXPECT_EQ(readAll(shops), shopsGood);
    EXPECT_EQ(readAll(cats), catsGood);
    EXPECT_EQ(db.definition(QStringLiteral("Categories")).locale, 0);
}

TEST_F(EngineTest, AFailedSwapOfOlderVersionsInTheWayDeletesNothing) {
    addCategory(QStringLiteral("Dairy"));
    db.close();
    // Directories where older versions put the originals aside.
    QDir().mkpath(temp.file(QStringLiteral("Categories.dat.old/x")));
    QDir().mkpath(temp.file(QStringLiteral("Items.idx.old/x")));
    db.alterTables(schema::tableNames(), 1031);
    for (const QString& name : schema::tableNames()) {
        EXPECT_TRUE(QFileInfo(db.dataFilePath(name)).isFile()) << name.toStdString();
        EXPECT_EQ(engine::TableDefinition::readFile(db.definitionFilePath(name)).locale, 1031)
            << name.toStdString();
    }
    EXPECT_EQ(countRows(QStringLiteral("Categories")), 1);
}

TEST_F(EngineTest, LeftoversOfAnInterruptedChangeAreResolvedAtOpen) {
    addCategory(QStringLiteral("Dairy"));
    db.close();
    const auto path = [this](const char* name) { return temp.file(QString::fromLatin1(name)); };
    // Categories set aside with a half-made copy in its place; Shops' refresh copy beside it; Products'
    // refresh copy never renamed back; Aisles' finished rebuild after its file was moved aside.
    ASSERT_TRUE(QFile::rename(path("Categories.dat"), path("Categories.dat.old")));
    writeFile(path("Categories.dat"), QByteArray(100, 'x'));
    ASSERT_TRUE(QFile::copy(path("Shops.dat"), path("Shops.dat.bkp")));
    ASSERT_TRUE(QFile::rename(path("Products.dat"), path("Products.dat.bkp")));
    ASSERT_TRUE(QFile::rename(path("Aisles.dat"), path("Aisles.dat.new")));
    writeFile(path("Items.dat.new"), "unfinished");
    writeFile(path("Items.dat.new-journal"), "journal");
    // A definition file's temporary copy, cut short while it was written.
    writeFile(path("Products.idx.giQmQq"), "{\"format\": 1, \"desc");

    db.open();
    EXPECT_EQ(db.tables(), (QStringList{"Aisles", "Categories", "Items", "Products", "Shops"}));
    EXPECT_EQ(countRows(QStringLiteral("Categories")), 1);
    const QStringList rest =
        QDir(temp.path())
            .entryList({QStringLiteral("*.old"), QStringLiteral("*.new"), QStringLiteral("*.bkp"),
                        QStringLiteral("*-journal"), QStringLiteral("*.idx.*")},
                       QDir::AllEntries | QDir::Hidden);
    EXPECT_TRUE(rest.isEmpty()) << rest.join(' ').toStdString();
}

TEST_F(EngineTest, DiagnosisNamesEachTableFileAndWhatIsWrong) {
    EXPECT_TRUE(db.diagnoseTables(schema::tableNames()).empty());
    db.close();
    ASSERT_TRUE(QFile::remove(db.dataFilePath(QStringLiteral("Shops"))));
    writeFile(db.dataFilePath(QStringLiteral("Products")), {});
    {
        QFile items(db.dataFilePath(QStringLiteral("Items")));
        ASSERT_TRUE(items.resize(2000));
    }
    ASSERT_TRUE(QFile::remove(db.dataFilePath(QStringLiteral("Aisles"))));
    QDir().mkpath(db.dataFilePath(QStringLiteral("Aisles")));
    // A link to itself cannot be opened, whoever runs the test.
    ASSERT_TRUE(QFile::remove(db.dataFilePath(QStringLiteral("Categories"))));
    ASSERT_EQ(
        ::symlink("Categories.dat", db.dataFilePath(QStringLiteral("Categories")).toLocal8Bit().constData()),
        0);

    const std::vector<engine::TableFileProblem> problems = db.diagnoseTables(schema::tableNames());
    ASSERT_EQ(problems.size(), 5u);
    using P = engine::TableFileProblem;
    EXPECT_EQ(problems[0].kind, P::Unreadable);
    EXPECT_EQ(
        problems[0].message,
        QStringLiteral("The table file Categories.dat cannot be read: too many levels of symbolic links."));
    EXPECT_EQ(problems[1].kind, P::Damaged);
    EXPECT_EQ(problems[1].message, QStringLiteral("The table file Products.dat is damaged."));
    EXPECT_EQ(problems[2].kind, P::Damaged);
    EXPECT_EQ(problems[2].message, QStringLiteral("The table file Items.dat is damaged."));
    EXPECT_EQ(problems[2].file, QStringLiteral("Items.dat"));
    EXPECT_EQ(problems[3].kind, P::Missing);
    EXPECT_EQ(problems[3].table, QStringLiteral("Shops"));
    EXPECT_EQ(problems[4].kind, P::Damaged);
    EXPECT_EQ(problems[4].table, QStringLiteral("Aisles"));
    EXPECT_TRUE(QFileInfo(db.dataFilePath(QStringLiteral("Aisles"))).isDir()) << "diagnosis changes nothing";
}

TEST_F(EngineTest, ANameOfFiftyEmojiKeepsAllFifty) {
    const QString apple = QString::fromUtf8("\xF0\x9F\x8D\x8E");
    const int id = addCategory(apple.repeated(51));
    Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    ASSERT_TRUE(cats.locate(QStringLiteral("CatID"), engine::Value{std::int64_t{id}}));
    EXPECT_EQ(cats.field(QStringLiteral("CatName")).asString(), apple.repeated(50));
}

// Beside a program that holds the database, a read-only connection reads the committed rows and writes
// nothing: no session file, none of the open's repairs, and never the journal of a change being made.
TEST_F(EngineTest, AReadOnlyConnectionReadsBesideAWriterAndChangesNothing) {
    addCategory(QStringLiteral("Dairy"));
    db.close();
    const auto path = [this](const char* name) { return temp.file(QString::fromLatin1(name)); };
    writeFile(path("Shops.idx"), "{}");
    writeFile(path("Items.dat.new"), "unfinished");
    writeFile(path("Products.dat-journal"), {});
    writeFile(temp.file(QStringLiteral("Grocelle-session-%1-1.db").arg(endedProcessId())), {});
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path("Categories.dat")).constData(), &writer), SQLITE_OK);
    engine::collation::registerAll(writer);
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE; UPDATE Categories SET CatName = 'Milk'", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const auto state = [&] {
        QStringList files;
        for (const QString& f : QDir(temp.path()).entryList(QDir::Files | QDir::Hidden))
            files << f + QLatin1Char(' ') + QString::number(qHash(readAll(temp.file(f))));
        return files;
    };
    const QStringList before = state();
    ASSERT_TRUE(before.join(' ').contains(QStringLiteral("Categories.dat-journal")));

    engine::Database reader(temp.path());
    reader.setReadOnly(true);
    EXPECT_EQ(reader.tables(), QStringList());
    reader.open();
    EXPECT_EQ(reader.tables(), (QStringList{"Aisles", "Categories", "Items", "Products", "Shops"}));
    engine::Query q(&reader);
    q.setSql({QStringLiteral("SELECT CatName FROM Categories")});
    q.open();
    EXPECT_EQ(q.field(0).asString(), QStringLiteral("Dairy"));
    q.close();
    EXPECT_EQ(reader.readDefinition(QStringLiteral("Shops")).toJson(),
              reader.definition(QStringLiteral("Shops")).toJson());
    EXPECT_TRUE(reader.diagnoseTables({QStringLiteral("Items")}).empty());
    EXPECT_THROW(reader.beginTransaction(), engine::EngineError);
    EXPECT_THROW(reader.execute(QStringLiteral("DELETE FROM Items")), engine::EngineError);
    EXPECT_THROW(reader.emptyTable(QStringLiteral("Items")), engine::EngineError);
    reader.close();
    EXPECT_EQ(state(), before);

    EXPECT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(writer);
    reader.open();
    q.open();
    EXPECT_EQ(q.field(0).asString(), QStringLiteral("Milk"));
}
