// A power loss at every point of `grocelle --restore`, in the manner of SQLite's crash tests: the real
// program runs once with a recording shim (PowerLossShim) under it; from that record, the disk a power loss
// after each of its file operations could leave is rebuilt — writes not yet synced dropped or partly kept,
// changes to a folder's names not yet synced undone or kept — and the start-up is run on it. The database
// must then be entirely the old one or entirely the restored one, and the restored one once the program has
// said so.
#include "Backup.h"
#include "DatabaseLock.h"
#include "KillHarness.h"
#include "SoakDatabase.h"
#include "TempFolder.h"
#include "TempHome.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <sys/stat.h>

namespace {

struct Event {
    char kind = 0;
    quint64 inode = 0;
    qint64 number = 0; // the offset of a write, the size of a truncation
    QByteArray bytes;  // what a write wrote, what the program printed
    QString path;
    QString to;
};

std::vector<Event> readRecord(const QString& file) {
    std::vector<Event> events;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        const QList<QByteArray> p = line.split(' ');
        Event e;
        e.kind = line.at(0);
        switch (e.kind) {
        case 'C':
        case 'U':
        case 'L':
            e.inode = p.value(1).toULongLong();
            e.path = QString::fromUtf8(p.value(2));
            break;
        case 'W':
            e.inode = p.value(1).toULongLong();
            e.number = p.value(2).toLongLong();
            e.bytes = QByteArray::fromHex(p.value(3));
            break;
        case 'T':
            e.inode = p.value(1).toULongLong();
            e.number = p.value(2).toLongLong();
            break;
        case 'S':
            e.inode = p.value(1).toULongLong();
            break;
        case 'R':
            e.inode = p.value(1).toULongLong();
            e.path = QString::fromUtf8(p.value(2));
            e.to = QString::fromUtf8(p.value(3));
            break;
        case 'D':
        case 'M':
        case 'X':
            e.path = QString::fromUtf8(p.value(1));
            break;
        case 'O':
            e.bytes = QByteArray::fromHex(p.value(1));
            break;
        default:
            e.path = QString::fromUtf8(line);
        }
        events.push_back(e);
    }
    return events;
}

// What a power loss may keep of the changes not yet synced.
enum class Loss {
    Strict,    // every unsynced write and every unsynced change of names is lost
    NamesKept, // the names are kept, the unsynced writes lost (renamed files come back empty)
    Partial,   // some unsynced writes kept, some cut short, the older unsynced changes of names kept
    Nothing,   // nothing is lost: the disk as the program left it
};

// The disk below one folder as the recorded program changes it, with what is synced and what is not.
class Disk {
public:
    explicit Disk(const QString& root) : root_(root) {
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (it.fileInfo().isDir()) {
                initial_.insert(path, -1);
                continue;
            }
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            File file;
            file.durable = file.current = f.readAll();
            files_.push_back(file);
            struct stat st {};
            ::lstat(QFile::encodeName(path).constData(), &st);
            byInode_.insert(st.st_ino, static_cast<int>(files_.size() - 1));
            initial_.insert(path, static_cast<int>(files_.size() - 1));
        }
    }

    // Takes one recorded operation in; false (with the reason) when the record cannot be followed.
    bool apply(const Event& e, QString* problem) {
        const auto fileOf = [&](quint64 inode) {
            const int f = byInode_.value(inode, -1);
            if (f < 0)
                *problem =
                    QStringLiteral("an operation on a file never seen: ") + QChar(e.kind) + ' ' + e.path;
            return f;
        };
        const auto parent = [](const QString& path) { return QFileInfo(path).path(); };
        switch (e.kind) {
        case 'C':
            files_.push_back({});
            byInode_.insert(e.inode, static_cast<int>(files_.size() - 1));
            names_.push_back({'L', e.path, {}, static_cast<int>(files_.size() - 1), {parent(e.path)}});
            return true;
        case 'W':
        case 'T': {
            const int f = fileOf(e.inode);
            if (f < 0)
                return false;
            applyData(files_[static_cast<std::size_t>(f)].current, e, e.bytes.size());
            files_[static_cast<std::size_t>(f)].pending.push_back(&e);
            return true;
        }
        case 'S': {
            const int f = fileOf(e.inode);
            if (f < 0)
                return false;
            File& file = files_[static_cast<std::size_t>(f)];
            file.durable = file.current;
            file.pending.clear();
            return true;
        }
        case 'D':
            for (Name& n : names_)
                n.durable = n.durable || n.folders.contains(e.path);
            return true;
        case 'R':
        case 'U':
        case 'L': {
            const int f = fileOf(e.inode);
            if (f < 0)
                return false;
            if (e.kind == 'R')
                names_.push_back({'R', e.path, e.to, f, {parent(e.path), parent(e.to)}});
            else
                names_.push_back({e.kind, e.path, {}, f, {parent(e.path)}});
            return true;
        }
        case 'M':
        case 'X':
            names_.push_back({e.kind, e.path, {}, -1, {parent(e.path)}});
            return true;
        case 'O':
            return true;
        default:
            *problem = QStringLiteral("an operation the record cannot describe: ") + e.path;
            return false;
        }
    }

    // Writes what the loss leaves into `target`, which stands for the root; returns a digest of it.
    QByteArray rebuild(const QString& target, Loss loss, std::mt19937& random) const {
        QMap<QString, int> names = initial_;
        int unsynced = 0;
        for (const Name& n : names_)
            unsynced += n.durable ? 0 : 1;
        const int keptUnsynced = loss == Loss::Strict    ? 0
                                 : loss == Loss::Partial ? static_cast<int>(random() % (unsynced + 1))
                                                         : unsynced;
        int seen = 0;
        for (const Name& n : names_) {
            if (!n.durable && seen++ >= keptUnsynced)
                continue;
            switch (n.kind) {
            case 'L':
                names.insert(n.path, n.file);
                break;
            case 'U':
                if (names.value(n.path, -2) == n.file)
                    names.remove(n.path);
                break;
            case 'R':
                names.insert(n.to, n.file);
                if (names.value(n.path, -2) == n.file)
                    names.remove(n.path);
                break;
            case 'M':
                names.insert(n.path, -1);
                break;
            case 'X':
                names.remove(n.path);
                break;
            }
        }
        QHash<int, QByteArray> contents;
        QCryptographicHash digest(QCryptographicHash::Sha1);
        QDir().mkpath(target);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-3600);
        for (auto it = names.cbegin(); it != names.cend(); ++it) {
            // A name in a folder that is not there is not there either.
            bool reachable = true;
            for (QString up = QFileInfo(it.key()).path(); up != root_ && reachable; up = QFileInfo(up).path())
                reachable = names.value(up, -2) == -1;
            if (!reachable)
                continue;
            const QString path = target + it.key().mid(root_.size());
            digest.addData(it.key().toUtf8() + '\0');
            if (it.value() < 0) {
                QDir().mkpath(path);
                continue;
            }
            if (!contents.contains(it.value()))
                contents.insert(it.value(),
                                contentOf(files_[static_cast<std::size_t>(it.value())], loss, random));
            const QByteArray& bytes = contents[it.value()];
            digest.addData(bytes + '\0');
            QFile out(path);
            out.open(QIODevice::WriteOnly | QIODevice::Truncate);
            out.write(bytes);
            out.setFileTime(before, QFileDevice::FileModificationTime);
        }
        return digest.result();
    }

