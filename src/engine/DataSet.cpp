#include "DataSet.h"

#include "Database.h"

#include <QLocale>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace engine {

namespace {

QString typeWord(FieldType t) {
    return t == FieldType::Float ? QStringLiteral("floating point") : QStringLiteral("integer");
}

EngineError conversionError(const QString& text, FieldType t, const QString& field) {
    return EngineError(
        ConversionFailed,
        QStringLiteral("'%1' is not a valid %2 value for field '%3'").arg(text, typeWord(t), field));
}

bool parseWhole(const QString& text, std::int64_t& out) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const qlonglong v = t.toLongLong(&ok, 10);
    if (!ok)
        return false;
    out = v;
    return true;
}

bool parseReal(const QString& text, double& out) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    QLocale local;
    local.setNumberOptions(QLocale::RejectGroupSeparator);
    double v = local.toDouble(t, &ok);
    if (!ok) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        v = c.toDouble(t, &ok);
    }
    if (!ok || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

std::string truncateToCharacters(const std::string& utf8, int size) {
    if (size <= 0 || utf8.size() <= static_cast<size_t>(size))
        return utf8;
    const QList<uint> ucs4 = QString::fromStdString(utf8).toUcs4();
    if (ucs4.size() <= size)
        return utf8;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(ucs4.constData()), size).toStdString();
}

QString floatText(double v) {
    return QString::number(v, 'g', 15);
}

// Keeps views from being told of each step of a change; they are told once, at its end.
class QuietSteps {
public:
    explicit QuietSteps(int& count) : count_(count) { ++count_; }
    ~QuietSteps() { --count_; }
    QuietSteps(const QuietSteps&) = delete;
    QuietSteps& operator=(const QuietSteps&) = delete;

private:
    int& count_;
};

} // namespace

DataSet::DataSet(Database* db, QObject* parent) : QObject(parent), db_(db) {
    if (db_)
        db_->registerDataSet(this);
}

DataSet::~DataSet() {
    if (db_)
        db_->unregisterDataSet(this);
}

void DataSet::setDatabase(Database* db) {
    if (db == db_)
        return;
    close();
    if (db_)
        db_->unregisterDataSet(this);
    db_ = db;
    if (db_)
        db_->registerDataSet(this);
}

void DataSet::connectNotify(const QMetaMethod& signal) {
    QObject::connectNotify(signal);
    listened_ = true;
}

