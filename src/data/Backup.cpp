#include "Backup.h"

#include "Database.h"
#include "FileSteps.h"
#include "Helpers.h"
#include "Query.h"
#include "Schema.h"
#include "Statement.h"
#include "ZipArchive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sqlite3.h>

#include <filesystem>
#include <optional>
#include <system_error>

namespace backup {

namespace {

// No table file comes near this; an entry announcing more is not one of ours.
constexpr std::uint64_t kMaxEntrySize = std::uint64_t(2) << 30;
// Deflate cannot shrink data by more than about 1032 to 1; an entry announcing more lies about its size.
constexpr std::uint64_t kMaxRatio = 1100;
constexpr std::uint64_t kRatioFloor = 1 << 20;

const QString kReadyMarker = QStringLiteral("restore.ready");

QString bareName(const QString& entryName) {
    const qsizetype cut =
        std::max(entryName.lastIndexOf(QLatin1Char('/')), entryName.lastIndexOf(QLatin1Char('\\')));
    return entryName.mid(cut + 1);
}

// A name that would put a file outside the target folder, wherever the archive was made.
bool unsafeName(const QString& name) {
    if (name.isEmpty() || name.contains(QChar(0)) || name.startsWith(QLatin1Char('/')) ||
        name.startsWith(QLatin1Char('\\')))
        return true;
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.at(0).isLetter())
        return true;
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    return name.split(separators).contains(QStringLiteral(".."));
}

// The entry index of each of the ten files, in tableFiles() order; throws kNotABackup when one is missing,
// given twice, or when any entry is unsafe.
std::vector<int> matchEntries(const std::vector<ZipEntryInfo>& entries, const QString& archivePath) {
    const auto refuse = [&](const QString& why) {
        return BackupError(kNotABackup, QStringLiteral("%1: %2").arg(archivePath, why));
    };
    const QStringList files = tableFiles();
    std::vector<int> found(static_cast<std::size_t>(files.size()), -1);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ZipEntryInfo& e = entries[i];
        if (unsafeName(e.name))
            throw refuse(QStringLiteral("unsafe entry name \"%1\"").arg(e.name));
        if (e.isSymlink)
            throw refuse(QStringLiteral("entry \"%1\" is a link").arg(e.name));
        if (e.size > kMaxEntrySize ||
            (e.size > kRatioFloor && e.size / std::max<std::uint64_t>(e.compressedSize, 1) > kMaxRatio))
            throw refuse(QStringLiteral("entry \"%1\" announces %2 bytes").arg(e.name).arg(e.size));
        if (e.isDirectory)
            continue;
        const QString bare = bareName(e.name);
        for (qsizetype f = 0; f < files.size(); ++f) {
            if (bare.compare(files.at(f), Qt::CaseInsensitive) != 0)
                continue;
            if (found[static_cast<std::size_t>(f)] >= 0)
                throw refuse(QStringLiteral("%1 is in the archive twice").arg(files.at(f)));
            found[static_cast<std::size_t>(f)] = static_cast<int>(i);
        }
    }
    for (qsizetype f = 0; f < files.size(); ++f)
        if (found[static_cast<std::size_t>(f)] < 0)
            throw refuse(QStringLiteral("%1 is missing").arg(files.at(f)));
    return found;
}

// Renames over an existing target in one step.
void moveFile(const QString& from, const QString& to) {
    engine::fileStep();
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
    if (ec)
        throw std::runtime_error(QStringLiteral("Cannot move %1 to %2: %3")
                                     .arg(from, to, QString::fromStdString(ec.message()))
                                     .toStdString());
}

void removeFolder(const QString& folder) {
    QDir dir(folder);
    if (!dir.exists())
        return;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    // The marker goes last, so that a crash while cleaning up still finds the restore decided.
    for (const QString& name : names)
        if (name != kReadyMarker) {
            engine::fileStep();
            QFile::remove(dir.filePath(name));
        }
    engine::fileStep();
    QFile::remove(dir.filePath(kReadyMarker));
    engine::fileStep();
    QDir().rmdir(folder);
}

// The database's files as they are now: the ten, and any journal SQLite keeps beside a table file. A journal
// must never meet a table file it was not written for.
QStringList currentFiles(const QString& databaseFolder) {
    QStringList result;
    const QDir dir(databaseFolder);
    for (const QString& f : tableFiles()) {
        QStringList names{f};
        if (f.endsWith(QLatin1String(".dat")))
            names << f + QStringLiteral("-journal") << f + QStringLiteral("-wal")
                  << f + QStringLiteral("-shm");
        for (const QString& n : names)
            if (QFileInfo::exists(dir.filePath(n)))
                result << n;
    }
    return result;
}

QString siblingFolder(const QString& databaseFolder, const QString& suffix) {
    QString base = QDir::cleanPath(QDir(databaseFolder).absolutePath());
    return base + suffix;
}

} // namespace

