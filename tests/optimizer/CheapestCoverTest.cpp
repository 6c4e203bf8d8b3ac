#include "CheapestCover.h"
#include "Helpers.h"
#include "ProductOptimizer.h"
#include "ReferenceCover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>

namespace {

OptimizeItem item(int id, int size, double price, int quantity = 0) {
    return OptimizeItem{id, RoundPrice(price), size, quantity};
}

std::uint32_t bits(float f) {
    return std::bit_cast<std::uint32_t>(f);
}

// Random candidates as the query hands them over: largest size first.
std::vector<OptimizeItem> randomCandidates(std::mt19937& rng, int count, int maxSize, int maxCents) {
    std::vector<OptimizeItem> c;
    for (int k = 0; k < count; ++k) {
        const int size = std::uniform_int_distribution<int>(1, maxSize)(rng);
        const bool free = std::uniform_int_distribution<int>(0, 9)(rng) == 0;
        const int cents = free ? 0 : std::uniform_int_distribution<int>(0, maxCents)(rng);
        c.push_back(item(k + 1, size, cents / 100.0));
    }
    std::stable_sort(c.begin(), c.end(),
                     [](const OptimizeItem& a, const OptimizeItem& b) { return a.Size > b.Size; });
    return c;
}

void expectSameCover(const CoverResult& ours, const CoverResult& reference, const char* where) {
    ASSERT_EQ(bits(ours.cost), bits(reference.cost))
        << where << ": " << ours.cost << " vs " << reference.cost;
    ASSERT_EQ(ours.quantities, reference.quantities) << where;
}

} // namespace

TEST(CheapestCover, WorkedExampleCoversEachStartAndPicksTheFirstCheapest) {
    // X (4 for 3.00), Y (2 for 1.80), Z (1 for 1.00), amount 5.
    const std::vector<OptimizeItem> c{item(10, 4, 3.00), item(20, 2, 1.80), item(30, 1, 1.00)};
    CheapestCover cover(c);
    const CoverResult r0 = cover.find(5, 0);
    EXPECT_EQ(bits(r0.cost), bits(RoundPrice(4.00)));
    EXPECT_EQ(r0.quantities, (std::vector<int>{1, 0, 1}));
    const CoverResult r1 = cover.find(5, 1);
    EXPECT_EQ(bits(r1.cost), bits(RoundPrice(4.60)));
    EXPECT_EQ(r1.quantities, (std::vector<int>{0, 2, 1}));
    const CoverResult r2 = cover.find(5, 2);
    EXPECT_EQ(bits(r2.cost), bits(RoundPrice(5.00)));
    EXPECT_EQ(r2.quantities, (std::vector<int>{0, 0, 5}));

    const auto best = ProductOptimizer::OptimizeProduct(c, 5);
    ASSERT_TRUE(best.has_value());
    ASSERT_EQ(best->size(), 2u);
    EXPECT_EQ((*best)[0].ItemID, 10);
    EXPECT_EQ((*best)[0].Quantity, 1);
    EXPECT_EQ((*best)[1].ItemID, 30);
    EXPECT_EQ((*best)[1].Quantity, 1);
    EXPECT_FALSE(ProductOptimizer::SameItems(*best, {item(30, 1, 1.00, 5)}));
    EXPECT_TRUE(ProductOptimizer::SameItems(*best, {item(30, 1, 1.00, 1), item(10, 4, 3.00, 1)}));
    EXPECT_FALSE(ProductOptimizer::SameItems(*best, {item(30, 1, 1.00, 1), item(10, 4, 3.00, 2)}));
}

TEST(CheapestCover, RemembersExactlyWhatTheFullSearchFinds) {
    std::mt19937 rng(4711);
    for (int product = 0; product < 10000; ++product) {
        const int count = std::uniform_int_distribution<int>(1, 8)(rng);
        const std::vector<OptimizeItem> c = randomCandidates(rng, count, 12, 2000);
        CheapestCover ours(c);
        ReferenceCover reference(c);
        // Two amounts on the same search, in either order, so remembered covers are reused across calls.
        for (int round = 0; round < 2; ++round) {
            const int amount = std::uniform_int_distribution<int>(1, 60)(rng);
            for (int start = 0; start < count; ++start) {
                SCOPED_TRACE(testing::Message()
                             << "product " << product << " amount " << amount << " start " << start);
                const CoverResult r = ours.find(amount, start);
                expectSameCover(r, reference.find(amount, start), "cover");
                if (r.cost > 0) {
                    // A real cover reaches the amount and uses nothing without a price.
                    std::int64_t covered = 0;
                    for (size_t k = 0; k < c.size(); ++k) {
                        covered += std::int64_t{r.quantities[k]} * c[k].Size;
                        if (c[k].Price == 0) {
                            ASSERT_EQ(r.quantities[k], 0);
                        }
                    }
                    ASSERT_GE(covered, amount);
                }
            }
            const auto ourBest = ProductOptimizer::OptimizeProduct(c, amount);
            const auto refBest = ProductOptimizer::OptimizeProduct(
                c, amount, [&reference](int a, int s) { return reference.find(a, s); });
            ASSERT_EQ(ourBest.has_value(), refBest.has_value());
            if (ourBest) {
                ASSERT_EQ(ourBest->size(), refBest->size());
                for (size_t k = 0; k < ourBest->size(); ++k) {
                    ASSERT_EQ((*ourBest)[k].ItemID, (*refBest)[k].ItemID);
                    ASSERT_EQ((*ourBest)[k].Quantity, (*refBest)[k].Quantity);
                }
            }
        }
    }
}

