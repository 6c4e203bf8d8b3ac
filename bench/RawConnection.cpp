#include "RawConnection.h"

#include "Collation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw std::runtime_error(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

RawConnection::RawConnection(const QString& folder) {
    static int counter = 0;
    mainFile_ = QDir(QDir::tempPath())
                    .filePath(QStringLiteral("grocelle-raw-%1-%2.db")
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(++counter));
    QFile::remove(mainFile_);
    if (sqlite3_open_v2(QFile::encodeName(mainFile_).constData(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close_v2(db_);
        throw std::runtime_error("cannot open the raw connection: " + message);
    }
    engine::collation::registerAll(db_);
    const QDir dir(folder);
    for (const QString& file : dir.entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name)) {
        const QString table = file.chopped(4);
        RawStatement attach(*this, ("ATTACH DATABASE ?1 AS \"" + table.toStdString() + '"').c_str());
        const QByteArray path = dir.filePath(file).toUtf8();
        sqlite3_bind_text(attach.handle(), 1, path.constData(), static_cast<int>(path.size()),
                          SQLITE_TRANSIENT);
        attach.step();
        exec(("PRAGMA \"" + table.toStdString() + "\".journal_mode=DELETE").c_str());
    }
}

RawConnection::~RawConnection() {
    sqlite3_close_v2(db_);
    QFile::remove(mainFile_);
}

void RawConnection::exec(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errmsg(db_);
        sqlite3_free(error);
        throw std::runtime_error(std::string(sql) + ": " + message);
    }
}

long long RawConnection::scalar(const char* sql) {
    RawStatement s(*this, sql);
    return s.step() ? sqlite3_column_int64(s.handle(), 0) : 0;
}

RawStatement::RawStatement(RawConnection& connection, const char* sql) : db_(connection.handle()) {
    if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK)
        fail(db_, std::string("cannot prepare ") + sql);
}

RawStatement::~RawStatement() {
    sqlite3_finalize(stmt_);
}

bool RawStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt_);
    fail(db_, "step failed");
}

void RawStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}
