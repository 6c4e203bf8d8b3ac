#include "RunningProgram.h"

#include "Backup.h"
#include "DataChecker.h"
#include "PrefsForm.h"
#include "Table.h"
#include "TableFiles.h"
#include "V1File.h"
#include "V1FileWriter.h"
#include "V1Importer.h"
#include "ZipArchive.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>

using ui::MessageAnswer;
using ui::MessageKind;

// The File menu's data tools in the running program, started from their menu entries.
class DataCommands : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        main_ = &startFilled();
        setBackupFolder(temp_.sub(QStringLiteral("backups")));
    }

    void setBackupFolder(const QString& folder) {
        main_->dialogs().options->BackupFolderEdit->setText(folder);
    }
    // Runs a menu entry with the answers scripted so far.
    void trigger(const char* entry) {
        QAction* action = main_->menuAction(QLatin1String(entry));
        ASSERT_TRUE(action && action->isEnabled()) << entry;
        fromEventLoop([action] { action->trigger(); });
    }
    // A fresh start: no messages or dialogs recorded, every answer the default.
    void fresh() {
        messages_.clear();
        dialogs_.clear();
    }
    void run(const char* entry) {
        fresh();
        trigger(entry);
    }
    // The messages of the last command, kind by kind.
    QStringList texts(MessageKind kind) const {
        QStringList out;
        for (const auto& call : messages_.calls())
            if (call.kind == kind)
                out << call.text;
        return out;
    }
    // Rows of a table as the program's connection sees them now (it must be open again after a command).
    int rows(const char* table) {
        engine::Table t(&main_->database(), QLatin1String(table));
        t.open();
        return t.recordCount();
    }
    // Deletes the last shop behind the program's back, leaving its items and aisle rows.
    void deleteLastShop() {
        engine::Table t(&main_->database(), QStringLiteral("Shops"));
        t.open();
        t.last();
        t.deleteRecord();
    }
    QString backUp() {
        run("BackupItem");
        const QStringList made = QDir(temp_.sub(QStringLiteral("backups"))).entryList(QDir::Files);
        return made.size() == 1 ? temp_.sub(QStringLiteral("backups")) + QLatin1Char('/') + made.first()
                                : QString();
    }

    MainWindow* main_ = nullptr;
};

TEST_F(DataCommands, BackupWritesOneArchiveOfTheTenFilesAndTellsWhere) {
    const QString before = contents();
    const QString archive = backUp();
    ASSERT_FALSE(archive.isEmpty());
    EXPECT_EQ(texts(MessageKind::Information), QStringList{backup::backedUpMessage(archive)});
    EXPECT_EQ(errorTexts(), QStringList());
    ZipArchive zip;
    zip.open(archive);
    EXPECT_EQ(zip.entryNames(), backup::tableFiles());
    EXPECT_EQ(contents(), before);
    // The connection is open again and the page shows the data.
    EXPECT_EQ(rows("Shops"), 2);
}

