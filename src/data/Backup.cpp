#include "Backup.h"

#include "Collation.h"
#include "Database.h"
#include "EngineError.h"
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
#include <QStorageInfo>
#include <QThread>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <variant>

namespace backup {

namespace {

constexpr std::uint64_t kMiB = std::uint64_t(1) << 20;
// Deflate cannot shrink data by more than about 1032 to 1; an entry announcing more lies about its size.
constexpr std::uint64_t kMaxRatio = 1100;
constexpr std::uint64_t kRatioFloor = kMiB;
// The ten files of a database of half a million items, five times the benchmarks' large database of 100,000
// (about 13 MiB), stay well below this; an archive announcing several times as much is no backup of ours.
constexpr std::uint64_t kLargestDatabase = 128 * kMiB;
constexpr std::uint64_t kMostRestored = 4 * kLargestDatabase;
// What a restore leaves free on the disk at least, for the program's own work afterwards.
constexpr std::uint64_t kFreeSpaceMargin = 64 * kMiB;

// A snapshot that saw the table files replaced under it is taken again, a few times.
constexpr int kSnapshotAttempts = 10;
// Shorter than the program's own wait, so that a commit of the program never fails because of a backup.
constexpr int kSnapshotBusyMs = 1000;

const QString kReadyMarker = QStringLiteral("restore.ready");
const QByteArray kMarkerTitle = "Grocelle restore";
const QByteArray kSqliteHeader("SQLite format 3\0", 16);

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

// The entry index of each of the ten files, in tableFiles() order. Throws kUnsafeEntry when an entry's name
// leaves the target folder, kNotABackup when a file is missing or given twice, an entry is a link or lies
// about its size, or the ten announce more than a database can take.
std::vector<int> matchEntries(const std::vector<ZipEntryInfo>& entries, const QString& archivePath) {
    const auto refuse = [&](const QString& why) {
        return BackupError(kNotABackup, QStringLiteral("%1: %2").arg(archivePath, why));
    };
    for (const ZipEntryInfo& e : entries)
        if (unsafeName(e.name))
            throw BackupError(kUnsafeEntry,
                              QStringLiteral("%1: the entry \"%2\" would be written outside the data folder")
                                  .arg(archivePath, e.name));
    const QStringList files = tableFiles();
    std::vector<int> found(static_cast<std::size_t>(files.size()), -1);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ZipEntryInfo& e = entries[i];
        if (e.isSymlink)
            throw refuse(QStringLiteral("entry \"%1\" is a link").arg(e.name));
        if (e.size > kRatioFloor && e.size / std::max<std::uint64_t>(e.compressedSize, 1) > kMaxRatio)
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
            total += std::min(e.size, kMostRestored + 1);
        }
    }
    for (qsizetype f = 0; f < files.size(); ++f)
        if (found[static_cast<std::size_t>(f)] < 0)
            throw refuse(QStringLiteral("%1 is missing").arg(files.at(f)));
    if (total > kMostRestored)
        throw refuse(QStringLiteral("the table files announce %1 bytes together").arg(total));
    return found;
}

// Makes what was written to a file, or the names in a folder, survive a power loss. A file system that
// cannot sync a folder has nothing to sync there.
void syncPath(const QString& path, bool folder) {
    engine::fileStep();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | (folder ? O_DIRECTORY : 0));
    const bool synced = fd >= 0 && (::fsync(fd) == 0 || (folder && errno == EINVAL));
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        throw std::runtime_error(QStringLiteral("Cannot sync %1: %2")
                                     .arg(path, QString::fromLocal8Bit(std::strerror(error)))
                                     .toStdString());
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

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void removeFile(const QString& path) {
    engine::fileStep();
    QFile::remove(path);
}

