#include "PlainTextListWriter.h"

#include "TakeAlongList.h"

namespace {

QString name(const QString& text) {
    return TakeAlongList::isolated(TakeAlongList::oneLine(text));
}

} // namespace

QString PlainTextListWriter::write(const TakeAlongList& list) const {
    QStringList lines;
    for (const TakeAlongList::Shop& shop : list.shops) {
        if (!lines.isEmpty())
            lines << QString();
        lines << QStringLiteral("Shopping list for ") + name(shop.name);
        if (!shop.address.trimmed().isEmpty())
            lines << name(shop.address.trimmed());
        for (const TakeAlongList::Aisle& aisle : shop.aisles) {
            lines << QString() << name(aisle.name) + (aisle.outOfSequence ? QStringLiteral("*") : QString());
            for (const TakeAlongList::Item& item : aisle.items) {
                QString line = item.quantity + QStringLiteral(" × ") + TakeAlongList::description(item, true);
                if (withPrices_ && item.priced())
                    line += QStringLiteral(" — ") + list.amount(item.lineTotal);
                lines << line;
            }
        }
        if (withPrices_ || shop.outOfSequence)
            lines << QString();
        if (withPrices_) {
            lines << QStringLiteral("Total for ") + name(shop.name) + QStringLiteral(": ") +
                         list.amount(shop.total);
            if (shop.priceMissing)
                lines << QStringLiteral(
                    "(This total is not accurate. Some items at this shop had no prices.)");
        }
        if (shop.outOfSequence)
            lines << QStringLiteral("* Indicates categories not in aisle sequence.");
    }
    if (withPrices_)
        lines << QString() << QStringLiteral("Grand total: ") + list.currency(list.grandTotal);
    if (!list.notes.isEmpty()) {
        lines << QString() << QStringLiteral("Notes");
        for (const QString& note : list.notes)
            lines << TakeAlongList::isolated(note);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
