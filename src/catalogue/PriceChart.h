#pragma once

#include "PriceHistory.h"

#include <QColor>
#include <QLocale>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class Canvas;

// The Items page's small chart of one item's price over time: a line through the logged prices, placed by
// their dates, between the lowest and the highest price, which are labelled at the left with the first and
// the last date below. It draws on the program's canvas, so the screen and the tests share one drawing.
class PriceChart {
public:
    struct Colours {
        QColor background;
        QColor axis;
        QColor text;
        QColor line;
    };

    // Where the chart's parts stand for a size and a text height, in pixels.
    struct Layout {
        QRect plot; // the area the line runs in
        std::vector<QPoint> points;
    };

    void setHistory(std::vector<PricePoint> points);
    const std::vector<PricePoint>& history() const { return points_; }
    const PriceExtremes& extremes() const { return extremes_; }

    Layout layout(QSize size, int textHeight, int priceLabelWidth) const;
    void draw(Canvas& canvas, const Colours& colours, const QLocale& locale = QLocale()) const;

    // The point whose position lies nearest to pos horizontally, within `reach` pixels; -1 when none.
    static int pointNear(const Layout& layout, QPoint pos, int reach);

    // What the tooltip of a point says: the price, and the date and time it was entered.
    QString pointText(int index, const QLocale& locale = QLocale()) const;
    // "Lowest: 1.99 on 12/03/2024"; empty without history.
    QString lowestText(const QLocale& locale = QLocale()) const;
    QString highestText(const QLocale& locale = QLocale()) const;
    // The text shown instead of a line for an item without history.
    static QString emptyText();

    static QString priceText(double price, const QLocale& locale);

private:
    std::vector<PricePoint> points_;
    PriceExtremes extremes_;
};
