#include "Schema.h"
#include "Database.h"
#include "EngineError.h"
#include "TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

// The exact table layout that stored databases and every page rely on.
TEST(Schema, TablesFieldsAndIndexesAreExactlyAsStored) {
    const auto& t = schema::tables();
    ASSERT_EQ(t.size(), 5);
    const auto fields = [](const engine::TableDefinition& d) {
        QStringList out;
        for (const auto& f : d.fields)
            out << QStringLiteral("%1:%2:%3:%4").arg(f.name).arg(int(f.type)).arg(f.size).arg(f.required);
        return out;
    };
    const auto indexes = [](const engine::TableDefinition& d) {
        QStringList out;
        for (const auto& i : d.indexes)
            out << QStringLiteral("%1(%2)%3%4%5")
                       .arg(i.name, i.fields)
                       .arg(i.primary ? "P" : "")
                       .arg(i.unique ? "U" : "")
                       .arg(i.caseInsensitive ? "I" : "");
        return out;
    };
    // Types: 0 auto-increment, 1 string, 2 integer, 3 float.
    EXPECT_EQ(fields(t[0].definition), (QStringList{"CatID:0:0:1", "CatName:1:50:1"}));
    EXPECT_EQ(indexes(t[0].definition), (QStringList{"Primary(CatID)PU", "IdxName(CatName)UI"}));
    EXPECT_EQ(fields(t[1].definition),
              (QStringList{"ProdID:0:0:1", "ProdName:1:50:1", "UnitOfMeasure:1:10:0", "Category:2:0:0"}));
    EXPECT_EQ(indexes(t[1].definition), (QStringList{"Primary(ProdID)PU", "IdxName(ProdName)UI"}));
    EXPECT_EQ(fields(t[2].definition),
              (QStringList{"ItemID:0:0:1", "Product:2:0:1", "Brand:1:50:0", "Size:2:0:0", "Price:3:0:0",
                           "Shop:2:0:1", "Quantity:2:0:0", "UndoQty:2:0:0"}));
    EXPECT_EQ(indexes(t[2].definition),
              (QStringList{"Primary(ItemID)PU", "IdxItem(Product;Brand;Size;Shop)UI",
                           "IdxBrand(Brand;Product;Shop)I", "IdxShop(Shop;Product;Brand)I"}));
    EXPECT_EQ(fields(t[3].definition),
              (QStringList{"ShopID:0:0:1", "ShopName:1:50:1", "Address:1:100:0", "Phone:1:20:0"}));
    EXPECT_EQ(fields(t[4].definition),
              (QStringList{"Category:2:0:1", "Shop:2:0:1", "Sequence:3:0:0", "RectLeft:2:0:0",
                           "RectTop:2:0:0", "RectRight:2:0:0", "RectBottom:2:0:0"}));
    EXPECT_EQ(indexes(t[4].definition),
              (QStringList{"Primary(Shop;Category)PU", "IdxCat(Category;Shop)", "IdxSeq(Shop;Sequence)"}));
}

TEST(Schema, CreateDatabaseTablesStopsAtTheFirstFailure) {
    TempFolder temp;
    const QString missing = temp.file(QStringLiteral("no/such/folder"));
    EXPECT_THROW(CreateDatabaseTables(missing), engine::EngineError);
    EXPECT_FALSE(QFile::exists(missing + QStringLiteral("/Categories.dat")));
}
