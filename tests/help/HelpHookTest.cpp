#include "HelpHook.h"

#include <gtest/gtest.h>

#include <QStringList>

using help::HelpCommand;
using help::HelpHook;

namespace {

// Writes down what the viewer was asked to do, one line a request.
class RecordingViewer : public help::HelpViewer {
public:
    void showContext(const QString& collection, int contextId) override {
        calls << QStringLiteral("topic %1 %2").arg(collection).arg(contextId);
    }
    void showContents(const QString& collection) override {
        calls << QStringLiteral("contents ") + collection;
    }
    void showIndex(const QString& collection, const QString& keyword) override {
        calls << QStringLiteral("index %1 [%2]").arg(collection, keyword);
    }
    void showDefault(const QString& collection) override { calls << QStringLiteral("default ") + collection; }
    void closeAll() override { calls << QStringLiteral("close all"); }
    QStringList calls;
};

} // namespace

TEST(HelpHook, TurnsEveryCommandIntoOneViewerRequestOnTheHelpFile) {
    RecordingViewer viewer;
    HelpHook hook(viewer, QStringLiteral("/opt/g/Help/Grocelle.qhc"));
    EXPECT_TRUE(hook.request(HelpCommand::Context, 501));
    EXPECT_TRUE(hook.request(HelpCommand::ContextPopup, 7));
    EXPECT_TRUE(hook.request(HelpCommand::Contents));
    EXPECT_TRUE(hook.request(HelpCommand::Keyword, 0, QStringLiteral("backup")));
    EXPECT_TRUE(hook.request(HelpCommand::PartialKeyword, 0, QString()));
    EXPECT_TRUE(hook.request(HelpCommand::Finder, 3));
    EXPECT_TRUE(hook.request(HelpCommand::Other));
    EXPECT_TRUE(hook.request(HelpCommand::Quit));
    EXPECT_EQ(viewer.calls, (QStringList{
                                "topic /opt/g/Help/Grocelle.qhc 501",
                                "topic /opt/g/Help/Grocelle.qhc 7",
                                "contents /opt/g/Help/Grocelle.qhc",
                                "index /opt/g/Help/Grocelle.qhc [backup]",
                                "index /opt/g/Help/Grocelle.qhc []",
                                "default /opt/g/Help/Grocelle.qhc",
                                "default /opt/g/Help/Grocelle.qhc",
                                "close all",
                            }));
}

TEST(HelpHook, HelpOnHelpComesFromTheFolderOfTheCurrentHelpFile) {
    RecordingViewer viewer;
    HelpHook hook(viewer, QStringLiteral("/usr/share/grocelle/Help/Grocelle.qhc"));
    hook.setHelpFile(QStringLiteral("/home/u/other/Help/Grocelle.qhc"));
    hook.request(HelpCommand::HelpOnHelp);
    EXPECT_EQ(viewer.calls, QStringList{"contents /home/u/other/Help/UsingHelp.qhc"});
}

TEST(HelpHook, ContentsOfAnotherCollectionLeaveTheHelpFileAsItWas) {
    RecordingViewer viewer;
    HelpHook hook(viewer, QStringLiteral("/p/Help/Grocelle.qhc"));
    hook.showContentsOf(QStringLiteral("/p/Help/Catalogue.qhc"));
    hook.request(HelpCommand::Context, 100);
    EXPECT_EQ(hook.helpFile(), QStringLiteral("/p/Help/Grocelle.qhc"));
    EXPECT_EQ(viewer.calls,
              (QStringList{"contents /p/Help/Catalogue.qhc", "topic /p/Help/Grocelle.qhc 100"}));
}
