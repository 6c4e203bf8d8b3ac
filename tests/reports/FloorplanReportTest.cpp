#include "FloorplanReport.h"

#include "Database.h"
#include "PdfPages.h"
#include "PrintJob.h"
#include "Query.h"
#include "RecordingCanvas.h"
#include "RenderFloorplan.h"
#include "Schema.h"
#include "ShopAisles.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <stdexcept>

using namespace reports;

namespace {

void place(ShopAisles& plan, const QString& name, int l, int t, int r, int b) {
    FloorAisle a;
    a.CatName = name;
    a.RectLeft = l;
    a.RectTop = t;
    a.RectRight = r;
    a.RectBottom = b;
    plan.append(a);
}

void unplaced(ShopAisles& plan, const QString& name) {
    FloorAisle a;
    a.CatName = name;
    plan.append(a);
}

FloorplanPage page(QSize size, int mx, int my, QSize dpi) {
    FloorplanPage p;
    p.size = size;
    p.sideMargin = mx;
    p.topMargin = my;
    p.dpi = dpi;
    return p;
}

// The device point of a plan point, as the drawing routine maps it.
QPoint device(const FloorplanFit& fit, int x, int y) {
    return {static_cast<int>(std::nearbyint(x * static_cast<double>(fit.scaleX))) - fit.offset.x(),
            static_cast<int>(std::nearbyint(y * static_cast<double>(fit.scaleY))) - fit.offset.y()};
}

} // namespace

TEST(FloorplanExtent, OnlyPlacedAislesCount) {
    ShopAisles plan;
    EXPECT_FALSE(placedExtent(plan).has_value());
    unplaced(plan, "Bread");
    EXPECT_FALSE(placedExtent(plan).has_value());
    place(plan, "Fruit", 40, 60, 100, 80);
    unplaced(plan, "Milk");
    place(plan, "Meat", 20, 100, 60, 300);
    const auto e = placedExtent(plan);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->minLeft, 20);
    EXPECT_EQ(e->minTop, 60);
    EXPECT_EQ(e->maxRight, 100);
    EXPECT_EQ(e->maxBottom, 300);

    // An inverted rectangle counts with its edges in order.
    place(plan, "Tea", 400, 500, 10, 30);
    const auto inverted = placedExtent(plan);
    EXPECT_EQ(QList<int>({inverted->minLeft, inverted->minTop, inverted->maxRight, inverted->maxBottom}),
              QList<int>({10, 30, 400, 500}));
}

TEST(FloorplanScale, AWidePlanIsLimitedByThePageWidthAndATallOneByItsHeight) {
    // 600 dpi both ways: a grid step may take up to 240 dots, far more than these plans get.
    const FloorplanPage p = page({1000, 800}, 30, 40, {600, 600});
    const FloorplanFit wide = fitFloorplanScale({0, 0, 2000, 100}, p);
    EXPECT_FLOAT_EQ(wide.scaleX, 940.0f / 2000);
    EXPECT_EQ(wide.scaleY, wide.scaleX);
    EXPECT_EQ(device(wide, 2000, 0).x(), 970); // right edge of the plan area

    const FloorplanFit tall = fitFloorplanScale({0, 0, 100, 3600}, p);
    EXPECT_FLOAT_EQ(tall.scaleY, 720.0f / 3600);
    EXPECT_EQ(tall.scaleX, tall.scaleY);
    EXPECT_EQ(device(tall, 0, 3600).y(), 760); // bottom edge of the plan area
}

TEST(FloorplanScale, ASmallPlanIsEnlargedOnlyUntilAGridStepMeasuresTwoFifthsOfAnInch) {
    const FloorplanPage p = page({4800, 6600}, 60, 200, {300, 300});
    const FloorplanFit across = fitFloorplanScale({0, 0, 100, 50}, p);
    EXPECT_FLOAT_EQ(across.scaleX, 6.0f); // 20 plan units = 120 dots = 0.4 inch
    EXPECT_FLOAT_EQ(across.scaleY, 6.0f);
    // A narrow column of aisles, whose height binds, still reaches 0.4 inch a grid step when the page
    // allows more in both directions.
    const FloorplanFit column = fitFloorplanScale({0, 0, 40, 200}, page({4800, 6600}, 50, 200, {600, 600}));
    EXPECT_FLOAT_EQ(column.scaleX, 12.0f);
    EXPECT_FLOAT_EQ(column.scaleY, 12.0f);
}

