#include "DatabaseLock.h"

#include "AppFolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A lock file still without its contents may belong to a program that is writing them this instant.
constexpr qint64 kStartingGraceMs = 2000;

// The executable's file name of a running process; empty when it cannot be told.
QString processName(qint64 pid) {
    const QString proc = QStringLiteral("/proc/%1/").arg(pid);
    QString target = QFile::symLinkTarget(proc + QStringLiteral("exe"));
    if (!target.isEmpty()) {
        // An executable replaced by an update keeps running under its old name.
        target.remove(QStringLiteral(" (deleted)"));
        return QFileInfo(target).fileName();
    }
    QFile comm(proc + QStringLiteral("comm"));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

bool processRunning(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// fsync of a file or folder; errors of file systems that cannot sync a folder do not count.
int syncPath(const QString& path, bool folder) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return errno;
    const int rc = ::fsync(fd) == 0 || (folder && errno == EINVAL) ? 0 : errno;
    ::close(fd);
    return rc;
}

bool diskFull(int error) {
    // A file-size limit stops the write as a full disk does.
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

// Why a lock file as small as ours cannot be written in the folder: 0 when it can.
int writeProbe(const QString& folder) {
    const QByteArray name = QFile::encodeName(
        QDir(folder).filePath(QStringLiteral("Grocelle.lock.%1").arg(QCoreApplication::applicationPid())));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return errno;
    const QByteArray text(128, 'x');
    const int rc = ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size() ? 0 : errno;
    ::close(fd);
    ::unlink(name.constData());
    return rc;
}

// Removes a lock file that no process keeps locked: a holder keeps the locks QLockFile puts on its file until
// it ends, however it ends. A file that cannot be opened cannot be checked and goes. 0 when the file is gone,
// kStillLocked when a process keeps it, else why it could not be removed.
constexpr int kStillLocked = -1;
int removeUnlocked(const QString& lockFile) {
    const QByteArray name = QFile::encodeName(lockFile);
    int fd = ::open(name.constData(), O_RDWR);
    const bool writable = fd >= 0;
    if (fd < 0)
        fd = ::open(name.constData(), O_RDONLY);
    if (fd >= 0) {
        struct flock range {};
        range.l_type = F_WRLCK;
        range.l_whence = SEEK_SET;
        const bool locked =
            (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) ||
            (writable && ::fcntl(fd, F_SETLK, &range) != 0 && (errno == EAGAIN || errno == EACCES));
        if (locked) {
            ::close(fd);
            return kStillLocked;
        }
    }
    const int removed = ::unlink(name.constData()) == 0 || errno == ENOENT ? 0 : errno;
    if (fd >= 0)
        ::close(fd);
    return removed;
}

} // namespace

DatabaseLock::DatabaseLock() = default;

DatabaseLock::~DatabaseLock() = default;

QString DatabaseLock::lockFileName(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("Grocelle.lock"));
}

DatabaseLock::Holder DatabaseLock::holderOf(const QString& lockFile) {
    QFile file(lockFile);
    QByteArray contents;
    if (file.open(QIODevice::ReadOnly))
        contents = file.read(4096);
    const QList<QByteArray> lines = contents.split('\n');
    bool numbered = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&numbered);
    if (!numbered || pid <= 0 || lines.size() < 3) {
        // Nothing readable names a holder. Only a file written this instant may still get its contents.
        const QDateTime modified = QFileInfo(lockFile).lastModified();
        const qint64 age =
            modified.isValid() ? modified.msecsTo(QDateTime::currentDateTime()) : kStartingGraceMs;
        return age >= 0 && age < kStartingGraceMs ? Holder::Starting : Holder::Gone;
    }
    if (pid == QCoreApplication::applicationPid())
        return Holder::Running; // another lock object of this process
    const QString host = QString::fromUtf8(lines.value(2).trimmed());
    if (!host.isEmpty() && host != QSysInfo::machineHostName())
        return Holder::Running; // another machine's program cannot be seen from here
    if (!processRunning(pid))
        return Holder::Gone;
    QString program = QFileInfo(QString::fromUtf8(lines.value(1).trimmed())).fileName();
    if (program.isEmpty())
        program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    const QString running = processName(pid);
    // /proc/<pid>/comm holds at most 15 characters of the name.
    const bool same =
        running.isEmpty() || running == program || (running.size() == 15 && program.startsWith(running));
    return same ? Holder::Running : Holder::Gone;
}

