#include "UpdateCheck.h"

#include <gtest/gtest.h>

#include <QUrl>

using updater::CheckForUpdate;
using updater::ReadVersionFile;
using updater::UpdateOutcome;

namespace {

// Answers every fetch with the given body, or fails with the reason when one is given.
updater::Fetcher Serving(const QByteArray& body, const QString& failure = QString()) {
    return [=](const QString&, QByteArray& out, QString& reason) {
        if (!failure.isEmpty()) {
            reason = failure;
            return false;
        }
        out = body;
        return true;
    };
}

const QVersionNumber kOwn(2, 3, 0);

} // namespace

TEST(VersionFile, NamesThreeNumbersOnItsFirstLine) {
    EXPECT_EQ(ReadVersionFile("2.4.0"), QVersionNumber(2, 4, 0));
    EXPECT_EQ(ReadVersionFile("  2.10.1\r\nreleased today\r\n"), QVersionNumber(2, 10, 1));
    for (const char* bad : {"", "\n2.4.0", "2.4", "2.4.0.1", "v2.4.0", "2.4.0-beta", "<html>2.4.0</html>",
                            "2..0", "two.four.zero", "99999.0.0"})
        EXPECT_TRUE(ReadVersionFile(bad).isNull()) << bad;
}

TEST(UpdateCheck, ComparesVersionsAsNumbersNotAsText) {
    const UpdateOutcome newer =
        CheckForUpdate(QStringLiteral("u"), QVersionNumber(2, 9, 0), Serving("2.10.0\n"));
    EXPECT_EQ(newer.kind, UpdateOutcome::NewerVersion);
    EXPECT_EQ(newer.latest, QVersionNumber(2, 10, 0));
    EXPECT_TRUE(
        newer.message.startsWith(QStringLiteral("Grocelle 2.10.0 is available; this is version 2.9.0.")));

    EXPECT_EQ(CheckForUpdate(QStringLiteral("u"), QVersionNumber(2, 10, 0), Serving("2.9.9")).kind,
              UpdateOutcome::UpToDate);
}

TEST(UpdateCheck, TheSameOrAnOlderVersionIsUpToDate) {
    for (const QByteArray& served : {QByteArray("2.3.0"), QByteArray("2.2.9"), QByteArray("1.9.9\n")}) {
        const UpdateOutcome outcome = CheckForUpdate(QStringLiteral("u"), kOwn, Serving(served));
        EXPECT_EQ(outcome.kind, UpdateOutcome::UpToDate) << served.constData();
        EXPECT_EQ(outcome.message, QStringLiteral("Grocelle is up to date."));
    }
}

TEST(UpdateCheck, AFailedFetchOrAnUnreadableFileIsAFailureNamingTheAddress) {
    const UpdateOutcome down = CheckForUpdate(QStringLiteral("http://127.0.0.1:9/v.txt"), kOwn,
                                              Serving({}, QStringLiteral("Connection refused")));
    EXPECT_EQ(down.kind, UpdateOutcome::Failed);
    EXPECT_EQ(down.message,
              QStringLiteral("The check for updates failed: http://127.0.0.1:9/v.txt could not be "
                             "read (Connection refused)."));
    const UpdateOutcome garbage =
        CheckForUpdate(QStringLiteral("http://h/v.txt"), kOwn, Serving("<html>Not here</html>"));
    EXPECT_EQ(garbage.kind, UpdateOutcome::Failed);
    EXPECT_EQ(garbage.message,
              QStringLiteral("The check for updates failed: http://h/v.txt does not name a version."));
}

TEST(UpdateCheck, ASilentCheckSpeaksOnlyOfANewerVersion) {
    for (const auto kind : {UpdateOutcome::UpToDate, UpdateOutcome::NewerVersion, UpdateOutcome::Failed}) {
        UpdateOutcome outcome;
        outcome.kind = kind;
        EXPECT_TRUE(updater::ShouldReport(outcome, false));
        EXPECT_EQ(updater::ShouldReport(outcome, true), kind == UpdateOutcome::NewerVersion);
    }
}

TEST(UpdateCheck, TheAddressCanBeOverriddenForTests) {
    const QByteArray saved = qgetenv("GROCELLE_UPDATE_URL");
    qunsetenv("GROCELLE_UPDATE_URL");
    const QUrl standard(updater::VersionFileAddress());
    EXPECT_TRUE(standard.host().endsWith(QStringLiteral(".example"))) << standard.toString().toStdString();
    qputenv("GROCELLE_UPDATE_URL", "http://127.0.0.1:8000/version.txt");
    EXPECT_EQ(updater::VersionFileAddress(), QStringLiteral("http://127.0.0.1:8000/version.txt"));
    if (saved.isEmpty())
        qunsetenv("GROCELLE_UPDATE_URL");
    else
        qputenv("GROCELLE_UPDATE_URL", saved);
}
