#pragma once

#include <QLocale>
#include <QString>

#include <cstdint>

#include "Value.h"

namespace engine {
class DataSet;
} // namespace engine

// The two running totals of the shopping list: how many listed items have a quantity above 0, and what they
// cost. The cost is kept as a 32-bit float; each product is formed in double precision and the sum is
// stored back as a float after every step, so a full count and a chain of single edits agree.
class ListTotals {
public:
    std::int32_t itemCount() const { return count_; }
    float totalCost() const { return cost_; }

    void clear();
    // Counts a row with this quantity and price; a quantity of 0 or less counts nothing.
    void add(int quantity, double price);
    void remove(int quantity, double price);
    // One item changed from (oldQuantity, oldPrice) to (newQuantity, newPrice).
    void replace(int oldQuantity, double oldPrice, int newQuantity, double newPrice);
    // Counts every row of an open result that has Quantity and Price fields (empty reads as 0).
    void recompute(const engine::DataSet& rows);
    // Counts one row of a result from its Quantity and Price values (empty reads as 0).
    void addRow(const engine::Value& quantity, const engine::Value& price);

    // "Items: " and the count.
    QString itemsText() const;
    // "Total cost: " and the cost in the locale's currency format with two decimals.
    QString costText(const QLocale& locale = QLocale()) const;
    // An amount in the locale's currency format with exactly two decimals and at most 7 significant digits.
    static QString currencyText(float amount, const QLocale& locale = QLocale());

private:
    std::int32_t count_ = 0;
    float cost_ = 0;
};
