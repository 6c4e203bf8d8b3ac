// A crash at any instant of a change leaves every table whole: entirely as before the change or entirely as
// after it, none missing, no files left over. A child process runs the change and is killed before each of
// its file-system steps in turn, and at random instants.
#include "Database.h"
#include "Schema.h"
#include "TableDefinition.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace {

QStringList tableFiles() {
    QStringList files;
    for (const QString& t : schema::tableNames())
        files << t + QStringLiteral(".dat") << t + QStringLiteral(".idx");
    return files;
}

void exec(engine::Database& db, const QString& sql) {
    db.execute(sql);
}

// A few of everything; a deleted item leaves a gap so the id counter has to survive a rebuild.
void fillDatabase(const QString& folder) {
    CreateDatabaseTables(folder);
    engine::Database db(folder);
    engine::Transaction t(db);
    for (int i = 1; i <= 4; ++i)
        exec(db, QStringLiteral("INSERT INTO Categories (CatName) VALUES ('Category %1')").arg(i));
    for (int i = 1; i <= 8; ++i)
        exec(db, QStringLiteral("INSERT INTO Products (ProdName, UnitOfMeasure, Category) VALUES ('Prod "
                                "%1', 'kg', %2)")
                     .arg(i)
                     .arg(i % 4 + 1));
    for (int i = 1; i <= 3; ++i)
        exec(db,
             QStringLiteral("INSERT INTO Shops (ShopName, Address) VALUES ('Shop %1', 'Street %1')").arg(i));
    for (int i = 1; i <= 60; ++i)
        exec(db, QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop, Quantity) VALUES "
                                "(%1, 'Brand %2 \u00e9t\u00e9', %2, %3, %4, %5)")
                     .arg(i % 8 + 1)
                     .arg(i)
                     .arg(i * 0.25)
                     .arg(i % 3 + 1)
                     .arg(i % 4));
    for (int shop = 1; shop <= 3; ++shop)
        for (int cat = 1; cat <= 4; ++cat)
            exec(db, QStringLiteral("INSERT INTO Aisles (Category, Shop, Sequence, RectLeft) VALUES (%1, %2, "
                                    "%3, %4)")
                         .arg(cat)
                         .arg(shop)
                         .arg(cat * 1.5)
                         .arg(cat * 10));
    t.commit();
    exec(db, QStringLiteral("DELETE FROM Items WHERE ItemID = 60"));
}

QString text(sqlite3_stmt* s, int column) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return t ? QString::fromUtf8(t) : QStringLiteral("<null>");
}

QString queryText(sqlite3* c, const QString& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
        return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(c)));
    QStringList rows;
    while (sqlite3_step(s) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(s); ++i)
            cells << text(s, i);
        rows << cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(s);
    return rows.join(QLatin1Char('\n'));
}

// Everything a change can touch, read through a fresh connection (which also recovers what a crash left).
// Empty, with the reason in problem, when a table is missing, unsound or its .idx disagrees.
QString snapshot(const QString& folder, QString& problem) {
    engine::Database db(folder);
    db.setScratchFolder(folder);
    QString out;
    try {
        sqlite3* c = db.connection();
        for (const QString& name : schema::tableNames()) {
            if (!db.tables().contains(name)) {
                problem = name + QStringLiteral(" is missing or cannot be attached");
                return {};
            }
            const QString q = QLatin1Char('"') + name + QLatin1Char('"');
            const QString check = queryText(c, QStringLiteral("PRAGMA %1.integrity_check").arg(q));
            if (check != QLatin1String("ok")) {
                problem = name + QStringLiteral(": ") + check;
                return {};
            }
            const engine::TableDefinition def = db.definition(name);
            if (engine::TableDefinition::readFile(db.definitionFilePath(name)).toJson() != def.toJson()) {
                problem = name + QStringLiteral(".idx disagrees with the table file");
                return {};
            }
            out += QStringLiteral("%1 locale %2 version %3.%4\n")
                       .arg(name)
                       .arg(def.locale)
                       .arg(def.versionMajor)
                       .arg(def.versionMinor);
            out += queryText(c, QStringLiteral("SELECT name, sql FROM %1.sqlite_master WHERE sql NOT NULL "
                                               "ORDER BY name")
                                    .arg(q)) +
                   QLatin1Char('\n');
            out += queryText(c, QStringLiteral("SELECT rowid, * FROM %1.%1 ORDER BY rowid").arg(q)) +
                   QLatin1Char('\n');
            if (def.autoIncField() >= 0)
                out += queryText(c, QStringLiteral("SELECT seq FROM %1.sqlite_sequence").arg(q)) +
                       QLatin1Char('\n');
        }
    } catch (const std::exception& e) {
        problem = QString::fromUtf8(e.what());
        return {};
    }
    return out;
}

