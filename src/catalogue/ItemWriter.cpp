#include "ItemWriter.h"

#include "CatalogueText.h"
#include "Database.h"
#include "EngineError.h"
#include "Helpers.h"
#include "Table.h"

#include <cmath>

namespace catalogue {

namespace {

QString priceText(const QString& typed) {
    const QString t = typed.trimmed();
    return t.isEmpty() ? QStringLiteral("0") : t;
}

// The typed price in the locale's form, read the way the shopping list reads it.
double typedPrice(const QString& typed) {
    const QString t = priceText(typed);
    if (const std::optional<double> v = ParseTypedNumber(t))
        return *v;
    throw engine::EngineError(
        engine::ConversionFailed,
        QStringLiteral("'%1' is not a valid floating point value for field 'Price'").arg(t));
}

// Runs f on the pending row; an error cancels the row before it travels on.
template <typename F> void guarded(engine::Table& items, F f) {
    try {
        f();
    } catch (...) {
        items.cancel();
        throw;
    }
}

} // namespace

ItemWriter::ItemWriter(engine::Table& items) : items_(items), log_(*items.database()) {}

void ItemWriter::setFields(const ItemFields& fields) {
    items_.field(QStringLiteral("Product")).setInteger(fields.productId);
    items_.field(QStringLiteral("Brand")).setString(fields.brand.trimmed());
    items_.field(QStringLiteral("Size")).setString(fields.size.trimmed());
    items_.field(QStringLiteral("Price")).setFloat(typedPrice(fields.price));
    if (fields.shopId)
        items_.field(QStringLiteral("Shop")).setInteger(*fields.shopId);
    else
        items_.field(QStringLiteral("Shop")).clear();
}

std::optional<QString> ItemWriter::inputProblem(const ItemFields& fields) {
    if (auto problem = tooLong(fields.brand, kNameLength, QStringLiteral("The brand")))
        return problem;
    const bool wasOpen = items_.isOpen();
    if (!wasOpen)
        items_.open();
    std::optional<QString> problem;
    // The fields themselves judge the text, so the messages are the ones a post would give.
    items_.append();
    try {
        engine::Field size = items_.field(QStringLiteral("Size"));
        size.setString(fields.size.trimmed());
        // A negative size or price would make the item the cheapest of all; a price beyond a float has no
        // cents.
        const double price = typedPrice(fields.price);
        if (!size.isNull() && size.asInteger() < 0)
            problem = QStringLiteral("'%1' is not a valid size for field 'Size'").arg(fields.size.trimmed());
        else if (price < 0 || !std::isfinite(RoundPrice(price)))
            problem =
                QStringLiteral("'%1' is not a valid price for field 'Price'").arg(fields.price.trimmed());
    } catch (const engine::EngineError& e) {
        problem = e.message();
    }
    items_.cancel();
    if (!wasOpen)
        items_.close();
    return problem;
}

void ItemWriter::logPrice() {
    log_.record(
        items_.field(QStringLiteral("ItemID")).asInteger(), items_.field(QStringLiteral("Shop")).asInteger(),
        items_.field(QStringLiteral("Price")).asFloat(), items_.field(QStringLiteral("Size")).value());
}

int ItemWriter::add(const ItemFields& fields) {
    engine::Database& db = *items_.database();
    PriceLog::ensure(db);
    engine::Transaction tx(db);
    items_.append();
    guarded(items_, [&] {
        setFields(fields);
        items_.post();
    });
    const int id = items_.field(QStringLiteral("ItemID")).asInteger();
    if (fields.priceEntered)
        logPrice();
    tx.commit();
    return id;
}

bool ItemWriter::change(int itemId, const ItemFields& fields) {
    engine::Database& db = *items_.database();
    PriceLog::ensure(db);
    items_.setIndexName(QString());
    if (!items_.findKey({engine::Value{static_cast<std::int64_t>(itemId)}}))
        return false;
    const float oldPrice = RoundPrice(items_.field(QStringLiteral("Price")).asFloat());
    engine::Transaction tx(db);
    items_.edit();
    guarded(items_, [&] {
        setFields(fields);
        items_.post();
    });
    if (fields.priceEntered || RoundPrice(items_.field(QStringLiteral("Price")).asFloat()) != oldPrice)
        logPrice();
    tx.commit();
    return true;
}

bool ItemWriter::remove(int itemId) {
    engine::Database& db = *items_.database();
    items_.setIndexName(QString());
    if (!items_.findKey({engine::Value{static_cast<std::int64_t>(itemId)}}))
        return false;
    engine::Transaction tx(db);
    if (PriceLog::exists(db))
        log_.removeItem(itemId);
    items_.deleteRecord();
    tx.commit();
    return true;
}

void ItemWriter::roundPrice(engine::DataSet& items) {
    engine::Field price = items.field(QStringLiteral("Price"));
    price.setFloat(static_cast<double>(RoundPrice(price.asFloat())));
}

QString ItemWriter::duplicateMessage(engine::DataSet& items) {
    engine::Database* db = items.database();
    QString product, unit, shop;
    engine::Table products(db, QStringLiteral("Products"));
    products.open();
    if (products.findKey({items.field(QStringLiteral("Product")).value()})) {
        product = products.field(QStringLiteral("ProdName")).asString();
        unit = products.field(QStringLiteral("UnitOfMeasure")).asString();
    }
    engine::Table shops(db, QStringLiteral("Shops"));
    shops.open();
    if (shops.findKey({items.field(QStringLiteral("Shop")).value()}))
        shop = shops.field(QStringLiteral("ShopName")).asString();
    return duplicateItem(product, items.field(QStringLiteral("Brand")).asString(),
                         items.field(QStringLiteral("Size")).asString(), unit, shop);
}

} // namespace catalogue
