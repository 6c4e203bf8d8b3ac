#include "UploadCommands.h"

#include "AppPage.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "Schema.h"
#include "UploadDBForm.h"
#include "UploadProgressForm.h"
#include "UploadText.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

void warn(MainWindow& main, const QString& text) {
    ui::showMessage(ui::MessageKind::Warning, text, ui::MessageButtons::Ok, &main);
}

bool writeInfoFile(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

void UploaddatabyFTP1Click(MainWindow& main, UploadDBForm& form, UploadProgressForm& progress) {
    // As before printing: a floor plan being edited is written to its table first.
    if (!main.StartupPending)
        if (AppPage* page = main.page(main.activePageIndex()))
            page->beforeToolsOrPrint();

    form.setApplicationName(upload::kApplicationName);
    if (form.exec() != QDialog::Accepted)
        return;
    const QString folder = main.DatabaseFolder;
    if (!QFileInfo(folder).isDir()) {
        warn(main, upload::missingFolderMessage(folder));
        return;
    }
    const QString documents = main.folders().documentsFolder;
    QDir().mkpath(documents);
    const QString infoFile = QDir(documents).filePath(upload::kInfoFileName);
    if (!writeInfoFile(infoFile, upload::infoText(form.details()))) {
        warn(main, upload::kUnableToCreateInfo);
        return;
    }

    upload::UploadJob::Settings settings;
    settings.databaseFolder = folder;
    settings.infoFile = infoFile;
    settings.documentsFolder = documents;
    settings.endpoints = upload::Endpoints::fromEnvironment();

    // Like a backup, the upload reads the table files with the connection closed.
    main.PageControl1Changing();
    main.database().close();
    const auto reopen = [&main] {
        main.database().open();
        // A table the new connection could not attach is reported now, not on some later page.
        for (const QString& table : schema::tableNames())
            main.database().definition(table);
        main.ActivateCurrentTabSheet();
    };
    try {
        progress.ShowProgressForm(settings);
    } catch (...) {
        reopen();
        throw;
    }
    reopen();
}

void installUpload(MainWindow& main) {
    MainWindow::Dialogs dialogs = main.dialogs();
    auto* form = new UploadDBForm(&main);
    auto* progress = new UploadProgressForm(&main);
    delete dialogs.uploadDetails;
    delete dialogs.uploadProgress;
    dialogs.uploadDetails = form;
    dialogs.uploadProgress = progress;
    main.setDialogs(dialogs);

    if (QAction* upload = main.menuAction(QStringLiteral("UploadDataItem"))) {
        upload->setEnabled(true);
        QObject::connect(upload, &QAction::triggered, &main,
                         [&main, form, progress] { UploaddatabyFTP1Click(main, *form, *progress); });
    }
}
