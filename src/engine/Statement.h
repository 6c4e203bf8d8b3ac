#pragma once

#include "Value.h"

#include <QString>

#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

// A prepared SQLite statement that finalizes itself; failures become EngineErrors.
class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, const QString& sql);
    Statement(sqlite3* db, sqlite3_stmt* prepared) : db_(db), stmt_(prepared) {} // takes it over
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* handle() const { return stmt_; }
    bool isValid() const { return stmt_ != nullptr; }

    void bind(int index, const Value& value); // 1-based
    bool step();                              // true while a row is available
    void reset();
    // Ready to run again, bindings kept: for statements whose every parameter is bound before each run.
    void rewind();

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// Runs one or more statements that return no rows.
void execSql(sqlite3* db, const QString& sql);

// The table files of a connection that cannot be written, each as (table, the sentence that names the file):
// a write SQLite refuses for want of write access is then reported with the sentence of the table the
// statement names, or of every such table when it names none of them. An empty list forgets the connection.
void setReadOnlyFiles(sqlite3* db, const std::vector<std::pair<QString, QString>>& tables);

// Turns the connection's last error into an EngineError, a duplicate key into KeyViolation.
[[noreturn]] void throwSqliteError(sqlite3* db, int rc, const QString& context = {});

QString quoteIdentifier(const QString& name);

} // namespace engine
