#include "AppFixture.h"

#include "PrefsForm.h"
#include "Schema.h"
#include "SelectFolderDialog.h"
#include "Table.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

QList<int> Locales(const QString& folder) {
    engine::Database db(folder);
    QList<int> out;
    for (const QString& table : schema::tableNames())
        out << db.readDefinition(table).locale;
    return out;
}

} // namespace

class OptionsTest : public AppFixture {
protected:
    PrefsForm* options() { return window_->dialogs().options; }
    void pick(int localeId) {
        const int index = options()->LocaleLB->findData(localeId);
        ASSERT_GE(index, 0);
        options()->LocaleLB->setCurrentIndex(index);
    }
};

TEST_F(OptionsTest, LanguageListStartsWithAnsiAndShowsTheDatabaseLocale) {
    createDatabase();
    start();
    EXPECT_EQ(options()->LocaleLB->itemText(0), "ANSI Standard");
    EXPECT_EQ(options()->LocaleLB->itemData(0).toInt(), 0);
    EXPECT_EQ(options()->selectedLocale(), 0);
    EXPECT_EQ(messages_.count(), 0);
}

TEST_F(OptionsTest, LanguageChangeRebuildsAllTablesAndShowsThePageAgain) {
    createDatabase();
    MainWindow& w = start();
    w.showPage(MainWindow::CatPageIndex);
    options()->show();
    pick(1031);
    ASSERT_EQ(messages_.count(), 1);
    EXPECT_EQ(messages_.calls()[0].kind, ui::MessageKind::Warning);
    EXPECT_EQ(messages_.calls()[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_EQ(messages_.lastText(),
              "Grocelle will now alter the language setting of the database.\r\nContinue?");
    EXPECT_EQ(Locales(dataFolder()), QList<int>({1031, 1031, 1031, 1031, 1031}));
    EXPECT_TRUE(w.CatCatTable->isOpen()); // the active page was shown again

    // No restores the entry of the last showing, even after a language was applied in this one.
    messages_.setNextAnswer(ui::MessageAnswer::No);
    pick(1036);
    EXPECT_EQ(options()->selectedLocale(), 0);
    EXPECT_EQ(Locales(dataFolder()), QList<int>({1031, 1031, 1031, 1031, 1031}));
}

TEST_F(OptionsTest, ALanguageThatRejectsATableLeavesAllOnTheOldOne) {
    createDatabase();
    {
        engine::Database db(dataFolder());
        engine::Table cats(&db, "Categories");
        cats.open();
        for (const char* name : {"Dairy", "\uff24\uff41\uff49\uff52\uff59"}) {
            cats.append();
            cats.field("CatName").setString(QString::fromUtf8(name));
            cats.post();
        }
    }
    MainWindow& w = start();
    w.showPage(MainWindow::ShopsPageIndex);
    options()->show();
    pick(1033); // the language rules take full-width letters for the same name
    ASSERT_EQ(messages_.count(), 2);
    EXPECT_EQ(messages_.calls()[1].kind, ui::MessageKind::Error);
    EXPECT_FALSE(messages_.calls()[1].text.isEmpty());
    EXPECT_EQ(Locales(dataFolder()), QList<int>({0, 0, 0, 0, 0}));
    EXPECT_EQ(options()->selectedLocale(), 0);
    EXPECT_TRUE(w.ShopShopTable->isOpen());
    QDir dir(dataFolder());
    EXPECT_TRUE(dir.entryList({"*.new", "*.old"}).isEmpty());
}

TEST_F(OptionsTest, FontButtonsChangeOnlyTheirReportFont) {
    createDatabase();
    MainWindow& w = start();
    options()->show();
    QFont chosen("DejaVu Serif", 14);
    chosen.setItalic(true);
    dialogs_.setNextAnswer(chosen);
    dialogs_.setNextAnswer(QColor(10, 20, 30));
    QTest::mouseClick(options()->SL_FontBtn, Qt::LeftButton);
    EXPECT_EQ(w.reportFonts[ShoppingListFont].size, 14);
    EXPECT_TRUE(w.reportFonts[ShoppingListFont].italic);
    // The colour is asked for after the font, starting from the report's own.
    ASSERT_EQ(dialogs_.count(), 2);
    EXPECT_EQ(dialogs_.calls()[1].kind, ScriptedDialogService::Kind::Colour);
    EXPECT_EQ(dialogs_.calls()[1].prompt, "#000000");
    EXPECT_EQ(w.reportFonts[ShoppingListFont].colour, 10 + 20 * 256 + 30 * 65536);
    EXPECT_EQ(w.reportFonts[ShoppingListFont].color(), QColor(10, 20, 30));
    EXPECT_EQ(w.reportFonts[FridgeListFont], ReportFont{});

    // A cancelled font dialog changes nothing and asks for no colour.
    dialogs_.setNextCancel();
    QTest::mouseClick(options()->SL_FontBtn, Qt::LeftButton);
    EXPECT_EQ(w.reportFonts[ShoppingListFont].size, 14);
    EXPECT_EQ(dialogs_.count(), 3);
    // A cancelled colour dialog keeps the new font and the old colour.
    dialogs_.setNextAnswer(QFont("DejaVu Sans", 9));
    dialogs_.setNextCancel();
    QTest::mouseClick(options()->SL_FontBtn, Qt::LeftButton);
    EXPECT_EQ(w.reportFonts[ShoppingListFont].size, 9);
    EXPECT_EQ(w.reportFonts[ShoppingListFont].color(), QColor(10, 20, 30));
    EXPECT_EQ(dialogs_.calls()[4].prompt, "#0a141e");
}

TEST_F(OptionsTest, FolderPickerBrowsesCancelsAndMakesNewFolders) {
    createDatabase();
    start();
    const QString before = options()->BackupFolderEdit->text();
    SelectFolderDialog* picker = window_->dialogs().selectFolder;

    QTimer::singleShot(50, picker, [picker] {
        EXPECT_EQ(picker->FolderEdit->text(), QDir::toNativeSeparators(picker->folder()));
        QTest::mouseClick(picker->CancelBtn, Qt::LeftButton);
    });
    QTest::mouseClick(options()->BackupBrowseBtn, Qt::LeftButton);
    EXPECT_EQ(options()->BackupFolderEdit->text(), before);

    const QString target = temp_.sub("backups");
    QDir().mkpath(target + "/New Folder");
    QDir().mkpath(target + "/New Folder_1");
    EXPECT_EQ(SelectFolderDialog::newFolderName(target), "New Folder_2");
    QTimer::singleShot(50, picker, [picker, target] {
        EXPECT_EQ(picker->FolderEdit->text(), target);
        QTest::mouseClick(picker->NewFolderBtn, Qt::LeftButton);
        EXPECT_EQ(picker->FolderEdit->text(), target + "/New Folder_2");
        // OK while the name is being edited only ends the edit.
        QTest::mouseClick(picker->OKBtn, Qt::LeftButton);
        EXPECT_TRUE(picker->isVisible());
        QTest::mouseClick(picker->OKBtn, Qt::LeftButton);
    });
    options()->BackupFolderEdit->setText(target);
    QTest::mouseClick(options()->BackupBrowseBtn, Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(target + "/New Folder_2").isDir());
    EXPECT_EQ(options()->BackupFolderEdit->text(), target + "/New Folder_2");

    // The new folder's name is edited in place; accepting it renames the folder on disk.
    QTimer::singleShot(50, picker, [picker, target] {
        QTest::mouseClick(picker->NewFolderBtn, Qt::LeftButton);
        // The tree learns of the new folder asynchronously; a loaded machine may take a while.
        EXPECT_TRUE(QTest::qWaitFor(
            [picker] { return !picker->TreeView->viewport()->findChildren<QLineEdit*>().isEmpty(); }, 5000));
        const QList<QLineEdit*> editors = picker->TreeView->viewport()->findChildren<QLineEdit*>();
        ASSERT_FALSE(editors.isEmpty());
        editors.last()->selectAll();
        QTest::keyClicks(editors.last(), "Archive");
        QTest::mouseClick(picker->OKBtn, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor(
            [picker, target] { return picker->FolderEdit->text() == target + "/New Folder_2/Archive"; },
            5000));
        EXPECT_EQ(picker->FolderEdit->text(), target + "/New Folder_2/Archive");
        QTest::mouseClick(picker->OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(options()->BackupBrowseBtn, Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(target + "/New Folder_2/Archive").isDir());
    EXPECT_FALSE(QFileInfo::exists(target + "/New Folder_2/New Folder"));
    EXPECT_EQ(options()->BackupFolderEdit->text(), target + "/New Folder_2/Archive");

    // A start folder that is gone leaves the top of the tree selected.
    QTimer::singleShot(50, picker, [picker] {
        EXPECT_EQ(picker->FolderEdit->text(), "/");
        QTest::mouseClick(picker->CancelBtn, Qt::LeftButton);
    });
    EXPECT_FALSE(picker->execute(QString(), temp_.path() + "/gone"));
}

TEST_F(OptionsTest, OptionsAndFolderPickerOpenCentredOnTheScreen) {
    createDatabase();
    MainWindow& w = start();
    const QRect screen = w.screen()->availableGeometry();
    // The main window in the screen's top-left quarter: centring over it would show.
    w.setGeometry(QRect(screen.topLeft() + QPoint(20, 30), screen.size() / 2));
    for (QDialog* dialog : std::initializer_list<QDialog*>{options(), w.dialogs().selectFolder}) {
        QPoint shownAt;
        QTimer::singleShot(0, dialog, [dialog, &shownAt] {
            shownAt = dialog->frameGeometry().center();
            dialog->reject();
        });
        dialog->exec();
        EXPECT_LE((shownAt - screen.center()).manhattanLength(), 2) << dialog->objectName().toStdString();
    }
}
