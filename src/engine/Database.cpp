#include "Database.h"

#include "Collation.h"
#include "DataSet.h"
#include "EngineError.h"
#include "Statement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

#include <algorithm>
#include <limits>

namespace engine {

namespace {

constexpr const char* kDefinitionTable = "grocelle_definition";

// A short-lived connection to one table file, used for definition work while the main connection is closed.
class FileConnection {
public:
    explicit FileConnection(const QString& path, bool create) {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, flags, nullptr);
        if (rc != SQLITE_OK) {
            const QString message =
                db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
            sqlite3_close_v2(db_);
            db_ = nullptr;
            throw EngineError(FileError, QStringLiteral("Cannot open '%1': %2").arg(path, message));
        }
        sqlite3_extended_result_codes(db_, 1);
        collation::registerAll(db_);
    }
    ~FileConnection() { sqlite3_close_v2(db_); }
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

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

// The statements that create a table and its indexes in a table file.
QStringList createStatements(const QString& table, const TableDefinition& def) {
    QStringList cols;
    for (const FieldDef& f : def.fields)
        cols << columnSql(f, def.locale);
    QStringList out;
    out << QStringLiteral("CREATE TABLE %1 (%2)")
               .arg(quoteIdentifier(table), cols.join(QStringLiteral(", ")));
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
        out << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                   .arg(ix.unique || ix.primary ? QStringLiteral("UNIQUE ") : QString(),
                        quoteIdentifier(ix.name), quoteIdentifier(table), keys.join(QStringLiteral(", ")));
    }
    out << QStringLiteral("CREATE TABLE %1 (json TEXT NOT NULL)").arg(QLatin1String(kDefinitionTable));
    return out;
}

void storeDefinition(sqlite3* db, const TableDefinition& def) {
    execSql(db, QStringLiteral("DELETE FROM %1").arg(QLatin1String(kDefinitionTable)));
    Statement ins(db,
                  QStringLiteral("INSERT INTO %1 (json) VALUES (?1)").arg(QLatin1String(kDefinitionTable)));
    ins.bind(1, Value{def.toJson().toStdString()});
    ins.step();
}

// Creates a fresh table file at path holding the definition's table, empty.
void createTableFile(const QString& path, const QString& table, const TableDefinition& def) {
    QFile::remove(path);
    FileConnection fc(path, true);
    execSql(fc.get(), QStringLiteral("PRAGMA journal_mode=DELETE"));
    execSql(fc.get(), QStringLiteral("BEGIN"));
    for (const QString& s : createStatements(table, def))
        execSql(fc.get(), s);
    storeDefinition(fc.get(), def);
    execSql(fc.get(), QStringLiteral("COMMIT"));
}

QStringList columnNames(const TableDefinition& def) {
    QStringList names;
    for (const FieldDef& f : def.fields)
        names << quoteIdentifier(f.name);
    return names;
}

void removeFiles(const QStringList& paths) {
    for (const QString& p : paths)
        QFile::remove(p);
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

void Database::setScratchFolder(const QString& folder) {
    if (!folder.isEmpty())
        scratchFolder_ = folder;
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

void Database::open() {
    if (db_)
        return;
    if (folder_.isEmpty())
        throw EngineError(FileError, QStringLiteral("No database folder is set"));
    if (!QFileInfo(folder_).isDir())
        throw EngineError(FileError, QStringLiteral("The database folder '%1' does not exist").arg(folder_));
    QDir().mkpath(scratchFolder_);
    static int counter = 0;
    // The main file stays empty; it exists so that a commit across several table files is atomic.
    mainFile_ =
        QDir(scratchFolder_)
            .filePath(
                QStringLiteral("grocelle-%1-%2.db").arg(QCoreApplication::applicationPid()).arg(++counter));
    QFile::remove(mainFile_);
    const int rc = sqlite3_open_v2(QFile::encodeName(mainFile_).constData(), &db_,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message =
            db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw EngineError(FileError, QStringLiteral("Cannot open the database: %1").arg(message));
    }
    sqlite3_extended_result_codes(db_, 1);
    collation::registerAll(db_);
    try {
        attachAll();
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        QFile::remove(mainFile_);
        attached_.clear();
        throw;
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
        try {
            execSql(db_, QStringLiteral("PRAGMA %1.journal_mode=DELETE").arg(quoteIdentifier(table)));
            execSql(db_, QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(quoteIdentifier(table)));
        } catch (const EngineError& e) {
            execSql(db_, QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(table)));
            damaged_.insert(table.toLower(), e.message());
            continue;
        }
        attached_ << table;
    }
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
    sqlite3_close_v2(db_);
    db_ = nullptr;
    QFile::remove(mainFile_);
    attached_.clear();
    damaged_.clear();
    definitions_.clear();
    advanceAllGenerations();
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
    auto def = std::make_shared<const TableDefinition>(readDefinition(name));
    definitions_.insert(name.toLower(), def);
    return def;
}

TableDefinition Database::readDefinition(const QString& table) const {
    const QString name = tableName(table);
    if (!tableExists(name) && !QFileInfo::exists(definitionFilePath(name)))
        throw EngineError(UnknownTable, QStringLiteral("Table '%1' does not exist").arg(name));
    return TableDefinition::readFile(definitionFilePath(name));
}

void Database::createTable(const QString& table, const TableDefinition& def) {
    const QString name = tableName(table);
    def.validate();
    if (folder_.isEmpty() || !QFileInfo(folder_).isDir())
        throw EngineError(FileError, QStringLiteral("The database folder '%1' does not exist").arg(folder_));
    if (tableExists(name))
        throw EngineError(TableExists, QStringLiteral("Table '%1' already exists").arg(name));
    const QString dat = dataFilePath(name), idx = definitionFilePath(name);
    try {
        createTableFile(dat, name, def);
        def.writeFile(idx);
    } catch (...) {
        removeFiles({dat, idx, dat + QStringLiteral("-journal")});
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
    close();
    if (locale && !collation::isKnown(*locale))
        throw EngineError(GeneralError, QStringLiteral("Unknown locale %1").arg(*locale));
    QStringList names;
    for (const QString& t : tables)
        names << tableName(t);
    QStringList built;
    const auto discardBuilt = [&]() {
        for (const QString& n : built)
            removeFiles({tempPath(n, QStringLiteral(".dat.new")), tempPath(n, QStringLiteral(".idx.new"))});
    };
    // Build every new file pair first; the originals stay untouched until all are ready.
    try {
        for (const QString& name : names) {
            TableDefinition def = readDefinition(name);
            if (locale)
                def.locale = *locale;
            if (version) {
                def.versionMajor = version->first;
                def.versionMinor = version->second;
            }
            const QString newDat = tempPath(name, QStringLiteral(".dat.new"));
            built << name;
            createTableFile(newDat, name, def);
            FileConnection fc(newDat, false);
            Statement attach(fc.get(), QStringLiteral("ATTACH DATABASE ?1 AS src"));
            attach.bind(1, Value{dataFilePath(name).toStdString()});
            attach.step();
            const QString cols = columnNames(def).join(QStringLiteral(", "));
            execSql(fc.get(), QStringLiteral("BEGIN"));
            execSql(
                fc.get(),
                QStringLiteral("INSERT INTO main.%1 (rowid, %2) SELECT rowid, %2 FROM src.%1 ORDER BY rowid")
                    .arg(quoteIdentifier(name), cols));
            if (def.autoIncField() >= 0) {
                Statement seq(fc.get(),
                              QStringLiteral("SELECT seq FROM src.sqlite_sequence WHERE name = ?1"));
                seq.bind(1, Value{name.toStdString()});
                if (seq.step()) {
                    const std::int64_t value = sqlite3_column_int64(seq.handle(), 0);
                    seq.reset();
                    execSql(fc.get(), QStringLiteral("DELETE FROM main.sqlite_sequence"));
                    Statement put(
                        fc.get(),
                        QStringLiteral("INSERT INTO main.sqlite_sequence (name, seq) VALUES (?1, ?2)"));
                    put.bind(1, Value{name.toStdString()});
                    put.bind(2, Value{value});
                    put.step();
                }
            }
            execSql(fc.get(), QStringLiteral("COMMIT"));
            def.writeFile(tempPath(name, QStringLiteral(".idx.new")));
        }
    } catch (...) {
        discardBuilt();
        throw;
    }
    // Swap them in; a failure puts every original back.
    QStringList swapped;
    const auto restore = [&]() {
        for (const QString& n : swapped) {
            for (const QString& ext : {QStringLiteral(".dat"), QStringLiteral(".idx")}) {
                QFile::remove(tempPath(n, ext));
                QFile::rename(tempPath(n, ext + QStringLiteral(".old")), tempPath(n, ext));
            }
        }
        discardBuilt();
    };
    for (const QString& name : names) {
        for (const QString& ext : {QStringLiteral(".dat"), QStringLiteral(".idx")})
            QFile::remove(tempPath(name, ext + QStringLiteral(".old")));
        const bool ok =
            QFile::rename(tempPath(name, QStringLiteral(".dat")),
                          tempPath(name, QStringLiteral(".dat.old"))) &&
            QFile::rename(tempPath(name, QStringLiteral(".idx")), tempPath(name, QStringLiteral(".idx.old")));
        swapped << name;
        if (!ok ||
            !QFile::rename(tempPath(name, QStringLiteral(".dat.new")),
                           tempPath(name, QStringLiteral(".dat"))) ||
            !QFile::rename(tempPath(name, QStringLiteral(".idx.new")),
                           tempPath(name, QStringLiteral(".idx")))) {
            restore();
            throw EngineError(FileError, QStringLiteral("Cannot replace the files of table '%1'").arg(name));
        }
    }
    for (const QString& name : names)
        removeFiles({tempPath(name, QStringLiteral(".dat.old")), tempPath(name, QStringLiteral(".idx.old"))});
}

void Database::emptyTable(const QString& table) {
    const QString name = tableName(table);
    definition(name);
    Transaction t(*this);
    execSql(db_, QStringLiteral("DELETE FROM %1.%1").arg(quoteIdentifier(name)));
    if (definition(name).autoIncField() >= 0)
        execSql(db_, QStringLiteral("DELETE FROM %1.sqlite_sequence").arg(quoteIdentifier(name)));
    t.commit();
    advanceGeneration(name);
}

bool Database::repairTable(const QString& table) {
    const QString name = tableName(table);
    close();
    const QString dat = dataFilePath(name), idx = definitionFilePath(name);
    if (!QFileInfo::exists(dat))
        throw EngineError(UnknownTable, QStringLiteral("Table '%1' does not exist").arg(name));

    bool sound = true;
    std::optional<TableDefinition> def;
    try {
        def = TableDefinition::readFile(idx);
    } catch (const EngineError&) {
        sound = false;
    }
    // The table file keeps a copy of its definition, so a lost definition file can be written again.
    std::optional<TableDefinition> stored;
    bool fileSound = true;
    try {
        FileConnection fc(dat, false);
        Statement check(fc.get(), QStringLiteral("PRAGMA integrity_check"));
        while (check.step()) {
            const QString line =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check.handle(), 0)));
            if (line != QLatin1String("ok"))
                fileSound = false;
        }
        Statement read(fc.get(), QStringLiteral("SELECT json FROM %1").arg(QLatin1String(kDefinitionTable)));
        if (read.step())
            stored = TableDefinition::fromJson(
                QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(read.handle(), 0))), dat);
        Statement probe(fc.get(), QStringLiteral("SELECT %1 FROM %2 LIMIT 0")
                                      .arg(columnNames(def      ? *def
                                                       : stored ? *stored
                                                                : TableDefinition{})
                                               .join(QStringLiteral(", ")),
                                           quoteIdentifier(name)));
    } catch (const EngineError&) {
        fileSound = false;
    }
    if (!def && !stored)
        throw EngineError(
            CorruptTable,
            QStringLiteral("Table '%1' is damaged beyond repair: its definition is lost").arg(name));
    if (!def) {
        def = stored;
        def->writeFile(idx);
    }
    sound = sound && fileSound;

    if (fileSound) {
        FileConnection fc(dat, false);
        execSql(fc.get(), QStringLiteral("REINDEX"));
        if (!stored || stored->toJson() != def->toJson())
            storeDefinition(fc.get(), *def);
        return sound;
    }

    // Rebuild: a fresh file, then every row that can still be read, in row-id order.
    const QString rebuilt = tempPath(name, QStringLiteral(".dat.new"));
    try {
        createTableFile(rebuilt, name, *def);
        FileConnection fc(rebuilt, false);
        Statement attach(fc.get(), QStringLiteral("ATTACH DATABASE ?1 AS src"));
        attach.bind(1, Value{dat.toStdString()});
        try {
            attach.step();
        } catch (const EngineError&) {
        }
        const QString cols = columnNames(*def).join(QStringLiteral(", "));
        QStringList params;
        for (int i = 0; i <= def->fields.size(); ++i)
            params << QStringLiteral("?%1").arg(i + 1);
        execSql(fc.get(), QStringLiteral("BEGIN"));
        Statement insert(fc.get(), QStringLiteral("INSERT OR IGNORE INTO main.%1 (rowid, %2) VALUES (%3)")
                                       .arg(quoteIdentifier(name), cols, params.join(QStringLiteral(", "))));
        std::int64_t last = std::numeric_limits<std::int64_t>::min();
        std::int64_t skip = 1;
        for (int failures = 0; failures < 200;) {
            bool advanced = false;
            try {
                Statement read(fc.get(),
                               QStringLiteral("SELECT rowid, %1 FROM src.%2 WHERE rowid > ?1 ORDER BY rowid")
                                   .arg(cols, quoteIdentifier(name)));
                read.bind(1, Value{last});
                while (read.step()) {
                    for (int i = 0; i <= def->fields.size(); ++i) {
                        sqlite3_stmt* r = read.handle();
                        Value v;
                        switch (sqlite3_column_type(r, i)) {
                        case SQLITE_INTEGER:
                            v = static_cast<std::int64_t>(sqlite3_column_int64(r, i));
                            break;
                        case SQLITE_FLOAT:
                            v = sqlite3_column_double(r, i);
                            break;
                        case SQLITE_NULL:
                            break;
                        default:
                            v = std::string(reinterpret_cast<const char*>(sqlite3_column_text(r, i)),
                                            static_cast<size_t>(sqlite3_column_bytes(r, i)));
                        }
                        insert.bind(i + 1, v);
                    }
                    try {
                        insert.step();
                    } catch (const EngineError&) {
                    }
                    insert.reset();
                    last = sqlite3_column_int64(read.handle(), 0);
                    advanced = true;
                    skip = 1;
                }
                break;
            } catch (const EngineError&) {
                ++failures;
                if (last == std::numeric_limits<std::int64_t>::min())
                    last = 0;
                // Step over the unreadable stretch, further each time it does not help.
                skip = advanced ? 1 : std::min<std::int64_t>(skip * 2, std::int64_t{1} << 40);
                last += skip;
            }
        }
        if (def->autoIncField() >= 0) {
            try {
                Statement seq(fc.get(),
                              QStringLiteral("SELECT seq FROM src.sqlite_sequence WHERE name = ?1"));
                seq.bind(1, Value{name.toStdString()});
                if (seq.step()) {
                    const std::int64_t value = sqlite3_column_int64(seq.handle(), 0);
                    seq.reset();
                    execSql(fc.get(),
                            QStringLiteral("UPDATE main.sqlite_sequence SET seq = max(seq, %1)").arg(value));
                }
            } catch (const EngineError&) {
            }
        }
        execSql(fc.get(), QStringLiteral("COMMIT"));
    } catch (...) {
        removeFiles({rebuilt});
        throw;
    }
    // The damaged file is kept beside the table for inspection; the rebuilt one takes its place.
    const QString damaged = tempPath(name, QStringLiteral(".dat.damaged"));
    QFile::remove(damaged);
    QFile::remove(dat + QStringLiteral("-journal"));
    if (!QFile::rename(dat, damaged) || !QFile::rename(rebuilt, dat)) {
        QFile::rename(damaged, dat);
        removeFiles({rebuilt});
        throw EngineError(FileError,
                          QStringLiteral("Cannot replace the damaged file of table '%1'").arg(name));
    }
    return false;
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
    sqlite3* c = connection();
    if (transactionDepth_ == 0)
        execSql(c, QStringLiteral("BEGIN IMMEDIATE"));
    else
        execSql(c, QStringLiteral("SAVEPOINT sp%1").arg(transactionDepth_));
    ++transactionDepth_;
}

void Database::commitTransaction() {
    if (transactionDepth_ == 0 || !db_)
        throw EngineError(WrongState, QStringLiteral("No transaction is active"));
    if (transactionDepth_ == 1)
        execSql(db_, QStringLiteral("COMMIT"));
    else
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
