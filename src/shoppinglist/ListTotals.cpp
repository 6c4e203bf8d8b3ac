#include "ListTotals.h"

#include "DataSet.h"

#include <cstdio>
#include <variant>

namespace {

int quantityOf(const engine::Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<int>(*i);
    if (const auto* d = std::get_if<double>(&v))
        return static_cast<int>(*d);
    return 0;
}

double priceOf(const engine::Value& v) {
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*i);
    return 0;
}

} // namespace

void ListTotals::clear() {
    count_ = 0;
    cost_ = 0;
}

void ListTotals::add(int quantity, double price) {
    if (quantity <= 0)
        return;
    ++count_;
    cost_ = static_cast<float>(static_cast<double>(cost_) + static_cast<double>(quantity) * price);
}

void ListTotals::remove(int quantity, double price) {
    if (quantity <= 0)
        return;
    --count_;
    cost_ = static_cast<float>(static_cast<double>(cost_) - static_cast<double>(quantity) * price);
}

void ListTotals::replace(int oldQuantity, double oldPrice, int newQuantity, double newPrice) {
    remove(oldQuantity, oldPrice);
    add(newQuantity, newPrice);
}

void ListTotals::recompute(const engine::DataSet& rows) {
    clear();
    const int q = rows.fieldIndex(QStringLiteral("Quantity"));
    const int p = rows.fieldIndex(QStringLiteral("Price"));
    if (q < 0)
        return;
    const int n = rows.recordCount();
    for (int row = 0; row < n; ++row) {
        const int quantity = quantityOf(rows.valueAt(row, q));
        if (quantity > 0)
            add(quantity, p >= 0 ? priceOf(rows.valueAt(row, p)) : 0.0);
    }
}

void ListTotals::addRow(const engine::Value& quantity, const engine::Value& price) {
    const int q = quantityOf(quantity);
    if (q > 0)
        add(q, priceOf(price));
}

QString ListTotals::itemsText() const {
    return QStringLiteral("Items: ") + QString::number(count_);
}

QString ListTotals::costText(const QLocale& locale) const {
    return QStringLiteral("Total cost: ") + currencyText(cost_, locale);
}

QString ListTotals::currencyText(float amount, const QLocale& locale) {
    // At most 7 significant digits, as many as a float holds, then exactly two decimals.
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.7g", static_cast<double>(amount));
    double value = std::strtod(digits, nullptr);
    if (value == 0)
        value = 0; // no negative zero
    return locale.toCurrencyString(value, locale.currencySymbol(), 2);
}
