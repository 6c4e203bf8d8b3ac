#pragma once

#include "Collation.h"
#include "DataSet.h"
#include "Statement.h"

#include <QHash>
#include <functional>
#include <memory>

namespace engine {

// A table object: the rows of one table in the order of its active index, optionally restricted by a
// "Field = number" filter, with key search, locate and editing that writes through to the table file. It
// keeps the row ids in that order (read from the index alone) and reads whole rows by id, a page at a time.
class Table : public DataSet {
    Q_OBJECT

public:
    explicit Table(Database* db, const QString& tableName = {}, QObject* parent = nullptr);
    ~Table() override;

    void setTableName(const QString& name); // "Items" or "Items.dat"; closes the object
    QString tableName() const { return table_; }
    const TableDefinition& definition() const;

    // An empty name or "Primary" chooses the primary index. The current record stays current.
    void setIndexName(const QString& name);
    QString indexName() const { return indexName_; }
    QStringList keyFieldNames() const;

    // Filter text of the form "Shop = 12".
    void setFilter(const QString& text);
    QString filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Key search on the active index: setKey(), set leading key fields through field(), then gotoKey() or
    // gotoNearest(). Unset and empty key fields sort below every value.
    void setKey();
    bool gotoKey();
    void gotoNearest();
    // Shorthand: the leading key fields given in order.
    bool findKey(const std::vector<Value>& keyValues);
    void findNearest(const std::vector<Value>& keyValues);

    // Moves to the first record whose field equals the value exactly.
    bool locate(const QString& fieldName, const Value& value);
    int findRow(int column, const Value& value) const override;

    // Where the row ids of every row come from, in row-id order, when the object is open on the table's
    // row-id order (its primary index on the auto-increment field), unfiltered and unsearched. A source that
    // declines (false) leaves the reading to the table.
    using RowIdSource = std::function<bool(KeyList& rowids)>;
    void setRowIdSource(RowIdSource source) { rowIdSource_ = std::move(source); }

protected:
    void loadRows() override;
    void releaseResources() override;
    void fetchRows(const std::vector<std::int64_t>& keys) const override;
    void fetchWholeRow(std::int64_t key) const override;
    void writeRecord(bool inserting, std::vector<Value>& buffer, std::int64_t& rowid) override;
    void removeRecord(std::int64_t rowid) override;
    int placeAfterPost(std::int64_t key, const std::vector<Value>& values, int oldPosition) override;
    void ensureCurrent() override;
    bool fieldReadOnly(int column) const override;
    bool orderMayChange(const std::vector<char>& modifiedColumns) const override;
    void setKeyValue(int column, const Value& value) override;

private:
    struct KeyPart {
        int column = 0;
        bool text = false;
        Collator collator;
    };

    void resolveIndex();
    QString orderByClause() const;
    // What limits the rows in view: the WHERE clause (empty for none) and its parameters in order.
    QString whereClause() const;
    // The filter and the search condition: which rows are in view when the order is read.
    QString viewClause() const;
    std::vector<Value> whereParameters() const;
    int compareRow(int pos, const std::vector<Value>& values, std::int64_t rowid) const;
    int compareKey(int pos, const std::vector<Value>& key, int parts) const;
    int lowerBoundKey(const std::vector<Value>& key, int parts) const;
    bool passesFilter(const std::vector<Value>& values) const;
    void checkUnique(const std::vector<Value>& buffer, std::int64_t rowid, bool inserting);
    [[noreturn]] void throwDuplicate(const IndexDef& index) const;
    QString qualifiedName() const;
    QString columnList() const; // every field, quoted, in order
    // The fields page reads bring: those readers asked for, and those the order and filter compare.
    quint64 pageMask() const;
    void preparePageReads(quint64 mask) const;
    void markWritten();

    struct UniqueIndex {
        const IndexDef* index = nullptr;
        std::vector<int> columns;
    };

    QString table_;
    std::shared_ptr<const TableDefinition> def_; // while open
    std::uint64_t* generation_ = nullptr;
    std::vector<UniqueIndex> uniqueIndexes_; // those the row id does not already keep unique
    QString indexName_;
    RowIdSource rowIdSource_;
    QString filterText_;
    bool filtered_ = false;
    int filterColumn_ = -1;
    std::int64_t filterValue_ = 0;
    std::vector<KeyPart> keyParts_;
    bool rowidOrder_ = true;
    std::uint64_t loadedGeneration_ = 0;
    std::vector<Value> keyBuffer_;
    std::vector<bool> keySet_;
    QHash<quint64, std::shared_ptr<Statement>> updateStatements_;
    quint64 lastUpdateMask_ = 0; // 0: none (an update changes at least one field)
    Statement* lastUpdate_ = nullptr;
    QHash<QString, std::shared_ptr<Statement>> checkStatements_;
    std::unique_ptr<Statement> insertStatement_;
    std::unique_ptr<Statement> deleteStatement_;
    mutable std::unique_ptr<Statement> pageStatement_;  // rows by row id
    mutable std::unique_ptr<Statement> rangeStatement_; // rows of a range of row ids
    mutable std::unique_ptr<Statement> rowStatement_;   // one whole row by row id
    mutable quint64 pageMask_ = 0;                      // the fields the page statements read
    mutable std::vector<int> pageSources_;              // statement column per field, -1 left out
};

} // namespace engine
