#pragma once

#include "TableDefinition.h"
#include "Value.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace engine {

class DataSet;

// What a table repair did.
struct TableRepair {
    QString table; // "Categories"
    // The table file was sound; at most its definition file had to be written again.
    bool sound = true;
    // The table file was rebuilt from what could be read of it; the damaged original is kept as keptAs.
    bool rebuilt = false;
    int recovered = 0; // rows in the rebuilt table
    // Rows the damaged file still named (in an index) that could not be read. When no index of the file
    // could be read to its end, more may be lost than that: lostExact is false then.
    int lost = 0;
    bool lostExact = false;
    QString keptAs; // "Categories.dat.damaged"

    // True when the table was sound, as the repair's old yes-or-no answer.
    explicit operator bool() const { return sound; }
    // Whether rows of the table may be missing since the repair.
    bool rowsMissing() const { return rebuilt && (lost > 0 || !lostExact); }
    // "Categories.dat was repaired: 30 rows recovered, 0 lost. The damaged file was kept as
    // Categories.dat.damaged."; empty for a table that was not rebuilt.
    QString message() const;
};

// What is wrong with a table's data file, in words for the user.
struct TableFileProblem {
    enum Kind { Missing, Unreadable, Damaged };
    QString table; // "Items"
    QString file;  // "Items.dat"
    Kind kind = Damaged;
    QString message;
};

// A table file the connection can only read, and why ("you have no permission to write it").
struct ReadOnlyTable {
    QString file; // "Items.dat"
    QString reason;
};

// Told of the rows changed through a database's connection, so that what was read from them can be brought
// up to date without reading everything again.
class RowWatcher {
public:
    virtual ~RowWatcher() = default;
    // A row of this table was inserted, updated or deleted (the change may still be rolled back).
    virtual void rowChanged(const char* table, std::int64_t rowid) = 0;
    // Any row may have changed: the connection opened or closed, or a table was emptied at once.
    virtual void everythingChanged() = 0;
};

