#include "HelpWindow.h"
#include "HelpWindows.h"
#include "Mnemonics.h"
#include "ScriptedDialogService.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHelpContentModel>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using help::HelpWindow;

namespace {

const QString kHelpFile = QStringLiteral(GROCELLE_HELP_FOLDER "Grocelle.qhc");

QString PageOf(const HelpWindow& w) {
    return w.currentTopic().fileName();
}

class HelpWindowTest : public ::testing::Test {
protected:
    HelpWindow window{std::make_unique<help::HelpCollection>(kHelpFile)};
};

} // namespace

TEST_F(HelpWindowTest, BackAndForwardWalkTheTopicsRead) {
    window.show();
    window.showContext(1);
    window.showContext(501);
    window.showContext(504);
    EXPECT_EQ(PageOf(window), QStringLiteral("options.html"));
    EXPECT_FALSE(window.ForwardAction->isEnabled());
    ASSERT_TRUE(window.BackAction->isEnabled());
    window.BackAction->trigger();
    EXPECT_EQ(PageOf(window), QStringLiteral("optimize.html"));
    window.BackAction->trigger();
    EXPECT_EQ(PageOf(window), QStringLiteral("getting-started.html"));
    EXPECT_FALSE(window.BackAction->isEnabled());
    window.ForwardAction->trigger();
    EXPECT_EQ(PageOf(window), QStringLiteral("optimize.html"));
    // A new topic drops what lay ahead.
    window.showContext(502);
    EXPECT_FALSE(window.ForwardAction->isEnabled());
    window.HomeAction->trigger();
    EXPECT_EQ(PageOf(window), QStringLiteral("index.html"));
    // The same topic asked for again is not a second step back.
    window.showDefault();
    window.BackAction->trigger();
    EXPECT_EQ(PageOf(window), QStringLiteral("copy-shop.html"));
}

TEST_F(HelpWindowTest, TheShownPageIsTheTopicsText) {
    window.showContext(502);
    EXPECT_TRUE(window.Browser->toPlainText().contains(QStringLiteral("Copy from this shop")));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Grocelle Help"));
}

TEST_F(HelpWindowTest, ALinkInATopicOpensTheLinkedTopic) {
    window.showContext(100);
    // Links between the pages are relative, as the contents page's first one to Getting started.
    emit window.Browser->anchorClicked(QUrl(QStringLiteral("getting-started.html")));
    EXPECT_EQ(PageOf(window), QStringLiteral("getting-started.html"));
    EXPECT_EQ(window.currentTopic().scheme(), QStringLiteral("qthelp"));
    EXPECT_TRUE(window.Browser->toPlainText().contains(QStringLiteral("Enter your shops")));
    EXPECT_TRUE(window.BackAction->isEnabled());
}

TEST_F(HelpWindowTest, LinksOutOfTheCollectionGoToTheBrowser) {
    ScriptedDialogService dialogs;
    window.showContext(100);
    emit window.Browser->anchorClicked(QUrl(QStringLiteral("https://www.grocelle.example/")));
    EXPECT_EQ(dialogs.openedUrls(), QStringList{"https://www.grocelle.example/"});
    EXPECT_EQ(PageOf(window), QStringLiteral("index.html"));
}

TEST_F(HelpWindowTest, TheSearchTabListsThePagesFoundAndOpensOne) {
    window.show();
    window.Tabs->setCurrentIndex(HelpWindow::SearchTab);
    QTest::keyClicks(window.SearchEdit, QStringLiteral("imported"));
    QTest::keyClick(window.SearchEdit, Qt::Key_Return);
    ASSERT_EQ(window.SearchResults->count(), 1);
    EXPECT_EQ(window.SearchResults->item(0)->text(), QStringLiteral("Importing version 1 data"));
    QListWidgetItem* hit = window.SearchResults->item(0);
    QTest::mouseClick(window.SearchResults->viewport(), Qt::LeftButton, {},
                      window.SearchResults->visualItemRect(hit).center());
    EXPECT_EQ(PageOf(window), QStringLiteral("import-v1.html"));

    window.search(QStringLiteral("xylophone"));
    ASSERT_EQ(window.SearchResults->count(), 1);
    EXPECT_EQ(window.SearchResults->item(0)->text(), QStringLiteral("No page contains these words."));
    EXPECT_EQ(PageOf(window), QStringLiteral("import-v1.html"));
}

