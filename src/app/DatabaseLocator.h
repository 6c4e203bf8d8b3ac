#pragma once

#include "Database.h"

#include <QString>
#include <QStringList>

#include <vector>

// The start-up work on the database folder that needs no window: the version check and upgrade of the five
// tables, and the blank database when none is there.
class DatabaseLocator {
public:
    explicit DatabaseLocator(engine::Database& db);

    // The table files in the order the checks visit them.
    static const QStringList& checkOrder();

    // Replaces the table's data and index files by fresh copies of themselves, each in one rename. A file
    // whose copy cannot be made is left alone.
    static void RefreshTableFiles(const QString& folder, const QString& fileName);

    // When the categories table is of version 2.0, refreshes the files of all five tables.
    void refreshOldTables();

    // Checks the tables in order and stops at the first one newer than 2.1; false then. Tables of version 2.0
    // met before are raised to 2.1 together, keeping their locale. A table that does not exist passes.
    bool CheckTableVersion();

    // The language change: rebuilds the five tables to sort by the locale, all of them or none.
    void changeLocale(int localeId);

    // True when none of the five table files is there.
    bool databaseMissing() const;

    // Puts right what an interrupted change left, then names every table file that is missing, cannot be
    // read or is damaged. Closes the connection.
    std::vector<engine::TableFileProblem> tableProblems();
    static QString repairQuestion(const engine::TableFileProblem& problem);
    static QString unreadableMessage(const engine::TableFileProblem& problem);
    static QString missingTablesMessage(const QStringList& tables);
    // The warning at start-up when table files can only be read: which, and why. Empty when there are none.
    static QString readOnlyMessage(const std::vector<engine::ReadOnlyTable>& tables);
    // Creates the named tables empty beside the tables that are there, in their locale.
    void createMissingTables(const QStringList& tables);
    // The table layer's repair; a table whose definition is lost in both copies gets its known definition.
    engine::TableRepair repairTable(const QString& table);

    QString notFoundMessage() const;
    static QString higherVersionMessage();

    // Creates the five empty tables. On failure, the files this call created are removed again and the error
    // reaches the caller.
    void createBlankDatabase();

private:
    // The locale of the first readable table not named.
    int localeBeside(const QStringList& tables) const;

    engine::Database& db_;
};
