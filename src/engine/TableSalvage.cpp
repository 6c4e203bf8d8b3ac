#include "TableSalvage.h"

#include "Collation.h"
#include "EngineError.h"
#include "Statement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstring>
#include <memory>

#ifndef GROCELLE_DBPAGE_BUILD_PATH
#define GROCELLE_DBPAGE_BUILD_PATH ""
#endif

namespace engine {

namespace {

const QLatin1String kExtensionName("grocelle_dbpage.so");
const QLatin1String kLostAndFound("lost_and_found");
constexpr int kHeaderSize = 100;
// Recovery reads a file of tens of thousands of rows in a second or two; this only stops a hung program.
constexpr int kRecoveryTimeoutMs = 10 * 60 * 1000;

int get16(const unsigned char* p) {
    return (p[0] << 8) | p[1];
}

void put16(QByteArray& b, int at, int v) {
    b[at] = static_cast<char>((v >> 8) & 0xFF);
    b[at + 1] = static_cast<char>(v & 0xFF);
}

void put32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

int headerPageSize(const QByteArray& header) {
    const int v = get16(reinterpret_cast<const unsigned char*>(header.constData()) + 16);
    return v == 1 ? 65536 : v;
}

bool validPageSize(int size) {
    return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

bool plausibleHeader(const QByteArray& header) {
    return header.size() >= kHeaderSize && std::memcmp(header.constData(), "SQLite format 3", 16) == 0 &&
           validPageSize(headerPageSize(header)) && header[21] == 64 && header[22] == 32 && header[23] == 32;
}

// Whether the page starting at `page`, of `size` bytes, holds a b-tree page header at `at` whose cells all
// lie inside the page.
bool looksLikeBtreePage(const unsigned char* page, int at, int size) {
    const unsigned char* h = page + at;
    if (h[0] != 0x02 && h[0] != 0x05 && h[0] != 0x0A && h[0] != 0x0D)
        return false;
    const int headerSize = (h[0] == 0x02 || h[0] == 0x05) ? 12 : 8;
    const int cells = get16(h + 3);
    int content = get16(h + 5);
    if (content == 0)
        content = 65536;
    const int pointers = at + headerSize;
    if (pointers + 2 * cells > size || content > size || (cells > 0 && content < pointers + 2 * cells))
        return false;
    for (int i = 0; i < cells; ++i) {
        const int offset = get16(page + pointers + 2 * i);
        if (offset < content || offset >= size)
            return false;
    }
    return true;
}

// The page size under which the most pages look like b-tree pages; the smallest of the near-best, since
// every multiple of the right size also lands on page starts.
int detectPageSize(const QByteArray& data) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    struct Score {
        int size;
        double ratio;
    };
    std::vector<Score> scores;
    double best = 0;
    for (int size = 512; size <= 65536 && size <= data.size(); size *= 2) {
        int probes = 0, hits = 0;
        for (qint64 page = 0; (page + 1) * size <= data.size() && probes < 512; ++page, ++probes)
            hits += looksLikeBtreePage(bytes + page * size, page == 0 ? kHeaderSize : 0, size) ? 1 : 0;
        const double ratio = probes ? double(hits) / probes : 0;
        scores.push_back({size, ratio});
        best = std::max(best, ratio);
    }
    for (const Score& s : scores)
        if (best > 0 && s.ratio >= 0.9 * best)
            return s.size;
    return 4096;
}

// A header SQLite accepts, for a copy whose own header is damaged: the page size found in the pages, the
// size in pages left to the file's length, no free-page list (its start is not known), text in UTF-8.
QByteArray plausibleHeaderFor(const QByteArray& data) {
    QByteArray h(kHeaderSize, '\0');
    std::memcpy(h.data(), "SQLite format 3", 16);
    const int size = detectPageSize(data);
    put16(h, 16, size == 65536 ? 1 : size);
    h[18] = 1;
    h[19] = 1;
    h[21] = 64;
    h[22] = 32;
    h[23] = 32;
    put32(h, 24, 1); // change counter; the version-valid-for number stays 0, so the size is the file's
    put32(h, 40, 1); // schema cookie
    put32(h, 44, 4); // schema format
    put32(h, 56, SQLITE_UTF8);
    put32(h, 96, SQLITE_VERSION_NUMBER);
    return h;
}

Value columnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_column_int64(stmt, i));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt, i);
    case SQLITE_NULL:
        return {};
    default:
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                           static_cast<size_t>(sqlite3_column_bytes(stmt, i)));
    }
}

