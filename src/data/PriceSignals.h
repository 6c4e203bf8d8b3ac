#pragma once

#include "PriceHistory.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QString>

namespace engine {
class Database;
}

// What a list shows of an item's price log beside its price.
struct PriceSignal {
    bool stale = false;  // not entered or confirmed for the set number of days: drawn muted
    bool wentUp = false; // above the price entered before it: marked
    QString toolTip;     // what the marks mean for this item; empty without marks
};

// The price marks of the items a list shows, read from the price log as the rows are drawn and kept until
// the list is read again (clear()).
class PriceSignals {
public:
    explicit PriceSignals(engine::Database& db, const QLocale& locale = QLocale())
        : history_(db), locale_(locale) {}

    // From the item's two newest log entries.
    PriceSignal forItem(int itemId, const QDate& today, int staleDays);
    // From the date of the newest entry alone (the Items page reads it with its list): staleness only.
    static PriceSignal forLatest(const QDateTime& latest, const QDate& today, int staleDays,
                                 const QLocale& locale = QLocale());

    void clear() { changes_.clear(); }
    // Forgets one item, after a price was written for it.
    void forget(int itemId) { changes_.remove(itemId); }

    static QString staleText() { return QStringLiteral("this price may be stale"); }

private:
    static PriceSignal signalFor(const PriceChange& change, const QDate& today, int staleDays,
                                 const QLocale& locale);

    PriceHistory history_;
    QLocale locale_;
    QHash<int, PriceChange> changes_;
};
