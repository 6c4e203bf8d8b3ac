#include "Database.h"

#include "Collation.h"
#include "DataSet.h"
#include "EngineError.h"
#include "FileSteps.h"
#include "Statement.h"
#include "TableSalvage.h"
#include "TextSearch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <set>
#include <unistd.h>

namespace engine {

namespace {

constexpr const char* kDefinitionTable = "grocelle_definition";
constexpr const char* kRebuildTable = "grocelle_rebuild";
// Present in a table file that a repair rebuilt with rows missing: how many, and whether that is exact.
constexpr const char* kLostRowsTable = "grocelle_lost_rows";
const QLatin1String kSessionPrefix("Grocelle-session-");

// A short-lived connection to one table file, used for definition work while the main connection is closed.
class FileConnection {
public:
    explicit FileConnection(const QString& path, bool create, bool readOnly = false) {
        installStepCounting();
        const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX |
                          (create ? SQLITE_OPEN_CREATE : 0);
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString message =
                db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw EngineError(FileError, QStringLiteral("Cannot open '%1': %2").arg(path, message));
        }
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 2000);
        // A commit is durable only once the journal's deletion is: EXTRA syncs the folder after it.
        sqlite3_exec(db_, "PRAGMA synchronous=EXTRA", nullptr, nullptr, nullptr);
        collation::registerAll(db_);
        TextSearch::registerFunction(db_);
    }
    ~FileConnection() { sqlite3_close_v2(db_); }
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// "Items". for a table attached to the main connection, nothing for a file connection.
QString qualifier(const QString& schema) {
    return schema.isEmpty() ? QString() : quoteIdentifier(schema) + QLatin1Char('.');
}

QString columnSql(const FieldDef& f, int locale) {
    QString s = quoteIdentifier(f.name);
    switch (f.type) {
    case FieldType::AutoInc:
        return s + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    case FieldType::String:
        s += QStringLiteral(" TEXT COLLATE ") + quoteIdentifier(collation::name(locale, false));
        break;
    case FieldType::Integer:
        s += QStringLiteral(" INTEGER");
        break;
    case FieldType::Float:
        s += QStringLiteral(" REAL");
        break;
    }
    if (f.required)
        s += QStringLiteral(" NOT NULL");
    return s;
}

QString createTableSql(const QString& schema, const QString& table, const TableDefinition& def) {
    QStringList cols;
    for (const FieldDef& f : def.fields)
        cols << columnSql(f, def.locale);
    return QStringLiteral("CREATE TABLE %1%2 (%3)")
        .arg(qualifier(schema), quoteIdentifier(table), cols.join(QStringLiteral(", ")));
}

QStringList createIndexStatements(const QString& schema, const QString& table, const TableDefinition& def) {
    QStringList out;
    const int autoInc = def.autoIncField();
    for (const IndexDef& ix : def.indexes) {
        const QStringList parts = ix.keyFields();
        if (ix.primary && parts.size() == 1 && def.fieldIndex(parts[0]) == autoInc)
            continue; // the row id is that index
        QStringList keys;
        for (const QString& p : parts) {
            const FieldDef& f = def.fields[def.fieldIndex(p)];
            QString k = quoteIdentifier(f.name);
            if (f.type == FieldType::String)
                k += QStringLiteral(" COLLATE ") +
                     quoteIdentifier(collation::name(def.locale, ix.caseInsensitive));
            keys << k;
        }
        out << QStringLiteral("CREATE %1INDEX %2%3 ON %4 (%5)")
                   .arg(ix.unique || ix.primary ? QStringLiteral("UNIQUE ") : QString(), qualifier(schema),
                        quoteIdentifier(ix.name), quoteIdentifier(table), keys.join(QStringLiteral(", ")));
    }
    return out;
}

void storeDefinition(sqlite3* db, const TableDefinition& def, const QString& schema = {}) {
    const QString table = qualifier(schema) + QLatin1String(kDefinitionTable);
    execSql(db, QStringLiteral("DELETE FROM %1").arg(table));
    Statement ins(db, QStringLiteral("INSERT INTO %1 (json) VALUES (?1)").arg(table));
    ins.bind(1, Value{def.toJson().toStdString()});
    ins.step();
}

// The definition copy inside an open table file; nothing when the file has none. A failing read is an error.
std::optional<TableDefinition> readStoredDefinition(sqlite3* db, const QString& schema, const QString& file) {
    Statement present(
        db, QStringLiteral("SELECT count(*) FROM %1sqlite_master WHERE type = 'table' AND name = '%2'")
                .arg(qualifier(schema), QLatin1String(kDefinitionTable)));
    if (!present.step() || sqlite3_column_int(present.handle(), 0) == 0)
        return std::nullopt;
    Statement read(
        db, QStringLiteral("SELECT json FROM %1%2").arg(qualifier(schema), QLatin1String(kDefinitionTable)));
    if (!read.step())
        return std::nullopt;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(read.handle(), 0));
    if (!text)
        return std::nullopt;
    return TableDefinition::fromJson(QByteArray(text), file);
}