void DataSet::requireOpen() const {
    if (state_ == State::Inactive)
        throw EngineError(NotOpen, QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void DataSet::buildColumnIndex() {
    if (asked_.size() != columns_.size())
        asked_.assign(columns_.size(), char{0});
    columnByName_.clear();
    columnByExactName_.clear();
    for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
        if (!columnByExactName_.contains(columns_[static_cast<size_t>(i)].name))
            columnByExactName_.insert(columns_[static_cast<size_t>(i)].name, i);
        const QString key = columns_[static_cast<size_t>(i)].name.toLower();
        if (!columnByName_.contains(key))
            columnByName_.insert(key, i);
    }
}

void DataSet::clearRows() {
    cache_.reset(static_cast<int>(columns_.size()), kPageRows * kCachedPages);
    keys_.clear();
    keysChanged();
    positionSlots_ = std::vector<int>(); // stale from here on: its memory goes now, not at the next build
    identityKeys_ = false;
    count_ = 0;
    currentKey_ = 0;
    currentSlot_ = -1;
    pos_ = -1;
    eof_ = bof_ = true;
}

void DataSet::open() {
    if (state_ != State::Inactive)
        return;
    if (!db_)
        throw EngineError(NotOpen, QStringLiteral("No database is assigned"));
    try {
        loadRows();
    } catch (...) {
        releaseResources();
        clearRows();
        throw;
    }
    buildColumnIndex();
    buffer_.clear();
    state_ = State::Browse;
    const bool empty = !hasRow(0);
    setPosition(empty ? -1 : 0);
    bof_ = true;
    eof_ = empty;
    notifyReset();
    emit stateChanged();
}

void DataSet::close() {
    if (state_ == State::Inactive)
        return;
    state_ = State::Inactive;
    releaseResources();
    clearRows();
    keys_ = KeyList(); // a closed list holds no room for its keys
    cache_.reset(0, 0);
    buffer_.clear();
    notifyReset();
    emit stateChanged();
}

void DataSet::refresh() {
    requireOpen();
    checkBrowseMode();
    reloadKeepingRecord();
}

void DataSet::rereadRows() {
    requireOpen();
    checkBrowseMode();
    // Edits kept in the result are forgotten as a reload forgets them; rows that live nowhere else stay.
    cache_.forgetAllBut([this](std::int64_t key) { return rowOnlyInCache(key); });
    if (pos_ >= 0) {
        currentSlot_ = slotAt(pos_, false);
        currentEpoch_ = cache_.epoch();
    }
    notifyReset();
}

int DataSet::recordCount() const {
    return state_ == State::Inactive ? 0 : rowTotal();
}

bool DataSet::hasRow(int pos) const {
    if (pos < 0 || state_ == State::Inactive)
        return false;
    if (count_ >= 0)
        return pos < count_;
    // Reading the row tells whether it exists, and counts the rows when the read reaches the end.
    const int slot = slotAt(pos);
    return count_ >= 0 ? pos < count_ : slot >= 0;
}

int DataSet::positionOfKey(std::int64_t key) const {
    if (identityKeys_)
        return key >= 1 && key <= rowTotal() ? static_cast<int>(key - 1) : -1;
    constexpr int kScansBeforeIndex = 16;
    if (!positionIndexValid_ && ++scansSinceChange_ > kScansBeforeIndex)
        buildPositionIndex();
    if (positionIndexValid_) {
        const std::ptrdiff_t slot =
            positionSlot(key, [this](int p) { return keys_[static_cast<size_t>(p)]; });
        return slot < 0 ? -1 : positionSlots_[static_cast<size_t>(slot)];
    }
    return static_cast<int>(keys_.find(key));
}

namespace {

// Spreads row ids that follow each other over the table (Fibonacci hashing: the top bits of the product).
size_t hashSlot(std::int64_t key, size_t mask) {
    const int bits = std::countr_one(mask);
    return static_cast<size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

} // namespace

template <typename KeyAt> std::ptrdiff_t DataSet::positionSlot(std::int64_t key, const KeyAt& keyAt) const {
    const size_t mask = positionSlots_.size() - 1;
    for (size_t s = hashSlot(key, mask);; s = (s + 1) & mask) {
        const int p = positionSlots_[s];
        if (p < 0)
            return -1;
        if (keyAt(p) == key)
            return static_cast<std::ptrdiff_t>(s);
    }
}

void DataSet::buildPositionIndex() const {
    // At most two thirds full, so that a probe meets an empty slot soon.
    size_t capacity = 16;
    while (capacity < keys_.size() + keys_.size() / 2)
        capacity *= 2;
    positionSlots_.assign(capacity, -1);
    const size_t mask = capacity - 1;
    for (size_t i = 0; i < keys_.size(); ++i) {
        for (size_t s = hashSlot(keys_[i], mask);; s = (s + 1) & mask) {
            const int p = positionSlots_[s];
            if (p < 0) {
                positionSlots_[s] = static_cast<int>(i);
                break;
            }
            if (keys_[static_cast<size_t>(p)] == keys_[i])
                break; // a key listed twice is found at its first place, as a scan finds it
        }
    }
    positionIndexValid_ = true;
}

void DataSet::keyMoved(int from, int to) {
    if (!positionIndexValid_ || from == to)
        return;
    const int lo = std::min(from, to), hi = std::max(from, to);
    const std::int64_t moved = keys_[static_cast<size_t>(to)];
    // The slots still hold the positions from before the move: their keys are read as they were then.
    const auto before = [&](int p) {
        if (p < lo || p > hi)
            return keys_[static_cast<size_t>(p)];
        if (p == from)
            return moved;
        return keys_[static_cast<size_t>(from < to ? p - 1 : p + 1)];
    };
    // Every slot is found before any changes, since a changed one would be read with the wrong key.
    std::vector<std::uint32_t> found(static_cast<size_t>(hi - lo + 1));
    for (int p = lo; p <= hi; ++p) {
        const std::ptrdiff_t slot = positionSlot(keys_[static_cast<size_t>(p)], before);
        if (slot < 0) {
            keysChanged();
            return;
        }
        const int held = positionSlots_[static_cast<size_t>(slot)];
        // A key listed twice keeps its first place: one before the span stays, within it the lowest wins.
        found[static_cast<size_t>(p - lo)] = held >= lo && held <= hi
                                                 ? static_cast<std::uint32_t>(slot)
                                                 : std::numeric_limits<std::uint32_t>::max();
    }
    for (int p = hi; p >= lo; --p)
        if (const std::uint32_t slot = found[static_cast<size_t>(p - lo)];
            slot != std::numeric_limits<std::uint32_t>::max())
            positionSlots_[slot] = p;
}

void DataSet::ownKeys() {
    if (!identityKeys_)
        return;
    const int n = rowTotal();
    keys_.clear();
    keys_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        keys_.push_back(i + 1);
    keysChanged();
    identityKeys_ = false;
    count_ = n;
}

int DataSet::slotAt(int pos, bool wholePage) const {
    const std::int64_t key = keyAt(pos);
    const int cached = cache_.find(key);
    if (cached >= 0)
        return cached;
    cache_.makeRoom(currentKey_);
    std::vector<std::int64_t> wanted;
    if (wholePage) {
        const int first = pos - pos % kPageRows;
        const int last = count_ >= 0 ? std::min(first + kPageRows, count_) : first + kPageRows;
        wanted.reserve(static_cast<size_t>(last - first));
        for (int p = first; p < last; ++p) {
            const std::int64_t k = keyAt(p);
            if (cache_.find(k) < 0)
                wanted.push_back(k);
        }
    } else {
        wanted.push_back(key);
    }
    fetchRows(wanted);
    return cache_.find(key);
}

int DataSet::currentSlot() const {
    if (pos_ < 0)
        return -1;
    if (currentEpoch_ != cache_.epoch()) {
        currentSlot_ = cache_.find(currentKey_);
        currentEpoch_ = cache_.epoch();
    }
    return currentSlot_;
}

void DataSet::reloadKeepingRecord() {
    const bool had = pos_ >= 0;
    const std::int64_t keep = currentKey_;
    const int oldPos = pos_;
    loadRows();
    int newPos = -1;
    if (had) {
        newPos = positionOfKey(keep);
        if (newPos < 0 && hasRow(0))
            newPos = hasRow(oldPos) ? oldPos : rowTotal() - 1;
    } else if (hasRow(0)) {
        newPos = 0;
    }
    pos_ = -1;
    const bool notify = disableCount_ == 0;
    moveQuietly(newPos);
    bof_ = eof_ = newPos < 0;
    if (notify)
        notifyReset();
}

void DataSet::notifyReset() {
    if (disableCount_ == 0) {
        emit contentReset();
        emit currentChanged(pos_);
    }
}

void DataSet::setPosition(int pos) {
    // A step reads the page ahead for the next steps; a jump (a key search, a locate) reads its row alone.
    const bool stepping = pos_ >= 0 && (pos == pos_ + 1 || pos == pos_ - 1);
    pos_ = pos;
    if (pos >= 0) {
        currentKey_ = keyAt(pos);
        currentSlot_ = slotAt(pos, stepping);
        currentEpoch_ = cache_.epoch();
    } else {
        currentKey_ = 0;
        currentSlot_ = -1;
    }
    if (viewsListen())
        emit currentChanged(pos_);
}

void DataSet::moveQuietly(int pos) {
    QuietSteps quiet(disableCount_);
    setPosition(pos);
}

void DataSet::setState(State s) {
    if (state_ == s)
        return;
    state_ = s;
    if (viewsListen())
        emit stateChanged();
}

void DataSet::checkBrowseMode() {
    if (state_ == State::Edit || state_ == State::Insert) {
        if (isModified())
            post();
        else
            cancel();
    } else if (state_ == State::SetKey) {
        setState(State::Browse);
    }
}

void DataSet::first() {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    const bool empty = !hasRow(0);
    setPosition(empty ? -1 : 0);
    bof_ = true;
    eof_ = empty;
}

void DataSet::last() {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    setPosition(rowTotal() - 1);
    eof_ = true;
    bof_ = pos_ < 0;
}

void DataSet::next() {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    if (hasRow(pos_ + 1)) {
        setPosition(pos_ + 1);
        bof_ = false;
        eof_ = false;
    } else {
        eof_ = true;
    }
}

void DataSet::prior() {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    if (pos_ > 0) {
        setPosition(pos_ - 1);
        eof_ = false;
        bof_ = false;
    } else {
        bof_ = true;
    }
}

void DataSet::moveTo(int row) {
    requireOpen();
    checkBrowseMode();
    ensureCurrent();
    const int n = rowTotal();
    if (n == 0)
        return;
    row = std::clamp(row, 0, n - 1);
    setPosition(row);
    bof_ = eof_ = false;
}

int DataSet::fieldIndex(const QString& name) const {
    // Callers nearly always spell names exactly; folding case on every look-up would cost more than the read.
    // Among a table's few fields, comparing lengths and then characters is cheaper than hashing the name.
    constexpr size_t kScannedFields = 32;
    if (columns_.size() <= kScannedFields) {
        const qsizetype length = name.size();
        const QChar* wanted = name.constData();
        for (size_t i = 0; i < columns_.size(); ++i) {
            const QString& candidate = columns_[i].name;
            if (candidate.size() == length && std::equal(wanted, wanted + length, candidate.constData()))
                return static_cast<int>(i);
        }
    } else {
        const auto exact = columnByExactName_.constFind(name);
        if (exact != columnByExactName_.constEnd())
            return *exact;
    }
    return columnByName_.value(name.toLower(), -1);
}

Field DataSet::field(const QString& name) {
    requireOpen();
    const int i = fieldIndex(name);
    if (i < 0)
        throw EngineError(UnknownField, QStringLiteral("Field '%1' not found").arg(name));
    return Field(this, i);
}

Value DataSet::valueAt(int row, int column) const {
    if (state_ == State::Inactive || row < 0 || column < 0 || column >= fieldCount())
        return {};
    // A record being appended is not a row yet; the current row shows its pending edit only while edited.
    if (row == pos_) {
        if (state_ == State::Edit)
            return bufferedValue(column);
        const int slot = slotWith(currentSlot(), currentKey_, column);
        return slot >= 0 ? rows().value(slot, column) : Value{};
    }
    // Views read while they paint, where an error has nowhere to go: a row that cannot be read shows empty,
    // and the next command that moves to it reports why.
    try {
        if (!hasRow(row))
            return {};
        const int slot = slotWith(slotAt(row), keyAt(row), column);
        return slot >= 0 ? rows().value(slot, column) : Value{};
    } catch (const EngineError&) {
        return {};
    }
}

bool sameValue(const Value& a, const Value& b) {
    if (isNull(a) || isNull(b))
        return isNull(a) && isNull(b);
    const auto* sa = std::get_if<std::string>(&a);
    const auto* sb = std::get_if<std::string>(&b);
    if (sa || sb)
        return sa && sb && *sa == *sb;
    const auto number = [](const Value& v) {
        const auto* i = std::get_if<std::int64_t>(&v);
        return i ? static_cast<double>(*i) : std::get<double>(v);
    };
    return number(a) == number(b);
}

int DataSet::findRow(int column, const Value& value) const {
    if (state_ == State::Inactive || column < 0 || column >= fieldCount())
        return -1;
    for (int row = 0; hasRow(row); ++row)
        if (sameValue(valueAt(row, column), value))
            return row;
    return -1;
}

QString DataSet::textAt(int row, int column) const {
    const Value v = valueAt(row, column);
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v))
        return floatText(*d);
    if (const auto* s = std::get_if<std::string>(&v))
        return QString::fromStdString(*s);
    return {};
}

