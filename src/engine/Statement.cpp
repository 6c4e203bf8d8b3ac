#include "Statement.h"

#include "EngineError.h"
#include "FaultInjection.h"

#include <QStringList>
#include <sqlite3.h>

#include <map>
#include <mutex>

namespace engine {

namespace {

std::mutex readOnlyMutex;
std::map<sqlite3*, std::vector<std::pair<QString, QString>>> readOnlyFiles;

// The refusal of a write to a file that cannot be written, naming the file; empty for any other error.
QString readOnlyRefusal(sqlite3* db, int rc, const char* sql) {
    const int primary = rc & 0xff;
    if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN)
        return {};
    const std::lock_guard<std::mutex> lock(readOnlyMutex);
    const auto it = readOnlyFiles.find(db);
    if (it == readOnlyFiles.end())
        return {};
    const QString text = QString::fromUtf8(sql ? sql : "");
    QStringList named, all;
    for (const auto& [table, sentence] : it->second) {
        all << sentence;
        if (text.contains(quoteIdentifier(table) + QLatin1Char('.'), Qt::CaseInsensitive))
            named << sentence;
    }
    return (named.isEmpty() ? all : named).join(QStringLiteral("; ")) +
           QStringLiteral("; the change was not saved.");
}

} // namespace

void setReadOnlyFiles(sqlite3* db, const std::vector<std::pair<QString, QString>>& tables) {
    const std::lock_guard<std::mutex> lock(readOnlyMutex);
    if (tables.empty())
        readOnlyFiles.erase(db);
    else
        readOnlyFiles[db] = tables;
}

Statement::Statement(sqlite3* db, const QString& sql) : db_(db) {
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, text.constData(), static_cast<int>(text.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        stmt_ = nullptr;
        throwSqliteError(db, rc);
    }
}

Statement::~Statement() {
    if (stmt_)
        sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        if (stmt_)
            sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

void Statement::bind(int index, const Value& value) {
    int rc = SQLITE_OK;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        rc = sqlite3_bind_int64(stmt_, index, *i);
    else if (const auto* d = std::get_if<double>(&value))
        rc = sqlite3_bind_double(stmt_, index, *d);
    else if (const auto* s = std::get_if<std::string>(&value))
        rc = sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    else
        rc = sqlite3_bind_null(stmt_, index);
    if (rc != SQLITE_OK)
        throwSqliteError(db_, rc);
}

bool Statement::step() {
    if (FaultInjection::armed())
        FaultInjection::check(sqlite3_sql(stmt_));
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    if (const QString refusal = readOnlyRefusal(db_, rc, sqlite3_sql(stmt_)); !refusal.isEmpty())
        throw EngineError(SqlError, refusal);
    throwSqliteError(db_, rc);
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::rewind() {
    sqlite3_reset(stmt_);
}

void execSql(sqlite3* db, const QString& sql) {
    const QByteArray text = sql.toUtf8();
    FaultInjection::check(text.constData());
    char* err = nullptr;
    const int rc = sqlite3_exec(db, text.constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        QString message = err ? QString::fromUtf8(err) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(err);
        if (const QString refusal = readOnlyRefusal(db, rc, text.constData()); !refusal.isEmpty())
            throw EngineError(SqlError, refusal);
        if ((rc & 0xff) == SQLITE_CONSTRAINT &&
            (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY))
            throw EngineError(KeyViolation, message);
        const int primary = rc & 0xff;
        throw EngineError(primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB ? CorruptTable : SqlError,
                          message);
    }
}

void throwSqliteError(sqlite3* db, int rc, const QString& context) {
    const int extended = db ? sqlite3_extended_errcode(db) : rc;
    QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (!context.isEmpty())
        message = context + QStringLiteral(": ") + message;
    if (extended == SQLITE_CONSTRAINT_UNIQUE || extended == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw EngineError(KeyViolation, message);
    const int primary = rc & 0xff;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        throw EngineError(CorruptTable, message);
    throw EngineError(SqlError, message);
}

QString quoteIdentifier(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

} // namespace engine
