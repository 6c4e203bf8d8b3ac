#include "FuzzTargets.h"

#include "AppSettings.h"
#include "Backup.h"
#include "Database.h"
#include "EngineError.h"
#include "Helpers.h"
#include "IniFile.h"
#include "Query.h"
#include "Schema.h"
#include "TableDefinition.h"
#include "V1File.h"
#include "V1Importer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cmath>
#include <memory>

namespace fuzz {

namespace {

void expect(bool condition, const char* what) {
    if (!condition)
        throw Violation(what);
}

QString subFolder(const QString& name) {
    const QString path = QDir(scratchFolder()).filePath(name);
    QDir().mkpath(path);
    return path;
}

// A folder holding a database of the five empty tables, made on first use.
QString databaseFolder(const QString& name) {
    const QString folder = subFolder(name);
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Items.dat"))))
        CreateDatabaseTables(folder);
    return folder;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write the input file " + path.toStdString());
}

// The settings file

const QRect kDesktop(0, 0, 1920, 1080);
const QString kBackupFolder = QStringLiteral("/home/user/Documents/Grocelle/");

AppSettings freshSettings() {
    AppSettings s;
    s.bounds = QRect(100, 100, 800, 600);
    s.shoppingGrid.widths = QList<int>(9, 80);
    s.itemsGrid.widths = QList<int>(6, 80);
    s.shopGrid.widths = QList<int>(4, 80);
    return s;
}

QByteArray settingsText(const AppSettings& s) {
    IniFile ini;
    WriteSettings(ini, s, QStringLiteral("2.3.0"));
    return ini.toBytes();
}

void valueParsers(const QString& text) {
    int whole = 0;
    if (IniFile::parseInteger(text, whole)) {
        int again = 0;
        expect(IniFile::parseInteger(QString::number(whole), again) && again == whole,
               "an integer does not read back as written");
    }

    const int colour = ParseColourValue(text, -1);
    if (colour != -1) {
        expect(colour >= 0 && colour <= 0xFFFFFF, "a colour outside the RGB range");
        expect(ParseColourValue(ColourValueText(colour), -1) == colour, "a colour does not read back");
    }

    ReportFont styled;
    ApplyStyleList(text, styled);
    ReportFont again;
    ApplyStyleList(StyleListText(styled), again);
    expect(styled == again, "a style list does not read back");

    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::English, QLocale::UnitedStates)};
    for (const QLocale& locale : locales) {
        const std::optional<double> number = ParseTypedNumber(text, locale);
        if (!number)
            continue;
        expect(std::isfinite(*number), "a typed number that is not finite");
        QLocale plain = locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        const std::optional<double> back = ParseTypedNumber(plain.toString(*number, 'g', 17), locale);
        expect(back && *back == *number, "a typed number does not read back in its own locale");
        const float price = RoundPrice(*number);
        expect(!std::isfinite(price) || std::fabs(price - *number) <= 0.005 + std::fabs(*number) * 1e-6,
               "a rounded price far from its number");
    }

    ExtractLBID(text);
    const QString shown = TaggedDisplayText(text);
    expect(shown.size() <= 255, "a tagged entry shows more than 255 characters");
}

} // namespace

void settingsFile(const QByteArray& bytes) {
    IniFile ini;
    ini.parse(bytes);
    const QByteArray written = ini.toBytes();
    IniFile reread;
    reread.parse(written);
    expect(reread.toBytes() == written, "the settings file does not read back as it was written");

    for (const QString& section : ini.sections())
        for (const QString& key : ini.keys(section)) {
            valueParsers(key);
            valueParsers(ini.readString(section, key, QString()));
        }

    AppSettings first = freshSettings();
    ReadSettings(ini, first, kDesktop, kBackupFolder);
    if (!first.maximized) {
        expect(first.bounds.width() > 0 && first.bounds.width() <= kDesktop.width() &&
                   first.bounds.height() > 0 && first.bounds.height() <= kDesktop.height(),
               "a window larger than the desktop or of no size");
        expect(first.bounds.intersects(kDesktop), "a window off the desktop");
    }
    for (const GridSettings* grid : {&first.shoppingGrid, &first.itemsGrid, &first.shopGrid})
        expect(grid->sortColumn >= 0 && grid->sortColumn < grid->widths.size(),
               "a sort column beyond the grid");
    expect(first.flCols >= 1 && first.flCols <= 10, "a column count out of range");
    // Missing lines read as empty ones, but never so many that the notes could exhaust the memory.
    expect(first.notes.size() <= ini.keys(QStringLiteral("Notes")).size() + 1000,
           "far more notes than lines in the file");
    expect(!first.backupFolder.isEmpty(), "no backup folder");

    // What the program writes must read back as the same settings.
    IniFile out = ini;
    WriteSettings(out, first, QStringLiteral("2.3.0"));
    IniFile saved;
    saved.parse(out.toBytes());
    AppSettings second = freshSettings();
    ReadSettings(saved, second, kDesktop, kBackupFolder);
    expect(settingsText(second) == settingsText(first), "the settings change when written and read again");
}

