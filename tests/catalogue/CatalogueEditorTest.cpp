#include "CatalogueEditor.h"
#include "CatalogueFixture.h"
#include "CatalogueText.h"

using catalogue::CatalogueEditor;
using catalogue::EditOutcome;

namespace {

class CatalogueEditorTest : public CatalogueFixture {
protected:
    // Three categories with five items between them, one category left alone, aisles in two shops.
    void fillCatalogue() {
        shop1 = addShop("Corner");
        shop2 = addShop("Market");
        dairy = addCategory("Dairy");
        fruit = addCategory("Fruit");
        bakery = addCategory("Bakery");
        other = addCategory("Other");
        milk = addProduct("Milk", dairy, "l");
        cheese = addProduct("Cheese", dairy);
        apple = addProduct("Apple", fruit);
        addProduct("Rye", bakery); // a product type without items
        soap = addProduct("Soap", other);
        addItem(milk, "Acme", 1, shop1);
        addItem(milk, "Acme", 1, shop2);
        addItem(cheese, "", 200, shop1);
        addItem(apple, "Gala", 1, shop1);
        addItem(apple, "Gala", 1, shop2);
        addItem(soap, "Dove", 2, shop1);
        addItem(soap, "Dove", 2, shop2);
        for (int cat : {dairy, fruit, bakery, other}) {
            addAisle(cat, shop1, 100.0 + cat);
            addAisle(cat, shop2, 200.0 + cat);
        }
    }

