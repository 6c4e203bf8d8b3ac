#include "Backup.h"
#include "DataChecker.h"
#include "Database.h"
#include "DatabaseLock.h"
#include "Helpers.h"
#include "ReportRegistry.h"
#include "Schema.h"
#include "Table.h"
#include "TableFiles.h"
#include "TempFolder.h"
#include "TempHome.h"
#include "V1FileWriter.h"
#include "V1Importer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

V1File sampleFile() {
    V1File f;
    f.categories = {QStringLiteral("Dairy"), QStringLiteral("Fruit")};
    f.products = {{QStringLiteral("Milk"), QStringLiteral("l"), 0},
                  {QStringLiteral("Apples"), QStringLiteral("kg"), 1}};
    f.items = {{0, QStringLiteral("Acme"), 1.0f, 0.99f, 0}, {1, QString(), 1.0f, 2.5f, 0}};
    f.shops = {{QStringLiteral("Corner Market"), {{10, 20, 30, 40, 1}}}};
    return f;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The real program in a private home, started without any display: none may be needed.
class CommandLine : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(home_.dataFolder());
        CreateDatabaseTables(home_.dataFolder());
    }

    Outcome run(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(GROCELLE_PROGRAM), arguments);
        Outcome o;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished(5000);
            o.err = QStringLiteral("did not finish");
            return o;
        }
        o.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        o.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        o.err = QString::fromLocal8Bit(process.readAllStandardError());
        return o;
    }

    QString writeV1(const V1File& f, const QString& name = QStringLiteral("old.dat")) {
        const QString path = temp_.file(name);
        EXPECT_TRUE(V1FileWriter().file(f).save(path));
        return path;
    }

    QString data() const { return tableContents(home_.dataFolder()); }

    QString documentsBackups() const { return temp_.path() + QStringLiteral("/home/Documents/Grocelle"); }

    static QStringList archivesIn(const QString& folder) {
        return QDir(folder).entryList({QStringLiteral("*.zip")}, QDir::Files);
    }

    TempFolder temp_;
    TempHome home_{temp_};
};

// One command, its outcome on standard output with LF line ends, nothing on standard error.
void ExpectSuccess(const Outcome& o, const QString& out) {
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out, out + QLatin1Char('\n'));
    EXPECT_EQ(o.err, QString());
}

// A refusal: a non-zero exit, the reason on standard error, nothing on standard output.
void ExpectRefusal(const Outcome& o, const QString& errorPart) {
    EXPECT_NE(o.exitCode, 0);
    EXPECT_NE(o.exitCode, -1) << "the program ends by itself: " << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(errorPart)) << o.err.toStdString();
    EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
}

} // namespace

TEST_F(CommandLine, HelpVersionAndWrongArguments) {
    const Outcome help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option :
         {"--backup", "--restore <file>", "--check", "--import-v1 <file>", "--yes", "--version"})
        EXPECT_TRUE(help.out.contains(QLatin1String(option))) << option;
    ExpectSuccess(run({QStringLiteral("--version")}), QStringLiteral("Grocelle ") + ProgramVersionText());

    const QString before = data();
    ExpectRefusal(run({QStringLiteral("--bogus")}), QStringLiteral("bogus"));
    ExpectRefusal(run({QStringLiteral("--yes")}), QStringLiteral("No command given"));
    ExpectRefusal(run({QStringLiteral("--check"), QStringLiteral("--backup")}),
                  QStringLiteral("one command"));
    ExpectRefusal(run({QStringLiteral("--check"), QStringLiteral("extra")}), QStringLiteral("extra"));
    ExpectRefusal(run({QStringLiteral("--restore")}), QStringLiteral("restore"));
    EXPECT_EQ(data(), before);
    EXPECT_FALSE(QFileInfo::exists(documentsBackups()));
}

