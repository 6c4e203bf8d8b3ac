#include "ReportLayout.h"

#include "Canvas.h"

#include <cmath>

namespace reports {

int nearest(double x) {
    return static_cast<int>(std::nearbyint(x));
}

QString amountText(double value, const QLocale& locale) {
    // Seven significant digits first, then two decimals, as the reports have always printed amounts.
    const double magnitude = std::fabs(value);
    QString text;
    if (magnitude >= 1e7) {
        text = QString::number(value, 'E', 6);
    } else {
        const QString rounded = QString::number(value, 'g', 7);
        text = QString::number(rounded.toDouble(), 'f', 2);
    }
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0)
        text.remove(0, 1);
    const QString point = locale.decimalPoint();
    if (point != QStringLiteral("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

QString currencyText(double value, const QLocale& locale) {
    return locale.toCurrencyString(value, locale.currencySymbol(), 2);
}

ReportLayout::ReportLayout(Canvas& canvas)
    : PageWidth(canvas.size().width()), PageHeight(canvas.size().height()), canvas_(&canvas) {}

int ReportLayout::width(const QString& text) const {
    return canvas_->textWidth(text);
}

int ReportLayout::height(const QString& text) const {
    return canvas_->textHeight(text);
}

void ReportLayout::RuleAcross() {
    canvas_->line(LeftMargin, LineTop(), PageWidth - RightMargin, LineTop());
    ++Line;
}

void ReportLayout::RowRule(int x1, int x2) {
    const int y = LineTop() - nearest(LineHeight / 9.5);
    canvas_->line(x1, y, x2, y);
}

int ReportLayout::DecimalLeft(int x, const QString& text) const {
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    return point >= 0 ? x - width(text.left(point)) : x - nearest(width(text) / 2.0);
}

void ReportLayout::DecimalText(int x, const QString& text) {
    canvas_->textOut(DecimalLeft(x, text), LineTop(), text);
}

void ReportLayout::TextAt(int x, const QString& text) {
    if (text.isEmpty())
        return;
    canvas_->textOut(x, LineTop(), text);
}

QString ReportLayout::fitted(const QString& text, int x, int limit) const {
    if (width(text) <= limit - x)
        return text;
    const int room = limit - x - width(QStringLiteral(" "));
    const QString ellipsis(QChar(0x2026));
    // The longest start that fits with the ellipsis; widths grow with the length.
    qsizetype fits = 0, tooLong = text.size();
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        if (width(text.left(middle) + ellipsis) <= room)
            fits = middle;
        else
            tooLong = middle;
    }
    if (fits > 0 && text.at(fits - 1).isHighSurrogate())
        --fits;
    const QString start = text.left(fits).trimmed();
    if (start.isEmpty())
        return width(ellipsis) <= room ? ellipsis : QString();
    return start + ellipsis;
}

void ReportLayout::TextUpTo(int x, int limit, const QString& text) {
    TextAt(x, fitted(text, x, limit));
}

bool ReportLayout::NeedsNewPage(int needed) const {
    return LineTop() > PageHeight - BottomMargin - needed * LineHeight;
}

void ReportLayout::NewPage() {
    canvas_->newPage();
    Line = 1;
}

StyleScope::StyleScope(ReportLayout& layout, Style style) : canvas_(layout.canvas()), saved_(canvas_.font()) {
    QFont font = saved_;
    if (style == Bold)
        font.setBold(true);
    else
        font.setItalic(true);
    canvas_.setFont(font);
}

StyleScope::~StyleScope() {
    canvas_.setFont(saved_);
}

} // namespace reports
