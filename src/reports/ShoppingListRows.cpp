#include "ShoppingListRows.h"

#include "Report.h"
#include "Table.h"

namespace reports {

namespace {

const QString kWhereListed = QStringLiteral("(I.Quantity IS NOT NULL)");

QStringList shopItemsSql(int shop, bool inSequence) {
    const QString s = QString::number(shop);
    if (inSequence)
        return {QStringLiteral("SELECT *"),
                QStringLiteral("FROM Items I, Products P, Aisles A, Categories C, Shops S"),
                QStringLiteral(
                    "WHERE (P.ProdID = I.Product) AND (S.ShopID = I.Shop) AND (C.CatID = P.Category) AND "
                    "(A.Category = P.Category) AND (A.Shop = I.Shop) AND (I.Shop = ") +
                    s + QStringLiteral(") AND ") + kWhereListed,
                QStringLiteral("ORDER BY A.Sequence, P.ProdName")};
    return {
        QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
        QStringLiteral("WHERE (P.ProdID = I.Product) AND (S.ShopID = I.Shop) AND (C.CatID = P.Category) AND "
                       "(I.Shop = ") +
            s + QStringLiteral(") AND ") + kWhereListed,
        QStringLiteral("ORDER BY C.CatName, P.ProdName")};
}

// The fields of one item row, taken once after the query ran.
struct ItemFields {
    explicit ItemFields(const ReportQuery& q)
        : itemId(q.field(QStringLiteral("ItemID"))), category(q.field(QStringLiteral("Category"))),
          catName(q.field(QStringLiteral("CatName"))), quantity(q.field(QStringLiteral("Quantity"))),
          price(q.field(QStringLiteral("Price"))), product(q.field(QStringLiteral("ProdName"))),
          brand(q.field(QStringLiteral("Brand"))), size(q.field(QStringLiteral("Size"))),
          unit(q.field(QStringLiteral("UnitOfMeasure"))) {}

    engine::Field itemId, category, catName, quantity, price, product, brand, size, unit;
};

} // namespace

std::vector<ShoppingListRows::Shop> ShoppingListRows::shops() {
    std::vector<Shop> shops;
    ReportQuery query(*source_.query);
    if (!query.run({QStringLiteral("SELECT DISTINCT I.Shop, S.ShopName, S.Address"),
                    QStringLiteral("FROM Items I, Shops S"),
                    QStringLiteral("WHERE (S.ShopID = I.Shop) AND ") + kWhereListed,
                    QStringLiteral("ORDER BY ShopName")}))
        return shops;
    const engine::Field shop = query.field(QStringLiteral("Shop"));
    const engine::Field name = query.field(QStringLiteral("ShopName"));
    const engine::Field address = query.field(QStringLiteral("Address"));
    for (; !query.eof(); query.next()) {
        if (!shops.empty() && shops.back().id == shop.asInteger())
            continue;
        shops.push_back({shop.asInteger(), name.asString(), address.asString()});
    }
    return shops;
}

ShoppingListRows::ShopTotals ShoppingListRows::walkShop(int shopId,
                                                        const std::function<void(const Item&)>& row) {
    ShopTotals totals;
    int previousCategory = -1;
    const auto deliver = [&](const ItemFields& f, bool outOfSequence) {
        Item item;
        item.itemId = f.itemId.asInteger();
        item.categoryId = f.category.asInteger();
        item.category = f.catName.asString();
        item.outOfSequence = outOfSequence;
        item.firstOfCategory = item.categoryId != previousCategory;
        previousCategory = item.categoryId;
        item.quantity = f.quantity.asInteger();
        item.quantityText = f.quantity.asString();
        item.product = f.product.asString();
        item.brand = f.brand.asString();
        item.size = f.size.asString();
        item.unit = f.unit.asString();
        item.price = f.price.asFloat();
        item.lineTotal = static_cast<double>(item.quantity) * item.price;
        // Summed in single precision in row order, as the totals have always been.
        totals.total = static_cast<float>(totals.total + item.lineTotal);
        grandTotal_ = static_cast<float>(grandTotal_ + item.lineTotal);
        if (item.price == 0)
            totals.priceMissing = true;
        totals.outOfSequence = totals.outOfSequence || outOfSequence;
        row(item);
    };

    {
        ReportQuery query(*source_.query);
        query.run(shopItemsSql(shopId, true));
        const ItemFields fields(query);
        for (; !query.eof(); query.next())
            deliver(fields, false);
    }

    ReportQuery query(*source_.query);
    query.run(shopItemsSql(shopId, false));
    engine::Table& aisles = *source_.aisles;
    aisles.open();
    struct CloseAisles {
        engine::Table& t;
        ~CloseAisles() { t.close(); }
    } closeAisles{aisles};
    const ItemFields fields(query);
    for (; !query.eof(); query.next()) {
        if (aisles.findKey({engine::Value{std::int64_t{shopId}},
                            engine::Value{std::int64_t{fields.category.asInteger()}}}))
            continue;
        deliver(fields, true);
    }
    return totals;
}

} // namespace reports
