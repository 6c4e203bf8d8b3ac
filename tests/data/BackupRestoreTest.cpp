#include "Backup.h"

#include "Database.h"
#include "EngineError.h"
#include "Query.h"
#include "Schema.h"
#include "TableFiles.h"
#include "TempFolder.h"
#include "ZipArchive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <gtest/gtest.h>
#include <zip.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace backup;

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// Every file of a folder with a digest of its bytes: equal results mean the folder was not touched.
QStringList folderState(const QString& folder) {
    QStringList state;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden))
        state << name + QLatin1Char(' ') +
                     QString::fromLatin1(
                         QCryptographicHash::hash(readFile(dir.filePath(name)), QCryptographicHash::Sha1)
                             .toHex());
    return state;
}

// A hand-made archive: entries with any name, content and (optionally) Unix file type bits.
struct Entry {
    QString name;
    QByteArray data;
    std::uint32_t unixMode = 0100644;
};

void makeArchive(const QString& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const Entry& e : entries) {
        // libzip frees the copy with the source, but takes no buffer for an empty entry.
        char* copy = nullptr;
        if (!e.data.isEmpty()) {
            copy = static_cast<char*>(malloc(static_cast<std::size_t>(e.data.size())));
            memcpy(copy, e.data.constData(), static_cast<std::size_t>(e.data.size()));
        }
        zip_source_t* s = zip_source_buffer(z, copy, static_cast<zip_uint64_t>(e.data.size()), 1);
        const zip_int64_t i = zip_file_add(z, e.name.toUtf8().constData(), s, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(i, 0) << zip_strerror(z);
        zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX,
                                         e.unixMode << 16);
    }
    ASSERT_EQ(zip_close(z), 0);
}

// Rewrites the uncompressed size that the local and the central header of the named entry announce.
void announceSize(QByteArray& bytes, const QByteArray& name, std::uint32_t size) {
    int patched = 0;
    for (qsizetype at = bytes.indexOf(name); at >= 0; at = bytes.indexOf(name, at + 1)) {
        const bool central = bytes.mid(at - 46, 4) == QByteArray("PK\x01\x02", 4);
        const bool local = bytes.mid(at - 30, 4) == QByteArray("PK\x03\x04", 4);
        if (!central && !local)
            continue;
        const qsizetype sizeField = at - (central ? 46 - 24 : 30 - 22);
        for (int b = 0; b < 4; ++b)
            bytes[sizeField + b] = char((size >> (8 * b)) & 0xFF);
        ++patched;
    }
    ASSERT_EQ(patched, 2) << name.constData();
}

mode_t currentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

class BackupTest : public ::testing::Test {
protected:
    BackupTest()
        : dbFolder(temp.sub(QStringLiteral("db"))), backupFolder(temp.sub(QStringLiteral("backups"))) {
        CreateDatabaseTables(dbFolder);
        engine::Database db(dbFolder);
        for (const char* name : {"Dairy", "Bakery", "Fruit"})
            db.execute(QStringLiteral("INSERT INTO Categories (CatName) VALUES (?)"),
                       {engine::Value{std::string(name)}});
        db.execute(QStringLiteral("INSERT INTO Shops (ShopName) VALUES ('Corner shop')"));
        db.execute(QStringLiteral("INSERT INTO Products (ProdName, Category) VALUES ('Milk', 1)"));
        db.execute(QStringLiteral("INSERT INTO Items (Product, Shop, Price) VALUES (1, 1, 0.99)"));
        db.close();
    }

    QDateTime fixedTime(int secondsSinceMidnight, int msec = 0) const {
        return QDateTime(QDate(2026, 12, 9), QTime(0, 0).addSecs(secondsSinceMidnight).addMSecs(msec));
    }

    QString backupAt(const QDateTime& time) {
        BackupWriter writer(dbFolder, backupFolder, [time] { return time; });
        return writer.write();
    }

