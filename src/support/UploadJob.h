#pragma once

#include "CurlSession.h"
#include "UploadText.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

namespace upload {

// One support upload from start to end: packs the database folder with the info file, finds a free name on
// the FTP server, stores the archive there, tells the maker's web server, and removes the archive again.
// run() does it all on the calling thread (a worker thread in the program) and reports through signals;
// abort() may be called from any thread and ends packing or the transfer within milliseconds.
class UploadJob : public QObject {
    Q_OBJECT

public:
    enum class LineKind { Normal, Error, Done };
    Q_ENUM(LineKind)
    using Clock = std::function<QDateTime()>;

    struct Settings {
        QString databaseFolder;
        QString infoFile;
        QString documentsFolder;
        Endpoints endpoints;
        int connectTimeout = 30;  // seconds
        int stallTimeout = 60;    // seconds without progress before a transfer is given up
        int nameCandidates = 100; // remote names tried before the search for a free one gives up
    };

    explicit UploadJob(const Settings& settings, Clock clock = {}, QObject* parent = nullptr);

    void run();
    void abort();

    // Where the archive is written while the job runs; empty before.
    QString archivePath() const { return archivePath_; }
    // The name the archive got on the server; empty unless it was stored.
    QString remoteName() const { return remoteName_; }
    // The archive was stored but an abort stopped the notification before the maker's server answered.
    bool notificationAborted() const { return notificationAborted_; }
    // What the user is told when the notification was stopped: the stored name and whom to write.
    QString notificationNotSentText() const;

signals:
    void logged(const QString& text, upload::UploadJob::LineKind kind);
    void progressed(qint64 value, qint64 maximum);
    // From here on the dialog's button closes it: the upload is over, the notification may follow.
    void uploadEnded();
    // Nothing more is done.
    void finished();

private:
    bool CompressData();
    void UploadData();
    void SendEmail(const QString& remoteName);
    void AddMemo(const QString& text) { emit logged(QLatin1Char(' ') + text, LineKind::Normal); }
    void AddMemoError(const QString& text) { emit logged(QStringLiteral(" ### ") + text, LineKind::Error); }

    Settings settings_;
    Clock clock_;
    CurlSession session_;
    std::atomic<bool> abort_{false};
    QString archivePath_;
    QString remoteName_;
    bool notificationAborted_ = false;
};

// The log's texts.
inline const QString kCompressingContents = QStringLiteral("Compressing contents of:");
inline const QString kCompressionAborted = QStringLiteral("File compression aborted by user.");
inline const QString kCompressionFailed = QStringLiteral("Unable to create compressed file. Upload aborted.");
inline const QString kCheckingName = QStringLiteral("Checking file name with server");
inline const QString kUploadCompleted = QStringLiteral("Upload completed successfully");
inline const QString kUploadAborted = QStringLiteral("Upload aborted by user.");
inline const QString kUnableToConnect = QStringLiteral("Unable to connect to Quillmoor FTP server.");
inline const QString kServerMayBeDown =
    QStringLiteral("The server may be down temporarily or you may have no Internet connection.");
inline const QString kNotifying = QStringLiteral("Notifying Quillmoor...");
inline const QString kUnableToNotify = QStringLiteral("Unable to notify Quillmoor of your upload.");
inline const QString kNotificationStopped =
    QStringLiteral("The notification was stopped before Quillmoor answered; it was not sent.");
inline const QString kDone = QStringLiteral(" ==== DONE ====");

} // namespace upload
