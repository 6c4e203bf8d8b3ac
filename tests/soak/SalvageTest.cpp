// A repair salvages what a damaged table file still holds. Each table of the kill harness's database is
// damaged in the ways a crash or a bad disk damages files (header overwritten, file cut short, a b-tree page
// zeroed); the repair must give back every row whose page survived, with its id and exactly as it was, count
// what it lost, keep the id counter above every id seen and leave a sound file.
#include "Collation.h"
#include "Database.h"
#include "EngineError.h"
#include "KillHarness.h"
#include "Schema.h"
#include "SoakDatabase.h"
#include "TableDefinition.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <functional>
#include <map>

namespace {

constexpr int kPageSize = 4096;

// One table file as the harness made it: its rows by id, its leaf pages with their row counts (SQLite's
// dbstat table), its root page and id counter.
struct Original {
    std::map<qint64, QString> rows;
    std::map<int, int> leafCells;
    int root = 0;
    qint64 sequence = 0;
    qint64 size = 0;
    QByteArray definition;
};

// Every row of the table by id, each value with its type, read on a connection of its own.
std::map<qint64, QString> rowsOf(const QString& file, const QString& table) {
    std::map<qint64, QString> rows;
    sqlite3* c = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &c, SQLITE_OPEN_READONLY, nullptr);
    engine::collation::registerAll(c);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(c, QStringLiteral("SELECT rowid, * FROM \"%1\"").arg(table).toUtf8().constData(), -1,
                       &s, nullptr);
    while (s && sqlite3_step(s) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 1; i < sqlite3_column_count(s); ++i)
            cells << QStringLiteral("%1:%2")
                         .arg(sqlite3_column_type(s, i))
                         .arg(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, i))));
        rows[sqlite3_column_int64(s, 0)] = cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(s);
    sqlite3_close(c);
    return rows;
}

qint64 single(sqlite3* c, const QString& sql) {
    sqlite3_stmt* s = nullptr;
    qint64 value = 0;
    if (sqlite3_prepare_v2(c, sql.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW)
        value = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return value;
}

qint64 sequenceOf(const QString& file, const QString& table) {
    sqlite3* c = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &c, SQLITE_OPEN_READONLY, nullptr);
    const qint64 seq =
        single(c, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = '%1'").arg(table));
    sqlite3_close(c);
    return seq;
}

Original readOriginal(const QString& file, const QString& table) {
    Original o;
    o.rows = rowsOf(file, table);
    o.sequence = sequenceOf(file, table);
    o.size = QFileInfo(file).size();
    sqlite3* c = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &c, SQLITE_OPEN_READONLY, nullptr);
    o.root = static_cast<int>(
        single(c, QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table)));
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(
        c,
        QStringLiteral("SELECT pageno, ncell FROM dbstat WHERE name = '%1' AND pagetype = 'leaf'")
            .arg(table)
            .toUtf8()
            .constData(),
        -1, &s, nullptr);
    while (s && sqlite3_step(s) == SQLITE_ROW)
        o.leafCells[sqlite3_column_int(s, 0)] = sqlite3_column_int(s, 1);
    sqlite3_finalize(s);
    sqlite3_close(c);
    return o;
}

// A way of damaging a file; `survives` tells whether a page keeps its contents.
struct Damage {
    QString name;
    std::function<void(QFile&, const Original&)> apply;
    std::function<bool(int page, const Original&)> survives;
};

void zeroPage(QFile& f, int page) {
    f.seek(qint64(page - 1) * kPageSize);
    f.write(QByteArray(kPageSize, '\0'));
}

// The middle one of the table's leaf pages.
int middleLeaf(const Original& o) {
    auto it = o.leafCells.begin();
    std::advance(it, o.leafCells.size() / 2);
    return it->first;
}

const std::vector<Damage>& damages() {
    static const std::vector<Damage> all{
        {QStringLiteral("header overwritten"),
         [](QFile& f, const Original&) { f.write(QByteArray(100, '\xA5')); },
         [](int, const Original&) { return true; }},
        {QStringLiteral("last page cut off"),
         [](QFile& f, const Original& o) { f.resize(o.size - kPageSize); },
         [](int page, const Original& o) { return qint64(page) * kPageSize <= o.size - kPageSize; }},
        {QStringLiteral("cut to half its length"), [](QFile& f, const Original& o) { f.resize(o.size / 2); },
         [](int page, const Original& o) { return qint64(page) * kPageSize <= o.size / 2; }},
        {QStringLiteral("cut to a quarter of its length"),
         [](QFile& f, const Original& o) { f.resize(o.size / 4); },
         [](int page, const Original& o) { return qint64(page) * kPageSize <= o.size / 4; }},
        {QStringLiteral("root page zeroed"), [](QFile& f, const Original& o) { zeroPage(f, o.root); },
         [](int page, const Original& o) { return page != o.root; }},
        {QStringLiteral("a leaf page zeroed"),
         [](QFile& f, const Original& o) { zeroPage(f, middleLeaf(o)); },
         [](int page, const Original& o) { return page != middleLeaf(o); }},
    };
    return all;
}

class SalvageTest : public ::testing::TestWithParam<QString> {
protected:
    static void SetUpTestSuite() {
        templateDir = new QTemporaryDir(soak::workFolderTemplate());
        soak::fillDatabase(templateDir->path());
    }
    static void TearDownTestSuite() {
        delete templateDir;
        templateDir = nullptr;
    }