int DataSet::slotWith(int slot, std::int64_t key, int column) const {
    asked_[static_cast<size_t>(column)] = 1;
    if (slot < 0 || rows().cell(slot, column).kind != RowStore::Kind::Absent)
        return slot;
    // The rest of the row is read as stored now. The current record keeps the values it has shown: it
    // stays as it was read until the object moves or posts.
    cache_.makeRoom(currentKey_);
    std::vector<Value> shown;
    std::vector<char> absent;
    const int before = key == currentKey_ && pos_ >= 0 ? cache_.find(key) : -1;
    if (before >= 0)
        rows().readRow(before, shown, &absent);
    fetchWholeRow(key);
    const int after = cache_.find(key);
    if (before >= 0 && after >= 0)
        for (size_t c = 0; c < shown.size(); ++c)
            if (!absent[c])
                cache_.update(after, static_cast<int>(c), shown[c]);
    return after;
}

void DataSet::completeBuffer() const {
    const int leftOut = static_cast<int>(std::find(bufferAbsent_.begin(), bufferAbsent_.end(), char{1}) -
                                         bufferAbsent_.begin());
    int slot = currentSlot();
    if (slot >= 0) {
        slot = slotWith(slot, currentKey_, leftOut);
    } else {
        cache_.makeRoom(currentKey_);
        fetchWholeRow(currentKey_);
        slot = cache_.find(currentKey_);
    }
    if (slot < 0)
        throw EngineError(RecordGone, QStringLiteral("The record no longer exists."));
    for (size_t c = 0; c < bufferAbsent_.size(); ++c) {
        if (bufferAbsent_[c])
            buffer_[c] = rows().value(slot, static_cast<int>(c));
        bufferAbsent_[c] = 0;
    }
    bufferPartial_ = false;
}

