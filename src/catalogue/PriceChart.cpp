#include "PriceChart.h"

#include "Canvas.h"
#include "Helpers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGap = 3;         // between the labels and the plot
constexpr int kPointMarks = 60; // up to this many points each get a small square
constexpr int kMarkHalf = 1;    // half the side of such a square, less its centre

QString dateText(const QDateTime& when, const QLocale& locale) {
    return locale.toString(when.date(), QLocale::ShortFormat);
}

} // namespace

void PriceChart::setHistory(std::vector<PricePoint> points) {
    points_ = std::move(points);
    extremes_ = PriceHistory::extremes(points_);
}

QString PriceChart::priceText(double price, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(static_cast<double>(RoundPrice(price)), 'f', 2);
}

PriceChart::Layout PriceChart::layout(QSize size, int textHeight, int priceLabelWidth) const {
    Layout l;
    const int left = priceLabelWidth + kGap;
    const int top = textHeight / 2;
    const int bottom = size.height() - textHeight - kGap;
    const int right = size.width() - 1 - kGap;
    l.plot = QRect(QPoint(left, top), QPoint(std::max(left, right), std::max(top, bottom)));
    if (points_.empty())
        return l;
    const double low = extremes_.lowest->price, high = extremes_.highest->price;
    const qint64 first = points_.front().when.toSecsSinceEpoch();
    const qint64 span = points_.back().when.toSecsSinceEpoch() - first;
    l.points.reserve(points_.size());
    for (const PricePoint& p : points_) {
        // A single date or a single price stands in the middle of its direction.
        const double fx = span > 0 ? static_cast<double>(p.when.toSecsSinceEpoch() - first) / span : 0.5;
        const double fy = high > low ? (p.price - low) / (high - low) : 0.5;
        l.points.emplace_back(l.plot.left() + static_cast<int>(std::nearbyint(fx * l.plot.width() - fx)),
                              l.plot.bottom() - static_cast<int>(std::nearbyint(fy * l.plot.height() - fy)));
    }
    return l;
}

void PriceChart::draw(Canvas& canvas, const Colours& colours, const QLocale& locale) const {
    const QSize size = canvas.size();
    canvas.setBrushStyle(Canvas::BrushStyle::Solid);
    canvas.setBrushColor(colours.background);
    canvas.fillRect(0, 0, size.width(), size.height());
    canvas.setFontColor(colours.text);
    const int textHeight = canvas.textHeight(QStringLiteral("0"));
    if (points_.empty()) {
        canvas.textOut(kGap, (size.height() - textHeight) / 2, emptyText());
        return;
    }
    const QString high = priceText(extremes_.highest->price, locale);
    const QString low = priceText(extremes_.lowest->price, locale);
    const int labelWidth = std::max(canvas.textWidth(high), canvas.textWidth(low));
    const Layout l = layout(size, textHeight, labelWidth);

    canvas.setPenStyle(Canvas::PenStyle::Solid);
    canvas.setPenWidth(0);
    canvas.setPenColor(colours.axis);
    canvas.line(l.plot.left(), l.plot.top(), l.plot.left(), l.plot.bottom() + 1);
    canvas.line(l.plot.left(), l.plot.bottom(), l.plot.right() + 1, l.plot.bottom());
    // The highest price at the top of the plot, the lowest at its foot (once, when they are the same).
    canvas.textOut(labelWidth - canvas.textWidth(high), l.plot.top() - textHeight / 2, high);
    if (low != high)
        canvas.textOut(labelWidth - canvas.textWidth(low), l.plot.bottom() - textHeight / 2, low);
    const int dateTop = l.plot.bottom() + kGap;
    const QString first = dateText(points_.front().when, locale);
    const QString last = dateText(points_.back().when, locale);
    canvas.textOut(l.plot.left(), dateTop, first);
    if (last != first)
        canvas.textOut(std::max(l.plot.left() + canvas.textWidth(first) + kGap,
                                l.plot.right() + 1 - canvas.textWidth(last)),
                       dateTop, last);

    canvas.setPenColor(colours.line);
    canvas.setPenWidth(2);
    canvas.moveTo(l.points.front().x(), l.points.front().y());
    for (size_t i = 1; i < l.points.size(); ++i)
        canvas.lineTo(l.points[i].x(), l.points[i].y());
    if (l.points.size() <= static_cast<size_t>(kPointMarks)) {
        canvas.setBrushColor(colours.line);
        canvas.setPenStyle(Canvas::PenStyle::Clear);
        for (const QPoint& p : l.points)
            canvas.fillRect(p.x() - kMarkHalf - 1, p.y() - kMarkHalf - 1, p.x() + kMarkHalf + 2,
                            p.y() + kMarkHalf + 2);
    }
}

int PriceChart::pointNear(const Layout& layout, QPoint pos, int reach) {
    int best = -1;
    int bestDistance = reach + 1;
    for (size_t i = 0; i < layout.points.size(); ++i) {
        const int d = std::abs(layout.points[i].x() - pos.x());
        // On equal distance the later point wins: it is the one drawn on top.
        if (d <= bestDistance && d <= reach) {
            best = static_cast<int>(i);
            bestDistance = d;
        }
    }
    return best;
}

QString PriceChart::pointText(int index, const QLocale& locale) const {
    if (index < 0 || index >= static_cast<int>(points_.size()))
        return {};
    const PricePoint& p = points_[static_cast<size_t>(index)];
    return priceText(p.price, locale) + QStringLiteral(" on ") +
           locale.toString(p.when, QLocale::ShortFormat);
}

QString PriceChart::lowestText(const QLocale& locale) const {
    if (!extremes_.lowest)
        return {};
    return QStringLiteral("Lowest: ") + priceText(extremes_.lowest->price, locale) + QStringLiteral(" on ") +
           dateText(extremes_.lowest->when, locale);
}

QString PriceChart::highestText(const QLocale& locale) const {
    if (!extremes_.highest)
        return {};
    return QStringLiteral("Highest: ") + priceText(extremes_.highest->price, locale) +
           QStringLiteral(" on ") + dateText(extremes_.highest->when, locale);
}

QString PriceChart::emptyText() {
    return QStringLiteral("No prices logged yet");
}
