#pragma once

#include "EngineError.h"
#include "Field.h"
#include "KeyList.h"
#include "RowCache.h"
#include "TableDefinition.h"
#include "Value.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace engine {

class Database;

// What table and query objects share: rows in a visible order, a current record, field access by
// case-insensitive name, editing through a record buffer, hooks around posting, and signals that keep bound
// views up to date.
//
// The object keeps only what it needs to move by position: a key per position (a table's row ids, or nothing
// at all for a query result nobody has inserted into or deleted from) and a bounded cache of whole rows, read
// in small pages when a position is asked for. The current record stays as it was read when it became
// current until the object moves or posts.
class DataSet : public QObject {
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert, SetKey };
    enum class PostErrorAction { Fail, Abort };
    using BeforePostHook = std::function<void(DataSet&)>;
    using PostErrorHook = std::function<PostErrorAction(DataSet&, const EngineError&)>;

    struct Column {
        QString name;
        FieldType type = FieldType::String;
        int size = 0;
        bool required = false;
    };

    explicit DataSet(Database* db, QObject* parent = nullptr);
    ~DataSet() override;

    Database* database() const { return db_; }
    void setDatabase(Database* db); // closes the object first

    void open();
    void close(); // abandons an edit that was not posted
    bool isOpen() const { return state_ != State::Inactive; }
    void refresh(); // reloads the rows, keeping the current record where it still exists
    // For a change that kept which rows are shown and their order but changed their values: the rows are
    // read again as they are asked for, without reading the order again.
    void rereadRows();
    State state() const { return state_; }

    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return !hasRow(0); }
    int recordCount() const;           // a query counts its rows the first time it is asked
    int recNo() const { return pos_; } // 0-based position in the visible order, -1 without records
    void moveTo(int row);

    int fieldCount() const { return static_cast<int>(columns_.size()); }
    const Column& column(int index) const { return columns_[static_cast<size_t>(index)]; }
    int fieldIndex(const QString& name) const; // -1 when unknown
    Field field(const QString& name);          // throws UnknownField
    Field field(int index) { return Field(this, index); }
    Field operator[](const QString& name) { return field(name); }

    // Read access by row for views; does not move the current record.
    Value valueAt(int row, int column) const;
    QString textAt(int row, int column) const;
    // The first row in the visible order whose field has this value (text compared byte for byte, numbers
    // by value); -1 when none. Does not move the current record, and reads only what it needs.
    virtual int findRow(int column, const Value& value) const;

    void edit();
    void append();
    void post();
    void cancel();
    void deleteRecord();
    bool isModified() const;

    // A condition on the object's fields (a search) that chooses which rows are in view when the object
    // reads its order: opening, refreshing. Rows are read by key without it, so a row that stops meeting it
    // after an edit stays in view until the order is read again. Empty for none; does not close the object.
    void setSearchCondition(const QString& condition) { searchCondition_ = condition; }
    const QString& searchCondition() const { return searchCondition_; }

    void setBeforePost(BeforePostHook hook) { beforePost_ = std::move(hook); }
    void setOnPostError(PostErrorHook hook) { onPostError_ = std::move(hook); }

    // While disabled, bound views are not told of each move; enabling tells them to redraw once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return disableCount_ > 0; }

signals:
    void contentReset();
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowMoved(int from, int to); // a posted record changed its place in the order
    void currentChanged(int row);
    void stateChanged();

