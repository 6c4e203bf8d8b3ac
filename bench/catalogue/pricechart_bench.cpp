// Measures the Items page's price chart of one item with 1,000 log rows in the generated large database,
// whose other items have a log row each: the item's history read from the log, then the chart drawn at the
// page's size, as a change of the current item does it.

#include "BenchFolder.h"

#include "Database.h"
#include "EngineError.h"
#include "PainterCanvas.h"
#include "PriceChart.h"
#include "PriceHistory.h"
#include "PriceLog.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRows = 1000;
constexpr int kItem = 1;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One row dated the day before for every item, then the measured item's rows a day apart.
void fillLog(engine::Database& db) {
    PriceLog::ensure(db);
    engine::Transaction tx(db);
    const QDateTime start(QDate(2020, 1, 1), QTime(9, 0));
    PriceLog log(db);
    log.recordItems(QStringLiteral("ItemID <> ?1"), {engine::Value{std::int64_t{kItem}}}, start.addDays(-1));
    for (int i = 0; i < kRows; ++i)
        log.record(kItem, 1, 1.00 + (i % 37) * 0.05, engine::Value{std::int64_t{500}}, start.addDays(i));
    tx.commit();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // pricechart_bench [database folder]: a folder without a database gets a generated one and keeps it.
    const BenchFolder bench(app.arguments().value(1));
    const QString& folder = bench.path();
    try {
        bench.generateIfEmpty();
        engine::Database db(folder);
        if (PriceHistory(db).forItem(kItem).size() < static_cast<size_t>(kRows))
            fillLog(db);
        db.close();

        QImage image(240, 110, QImage::Format_RGB32);
        const PriceChart::Colours colours{Qt::white, Qt::gray, Qt::black, Qt::blue};
        double first = 0, best = 1e300;
        size_t points = 0;
        for (int run = 0; run < 20; ++run) {
            const auto start = Clock::now();
            PriceChart chart;
            chart.setHistory(PriceHistory(db).forItem(kItem));
            QPainter painter(&image);
            PainterCanvas canvas(painter);
            chart.draw(canvas, colours);
            painter.end();
            const double ms = millisecondsSince(start);
            points = chart.history().size();
            if (run == 0)
                first = ms;
            best = std::min(best, ms);
        }
        std::printf(
            "Price chart of an item with %zu log rows: first %.1f ms, best of 20 %.1f ms (target 50 ms)\n",
            points, first, best);
        return first <= 50 ? 0 : 3;
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "error: %s\n", qPrintable(e.message()));
        return 2;
    }
}
