// grocelle-updater: asks the maker's server for the newest version of Grocelle and says whether this one is
// current. "/checknow" (the Help menu) always reports and shows that it is checking; "/silent" (at the
// program's start) speaks only when a newer version exists. "--stdout" prints the message instead of showing
// it, for scripts and tests; "--help" prints the usage.
#include "Helpers.h"
#include "UpdateCheck.h"
#include "UpdateCheckWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

void printLines(std::FILE* stream, const QString& text) {
    std::fprintf(stream, "%s\n",
                 qPrintable(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
}

} // namespace

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const updater::UpdaterArguments options = updater::ParseUpdaterArguments(arguments);
    if (options.help) {
        printLines(stdout, updater::UpdaterUsage());
        return 0;
    }
    if (!options.error.isEmpty()) {
        printLines(stderr, options.error);
        printLines(stderr, updater::UpdaterUsage());
        return 2;
    }

    const QString address = updater::VersionFileAddress();
    const QVersionNumber own = QVersionNumber::fromString(ProgramVersionText());
    const auto check = [&](const std::atomic<bool>& cancel) {
        return updater::CheckForUpdate(address, own,
                                       [&cancel](const QString& a, QByteArray& body, QString& why) {
                                           return updater::FetchWithCurlUntil(cancel, a, body, why);
                                       });
    };

    if (options.toStdout) {
        const std::atomic<bool> never{false};
        const updater::UpdateOutcome outcome = check(never);
        if (updater::ShouldReport(outcome, options.silent))
            printLines(stdout, outcome.message);
        return outcome.kind == updater::UpdateOutcome::Failed ? 1 : 0;
    }

    std::optional<QApplication> app;
    std::optional<updater::UpdateOutcome> outcome;
    if (options.silent) {
        // At start-up nothing is shown unless there is news.
        const std::atomic<bool> never{false};
        outcome = check(never);
        if (!updater::ShouldReport(*outcome, true))
            return outcome->kind == updater::UpdateOutcome::Failed ? 1 : 0;
        app.emplace(argc, argv);
    } else {
        app.emplace(argc, argv);
        outcome = updater::UpdateCheckWindow().run(check);
        if (!outcome)
            return 1;
    }
    QApplication::setApplicationName(QStringLiteral("Grocelle"));
    const QString title = QStringLiteral("Grocelle update");
    if (outcome->kind == updater::UpdateOutcome::Failed)
        QMessageBox::warning(nullptr, title, outcome->message);
    else
        QMessageBox::information(nullptr, title, outcome->message);
    return outcome->kind == updater::UpdateOutcome::Failed ? 1 : 0;
}