TEST(FloorplanScale, UnequalDotsKeepTheShapeOnPaper) {
    // 600 across, 300 down: the plan's horizontal scale is twice its vertical one, in dots.
    const FloorplanPage p = page({4800, 3300}, 60, 40, {600, 300});
    const FloorplanFit big = fitFloorplanScale({0, 0, 2000, 2000}, p);
    EXPECT_FLOAT_EQ(big.scaleX, 4680.0f / 2000);
    EXPECT_EQ(big.scaleX, 2 * big.scaleY);

    // A small plan: 0.4 inch a grid step is 240 dots across and 120 down.
    const FloorplanFit small = fitFloorplanScale({0, 0, 100, 100}, p);
    EXPECT_FLOAT_EQ(small.scaleX, 12.0f);
    EXPECT_FLOAT_EQ(small.scaleY, 6.0f);
}

TEST(FloorplanScale, TheExtentsCornerLandsOnThePlanAreasCorner) {
    const FloorplanPage p = page({1000, 800}, 30, 40, {600, 600});
    const FloorplanFit fit = fitFloorplanScale({100, 300, 500, 400}, p);
    EXPECT_FLOAT_EQ(fit.scaleX, 940.0f / 400);
    EXPECT_EQ(device(fit, 100, 300), QPoint(30, 40));
    EXPECT_EQ(device(fit, 500, 300).x(), 970);
}

TEST(FloorplanScale, AnUnreadableResolutionNeitherLimitsNorDistorts) {
    const FloorplanFit fit = fitFloorplanScale({0, 0, 10, 20}, page({1000, 800}, 30, 40, {0, 0}));
    EXPECT_FLOAT_EQ(fit.scaleY, 720.0f / 20);
    EXPECT_EQ(fit.scaleX, fit.scaleY);
    EXPECT_DOUBLE_EQ(floorplanAspect({0, 300}), 1.0);
    EXPECT_DOUBLE_EQ(floorplanAspect({600, 300}), 2.0);
}

TEST(FloorplanScale, AnAisleWithoutWidthOrHeightStillGivesAFiniteScale) {
    const FloorplanFit fit = fitFloorplanScale({40, 40, 40, 40}, page({1000, 800}, 30, 40, {600, 600}));
    EXPECT_TRUE(std::isfinite(fit.scaleX));
    EXPECT_TRUE(std::isfinite(fit.scaleY));
    EXPECT_LE(ShopAisles::GridStep * fit.scaleX, 240.0f);
}

TEST(FloorplanLabelSize, StaysBetweenOneAndTwentyPoints) {
    const auto tenPerPoint = [](int points) { return 10 * points; };
    // Screen width 54 at scale 1: 60 (6 points) is the first to exceed it, so 5 points.
    EXPECT_EQ(fitFloorplanLabelSize(1.0f, 1.0, 54, tenPerPoint), 5);
    // Exceeding means more than: 60 does not exceed 60.
    EXPECT_EQ(fitFloorplanLabelSize(1.0f, 1.0, 60, tenPerPoint), 6);
    // The aspect divides the horizontal scale out again.
    EXPECT_EQ(fitFloorplanLabelSize(2.0f, 2.0, 54, tenPerPoint), 5);
    EXPECT_EQ(fitFloorplanLabelSize(2.0f, 1.0, 54, tenPerPoint), 10);
    EXPECT_EQ(fitFloorplanLabelSize(0.01f, 1.0, 54, tenPerPoint), 1);
    EXPECT_EQ(fitFloorplanLabelSize(100.0f, 1.0, 54, tenPerPoint), 20);
    // Sizes are tried from the smallest up; nothing beyond 20 is measured.
    int largest = 0;
    fitFloorplanLabelSize(100.0f, 1.0, 54, [&](int points) {
        largest = std::max(largest, points);
        return 10 * points;
    });
    EXPECT_EQ(largest, 20);
}

TEST(FloorplanHeading, NameAndTrimmedAddress) {
    EXPECT_EQ(floorplanHeading("Corner Shop", ""), "Corner Shop");
    EXPECT_EQ(floorplanHeading("Corner Shop", "   "), "Corner Shop");
    EXPECT_EQ(floorplanHeading("Corner Shop", "  1 High St "), "Corner Shop, 1 High St");
}

class FloorplanReportTest : public ::testing::Test {
protected:
    FloorplanReportTest() : db(temp.path()), query(&db) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
        source.query = &query;
        engine::Table t(&db, QStringLiteral("Shops"));
        t.open();
        t.append();
        t.field(QStringLiteral("ShopName")).setString(QStringLiteral("Market"));
        t.field(QStringLiteral("Address")).setString(QStringLiteral(" 2 Quay Rd "));
        t.post();
        shop = t.field(QStringLiteral("ShopID")).asInteger();
    }

    struct Rendered {
        int fontSize = 0;
        float sx = 0, sy = 0;
        QPoint offset;
        QFont font;
        int calls = 0;
    };

    std::unique_ptr<FloorplanReport> report(Rendered& r) {
        return std::make_unique<FloorplanReport>(
            source, plan, shop,
            [&r](Canvas& c, int fontSize, float sx, float sy, QPoint offset) {
                r = {fontSize, sx, sy, offset, c.font(), r.calls + 1};
            },
            viewFont(), 54);
    }

    static QFont viewFont() {
        QFont f(QStringLiteral("Tahoma"));
        f.setBold(true);
        return f;
    }

    TempFolder temp;
    engine::Database db;
    engine::Query query;
    ReportSource source;
    ShopAisles plan;
    int shop = 0;
};

