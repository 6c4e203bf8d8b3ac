#include "CatalogueEditor.h"

#include "CatalogueText.h"
#include "Database.h"
#include "EngineError.h"
#include "PriceLog.h"
#include "Query.h"
#include "Table.h"

namespace catalogue {

namespace {

engine::Value idValue(int id) {
    return engine::Value{static_cast<std::int64_t>(id)};
}

} // namespace

QString idList(const QList<int>& ids) {
    QStringList parts;
    for (int id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

void CatalogueEditor::removeLoggedPrices(const QString& itemsWhere,
                                         const std::vector<engine::Value>& parameters) {
    if (PriceLog::exists(db_))
        PriceLog(db_).removeItems(itemsWhere, parameters);
}

int CatalogueEditor::count(const QString& sql) {
    engine::Query query(&db_);
    query.setSql(sql);
    query.open();
    return query.recordCount();
}

int CatalogueEditor::categoryItemCount(const QList<int>& categoryIds) {
    if (categoryIds.isEmpty())
        return 0;
    return count(QStringLiteral("SELECT ItemID, Product, ProdID, Category FROM Items, Products "
                                "WHERE Product = ProdID AND Category IN (%1)")
                     .arg(idList(categoryIds)));
}

void CatalogueEditor::deleteCategories(const QList<int>& categoryIds) {
    if (categoryIds.isEmpty())
        return;
    const QString ids = idList(categoryIds);
    engine::Transaction tx(db_);
    removeLoggedPrices(
        QStringLiteral("Product IN (SELECT ProdID FROM Products WHERE Category IN (%1))").arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Items WHERE Product IN "
                               "(SELECT ProdID FROM Products WHERE Category IN (%1))")
                    .arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Products WHERE Category IN (%1)").arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Categories WHERE CatID IN (%1)").arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Aisles WHERE Category IN (%1)").arg(ids));
    tx.commit();
}

int CatalogueEditor::shopItemCount(const QList<int>& shopIds) {
    if (shopIds.isEmpty())
        return 0;
    return count(QStringLiteral("SELECT ItemID, Shop FROM Items WHERE Shop IN (%1)").arg(idList(shopIds)));
}

void CatalogueEditor::deleteShops(const QList<int>& shopIds) {
    if (shopIds.isEmpty())
        return;
    const QString ids = idList(shopIds);
    engine::Transaction tx(db_);
    removeLoggedPrices(QStringLiteral("Shop IN (%1)").arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Items WHERE Shop IN (%1)").arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Aisles WHERE Shop IN (%1)").arg(ids));
    db_.execute(QStringLiteral("DELETE FROM Shops WHERE ShopID IN (%1)").arg(ids));
    tx.commit();
}

int CatalogueEditor::productItemCount(int productId) {
    return count(QStringLiteral("SELECT ItemID, Product FROM Items WHERE Product = %1").arg(productId));
}

void CatalogueEditor::deleteProduct(int productId) {
    engine::Transaction tx(db_);
    removeLoggedPrices(QStringLiteral("Product = ?1"), {idValue(productId)});
    db_.execute(QStringLiteral("DELETE FROM Items WHERE Product = ?1"), {idValue(productId)});
    db_.execute(QStringLiteral("DELETE FROM Products WHERE ProdID = ?1"), {idValue(productId)});
    tx.commit();
}

int CatalogueEditor::deleteUnusedProducts() {
    engine::Transaction tx(db_);
    const int deleted = db_.execute(QStringLiteral(
        "DELETE FROM Products WHERE ProdID NOT IN (SELECT Product FROM Items WHERE Product IS NOT NULL)"));
    tx.commit();
    return deleted;
}

EditOutcome CatalogueEditor::renameProduct(int productId, const QString& newName) {
    const QString name = newName.trimmed();
    if (auto problem = tooLong(name, kNameLength, QStringLiteral("The product type name")))
        return {EditOutcome::Kind::Warning, *problem};
    engine::Table products(&db_, QStringLiteral("Products"));
    products.open();
    if (!products.findKey({idValue(productId)}))
        return {EditOutcome::Kind::NotFound, {}};
    try {
        products.edit();
        products.field(QStringLiteral("ProdName")).setString(name);
        products.post();
    } catch (const engine::EngineError& e) {
        products.cancel();
        if (e.code() == engine::KeyViolation)
            return {EditOutcome::Kind::Warning, productTypeExists(name)};
        return {EditOutcome::Kind::Error, e.message()};
    }
    return {};
}

CatProdResult CatalogueEditor::amendCatProd(const QString& categoryText, const QString& productText,
                                            const QString& unitText) {
    CatProdResult result;
    const QString cat = categoryText.trimmed();
    const QString prod = productText.trimmed();
    const QString unit = unitText.trimmed();
    if (cat.isEmpty()) {
        result.warning = QStringLiteral("Category must not be blank.");
        return result;
    }
    if (prod.isEmpty()) {
        result.warning = QStringLiteral("Product must not be blank.");
        return result;
    }
    for (const auto& check : {tooLong(cat, kNameLength, QStringLiteral("The category name")),
                              tooLong(prod, kNameLength, QStringLiteral("The product type name")),
                              tooLong(unit, kUnitLength, QStringLiteral("The unit of measure"))})
        if (check) {
            result.warning = *check;
            return result;
        }

    // A category created here is dropped with the transaction when the product type refuses it.
    engine::Transaction tx(db_);
    engine::Table categories(&db_, QStringLiteral("Categories"));
    categories.setIndexName(QStringLiteral("IdxName"));
    categories.open();
    if (!categories.findKey({engine::textValue(cat)})) {
        categories.append();
        categories.field(QStringLiteral("CatName")).setString(cat);
        categories.post();
    }
    result.categoryId = categories.field(QStringLiteral("CatID")).asInteger();

    engine::Table products(&db_, QStringLiteral("Products"));
    products.setIndexName(QStringLiteral("IdxName"));
    products.open();
    if (!products.findKey({engine::textValue(prod)})) {
        products.append();
        products.field(QStringLiteral("ProdName")).setString(prod);
        products.field(QStringLiteral("UnitOfMeasure")).setString(unit);
        products.field(QStringLiteral("Category")).setInteger(result.categoryId);
        products.post();
    } else if (products.field(QStringLiteral("Category")).asInteger() == result.categoryId &&
               !products.field(QStringLiteral("Category")).isNull()) {
        products.edit();
        products.field(QStringLiteral("UnitOfMeasure")).setString(unit);
        products.post();
    } else {
        engine::Table owner(&db_, QStringLiteral("Categories"));
        owner.open();
        const QString ownerName =
            owner.findKey({idValue(products.field(QStringLiteral("Category")).asInteger())})
                ? owner.field(QStringLiteral("CatName")).asString()
                : QString();
        result.warning = productTypeInOtherCategory(prod, ownerName);
        result.categoryId = -1;
        return result; // rolls back
    }
    result.productId = products.field(QStringLiteral("ProdID")).asInteger();
    tx.commit();
    result.ok = true;
    return result;
}

} // namespace catalogue
