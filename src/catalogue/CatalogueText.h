#pragma once

#include <QString>

#include <optional>

// Texts the catalogue shows and the length rules of the names it stores.
namespace catalogue {

// Field sizes of the tables, in characters.
constexpr int kNameLength = 50; // CatName, ProdName, ShopName, Brand
constexpr int kUnitLength = 10;
constexpr int kAddressLength = 100;
constexpr int kPhoneLength = 20;

// Characters as the tables count them (code points, so an emoji is one).
int characterCount(const QString& text);

// A warning when the trimmed text is longer than the field takes; nothing when it fits. The tables would cut
// the text silently, so the pages refuse it instead. `what` names the field ("The category name").
std::optional<QString> tooLong(const QString& text, int limit, const QString& what);

QString categoryExists(const QString& name);
QString shopExists(const QString& name);
QString productTypeExists(const QString& name);

QString deleteCategoriesWarning(int categories, int items);
QString deleteShopsWarning(int shops, int items);
QString deleteProductTypeWarning(int items);
QString unusedProductTypesDeleted(int count);

QString productTypeInOtherCategory(const QString& productType, const QString& category);
QString duplicateItem(const QString& productType, const QString& brand, const QString& size,
                      const QString& unit, const QString& shop);

} // namespace catalogue
