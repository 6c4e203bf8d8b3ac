#include "GuardedApplication.h"
#include "Helpers.h"
#include "MainWindow.h"
#include "Subsystems.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    ui::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grocelle"));
    QApplication::setApplicationVersion(ProgramVersionText());
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // The message and dialog services default to the real boxes and dialogs.
    MainWindow window(QCoreApplication::applicationDirPath());
    window.createDialogs();
    installSubsystems(window);
    window.show();
    return QApplication::exec();
}