TEST_F(HelpWindowTest, TheIndexFindsAKeywordAsItIsTypedAndOpensItsTopic) {
    window.show();
    QHelpIndexModel* index = window.collection().engine().indexModel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return index->rowCount() > 10; }, 10000));
    window.showIndex(QString());
    EXPECT_EQ(window.Tabs->currentIndex(), HelpWindow::IndexTab);
    EXPECT_EQ(PageOf(window), QStringLiteral("index.html"));
    QTest::keyClicks(window.IndexEdit, QStringLiteral("walk"));
    ASSERT_TRUE(window.IndexList->currentIndex().isValid());
    EXPECT_EQ(window.IndexList->currentIndex().data().toString(), QStringLiteral("walking order"));
    QTest::keyClick(window.IndexEdit, Qt::Key_Return);
    EXPECT_EQ(PageOf(window), QStringLiteral("aisle-sequence.html"));
}

TEST_F(HelpWindowTest, TheContentsTreeOpensATopicAndFollowsThePageShown) {
    window.show();
    QHelpContentModel* contents = window.collection().engine().contentModel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return contents->rowCount() > 0; }, 10000));
    window.ContentsTree->expandAll();
    // Root "Grocelle Help", its first child "Getting started".
    const QModelIndex first = contents->index(0, 0, contents->index(0, 0));
    ASSERT_TRUE(first.isValid());
    QTest::mouseClick(window.ContentsTree->viewport(), Qt::LeftButton, {},
                      window.ContentsTree->visualRect(first).center());
    EXPECT_EQ(PageOf(window), QStringLiteral("getting-started.html"));

    window.showContext(504);
    const QModelIndex current = window.ContentsTree->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(current.data().toString(), QStringLiteral("Options"));
}

TEST(HelpWindow, AMissingCollectionSaysSoInTheWindow) {
    HelpWindow window(
        std::make_unique<help::HelpCollection>(QStringLiteral("/nonexistent/Help/Grocelle.qhc")));
    window.showContext(1);
    window.search(QStringLiteral("shop"));
    EXPECT_TRUE(window.Browser->toPlainText().contains(QStringLiteral("/nonexistent/Help/Grocelle.qhc")));
    EXPECT_EQ(window.SearchResults->item(0)->text(), QStringLiteral("No page contains these words."));
}

TEST(HelpWindows, OneWindowACollectionShownAgainOnTheNextRequestAndAllClosedTogether) {
    help::HelpWindows windows;
    const QString catalogue = QStringLiteral(GROCELLE_HELP_FOLDER "Catalogue.qhc");
    windows.showContext(kHelpFile, 503);
    HelpWindow* program = windows.window(kHelpFile);
    ASSERT_TRUE(program);
    EXPECT_TRUE(program->isVisible());
    windows.showContents(catalogue);
    HelpWindow* products = windows.window(catalogue);
    ASSERT_TRUE(products && products != program);
    EXPECT_EQ(products->currentTopic().fileName(), QStringLiteral("catalogue.html"));
    EXPECT_EQ(windows.activeWindow(), products);

    program->close();
    windows.showContext(kHelpFile, 1);
    EXPECT_EQ(windows.window(kHelpFile), program); // the same window, with its history
    EXPECT_TRUE(program->isVisible());
    EXPECT_TRUE(program->BackAction->isEnabled());

    windows.closeAll();
    EXPECT_FALSE(program->isVisible());
    EXPECT_FALSE(products->isVisible());
}

// Each tab of the help window keeps its own Alt+letters, and the topics stay readable on a dark scheme: their
// headings and table heads are given lighter and darker greens there, and the white-page ones elsewhere.
TEST_F(HelpWindowTest, KeysAreTheirOwnAndTopicsReadOnADarkScheme) {
    for (int tab = 0; tab < window.Tabs->count(); ++tab) {
        window.Tabs->setCurrentIndex(tab);
        EXPECT_EQ(mnemonics::clashes(&window, window.Tabs->tabText(tab)), QStringList());
    }
    const QUrl sheet(QStringLiteral("qthelp://org.grocelle.help/doc/style.css"));
    const QString light = window.Browser->loadResource(QTextDocument::StyleSheetResource, sheet).toString();
    EXPECT_TRUE(light.contains(QStringLiteral("#2e7d32")));
    EXPECT_FALSE(light.contains(QStringLiteral("#81c784")));
    QPalette dark = window.Browser->palette();
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    window.Browser->setPalette(dark);
    const QString night = window.Browser->loadResource(QTextDocument::StyleSheetResource, sheet).toString();
    EXPECT_TRUE(night.endsWith(QStringLiteral("th { background-color: #1b5e20; }\n")));
    EXPECT_TRUE(night.contains(QStringLiteral("h1, h2 { color: #81c784; }")));
}