    void changeData() {
        engine::Database db(dbFolder);
        db.execute(QStringLiteral("INSERT INTO Categories (CatName) VALUES ('Added later')"));
        db.execute(QStringLiteral("DELETE FROM Items"));
        db.close();
    }

    // The ten table files of the test database as archive entries, under names made by `rename`.
    std::vector<Entry> tableEntries(const std::function<QString(const QString&)>& rename = {}) const {
        std::vector<Entry> entries;
        for (const QString& f : tableFiles())
            entries.push_back({rename ? rename(f) : f, readFile(QDir(dbFolder).filePath(f))});
        return entries;
    }

    // The restore is refused with `message`, and neither the database nor its surroundings changed.
    void expectRefused(const QString& archive, const QString& message) {
        const QStringList before = folderState(dbFolder);
        const QStringList around = folderState(temp.path());
        BackupRestorer restorer(dbFolder);
        try {
            restorer.restore(archive);
            ADD_FAILURE() << "restored " << archive.toStdString();
        } catch (const BackupError& e) {
            EXPECT_EQ(e.message().toStdString(), message.toStdString()) << e.detail().toStdString();
        }
        EXPECT_EQ(folderState(dbFolder), before);
        EXPECT_EQ(folderState(temp.path()), around);
    }

    TempFolder temp;
    QString dbFolder;
    QString backupFolder;
};

} // namespace

TEST(BackupName, DayCountAndWholeSecondsZeroPadded) {
    EXPECT_EQ(archiveName(QDateTime(QDate(1900, 1, 1), QTime(0, 0, 59))), "Grocelle_Backup_00002_00059.zip");
    EXPECT_EQ(archiveName(QDateTime(QDate(1900, 1, 1), QTime(0, 0, 2, 999))),
              "Grocelle_Backup_00002_00002.zip");
    EXPECT_EQ(archiveName(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59, 999))),
              "Grocelle_Backup_46365_86399.zip");
    EXPECT_EQ(archiveName(QDateTime(QDate(2026, 12, 9), QTime(12, 0, 0))), "Grocelle_Backup_46365_43200.zip");
}

TEST_F(BackupTest, ArchiveHoldsExactlyTheTenFilesInOrder) {
    // Files of the connection and the program's lock live in the folder too; they are never archived.
    writeFile(QDir(dbFolder).filePath(QStringLiteral("Grocelle.lock")), "1234");
    engine::Database open(dbFolder);
    open.open();
    // A change the program has not committed yet is not in the backup, and the backup changes nothing in the
    // folder: not the journal of that change, not a definition file that disagrees with its table file.
    open.beginTransaction();
    open.execute(QStringLiteral("UPDATE Items SET Price = 5.55"));
    writeFile(QDir(dbFolder).filePath(QStringLiteral("Shops.idx")), "{}");
    const QStringList before = folderState(dbFolder);
    const QByteArray itemsBefore = readFile(QDir(dbFolder).filePath(QStringLiteral("Items.dat")));

    const QString path = backupAt(fixedTime(59));
    EXPECT_EQ(folderState(dbFolder), before);
    open.rollbackTransaction();
    open.close();
    writeFile(QDir(dbFolder).filePath(QStringLiteral("Shops.idx")),
              engine::Database(dbFolder).readDefinition(QStringLiteral("Shops")).toJson());
    EXPECT_EQ(path, QDir(backupFolder).filePath(QStringLiteral("Grocelle_Backup_46365_00059.zip")));
    ZipArchive zip;
    zip.open(path);
    EXPECT_EQ(zip.entryNames(), tableFiles());
    for (int i = 0; i < tableFiles().size(); ++i) {
        const QString out = temp.file(QStringLiteral("entry"));
        zip.extract(i, out);
        EXPECT_EQ(readFile(out), readFile(QDir(dbFolder).filePath(tableFiles().at(i)))) << i;
    }
    EXPECT_EQ(readFile(QDir(dbFolder).filePath(QStringLiteral("Items.dat"))), itemsBefore);
}

