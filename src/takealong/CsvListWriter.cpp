#include "CsvListWriter.h"

#include "CsvText.h"
#include "TakeAlongList.h"

QChar CsvListWriter::separatorFor(const QLocale& locale) {
    return CsvText::separatorFor(locale);
}

QString CsvListWriter::field(const QString& text) const {
    return CsvText(separator_).field(text);
}

QString CsvListWriter::textField(const QString& text) const {
    return CsvText(separator_).textField(text);
}

QString CsvListWriter::write(const TakeAlongList& list) const {
    const QString sep(separator_);
    QString out;
    const auto row = [&](const QStringList& fields) { out += fields.join(sep) + QStringLiteral("\r\n"); };
    row({QStringLiteral("Shop"), QStringLiteral("Aisle"), QStringLiteral("In aisle sequence"),
         QStringLiteral("Quantity"), QStringLiteral("Product type"), QStringLiteral("Brand"),
         QStringLiteral("Size"), QStringLiteral("Unit"), QStringLiteral("Price"), QStringLiteral("Total")});
    for (const TakeAlongList::Shop& shop : list.shops)
        for (const TakeAlongList::Aisle& aisle : shop.aisles)
            for (const TakeAlongList::Item& item : aisle.items)
                row({textField(shop.name), textField(aisle.name),
                     aisle.outOfSequence ? QStringLiteral("no") : QStringLiteral("yes"), field(item.quantity),
                     textField(item.product), textField(item.brand), field(item.size), textField(item.unit),
                     item.priced() ? field(list.amount(item.price)) : QString(),
                     item.priced() ? field(list.amount(item.lineTotal)) : QString()});
    return out;
}
