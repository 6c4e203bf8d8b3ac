#include "DataCommands.h"

#include "Backup.h"
#include "BusyCursor.h"
#include "DataChecker.h"
#include "DatabaseLocator.h"
#include "DialogService.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "PrefsForm.h"
#include "V1File.h"
#include "V1Importer.h"

#include <QAction>
#include <QLineEdit>

namespace {

QString backupFolder(MainWindow& main) {
    return main.dialogs().options ? main.dialogs().options->BackupFolderEdit->text() : QString();
}

// Opens the connection again after the files were replaced or left alone and shows the page being shown
// with what is now there. An error here reaches the application's error display.
void reopen(MainWindow& main) {
    main.database().open();
    // A table the new connection could not attach is reported now, not at its first use on some later page;
    // running the command again reconnects.
    for (const QString& table : DataChecker::repairOrder())
        main.database().definition(table);
    main.ActivateCurrentTabSheet();
}

void info(MainWindow& main, const QString& text) {
    ui::showMessage(ui::MessageKind::Information, text, ui::MessageButtons::Ok, &main);
}

void warn(MainWindow& main, const QString& text) {
    ui::showMessage(ui::MessageKind::Warning, text, ui::MessageButtons::Ok, &main);
}

} // namespace

void Checkrepairdata1Click(MainWindow& main) {
    main.PageControl1Changing();
    main.database().close();
    DataChecker checker(main.database());
    CheckOutcome outcome;
    {
        const ui::BusyCursor busy;
        outcome = checker.run();
    }
    // Rows whose parent a repair could not save go only when the user says so; the safe answer keeps them.
    if (!outcome.isWarning() && outcome.unexpectedError.isEmpty() && outcome.rowsKept() > 0 &&
        ui::showMessage(ui::MessageKind::Confirmation, DataChecker::deleteKeptQuestion(outcome),
                        ui::MessageButtons::YesNoDefaultNo, &main) == ui::MessageAnswer::Yes) {
        const ui::BusyCursor busy;
        checker.deleteKeptOrphans(outcome);
    }
    reopen(main);
    if (outcome.isWarning())
        warn(main, outcome.message);
    else
        info(main, outcome.message);
    if (!outcome.unexpectedError.isEmpty())
        ui::showMessage(ui::MessageKind::Error, outcome.unexpectedError, ui::MessageButtons::Ok, &main);
}

void Backup1Click(MainWindow& main) {
    // What the page holds is posted first. The backup reads through a read-only connection of its own beside
    // the window's; the window's connection is made again afterwards, as after every data tool.
    main.PageControl1Changing();
    QString message;
    bool written = false;
    try {
        const ui::BusyCursor busy;
        message =
            backup::backedUpMessage(backup::BackupWriter(main.DatabaseFolder, backupFolder(main)).write());
        written = true;
    } catch (const backup::BackupError& e) {
        message = e.message();
    }
    main.database().close();
    reopen(main);
    if (written)
        info(main, message);
    else
        warn(main, message);
}

void Restore1Click(MainWindow& main) {
    if (!ui::confirm(backup::kOverwriteQuestion, ui::MessageButtons::YesNo, &main))
        return;
    const std::optional<QString> path = ui::DialogService::instance().openFileName(
        &main, QStringLiteral("Select database to restore"), backupFolder(main),
        QStringLiteral("Zip files (*.zip);;All files (*.*)"));
    if (!path)
        return;

    main.PageControl1Changing();
    main.database().close();
    backup::BackupRestorer restorer(main.DatabaseFolder);
    bool restored = false;
    try {
        restorer.check(*path);
        const std::optional<QString> question = backup::createdQuestion(*path);
        if (!question || ui::confirm(*question, ui::MessageButtons::YesNo, &main)) {
            const ui::BusyCursor busy;
            restorer.restore(*path);
            restored = true;
        }
    } catch (const backup::BackupError& e) {
        reopen(main);
        warn(main, e.message());
        return;
    }
    if (!restored) {
        reopen(main);
        return;
    }
    // A backup from an older version is raised as at start-up (one from a newer version was refused).
    DatabaseLocator locator(main.database());
    locator.refreshOldTables();
    locator.CheckTableVersion();
    reopen(main);
    info(main, backup::kRestored);
}

void ImportV1Click(MainWindow& main) {
    if (ui::showMessage(ui::MessageKind::Warning, V1Importer::warningText(), ui::MessageButtons::OkCancel,
                        &main) != ui::MessageAnswer::Ok)
        return;
    const std::optional<QString> path = ui::DialogService::instance().openFileName(
        &main, QStringLiteral("Import old V1 data"), QStringLiteral("shopping.dat"),
        QStringLiteral("Grocelle data file (*.dat);;All files (*.*)"));
    if (!path)
        return;

    // The whole file is read before anything changes: a file that cannot be read leaves everything as it is.
    V1File file;
    try {
        const ui::BusyCursor busy;
        file = V1Reader::readFile(*path);
    } catch (const V1FileError& e) {
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, &main);
        return;
    }

    const bool onAisles = main.activePageIndex() == MainWindow::AislePageIndex;
    main.PageControl1Changing();
    if (onAisles)
        main.SavedAisleShopID = -1; // the old shop ids mean nothing in the imported data
    V1ImportCounts counts;
    try {
        const ui::BusyCursor busy;
        counts = V1Importer(main.database()).import(file);
    } catch (const engine::EngineError& e) {
        // Nothing was written; the page shows the data as it was.
        main.ActivateCurrentTabSheet();
        ui::showMessage(ui::MessageKind::Error, e.message(), ui::MessageButtons::Ok, &main);
        return;
    }
    main.ActivateCurrentTabSheet();
    info(main, V1Importer::successMessage(counts));
}

void installDataCommands(MainWindow& main) {
    const auto install = [&main](const char* name, void (*handler)(MainWindow&)) {
        if (QAction* action = main.menuAction(QLatin1String(name))) {
            action->setEnabled(true);
            QObject::connect(action, &QAction::triggered, &main, [&main, handler] { handler(main); });
        }
    };
    install("CheckRepairItem", Checkrepairdata1Click);
    install("BackupItem", Backup1Click);
    install("RestoreItem", Restore1Click);
    install("ImportV1Item", ImportV1Click);
}