    // A fresh copy of the harness's database.
    QString freshCopy() {
        const QString folder = temp.filePath(QStringLiteral("db%1").arg(++copies));
        QDir().mkpath(folder);
        for (const QString& f : QDir(templateDir->path()).entryList(QDir::Files))
            QFile::copy(QDir(templateDir->path()).filePath(f), QDir(folder).filePath(f));
        return folder;
    }

    static QTemporaryDir* templateDir;
    QTemporaryDir temp{soak::workFolderTemplate()};
    int copies = 0;
};

QTemporaryDir* SalvageTest::templateDir = nullptr;

TEST_P(SalvageTest, EveryRowWhosePageSurvivedComesBackWithItsId) {
    const QString table = GetParam();
    const QString original = QDir(templateDir->path()).filePath(table + QStringLiteral(".dat"));
    const Original o = readOriginal(original, table);
    const bool autoInc = engine::Database(templateDir->path()).readDefinition(table).autoIncField() >= 0;
    ASSERT_FALSE(o.rows.empty());
    ASSERT_FALSE(o.leafCells.empty());

    for (const Damage& damage : damages()) {
        if (damage.name == QLatin1String("a leaf page zeroed") && o.leafCells.size() < 2)
            continue; // the root is the only leaf
        SCOPED_TRACE((table + QStringLiteral(": ") + damage.name).toStdString());
        const QString folder = freshCopy();
        const QString file = QDir(folder).filePath(table + QStringLiteral(".dat"));
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            damage.apply(f, o);
        }
        int expected = 0;
        for (const auto& [page, cells] : o.leafCells)
            expected += damage.survives(page, o) ? cells : 0;

        engine::Database db(folder);
        db.setScratchFolder(temp.filePath(QStringLiteral("scratch")));
        const engine::TableRepair repair = db.repairTable(table);
        std::printf("%-10s %-32s %4d of %4d rows recovered, %4d lost%s (rows on surviving pages: %d)\n",
                    qPrintable(table), qPrintable(damage.name), repair.recovered, int(o.rows.size()),
                    repair.lost, repair.lostExact ? "" : " or more", expected);
        ASSERT_TRUE(repair.rebuilt);
        EXPECT_EQ(repair.keptAs, table + QStringLiteral(".dat.damaged"));

        // Every row of a page that survived, none changed, none invented.
        const std::map<qint64, QString> now = rowsOf(file, table);
        EXPECT_EQ(int(now.size()), repair.recovered);
        EXPECT_GE(repair.recovered, expected);
        for (const auto& [id, row] : now) {
            const auto it = o.rows.find(id);
            ASSERT_NE(it, o.rows.end()) << "row " << id << " was not in the table";
            EXPECT_EQ(row, it->second) << "row " << id;
        }
        if (repair.lostExact)
            EXPECT_EQ(repair.recovered + repair.lost, int(o.rows.size()));
        else
            EXPECT_LE(repair.recovered + repair.lost, int(o.rows.size()));
        EXPECT_EQ(repair.rowsMissing(), repair.recovered < int(o.rows.size()) || !repair.lostExact);

        // The id counter stays above every id the damaged file still showed.
        if (autoInc) {
            const qint64 seq = sequenceOf(file, table);
            if (!now.empty()) {
                EXPECT_GE(seq, now.rbegin()->first);
            }
            if (repair.lostExact) {
                EXPECT_GE(seq, o.rows.rbegin()->first);
            }
            if (damage.name == QLatin1String("header overwritten")) {
                EXPECT_EQ(seq, o.sequence);
            }
        }
        // A sound file with the table's definition inside, the damaged original kept as it was.
        EXPECT_TRUE(db.diagnoseTables({table}).empty());
        EXPECT_EQ(db.readDefinition(table).toJson(),
                  engine::Database(templateDir->path()).readDefinition(table).toJson());
        EXPECT_TRUE(QFileInfo(file + QStringLiteral(".damaged")).isFile());
        EXPECT_TRUE(db.repairTable(table)) << "sound after the repair";
    }
}

// Without the sqlite3 program nothing can be salvaged: the repair says so and leaves the damaged file alone.
TEST_F(SalvageTest, WithoutTheSqlite3ProgramTheRepairChangesNothing) {
    const QString folder = freshCopy();
    const QString file = QDir(folder).filePath(QStringLiteral("Shops.dat"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(100, '\xA5'));
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray damaged = f.readAll();
    qputenv("GROCELLE_SQLITE3", temp.filePath(QStringLiteral("no-such-program")).toLocal8Bit());
    engine::Database db(folder);
    db.setScratchFolder(temp.filePath(QStringLiteral("scratch")));
    try {
        db.repairTable(QStringLiteral("Shops"));
        ADD_FAILURE() << "the repair went ahead";
    } catch (const engine::EngineError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("The table file Shops.dat cannot be salvaged: the sqlite3 program is "
                                 "not installed (Debian package sqlite3)."));
    }
    qunsetenv("GROCELLE_SQLITE3");
    f.seek(0);
    EXPECT_EQ(f.readAll(), damaged);
    EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".damaged")));
}

INSTANTIATE_TEST_SUITE_P(EachTable, SalvageTest, ::testing::ValuesIn(schema::tableNames()),
                         [](const ::testing::TestParamInfo<QString>& info) {
                             return info.param.toStdString();
                         });

} // namespace