TEST(CheapestCover, LargeAmountsBeyondTheDenseTableMatchTheFullSearch) {
    // Covers beyond the dense table's limit (amount x candidates above two million) go to a hash map.
    std::mt19937 rng(99);
    for (int product = 0; product < 3; ++product) {
        std::vector<OptimizeItem> c;
        for (int k = 0; k < 30; ++k)
            c.push_back(item(k + 1, std::uniform_int_distribution<int>(600000, 2000000)(rng),
                             std::uniform_int_distribution<int>(1, 5000)(rng) / 100.0));
        std::stable_sort(c.begin(), c.end(),
                         [](const OptimizeItem& a, const OptimizeItem& b) { return a.Size > b.Size; });
        CheapestCover ours(c);
        ReferenceCover reference(c);
        ours.find(100, 0); // a small amount first: the dense table then cannot grow far enough
        for (int start = 0; start < 30; start += 7)
            expectSameCover(ours.find(2100000 + product, start), reference.find(2100000 + product, start),
                            "large");
    }
}

TEST(CheapestCover, ItemsWithoutPriceAreNeverChosen) {
    // A free big pack first: a cover starting there costs 0 and is not kept; the paid items cover it all.
    const std::vector<OptimizeItem> c{item(1, 10, 0.0), item(2, 3, 1.00), item(3, 1, 0.0), item(4, 1, 0.50)};
    const auto best = ProductOptimizer::OptimizeProduct(c, 7);
    ASSERT_TRUE(best.has_value());
    int covered = 0;
    for (const OptimizeItem& b : *best) {
        EXPECT_GT(b.Price, 0.0f) << b.ItemID;
        covered += b.Quantity * b.Size;
    }
    EXPECT_GE(covered, 7);
    // Only free items: nothing to choose.
    EXPECT_FALSE(ProductOptimizer::OptimizeProduct({item(1, 10, 0.0), item(2, 1, 0.0)}, 5).has_value());
    // A single item or no amount: left alone.
    EXPECT_FALSE(ProductOptimizer::OptimizeProduct({item(1, 10, 2.0)}, 5).has_value());
    EXPECT_FALSE(ProductOptimizer::OptimizeProduct({item(1, 10, 2.0), item(2, 5, 1.0)}, 0).has_value());
}

TEST(CheapestItems, LowestUnitPriceWinsFirstAmongEqualsAndTheCurrentItemOnATie) {
    const OptimizeItem a = item(1, 500, 2.50, 3);
    const OptimizeItem b = item(2, 1000, 4.00);
    EXPECT_EQ(ProductOptimizer::CheapestItemIndex(a, {a, b}), 1);
    EXPECT_EQ(UnitsToCover(std::int64_t{3} * 500, b.Size), 2);

    // Two cheaper items at the same unit price: the first met.
    const OptimizeItem c = item(3, 2000, 8.00);
    EXPECT_EQ(ProductOptimizer::CheapestItemIndex(a, {a, c, b}), 1);
    EXPECT_EQ(ProductOptimizer::CheapestItemIndex(a, {a, b, c}), 1);
    // Equal to the current item: it stays.
    EXPECT_EQ(ProductOptimizer::CheapestItemIndex(b, {c, b}), -1);
    // Free, sizeless and negatively priced candidates never win; a free current item always stays.
    EXPECT_EQ(
        ProductOptimizer::CheapestItemIndex(a, {item(4, 500, 0.0), item(5, 0, 1.0), item(6, 500, -1.0)}), -1);
    EXPECT_EQ(ProductOptimizer::CheapestItemIndex(item(7, 500, 0.0, 1), {a, b}), -1);
}

TEST(OptimizeItem, SizesOfZeroOrLessAndNegativePricesTakeNoPart) {
    EXPECT_TRUE(IsOptimizable(item(1, 1, 0.0)));
    EXPECT_FALSE(IsOptimizable(item(1, 0, 1.0)));
    EXPECT_FALSE(IsOptimizable(item(1, -5, 1.0)));
    EXPECT_FALSE(IsOptimizable(item(1, 5, -0.01)));
}