    CatalogueEditor editor{db};
    int shop1 = 0, shop2 = 0, dairy = 0, fruit = 0, bakery = 0, other = 0;
    int milk = 0, cheese = 0, apple = 0, soap = 0;
};

TEST_F(CatalogueEditorTest, DeletingCategoriesTakesTheirProductTypesItemsAndAisles) {
    fillCatalogue();
    const QList<int> ids{dairy, fruit, bakery};
    const int items = editor.categoryItemCount(ids);
    EXPECT_EQ(items, 5);
    EXPECT_EQ(catalogue::deleteCategoriesWarning(ids.size(), items),
              "Deleting 3 categories will also delete 5 associated items.");
    EXPECT_EQ(catalogue::deleteCategoriesWarning(1, 1),
              "Deleting 1 category will also delete 1 associated item.");

    editor.deleteCategories(ids);
    EXPECT_EQ(rows("Categories"), 1);
    EXPECT_EQ(rows("Products"), 1);
    EXPECT_EQ(rows("Items"), 2);
    EXPECT_EQ(rows("Aisles"), 2);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Aisles WHERE Category = %1").arg(other)), 2);
    EXPECT_EQ(orphans(), 0);
}

TEST_F(CatalogueEditorTest, CategoryWithoutItemsStillLosesProductTypesAndAisles) {
    fillCatalogue();
    EXPECT_EQ(editor.categoryItemCount({bakery}), 0);
    editor.deleteCategories({bakery});
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Rye'"), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Aisles WHERE Category = %1").arg(bakery)), 0);
    EXPECT_EQ(rows("Items"), 7);
    EXPECT_EQ(orphans(), 0);
}

TEST_F(CatalogueEditorTest, FailedCascadeChangesNothing) {
    fillCatalogue();
    breakWrites("Aisles", "DELETE");
    EXPECT_THROW(editor.deleteCategories({dairy, fruit}), engine::EngineError);
    EXPECT_THROW(editor.deleteShops({shop1}), engine::EngineError);
    EXPECT_EQ(rows("Categories"), 4);
    EXPECT_EQ(rows("Products"), 5);
    EXPECT_EQ(rows("Items"), 7);
    EXPECT_EQ(rows("Aisles"), 8);
    EXPECT_EQ(rows("Shops"), 2);
    EXPECT_FALSE(db.inTransaction());

    // The same tables work normally afterwards.
    engine::Table items(&db, QStringLiteral("Items"));
    items.open();
    EXPECT_EQ(items.recordCount(), 7);
    editor.deleteProduct(soap);
    EXPECT_EQ(rows("Items"), 5);
}

TEST_F(CatalogueEditorTest, DeletingShopsTakesTheirItemsAndAisles) {
    fillCatalogue();
    const int third = addShop("Empty");
    addAisle(dairy, third, 5);
    const QList<int> ids{shop1, shop2};
    const int items = editor.shopItemCount(ids);
    EXPECT_EQ(items, 7);
    EXPECT_EQ(catalogue::deleteShopsWarning(2, items),
              "Deleting 2 shops will also delete 7 associated items.");
    EXPECT_EQ(catalogue::deleteShopsWarning(1, 0), "Deleting 1 shop will also delete 0 associated items.");

    EXPECT_EQ(editor.shopItemCount({third}), 0);
    editor.deleteShops({third});
    EXPECT_EQ(rows("Aisles"), 8);
    editor.deleteShops(ids);
    EXPECT_EQ(rows("Shops"), 0);
    EXPECT_EQ(rows("Items"), 0);
    EXPECT_EQ(rows("Aisles"), 0);
    EXPECT_EQ(rows("Products"), 5); // product types stay for the purge
    EXPECT_EQ(orphans(), 0);
}

TEST_F(CatalogueEditorTest, ProductTypeDeleteAndPurgeOfUnusedOnes) {
    fillCatalogue();
    const int butter = addProduct("Butter", dairy);
    addItem(butter, "A", 1, shop1);
    addItem(butter, "B", 1, shop1);
    addItem(butter, "C", 1, shop2);
    EXPECT_EQ(editor.productItemCount(butter), 3);
    EXPECT_EQ(catalogue::deleteProductTypeWarning(3),
              "Deleting this product type will also delete 3 associated items.");
    EXPECT_EQ(catalogue::deleteProductTypeWarning(1),
              "Deleting this product type will also delete 1 associated item.");
    editor.deleteProduct(butter);
    EXPECT_EQ(editor.productItemCount(butter), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Products WHERE ProdID = %1").arg(butter)), 0);
    EXPECT_EQ(rows("Items"), 7);

    // Rye never had items; Soap loses its items with the shops that sold them.
    editor.deleteShops({shop1, shop2});
    addItem(milk, "Acme", 1, addShop("New"));
    EXPECT_EQ(editor.deleteUnusedProducts(), 4);
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Milk'"), 1);
    EXPECT_EQ(editor.deleteUnusedProducts(), 0);
    EXPECT_EQ(catalogue::unusedProductTypesDeleted(0), "0 unused product types deleted.");
    EXPECT_EQ(catalogue::unusedProductTypesDeleted(1), "1 unused product type deleted.");
    EXPECT_EQ(orphans(), 0);
}

TEST_F(CatalogueEditorTest, RenameProductType) {
    fillCatalogue();
    EXPECT_TRUE(editor.renameProduct(milk, "  MILK ").done());
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'MILK'"), 1);

    EditOutcome dup = editor.renameProduct(milk, "cheese");
    EXPECT_EQ(dup.kind, EditOutcome::Kind::Warning);
    EXPECT_EQ(dup.message, "The product type \"cheese\" already exists.");

    EditOutcome blank = editor.renameProduct(milk, "   ");
    EXPECT_EQ(blank.kind, EditOutcome::Kind::Error);
    EXPECT_EQ(blank.message, "Field 'ProdName' must have a value");

    EditOutcome tooLong = editor.renameProduct(milk, QString(51, QLatin1Char('x')));
    EXPECT_EQ(tooLong.kind, EditOutcome::Kind::Warning);
    EXPECT_EQ(tooLong.message, "The product type name can have at most 50 characters.");
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'MILK'"), 1);

    // Quotes, emoji and the list separator are names like any other; 50 emoji fit.
    const QString odd = QString::fromUtf8("Bob's \"best\" ###  Käse 🧀");
    EXPECT_TRUE(editor.renameProduct(milk, odd).done());
    EXPECT_TRUE(editor.renameProduct(cheese, QString::fromUtf8("🧀").repeated(50)).done());
    engine::Table products(&db, QStringLiteral("Products"));
    products.open();
    ASSERT_TRUE(products.findKey({v(qint64{milk})}));
    EXPECT_EQ(products.field(QStringLiteral("ProdName")).asString(), odd);
    EXPECT_EQ(editor.renameProduct(9999, "Ghost").kind, EditOutcome::Kind::NotFound);
}

TEST_F(CatalogueEditorTest, AmendCatProdFindsOrCreatesAndKeepsTypesInTheirCategory) {
    fillCatalogue();
    // Existing names in any letter case are found, and the unit of the product type changes.
    auto found = editor.amendCatProd(" dairy ", "MILK", " ml ");
    ASSERT_TRUE(found.ok);
    EXPECT_EQ(found.categoryId, dairy);
    EXPECT_EQ(found.productId, milk);
    EXPECT_EQ(rows("Categories"), 4);
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Milk' AND UnitOfMeasure = 'ml'"), 1);

    auto created = editor.amendCatProd("Drinks", "Cola", "l");
    ASSERT_TRUE(created.ok);
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Products WHERE ProdName = 'Cola' AND Category = %1 "
                                   "AND UnitOfMeasure = 'l'")
                        .arg(created.categoryId)),
              1);

    auto refused = editor.amendCatProd("Fresh", "milk", "");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.warning, "Product type \"milk\" could not be added.\r\n"
                               "This product already exists in the \"Dairy\" category.");
    EXPECT_EQ(count("SELECT * FROM Categories WHERE CatName = 'Fresh'"), 0);
    EXPECT_EQ(count("SELECT * FROM Products WHERE ProdName = 'Milk' AND UnitOfMeasure = 'ml'"), 1);

    EXPECT_EQ(editor.amendCatProd("  ", "", "").warning, "Category must not be blank.");
    EXPECT_EQ(editor.amendCatProd("Dairy", " ", "").warning, "Product must not be blank.");
    EXPECT_EQ(editor.amendCatProd(QString(51, QLatin1Char('c')), "x", "").warning,
              "The category name can have at most 50 characters.");
    EXPECT_EQ(editor.amendCatProd("Dairy", "Yogurt", "12345678901").warning,
              "The unit of measure can have at most 10 characters.");
    EXPECT_EQ(rows("Categories"), 5);
    EXPECT_EQ(rows("Products"), 6);
}

} // namespace
