#pragma once

#include "OptimizeItem.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The cheapest way to cover at least an amount with the candidates from a start index on.
struct CoverResult {
    float cost = 0;
    std::vector<int> quantities; // one per candidate; 0 before the start and for candidates not used
};

// The cheapest-trip search over one product's candidates (largest size first). The cover of (amount, start)
// depends only on those two for a given candidate list, so each one is worked out once and remembered; the
// options are tried in a fixed order and a later one wins only when strictly cheaper, so the result is the
// same as trying every option afresh. An option whose cost cannot come below the best one found so far is
// not explored: it could never replace it.
class CheapestCover {
public:
    // The candidates must all pass IsOptimizable.
    explicit CheapestCover(const std::vector<OptimizeItem>& candidates);

    int size() const { return static_cast<int>(nodes_.size()); }

    // amount >= 0, 0 <= start < size().
    CoverResult find(int amount, int start);
    // The cost alone.
    float cost(int amount, int start);
    // A value that no cover of (amount, start) costs less than, rounding of the stored sums included.
    double lowerBound(int amount, int start) const;

private:
    // The choice made for one (amount, start): `units` of the start candidate, then the cover of what is
    // left starting at candidate link - 2. A zeroed entry (link 0) is not worked out yet; link 1 means
    // nothing more, so a new table is plain zeroed memory.
    struct Entry {
        float cost;
        int link;
        int units;
        int next() const { return link - 2; }
    };
    static constexpr int kUnknown = 0;
    static constexpr int kNothingMore = 1;
    static int linkTo(int candidate) { return candidate + 2; }

    // One candidate and what the bounds need from the candidates after it.
    struct Node {
        float price = 0;
        int size = 0;
        int nextPriced = 0;         // first candidate after this one with a price above 0; size() if none
        double lowestUnitPrice = 0; // lowest price per unit among the priced candidates from here on
        double lowestPrice = 0;     // lowest price among them (both infinite when there is none)
    };

    // No cover of (amount, j) for any priced j >= start costs less; it only grows with start. For amount > 0
    // and a start with a priced candidate at or after it.
    double suffixBound(int amount, int start) const {
        const Node& node = nodes_[static_cast<size_t>(start)];
        return roundingAllowance_ * std::max(amount * node.lowestUnitPrice, node.lowestPrice);
    }
    Entry& slot(int amount, int start);
    const Entry& solve(int amount, int start);
    void reserveFor(int amount);

    std::vector<Node> nodes_;
    double roundingAllowance_ = 0; // how far the rounded sums of a cover may fall below its exact cost
    // Dense table (amount-major, zeroed) while it stays small, a hash map for amounts beyond it.
    int denseAmounts_ = 0;
    std::vector<Entry> dense_;
    std::unordered_map<std::uint64_t, Entry> sparse_;
};
