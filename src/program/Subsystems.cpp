#include "Subsystems.h"

#include "AislesTabSheet.h"
#include "CataloguePages.h"
#include "DataCommands.h"
#include "HelpCommands.h"
#include "MainWindow.h"
#include "OptimizerCommands.h"
#include "ReportCommands.h"
#include "ShoppingListPage.h"
#include "TakeAlongCommands.h"
#include "UploadCommands.h"

void installSubsystems(MainWindow& main) {
    // Before the Shopping list page, whose buttons run these commands.
    installTakeAlong(main);
    installShoppingListPage(main);
    installCataloguePages(main);
    installAislesPage(main);
    installOptimizer(main);
    installDataCommands(main);
    installUpload(main);
    installHelp(main);
    installReports(main);
}
