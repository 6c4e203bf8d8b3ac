// Measures Copy shop of the largest shop of the generated large database (its items and its aisles with
// the floor plan, as the dialog copies them by default).

#include "BenchFolder.h"
#include "ShopCopier.h"

#include "Database.h"
#include "EngineError.h"
#include "PriceLog.h"
#include "Query.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The shop with the most items, and how many it has.
std::pair<int, int> largestShop(engine::Database& db) {
    engine::Query q(&db);
    q.setSql(
        QStringLiteral("SELECT Shop, COUNT(*) AS N FROM Items GROUP BY Shop ORDER BY N DESC, Shop LIMIT 1"));
    q.open();
    return {q.field(QStringLiteral("Shop")).asInteger(), q.field(QStringLiteral("N")).asInteger()};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // catalogue_bench [database folder]: a folder without a database gets a generated one and keeps it.
    const BenchFolder bench(app.arguments().value(1));
    const QString& folder = bench.path();
    try {
        bench.generateIfEmpty();
        engine::Database db(folder);
        const auto [shop, items] = largestShop(db);
        double best = 1e300;
        for (int run = 0; run < 5; ++run) {
            const auto start = Clock::now();
            const int copy = catalogue::ShopCopier(db).copy(
                shop, QStringLiteral("Bench copy %1 %2").arg(QCoreApplication::applicationPid()).arg(run),
                catalogue::CopyShopOptions{});
            best = std::min(best, secondsSince(start));
            // The copy goes again, so that every run copies the same shop into a database of the same size.
            engine::Transaction tx(db);
            if (PriceLog::exists(db))
                db.execute(QStringLiteral("DELETE FROM PriceLog WHERE Shop = ?1"),
                           {engine::Value{std::int64_t{copy}}});
            db.execute(QStringLiteral("DELETE FROM Items WHERE Shop = ?1"),
                       {engine::Value{std::int64_t{copy}}});
            db.execute(QStringLiteral("DELETE FROM Aisles WHERE Shop = ?1"),
                       {engine::Value{std::int64_t{copy}}});
            db.execute(QStringLiteral("DELETE FROM Shops WHERE ShopID = ?1"),
                       {engine::Value{std::int64_t{copy}}});
            tx.commit();
        }
        std::printf("Copy shop of the largest shop (%d items): %.3f s (best of 5)\n", items, best);
        return 0;
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 2;
    }
}
