#include "PriceLog.h"

#include "Database.h"
#include "EngineError.h"
#include "Schema.h"
#include "Table.h"

#include <utility>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

std::function<QDateTime()>& logClock() {
    static std::function<QDateTime()> c;
    return c;
}

} // namespace

QString PriceLog::dateText(const QDateTime& when) {
    return when.toString(kDateFormat);
}

QDateTime PriceLog::parseDate(const QString& text) {
    // Read by hand: QDateTime::fromString with a format takes tens of microseconds a date, which the chart of
    // an item with a long history would feel.
    if (text.size() != kDateFormat.size())
        return {};
    for (const auto& [at, separator] : {std::pair{4, '-'}, {7, '-'}, {10, 'T'}, {13, ':'}, {16, ':'}})
        if (text.at(at) != QLatin1Char(separator))
            return {};
    bool ok = true;
    const auto number = [&](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const QChar c = text.at(i);
            ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
            value = value * 10 + (c.unicode() - '0');
        }
        return value;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!ok || !date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

QDateTime PriceLog::now() {
    return logClock() ? logClock()() : QDateTime::currentDateTime();
}

void PriceLog::setClock(std::function<QDateTime()> c) {
    logClock() = std::move(c);
}

bool PriceLog::exists(engine::Database& db) {
    if (db.isOpen())
        return db.tables().contains(tableName(), Qt::CaseInsensitive);
    return db.tableExists(tableName());
}

void PriceLog::ensure(engine::Database& db) {
    if (db.tableExists(tableName())) {
        // A file that is there but could not be attached reports its damage here.
        db.definition(tableName());
        return;
    }
    engine::TableDefinition def = schema::priceLog().definition;
    try {
        if (db.tableExists(QStringLiteral("Items")))
            def.locale = db.readDefinition(QStringLiteral("Items")).locale;
    } catch (const engine::EngineError&) {
        // The log has no text to sort but its dates, which every locale sorts alike.
    }
    db.createTable(tableName(), def);
}

PriceLog::PriceLog(engine::Database& db) : db_(db) {}

PriceLog::~PriceLog() = default;

engine::Table& PriceLog::writer() {
    if (!writer_) {
        writer_ = std::make_unique<engine::Table>(&db_, tableName());
        // No row has item 0: the object loads nothing and only appends.
        writer_->setFilter(QStringLiteral("Item = 0"));
        writer_->setFiltered(true);
    }
    if (!writer_->isOpen())
        writer_->open();
    return *writer_;
}

bool PriceLog::record(int itemId, int shopId, double price, const engine::Value& size,
                      const QDateTime& when) {
    if (!isPrice(price))
        return false;
    engine::Table& log = writer();
    log.append();
    try {
        log.field(QStringLiteral("Item")).setInteger(itemId);
        log.field(QStringLiteral("Shop")).setInteger(shopId);
        log.field(QStringLiteral("Price")).setFloat(price);
        log.field(QStringLiteral("Size")).setValue(size);
        log.field(QStringLiteral("PriceDate")).setString(dateText(when));
        log.post();
    } catch (...) {
        if (log.state() == engine::DataSet::State::Insert)
            log.cancel();
        throw;
    }
    return true;
}

int PriceLog::recordItems(const QString& itemsWhere, const std::vector<engine::Value>& parameters,
                          const QDateTime& when) {
    std::vector<engine::Value> values = parameters;
    values.push_back(engine::textValue(dateText(when)));
    return db_.execute(
        QStringLiteral("INSERT INTO \"PriceLog\".\"PriceLog\" (Item, Shop, Price, Size, PriceDate) "
                       "SELECT ItemID, Shop, Price, Size, ?%1 FROM \"Items\".\"Items\" "
                       "WHERE (%2) AND Price > 0 ORDER BY ItemID")
            .arg(values.size())
            .arg(itemsWhere),
        values);
}

int PriceLog::removeItem(int itemId) {
    engine::Table log(&db_, tableName());
    log.setFilter(QStringLiteral("Item = %1").arg(itemId));
    log.setFiltered(true);
    log.open();
    int removed = 0;
    for (log.first(); !log.isEmpty(); log.first()) {
        log.deleteRecord();
        ++removed;
    }
    return removed;
}

int PriceLog::removeItems(const QString& itemsWhere, const std::vector<engine::Value>& parameters) {
    return db_.execute(QStringLiteral("DELETE FROM \"PriceLog\".\"PriceLog\" WHERE Item IN "
                                      "(SELECT ItemID FROM \"Items\".\"Items\" WHERE %1)")
                           .arg(itemsWhere),
                       parameters);
}
