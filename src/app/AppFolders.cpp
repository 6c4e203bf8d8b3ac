#include "AppFolders.h"

#include "Helpers.h"

#include <QDir>

namespace {
QString WithSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
} // namespace

QString WithoutTrailingSeparator(const QString& folder) {
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        return folder.left(folder.size() - 1);
    return folder;
}

AppFolders AppFolders::locate(const QString& programFolder) {
    AppFolders f;
    f.programFolder = WithSeparator(programFolder);
    f.helpFolder = f.programFolder + QStringLiteral("Help/");
    f.helpFile = f.helpFolder + QStringLiteral("Grocelle.chm");
    f.dataFolder = AppDataFolder(SpecialFolder::CommonAppData, QStringLiteral("Grocelle"));
    if (f.dataFolder.isEmpty())
        f.dataFolder = f.programFolder;
    f.documentsFolder = AppDataFolder(SpecialFolder::Personal, QStringLiteral("Grocelle"));
    if (f.documentsFolder.isEmpty())
        f.documentsFolder = f.programFolder;
    f.settingsFileName = f.dataFolder + QStringLiteral("Grocelle.ini");
    f.updateProgram = f.programFolder + QStringLiteral("updater");
    return f;
}

QString AppFolders::scratchFolder() {
    const QString folder = AppDataFolder(SpecialFolder::AppData, QStringLiteral("Grocelle"));
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}
