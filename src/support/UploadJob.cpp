#include "UploadJob.h"

#include "Helpers.h"
#include "UploadPacker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace upload {

UploadJob::UploadJob(const Settings& settings, Clock clock, QObject* parent)
    : QObject(parent), settings_(settings),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {
    session_.setTimeouts(settings_.connectTimeout, settings_.stallTimeout);
}

void UploadJob::abort() {
    abort_.store(true);
    session_.abort();
}

void UploadJob::run() {
    if (CompressData())
        UploadData();
    else
        emit uploadEnded();
    emit finished();
}

bool UploadJob::CompressData() {
    QDir().mkpath(settings_.documentsFolder);
    // Two uploads within one second wait for the next second rather than share a name.
    archivePath_ = FreshTimedPath(settings_.documentsFolder, clock_, archiveName);
    QString folder = settings_.databaseFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    AddMemo(kCompressingContents);
    AddMemo(folder);
    emit progressed(0, 1);

    UploadPacker packer;
    const UploadPacker::Outcome outcome = packer.pack(
        settings_.databaseFolder, settings_.infoFile, archivePath_,
        [this](int done, int total) { emit progressed(done, total); }, [this] { return abort_.load(); });
    switch (outcome) {
    case UploadPacker::Outcome::Created:
        AddMemo(archivePath_ + QStringLiteral(" created"));
        return true;
    case UploadPacker::Outcome::Aborted:
        AddMemoError(kCompressionAborted);
        break;
    case UploadPacker::Outcome::Failed:
        AddMemoError(kCompressionFailed);
        break;
    }
    QFile::remove(archivePath_);
    archivePath_.clear();
    return false;
}

void UploadJob::UploadData() {
    if (archivePath_.isEmpty())
        return;
    AddMemo(QString());
    const QString folderUrl = settings_.endpoints.ftpFolderUrl;
    session_.onStatus = [this](const QString& text) { AddMemo(text); };

    const auto report = [this](const TransferResult& result) {
        switch (result.kind) {
        case TransferResult::Done:
        case TransferResult::HttpError:
            break;
        case TransferResult::Aborted:
            AddMemoError(kUploadAborted);
            break;
        case TransferResult::ServerRefused:
            AddMemoError(result.reply);
            break;
        case TransferResult::Unreachable:
            AddMemoError(kUnableToConnect);
            AddMemoError(result.errorText);
            AddMemoError(kServerMayBeDown);
            break;
        case TransferResult::NetworkError:
            AddMemoError(kUnableToConnect);
            AddMemoError(result.errorText);
            break;
        }
    };

    const QString fileName = QFileInfo(archivePath_).fileName();
    QString candidate;
    TransferResult result;
    QByteArray listing;
    bool free = false;
    const int tries = std::max(1, settings_.nameCandidates);
    for (int n = 0; n < tries && !free; ++n) {
        candidate = candidateName(fileName, n);
        result = session_.list(folderUrl, candidate, &listing);
        if (n == 0 && result.ok())
            AddMemo(kCheckingName);
        if (!result.ok())
            break;
        // Only a listing that names the file means it is taken; anything else would search without end on
        // a server that lists its whole folder.
        free = !listingNames(QString::fromUtf8(listing), candidate);
    }
    const bool noFreeName = result.ok() && !free;
    if (result.ok() && free) {
        const qint64 size = QFileInfo(archivePath_).size();
        AddMemo(QStringLiteral("Uploading file (") + sizeText(QFileInfo::exists(archivePath_) ? size : -1) +
                QStringLiteral(")..."));
        emit progressed(0, size);
        session_.onUploadProgress = [this](qint64 done, qint64 total) { emit progressed(done, total); };
        result = session_.store(folderUrl, candidate, archivePath_);
        session_.onUploadProgress = nullptr;
        if (result.ok())
            emit progressed(size, size);
    }
    emit uploadEnded();
    session_.disconnect();
    session_.onStatus = nullptr;
    const bool stored = result.ok() && free;
    if (stored) {
        remoteName_ = candidate;
        AddMemo(kUploadCompleted);
    } else if (noFreeName) {
        AddMemoError(noFreeNameText(fileName, tries));
    } else {
        report(result);
    }
    QFile::remove(archivePath_);
    if (stored)
        SendEmail(candidate);
}

QString UploadJob::notificationNotSentText() const {
    return QStringLiteral("Your data was uploaded as %1, but the window was closed before Quillmoor was "
                          "notified of it.\r\nPlease email %2 and name the file.")
        .arg(remoteName_, settings_.endpoints.supportEmail);
}

void UploadJob::SendEmail(const QString& remoteName) {
    AddMemo(QString());
    AddMemo(kNotifying);
    QByteArray body;
    const TransferResult result = session_.get(settings_.endpoints.notifyPrefix + remoteName, &body);
    // A failed request is not reported: the upload itself went through, and the DONE line follows. One the
    // user stopped is: the maker would never hear of the upload.
    if (result.kind == TransferResult::Aborted) {
        notificationAborted_ = true;
        AddMemoError(kNotificationStopped);
        AddMemoError(QStringLiteral("Please email ") + settings_.endpoints.supportEmail);
    } else if (result.ok() && !confirmsUpload(QString::fromUtf8(body), remoteName)) {
        AddMemoError(kUnableToNotify);
        AddMemoError(QStringLiteral("Please email ") + settings_.endpoints.supportEmail);
    }
    session_.disconnect();
    AddMemo(QString());
    emit logged(kDone, LineKind::Done);
}

} // namespace upload