// The definition copy inside a table file; nothing when it cannot be read.
std::optional<TableDefinition> storedDefinition(sqlite3* db, const QString& schema, const QString& file) {
    try {
        return readStoredDefinition(db, schema, file);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

std::optional<TableDefinition> storedDefinition(const QString& datPath, bool readOnly = false) {
    if (!QFileInfo(datPath).isFile())
        return std::nullopt;
    try {
        FileConnection fc(datPath, false, readOnly);
        return storedDefinition(fc.get(), {}, datPath);
    } catch (const EngineError&) {
        return std::nullopt;
    }
}

// Rewrites the .idx from the authority when it is missing, unreadable, damaged or disagrees. The .idx is only
// a readable copy, so a folder that cannot be written is no reason to fail.
void syncDefinitionFile(const QString& idxPath, const TableDefinition& def) {
    QFile f(idxPath);
    if (f.open(QIODevice::ReadOnly) && f.readAll() == def.toJson())
        return;
    f.close();
    try {
        fileStep();
        def.writeFile(idxPath);
    } catch (const EngineError&) {
    }
}

// Creates a fresh table file at path holding the definition's table, empty.
void createTableFile(const QString& path, const QString& table, const TableDefinition& def) {
    if (QFileInfo::exists(path)) {
        fileStep();
        QFile::remove(path);
    }
    FileConnection fc(path, true);
    execSql(fc.get(), QStringLiteral("PRAGMA journal_mode=DELETE"));
    execSql(fc.get(), QStringLiteral("BEGIN"));
    execSql(fc.get(), createTableSql({}, table, def));
    for (const QString& s : createIndexStatements({}, table, def))
        execSql(fc.get(), s);
    execSql(fc.get(),
            QStringLiteral("CREATE TABLE %1 (json TEXT NOT NULL)").arg(QLatin1String(kDefinitionTable)));
    storeDefinition(fc.get(), def);
    fileStep();
    execSql(fc.get(), QStringLiteral("COMMIT"));
}

QStringList columnNames(const TableDefinition& def) {
    QStringList names;
    for (const FieldDef& f : def.fields)
        names << quoteIdentifier(f.name);
    return names;
}

std::optional<std::int64_t> sequenceOf(sqlite3* db, const QString& schema, const QString& table) {
    Statement seq(db,
                  QStringLiteral("SELECT seq FROM %1sqlite_sequence WHERE name = ?1").arg(qualifier(schema)));
    seq.bind(1, Value{table.toStdString()});
    if (!seq.step())
        return std::nullopt;
    return sqlite3_column_int64(seq.handle(), 0);
}

// Rebuilds an attached table under a new definition inside the running transaction: a copy with the new
// column collations takes the old table's name, the indexes are made again and the stored definition is
// replaced. Nothing reaches the file before the transaction commits.
void rebuildAttachedTable(sqlite3* db, const QString& table, const TableDefinition& def) {
    const QString q = qualifier(table);
    const QString tmp = QLatin1String(kRebuildTable);
    execSql(db, QStringLiteral("DROP TABLE IF EXISTS %1%2").arg(q, tmp));
    execSql(db, createTableSql(table, tmp, def));
    const QString cols = columnNames(def).join(QStringLiteral(", "));
    execSql(db, QStringLiteral("INSERT INTO %1%2 (rowid, %3) SELECT rowid, %3 FROM %1%4 ORDER BY rowid")
                    .arg(q, tmp, cols, quoteIdentifier(table)));
    const std::optional<std::int64_t> seq =
        def.autoIncField() >= 0 ? sequenceOf(db, table, table) : std::nullopt;
    execSql(db, QStringLiteral("DROP TABLE %1%2").arg(q, quoteIdentifier(table)));
    execSql(db, QStringLiteral("ALTER TABLE %1%2 RENAME TO %3").arg(q, tmp, quoteIdentifier(table)));
    if (seq) {
        Statement del(db, QStringLiteral("DELETE FROM %1sqlite_sequence WHERE name = ?1").arg(q));
        del.bind(1, Value{table.toStdString()});
        del.step();
        Statement put(db, QStringLiteral("INSERT INTO %1sqlite_sequence (name, seq) VALUES (?1, ?2)").arg(q));
        put.bind(1, Value{table.toStdString()});
        put.bind(2, Value{*seq});
        put.step();
    }
    for (const QString& s : createIndexStatements(table, table, def))
        execSql(db, s);
    storeDefinition(db, def, table);
}

// Replaces `to` by `from` in one step: there is no instant without a file under the name `to`.
bool replaceFile(const QString& from, const QString& to) {
    fileStep();
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

void removeFile(const QString& path) {
    if (!QFileInfo::exists(path))
        return;
    fileStep();
    QFile::remove(path);
}

// Why an attached table file cannot be written, or nothing when it can: SQLite opens a file it may not write
// read-only without a word, and a folder it may not write leaves it no room for a journal.
QString writeRefusal(sqlite3* db, const QString& schema, const QString& path) {
    const auto reason = [](int error, const char* what) {
        return error == EROFS ? QStringLiteral("it is on a read-only disk")
                              : QStringLiteral("you have no permission to write %1").arg(QLatin1String(what));
    };
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return reason(errno, "it");
    if (::access(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), W_OK) != 0)
        return reason(errno, "its folder");
    if (sqlite3_db_readonly(db, schema.toUtf8().constData()) == 1)
        return QStringLiteral("SQLite could open it only for reading");
    return {};
}

QString readOnlyText(const ReadOnlyTable& table) {
    return QStringLiteral("The table file %1 is read-only (%2)").arg(table.file, table.reason);
}

// Makes the renames in a folder durable.
void syncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// The process id in a session file name ("Grocelle-session-<pid>-<n>.db..."), 0 when there is none.
qint64 sessionPid(const QString& name, QLatin1String prefix) {
    if (!name.startsWith(prefix, Qt::CaseInsensitive))
        return 0;
    return name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong();
}

bool processAlive(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

QString lowerFirst(QString s) {
    if (!s.isEmpty())
        s[0] = s[0].toLower();
    return s;
}

} // namespace

Database::Database(const QString& folder) : folder_(folder) {
    scratchFolder_ = QDir::tempPath();
}

Database::~Database() {
    close();
    for (DataSet* ds : dataSets_)
        ds->db_ = nullptr;
}

void Database::setFolder(const QString& folder) {
    if (folder == folder_)
        return;
    close();
    folder_ = folder;
}

void Database::setReadOnly(bool readOnly) {
    if (readOnly == readOnly_)
        return;
    close();
    readOnly_ = readOnly;
}

void Database::requireWritable() const {
    if (readOnly_)
        throw EngineError(WrongState,
                          QStringLiteral("The database in '%1' is open for reading only").arg(folder_));
}

void Database::setScratchFolder(const QString& folder) {
    if (!folder.isEmpty())
        scratchFolder_ = folder;
}

void Database::setBusyTimeout(int milliseconds) {
    busyTimeout_ = std::max(0, milliseconds);
    if (db_)
        sqlite3_busy_timeout(db_, busyTimeout_);
}

bool Database::isInternalFile(const QString& fileName) {
    return QFileInfo(fileName).fileName().startsWith(kSessionPrefix, Qt::CaseInsensitive);
}

QStringList Database::internalFilePatterns() {
    return {kSessionPrefix + QLatin1Char('*')};
}

QString Database::tableName(const QString& nameOrFile) {
    QString n = QFileInfo(nameOrFile).fileName();
    if (n.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive))
        n.chop(4);
    return n;
}

QString Database::dataFilePath(const QString& table) const {
    return QDir(folder_).filePath(tableName(table) + QStringLiteral(".dat"));
}

QString Database::definitionFilePath(const QString& table) const {
    return QDir(folder_).filePath(tableName(table) + QStringLiteral(".idx"));
}

QString Database::tempPath(const QString& table, const QString& suffix) const {
    return QDir(folder_).filePath(tableName(table) + suffix);
}

bool Database::tableExists(const QString& table) const {
    return QFileInfo::exists(dataFilePath(table));
}

QStringList Database::tables() const {
    return attached_;
}

void Database::resolveLeftovers() {
    if (db_ || readOnly_ || folder_.isEmpty() || !QFileInfo(folder_).isDir())
        return;
    const QDir dir(folder_);
    const auto list = [&dir](const QString& suffix) {
        return dir.entryList({QStringLiteral("*.dat") + suffix, QStringLiteral("*.idx") + suffix},
                             QDir::Files | QDir::Hidden | QDir::System);
    };
    // An original set aside by a swap goes back in place: the change it belonged to did not finish.
    for (const QString& f : list(QStringLiteral(".old")))
        replaceFile(dir.filePath(f), dir.filePath(f.chopped(4)));
    // A copy made to refresh a file is needed only when the file itself is gone.
    for (const QString& f : list(QStringLiteral(".bkp"))) {
        if (QFileInfo::exists(dir.filePath(f.chopped(4))))
            removeFile(dir.filePath(f));
        else
            replaceFile(dir.filePath(f), dir.filePath(f.chopped(4)));
    }
    // A finished rebuild takes the place of a table file that was moved aside; any other is dropped.
    for (const QString& f : list(QStringLiteral(".new"))) {
        const QString target = dir.filePath(f.chopped(4));
        const QString journal = dir.filePath(f + QStringLiteral("-journal"));
        if (f.endsWith(QLatin1String(".dat.new")) && !QFileInfo::exists(target) &&
            !QFileInfo::exists(journal) && storedDefinition(dir.filePath(f)))
            replaceFile(dir.filePath(f), target);
        else
            removeFile(dir.filePath(f));
    }
    for (const QString& f : list(QStringLiteral(".new-journal")))
        removeFile(dir.filePath(f));
    // A definition file being written when the program died leaves its unfinished temporary copy.
    for (const QString& f :
         dir.entryList({QStringLiteral("*.idx.??????")}, QDir::Files | QDir::Hidden | QDir::System))
        removeFile(dir.filePath(f));
}

void Database::open() {
    if (db_)
        return;
    if (folder_.isEmpty())
        throw EngineError(FileError, QStringLiteral("No database folder is set"));
    if (!QFileInfo(folder_).isDir())
        throw EngineError(FileError, QStringLiteral("The database folder '%1' does not exist").arg(folder_));
    installStepCounting();
    if (readOnly_) {
        openForReading();
        return;
    }
    resolveLeftovers();
    static int counter = 0;
    const QString session = QStringLiteral("%1%2-%3.db")
                                .arg(kSessionPrefix)
                                .arg(QCoreApplication::applicationPid())
                                .arg(++counter);
    // The main file stays empty; it exists so that a commit across several table files is atomic, and its
    // super-journal must sit with the data. A folder that cannot be written needs no journal at all.
    int rc = SQLITE_CANTOPEN;
    for (const QString& place : {folder_, scratchFolder_}) {
        if (place.isEmpty())
            continue;
        QDir().mkpath(place);
        mainFile_ = QDir(place).filePath(session);
        rc = sqlite3_open_v2(QFile::encodeName(mainFile_).constData(), &db_,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db_, "PRAGMA main.user_version", nullptr, nullptr, nullptr);
        if (rc == SQLITE_OK)
            break;
        sqlite3_close_v2(db_);
        db_ = nullptr;
        QFile::remove(mainFile_);
    }
    if (rc != SQLITE_OK)
        throw EngineError(
            FileError,
            QStringLiteral("Cannot open the database: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    setUpConnection();
    removeStaleSessionFiles();
}

void Database::openForReading() {
    // The main database only holds the attachments together; the table files inherit its read-only flag.
    mainFile_.clear();
    const int rc = sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw EngineError(
            FileError,
            QStringLiteral("Cannot open the database: %1").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    }
    setUpConnection();
}

void Database::setUpConnection() {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busyTimeout_);
    collation::registerAll(db_);
    TextSearch::registerFunction(db_);
    sqlite3_update_hook(
        db_,
        [](void* self, int, const char*, const char* table, sqlite3_int64 rowid) {
            for (RowWatcher* w : static_cast<Database*>(self)->rowWatchers_)
                w->rowChanged(table, rowid);
        },
        this);
    tellEverythingChanged();
    try {
        attachAll();
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        if (!mainFile_.isEmpty())
            QFile::remove(mainFile_);
        attached_.clear();
        throw;
    }
}

void Database::removeStaleSessionFiles() const {
    const qint64 self = QCoreApplication::applicationPid();
    const QDir dir(folder_);
    // A super-journal is what makes a crashed commit roll back; it goes only once no table journal is left.
    const bool journalsLeft =
        !dir.entryList({QStringLiteral("*.dat-journal")}, QDir::Files | QDir::Hidden).isEmpty();
    for (const QString& f : dir.entryList({kSessionPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        const qint64 pid = sessionPid(f, kSessionPrefix);
        if (pid == self || processAlive(pid) || (journalsLeft && f.contains(QLatin1String("-mj"))))
            continue;
        QFile::remove(dir.filePath(f));
    }
    // Earlier versions kept the main file in a cache folder.
    if (scratchFolder_.isEmpty() || QDir(scratchFolder_) == dir)
        return;
    const QLatin1String oldPrefix("grocelle-");
    const QDir scratch(scratchFolder_);
    for (const QString& f : scratch.entryList({oldPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        const qint64 pid = sessionPid(f, oldPrefix);
        if (pid > 0 && pid != self && !processAlive(pid) && f.contains(QLatin1String(".db")))
            QFile::remove(scratch.filePath(f));
    }
}

void Database::attachAll() {
    const QStringList files =
        QDir(folder_).entryList({QStringLiteral("*.dat")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString table = tableName(file);
        Statement attach(db_, QStringLiteral("ATTACH DATABASE ?1 AS ") + quoteIdentifier(table));
        attach.bind(1, Value{QDir(folder_).filePath(file).toStdString()});
        try {
            attach.step();
        } catch (const EngineError& e) {
            damaged_.insert(table.toLower(), e.message());
            continue;
        }
        // A damaged file must not take the other tables down with it: SQLite reads every attached schema
        // when it prepares a statement. Such a table stays detached and reports its damage when used.
        // Reading the schema also rolls back what a crashed commit left half-written in the file.
        try {
            if (!readOnly_) {
                execSql(db_, QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(quoteIdentifier(table)));
                // A commit is durable only once the journal's deletion is: EXTRA syncs the folder after it.
                execSql(db_, QStringLiteral("PRAGMA %1.synchronous=EXTRA").arg(quoteIdentifier(table)));
            }
            // Lists read their order in one pass over a table and its joins: 16 MB of pages keep a pass
            // from reading a table file of up to that size again. A larger file is read again whatever the
            // cache holds, so its cache needs room only for the upper levels of its trees.
            constexpr qint64 kWholeFileCache = 16 << 20;
            const bool fits = QFileInfo(QDir(folder_).filePath(file)).size() <= kWholeFileCache;
            execSql(db_, QStringLiteral("PRAGMA %1.cache_size=-%2")
                             .arg(quoteIdentifier(table))
                             .arg(fits ? kWholeFileCache / 1024 : 4096));
            execSql(db_, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(quoteIdentifier(table)));
        } catch (const EngineError& e) {
            // Reading never plays a crashed commit back: that is left to the program that holds the database.
            const QString why = sqlite3_extended_errcode(db_) == SQLITE_READONLY_ROLLBACK
                                    ? QStringLiteral("an interrupted change waits to be rolled back")
                                    : e.message();
            execSql(db_, QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(table)));
            damaged_.insert(table.toLower(), why);
            continue;
        }
        attached_ << table;
        if (readOnly_)
            continue;
        if (const QString why = writeRefusal(db_, table, dataFilePath(table)); !why.isEmpty())
            readOnlyFiles_.push_back({file, why});
        if (const auto def = storedDefinition(db_, table, dataFilePath(table)))
            syncDefinitionFile(definitionFilePath(table), *def);
    }
    std::vector<std::pair<QString, QString>> named;
    for (const ReadOnlyTable& r : readOnlyFiles_)
        named.emplace_back(tableName(r.file), readOnlyText(r));
    setReadOnlyFiles(db_, named);
    if (!readOnly_)
        removeStaleJournals();
}

std::vector<ReadOnlyTable> Database::readOnlyTables() {
    open();
    return readOnlyFiles_;
}

void Database::removeStaleJournals() {
    QStringList stale;
    for (const QString& table : std::as_const(attached_))
        if (QFileInfo::exists(dataFilePath(table) + QStringLiteral("-journal")))
            stale << dataFilePath(table) + QStringLiteral("-journal");
    if (stale.isEmpty())
        return;
    // Reading each table above played back every journal that held a crashed commit. What SQLite left is a
    // journal it judged not hot (empty, unfinished, or of a commit that completed). Under an exclusive lock
    // on every table nobody else can be writing, so such a journal can go.
    if (sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    if (sqlite3_exec(db_, "SELECT 1 FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK)
        for (const QString& path : stale)
            removeFile(path);
    sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

sqlite3* Database::connection() {
    open();
    return db_;
}

void Database::closeDataSets() {
    const std::vector<DataSet*> copy = dataSets_;
    for (DataSet* ds : copy)
        ds->close();
}

void Database::close() {
    closeDataSets();
    if (!db_)
        return;
    if (transactionDepth_ > 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        transactionDepth_ = 0;
    }
    setReadOnlyFiles(db_, {});
    sqlite3_close_v2(db_);
    db_ = nullptr;
    if (!mainFile_.isEmpty())
        QFile::remove(mainFile_);
    attached_.clear();
    damaged_.clear();
    readOnlyFiles_.clear();
    definitions_.clear();
    advanceAllGenerations();
    tellEverythingChanged();
}

const TableDefinition& Database::definition(const QString& table) {
    return *sharedDefinition(table);
}

std::shared_ptr<const TableDefinition> Database::sharedDefinition(const QString& table) {
    const QString name = tableName(table);
    open();
    auto it = definitions_.find(name.toLower());
    if (it != definitions_.end())
        return *it;
    if (damaged_.contains(name.toLower()))
        throw EngineError(
            CorruptTable,
            QStringLiteral("Table '%1' is damaged: %2").arg(name, damaged_.value(name.toLower())));
    if (!attached_.contains(name, Qt::CaseInsensitive))
        throw EngineError(UnknownTable, QStringLiteral("Table '%1' does not exist").arg(name));
    // The table is attached: a copy inside it that cannot be read is the error to report, not a reason to
    // trust the .idx instead.
    const std::optional<TableDefinition> stored = readStoredDefinition(db_, name, dataFilePath(name));
    auto def = std::make_shared<const TableDefinition>(stored ? *stored : readDefinition(name));
    definitions_.insert(name.toLower(), def);
    return def;
}

TableDefinition Database::readDefinition(const QString& table) const {
    const QString name = tableName(table);
    if (!tableExists(name) && !QFileInfo::exists(definitionFilePath(name)))
        throw EngineError(UnknownTable, QStringLiteral("Table '%1' does not exist").arg(name));
    // The copy inside the table file is the authority; the .idx serves when the table file cannot be read.
    if (const auto stored = storedDefinition(dataFilePath(name), readOnly_)) {
        if (!readOnly_)
            syncDefinitionFile(definitionFilePath(name), *stored);
        return *stored;
    }
    return TableDefinition::readFile(definitionFilePath(name));
}

std::vector<TableFileProblem> Database::diagnoseTables(const QStringList& tables) const {
    std::vector<TableFileProblem> problems;
    for (const QString& t : tables) {
        TableFileProblem p;
        p.table = tableName(t);
        p.file = p.table + QStringLiteral(".dat");
        const QString path = dataFilePath(p.table);
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink()) {
            p.kind = TableFileProblem::Missing;
            p.message = QStringLiteral("The table file %1 is missing.").arg(p.file);
            problems.push_back(p);
            continue;
        }
        if (!info.isDir()) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            if (fd < 0) {
                p.kind = TableFileProblem::Unreadable;
                p.message = QStringLiteral("The table file %1 cannot be read: %2.")
                                .arg(p.file, lowerFirst(QString::fromLocal8Bit(std::strerror(errno))));
                problems.push_back(p);
                continue;
            }
            ::close(fd);
        }
        bool sound = info.isFile();
        if (sound) {
            try {
                FileConnection fc(path, false, readOnly_);
                Statement check(fc.get(), QStringLiteral("PRAGMA quick_check"));
                while (check.step())
                    if (QString::fromUtf8(reinterpret_cast<const char*>(
                            sqlite3_column_text(check.handle(), 0))) != QLatin1String("ok"))
                        sound = false;
                std::optional<TableDefinition> def = storedDefinition(fc.get(), {}, path);
                if (!def)
                    def = TableDefinition::readFile(definitionFilePath(p.table));
                Statement probe(fc.get(), QStringLiteral("SELECT %1 FROM %2 LIMIT 0")
                                              .arg(columnNames(*def).join(QStringLiteral(", ")),
                                                   quoteIdentifier(p.table)));
            } catch (const EngineError&) {
                sound = false;
            }
        }
        if (!sound) {
            p.kind = TableFileProblem::Damaged;
            p.message = QStringLiteral("The table file %1 is damaged.").arg(p.file);
            problems.push_back(p);
        }
    }
    return problems;
}

void Database::createTable(const QString& table, const TableDefinition& def) {
    requireWritable();
    const QString name = tableName(table);
    def.validate();
    if (folder_.isEmpty() || !QFileInfo(folder_).isDir())
        throw EngineError(FileError, QStringLiteral("The database folder '%1' does not exist").arg(folder_));
    if (tableExists(name))
        throw EngineError(TableExists, QStringLiteral("Table '%1' already exists").arg(name));
    const QString dat = dataFilePath(name), idx = definitionFilePath(name);
    try {
        createTableFile(dat, name, def);
        fileStep();
        def.writeFile(idx);
    } catch (...) {
        for (const QString& p : {dat, idx, dat + QStringLiteral("-journal")})
            QFile::remove(p);
        throw;
    }
    if (db_) {
        Statement attach(db_, QStringLiteral("ATTACH DATABASE ?1 AS ") + quoteIdentifier(name));
        attach.bind(1, Value{dat.toStdString()});
        attach.step();
        attached_ << name;
    }
}

void Database::alterTables(const QStringList& tables, std::optional<int> locale,
                           std::optional<std::pair<int, int>> version) {
    requireWritable();
    close();
    if (locale && !collation::isKnown(*locale))
        throw EngineError(GeneralError, QStringLiteral("Unknown locale %1").arg(*locale));
    QStringList names;
    for (const QString& t : tables)
        names << tableName(t);
    std::vector<TableDefinition> altered;
    try {
        open();
        Transaction transaction(*this);
        for (const QString& name : names) {
            TableDefinition def = definition(name);
            if (locale)
                def.locale = *locale;
            if (version) {
                def.versionMajor = version->first;
                def.versionMinor = version->second;
            }
            rebuildAttachedTable(db_, name, def);
            altered.push_back(def);
        }
        transaction.commit();
    } catch (...) {
        close();
        throw;
    }
    close();
    // The definitions inside the table files are committed; the .idx copies follow them.
    for (size_t i = 0; i < altered.size(); ++i)
        syncDefinitionFile(definitionFilePath(names[static_cast<int>(i)]), altered[i]);
}

void Database::emptyTable(const QString& table) {
    requireWritable();
    const QString name = tableName(table);
    definition(name);
    Transaction t(*this);
    execSql(db_, QStringLiteral("DELETE FROM %1.%1").arg(quoteIdentifier(name)));
    // SQLite empties a table at once without naming the rows it removes.
    tellEverythingChanged();
    if (definition(name).autoIncField() >= 0)
        execSql(db_, QStringLiteral("DELETE FROM %1.sqlite_sequence").arg(quoteIdentifier(name)));
    // Rows lost to a repair are of no account once the table starts afresh.
    execSql(db_, QStringLiteral("DROP TABLE IF EXISTS %1.%2")
                     .arg(quoteIdentifier(name), QLatin1String(kLostRowsTable)));
    t.commit();
    advanceGeneration(name);
}

bool Database::rowsLost(const QString& table) {
    const QString name = tableName(table);
    definition(name);
    Statement present(
        db_, QStringLiteral("SELECT count(*) FROM %1.sqlite_master WHERE type = 'table' AND name = '%2'")
                 .arg(quoteIdentifier(name), QLatin1String(kLostRowsTable)));
    return present.step() && sqlite3_column_int(present.handle(), 0) > 0;
}

void Database::forgetLostRows(const QString& table) {
    requireWritable();
    const QString name = tableName(table);
    definition(name);
    Transaction t(*this);
    execSql(db_, QStringLiteral("DROP TABLE IF EXISTS %1.%2")
                     .arg(quoteIdentifier(name), QLatin1String(kLostRowsTable)));
    t.commit();
}

QString TableRepair::message() const {
    if (!rebuilt)
        return {};
    const QString file = table + QStringLiteral(".dat");
    const auto rows = [](int n) {
        return QString::number(n) + (n == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
    };
    QString text;
    if (recovered == 0 && (lost > 0 || !lostExact)) {
        text = file + QStringLiteral(" was repaired, but no row could be recovered");
        if (lost > 0)
            text += (lostExact ? QStringLiteral(": ") : QStringLiteral(": at least ")) + rows(lost) +
                    QStringLiteral(" lost");
    } else {
        text = file + QStringLiteral(" was repaired: ") + rows(recovered) + QStringLiteral(" recovered");
        if (lostExact)
            text += QStringLiteral(", %1 lost").arg(lost);
        else if (lost > 0)
            text += QStringLiteral(", at least %1 lost").arg(lost);
        else
            text += QStringLiteral("; how many were lost cannot be told");
    }
    text += QStringLiteral(".");
    if (!keptAs.isEmpty())
        text += QStringLiteral(" The damaged file was kept as ") + keptAs + QStringLiteral(".");
    return text;
}

TableRepair Database::repairTable(const QString& table) {
    requireWritable();
    const QString name = tableName(table);
    close();
    resolveLeftovers();
    const QString dat = dataFilePath(name), idx = definitionFilePath(name);
    const QFileInfo info(dat);
    if (!info.exists())
        throw EngineError(UnknownTable, QStringLiteral("Table '%1' does not exist").arg(name));

    std::optional<TableDefinition> fromIdx;
    try {
        fromIdx = TableDefinition::readFile(idx);
    } catch (const EngineError&) {
    }
    // The table file keeps a copy of its definition, the authority; a lost .idx can be written again.
    std::optional<TableDefinition> stored;
    bool fileSound = info.isFile();
    if (fileSound) {
        try {
            FileConnection fc(dat, false);
            Statement check(fc.get(), QStringLiteral("PRAGMA integrity_check"));
            while (check.step()) {
                const QString line =
                    QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.handle(), 0)));
                if (line != QLatin1String("ok"))
                    fileSound = false;
            }
            stored = storedDefinition(fc.get(), {}, dat);
            Statement probe(fc.get(), QStringLiteral("SELECT %1 FROM %2 LIMIT 0")
                                          .arg(columnNames(stored    ? *stored
                                                           : fromIdx ? *fromIdx
                                                                     : TableDefinition{})
                                                   .join(QStringLiteral(", ")),
                                               quoteIdentifier(name)));
        } catch (const EngineError&) {
            fileSound = false;
        }
    }
    if (!fromIdx && !stored)
        throw EngineError(
            CorruptTable,
            QStringLiteral("Table '%1' is damaged beyond repair: its definition is lost").arg(name));
    const TableDefinition def = stored ? *stored : *fromIdx;
    const bool definitionSound = stored && fromIdx && fromIdx->toJson() == stored->toJson();

    if (fileSound) {
        FileConnection fc(dat, false);
        execSql(fc.get(), QStringLiteral("BEGIN IMMEDIATE"));
        execSql(fc.get(), QStringLiteral("REINDEX"));
        if (!stored)
            storeDefinition(fc.get(), def);
        fileStep();
        execSql(fc.get(), QStringLiteral("COMMIT"));
        syncDefinitionFile(idx, def);
        TableRepair sound;
        sound.table = name;
        sound.sound = definitionSound;
        return sound;
    }

    // Rebuild: a fresh file, then every row that can still be salvaged, in row-id order.
    TableRepair report;
    report.table = name;
    report.sound = false;
    report.rebuilt = true;
    const QString rebuilt = tempPath(name, QStringLiteral(".dat.new"));
    try {
        const SalvagedTable salvaged =
            info.isFile() ? TableSalvage(scratchFolder_).salvage(dat, name, def) : SalvagedTable{};
        removeFile(rebuilt + QStringLiteral("-journal"));
        createTableFile(rebuilt, name, def);
        FileConnection fc(rebuilt, false);
        execSql(fc.get(), QStringLiteral("BEGIN"));
        QStringList params;
        for (int i = 0; i <= def.fields.size(); ++i)
            params << QStringLiteral("?%1").arg(i + 1);
        Statement insert(fc.get(),
                         QStringLiteral("INSERT OR IGNORE INTO main.%1 (rowid, %2) VALUES (%3)")
                             .arg(quoteIdentifier(name), columnNames(def).join(QStringLiteral(", ")),
                                  params.join(QStringLiteral(", "))));
        std::int64_t highest = salvaged.sequence.value_or(0);
        std::set<std::int64_t> named = salvaged.indexedIds;
        for (const auto& [id, row] : salvaged.rows) {
            named.insert(id);
            insert.bind(1, Value{id});
            for (size_t i = 0; i < row.size(); ++i)
                insert.bind(static_cast<int>(i) + 2, row[i]);
            // A row the definition refuses (a required field lost) counts as lost.
            try {
                insert.step();
                report.recovered += sqlite3_changes(fc.get()) > 0 ? 1 : 0;
            } catch (const EngineError&) {
            }
            insert.reset();
        }
        if (!named.empty())
            highest = std::max(highest, *named.rbegin());
        report.lost = static_cast<int>(named.size()) - report.recovered;
        report.lostExact = salvaged.indexesComplete;
        // Ids never come back: a row that points at a lost one must not find a new row there.
        if (def.autoIncField() >= 0 && highest > 0) {
            Statement raise(fc.get(), QStringLiteral("UPDATE main.sqlite_sequence SET seq = max(seq, ?2) "
                                                     "WHERE name = ?1"));
            raise.bind(1, Value{name.toStdString()});
            raise.bind(2, Value{highest});
            raise.step();
            if (sqlite3_changes(fc.get()) == 0) {
                Statement put(fc.get(),
                              QStringLiteral("INSERT INTO main.sqlite_sequence (name, seq) VALUES (?1, ?2)"));
                put.bind(1, Value{name.toStdString()});
                put.bind(2, Value{highest});
                put.step();
            }
        }
        if (report.rowsMissing()) {
            execSql(fc.get(),
                    QStringLiteral("CREATE TABLE %1 (lost INTEGER NOT NULL, exact INTEGER NOT NULL)")
                        .arg(QLatin1String(kLostRowsTable)));
            Statement mark(fc.get(), QStringLiteral("INSERT INTO %1 (lost, exact) VALUES (?1, ?2)")
                                         .arg(QLatin1String(kLostRowsTable)));
            mark.bind(1, Value{std::int64_t{report.lost}});
            mark.bind(2, Value{std::int64_t{report.lostExact ? 1 : 0}});
            mark.step();
        }
        fileStep();
        execSql(fc.get(), QStringLiteral("COMMIT"));
    } catch (...) {
        QFile::remove(rebuilt);
        throw;
    }
    // The damaged original is kept beside the table for inspection as X.dat.damaged. A file is linked there,
    // so the rebuilt one replaces it in one rename; a directory in the table's place has to move aside first,
    // and the next open finishes the swap should it be interrupted.
    const QString damaged = tempPath(name, QStringLiteral(".dat.damaged"));
    if (QFileInfo(damaged).isDir() && !QFileInfo(damaged).isSymLink())
        QDir(damaged).removeRecursively();
    removeFile(damaged);
    // A journal left beside the damaged file belongs to it, not to the rebuilt one.
    if (QFileInfo::exists(dat + QStringLiteral("-journal")))
        replaceFile(dat + QStringLiteral("-journal"), damaged + QStringLiteral("-journal"));
    bool kept = false;
    if (info.isFile()) {
        fileStep();
        kept = ::link(QFile::encodeName(dat).constData(), QFile::encodeName(damaged).constData()) == 0 ||
               QFile::copy(dat, damaged);
    }
    if (!kept && !replaceFile(dat, damaged)) {
        QFile::remove(rebuilt);
        throw EngineError(FileError,
                          QStringLiteral("Cannot replace the damaged file of table '%1'").arg(name));
    }
    if (!replaceFile(rebuilt, dat)) {
        if (!kept)
            replaceFile(damaged, dat);
        QFile::remove(rebuilt);
        throw EngineError(FileError,
                          QStringLiteral("Cannot replace the damaged file of table '%1'").arg(name));
    }
    syncFolder(folder_);
    syncDefinitionFile(idx, def);
    report.keptAs = QFileInfo(damaged).fileName();
    return report;
}

void Database::addRowWatcher(RowWatcher* watcher) {
    if (std::find(rowWatchers_.begin(), rowWatchers_.end(), watcher) == rowWatchers_.end())
        rowWatchers_.push_back(watcher);
}

void Database::removeRowWatcher(RowWatcher* watcher) {
    rowWatchers_.erase(std::remove(rowWatchers_.begin(), rowWatchers_.end(), watcher), rowWatchers_.end());
}

void Database::tellEverythingChanged() {
    for (RowWatcher* w : rowWatchers_)
        w->everythingChanged();
}

int Database::execute(const QString& sql, const std::vector<Value>& parameters) {
    sqlite3* c = connection();
    Statement stmt(c, sql);
    for (size_t i = 0; i < parameters.size(); ++i)
        stmt.bind(static_cast<int>(i) + 1, parameters[i]);
    while (stmt.step()) {
    }
    advanceAllGenerations();
    return sqlite3_changes(c);
}

void Database::beginTransaction() {
    requireWritable();
    sqlite3* c = connection();
    // Deferred: only the tables a change writes take part in its commit. A change to one table then
    // commits with its own journal alone; an immediate BEGIN made every attached table part of it, and
    // each commit paid for a super-journal and its syncs. One program at a time holds the folder, so no
    // other writer can make the later lock fail.
    if (transactionDepth_ == 0)
        execSql(c, QStringLiteral("BEGIN"));
    else
        execSql(c, QStringLiteral("SAVEPOINT sp%1").arg(transactionDepth_));
    ++transactionDepth_;
}

void Database::commitTransaction() {
    if (transactionDepth_ == 0 || !db_)
        throw EngineError(WrongState, QStringLiteral("No transaction is active"));
    if (transactionDepth_ == 1) {
        fileStep();
        execSql(db_, QStringLiteral("COMMIT"));
    } else
        execSql(db_, QStringLiteral("RELEASE sp%1").arg(transactionDepth_ - 1));
    --transactionDepth_;
}

void Database::rollbackTransaction() {
    if (transactionDepth_ == 0 || !db_)
        return;
    if (transactionDepth_ == 1) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        const QByteArray sp = QStringLiteral("sp%1").arg(transactionDepth_ - 1).toUtf8();
        sqlite3_exec(db_, ("ROLLBACK TO " + sp).constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(db_, ("RELEASE " + sp).constData(), nullptr, nullptr, nullptr);
    }
    --transactionDepth_;
    // Snapshots may hold rows that were just undone.
    advanceAllGenerations();
}

std::uint64_t* Database::generationCounter(const QString& table) {
    auto& counter = generations_[tableName(table).toLower()];
    if (!counter)
        counter = std::make_shared<std::uint64_t>(1);
    return counter.get();
}

std::uint64_t Database::generation(const QString& table) {
    return *generationCounter(table);
}

std::uint64_t Database::advanceGeneration(const QString& table) {
    return ++*generationCounter(table);
}

void Database::advanceAllGenerations() {
    for (auto it = generations_.begin(); it != generations_.end(); ++it)
        ++*it.value();
}

void Database::registerDataSet(DataSet* ds) {
    dataSets_.push_back(ds);
}

void Database::unregisterDataSet(DataSet* ds) {
    dataSets_.erase(std::remove(dataSets_.begin(), dataSets_.end(), ds), dataSets_.end());
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.beginTransaction();
}

Transaction::~Transaction() {
    if (!done_)
        db_.rollbackTransaction();
}

void Transaction::commit() {
    db_.commitTransaction();
    done_ = true;
}

} // namespace engine
