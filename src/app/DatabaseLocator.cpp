#include "DatabaseLocator.h"

#include "AppFolders.h"
#include "Database.h"
#include "EngineError.h"
#include "FileSteps.h"
#include "Helpers.h"
#include "Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

#include <cstdio>

namespace {
// Rewrites a file with a copy of itself. The copy takes the original's place in one rename, so the table has
// its file at every instant; without a complete copy the original stays as it is.
void RefreshFile(const QString& path) {
    if (!QFileInfo(path).isFile())
        return;
    const QString copy = path + QStringLiteral(".bkp");
    if (QFileInfo(copy).isFile()) {
        engine::fileStep();
        QFile::remove(copy);
    }
    engine::fileStep();
    if (QFileInfo::exists(copy) || !QFile::copy(path, copy))
        return;
    engine::fileStep();
    if (::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) != 0)
        QFile::remove(copy);
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
    if (!db_.tableExists(QStringLiteral("Categories")))
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
        // A table without its file is not there to be checked; creating the database deals with it. A missing
        // .idx is no reason to skip: the definition inside the table file is read.
        if (!db_.tableExists(file))
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

void DatabaseLocator::changeLocale(int localeId) {
    db_.alterTables(checkOrder(), localeId);
}

bool DatabaseLocator::databaseMissing() const {
    for (const QString& table : schema::tableNames())
        if (db_.tableExists(table))
            return false;
    return true;
}

std::vector<engine::TableFileProblem> DatabaseLocator::tableProblems() {
    db_.close();
    db_.resolveLeftovers();
    return db_.diagnoseTables(schema::tableNames());
}

QString DatabaseLocator::repairQuestion(const engine::TableFileProblem& problem) {
    return problem.message + QStringLiteral("\r\nRepair it now? The damaged file is kept as ") +
           problem.file + QStringLiteral(".damaged.\r\nNo closes Grocelle without changing anything.");
}

QString DatabaseLocator::unreadableMessage(const engine::TableFileProblem& problem) {
    return problem.message + QStringLiteral("\r\nGrocelle closes without changing anything.");
}

QString DatabaseLocator::readOnlyMessage(const std::vector<engine::ReadOnlyTable>& tables) {
    if (tables.empty())
        return {};
    const QString after =
        QStringLiteral("Grocelle opens %1 read-only: you can see the data, but every change to it is refused "
                       "until the file can be written and Grocelle is started again.");
    if (tables.size() == 1)
        return QStringLiteral("The table file %1 cannot be written: %2.\r\n")
                   .arg(tables.front().file, tables.front().reason) +
               after.arg(QStringLiteral("it"));
    QString text = QStringLiteral("These table files cannot be written:");
    for (const engine::ReadOnlyTable& t : tables)
        text += QStringLiteral("\r\n   ") + t.file + QStringLiteral(": ") + t.reason;
    return text + QStringLiteral("\r\n") + after.arg(QStringLiteral("them"));
}

QString DatabaseLocator::missingTablesMessage(const QStringList& tables) {
    QStringList files;
    for (const QString& t : tables)
        files << t + QStringLiteral(".dat");
    if (files.size() == 1)
        return QStringLiteral("The table file %1 was missing; the table has been created empty.")
            .arg(files[0]);
    return QStringLiteral("The table files %1 were missing; the tables have been created empty.")
        .arg(files.join(QStringLiteral(", ")));
}

int DatabaseLocator::localeBeside(const QStringList& tables) const {
    for (const QString& table : schema::tableNames()) {
        if (tables.contains(table, Qt::CaseInsensitive) || !db_.tableExists(table))
            continue;
        try {
            return db_.readDefinition(table).locale;
        } catch (const engine::EngineError&) {
        }
    }
    return 0;
}

void DatabaseLocator::createMissingTables(const QStringList& tables) {
    db_.close();
    // New tables sort like the tables that are there.
    const int locale = localeBeside(tables);
    for (const schema::NamedTable& t : schema::tables()) {
        if (!tables.contains(t.name))
            continue;
        engine::TableDefinition def = t.definition;
        def.locale = locale;
        db_.createTable(t.name, def);
    }
}

engine::TableRepair DatabaseLocator::repairTable(const QString& table) {
    try {
        return db_.repairTable(table);
    } catch (const engine::EngineError& e) {
        if (e.code() != engine::CorruptTable)
            throw;
    }
    // Both copies of the definition are lost; the table is one of the five, so its definition is known.
    for (const schema::NamedTable& t : schema::tables()) {
        if (t.name.compare(engine::Database::tableName(table), Qt::CaseInsensitive) != 0)
            continue;
        engine::TableDefinition def = t.definition;
        def.locale = localeBeside({t.name});
        def.writeFile(db_.definitionFilePath(t.name));
    }
    return db_.repairTable(table);
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