const RowStore::Cell* DataSet::currentCell(int column) const {
    const int slot = slotWith(currentSlot(), currentKey_, column);
    if (slot < 0)
        return nullptr;
    return &rows().cell(slot, column);
}

Value DataSet::currentValue(int column) const {
    if (state_ == State::Edit || state_ == State::Insert)
        return bufferedValue(column);
    const int slot = slotWith(currentSlot(), currentKey_, column);
    if (slot < 0)
        return {};
    return rows().value(slot, column);
}

Value DataSet::convertForColumn(int column, const Value& value) const {
    const Column& col = columns_[static_cast<size_t>(column)];
    if (isNull(value))
        return {};
    switch (col.type) {
    case FieldType::String: {
        std::string text;
        if (const auto* s = std::get_if<std::string>(&value))
            text = *s;
        else if (const auto* i = std::get_if<std::int64_t>(&value))
            text = std::to_string(*i);
        else
            text = floatText(std::get<double>(value)).toStdString();
        if (text.empty())
            return {};
        return truncateToCharacters(text, col.size);
    }
    case FieldType::AutoInc:
    case FieldType::Integer: {
        std::int64_t v = 0;
        if (const auto* i = std::get_if<std::int64_t>(&value)) {
            v = *i;
        } else if (const auto* d = std::get_if<double>(&value)) {
            if (!std::isfinite(*d) || std::fabs(*d) > 2147483647.0)
                throw conversionError(floatText(*d), col.type, col.name);
            v = static_cast<std::int64_t>(std::nearbyint(*d));
        } else {
            const QString text = QString::fromStdString(std::get<std::string>(value));
            if (text.trimmed().isEmpty())
                return {};
            if (!parseWhole(text, v))
                throw conversionError(text, col.type, col.name);
        }
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            throw conversionError(QString::number(v), col.type, col.name);
        return v;
    }
    case FieldType::Float: {
        if (const auto* i = std::get_if<std::int64_t>(&value))
            return static_cast<double>(*i);
        if (const auto* d = std::get_if<double>(&value)) {
            if (!std::isfinite(*d))
                throw conversionError(floatText(*d), col.type, col.name);
            return *d;
        }
        const QString text = QString::fromStdString(std::get<std::string>(value));
        if (text.trimmed().isEmpty())
            return {};
        double d = 0;
        if (!parseReal(text, d))
            throw conversionError(text, col.type, col.name);
        return d;
    }
    }
    return {};
}