TEST_F(FloorplanReportTest, NothingToPrintWithoutAPlacedAisle) {
    Rendered r;
    EXPECT_EQ(report(r)->prepare(), "There are no aisles to print.");
    unplaced(plan, "Bread");
    EXPECT_EQ(report(r)->prepare(), "There are no aisles to print.");
    place(plan, "Fruit", 0, 0, 40, 40);
    EXPECT_EQ(report(r)->prepare(), "");
    EXPECT_FALSE(query.isOpen());
    EXPECT_EQ(r.calls, 0);
}

TEST_F(FloorplanReportTest, AShopThatIsGoneIsNamedInTheMessage) {
    place(plan, "Fruit", 0, 0, 40, 40);
    shop = 77;
    Rendered r;
    EXPECT_EQ(report(r)->prepare(), "There is no shop with the id 77.");
}

TEST_F(FloorplanReportTest, HeadingThenThePlanFittedBelowIt) {
    unplaced(plan, "Bread");
    place(plan, "Fruit", 100, 40, 1100, 140);
    place(plan, "Meat", 100, 200, 300, 240);
    RecordingCanvas canvas(QSize(1000, 800)); // 6 dots a character, 12 high, 96 dpi
    Rendered r;
    const auto rep = report(r);
    ASSERT_EQ(rep->prepare(), "");
    rep->print(canvas);

    ASSERT_GE(canvas.calls.size(), 3);
    EXPECT_EQ(canvas.calls.front().op, "begin");
    EXPECT_EQ(canvas.calls.front().text, "Floorplan");
    EXPECT_EQ(canvas.calls.back().op, "end");
    EXPECT_TRUE(canvas.of(QStringLiteral("newPage")).isEmpty());
    // h = nearest(1.2 * 12) = 14; side margin "WWW" = 18; top and bottom margin 56. The heading is in the
    // floor plan report font.
    const auto texts = canvas.of(QStringLiteral("text"));
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(texts[0].text, "Market, 2 Quay Rd");
    EXPECT_EQ(texts[0].args, (QList<int>{18, 28}));
    EXPECT_EQ(texts[0].font.family(), "Arial");

    ASSERT_EQ(r.calls, 1);
    // Width: 964 dots for 1000 units; height: 688 for 200. At 96 dpi a grid step may take 38 dots.
    EXPECT_FLOAT_EQ(r.sx, 964.0f / 1000);
    EXPECT_EQ(r.sy, r.sx);
    EXPECT_EQ(r.offset, QPoint(static_cast<int>(std::nearbyint(100 * static_cast<double>(r.sx) - 18)),
                               static_cast<int>(std::nearbyint(40 * static_cast<double>(r.sy) - 56))));
    // The labels take the view's face; the recording canvas measures 54 at every size, which exceeds the
    // target trunc(54 * 0.964) = 52 at once.
    EXPECT_EQ(r.font.family(), "Tahoma");
    EXPECT_TRUE(r.font.bold());
    EXPECT_EQ(r.fontSize, 1);
}

TEST_F(FloorplanReportTest, AShopWithoutAddressIsHeadedByItsNameAlone) {
    engine::Table t(&db, QStringLiteral("Shops"));
    t.open();
    t.append();
    t.field(QStringLiteral("ShopName")).setString(QStringLiteral("Deli"));
    t.post();
    shop = t.field(QStringLiteral("ShopID")).asInteger();
    place(plan, "Fruit", 0, 0, 40, 40);
    RecordingCanvas canvas;
    Rendered r;
    const auto rep = report(r);
    ASSERT_EQ(rep->prepare(), "");
    rep->print(canvas);
    ASSERT_EQ(canvas.of(QStringLiteral("text")).size(), 1);
    EXPECT_EQ(canvas.of(QStringLiteral("text"))[0].text, "Deli");
}

