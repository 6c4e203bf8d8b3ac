#include "AppFixture.h"

#include "Database.h"
#include "DatabaseLocator.h"
#include "Helpers.h"
#include "PrefsForm.h"
#include "Schema.h"
#include "Table.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

std::pair<int, int> VersionOf(const QString& folder, const QString& table) {
    engine::Database db(folder);
    const engine::TableDefinition def = db.readDefinition(table);
    return {def.versionMajor, def.versionMinor};
}

void SetVersion(const QString& folder, const QString& table, int major, int minor) {
    engine::Database db(folder);
    db.alterTables({table}, std::nullopt, std::pair{major, minor});
}

} // namespace

using StartupTest = AppFixture;

TEST_F(StartupTest, FirstStartOnACleanHomeCreatesABlankDatabase) {
    MainWindow& w = start();
    EXPECT_FALSE(w.StartupPending);
    EXPECT_FALSE(w.startupFailed());
    EXPECT_EQ(w.DatabaseFolder, dataFolder());
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(), "Grocelle database not found in \"" + dataFolder() +
                                        "\"\r\nCreating a blank database in this folder.");
    for (const QString& table : schema::tableNames())
        EXPECT_EQ(VersionOf(dataFolder(), table), std::pair(2, 1)) << table.toStdString();
    EXPECT_TRUE(QFileInfo(documentsFolder()).isDir());
    EXPECT_TRUE(QFileInfo(temp_.path() + "/cache/Grocelle").isDir());
    EXPECT_EQ(helpTopics_, QList<int>({1})); // first start: the help opens instead of the update check
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_EQ(w.activePageIndex(), MainWindow::ListPageIndex);

    finish();
    EXPECT_TRUE(QFileInfo::exists(settingsFile()));
}

TEST_F(StartupTest, Version20IsRaisedSilentlyKeepingLocaleAndRows) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        db.alterTables(schema::tableNames(), 1031, std::pair{2, 0});
        engine::Table cats(&db, "Categories");
        cats.open();
        cats.append();
        cats.field("CatName").setString("Dairy");
        cats.post();
    }
    start();
    EXPECT_EQ(messages_.count(), 0);
    for (const QString& table : schema::tableNames()) {
        engine::Database db(dataFolder());
        const engine::TableDefinition def = db.readDefinition(table);
        EXPECT_EQ(std::pair(def.versionMajor, def.versionMinor), std::pair(2, 1)) << table.toStdString();
        EXPECT_EQ(def.locale, 1031);
        EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/" + table + ".dat.bkp"));
    }
    engine::Table cats(&window_->database(), "Categories");
    cats.open();
    EXPECT_EQ(cats.recordCount(), 1);
    EXPECT_EQ(window_->dialogs().options->selectedLocale(), 1031);
}

TEST_F(StartupTest, NewerDatabaseIsWarnedOnceAndTheProgramRuns) {
    createDatabase();
    SetVersion(dataFolder(), "Products", 2, 2);
    SetVersion(dataFolder(), "Aisles", 3, 0);
    SetVersion(dataFolder(), "Items", 2, 0); // after the failing table: left as it is
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(), "Current database is a higher version than the software.\r\n"
                                    "Please uninstall Grocelle and install the latest version.");
    EXPECT_FALSE(w.startupFailed());
    EXPECT_EQ(VersionOf(dataFolder(), "Items"), std::pair(2, 0));
    EXPECT_EQ(VersionOf(dataFolder(), "Products"), std::pair(2, 2));
}

TEST_F(StartupTest, VersionFifteenPasses) {
    createDatabase();
    SetVersion(dataFolder(), "Shops", 1, 5);
    start();
    EXPECT_EQ(messages_.count(), 0);
    EXPECT_EQ(VersionOf(dataFolder(), "Shops"), std::pair(1, 5));
}

TEST_F(StartupTest, RefreshKeepsAFileWhoseCopyCannotBeMade) {
    createDatabase();
    const QString dat = dataFolder() + "/Shops.dat";
    const QByteArray before = [&] {
        QFile f(dat);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    // A directory in the way of the copy makes copying fail; the table must survive.
    QDir().mkpath(dat + ".bkp/blocker");
    DatabaseLocator::RefreshTableFiles(dataFolder(), "Shops.dat");
    QFile f(dat);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_TRUE(QFileInfo::exists(dataFolder() + "/Shops.idx"));
}

TEST_F(StartupTest, UpdateProgramStartsOnlyOnLaterStartsWhenWanted) {
    createDatabase();
    QFile updater(programFolder() + "/updater");
    ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
    updater.close();
    writeSettings("[Info]\r\nVersion=" + ProgramVersionText().toUtf8() + "\r\n[Prefs]\r\nUpdates=N\r\n");
    start();
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_TRUE(helpTopics_.isEmpty());
    window_->dialogs().options->UpdatesCB->setChecked(true);
    finish();

    start();
    EXPECT_EQ(started_, QStringList({programFolder() + "/updater /silent"}));
    EXPECT_TRUE(helpTopics_.isEmpty());
    finish();

    // An install of another version counts as a first start again.
    writeSettings("[Info]\r\nVersion=0.9\r\n[Prefs]\r\nUpdates=Y\r\n");
    started_.clear();
    start();
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_EQ(helpTopics_, QList<int>({1}));
}

TEST_F(StartupTest, MinimiseAndRestoreDoNotRepeatStartUp) {
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 1);
    w.showMinimized();
    QTest::qWait(10);
    w.showNormal();
    w.hide();
    w.show();
    EXPECT_EQ(messages_.count(), 1);
}

TEST_F(StartupTest, AFailedBlankDatabaseEndsTheProgramWithoutLeftovers) {
    // Something that is not a table sits where a table file must go.
    QDir().mkpath(dataFolder() + "/Items.dat");
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 2);
    EXPECT_EQ(messages_.calls()[1].kind, ui::MessageKind::Error);
    EXPECT_TRUE(w.startupFailed());
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/Categories.dat"));
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/Products.idx"));
    for (int i = 0; i < 200 && w.isVisible(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(w.isVisible());
}