void DataSet::setFieldValue(int column, const Value& value) {
    if (state_ == State::SetKey) {
        setKeyValue(column, convertForColumn(column, value));
        return;
    }
    if (state_ != State::Edit && state_ != State::Insert)
        throw EngineError(WrongState, QStringLiteral("Dataset not in edit or insert mode"));
    if (fieldReadOnly(column))
        throw EngineError(
            WrongState,
            QStringLiteral("Field '%1' cannot be modified").arg(columns_[static_cast<size_t>(column)].name));
    buffer_[static_cast<size_t>(column)] = convertForColumn(column, value);
    if (bufferPartial_)
        bufferAbsent_[static_cast<size_t>(column)] = 0;
    modifiedColumns_[static_cast<size_t>(column)] = true;
    if (viewsListen() && pos_ >= 0)
        emit rowChanged(pos_);
}

void DataSet::unmarkColumns() {
    if (modifiedColumns_.size() == columns_.size())
        std::fill(modifiedColumns_.begin(), modifiedColumns_.end(), char{0});
    else
        modifiedColumns_.assign(columns_.size(), char{0});
}

bool DataSet::isModified() const {
    for (const char m : modifiedColumns_)
        if (m)
            return true;
    return false;
}

void DataSet::edit() {
    requireOpen();
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    checkBrowseMode();
    ensureCurrent();
    if (pos_ < 0)
        throw EngineError(WrongState, QStringLiteral("Cannot edit: the dataset is empty"));
    const int slot = currentSlot();
    if (slot < 0)
        throw EngineError(RecordGone, QStringLiteral("The record no longer exists."));
    // The buffer keeps its storage from the last edit: editing row after row allocates next to nothing.
    bufferPartial_ = rows().readRow(slot, buffer_, &bufferAbsent_);
    unmarkColumns();
    setState(State::Edit);
}

