// Measures the cheapest-trip search against the plain recursive search it replaces, and whole optimizer
// runs (with their table writes) and undo on a generated database.

#include "CheapestCover.h"
#include "Helpers.h"
#include "LargeDatabase.h"
#include "PriceOptimizer.h"
#include "ProductOptimizer.h"
#include "ReferenceCover.h"

#include "Database.h"
#include "Query.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Product {
    std::vector<OptimizeItem> candidates;
    int amount = 0;
};

std::vector<Product> randomProducts(int count, int candidates, int maxSize, int minAmount, int maxAmount,
                                    std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Product> out;
    for (int p = 0; p < count; ++p) {
        Product product;
        for (int k = 0; k < candidates; ++k) {
            const bool free = std::uniform_int_distribution<int>(0, 9)(rng) == 0;
            const int cents = free ? 0 : std::uniform_int_distribution<int>(1, 2000)(rng);
            product.candidates.push_back(OptimizeItem{
                k + 1, RoundPrice(cents / 100.0), std::uniform_int_distribution<int>(1, maxSize)(rng), 0});
        }
        std::stable_sort(product.candidates.begin(), product.candidates.end(),
                         [](const OptimizeItem& a, const OptimizeItem& b) { return a.Size > b.Size; });
        product.amount = std::uniform_int_distribution<int>(minAmount, maxAmount)(rng);
        out.push_back(std::move(product));
    }
    return out;
}

using Choice = std::optional<std::vector<OptimizeItem>>;

bool same(const Choice& a, const Choice& b) {
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    if (a->size() != b->size())
        return false;
    for (size_t k = 0; k < a->size(); ++k)
        if ((*a)[k].ItemID != (*b)[k].ItemID || (*a)[k].Quantity != (*b)[k].Quantity)
            return false;
    return true;
}

// The best of a few runs, which keeps other work on the machine out of the figure.
template <class Work> double bestSeconds(int runs, Work&& work) {
    double best = 1e300;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        work();
        best = std::min(best, secondsSince(start));
    }
    return best;
}

// Ours against the plain search, on products with 8 candidates and amounts up to 60.
bool compareWithReference() {
    const std::vector<Product> products = randomProducts(1000, 8, 12, 1, 60, 20240611);
    std::vector<Choice> ours(products.size());
    std::vector<Choice> reference(products.size());

    const double referenceSeconds = bestSeconds(3, [&] {
        for (size_t p = 0; p < products.size(); ++p) {
            ReferenceCover cover(products[p].candidates);
            reference[p] =
                ProductOptimizer::OptimizeProduct(products[p].candidates, products[p].amount,
                                                  [&cover](int a, int s) { return cover.find(a, s); });
        }
    });
    const double ourSeconds = bestSeconds(20, [&] {
        for (size_t p = 0; p < products.size(); ++p)
            ours[p] = ProductOptimizer::OptimizeProduct(products[p].candidates, products[p].amount);
    });

    // Same choices, and the same cost bits and quantities for every start.
    bool identical = true;
    for (size_t p = 0; p < products.size(); ++p) {
        identical = identical && same(ours[p], reference[p]);
        CheapestCover cover(products[p].candidates);
        ReferenceCover plain(products[p].candidates);
        for (int s = 0; s < 8; ++s) {
            const CoverResult a = cover.find(products[p].amount, s);
            const CoverResult b = plain.find(products[p].amount, s);
            identical = identical &&
                        std::bit_cast<std::uint32_t>(a.cost) == std::bit_cast<std::uint32_t>(b.cost) &&
                        a.quantities == b.quantities;
        }
    }
    const double ratio = referenceSeconds / ourSeconds;
    std::printf(
        "8 candidates, amounts 1-60, %zu products: reference %.4f s, ours %.5f s (%.2f us per product), "
        "ratio %.0fx (target >= 100x), results %s\n",
        products.size(), referenceSeconds, ourSeconds,
        1e6 * ourSeconds / static_cast<double>(products.size()), ratio,
        identical ? "identical" : "DIFFERENT");
    return identical && ratio >= 100;
}

void largeProducts() {
    const std::vector<Product> products = randomProducts(5, 30, 12, 2000, 2000, 7);
    double total = 0;
    double worst = 0;
    for (const Product& p : products) {
        const auto start = Clock::now();
        const Choice choice = ProductOptimizer::OptimizeProduct(p.candidates, p.amount);
        const double s = secondsSince(start);
        total += s;
        worst = std::max(worst, s);
        if (!choice)
            std::printf("  (no cover found)\n");
    }
    std::printf("30 candidates (sizes 1-12), amount 2000: %.3f s per product on average, %.3f s at worst\n",
                total / static_cast<double>(products.size()), worst);
}

// Keeps the list to the first `products` product types that have items on it.
int limitList(engine::Database& db, int products) {
    db.execute(
        QStringLiteral("UPDATE Items SET Quantity = NULL WHERE Quantity > 0 AND Product NOT IN "
                       "(SELECT DISTINCT Product FROM Items WHERE Quantity > 0 ORDER BY Product LIMIT ?1)"),
        {engine::Value{std::int64_t{products}}});
    engine::Query q(&db);
    q.setSql(
        QStringList{QStringLiteral("SELECT COUNT(DISTINCT Product) AS N FROM Items WHERE Quantity > 0")});
    q.open();
    return q.field(QStringLiteral("N")).asInteger();
}

bool wholeList(const QString& folder) {
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("Items.dat")))) {
        const LargeDatabase::Summary s = LargeDatabase().generate(folder);
        std::printf("Database: generated in %.2f s: %d product types, %d items (%d on the list)\n", s.seconds,
                    s.products, s.items, s.itemsOnList);
    }
    engine::Database db(folder);
    const int onList = limitList(db, 1000);
    bool fast = true;
    for (OptimizeMode mode : {OptimizeMode::CheapestTrip, OptimizeMode::CheapestItems}) {
        auto start = Clock::now();
        const OptimizeResult r = PriceOptimizer(db).run(mode);
        const double optimize = secondsSince(start);
        start = Clock::now();
        UndoOptimization(db);
        const double undo = secondsSince(start);
        std::printf("%s on %d product types: optimize %.3f s (%d items replaced, %s), undo %.3f s%s\n",
                    mode == OptimizeMode::CheapestTrip ? "Cheapest trip" : "Cheapest items", onList, optimize,
                    r.ReplacedCount, qPrintable(r.savingLine), undo,
                    optimize < 1.0 ? "" : "  (target < 1 s)");
        fast = fast && optimize < 1.0;
    }
    return fast;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // optimizer_bench [database folder]: a folder without a database gets a generated one and keeps it.
    QString folder = app.arguments().value(1);
    std::optional<QTemporaryDir> scratch;
    if (folder.isEmpty()) {
        scratch.emplace();
        folder = scratch->path();
    }
    QDir().mkpath(folder);
    try {
        const bool identical = compareWithReference();
        largeProducts();
        const bool fast = wholeList(folder);
        return identical && fast ? 0 : 1;
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 2;
    }
}
