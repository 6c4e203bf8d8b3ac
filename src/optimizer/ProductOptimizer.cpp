#include "ProductOptimizer.h"

#include "CheapestCover.h"

#include <algorithm>

namespace {

// The candidates with a quantity above 0, in candidate order, carrying their quantities.
std::vector<OptimizeItem> combinationOf(const std::vector<OptimizeItem>& candidates,
                                        const std::vector<int>& quantities) {
    std::vector<OptimizeItem> combination;
    for (size_t k = 0; k < candidates.size(); ++k) {
        if (quantities[k] > 0) {
            OptimizeItem item = candidates[k];
            item.Quantity = quantities[k];
            combination.push_back(item);
        }
    }
    return combination;
}

} // namespace

std::optional<std::vector<OptimizeItem>>
ProductOptimizer::OptimizeProduct(const std::vector<OptimizeItem>& candidates, int amount) {
    if (candidates.size() < 2 || amount <= 0)
        return std::nullopt;
    CheapestCover cover(candidates);
    // The same choice as below, with the quantities worked out only for the winning start.
    float bestCost = 2147483648.0f;
    int bestStart = -1;
    for (int r = 0; r < static_cast<int>(candidates.size()); ++r) {
        // A cover that starts on a free item costs 0 and is never kept; one that cannot come below the
        // best cost need not be searched.
        if (candidates[static_cast<size_t>(r)].Price == 0 ||
            cover.lowerBound(amount, r) >= static_cast<double>(bestCost))
            continue;
        const float cost = cover.cost(amount, r);
        if (cost > 0 && cost < bestCost) {
            bestCost = cost;
            bestStart = r;
        }
    }
    if (bestStart < 0)
        return std::nullopt;
    return combinationOf(candidates, cover.find(amount, bestStart).quantities);
}

std::optional<std::vector<OptimizeItem>>
ProductOptimizer::OptimizeProduct(const std::vector<OptimizeItem>& candidates, int amount,
                                  const CoverSearch& search) {
    if (candidates.size() < 2 || amount <= 0)
        return std::nullopt;
    // The first start whose cover costs strictly less than every earlier one (and more than 0).
    float bestCost = 2147483648.0f;
    std::optional<std::vector<OptimizeItem>> best;
    for (int r = 0; r < static_cast<int>(candidates.size()); ++r) {
        const CoverResult cover = search(amount, r);
        // A cost of 0 means nothing with a price was used, so it never stands for a real cover.
        if (cover.cost > 0 && cover.cost < bestCost) {
            bestCost = cover.cost;
            best = combinationOf(candidates, cover.quantities);
        }
    }
    return best;
}

bool ProductOptimizer::SameItems(const std::vector<OptimizeItem>& combination,
                                 const std::vector<OptimizeItem>& current) {
    if (combination.size() != current.size())
        return false;
    return std::all_of(combination.begin(), combination.end(), [&current](const OptimizeItem& c) {
        return std::any_of(current.begin(), current.end(), [&c](const OptimizeItem& k) {
            return k.ItemID == c.ItemID && k.Quantity == c.Quantity;
        });
    });
}

int ProductOptimizer::CheapestItemIndex(const OptimizeItem& current,
                                        const std::vector<OptimizeItem>& candidates) {
    int best = -1;
    float bestUnitPrice = UnitPrice(current);
    for (int k = 0; k < static_cast<int>(candidates.size()); ++k) {
        const OptimizeItem& c = candidates[static_cast<size_t>(k)];
        if (!(c.Price > 0) || c.Size <= 0)
            continue;
        const float u = UnitPrice(c);
        if (u < bestUnitPrice) {
            best = k;
            bestUnitPrice = u;
        }
    }
    return best;
}