TEST_F(CommandLine, TheHelpsCommandLineTopicNamesEveryOption) {
    const Outcome help = run({QStringLiteral("--help")});
    ASSERT_EQ(help.exitCode, 0);
    QFile topic(QStringLiteral(GROCELLE_COMMAND_LINE_TOPIC));
    ASSERT_TRUE(topic.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(topic.readAll());
    static const QRegularExpression option(QStringLiteral("--[a-z][a-z0-9-]*"));
    QStringList options;
    for (const QRegularExpressionMatch& m : option.globalMatch(help.out))
        options << m.captured();
    EXPECT_GE(options.size(), 9) << help.out.toStdString();
    for (const QString& o : options)
        EXPECT_TRUE(html.contains(o)) << o.toStdString() << " is missing from the help topic";
}

TEST_F(CommandLine, ImportBackUpChangeAndRestore) {
    const QString v1 = writeV1(sampleFile());
    V1ImportCounts counts;
    counts.shops = 1;
    counts.categories = 2;
    counts.products = 2;
    counts.items = 2;
    const QString imported = QString(V1Importer::successMessage(counts)).replace("\r\n", "\n");
    ASSERT_TRUE(imported.contains(QLatin1Char('\n'))) << "a message of several lines";
    ExpectSuccess(run({QStringLiteral("--import-v1"), v1, QStringLiteral("--yes")}), imported);
    const QString first = data();
    EXPECT_TRUE(first.contains(QStringLiteral("Corner Market")));

    // The backup goes to the settings file's folder, which is created when missing.
    const QString folder = temp_.path() + QStringLiteral("/backups/nightly");
    ASSERT_TRUE(WriteFile(home_.dataFolder() + QStringLiteral("/Grocelle.ini"),
                          "[DB]\r\nBackupFolder=" + folder.toUtf8() + "\r\n"));
    const Outcome backedUp = run({QStringLiteral("--backup")});
    ASSERT_EQ(backedUp.exitCode, 0) << backedUp.err.toStdString();
    const QString archive = backedUp.out.trimmed();
    EXPECT_EQ(QFileInfo(archive).absolutePath(), folder);
    EXPECT_TRUE(QFileInfo(archive).fileName().startsWith(QStringLiteral("Grocelle_Backup_")));
    EXPECT_EQ(archivesIn(folder), QStringList{QFileInfo(archive).fileName()});
    EXPECT_NO_THROW(backup::BackupRestorer(temp_.sub(QStringLiteral("elsewhere"))).check(archive));

    V1File other;
    other.categories = {QStringLiteral("Frozen")};
    other.shops = {{QStringLiteral("Big Store"), {}}};
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(other, QStringLiteral("other.dat")),
                   QStringLiteral("--yes")})
                  .exitCode,
              0);
    EXPECT_NE(data(), first);

    ExpectSuccess(run({QStringLiteral("--restore"), archive, QStringLiteral("--yes")}), backup::kRestored);
    EXPECT_EQ(data(), first);
}