// Backups taken while another connection keeps committing changes to two tables at once: each archive holds
// one state, both tables of the same moment.
TEST_F(BackupTest, BackupsBesideAWriterHoldOneConsistentState) {
    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    QString writerError;
    // This thread's connection has set up every collator before the writer's connection looks them up.
    tableContents(dbFolder);
    std::thread writer([&] {
        try {
            engine::Database db(dbFolder);
            for (int i = 0; !stop; ++i) {
                engine::Transaction t(db);
                db.execute(QStringLiteral("INSERT INTO Categories (CatName) VALUES (?)"),
                           {engine::Value{QStringLiteral("Cat %1").arg(i).toStdString()}});
                db.execute(QStringLiteral("INSERT INTO Products (ProdName, Category) VALUES (?, "
                                          "(SELECT max(CatID) FROM Categories))"),
                           {engine::Value{QStringLiteral("Prod %1").arg(i).toStdString()}});
                t.commit();
                ++commits;
                // As a person's edits come: back-to-back commits would keep every reader out.
                QThread::msleep(10);
            }
        } catch (const std::exception& e) {
            writerError = QString::fromUtf8(e.what());
        }
    });
    QStringList archives;
    QString backupError;
    int second = 100;
    while (archives.size() < 4 && writerError.isEmpty() && backupError.isEmpty()) {
        if (commits < 2 * (archives.size() + 1)) {
            QThread::msleep(5);
            continue;
        }
        try {
            archives << BackupWriter(dbFolder, backupFolder, [&] { return fixedTime(second++); }).write();
        } catch (const BackupError& e) {
            backupError = e.detail();
        }
    }
    stop = true;
    writer.join();
    ASSERT_TRUE(backupError.isEmpty()) << backupError.toStdString();
    ASSERT_TRUE(writerError.isEmpty()) << writerError.toStdString();
    QSet<int> counts;
    for (const QString& archive : archives) {
        const QString folder = temp.sub(QFileInfo(archive).baseName());
        BackupRestorer(folder).restore(archive);
        engine::Database db(folder);
        engine::Query q(&db);
        q.setSql({QStringLiteral(
            "SELECT (SELECT count(*) FROM Categories WHERE CatName LIKE 'Cat %'), "
            "(SELECT count(*) FROM Products WHERE ProdName LIKE 'Prod %'), "
            "(SELECT count(*) FROM Products p JOIN Categories c ON c.CatID = p.Category "
            "WHERE p.ProdName LIKE 'Prod %' AND substr(c.CatName, 5) = substr(p.ProdName, 6))")});
        q.open();
        const std::int64_t cats = q.field(0).asInteger();
        EXPECT_EQ(q.field(1).asInteger(), cats) << archive.toStdString();
        EXPECT_EQ(q.field(2).asInteger(), cats) << archive.toStdString();
        counts.insert(static_cast<int>(cats));
    }
    EXPECT_GT(counts.size(), 1) << "the backups saw the writer at work";
}

TEST_F(BackupTest, SecondBackupInTheSameSecondWaitsForTheNextSecond) {
    const QString first = backupAt(fixedTime(100, 200));
    int calls = 0;
    BackupWriter writer(dbFolder, backupFolder, [&] { return fixedTime(calls++ == 0 ? 100 : 101, 995); });
    const QString second = writer.write();
    EXPECT_NE(first, second);
    EXPECT_TRUE(second.endsWith(QStringLiteral("_00101.zip"))) << second.toStdString();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(QDir(backupFolder).entryList(QDir::Files).size(), 2);
}

