#include "RenderFloorplan.h"
#include "PainterCanvas.h"
#include "RecordingCanvas.h"
#include "ShopAisles.h"

#include <QImage>
#include <QPalette>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

void add(ShopAisles& plan, int category, const QString& name, QRect r) {
    FloorAisle a;
    a.Category = category;
    a.CatName = name;
    if (!r.isNull()) {
        a.RectLeft = r.left();
        a.RectTop = r.top();
        a.RectRight = r.right();
        a.RectBottom = r.bottom();
    }
    plan.append(a);
}

QRect edges(int l, int t, int r, int b) {
    return QRect(QPoint(l, t), QPoint(r, b));
}

QImage render(const ShopAisles& plan, QPoint scroll, bool arrows = true, QSize size = QSize(200, 160)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    RenderFloorplan(canvas, plan, false, 8, 1.0f, 1.0f, scroll, arrows);
    return image;
}

QRgb rgb(int r, int g, int b) {
    return qRgb(r, g, b);
}

// Arm ends of the arrow heads: the two line calls after each dot sequence, from the midpoint.
QList<QPoint> armEnds(const RecordingCanvas& c) {
    QList<QPoint> out;
    for (const auto& call : c.of(QStringLiteral("line")))
        if (call.pen == QColor(0, 128, 0))
            out << QPoint(call.args[2], call.args[3]);
    return out;
}

} // namespace

TEST(RenderFloorplan, BackgroundEdgesAndGridFollowTheScrollPosition) {
    ShopAisles plan;
    const QImage atOrigin = render(plan, {0, 0});
    EXPECT_EQ(atOrigin.pixel(101, 100), rgb(255, 255, 255));
    // Maroon edges 3 pixels wide at the left and top.
    for (int x : {0, 1, 2})
        EXPECT_EQ(atOrigin.pixel(x, 50), rgb(128, 0, 0)) << x;
    EXPECT_EQ(atOrigin.pixel(50, 1), rgb(128, 0, 0));
    EXPECT_EQ(atOrigin.pixel(3, 50), rgb(255, 255, 255));
    EXPECT_EQ(atOrigin.pixel(40, 40), rgb(128, 128, 128));
    EXPECT_EQ(atOrigin.pixel(41, 40), rgb(255, 255, 255));
    EXPECT_EQ(atOrigin.pixel(30, 40), rgb(255, 255, 255));

    const QImage scrolled = render(plan, {30, 0});
    EXPECT_NE(scrolled.pixel(1, 50), rgb(128, 0, 0)); // left edge gone until scrolled back
    EXPECT_EQ(scrolled.pixel(50, 1), rgb(128, 0, 0));
    // Plan x 40 and 60 are view x 10 and 30.
    EXPECT_EQ(scrolled.pixel(10, 40), rgb(128, 128, 128));
    EXPECT_EQ(scrolled.pixel(30, 40), rgb(128, 128, 128));
    EXPECT_EQ(scrolled.pixel(20, 40), rgb(255, 255, 255));
    EXPECT_EQ(scrolled.pixel(40, 40), rgb(255, 255, 255));
}

TEST(RenderFloorplan, AislesAreFilledAndOutlinedWithSelectedOnTop) {
    ShopAisles plan;
    add(plan, 1, QString(), edges(20, 20, 120, 40));
    add(plan, 2, QString(), edges(60, 30, 160, 80)); // overlaps the first
    plan.select(0);
    const QImage image = render(plan, {0, 0}, false);
    EXPECT_EQ(image.pixel(20, 20), rgb(0, 0, 0));  // outline at the left/top edge
    EXPECT_EQ(image.pixel(120, 40), rgb(0, 0, 0)); // and at the inclusive right/bottom edge
    EXPECT_EQ(image.pixel(121, 25), rgb(255, 255, 255));
    EXPECT_EQ(image.pixel(30, 30), rgb(255, 255, 0));  // selected: yellow
    EXPECT_EQ(image.pixel(100, 35), rgb(255, 255, 0)); // selected one lies on top
    EXPECT_EQ(image.pixel(100, 60), rgb(252, 252, 210));
}

