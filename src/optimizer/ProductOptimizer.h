#pragma once

#include "OptimizeItem.h"

#include <functional>
#include <optional>
#include <vector>

struct CoverResult;

// The per-product decisions of both optimizer modes, on plain candidate lists.
class ProductOptimizer {
public:
    // The cover search used for one product: (amount, start index) to cost and quantities.
    using CoverSearch = std::function<CoverResult(int amount, int start)>;

    // Cheapest trip: the cheapest combination of the candidates (largest size first, all optimizable) that
    // covers at least `amount`, in candidate order with their new quantities. Nothing for fewer than two
    // candidates, an amount of 0 or no combination with a cost above 0.
    static std::optional<std::vector<OptimizeItem>>
    OptimizeProduct(const std::vector<OptimizeItem>& candidates, int amount);
    // The same with another cover search over the same candidates (for comparing searches).
    static std::optional<std::vector<OptimizeItem>>
    OptimizeProduct(const std::vector<OptimizeItem>& candidates, int amount, const CoverSearch& search);

    // True when the combination is the current items: as many entries, each (item, quantity) among them.
    static bool SameItems(const std::vector<OptimizeItem>& combination,
                          const std::vector<OptimizeItem>& current);

    // Cheapest items: the index of the candidate with a strictly lower price per unit of size than `current`
    // (the first one met among equally cheap ones), or -1 when `current` stays. Candidates without a price
    // above 0 or a size above 0 are skipped.
    static int CheapestItemIndex(const OptimizeItem& current, const std::vector<OptimizeItem>& candidates);

    // Price per unit of size as a 32-bit float (size > 0).
    static float UnitPrice(const OptimizeItem& item) { return item.Price / static_cast<float>(item.Size); }
};
