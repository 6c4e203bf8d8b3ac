#include "CatalogueText.h"

#include "Helpers.h"

#include <QList>

namespace catalogue {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QChar kQuote = QLatin1Char('"');

} // namespace

int characterCount(const QString& text) {
    return static_cast<int>(text.toUcs4().size());
}

std::optional<QString> tooLong(const QString& text, int limit, const QString& what) {
    if (characterCount(text.trimmed()) <= limit)
        return std::nullopt;
    return what + QStringLiteral(" can have at most ") + QString::number(limit) +
           QStringLiteral(" characters.");
}

QString categoryExists(const QString& name) {
    return QStringLiteral("The category ") + kQuote + name + kQuote + QStringLiteral(" already exists.");
}

QString shopExists(const QString& name) {
    return QStringLiteral("The shop ") + kQuote + name + kQuote + QStringLiteral(" already exists.");
}

QString productTypeExists(const QString& name) {
    return QStringLiteral("The product type ") + kQuote + name + kQuote + QStringLiteral(" already exists.");
}

QString deleteCategoriesWarning(int categories, int items) {
    return QStringLiteral("Deleting ") + QString::number(categories) + QStringLiteral(" categor") +
           PluralSuffix(categories, true) + QStringLiteral(" will also delete ") + QString::number(items) +
           QStringLiteral(" associated item") + PluralSuffix(items) + QLatin1Char('.');
}

QString deleteShopsWarning(int shops, int items) {
    return QStringLiteral("Deleting ") + QString::number(shops) + QStringLiteral(" shop") +
           PluralSuffix(shops) + QStringLiteral(" will also delete ") + QString::number(items) +
           QStringLiteral(" associated item") + PluralSuffix(items) + QLatin1Char('.');
}

QString deleteProductTypeWarning(int items) {
    return QStringLiteral("Deleting this product type will also delete ") + QString::number(items) +
           QStringLiteral(" associated item") + PluralSuffix(items) + QLatin1Char('.');
}

QString unusedProductTypesDeleted(int count) {
    return QString::number(count) + QStringLiteral(" unused product type") + PluralSuffix(count) +
           QStringLiteral(" deleted.");
}

QString productTypeInOtherCategory(const QString& productType, const QString& category) {
    return QStringLiteral("Product type ") + kQuote + productType + kQuote +
           QStringLiteral(" could not be added.") + kCrLf +
           QStringLiteral("This product already exists in the ") + kQuote + category + kQuote +
           QStringLiteral(" category.");
}

QString duplicateItem(const QString& productType, const QString& brand, const QString& size,
                      const QString& unit, const QString& shop) {
    return QStringLiteral("Item:") + kCrLf + productType + QLatin1Char(' ') + brand + QLatin1Char(' ') +
           size + unit + QStringLiteral(" at ") + shop + kCrLf + QStringLiteral("already exists.");
}

} // namespace catalogue
