#include "TakeAlongList.h"

#include "Report.h"
#include "ReportLayout.h"
#include "ShoppingListRows.h"

TakeAlongList TakeAlongList::read(reports::ReportSource& source, const QList<int>& shopIds) {
    TakeAlongList list;
    list.notes = source.settings.notes;
    list.locale = source.locale;
    reports::ShoppingListRows rows(source);
    for (const reports::ShoppingListRows::Shop& s : rows.shops()) {
        if (!shopIds.isEmpty() && !shopIds.contains(s.id))
            continue;
        Shop shop;
        shop.id = s.id;
        shop.name = s.name;
        shop.address = s.address;
        const reports::ShoppingListRows::ShopTotals totals =
            rows.walkShop(s.id, [&shop](const reports::ShoppingListRows::Item& row) {
                if (row.firstOfCategory || shop.aisles.empty())
                    shop.aisles.push_back({row.category, row.outOfSequence, {}});
                shop.aisles.back().items.push_back({row.itemId, row.quantityText, row.product, row.brand,
                                                    row.size, row.unit, row.price, row.lineTotal});
            });
        shop.total = totals.total;
        shop.priceMissing = totals.priceMissing;
        shop.outOfSequence = totals.outOfSequence;
        list.shops.push_back(std::move(shop));
    }
    list.grandTotal = rows.grandTotal();
    return list;
}

int TakeAlongList::itemCount() const {
    int n = 0;
    for (const Shop& shop : shops)
        for (const Aisle& aisle : shop.aisles)
            n += static_cast<int>(aisle.items.size());
    return n;
}

QString TakeAlongList::emptyMessage() {
    return QStringLiteral("There are no items on the shopping list to take along.");
}

QString TakeAlongList::amount(double value) const {
    return reports::amountText(value, locale);
}

QString TakeAlongList::currency(double value) const {
    return reports::currencyText(value, locale);
}

QString TakeAlongList::sizeText(const Item& item) {
    if (item.size.isEmpty() || item.unit.isEmpty())
        return item.size + item.unit;
    return item.size + QLatin1Char(' ') + item.unit;
}

QString TakeAlongList::description(const Item& item, bool isolate) {
    QStringList parts;
    for (const QString& part : {item.product, item.brand, sizeText(item)})
        if (!part.isEmpty())
            parts << (isolate ? isolated(oneLine(part)) : oneLine(part));
    return parts.join(QLatin1Char(' '));
}

QString TakeAlongList::isolated(const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QChar::Direction d = QChar::direction(c);
        if (d == QChar::DirR || d == QChar::DirAL)
            return QChar(0x2068) + text + QChar(0x2069);
    }
    return text;
}

QString TakeAlongList::oneLine(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return text;
}
