#pragma once

#include "EngineError.h"
#include "Field.h"
#include "RowStore.h"
#include "TableDefinition.h"
#include "Value.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace engine {

class Database;

// What table and query objects share: a snapshot of rows in a visible order, a current record, field access
// by case-insensitive name, editing through a record buffer, hooks around posting, and signals that keep
// bound views up to date.
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
    State state() const { return state_; }

    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return order_.empty(); }
    int recordCount() const { return static_cast<int>(order_.size()); }
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

    void edit();
    void append();
    void post();
    void cancel();
    void deleteRecord();
    bool isModified() const;

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
    void currentChanged(int row);
    void stateChanged();

protected:
    friend class Field;
    friend class Database;

    // Fills columns_, store_, rowIds_ and order_.
    virtual void loadRows() = 0;
    virtual void releaseResources() {}
    // Writes the buffer; for an insert, sets rowid (and the buffer's auto-increment field).
    virtual void writeRecord(bool inserting, std::vector<Value>& buffer, std::int64_t& rowid) = 0;
    virtual void removeRecord(std::int64_t rowid) = 0;
    // Where the record in slot belongs in the visible order after a post; -1 when it is no longer visible.
    virtual int placeAfterPost(int slot, int oldPosition);
    // Whether an edit of these columns can move the record in the visible order or out of view.
    virtual bool orderMayChange(const std::vector<bool>& /*modifiedColumns*/) const { return false; }
    // Reloads when the data moved on behind this object.
    virtual void ensureCurrent() {}
    virtual bool fieldReadOnly(int /*column*/) const { return false; }
    virtual void setKeyValue(int /*column*/, const Value& /*value*/) {
        throw EngineError(WrongState, QStringLiteral("Not in key search mode"));
    }

    void requireOpen() const;
    void checkBrowseMode(); // posts a pending edit before a move
    void reloadKeepingRecord();
    void setPosition(int pos);
    int slotAt(int pos) const { return order_[static_cast<size_t>(pos)]; }
    int currentSlot() const { return pos_ >= 0 ? slotAt(pos_) : -1; }
    void setState(State s);
    void notifyReset();
    void clearRows();

    // Field access used by Field.
    Value currentValue(int column) const;
    const RowStore::Cell* currentCell(int column) const;
    void setFieldValue(int column, const Value& value);
    Value convertForColumn(int column, const Value& value) const;

    Database* db_;
    std::vector<Column> columns_;
    QHash<QString, int> columnByExactName_;
    QHash<QString, int> columnByName_; // lower-case names
    RowStore store_;
    std::vector<std::int64_t> rowIds_; // per slot
    std::vector<int> order_;           // slots in visible order
    int pos_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    State state_ = State::Inactive;
    std::vector<Value> buffer_;
    std::vector<bool> modifiedColumns_;
    int disableCount_ = 0;
    BeforePostHook beforePost_;
    PostErrorHook onPostError_;

    void buildColumnIndex();
};

} // namespace engine