// Files beside the tables after a connection opened and closed again; none may remain.
QStringList leftovers(const QString& folder, const QStringList& allowed) {
    {
        engine::Database db(folder);
        db.setScratchFolder(folder);
        try {
            db.open();
        } catch (const std::exception&) {
        }
    }
    QStringList extra;
    for (const QString& f :
         QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!tableFiles().contains(f) && !allowed.contains(f))
            extra << f;
    return extra;
}

void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString& f : QDir(from).entryList(QDir::Files))
        QFile::copy(QDir(from).filePath(f), QDir(to).filePath(f));
}

struct ChildRun {
    bool finished = false; // ran to its end instead of being killed
    int steps = 0;
    qint64 micros = 0; // from "ready" to its end
};

// killAtStep > 0: the child kills itself before that step; killAfter >= 0: it is killed that many
// microseconds after it started the change.
ChildRun runChild(const QString& change, const QString& folder, int killAtStep, qint64 killAfter = -1) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (killAfter < 0)
        env.insert(QStringLiteral("GROCELLE_KILL_AT_STEP"), QString::number(killAtStep));
    p.setProcessEnvironment(env);
    const QString cache = folder + QStringLiteral("-cache");
    p.start(QStringLiteral(CRASH_CHILD), {change, folder, cache});
    EXPECT_TRUE(p.waitForStarted(10000));
    QByteArray out;
    while (!out.contains("ready\n") && p.state() != QProcess::NotRunning && p.waitForReadyRead(10000))
        out += p.readAllStandardOutput();
    QElapsedTimer timer;
    timer.start();
    if (killAfter >= 0) {
        QThread::usleep(static_cast<unsigned long>(killAfter));
        p.kill();
    }
    p.waitForFinished(20000);
    // Caches get cleaned: whatever recovery needs must be in the database folder.
    QDir(cache).removeRecursively();
    ChildRun run;
    run.micros = timer.nsecsElapsed() / 1000;
    out += p.readAllStandardOutput();
    run.finished = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    const int at = out.indexOf("steps ");
    if (at >= 0)
        run.steps = out.mid(at + 6).trimmed().toInt();
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() != 0)
        ADD_FAILURE() << change.toStdString() << ": " << p.readAllStandardError().toStdString();
    return run;
}

class CrashTest : public ::testing::Test {
protected:
    // Runs the change killed before every step and at random instants; each outcome must be `before` or
    // the outcome of the uninterrupted change, checked by `judge` (which returns a problem or nothing).
    void killEverywhere(const QString& change, const std::function<void(const QString&)>& prepare,
                        const std::function<QString(const QString& folder, const QString& after)>& judge) {
        const QString templ = temp.sub(QStringLiteral("template"));
        prepare(templ);
        const QString full = temp.file(QStringLiteral("full"));
        copyFolder(templ, full);
        const ChildRun whole = runChild(change, full, 0);
        ASSERT_TRUE(whole.finished);
        ASSERT_GT(whole.steps, 1);
        QString problem;
        const QString after = snapshot(full, problem);
        ASSERT_FALSE(after.isEmpty()) << problem.toStdString();

        const QString work = temp.file(QStringLiteral("work"));
        int torn = 0;
        const auto check = [&](const QString& when) {
            const QString p = judge(work, after);
            if (!p.isEmpty()) {
                ++torn;
                ADD_FAILURE() << change.toStdString() << " killed " << when.toStdString() << ": "
                              << p.toStdString();
            }
        };
        for (int k = 1; k <= whole.steps; ++k) {
            copyFolder(templ, work);
            const ChildRun run = runChild(change, work, k);
            EXPECT_FALSE(run.finished) << "step " << k << " of " << whole.steps;
            check(QStringLiteral("before step %1 of %2").arg(k).arg(whole.steps));
        }
        for (int i = 0; i < 20; ++i) {
            copyFolder(templ, work);
            const qint64 at = QRandomGenerator::global()->bounded(whole.micros + 1);
            runChild(change, work, 0, at);
            check(QStringLiteral("after %1 us").arg(at));
        }
        EXPECT_EQ(torn, 0);
    }