void DatabaseLock::failWith(int lockError, const QString& shown, const QString& lockFile) {
    switch (lockError) {
    case QLockFile::LockFailedError:
        heldByRunningProgram_ = true;
        error_ = QStringLiteral("Grocelle is already running with this database.\r\n"
                                "Database folder: \"%1\"\r\nClose the other copy of Grocelle first.")
                     .arg(shown);
        break;
    case QLockFile::PermissionError:
        error_ = QStringLiteral("The database folder \"%1\" cannot be locked: permission denied.").arg(shown);
        break;
    default:
        if (diskFull(writeProbe(QFileInfo(lockFile).absolutePath())))
            error_ =
                QStringLiteral("The database folder \"%1\" cannot be locked: the disk is full.").arg(shown);
        else
            error_ = QStringLiteral("The database folder \"%1\" cannot be locked: the lock file \"%2\" "
                                    "cannot be written.")
                         .arg(shown, QDir::toNativeSeparators(lockFile));
        break;
    }
}

bool DatabaseLock::acquire(const QString& folder) {
    const QString name = WithoutTrailingSeparator(QDir::cleanPath(folder));
    if (isLocked() && name == folder_)
        return true;
    release();
    error_.clear();
    heldByRunningProgram_ = false;
    const QString shown = QDir::toNativeSeparators(name);
    if (!QDir().mkpath(name)) {
        error_ = QStringLiteral("The database folder \"%1\" cannot be created.").arg(shown);
        return false;
    }
    const QString lockFile = lockFileName(name);
    auto lock = std::make_unique<QLockFile>(lockFile);
    // The lock is held for the whole run, so its age says nothing: only the holder tells whether it is stale.
    lock->setStaleLockTime(0);
    for (int attempt = 0;; ++attempt) {
        if (lock->tryLock(0))
            break;
        if (lock->error() != QLockFile::LockFailedError || attempt > 100) {
            failWith(lock->error(), shown, lockFile);
            return false;
        }
        const Holder holder = holderOf(lockFile);
        if (holder == Holder::Running) {
            failWith(QLockFile::LockFailedError, shown, lockFile);
            return false;
        }
        if (holder == Holder::Starting) {
            QThread::msleep(100);
            continue;
        }
        // One remover at a time, as Qt does for the locks it judges stale itself.
        QLockFile remover(lockFile + QStringLiteral(".rmlock"));
        if (!remover.tryLock(0)) {
            QThread::msleep(50);
            continue;
        }
        if (holderOf(lockFile) != Holder::Gone)
            continue;
        if (const int removed = removeUnlocked(lockFile); removed != 0) {
            failWith(removed == kStillLocked                                     ? QLockFile::LockFailedError
                     : removed == EACCES || removed == EPERM || removed == EROFS ? QLockFile::PermissionError
                                                                                 : QLockFile::UnknownError,
                     shown, lockFile);
            return false;
        }
    }
    // Held only once a power loss cannot take the lock file's contents or its name away again.
    const int synced = syncPath(lockFile, false);
    if (synced != 0) {
        lock->unlock();
        failWith(QLockFile::UnknownError, shown, lockFile);
        return false;
    }
    syncPath(name, true);
    lock_ = std::move(lock);
    folder_ = name;
    return true;
}

void DatabaseLock::release() {
    lock_.reset(); // the lock file goes with the object
    folder_.clear();
}

bool DatabaseLock::isLocked() const {
    return lock_ && lock_->isLocked();
}