void DataSet::append() {
    requireOpen();
    checkBrowseMode();
    buffer_.assign(columns_.size(), Value{});
    bufferPartial_ = false;
    unmarkColumns();
    setState(State::Insert);
}

void DataSet::cancel() {
    if (state_ == State::Edit || state_ == State::Insert) {
        buffer_.clear();
        bufferPartial_ = false;
        modifiedColumns_.clear();
        setState(State::Browse);
        if (disableCount_ == 0 && pos_ >= 0)
            emit rowChanged(pos_);
    } else if (state_ == State::SetKey) {
        setState(State::Browse);
    }
}

int DataSet::placeAfterPost(std::int64_t, const std::vector<Value>&, int oldPosition) {
    if (oldPosition >= 0)
        return oldPosition;
    return rowTotal();
}

void DataSet::post() {
    requireOpen();
    if (state_ == State::SetKey) {
        setState(State::Browse);
        return;
    }
    if (state_ != State::Edit && state_ != State::Insert)
        throw EngineError(WrongState, QStringLiteral("Dataset not in edit or insert mode"));
    const bool inserting = state_ == State::Insert;
    try {
        if (beforePost_)
            beforePost_(*this);
        if (state_ != State::Edit && state_ != State::Insert)
            return; // the hook cancelled the record
        // A field a partial read left out holds what the table holds, and the table refuses empty required
        // fields.
        for (size_t c = 0; c < columns_.size(); ++c) {
            const Column& col = columns_[c];
            if (col.required && col.type != FieldType::AutoInc && isNull(buffer_[c]) &&
                !(bufferPartial_ && bufferAbsent_[c]))
                throw EngineError(FieldRequired,
                                  QStringLiteral("Field '%1' must have a value").arg(col.name));
        }
        std::int64_t key = inserting ? 0 : currentKey_;
        writeRecord(inserting, buffer_, key);
        const int oldPos = inserting ? -1 : pos_;
        const bool stays = !inserting && !orderMayChange(modifiedColumns_);
        // A record that moves or is put in the cache anew takes the fields its partial read left out.
        if (bufferPartial_ && (!stays || cache_.find(key) < 0 || keepsEditsInCache()))
            completeBuffer();
        if (!stays)
            ownKeys();
        if (!inserting && !stays) {
            keys_.erase(static_cast<size_t>(oldPos));
            count_ = static_cast<int>(keys_.size()); // the record's new place is sought among the others
        }
        const int newPos = stays ? oldPos : placeAfterPost(key, buffer_, oldPos);
        if (!stays && newPos >= 0)
            keys_.insert(static_cast<size_t>(newPos), key);
        if (!stays && !inserting && newPos >= 0) {
            keyMoved(oldPos, newPos); // a move shifts only the positions between its ends
        } else if (!stays) {
            keysChanged();
        }
        if (!identityKeys_)
            count_ = static_cast<int>(keys_.size());
        const int cached = cache_.find(key);
        const bool inPlace = stays && cached >= 0 && !keepsEditsInCache();
        if (inPlace) {
            // An edit in place changes the cached row in place: a walk that edits every row stays cheap.
            for (size_t c = 0; c < columns_.size(); ++c)
                if (modifiedColumns_[c])
                    cache_.update(cached, static_cast<int>(c), buffer_[c]);
        } else {
            cache_.put(key, buffer_, keepsEditsInCache());
        }
        if (newPos < 0)
            cache_.drop(key);
        unmarkColumns();
        state_ = State::Browse;
        int current = newPos;
        if (newPos < 0)
            current = count_ == 0 ? -1 : std::min(std::max(oldPos, 0), count_ - 1);
        const bool notify = viewsListen();
        // A row changed where it is stays the current record in the same cache slot.
        if (!inPlace || current != pos_)
            moveQuietly(current);
        bof_ = eof_ = false;
        if (notify) {
            if (inserting && newPos >= 0)
                emit rowInserted(newPos);
            else if (!inserting && newPos == oldPos)
                emit rowChanged(newPos);
            else if (!inserting && newPos >= 0)
                emit rowMoved(oldPos, newPos);
            else if (!inserting)
                emit rowRemoved(oldPos);
            emit currentChanged(pos_);
            emit stateChanged();
        }
    } catch (const EngineError& e) {
        if (onPostError_) {
            const PostErrorAction action = onPostError_(*this, e);
            if (action == PostErrorAction::Abort)
                throw SilentAbort();
        }
        throw;
    }
}