// The table definition file

void tableDefinition(const QByteArray& bytes) {
    engine::TableDefinition definition;
    try {
        definition = engine::TableDefinition::fromJson(bytes, QStringLiteral("fuzz.idx"));
    } catch (const engine::EngineError& e) {
        expect(e.code() == engine::CorruptTable, "a damaged definition reported as something else");
        return;
    }
    const QByteArray json = definition.toJson();
    expect(engine::TableDefinition::fromJson(json, QStringLiteral("fuzz.idx")).toJson() == json,
           "a definition does not read back as written");

    // A definition taken from the .idx is the one a repair rebuilds the table from.
    static const QString folder = subFolder(QStringLiteral("definition"));
    engine::Database db(folder);
    for (const QString& name :
         {QStringLiteral("T.dat"), QStringLiteral("T.idx"), QStringLiteral("T.dat-journal")})
        QFile::remove(QDir(folder).filePath(name));
    try {
        db.createTable(QStringLiteral("T"), definition);
    } catch (const engine::EngineError&) {
        expect(!QFileInfo::exists(db.dataFilePath(QStringLiteral("T"))),
               "a failed create leaves a table file");
        return;
    }
    expect(db.readDefinition(QStringLiteral("T")).toJson() == json,
           "a created table holds another definition");
}

// The query text

namespace {

int stopLongQueries(void* steps) {
    return ++*static_cast<int*>(steps) > 2000 ? 1 : 0;
}

struct QueryDatabase {
    std::unique_ptr<engine::Database> db;
    int steps = 0;

    QueryDatabase() {
        db = std::make_unique<engine::Database>(databaseFolder(QStringLiteral("query")));
        db->open();
        sqlite3* c = db->connection();
        const int filled = sqlite3_exec(
            c,
            "DELETE FROM Items; DELETE FROM Categories; DELETE FROM Products; DELETE FROM Shops;"
            "DELETE FROM Aisles;"
            "INSERT INTO Categories (CatID, CatName) VALUES (1, 'Dairy'), (2, 'Bakery');"
            "INSERT INTO Products (ProdID, ProdName, UnitOfMeasure, Category) VALUES"
            " (1, 'Milk', 'l', 1), (2, 'Bread', NULL, 2), (3, 'Cheese', 'kg', 1);"
            "INSERT INTO Shops (ShopID, ShopName, Address) VALUES (1, 'Corner', 'High St'), (2, 'Market', "
            "'');"
            "INSERT INTO Items (ItemID, Product, Brand, Size, Price, Shop, Quantity) VALUES"
            " (1, 1, 'Farm', 1, 0.99, 1, 2), (2, 2, NULL, 500, 1.5, 2, NULL), (3, 3, 'Alp', 250, 3.25, 1, 1);"
            "INSERT INTO Aisles (Category, Shop, Sequence, RectLeft, RectTop, RectRight, RectBottom)"
            " VALUES (1, 1, 100, 0, 0, 10, 10), (2, 1, 110, -1, -1, -1, -1);",
            nullptr, nullptr, nullptr);
        if (filled != SQLITE_OK)
            throw std::runtime_error(std::string("cannot fill the query database: ") + sqlite3_errmsg(c));
        // The text is the subject, not the time or memory SQLite may spend on a valid query.
        sqlite3_limit(c, SQLITE_LIMIT_LENGTH, 1 << 20);
        sqlite3_progress_handler(c, 1000, stopLongQueries, &steps);
    }
};

} // namespace

void sqlQuery(const QByteArray& bytes) {
    static QueryDatabase data;
    data.steps = 0;
    sqlite3* c = data.db->connection();
    const sqlite3_int64 changes = sqlite3_total_changes64(c);
    engine::Query query(data.db.get());
    query.setSql(QString::fromUtf8(bytes));
    try {
        query.open();
        for (query.first(); !query.eof(); query.next())
            for (int i = 0; i < query.fieldCount(); ++i) {
                engine::Field field = query.field(i);
                field.isNull();
                field.asString();
                try {
                    field.asInteger();
                } catch (const engine::EngineError& e) {
                    expect(e.code() == engine::ConversionFailed, "a field read failed for another reason");
                }
                try {
                    field.asFloat();
                } catch (const engine::EngineError& e) {
                    expect(e.code() == engine::ConversionFailed, "a field read failed for another reason");
                }
            }
    } catch (const engine::EngineError&) {
    }
    expect(sqlite3_total_changes64(c) == changes, "a query changed the tables");
    expect(sqlite3_get_autocommit(c) != 0, "a query left a transaction open");
    expect(data.db->tables().size() == schema::tableNames().size(), "a query changed the attached tables");
}

