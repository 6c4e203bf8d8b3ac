#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Keeps one program at a time on a database folder: a lock file in the folder, held for as long as the
// object lives (or until release). A lock left behind by a program that crashed is taken over, since the
// process that wrote it is gone; a running holder is never overruled, however long it has held the lock.
class DatabaseLock {
public:
    DatabaseLock();
    ~DatabaseLock();
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // Takes the lock on the folder, creating the folder when it is missing. False when another program
    // holds it or the lock file cannot be written; errorText() then says why. Taking a held lock again on
    // the same folder succeeds; on another folder the first one is released first.
    bool acquire(const QString& folder);
    void release();
    bool isLocked() const;
    QString errorText() const { return error_; }

    // The lock file kept in a database folder.
    static QString lockFileName(const QString& folder);

private:
    std::unique_ptr<QLockFile> lock_;
    QString folder_;
    QString error_;
};
