#pragma once

#include "Database.h"
#include "Helpers.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <QString>

#include <optional>

// A fresh Grocelle database in a temporary folder, with helpers that add rows through the table layer.
class ListTestDatabase {
public:
    explicit ListTestDatabase(const QString& folder) : db(folder) { CreateDatabaseTables(folder); }

    int addCategory(const QString& name) {
        return add(QStringLiteral("Categories"), "CatName", name, "CatID");
    }
    int addShop(const QString& name) { return add(QStringLiteral("Shops"), "ShopName", name, "ShopID"); }

    int addProduct(const QString& name, int category, const QString& unit = QStringLiteral("g")) {
        engine::Table t(&db, QStringLiteral("Products"));
        t.open();
        t.append();
        t.field(QStringLiteral("ProdName")).setString(name);
        t.field(QStringLiteral("UnitOfMeasure")).setString(unit);
        t.field(QStringLiteral("Category")).setInteger(category);
        t.post();
        return t.field(QStringLiteral("ProdID")).asInteger();
    }

    // An empty price or quantity is std::nullopt.
    int addItem(int product, const QString& brand, int size, int shop, std::optional<double> price,
                std::optional<int> quantity = std::nullopt) {
        engine::Table t(&db, QStringLiteral("Items"));
        t.open();
        t.append();
        t.field(QStringLiteral("Product")).setInteger(product);
        t.field(QStringLiteral("Brand")).setString(brand);
        t.field(QStringLiteral("Size")).setInteger(size);
        t.field(QStringLiteral("Shop")).setInteger(shop);
        if (price)
            t.field(QStringLiteral("Price")).setFloat(*price);
        if (quantity)
            t.field(QStringLiteral("Quantity")).setInteger(*quantity);
        t.post();
        return t.field(QStringLiteral("ItemID")).asInteger();
    }

    // A field of the stored Items row; empty when the field or the row is empty.
    engine::Value itemValue(int itemId, const QString& field) {
        engine::Table t(&db, QStringLiteral("Items"));
        t.open();
        if (!t.findKey({engine::Value{static_cast<std::int64_t>(itemId)}}))
            return {};
        return t.field(field).value();
    }

    void deleteItem(int itemId) {
        engine::Table t(&db, QStringLiteral("Items"));
        t.open();
        if (t.findKey({engine::Value{static_cast<std::int64_t>(itemId)}}))
            t.deleteRecord();
    }

    engine::Database db;

private:
    int add(const QString& table, const char* nameField, const QString& name, const char* idField) {
        engine::Table t(&db, table);
        t.open();
        t.append();
        t.field(QLatin1String(nameField)).setString(name);
        t.post();
        return t.field(QLatin1String(idField)).asInteger();
    }
};

// The Items object as the main window sets it up: prices are rounded to cents before every post.
inline void InstallPriceRounding(engine::Table& items) {
    items.setBeforePost([](engine::DataSet& data) {
        engine::Field price = data.field(QStringLiteral("Price"));
        if (!price.isNull())
            price.setFloat(RoundPrice(price.asFloat()));
    });
}
