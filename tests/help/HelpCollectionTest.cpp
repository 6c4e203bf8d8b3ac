#include "HelpCollection.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

using help::HelpCollection;

namespace {

const QString kHelpFolder = QStringLiteral(GROCELLE_HELP_FOLDER);

QString PageOf(const QUrl& url) {
    return url.fileName();
}

QStringList PagesOf(const QList<help::Topic>& topics) {
    QStringList pages;
    for (const help::Topic& t : topics)
        pages << PageOf(t.url);
    return pages;
}

// The program's help collection as the build compiled it.
class HelpCollectionTest : public ::testing::Test {
protected:
    HelpCollection help{kHelpFolder + QStringLiteral("Grocelle.qhc")};
};

} // namespace

TEST_F(HelpCollectionTest, EveryContextIdOfTheProgramLeadsToItsOwnTopic) {
    ASSERT_TRUE(help.isOpen());
    const std::pair<int, const char*> expected[] = {{1, "getting-started.html"},
                                                    {100, "index.html"},
                                                    {501, "optimize.html"},
                                                    {502, "copy-shop.html"},
                                                    {503, "optimization-results.html"},
                                                    {504, "options.html"},
                                                    {510, "take-along.html"}};
    for (const auto& [id, page] : expected) {
        const QUrl url = help.topicForContext(id);
        EXPECT_EQ(PageOf(url), QLatin1String(page)) << id;
        EXPECT_FALSE(help.fileData(url).isEmpty()) << id;
    }
}

TEST_F(HelpCollectionTest, AnUnknownContextIdShowsTheDefaultTopic) {
    ASSERT_TRUE(help.isOpen());
    EXPECT_EQ(PageOf(help.defaultTopic()), QStringLiteral("index.html"));
    for (int id : {0, 2, 500, 505, -1})
        EXPECT_EQ(help.topicForContext(id), help.defaultTopic()) << id;
}

TEST_F(HelpCollectionTest, EveryPageHasATitleAndTheWindowIsNamed) {
    ASSERT_TRUE(help.isOpen());
    EXPECT_EQ(help.windowTitle(), QStringLiteral("Grocelle Help"));
    EXPECT_EQ(help.titleOf(help.topicForContext(502)), QStringLiteral("Copy shop"));
    // Every page the search can find has a title to list it by.
    for (const help::Topic& t : help.search(QStringLiteral("grocelle")))
        EXPECT_FALSE(t.title.isEmpty()) << t.url.toString().toStdString();
}

TEST_F(HelpCollectionTest, SearchFindsTheOneTopicThatHoldsAWord) {
    ASSERT_TRUE(help.isOpen());
    // Only the import's page speaks of what was imported; letter case does not matter.
    EXPECT_EQ(PagesOf(help.search(QStringLiteral("IMPORTED"))), QStringList{"import-v1.html"});
    EXPECT_EQ(PagesOf(help.search(QStringLiteral("fridge"))).first(), QStringLiteral("reports.html"));
}

TEST_F(HelpCollectionTest, SearchWantsEveryWordAndRanksByHits) {
    ASSERT_TRUE(help.isOpen());
    const QStringList both = PagesOf(help.search(QStringLiteral("backup restore")));
    ASSERT_FALSE(both.isEmpty());
    EXPECT_EQ(both.first(), QStringLiteral("backup-restore.html"));
    for (const QString& page : both) {
        const QList<help::Topic> one = help.search(QStringLiteral("backup"));
        EXPECT_TRUE(PagesOf(one).contains(page)) << page.toStdString();
    }
    EXPECT_TRUE(help.search(QStringLiteral("backup xylophone")).isEmpty());
    EXPECT_TRUE(help.search(QStringLiteral("  ,; ")).isEmpty());
}

TEST_F(HelpCollectionTest, IndexKeywordsLeadToTheirTopics) {
    ASSERT_TRUE(help.isOpen());
    EXPECT_EQ(PagesOf(help.lookUp(QStringLiteral("walking order"))), QStringList{"aisle-sequence.html"});
    EXPECT_EQ(PagesOf(help.lookUp(QStringLiteral("F2"))), QStringList{"backup-restore.html"});
    EXPECT_TRUE(help.lookUp(QStringLiteral("no such keyword")).isEmpty());
}

TEST(HelpCollection, AMissingOrForeignFileIsNoCollectionAndFindsNothing) {
    for (const QString& file :
         {QStringLiteral("/nonexistent/Grocelle.qhc"), QStringLiteral(GROCELLE_HELP_FOLDER "style.css")}) {
        HelpCollection help(file);
        EXPECT_FALSE(help.isOpen()) << file.toStdString();
        EXPECT_TRUE(help.topicForContext(1).isEmpty());
        EXPECT_TRUE(help.search(QStringLiteral("grocelle")).isEmpty());
        EXPECT_EQ(help.windowTitle(), QStringLiteral("Help"));
    }
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/nonexistent/Grocelle.qhc")));
}

TEST(HelpCollection, TheOtherCollectionsAreCompiledBesideIt) {
    HelpCollection usage(kHelpFolder + QStringLiteral("UsingHelp.qhc"));
    HelpCollection catalogue(kHelpFolder + QStringLiteral("Catalogue.qhc"));
    ASSERT_TRUE(usage.isOpen());
    ASSERT_TRUE(catalogue.isOpen());
    EXPECT_EQ(usage.defaultTopic().fileName(), QStringLiteral("using-help.html"));
    EXPECT_EQ(catalogue.defaultTopic().fileName(), QStringLiteral("catalogue.html"));
}

TEST(HelpSearchWords, AreLowerCaseRunsOfLettersAndDigits) {
    EXPECT_EQ(help::SearchWords(QStringLiteral("Check/repair data, F2 -- Größe snake_case")),
              (QStringList{"check", "repair", "data", "f2", "größe", "snake", "case"}));
}

// Installed, the collection lies in a folder the user cannot write: using it must write nothing there.
TEST(HelpCollection, UsingACollectionWritesNothingBesideIt) {
    const TempFolder folder;
    for (const char* name : {"Grocelle.qhc", "Grocelle.qch"})
        ASSERT_TRUE(QFile::copy(kHelpFolder + QLatin1String(name), folder.file(QLatin1String(name))));
    QFile qhc(folder.file(QStringLiteral("Grocelle.qhc")));
    ASSERT_TRUE(qhc.open(QIODevice::ReadOnly));
    const QByteArray before = qhc.readAll();
    qhc.close();
    {
        HelpCollection help(folder.file(QStringLiteral("Grocelle.qhc")));
        ASSERT_TRUE(help.isOpen());
        EXPECT_FALSE(help.search(QStringLiteral("shop")).isEmpty());
        EXPECT_FALSE(help.lookUp(QStringLiteral("backup")).isEmpty());
        EXPECT_FALSE(help.fileData(help.topicForContext(1)).isEmpty());
    }
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"Grocelle.qch", "Grocelle.qhc"}));
    ASSERT_TRUE(qhc.open(QIODevice::ReadOnly));
    EXPECT_EQ(qhc.readAll(), before);
}