TEST_F(CommandLine, RefusedRestoresAndImportsChangeNothing) {
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(sampleFile()), QStringLiteral("--yes")}).exitCode,
              0);
    const QString archive = run({QStringLiteral("--backup")}).out.trimmed();
    ASSERT_TRUE(QFileInfo(archive).isFile());
    const QString before = data();

    ExpectRefusal(run({QStringLiteral("--restore"), archive}), QStringLiteral("--yes"));
    ExpectRefusal(run({QStringLiteral("--import-v1"), writeV1(V1File{}, QStringLiteral("empty.dat"))}),
                  QStringLiteral("--yes"));
    ExpectRefusal(run({QStringLiteral("--restore"), temp_.file(QStringLiteral("missing.zip")),
                       QStringLiteral("--yes")}),
                  QStringLiteral("does not exist"));
    ExpectRefusal(run({QStringLiteral("--import-v1"), temp_.file(QStringLiteral("missing.dat")),
                       QStringLiteral("--yes")}),
                  QStringLiteral("does not exist"));
    ExpectRefusal(run({QStringLiteral("--import-v1"), temp_.path(), QStringLiteral("--yes")}),
                  QStringLiteral("\"") + temp_.path() + QStringLiteral("\" is a folder, not a file."));

    const QString text = temp_.file(QStringLiteral("notes.zip"));
    ASSERT_TRUE(WriteFile(text, "just some notes\n"));
    ExpectRefusal(run({QStringLiteral("--restore"), text, QStringLiteral("--yes")}), backup::kNotABackup);

    const QString lowerCase = temp_.file(QStringLiteral("lower.dat"));
    ASSERT_TRUE(
        WriteFile(lowerCase, V1FileWriter().shortBytes("grocelle").bytes(QByteArray(4, '\0')).data()));
    ExpectRefusal(run({QStringLiteral("--import-v1"), lowerCase, QStringLiteral("--yes")}), lowerCase);
    // A file cut in the middle of its records.
    const QByteArray whole = V1FileWriter().file(sampleFile()).data();
    const QString cut = temp_.file(QStringLiteral("cut.dat"));
    ASSERT_TRUE(WriteFile(cut, whole.left(whole.size() - 7)));
    ExpectRefusal(run({QStringLiteral("--import-v1"), cut, QStringLiteral("--yes")}), cut);

    EXPECT_EQ(data(), before);
}

TEST_F(CommandLine, AFolderWithoutADatabaseIsNamed) {
    const QString pdf = temp_.file(QStringLiteral("out.pdf"));
    // No table file at all, and no data folder at all.
    for (const bool folderThere : {true, false}) {
        QDir(home_.dataFolder()).removeRecursively();
        if (folderThere)
            QDir().mkpath(home_.dataFolder());
        const QString folder = QDir(home_.dataFolder()).absolutePath();
        ExpectRefusal(run({QStringLiteral("--check")}),
                      QStringLiteral("There is no database in \"%1\"").arg(folder));
        ExpectRefusal(
            run({QStringLiteral("--print"), QStringLiteral("fridge-list"), QStringLiteral("--output"), pdf}),
            QStringLiteral("There is no database in \"%1\"").arg(folder));
        EXPECT_FALSE(QFileInfo::exists(pdf));
        EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.dat")}, QDir::Files).isEmpty()) << "none made";
    }
}

TEST_F(CommandLine, CheckRepairsAndReports) {
    ExpectSuccess(run({QStringLiteral("--check")}), DataChecker::countMessage(0));
    // A product whose category is not in the file comes in without one: an orphan for the check.
    V1File f = sampleFile();
    f.products.append({QStringLiteral("Lost"), QStringLiteral("pc"), -1});
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(f), QStringLiteral("--yes")}).exitCode, 0);
    ASSERT_TRUE(data().contains(QStringLiteral("Lost")));
    ExpectSuccess(run({QStringLiteral("--check")}), DataChecker::countMessage(1));
    EXPECT_FALSE(data().contains(QStringLiteral("Lost")));
    EXPECT_TRUE(data().contains(QStringLiteral("Apples")));

    // Without a database there is nothing to check or back up, and none is made.
    for (const QString& name : backup::tableFiles())
        ASSERT_TRUE(QFile::remove(home_.dataFolder() + QLatin1Char('/') + name));
    ExpectRefusal(run({QStringLiteral("--check")}), QStringLiteral("no database"));
    ExpectRefusal(run({QStringLiteral("--backup")}), QStringLiteral("There is no database in"));
    for (const QString& name : backup::tableFiles())
        EXPECT_FALSE(QFileInfo::exists(home_.dataFolder() + QLatin1Char('/') + name)) << name.toStdString();
}

