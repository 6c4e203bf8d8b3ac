#include "UpdateCheck.h"

#include <QRegularExpression>

#include <curl/curl.h>

namespace updater {

namespace {

const char* const kDefaultAddress = "https://updates.grocelle.example/version.txt";
constexpr long kConnectSeconds = 15;
constexpr long kTotalSeconds = 30;
// A version file is one short line; anything much larger is not one.
constexpr size_t kLargestFile = 4096;

size_t Collect(char* data, size_t size, size_t count, void* target) {
    auto* body = static_cast<QByteArray*>(target);
    const size_t bytes = size * count;
    if (static_cast<size_t>(body->size()) + bytes > kLargestFile)
        return 0; // stops the transfer
    body->append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int Progress(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

} // namespace

QString VersionFileAddress() {
    const QString address = qEnvironmentVariable("GROCELLE_UPDATE_URL");
    return address.isEmpty() ? QString::fromLatin1(kDefaultAddress) : address;
}

QVersionNumber ReadVersionFile(const QByteArray& contents) {
    static const QRegularExpression version(QStringLiteral("^\\d{1,4}\\.\\d{1,4}\\.\\d{1,4}$"));
    const QString text = QString::fromUtf8(contents);
    const QString first = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    if (!version.match(first).hasMatch())
        return {};
    return QVersionNumber::fromString(first);
}

bool FetchWithCurl(const QString& address, QByteArray& body, QString& reason) {
    const std::atomic<bool> never{false};
    return FetchWithCurlUntil(never, address, body, reason);
}

bool FetchWithCurlUntil(const std::atomic<bool>& cancel, const QString& address, QByteArray& body,
                        QString& reason) {
    CURL* curl = curl_easy_init();
    if (!curl) {
        reason = QStringLiteral("the network library could not be started");
        return false;
    }
    char error[CURL_ERROR_SIZE] = {};
    const QByteArray url = address.toUtf8();
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTotalSeconds);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel));
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    if (result == CURLE_OK)
        return true;
    reason = result == CURLE_WRITE_ERROR ? QStringLiteral("the answer is too large to be a version file")
             : result == CURLE_ABORTED_BY_CALLBACK ? QStringLiteral("the check was cancelled")
             : error[0]                            ? QString::fromLocal8Bit(error)
                                                   : QString::fromLatin1(curl_easy_strerror(result));
    return false;
}

UpdaterArguments ParseUpdaterArguments(const QStringList& arguments) {
    UpdaterArguments parsed;
    for (const QString& a : arguments) {
        if (a.compare(QLatin1String("/silent"), Qt::CaseInsensitive) == 0)
            parsed.silent = true;
        else if (a.compare(QLatin1String("/checknow"), Qt::CaseInsensitive) == 0)
            continue;
        else if (a == QLatin1String("--stdout"))
            parsed.toStdout = true;
        else if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("/?"))
            parsed.help = true;
        else if (parsed.error.isEmpty())
            parsed.error = QStringLiteral("Unknown argument: ") + a;
    }
    return parsed;
}

QString UpdaterUsage() {
    return QStringLiteral(
        "Usage: grocelle-updater [/checknow | /silent] [--stdout]\n"
        "\n"
        "Asks the Grocelle web site whether a newer version of Grocelle exists.\n"
        "\n"
        "  /checknow  always report the outcome (the default; Help, Check for updates)\n"
        "  /silent    report only a newer version (the check when Grocelle starts)\n"
        "  --stdout   print the outcome instead of showing it in a window\n"
        "  --help     print this text and check nothing\n"
        "\n"
        "GROCELLE_UPDATE_URL replaces the address of the version file.\n"
        "Exit status: 0 when the check was made, 1 when it failed or was cancelled, 2 for wrong arguments.");
}

UpdateOutcome CheckForUpdate(const QString& address, const QVersionNumber& ownVersion, const Fetcher& fetch) {
    UpdateOutcome outcome;
    QByteArray body;
    QString reason;
    if (!fetch(address, body, reason)) {
        outcome.message = QStringLiteral("The check for updates failed: ") + address +
                          QStringLiteral(" could not be read (") + reason + QStringLiteral(").");
        return outcome;
    }
    outcome.latest = ReadVersionFile(body);
    if (outcome.latest.isNull()) {
        outcome.message = QStringLiteral("The check for updates failed: ") + address +
                          QStringLiteral(" does not name a version.");
        return outcome;
    }
    if (outcome.latest > ownVersion) {
        outcome.kind = UpdateOutcome::NewerVersion;
        outcome.message =
            QStringLiteral("Grocelle ") + outcome.latest.toString() +
            QStringLiteral(" is available; this is version ") + ownVersion.toString() +
            QStringLiteral(".\r\nThe new version can be downloaded from the Grocelle web site.");
    } else {
        outcome.kind = UpdateOutcome::UpToDate;
        outcome.message = QStringLiteral("Grocelle is up to date.");
    }
    return outcome;
}

} // namespace updater