TEST_F(BackupTest, FailedBackupLeavesNoArchive) {
    BackupWriter missingFolder(dbFolder, temp.file(QStringLiteral("no-such-folder")),
                               [this] { return fixedTime(5); });
    try {
        missingFolder.write();
        ADD_FAILURE() << "backup into a missing folder";
    } catch (const BackupError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to archive database."));
    }

    // A table file that is missing: no archive. (A missing definition file is written again from the
    // definition inside the table file, so it is no reason to fail.)
    QFile::rename(QDir(dbFolder).filePath(QStringLiteral("Aisles.dat")),
                  temp.file(QStringLiteral("Aisles.dat")));
    EXPECT_THROW(backupAt(fixedTime(6)), engine::EngineError);
    EXPECT_TRUE(QDir(backupFolder).entryList(QDir::Files).isEmpty());
    QFile::rename(temp.file(QStringLiteral("Aisles.dat")),
                  QDir(dbFolder).filePath(QStringLiteral("Aisles.dat")));
    QFile::remove(QDir(dbFolder).filePath(QStringLiteral("Aisles.idx")));
    const QString withoutIdx = backupAt(fixedTime(7));
    ZipArchive made;
    made.open(withoutIdx);
    EXPECT_EQ(made.entryNames(), tableFiles());
    made.discard();
    QFile::remove(withoutIdx);

    if (geteuid() != 0) {
        QFile::setPermissions(QDir(dbFolder).filePath(QStringLiteral("Items.dat")), QFileDevice::WriteOwner);
        EXPECT_THROW(backupAt(fixedTime(8)), engine::EngineError);
        EXPECT_TRUE(QDir(backupFolder).entryList(QDir::Files).isEmpty());
        QFile::setPermissions(backupFolder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile::setPermissions(QDir(dbFolder).filePath(QStringLiteral("Items.dat")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_THROW(backupAt(fixedTime(9)), BackupError);
        QFile::setPermissions(backupFolder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
}

TEST_F(BackupTest, RestoreBringsBackTheBackedUpData) {
    const QString expected = tableContents(dbFolder);
    const QString archive = backupAt(fixedTime(10));
    changeData();
    ASSERT_NE(tableContents(dbFolder), expected);

    BackupRestorer(dbFolder).restore(archive);
    EXPECT_EQ(tableContents(dbFolder), expected);
    EXPECT_FALSE(QFileInfo::exists(BackupRestorer::stagingFolder(dbFolder)));
    EXPECT_FALSE(QFileInfo::exists(BackupRestorer::asideFolder(dbFolder)));
    engine::Database db(dbFolder);
    db.execute(QStringLiteral("INSERT INTO Categories (CatName) VALUES ('Works after restore')"));
}

TEST_F(BackupTest, EntriesAreFoundByBareNameInAnyCaseAndOnlyTheTenAreWritten) {
    const QString expected = tableContents(dbFolder);
    std::vector<Entry> entries = tableEntries([](const QString& f) {
        return f.startsWith(QLatin1String("Items")) ? QStringLiteral("old backups/2019/") + f.toUpper()
                                                    : QStringLiteral("Backup\\") + f.toLower();
    });
    entries.push_back({QStringLiteral("readme.txt"), "not a table"});
    entries.push_back({QStringLiteral("old backups/"), {}, 040755});
    const QString archive = temp.file(QStringLiteral("odd.zip"));
    makeArchive(archive, entries);
    changeData();

    BackupRestorer restorer(dbFolder);
    restorer.check(archive);
    restorer.restore(archive);
    EXPECT_EQ(tableContents(dbFolder), expected);
    QStringList files = QDir(dbFolder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    files.sort();
    QStringList ten = tableFiles();
    ten.sort();
    EXPECT_EQ(files, ten);
}

TEST_F(BackupTest, ArchivesThatAreNotBackupsAreRefusedBeforeAnythingIsWritten) {
    const QString good = backupAt(fixedTime(20));
    const QByteArray goodBytes = readFile(good);
    const QString bad = temp.file(QStringLiteral("bad.zip"));
    const QString notBackup = QStringLiteral("This file does not appear to be a Grocelle backup file.");

    writeFile(bad, "PK but not really a zip archive");
    expectRefused(bad, notBackup);
    writeFile(bad, {});
    expectRefused(bad, notBackup);
    writeFile(bad, goodBytes.left(goodBytes.size() / 2));
    expectRefused(bad, notBackup);
    writeFile(bad, goodBytes.left(goodBytes.size() - 10));
    expectRefused(bad, notBackup);
    expectRefused(temp.file(QStringLiteral("missing.zip")), notBackup);

    std::vector<Entry> nine = tableEntries();
    nine.pop_back();
    makeArchive(bad, nine);
    expectRefused(bad, notBackup);

    std::vector<Entry> twice = tableEntries();
    twice.push_back({QStringLiteral("copy/Items.dat"), "other"});
    makeArchive(bad, twice);
    expectRefused(bad, notBackup);
}

TEST_F(BackupTest, UnsafeEntriesAreRefusedBeforeAnythingIsWritten) {
    const QString bad = temp.file(QStringLiteral("bad.zip"));
    const QString notBackup = QStringLiteral("This file does not appear to be a Grocelle backup file.");
    const QString outside =
        QStringLiteral("This file holds an entry that would be written outside the data folder.");
    for (const QString& name :
         {QStringLiteral("../Items.dat"), QStringLiteral("a/../../evil.txt"), QStringLiteral("/tmp/evil.txt"),
          QStringLiteral("C:evil.txt"), QStringLiteral("c:\\windows\\evil.txt"),
          QStringLiteral("..\\..\\evil.txt"), QStringLiteral("\\evil.txt")}) {
        std::vector<Entry> entries = tableEntries();
        entries.push_back({name, "escape"});
        makeArchive(bad, entries);
        SCOPED_TRACE(name.toStdString());
        expectRefused(bad, outside);
    }

    // A link in place of a table file would let the next write go anywhere.
    std::vector<Entry> link = tableEntries();
    link[6] = {QStringLiteral("Items.dat"), "/etc/passwd", 0120777};
    makeArchive(bad, link);
    expectRefused(bad, notBackup);
}

TEST_F(BackupTest, EntriesAnnouncingAbsurdSizesAreRefused) {
    const QString bad = temp.file(QStringLiteral("bad.zip"));
    makeArchive(bad, tableEntries());
    // The size fields of Items.dat's local and central headers claim almost 4 GiB.
    QByteArray bytes = readFile(bad);
    announceSize(bytes, "Items.dat", 0xFFFFFFF0u);
    writeFile(bad, bytes);
    expectRefused(bad, QStringLiteral("This file does not appear to be a Grocelle backup file."));

    // A bomb: each entry compresses about as well as deflate can, but the ten together announce more than
    // any database takes. Refused before a byte is extracted.
    std::vector<Entry> entries = tableEntries();
    for (Entry& e : entries) {
        e.data = QByteArray(100 * 1024, '\0');
        for (qsizetype i = 0; i < e.data.size(); i += 7)
            e.data[i] = char(i * 31 + 17); // a little less compressible than zeros
    }
    makeArchive(bad, entries);
    bytes = readFile(bad);
    for (const QString& f : tableFiles())
        announceSize(bytes, f.toUtf8(), 60u << 20);
    writeFile(bad, bytes);
    expectRefused(bad, QStringLiteral("This file does not appear to be a Grocelle backup file."));

    // Never more than the disk holds beside a margin.
    EXPECT_EQ(BackupRestorer::restoreSizeLimit(0), 0u);
    EXPECT_EQ(BackupRestorer::restoreSizeLimit(std::int64_t(100) << 20), std::uint64_t(36) << 20);
    EXPECT_EQ(BackupRestorer::restoreSizeLimit(std::int64_t(1) << 40), std::uint64_t(512) << 20);
}

TEST_F(BackupTest, ABackupOfANewerVersionIsRefusedBeforeTheSwap) {
    const QString newer = temp.sub(QStringLiteral("newer"));
    CreateDatabaseTables(newer);
    engine::Database(newer).alterTables(schema::tableNames(), std::nullopt, std::pair{2, 2});
    const QString archive = BackupWriter(newer, temp.sub(QStringLiteral("newer-backups"))).write();
    expectRefused(archive, kNewerVersion);
}

// Whatever the archive stores, restored files get the permissions of new files, and everything a restore
// writes stays inside the data folder.
TEST_F(BackupTest, RestoredFilesGetNewFilesPermissionsAndNothingIsWrittenBesideTheFolder) {
    std::vector<Entry> entries = tableEntries();
    for (Entry& e : entries)
        e.unixMode = 0100777;
    const QString archive = temp.file(QStringLiteral("open.zip"));
    makeArchive(archive, entries);
    EXPECT_EQ(QFileInfo(BackupRestorer::stagingFolder(dbFolder)).absolutePath(), dbFolder);
    EXPECT_EQ(QFileInfo(BackupRestorer::asideFolder(dbFolder)).absolutePath(), dbFolder);
    const QStringList around =
        QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    // The folder above the data folder cannot be written (a root user writes anyway).
    QFile::setPermissions(temp.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    BackupRestorer(dbFolder).restore(archive);
    QFile::setPermissions(temp.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), around);
    for (const QString& f : tableFiles()) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(QDir(dbFolder).filePath(f)).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0666u & ~currentUmask()) << f.toStdString();
    }
}

TEST_F(BackupTest, ArchiveThatIsNoDatabaseLeavesTheDatabaseAsItWas) {
    const QString bad = temp.file(QStringLiteral("bad.zip"));
    std::vector<Entry> entries = tableEntries();
    entries[6].data = QByteArray(8192, 'x'); // Items.dat
    makeArchive(bad, entries);
    BackupRestorer(dbFolder).check(bad);
    expectRefused(bad, QStringLiteral("Unable to restore database."));

    // A table file whose pages are damaged past its header fails SQLite's integrity check.
    entries = tableEntries();
    QByteArray& items = entries[6].data;
    ASSERT_GT(items.size(), 8192);
    for (qsizetype i = items.size() - 3000; i < items.size() - 100; ++i)
        items[i] = char(0xA5);
    makeArchive(bad, entries);
    expectRefused(bad, QStringLiteral("Unable to restore database."));
}

TEST_F(BackupTest, FailedSwapPutsTheOldFilesBack) {
    const QString archive = backupAt(fixedTime(30));
    changeData();
    const QString changed = tableContents(dbFolder);
    // A folder where the last old file should be set aside makes that rename fail after nine succeeded.
    QDir().mkpath(BackupRestorer::asideFolder(dbFolder) + QStringLiteral("/Aisles.idx/blocker"));
    const QStringList before = folderState(dbFolder);

    try {
        BackupRestorer(dbFolder).restore(archive);
        ADD_FAILURE() << "the swap cannot have succeeded";
    } catch (const BackupError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unable to restore database.")) << e.detail().toStdString();
    }
    EXPECT_EQ(folderState(dbFolder), before);
    EXPECT_EQ(tableContents(dbFolder), changed);
    EXPECT_FALSE(QFileInfo::exists(BackupRestorer::stagingFolder(dbFolder)));
}

TEST_F(BackupTest, StaleJournalsAreSetAsideWithTheFilesTheyBelongTo) {
    const QString expected = tableContents(dbFolder);
    const QString archive = backupAt(fixedTime(40));
    changeData();
    // A journal left by a crash of the old database would otherwise be played back into the restored file.
    writeFile(QDir(dbFolder).filePath(QStringLiteral("Items.dat-journal")), QByteArray(512, '\x01'));
    BackupRestorer(dbFolder).restore(archive);
    EXPECT_FALSE(QFileInfo::exists(QDir(dbFolder).filePath(QStringLiteral("Items.dat-journal"))));
    EXPECT_EQ(tableContents(dbFolder), expected);
}

TEST_F(BackupTest, InterruptedSwapIsFinishedOrUndone) {
    const QString expected = tableContents(dbFolder);
    const QString archive = backupAt(fixedTime(50));
    changeData();
    const QString changed = tableContents(dbFolder);
    const QDir db(dbFolder);
    const QString stagingPath = BackupRestorer::stagingFolder(dbFolder);
    const QString asidePath = BackupRestorer::asideFolder(dbFolder);
    const auto stage = [&] {
        QDir().mkpath(stagingPath);
        ZipArchive zip;
        zip.open(archive);
        for (int i = 0; i < tableFiles().size(); ++i)
            zip.extract(i, QDir(stagingPath).filePath(tableFiles().at(i)));
        QDir().mkpath(asidePath);
    };
    const auto move = [&](const QString& from, const QString& to) { ASSERT_TRUE(QFile::rename(from, to)); };

    // Decided (marker written), crash after three old files were set aside and one new file was moved in.
    stage();
    writeFile(QDir(stagingPath).filePath(QStringLiteral("restore.ready")), {});
    for (int i = 0; i < 3; ++i)
        move(db.filePath(tableFiles().at(i)), QDir(asidePath).filePath(tableFiles().at(i)));
    move(QDir(stagingPath).filePath(tableFiles().at(0)), db.filePath(tableFiles().at(0)));
    BackupRestorer::resolveInterruptedRestore(dbFolder);
    EXPECT_EQ(tableContents(dbFolder), expected);
    EXPECT_FALSE(QFileInfo::exists(stagingPath));
    EXPECT_FALSE(QFileInfo::exists(asidePath));

    // Undo under way (no marker): two new files still in place, every old file aside.
    changeData();
    const QString changedAgain = tableContents(dbFolder);
    stage();
    for (const QString& f : tableFiles())
        move(db.filePath(f), QDir(asidePath).filePath(f));
    for (int i = 0; i < 2; ++i)
        move(QDir(stagingPath).filePath(tableFiles().at(i)), db.filePath(tableFiles().at(i)));
    BackupRestorer::resolveInterruptedRestore(dbFolder);
    EXPECT_EQ(tableContents(dbFolder), changedAgain);
    EXPECT_FALSE(QFileInfo::exists(stagingPath));
    EXPECT_FALSE(QFileInfo::exists(asidePath));
    EXPECT_NE(changed, expected);

    // Decided, but the new files did not all reach the disk (a power loss under an earlier version, which
    // did not sync them): the old files go back instead of a torn database.
    for (const qint64 cut : {qint64(0), qint64(100), qint64(4096)}) {
        SCOPED_TRACE(cut);
        stage();
        writeFile(QDir(stagingPath).filePath(QStringLiteral("restore.ready")), {});
        QFile::resize(QDir(stagingPath).filePath(QStringLiteral("Shops.dat")), cut);
        for (int i = 0; i < 4; ++i)
            move(db.filePath(tableFiles().at(i)), QDir(asidePath).filePath(tableFiles().at(i)));
        move(QDir(stagingPath).filePath(tableFiles().at(0)), db.filePath(tableFiles().at(0)));
        BackupRestorer::resolveInterruptedRestore(dbFolder);
        EXPECT_EQ(tableContents(dbFolder), changedAgain);
        EXPECT_FALSE(QFileInfo::exists(stagingPath));
        EXPECT_FALSE(QFileInfo::exists(asidePath));
    }

    // An earlier version gathered the files beside the data folder; a restore it left decided is finished.
    const QString oldStaging = dbFolder + QStringLiteral(".restoring");
    QDir().mkpath(oldStaging);
    {
        ZipArchive zip;
        zip.open(archive);
        for (int i = 0; i < tableFiles().size(); ++i)
            zip.extract(i, QDir(oldStaging).filePath(tableFiles().at(i)));
    }
    writeFile(QDir(oldStaging).filePath(QStringLiteral("restore.ready")), {});
    BackupRestorer::resolveInterruptedRestore(dbFolder);
    EXPECT_EQ(tableContents(dbFolder), expected);
    EXPECT_FALSE(QFileInfo::exists(oldStaging));
    EXPECT_FALSE(QFileInfo::exists(dbFolder + QStringLiteral(".replaced")));

    // Nothing interrupted: nothing happens.
    const QStringList state = folderState(dbFolder);
    BackupRestorer::resolveInterruptedRestore(dbFolder);
    EXPECT_EQ(folderState(dbFolder), state);
}

// A crash at any file step of a restore, followed by the clean-up at the next start, leaves the database
// wholly as it was or wholly the backup.
TEST_F(BackupTest, RestoreKilledAtAnyStepLeavesOldOrNewDatabase) {
    const QString restored = tableContents(dbFolder);
    const QString archive = backupAt(fixedTime(60));
    changeData();
    const QString current = tableContents(dbFolder);
    const QString pristine = temp.sub(QStringLiteral("pristine"));
    for (const QString& f : QDir(dbFolder).entryList(QDir::Files))
        QFile::copy(QDir(dbFolder).filePath(f), QDir(pristine).filePath(f));
    const auto reset = [&] {
        for (const QString& folder :
             {dbFolder, BackupRestorer::stagingFolder(dbFolder), BackupRestorer::asideFolder(dbFolder)})
            QDir(folder).removeRecursively();
        QDir().mkpath(dbFolder);
        for (const QString& f : QDir(pristine).entryList(QDir::Files))
            QFile::copy(QDir(pristine).filePath(f), QDir(dbFolder).filePath(f));
    };
    const auto run = [&](int killAt, QByteArray* output) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GROCELLE_KILL_AT_STEP"), QString::number(killAt));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(RESTORE_CHILD), {dbFolder, archive});
        p.waitForFinished(30000);
        if (output)
            *output = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };

    QByteArray output;
    ASSERT_TRUE(run(0, &output));
    ASSERT_TRUE(output.startsWith("steps ")) << output.constData();
    const int steps = output.mid(6).trimmed().toInt();
    ASSERT_GT(steps, 10);
    EXPECT_EQ(tableContents(dbFolder), restored);

    int old = 0;
    int replaced = 0;
    for (int k = 1; k <= steps; ++k) {
        reset();
        SCOPED_TRACE(k);
        EXPECT_FALSE(run(k, nullptr));
        BackupRestorer::resolveInterruptedRestore(dbFolder);
        const QString contents = tableContents(dbFolder);
        EXPECT_TRUE(contents == current || contents == restored);
        (contents == current ? old : replaced)++;
        EXPECT_FALSE(QFileInfo::exists(BackupRestorer::stagingFolder(dbFolder)));
        EXPECT_FALSE(QFileInfo::exists(BackupRestorer::asideFolder(dbFolder)));
        QStringList files = QDir(dbFolder).entryList(QDir::Files);
        QStringList ten = tableFiles();
        files.sort();
        ten.sort();
        EXPECT_EQ(files, ten);
    }
    // Both outcomes occur: kills before the decision keep the old data, kills after it complete the restore.
    EXPECT_GT(old, 0);
    EXPECT_GT(replaced, 0);
}

TEST_F(BackupTest, RestoreQuestionNamesTheFilesOwnModificationTime) {
    const QString archive = backupAt(fixedTime(70)); // its name says 9 December 2026
    {
        QFile f(archive);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            f.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(17, 5, 9)), QFileDevice::FileModificationTime));
    }
    const std::optional<QString> question =
        createdQuestion(archive, QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(question.has_value());
    EXPECT_TRUE(
        question->startsWith(QStringLiteral("This Grocelle backup file was created \r\n3/4/21 5:05:09")))
        << question->toStdString();
    EXPECT_TRUE(question->endsWith(QStringLiteral("\r\n\r\nRestore this file?")));
    EXPECT_FALSE(question->contains(QStringLiteral("26")));
    EXPECT_FALSE(createdQuestion(temp.file(QStringLiteral("gone.zip"))).has_value());

    EXPECT_EQ(backedUpMessage(archive), QStringLiteral("Database successfully backed up to:\r\n") + archive);
}