TEST(RenderFloorplan, InvertedRectanglesShowTheAreaTheySpanAndKeepTheirEdges) {
    const auto planOf = [](int l, int t, int r, int b) {
        auto plan = std::make_unique<ShopAisles>();
        add(*plan, 1, QStringLiteral("Fruit"), edges(200, 20, 260, 40));
        FloorAisle a;
        a.Category = 2;
        a.CatName = QStringLiteral("Household goods");
        a.RectLeft = l;
        a.RectTop = t;
        a.RectRight = r;
        a.RectBottom = b;
        plan->append(a);
        return plan;
    };
    const QImage expected = render(*planOf(20, 30, 120, 60), {0, 0}, true, QSize(300, 100));
    const struct { int l, t, r, b; } inverted[] = {{120, 30, 20, 60}, {20, 60, 120, 30}, {120, 60, 20, 30}};
    for (const auto& e : inverted) {
        auto plan = planOf(e.l, e.t, e.r, e.b);
        EXPECT_EQ(render(*plan, {0, 0}, true, QSize(300, 100)), expected) << e.l << "," << e.t;
        EXPECT_EQ(plan->hitTest({70, 45}), 1);
        EXPECT_EQ(plan->maxBottom(), 60);
        const FloorAisle& a = plan->at(1);
        EXPECT_EQ(QList<int>({a.RectLeft, a.RectTop, a.RectRight, a.RectBottom}),
                  QList<int>({e.l, e.t, e.r, e.b}));
        // The handles sit on the drawn corners, so a resize works on the area shown.
        plan->selectOnly(1);
        ASSERT_TRUE(plan->resizeSelected(ShopAisles::Handle::BottomRight, 20, 0));
        EXPECT_EQ(QList<int>({a.RectLeft, a.RectTop, a.RectRight, a.RectBottom}),
                  QList<int>({20, 30, 140, 60}));
    }

    // Edges far outside any page draw off it instead of wrapping round.
    auto huge =
        planOf(std::numeric_limits<std::int32_t>::max(), 0, std::numeric_limits<std::int32_t>::min(), 90);
    EXPECT_EQ(render(*huge, {0, 0}, false, QSize(300, 100)).pixel(150, 50), rgb(252, 252, 210));
}

TEST(RenderFloorplan, LabelsRunHorizontallyOrUpwards) {
    ShopAisles plan;
    add(plan, 1, QStringLiteral("Household goods"), edges(0, 0, 100, 20));    // wide
    add(plan, 2, QStringLiteral("Household goods"), edges(200, 0, 220, 100)); // tall, name does not fit
    add(plan, 3, QStringLiteral("Tea"), edges(300, 0, 360, 100));             // tall, 18 + 5 < 60
    add(plan, 4, QStringLiteral("Breakfast"), edges(400, 0, 460, 100));       // tall, 54 + 5 = 59 < 60
    add(plan, 5, QStringLiteral("Breakfasts"), edges(500, 0, 560, 100));      // 60 + 5 is not < 60
    RecordingCanvas c;
    RenderFloorplan(c, plan, false, 8, 1.0f, 1.0f, {0, 0}, false);
    const auto horizontal = c.of(QStringLiteral("textRect"));
    const auto vertical = c.of(QStringLiteral("rotatedText"));
    ASSERT_EQ(horizontal.size(), 3);
    ASSERT_EQ(vertical.size(), 2);
    EXPECT_EQ(horizontal[0].args, (QList<int>{3, 3}));
    EXPECT_EQ(horizontal[0].clip, QRect(QPoint(3, 3), QPoint(97, 18)));
    EXPECT_EQ(horizontal[1].args, (QList<int>{303, 3}));
    EXPECT_EQ(horizontal[2].args, (QList<int>{403, 3}));
    EXPECT_EQ(vertical[0].args, (QList<int>{202, 97}));
    EXPECT_EQ(vertical[0].degrees, 90);
    EXPECT_EQ(vertical[0].clip, QRect(QPoint(202, 2), QPoint(219, 96)));
    EXPECT_EQ(vertical[1].text, QStringLiteral("Breakfasts"));
    // Rectangles: right and bottom exclusive, one past the inclusive edges.
    EXPECT_EQ(c.of(QStringLiteral("rectangle"))[0].args, (QList<int>{0, 0, 101, 21}));
}

