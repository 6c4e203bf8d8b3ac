#pragma once

#include <QString>

struct sqlite3;

// Another program holding one table file: a second SQLite connection on the file with an exclusive
// transaction open, so the program can neither read nor write that table until the lock is released.
class TableFileLock {
public:
    explicit TableFileLock(const QString& datFile);
    ~TableFileLock();
    TableFileLock(const TableFileLock&) = delete;
    TableFileLock& operator=(const TableFileLock&) = delete;

    bool held() const { return held_; }
    // The error of the connection when the lock could not be taken.
    const QString& error() const { return error_; }
    void release();

private:
    sqlite3* db_ = nullptr;
    bool held_ = false;
    QString error_;
};

// Every row of the five tables in the database folder, read through a connection of its own (neither the
// program's connection nor its fault switch is involved), one line a row, ordered by key. Two equal results
// mean equal table contents.
QString tableContents(const QString& databaseFolder);

// Damage as a bad disk leaves it: the page that holds the root of the table's rows is zeroed. For a table of
// one page that takes every row; the table's indexes still name them. False when the page was not found.
bool zeroRootPage(const QString& datFile, const QString& table);
