#pragma once

#include "CsvText.h"

#include <QChar>
#include <QLocale>
#include <QString>

namespace engine {
class Database;
}

// The whole price log as comma-separated values for spreadsheets (CsvText's rules): a header row, then one
// row per log entry with the item's id, the shop, the product type, the brand, the size at that time, the
// price in the locale's decimal form and the date (ISO 8601, local time), grouped by product type, brand and
// item, oldest first. A database without its log gives the header row alone.
class PriceHistoryCsv {
public:
    PriceHistoryCsv(QChar separator, const QLocale& locale = QLocale());

    QString write(engine::Database& db) const;
    // How many entries the last write() wrote.
    int rows() const { return rows_; }

private:
    CsvText csv_;
    QLocale locale_;
    mutable int rows_ = 0;
};
