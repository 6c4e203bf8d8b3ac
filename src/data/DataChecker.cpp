#include "DataChecker.h"

#include "Database.h"
#include "EngineError.h"
#include "Helpers.h"

#include <QFile>

#include <sqlite3.h>

#include <exception>

namespace {

// A reference is broken when the parent key is empty or names no row: an empty key finds no parent either.
QString missing(const QString& column, const QString& parentTable, const QString& parentKey) {
    return QStringLiteral("(%1 IS NULL OR NOT EXISTS (SELECT 1 FROM %2 WHERE %2.%3 = %1))")
        .arg(column, parentTable, parentKey);
}

} // namespace

// A table file another program holds locked cannot be read, and a repair would take it for damaged and
// rebuild it without its rows, after which every child row would look orphaned. So each table's write lock is
// tried first, on a connection of its own (opening the database's connection would already rewrite lost
// definition files, hiding them from the count); a table in use stops the run before anything is touched.
// Files that are missing or damaged are left to the repair to report.
void DataChecker::refuseTablesInUse() {
    db_.close();
    for (const QString& table : repairOrder()) {
        const QString path = db_.dataFilePath(table);
        sqlite3* probe = nullptr;
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &probe, SQLITE_OPEN_READWRITE, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(probe, db_.busyTimeout());
            rc = sqlite3_exec(probe, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK)
                sqlite3_exec(probe, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        sqlite3_close(probe);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            throw engine::EngineError(
                engine::FileError, QStringLiteral("The table %1 is in use by another program.").arg(table));
    }
}

DataChecker::DataChecker(engine::Database& db) : db_(db) {}

const QStringList& DataChecker::repairOrder() {
    static const QStringList order{QStringLiteral("Items"), QStringLiteral("Products"),
                                   QStringLiteral("Categories"), QStringLiteral("Aisles"),
                                   QStringLiteral("Shops")};
    return order;
}

QString DataChecker::countMessage(int problems) {
    if (problems == 0)
        return QStringLiteral("No problems found.");
    return QString::number(problems) + QStringLiteral(" problem") + PluralSuffix(problems) +
           QStringLiteral(" fixed.");
}

QString DataChecker::failureMessage(const QString& errorMessage) {
    return QStringLiteral("Unable to complete database check. Please try restarting Grocelle\r\n") +
           errorMessage;
}

void DataChecker::repairTables(CheckOutcome& outcome) {
    refuseTablesInUse();
    for (const QString& table : repairOrder()) {
        if (!db_.repairTable(table)) {
            outcome.repairedTables << table;
            ++outcome.problems;
        }
    }
}

void DataChecker::removeOrphans(CheckOutcome& outcome) {
    const QString products = QStringLiteral("Products.Category");
    const QString itemProduct = QStringLiteral("Items.Product"), itemShop = QStringLiteral("Items.Shop");
    const QString aisleCategory = QStringLiteral("Aisles.Category"),
                  aisleShop = QStringLiteral("Aisles.Shop");

    engine::Transaction transaction(db_);
    const int productsRemoved =
        db_.execute(QStringLiteral("DELETE FROM Products WHERE %1")
                        .arg(missing(products, QStringLiteral("Categories"), QStringLiteral("CatID"))));
    const int itemsRemoved =
        db_.execute(QStringLiteral("DELETE FROM Items WHERE %1 OR %2")
                        .arg(missing(itemProduct, QStringLiteral("Products"), QStringLiteral("ProdID")),
                             missing(itemShop, QStringLiteral("Shops"), QStringLiteral("ShopID"))));
    const int aisleRowsRemoved =
        db_.execute(QStringLiteral("DELETE FROM Aisles WHERE %1 OR %2")
                        .arg(missing(aisleCategory, QStringLiteral("Categories"), QStringLiteral("CatID")),
                             missing(aisleShop, QStringLiteral("Shops"), QStringLiteral("ShopID"))));
    transaction.commit();

    outcome.productsRemoved = productsRemoved;
    outcome.itemsRemoved = itemsRemoved;
    outcome.aisleRowsRemoved = aisleRowsRemoved;
    outcome.problems += productsRemoved + itemsRemoved + aisleRowsRemoved;
}

CheckOutcome DataChecker::run() {
    CheckOutcome outcome;
    const auto finish = [&outcome] {
        outcome.kind = outcome.problems == 0 ? CheckOutcome::NothingFound : CheckOutcome::Fixed;
        outcome.message = countMessage(outcome.problems);
    };
    try {
        repairTables(outcome);
        removeOrphans(outcome);
        finish();
    } catch (const engine::EngineError& e) {
        outcome.kind = CheckOutcome::Failed;
        outcome.message = failureMessage(e.message());
    } catch (const std::exception& e) {
        finish();
        outcome.unexpectedError = QString::fromLocal8Bit(e.what());
    }
    return outcome;
}
