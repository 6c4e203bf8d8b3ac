#pragma once

#include "Value.h"

#include <QLocale>
#include <QString>

// The editing modes of the shopping list: quantities (column Qty) or prices (column Price).
enum class ListEditMode { Quantity = 1, Price = 2 };

// The check and normalisation of a value typed into the shopping list before the row is posted.
class ListEntryCheck {
public:
    struct Result {
        bool ok = false;
        engine::Value value; // the value to store: empty, a whole quantity, or a price rounded to cents
        QString message;     // the warning when refused
    };

    // The field edited in a mode: "Quantity" or "Price".
    static QString fieldName(ListEditMode mode);
    // Checks the text of the mode's field. Blank text counts as "0"; a quantity must be a whole number of
    // at least 0 (0 gives an empty value: the item leaves the list); a price must be a number in the
    // locale's form (its decimal separator, no group separators, as on the Items page) of at least 0 and is
    // rounded to cents.
    static Result check(ListEditMode mode, const QString& text, const QLocale& locale = QLocale());
    // The text of a stored field value as the check reads it: a price in the locale's form.
    static QString valueText(const engine::Value& value, const QLocale& locale = QLocale());
    // Whether a character may be typed into the mode's cell: digits, signs and separators, and the exponent
    // in a price.
    static bool acceptsCharacter(ListEditMode mode, QChar c, const QLocale& locale = QLocale());
};
