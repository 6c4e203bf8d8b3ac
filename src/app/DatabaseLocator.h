#pragma once

#include <QString>
#include <QStringList>

namespace engine {
class Database;
}

// The start-up work on the database folder that needs no window: the version check and upgrade of the five
// tables, and the blank database when none is there.
class DatabaseLocator {
public:
    explicit DatabaseLocator(engine::Database& db);

    // The table files in the order the checks visit them.
    static const QStringList& checkOrder();

    // Replaces the table's data and index files by fresh copies of themselves. A file whose copy cannot be
    // made is left alone.
    static void RefreshTableFiles(const QString& folder, const QString& fileName);

    // When the categories table is of version 2.0, refreshes the files of all five tables.
    void refreshOldTables();

    // Checks the tables in order and stops at the first one newer than 2.1; false then. Tables of version 2.0
    // met before are raised to 2.1 together, keeping their locale. A table that does not exist passes.
    bool CheckTableVersion();

    bool databaseMissing() const;
    QString notFoundMessage() const;
    static QString higherVersionMessage();

    // Creates the five empty tables. On failure, the files this call created are removed again and the error
    // reaches the caller.
    void createBlankDatabase();

private:
    engine::Database& db_;
};