// Whether a record found outside the table's b-tree can be a row of the table: as many fields, each of the
// field's kind; an auto-increment field is stored as empty, its value being the row id.
bool fitsDefinition(sqlite3_stmt* stmt, int first, const TableDefinition& def) {
    for (int f = 0; f < def.fields.size(); ++f) {
        const FieldDef& field = def.fields[f];
        const int type = sqlite3_column_type(stmt, first + f);
        if (field.type == FieldType::AutoInc) {
            if (type != SQLITE_NULL)
                return false;
            continue;
        }
        if (type == SQLITE_NULL) {
            if (field.required)
                return false;
            continue;
        }
        const bool fits =
            (field.type == FieldType::String && type == SQLITE_TEXT) ||
            (field.type == FieldType::Integer && type == SQLITE_INTEGER) ||
            (field.type == FieldType::Float && (type == SQLITE_FLOAT || type == SQLITE_INTEGER));
        if (!fits)
            return false;
    }
    return true;
}

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};

// Runs recovery's SQL script statement by statement: a statement that fails (a row a constraint refuses)
// costs that statement only. The scratch database may attach nothing, so a crafted file's schema text
// cannot reach any other file.
void runScript(sqlite3* db, const QByteArray& script) {
    QByteArray statement;
    qsizetype start = 0;
    while (start < script.size()) {
        qsizetype end = script.indexOf('\n', start);
        if (end < 0)
            end = script.size();
        statement += script.mid(start, end - start + 1);
        start = end + 1;
        if (!sqlite3_complete(statement.constData()) && start < script.size())
            continue;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, statement.constData(), static_cast<int>(statement.size()), &stmt,
                               nullptr) == SQLITE_OK &&
            stmt)
            while (sqlite3_step(stmt) == SQLITE_ROW) {
            }
        sqlite3_finalize(stmt);
        statement.clear();
    }
}

// The name of a table of the scratch database that matches `name` without regard to case; empty if none.
QString tableNamed(sqlite3* db, const QString& name) {
    try {
        Statement find(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                          "name = ?1 COLLATE NOCASE"));
        find.bind(1, Value{name.toStdString()});
        if (find.step())
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(find.handle(), 0)));
    } catch (const EngineError&) {
    }
    return {};
}

QStringList quotedColumns(const TableDefinition& def) {
    QStringList names;
    for (const FieldDef& f : def.fields)
        names << quoteIdentifier(f.name);
    return names;
}

void readRecoveredRows(sqlite3* db, const QString& table, const TableDefinition& def, SalvagedTable& out) {
    const QString found = tableNamed(db, table);
    if (found.isEmpty())
        return;
    try {
        Statement read(db, QStringLiteral("SELECT _rowid_, %1 FROM %2")
                               .arg(quotedColumns(def).join(QStringLiteral(", ")), quoteIdentifier(found)));
        while (read.step()) {
            std::vector<Value> row;
            for (int f = 0; f < def.fields.size(); ++f)
                row.push_back(columnValue(read.handle(), f + 1));
            out.rows.emplace(sqlite3_column_int64(read.handle(), 0), std::move(row));
        }
    } catch (const EngineError&) {
        // The recovered table lacks a field the definition names: its rows are not this table's.
    }
}

