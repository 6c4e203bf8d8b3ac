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

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Takes the right to write a file away from this process for as long as it lives: the write permission,
// and for the superuser, whom permissions do not bind, the immutable attribute. `taken()` is false where
// neither holds (a file system without the attribute).
class Unwritable {
public:
    explicit Unwritable(const QString& path) : path_(QFile::encodeName(path)) {
        if (::geteuid() != 0)
            QFile::setPermissions(path, QFileDevice::ReadOwner);
        else
            immutable(true);
    }
    ~Unwritable() {
        if (::geteuid() != 0)
            QFile::setPermissions(QFile::decodeName(path_), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        else
            immutable(false);
    }
    Unwritable(const Unwritable&) = delete;
    Unwritable& operator=(const Unwritable&) = delete;
    bool taken() const { return ::access(path_.constData(), W_OK) != 0; }

private:
    void immutable(bool on) {
        const int fd = ::open(path_.constData(), O_RDONLY);
        if (fd < 0)
            return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        ::close(fd);
    }
    QByteArray path_;
};

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
    QFile updater(programFolder() + "/grocelle-updater");
    ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
    updater.close();
    writeSettings("[Info]\r\nVersion=" + ProgramVersionText().toUtf8() + "\r\n[Prefs]\r\nUpdates=N\r\n");
    start();
    EXPECT_TRUE(started_.isEmpty());
    EXPECT_TRUE(helpTopics_.isEmpty());
    window_->dialogs().options->UpdatesCB->setChecked(true);
    finish();

    start();
    EXPECT_EQ(started_, QStringList({programFolder() + "/grocelle-updater /silent"}));
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

TEST_F(StartupTest, AFolderInPlaceOfATableFileIsLeftAloneWhenTheUserCloses) {
    // Something that is not a table sits where a table file must go.
    QDir().mkpath(dataFolder() + "/Items.dat");
    messages_.setNextAnswer(ui::MessageAnswer::No);
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Confirmation);
    EXPECT_EQ(messages_.calls()[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_EQ(messages_.lastText(),
              "The table file Items.dat is damaged.\r\nRepair it now? The damaged file is "
              "kept as Items.dat.damaged.\r\nNo closes Grocelle without changing anything.");
    EXPECT_TRUE(w.startupFailed());
    EXPECT_TRUE(QFileInfo(dataFolder() + "/Items.dat").isDir());
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/Categories.dat"));
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + "/Products.idx"));
    for (int i = 0; i < 200 && w.isVisible(); ++i)
        QTest::qWait(10);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(StartupTest, DamagedTableFilesAreRepairedOnRequestAndTheProgramStarts) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        db.alterTables(schema::tableNames(), 1031);
        engine::Table shops(&db, "Shops");
        shops.open();
        shops.append();
        shops.field("ShopName").setString("Corner");
        shops.post();
    }
    // Items.dat emptied, Products.dat overwritten, Categories.dat replaced by a folder, Items.idx damaged.
    for (const char* name : {"Items.dat", "Products.dat"}) {
        QFile f(dataFolder() + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        if (QByteArray(name) == "Products.dat")
            f.write(QByteArray(8192, 'x'));
    }
    ASSERT_TRUE(QFile::remove(dataFolder() + "/Categories.dat"));
    QDir().mkpath(dataFolder() + "/Categories.dat");
    {
        QFile idx(dataFolder() + "/Items.idx");
        ASSERT_TRUE(idx.open(QIODevice::WriteOnly | QIODevice::Truncate));
        idx.write("{ not json");
    }
    MainWindow& w = start();
    // Each question is followed by what its repair could save: nothing of these.
    ASSERT_EQ(messages_.count(), 6);
    int i = 0;
    for (const QString file : {"Categories.dat", "Products.dat", "Items.dat"}) {
        EXPECT_TRUE(messages_.calls()[i++].text.startsWith("The table file " + file + " is damaged.\r\n"));
        EXPECT_EQ(messages_.calls()[i].kind, ui::MessageKind::Warning);
        EXPECT_EQ(messages_.calls()[i++].text,
                  file +
                      " was repaired, but no row could be recovered. The damaged "
                      "file was kept as " +
                      file + ".damaged.");
    }
    EXPECT_FALSE(w.startupFailed());
    for (const QString& table : schema::tableNames()) {
        EXPECT_TRUE(QFileInfo(dataFolder() + "/" + table + ".dat").isFile()) << table.toStdString();
        engine::Table t(&window_->database(), table);
        EXPECT_NO_THROW(t.open()) << table.toStdString();
    }
    // The damaged originals are kept; the sound table kept its row and every table its language.
    EXPECT_TRUE(QFileInfo(dataFolder() + "/Categories.dat.damaged").isDir());
    EXPECT_EQ(QFileInfo(dataFolder() + "/Products.dat.damaged").size(), 8192);
    EXPECT_TRUE(QFileInfo::exists(dataFolder() + "/Items.dat.damaged"));
    engine::Table shops(&window_->database(), "Shops");
    shops.open();
    EXPECT_EQ(shops.recordCount(), 1);
    EXPECT_EQ(engine::TableDefinition::readFile(dataFolder() + "/Items.idx").locale, 1031);
}