// --check salvages a damaged table file and says so; rows that point at rows it could not save are reported
// and kept (exit code 1) until --delete-orphans deletes them.
TEST_F(CommandLine, CheckSalvagesAndKeepsTheChildrenOfLostRows) {
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(sampleFile()), QStringLiteral("--yes")}).exitCode,
              0);
    const QString categories = home_.dataFolder() + QStringLiteral("/Categories.dat");
    const QString kept = QStringLiteral(" The damaged file was kept as Categories.dat.damaged.\n");
    const QString before = data();
    {
        QFile f(categories);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(100, '0'));
    }
    ExpectSuccess(run({QStringLiteral("--check")}),
                  QStringLiteral("Categories.dat was repaired: 2 rows recovered, 0 lost.") + kept +
                      QStringLiteral("1 problem fixed."));
    EXPECT_EQ(data(), before);

    ASSERT_TRUE(zeroRootPage(categories, QStringLiteral("Categories")));
    Outcome o = run({QStringLiteral("--check")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.out,
              QStringLiteral("Categories.dat was repaired, but no row could be recovered: 2 rows lost.") +
                  kept + QStringLiteral("1 problem fixed.\n3 rows whose parent is missing were kept.\n"));
    EXPECT_EQ(o.err,
              QStringLiteral("Categories.dat is missing rows that other rows refer to:\n2 product types "
                             "without their category\n1 aisle row without their category or shop\nThey "
                             "were kept; grocelle --check --delete-orphans deletes them.\n"));
    EXPECT_TRUE(data().contains(QStringLiteral("Apples")));

    EXPECT_EQ(run({QStringLiteral("--delete-orphans")}).exitCode, 2);
    EXPECT_TRUE(run({QStringLiteral("--help")}).out.contains(QStringLiteral("--delete-orphans")));
    EXPECT_TRUE(data().contains(QStringLiteral("Apples")));
    ExpectSuccess(run({QStringLiteral("--check"), QStringLiteral("--delete-orphans")}),
                  DataChecker::countMessage(5));
    EXPECT_FALSE(data().contains(QStringLiteral("Apples")));
    ExpectSuccess(run({QStringLiteral("--check")}), DataChecker::countMessage(0));
}

TEST_F(CommandLine, AFailedBackupLeavesNoArchive) {
    // A plain file stands where the backup folder should be.
    const QString blocked = temp_.file(QStringLiteral("blocked"));
    ASSERT_TRUE(WriteFile(blocked, "x"));
    ASSERT_TRUE(WriteFile(home_.dataFolder() + QStringLiteral("/Grocelle.ini"),
                          "[DB]\r\nBackupFolder=" + blocked.toUtf8() + "\r\n"));
    // The message and its reason.
    const Outcome failed = run({QStringLiteral("--backup")});
    ExpectRefusal(failed, backup::kUnableToArchive + QStringLiteral("\nNo backup folder ") + blocked);
    EXPECT_TRUE(QFileInfo(blocked).isFile());
    EXPECT_TRUE(archivesIn(temp_.path()).isEmpty());
}

TEST_F(CommandLine, ARunningProgramsDatabaseIsLeftAlone) {
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(sampleFile()), QStringLiteral("--yes")}).exitCode,
              0);
    const QString archive = run({QStringLiteral("--backup")}).out.trimmed();
    ASSERT_TRUE(QFileInfo(archive).isFile());
    const QStringList archives = archivesIn(documentsBackups());
    const QString before = data();

    DatabaseLock program;
    ASSERT_TRUE(program.acquire(home_.dataFolder())) << program.errorText().toStdString();
    const QString refusal = QStringLiteral("Grocelle is already running with this database.\n");
    // A backup only reads: it runs beside the program and changes nothing in the database folder.
    const auto folderState = [&] {
        QStringList state;
        const QDir dir(home_.dataFolder());
        for (const QString& f : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
            QFile file(dir.filePath(f));
            state << f + QLatin1Char(' ') +
                         (file.open(QIODevice::ReadOnly) ? file.readAll().toHex() : QByteArray());
        }
        return state;
    };
    const QStringList untouched = folderState();
    const Outcome beside = run({QStringLiteral("--backup")});
    EXPECT_EQ(beside.exitCode, 0) << beside.err.toStdString();
    EXPECT_EQ(folderState(), untouched);
    backup::BackupRestorer(temp_.sub(QStringLiteral("copy"))).restore(beside.out.trimmed());
    EXPECT_EQ(tableContents(temp_.sub(QStringLiteral("copy"))), before);
    QFile::remove(beside.out.trimmed());
    ExpectRefusal(run({QStringLiteral("--check")}), refusal);
    ExpectRefusal(run({QStringLiteral("--restore"), archive, QStringLiteral("--yes")}), refusal);
    ExpectRefusal(run({QStringLiteral("--import-v1"), writeV1(V1File{}, QStringLiteral("empty.dat")),
                       QStringLiteral("--yes")}),
                  refusal);
    EXPECT_EQ(archivesIn(documentsBackups()), archives);
    EXPECT_EQ(data(), before);

    program.release();
    EXPECT_EQ(run({QStringLiteral("--backup")}).exitCode, 0);
}

