#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The columns of the shopping list grid and the SQL text of the list for a shop selection.
class ShoppingQuery {
public:
    enum Column {
        QtyColumn,
        ProductColumn,
        BrandColumn,
        SizeColumn,
        UomColumn,
        PriceColumn,
        ShopColumn,
        CategoryColumn,
        ColumnCount
    };

    struct ColumnInfo {
        QString title;
        QString field;
        int width;
    };

    static const ColumnInfo& column(int index);
    // A sort column as stored; anything outside the columns means Category.
    static int validSortColumn(int column);
    // The selected shops' ids, in list order, joined by "," without spaces; "-1" (no shop) when empty.
    static QString shopIdList(const QList<int>& shopIds);
    // The order clause for a sort column; Shop, Category and Brand sort by product type name second.
    static QString orderClause(int sortColumn);
    // The four lines of the list query: every field of items, product types, categories and shops of the
    // selected shops, only items on the list unless allItems, in the sort column's order.
    static QStringList text(const QList<int>& shopIds, bool allItems, int sortColumn);
};