    // The judge for changes of sound tables: the whole database as before or as after, nothing left over.
    std::function<QString(const QString&, const QString&)> beforeOrAfter(const QString& before) {
        return [before](const QString& folder, const QString& after) {
            QString problem;
            const QString now = snapshot(folder, problem);
            if (now.isEmpty())
                return problem;
            if (now != before && now != after)
                return QStringLiteral("torn:\n") + now;
            const QStringList extra = leftovers(folder, {});
            return extra.isEmpty() ? QString() : QStringLiteral("left over: ") + extra.join(QLatin1Char(' '));
        };
    }

    QString snapshotOf(const QString& folder) {
        QString problem;
        const QString s = snapshot(folder, problem);
        EXPECT_FALSE(s.isEmpty()) << problem.toStdString();
        return s;
    }

    // The kills stop processes, not the machine, so a memory file system proves as much as a disk and
    // spares the test thousands of waits for the disk.
    struct Folder {
        QTemporaryDir dir{QDir(QStringLiteral("/dev/shm")).exists()
                              ? QStringLiteral("/dev/shm/grocelle-crash-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/grocelle-crash-XXXXXX")};
        QString file(const QString& name) const { return dir.filePath(name); }
        QString sub(const QString& name) const {
            QDir().mkpath(file(name));
            return file(name);
        }
    } temp;
};

TEST_F(CrashTest, LanguageChangeOfAllTablesIsWholeAtEveryInstant) {
    const QString before = temp.sub(QStringLiteral("before"));
    fillDatabase(before);
    killEverywhere(
        QStringLiteral("alter"), [&](const QString& f) { copyFolder(before, f); },
        beforeOrAfter(snapshotOf(before)));
}

TEST_F(CrashTest, UpgradeFromTwoPointZeroIsWholeAtEveryInstant) {
    const QString before = temp.sub(QStringLiteral("before"));
    fillDatabase(before);
    {
        engine::Database db(before);
        db.alterTables(schema::tableNames(), 1036, std::pair{2, 0});
    }
    killEverywhere(
        QStringLiteral("upgrade"), [&](const QString& f) { copyFolder(before, f); },
        beforeOrAfter(snapshotOf(before)));
}

TEST_F(CrashTest, EmptyingATableIsWholeAtEveryInstant) {
    const QString before = temp.sub(QStringLiteral("before"));
    fillDatabase(before);
    killEverywhere(
        QStringLiteral("empty"), [&](const QString& f) { copyFolder(before, f); },
        beforeOrAfter(snapshotOf(before)));
}

TEST_F(CrashTest, DeletingAShopAcrossThreeTablesIsAllOrNothing) {
    const QString before = temp.sub(QStringLiteral("before"));
    fillDatabase(before);
    killEverywhere(
        QStringLiteral("delete-shop"), [&](const QString& f) { copyFolder(before, f); },
        beforeOrAfter(snapshotOf(before)));
}

TEST_F(CrashTest, RepairNeverLeavesTheTableWithoutItsFile) {
    const QString before = temp.sub(QStringLiteral("before"));
    fillDatabase(before);
    const QString items = QDir(before).filePath(QStringLiteral("Items.dat"));
    {
        QFile f(items);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        // Page 4 holds the first index of the table: the rows can all be saved, the file is damaged.
        ASSERT_GT(f.size(), 5 * 4096);
        f.seek(3 * 4096 + 8);
        f.write(QByteArray(2000, '\xA5'));
    }
    QFile f(items);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray damaged = f.readAll();
    killEverywhere(
        QStringLiteral("repair"), [&](const QString& f) { copyFolder(before, f); },
        [&](const QString& folder, const QString& after) {
            const QStringList extra = leftovers(folder, {QStringLiteral("Items.dat.damaged")});
            if (!extra.isEmpty())
                return QStringLiteral("left over: ") + extra.join(QLatin1Char(' '));
            QFile now(QDir(folder).filePath(QStringLiteral("Items.dat")));
            if (!now.open(QIODevice::ReadOnly))
                return QStringLiteral("Items.dat is missing");
            if (now.readAll() == damaged)
                return QString(); // still before the repair
            QString problem;
            const QString state = snapshot(folder, problem);
            if (state != after)
                return QStringLiteral("neither the damaged original nor the repaired table: ") + problem;
            QFile kept(QDir(folder).filePath(QStringLiteral("Items.dat.damaged")));
            if (!kept.open(QIODevice::ReadOnly) || kept.readAll() != damaged)
                return QStringLiteral("the damaged original was not kept");
            return QString();
        });
}

} // namespace
