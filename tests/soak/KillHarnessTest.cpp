// The harness itself: it must see a torn change as torn, and the start-up state it compares must notice what
// the program's start-up would complain about or leave behind.
#include "KillHarness.h"
#include "Database.h"
#include "SoakCommands.h"
#include "SoakDatabase.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace soak;

class KillHarnessTest : public ::testing::Test {
protected:
    KillHarnessTest() {
        QDir().mkpath(folder);
        fillDatabase(folder);
    }

    QTemporaryDir temp{workFolderTemplate()};
    QString folder = temp.filePath(QStringLiteral("db"));
};

TEST_F(KillHarnessTest, AChangeInTwoTransactionsIsCaughtTorn) {
    KillHarness harness(childProgram(), temp.filePath(QStringLiteral("run")));
    // The last step kill falls inside the second transaction.
    const Figures figures = harness.run(kSplitDelete, folder, KillPlan{0, 12});
    ASSERT_TRUE(harness.setupProblem().isEmpty()) << harness.setupProblem().toStdString();
    EXPECT_GT(figures.before, 0);
    // Between the two commits the items are gone and the shop is still there.
    ASSERT_GT(figures.torn, 0);
    EXPECT_TRUE(figures.tornCases.front().contains(QLatin1String("neither before nor after")))
        << figures.tornCases.front().toStdString();
    EXPECT_EQ(figures.before + figures.after + figures.torn, 12);
}

TEST_F(KillHarnessTest, TheStartUpStateSeesEveryRowTheDefinitionsAndTheLocale) {
    const FolderState first = reopenAsAtStart(folder);
    ASSERT_TRUE(first.sound()) << first.problem.toStdString();
    EXPECT_EQ(reopenAsAtStart(folder).contents, first.contents);
    {
        engine::Database db(folder);
        db.execute(QStringLiteral("UPDATE Items SET Price = Price + 0.01 WHERE ItemID = 17"));
    }
    const FolderState priced = reopenAsAtStart(folder);
    ASSERT_TRUE(priced.sound()) << priced.problem.toStdString();
    EXPECT_NE(priced.contents, first.contents);
    {
        engine::Database db(folder);
        db.alterTables({QStringLiteral("Shops")}, kNewLocale);
    }
    const FolderState altered = reopenAsAtStart(folder);
    ASSERT_TRUE(altered.sound()) << altered.problem.toStdString();
    EXPECT_NE(altered.contents, priced.contents);
}

TEST_F(KillHarnessTest, TheStartUpStateRefusesLeftoversAndDamage) {
    const QString stray = QDir(folder).filePath(QStringLiteral("Items.dat.tmp"));
    QFile(stray).open(QIODevice::WriteOnly);
    FolderState state = reopenAsAtStart(folder);
    EXPECT_FALSE(state.sound());
    EXPECT_TRUE(state.problem.contains(QLatin1String("Items.dat.tmp"))) << state.problem.toStdString();
    EXPECT_TRUE(reopenAsAtStart(folder, {QStringLiteral("Items.dat.tmp")}).sound());
    QFile::remove(stray);

    QDir().mkpath(folder + QStringLiteral(".half"));
    state = reopenAsAtStart(folder);
    EXPECT_TRUE(state.problem.contains(QLatin1String("db.half"))) << state.problem.toStdString();
    QDir(folder + QStringLiteral(".half")).removeRecursively();
    ASSERT_TRUE(reopenAsAtStart(folder).sound());

    {
        QFile items(QDir(folder).filePath(QStringLiteral("Items.dat")));
        ASSERT_TRUE(items.open(QIODevice::ReadWrite));
        items.resize(items.size() / 2);
    }
    state = reopenAsAtStart(folder);
    EXPECT_FALSE(state.sound());
    EXPECT_TRUE(state.problem.contains(QLatin1String("Items.dat"))) << state.problem.toStdString();

    QFile::remove(QDir(folder).filePath(QStringLiteral("Items.dat")));
    state = reopenAsAtStart(folder);
    EXPECT_FALSE(state.sound());
    EXPECT_TRUE(state.problem.contains(QLatin1String("missing"))) << state.problem.toStdString();
}

} // namespace
