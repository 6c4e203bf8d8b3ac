// A loadable SQLite extension that gives a connection the `sqlite_dbpage` table: one row per page of a
// database file (pgno, data), read straight from the file. SQLite's own recovery (the `.recover` command of
// the sqlite3 shell) reads every page through that table, but Debian's SQLite library is built without it,
// which leaves `.recover` finding nothing at all. Only what recovery asks for is here: reading, all pages or
// one page by number, of any attached schema.
//
// The table files name the program's own collations, which the shell does not know; recovery rebuilds the
// schema in a connection of its own and would refuse every table with text columns. So every connection the
// shell opens after loading this gets any collation it lacks as plain byte order: only the rows matter here,
// the program rebuilds its tables and indexes with the real collations.
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <cstring>
#include <utility>

namespace {

struct PageTable {
    sqlite3_vtab base;
    sqlite3* db;
};

struct PageCursor {
    sqlite3_vtab_cursor base;
    sqlite3_int64 page;
    sqlite3_int64 last;
    int pageSize;
    sqlite3_file* file;
    char* schema;
};

enum Column { PageNumber = 0, Data = 1, Schema = 2 };
enum Plan { BySchema = 1, ByPage = 2 };

int connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
    const int rc =
        sqlite3_declare_vtab(db, "CREATE TABLE x(pgno INTEGER PRIMARY KEY, data BLOB, schema HIDDEN)");
    if (rc != SQLITE_OK)
        return rc;
    auto* table = static_cast<PageTable*>(sqlite3_malloc(sizeof(PageTable)));
    if (!table)
        return SQLITE_NOMEM;
    std::memset(table, 0, sizeof(PageTable));
    table->db = db;
    *out = &table->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* table) {
    sqlite3_free(table);
    return SQLITE_OK;
}

// The schema is taken first, then the page number, each from an equality constraint.
int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    int argument = 1;
    info->idxNum = 0;
    for (const auto& [column, plan] : {std::pair{Schema, BySchema}, std::pair{PageNumber, ByPage}}) {
        for (int i = 0; i < info->nConstraint; ++i) {
            const auto& c = info->aConstraint[i];
            if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn != column ||
                (info->idxNum & plan))
                continue;
            info->idxNum |= plan;
            info->aConstraintUsage[i].argvIndex = argument++;
            info->aConstraintUsage[i].omit = 1;
        }
    }
    info->estimatedCost = (info->idxNum & ByPage) ? 1.0 : 1e6;
    return SQLITE_OK;
}

int openCursor(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    auto* cursor = static_cast<PageCursor*>(sqlite3_malloc(sizeof(PageCursor)));
    if (!cursor)
        return SQLITE_NOMEM;
    std::memset(cursor, 0, sizeof(PageCursor));
    *out = &cursor->base;
    return SQLITE_OK;
}

int closeCursor(sqlite3_vtab_cursor* base) {
    auto* cursor = reinterpret_cast<PageCursor*>(base);
    sqlite3_free(cursor->schema);
    sqlite3_free(cursor);
    return SQLITE_OK;
}

// The page size the connection works with: recovery has its read transaction open by now, with the page
// size it found even where the file's header is damaged.
int pageSizeOf(sqlite3* db, const char* schema) {
    char* sql = sqlite3_mprintf("PRAGMA %Q.page_size", schema);
    if (!sql)
        return -1;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    sqlite3_free(sql);
    const int size = rc == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int(stmt, 0) : 0;
    sqlite3_finalize(stmt);
    return size;
}