TEST_F(CommandLine, ARestoredDatabaseGetsTheStartupUpgrade) {
    // Backups of an older and of a newer database, made elsewhere.
    const auto archiveOf = [&](const QString& name, int major, int minor) {
        const QString folder = temp_.sub(name);
        CreateDatabaseTables(folder);
        engine::Database(folder).alterTables(schema::tableNames(), std::nullopt, std::pair{major, minor});
        return backup::BackupWriter(folder, temp_.sub(name + QStringLiteral("-backup"))).write();
    };
    const auto versions = [&] {
        QStringList out;
        engine::Database db(home_.dataFolder());
        for (const QString& table : schema::tableNames()) {
            const engine::TableDefinition def = db.readDefinition(table);
            out << QStringLiteral("%1 %2.%3").arg(table).arg(def.versionMajor).arg(def.versionMinor);
        }
        return out;
    };

    ExpectSuccess(
        run({QStringLiteral("--restore"), archiveOf(QStringLiteral("old"), 2, 0), QStringLiteral("--yes")}),
        backup::kRestored);
    for (const QString& v : versions())
        EXPECT_TRUE(v.endsWith(QStringLiteral(" 2.1"))) << v.toStdString();

    // A backup of a newer version is refused before anything changes.
    const QString before = data();
    const Outcome newer =
        run({QStringLiteral("--restore"), archiveOf(QStringLiteral("new"), 3, 0), QStringLiteral("--yes")});
    EXPECT_EQ(newer.exitCode, 1);
    ExpectRefusal(newer,
                  QString(backup::kNewerVersion).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    for (const QString& v : versions())
        EXPECT_TRUE(v.endsWith(QStringLiteral(" 2.1"))) << v.toStdString();
    EXPECT_EQ(data(), before);
}

TEST_F(CommandLine, KeepDeletesAllButTheNewestArchives) {
    const QString folder = documentsBackups();
    ASSERT_TRUE(QDir().mkpath(folder));
    const QStringList older{QStringLiteral("Grocelle_Backup_45000_00010.zip"),
                            QStringLiteral("Grocelle_Backup_45000_00009.zip"),
                            QStringLiteral("Grocelle_Backup_44999_86399.zip")};
    const QStringList others{QStringLiteral("Grocelle_Backup_1_2.zip"), QStringLiteral("notes.zip"),
                             QStringLiteral("Grocelle_Backup_44000_00001.zip.txt")};
    for (const QString& name : older + others)
        ASSERT_TRUE(WriteFile(folder + QLatin1Char('/') + name, "x"));
    QDir().mkpath(folder + QStringLiteral("/Grocelle_Backup_43000_00001.zip"));

    for (const QStringList& bad :
         {QStringList{QStringLiteral("--backup"), QStringLiteral("--keep"), QStringLiteral("0")},
          QStringList{QStringLiteral("--backup"), QStringLiteral("--keep"), QStringLiteral("-1")},
          QStringList{QStringLiteral("--backup"), QStringLiteral("--keep"), QStringLiteral("two")},
          QStringList{QStringLiteral("--check"), QStringLiteral("--keep"), QStringLiteral("2")}}) {
        const Outcome o = run(bad);
        EXPECT_EQ(o.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(o.out.isEmpty());
    }
    EXPECT_EQ(archivesIn(folder).size(), older.size() + others.size() - 1);

    const Outcome kept = run({QStringLiteral("--backup"), QStringLiteral("--keep"), QStringLiteral("2")});
    ASSERT_EQ(kept.exitCode, 0) << kept.err.toStdString();
    const QStringList lines = kept.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3) << kept.out.toStdString();
    const QString made = QFileInfo(lines.first()).fileName();
    QStringList expected = others;
    expected << made << older.first();
    expected.removeAll(QStringLiteral("Grocelle_Backup_44000_00001.zip.txt"));
    expected.sort();
    QStringList left = archivesIn(folder);
    left.sort();
    EXPECT_EQ(left, expected);
    EXPECT_EQ(
        lines.mid(1),
        (QStringList{QStringLiteral("Deleted the old backup ") + folder + QLatin1Char('/') + older.at(1),
                     QStringLiteral("Deleted the old backup ") + folder + QLatin1Char('/') + older.at(2)}));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Grocelle_Backup_44000_00001.zip.txt")));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/Grocelle_Backup_43000_00001.zip")).isDir());
}

