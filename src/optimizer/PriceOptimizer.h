#pragma once

#include "OptimizeItem.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

namespace engine {
class Database;
} // namespace engine

// What the optimizer aims for.
enum class OptimizeMode {
    CheapestTrip,  // lowest total cost of the list; may change shops and sizes
    CheapestItems, // lowest price per unit of size; may increase quantities and the total cost
    None,          // no mode chosen: only the summary lines, no quantity changes
};

// The outcome of one run: the report and its totals.
struct OptimizeResult {
    QStringList details; // every line of the report, the summary lines included
    QString countLine;   // "3 items replaced"
    QString savingLine;  // "You saved ..." or "You spent an extra ..."
    float Savings = 0;   // old cost - new cost, summed over every rewrite
    int ReplacedCount = 0;

    // The report as shown in the results box.
    QString detailsText() const { return details.join(QLatin1Char('\n')); }
    // The message shown instead of the report: the count line and the saving line.
    QString summaryMessage() const { return countLine + QStringLiteral("\r\n") + savingLine; }
};

// Rewrites the shopping list (the Items rows with a Quantity above 0) so that each product on it is bought
// more cheaply. Every Quantity is first kept in UndoQty. The whole run is one transaction: when anything
// fails the database is left as it was and the error reaches the caller.
class PriceOptimizer {
public:
    explicit PriceOptimizer(engine::Database& db);
    ~PriceOptimizer();
    PriceOptimizer(const PriceOptimizer&) = delete;
    PriceOptimizer& operator=(const PriceOptimizer&) = delete;

    OptimizeResult run(OptimizeMode mode);

private:
    // What the report and the writes need of one item of a product on the list.
    struct ItemInfo {
        int product = 0;
        QString brand;
        int size = 0;
        int shop = 0;
        int quantity = 0; // as stored now; 0 for empty
    };
    struct ListRow {
        OptimizeItem item;
        int product = 0;
        bool usable = false;
    };
    struct ProductItems {
        std::vector<OptimizeItem> usable; // in the mode's candidate order
        int rows = 0;                     // every item of the product, usable or not
    };

    void loadNames();
    void loadList();
    void loadCandidates(OptimizeMode mode);
    void runCheapestItems();
    void runCheapestTrip();
    void optimizeProduct(int product, std::int64_t amount, const std::vector<OptimizeItem>& current);
    void addSummary();

    const ItemInfo& info(int itemId) const;
    // The report line of an item with the given quantity.
    QString itemLine(int itemId, int quantity);
    void setQuantity(int itemId, int quantity); // 0 stores empty
    QString changeLine(float newCost, float oldCost) const;

    engine::Database& db_;
    QHash<int, QString> productNames_;
    QHash<int, QString> units_;
    QHash<int, QString> shopNames_;
    std::vector<ListRow> list_;
    QHash<int, ProductItems> candidates_;
    QHash<int, ItemInfo> items_;
    OptimizeResult result_;
};

// Puts back every Quantity from UndoQty (an empty one stays empty), in one transaction.
void UndoOptimization(engine::Database& db);
