#pragma once

#include "DataSet.h"
#include "Statement.h"

#include <QStringList>

#include <functional>

namespace engine {

// A query object: the result of a SELECT given as lines of text, which can be walked, counted and edited.
// Edits change the result only, never the tables it came from.
//
// Nothing is kept per row but a bounded cache of the rows last read. Two ways to read:
// - With a key field (a whole-number field that tells the result's rows apart, such as an item's id), the
//   object reads the keys of the whole result in order (the key alone, so a sort carries no other column),
//   and whole rows a page at a time by key. Any position is then as quick to reach as another, and
//   refreshAfterChange() tells views of the one row that changed instead of starting them afresh.
// - Without one, it steps the statement on as rows are asked for (from the start again for a row behind
//   it) and counts the rows, without the final ORDER BY, the first time somebody asks.
// Rows not yet read show the tables as they are when they are read; refresh() reads everything again.
class Query : public DataSet {
    Q_OBJECT

public:
    explicit Query(Database* db, QObject* parent = nullptr);

    void setSql(const QStringList& lines); // closes the object
    void setSql(const QString& text) { setSql(QStringList{text}); }
    void addSql(const QString& line);
    void clearSql();
    const QStringList& sql() const { return lines_; }
    QString sqlText() const { return lines_.join(QLatin1Char('\n')); }

    // The field that tells the result's rows apart; empty for none. Closes the object.
    void setKeyField(const QString& name);
    QString keyField() const { return keyField_; }
    // With a key field: more fields read with the keys, handed over row by row in the result's order each
    // time the object reads its order (opening, refreshing; row 0 starts a pass). Sums over the whole result
    // then cost no pass of their own. Takes effect the next time the order is read.
    using KeyPassVisitor = std::function<void(int row, std::int64_t key, const std::vector<Value>& values)>;
    void setKeyPass(const QStringList& fields, KeyPassVisitor visitor);

    // With a key field: where the order comes from instead of the statement. The source fills in the keys of
    // the rows the statement gives, in the statement's order, and applies any search itself: the search
    // condition and the key pass are not used when it does. When it returns false the statement gives them.
    // Takes effect the next time the order is read.
    using KeySource = std::function<bool(KeyList& keys)>;
    void setKeySource(KeySource source) { keySource_ = std::move(source); }

    // Reads the order again after one row of the tables changed (its key given, 0 when unknown) and tells
    // views of that row alone: changed, inserted, removed or moved. Anything more starts them afresh, as
    // refresh() does. The current record stays current where it still exists.
    void refreshAfterChange(std::int64_t key);

    int findRow(int column, const Value& value) const override;
    // The key of the row at a position: the key field's value, or without one its place in the result
    // counted from 1.
    std::int64_t rowKey(int row) const { return keyAt(row); }

protected:
    void loadRows() override;
    void releaseResources() override;
    void fetchRows(const std::vector<std::int64_t>& keys) const override;
    int countRows() const override;
    bool keepsEditsInCache() const override { return true; }
    bool rowOnlyInCache(std::int64_t key) const override { return key < 0 && key > nextInsertKey_; }
    void writeRecord(bool inserting, std::vector<Value>& buffer, std::int64_t& rowid) override;
    void removeRecord(std::int64_t rowid) override;

private:
    // The statement the object reads, as one text; every read wraps this one. Without a key field the search
    // condition is part of it; with one it chooses the keys alone.
    QString statementText() const;
    void loadKeys(KeyList& keys) const;
    // Steps the cursor to the row of this ordinal (1-based); false when the result ends before it.
    bool stepTo(std::int64_t ordinal) const;
    void restartCursor() const;

    QStringList lines_;
    QString keyField_;
    QStringList keyPassFields_;
    KeyPassVisitor keyPassVisitor_;
    KeySource keySource_;
    QString opened_;                    // the statement text as opened
    mutable Statement cursor_;          // without a key field
    mutable Statement pageStatement_;   // with a key field: whole rows by key
    mutable std::int64_t cursorAt_ = 0; // ordinal of the row the cursor stands on; 0 before the first
    mutable bool cursorDone_ = false;
    mutable std::int64_t cursorChanges_ = 0; // the connection's change count when the cursor started
    std::int64_t nextInsertKey_ = -1;        // rows appended to the result count down from -1
    bool resultReshaped_ = false;            // rows were appended to or deleted from the result
};

} // namespace engine