QStringList tableFiles() {
    QStringList files;
    for (const char* table : {"Categories", "Products", "Shops", "Items", "Aisles"}) {
        const QString dat = QString::fromLatin1(table) + QStringLiteral(".dat");
        files << dat << IndexFileName(dat);
    }
    return files;
}

QString backedUpMessage(const QString& archivePath) {
    return kBackedUpTo + QStringLiteral("\r\n") + QDir::toNativeSeparators(archivePath);
}

std::optional<QString> createdQuestion(const QString& archivePath, const QLocale& locale) {
    const QFileInfo info(archivePath);
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (!modified.isValid())
        return std::nullopt;
    return QStringLiteral("This Grocelle backup file was created \r\n") +
           locale.toString(modified.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(modified.time(), QLocale::LongFormat) +
           QStringLiteral("\r\n\r\nRestore this file?");
}

QString archiveName(const QDateTime& localTime) {
    const qint64 day = QDate(1899, 12, 30).daysTo(localTime.date());
    const int seconds = QTime(0, 0).secsTo(localTime.time());
    return QStringLiteral("Grocelle_Backup") +
           QString::asprintf("_%.5lld_%.5d.zip", static_cast<long long>(day), seconds);
}

BackupWriter::BackupWriter(const QString& databaseFolder, const QString& backupFolder, Clock clock)
    : databaseFolder_(databaseFolder), backupFolder_(backupFolder),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {}

QString BackupWriter::write() {
    if (backupFolder_.isEmpty() || !QFileInfo(backupFolder_).isDir())
        throw BackupError(kUnableToArchive, QStringLiteral("No backup folder %1").arg(backupFolder_));
    const QString path = FreshTimedPath(backupFolder_, clock_, archiveName);
    try {
        ZipArchive::createEmpty(path);
    } catch (const ZipError& e) {
        throw BackupError(kUnableToArchive, QString::fromUtf8(e.what()));
    }
    try {
        ZipArchive zip;
        zip.open(path);
        const QDir db(databaseFolder_);
        for (const QString& f : tableFiles())
            zip.addFile(db.filePath(f));
        zip.close();
        // What was written is read back: an archive that says it is a backup must be one.
        zip.open(path);
        if (zip.entryNames() != tableFiles())
            throw ZipError(QStringLiteral("The archive does not list the ten files"));
        zip.discard();
    } catch (const ZipError& e) {
        QFile::remove(path);
        throw BackupError(kUnableToArchive, QString::fromUtf8(e.what()));
    }
    return path;
}

BackupRestorer::BackupRestorer(const QString& databaseFolder) : databaseFolder_(databaseFolder) {}

QString BackupRestorer::stagingFolder(const QString& databaseFolder) {
    return siblingFolder(databaseFolder, QStringLiteral(".restoring"));
}

QString BackupRestorer::asideFolder(const QString& databaseFolder) {
    return siblingFolder(databaseFolder, QStringLiteral(".replaced"));
}

void BackupRestorer::check(const QString& archivePath) const {
    try {
        ZipArchive zip;
        zip.open(archivePath);
        matchEntries(zip.entries(), archivePath);
    } catch (const ZipError& e) {
        throw BackupError(kNotABackup, QString::fromUtf8(e.what()));
    }
}

void BackupRestorer::extractInto(const QString& archivePath, const QString& folder) const {
    ZipArchive zip;
    try {
        zip.open(archivePath);
    } catch (const ZipError& e) {
        throw BackupError(kNotABackup, QString::fromUtf8(e.what()));
    }
    const std::vector<int> indexes = matchEntries(zip.entries(), archivePath);
    const QStringList files = tableFiles();
    try {
        for (qsizetype f = 0; f < files.size(); ++f)
            zip.extract(indexes[static_cast<std::size_t>(f)], QDir(folder).filePath(files.at(f)));
    } catch (const ZipError& e) {
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
}

void BackupRestorer::verify(const QString& folder) {
    try {
        engine::Database db(folder);
        db.open();
        const QStringList names = schema::tableNames();
        const auto problems = db.diagnoseTables(names);
        if (!problems.empty())
            throw std::runtime_error(problems.front().message.toStdString());
        for (const QString& name : names) {
            if (!db.tables().contains(name, Qt::CaseInsensitive))
                throw std::runtime_error(QStringLiteral("%1 is not a table").arg(name).toStdString());
            // Every field of the definition must be there to read (the rows themselves are checked below).
            QStringList columns;
            for (const engine::FieldDef& field : db.definition(name).fields)
                columns << engine::quoteIdentifier(field.name);
            engine::Query probe(&db);
            probe.setSql({QStringLiteral("SELECT %1 FROM %2 LIMIT 0")
                              .arg(columns.join(QStringLiteral(", ")), engine::quoteIdentifier(name))});
            probe.open();
            probe.close();
            // Every page and record is checked; comparing each index with its table as well would cost ten
            // times the whole restore (the language-aware collations), and the archive's checksums already
            // vouch that the bytes are those that were backed up.
            sqlite3_stmt* statement = nullptr;
            const QByteArray sql = QStringLiteral("PRAGMA \"%1\".quick_check").arg(name).toUtf8();
            QString verdict;
            if (sqlite3_prepare_v2(db.connection(), sql.constData(), -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            sqlite3_finalize(statement);
            if (verdict != QLatin1String("ok"))
                throw std::runtime_error(QStringLiteral("%1: %2").arg(name, verdict).toStdString());
        }
        db.close();
    } catch (const std::exception& e) {
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
    // Only the ten files move into the database folder; the session files of the check stay behind.
    QDir dir(folder);
    const QStringList keep = tableFiles();
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!keep.contains(name))
            QFile::remove(dir.filePath(name));
}

void BackupRestorer::restore(const QString& archivePath) {
    try {
        resolveInterruptedRestore(databaseFolder_);
    } catch (const std::exception& e) {
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
    check(archivePath);
    const QString staging = stagingFolder(databaseFolder_);
    if (!QDir().mkpath(staging))
        throw BackupError(kUnableToRestore, QStringLiteral("Cannot create %1").arg(staging));
    try {
        extractInto(archivePath, staging);
        verify(staging);
        swapIn(staging);
    } catch (...) {
        // Old files still set aside mean the undo did not finish; resolveInterruptedRestore() needs both
        // folders.
        if (QDir(asideFolder(databaseFolder_)).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty())
            removeFolder(staging);
        throw;
    }
}

void BackupRestorer::swapIn(const QString& staging) {
    const QDir db(databaseFolder_);
    const QDir newFiles(staging);
    const QString aside = asideFolder(databaseFolder_);
    const QDir oldFiles(aside);
    const QStringList files = tableFiles();

    // From the marker on, a crash completes the restore instead of leaving a mix of old and new files.
    engine::fileStep();
    {
        QFile marker(newFiles.filePath(kReadyMarker));
        if (!marker.open(QIODevice::WriteOnly) || !marker.flush())
            throw BackupError(kUnableToRestore, QStringLiteral("Cannot write %1").arg(marker.fileName()));
    }
    QStringList movedAside;
    QStringList movedIn;
    try {
        if (!QDir().mkpath(aside))
            throw std::runtime_error(QStringLiteral("Cannot create %1").arg(aside).toStdString());
        for (const QString& f : currentFiles(databaseFolder_)) {
            moveFile(db.filePath(f), oldFiles.filePath(f));
            movedAside << f;
        }
        for (const QString& f : files) {
            moveFile(newFiles.filePath(f), db.filePath(f));
            movedIn << f;
        }
    } catch (const std::exception& e) {
        // Undone in reverse; without the marker a crash during the undo is finished by moving the old back.
        engine::fileStep();
        QFile::remove(newFiles.filePath(kReadyMarker));
        try {
            for (auto f = movedIn.crbegin(); f != movedIn.crend(); ++f)
                moveFile(db.filePath(*f), newFiles.filePath(*f));
            for (auto f = movedAside.crbegin(); f != movedAside.crend(); ++f)
                moveFile(oldFiles.filePath(*f), db.filePath(*f));
            removeFolder(aside);
        } catch (const std::exception&) {
            // What could not be moved back stays in the side folders for resolveInterruptedRestore().
        }
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
    removeFolder(aside);
    removeFolder(staging);
}

void BackupRestorer::resolveInterruptedRestore(const QString& databaseFolder) {
    const QDir db(databaseFolder);
    const QString stagingPath = stagingFolder(databaseFolder);
    const QString asidePath = asideFolder(databaseFolder);
    const QDir staging(stagingPath);
    const QDir aside(asidePath);
    const QStringList files = tableFiles();

    if (staging.exists() && QFileInfo::exists(staging.filePath(kReadyMarker))) {
        // The new files were whole and verified: finish moving them in.
        bool swapIncomplete = false;
        for (const QString& f : files)
            swapIncomplete = swapIncomplete || QFileInfo::exists(staging.filePath(f));
        if (swapIncomplete) {
            if (!QDir().mkpath(asidePath))
                throw std::runtime_error(QStringLiteral("Cannot create %1").arg(asidePath).toStdString());
            const QStringList old = currentFiles(databaseFolder);
            for (const QString& f : old)
                if (!files.contains(f) || QFileInfo::exists(staging.filePath(f)))
                    moveFile(db.filePath(f), aside.filePath(f));
            for (const QString& f : files)
                if (QFileInfo::exists(staging.filePath(f)))
                    moveFile(staging.filePath(f), db.filePath(f));
        }
    } else if (staging.exists() && aside.exists()) {
        // An undo was under way: new files still in the database folder go back, the old ones return.
        for (const QString& f : files)
            if (!QFileInfo::exists(staging.filePath(f)) && QFileInfo::exists(db.filePath(f)))
                moveFile(db.filePath(f), staging.filePath(f));
        for (const QString& f : aside.entryList(QDir::Files | QDir::Hidden | QDir::System))
            moveFile(aside.filePath(f), db.filePath(f));
    }
    if (staging.exists()) {
        removeFolder(asidePath);
        removeFolder(stagingPath);
    }
}

} // namespace backup
