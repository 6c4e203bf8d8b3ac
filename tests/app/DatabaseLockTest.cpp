#include "DatabaseLock.h"
#include "Database.h"
#include "DiskFull.h"
#include "Schema.h"
#include "TempFolder.h"
#include "TempHome.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSysInfo>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Waits up to ten seconds for the condition.
template <typename Condition> bool Eventually(Condition condition) {
    for (int i = 0; i < 200; ++i) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return condition();
}

} // namespace

TEST(DatabaseLock, OneHolderPerFolderUntilItLetsGo) {
    TempFolder temp;
    const QString folder = temp.path() + "/data/Grocelle"; // not there yet: the lock creates it
    auto first = std::make_unique<DatabaseLock>();
    ASSERT_TRUE(first->acquire(folder)) << first->errorText().toStdString();
    EXPECT_TRUE(QFileInfo::exists(DatabaseLock::lockFileName(folder)));
    EXPECT_TRUE(first->acquire(folder + "/")) << "taking the same lock again is no conflict";

    DatabaseLock second;
    EXPECT_FALSE(second.acquire(folder));
    EXPECT_FALSE(second.isLocked());
    EXPECT_EQ(second.errorText(), "Grocelle is already running with this database.\r\nDatabase folder: \"" +
                                      folder + "\"\r\nClose the other copy of Grocelle first.");

    // However long the holder has been running, its lock is not stale.
    QFile lockFile(DatabaseLock::lockFileName(folder));
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        lockFile.setFileTime(QDateTime::currentDateTime().addDays(-2), QFileDevice::FileModificationTime));
    lockFile.close();
    EXPECT_FALSE(second.acquire(folder));

    // Another folder is another database.
    DatabaseLock other;
    EXPECT_TRUE(other.acquire(temp.sub("elsewhere")));

    first.reset();
    EXPECT_FALSE(QFileInfo::exists(DatabaseLock::lockFileName(folder)))
        << "the lock file goes with the holder";
    EXPECT_TRUE(second.acquire(folder));
    second.release();
    EXPECT_FALSE(second.isLocked());
    EXPECT_FALSE(QFileInfo::exists(DatabaseLock::lockFileName(folder)));
}

