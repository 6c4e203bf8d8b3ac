#include "DataChecker.h"

#include "Database.h"
#include "EngineError.h"
#include "Helpers.h"
#include "Statement.h"

#include <QFile>

#include <sqlite3.h>

#include <exception>

namespace {

// A reference is broken when the parent key is empty or names no row: an empty key finds no parent either.
QString missing(const QString& column, const QString& parentTable, const QString& parentKey) {
    return QStringLiteral("(%1 IS NULL OR NOT EXISTS (SELECT 1 FROM %2 WHERE %2.%3 = %1))")
        .arg(column, parentTable, parentKey);
}

struct Reference {
    QString child;
    QString column;
};

struct Parent {
    QString table;
    QString key;
    QList<Reference> children;
};

// The parents of the references the check enforces.
const QList<Parent>& parents() {
    static const QList<Parent> all{
        {QStringLiteral("Categories"),
         QStringLiteral("CatID"),
         {{QStringLiteral("Products"), QStringLiteral("Category")},
          {QStringLiteral("Aisles"), QStringLiteral("Category")}}},
        {QStringLiteral("Products"),
         QStringLiteral("ProdID"),
         {{QStringLiteral("Items"), QStringLiteral("Product")}}},
        {QStringLiteral("Shops"),
         QStringLiteral("ShopID"),
         {{QStringLiteral("Items"), QStringLiteral("Shop")},
          {QStringLiteral("Aisles"), QStringLiteral("Shop")}}},
    };
    return all;
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
        const engine::TableRepair repair = db_.repairTable(table);
        if (!repair) {
            outcome.repairedTables << table;
            ++outcome.problems;
        }
        if (repair.rebuilt)
            outcome.repairMessages << repair.message();
    }
}

int DataChecker::count(const QString& sql) {
    engine::Statement query(db_.connection(), sql);
    return query.step() ? sqlite3_column_int(query.handle(), 0) : 0;
}

// A parent table misses rows its children may name when a repair rebuilt it with rows missing, or when it is
// empty while rows point into it (as a repair of older versions left it).
QStringList DataChecker::tablesMissingRows() {
    QStringList tables;
    for (const Parent& parent : parents()) {
        bool missingRows = db_.rowsLost(parent.table);
        if (!missingRows && count(QStringLiteral("SELECT count(*) FROM %1").arg(parent.table)) == 0)
            for (const Reference& r : parent.children)
                missingRows =
                    missingRows || count(QStringLiteral("SELECT count(*) FROM %1 WHERE %1.%2 IS NOT NULL")
                                             .arg(r.child, r.column)) > 0;
        if (missingRows)
            tables << parent.table;
    }
    return tables;
}

void DataChecker::removeOrphans(CheckOutcome& outcome, OrphansOfLostRows orphans) {
    const QStringList lossy = orphans == OrphansOfLostRows::Delete ? QStringList() : tablesMissingRows();
    const bool categoriesLost = lossy.contains(QStringLiteral("Categories"));
    const bool productsLost = lossy.contains(QStringLiteral("Products"));
    const bool shopsLost = lossy.contains(QStringLiteral("Shops"));
    const QString productCategory =
        missing(QStringLiteral("Products.Category"), QStringLiteral("Categories"), QStringLiteral("CatID"));
    const QString itemProduct =
        missing(QStringLiteral("Items.Product"), QStringLiteral("Products"), QStringLiteral("ProdID"));
    const QString itemShop =
        missing(QStringLiteral("Items.Shop"), QStringLiteral("Shops"), QStringLiteral("ShopID"));
    const QString aisleCategory =
        missing(QStringLiteral("Aisles.Category"), QStringLiteral("Categories"), QStringLiteral("CatID"));
    const QString aisleShop =
        missing(QStringLiteral("Aisles.Shop"), QStringLiteral("Shops"), QStringLiteral("ShopID"));
    // The orphans to delete: those whose parent table is not missing rows.
    const auto deletable = [](const QList<std::pair<QString, bool>>& conditions) {
        QStringList kept;
        for (const auto& [condition, parentLost] : conditions)
            if (!parentLost)
                kept << condition;
        return kept.join(QStringLiteral(" OR "));
    };

    engine::Transaction transaction(db_);
    int productsRemoved = 0, itemsRemoved = 0, aisleRowsRemoved = 0;
    if (!categoriesLost) {
        // The items of a product removed here go with it, even when the product table is missing rows.
        itemsRemoved += db_.execute(
            QStringLiteral("DELETE FROM Items WHERE Product IN (SELECT ProdID FROM Products WHERE %1)")
                .arg(productCategory));
        productsRemoved = db_.execute(QStringLiteral("DELETE FROM Products WHERE %1").arg(productCategory));
    }
    const QString items = deletable({{itemProduct, productsLost}, {itemShop, shopsLost}});
    if (!items.isEmpty())
        itemsRemoved += db_.execute(QStringLiteral("DELETE FROM Items WHERE %1").arg(items));
    const QString aisles = deletable({{aisleCategory, categoriesLost}, {aisleShop, shopsLost}});
    if (!aisles.isEmpty())
        aisleRowsRemoved = db_.execute(QStringLiteral("DELETE FROM Aisles WHERE %1").arg(aisles));

    // What is left without its parent now has a parent in a table missing rows.
    outcome.productsKept =
        count(QStringLiteral("SELECT count(*) FROM Products WHERE %1").arg(productCategory));
    outcome.itemsKept =
        count(QStringLiteral("SELECT count(*) FROM Items WHERE %1 OR %2").arg(itemProduct, itemShop));
    outcome.aisleRowsKept =
        count(QStringLiteral("SELECT count(*) FROM Aisles WHERE %1 OR %2").arg(aisleCategory, aisleShop));
    outcome.tablesMissingRows.clear();
    for (const Parent& parent : parents()) {
        int orphans = 0;
        for (const Reference& r : parent.children)
            orphans += count(
                QStringLiteral("SELECT count(*) FROM %1 WHERE %2")
                    .arg(r.child, missing(r.child + QLatin1Char('.') + r.column, parent.table, parent.key)));
        if (orphans > 0)
            outcome.tablesMissingRows << parent.table;
    }
    // A table whose lost rows nothing names any more needs no decision.
    for (const QString& table : repairOrder())
        if (!outcome.tablesMissingRows.contains(table) && db_.rowsLost(table))
            db_.forgetLostRows(table);
    transaction.commit();

    outcome.productsRemoved += productsRemoved;
    outcome.itemsRemoved += itemsRemoved;
    outcome.aisleRowsRemoved += aisleRowsRemoved;
    outcome.problems += productsRemoved + itemsRemoved + aisleRowsRemoved;
}

