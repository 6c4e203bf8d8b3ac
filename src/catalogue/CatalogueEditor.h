#pragma once

#include "Value.h"

#include <QList>
#include <QString>

#include <vector>

namespace engine {
class Database;
}

namespace catalogue {

// The outcome of an edit the user asked for: done, or refused with a warning (the user can put it right) or
// an error (the table layer's message).
struct EditOutcome {
    enum class Kind { Done, NotFound, Warning, Error };
    Kind kind = Kind::Done;
    QString message;
    bool done() const { return kind == Kind::Done; }
};

// The result of making sure an item's category and product type exist and belong together.
struct CatProdResult {
    bool ok = false;
    int categoryId = -1;
    int productId = -1;
    QString warning; // why the item may not be written, when !ok
};

// The catalogue's rules that span tables: cascading deletes of categories, shops and product types, the
// removal of unused product types, renaming a product type and the creation of categories and product types
// for an item. Every command that writes more than one row runs in one transaction, so it either completes
// or leaves the tables as they were (an engine error is then raised to the caller).
class CatalogueEditor {
public:
    explicit CatalogueEditor(engine::Database& db) : db_(db) {}

    // Items that deleting these categories would delete with them (items of their product types).
    int categoryItemCount(const QList<int>& categoryIds);
    // Deletes the items with their price log, the product types, the categories and their aisle placements in
    // every shop.
    void deleteCategories(const QList<int>& categoryIds);

    int shopItemCount(const QList<int>& shopIds);
    // Deletes the items sold at the shops with their price log, their aisle placements and the shops.
    void deleteShops(const QList<int>& shopIds);

    int productItemCount(int productId);
    // Deletes the product type's items with their price log, and the product type.
    void deleteProduct(int productId);

    // Deletes every product type no item refers to, whatever its category; returns how many.
    int deleteUnusedProducts();

    // Stores the new name trimmed of surrounding blanks. A name another product type has (any case) is
    // refused with a warning; a blank name gets the table layer's required-field error.
    EditOutcome renameProduct(int productId, const QString& newName);

    // Finds the category and product type by name (any case), creating what is missing: a new product type
    // joins the category with the unit given; an existing one of that category takes the unit. A product type
    // of another category refuses the item, and a category created for it is not kept.
    CatProdResult amendCatProd(const QString& category, const QString& productType, const QString& unit);

private:
    int count(const QString& sql);
    // The price log's rows of the items the condition on Items selects, removed with them.
    void removeLoggedPrices(const QString& itemsWhere, const std::vector<engine::Value>& parameters = {});

    engine::Database& db_;
};

// "1,2,3" for an SQL IN list.
QString idList(const QList<int>& ids);

} // namespace catalogue
