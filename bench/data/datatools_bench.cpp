// Measures the data tools on the generated large database: a backup against `zip -9 -j` of the same ten
// files, a restore (checks and syncs included) against `unzip -o` with `sync` of what it unpacked, and a
// check/repair of the whole database.

#include "Backup.h"
#include "DataChecker.h"
#include "LargeDatabase.h"

#include "Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

using Clock = std::chrono::steady_clock;

// Best wall time of `repeat` runs; `prepare` runs untimed before each.
double best(int repeat, const std::function<void()>& prepare, const std::function<void()>& run) {
    double fastest = std::numeric_limits<double>::max();
    for (int i = 0; i < repeat; ++i) {
        prepare();
        const auto start = Clock::now();
        run();
        fastest = std::min(fastest, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return fastest;
}

void runTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, arguments);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed\n", qPrintable(program));
        std::exit(2);
    }
}

void clearFolder(const QString& folder) {
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int repeat = 3;
    QTemporaryDir dir;
    const QString db = dir.filePath(QStringLiteral("Grocelle"));
    const QString backups = dir.filePath(QStringLiteral("backups"));
    QDir().mkpath(db);
    QDir().mkpath(backups);
    const LargeDatabase::Summary summary = LargeDatabase().generate(db);
    std::printf("database: %d items, %lld bytes\n", summary.items,
                static_cast<long long>(LargeDatabase::databaseSize(db)));

    QStringList files;
    for (const QString& name : backup::tableFiles())
        files << QDir(db).filePath(name);

    // Backup: each run writes a new archive; the previous one goes first so the name never waits.
    QString archive;
    const double ours = best(
        repeat, [&] { clearFolder(backups); }, [&] { archive = backup::BackupWriter(db, backups).write(); });
    const QString zipped = dir.filePath(QStringLiteral("zip.zip"));
    const double zip = best(
        repeat, [&] { QFile::remove(zipped); },
        [&] {
            runTool(QStringLiteral("zip"),
                    QStringList{QStringLiteral("-9"), QStringLiteral("-j"), zipped} + files);
        });
    std::printf("backup:  ours %.3f s, zip -9 -j %.3f s, ratio %.2f (target <= 1.3)\n", ours, zip,
                ours / zip);

    // Restore of that archive over the database, against unpacking it with unzip and syncing the files and
    // their folder: a restore is done only once a power loss cannot take it back.
    const double restore = best(
        repeat, [] {}, [&] { backup::BackupRestorer(db).restore(archive); });
    const QString unpacked = dir.filePath(QStringLiteral("unzipped"));
    const double unzip = best(
        repeat, [&] { clearFolder(unpacked); },
        [&] {
            runTool(QStringLiteral("unzip"),
                    {QStringLiteral("-o"), QStringLiteral("-q"), archive, QStringLiteral("-d"), unpacked});
            QStringList written{unpacked};
            for (const QString& name : backup::tableFiles())
                written << QDir(unpacked).filePath(name);
            runTool(QStringLiteral("sync"), written);
        });
    std::printf("restore: ours %.3f s, unzip -o and sync %.3f s, ratio %.2f (target <= 1.5)\n", restore,
                unzip, restore / unzip);

    // Check and repair of the whole (sound) database.
    engine::Database database(db);
    CheckOutcome outcome;
    const double check = best(
        repeat, [] {}, [&] { outcome = DataChecker(database).run(); });
    std::printf("check/repair: %.3f s (%s)\n", check, qPrintable(outcome.message));

    const bool met = ours / zip <= 1.3 && restore / unzip <= 1.5;
    return met ? 0 : 3;
}
