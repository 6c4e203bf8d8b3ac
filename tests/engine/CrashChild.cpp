// Runs one change on a database folder for the crash tests, which kill it at chosen instants:
//   engine_crash_child <alter|upgrade|empty|repair|delete-shop> <folder> <cache folder>
// It prints "ready" just before the change and "steps <n>" after it.
#include "Database.h"
#include "EngineError.h"
#include "FileSteps.h"
#include "Schema.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString change = QString::fromLocal8Bit(argv[1]);
    engine::Database db(QString::fromLocal8Bit(argv[2]));
    db.setScratchFolder(QString::fromLocal8Bit(argv[3]));
    std::printf("ready\n");
    std::fflush(stdout);
    try {
        if (change == QLatin1String("alter")) {
            db.alterTables(schema::tableNames(), 1031);
        } else if (change == QLatin1String("upgrade")) {
            db.alterTables(schema::tableNames(), std::nullopt,
                           std::pair{schema::kVersionMajor, schema::kVersionMinor});
        } else if (change == QLatin1String("empty")) {
            db.emptyTable(QStringLiteral("Items"));
        } else if (change == QLatin1String("repair")) {
            db.repairTable(QStringLiteral("Items"));
        } else if (change == QLatin1String("delete-shop")) {
            engine::Transaction t(db);
            db.execute(QStringLiteral("DELETE FROM Items WHERE Shop = 1"));
            db.execute(QStringLiteral("DELETE FROM Aisles WHERE Shop = 1"));
            db.execute(QStringLiteral("DELETE FROM Shops WHERE ShopID = 1"));
            t.commit();
        } else {
            return 2;
        }
        db.close();
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("steps %d\n", engine::fileStepsTaken());
    return 0;
}
