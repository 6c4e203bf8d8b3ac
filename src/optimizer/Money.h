#pragma once

#include <QString>

// An amount of money in the currency format of the user's regional settings (the default locale), with two
// decimals, after rounding to at most seven significant digits as the report has always shown it.
QString FormatMoney(double amount);
