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
    int productsRemoved = 0;  // category missing
    int itemsRemoved = 0;     // product or shop missing
    int aisleRowsRemoved = 0; // category or shop missing
    QString message;
    // A failure from outside the table layer; the outcome then tells only what stayed fixed, and the caller
    // passes this text on to the general error display.
    QString unexpectedError;

    bool isWarning() const { return kind == Failed; }
};

// Checks and repairs the database in place: every table file is checked by the table layer with its
// indexes rebuilt, then rows whose parent is missing are removed. The caller closes whatever it has open
// on the database first (a repair closes the connection) and reopens it afterwards.
class DataChecker {
public:
    explicit DataChecker(engine::Database& db);

    // The whole run: repairs, orphan removal, counts and the outcome message. Never throws.
    CheckOutcome run();

    // Repairs each table in repairOrder(), counting each one the layer found damaged. A repaired table stays
    // repaired when a later one fails; the error reaches the caller.
    void repairTables(CheckOutcome& outcome);

    // Removes products without category, items without product or shop and aisle rows without category or
    // shop, in one transaction: on an error nothing is removed and the error reaches the caller. Products go
    // first, so the items of a removed product are removed (and counted) in the same run.
    void removeOrphans(CheckOutcome& outcome);

    // Items, Products, Categories, Aisles, Shops.
    static const QStringList& repairOrder();
    // "No problems found." or "<n> problem(s) fixed."
    static QString countMessage(int problems);
    static QString failureMessage(const QString& errorMessage);

private:
    void refuseTablesInUse();

    engine::Database& db_;
};
