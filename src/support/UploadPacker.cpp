#include "UploadPacker.h"

#include "Database.h"
#include "DatabaseLock.h"
#include "UploadText.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace upload {

bool UploadPacker::isPacked(const QString& fileName) {
    const QString name = QFileInfo(fileName).fileName();
    for (const char* excluded : {".dbk", ".ibk", ".lck"})
        if (name.endsWith(QLatin1String(excluded), Qt::CaseInsensitive))
            return false;
    return name.compare(QFileInfo(DatabaseLock::lockFileName(QString())).fileName(), Qt::CaseInsensitive) !=
               0 &&
           !engine::Database::isInternalFile(name);
}

QStringList UploadPacker::packedFiles(const QString& databaseFolder) {
    QStringList result;
    const QDir dir(databaseFolder);
    const QStringList names =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : names)
        if (isPacked(name))
            result << name;
    return result;
}

UploadPacker::Outcome UploadPacker::pack(const QString& databaseFolder, const QString& infoFile,
                                         const QString& archivePath, const Progress& progress,
                                         const Cancelled& cancelled) {
    failure_.clear();
    const auto isCancelled = [&cancelled] { return cancelled && cancelled(); };
    try {
        ZipArchive::createEmpty(archivePath);
    } catch (const ZipError& e) {
        failure_ = QString::fromUtf8(e.what());
        return Outcome::Failed;
    }
    // The archive and the info file never pack themselves, should they share the folder.
    const QString archive = QFileInfo(archivePath).absoluteFilePath();
    const QString info = QFileInfo(infoFile).absoluteFilePath();
    QStringList files;
    const QDir dir(databaseFolder);
    for (const QString& name : packedFiles(databaseFolder)) {
        const QString path = QFileInfo(dir.filePath(name)).absoluteFilePath();
        if (path != archive && path != info)
            files << name;
    }
    const int total = static_cast<int>(files.size());
    if (progress)
        progress(0, total);

    ZipArchive zip;
    try {
        zip.open(archivePath);
        QStringList expected{kInfoFileName};
        zip.addFile(infoFile, kInfoFileName);
        for (const QString& name : files) {
            if (isCancelled())
                throw ZipCancelled();
            zip.addFile(dir.filePath(name), QLatin1Char('/') + name);
            expected << QLatin1Char('/') + name;
        }
        // The files are read and compressed while the archive is written.
        zip.close(
            [&](double share) {
                if (progress)
                    progress(static_cast<int>(std::floor(share * total)), total);
            },
            isCancelled);
        // An archive is only sent when it reads back with every entry in place.
        zip.open(archivePath);
        if (zip.entryNames() != expected)
            throw ZipError(QStringLiteral("%1 does not hold the files packed").arg(archivePath));
        zip.discard();
    } catch (const ZipCancelled&) {
        zip.discard();
        QFile::remove(archivePath);
        return Outcome::Aborted;
    } catch (const ZipError& e) {
        zip.discard();
        QFile::remove(archivePath);
        failure_ = QString::fromUtf8(e.what());
        return Outcome::Failed;
    }
    if (progress)
        progress(total, total);
    return Outcome::Created;
}

} // namespace upload
