#include "KillHarness.h"

#include "Backup.h"
#include "Database.h"
#include "DatabaseLocator.h"
#include "Schema.h"
#include "TableDefinition.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <sqlite3.h>

#include <algorithm>

namespace soak {

namespace {

QString cellText(sqlite3_stmt* s, int column) {
    if (sqlite3_column_type(s, column) == SQLITE_NULL)
        return QStringLiteral("<null>");
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, column)));
}

// Every row of the result, cells joined by '|', rows by newlines; throws on an SQL error.
QString queryText(sqlite3* c, const QString& sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(c, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(c));
    QStringList rows;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(s); ++i)
            cells << cellText(s, i);
        rows << cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        throw std::runtime_error(sqlite3_errstr(rc));
    return rows.join(QLatin1Char('\n'));
}

QStringList tableFiles() {
    QStringList files;
    for (const QString& t : schema::allTableNames())
        files << t + QStringLiteral(".dat") << t + QStringLiteral(".idx");
    return files;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Each table's definition, schema and rows (with row ids and the id counter), read on the connection.
QString contentsOf(engine::Database& db) {
    sqlite3* c = db.connection();
    QString out;
    // The price log when the folder has one.
    QStringList names = schema::tableNames();
    if (QFileInfo::exists(QDir(db.folder()).filePath(schema::priceLog().name + QStringLiteral(".dat"))))
        names << schema::priceLog().name;
    for (const QString& name : names) {
        if (!db.tables().contains(name))
            throw std::runtime_error(qPrintable(name + QStringLiteral(" cannot be attached")));
        const QString q = QLatin1Char('"') + name + QLatin1Char('"');
        const QString check = queryText(c, QStringLiteral("PRAGMA %1.integrity_check").arg(q));
        if (check != QLatin1String("ok"))
            throw std::runtime_error(qPrintable(name + QStringLiteral(": ") + check));
        const engine::TableDefinition& def = db.definition(name);
        if (engine::TableDefinition::readFile(db.definitionFilePath(name)).toJson() != def.toJson())
            throw std::runtime_error(qPrintable(name + QStringLiteral(".idx disagrees with the table file")));
        out += QStringLiteral("[%1]\n").arg(name) + QString::fromUtf8(def.toJson()) + QLatin1Char('\n');
        out += queryText(c, QStringLiteral("SELECT name, sql FROM %1.sqlite_master WHERE sql NOT NULL "
                                           "ORDER BY name")
                                .arg(q)) +
               QLatin1Char('\n');
        out += queryText(c, QStringLiteral("SELECT rowid, * FROM %1.%1 ORDER BY rowid").arg(q)) +
               QLatin1Char('\n');
        if (def.autoIncField() >= 0)
            out += QStringLiteral("seq ") +
                   queryText(c, QStringLiteral("SELECT seq FROM %1.sqlite_sequence").arg(q)) +
                   QLatin1Char('\n');
    }
    return out;
}

void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString& f : QDir(from).entryList(QDir::Files | QDir::Hidden))
        QFile::copy(QDir(from).filePath(f), QDir(to).filePath(f));
}

} // namespace

QString childProgram() {
    return qEnvironmentVariable("GROCELLE_SOAK_CHILD", QStringLiteral(SOAK_CHILD));
}

QString workFolderTemplate() {
    return QDir(QStringLiteral("/dev/shm")).exists()
               ? QStringLiteral("/dev/shm/grocelle-soak-XXXXXX")
               : QDir::tempPath() + QStringLiteral("/grocelle-soak-XXXXXX");
}

FolderState reopenAsAtStart(const QString& folder, const QStringList& allowed) {
    FolderState state;
    try {
        // The start-up's order: an interrupted restore, then what an interrupted change set aside, then the
        // check of every table file, then the connection (which plays back or drops what a crash left).
        backup::BackupRestorer::resolveInterruptedRestore(folder);
        engine::Database db(folder);
        db.setScratchFolder(folder);
        DatabaseLocator locator(db);
        db.close();
        db.resolveLeftovers();
        if (locator.databaseMissing())
            throw std::runtime_error("no table file is left");
        if (const auto problems = locator.tableProblems(); !problems.empty())
            throw std::runtime_error(qPrintable(problems.front().message));
        state.contents = contentsOf(db);
        db.close();
    } catch (const std::exception& e) {
        state.contents.clear();
        state.problem = QString::fromUtf8(e.what());
        return state;
    }
    QStringList extra;
    for (const QString& f : entries(folder))
        if (!tableFiles().contains(f) && !allowed.contains(f))
            extra << f;
    const QString name = QFileInfo(folder).fileName();
    for (const QString& f : entries(QFileInfo(folder).absolutePath()))
        if (f != name)
            extra << QStringLiteral("../") + f;
    if (!extra.isEmpty()) {
        state.contents.clear();
        state.problem = QStringLiteral("left over: ") + extra.join(QLatin1Char(' '));
    }
    return state;
}

KillPlan planFromEnvironment(int randomDefault, int stepsDefault) {
    KillPlan plan{randomDefault, stepsDefault};
    bool ok = false;
    const int kills = qEnvironmentVariableIntValue("GROCELLE_SOAK_KILLS", &ok);
    if (ok && kills >= 0)
        plan.randomKills = kills;
    const QString steps = qEnvironmentVariable("GROCELLE_SOAK_STEPS");
    if (steps == QLatin1String("all"))
        plan.stepKills = -1;
    else if (const int n = steps.toInt(&ok); ok && n >= 0)
        plan.stepKills = n;
    return plan;
}

