// Runs one of the program's data-replacing commands on a database folder, through the same code the program
// runs, for the kill harness:
//   soak_child <command> <database folder> <cache folder> [<file>]
// <file> is the backup archive of "restore" and the version-1 data file of "import-v1". The child prints
// "ready <steps>" once everything before the command is done (with the file steps taken so far) and
// "steps <n>" when the command and the closing of the connection are done.
#include "CatalogueEditor.h"
#include "DataChecker.h"
#include "Database.h"
#include "DatabaseLocator.h"
#include "EngineError.h"
#include "FileSteps.h"
#include "PriceLog.h"
#include "PriceOptimizer.h"
#include "Query.h"
#include "ShopAisles.h"
#include "ShopCopier.h"
#include "ShoppingList.h"
#include "ShoppingQuery.h"
#include "SoakCommands.h"
#include "Table.h"
#include "V1Importer.h"

#include "Backup.h"

#include <QCoreApplication>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

void ready() {
    std::printf("ready %d\n", engine::fileStepsTaken());
    std::fflush(stdout);
}

// Each command: what it prepares (loading what the page would hold), then ready(), then the write itself.
int runCommand(const QString& command, engine::Database& db, const QString& file) {
    using namespace soak;
    if (command == kDeleteShops) {
        catalogue::CatalogueEditor editor(db);
        editor.shopItemCount(kShopsToDelete);
        ready();
        editor.deleteShops(kShopsToDelete);
    } else if (command == kDeleteCategories) {
        catalogue::CatalogueEditor editor(db);
        editor.categoryItemCount(kCategoriesToDelete);
        ready();
        editor.deleteCategories(kCategoriesToDelete);
    } else if (command == kDeleteProduct) {
        catalogue::CatalogueEditor editor(db);
        editor.productItemCount(kProductToDelete);
        ready();
        editor.deleteProduct(kProductToDelete);
    } else if (command == kDeleteUnused) {
        catalogue::CatalogueEditor editor(db);
        db.open();
        ready();
        editor.deleteUnusedProducts();
    } else if (command == kClearList) {
        engine::Query query(&db);
        engine::Table items(&db, QStringLiteral("Items"));
        ShoppingList list(db, query, items);
        list.RebuildShoppingQuery(kListShops, true, ShoppingQuery::CategoryColumn);
        list.RefreshShoppingQuery(0);
        ready();
        list.clearQuantities();
    } else if (command == kPriceChange) {
        engine::Query query(&db);
        engine::Table items(&db, QStringLiteral("Items"));
        ShoppingList list(db, query, items);
        list.setMode(ListEditMode::Price);
        list.RebuildShoppingQuery(kListShops, true, ShoppingQuery::CategoryColumn);
        list.RefreshShoppingQuery(kPricedItem);
        ready();
        if (!list.writeThrough(kPricedItem, engine::Value{kNewPrice}))
            return 1;
    } else if (command == kOptimize) {
        PriceOptimizer optimizer(db);
        db.open();
        ready();
        optimizer.run(OptimizeMode::CheapestTrip);
    } else if (command == kUndo) {
        db.open();
        ready();
        UndoOptimization(db);
    } else if (command == kCopyShop) {
        catalogue::ShopCopier copier(db);
        if (!copier.nameAvailable(kCopyName))
            return 1;
        ready();
        copier.copy(kShopToCopy, kCopyName, catalogue::CopyShopOptions{});
    } else if (command == kFloorPlan) {
        ShopAisles plan;
        plan.load(db, kPlanShop);
        if (plan.count() < 2)
            return 1;
        // The user walks the aisles the other way round and shifts the whole plan down.
        for (int i = plan.count() - 2; i >= 0; --i)
            plan.moveAfter(plan.count() - 1, i);
        plan.selectAllPlaced();
        plan.moveSelection(0, ShopAisles::GridStep);
        ready();
        plan.writeBack(db, kPlanShop);
    } else if (command == kLanguage) {
        DatabaseLocator locator(db);
        db.open();
        ready();
        locator.changeLocale(kNewLocale);
    } else if (command == kUpgrade) {
        DatabaseLocator locator(db);
        ready();
        locator.refreshOldTables();
        if (!locator.CheckTableVersion())
            return 1;
    } else if (command == kRestore) {
        db.close();
        ready();
        backup::BackupRestorer(db.folder()).restore(file);
    } else if (command == kImportV1) {
        V1Importer importer(db);
        db.open();
        ready();
        importer.importFile(file);
    } else if (command == kCheckRepair) {
        DataChecker checker(db);
        ready();
        const CheckOutcome outcome = checker.run();
        if (outcome.kind == CheckOutcome::Failed || !outcome.unexpectedError.isEmpty()) {
            std::fprintf(stderr, "%s%s\n", qPrintable(outcome.message), qPrintable(outcome.unexpectedError));
            return 1;
        }
    } else if (command == kSplitDelete) {
        db.open();
        ready();
        db.execute(QStringLiteral("DELETE FROM Items WHERE Shop = %1").arg(kShopsToDelete.front()));
        db.execute(QStringLiteral("DELETE FROM Shops WHERE ShopID = %1").arg(kShopsToDelete.front()));
    } else {
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 2;
    engine::installStepCounting();
    // Every run dates its price log rows alike, so that a killed run can match the uninterrupted one.
    PriceLog::setClock([] { return QDateTime(QDate(2024, 6, 30), QTime(12, 0)); });
    const QString command = QString::fromLocal8Bit(argv[1]);
    engine::Database db(QString::fromLocal8Bit(argv[2]));
    db.setScratchFolder(QString::fromLocal8Bit(argv[3]));
    const QString file = argc > 4 ? QString::fromLocal8Bit(argv[4]) : QString();
    try {
        if (const int rc = runCommand(command, db, file); rc != 0)
            return rc;
        db.close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(command), e.what());
        return 1;
    }
    std::printf("steps %d\n", engine::fileStepsTaken());
    return 0;
}
