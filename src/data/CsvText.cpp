#include "CsvText.h"

QChar CsvText::separatorFor(const QLocale& locale) {
    return locale.decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

QString CsvText::field(const QString& text) const {
    const bool quote = text.contains(separator_) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                       text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (!quote)
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString CsvText::textField(const QString& text) const {
    // A cell that starts like a formula would be computed (and could reach out to the network) when the file
    // is opened; the apostrophe makes spreadsheets keep it as text.
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStart.contains(text.at(0)))
        return field(QLatin1Char('\'') + text);
    return field(text);
}

QString CsvText::row(const QStringList& fields) const {
    return fields.join(separator_) + QStringLiteral("\r\n");
}
