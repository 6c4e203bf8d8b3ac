#include "TempFolder.h"

#include <QDir>

TempFolder::TempFolder() : dir_(QDir::tempPath() + QStringLiteral("/grocelle-test-XXXXXX")) {}

QString TempFolder::sub(const QString& name) const {
    const QString p = dir_.filePath(name);
    QDir().mkpath(p);
    return p;
}