// Lock files that name no running copy of the program on this machine: whatever a crash or a power loss left,
// the next start takes the lock over instead of refusing for ever.
TEST(DatabaseLock, ALockLeftByACrashedProgramIsTakenOver) {
    TempFolder temp;
    const QString folder = temp.sub("db");
    QProcess other;
    other.start("sleep", {"30"});
    ASSERT_TRUE(other.waitForStarted());
    QProcess ended;
    ended.start("true", {});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    ended.waitForFinished();
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    struct Case {
        const char* what;
        QByteArray contents;
        qint64 ageSeconds;
    };
    const Case cases[] = {
        {"a number no process can have, no host", "1073741823\ngrocelle\n\n", 0},
        {"a process that has ended", QByteArray::number(endedPid) + "\ngrocelle\n" + host + "\n", 0},
        {"another program's process", QByteArray::number(other.processId()) + "\ngrocelle\n" + host + "\n",
         0},
        {"empty: killed before its first write", "", 3600},
        {"cut short by a power loss", "12", 3600},
        {"not a lock file's contents", "\x01\x02\x03 binary\n", 3600},
        {"empty and just made: waited for a moment first", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile stale(DatabaseLock::lockFileName(folder));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write(c.contents);
        stale.flush();
        ASSERT_TRUE(stale.setFileTime(QDateTime::currentDateTime().addSecs(-c.ageSeconds),
                                      QFileDevice::FileModificationTime));
        stale.close();
        DatabaseLock lock;
        ASSERT_TRUE(lock.acquire(folder)) << lock.errorText().toStdString();
        EXPECT_TRUE(Contents(DatabaseLock::lockFileName(folder))
                        .startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
    }
    other.kill();
    other.waitForFinished();
}

// A live holder of the program's name on this machine, or one on another machine sharing the folder, keeps
// the lock; a disk too full for the lock file is named as such.
TEST(DatabaseLock, ALiveHolderKeepsTheLockAndAFullDiskIsNamed) {
    TempFolder temp;
    const QString folder = temp.sub("db");
    QProcess holder;
    holder.start("sleep", {"30"});
    ASSERT_TRUE(holder.waitForStarted());
    const QByteArray pid = QByteArray::number(holder.processId());
    for (const QByteArray& contents : {pid + "\nsleep\n" + QSysInfo::machineHostName().toUtf8() + "\n",
                                       pid + "\ngrocelle\nanother-machine\n"}) {
        SCOPED_TRACE(contents.constData());
        QFile file(DatabaseLock::lockFileName(folder));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        file.close();
        DatabaseLock lock;
        EXPECT_FALSE(lock.acquire(folder));
        EXPECT_TRUE(lock.heldByRunningProgram());
        EXPECT_TRUE(lock.errorText().startsWith("Grocelle is already running with this database."));
        EXPECT_EQ(Contents(DatabaseLock::lockFileName(folder)), contents);
    }
    holder.kill();
    holder.waitForFinished();
    ASSERT_TRUE(QFile::remove(DatabaseLock::lockFileName(folder)));

    DatabaseLock lock;
    {
        DiskFullAfter full(0);
        EXPECT_FALSE(lock.acquire(folder));
    }
    EXPECT_FALSE(lock.heldByRunningProgram());
    EXPECT_EQ(lock.errorText(), "The database folder \"" + folder + "\" cannot be locked: the disk is full.");
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(DatabaseLock, AFolderThatCannotBeMadeIsNamed) {
    TempFolder temp;
    QFile blocker(temp.file("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DatabaseLock lock;
    EXPECT_FALSE(lock.acquire(temp.file("plain") + "/Grocelle"));
    EXPECT_EQ(lock.errorText(),
              "The database folder \"" + temp.file("plain") + "/Grocelle\" cannot be created.");
}

// The real program, started twice on one data folder.
class ProgramInstances : public ::testing::Test {
protected:
    void TearDown() override {
        for (QProcess* p : {&first_, &second_, &third_}) {
            p->kill();
            p->waitForFinished(5000);
        }
    }

    void startProgram(QProcess& process) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.setProgram(QStringLiteral(GROCELLE_PROGRAM));
        process.start();
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    // The lock file's first line: the holder's process number.
    qint64 holder() const {
        return Contents(DatabaseLock::lockFileName(home_.dataFolder())).split('\n').value(0).toLongLong();
    }

    // Every file of the database folder with its contents.
    QMap<QString, QByteArray> snapshot() const {
        QMap<QString, QByteArray> files;
        const QDir dir(home_.dataFolder());
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            files.insert(name, Contents(dir.filePath(name)));
        return files;
    }

    TempFolder temp_;
    TempHome home_{temp_}; // the started programs inherit the private home
    QProcess first_, second_, third_;
};

TEST_F(ProgramInstances, ASecondCopyIsRefusedAndACrashedOneIsReplaced) {
    QDir().mkpath(home_.dataFolder());
    CreateDatabaseTables(home_.dataFolder());
    QFile settings(home_.dataFolder() + "/Grocelle.ini");
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Notes]\r\nNumOf=1\r\nN1=from before\r\n");
    settings.close();

    startProgram(first_);
    ASSERT_TRUE(Eventually([&] { return holder() == first_.processId(); }))
        << "the first copy holds the lock";
    // Its start-up is over once its connection has made its session file.
    ASSERT_TRUE(Eventually([&] {
        return !QDir(home_.dataFolder())
                    .entryList(engine::Database::internalFilePatterns(), QDir::Files)
                    .isEmpty();
    })) << "the first copy opened the database";
    const auto before = snapshot();

    startProgram(second_);
    QByteArray said;
    EXPECT_TRUE(Eventually([&] {
        second_.waitForReadyRead(50);
        said += second_.readAllStandardError();
        return said.contains("Grocelle is already running with this database.");
    })) << said.toStdString();
    EXPECT_EQ(holder(), first_.processId());
    second_.kill(); // it waits on its message box
    second_.waitForFinished(5000);
    EXPECT_EQ(snapshot(), before) << "the second copy touched nothing";

    // A copy that crashed leaves its lock file; the next one takes over.
    first_.kill();
    first_.waitForFinished(5000);
    ASSERT_TRUE(QFileInfo::exists(DatabaseLock::lockFileName(home_.dataFolder())));
    startProgram(third_);
    EXPECT_TRUE(Eventually([&] { return holder() == third_.processId(); }));
    EXPECT_EQ(third_.state(), QProcess::Running);
}
