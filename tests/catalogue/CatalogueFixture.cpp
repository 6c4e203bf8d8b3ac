#include "CatalogueFixture.h"

#include <sqlite3.h>

void CatalogueFixture::breakWrites(const char* table, const char* operation) {
    const QByteArray sql = QByteArrayLiteral("CREATE TEMP TRIGGER broken_") + table + '_' + operation + ' ' +
                           "BEFORE " + operation + " ON " + table +
                           " BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END";
    char* error = nullptr;
    ASSERT_EQ(sqlite3_exec(db.connection(), sql.constData(), nullptr, nullptr, &error), SQLITE_OK)
        << (error ? error : "");
}
