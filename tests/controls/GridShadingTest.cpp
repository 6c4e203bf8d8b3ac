#include "ControlsTestSupport.h"

#include "GridShading.h"
#include "ThemedDBGrid.h"

#include <algorithm>

using ui::GridShading;

namespace {

QColor rgb(int r, int g, int b) {
    return QColor(r, g, b);
}

} // namespace

// The stripe colour: darker on near-white backgrounds, lighter on all others, components wrapping at 256.
TEST(GridShading, StripeColours) {
    EXPECT_EQ(GridShading::stripeColour(Qt::white), rgb(245, 245, 245));
    EXPECT_EQ(GridShading::stripeColour(Qt::black), rgb(30, 30, 30));
    // Mid grey is far from white: 30 - 8421504 * 20 / 16777215 = 19.96, rounded 20, added.
    EXPECT_EQ(GridShading::stripeColour(rgb(128, 128, 128)), rgb(148, 148, 148));
    // Pure blue counts as near-white (blue weighs most): 10 is taken off and red and green wrap.
    EXPECT_EQ(GridShading::stripeColour(rgb(0, 0, 255)), rgb(246, 246, 245));
    // Yellow is far from white: 30 is added and red and green wrap past 255.
    EXPECT_EQ(GridShading::stripeColour(rgb(255, 255, 0)), rgb(29, 29, 30));
    // Just inside and just outside the near-white band (16777215 - v against 1000000).
    EXPECT_EQ(GridShading::stripeColour(rgb(0x3f, 0xbe, 0xf0)), rgb(0x3f - 11, 0xbe - 11, 0xf0 - 11));
    EXPECT_EQ(GridShading::stripeColour(rgb(0x3f, 0xbe, 0xf0 - 1)), rgb(0x3f + 11, 0xbe + 11, 0xf0 - 1 + 11));
}

// Odd columns take the stripe, the others the grid's colour; a one-column grid is left alone.
TEST_F(ShopsTest, ShadingAppliesToOddColumnsOnly) {
    addShops({QStringLiteral("Alpha")});
    ui::ThemedDBGrid grid;
    QPalette pal = grid.palette();
    pal.setColor(QPalette::Base, Qt::white);
    grid.setPalette(pal);
    grid.setDataSet(&shops);
    GridShading::apply(grid);
    const QColor stripe(245, 245, 245);
    ASSERT_EQ(grid.gridModel()->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(grid.columnColor(c), c % 2 ? stripe : QColor(Qt::white)) << c;
        const QVariant bg = grid.gridModel()->index(0, c).data(Qt::BackgroundRole);
        EXPECT_EQ(bg.isValid(), c % 2 == 1) << c;
    }

    ui::ThemedDBGrid narrow;
    narrow.setPalette(pal);
    narrow.setDataSet(&shops);
    narrow.setColumns({{QStringLiteral("ShopName"), QStringLiteral("Name")}});
    GridShading::apply(narrow);
    EXPECT_FALSE(narrow.gridModel()->index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(narrow.columnColor(0), QColor(Qt::white));
}

// Under a dark scheme the stripes stay readable: every column's background keeps the text at a contrast of
// at least 4.5, when the grid starts dark and when the scheme turns dark (or back) while it runs. A strong
// yellow would wrap to a near-black stripe under black text; the grid then shades without wrapping.
TEST_F(ShopsTest, ShadingStaysReadableUnderEveryScheme) {
    addShops({QStringLiteral("Alpha")});
    ui::ThemedDBGrid grid;
    grid.setDataSet(&shops);
    const auto scheme = [&grid](const QColor& base, const QColor& text) {
        QPalette pal = grid.palette();
        pal.setColor(QPalette::Base, base);
        pal.setColor(QPalette::Text, text);
        grid.setPalette(pal);
    };
    const auto worstContrast = [&grid] {
        double worst = 21;
        for (int c = 0; c < grid.gridModel()->columnCount(); ++c)
            worst = std::min(
                worst, GridShading::contrast(grid.columnColor(c), grid.palette().color(QPalette::Text)));
        return worst;
    };
    scheme(QColor(0x2a, 0x2a, 0x2a), QColor(0xe0, 0xe0, 0xe0));
    GridShading::apply(grid);
    EXPECT_EQ(grid.columnColor(1), GridShading::stripeColour(QColor(0x2a, 0x2a, 0x2a)));
    EXPECT_GE(worstContrast(), 4.5);
    EXPECT_NEAR(GridShading::contrast(Qt::black, Qt::white), 21.0, 1e-9);

    scheme(Qt::white, Qt::black); // the desktop switches back: the stripes follow
    EXPECT_EQ(grid.columnColor(1), QColor(245, 245, 245));
    scheme(QColor(0x1e, 0x1e, 0x2e), QColor(0xcd, 0xd6, 0xf4));
    EXPECT_GE(worstContrast(), 4.5);

    scheme(QColor(255, 255, 0), Qt::black);
    EXPECT_EQ(grid.columnColor(1), QColor(255, 255, 30));
    EXPECT_GE(worstContrast(), 4.5);
}
