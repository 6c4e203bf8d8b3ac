#pragma once

// The cheapest-cover search in its plain form: every option is tried afresh, nothing is remembered. Kept
// only as the yardstick that the remembering search must match bit for bit, and be measured against.

#include "CheapestCover.h"
#include "OptimizeItem.h"

#include <algorithm>
#include <vector>

class ReferenceCover {
public:
    explicit ReferenceCover(std::vector<OptimizeItem> candidates)
        : c_(std::move(candidates)), scratch_(c_.size() + 1, std::vector<int>(c_.size(), 0)) {}

    CoverResult find(int amount, int start) {
        CoverResult r;
        r.quantities.assign(c_.size(), 0);
        r.cost = search(amount, start, r.quantities, 0);
        return r;
    }

private:
    static float optionCost(int units, float price, float rest) {
        return static_cast<float>(static_cast<double>(units) * static_cast<double>(price) +
                                  static_cast<double>(rest));
    }

    // Writes the quantities of candidates i.. into out; depth picks this level's scratch buffer.
    float search(int amount, int i, std::vector<int>& out, size_t depth) {
        const size_t n = c_.size();
        std::fill(out.begin() + i, out.end(), 0);
        const OptimizeItem& ci = c_[static_cast<size_t>(i)];
        if (amount == 0 || ci.Price == 0)
            return 0.0f;
        const int units = static_cast<int>(UnitsToCover(amount, ci.Size));
        float best = optionCost(units, ci.Price, 0.0f);
        out[static_cast<size_t>(i)] = units;
        if (static_cast<size_t>(i) + 1 == n || ci.Size >= amount)
            return best;
        std::vector<int>& tmp = scratch_[depth];
        for (int m = units - 1; m >= 1; --m) {
            for (size_t j = static_cast<size_t>(i) + 1; j < n; ++j) {
                if (c_[j].Price == 0)
                    continue;
                const float cost = optionCost(
                    m, ci.Price, search(amount - m * ci.Size, static_cast<int>(j), tmp, depth + 1));
                if (cost < best) {
                    best = cost;
                    std::fill(out.begin() + i, out.end(), 0);
                    out[static_cast<size_t>(i)] = m;
                    std::copy(tmp.begin() + static_cast<long>(j), tmp.end(),
                              out.begin() + static_cast<long>(j));
                }
            }
        }
        return best;
    }

    std::vector<OptimizeItem> c_;
    std::vector<std::vector<int>> scratch_;
};
