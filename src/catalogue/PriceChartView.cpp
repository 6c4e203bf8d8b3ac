#include "PriceChartView.h"

#include "PainterCanvas.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int kTipReach = 6; // pixels either side of a point that still show its tooltip

} // namespace

PriceChartView::PriceChartView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(230, 80);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void PriceChartView::setHistory(std::vector<PricePoint> points) {
    chart_.setHistory(std::move(points));
    const QString lowest = chart_.lowestText(locale()), highest = chart_.highestText(locale());
    setAccessibleDescription(lowest.isEmpty() ? PriceChart::emptyText()
                                              : lowest + QStringLiteral("; ") + highest);
    update();
}

void PriceChartView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PainterCanvas canvas(painter, size());
    const QPalette& p = palette();
    chart_.draw(canvas,
                {p.color(QPalette::Base), p.color(QPalette::Mid), p.color(QPalette::Text),
                 p.color(QPalette::Highlight)},
                locale());
}

PriceChart::Layout PriceChartView::currentLayout() const {
    const QFontMetrics metrics(font());
    const PriceExtremes& e = chart_.extremes();
    int labelWidth = 0;
    if (e.lowest && e.highest)
        labelWidth = std::max(metrics.horizontalAdvance(PriceChart::priceText(e.highest->price, locale())),
                              metrics.horizontalAdvance(PriceChart::priceText(e.lowest->price, locale())));
    return chart_.layout(size(), metrics.height(), labelWidth);
}

bool PriceChartView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = PriceChart::pointNear(currentLayout(), help->pos(), kTipReach);
        if (index >= 0)
            QToolTip::showText(help->globalPos(), chart_.pointText(index, locale()), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}
