#include "CheapestCover.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Beyond this many remembered covers the table becomes a hash map, so one huge amount cannot take
// hundreds of megabytes.
constexpr std::size_t kDenseLimit = std::size_t{1} << 21;

// Bounds are compared with a margin far above the rounding of the double sums that form them.
const double kKeep = 1.0 - std::ldexp(1.0, -40);

// A cost stored as a 32-bit float, formed in double from an exact product and one sum.
std::uint64_t key(int amount, int start) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(amount)) << 32) |
           static_cast<std::uint32_t>(start);
}

float optionCost(int units, float price, float rest) {
    return static_cast<float>(static_cast<double>(units) * static_cast<double>(price) +
                              static_cast<double>(rest));
}

} // namespace

CheapestCover::CheapestCover(const std::vector<OptimizeItem>& candidates) {
    const int n = static_cast<int>(candidates.size());
    nodes_.resize(candidates.size());
    const double none = std::numeric_limits<double>::infinity();
    int nextPriced = n;
    double lowestUnitPrice = none;
    double lowestPrice = none;
    for (int i = n - 1; i >= 0; --i) {
        const OptimizeItem& c = candidates[static_cast<size_t>(i)];
        Node& node = nodes_[static_cast<size_t>(i)];
        node.price = c.Price;
        node.size = c.Size;
        node.nextPriced = nextPriced;
        if (c.Price != 0) {
            lowestUnitPrice = std::min(lowestUnitPrice, static_cast<double>(c.Price) / c.Size);
            lowestPrice = std::min(lowestPrice, static_cast<double>(c.Price));
            nextPriced = i;
        }
        node.lowestUnitPrice = lowestUnitPrice;
        node.lowestPrice = lowestPrice;
    }
    // A cover's cost is a chain of at most n + 1 sums, each rounded to 32 bits (relative error 2^-24 at
    // most); the unit prices above are within 2^-52. The allowance is generous on top of that.
    roundingAllowance_ = std::max(0.0, 1.0 - (n + 2) * std::ldexp(1.0, -22));
}

double CheapestCover::lowerBound(int amount, int start) const {
    // A cover of (amount, start) buys at least one unit of the start candidate.
    const Node& node = nodes_[static_cast<size_t>(start)];
    if (amount <= 0 || node.price == 0)
        return 0.0;
    // At least the amount at the lowest unit price, and at least one unit of the cheapest item.
    return std::max(suffixBound(amount, start), roundingAllowance_ * static_cast<double>(node.price));
}

void CheapestCover::reserveFor(int amount) {
    if (amount < denseAmounts_)
        return;
    const std::size_t wanted = (static_cast<std::size_t>(amount) + 1) * nodes_.size();
    if (wanted <= kDenseLimit && sparse_.empty()) {
        // Amount-major layout: growing keeps what is already known.
        dense_.resize(wanted);
        denseAmounts_ = amount + 1;
    }
}

CheapestCover::Entry& CheapestCover::slot(int amount, int start) {
    if (amount < denseAmounts_)
        return dense_[static_cast<size_t>(amount) * nodes_.size() + static_cast<size_t>(start)];
    return sparse_[key(amount, start)]; // references into the map stay valid while it grows
}

const CheapestCover::Entry& CheapestCover::solve(int amount, int start) {
    Entry& e = slot(amount, start);
    if (e.link != kUnknown)
        return e;
    const Node& c = nodes_[static_cast<size_t>(start)];
    if (amount == 0 || c.price == 0) {
        e = Entry{0.0f, kNothingMore, 0};
        return e;
    }
    const int n = static_cast<int>(UnitsToCover(amount, c.size));
    Entry best{optionCost(n, c.price, 0.0f), kNothingMore, n};
    const int end = size();
    const int firstLater = c.nextPriced;
    if (start + 1 < end && c.size < amount && firstLater < end) {
        // Options in order: m = n - 1 down to 1 units of this candidate, then the cover of the rest from
        // each later priced candidate j.
        const double allowedUnit =
            roundingAllowance_ * nodes_[static_cast<size_t>(firstLater)].lowestUnitPrice;
        // When this candidate is cheaper per unit than every later one, that part of the bound grows as m
        // falls, so once it reaches the best cost no smaller m can do better.
        const bool risingBound =
            static_cast<double>(c.price) <= allowedUnit * c.size * (1.0 - std::ldexp(1.0, -50));
        for (int m = n - 1; m >= 1; --m) {
            const int rest = amount - m * c.size;
            const double base = static_cast<double>(m) * static_cast<double>(c.price);
            if ((base + allowedUnit * rest) * kKeep >= static_cast<double>(best.cost)) {
                if (risingBound)
                    break;
                continue;
            }
            for (int j = firstLater; j < end; j = nodes_[static_cast<size_t>(j)].nextPriced) {
                // The suffix bound only grows with j: once it reaches the best cost, no later j can beat it.
                if ((base + suffixBound(rest, j)) * kKeep >= static_cast<double>(best.cost))
                    break;
                // A cover from j buys at least one unit of j.
                const double atLeastOne = roundingAllowance_ * nodes_[static_cast<size_t>(j)].price;
                if ((base + atLeastOne) * kKeep >= static_cast<double>(best.cost))
                    continue;
                const float cost = optionCost(m, c.price, solve(rest, j).cost);
                if (cost < best.cost)
                    best = Entry{cost, linkTo(j), m};
            }
        }
    }
    e = best;
    return e;
}

float CheapestCover::cost(int amount, int start) {
    reserveFor(amount);
    return solve(amount, start).cost;
}

CoverResult CheapestCover::find(int amount, int start) {
    reserveFor(amount);
    CoverResult result;
    result.quantities.assign(nodes_.size(), 0);
    result.cost = solve(amount, start).cost;
    for (int a = amount, i = start;;) {
        const Entry& e = solve(a, i);
        result.quantities[static_cast<size_t>(i)] = e.units;
        if (e.link == kNothingMore)
            break;
        a -= e.units * nodes_[static_cast<size_t>(i)].size;
        i = e.next();
    }
    return result;
}
