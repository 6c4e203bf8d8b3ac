#include "HelpCommands.h"
#include "AboutForm.h"
#include "AboutText.h"
#include "AppFixture.h"
#include "CopyShopForm.h"
#include "GlyphBitButton.h"
#include "HelpWindow.h"
#include "Helpers.h"
#include "OptDetailsForm.h"
#include "OptimizeForm.h"
#include "PrefsForm.h"
#include "Subsystems.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

namespace {

const QString kBuiltHelp = QStringLiteral(GROCELLE_HELP_FOLDER);

} // namespace

// The running program with the help collection beside it, as built or installed: every help request goes
// to the real help window.
class HelpCommandsTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(QFile::link(QDir(kBuiltHelp).absolutePath(), programFolder() + QStringLiteral("/Help")));
        createDatabase();
    }

    // The program as main() puts it together; only starting other programs is recorded.
    MainWindow& startWithHelp() {
        window_ = std::make_unique<MainWindow>(programFolder());
        window_->createDialogs();
        installSubsystems(*window_);
        window_->setProgramStarter([this](const QString& program, const QStringList& arguments) {
            started_ << (QStringList{program} + arguments).join(QLatin1Char(' '));
            return true;
        });
        window_->show();
        return *window_;
    }
    void laterStart() {
        writeSettings("[Info]\r\nVersion=" + ProgramVersionText().toUtf8() + "\r\n[Prefs]\r\nUpdates=N\r\n");
    }

    help::HelpCommands& commands() { return *window_->findChild<help::HelpCommands*>("HelpCommands"); }
    help::HelpWindow* helpWindow(const QString& collection = QStringLiteral("Grocelle.qhc")) {
        return commands().windows().window(programFolder() + QStringLiteral("/Help/") + collection);
    }
    QString shownPage(const QString& collection = QStringLiteral("Grocelle.qhc")) {
        help::HelpWindow* w = helpWindow(collection);
        return w && w->isVisible() ? w->currentTopic().fileName() : QString();
    }
    void menu(const char* name) {
        QAction* action = window_->menuAction(QLatin1String(name));
        ASSERT_TRUE(action && action->isEnabled()) << name;
        action->trigger();
    }
};

TEST_F(HelpCommandsTest, TheFirstStartOpensGettingStartedInTheHelpWindow) {
    startWithHelp();
    EXPECT_EQ(shownPage(), QStringLiteral("getting-started.html"));
    EXPECT_TRUE(started_.isEmpty());
}

TEST_F(HelpCommandsTest, TheHelpMenuOpensItsTopicsAndF1TheContents) {
    laterStart();
    MainWindow& main = startWithHelp();
    EXPECT_EQ(helpWindow(), nullptr); // nothing opened at a later start
    menu("GettingStartedItem");
    EXPECT_EQ(shownPage(), QStringLiteral("getting-started.html"));
    menu("HelpContentsItem");
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));
    helpWindow()->close();

    QApplication::setActiveWindow(&main);
    QTest::keyClick(&main, Qt::Key_F1);
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));

    menu("HelpSearchItem");
    EXPECT_EQ(helpWindow()->Tabs->currentIndex(), help::HelpWindow::IndexTab);
    EXPECT_TRUE(helpWindow()->IndexEdit->text().isEmpty());
}

TEST_F(HelpCommandsTest, EveryDialogsHelpButtonAndF1OpenItsTopic) {
    laterStart();
    MainWindow& main = startWithHelp();
    const MainWindow::Dialogs& d = main.dialogs();
    auto* options = d.options;
    auto* optimize = qobject_cast<OptimizeForm*>(d.optimize);
    auto* results = qobject_cast<OptDetailsForm*>(d.optimizeResults);
    auto* copy = qobject_cast<CopyShopForm*>(d.copyShop);
    ASSERT_TRUE(options && optimize && results && copy);
    const std::tuple<QDialog*, QAbstractButton*, const char*> cases[] = {
        {optimize, optimize->HelpBtn, "optimize.html"},
        {copy, copy->BitBtn1, "copy-shop.html"},
        {results, results->HelpBtn, "optimization-results.html"},
        {options, options->HelpBtn, "options.html"},
    };
    for (const auto& [dialog, button, page] : cases) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        ASSERT_TRUE(button->isEnabled());
        dialog->show();
        QApplication::setActiveWindow(dialog);
        QTest::keyClick(dialog, Qt::Key_F1);
        EXPECT_EQ(shownPage(), QLatin1String(page));
        helpWindow()->showContext(100);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(shownPage(), QLatin1String(page));
        dialog->hide();
    }
}

TEST_F(HelpCommandsTest, TheHelpWindowTakesTheMouseWhileTheDialogThatOpenedItWaits) {
    laterStart();
    MainWindow& main = startWithHelp();
    PrefsForm* options = main.dialogs().options;
    QString page;
    QTimer::singleShot(0, options, [&] {
        QTest::mouseClick(options->HelpBtn, Qt::LeftButton);
        help::HelpWindow* w = helpWindow();
        if (w && w->windowHandle()) {
            // Through the window system, where a window blocked by a modal dialog loses its clicks.
            QWidget* home = w->findChild<QToolBar*>()->widgetForAction(w->HomeAction);
            QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {}, home->mapTo(w, home->rect().center()));
            page = w->currentTopic().fileName();
        }
        options->accept();
    });
    options->exec();
    EXPECT_EQ(page, QStringLiteral("index.html"));
}

