#pragma once

#include "Report.h"
#include "ReportLayout.h"
#include "ShoppingListRows.h"

#include <optional>
#include <vector>

namespace reports {

// The printed shopping list: every listed item grouped by shop, each shop in its aisle sequence with the
// items of unsequenced categories after it (marked "*"), line totals, a total per shop, the grand total and
// the notes of the Shopping list page.
class ShoppingListReport final : public Report {
public:
    explicit ShoppingListReport(ReportSource& source) : Report(source) {}

    QString title() const override { return QStringLiteral("Shopping list"); }
    QString prepare() override;
    void print(Canvas& canvas) override;

private:
    using Shop = ShoppingListRows::Shop;
    struct Row {
        QString aisle;
        QString quantity;
        QString item;
        QString size;
        QString price;
        QString total;
    };

    void measureColumns();
    void printShop();
    void printFooter();
    void printNotes();
    void ShoppingListHeading(bool withDateAndPage);
    void EnsureRoom(int lines);
    void printRow(const Row& row);

    std::optional<ShoppingListRows> rows_;
    std::vector<Shop> shops_;
    size_t shopIndex_ = 0;
    std::optional<ReportLayout> layout_;
    int aisleX_ = 0;
    int qtyX_ = 0;
    int itemX_ = 0;
    int sizeX_ = 0;
    int priceX_ = 0;
    int totalX_ = 0;
    ShoppingListRows::ShopTotals shopTotals_;
};

} // namespace reports