QString Figures::line() const {
    return QStringLiteral(
               "%1: %2 kills (%3 before file steps of %4, %5 at random instants): %6 before, %7 after, "
               "%8 torn, %9 s%10")
        .arg(command, -18)
        .arg(kills())
        .arg(stepKills)
        .arg(steps)
        .arg(randomKills)
        .arg(before)
        .arg(after)
        .arg(torn)
        .arg(seconds, 0, 'f', 1)
        .arg(failed > 0 ? QStringLiteral(" (%1 runs failed)").arg(failed) : QString());
}

KillHarness::KillHarness(const QString& childProgram, const QString& workArea)
    : child_(childProgram), work_(QDir(workArea).filePath(QStringLiteral("work"))),
      folder_(QDir(work_).filePath(QStringLiteral("db"))),
      cache_(QDir(workArea).filePath(QStringLiteral("cache"))) {}

void KillHarness::resetWork(const QString& templateFolder) {
    QDir(work_).removeRecursively();
    copyFolder(templateFolder, folder_);
}

KillHarness::ChildRun KillHarness::runChild(const QString& command, const QString& file, int killAtStep,
                                            qint64 killAfter) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("GROCELLE_KILL_AT_STEP"));
    if (killAfter < 0)
        env.insert(QStringLiteral("GROCELLE_KILL_AT_STEP"), QString::number(killAtStep));
    p.setProcessEnvironment(env);
    QStringList args{command, folder_, cache_};
    if (!file.isEmpty())
        args << file;
    ChildRun run;
    p.start(child_, args);
    if (!p.waitForStarted(10000)) {
        run.error = QStringLiteral("the child did not start");
        return run;
    }
    QByteArray out;
    while (!out.contains('\n') && p.state() != QProcess::NotRunning && p.waitForReadyRead(20000))
        out += p.readAllStandardOutput();
    QElapsedTimer timer;
    timer.start();
    if (killAfter >= 0) {
        QThread::usleep(static_cast<unsigned long>(killAfter));
        p.kill();
    }
    p.waitForFinished(60000);
    run.micros = timer.nsecsElapsed() / 1000;
    // The cache folder may be cleaned at any time: what recovery needs must be in the database folder.
    QDir(cache_).removeRecursively();
    out += p.readAllStandardOutput();
    for (const QByteArray& line : out.split('\n')) {
        if (line.startsWith("ready "))
            run.readySteps = line.mid(6).toInt();
        else if (line.startsWith("steps "))
            run.steps = line.mid(6).toInt();
    }
    run.finished = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() != 0)
        run.error = QStringLiteral("exit code %1: %2")
                        .arg(p.exitCode())
                        .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
    return run;
}

Figures KillHarness::run(const QString& command, const QString& templateFolder, const KillPlan& plan,
                         const QString& file, const QStringList& allowed) {
    Figures figures;
    figures.command = command;
    setupProblem_.clear();
    QElapsedTimer clock;
    clock.start();

    resetWork(templateFolder);
    const FolderState before = reopenAsAtStart(folder_, allowed);
    resetWork(templateFolder);
    const ChildRun whole = runChild(command, file, 0, -1);
    const FolderState after = reopenAsAtStart(folder_, allowed);
    if (!before.sound())
        setupProblem_ = QStringLiteral("the prepared database is not sound: ") + before.problem;
    else if (!whole.finished)
        setupProblem_ = QStringLiteral("the command failed: ") + whole.error;
    else if (!after.sound())
        setupProblem_ = QStringLiteral("the command's outcome is not sound: ") + after.problem;
    else if (after.contents == before.contents)
        setupProblem_ = QStringLiteral("the command changed nothing");
    else if (whole.steps <= whole.readySteps)
        setupProblem_ = QStringLiteral("the command took no file step");
    if (!setupProblem_.isEmpty())
        return figures;
    figures.steps = whole.steps - whole.readySteps;

    const auto judge = [&](const QString& when) {
        const FolderState now = reopenAsAtStart(folder_, allowed);
        if (now.sound() && now.contents == before.contents) {
            ++figures.before;
        } else if (now.sound() && now.contents == after.contents) {
            ++figures.after;
        } else {
            ++figures.torn;
            figures.tornCases << when + QStringLiteral(": ") +
                                     (now.sound() ? QStringLiteral("neither before nor after") : now.problem);
        }
    };

    QList<int> steps;
    if (plan.stepKills < 0 || plan.stepKills >= figures.steps) {
        for (int k = 1; k <= figures.steps; ++k)
            steps << k;
    } else {
        for (int i = 0; i < plan.stepKills; ++i)
            steps << 1 + (plan.stepKills > 1 ? i * (figures.steps - 1) / (plan.stepKills - 1) : 0);
        steps.erase(std::unique(steps.begin(), steps.end()), steps.end());
    }
    for (const int k : std::as_const(steps)) {
        resetWork(templateFolder);
        const ChildRun run = runChild(command, file, whole.readySteps + k, -1);
        ++figures.stepKills;
        const QString when = QStringLiteral("killed before file step %1 of %2").arg(k).arg(figures.steps);
        if (run.finished || !run.error.isEmpty()) {
            ++figures.failed;
            figures.failures << when + QStringLiteral(": the child was not killed ") + run.error;
            continue;
        }
        judge(when);
    }
    for (int i = 0; i < plan.randomKills; ++i) {
        resetWork(templateFolder);
        const qint64 at = QRandomGenerator::global()->bounded(whole.micros + 1);
        const ChildRun run = runChild(command, file, 0, at);
        ++figures.randomKills;
        const QString when = QStringLiteral("killed after %1 us of %2").arg(at).arg(whole.micros);
        if (!run.error.isEmpty()) {
            ++figures.failed;
            figures.failures << when + QStringLiteral(": ") + run.error;
            continue;
        }
        judge(when);
    }
    QDir(work_).removeRecursively();
    figures.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return figures;
}

} // namespace soak