void DataSet::deleteRecord() {
    requireOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit)
        cancel();
    ensureCurrent();
    if (pos_ < 0)
        throw EngineError(WrongState, QStringLiteral("Cannot delete: the dataset is empty"));
    const std::int64_t key = currentKey_;
    removeRecord(key);
    ownKeys();
    const int removed = pos_;
    keys_.erase(static_cast<size_t>(removed));
    keysChanged();
    count_ = static_cast<int>(keys_.size());
    cache_.drop(key);
    const bool notify = disableCount_ == 0;
    if (keys_.empty()) {
        moveQuietly(-1);
        bof_ = eof_ = true;
    } else if (removed < count_) {
        moveQuietly(removed);
        bof_ = eof_ = false;
    } else {
        moveQuietly(count_ - 1);
        eof_ = true;
        bof_ = false;
    }
    if (notify) {
        emit rowRemoved(removed);
        emit currentChanged(pos_);
    }
}

void DataSet::disableControls() {
    ++disableCount_;
}

void DataSet::enableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ == 0) {
        emit contentReset();
        emit currentChanged(pos_);
        emit stateChanged();
    }
}

// Field

QString Field::name() const {
    return dataSet_->column(index_).name;
}
FieldType Field::type() const {
    return dataSet_->column(index_).type;
}
int Field::size() const {
    return dataSet_->column(index_).size;
}