// Removes the folders of a restore once nothing in them is needed. The replaced files go first, and their
// removal is synced before the marker goes: a marker missing beside old files still set aside means an undo
// that has to be finished.
void cleanUp(const QString& staging, const QString& aside) {
    if (QFileInfo(aside).isDir()) {
        const QStringList old = filesIn(aside);
        for (const QString& name : old)
            removeFile(QDir(aside).filePath(name));
        if (!old.isEmpty())
            syncPath(aside, true);
        engine::fileStep();
        QDir().rmdir(aside);
    }
    if (QFileInfo(staging).isDir()) {
        for (const QString& name : filesIn(staging))
            if (name != kReadyMarker)
                removeFile(QDir(staging).filePath(name));
        removeFile(QDir(staging).filePath(kReadyMarker));
        engine::fileStep();
        QDir().rmdir(staging);
    }
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

// Where earlier versions gathered a restore: beside the database folder.
QString siblingFolder(const QString& databaseFolder, const QString& suffix) {
    return QDir::cleanPath(QDir(databaseFolder).absolutePath()) + suffix;
}

// The marker names each new file with its size; a marker of an earlier version is empty.
QByteArray markerText(const QString& staging) {
    QByteArray text = kMarkerTitle + '\n';
    for (const QString& f : tableFiles())
        text += f.toUtf8() + ' ' + QByteArray::number(QFileInfo(QDir(staging).filePath(f)).size()) + '\n';
    return text;
}

QHash<QString, qint64> markerSizes(const QString& markerPath) {
    QHash<QString, qint64> sizes;
    QFile marker(markerPath);
    if (!marker.open(QIODevice::ReadOnly))
        return sizes;
    const QList<QByteArray> lines = marker.readAll().split('\n');
    if (lines.value(0) != kMarkerTitle)
        return sizes;
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> parts = line.split(' ');
        bool ok = false;
        const qint64 size = parts.value(1).toLongLong(&ok);
        if (parts.size() == 2 && ok)
            sizes.insert(QString::fromUtf8(parts.at(0)), size);
    }
    return sizes;
}

// SQLite's quick check of a table file as it lies on the disk: no journal beside it is looked at or played
// back, and nothing is written.
bool quickCheckPasses(const QString& path) {
    engine::installStepCounting();
    const QByteArray uri =
        QUrl::fromLocalFile(path).toEncoded(QUrl::FullyEncoded) + QByteArrayLiteral("?immutable=1");
    sqlite3* db = nullptr;
    bool ok =
        sqlite3_open_v2(uri.constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK;
    if (ok) {
        engine::collation::registerAll(db);
        sqlite3_stmt* statement = nullptr;
        ok = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &statement, nullptr) == SQLITE_OK &&
             sqlite3_step(statement) == SQLITE_ROW &&
             qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)), "ok") == 0;
        sqlite3_finalize(statement);
    }
    sqlite3_close_v2(db);
    return ok;
}

// Whether the new files of a decided swap are whole: each there (still staged or already moved in), of the
// size the marker names, and each table file an SQLite file that passes the quick check.
bool newFilesWhole(const QDir& db, const QDir& staging, const QHash<QString, qint64>& sizes) {
    for (const QString& f : tableFiles()) {
        const QString path = QFileInfo::exists(staging.filePath(f)) ? staging.filePath(f) : db.filePath(f);
        const QFileInfo info(path);
        if (!info.isFile() || (sizes.contains(f) && info.size() != sizes.value(f)))
            return false;
        if (!f.endsWith(QLatin1String(".dat")))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.read(kSqliteHeader.size()) != kSqliteHeader ||
            !quickCheckPasses(path))
            return false;
    }
    return true;
}

// Finishes a decided swap: what is still in place goes aside, what is still staged moves in.
void finishSwap(const QDir& db, const QDir& staging, const QString& asidePath) {
    const QDir aside(asidePath);
    if (!QDir().mkpath(asidePath))
        throw std::runtime_error(QStringLiteral("Cannot create %1").arg(asidePath).toStdString());
    const QStringList files = tableFiles();
    for (const QString& f : currentFiles(db.path()))
        if (!files.contains(f) || QFileInfo::exists(staging.filePath(f)))
            moveFile(db.filePath(f), aside.filePath(f));
    for (const QString& f : files)
        if (QFileInfo::exists(staging.filePath(f)))
            moveFile(staging.filePath(f), db.filePath(f));
    syncPath(db.path(), true);
}