// The version-1 data file

namespace {

// How many rows each table holds and what they hold, to tell whether a failed import left them alone.
QByteArray databaseFingerprint(engine::Database& db) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& table : schema::tableNames()) {
        engine::Query q(&db);
        q.setSql(QStringLiteral("SELECT * FROM %1").arg(table));
        q.open();
        for (q.first(); !q.eof(); q.next())
            for (int i = 0; i < q.fieldCount(); ++i)
                hash.addData(q.field(i).asString().toUtf8() + '\x1f');
        hash.addData(QByteArrayLiteral("\x1e"));
    }
    return hash.result();
}

qsizetype rowCount(engine::Database& db, const QString& table) {
    engine::Query q(&db);
    q.setSql(QStringLiteral("SELECT count(*) FROM %1").arg(table));
    q.open();
    return q.field(0).asInteger();
}

} // namespace

void v1File(const QByteArray& bytes) {
    V1File file;
    try {
        file = V1Reader::readBytes(bytes, QStringLiteral("fuzz.dat"));
    } catch (const V1FileError&) {
        return;
    }
    static engine::Database db(databaseFolder(QStringLiteral("v1")));
    const QByteArray before = databaseFingerprint(db);
    V1ImportCounts counts;
    try {
        counts = V1Importer(db).import(file);
    } catch (const engine::EngineError&) {
        expect(databaseFingerprint(db) == before, "a failed import changed the database");
        return;
    }
    expect(counts.shops == file.shops.size() && counts.categories == file.categories.size() &&
               counts.products == file.products.size() && counts.items == file.items.size(),
           "the import counts other records than the file holds");
    qsizetype aisles = 0;
    for (const V1Shop& shop : file.shops)
        for (const V1Aisle& aisle : shop.aisles)
            aisles += aisle.category >= 0 ? 1 : 0;
    expect(rowCount(db, QStringLiteral("Shops")) == file.shops.size() &&
               rowCount(db, QStringLiteral("Categories")) == file.categories.size() &&
               rowCount(db, QStringLiteral("Products")) == file.products.size() &&
               rowCount(db, QStringLiteral("Items")) == file.items.size() &&
               rowCount(db, QStringLiteral("Aisles")) == aisles,
           "an import reported as done is missing rows");
}

// The backup archive

namespace {

QByteArray folderFingerprint(const QString& folder) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const QString& name : backup::tableFiles()) {
        QFile file(QDir(folder).filePath(name));
        hash.addData(name.toUtf8());
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
    }
    return hash.result();
}

} // namespace

void backupArchive(const QByteArray& bytes) {
    static const QString folder = subFolder(QStringLiteral("backup"));
    static const QString database = databaseFolder(QStringLiteral("backup/db"));
    const QString archive = QDir(folder).filePath(QStringLiteral("offered.zip"));
    writeFile(archive, bytes);

    backup::BackupRestorer restorer(database);
    try {
        restorer.check(archive);
    } catch (const backup::BackupError& e) {
        expect(e.message() == backup::kNotABackup || e.message() == backup::kUnsafeEntry,
               "a refused archive reported with another text");
        return;
    }
    const QByteArray before = folderFingerprint(database);
    try {
        restorer.restore(archive);
    } catch (const backup::BackupError& e) {
        expect(e.message() == backup::kNotABackup || e.message() == backup::kUnableToRestore ||
                   e.message() == backup::kNewerVersion || e.message() == backup::kNoRoom,
               "a failed restore reported with another text");
        expect(folderFingerprint(database) == before, "a failed restore changed the database");
        return;
    }
    engine::Database restored(database);
    restored.open();
    expect(restored.diagnoseTables(schema::tableNames()).empty(), "a restored database has damaged tables");
}

const std::vector<Target>& targets() {
    static const std::vector<Target> all = {
        {"settings", &settingsFile}, {"definition", &tableDefinition}, {"query", &sqlQuery}, {"v1", &v1File},
        {"backup", &backupArchive},
    };
    return all;
}

QString scratchFolder() {
    static const QTemporaryDir folder = [] {
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                : QDir::tempPath();
        return QTemporaryDir(base + QStringLiteral("/grocelle-fuzz-XXXXXX"));
    }();
    return folder.path();
}

} // namespace fuzz
