#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVersionNumber>

#include <atomic>
#include <functional>

namespace updater {

// Where the version file is asked for: GROCELLE_UPDATE_URL when set, else the maker's address.
QString VersionFileAddress();

// The version the file names: its first line, three numbers such as "2.4.0"; null when the file holds
// anything else.
QVersionNumber ReadVersionFile(const QByteArray& contents);

struct UpdateOutcome {
    enum Kind { UpToDate, NewerVersion, Failed };
    Kind kind = Failed;
    QString message;
    QVersionNumber latest;
};

// Fetches a web address into body; on failure returns false with a reason for the user.
using Fetcher = std::function<bool(const QString& address, QByteArray& body, QString& reason)>;

// libcurl, following redirects, an HTTP error counting as a failure, giving up after a while.
bool FetchWithCurl(const QString& address, QByteArray& body, QString& reason);
// The same; setting `cancel` (from any thread) ends the transfer within a moment.
bool FetchWithCurlUntil(const std::atomic<bool>& cancel, const QString& address, QByteArray& body,
                        QString& reason);

// Asks for the version file and compares it with the running version.
UpdateOutcome CheckForUpdate(const QString& address, const QVersionNumber& ownVersion,
                             const Fetcher& fetch = FetchWithCurl);

// What the command line asks for: "/checknow" (also without arguments), "/silent", "--stdout", "--help".
struct UpdaterArguments {
    bool silent = false;
    bool toStdout = false;
    bool help = false;
    QString error; // the first argument the program does not know, as a message
};
UpdaterArguments ParseUpdaterArguments(const QStringList& arguments);
// The text "--help" prints.
QString UpdaterUsage();

// The outcome is shown unless the check is silent and there is no newer version to name.
inline bool ShouldReport(const UpdateOutcome& outcome, bool silent) {
    return !silent || outcome.kind == UpdateOutcome::NewerVersion;
}

} // namespace updater
