#include "Money.h"

#include <QLocale>

QString FormatMoney(double amount) {
    // Seven significant digits also hide the noise of 32-bit sums (0.4999999 shows as 0.50).
    double shown = QString::number(amount, 'g', 7).toDouble();
    shown += 0.0; // no "-0.00"
    return QLocale().toCurrencyString(shown, QString(), 2);
}
