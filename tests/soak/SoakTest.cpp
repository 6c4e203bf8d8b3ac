// Every command that writes many rows or replaces files, killed before each of its file-system steps and at
// random instants: after every kill the program's start-up finds the database entirely as before the command
// or entirely as after it. GROCELLE_SOAK_KILLS and GROCELLE_SOAK_STEPS set how many kills each command gets.
#include "Backup.h"
#include "Database.h"
#include "KillHarness.h"
#include "PriceOptimizer.h"
#include "SoakCommands.h"
#include "SoakDatabase.h"
#include "V1FileWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace {

using namespace soak;

struct Prepared {
    QString file; // what the child gets besides the folder
};

struct SoakCase {
    QString command;
    // Fills the template folder; `spare` is a folder the preparation may use for anything else.
    std::function<Prepared(const QString& folder, const QString& spare)> prepare;
};

Prepared plain(const QString& folder, const QString&) {
    fillDatabase(folder);
    return {};
}

const std::vector<SoakCase>& cases() {
    static const std::vector<SoakCase> all{
        {kDeleteShops, plain},
        {kDeleteCategories, plain},
        {kDeleteProduct, plain},
        {kDeleteUnused, plain},
        {kClearList, plain},
        {kOptimize, plain},
        {kUndo,
         [](const QString& folder, const QString&) {
             fillDatabase(folder);
             engine::Database db(folder);
             PriceOptimizer(db).run(OptimizeMode::CheapestTrip);
             return Prepared{};
         }},
        {kCopyShop, plain},
        {kFloorPlan, plain},
        {kLanguage, plain},
        {kUpgrade,
         [](const QString& folder, const QString&) {
             fillDatabase(folder);
             makeOlderVersion(folder);
             return Prepared{};
         }},
        {kRestore,
         [](const QString& folder, const QString& spare) {
             fillDatabase(folder);
             const QString other = QDir(spare).filePath(QStringLiteral("other"));
             QDir().mkpath(other);
             fillDatabase(other, 1);
             return Prepared{backup::BackupWriter(other, spare).write()};
         }},
        {kImportV1,
         [](const QString& folder, const QString& spare) {
             fillDatabase(folder);
             const QString file = QDir(spare).filePath(QStringLiteral("grocelle.dat"));
             EXPECT_TRUE(V1FileWriter().file(v1Contents(), 3).save(file));
             return Prepared{file};
         }},
        {kPriceChange, plain},
        {kCheckRepair,
         [](const QString& folder, const QString&) {
             fillDatabase(folder);
             addOrphans(folder);
             return Prepared{};
         }},
    };
    return all;
}

void PrintTo(const SoakCase& c, std::ostream* out) {
    *out << c.command.toStdString();
}

class KillSoak : public ::testing::TestWithParam<SoakCase> {};

TEST_P(KillSoak, EveryKillLeavesTheDatabaseAsBeforeOrAsAfter) {
    const SoakCase& c = GetParam();
    QTemporaryDir temp(workFolderTemplate());
    ASSERT_TRUE(temp.isValid());
    const QString templ = temp.filePath(QStringLiteral("template"));
    const QString spare = temp.filePath(QStringLiteral("spare"));
    QDir().mkpath(templ);
    QDir().mkpath(spare);
    const Prepared prepared = c.prepare(templ, spare);

    const KillPlan plan = planFromEnvironment(10, 4);
    KillHarness harness(childProgram(), temp.filePath(QStringLiteral("run")));
    const Figures figures = harness.run(c.command, templ, plan, prepared.file);
    ASSERT_TRUE(harness.setupProblem().isEmpty()) << harness.setupProblem().toStdString();

    std::printf("%s\n", qPrintable(figures.line()));
    std::fflush(stdout);
    EXPECT_EQ(figures.torn, 0) << figures.tornCases.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(figures.failed, 0) << figures.failures.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(figures.randomKills, plan.randomKills);
    EXPECT_EQ(figures.stepKills,
              plan.stepKills < 0 ? figures.steps : std::min(plan.stepKills, figures.steps));
    EXPECT_EQ(figures.before + figures.after + figures.torn, figures.kills());
    // A kill before the first step cannot have changed anything.
    if (figures.stepKills > 0) {
        EXPECT_GT(figures.before, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, KillSoak, ::testing::ValuesIn(cases()), [](const ::testing::TestParamInfo<SoakCase>& info) {
        return QString(info.param.command).replace(QLatin1Char('-'), QLatin1Char('_')).toStdString();
    });

} // namespace