TEST_F(DataCommands, BackupIntoAMissingFolderWarnsAndTheNextOneWorks) {
    const QString missing = temp_.path() + QStringLiteral("/nowhere/backups");
    setBackupFolder(missing);
    run("BackupItem");
    EXPECT_EQ(texts(MessageKind::Warning), QStringList{backup::kUnableToArchive});
    EXPECT_TRUE(texts(MessageKind::Information).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(rows("Items"), 4);

    setBackupFolder(temp_.sub(QStringLiteral("backups")));
    EXPECT_FALSE(backUp().isEmpty());
}

TEST_F(DataCommands, RestorePutsTheBackedUpDataBack) {
    const QString before = contents();
    const QString archive = backUp();
    ASSERT_FALSE(archive.isEmpty());
    deleteLastShop();
    ASSERT_NE(contents(), before);

    fresh();
    dialogs_.setNextAnswer(archive);
    trigger("RestoreItem");

    ASSERT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(dialogs_.calls()[0].caption, QStringLiteral("Select database to restore"));
    EXPECT_EQ(dialogs_.calls()[0].prompt, temp_.sub(QStringLiteral("backups")));
    EXPECT_EQ(dialogs_.calls()[0].filter, QStringLiteral("Zip files (*.zip);;All files (*.*)"));
    const QStringList questions = texts(MessageKind::Confirmation);
    ASSERT_EQ(questions.size(), 2);
    EXPECT_EQ(questions[0], backup::kOverwriteQuestion);
    EXPECT_EQ(questions[1], backup::createdQuestion(archive).value());
    EXPECT_EQ(texts(MessageKind::Information), QStringList{backup::kRestored});
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(rows("Shops"), 2);
}

TEST_F(DataCommands, RestoreRefusesWhatIsNoBackupAndKeepsTheData) {
    const QString notZip = temp_.sub(QStringLiteral("backups")) + QStringLiteral("/notes.zip");
    QFile f(notZip);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("these are not the files you are looking for");
    f.close();
    const QString before = contents();

    fresh();
    dialogs_.setNextAnswer(notZip);
    trigger("RestoreItem");
    EXPECT_EQ(texts(MessageKind::Warning), QStringList{backup::kNotABackup});
    EXPECT_EQ(texts(MessageKind::Confirmation), QStringList{backup::kOverwriteQuestion});
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(rows("Items"), 4);
}

TEST_F(DataCommands, RestoreAnsweredNoChangesNothing) {
    const QString archive = backUp();
    ASSERT_FALSE(archive.isEmpty());
    deleteLastShop();
    const QString changed = contents();

    // No to the first question: not even the file dialog.
    fresh();
    messages_.setNextAnswer(MessageAnswer::No);
    trigger("RestoreItem");
    EXPECT_EQ(dialogs_.count(), 0);

    // No to the question naming the archive's date: the page is shown again on the unchanged data.
    fresh();
    dialogs_.setNextAnswer(archive);
    messages_.setNextAnswer(MessageAnswer::Yes);
    messages_.setNextAnswer(MessageAnswer::No);
    trigger("RestoreItem");
    EXPECT_EQ(texts(MessageKind::Confirmation).size(), 2);
    EXPECT_TRUE(texts(MessageKind::Information).isEmpty());
    EXPECT_EQ(contents(), changed);
    EXPECT_EQ(rows("Shops"), 1);
}

TEST_F(DataCommands, CheckFindsNothingOnIntactDataAndRemovesOrphans) {
    const QString before = contents();
    run("CheckRepairItem");
    EXPECT_EQ(texts(MessageKind::Information), QStringList{QStringLiteral("No problems found.")});
    EXPECT_EQ(contents(), before);

    // Market Hall goes behind the program's back; its one item is left without a shop.
    deleteLastShop();
    run("CheckRepairItem");
    EXPECT_EQ(texts(MessageKind::Information), QStringList{QStringLiteral("1 problem fixed.")});
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_EQ(rows("Items"), 3);
}

// A repair that cannot save a parent's rows leaves their children alone: the check asks, and its safe answer
// keeps them; only Yes deletes them, with what depends on them.
TEST_F(DataCommands, CheckAsksBeforeDeletingTheChildrenOfLostRows) {
    const int products = rows("Products"), aisles = rows("Aisles"), items = rows("Items");
    main_->PageControl1Changing();
    main_->database().close();
    ASSERT_TRUE(zeroRootPage(dataFolder() + QStringLiteral("/Categories.dat"), QStringLiteral("Categories")));

    run("CheckRepairItem");
    ASSERT_EQ(messages_.count(), 2) << messages_.lastText().toStdString();
    EXPECT_EQ(messages_.calls()[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(messages_.calls()[0].buttons, ui::MessageButtons::YesNoDefaultNo);
    EXPECT_TRUE(messages_.calls()[0].text.startsWith(
        QStringLiteral("Categories.dat is missing rows that other rows refer to:\r\n%1 product types without "
                       "their category\r\n%2 aisle rows without their category or shop\r\nDelete these rows?")
            .arg(products)
            .arg(aisles)))
        << messages_.calls()[0].text.toStdString();
    EXPECT_EQ(
        texts(MessageKind::Information),
        QStringList{QStringLiteral("Categories.dat was repaired, but no row could be recovered: 3 rows lost. "
                                   "The damaged file was kept as Categories.dat.damaged.\r\n1 problem "
                                   "fixed.\r\n%1 rows whose parent is missing were kept.")
                        .arg(products + aisles)});
    EXPECT_EQ(rows("Categories"), 0);
    EXPECT_EQ(rows("Products"), products);
    EXPECT_EQ(rows("Aisles"), aisles);

    fresh();
    messages_.setNextAnswer(MessageAnswer::Yes);
    trigger("CheckRepairItem");
    EXPECT_EQ(texts(MessageKind::Information),
              QStringList{DataChecker::countMessage(products + aisles + items)});
    EXPECT_EQ(rows("Products") + rows("Aisles") + rows("Items"), 0);
    EXPECT_EQ(errorTexts(), QStringList());
}

class DataCommandsImport : public DataCommands {
protected:
    QString writeV1(const QByteArray& bytes) {
        const QString path = temp_.sub(QStringLiteral("old")) + QStringLiteral("/shopping.dat");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    void import(const QString& path) {
        fresh();
        dialogs_.setNextAnswer(path);
        trigger("ImportV1Item");
    }
};

TEST_F(DataCommandsImport, ReplacesTheDataAndCountsTheRecords) {
    V1File file;
    file.categories = {QStringLiteral("Veg"), QStringLiteral("Tins")};
    file.products = {{QStringLiteral("Beans"), QStringLiteral("can"), 1}};
    file.items = {{0, QStringLiteral("Heinz"), 415.f, 0.99f, 0}};
    file.shops = {{QStringLiteral("Old Shop"), {{10, 10, 50, 30, 0}}}};
    const QString path = writeV1(V1FileWriter().file(file).data());

    main_->showPage(MainWindow::AislePageIndex);
    import(path);
    ASSERT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(dialogs_.calls()[0].caption, QStringLiteral("Import old V1 data"));
    EXPECT_EQ(dialogs_.calls()[0].prompt, QStringLiteral("shopping.dat"));
    EXPECT_EQ(texts(MessageKind::Warning), QStringList{V1Importer::warningText()});
    EXPECT_EQ(texts(MessageKind::Information), QStringList{V1Importer::successMessage({1, 2, 1, 1})});
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_EQ(rows("Shops"), 1);
    EXPECT_EQ(rows("Categories"), 2);
    EXPECT_EQ(rows("Items"), 1);
    EXPECT_EQ(rows("Aisles"), 1);
    EXPECT_EQ(main_->SavedAisleShopID, -1);
}

TEST_F(DataCommandsImport, AFileThatIsNotV1OrEndsEarlyChangesNothing) {
    const QString before = contents();
    const QString wrong =
        writeV1(V1FileWriter().shortBytes("grocelle").bytes(QByteArray(4, 0)).int16(0).data());
    import(wrong);
    EXPECT_EQ(errorTexts(), QStringList{V1Reader::wrongSignatureMessage(wrong)});
    EXPECT_EQ(contents(), before);

    const QString cut = writeV1(V1FileWriter().header().int16(3).shortString(QStringLiteral("Veg")).data());
    import(cut);
    EXPECT_EQ(errorTexts(), QStringList{V1Reader::incompleteMessage(cut)});
    EXPECT_TRUE(texts(MessageKind::Information).isEmpty());
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(rows("Shops"), 2);
}

TEST_F(DataCommandsImport, CancelAtTheWarningOrTheDialogChangesNothing) {
    const QString before = contents();
    fresh();
    messages_.setNextAnswer(MessageAnswer::Cancel);
    trigger("ImportV1Item");
    EXPECT_EQ(dialogs_.count(), 0);

    fresh();
    dialogs_.setNextCancel();
    trigger("ImportV1Item");
    EXPECT_EQ(dialogs_.count(), 1);
    EXPECT_EQ(messages_.count(), 1);
    EXPECT_EQ(contents(), before);
}

// A restore killed after the old files went aside: the next start puts them back before it looks for the
// database, instead of taking the folder for a new user's and creating a blank one.
TEST_F(RunningProgram, StartUpFinishesAnInterruptedRestore) {
    fillCatalogue();
    const QString before = contents();
    const QString aside = backup::BackupRestorer::asideFolder(dataFolder());
    ASSERT_TRUE(QDir().mkpath(aside));
    ASSERT_TRUE(QDir().mkpath(backup::BackupRestorer::stagingFolder(dataFolder())));
    for (const QString& f : backup::tableFiles())
        ASSERT_TRUE(QFile::rename(dataFolder() + QLatin1Char('/') + f, aside + QLatin1Char('/') + f));

    MainWindow& main = start();
    EXPECT_FALSE(main.startupFailed());
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    EXPECT_EQ(contents(), before);
    EXPECT_FALSE(QFileInfo::exists(aside));
}
