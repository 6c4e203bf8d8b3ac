#include "DatabaseLock.h"
#include "Database.h"
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

TEST(DatabaseLock, ALockLeftByACrashedProgramIsTakenOver) {
    TempFolder temp;
    const QString folder = temp.sub("db");
    // What a program that died leaves behind: its process number (one that cannot exist), no host name.
    QFile stale(DatabaseLock::lockFileName(folder));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("1073741823\ngrocelle\n\n");
    stale.close();
    DatabaseLock lock;
    ASSERT_TRUE(lock.acquire(folder)) << lock.errorText().toStdString();
    EXPECT_TRUE(Contents(DatabaseLock::lockFileName(folder))
                    .startsWith(QByteArray::number(QCoreApplication::applicationPid()) + '\n'));
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