TEST_F(HelpCommandsTest, OtherProductsShowTheCatalogueAndLeaveTheProgramsHelpCurrent) {
    laterStart();
    MainWindow& main = startWithHelp();
    const QString ownHelp = main.folders().helpFile;
    menu("OtherProductsItem");
    EXPECT_EQ(shownPage(QStringLiteral("Catalogue.qhc")), QStringLiteral("catalogue.html"));
    EXPECT_EQ(commands().hook().helpFile(), ownHelp);
    QApplication::setActiveWindow(&main);
    QTest::keyClick(&main, Qt::Key_F1);
    EXPECT_EQ(shownPage(), QStringLiteral("index.html"));
    EXPECT_EQ(helpWindow()->windowTitle(), QStringLiteral("Grocelle Help"));
}

TEST_F(HelpCommandsTest, UsingHelpComesFromTheHelpFilesFolder) {
    laterStart();
    startWithHelp();
    menu("UsingHelpItem");
    EXPECT_EQ(shownPage(QStringLiteral("UsingHelp.qhc")), QStringLiteral("using-help.html"));

    // A help file elsewhere takes its own help on help along; the program folder's is not used.
    const QString elsewhere = temp_.sub(QStringLiteral("elsewhere"));
    commands().hook().setHelpFile(elsewhere + QStringLiteral("/Grocelle.qhc"));
    menu("UsingHelpItem");
    help::HelpWindow* w = commands().windows().activeWindow();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->collection().file(), elsewhere + QStringLiteral("/UsingHelp.qhc"));
    EXPECT_FALSE(w->collection().isOpen());
}

TEST_F(HelpCommandsTest, ClosingTheMainWindowClosesTheHelpWindows) {
    laterStart();
    startWithHelp();
    menu("HelpContentsItem");
    menu("OtherProductsItem");
    ASSERT_TRUE(helpWindow()->isVisible());
    finish();
    // The windows went with the main window; none is left to keep the program running.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && qobject_cast<help::HelpWindow*>(w)) << w->windowTitle().toStdString();
}

TEST_F(HelpCommandsTest, UpdatesWebPagesAndTheAboutBox) {
    laterStart();
    MainWindow& main = startWithHelp();
    menu("CheckUpdatesItem");
    EXPECT_EQ(started_, QStringList{programFolder() + QStringLiteral("/grocelle-updater /checknow")});
    menu("WebSiteItem");
    menu("SupportForumItem");
    EXPECT_EQ(dialogs_.openedUrls(), (QStringList{help::kWebSiteAddress, help::kSupportForumAddress}));

    auto* about = qobject_cast<help::AboutForm*>(main.dialogs().about);
    ASSERT_TRUE(about);
    EXPECT_EQ(main.findChildren<QDialog*>(QStringLiteral("AboutBox")).size(), 1); // the stand-in is gone
    QString shown;
    QTimer::singleShot(0, about, [&] {
        shown = about->TextPanel->text();
        about->accept();
    });
    menu("AboutItem");
    EXPECT_EQ(shown, help::AboutLines().join(QLatin1Char('\n')));
}

TEST_F(HelpCommandsTest, EveryHelpMenuEntryButTheUploadIsEnabled) {
    startWithHelp();
    for (const char* name :
         {"HelpContentsItem", "HelpSearchItem", "UsingHelpItem", "GettingStartedItem", "CheckUpdatesItem",
          "WebSiteItem", "SupportForumItem", "OtherProductsItem", "AboutItem"})
        EXPECT_TRUE(window_->menuAction(QLatin1String(name))->isEnabled()) << name;
}

// Where the program finds its help and its updater, built and installed.
TEST_F(HelpCommandsTest, HelpIsFoundBesideTheProgramFirstThenInTheInstalledSharedFolder) {
    const TempFolder temp;
    const QString bin = temp.sub(QStringLiteral("usr/bin"));
    const QString shared = temp.sub(QStringLiteral("usr/share/grocelle/Help"));
    const auto touch = [](const QString& file) { QFile(file).open(QIODevice::WriteOnly); };

    AppFolders f = AppFolders::locate(bin);
    EXPECT_EQ(f.helpFolder, bin + QStringLiteral("/Help/")); // neither: where a build puts it
    EXPECT_EQ(f.updateProgram, bin + QStringLiteral("/grocelle-updater"));

    touch(shared + QStringLiteral("/Grocelle.qhc"));
    f = AppFolders::locate(bin);
    EXPECT_EQ(f.helpFolder, shared + QLatin1Char('/'));
    EXPECT_EQ(f.helpFile, shared + QStringLiteral("/Grocelle.qhc"));

    QDir().mkpath(bin + QStringLiteral("/Help"));
    touch(bin + QStringLiteral("/Help/Grocelle.qhc"));
    f = AppFolders::locate(bin + QLatin1Char('/'));
    EXPECT_EQ(f.helpFile, bin + QStringLiteral("/Help/Grocelle.qhc"));
}
