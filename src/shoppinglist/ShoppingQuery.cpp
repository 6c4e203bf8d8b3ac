#include "ShoppingQuery.h"

#include <array>

const ShoppingQuery::ColumnInfo& ShoppingQuery::column(int index) {
    static const std::array<ColumnInfo, ColumnCount> columns{{
        {QStringLiteral("Qty"), QStringLiteral("Quantity"), 29},
        {QStringLiteral("Product"), QStringLiteral("ProdName"), 119},
        {QStringLiteral("Brand"), QStringLiteral("Brand"), 123},
        {QStringLiteral("Size"), QStringLiteral("Size"), 40},
        {QStringLiteral("UOM"), QStringLiteral("UnitOfMeasure"), 44},
        {QStringLiteral("Price"), QStringLiteral("Price"), 50},
        {QStringLiteral("Shop"), QStringLiteral("ShopName"), 87},
        {QStringLiteral("Category"), QStringLiteral("CatName"), 65},
    }};
    return columns[static_cast<size_t>(validSortColumn(index))];
}

int ShoppingQuery::validSortColumn(int column) {
    return column >= 0 && column < ColumnCount ? column : CategoryColumn;
}

QString ShoppingQuery::shopIdList(const QList<int>& shopIds) {
    if (shopIds.isEmpty())
        return QStringLiteral("-1");
    QStringList parts;
    parts.reserve(shopIds.size());
    for (int id : shopIds)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

QString ShoppingQuery::orderClause(int sortColumn) {
    const QString field = column(sortColumn).field;
    if (field == QLatin1String("ShopName") || field == QLatin1String("CatName") ||
        field == QLatin1String("Brand"))
        return QStringLiteral("ORDER BY %1, ProdName").arg(field);
    return QStringLiteral("ORDER BY ") + field;
}

QStringList ShoppingQuery::text(const QList<int>& shopIds, bool allItems, int sortColumn) {
    QString where = QStringLiteral("WHERE (I.Product = P.ProdID) AND (I.Shop = S.ShopID) AND (P.Category = "
                                   "C.CatID) AND (I.Shop IN (") +
                    shopIdList(shopIds) + QStringLiteral("))");
    if (!allItems)
        where += QStringLiteral(" AND (I.Quantity IS NOT NULL)");
    return {QStringLiteral("SELECT *"), QStringLiteral("FROM Items I, Products P, Categories C, Shops S"),
            where, orderClause(sortColumn)};
}