private:
    struct File {
        QByteArray durable;
        QByteArray current;
        std::vector<const Event*> pending;
    };
    struct Name {
        char kind;
        QString path;
        QString to;
        int file;
        QStringList folders; // syncing one of these makes the change durable
        bool durable = false;
    };

    static void applyData(QByteArray& data, const Event& e, qsizetype length) {
        if (e.kind == 'T') {
            const qsizetype old = data.size();
            data.resize(e.number);
            if (e.number > old)
                std::fill(data.begin() + old, data.end(), '\0');
            return;
        }
        const qsizetype end = e.number + length;
        if (end > data.size()) {
            const qsizetype old = data.size();
            data.resize(end);
            std::fill(data.begin() + old, data.end(), '\0');
        }
        std::copy(e.bytes.cbegin(), e.bytes.cbegin() + length, data.begin() + e.number);
    }

    static QByteArray contentOf(const File& file, Loss loss, std::mt19937& random) {
        if (loss == Loss::Nothing)
            return file.current;
        QByteArray data = file.durable;
        if (loss != Loss::Partial)
            return data;
        for (const Event* e : file.pending) {
            if (random() % 2)
                continue;
            // A write may also reach the disk only in part, a sector at a time.
            qsizetype length = e->bytes.size();
            if (e->kind == 'W' && random() % 4 == 0)
                length = std::min<qsizetype>(length, 512 * static_cast<qsizetype>(random() % 8));
            applyData(data, *e, length);
        }
        return data;
    }

    QString root_;
    std::vector<File> files_;
    QHash<quint64, int> byInode_;
    QMap<QString, int> initial_; // path -> file, -1 for a folder
    std::vector<Name> names_;
};

// The start-up on a disk a power loss left: the lock taken over, then the database as the program finds it.
soak::FolderState startUp(const QString& dataFolder) {
    DatabaseLock lock;
    if (!lock.acquire(dataFolder))
        return {QString(), QStringLiteral("the lock: ") + lock.errorText()};
    return soak::reopenAsAtStart(dataFolder, {QStringLiteral("Grocelle.lock")});
}

} // namespace

