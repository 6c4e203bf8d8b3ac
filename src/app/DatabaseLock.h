#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Keeps one program at a time on a database folder: a lock file in the folder, held for as long as the
// object lives (or until release). The lock is written and synced, with its folder, before it counts as
// held. A lock file that names no live process of the program that wrote it on this host (empty,
// unreadable, a process that is gone, a number now used by another program) is taken over; a running
// holder is never overruled, however long it has held the lock.
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
    // The last acquire() failed because a running program holds the lock (not for want of a writable file).
    bool heldByRunningProgram() const { return heldByRunningProgram_; }

    // The lock file kept in a database folder.
    static QString lockFileName(const QString& folder);

private:
    enum class Holder { Running, Gone, Starting };
    static Holder holderOf(const QString& lockFile);
    void failWith(int lockError, const QString& shownFolder, const QString& lockFile);

    std::unique_ptr<QLockFile> lock_;
    QString folder_;
    QString error_;
    bool heldByRunningProgram_ = false;
};
