#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <vector>

namespace reports {
struct ReportSource;
}

// The shopping list as it leaves the desk: for the chosen shops, each shop's listed items grouped under their
// aisles in walking order, with the totals, marks and notes of the printed shopping list (read through the
// same rows). Every format the list is copied, exported or encoded in is written from this one model.
class TakeAlongList {
public:
    struct Item {
        int itemId = 0;
        QString quantity; // as stored
        QString product;
        QString brand;
        QString size;
        QString unit;
        double price = 0; // 0: the item has no price
        double lineTotal = 0;

        bool priced() const { return price != 0; }
    };
    // A run of items of one category, as the printed list names it once.
    struct Aisle {
        QString name;
        bool outOfSequence = false; // printed with "*": the category has no aisle in this shop
        std::vector<Item> items;
    };
    struct Shop {
        int id = -1;
        QString name;
        QString address;
        std::vector<Aisle> aisles;
        float total = 0;
        bool priceMissing = false;
        bool outOfSequence = false;
    };

    // Reads the listed items of the shops with these ids, or of every shop when there are none, the notes of
    // the source's settings and its locale.
    static TakeAlongList read(reports::ReportSource& source, const QList<int>& shopIds = {});

    std::vector<Shop> shops;
    float grandTotal = 0;
    QStringList notes;
    QLocale locale;

    // True when no shop has an item on the list; then nothing is copied, written or shown.
    bool isEmpty() const { return shops.empty(); }
    int itemCount() const;
    // What a command says instead of taking along an empty list.
    static QString emptyMessage();

    // A price, line total or shop total as the printed list shows it: two decimals, no currency symbol.
    QString amount(double value) const;
    // An amount in the locale's currency format, as the printed list shows its grand total.
    QString currency(double value) const;

    // The size with its unit, "1 l"; empty when the item has neither.
    static QString sizeText(const Item& item);
    // The product type, brand and size in one line, "Oat milk Avena 1 l". With `isolate`, each part written
    // right to left is wrapped in Unicode isolates, so that the parts keep their order on the screen.
    static QString description(const Item& item, bool isolate);
    // The text wrapped in a first-strong isolate when it holds characters written right to left.
    static QString isolated(const QString& text);
    // The text with line breaks, tabs and other control characters made spaces, for a one-line format.
    static QString oneLine(QString text);
};