int filter(sqlite3_vtab_cursor* base, int plan, const char*, int, sqlite3_value** argv) {
    auto* cursor = reinterpret_cast<PageCursor*>(base);
    sqlite3* db = reinterpret_cast<PageTable*>(base->pVtab)->db;
    int argument = 0;
    const unsigned char* schema = (plan & BySchema) ? sqlite3_value_text(argv[argument++]) : nullptr;
    sqlite3_free(cursor->schema);
    cursor->schema = sqlite3_mprintf("%s", schema ? reinterpret_cast<const char*>(schema) : "main");
    if (!cursor->schema)
        return SQLITE_NOMEM;
    cursor->page = 1;
    cursor->last = 0;
    cursor->file = nullptr;
    if (sqlite3_file_control(db, cursor->schema, SQLITE_FCNTL_FILE_POINTER, &cursor->file) != SQLITE_OK ||
        !cursor->file || !cursor->file->pMethods)
        return SQLITE_OK;
    cursor->pageSize = pageSizeOf(db, cursor->schema);
    if (cursor->pageSize <= 0)
        return SQLITE_OK;
    if (plan & ByPage) {
        cursor->page = cursor->last = sqlite3_value_int64(argv[argument]);
        if (cursor->page < 1)
            cursor->last = 0;
        return SQLITE_OK;
    }
    sqlite3_int64 size = 0;
    const int rc = cursor->file->pMethods->xFileSize(cursor->file, &size);
    if (rc != SQLITE_OK)
        return rc;
    cursor->last = (size + cursor->pageSize - 1) / cursor->pageSize;
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* base) {
    ++reinterpret_cast<PageCursor*>(base)->page;
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* base) {
    const auto* cursor = reinterpret_cast<PageCursor*>(base);
    return cursor->page > cursor->last;
}

int column(sqlite3_vtab_cursor* base, sqlite3_context* context, int index) {
    auto* cursor = reinterpret_cast<PageCursor*>(base);
    if (index == PageNumber) {
        sqlite3_result_int64(context, cursor->page);
        return SQLITE_OK;
    }
    if (index == Schema) {
        sqlite3_result_text(context, cursor->schema, -1, SQLITE_TRANSIENT);
        return SQLITE_OK;
    }
    auto* data = static_cast<unsigned char*>(sqlite3_malloc(cursor->pageSize));
    if (!data)
        return SQLITE_NOMEM;
    // A page past the end of a cut file reads as zeros, as SQLite's own reader gives it.
    std::memset(data, 0, static_cast<size_t>(cursor->pageSize));
    const int rc = cursor->file->pMethods->xRead(cursor->file, data, cursor->pageSize,
                                                 (cursor->page - 1) * cursor->pageSize);
    if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) {
        sqlite3_free(data);
        return rc;
    }
    sqlite3_result_blob(context, data, cursor->pageSize, sqlite3_free);
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* base, sqlite3_int64* out) {
    *out = reinterpret_cast<PageCursor*>(base)->page;
    return SQLITE_OK;
}

sqlite3_module pageModule = {0,          nullptr,     connect, bestIndex, disconnect, nullptr,
                             openCursor, closeCursor, filter,  next,      eof,        column,
                             rowid,      nullptr,     nullptr, nullptr,   nullptr,    nullptr,
                             nullptr,    nullptr,     nullptr, nullptr,   nullptr,    nullptr};

int byteOrder(void*, int lengthA, const void* a, int lengthB, const void* b) {
    const int common = lengthA < lengthB ? lengthA : lengthB;
    const int c = common > 0 ? std::memcmp(a, b, static_cast<size_t>(common)) : 0;
    return c != 0 ? c : lengthA - lengthB;
}

void supplyCollation(void*, sqlite3* db, int, const char* name) {
    sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr, byteOrder);
}

int prepareConnection(sqlite3* db, char**, const sqlite3_api_routines*) {
    return sqlite3_collation_needed(db, nullptr, supplyCollation);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int
sqlite3_extension_init(sqlite3* db, char**, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    int rc = prepareConnection(db, nullptr, api);
    if (rc == SQLITE_OK)
        rc = sqlite3_auto_extension(reinterpret_cast<void (*)()>(prepareConnection));
    if (rc == SQLITE_OK)
        rc = sqlite3_create_module(db, "sqlite_dbpage", &pageModule, nullptr);
    return rc;
}
