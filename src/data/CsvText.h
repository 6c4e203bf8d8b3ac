#pragma once

#include <QChar>
#include <QLocale>
#include <QString>
#include <QStringList>

// The rules every comma-separated file of the program follows: fields quoted where they need it (RFC 4180),
// lines ending CR LF, a text a spreadsheet would take for a formula written as text, and the separator the
// spreadsheets of a locale expect.
class CsvText {
public:
    explicit CsvText(QChar separator) : separator_(separator) {}

    QChar separator() const { return separator_; }
    // A field as written: quoted when it holds the separator, a quote or a line break, or starts or ends with
    // a blank.
    QString field(const QString& text) const;
    // A field of free text: also kept from being taken for a formula.
    QString textField(const QString& text) const;
    // The fields (already written) joined into one line with its line end.
    QString row(const QStringList& fields) const;

    // ";" where the locale's decimal separator is a comma, else ",".
    static QChar separatorFor(const QLocale& locale);

private:
    QChar separator_;
};
