#include "CsvListWriter.h"

#include "TakeAlongList.h"

QChar CsvListWriter::separatorFor(const QLocale& locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QString CsvListWriter::field(const QString& text) const {
    const bool quote = text.contains(separator_) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                       text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (!quote)
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString CsvListWriter::textField(const QString& text) const {
    // A cell that starts like a formula would be computed (and could reach out to the network) when the file
    // is opened; the apostrophe makes spreadsheets keep it as text.
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStart.contains(text.at(0)))
        return field(QLatin1Char('\'') + text);
    return field(text);
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