TEST(RenderFloorplan, ArrowHeadsPointTowardsTheLaterAisle) {
    // Centres (60, 30) -> (160, 30) -> (160, 130) -> (160, 30): right, down, up.
    ShopAisles plan;
    add(plan, 1, QString(), edges(40, 20, 80, 40));
    add(plan, 9, QString(), QRect()); // unplaced: skipped by the arrows
    add(plan, 2, QString(), edges(140, 20, 180, 40));
    add(plan, 3, QString(), edges(140, 120, 180, 140));
    add(plan, 4, QString(), edges(140, 20, 180, 40));
    RecordingCanvas c;
    RenderFloorplan(c, plan, false, 8, 1.0f, 1.0f, {0, 0}, true);
    const auto lines = c.of(QStringLiteral("line"));
    const QList<QPoint> arms = armEnds(c);
    // Per segment: the connecting line and then two arms from the midpoint.
    ASSERT_EQ(arms.size(), 9);
    EXPECT_EQ(arms[1], QPoint(110 - 6, 30 - 3));
    EXPECT_EQ(arms[2], QPoint(110 - 6, 30 + 3));
    EXPECT_EQ(arms[4], QPoint(160 - 3, 80 - 6));
    EXPECT_EQ(arms[5], QPoint(160 + 3, 80 - 6));
    EXPECT_EQ(arms[7], QPoint(160 - 3, 80 + 6));
    EXPECT_EQ(arms[8], QPoint(160 + 3, 80 + 6));
    EXPECT_EQ(lines[lines.size() - 9].args, (QList<int>{60, 30, 160, 30}));
    // Plus-shaped dots in green at each of the four centres.
    const auto pixels = c.of(QStringLiteral("pixel"));
    int green = 0;
    for (const auto& p : pixels)
        green += p.pen == QColor(0, 128, 0);
    EXPECT_EQ(green, 16);
}

TEST(RenderFloorplan, NoArrowsForFewerThanTwoPlacedAislesOrWhenSwitchedOff) {
    ShopAisles plan;
    add(plan, 1, QString(), edges(40, 20, 80, 40));
    add(plan, 2, QString(), QRect());
    RecordingCanvas one;
    RenderFloorplan(one, plan, false, 8, 1.0f, 1.0f, {0, 0}, true);
    EXPECT_TRUE(armEnds(one).isEmpty());
    add(plan, 3, QString(), edges(140, 20, 180, 40));
    RecordingCanvas off;
    RenderFloorplan(off, plan, false, 8, 1.0f, 1.0f, {0, 0}, false);
    EXPECT_TRUE(armEnds(off).isEmpty());
    RecordingCanvas on;
    RenderFloorplan(on, plan, false, 8, 1.0f, 1.0f, {0, 0}, true);
    EXPECT_EQ(armEnds(on).size(), 3);
}