// A table file whose header is overwritten still holds every row: the repair brings them all back.
TEST_F(StartupTest, ARepairSalvagesTheRowsAndSaysSo) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        for (const char* name : {"Dairy", "Fruit", "Bakery"})
            db.execute("INSERT INTO Categories (CatName) VALUES (?1)", {engine::Value{std::string(name)}});
    }
    {
        QFile f(dataFolder() + "/Categories.dat");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write(QByteArray(100, '\xA5'));
    }
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 2);
    EXPECT_EQ(messages_.calls()[1].kind, ui::MessageKind::Information);
    EXPECT_EQ(messages_.lastText(),
              "Categories.dat was repaired: 3 rows recovered, 0 lost. The damaged file was "
              "kept as Categories.dat.damaged.");
    EXPECT_FALSE(w.startupFailed());
    engine::Table categories(&window_->database(), "Categories");
    categories.open();
    EXPECT_EQ(categories.recordCount(), 3);
}

TEST_F(StartupTest, MissingTablesBesideOthersAreCreatedEmptyAndNamed) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        db.alterTables(schema::tableNames(), 1036);
        engine::Table shops(&db, "Shops");
        shops.open();
        shops.append();
        shops.field("ShopName").setString("Corner");
        shops.post();
    }
    for (const char* file : {"Categories.dat", "Categories.idx", "Aisles.dat"})
        ASSERT_TRUE(QFile::remove(dataFolder() + "/" + file));
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.lastText(),
              "The table files Categories.dat, Aisles.dat were missing; the tables have been created empty.");
    EXPECT_FALSE(w.startupFailed());
    engine::Table shops(&window_->database(), "Shops");
    shops.open();
    EXPECT_EQ(shops.recordCount(), 1);
    for (const QString& table : schema::tableNames())
        EXPECT_EQ(VersionOf(dataFolder(), table), std::pair(2, 1)) << table.toStdString();
    EXPECT_EQ(engine::Database(dataFolder()).readDefinition("Categories").locale, 1036);
    EXPECT_EQ(engine::Database(dataFolder()).readDefinition("Aisles").locale, 1036);
    finish();

    // The next start finds a complete database and says nothing.
    messages_.clear();
    start();
    EXPECT_EQ(messages_.count(), 0);
}

