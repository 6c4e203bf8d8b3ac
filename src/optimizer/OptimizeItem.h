#pragma once

#include <cmath>
#include <cstdint>

// One item as the price search sees it: its id, its price rounded to cents as a 32-bit float, its size and
// its quantity (on the list, or chosen by the search).
struct OptimizeItem {
    int ItemID = 0;
    float Price = 0;
    int Size = 0;
    int Quantity = 0;
};

// Sizes of 0 or less would divide by zero and negative prices would send the search after ever larger
// quantities, so such items take no part in either mode.
inline bool IsOptimizable(const OptimizeItem& item) {
    return item.Size > 0 && std::isfinite(item.Price) && item.Price >= 0;
}

// Whole units of `size` needed to cover `amount` (amount >= 0, size > 0): the quotient rounded up. For
// amounts below 2^31 this is exactly the floating-point quotient rounded up, in integers.
inline std::int64_t UnitsToCover(std::int64_t amount, int size) {
    return (amount + size - 1) / size;
}
