#include "Helpers.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Grocelle"));
    QApplication::setApplicationVersion(ProgramVersionText());
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Grocelle"));
    window.resize(800, 600);
    window.show();
    return QApplication::exec();
}
