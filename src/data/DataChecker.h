#pragma once

#include <QString>
#include <QStringList>

namespace engine {
class Database;
}

// What one check and repair run did, and the message the user is shown for it.
struct CheckOutcome {
    enum Kind {
        NothingFound, // information: "No problems found."
        Fixed,        // information: the number of problems fixed
        Failed,       // warning: the check stopped at an error of the table layer
    };
    Kind kind = NothingFound;
    // Tables the layer reported as damaged and repaired, plus rows removed for a missing parent.
    int problems = 0;
    QStringList repairedTables;
    // What each rebuilt table file kept and lost, in repair order.
    QStringList repairMessages;
    int productsRemoved = 0;  // category missing
    int itemsRemoved = 0;     // product or shop missing
    int aisleRowsRemoved = 0; // category or shop missing
    // Parent tables that are missing rows their children still name: rebuilt by a repair with rows missing,
    // or empty while rows point into them. Their orphans are kept unless the caller lets them go.
    QStringList tablesMissingRows;
    int productsKept = 0;
    int itemsKept = 0;
    int aisleRowsKept = 0;
    QString message;
    // A failure from outside the table layer; the outcome then tells only what stayed fixed, and the caller
    // passes this text on to the general error display.
    QString unexpectedError;

    bool isWarning() const { return kind == Failed; }
    int rowsKept() const { return productsKept + itemsKept + aisleRowsKept; }
};

// Checks and repairs the database in place: every table file is checked by the table layer with its
// indexes rebuilt (a damaged one salvaged), then rows whose parent is missing are removed. The caller closes
// whatever it has open on the database first (a repair closes the connection) and reopens it afterwards.
//
// A row whose parent may be among the rows a repair could not save is never removed without being asked
// for: the lost parent may still come back from a backup or from the damaged file. Such orphans are kept
// and counted, unless the run is told to delete them.
class DataChecker {
public:
    enum class OrphansOfLostRows { Keep, Delete };

    explicit DataChecker(engine::Database& db);

    // The whole run: repairs, orphan removal, counts and the outcome message. Never throws.
    CheckOutcome run(OrphansOfLostRows orphans = OrphansOfLostRows::Keep);
    // Deletes the orphans a run kept, with whatever depends on them, after the user agreed; the parent tables
    // no longer count as missing rows. Updates the counts and the message. Never throws.
    void deleteKeptOrphans(CheckOutcome& outcome);

    // Repairs each table in repairOrder(), counting each one the layer found damaged. A repaired table stays
    // repaired when a later one fails; the error reaches the caller.
    void repairTables(CheckOutcome& outcome);

    // Removes products without category, items without product or shop and aisle rows without category or
    // shop, in one transaction: on an error nothing is removed and the error reaches the caller. Products go
    // first, so the items of a removed product are removed (and counted) in the same run. Orphans of a table
    // missing rows are only counted, unless `orphans` says to delete them.
    void removeOrphans(CheckOutcome& outcome, OrphansOfLostRows orphans = OrphansOfLostRows::Keep);

    // Items, Products, Categories, Aisles, Shops.
    static const QStringList& repairOrder();
    // "No problems found." or "<n> problem(s) fixed."
    static QString countMessage(int problems);
    static QString failureMessage(const QString& errorMessage);
    // Which tables miss rows and which rows point at them, one line each.
    static QString keptOrphansReport(const CheckOutcome& outcome);
    // The question before deleting them: Yes deletes, No (the default) keeps.
    static QString deleteKeptQuestion(const CheckOutcome& outcome);

private:
    void refuseTablesInUse();
    QStringList tablesMissingRows();
    int count(const QString& sql);
    void finish(CheckOutcome& outcome) const;

    engine::Database& db_;
};
