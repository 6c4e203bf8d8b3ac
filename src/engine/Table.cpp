#include "Table.h"

#include "Database.h"

#include <QRegularExpression>
#include <sqlite3.h>

#include <algorithm>

namespace engine {

namespace {

// Rows read by id in one statement; a page of a grid.
constexpr int kIdsPerRead = 64;

int compareNumbers(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// The order SQLite gives: empty first, then numbers, then text in the collation's order.
int compareCellValue(const RowStore& store, const RowStore::Cell& c, const Value& v, const Collator& coll) {
    const bool cNull = c.kind == RowStore::Kind::Null;
    const bool vNull = isNull(v);
    if (cNull || vNull)
        return cNull == vNull ? 0 : (cNull ? -1 : 1);
    const auto* vs = std::get_if<std::string>(&v);
    if (c.kind == RowStore::Kind::Text || vs) {
        if (c.kind != RowStore::Kind::Text)
            return -1;
        if (!vs)
            return 1;
        const std::string_view t = store.text(c);
        return coll(t.data(), static_cast<int>(t.size()), vs->data(), static_cast<int>(vs->size()));
    }
    if (c.kind == RowStore::Kind::Integer) {
        if (const auto* vi = std::get_if<std::int64_t>(&v))
            return c.integer < *vi ? -1 : (c.integer > *vi ? 1 : 0);
        return compareNumbers(static_cast<double>(c.integer), std::get<double>(v));
    }
    if (const auto* vi = std::get_if<std::int64_t>(&v))
        return compareNumbers(c.real, static_cast<double>(*vi));
    return compareNumbers(c.real, std::get<double>(v));
}

[[noreturn]] void throwRecordGone() {
    throw EngineError(RecordGone, QStringLiteral("The record no longer exists."));
}

} // namespace

Table::Table(Database* db, const QString& tableName, QObject* parent) : DataSet(db, parent) {
    if (!tableName.isEmpty())
        setTableName(tableName);
}

Table::~Table() {
    close();
}

void Table::setTableName(const QString& name) {
    close();
    table_ = Database::tableName(name);
}

const TableDefinition& Table::definition() const {
    if (def_)
        return *def_;
    if (!db_)
        throw EngineError(NotOpen, QStringLiteral("No database is assigned"));
    return db_->definition(table_);
}

QString Table::qualifiedName() const {
    return quoteIdentifier(table_) + QLatin1Char('.') + quoteIdentifier(table_);
}

void Table::setIndexName(const QString& name) {
    if (name.compare(indexName_, Qt::CaseInsensitive) == 0)
        return;
    const QString old = indexName_;
    indexName_ = name;
    if (isOpen()) {
        checkBrowseMode();
        try {
            resolveIndex();
        } catch (...) {
            indexName_ = old;
            throw;
        }
        reloadKeepingRecord();
    }
}

QStringList Table::keyFieldNames() const {
    QStringList names;
    for (const KeyPart& p : keyParts_)
        names << columns_[static_cast<size_t>(p.column)].name;
    return names;
}

void Table::setFilter(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^\\s*(\\w+)\\s*=\\s*(-?\\d+)\\s*$"));
    if (!text.trimmed().isEmpty() && !form.match(text).hasMatch())
        throw EngineError(InvalidFilter,
                          QStringLiteral("Filter '%1' is not of the form \"Field = number\"").arg(text));
    filterText_ = text;
    if (isOpen() && filtered_) {
        checkBrowseMode();
        reloadKeepingRecord();
    }
}

void Table::setFiltered(bool on) {
    if (on == filtered_)
        return;
    filtered_ = on;
    if (isOpen()) {
        checkBrowseMode();
        reloadKeepingRecord();
    }
}

void Table::resolveIndex() {
    const TableDefinition& def = definition();
    keyParts_.clear();
    rowidOrder_ = false;
    int ix = indexName_.isEmpty() || indexName_.compare(QLatin1String("Primary"), Qt::CaseInsensitive) == 0
                 ? def.primaryIndex()
                 : def.indexIndex(indexName_);
    if (ix < 0 && !indexName_.isEmpty() &&
        indexName_.compare(QLatin1String("Primary"), Qt::CaseInsensitive) != 0)
        throw EngineError(UnknownIndex,
                          QStringLiteral("Index '%1' not found in table '%2'").arg(indexName_, table_));
    if (ix < 0) {
        rowidOrder_ = true;
        return;
    }
    const IndexDef& index = def.indexes[ix];
    for (const QString& f : index.keyFields()) {
        KeyPart part;
        part.column = def.fieldIndex(f);
        const FieldDef& fd = def.fields[part.column];
        part.text = fd.type == FieldType::String;
        part.collator = collation::collator(def.locale, part.text && index.caseInsensitive);
        keyParts_.push_back(part);
    }
    const int autoInc = def.autoIncField();
    rowidOrder_ = keyParts_.size() == 1 && keyParts_[0].column == autoInc;
}

QString Table::orderByClause() const {
    if (rowidOrder_)
        return QStringLiteral(" ORDER BY rowid");
    const TableDefinition& def = definition();
    const int ix = indexName_.isEmpty() ? def.primaryIndex() : def.indexIndex(indexName_);
    const bool ci = ix >= 0 && def.indexes[ix].caseInsensitive;
    QStringList parts;
    for (const KeyPart& p : keyParts_) {
        QString s = quoteIdentifier(columns_[static_cast<size_t>(p.column)].name);
        if (p.text)
            s += QStringLiteral(" COLLATE ") + quoteIdentifier(collation::name(def.locale, ci));
        parts << s;
    }
    parts << QStringLiteral("rowid");
    return QStringLiteral(" ORDER BY ") + parts.join(QStringLiteral(", "));
}

void Table::loadRows() {
    if (table_.isEmpty())
        throw EngineError(UnknownTable, QStringLiteral("No table name is set"));
    sqlite3* c = db_->connection();
    def_ = db_->sharedDefinition(table_);
    generation_ = db_->generationCounter(table_);
    const TableDefinition& def = *def_;
    uniqueIndexes_.clear();
    const int autoInc = def.autoIncField();
    for (const IndexDef& index : def.indexes) {
        if (!index.unique && !index.primary)
            continue;
        UniqueIndex u{&index, {}};
        for (const QString& p : index.keyFields())
            u.columns.push_back(def.fieldIndex(p));
        if (u.columns.size() == 1 && u.columns[0] == autoInc)
            continue;
        uniqueIndexes_.push_back(std::move(u));
    }
    columns_.clear();
    for (const FieldDef& f : def.fields)
        columns_.push_back({f.name, f.type, f.size, f.required || f.type == FieldType::AutoInc});
    buildColumnIndex();
    resolveIndex();
    filterColumn_ = -1;
    if (filtered_ && !filterText_.trimmed().isEmpty()) {
        static const QRegularExpression form(QStringLiteral("^\\s*(\\w+)\\s*=\\s*(-?\\d+)\\s*$"));
        const auto m = form.match(filterText_);
        filterColumn_ = fieldIndex(m.captured(1));
        if (filterColumn_ < 0)
            throw EngineError(UnknownField, QStringLiteral("Field '%1' not found").arg(m.captured(1)));
        filterValue_ = m.captured(2).toLongLong();
    }
    clearRows();
    const std::vector<Value> params = whereParameters();
    // A table that fits the cache is read whole, rows and order in one pass, and moving in it reads nothing
    // more; a larger one keeps the order alone, row ids straight from the active index.
    const int whole = kPageRows * kCachedPages;
    {
        Statement rows(c, QStringLiteral("SELECT rowid, ") + columnList() + QStringLiteral(" FROM ") +
                              qualifiedName() + viewClause() + orderByClause() +
                              QStringLiteral(" LIMIT %1").arg(whole + 1));
        for (size_t i = 0; i < params.size(); ++i)
            rows.bind(static_cast<int>(i) + 1, params[i]);
        while (rows.step()) {
            const std::int64_t rowid = sqlite3_column_int64(rows.handle(), 0);
            keys_.push_back(rowid);
            cache_.put(rowid, rows.handle(), 1);
        }
    }
    if (static_cast<int>(keys_.size()) > whole) {
        // The rows read stay cached: the first page needs no second read.
        keys_.clear();
        const bool fromSource = rowIdSource_ && params.empty() && searchCondition_.isEmpty() && rowidOrder_ &&
                                rowIdSource_(keys_);
        if (!fromSource) {
            keys_.clear();
            Statement ids(c, QStringLiteral("SELECT rowid FROM ") + qualifiedName() + viewClause() +
                                 orderByClause());
            for (size_t i = 0; i < params.size(); ++i)
                ids.bind(static_cast<int>(i) + 1, params[i]);
            while (ids.step())
                keys_.push_back(sqlite3_column_int64(ids.handle(), 0));
        }
    }
    count_ = static_cast<int>(keys_.size());
    loadedGeneration_ = *generation_;
    keyBuffer_.assign(columns_.size(), Value{});
    keySet_.assign(columns_.size(), false);
}

QString Table::whereClause() const {
    if (filterColumn_ < 0)
        return {};
    return QStringLiteral(" WHERE ") + quoteIdentifier(columns_[static_cast<size_t>(filterColumn_)].name) +
           QStringLiteral(" = ?1");
}

QString Table::viewClause() const {
    if (searchCondition_.isEmpty())
        return whereClause();
    const QString where = whereClause();
    return (where.isEmpty() ? QStringLiteral(" WHERE (") : where + QStringLiteral(" AND (")) +
           searchCondition_ + QLatin1Char(')');
}

std::vector<Value> Table::whereParameters() const {
    if (filterColumn_ < 0)
        return {};
    return {Value{filterValue_}};
}

quint64 Table::pageMask() const {
    quint64 mask = 0;
    for (size_t c = 0; c < columns_.size(); ++c)
        if (asked_[c])
            mask |= quint64{1} << c;
    for (const KeyPart& p : keyParts_)
        mask |= quint64{1} << p.column;
    if (filterColumn_ >= 0)
        mask |= quint64{1} << filterColumn_;
    return mask;
}

void Table::preparePageReads(quint64 mask) const {
    // The auto-increment field is the row id, read once.
    const int autoInc = definition().autoIncField();
    QStringList cols;
    pageSources_.assign(columns_.size(), -1);
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (static_cast<int>(c) == autoInc) {
            pageSources_[c] = 0;
        } else if (c >= 64 || (mask & (quint64{1} << c))) {
            cols << quoteIdentifier(columns_[c].name);
            pageSources_[c] = static_cast<int>(cols.size());
        }
    }
    const QString select =
        QStringLiteral("SELECT rowid") +
        (cols.isEmpty() ? QString() : QStringLiteral(", ") + cols.join(QStringLiteral(", "))) +
        QStringLiteral(" FROM ") + qualifiedName();
    QStringList params;
    for (int i = 1; i <= kIdsPerRead; ++i)
        params << QStringLiteral("?%1").arg(i);
    rangeStatement_ = std::make_unique<Statement>(db_->connection(),
                                                  select + QStringLiteral(" WHERE rowid BETWEEN ?1 AND ?2"));
    pageStatement_ = std::make_unique<Statement>(db_->connection(),
                                                 select + QStringLiteral(" WHERE rowid IN (") +
                                                     params.join(QStringLiteral(", ")) + QLatin1Char(')'));
    pageMask_ = mask;
}

void Table::fetchRows(const std::vector<std::int64_t>& keys) const {
    if (keys.empty())
        return;
    // A page brings only the fields asked for so far (most walks read a few); a field asked for later
    // reads its row whole, and the pages after it bring that field too. Tables of more than 64 fields
    // read whole rows.
    const quint64 mask = columns_.size() > 64 ? ~quint64{0} : pageMask();
    if (!rangeStatement_ || mask != pageMask_)
        preparePageReads(mask);
    const auto [lowest, highest] = std::minmax_element(keys.begin(), keys.end());
    const std::int64_t low = *lowest;
    const std::uint64_t span = static_cast<std::uint64_t>(*highest) - static_cast<std::uint64_t>(low) + 1;
    // A page of ids close together (a walk in id order) is read as one range: stepping along the table
    // costs far less than a look-up per id. Rows of the range not asked for are passed over.
    if (span <= 2 * keys.size()) {
        std::vector<bool> wanted(static_cast<size_t>(span), false);
        for (const std::int64_t k : keys)
            wanted[static_cast<size_t>(k - low)] = true;
        Statement& stmt = *rangeStatement_;
        stmt.bind(1, Value{low});
        stmt.bind(2, Value{*highest});
        try {
            while (stmt.step()) {
                const std::int64_t k = sqlite3_column_int64(stmt.handle(), 0);
                if (wanted[static_cast<size_t>(k - low)])
                    cache_.putPartial(k, stmt.handle(), pageSources_);
            }
        } catch (...) {
            stmt.rewind();
            throw;
        }
        stmt.rewind();
        return;
    }
    Statement& stmt = *pageStatement_;
    for (size_t from = 0; from < keys.size(); from += kIdsPerRead) {
        const size_t n = std::min<size_t>(kIdsPerRead, keys.size() - from);
        for (int i = 0; i < kIdsPerRead; ++i)
            stmt.bind(i + 1,
                      static_cast<size_t>(i) < n ? Value{keys[from + static_cast<size_t>(i)]} : Value{});
        try {
            while (stmt.step())
                cache_.putPartial(sqlite3_column_int64(stmt.handle(), 0), stmt.handle(), pageSources_);
        } catch (...) {
            stmt.rewind();
            throw;
        }
        stmt.rewind();
    }
}

void Table::fetchWholeRow(std::int64_t key) const {
    if (!rowStatement_)
        rowStatement_ = std::make_unique<Statement>(
            db_->connection(), QStringLiteral("SELECT rowid, ") + columnList() + QStringLiteral(" FROM ") +
                                   qualifiedName() + QStringLiteral(" WHERE rowid = ?1"));
    Statement& stmt = *rowStatement_;
    stmt.bind(1, Value{key});
    try {
        if (stmt.step())
            cache_.put(key, stmt.handle(), 1);
    } catch (...) {
        stmt.rewind();
        throw;
    }
    stmt.rewind();
}

QString Table::columnList() const {
    QStringList cols;
    for (const Column& col : columns_)
        cols << quoteIdentifier(col.name);
    return cols.join(QStringLiteral(", "));
}

void Table::releaseResources() {
    def_.reset();
    pageStatement_.reset();
    rangeStatement_.reset();
    rowStatement_.reset();
    pageMask_ = 0;
    uniqueIndexes_.clear();
    updateStatements_.clear();
    lastUpdateMask_ = 0;
    lastUpdate_ = nullptr;
    checkStatements_.clear();
    insertStatement_.reset();
    deleteStatement_.reset();
}

void Table::ensureCurrent() {
    if (generation_ && *generation_ != loadedGeneration_)
        reloadKeepingRecord();
}

bool Table::orderMayChange(const std::vector<char>& modified) const {
    if (filterColumn_ >= 0 && modified[static_cast<size_t>(filterColumn_)])
        return true;
    for (const KeyPart& p : keyParts_)
        if (modified[static_cast<size_t>(p.column)])
            return true;
    return false;
}

bool Table::fieldReadOnly(int column) const {
    return columns_[static_cast<size_t>(column)].type == FieldType::AutoInc;
}

int Table::compareRow(int pos, const std::vector<Value>& values, std::int64_t rowid) const {
    const int slot = slotAt(pos, false);
    if (slot < 0)
        return -1; // gone behind this object's back: it takes no place in the order
    for (const KeyPart& p : keyParts_) {
        const int r = compareCellValue(rows(), rows().cell(slot, p.column),
                                       values[static_cast<size_t>(p.column)], p.collator);
        if (r != 0)
            return r;
    }
    const std::int64_t r = keyAt(pos);
    return r < rowid ? -1 : (r > rowid ? 1 : 0);
}

int Table::compareKey(int pos, const std::vector<Value>& key, int parts) const {
    // In row id order the key is the row id (an auto-increment field takes it): no row is read.
    if (rowidOrder_ && parts == 1) {
        const std::int64_t r = keyAt(pos);
        const std::int64_t k =
            std::holds_alternative<std::int64_t>(key[0]) ? std::get<std::int64_t>(key[0]) : 0;
        return r < k ? -1 : (r > k ? 1 : 0);
    }
    const int slot = slotAt(pos, false);
    if (slot < 0)
        return -1;
    for (int i = 0; i < parts; ++i) {
        const KeyPart& p = keyParts_[static_cast<size_t>(i)];
        const int r =
            compareCellValue(rows(), rows().cell(slot, p.column), key[static_cast<size_t>(i)], p.collator);
        if (r != 0)
            return r;
    }
    return 0;
}

// Binary search over positions: a look-up reads a handful of rows, and the first probes stay cached.
int Table::lowerBoundKey(const std::vector<Value>& key, int parts) const {
    int lo = 0, hi = count_;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (compareKey(mid, key, parts) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool Table::passesFilter(const std::vector<Value>& values) const {
    if (filterColumn_ < 0)
        return true;
    const Value& v = values[static_cast<size_t>(filterColumn_)];
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i == filterValue_;
    if (const auto* d = std::get_if<double>(&v))
        return *d == static_cast<double>(filterValue_);
    return false;
}

int Table::placeAfterPost(std::int64_t key, const std::vector<Value>& values, int) {
    if (!passesFilter(values))
        return -1;
    // Appends in key order, the common case, cost one comparison.
    if (count_ == 0 || compareRow(count_ - 1, values, key) < 0)
        return count_;
    int lo = 0, hi = count_ - 1;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (compareRow(mid, values, key) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void Table::setKey() {
    requireOpen();
    checkBrowseMode();
    keyBuffer_.assign(columns_.size(), Value{});
    keySet_.assign(columns_.size(), false);
    setState(State::SetKey);
}

void Table::setKeyValue(int column, const Value& value) {
    keyBuffer_[static_cast<size_t>(column)] = value;
    keySet_[static_cast<size_t>(column)] = true;
}

bool Table::gotoKey() {
    requireOpen();
    setState(State::Browse);
    ensureCurrent();
    std::vector<Value> key;
    if (keyParts_.empty()) {
        const int autoInc = definition().autoIncField();
        if (autoInc < 0 || !keySet_[static_cast<size_t>(autoInc)])
            return false;
        key.push_back(keyBuffer_[static_cast<size_t>(autoInc)]);
        return findKey(key);
    }
    for (const KeyPart& p : keyParts_) {
        if (!keySet_[static_cast<size_t>(p.column)])
            break;
        key.push_back(keyBuffer_[static_cast<size_t>(p.column)]);
    }
    return findKey(key);
}

void Table::gotoNearest() {
    requireOpen();
    setState(State::Browse);
    std::vector<Value> key;
    for (const KeyPart& p : keyParts_) {
        if (!keySet_[static_cast<size_t>(p.column)])
            break;
        key.push_back(keyBuffer_[static_cast<size_t>(p.column)]);
    }
    findNearest(key);
}

bool Table::findKey(const std::vector<Value>& keyValues) {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    if (keyValues.empty() || count_ == 0)
        return false;
    std::vector<Value> key;
    const int parts =
        rowidOrder_ && keyParts_.empty() ? 1 : std::min<int>(keyValues.size(), keyParts_.size());
    for (int i = 0; i < parts; ++i)
        key.push_back(keyParts_.empty() ? keyValues[static_cast<size_t>(i)]
                                        : convertForColumn(keyParts_[static_cast<size_t>(i)].column,
                                                           keyValues[static_cast<size_t>(i)]));
    int pos = -1;
    if (rowidOrder_) {
        pos = lowerBoundKey(key, parts);
        if (pos >= count_ || compareKey(pos, key, parts) != 0)
            return false;
    } else {
        // The index finds the first row with the key in one look-up; a binary search would read rows.
        const TableDefinition& def = definition();
        const int ix = indexName_.isEmpty() ? def.primaryIndex() : def.indexIndex(indexName_);
        const bool ci = ix >= 0 && def.indexes[ix].caseInsensitive;
        const QString cacheKey =
            QStringLiteral("findKey:%1:%2:%3").arg(indexName_).arg(parts).arg(filterColumn_);
        auto stmt = checkStatements_.value(cacheKey);
        if (!stmt) {
            const std::vector<Value> params = whereParameters();
            QStringList conds;
            if (filterColumn_ >= 0)
                conds << whereClause().mid(7); // " WHERE " taken off
            for (int i = 0; i < parts; ++i) {
                const KeyPart& p = keyParts_[static_cast<size_t>(i)];
                QString c = QStringLiteral("%1 IS ?%2")
                                .arg(quoteIdentifier(columns_[static_cast<size_t>(p.column)].name))
                                .arg(static_cast<int>(params.size()) + i + 1);
                if (p.text)
                    c += QStringLiteral(" COLLATE ") + quoteIdentifier(collation::name(def.locale, ci));
                conds << c;
            }
            // The whole row comes with its id: the jump to it then reads nothing more.
            QStringList cols;
            for (const Column& col : columns_)
                cols << quoteIdentifier(col.name);
            stmt = std::make_shared<Statement>(
                db_->connection(), QStringLiteral("SELECT rowid, ") + cols.join(QStringLiteral(", ")) +
                                       QStringLiteral(" FROM ") + qualifiedName() +
                                       QStringLiteral(" WHERE ") + conds.join(QStringLiteral(" AND ")) +
                                       orderByClause() + QStringLiteral(" LIMIT 1"));
            checkStatements_.insert(cacheKey, stmt);
        }
        const std::vector<Value> params = whereParameters();
        int n = 1;
        for (const Value& v : params)
            stmt->bind(n++, v);
        for (const Value& v : key)
            stmt->bind(n++, v);
        std::int64_t rowid = 0;
        bool found = false;
        try {
            found = stmt->step();
            if (found) {
                rowid = sqlite3_column_int64(stmt->handle(), 0);
                if (cache_.find(rowid) < 0) {
                    cache_.makeRoom(currentKey_);
                    cache_.put(rowid, stmt->handle(), 1);
                }
            }
        } catch (...) {
            stmt->reset();
            throw;
        }
        stmt->reset();
        if (!found)
            return false;
        pos = positionOfKey(rowid);
        if (pos < 0)
            return false;
    }
    setPosition(pos);
    bof_ = eof_ = false;
    return true;
}

void Table::findNearest(const std::vector<Value>& keyValues) {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    if (count_ == 0)
        return;
    std::vector<Value> key;
    const int parts = std::min<int>(keyValues.size(), keyParts_.size());
    for (int i = 0; i < parts; ++i)
        key.push_back(
            convertForColumn(keyParts_[static_cast<size_t>(i)].column, keyValues[static_cast<size_t>(i)]));
    const int pos = parts == 0 ? 0 : lowerBoundKey(key, parts);
    if (pos >= count_) {
        setPosition(count_ - 1);
        eof_ = true;
        bof_ = false;
        return;
    }
    setPosition(pos);
    bof_ = eof_ = false;
}

bool Table::locate(const QString& fieldName, const Value& value) {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    const int column = fieldIndex(fieldName);
    if (column < 0)
        throw EngineError(UnknownField, QStringLiteral("Field '%1' not found").arg(fieldName));
    const int pos = findRow(column, convertForColumn(column, value));
    if (pos < 0)
        return false;
    setPosition(pos);
    bof_ = eof_ = false;
    return true;
}

int Table::findRow(int column, const Value& wanted) const {
    if (!isOpen() || column < 0 || column >= fieldCount())
        return -1;
    // The index gives the first row in view with the same value; bytes decide for text.
    QString sql = QStringLiteral("SELECT rowid FROM ") + qualifiedName() + whereClause();
    const std::vector<Value> params = whereParameters();
    sql += (params.empty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
           quoteIdentifier(columns_[static_cast<size_t>(column)].name) +
           QStringLiteral(" IS ?%1").arg(params.size() + 1);
    if (std::holds_alternative<std::string>(wanted))
        sql += QStringLiteral(" COLLATE BINARY");
    sql += orderByClause() + QStringLiteral(" LIMIT 1");
    Statement stmt(db_->connection(), sql);
    for (size_t i = 0; i < params.size(); ++i)
        stmt.bind(static_cast<int>(i) + 1, params[i]);
    stmt.bind(static_cast<int>(params.size()) + 1, wanted);
    if (!stmt.step())
        return -1;
    return positionOfKey(sqlite3_column_int64(stmt.handle(), 0));
}

void Table::throwDuplicate(const IndexDef& index) const {
    throw EngineError(
        KeyViolation,
        QStringLiteral("Duplicate key found in the index '%1' of the table '%2'").arg(index.name, table_));
}

// SQLite lets unique keys with empty parts repeat; the table layer treats empty parts as equal.
void Table::checkUnique(const std::vector<Value>& buffer, std::int64_t rowid, bool inserting) {
    const TableDefinition& def = definition();
    for (const UniqueIndex& u : uniqueIndexes_) {
        // An edit that leaves every column of the key alone cannot repeat it.
        bool touched = inserting;
        for (size_t i = 0; i < u.columns.size() && !touched; ++i)
            touched = modifiedColumns_[static_cast<size_t>(u.columns[i])];
        if (!touched)
            continue;
        if (bufferPartial_)
            completeBuffer(); // the key's other fields take part in the check
        bool anyNull = false;
        quint64 nullMask = 0;
        for (size_t i = 0; i < u.columns.size(); ++i) {
            if (isNull(buffer[static_cast<size_t>(u.columns[i])])) {
                anyNull = true;
                nullMask |= quint64{1} << i;
            }
        }
        if (!anyNull)
            continue;
        const IndexDef& index = *u.index;
        const QString cacheKey = index.name + QLatin1Char(':') + QString::number(nullMask);
        auto stmt = checkStatements_.value(cacheKey);
        if (!stmt) {
            QStringList conds;
            int param = 1;
            for (int col : u.columns) {
                const QString name = quoteIdentifier(def.fields[col].name);
                if (isNull(buffer[static_cast<size_t>(col)])) {
                    conds << name + QStringLiteral(" IS NULL");
                } else {
                    QString c = QStringLiteral("%1 = ?%2").arg(name).arg(param++);
                    if (def.fields[col].type == FieldType::String)
                        c += QStringLiteral(" COLLATE ") +
                             quoteIdentifier(collation::name(def.locale, index.caseInsensitive));
                    conds << c;
                }
            }
            conds << QStringLiteral("rowid <> ?%1").arg(param);
            stmt = std::make_shared<Statement>(
                db_->connection(), QStringLiteral("SELECT 1 FROM ") + qualifiedName() +
                                       QStringLiteral(" WHERE ") + conds.join(QStringLiteral(" AND ")) +
                                       QStringLiteral(" LIMIT 1"));
            checkStatements_.insert(cacheKey, stmt);
        }
        int param = 1;
        for (int col : u.columns)
            if (!isNull(buffer[static_cast<size_t>(col)]))
                stmt->bind(param++, buffer[static_cast<size_t>(col)]);
        stmt->bind(param, Value{inserting ? std::int64_t{0} : rowid});
        const bool found = stmt->step();
        stmt->reset();
        if (found)
            throwDuplicate(index);
    }
}

void Table::writeRecord(bool inserting, std::vector<Value>& buffer, std::int64_t& rowid) {
    sqlite3* c = db_->connection();
    const TableDefinition& def = definition();
    const int autoInc = def.autoIncField();
    checkUnique(buffer, rowid, inserting);
    try {
        if (inserting) {
            if (!insertStatement_) {
                QStringList names, params;
                for (int i = 0; i < def.fields.size(); ++i) {
                    if (i == autoInc)
                        continue;
                    names << quoteIdentifier(def.fields[i].name);
                    params << QStringLiteral("?%1").arg(params.size() + 1);
                }
                insertStatement_ = std::make_unique<Statement>(
                    c, QStringLiteral("INSERT INTO ") + qualifiedName() + QStringLiteral(" (") +
                           names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                           params.join(QStringLiteral(", ")) + QLatin1Char(')'));
            }
            int param = 1;
            for (int i = 0; i < def.fields.size(); ++i)
                if (i != autoInc)
                    insertStatement_->bind(param++, buffer[static_cast<size_t>(i)]);
            try {
                insertStatement_->step();
            } catch (...) {
                insertStatement_->reset();
                throw;
            }
            insertStatement_->reset();
            rowid = sqlite3_last_insert_rowid(c);
            if (autoInc >= 0)
                buffer[static_cast<size_t>(autoInc)] = rowid;
        } else {
            quint64 mask = 0;
            for (size_t i = 0; i < buffer.size() && i < 64; ++i)
                if (modifiedColumns_[i])
                    mask |= quint64{1} << i;
            if (mask == 0)
                return;
            // A walk that edits row after row changes the same fields each time.
            Statement* stmt = mask == lastUpdateMask_ ? lastUpdate_ : nullptr;
            if (!stmt) {
                const auto known = updateStatements_.constFind(mask);
                stmt = known != updateStatements_.constEnd() ? known->get() : nullptr;
            }
            if (!stmt) {
                QStringList sets;
                int param = 1;
                for (int i = 0; i < def.fields.size(); ++i)
                    if (mask & (quint64{1} << i))
                        sets << QStringLiteral("%1 = ?%2")
                                    .arg(quoteIdentifier(def.fields[i].name))
                                    .arg(param++);
                auto made = std::make_shared<Statement>(
                    c, QStringLiteral("UPDATE ") + qualifiedName() + QStringLiteral(" SET ") +
                           sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE rowid = ?%1").arg(param));
                stmt = made.get();
                updateStatements_.insert(mask, std::move(made));
            }
            lastUpdateMask_ = mask;
            lastUpdate_ = stmt;
            int param = 1;
            for (int i = 0; i < def.fields.size(); ++i)
                if (mask & (quint64{1} << i))
                    stmt->bind(param++, buffer[static_cast<size_t>(i)]);
            stmt->bind(param, Value{rowid});
            try {
                stmt->step();
            } catch (...) {
                stmt->rewind();
                throw;
            }
            stmt->rewind();
            if (sqlite3_changes(c) == 0)
                throwRecordGone();
        }
    } catch (const EngineError& e) {
        if (e.code() != KeyViolation)
            throw;
        // Name the index whose key repeated.
        for (const IndexDef& index : def.indexes) {
            if (!index.unique && !index.primary)
                continue;
            const QStringList parts = index.keyFields();
            bool all = true;
            for (const QString& p : parts)
                all = all && e.message().contains(table_ + QLatin1Char('.') + p, Qt::CaseInsensitive);
            if (all)
                throwDuplicate(index);
        }
        throw;
    }
    markWritten();
}

void Table::markWritten() {
    // Stay stale when another object changed the table before this write.
    const bool wasCurrent = *generation_ == loadedGeneration_;
    const std::uint64_t g = ++*generation_;
    if (wasCurrent)
        loadedGeneration_ = g;
}

void Table::removeRecord(std::int64_t rowid) {
    sqlite3* c = db_->connection();
    if (!deleteStatement_)
        deleteStatement_ = std::make_unique<Statement>(c, QStringLiteral("DELETE FROM ") + qualifiedName() +
                                                              QStringLiteral(" WHERE rowid = ?1"));
    deleteStatement_->bind(1, Value{rowid});
    try {
        deleteStatement_->step();
    } catch (...) {
        deleteStatement_->reset();
        throw;
    }
    deleteStatement_->reset();
    // Another program (or a bulk statement) removed the row behind this object's snapshot.
    if (sqlite3_changes(c) == 0)
        throwRecordGone();
    markWritten();
}

} // namespace engine
