#pragma once

#include "PriceChart.h"

#include <QWidget>

// The Items page's price chart of the current item on the screen: PriceChart drawn in the palette's colours,
// each point's price and date in the tooltip under the mouse.
class PriceChartView : public QWidget {
    Q_OBJECT

public:
    explicit PriceChartView(QWidget* parent = nullptr);

    void setHistory(std::vector<PricePoint> points);
    const PriceChart& chart() const { return chart_; }

    QSize sizeHint() const override { return {240, 110}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    PriceChart::Layout currentLayout() const;

    PriceChart chart_;
};
