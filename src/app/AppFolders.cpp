#include "AppFolders.h"

#include "Helpers.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kHelpCollection = QStringLiteral("Grocelle.qhc");

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
    // Built, the help lies beside the program; installed, in the shared data folder beside its bin folder.
    f.helpFolder = f.programFolder + QStringLiteral("Help/");
    const QString installed =
        QDir::cleanPath(f.programFolder + QStringLiteral("../share/grocelle/Help")) + QLatin1Char('/');
    if (!QFileInfo::exists(f.helpFolder + kHelpCollection) && QFileInfo::exists(installed + kHelpCollection))
        f.helpFolder = installed;
    f.helpFile = f.helpFolder + kHelpCollection;
    f.dataFolder = AppDataFolder(SpecialFolder::CommonAppData, QStringLiteral("Grocelle"));
    if (f.dataFolder.isEmpty())
        f.dataFolder = f.programFolder;
    f.documentsFolder = AppDataFolder(SpecialFolder::Personal, QStringLiteral("Grocelle"));
    if (f.documentsFolder.isEmpty())
        f.documentsFolder = f.programFolder;
    f.settingsFileName = f.dataFolder + QStringLiteral("Grocelle.ini");
    f.updateProgram = f.programFolder + QStringLiteral("grocelle-updater");
    return f;
}

QString AppFolders::scratchFolder() {
    const QString folder = AppDataFolder(SpecialFolder::AppData, QStringLiteral("Grocelle"));
    if (!folder.isEmpty())
        QDir().mkpath(folder);
    return folder;
}
