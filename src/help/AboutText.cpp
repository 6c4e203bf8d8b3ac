#include "AboutText.h"

#include "Helpers.h"

#include <QSysInfo>

#include <sqlite3.h>

namespace help {

QString BuildPlatformText() {
    QString system = QSysInfo::kernelType();
    if (!system.isEmpty())
        system[0] = system[0].toUpper();
    return system + QLatin1Char(' ') + QString::number(QSysInfo::WordSize) + QStringLiteral("bit build");
}

QStringList AboutLines() {
    return {QStringLiteral("Grocelle, the grocery shopping planner"),
            QStringLiteral("Copyright \u00a9 The Grocelle developers"),
            QStringLiteral("Version ") + ProgramVersionText() + QStringLiteral(" (") + BuildPlatformText() +
                QLatin1Char(')'),
            QStringLiteral("SQLite V") + QString::fromLatin1(sqlite3_libversion())};
}

} // namespace help