TEST(RenderFloorplan, PrintingScalesAndFollowsTheColourPreference) {
    ShopAisles plan;
    add(plan, 1, QStringLiteral("A"), edges(40, 20, 80, 40));
    add(plan, 2, QStringLiteral("B"), edges(140, 20, 180, 40));
    RecordingCanvas c;
    RenderFloorplan(c, plan, true, 10, 2.5f, 2.5f, {10, 5}, true, {true, true});
    EXPECT_TRUE(c.of(QStringLiteral("fill")).isEmpty()); // no background when printing
    const auto rects = c.of(QStringLiteral("rectangle"));
    ASSERT_EQ(rects.size(), 2);
    // Round(40 * 2.5) = 100, Round(81 * 2.5) = Round(202.5) = 202; minus the offset.
    EXPECT_EQ(rects[0].args, (QList<int>{100 - 10, 50 - 5, 202 - 10, 102 - 5}));
    EXPECT_EQ(rects[0].penWidth, 2); // Round(2.5)
    EXPECT_EQ(rects[0].brushStyle, Canvas::BrushStyle::Clear);
    // Black only: the arrows keep the black pen; dotted connecting lines of a screen pixel's width, which
    // is one dot at 96 dpi and twelve at 1,200.
    const auto lines = c.of(QStringLiteral("line"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].pen, QColor(0, 0, 0));
    EXPECT_EQ(lines[0].penStyle, Canvas::PenStyle::Dot);
    EXPECT_EQ(lines[0].penWidth, 1);
    EXPECT_EQ(lines[1].penWidth, 1);
    RecordingCanvas paper(QSize(1000, 800), QSize(1200, 1200));
    RenderFloorplan(paper, plan, true, 10, 2.5f, 2.5f, {10, 5}, true, {true, true});
    EXPECT_EQ(paper.of(QStringLiteral("line"))[0].penWidth, 12);
    EXPECT_EQ(paper.of(QStringLiteral("line"))[1].penWidth, 12);
    EXPECT_EQ(c.of(QStringLiteral("ellipse")).size(), 2);
    EXPECT_EQ(c.of(QStringLiteral("ellipse"))[0].args, (QList<int>{140 - 2, 70 - 2, 140 + 2, 70 + 2}));
}

// The screen follows the desktop's scheme: a light one keeps the plan's own colours, a dark one takes its
// background and text and keeps labels readable on the aisles; a printed plan keeps its colours whatever the
// screen's are.
TEST(RenderFloorplan, ScreenColoursFollowTheSchemeAndPrintingKeepsItsOwn) {
    QPalette light;
    light.setColor(QPalette::Base, QColor(250, 250, 250));
    light.setColor(QPalette::Text, Qt::black);
    const FloorplanColours standard;
    EXPECT_EQ(FloorplanColours::forPalette(light).background, standard.background);
    EXPECT_EQ(FloorplanColours::forPalette(light).aisle, QColor(252, 252, 210));

    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    const FloorplanColours night = FloorplanColours::forPalette(dark);
    EXPECT_EQ(night.background, QColor(0x2a, 0x2a, 0x2a));
    EXPECT_EQ(night.label, QColor(0xe0, 0xe0, 0xe0));
    const auto luminance = [](const QColor& c) {
        return 0.2126 * c.redF() + 0.7152 * c.greenF() + 0.0722 * c.blueF();
    };
    for (const QColor& fill : {night.aisle, night.selectedAisle})
        EXPECT_GT(luminance(night.label) - luminance(fill), 0.35) << fill.name().toStdString();
    EXPECT_GT(luminance(night.arrow) - luminance(night.background), 0.35);

    ShopAisles plan;
    add(plan, 1, QStringLiteral("A"), edges(20, 20, 120, 40));
    add(plan, 2, QStringLiteral("B"), edges(20, 60, 120, 80));
    plan.select(0);
    QImage image(200, 160, QImage::Format_RGB32);
    QPainter painter(&image);
    PainterCanvas canvas(painter);
    RenderFloorplan(canvas, plan, false, 8, 1.0f, 1.0f, {0, 0}, true, {}, night);
    EXPECT_EQ(image.pixel(101, 100), night.background.rgb());
    EXPECT_EQ(image.pixel(100, 75), night.aisle.rgb());
    EXPECT_EQ(image.pixel(110, 25), night.selectedAisle.rgb());
    RecordingCanvas printed;
    RenderFloorplan(printed, plan, true, 10, 1.0f, 1.0f, {0, 0}, true, {}, night);
    for (const auto& r : printed.of(QStringLiteral("rectangle")))
        EXPECT_EQ(r.brush, QColor(252, 252, 210));
    EXPECT_EQ(printed.of(QStringLiteral("line")).first().pen, QColor(0, 128, 0));
}
