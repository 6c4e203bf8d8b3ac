#include "TableFiles.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

TableFileLock::TableFileLock(const QString& datFile) {
    if (sqlite3_open_v2(QFile::encodeName(datFile).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        return;
    }
    char* message = nullptr;
    // A write, so that the file lock is taken at once and not only at the first read.
    if (sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, &message) == SQLITE_OK) {
        held_ = true;
    } else {
        error_ = QString::fromUtf8(message);
        sqlite3_free(message);
    }
}

TableFileLock::~TableFileLock() {
    release();
    sqlite3_close_v2(db_);
}

void TableFileLock::release() {
    if (!held_)
        return;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    held_ = false;
}

QString tableContents(const QString& databaseFolder) {
    QStringList lines;
    for (const char* table : {"Categories", "Products", "Shops", "Items", "Aisles"}) {
        lines << QStringLiteral("[%1]").arg(QLatin1String(table));
        const QString file = QDir(databaseFolder).filePath(QLatin1String(table) + QStringLiteral(".dat"));
        sqlite3* db = nullptr;
        if (!QFile::exists(file) || sqlite3_open_v2(QFile::encodeName(file).constData(), &db,
                                                    SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            lines << QStringLiteral("(unreadable)");
            sqlite3_close_v2(db);
            continue;
        }
        const QByteArray sql =
            QStringLiteral("SELECT * FROM \"%1\" ORDER BY 1").arg(QLatin1String(table)).toUtf8();
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK) {
            lines << QStringLiteral("(unreadable: %1)").arg(QString::fromUtf8(sqlite3_errmsg(db)));
        } else {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                QStringList row;
                for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                    if (sqlite3_column_type(statement, c) == SQLITE_NULL)
                        row << QStringLiteral("NULL");
                    else
                        row << QString::fromUtf8(
                            reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
                }
                lines << row.join(QLatin1Char('|'));
            }
        }
        sqlite3_finalize(statement);
        sqlite3_close_v2(db);
    }
    return lines.join(QLatin1Char('\n'));
}

bool zeroRootPage(const QString& datFile, const QString& table) {
    sqlite3* db = nullptr;
    int root = 0, pageSize = 0;
    if (sqlite3_open_v2(QFile::encodeName(datFile).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        const QByteArray sql =
            QStringLiteral("SELECT rootpage, (SELECT page_size FROM pragma_page_size) FROM "
                           "sqlite_master WHERE name = '%1'")
                .arg(table)
                .toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr) == SQLITE_OK &&
            sqlite3_step(s) == SQLITE_ROW) {
            root = sqlite3_column_int(s, 0);
            pageSize = sqlite3_column_int(s, 1);
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    QFile f(datFile);
    return root > 0 && pageSize > 0 && f.open(QIODevice::ReadWrite) && f.seek(qint64(root - 1) * pageSize) &&
           f.write(QByteArray(pageSize, '\0')) == pageSize;
}