void readLostAndFound(sqlite3* db, const QString& table, const TableDefinition& def, SalvagedTable& out) {
    const QString found = tableNamed(db, kLostAndFound);
    if (found.isEmpty())
        return;
    QStringList columns;
    for (int f = 0; f < def.fields.size(); ++f)
        columns << QStringLiteral("c%1").arg(f);
    const int autoInc = def.autoIncField();
    try {
        Statement read(db, QStringLiteral("SELECT id, %1 FROM %2 WHERE id IS NOT NULL AND nfield = ?1")
                               .arg(columns.join(QStringLiteral(", ")), quoteIdentifier(found)));
        read.bind(1, Value{static_cast<std::int64_t>(def.fields.size())});
        while (read.step()) {
            if (!fitsDefinition(read.handle(), 1, def))
                continue;
            const std::int64_t id = sqlite3_column_int64(read.handle(), 0);
            std::vector<Value> row;
            for (int f = 0; f < def.fields.size(); ++f)
                row.push_back(f == autoInc ? Value{id} : columnValue(read.handle(), f + 1));
            // A row read through the table's own b-tree is the better copy.
            out.rows.emplace(id, std::move(row));
        }
    } catch (const EngineError&) {
        // Fewer columns than the table has fields: nothing found can be a whole row of it.
    }
    try {
        Statement seq(db, QStringLiteral("SELECT max(c1) FROM %1 WHERE nfield = 2 AND c0 = ?1 COLLATE NOCASE "
                                         "AND typeof(c1) = 'integer'")
                              .arg(quoteIdentifier(found)));
        seq.bind(1, Value{table.toStdString()});
        if (seq.step() && sqlite3_column_type(seq.handle(), 0) == SQLITE_INTEGER)
            out.sequence =
                std::max(out.sequence.value_or(0), std::int64_t{sqlite3_column_int64(seq.handle(), 0)});
    } catch (const EngineError&) {
    }
}

void readSequence(sqlite3* db, const QString& table, SalvagedTable& out) {
    try {
        Statement seq(db, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = ?1 COLLATE NOCASE"));
        seq.bind(1, Value{table.toStdString()});
        if (seq.step() && sqlite3_column_type(seq.handle(), 0) == SQLITE_INTEGER)
            out.sequence =
                std::max(out.sequence.value_or(0), std::int64_t{sqlite3_column_int64(seq.handle(), 0)});
    } catch (const EngineError&) {
    }
}

// Walks each index of the table on the copy itself: an index names every row of the table, also the rows
// whose own pages are gone. A walk that meets damage keeps the ids it read up to there.
void readIndexedIds(const QString& copy, const QString& table, SalvagedTable& out) {
    Connection c;
    if (sqlite3_open_v2(QFile::encodeName(copy).constData(), &c.db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        return;
    collation::registerAll(c.db);
    // A file shorter than its header says is refused as damaged unless the schema is taken as it stands.
    sqlite3_exec(c.db, "PRAGMA writable_schema = ON", nullptr, nullptr, nullptr);
    QStringList indexes;
    try {
        Statement list(c.db, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND "
                                            "tbl_name = ?1 COLLATE NOCASE"));
        list.bind(1, Value{table.toStdString()});
        while (list.step())
            indexes << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(list.handle(), 0)));
    } catch (const EngineError&) {
        return;
    }
    for (const QString& index : std::as_const(indexes)) {
        try {
            Statement walk(c.db, QStringLiteral("SELECT rowid FROM %1 INDEXED BY %2")
                                     .arg(quoteIdentifier(table), quoteIdentifier(index)));
            while (walk.step())
                out.indexedIds.insert(sqlite3_column_int64(walk.handle(), 0));
            out.indexesComplete = true;
        } catch (const EngineError&) {
        }
    }
}

// Writes `data` to `copy` and runs the sqlite3 program's recovery on it; gives the SQL script it writes.
QByteArray recover(const QString& shell, const QString& extension, const QString& copy,
                   const QByteArray& data, const QString& fileName, QString& errors) {
    {
        QFile f(copy);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(data) != data.size() || !f.flush())
            throw EngineError(FileError, QStringLiteral("Cannot write a scratch copy to salvage %1: %2")
                                             .arg(fileName, f.errorString()));
    }
    QProcess recovery;
    recovery.setProgram(shell);
    recovery.setArguments({QStringLiteral("-batch"), QStringLiteral("-init"), QStringLiteral("/dev/null"),
                           copy, QStringLiteral(".load \"%1\"").arg(extension), QStringLiteral(".recover")});
    recovery.setStandardInputFile(QProcess::nullDevice());
    recovery.start();
    if (!recovery.waitForStarted())
        throw EngineError(
            FileError,
            QStringLiteral("The table file %1 cannot be salvaged: %2").arg(fileName, recovery.errorString()));
    if (!recovery.waitForFinished(kRecoveryTimeoutMs)) {
        recovery.kill();
        recovery.waitForFinished();
        throw EngineError(FileError, QStringLiteral("The table file %1 cannot be salvaged: the recovery did "
                                                    "not finish.")
                                         .arg(fileName));
    }
    errors = QString::fromUtf8(recovery.readAllStandardError()).trimmed();
    // Damage makes recovery report errors on the way; only one that kept it from reading at all counts.
    if (errors.contains(QLatin1String("sqlite_dbpage")) || errors.contains(QLatin1String("Error: ")))
        throw EngineError(FileError,
                          QStringLiteral("The table file %1 cannot be salvaged: %2").arg(fileName, errors));
    QFile::remove(copy + QStringLiteral("-journal"));
    return recovery.readAllStandardOutput();
}

} // namespace