namespace {

// The text of a PDF file as pdftotext lays it out; one form feed ends each page.
QString PdfText(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Whether `first` comes before `second` in the text.
bool InOrder(const QString& text, const char* first, const char* second) {
    const qsizetype a = text.indexOf(QLatin1String(first));
    return a >= 0 && text.indexOf(QLatin1String(second), a) > a;
}

} // namespace

TEST_F(CommandLine, PrintsReportsIntoPdfFilesWithTheSettingsFileOptions) {
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(sampleFile()), QStringLiteral("--yes")}).exitCode,
              0);
    const QString fridge = temp_.file(QStringLiteral("fridge.pdf"));
    ExpectSuccess(
        run({QStringLiteral("--print"), QStringLiteral("fridge-list"), QStringLiteral("--output"), fridge}),
        fridge);
    QString text = PdfText(fridge);
    EXPECT_TRUE(InOrder(text, "Milk", "Apples")) << text.toStdString(); // by category: Dairy, Fruit
    EXPECT_EQ(text.count(QLatin1Char('\f')), 1);

    const QString master = temp_.file(QStringLiteral("master.pdf"));
    ExpectSuccess(run({QStringLiteral("--print"), QStringLiteral("master-item-list"),
                       QStringLiteral("--output"), master}),
                  master);
    text = PdfText(master);
    for (const char* part : {"Product", "Brand", "Category", "Size", "Price", "Shop"})
        EXPECT_TRUE(text.contains(QLatin1String(part))) << part;
    EXPECT_TRUE(InOrder(text, "Milk", "Acme")) << text.toStdString();
    EXPECT_TRUE(InOrder(text, "0.99", "Corner Market")) << text.toStdString();

    // Nothing on the list: the report's message, exit code 1 and no file.
    const QString list = temp_.file(QStringLiteral("list.pdf"));
    const Outcome empty =
        run({QStringLiteral("--print"), QStringLiteral("shopping-list"), QStringLiteral("--output"), list});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(empty.err, QStringLiteral("There are no items to print.\n"));
    EXPECT_FALSE(QFileInfo::exists(list));

    {
        engine::Database db(home_.dataFolder());
        engine::Table items(&db, QStringLiteral("Items"));
        items.open();
        for (items.first(); !items.eof(); items.next()) {
            items.edit();
            items.field(QStringLiteral("Quantity")).setInteger(2);
            items.post();
        }
    }
    // The options of the settings file: fridge list by product name, shop addresses in the list.
    ASSERT_TRUE(WriteFile(home_.dataFolder() + QStringLiteral("/Grocelle.ini"),
                          "[Prefs]\r\nFLSortCat=N\r\nSLAddr=Y\r\n"));
    ExpectSuccess(
        run({QStringLiteral("--print"), QStringLiteral("shopping-list"), QStringLiteral("--output"), list}),
        list);
    text = PdfText(list);
    EXPECT_TRUE(InOrder(text, "Shopping list for Corner Market - ", "Milk Acme")) << text.toStdString();
    EXPECT_TRUE(InOrder(text, "Total for Corner Market", "Grand total")) << text.toStdString();
    EXPECT_TRUE(InOrder(text, "Grand total", "6.98")) << text.toStdString();
    ExpectSuccess(
        run({QStringLiteral("--print"), QStringLiteral("fridge-list"), QStringLiteral("--output"), fridge}),
        fridge);
    text = PdfText(fridge);
    EXPECT_TRUE(InOrder(text, "Apples", "Milk")) << text.toStdString();
}