TEST_F(FloorplanReportTest, TheStoredPlanPrintsItsPlacedAislesWithArrowsInThePrintedForm) {
    engine::Table cats(&db, QStringLiteral("Categories"));
    cats.open();
    const auto category = [&](const QString& name) {
        cats.append();
        cats.field(QStringLiteral("CatName")).setString(name);
        cats.post();
        return cats.field(QStringLiteral("CatID")).asInteger();
    };
    engine::Table aisles(&db, QStringLiteral("Aisles"));
    aisles.open();
    const auto aisle = [&](int cat, double seq, int l, int t, int r, int b) {
        aisles.append();
        aisles.field(QStringLiteral("Shop")).setInteger(shop);
        aisles.field(QStringLiteral("Category")).setInteger(cat);
        aisles.field(QStringLiteral("Sequence")).setFloat(seq);
        for (const auto& [name, v] :
             {std::pair{"RectLeft", l}, {"RectTop", t}, {"RectRight", r}, {"RectBottom", b}})
            aisles.field(QLatin1String(name)).setInteger(v);
        aisles.post();
    };
    aisle(category("Fruit"), 100, 20, 20, 99, 39);
    aisle(category("Bread"), 110, -1, 0, 0, 0);
    aisle(category("Meat"), 120, 20, 100, 99, 119);
    source.settings.fpBlack = true;

    const auto rep = makeStoredFloorplanReport(source, QString::number(shop));
    ASSERT_EQ(rep->prepare(), "");
    RecordingCanvas canvas(QSize(1000, 800));
    rep->print(canvas);
    // Two rectangles, no background fill or grid; outlines only ("Black only"); one arrow between them with
    // a dot at each centre drawn as a circle.
    EXPECT_EQ(canvas.of(QStringLiteral("rectangle")).size(), 2);
    EXPECT_TRUE(canvas.of(QStringLiteral("pixel")).isEmpty());
    EXPECT_TRUE(canvas.of(QStringLiteral("fill")).isEmpty());
    for (const auto& c : canvas.of(QStringLiteral("rectangle")))
        EXPECT_EQ(c.brushStyle, Canvas::BrushStyle::Clear);
    EXPECT_EQ(canvas.of(QStringLiteral("ellipse")).size(), 2);
    QStringList labels;
    for (const auto& c : canvas.of(QStringLiteral("textRect")))
        labels << c.text;
    EXPECT_EQ(labels, (QStringList{"Fruit", "Meat"}));

    EXPECT_EQ(makeStoredFloorplanReport(source, QStringLiteral("999"))->prepare(),
              "There is no shop with the id 999.");
    EXPECT_THROW(makeStoredFloorplanReport(source, QStringLiteral("x1")), std::invalid_argument);
    EXPECT_THROW(makeStoredFloorplanReport(source, QStringLiteral("0")), std::invalid_argument);
}

TEST_F(FloorplanReportTest, DottedArrowsPrintDotsAReaderCanSee) {
    // Two aisles one above the other: the connecting line runs straight down the page.
    place(plan, "Fruit", 100, 0, 200, 20);
    place(plan, "Meat", 100, 400, 200, 420);
    const FloorplanPrintStyle dotted{false, true};
    FloorplanReport rep(
        source, plan, shop,
        [this, dotted](Canvas& c, int fontSize, float sx, float sy, QPoint offset) {
            RenderFloorplan(c, plan, true, fontSize, sx, sy, offset, true, dotted);
        },
        viewFont(), 54);
    ASSERT_EQ(rep.prepare(), "");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temp.file(QStringLiteral("plan.pdf")));
    reports::printReport(rep, printer);

    // At 300 dpi the line's column holds green dots with paper between them, dots at least two pixels long
    // and the line at least two wide (a hairline's dots at 1,200 dpi were a fraction of a pixel: a faint
    // solid line).
    const QImage page = pdfImage(temp.file(QStringLiteral("plan.pdf")), 1, 300);
    ASSERT_FALSE(page.isNull());
    const auto green = [&](int x, int y) {
        if (x < 0 || x >= page.width())
            return false;
        const QColor c = page.pixelColor(x, y);
        return c.green() > 90 && c.red() < 90 && c.blue() < 90;
    };
    int column = -1, most = 0;
    for (int x = 0; x < page.width(); ++x) {
        int n = 0;
        for (int y = 0; y < page.height(); ++y)
            n += green(x, y) ? 1 : 0;
        if (n > most) {
            most = n;
            column = x;
        }
    }
    ASSERT_GE(column, 0);
    QList<int> dots; // lengths of the green runs down the column
    int wide = 0;
    for (int y = 0; y < page.height(); ++y) {
        if (!green(column, y))
            continue;
        if (y == 0 || !green(column, y - 1))
            dots << 0;
        ++dots.back();
        wide += green(column - 1, y) || green(column + 1, y) ? 1 : 0;
    }
    ASSERT_GE(dots.size(), 10) << "a solid line";
    const auto visible = std::count_if(dots.begin(), dots.end(), [](int length) { return length >= 2; });
    EXPECT_GE(visible, dots.size() / 2) << "dots too small to see";
    EXPECT_GT(wide, most / 2) << "a line one pixel wide";
}
