#include "RunningProgram.h"

#include "DatabaseLock.h"
#include "SupportServers.h"
#include "ThemedDBGrid.h"
#include "UploadDBForm.h"
#include "UploadProgressForm.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// "Upload &data to Support..." in the running program, against the local servers.
class UploadCommand : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        ASSERT_TRUE(servers.started()) << servers.startError().toStdString();
        folder = QString::fromStdString(::testing::UnitTest::GetInstance()->current_test_info()->name());
        qputenv("GROCELLE_SUPPORT_FTP", servers.freshFolder(folder).toUtf8());
        qputenv("GROCELLE_SUPPORT_NOTIFY", servers.confirmingNotify().toUtf8());
    }
    void TearDown() override {
        qunsetenv("GROCELLE_SUPPORT_FTP");
        qunsetenv("GROCELLE_SUPPORT_NOTIFY");
        RunningProgram::TearDown();
    }
    // Closes the progress dialog once the upload has ended.
    void closeProgressWhenDone() {
        whenModal([this](QWidget* w) {
            auto* progress = qobject_cast<UploadProgressForm*>(w);
            ASSERT_TRUE(progress);
            if (progress->AbortBtn->text() == QStringLiteral("&Close") && !progress->isWorking()) {
                log = progress->Memo1->toPlainText();
                QTest::mouseClick(progress->AbortBtn, Qt::LeftButton);
            } else {
                closeProgressWhenDone();
            }
        });
    }
    void upload(bool send) {
        whenModal([this, send](QWidget* w) {
            auto* form = qobject_cast<UploadDBForm*>(w);
            ASSERT_TRUE(form);
            QTest::keyClicks(form->UsernameEdit, QStringLiteral("Ann Smith"));
            QTest::keyClicks(form->Email1Edit, QStringLiteral("ann@example.org"));
            QTest::keyClicks(form->Email2Edit, QStringLiteral("ann@example.org"));
            QTest::keyClicks(form->DescMemo, QStringLiteral("  Totals are wrong  "));
            if (send) {
                closeProgressWhenDone();
                QTest::mouseClick(form->UploadBtn, Qt::LeftButton);
            } else {
                QTest::mouseClick(form->CancelBtn, Qt::LeftButton);
            }
        });
        QAction* action = window_->menuAction(QStringLiteral("UploadDataItem"));
        ASSERT_TRUE(action && action->isEnabled());
        fromEventLoop([action] { action->trigger(); });
    }

    SupportServers& servers = SupportServers::instance();
    QString folder;
    QString log;
};

} // namespace

TEST_F(UploadCommand, SendsTheWholeDatabaseAndShowsThePageAgain) {
    MainWindow& main = startFilled();
    clickTab(MainWindow::ItemsPageIndex);
    const QString before = contents();
    // The program holds its lock while it runs.
    DatabaseLock lock;
    ASSERT_TRUE(lock.acquire(dataFolder()));
    upload(true);
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_TRUE(log.endsWith(QStringLiteral(" ==== DONE ===="))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("###"))) << log.toStdString();

    QFile info(documentsFolder() + QStringLiteral("/Upload_Info.txt"));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_EQ(info.readAll(), QByteArray("**** Quillmoor FTP upload ****\r\n\r\nUser: Ann Smith\r\n"
                                         "Email: ann@example.org\r\nApplication: Grocelle\r\n\r\n"
                                         "Totals are wrong\r\n"));

    const QStringList sent = QDir(servers.folderOnDisk(folder)).entryList(QDir::Files);
    ASSERT_EQ(sent.size(), 1);
    ZipArchive zip;
    zip.open(servers.folderOnDisk(folder) + QLatin1Char('/') + sent.first());
    const QStringList entries = zip.entryNames();
    ASSERT_FALSE(entries.isEmpty());
    EXPECT_EQ(entries.first(), QStringLiteral("Upload_Info.txt"));
    for (const char* table : {"Categories", "Products", "Shops", "Items", "Aisles"})
        for (const char* extension : {".dat", ".idx"})
            EXPECT_TRUE(
                entries.contains(QStringLiteral("/%1%2").arg(QLatin1String(table), QLatin1String(extension))))
                << table << extension;
    ASSERT_TRUE(QFile::exists(DatabaseLock::lockFileName(dataFolder())));
    EXPECT_FALSE(entries.contains(QStringLiteral("/Grocelle.lock")));
    for (const QString& entry : entries)
        EXPECT_TRUE(entry == QStringLiteral("Upload_Info.txt") || QFile::exists(dataFolder() + entry))
            << entry.toStdString() << " is no file of the data folder";

    // The tables are open again and the page shows them; nothing changed.
    EXPECT_TRUE(main.database().isOpen());
    EXPECT_EQ(main.activePageIndex(), MainWindow::ItemsPageIndex);
    EXPECT_GT(grid("ItemsGrid")->model()->rowCount(), 0);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(QDir(documentsFolder()).entryList({QStringLiteral("*.zip")}, QDir::Files), QStringList());
}

TEST_F(UploadCommand, CancelWritesNothingAndSendsNothing) {
    startFilled();
    upload(false);
    EXPECT_EQ(errorTexts(), QStringList());
    EXPECT_FALSE(QFile::exists(documentsFolder() + QStringLiteral("/Upload_Info.txt")));
    EXPECT_EQ(QDir(servers.folderOnDisk(folder)).entryList(QDir::Files), QStringList());
    EXPECT_TRUE(window_->database().isOpen());
}

TEST_F(UploadCommand, AMissingFolderOrAnInfoFileThatCannotBeWrittenStopsWithAWarning) {
    MainWindow& main = startFilled();
    const QString data = main.DatabaseFolder;
    main.DatabaseFolder = temp_.path() + QStringLiteral("/gone");
    upload(true);
    main.DatabaseFolder = data;
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls().back().kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(),
              QStringLiteral("Folder \"") + temp_.path() + QStringLiteral("/gone/\" does not exist."));
    EXPECT_FALSE(QFile::exists(documentsFolder() + QStringLiteral("/Upload_Info.txt")));

    // A folder where the info file should go cannot be replaced by it.
    messages_.clear();
    ASSERT_TRUE(QDir().mkpath(documentsFolder() + QStringLiteral("/Upload_Info.txt")));
    upload(true);
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls().back().kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(), QStringLiteral("Unable to create Info file"));
    EXPECT_EQ(QDir(servers.folderOnDisk(folder)).entryList(QDir::Files), QStringList());
    EXPECT_TRUE(main.database().isOpen());
}
