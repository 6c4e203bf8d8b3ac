// grocelle-updater: asks the maker's server for the newest version of Grocelle and says whether this one is
// current. "/checknow" (the Help menu) always reports; "/silent" (at the program's start) speaks only when
// a newer version exists. "--stdout" prints the message instead of showing it, for scripts and tests.
#include "Helpers.h"
#include "UpdateCheck.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const bool silent = arguments.contains(QStringLiteral("/silent"), Qt::CaseInsensitive);
    const bool toStdout = arguments.contains(QStringLiteral("--stdout"));

    const updater::UpdateOutcome outcome = updater::CheckForUpdate(
        updater::VersionFileAddress(), QVersionNumber::fromString(ProgramVersionText()));
    const int exitCode = outcome.kind == updater::UpdateOutcome::Failed ? 1 : 0;
    if (!updater::ShouldReport(outcome, silent))
        return exitCode;

    if (toStdout) {
        std::printf(
            "%s\n",
            qPrintable(QString(outcome.message).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        return exitCode;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grocelle"));
    const QString title = QStringLiteral("Grocelle update");
    if (outcome.kind == updater::UpdateOutcome::Failed)
        QMessageBox::warning(nullptr, title, outcome.message);
    else
        QMessageBox::information(nullptr, title, outcome.message);
    return exitCode;
}
