#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace reports {

struct ReportSource;

// The listed items as the printed shopping list reads them, for the report and for every list that is taken
// along: the shops with items on the list by name, and each shop's items in its aisle sequence (product type
// names within an aisle), then the items of the categories that have no aisle in that shop, by category and
// product type, marked out of sequence. Totals are summed in single precision in this row order.
class ShoppingListRows {
public:
    struct Shop {
        int id = -1;
        QString name;
        QString address;
    };
    struct Item {
        int itemId = 0;
        int categoryId = 0;
        QString category;
        bool outOfSequence = false;   // the category has no aisle in the shop
        bool firstOfCategory = false; // the first row of a run of the same category: where its name is shown
        int quantity = 0;
        QString quantityText;
        QString product;
        QString brand;
        QString size; // empty when the item has none
        QString unit;
        double price = 0; // 0 when the item has no price
        double lineTotal = 0;
    };
    struct ShopTotals {
        float total = 0;
        bool priceMissing = false;  // some item of the shop has no price, so the total is not accurate
        bool outOfSequence = false; // some item's category has no aisle in the shop
    };

    explicit ShoppingListRows(ReportSource& source) : source_(source) {}

    // The shops that have listed items, by name; empty when nothing is on the list.
    std::vector<Shop> shops();
    // Calls `row` for each listed item of the shop in order and returns the shop's totals. Every line total
    // also goes into the grand total.
    ShopTotals walkShop(int shopId, const std::function<void(const Item&)>& row);
    // The sum of every line total walked so far.
    float grandTotal() const { return grandTotal_; }

private:
    ReportSource& source_;
    float grandTotal_ = 0;
};

} // namespace reports
