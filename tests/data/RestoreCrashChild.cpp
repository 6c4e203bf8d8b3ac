// Restores an archive for the crash test, which kills it before chosen file steps:
//   data_restore_child <database folder> <archive>
// It prints "steps <n>" when the restore is done.
#include "Backup.h"
#include "FileSteps.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    engine::installStepCounting();
    try {
        backup::BackupRestorer(QString::fromLocal8Bit(argv[1])).restore(QString::fromLocal8Bit(argv[2]));
    } catch (const backup::BackupError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.detail()));
        return 1;
    }
    std::printf("steps %d\n", engine::fileStepsTaken());
    return 0;
}
