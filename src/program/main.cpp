#include "AppFolders.h"
#include "CloseRequests.h"
#include "CommandLine.h"
#include "DatabaseLock.h"
#include "GuardedApplication.h"
#include "Helpers.h"
#include "MainWindow.h"
#include "MessageService.h"
#include "ProcessMemory.h"
#include "Subsystems.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QStyleFactory>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

// Printing a report measures and draws text, which needs the graphical application object; without a
// window it runs on the offscreen platform, so no display is needed.
bool printsReport(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QStringLiteral("--print") || arg.startsWith(QStringLiteral("--print=")))
            return true;
    }
    return false;
}

// A command from a shell or a scheduled job: no window, so no display is needed.
int runCommandLine(int argc, char* argv[]) {
    std::unique_ptr<QCoreApplication> app;
    if (printsReport(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Standard error carries the command's own messages only, not the toolkit's notes about the
        // environment (no runtime folder, font substitutes).
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type == QtCriticalMsg || type == QtFatalMsg)
                std::fprintf(stderr, "%s\n", qPrintable(text));
        });
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Grocelle"));
    QCoreApplication::setApplicationVersion(ProgramVersionText());
    QTextStream out(stdout);
    QTextStream err(stderr);
    return CommandLineRun(QCoreApplication::applicationDirPath(), out, err)
        .run(QCoreApplication::arguments());
}

} // namespace

int main(int argc, char* argv[]) {
    process_memory::returnLargeBlocksWhenFreed();
    if (CommandLineRun::wanted(argc))
        return runCommandLine(argc, argv);
    ui::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grocelle"));
    QApplication::setApplicationVersion(ProgramVersionText());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The desktop entry's id ties the window to the menu entry and its icon; the icon theme's copy is the one
    // the desktop shows, the built-in one serves where the program was not installed.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.grocelle.Grocelle"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.grocelle.Grocelle"),
                                                 QIcon(QStringLiteral(":/grocelle/grocelle.svg"))));

    // A logout, a service manager or Ctrl+C in a terminal closes the window like its close button does; a
    // request that comes before there is a window dismisses the messages of the start-up and waits for it.
    ui::CloseRequests closeRequests;

    // One program per database: the lock comes before anything reads or writes the database or the settings
    // file, so a second copy leaves both exactly as they are.
    DatabaseLock lock;
    if (!lock.acquire(AppFolders::locate(QCoreApplication::applicationDirPath()).dataFolder)) {
        // Also on standard error, for whoever started the program from a shell or a script.
        std::fprintf(
            stderr, "%s\n",
            qPrintable(QString(lock.errorText()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
        ui::showMessage(ui::MessageKind::Error, lock.errorText());
        return 1;
    }

    // The message and dialog services default to the real boxes and dialogs.
    MainWindow window(QCoreApplication::applicationDirPath());
    closeRequests.closeOnRequest(&window);
    QObject::connect(&closeRequests, &ui::CloseRequests::windowClosed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.createDialogs();
    installSubsystems(window);
    window.show();
    return QApplication::exec();
}
