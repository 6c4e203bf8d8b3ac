#include "ShopCopier.h"

#include "CatalogueText.h"
#include "Database.h"
#include "PriceLog.h"
#include "Table.h"

namespace catalogue {

bool ShopCopier::nameAvailable(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || tooLong(trimmed, kNameLength, QString()))
        return false;
    engine::Table shops(&db_, QStringLiteral("Shops"));
    shops.setIndexName(QStringLiteral("IdxName"));
    shops.open();
    return !shops.findKey({engine::textValue(trimmed)});
}

int ShopCopier::copy(int sourceShopId, const QString& newName, const CopyShopOptions& options) {
    if (options.items)
        PriceLog::ensure(db_);
    engine::Transaction tx(db_);
    engine::Table shops(&db_, QStringLiteral("Shops"));
    shops.open();
    shops.append();
    try {
        shops.field(QStringLiteral("ShopName")).setString(newName.trimmed());
        shops.post();
    } catch (...) {
        shops.cancel();
        throw;
    }
    const int newId = shops.field(QStringLiteral("ShopID")).asInteger();
    const std::vector<engine::Value> ids{engine::Value{static_cast<std::int64_t>(newId)},
                                         engine::Value{static_cast<std::int64_t>(sourceShopId)}};
    if (options.items)
        db_.execute(QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop) "
                                   "SELECT Product, Brand, Size, Price, ?1 FROM Items WHERE Shop = ?2 "
                                   "ORDER BY ItemID"),
                    ids);
    // The copies start a history of their own, dated today.
    if (options.items)
        PriceLog(db_).recordItems(QStringLiteral("Shop = ?1"), {ids[0]}, PriceLog::now());
    if (options.aisles) {
        const QString rectangles = options.floorPlan
                                       ? QStringLiteral("RectLeft, RectTop, RectRight, RectBottom")
                                       : QStringLiteral("-1, NULL, NULL, NULL");
        db_.execute(
            QStringLiteral("INSERT INTO Aisles (Category, Shop, Sequence, RectLeft, RectTop, RectRight, "
                           "RectBottom) SELECT Category, ?1, Sequence, %1 FROM Aisles WHERE Shop = ?2 "
                           "ORDER BY Category")
                .arg(rectangles),
            ids);
    }
    tx.commit();
    return newId;
}

} // namespace catalogue
