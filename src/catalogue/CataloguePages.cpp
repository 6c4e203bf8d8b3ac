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

QAction* toolsAction(MainWindow& main, const QString& name, const QString& frameName) {
    if (QAction* a = main.menuAction(name))
        return a;
    return main.menuAction(frameName);
}

void Deleteunusedproducts1Click(MainWindow& main) {
    int deleted = 0;
    try {
        deleted = catalogue::CatalogueEditor(main.database()).deleteUnusedProducts();
    } catch (const engine::EngineError& e) {
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, &main);
        return;
    }
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
    // The frame's own pages are deleted later; until then they must not show through.
    for (int index : {MainWindow::ItemsPageIndex, MainWindow::CatPageIndex, MainWindow::ShopsPageIndex})
        if (AppPage* old = main.page(index))
            old->hide();
    main.installPage(MainWindow::ItemsPageIndex, new CatalogueItemsPage(main));
    main.installPage(MainWindow::CatPageIndex, new CatalogueCategoriesPage(main));
    main.installPage(MainWindow::ShopsPageIndex, new CatalogueShopsPage(main));

    MainWindow::Dialogs dialogs = main.dialogs();
    if (!qobject_cast<CopyShopForm*>(dialogs.copyShop)) {
        if (dialogs.copyShop)
            dialogs.copyShop->deleteLater(); // the frame's stand-in
        dialogs.copyShop = new CopyShopForm(main.database(), &main);
        main.setDialogs(dialogs);
    }

    if (QAction* purge =
            toolsAction(main, QStringLiteral("Deleteunusedproducts1"), QStringLiteral("DeleteUnusedItem"))) {
        purge->setEnabled(true);
        QObject::connect(purge, &QAction::triggered, &main, [&main] { Deleteunusedproducts1Click(main); });
    }
    if (QAction* copy = toolsAction(main, QStringLiteral("Copyshop1"), QStringLiteral("CopyShopItem"))) {
        copy->setEnabled(true);
        QObject::connect(copy, &QAction::triggered, &main, [&main] { Copyshop1Click(main); });
    }
}
