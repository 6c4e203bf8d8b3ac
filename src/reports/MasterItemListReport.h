#pragma once

#include "Report.h"

namespace reports {

class ReportLayout;

// The master item list: every purchasable item with product type, brand, category, size, price and shop,
// in the order the options choose, optionally with a rule above every row.
class MasterItemListReport final : public Report {
public:
    explicit MasterItemListReport(ReportSource& source) : Report(source), query_(*source.query) {}

    QString title() const override { return QStringLiteral("Item details"); }
    QString prepare() override;
    void print(Canvas& canvas) override;

private:
    void MasterListTitles(ReportLayout& layout) const;

    ReportQuery query_;
    int productX_ = 0;
    int brandX_ = 0;
    int categoryX_ = 0;
    int sizeX_ = 0;
    int priceX_ = 0;
    int shopX_ = 0;
};

} // namespace reports