protected:
    friend class Field;
    friend class Database;

    // Rows a page read brings; the cache holds this many pages.
    static constexpr int kPageRows = 64;
    static constexpr int kCachedPages = 32;

    // Sets columns_ and the order: keys_ (or identity keys with count_, -1 while not counted).
    virtual void loadRows() = 0;
    virtual void releaseResources() {}
    // Puts the rows of these keys into cache_; keys of rows that no longer exist are left out.
    virtual void fetchRows(const std::vector<std::int64_t>& keys) const = 0;
    // Counts the rows when count_ is not known (only objects with identity keys leave it unknown).
    virtual int countRows() const { return count_; }
    // Whether a posted record lives only in the cache (a query's result), so the cache must keep it.
    virtual bool keepsEditsInCache() const { return false; }
    // Whether a row lives in the cache alone (appended to a query's result), so no read can bring it back.
    virtual bool rowOnlyInCache(std::int64_t /*key*/) const { return false; }
    // Writes the buffer; for an insert, sets the key (and the buffer's auto-increment field).
    virtual void writeRecord(bool inserting, std::vector<Value>& buffer, std::int64_t& key) = 0;
    virtual void removeRecord(std::int64_t key) = 0;
    // Where the record (key, values) belongs in the visible order after a post, its old place already taken
    // out; -1 when it is no longer visible.
    virtual int placeAfterPost(std::int64_t key, const std::vector<Value>& values, int oldPosition);
    // Whether an edit of these columns can move the record in the visible order or out of view.
    virtual bool orderMayChange(const std::vector<char>& /*modifiedColumns*/) const { return false; }
    // Reloads when the data moved on behind this object.
    virtual void ensureCurrent() {}
    // Puts the whole row of this key into cache_, for a row a page read brought only in part.
    virtual void fetchWholeRow(std::int64_t /*key*/) const {}
    virtual bool fieldReadOnly(int /*column*/) const { return false; }
    virtual void setKeyValue(int /*column*/, const Value& /*value*/) {
        throw EngineError(WrongState, QStringLiteral("Not in key search mode"));
    }

    // Something connected to a signal of this object once: until then a walk that edits row after row tells
    // nobody, and emitting would only cost.
    void connectNotify(const QMetaMethod& signal) override;
    bool viewsListen() const { return disableCount_ == 0 && listened_; }

    void requireOpen() const;
    void checkBrowseMode(); // posts a pending edit before a move
    void reloadKeepingRecord();
    void setPosition(int pos);
    void moveQuietly(int pos); // sets the position without telling views
    void setState(State s);
    void notifyReset();
    void clearRows();

    // Positions and rows.
    int rowTotal() const { return count_ >= 0 ? count_ : countRows(); }
    bool hasRow(int pos) const;
    std::int64_t keyAt(int pos) const { return identityKeys_ ? pos + 1 : keys_[static_cast<size_t>(pos)]; }
    int positionOfKey(std::int64_t key) const; // -1 when not in view
    void ownKeys();                            // identity keys become a list that can change
    void keysChanged() { positionIndexValid_ = false, scansSinceChange_ = 0; } // after any change to keys_
    // After keys_[from] moved to keys_[to], the positions in between having shifted by one.
    void keyMoved(int from, int to);
    // The cache slot of the row at a position, reading its page (or only that row) when it is not cached;
    // -1 when the row no longer exists.
    int slotAt(int pos, bool wholePage = true) const;
    int currentSlot() const;
    const RowStore& rows() const { return cache_.store(); }

    // The slot of the row of key with this column read: a row a page read brought only in part is read
    // whole when a field it left out is asked for. Notes the column as one that readers ask for.
    int slotWith(int slot, std::int64_t key, int column) const;
    // The pending edit of a row read in part gets the fields left out, when one of them is read.
    void fillBuffer(int column) const {
        if (bufferPartial_ && bufferAbsent_[static_cast<size_t>(column)])
            completeBuffer();
    }
    void completeBuffer() const;
    const Value& bufferedValue(int column) const {
        asked_[static_cast<size_t>(column)] = 1;
        fillBuffer(column);
        return buffer_[static_cast<size_t>(column)];
    }

    // Field access used by Field.
    Value currentValue(int column) const;
    const RowStore::Cell* currentCell(int column) const;
    void setFieldValue(int column, const Value& value);
    void unmarkColumns(); // no column modified
    Value convertForColumn(int column, const Value& value) const;

    Database* db_;
    std::vector<Column> columns_;
    QHash<QString, int> columnByExactName_;
    QHash<QString, int> columnByName_; // lower-case names
    KeyList keys_;                     // row key per position, unless identityKeys_
    bool identityKeys_ = false;        // the key of position p is p + 1
    // Position by key, built once a few look-ups have scanned the same order: one scan is cheaper than
    // building it, many are not. Open addressing over positions, each slot's key read from keys_: four
    // bytes a slot and at most three slots a row, where a node per key would take about fifty bytes.
    mutable std::vector<int> positionSlots_;
    mutable bool positionIndexValid_ = false;
    mutable int scansSinceChange_ = 0;
    mutable int count_ = 0;
    mutable RowCache cache_;
    std::int64_t currentKey_ = 0;
    mutable int currentSlot_ = -1;
    mutable std::uint64_t currentEpoch_ = 0;
    int pos_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    State state_ = State::Inactive;
    mutable std::vector<Value> buffer_;
    // Fields of the pending edit its row's partial read left out, filled in when read.
    mutable std::vector<char> bufferAbsent_;
    mutable bool bufferPartial_ = false;
    // A flag per column that some reader asked for: page reads of a table bring those (and what it compares).
    mutable std::vector<char> asked_;
    std::vector<char> modifiedColumns_; // a flag per column: bytes are cheaper to test than bits
    int disableCount_ = 0;
    bool listened_ = false;
    BeforePostHook beforePost_;
    QString searchCondition_;
    PostErrorHook onPostError_;

    void buildColumnIndex();
    void buildPositionIndex() const;
    // The slot that holds the position of key, keyAt giving the key of a stored position; -1 when none.
    template <typename KeyAt> std::ptrdiff_t positionSlot(std::int64_t key, const KeyAt& keyAt) const;
};

} // namespace engine
