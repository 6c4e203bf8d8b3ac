#pragma once

#include "Report.h"

namespace reports {

// The fridge list: a check list of every product type, a square in front of each, in columns that fill top
// to bottom and left to right; optionally each with its category.
class FridgeListReport final : public Report {
public:
    explicit FridgeListReport(ReportSource& source) : Report(source), query_(*source.query) {}

    QString title() const override { return QStringLiteral("Fridge list"); }
    QString prepare() override;
    void print(Canvas& canvas) override;

private:
    ReportQuery query_;
};

} // namespace reports