// Undoes a swap: a new file that was moved in leaves again (its staged copy is gone, so it is the one in
// place; only a file whose old version waits aside is taken for one), then every old file returns.
void putOldBack(const QDir& db, const QDir& staging, const QDir& aside) {
    for (const QString& f : tableFiles())
        if (!QFileInfo::exists(staging.filePath(f)) && QFileInfo::exists(db.filePath(f)) &&
            QFileInfo::exists(aside.filePath(f)))
            moveFile(db.filePath(f), staging.filePath(f));
    for (const QString& f : filesIn(aside.path()))
        moveFile(aside.filePath(f), db.filePath(f));
    syncPath(db.path(), true);
}

void resolveRestore(const QString& databaseFolder, const QString& stagingPath, const QString& asidePath) {
    const QDir staging(stagingPath);
    if (!QFileInfo(stagingPath).isDir())
        return;
    const QDir db(databaseFolder);
    const QDir aside(asidePath);
    const QString marker = staging.filePath(kReadyMarker);
    bool staged = false;
    for (const QString& f : tableFiles())
        staged = staged || QFileInfo::exists(staging.filePath(f));
    if (QFileInfo::exists(marker)) {
        // Decided: the new files go in, unless a crash of an earlier version left them incomplete.
        if (staged) {
            if (newFilesWhole(db, staging, markerSizes(marker)))
                finishSwap(db, staging, asidePath);
            else
                putOldBack(db, staging, aside);
        }
    } else if (QFileInfo(asidePath).isDir() && !filesIn(asidePath).isEmpty()) {
        // An undo was under way.
        putOldBack(db, staging, aside);
    }
    cleanUp(stagingPath, asidePath);
}

// The ten files as one consistent state: each table file copied in one read transaction over all five, each
// definition file written from the definition inside its copied table file.
using Snapshot = QHash<QString, QByteArray>; // by file name

using FileIds = QHash<QString, std::pair<dev_t, ino_t>>;

FileIds tableFileIds(const QDir& db) {
    FileIds ids;
    for (const QString& f : tableFiles()) {
        struct stat st {};
        if (f.endsWith(QLatin1String(".dat")) &&
            ::stat(QFile::encodeName(db.filePath(f)).constData(), &st) == 0)
            ids.insert(f, {st.st_dev, st.st_ino});
    }
    return ids;
}

bool isBusy(const engine::EngineError& e) {
    return e.message().contains(QString::fromUtf8(sqlite3_errstr(SQLITE_BUSY)));
}

// Why an attempt has to be made again: a table file was replaced meanwhile (a restore or a repair of the
// program), or a commit of the program outlasted the wait.
enum class Retry { Replaced, Busy };

std::variant<Snapshot, Retry> trySnapshot(const QString& databaseFolder) {
    const QDir dir(databaseFolder);
    const FileIds before = tableFileIds(dir);
    engine::Database db(databaseFolder);
    db.setReadOnly(true);
    db.setBusyTimeout(kSnapshotBusyMs);
    sqlite3* c = db.connection();
    // The shared locks are taken in the order the program's commits take their exclusive ones, the
    // connection's attach order, so that the two never wait on each other.
    Snapshot snapshot;
    try {
        engine::execSql(c, QStringLiteral("BEGIN"));
        for (const QString& name : schema::tableNames())
            db.definition(name); // a table that could not be attached says why
        for (const QString& table : db.tables())
            engine::execSql(
                c,
                QStringLiteral("SELECT count(*) FROM %1.sqlite_master").arg(engine::quoteIdentifier(table)));
        if (tableFileIds(dir) != before) {
            sqlite3_exec(c, "COMMIT", nullptr, nullptr, nullptr);
            return Retry::Replaced;
        }
        for (const QString& name : schema::tableNames()) {
            const QString dat = name + QStringLiteral(".dat");
            sqlite3_int64 size = 0;
            unsigned char* image = sqlite3_serialize(c, name.toUtf8().constData(), &size, 0);
            if (!image)
                throw engine::EngineError(engine::FileError,
                                          QStringLiteral("Cannot read %1: %2")
                                              .arg(dir.filePath(dat), QString::fromUtf8(sqlite3_errmsg(c))));
            snapshot.insert(dat,
                            QByteArray(reinterpret_cast<const char*>(image), static_cast<qsizetype>(size)));
            sqlite3_free(image);
            snapshot.insert(IndexFileName(dat), db.definition(name).toJson());
        }
    } catch (const engine::EngineError& e) {
        sqlite3_exec(c, "COMMIT", nullptr, nullptr, nullptr);
        if (isBusy(e))
            return Retry::Busy;
        throw;
    }
    sqlite3_exec(c, "COMMIT", nullptr, nullptr, nullptr);
    return snapshot;
}

