#include "ReportLayout.h"
#include "RecordingCanvas.h"

#include <gtest/gtest.h>

using reports::ReportLayout;

namespace {

ReportLayout layoutOn(RecordingCanvas& canvas) {
    ReportLayout l(canvas);
    l.LineHeight = 14;
    l.LeftMargin = 24;
    l.RightMargin = 30;
    l.TopMargin = 56;
    l.BottomMargin = 84;
    return l;
}

} // namespace

TEST(ReportLayout, LinesRulesAndDecimalPoints) {
    RecordingCanvas canvas(QSize(1000, 800));
    ReportLayout l = layoutOn(canvas);
    EXPECT_EQ(l.PageWidth, 1000);
    EXPECT_EQ(l.PageHeight, 800);
    // Line 1 lies one line height below the top margin.
    EXPECT_EQ(l.LineTop(), 70);
    l.Line = 3;
    EXPECT_EQ(l.LineTop(), 98);

    l.RuleAcross();
    ASSERT_EQ(canvas.of("line").size(), 1);
    EXPECT_EQ(canvas.of("line")[0].args, (QList<int>{24, 98, 970, 98}));
    EXPECT_EQ(l.Line, 4);

    // Just above the current line's text, nearest(14 / 9.5) = 1 dot; the line does not advance.
    l.RowRule(10, 500);
    EXPECT_EQ(canvas.of("line")[1].args, (QList<int>{10, 111, 500, 111}));
    EXPECT_EQ(l.Line, 4);

    // The first "." stands at x; without one the text is centred, halves going to the even side.
    l.DecimalText(400, QStringLiteral("123.45"));
    l.DecimalText(400, QStringLiteral("Price"));    // 30 wide: starts 15 left
    l.DecimalText(400, QStringLiteral("Qty"));      // 18 wide: starts 9 left
    l.DecimalText(400, QStringLiteral("1,5"));      // a comma is no decimal point here
    l.DecimalText(400, QStringLiteral("$1,234.5")); // the symbol and grouping go before the point
    l.DecimalText(400, QStringLiteral("1.2.3"));    // the first point counts
    const auto texts = canvas.of("text");
    ASSERT_EQ(texts.size(), 6);
    const QList<int> starts{400 - 18, 400 - 15, 400 - 9, 400 - 9, 400 - 36, 400 - 6};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(texts[i].args[0], starts[i]) << texts[i].text.toStdString();
        EXPECT_EQ(texts[i].args[1], 112);
    }
}

TEST(ReportLayout, PageBreakOnlyBelowTheLimit) {
    // Line n starts at 14 n + 56, so line 47 starts at 714: on the limit of a 798 dot page (798 - 84).
    RecordingCanvas exact(QSize(1000, 798));
    ReportLayout e = layoutOn(exact);
    e.Line = 47;
    EXPECT_EQ(e.LineTop(), 714);
    EXPECT_FALSE(e.NeedsNewPage()); // equality still prints
    // One dot less of page and the line lies below the limit.
    RecordingCanvas below(QSize(1000, 797));
    ReportLayout b = layoutOn(below);
    b.Line = 47;
    EXPECT_TRUE(b.NeedsNewPage());
    // A block of n more lines needs n line heights more room.
    EXPECT_TRUE(e.NeedsNewPage(1));
    e.Line = 46;
    EXPECT_FALSE(e.NeedsNewPage(1));

    e.NewPage();
    EXPECT_EQ(e.Line, 1);
    EXPECT_EQ(exact.of("newPage").size(), 1);
}

TEST(ReportLayout, StylesComeBackAfterUse) {
    RecordingCanvas canvas;
    QFont font(QStringLiteral("Arial"), 8);
    font.setItalic(true);
    canvas.setFont(font);
    ReportLayout l(canvas);
    {
        reports::StyleScope bold(l, reports::StyleScope::Bold);
        l.TextAt(0, QStringLiteral("a"));
    }
    l.TextAt(0, QStringLiteral("b"));
    l.TextAt(0, QString()); // nothing to draw
    const auto texts = canvas.of("text");
    ASSERT_EQ(texts.size(), 2);
    EXPECT_TRUE(texts[0].font.bold() && texts[0].font.italic());
    EXPECT_TRUE(!texts[1].font.bold() && texts[1].font.italic());
}

TEST(ReportNumbers, AmountsAndCurrency) {
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(reports::amountText(0, us), QStringLiteral("0.00"));
    EXPECT_EQ(reports::amountText(2.5, us), QStringLiteral("2.50"));
    EXPECT_EQ(reports::amountText(1234.5, us), QStringLiteral("1234.50")); // no grouping
    EXPECT_EQ(reports::amountText(-0.001, us), QStringLiteral("0.00"));
    // Seven significant digits, then two decimals.
    EXPECT_EQ(reports::amountText(12345.678, us), QStringLiteral("12345.68"));
    EXPECT_EQ(reports::amountText(123456.789, us), QStringLiteral("123456.80"));
    EXPECT_EQ(reports::amountText(1234567.891, us), QStringLiteral("1234568.00"));
    EXPECT_EQ(reports::amountText(2.5, de), QStringLiteral("2,50"));
    EXPECT_EQ(reports::currencyText(1234.5, us), QStringLiteral("$1,234.50"));
    EXPECT_EQ(reports::nearest(2.5), 2);
    EXPECT_EQ(reports::nearest(3.5), 4);
    EXPECT_EQ(reports::nearest(14.4), 14);
}