Value Field::value() const {
    return dataSet_->currentValue(index_);
}

bool Field::isNull() const {
    if (dataSet_->state() == DataSet::State::Edit || dataSet_->state() == DataSet::State::Insert)
        return engine::isNull(dataSet_->bufferedValue(index_));
    const RowStore::Cell* c = dataSet_->currentCell(index_);
    return !c || c->kind == RowStore::Kind::Null;
}

int Field::asInteger() const {
    const bool buffered =
        dataSet_->state() == DataSet::State::Edit || dataSet_->state() == DataSet::State::Insert;
    if (!buffered) {
        const RowStore::Cell* c = dataSet_->currentCell(index_);
        if (!c || c->kind == RowStore::Kind::Null)
            return 0;
        if (c->kind == RowStore::Kind::Integer && c->integer >= std::numeric_limits<int>::min() &&
            c->integer <= std::numeric_limits<int>::max())
            return static_cast<int>(c->integer);
    }
    // A value beyond an int (a query's sum, a damaged table) is refused rather than cut to another number.
    const Value v = value();
    std::int64_t whole = 0;
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        whole = *i;
    } else if (const auto* d = std::get_if<double>(&v)) {
        if (!std::isfinite(*d) || std::fabs(*d) > 2147483648.0)
            throw conversionError(floatText(*d), FieldType::Integer, name());
        whole = static_cast<std::int64_t>(std::nearbyint(*d));
    } else if (const auto* s = std::get_if<std::string>(&v)) {
        if (!parseWhole(QString::fromStdString(*s), whole))
            throw conversionError(QString::fromStdString(*s), FieldType::Integer, name());
    } else {
        return 0;
    }
    if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
        throw conversionError(QString::number(whole), FieldType::Integer, name());
    return static_cast<int>(whole);
}

double Field::asFloat() const {
    const Value v = value();
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* s = std::get_if<std::string>(&v)) {
        double out = 0;
        if (!parseReal(QString::fromStdString(*s), out))
            throw conversionError(QString::fromStdString(*s), FieldType::Float, name());
        return out;
    }
    return 0;
}

QString Field::asString() const {
    const Value v = value();
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v))
        return floatText(*d);
    if (const auto* s = std::get_if<std::string>(&v))
        return QString::fromStdString(*s);
    return {};
}

std::string_view Field::asUtf8() const {
    const bool buffered =
        dataSet_->state() == DataSet::State::Edit || dataSet_->state() == DataSet::State::Insert;
    if (buffered) {
        const auto* s = std::get_if<std::string>(&dataSet_->bufferedValue(index_));
        return s ? std::string_view(*s) : std::string_view();
    }
    const RowStore::Cell* c = dataSet_->currentCell(index_);
    if (!c || c->kind != RowStore::Kind::Text)
        return {};
    return dataSet_->rows().text(*c);
}

void Field::setInteger(qint64 v) {
    dataSet_->setFieldValue(index_, Value{static_cast<std::int64_t>(v)});
}
void Field::setFloat(double v) {
    dataSet_->setFieldValue(index_, Value{v});
}
void Field::setString(const QString& text) {
    dataSet_->setFieldValue(index_, textValue(text));
}
void Field::setValue(const Value& v) {
    dataSet_->setFieldValue(index_, v);
}
void Field::assign(const Field& other) {
    dataSet_->setFieldValue(index_, other.value());
}
void Field::clear() {
    dataSet_->setFieldValue(index_, Value{});
}

} // namespace engine