TableSalvage::TableSalvage(const QString& scratchFolder) : scratchFolder_(scratchFolder) {}

QString TableSalvage::shellProgram() {
    const QString named = qEnvironmentVariable("GROCELLE_SQLITE3", QStringLiteral("sqlite3"));
    return QFileInfo(named).isAbsolute() ? (QFileInfo(named).isExecutable() ? named : QString())
                                         : QStandardPaths::findExecutable(named);
}

QString TableSalvage::pageExtension() {
    QStringList places;
    if (QCoreApplication::instance()) {
        const QString program = QCoreApplication::applicationDirPath();
        places << QDir(program).filePath(kExtensionName)
               << QDir::cleanPath(program + QStringLiteral("/../lib/grocelle/") + kExtensionName);
    }
    places << QStringLiteral(GROCELLE_DBPAGE_BUILD_PATH);
    for (const QString& place : std::as_const(places))
        if (!place.isEmpty() && QFileInfo(place).isFile())
            return place;
    return {};
}

SalvagedTable TableSalvage::salvage(const QString& file, const QString& table,
                                    const TableDefinition& def) const {
    const QString fileName = QFileInfo(file).fileName();
    const QString shell = shellProgram();
    if (shell.isEmpty())
        throw EngineError(FileError,
                          QStringLiteral("The table file %1 cannot be salvaged: the sqlite3 program "
                                         "is not installed (Debian package sqlite3).")
                              .arg(fileName));
    const QString extension = pageExtension();
    if (extension.isEmpty())
        throw EngineError(FileError,
                          QStringLiteral("The table file %1 cannot be salvaged: %2 is missing from "
                                         "the installation.")
                              .arg(fileName, kExtensionName));

    SalvagedTable out;
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly))
        return out;
    QByteArray data = source.readAll();
    source.close();
    if (data.size() < kHeaderSize)
        return out;
    if (!plausibleHeader(data.left(kHeaderSize)))
        data.replace(0, kHeaderSize, plausibleHeaderFor(data));

    QDir().mkpath(scratchFolder_);
    QTemporaryDir scratch(QDir(scratchFolder_).filePath(QStringLiteral("grocelle-salvage-XXXXXX")));
    if (!scratch.isValid())
        throw EngineError(FileError, QStringLiteral("Cannot make a scratch folder to salvage %1: %2")
                                         .arg(fileName, scratch.errorString()));
    const QString copy = scratch.filePath(QStringLiteral("copy.dat"));
    QString errors;
    QByteArray script = recover(shell, extension, copy, data, fileName, errors);
    // A header that looked right but that SQLite refuses all the same is replaced as well.
    if (errors.contains(QLatin1String("file is not a database")) && plausibleHeader(data.left(kHeaderSize))) {
        data.replace(0, kHeaderSize, plausibleHeaderFor(data));
        script = recover(shell, extension, copy, data, fileName, errors);
    }

    Connection recovered;
    if (sqlite3_open_v2(":memory:", &recovered.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw EngineError(GeneralError,
                          QStringLiteral("Cannot open a scratch database to salvage %1").arg(fileName));
    sqlite3_limit(recovered.db, SQLITE_LIMIT_ATTACHED, 0);
    collation::registerAll(recovered.db);
    runScript(recovered.db, script);
    readRecoveredRows(recovered.db, table, def, out);
    readLostAndFound(recovered.db, table, def, out);
    readSequence(recovered.db, table, out);
    readIndexedIds(copy, table, out);
    return out;
}

} // namespace engine
