#include "AboutForm.h"
#include "AboutText.h"
#include "GlyphBitButton.h"
#include "ScriptedDialogService.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

TEST(AboutText, NamesTheVersionThePlatformAndTheTableEngine) {
    const QStringList lines = help::AboutLines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_FALSE(lines[0].isEmpty());
    EXPECT_FALSE(lines[1].isEmpty());
#if defined(Q_OS_LINUX) && Q_PROCESSOR_WORDSIZE == 8
    EXPECT_EQ(lines[2], QStringLiteral("Version 2.3.0 (Linux 64bit build)"));
#endif
    EXPECT_EQ(lines[2], QStringLiteral("Version 2.3.0 (") + help::BuildPlatformText() + QLatin1Char(')'));
    // The version of the library the program runs with, not of the headers it was built with.
    EXPECT_EQ(lines[3], QStringLiteral("SQLite V") + QLatin1String(sqlite3_libversion()));
}

TEST(AboutForm, ShowsTheLinesEachTimeAndOpensTheWebSite) {
    ScriptedDialogService dialogs;
    help::AboutForm about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Grocelle"));
    EXPECT_EQ(about.size(), QSize(311, 183));
    EXPECT_TRUE(about.OKBtn->isDefault());
    EXPECT_TRUE(about.OKBtn->drawsImage());
    EXPECT_TRUE(about.WebSiteBtn->drawsImage());
    EXPECT_FALSE(about.WebSiteBtn->toolTip().isEmpty());
    ASSERT_FALSE(about.ProgramIcon->pixmap().isNull());
    EXPECT_EQ(about.ProgramIcon->pixmap().size(), QSize(50, 50));

    about.TextPanel->setText(QStringLiteral("stale"));
    QTimer::singleShot(0, &about, [&] {
        EXPECT_EQ(about.TextPanel->text(), help::AboutLines().join(QLatin1Char('\n')));
        QTest::mouseClick(about.WebSiteBtn, Qt::LeftButton);
        EXPECT_TRUE(about.isVisible()); // the box stays open
        QTest::mouseClick(about.OKBtn, Qt::LeftButton);
    });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
    EXPECT_EQ(dialogs.openedUrls(), QStringList{help::kWebSiteAddress});
}