TEST(PowerLoss, ARestoreLeavesTheOldOrTheRestoredDatabaseAtEveryPoint) {
    TempFolder temp;
    TempHome home(temp);
    const QString dataFolder = home.dataFolder();
    QDir().mkpath(dataFolder);
    soak::fillDatabase(dataFolder);
    const QString other = temp.sub(QStringLiteral("other"));
    soak::fillDatabase(other, 1);
    const QString archive = backup::BackupWriter(other, temp.sub(QStringLiteral("archives"))).write();
    const QString recorded = QFileInfo(QFileInfo(dataFolder).path()).canonicalFilePath();
    ASSERT_FALSE(recorded.isEmpty());

    // The old and the restored database as the start-up finds them.
    const QString scratch = temp.sub(QStringLiteral("scratch"));
    const auto copyOf = [&](const QString& folder) {
        const QString copy = scratch + QStringLiteral("/copy/Grocelle");
        QDir(scratch + QStringLiteral("/copy")).removeRecursively();
        QDir().mkpath(copy);
        for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            QFile::copy(QDir(folder).filePath(f), QDir(copy).filePath(f));
        return copy;
    };
    const soak::FolderState oldState = soak::reopenAsAtStart(copyOf(dataFolder));
    const soak::FolderState newState = soak::reopenAsAtStart(copyOf(other));
    ASSERT_TRUE(oldState.sound()) << oldState.problem.toStdString();
    ASSERT_TRUE(newState.sound()) << newState.problem.toStdString();
    ASSERT_NE(oldState.contents, newState.contents);

    // The uninterrupted run, recorded.
    Disk disk(recorded);
    const QString log = temp.file(QStringLiteral("record.log"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "GROCELLE_KILL_AT_STEP"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(POWERLOSS_SHIM));
    // A sanitizer build wants its runtime loaded first; the shim only passes calls on.
    env.insert(QStringLiteral("ASAN_OPTIONS"),
               env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":verify_asan_link_order=0"));
    env.insert(QStringLiteral("GROCELLE_POWERLOSS_ROOT"), recorded);
    env.insert(QStringLiteral("GROCELLE_POWERLOSS_LOG"), log);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(GROCELLE_PROGRAM),
            {QStringLiteral("--restore"), archive, QStringLiteral("--yes")});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    const std::vector<Event> events = readRecord(log);
    ASSERT_GT(events.size(), 20u);

    const QString work = temp.sub(QStringLiteral("work"));
    const QString rebuilt = work + QStringLiteral("/data");
    QHash<QByteArray, soak::FolderState> seen;
    std::mt19937 random(20);
    int points = 0, old = 0, restored = 0, torn = 0, states = 0;
    QStringList tornCases;
    bool said = false;
    QString problem;
    for (std::size_t k = 0; k <= events.size(); ++k) {
        if (k > 0) {
            const Event& e = events[k - 1];
            ASSERT_TRUE(disk.apply(e, &problem)) << problem.toStdString();
            said = said || (e.kind == 'O' && e.bytes.contains(backup::kRestored.toUtf8()));
            if (e.kind == 'O')
                continue;
        }
        ++points;
        for (const Loss loss : {Loss::Strict, Loss::NamesKept, Loss::Partial, Loss::Partial}) {
            QDir(work).removeRecursively();
            const QByteArray digest = disk.rebuild(rebuilt, loss, random);
            ++states;
            auto it = seen.find(digest);
            if (it == seen.end())
                it = seen.insert(digest, startUp(rebuilt + QStringLiteral("/Grocelle")));
            const soak::FolderState& state = *it;
            const QString when = QStringLiteral("point %1 (%2), loss %3")
                                     .arg(k)
                                     .arg(k > 0 ? QString(QChar(events[k - 1].kind)) + QLatin1Char(' ') +
                                                      events[k - 1].path.mid(recorded.size())
                                                : QStringLiteral("start"))
                                     .arg(static_cast<int>(loss));
            if (state.sound() && state.contents == newState.contents) {
                ++restored;
            } else if (state.sound() && state.contents == oldState.contents && !said) {
                ++old;
            } else {
                ++torn;
                tornCases << when + QStringLiteral(": ") +
                                 (state.sound()
                                      ? (said ? QStringLiteral("the old data after the success message")
                                              : QStringLiteral("neither old nor restored"))
                                      : state.problem);
            }
        }
    }
    // The record is complete: with nothing lost, the rebuilt disk is the one the program left.
    QDir(work).removeRecursively();
    disk.rebuild(rebuilt, Loss::Nothing, random);
    const auto tree = [](const QString& folder) {
        QStringList files;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            files << path.mid(folder.size()) + QLatin1Char(' ') +
                         (f.open(QIODevice::ReadOnly)
                              ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex()
                              : QByteArray());
        }
        files.sort();
        return files;
    };
    EXPECT_EQ(tree(rebuilt), tree(recorded));

    std::printf(
        "restore: %d points (%zu recorded operations), %d disks after a power loss (%lld told apart): "
        "%d old, %d restored, %d torn\n",
        points, events.size(), states, static_cast<long long>(seen.size()), old, restored, torn);
    std::fflush(stdout);
    EXPECT_TRUE(said) << "the program said the restore succeeded";
    EXPECT_EQ(torn, 0) << tornCases.mid(0, 20).join(QLatin1Char('\n')).toStdString();
    EXPECT_GT(old, 0);
    EXPECT_GT(restored, 0);
}
