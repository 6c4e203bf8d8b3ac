#include "PriceChart.h"
#include "RecordingCanvas.h"

#include <gtest/gtest.h>

namespace {

PricePoint point(double price, QDate day) {
    return PricePoint{QDateTime(day, QTime(9, 30)), price, 1, {}};
}

// 2.00 on 1 January, 1.50 on 11 January, 3.00 on 31 January: the line falls and rises again.
PriceChart knownHistory() {
    PriceChart chart;
    chart.setHistory(
        {point(2.00, QDate(2024, 1, 1)), point(1.50, QDate(2024, 1, 11)), point(3.00, QDate(2024, 1, 31))});
    return chart;
}

} // namespace

TEST(PriceChart, PlacesEachPriceByItsDateBetweenTheLowestAndTheHighest) {
    const PriceChart chart = knownHistory();
    // 241 x 112 with text 12 high and price labels 24 wide: the plot runs from (27, 6) to (237, 97).
    const PriceChart::Layout l = chart.layout(QSize(241, 112), 12, 24);
    EXPECT_EQ(l.plot, QRect(QPoint(27, 6), QPoint(237, 97)));
    ASSERT_EQ(l.points.size(), 3u);
    EXPECT_EQ(l.points[0], QPoint(27, 67)); // 2.00: a third of the way up
    EXPECT_EQ(l.points[1], QPoint(97, 97)); // 10 of 30 days along, the lowest price at the foot
    EXPECT_EQ(l.points[2], QPoint(237, 6)); // the last day, the highest price at the top
    EXPECT_EQ(PriceChart::pointNear(l, QPoint(100, 0), 5), 1);
    EXPECT_EQ(PriceChart::pointNear(l, QPoint(160, 50), 5), -1);

    const QLocale c(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(chart.lowestText(c), QStringLiteral("Lowest: 1.50 on 1/11/24"));
    EXPECT_EQ(chart.highestText(c), QStringLiteral("Highest: 3.00 on 1/31/24"));
    EXPECT_TRUE(chart.pointText(0, c).startsWith(QStringLiteral("2.00 on 1/1/24 9:30")))
        << chart.pointText(0, c).toStdString();

    // One price, or one day: the line keeps to the middle.
    PriceChart flat;
    flat.setHistory({point(1.25, QDate(2024, 2, 1)), point(1.25, QDate(2024, 2, 1))});
    const PriceChart::Layout f = flat.layout(QSize(241, 112), 12, 24);
    EXPECT_EQ(f.points[0], QPoint(132, 51)); // 45.5 rounds to the even 46
    EXPECT_EQ(f.points[1], f.points[0]);
}

TEST(PriceChart, DrawsTheAxesTheLabelsAndTheLine) {
    const PriceChart chart = knownHistory();
    RecordingCanvas canvas(QSize(241, 112));
    const QLocale c(QLocale::English, QLocale::UnitedStates);
    chart.draw(canvas, {Qt::white, Qt::gray, Qt::black, Qt::blue}, c);
    QStringList texts;
    for (const RecordingCanvas::Call& t : canvas.of(QStringLiteral("text")))
        texts << QStringLiteral("%1,%2 %3").arg(t.args[0]).arg(t.args[1]).arg(t.text);
    // Labels 6 pixels a character: "3.00" and "1.50" are 24 wide, the plot as above.
    EXPECT_EQ(texts, (QStringList{"0,0 3.00", "0,91 1.50", "27,100 1/1/24", "196,100 1/31/24"}));
    QStringList lines;
    for (const RecordingCanvas::Call& l : canvas.of(QStringLiteral("line")))
        if (l.pen == QColor(Qt::blue))
            lines
                << QStringLiteral("%1,%2-%3,%4").arg(l.args[0]).arg(l.args[1]).arg(l.args[2]).arg(l.args[3]);
    EXPECT_EQ(lines, (QStringList{"27,67-97,97", "97,97-237,6"}));

    RecordingCanvas empty(QSize(241, 112));
    PriceChart().draw(empty, {Qt::white, Qt::gray, Qt::black, Qt::blue}, c);
    ASSERT_EQ(empty.of(QStringLiteral("text")).size(), 1);
    EXPECT_EQ(empty.of(QStringLiteral("text"))[0].text, PriceChart::emptyText());
}
