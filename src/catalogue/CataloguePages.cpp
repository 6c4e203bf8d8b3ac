#include "CataloguePages.h"

#include "CatalogueCategoriesPage.h"
#include "CatalogueEditor.h"
#include "CatalogueItemsPage.h"
#include "CatalogueShopsPage.h"
#include "CatalogueText.h"
#include "CopyShopForm.h"
#include "MainWindow.h"
#include "MessageService.h"

#include <QAction>

namespace {

void Deleteunusedproducts1Click(MainWindow& main) {
    const int deleted = catalogue::CatalogueEditor(main.database()).deleteUnusedProducts();
    if (!main.StartupPending && main.activePageIndex() == MainWindow::ItemsPageIndex)
        if (auto* items = dynamic_cast<CatalogueItemsPage*>(main.page(MainWindow::ItemsPageIndex)))
            items->ItemsCatTableAfterScroll();
    ui::showMessage(ui::MessageKind::Information, catalogue::unusedProductTypesDeleted(deleted),
                    ui::MessageButtons::Ok, &main);
}

void Copyshop1Click(MainWindow& main) {
    auto* form = qobject_cast<CopyShopForm*>(main.dialogs().copyShop);
    if (!form || form->exec() != QDialog::Accepted)
        return;
    main.PageControl1Changing();
    main.ReactivateTabsheet();
}

} // namespace

void installCataloguePages(MainWindow& main) {
    main.installPage(MainWindow::ItemsPageIndex, new CatalogueItemsPage(main));
    main.installPage(MainWindow::CatPageIndex, new CatalogueCategoriesPage(main));
    main.installPage(MainWindow::ShopsPageIndex, new CatalogueShopsPage(main));

    MainWindow::Dialogs dialogs = main.dialogs();
    if (!qobject_cast<CopyShopForm*>(dialogs.copyShop)) {
        if (dialogs.copyShop)
            delete dialogs.copyShop; // the frame's stand-in
        dialogs.copyShop = new CopyShopForm(main.database(), &main);
        main.setDialogs(dialogs);
    }
    if (auto* form = qobject_cast<CopyShopForm*>(dialogs.copyShop))
        form->setHelpHandler([&main](int contextId) { main.showHelp(contextId); });

    if (QAction* purge = main.menuAction(QStringLiteral("Deleteunusedproducts1"))) {
        purge->setEnabled(true);
        QObject::connect(purge, &QAction::triggered, &main, [&main] { Deleteunusedproducts1Click(main); });
    }
    if (QAction* copy = main.menuAction(QStringLiteral("Copyshop1"))) {
        copy->setEnabled(true);
        QObject::connect(copy, &QAction::triggered, &main, [&main] { Copyshop1Click(main); });
    }
}
