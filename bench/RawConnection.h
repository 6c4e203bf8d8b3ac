#pragma once

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

// A plain SQLite connection to a database folder, set up the way the table layer sets up its own: an empty
// scratch main file, every .dat file of the folder attached under its table name with journal_mode=DELETE,
// and the layer's collations registered. Benchmarks use it to do the same work without the layer.
class RawConnection {
public:
    explicit RawConnection(const QString& folder);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    sqlite3* handle() const { return db_; }
    void exec(const char* sql);
    // The first column of the first row, as an integer (0 without rows).
    long long scalar(const char* sql);

private:
    sqlite3* db_ = nullptr;
    QString mainFile_;
};

// A prepared statement on a raw connection; failures throw std::runtime_error.
class RawStatement {
public:
    RawStatement(RawConnection& connection, const char* sql);
    ~RawStatement();
    RawStatement(const RawStatement&) = delete;
    RawStatement& operator=(const RawStatement&) = delete;

    sqlite3_stmt* handle() const { return stmt_; }
    bool step(); // true while a row is available
    void reset();

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};
