#include "Subsystems.h"

#include "AislesTabSheet.h"
#include "CataloguePages.h"
#include "DataCommands.h"
#include "MainWindow.h"
#include "OptimizerCommands.h"
#include "ReportCommands.h"
#include "ShoppingListPage.h"

void installSubsystems(MainWindow& main) {
    installShoppingListPage(main);
    installCataloguePages(main);
    installAislesPage(main);
    installOptimizer(main);
    installDataCommands(main);
    installReports(main);
}
