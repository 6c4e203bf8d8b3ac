#include "Query.h"

#include "Database.h"
#include "FaultInjection.h"
#include "Statement.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace engine {

namespace {

FieldType typeFromDeclaration(const char* decl, int firstValueType) {
    if (decl) {
        const QString d = QString::fromLatin1(decl).toUpper();
        if (d.contains(QLatin1String("INT")))
            return FieldType::Integer;
        if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) ||
            d.contains(QLatin1String("DOUB")))
            return FieldType::Float;
        return FieldType::String;
    }
    if (firstValueType == SQLITE_INTEGER)
        return FieldType::Integer;
    if (firstValueType == SQLITE_FLOAT)
        return FieldType::Float;
    return FieldType::String;
}

} // namespace

Query::Query(Database* db, QObject* parent) : DataSet(db, parent) {}

void Query::setSql(const QStringList& lines) {
    close();
    lines_ = lines;
}

void Query::addSql(const QString& line) {
    close();
    lines_ << line;
}

void Query::clearSql() {
    close();
    lines_.clear();
}

// The statement without a final ORDER BY, to count its rows without sorting them; the statement itself when
// its end is not a plain ORDER BY (a LIMIT, brackets or quotes after it). Statements are wrapped with the
// closing bracket on a line of its own, after any comment that ends them.
static QString withoutFinalOrder(const QString& text) {
    static const QRegularExpression finalOrder(QStringLiteral("\\bORDER\\s+BY\\b[^()'\"`\\[\\]]*$"),
                                               QRegularExpression::CaseInsensitiveOption |
                                                   QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression limit(QStringLiteral("\\b(LIMIT|OFFSET)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString t = text.trimmed();
    while (t.endsWith(QLatin1Char(';')))
        t.chop(1);
    const QRegularExpressionMatch m = finalOrder.match(t);
    if (!m.hasMatch() || limit.match(m.captured(0)).hasMatch())
        return t;
    return t.left(m.capturedStart(0));
}

void Query::setKeyField(const QString& name) {
    close();
    keyField_ = name;
}

void Query::setKeyPass(const QStringList& fields, KeyPassVisitor visitor) {
    keyPassFields_ = fields;
    keyPassVisitor_ = std::move(visitor);
}

namespace {

constexpr int kKeysPerRead = 64;

// Opens a statement for reading: an EngineError for anything but one read-only SELECT.
Statement prepareSelect(sqlite3* c, const QString& text) {
    static const QRegularExpression selectStart(QStringLiteral("^\\s*SELECT\\b"),
                                                QRegularExpression::CaseInsensitiveOption);
    if (!selectStart.match(text).hasMatch())
        throw EngineError(UnsupportedStatement,
                          QStringLiteral("Only SELECT statements can be opened as a query"));
    const QByteArray utf8 = text.toUtf8();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(c, utf8.constData(), static_cast<int>(utf8.size()), &raw, &tail);
    if (rc != SQLITE_OK)
        throwSqliteError(c, rc, QStringLiteral("Invalid SQL"));
    Statement stmt(c, raw);
    if (!raw || !sqlite3_stmt_readonly(raw) ||
        (tail && !QString::fromUtf8(tail).trimmed().remove(QLatin1Char(';')).trimmed().isEmpty()))
        throw EngineError(UnsupportedStatement,
                          QStringLiteral("Only a single SELECT statement can be opened as a query"));
    FaultInjection::check(utf8.constData());
    return stmt;
}

QString withoutTrailingSemicolons(QString t) {
    t = t.trimmed();
    while (t.endsWith(QLatin1Char(';')))
        t = t.chopped(1).trimmed();
    return t;
}

} // namespace

void Query::loadRows() {
    sqlite3* c = db_->connection();
    const QString text = statementText();
    Statement stmt = prepareSelect(c, text);
    clearRows();
    opened_ = withoutTrailingSemicolons(text);
    sqlite3_stmt* described = stmt.handle();
    bool any = false;
    if (keyField_.isEmpty()) {
        cursor_ = std::move(stmt);
        cursorChanges_ = sqlite3_total_changes64(c);
        cursorAt_ = 0;
        cursorDone_ = false;
        any = stepTo(1);
        described = cursor_.handle();
    } else {
        QStringList params;
        for (int i = 1; i <= kKeysPerRead; ++i)
            params << QStringLiteral("?%1").arg(i);
        pageStatement_ =
            Statement(c, QStringLiteral("SELECT * FROM (") + opened_ + QStringLiteral("\n) WHERE ") +
                             quoteIdentifier(keyField_) + QStringLiteral(" IN (") +
                             params.join(QStringLiteral(", ")) + QLatin1Char(')'));
        loadKeys(keys_);
        described = pageStatement_.handle();
        for (int i = 0; i < kKeysPerRead; ++i)
            pageStatement_.bind(i + 1, static_cast<size_t>(i) < keys_.size()
                                           ? Value{keys_[static_cast<size_t>(i)]}
                                           : Value{});
        any = pageStatement_.step();
    }
    const int n = sqlite3_column_count(described);
    columns_.clear();
    for (int i = 0; i < n; ++i) {
        Column col;
        col.name = QString::fromUtf8(sqlite3_column_name(described, i));
        col.type = typeFromDeclaration(sqlite3_column_decltype(described, i),
                                       any ? sqlite3_column_type(described, i) : SQLITE_NULL);
        columns_.push_back(col);
    }
    cache_.reset(n, kPageRows * kCachedPages);
    nextInsertKey_ = -1;
    resultReshaped_ = false;
    if (keyField_.isEmpty()) {
        identityKeys_ = true;
        count_ = any ? -1 : 0;
        if (any)
            cache_.put(1, cursor_.handle(), 0);
        return;
    }
    count_ = static_cast<int>(keys_.size());
    const int keyColumn = [&] {
        for (int i = 0; i < n; ++i)
            if (columns_[static_cast<size_t>(i)].name.compare(keyField_, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }();
    if (keyColumn < 0) {
        pageStatement_.reset();
        throw EngineError(UnknownField, QStringLiteral("Field '%1' not found").arg(keyField_));
    }
    while (any) {
        cache_.put(sqlite3_column_int64(pageStatement_.handle(), keyColumn), pageStatement_.handle(), 0);
        any = pageStatement_.step();
    }
    pageStatement_.reset();
}

QString Query::statementText() const {
    if (keyField_.isEmpty() && !searchCondition_.isEmpty())
        return QStringLiteral("SELECT * FROM (\n") + withoutTrailingSemicolons(sqlText()) +
               QStringLiteral("\n) WHERE ") + searchCondition_;
    return sqlText();
}

void Query::loadKeys(KeyList& keys) const {
    keys.clear();
    if (keySource_ && keySource_(keys))
        return;
    // The key alone (and what the key pass asks for), in the result's order: a sort carries nothing else.
    QStringList columns{quoteIdentifier(keyField_)};
    const bool visiting = keyPassVisitor_ && !keyPassFields_.isEmpty();
    if (visiting)
        for (const QString& f : keyPassFields_)
            columns << quoteIdentifier(f);
    Statement stmt(
        db_->connection(),
        QStringLiteral("SELECT ") + columns.join(QStringLiteral(", ")) + QStringLiteral(" FROM (") + opened_ +
            QStringLiteral("\n)") +
            (searchCondition_.isEmpty() ? QString() : QStringLiteral(" WHERE ") + searchCondition_));
    keys.clear();
    std::vector<Value> values(static_cast<size_t>(keyPassFields_.size()));
    sqlite3_stmt* h = stmt.handle();
    while (stmt.step()) {
        if (sqlite3_column_type(h, 0) == SQLITE_NULL)
            continue;
        const std::int64_t key = sqlite3_column_int64(h, 0);
        keys.push_back(key);
        if (!visiting)
            continue;
        for (int i = 0; i < static_cast<int>(values.size()); ++i) {
            Value& v = values[static_cast<size_t>(i)];
            switch (sqlite3_column_type(h, i + 1)) {
            case SQLITE_INTEGER:
                v = static_cast<std::int64_t>(sqlite3_column_int64(h, i + 1));
                break;
            case SQLITE_FLOAT:
                v = sqlite3_column_double(h, i + 1);
                break;
            case SQLITE_NULL:
                v = Value{};
                break;
            default:
                v = std::string(reinterpret_cast<const char*>(sqlite3_column_text(h, i + 1)),
                                static_cast<size_t>(sqlite3_column_bytes(h, i + 1)));
            }
        }
        keyPassVisitor_(static_cast<int>(keys.size()) - 1, key, values);
    }
}

void Query::releaseResources() {
    cursor_ = Statement();
    pageStatement_ = Statement();
    cursorAt_ = 0;
    cursorDone_ = false;
}

void Query::restartCursor() const {
    sqlite3_reset(cursor_.handle());
    cursorAt_ = 0;
    cursorDone_ = false;
    cursorChanges_ = sqlite3_total_changes64(db_->connection());
}

bool Query::stepTo(std::int64_t ordinal) const {
    sqlite3* c = db_->connection();
    // A cursor that has seen the tables change under it reads on from a fresh start.
    if (ordinal <= cursorAt_ || cursorChanges_ != sqlite3_total_changes64(c))
        restartCursor();
    while (cursorAt_ < ordinal) {
        if (cursorDone_)
            return false;
        const int rc = sqlite3_step(cursor_.handle());
        if (rc == SQLITE_ROW) {
            ++cursorAt_;
            continue;
        }
        if (rc == SQLITE_DONE) {
            cursorDone_ = true;
            // The end counts the rows, unless a count from another moment is already known.
            if (identityKeys_ && count_ < 0)
                count_ = static_cast<int>(cursorAt_);
            return false;
        }
        const int code = rc;
        restartCursor();
        throwSqliteError(c, code);
    }
    return true;
}

void Query::fetchRows(const std::vector<std::int64_t>& keys) const {
    if (!keyField_.isEmpty()) {
        if (!pageStatement_.isValid())
            return;
        std::vector<std::int64_t> wanted;
        for (std::int64_t k : keys)
            if (k > 0 || k < nextInsertKey_) // rows appended to the result live in the cache alone
                wanted.push_back(k);
        const int keyColumn = fieldIndex(keyField_);
        for (size_t from = 0; from < wanted.size(); from += kKeysPerRead) {
            const size_t n = std::min<size_t>(kKeysPerRead, wanted.size() - from);
            for (int i = 0; i < kKeysPerRead; ++i)
                pageStatement_.bind(i + 1, static_cast<size_t>(i) < n
                                               ? Value{wanted[from + static_cast<size_t>(i)]}
                                               : Value{});
            try {
                while (pageStatement_.step()) {
                    const std::int64_t k = sqlite3_column_int64(pageStatement_.handle(), keyColumn);
                    if (cache_.find(k) < 0)
                        cache_.put(k, pageStatement_.handle(), 0);
                }
            } catch (...) {
                pageStatement_.reset();
                throw;
            }
            pageStatement_.reset();
        }
        return;
    }
    std::int64_t lo = 0, hi = 0;
    for (std::int64_t k : keys)
        if (k > 0 && cache_.find(k) < 0) {
            lo = lo == 0 ? k : std::min(lo, k);
            hi = std::max(hi, k);
        }
    if (lo == 0 || !cursor_.isValid())
        return;
    for (std::int64_t k = lo; k <= hi; ++k) {
        if (!stepTo(k))
            return;
        if (cache_.find(k) < 0)
            cache_.put(k, cursor_.handle(), 0);
    }
}

int Query::countRows() const {
    if (count_ >= 0)
        return count_;
    Statement counter(db_->connection(), QStringLiteral("SELECT count(*) FROM (") +
                                             withoutFinalOrder(opened_) + QStringLiteral("\n)"));
    counter.step();
    count_ = static_cast<int>(sqlite3_column_int64(counter.handle(), 0));
    return count_;
}

int Query::findRow(int column, const Value& value) const {
    if (!isOpen() || column < 0 || column >= fieldCount())
        return -1;
    // The key field is the row's identity: looked up in the order, never by reading rows.
    if (!keyField_.isEmpty() && column == fieldIndex(keyField_)) {
        const auto* key = std::get_if<std::int64_t>(&value);
        return key ? positionOfKey(*key) : -1;
    }
    return DataSet::findRow(column, value);
}

void Query::refreshAfterChange(std::int64_t key) {
    requireOpen();
    checkBrowseMode();
    if (keyField_.isEmpty() || resultReshaped_) {
        reloadKeepingRecord();
        return;
    }
    KeyList fresh;
    loadKeys(fresh);
    const KeyList& old = keys_;
    const size_t n = old.size(), m = fresh.size();
    size_t first = 0;
    while (first < std::min(n, m) && old[first] == fresh[first])
        ++first;
    size_t tailOld = n, tailNew = m;
    while (tailOld > first && tailNew > first && old[tailOld - 1] == fresh[tailNew - 1]) {
        --tailOld;
        --tailNew;
    }
    // What differs lies in old[first, tailOld) and fresh[first, tailNew).
    const size_t spanOld = tailOld - first, spanNew = tailNew - first;
    enum class Change { None, Inserted, Removed, Moved, Other } change = Change::Other;
    int from = -1, to = -1;
    if (spanOld == 0 && spanNew == 0) {
        change = Change::None;
    } else if (spanOld == 0 && spanNew == 1) {
        change = Change::Inserted;
        to = static_cast<int>(first);
    } else if (spanOld == 1 && spanNew == 0) {
        change = Change::Removed;
        from = static_cast<int>(first);
    } else if (spanOld == spanNew && spanOld >= 2) {
        const size_t span = spanOld;
        if (old[first] == fresh[first + span - 1] && old.sameRun(first + 1, fresh, first, span - 1)) {
            change = Change::Moved; // down: the first of the span went to its end
            from = static_cast<int>(first);
            to = static_cast<int>(tailOld - 1);
        } else if (old[first + span - 1] == fresh[first] && old.sameRun(first, fresh, first + 1, span - 1)) {
            change = Change::Moved; // up
            from = static_cast<int>(tailOld - 1);
            to = static_cast<int>(first);
        }
    }
    if (change == Change::Other) {
        reloadKeepingRecord();
        return;
    }
    // The row that changed is read again; so is the one that came, went or moved.
    std::vector<std::int64_t> stale;
    if (key != 0)
        stale.push_back(key);
    if (change == Change::Removed)
        stale.push_back(old[static_cast<size_t>(from)]);
    if (change == Change::Inserted || change == Change::Moved)
        stale.push_back(fresh[static_cast<size_t>(to)]);
    const std::int64_t keep = currentKey_;
    const int oldPos = pos_;
    keys_ = std::move(fresh);
    keysChanged();
    count_ = static_cast<int>(keys_.size());
    for (std::int64_t k : stale)
        cache_.drop(k);
    int newPos = positionOfKey(keep);
    if (newPos < 0 && count_ > 0)
        newPos = std::min(std::max(oldPos, 0), count_ - 1);
    const bool notify = disableCount_ == 0;
    moveQuietly(newPos);
    bof_ = eof_ = newPos < 0;
    if (!notify)
        return;
    switch (change) {
    case Change::None: {
        const int changed = key != 0 ? positionOfKey(key) : -1;
        if (changed >= 0)
            emit rowChanged(changed);
        break;
    }
    case Change::Inserted:
        emit rowInserted(to);
        break;
    case Change::Removed:
        emit rowRemoved(from);
        break;
    case Change::Moved:
        emit rowMoved(from, to);
        break;
    case Change::Other:
        break;
    }
    emit currentChanged(pos_);
}

void Query::writeRecord(bool inserting, std::vector<Value>&, std::int64_t& rowid) {
    if (inserting) {
        rowid = nextInsertKey_--;
        resultReshaped_ = true;
    }
}

void Query::removeRecord(std::int64_t) {
    resultReshaped_ = true;
}

} // namespace engine
