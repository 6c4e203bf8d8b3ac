#include "DatabaseLocator.h"

#include "AppFolders.h"
#include "Database.h"
#include "Helpers.h"
#include "Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {
void RefreshFile(const QString& path) {
    if (!QFileInfo::exists(path))
        return;
    const QString copy = path + QStringLiteral(".bkp");
    QFile::remove(copy);
    // Without a complete copy the original must stay: deleting it would lose the table.
    if (!QFile::copy(path, copy))
        return;
    QFile::remove(path);
    QFile::rename(copy, path);
    if (QFileInfo::exists(copy)) {
        QFile::remove(path);
        QFile::rename(copy, path);
    }
}
} // namespace

DatabaseLocator::DatabaseLocator(engine::Database& db) : db_(db) {}

const QStringList& DatabaseLocator::checkOrder() {
    static const QStringList files{QStringLiteral("Categories.dat"), QStringLiteral("Products.dat"),
                                   QStringLiteral("Shops.dat"), QStringLiteral("Items.dat"),
                                   QStringLiteral("Aisles.dat")};
    return files;
}

void DatabaseLocator::RefreshTableFiles(const QString& folder, const QString& fileName) {
    const QDir dir(folder);
    RefreshFile(dir.filePath(fileName));
    RefreshFile(dir.filePath(IndexFileName(fileName)));
}

void DatabaseLocator::refreshOldTables() {
    if (!db_.tableExists(QStringLiteral("Categories")) ||
        !QFileInfo::exists(db_.definitionFilePath(QStringLiteral("Categories"))))
        return;
    const engine::TableDefinition def = db_.readDefinition(QStringLiteral("Categories"));
    if (def.versionMajor != 2 || def.versionMinor != 0)
        return;
    db_.close();
    for (const QString& file : checkOrder())
        RefreshTableFiles(db_.folder(), file);
}

bool DatabaseLocator::CheckTableVersion() {
    QStringList toRaise;
    bool passed = true;
    for (const QString& file : checkOrder()) {
        // A table without both of its files is not there to be checked; creating the database deals with it.
        if (!db_.tableExists(file) || !QFileInfo::exists(db_.definitionFilePath(file)))
            continue;
        const engine::TableDefinition def = db_.readDefinition(file);
        const auto value = static_cast<unsigned>(def.versionMajor * 10 + def.versionMinor);
        if (value > 21) {
            passed = false;
            break;
        }
        if (def.versionMajor == 2 && def.versionMinor == 0)
            toRaise << file;
    }
    if (!toRaise.isEmpty())
        db_.alterTables(toRaise, std::nullopt, std::pair{schema::kVersionMajor, schema::kVersionMinor});
    return passed;
}

bool DatabaseLocator::databaseMissing() const {
    return !QFileInfo::exists(QDir(db_.folder()).filePath(QStringLiteral("Categories.dat")));
}

QString DatabaseLocator::notFoundMessage() const {
    return QStringLiteral("Grocelle database not found in ") + QLatin1Char('"') +
           WithoutTrailingSeparator(db_.folder()) + QLatin1Char('"') +
           QStringLiteral("\r\nCreating a blank database in this folder.");
}

QString DatabaseLocator::higherVersionMessage() {
    return QStringLiteral("Current database is a higher version than the software.\r\n"
                          "Please uninstall Grocelle and install the latest version.");
}

void DatabaseLocator::createBlankDatabase() {
    const QDir dir(db_.folder());
    QStringList created;
    for (const QString& table : schema::tableNames()) {
        for (const QString& ext : {QStringLiteral(".dat"), QStringLiteral(".idx")}) {
            const QString path = dir.filePath(table + ext);
            if (!QFileInfo::exists(path))
                created << path;
        }
    }
    db_.close();
    try {
        CreateDatabaseTables(db_.folder());
    } catch (...) {
        for (const QString& path : created)
            QFile::remove(path);
        throw;
    }
}
