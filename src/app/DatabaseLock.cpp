#include "DatabaseLock.h"

#include "AppFolders.h"

#include <QDir>
#include <QLockFile>

DatabaseLock::DatabaseLock() = default;

DatabaseLock::~DatabaseLock() = default;

QString DatabaseLock::lockFileName(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("Grocelle.lock"));
}

bool DatabaseLock::acquire(const QString& folder) {
    const QString name = WithoutTrailingSeparator(QDir::cleanPath(folder));
    if (isLocked() && name == folder_)
        return true;
    release();
    error_.clear();
    const QString shown = QDir::toNativeSeparators(name);
    if (!QDir().mkpath(name)) {
        error_ = QStringLiteral("The database folder \"%1\" cannot be created.").arg(shown);
        return false;
    }
    auto lock = std::make_unique<QLockFile>(lockFileName(name));
    // The lock is held for the whole run, so its age says nothing: only a holder that is no longer running
    // makes it stale.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        switch (lock->error()) {
        case QLockFile::LockFailedError:
            error_ = QStringLiteral("Grocelle is already running with this database.\r\n"
                                    "Database folder: \"%1\"\r\nClose the other copy of Grocelle first.")
                         .arg(shown);
            break;
        case QLockFile::PermissionError:
            error_ =
                QStringLiteral("The database folder \"%1\" cannot be locked: permission denied.").arg(shown);
            break;
        default:
            error_ = QStringLiteral("The database folder \"%1\" cannot be locked: the lock file \"%2\" "
                                    "cannot be written.")
                         .arg(shown, QDir::toNativeSeparators(lockFileName(name)));
            break;
        }
        return false;
    }
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
