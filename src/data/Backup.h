#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

// Saving the ten table files into one ZIP archive and putting such an archive back. A backup reads the
// database through a read-only connection of its own, so it runs beside an open program; a restore works on
// the files alone: the caller closes the engine connection first (engine::Database::close()) and opens it
// afterwards.

namespace backup {

// Texts shown to the user.
inline const QString kBackedUpTo = QStringLiteral("Database successfully backed up to:");
inline const QString kUnableToArchive = QStringLiteral("Unable to archive database.");
inline const QString kNotABackup = QStringLiteral("This file does not appear to be a Grocelle backup file.");
inline const QString kUnsafeEntry =
    QStringLiteral("This file holds an entry that would be written outside the data folder.");
inline const QString kNewerVersion =
    QStringLiteral("This backup was made by a newer version of Grocelle and cannot be restored by this "
                   "version.\r\nThe current database is unchanged.");
inline const QString kNoRoom =
    QStringLiteral("There is not enough free disk space in the data folder to restore this backup.");
inline const QString kUnableToRestore = QStringLiteral("Unable to restore database.");
inline const QString kRestored = QStringLiteral("Database successfully restored");
inline const QString kOverwriteQuestion =
    QStringLiteral("Restoring a database backup will overwrite all current data.\r\n\r\nContinue?");

// The success text with the archive's full path on its own line.
QString backedUpMessage(const QString& archivePath);
// The question before a restore, naming when the archive file itself was last modified (not the time in its
// name) in the locale's short date and long time; nullopt when that time cannot be read.
std::optional<QString> createdQuestion(const QString& archivePath, const QLocale& locale = QLocale());

// A failed backup or restore; message() is the text to show, detail() says what went wrong.
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
// Whether a file name is one archiveName() makes.
bool isArchiveName(const QString& fileName);

// Deletes every backup archive of the folder (files named as archiveName() makes them, nothing else) but the
// newest `keep` by the time in their names; `alsoKeep` (a full path) is never deleted. Returns the full paths
// deleted. Throws BackupError(kUnableToArchive) naming the first archive that could not be deleted.
QStringList pruneArchives(const QString& backupFolder, int keep, const QString& alsoKeep = {});

class BackupWriter {
public:
    using Clock = std::function<QDateTime()>;
    BackupWriter(const QString& databaseFolder, const QString& backupFolder, Clock clock = {});

    // Writes one new archive and returns its full path. When the name is taken, waits for the next second.
    // The five tables are copied in one read transaction, so the archive holds one consistent state even
    // while a program changes them; their definition files are written from the definitions inside the
    // copied table files. Nothing in the database folder is written. Throws BackupError(kUnableToArchive),
    // or the table layer's EngineError when a table cannot be read; a failed backup leaves no archive behind.
    QString write();

private:
    QString databaseFolder_;
    QString backupFolder_;
    Clock clock_;
};

// Puts a backup archive in place of the database. The archive's entries are checked before anything is
// written, the ten files are extracted into a hidden folder inside the database folder, synced and opened
// there as a database, and only then swapped in: the database is either wholly the backup or exactly as it
// was, also after a power loss at any point.
class BackupRestorer {
public:
    explicit BackupRestorer(const QString& databaseFolder);

    // Throws BackupError(kNotABackup) unless the file is a ZIP archive holding the ten table files by their
    // bare names (letter case ignored), no link, and sizes a database can have: none beyond what it
    // announces compressed, the ten together not beyond restoreSizeLimit(). An archive that would be a backup
    // but for an entry whose name leaves the target folder gets BackupError(kUnsafeEntry).
    void check(const QString& archivePath) const;

    // Checks, extracts, verifies and swaps in. Throws BackupError(kNotABackup or kUnsafeEntry) for an
    // archive that fails check(), kNoRoom when the data folder's disk cannot hold the files,
    // kNewerVersion for tables newer than the program's, and kUnableToRestore for any other failure; the
    // database is unchanged in every case.
    void restore(const QString& archivePath);

    // Completes or undoes a restore that a crash or a power loss interrupted; a no-op when there is none. A
    // swap that was decided is finished only when the new files are whole (size, SQLite header, quick
    // check); otherwise the old files are put back. Runs at the start of restore(), and belongs before the
    // database is opened at start-up.
    static void resolveInterruptedRestore(const QString& databaseFolder);

    // Where the new files are gathered and where the replaced ones wait until the swap is done: hidden
    // folders inside the database folder.
    static QString stagingFolder(const QString& databaseFolder);
    static QString asideFolder(const QString& databaseFolder);

    // The most the ten extracted files may take together: a multiple of the largest database the program is
    // made for, never more than `freeBytes` less a margin.
    static std::uint64_t restoreSizeLimit(std::int64_t freeBytes);

private:
    static void verify(const QString& folder);
    void swapIn(const QString& staging);

    QString databaseFolder_;
};

} // namespace backup
