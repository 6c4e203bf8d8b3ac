#include "PriceSignals.h"

#include "Helpers.h"

namespace {

QString amount(double price, QLocale locale) {
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<double>(RoundPrice(price)), 'f', 2);
}

} // namespace

PriceSignal PriceSignals::signalFor(const PriceChange& change, const QDate& today, int staleDays,
                                    const QLocale& locale) {
    PriceSignal s;
    if (!change.latest)
        return s;
    QStringList lines;
    s.wentUp = change.wentUp();
    if (s.wentUp)
        lines << QStringLiteral("Up from %1 on %2")
                     .arg(amount(change.previous->price, locale),
                          locale.toString(change.previous->when.date(), QLocale::ShortFormat));
    s.stale = PriceHistory::isStale(change.latest->when, today, staleDays);
    if (s.stale)
        lines << staleText() + QStringLiteral(": last entered or confirmed on ") +
                     locale.toString(change.latest->when.date(), QLocale::ShortFormat);
    s.toolTip = lines.join(QLatin1Char('\n'));
    return s;
}

PriceSignal PriceSignals::forItem(int itemId, const QDate& today, int staleDays) {
    auto it = changes_.find(itemId);
    if (it == changes_.end())
        it = changes_.insert(itemId, history_.latestChange(itemId));
    return signalFor(*it, today, staleDays, locale_);
}

PriceSignal PriceSignals::forLatest(const QDateTime& latest, const QDate& today, int staleDays,
                                    const QLocale& locale) {
    PriceChange change;
    if (latest.isValid())
        change.latest = PricePoint{latest, 0, 0, {}};
    return signalFor(change, today, staleDays, locale);
}