// The connection to one database folder. Each table is the file pair <Table>.dat (an SQLite file with the
// table's rows and indexes) and <Table>.idx (its definition). The connection attaches every .dat file of the
// folder under its table name, so SQL joins work across tables. It opens on first use and can be closed,
// which closes every table and query object bound to it and releases the files.
//
// The connection's own main file is an empty session file in the database folder: SQLite writes the
// super-journal of a commit across several tables beside it, so everything a crash recovery needs stays with
// the data. The definition copy inside each .dat is the authority; an .idx that is missing, unreadable,
// damaged or disagrees is written again from it.
class Database {
public:
    explicit Database(const QString& folder = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void setFolder(const QString& folder); // closes the connection first
    QString folder() const { return folder_; }
    // The cache folder. The connection's main file goes there only when the database folder cannot be written
    // (no journal can be made beside the tables then, so nothing is written to them); scratch files earlier
    // versions kept there and a crash left behind are removed when the connection opens.
    void setScratchFolder(const QString& folder);
    QString scratchFolder() const { return scratchFolder_; }

    // Read-only: the table files are opened for reading and nothing is changed anywhere: no session file, no
    // leftover resolution, no journal removal, no .idx rewrite. Such a connection can read beside a program
    // that holds the database; a commit that program is making is waited for, and a table whose crashed
    // commit still waits to be played back is left to its owner (it counts as damaged here). Every change
    // through the layer is refused. Closes the connection when the mode changes.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }

    // How long a statement waits for a lock held by another process before it fails.
    void setBusyTimeout(int milliseconds);
    int busyTimeout() const { return busyTimeout_; }

    // Files in the database folder that belong to an open or crashed connection, not to the data: backups
    // and uploads leave them out.
    static bool isInternalFile(const QString& fileName);
    static QStringList internalFilePatterns();

    // Puts right what an interrupted change of older versions left (X.dat.old, X.dat.new, X.dat.bkp and
    // their .idx twins): back to the intact original, the rest removed. Runs on every open.
    void resolveLeftovers();

    // Looks at the data files of the named tables without changing them; one entry per table that is
    // missing, cannot be read or is damaged.
    std::vector<TableFileProblem> diagnoseTables(const QStringList& tables) const;

    void open();
    void close();
    bool isOpen() const { return db_ != nullptr; }
    sqlite3* connection(); // opens on demand

    // "Items", "Items.dat" and "items" all name the Items table.
    static QString tableName(const QString& nameOrFile);
    QString dataFilePath(const QString& table) const;
    QString definitionFilePath(const QString& table) const;
    bool tableExists(const QString& table) const;
    QStringList tables() const; // tables attached, in file-name order
    // The attached table files that cannot be written, in file-name order; opens the connection. Every later
    // refusal to write one of them names the file.
    std::vector<ReadOnlyTable> readOnlyTables();

    // Definition of an attached table, cached until the connection closes. readDefinition() serves any table,
    // open or not: from the copy inside its table file, or from its .idx when the table file cannot be read;
    // an .idx that disagrees with the table file is written again on the way.
    const TableDefinition& definition(const QString& table);
    std::shared_ptr<const TableDefinition> sharedDefinition(const QString& table);
    TableDefinition readDefinition(const QString& table) const;

    void createTable(const QString& table, const TableDefinition& definition);
    // Rebuilds the tables with a new locale and/or user version, keeping description and records, in one
    // transaction over all of them: either all tables are rebuilt or none is changed. Closes the connection.
    void alterTables(const QStringList& tables, std::optional<int> locale,
                     std::optional<std::pair<int, int>> version = std::nullopt);
    // Removes all records; auto-increment numbering starts again at 1.
    void emptyTable(const QString& table);
    // Checks the table file, rebuilds what can be rebuilt and always rebuilds the indexes. Converts to true
    // when the table was sound. A damaged file is salvaged (TableSalvage): the table is rebuilt with every
    // row that can still be read, their ids, and the id counter above every id the file still names. The
    // rebuilt file replaces the damaged one in one rename; the damaged original is kept as X.dat.damaged. A
    // table rebuilt with rows missing is marked so (rowsLost) until forgetLostRows. Closes the connection.
    TableRepair repairTable(const QString& table);
    // Whether the table was rebuilt by a repair with rows missing, and nobody has decided about that since.
    bool rowsLost(const QString& table);
    void forgetLostRows(const QString& table);

    // Runs a statement that changes rows (bulk updates); table objects see the change on their next move.
    int execute(const QString& sql, const std::vector<Value>& parameters = {});

    // Transactions nest; only the outermost one commits to the files.
    void beginTransaction();
    void commitTransaction();
    void rollbackTransaction();
    bool inTransaction() const { return transactionDepth_ > 0; }

    // Every write through the layer advances its table's generation; table objects reload their snapshot
    // when it moved on behind them.
    std::uint64_t generation(const QString& table);
    std::uint64_t advanceGeneration(const QString& table);
    void advanceAllGenerations();
    // The table's counter itself, valid as long as the Database: table objects keep it to avoid look-ups.
    std::uint64_t* generationCounter(const QString& table);

    void registerDataSet(DataSet* dataSet);
    void unregisterDataSet(DataSet* dataSet);

    // Watchers hear of every row changed through the connection, as long as they are added.
    void addRowWatcher(RowWatcher* watcher);
    void removeRowWatcher(RowWatcher* watcher);

private:
    void openForReading();
    // Error codes, busy timeout, collations and search function, then the table files; a failure closes the
    // connection again (and removes the main file a writing open made).
    void setUpConnection();
    void requireWritable() const;
    void attachAll();
    void removeStaleJournals();
    void removeStaleSessionFiles() const;
    void closeDataSets();
    void tellEverythingChanged();
    QString tempPath(const QString& table, const QString& suffix) const;

    QString folder_;
    QString scratchFolder_;
    QString mainFile_;
    sqlite3* db_ = nullptr;
    int transactionDepth_ = 0;
    int busyTimeout_ = 2000;
    bool readOnly_ = false;
    QStringList attached_;
    QHash<QString, QString> damaged_; // table (lower case) -> why it could not be attached
    std::vector<ReadOnlyTable> readOnlyFiles_;
    QHash<QString, std::shared_ptr<const TableDefinition>> definitions_;
    QHash<QString, std::shared_ptr<std::uint64_t>> generations_; // lower-case table name -> counter
    std::vector<DataSet*> dataSets_;
    std::vector<RowWatcher*> rowWatchers_;
};

// Runs a block of writes as one unit: committed by commit(), undone when left by an exception.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& db_;
    bool done_ = false;
};

} // namespace engine
