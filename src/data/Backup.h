#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

// Saving the ten table files into one ZIP archive and putting such an archive back. Both work on the files
// alone: the caller closes the engine connection first (engine::Database::close()) and opens it afterwards.

namespace backup {

// Texts shown to the user.
inline const QString kBackedUpTo = QStringLiteral("Database successfully backed up to:");
inline const QString kUnableToArchive = QStringLiteral("Unable to archive database.");
inline const QString kNotABackup = QStringLiteral("This file does not appear to be a Grocelle backup file.");
inline const QString kUnableToRestore = QStringLiteral("Unable to restore database.");
inline const QString kRestored = QStringLiteral("Database successfully restored");
inline const QString kOverwriteQuestion =
    QStringLiteral("Restoring a database backup will overwrite all current data.\r\n\r\nContinue?");

// The success text with the archive's full path on its own line.
QString backedUpMessage(const QString& archivePath);
// The question before a restore, naming when the archive file itself was last modified (not the time in its
// name) in the locale's short date and long time; nullopt when that time cannot be read.
std::optional<QString> createdQuestion(const QString& archivePath, const QLocale& locale = QLocale());

// A failed backup or restore; message() is the text to show, detail() says what went wrong for the log.
class BackupError : public std::runtime_error {
public:
    BackupError(const QString& message, const QString& detail)
        : std::runtime_error(detail.toStdString()), message_(message), detail_(detail) {}
    QString message() const { return message_; }
    QString detail() const { return detail_; }

private:
    QString message_;
    QString detail_;
};

// The ten files of a database in archive order: Categories, Products, Shops, Items, Aisles, each .dat
// followed by its .idx.
QStringList tableFiles();

// "Grocelle_Backup_DDDDD_SSSSS.zip": the day count since 30 December 1899 and the whole seconds since
// midnight of the local time, each zero-padded to at least five digits.
QString archiveName(const QDateTime& localTime);

class BackupWriter {
public:
    using Clock = std::function<QDateTime()>;
    BackupWriter(const QString& databaseFolder, const QString& backupFolder, Clock clock = {});

    // Writes one new archive and returns its full path. When the name is taken, waits for the next second.
    // Throws BackupError(kUnableToArchive); a failed backup leaves no archive behind.
    QString write();

private:
    QString databaseFolder_;
    QString backupFolder_;
    Clock clock_;
};

// Puts a backup archive in place of the database. The archive's entries are checked before anything is
// written, the ten files are extracted into a folder beside the database folder and opened there as a
// database, and only then swapped in: the database is either wholly the backup or exactly as it was.
class BackupRestorer {
public:
    explicit BackupRestorer(const QString& databaseFolder);

    // Throws BackupError(kNotABackup) unless the file is a ZIP archive holding the ten table files by their
    // bare names (letter case ignored) and no entry that is unsafe to extract (a path leaving the target, a
    // link, a size no table file has).
    void check(const QString& archivePath) const;

    // Checks, extracts, verifies and swaps in. Throws BackupError(kNotABackup) for an archive that fails
    // check(), BackupError(kUnableToRestore) for any later failure, with the database unchanged.
    void restore(const QString& archivePath);

    // Completes or undoes a restore that a crash interrupted; a no-op when there is none. Runs at the start
    // of restore(), and belongs before the database is opened at start-up.
    static void resolveInterruptedRestore(const QString& databaseFolder);

    // Where the new files are gathered and where the replaced ones wait until the swap is done.
    static QString stagingFolder(const QString& databaseFolder);
    static QString asideFolder(const QString& databaseFolder);

private:
    void extractInto(const QString& archivePath, const QString& folder) const;
    static void verify(const QString& folder);
    void swapIn(const QString& staging);

    QString databaseFolder_;
};

} // namespace backup
