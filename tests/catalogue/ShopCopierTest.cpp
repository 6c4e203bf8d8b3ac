#include "ShopCopier.h"
#include "CatalogueFixture.h"

using catalogue::CopyShopOptions;
using catalogue::ShopCopier;

namespace {

class ShopCopierTest : public CatalogueFixture {
protected:
    ShopCopierTest() {
        source = addShop("Corner");
        addShop("Market");
        const int dairy = addCategory("Dairy");
        const int fruit = addCategory("Fruit");
        const int milk = addProduct("Milk", dairy);
        const int apple = addProduct("Apple", fruit);
        addItem(milk, "Acme", 1, source, 1.25, 3);
        addItem(apple, "", 6, source, 2.5);
        addAisle(dairy, source, 110, 10, 20, 30, 40);
        addAisle(fruit, source, 100, -1, 0, 0, 0);
    }

    ShopCopier copier{db};
    int source = 0;
};

TEST_F(ShopCopierTest, NewNameMustBeUnusedInAnyCase) {
    EXPECT_FALSE(copier.nameAvailable("corner"));
    EXPECT_FALSE(copier.nameAvailable(" MARKET "));
    EXPECT_FALSE(copier.nameAvailable("   "));
    EXPECT_FALSE(copier.nameAvailable(QString(51, QLatin1Char('n'))));
    EXPECT_TRUE(copier.nameAvailable("Cornet"));
}

TEST_F(ShopCopierTest, CopiesInEveryCombinationOfTheBoxes) {
    struct Case {
        CopyShopOptions options;
        const char* name;
    };
    const Case cases[] = {{{true, true, true}, "All"},
                          {{true, false, false}, "Items only"},
                          {{false, true, false}, "Aisles only"},
                          {{false, false, false}, "Empty"}};
    for (const Case& c : cases) {
        const int id = copier.copy(source, QString::fromUtf8(c.name), c.options);
        SCOPED_TRACE(c.name);
        EXPECT_EQ(count(QStringLiteral("SELECT * FROM Shops WHERE ShopID = %1 AND ShopName = '%2' "
                                       "AND Address IS NULL AND Phone IS NULL")
                            .arg(id)
                            .arg(QString::fromUtf8(c.name))),
                  1);
        const QString mine = QStringLiteral(" WHERE Shop = %1").arg(id);
        EXPECT_EQ(count("SELECT * FROM Items" + mine), c.options.items ? 2 : 0);
        EXPECT_EQ(count("SELECT * FROM Aisles" + mine), c.options.aisles ? 2 : 0);
        if (c.options.items) {
            // Same product types, brands, sizes and prices; no quantities.
            EXPECT_EQ(count("SELECT * FROM Items I, Items J WHERE I.Shop = " + QString::number(id) +
                            " AND J.Shop = " + QString::number(source) +
                            " AND I.Product = J.Product AND I.Size = J.Size AND I.Price = J.Price"
                            " AND I.Quantity IS NULL AND I.UndoQty IS NULL"),
                      2);
        }
        if (c.options.aisles && c.options.floorPlan) {
            EXPECT_EQ(count("SELECT * FROM Aisles" + mine +
                            " AND Sequence = 110 AND RectLeft = 10 AND RectTop = 20 AND RectRight = 30"
                            " AND RectBottom = 40"),
                      1);
        }
        if (c.options.aisles && !c.options.floorPlan) {
            EXPECT_EQ(count("SELECT * FROM Aisles" + mine + " AND RectLeft = -1 AND RectTop IS NULL"), 2);
            EXPECT_EQ(count("SELECT * FROM Aisles" + mine + " AND Sequence = 110"), 1);
        }
    }
    EXPECT_EQ(count(QStringLiteral("SELECT * FROM Items WHERE Shop = %1").arg(source)), 2);
    EXPECT_EQ(orphans(), 0);
}

TEST_F(ShopCopierTest, FailedCopyLeavesNothing) {
    breakWrites("Aisles", "INSERT");
    EXPECT_THROW(copier.copy(source, "Branch", {}), engine::EngineError);
    EXPECT_EQ(rows("Shops"), 2);
    EXPECT_EQ(rows("Items"), 2);
    EXPECT_TRUE(copier.nameAvailable("Branch"));
    EXPECT_THROW(copier.copy(source, "corner", {}), engine::EngineError);
    EXPECT_EQ(rows("Shops"), 2);
}

} // namespace
