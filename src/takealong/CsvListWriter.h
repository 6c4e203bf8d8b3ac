#pragma once

#include <QChar>
#include <QLocale>
#include <QString>

class TakeAlongList;

// The list as comma-separated values for spreadsheets: a header row, then one row per item with its shop,
// aisle, quantity, product type, brand, size, unit, price and line total. Fields are quoted where they need
// it (RFC 4180, lines ending CR LF); numbers use the locale's decimal separator; a text a spreadsheet would
// take for a formula is written as text.
class CsvListWriter {
public:
    explicit CsvListWriter(QChar separator) : separator_(separator) {}
    QString write(const TakeAlongList& list) const;

    // What spreadsheets of that locale expect: ";" where the decimal separator is a comma, else ",".
    static QChar separatorFor(const QLocale& locale);

private:
    QString field(const QString& text) const;
    QString textField(const QString& text) const;

    QChar separator_;
};
