#include "PriceHistoryCsv.h"

#include "Helpers.h"
#include "PriceLog.h"
#include "Query.h"

PriceHistoryCsv::PriceHistoryCsv(QChar separator, const QLocale& locale) : csv_(separator), locale_(locale) {
    locale_.setNumberOptions(QLocale::OmitGroupSeparator);
}

QString PriceHistoryCsv::write(engine::Database& db) const {
    QString out;
    rows_ = 0;
    const auto row = [&](const QStringList& fields) { out += csv_.row(fields); };
    row({QStringLiteral("Item"), QStringLiteral("Shop"), QStringLiteral("Product type"),
         QStringLiteral("Brand"), QStringLiteral("Size"), QStringLiteral("Price"), QStringLiteral("Date")});
    if (!PriceLog::exists(db))
        return out;
    engine::Query q(&db);
    // Rows of items that are gone (check/repair removes them) have nothing to name and are left out.
    q.setSql(QStringList{
        QStringLiteral("SELECT L.Item, S.ShopName, P.ProdName, I.Brand, L.Size, L.Price, L.PriceDate"),
        QStringLiteral("FROM PriceLog L JOIN Items I ON I.ItemID = L.Item"),
        QStringLiteral("LEFT JOIN Products P ON P.ProdID = I.Product LEFT JOIN Shops S ON S.ShopID = L.Shop"),
        QStringLiteral("ORDER BY P.ProdName, I.Brand, L.Item, L.PriceDate, L.LogID")});
    q.open();
    const engine::Field item = q.field(QStringLiteral("Item")), shop = q.field(QStringLiteral("ShopName")),
                        product = q.field(QStringLiteral("ProdName")),
                        brand = q.field(QStringLiteral("Brand")), size = q.field(QStringLiteral("Size")),
                        price = q.field(QStringLiteral("Price")), date = q.field(QStringLiteral("PriceDate"));
    for (q.first(); !q.eof(); q.next()) {
        row({QString::number(item.asInteger()), csv_.textField(shop.asString()),
             csv_.textField(product.asString()), csv_.textField(brand.asString()),
             size.isNull() ? QString() : QString::number(size.asInteger()),
             csv_.field(locale_.toString(static_cast<double>(RoundPrice(price.asFloat())), 'f', 2)),
             csv_.field(date.asString())});
        ++rows_;
    }
    return out;
}
