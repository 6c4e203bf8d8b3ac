#pragma once

#include "Report.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class Canvas;

namespace reports {

// A shop column of the form, in name order.
struct PriceFormShop {
    int id = -1;
    QString name;
};

// One item row of the form's query: the product type it belongs to, its shop, price and size.
struct PriceFormItem {
    int productId = -1;
    QString productName;
    int shopId = -1;
    float price = 0.0f;
    QString size; // Size and UnitOfMeasure as one text
    QString date; // when the price was last entered or confirmed, printed under it; empty: no date line
};

// Where everything of the form stands across the page, in printer dots.
struct PriceFormGeometry {
    int lineHeight = 0;
    int margin = 0; // left and right; top and bottom are 4 lines
    int h = 0;      // half a wide character: the small gap
    int productX = 0;
    int firstColumnX = 0;
    int integerRoom = 0; // from a column's left edge to its decimal points
    int decimalRoom = 0; // from the decimal points to the size texts
    int columnWidth = 0;
    int columnsPerPage = 1;

    // A shop's column starts again at the first column x with every group.
    int columnX(int shopIndex) const { return firstColumnX + shopIndex % columnsPerPage * columnWidth; }
};

// The printed price comparison form: one row per product type, one column per shop, each cell the shop's
// lowest non-zero price for that product type with its size. Shop columns that do not fit across the page
// are split into groups; every group repeats all product rows, starting on a new page. When the Options ask
// for dates, each price has the date it was last entered or confirmed on a line under it.
class PriceFormReport final : public Report {
public:
    explicit PriceFormReport(ReportSource& source);

    static QStringList shopsSql();
    // With dates, each row also has PriceDate: the newest entry of the item's price log.
    static QStringList itemsSql(bool sortByCategory, bool withDates = false);

    QString title() const override { return QStringLiteral("Price form"); }
    // Reads the shops and the item rows, in category or product order as the options say.
    QString prepare() override;
    void print(Canvas& canvas) override;

    const std::vector<PriceFormShop>& shops() const { return shops_; }
    const std::vector<PriceFormItem>& items() const { return items_; }

private:
    std::vector<PriceFormShop> shops_;
    std::vector<PriceFormItem> items_;
};

// Measures the form in the canvas's current font for a page `pageWidth` dots wide.
PriceFormGeometry measurePriceForm(const Canvas& canvas, const std::vector<PriceFormShop>& shops,
                                   const std::vector<PriceFormItem>& items, int pageWidth,
                                   const QLocale& locale = QLocale());

// The shop index ranges (first, last, inclusive) printed together; never fewer than one shop a group, so a
// page too narrow for a single column still makes progress.
std::vector<std::pair<int, int>> priceFormGroups(int shopCount, int columnsPerPage);

// Draws the form's pages with a measured geometry on the canvas's page, group after group.
void drawPriceForm(Canvas& canvas, const PriceFormGeometry& g, const std::vector<PriceFormShop>& shops,
                   const std::vector<PriceFormItem>& items, const QLocale& locale = QLocale());

} // namespace reports
