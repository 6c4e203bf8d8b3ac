#include "OptimizerCommands.h"

#include "MainWindow.h"
#include "MessageService.h"
#include "OptDetailsForm.h"
#include "OptimizeForm.h"

#include <QAction>
#include <QApplication>

namespace {

// The busy cursor for one step; it goes back also when the step fails (the application shows the error).
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// The optimizer and its undo change quantities behind the Shopping list page; it shows them afresh.
void refreshShoppingList(MainWindow& main) {
    if (!main.StartupPending && main.activePageIndex() == MainWindow::ListPageIndex) {
        main.PageControl1Changing();
        main.ActivateCurrentTabSheet();
    }
}

void Undooptimization1Click(MainWindow& main) {
    {
        const WaitCursor wait;
        UndoOptimization(main.database());
    }
    if (QAction* undo = main.menuAction(QStringLiteral("Undooptimization1")))
        undo->setEnabled(false);
    refreshShoppingList(main);
}

void Analyseshoppinglist1Click(MainWindow& main, OptimizeForm& form, OptDetailsForm& details) {
    const int result = form.exec();
    if (result == QDialog::Rejected)
        return;
    if (QAction* undo = main.menuAction(QStringLiteral("Undooptimization1")))
        undo->setEnabled(true);
    refreshShoppingList(main);
    if (result == OptimizeForm::ShowDetails) {
        details.setDetails(form.lastResult().detailsText());
        details.exec();
    }
}

} // namespace

void installOptimizer(MainWindow& main) {
    MainWindow::Dialogs dialogs = main.dialogs();
    auto* form = new OptimizeForm(main.database(), &main);
    auto* details = new OptDetailsForm(&main);
    details->setUndoHandler([&main] { Undooptimization1Click(main); });
    form->setHelpHandler([&main](int contextId) { main.showHelp(contextId); });
    details->setHelpHandler([&main](int contextId) { main.showHelp(contextId); });
    // The frame's stand-ins go; the settings find the choices by their object names in the new dialog.
    delete dialogs.optimize;
    delete dialogs.optimizeResults;
    dialogs.optimize = form;
    dialogs.optimizeResults = details;
    main.setDialogs(dialogs);

    if (QAction* optimize = main.menuAction(QStringLiteral("Analyseshoppinglist1"))) {
        optimize->setEnabled(true);
        QObject::connect(optimize, &QAction::triggered, &main,
                         [&main, form, details] { Analyseshoppinglist1Click(main, *form, *details); });
    }
    if (QAction* undo = main.menuAction(QStringLiteral("Undooptimization1"))) {
        undo->setEnabled(false);
        QObject::connect(undo, &QAction::triggered, &main, [&main] { Undooptimization1Click(main); });
    }
}