TEST_F(CommandLine, PrintRefusals) {
    const QString pdf = temp_.file(QStringLiteral("out.pdf"));
    ExpectRefusal(run({QStringLiteral("--print"), QStringLiteral("fridge-list")}),
                  QStringLiteral("--output"));
    ExpectRefusal(run({QStringLiteral("--output"), pdf}), QStringLiteral("No command given"));
    ExpectRefusal(run({QStringLiteral("--check"), QStringLiteral("--output"), pdf}),
                  QStringLiteral("--output"));
    const Outcome unknown =
        run({QStringLiteral("--print"), QStringLiteral("weekly"), QStringLiteral("--output"), pdf});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("Unknown report \"weekly\"")))
        << unknown.err.toStdString();
    // A report that takes an argument needs it, and one that takes none refuses it.
    EXPECT_EQ(run({QStringLiteral("--print"), QStringLiteral("floorplan"), QStringLiteral("--output"), pdf})
                  .exitCode,
              2);
    EXPECT_EQ(
        run({QStringLiteral("--print"), QStringLiteral("fridge-list:3"), QStringLiteral("--output"), pdf})
            .exitCode,
        2);
    // A shop id that is not a number is a wrong argument; a number that names no shop is a failure.
    for (const char* id : {"abc", "0", "-3", "2x"}) {
        const Outcome o = run({QStringLiteral("--print"), QStringLiteral("floorplan:") + QLatin1String(id),
                               QStringLiteral("--output"), pdf});
        EXPECT_EQ(o.exitCode, 2) << id;
        EXPECT_TRUE(o.err.contains(QStringLiteral("is not a shop id"))) << o.err.toStdString();
    }
    const Outcome noShop =
        run({QStringLiteral("--print"), QStringLiteral("floorplan:999"), QStringLiteral("--output"), pdf});
    EXPECT_EQ(noShop.exitCode, 1);
    EXPECT_TRUE(noShop.err.contains(QStringLiteral("There is no shop with the id 999.")))
        << noShop.err.toStdString();
    // Reports not yet printable from here say so.
    for (const reports::ReportEntry& e : reports::reportEntries()) {
        if (e.make)
            continue;
        const QString name = e.argumentName.isEmpty() ? e.name : e.name + QStringLiteral(":1");
        ExpectRefusal(run({QStringLiteral("--print"), name, QStringLiteral("--output"), pdf}),
                      QStringLiteral("cannot be printed from the command line yet"));
    }
    EXPECT_FALSE(QFileInfo::exists(pdf));

    // A print only reads: it runs beside a running program.
    ASSERT_EQ(run({QStringLiteral("--import-v1"), writeV1(sampleFile()), QStringLiteral("--yes")}).exitCode,
              0);
    DatabaseLock program;
    ASSERT_TRUE(program.acquire(home_.dataFolder()));
    const Outcome beside =
        run({QStringLiteral("--print"), QStringLiteral("master-item-list"), QStringLiteral("--output"), pdf});
    EXPECT_EQ(beside.exitCode, 0) << beside.err.toStdString();
    EXPECT_TRUE(QFileInfo(pdf).isFile());
}