Snapshot takeSnapshot(const QString& databaseFolder) {
    for (int attempt = 1;; ++attempt) {
        std::variant<Snapshot, Retry> outcome = trySnapshot(databaseFolder);
        if (Snapshot* snapshot = std::get_if<Snapshot>(&outcome))
            return std::move(*snapshot);
        if (attempt >= kSnapshotAttempts)
            throw BackupError(
                kUnableToArchive,
                std::get<Retry>(outcome) == Retry::Busy
                    ? QStringLiteral("Another program kept the tables in %1 locked").arg(databaseFolder)
                    : QStringLiteral("The table files in %1 kept being replaced while they were read")
                          .arg(databaseFolder));
        QThread::msleep(200);
    }
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

namespace {

const QRegularExpression& archivePattern() {
    static const QRegularExpression pattern(QStringLiteral("^Grocelle_Backup_(\\d{5,})_(\\d{5,})\\.zip$"));
    return pattern;
}

} // namespace

bool isArchiveName(const QString& fileName) {
    return archivePattern().match(fileName).hasMatch();
}

QStringList pruneArchives(const QString& backupFolder, int keep, const QString& alsoKeep) {
    struct Archive {
        QString name;
        qulonglong day;
        qulonglong seconds;
    };
    std::vector<Archive> archives;
    const QDir dir(backupFolder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = archivePattern().match(name);
        if (m.hasMatch())
            archives.push_back({name, m.captured(1).toULongLong(), m.captured(2).toULongLong()});
    }
    std::sort(archives.begin(), archives.end(), [](const Archive& a, const Archive& b) {
        return std::tie(a.day, a.seconds, a.name) > std::tie(b.day, b.seconds, b.name);
    });
    const QString kept = alsoKeep.isEmpty() ? QString() : QFileInfo(alsoKeep).absoluteFilePath();
    QStringList removed;
    for (std::size_t i = static_cast<std::size_t>(std::max(keep, 0)); i < archives.size(); ++i) {
        const QString path = dir.absoluteFilePath(archives[i].name);
        if (path == kept)
            continue;
        QFile file(path);
        if (!file.remove())
            throw BackupError(
                kUnableToArchive,
                QStringLiteral("Cannot delete the old backup %1: %2").arg(path, file.errorString()));
        removed << path;
    }
    return removed;
}

BackupWriter::BackupWriter(const QString& databaseFolder, const QString& backupFolder, Clock clock)
    : databaseFolder_(databaseFolder), backupFolder_(backupFolder),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {}

QString BackupWriter::write() {
    if (backupFolder_.isEmpty() || !QFileInfo(backupFolder_).isDir())
        throw BackupError(kUnableToArchive, QStringLiteral("No backup folder %1").arg(backupFolder_));
    const Snapshot snapshot = takeSnapshot(databaseFolder_);
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
        for (const QString& f : tableFiles()) {
            struct stat st {};
            const bool known = ::stat(QFile::encodeName(db.filePath(f)).constData(), &st) == 0;
            zip.addData(snapshot.value(f), f,
                        known ? QDateTime::fromSecsSinceEpoch(st.st_mtime) : QDateTime::currentDateTime(),
                        known ? st.st_mode : (S_IFREG | 0644));
        }
        zip.close();
        // What was written is read back: an archive that says it is a backup must be one.
        zip.open(path);
        if (zip.entryNames() != tableFiles())
            throw ZipError(QStringLiteral("The archive does not list the ten files"));
        zip.discard();
        syncPath(path, false);
        syncPath(backupFolder_, true);
    } catch (const std::exception& e) {
        QFile::remove(path);
        throw BackupError(kUnableToArchive, QString::fromUtf8(e.what()));
    }
    return path;
}

