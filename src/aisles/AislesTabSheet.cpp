#include "AislesTabSheet.h"

#include "AislesPage.h"
#include "MainWindow.h"
#include "PickAisleForm.h"

#include <QVBoxLayout>

AislesTabSheet::AislesTabSheet(MainWindow& main, QWidget* parent)
    : AppPage(main, parent), page_(new AislesPage(&main.database(), this)) {
    setObjectName(QStringLiteral("AisleTabSheet"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page_);
    page_->setStartupPending([&main] { return main.StartupPending; });
}

void AislesTabSheet::showStep() {
    if (main_.StartupPending)
        return;
    page_->setSavedAisleShopID(main_.SavedAisleShopID);
    page_->AisleTabSheetShow();
}

void AislesTabSheet::leaveStep() {
    page_->leaveStep();
    main_.SavedAisleShopID = page_->SavedAisleShopID();
}

QString AislesTabSheet::leaveForClose() {
    const bool stored = page_->leaveStep();
    main_.SavedAisleShopID = page_->SavedAisleShopID();
    return stored
               ? QString()
               : QStringLiteral("The changes to the floor plan could not be saved; they are lost if Grocelle "
                                "closes now.");
}

void AislesTabSheet::arrangeLayout() {
    page_->arrangeLayout();
}

void AislesTabSheet::beforeToolsOrPrint() {
    page_->beforeToolsOrPrint();
    main_.SavedAisleShopID = page_->SavedAisleShopID();
}

void installAislesPage(MainWindow& main) {
    auto* sheet = new AislesTabSheet(main);
    main.installPage(MainWindow::AislePageIndex, sheet);
    MainWindow::Dialogs dialogs = main.dialogs();
    if (dialogs.pickAisle != sheet->page()->PickAisle) {
        delete dialogs.pickAisle; // the frame's stand-in
        dialogs.pickAisle = sheet->page()->PickAisle;
        main.setDialogs(dialogs);
    }
}
