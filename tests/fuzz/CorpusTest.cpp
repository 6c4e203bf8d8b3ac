#include "FuzzTargets.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Every input kept for a fuzz target, fed to the same entry point: a fault the fuzzer once found comes back
// as a failure here, with no fuzzer needed.
class CorpusTest : public ::testing::TestWithParam<fuzz::Target> {};

TEST_P(CorpusTest, EveryKeptInputIsHandled) {
    const QDir folder(QStringLiteral(FUZZ_CORPUS) + QLatin1Char('/') + QLatin1String(GetParam().name));
    const QStringList names = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(names.isEmpty()) << "no inputs in " << folder.path().toStdString();
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        try {
            GetParam().run(file.readAll());
        } catch (const fuzz::Violation& v) {
            ADD_FAILURE() << GetParam().name << "/" << name.toStdString() << ": " << v.what();
        } catch (const std::exception& e) {
            ADD_FAILURE() << GetParam().name << "/" << name.toStdString() << " escaped with: " << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, CorpusTest, ::testing::ValuesIn(fuzz::targets()),
                         [](const ::testing::TestParamInfo<fuzz::Target>& info) {
                             return std::string(info.param.name);
                         });