TEST_F(StartupTest, AnUnreadableTableFileIsNamedAndNothingIsTouched) {
    createDatabase();
    const QString items = dataFolder() + "/Items.dat";
    // Without read permission (which binds all but the superuser), or as a link that leads nowhere.
    const bool asRoot = ::geteuid() == 0;
    if (asRoot) {
        ASSERT_TRUE(QFile::remove(items));
        ASSERT_EQ(::symlink("Items.dat", items.toLocal8Bit().constData()), 0);
    } else {
        ASSERT_TRUE(QFile::setPermissions(items, QFileDevice::WriteOwner));
    }
    MainWindow& w = start();
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Error);
    EXPECT_EQ(messages_.lastText(),
              QString("The table file Items.dat cannot be read: %1.\r\n"
                      "Grocelle closes without changing anything.")
                  .arg(asRoot ? "too many levels of symbolic links" : "permission denied"));
    EXPECT_TRUE(w.startupFailed());
    EXPECT_FALSE(QFileInfo::exists(items + ".damaged"));
    EXPECT_TRUE(QFileInfo(items).isSymLink() || QFileInfo(items).permissions() == QFileDevice::WriteOwner);
    if (!asRoot)
        QFile::setPermissions(items, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST_F(StartupTest, AnInterruptedSwapOfAnEarlierVersionIsRolledBack) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        engine::Table cats(&db, "Categories");
        cats.open();
        cats.append();
        cats.field("CatName").setString("Dairy");
        cats.post();
    }
    // Categories was set aside as .old and its rebuilt copy never arrived; Shops has a refresh copy beside it
    // and Products lost its file to a refresh copy that was not renamed back.
    const QString d = dataFolder() + "/";
    ASSERT_TRUE(QFile::rename(d + "Categories.dat", d + "Categories.dat.old"));
    ASSERT_TRUE(QFile::rename(d + "Categories.idx", d + "Categories.idx.old"));
    ASSERT_TRUE(QFile::copy(d + "Shops.dat", d + "Shops.dat.bkp"));
    ASSERT_TRUE(QFile::copy(d + "Aisles.dat", d + "Aisles.dat.new"));
    ASSERT_TRUE(QFile::rename(d + "Products.dat", d + "Products.dat.bkp"));
    start();
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    engine::Table cats(&window_->database(), "Categories");
    cats.open();
    EXPECT_EQ(cats.recordCount(), 1);
    const QStringList rest =
        QDir(dataFolder()).entryList({"*.old", "*.new", "*.bkp"}, QDir::AllEntries | QDir::Hidden);
    EXPECT_TRUE(rest.isEmpty()) << rest.join(' ').toStdString();
    EXPECT_TRUE(QFileInfo::exists(d + "Products.dat"));
}

TEST_F(StartupTest, TablesSetAsideByAnInterruptedSwapAreNotTakenForAMissingDatabase) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        db.alterTables(schema::tableNames(), 1031, std::pair{2, 0});
        engine::Table shops(&db, "Shops");
        shops.open();
        shops.append();
        shops.field("ShopName").setString("Corner");
        shops.post();
    }
    for (const QString& table : schema::tableNames())
        ASSERT_TRUE(
            QFile::rename(dataFolder() + "/" + table + ".dat", dataFolder() + "/" + table + ".dat.old"));
    ASSERT_TRUE(QFile::remove(dataFolder() + "/Items.idx"));
    start();
    EXPECT_EQ(messages_.count(), 0) << messages_.lastText().toStdString();
    engine::Table shops(&window_->database(), "Shops");
    shops.open();
    EXPECT_EQ(shops.recordCount(), 1);
    // All five, the one without its .idx too, were raised to 2.1 in their language.
    for (const QString& table : schema::tableNames()) {
        const engine::TableDefinition def =
            engine::TableDefinition::readFile(dataFolder() + "/" + table + ".idx");
        EXPECT_EQ(std::pair(def.versionMajor, def.versionMinor), std::pair(2, 1)) << table.toStdString();
        EXPECT_EQ(def.locale, 1031);
    }
}

TEST_F(StartupTest, ATableFileThatCannotBeWrittenIsNamedAtStartAndInEveryRefusal) {
    createDatabase();
    Unwritable locked(dataFolder() + "/Items.dat");
    if (!locked.taken())
        GTEST_SKIP() << "this file system cannot make a file unwritable for this user";
    MainWindow& w = start();
    EXPECT_FALSE(w.startupFailed());
    ASSERT_EQ(messages_.count(), 1) << messages_.lastText().toStdString();
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(
        messages_.lastText(),
        "The table file Items.dat cannot be written: you have no permission to write it.\r\n"
        "Grocelle opens it read-only: you can see the data, but every change to it is refused until the "
        "file can be written and Grocelle is started again.");

    // A change to it later names the file; the other tables take changes as before.
    engine::Table items(&w.database(), "Items");
    items.open();
    items.append();
    items.field("Product").setInteger(1);
    items.field("Shop").setInteger(1);
    try {
        items.post();
        ADD_FAILURE() << "a read-only table took a row";
    } catch (const engine::EngineError& e) {
        EXPECT_EQ(e.message(), "The table file Items.dat is read-only (you have no permission to write it); "
                               "the change was not saved.");
    }
    items.cancel();
    engine::Table shops(&w.database(), "Shops");
    shops.open();
    shops.append();
    shops.field("ShopName").setString("Corner");
    EXPECT_NO_THROW(shops.post());
    messages_.clear();
    finish();
}
