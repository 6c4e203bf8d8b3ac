#pragma once

#include "TableDefinition.h"
#include "Value.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace engine {

// What could be read of one table in a damaged table file.
struct SalvagedTable {
    // Row id -> the definition's fields in order.
    std::map<std::int64_t, std::vector<Value>> rows;
    // The file's own id counter, when it survived.
    std::optional<std::int64_t> sequence;
    // Row ids the file's indexes still name, rows that could not be read among them.
    std::set<std::int64_t> indexedIds;
    // One index was read to its end, so indexedIds names every row the table had.
    bool indexesComplete = false;
};

// Salvages a damaged table file with SQLite's own recovery: the `.recover` command of the sqlite3 program,
// run as a process of its own on a scratch copy. Debian's SQLite library lacks the page table that recovery
// reads the file through, so the program brings it as a small extension the shell loads
// (grocelle_dbpage.so). A copy whose header is overwritten gets a plausible one first, since recovery gives
// up on a file SQLite does not recognise. Rows that recovery finds outside the table's own b-tree (pages
// cut off from it) are taken when their shape is the table's. The indexes of the file, read on their own,
// tell which rows the table had, so the rows that could not be read can be counted.
class TableSalvage {
public:
    explicit TableSalvage(const QString& scratchFolder);

    // Never changes `file`. Throws an EngineError when the sqlite3 program or the extension is missing or
    // the recovery cannot run; a file nothing can be read of gives no rows.
    SalvagedTable salvage(const QString& file, const QString& table, const TableDefinition& def) const;

    // The sqlite3 program (GROCELLE_SQLITE3 names another), empty when it is not installed.
    static QString shellProgram();
    // The extension: beside the program, in ../lib/grocelle once installed, or in the build folder.
    static QString pageExtension();

private:
    QString scratchFolder_;
};

} // namespace engine