void DataChecker::finish(CheckOutcome& outcome) const {
    outcome.kind = outcome.problems == 0 ? CheckOutcome::NothingFound : CheckOutcome::Fixed;
    QStringList lines = outcome.repairMessages;
    const int kept = outcome.rowsKept();
    // Kept rows are a problem found, though not fixed.
    if (outcome.problems > 0 || kept == 0)
        lines << countMessage(outcome.problems);
    if (kept > 0)
        lines << QString::number(kept) + (kept == 1
                                              ? QStringLiteral(" row whose parent is missing was kept.")
                                              : QStringLiteral(" rows whose parent is missing were kept."));
    outcome.message = lines.join(QStringLiteral("\r\n"));
}

CheckOutcome DataChecker::run(OrphansOfLostRows orphans) {
    CheckOutcome outcome;
    try {
        repairTables(outcome);
        removeOrphans(outcome, orphans);
        finish(outcome);
    } catch (const engine::EngineError& e) {
        outcome.kind = CheckOutcome::Failed;
        outcome.message = failureMessage(e.message());
    } catch (const std::exception& e) {
        finish(outcome);
        outcome.unexpectedError = QString::fromLocal8Bit(e.what());
    }
    return outcome;
}

void DataChecker::deleteKeptOrphans(CheckOutcome& outcome) {
    try {
        removeOrphans(outcome, OrphansOfLostRows::Delete);
        finish(outcome);
    } catch (const engine::EngineError& e) {
        outcome.kind = CheckOutcome::Failed;
        outcome.message = failureMessage(e.message());
    } catch (const std::exception& e) {
        finish(outcome);
        outcome.unexpectedError = QString::fromLocal8Bit(e.what());
    }
}

QString DataChecker::keptOrphansReport(const CheckOutcome& outcome) {
    QStringList files;
    for (const QString& table : outcome.tablesMissingRows)
        files << table + QStringLiteral(".dat");
    QStringList lines;
    lines << (files.size() == 1 ? files[0] + QStringLiteral(" is missing rows that other rows refer to:")
                                : files.join(QStringLiteral(", ")) +
                                      QStringLiteral(" are missing rows that other rows refer to:"));
    const auto line = [&lines](int n, const QString& one, const QString& many, const QString& without) {
        if (n > 0)
            lines << QString::number(n) + QLatin1Char(' ') + (n == 1 ? one : many) + without;
    };
    line(outcome.productsKept, QStringLiteral("product type"), QStringLiteral("product types"),
         QStringLiteral(" without their category"));
    line(outcome.itemsKept, QStringLiteral("item"), QStringLiteral("items"),
         QStringLiteral(" without their product type or shop"));
    line(outcome.aisleRowsKept, QStringLiteral("aisle row"), QStringLiteral("aisle rows"),
         QStringLiteral(" without their category or shop"));
    return lines.join(QStringLiteral("\r\n"));
}

QString DataChecker::deleteKeptQuestion(const CheckOutcome& outcome) {
    return keptOrphansReport(outcome) +
           QStringLiteral(
               "\r\nDelete these rows? No keeps them, so that the missing rows can still be put back "
               "(from a backup or the damaged file); Check/repair asks again next time.");
}
