#include "ListEntryCheck.h"

#include "Helpers.h"

#include <QRegularExpression>

#include <cmath>
#include <limits>

QString ListEntryCheck::fieldName(ListEditMode mode) {
    return mode == ListEditMode::Quantity ? QStringLiteral("Quantity") : QStringLiteral("Price");
}

ListEntryCheck::Result ListEntryCheck::check(ListEditMode mode, const QString& text, const QLocale& locale) {
    Result r;
    QString t = text.trimmed();
    if (t.isEmpty())
        t = QStringLiteral("0");
    r.message = fieldName(mode) + QLatin1Char(' ') + t + QStringLiteral(" is invalid.");
    if (mode == ListEditMode::Quantity) {
        static const QRegularExpression whole(QStringLiteral("^[+-]?[0-9]+$"));
        if (!whole.match(t).hasMatch())
            return r;
        bool ok = false;
        const qlonglong v = t.toLongLong(&ok, 10);
        // Kept as a whole number: a float would change quantities above 2^24.
        if (!ok || v < 0 || v > std::numeric_limits<std::int32_t>::max())
            return r;
        r.ok = true;
        r.value = v == 0 ? engine::Value{} : engine::Value{static_cast<std::int64_t>(v)};
        return r;
    }
    // Read as the Items page reads its prices.
    const std::optional<double> v = ParseTypedNumber(t, locale);
    if (!v)
        return r;
    const float rounded = RoundPrice(*v);
    if (rounded < 0 || !std::isfinite(rounded))
        return r;
    r.ok = true;
    r.value = static_cast<double>(rounded == 0 ? 0.0f : rounded); // no negative zero
    return r;
}

QString ListEntryCheck::valueText(const engine::Value& value, const QLocale& locale) {
    if (const auto* i = std::get_if<std::int64_t>(&value))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&value)) {
        QLocale plain = locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        return plain.toString(*d, 'g', 15);
    }
    if (const auto* s = std::get_if<std::string>(&value))
        return QString::fromStdString(*s);
    return {};
}

bool ListEntryCheck::acceptsCharacter(ListEditMode mode, QChar c, const QLocale& locale) {
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (c == QLatin1Char('+') || c == QLatin1Char('-'))
        return true;
    // Separators are let through to the check, which refuses those the mode or the locale does not use:
    // dropping one silently would turn "2,5" into 25.
    if (c == QLatin1Char('.') || c == QLatin1Char(',') || locale.decimalPoint() == QString(c) ||
        locale.groupSeparator() == QString(c))
        return true;
    if (mode == ListEditMode::Quantity)
        return false;
    return c == QLatin1Char('e') || c == QLatin1Char('E');
}