BackupRestorer::BackupRestorer(const QString& databaseFolder) : databaseFolder_(databaseFolder) {}

QString BackupRestorer::stagingFolder(const QString& databaseFolder) {
    return QDir(QDir::cleanPath(QDir(databaseFolder).absolutePath())).filePath(QStringLiteral(".restoring"));
}

QString BackupRestorer::asideFolder(const QString& databaseFolder) {
    return QDir(QDir::cleanPath(QDir(databaseFolder).absolutePath())).filePath(QStringLiteral(".replaced"));
}

std::uint64_t BackupRestorer::restoreSizeLimit(std::int64_t freeBytes) {
    const std::uint64_t room = freeBytes > static_cast<std::int64_t>(kFreeSpaceMargin)
                                   ? std::uint64_t(freeBytes) - kFreeSpaceMargin
                                   : 0;
    return std::min(kMostRestored, room);
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

void BackupRestorer::verify(const QString& folder) {
    try {
        // Read-only: the staged files stay exactly as they were synced.
        engine::Database db(folder);
        db.setReadOnly(true);
        db.open();
        const QStringList names = schema::tableNames();
        // Every page and record of each table file passes SQLite's quick check there; comparing each index
        // with its table as well would cost ten times the whole restore (the language-aware collations), and
        // the archive's checksums already vouch that the bytes are those that were backed up.
        const auto problems = db.diagnoseTables(names);
        if (!problems.empty())
            throw std::runtime_error(problems.front().message.toStdString());
        const int ours = schema::kVersionMajor * 10 + schema::kVersionMinor;
        for (const QString& name : names) {
            if (!db.tables().contains(name, Qt::CaseInsensitive))
                throw std::runtime_error(QStringLiteral("%1 is not a table").arg(name).toStdString());
            const engine::TableDefinition& def = db.definition(name);
            // The start-up's rule: major × 10 + minor, taken as an unsigned number.
            if (static_cast<unsigned>(def.versionMajor * 10 + def.versionMinor) > static_cast<unsigned>(ours))
                throw BackupError(kNewerVersion, QStringLiteral("%1 is of version %2.%3, newer than %4.%5")
                                                     .arg(name)
                                                     .arg(def.versionMajor)
                                                     .arg(def.versionMinor)
                                                     .arg(schema::kVersionMajor)
                                                     .arg(schema::kVersionMinor));
            // Every field of the definition must be there to read.
            QStringList columns;
            for (const engine::FieldDef& field : def.fields)
                columns << engine::quoteIdentifier(field.name);
            engine::Query probe(&db);
            probe.setSql({QStringLiteral("SELECT %1 FROM %2 LIMIT 0")
                              .arg(columns.join(QStringLiteral(", ")), engine::quoteIdentifier(name))});
            probe.open();
            probe.close();
        }
        db.close();
    } catch (const BackupError&) {
        throw;
    } catch (const std::exception& e) {
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
}

void BackupRestorer::restore(const QString& archivePath) {
    try {
        resolveInterruptedRestore(databaseFolder_);
    } catch (const std::exception& e) {
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
    ZipArchive zip;
    std::vector<int> indexes;
    std::uint64_t needed = 0;
    try {
        zip.open(archivePath);
        const std::vector<ZipEntryInfo> entries = zip.entries();
        indexes = matchEntries(entries, archivePath);
        for (const int i : indexes)
            needed += entries[static_cast<std::size_t>(i)].size;
    } catch (const ZipError& e) {
        throw BackupError(kNotABackup, QString::fromUtf8(e.what()));
    }
    // Nothing is extracted that the disk cannot hold beside the current files, with room to spare.
    const QStorageInfo disk(databaseFolder_);
    const qint64 available = disk.isValid() ? disk.bytesAvailable() : -1;
    if (available >= 0 && needed > restoreSizeLimit(available))
        throw BackupError(kNoRoom,
                          QStringLiteral("The table files take %1 bytes; the disk of %2 has %3 bytes free")
                              .arg(needed)
                              .arg(databaseFolder_)
                              .arg(available));

    const QString staging = stagingFolder(databaseFolder_);
    const QStringList files = tableFiles();
    try {
        if (!QDir().mkpath(staging))
            throw std::runtime_error(QStringLiteral("Cannot create %1").arg(staging).toStdString());
        try {
            for (qsizetype f = 0; f < files.size(); ++f)
                zip.extract(indexes[static_cast<std::size_t>(f)], QDir(staging).filePath(files.at(f)));
        } catch (const ZipError& e) {
            throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
        }
        zip.discard();
        verify(staging);
        swapIn(staging);
    } catch (...) {
        // Old files still set aside mean the undo did not finish; resolveInterruptedRestore() needs both
        // folders.
        try {
            if (filesIn(asideFolder(databaseFolder_)).isEmpty())
                cleanUp(staging, asideFolder(databaseFolder_));
        } catch (const std::exception&) {
            // What is left is cleared at the next start.
        }
        try {
            throw;
        } catch (const BackupError&) {
            throw;
        } catch (const std::exception& e) {
            throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
        }
    }
}

void BackupRestorer::swapIn(const QString& staging) {
    const QDir db(databaseFolder_);
    const QDir newFiles(staging);
    const QString aside = asideFolder(databaseFolder_);
    const QDir oldFiles(aside);
    const QStringList files = tableFiles();

    // The staged files were synced as they were written; their names, the marker and its own name follow.
    // From the marker on, even a power loss completes the restore instead of leaving a mix of old and new.
    syncPath(staging, true);
    syncPath(databaseFolder_, true);
    engine::fileStep();
    {
        QFile marker(newFiles.filePath(kReadyMarker));
        if (!marker.open(QIODevice::WriteOnly) || marker.write(markerText(staging)) < 0 || !marker.flush() ||
            ::fsync(marker.handle()) != 0)
            throw BackupError(kUnableToRestore, QStringLiteral("Cannot write %1").arg(marker.fileName()));
    }
    syncPath(staging, true);
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
        // The old files are removed only once the new ones are in place for good.
        syncPath(databaseFolder_, true);
    } catch (const std::exception& e) {
        // Undone in reverse; without the marker a crash during the undo is finished by moving the old back.
        try {
            removeFile(newFiles.filePath(kReadyMarker));
            syncPath(staging, true);
            for (auto f = movedIn.crbegin(); f != movedIn.crend(); ++f)
                moveFile(db.filePath(*f), newFiles.filePath(*f));
            for (auto f = movedAside.crbegin(); f != movedAside.crend(); ++f)
                moveFile(oldFiles.filePath(*f), db.filePath(*f));
            syncPath(databaseFolder_, true);
            engine::fileStep();
            QDir().rmdir(aside);
        } catch (const std::exception&) {
            // What could not be moved back stays in the side folders for resolveInterruptedRestore().
        }
        throw BackupError(kUnableToRestore, QString::fromUtf8(e.what()));
    }
    cleanUp(staging, aside);
}

void BackupRestorer::resolveInterruptedRestore(const QString& databaseFolder) {
    resolveRestore(databaseFolder, stagingFolder(databaseFolder), asideFolder(databaseFolder));
    resolveRestore(databaseFolder, siblingFolder(databaseFolder, QStringLiteral(".restoring")),
                   siblingFolder(databaseFolder, QStringLiteral(".replaced")));
}

} // namespace backup
