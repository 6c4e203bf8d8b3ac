#pragma once

#include <QString>
#include <QStringList>

// Kills a child process running one of the program's commands (soak_child) before each of its file-system
// steps and at random instants, reopens the database folder after every kill the way the program does at
// start, and sorts each outcome: as before the command, as after it, or torn (anything else).
namespace soak {

// soak_child: GROCELLE_SOAK_CHILD names a copy to run instead of the one built beside the harness.
QString childProgram();

// A template for QTemporaryDir on a memory file system where there is one: a kill stops a process, not the
// machine, so memory proves as much as a disk and spares the harness thousands of waits for it.
QString workFolderTemplate();

// What the program finds in a database folder at start: the folder put right as the start-up does, then every
// table read through a fresh connection. `contents` is empty, with the reason in `problem`, when the start-up
// would complain (a table missing or damaged), a definition disagrees, or files remain that the start-up
// leaves behind (other than `allowed`, beside the table files or beside the folder).
struct FolderState {
    QString contents;
    QString problem;
    bool sound() const { return !contents.isEmpty(); }
};
FolderState reopenAsAtStart(const QString& folder, const QStringList& allowed = {});

// How many kills a run makes: `randomKills` at instants spread uniformly over the command's duration, and
// kills before file steps: every step when `stepKills` is negative, else that many steps spread evenly over
// the command (the first and the last always among them).
struct KillPlan {
    int randomKills = 10;
    int stepKills = -1;
};
// GROCELLE_SOAK_KILLS (random kills, default `randomDefault`) and GROCELLE_SOAK_STEPS ("all" or a count,
// default `stepsDefault`).
KillPlan planFromEnvironment(int randomDefault, int stepsDefault);

struct Figures {
    QString command;
    int steps = 0; // file steps the uninterrupted command takes
    int stepKills = 0;
    int randomKills = 0;
    int before = 0;
    int after = 0;
    int torn = 0;
    int failed = 0; // runs that went wrong apart from the kill (the child did not start, or failed)
    double seconds = 0;
    QStringList tornCases; // when and what, for each torn outcome
    QStringList failures;
    int kills() const { return stepKills + randomKills - failed; }
    QString line() const;
};

class KillHarness {
public:
    // `childProgram` is soak_child; the folders are made under `workArea`.
    KillHarness(const QString& childProgram, const QString& workArea);

    // Runs the command on copies of the template folder: once whole (the "after" state and its duration),
    // then killed as planned. `file` is passed on to the child; `allowed` are files the command may leave.
    Figures run(const QString& command, const QString& templateFolder, const KillPlan& plan,
                const QString& file = {}, const QStringList& allowed = {});

    // Why the uninterrupted command did not give a usable "after"; empty when it did.
    const QString& setupProblem() const { return setupProblem_; }

private:
    struct ChildRun {
        bool finished = false; // ran to its end instead of being killed
        int readySteps = 0;    // file steps taken before the command began
        int steps = 0;         // file steps taken by the end
        qint64 micros = 0;     // from "ready" to the end
        QString error;
    };
    ChildRun runChild(const QString& command, const QString& file, int killAtStep, qint64 killAfter);
    void resetWork(const QString& templateFolder);

    QString child_;
    QString work_;   // holds the database folder and nothing else between runs
    QString folder_; // the database folder the child works on
    QString cache_;
    QString setupProblem_;
};

} // namespace soak
