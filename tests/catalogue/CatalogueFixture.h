#pragma once

#include "Database.h"
#include "EngineError.h"
#include "Query.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

// A fresh database in a temporary folder with shortcuts to fill it and to look into it.
class CatalogueFixture : public ::testing::Test {
protected:
    CatalogueFixture() : db(temp.path()) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
    }

    int insert(const QString& table, const QStringList& fields, const QList<engine::Value>& values) {
        engine::Table t(&db, table);
        t.open();
        t.append();
        for (int i = 0; i < fields.size(); ++i)
            t.field(fields[i]).setValue(values[i]);
        t.post();
        return t.field(0).asInteger();
    }
    static engine::Value v(qint64 n) { return engine::Value{static_cast<std::int64_t>(n)}; }
    static engine::Value v(double d) { return engine::Value{d}; }
    static engine::Value v(const char* s) { return engine::textValue(QString::fromUtf8(s)); }

    int addCategory(const char* name) { return insert(QStringLiteral("Categories"), {"CatName"}, {v(name)}); }
    int addShop(const char* name) { return insert(QStringLiteral("Shops"), {"ShopName"}, {v(name)}); }
    int addProduct(const char* name, int category, const char* unit = "") {
        return insert(QStringLiteral("Products"), {"ProdName", "Category", "UnitOfMeasure"},
                      {v(name), v(qint64{category}), v(unit)});
    }
    int addItem(int product, const char* brand, qint64 size, int shop, double price = 1.0,
                qint64 quantity = 0) {
        return insert(QStringLiteral("Items"), {"Product", "Brand", "Size", "Shop", "Price", "Quantity"},
                      {v(qint64{product}), v(brand), v(size), v(qint64{shop}), v(price),
                       quantity ? v(quantity) : engine::Value{}});
    }
    void addAisle(int category, int shop, double sequence, int left = -1, int top = 0, int right = 0,
                  int bottom = 0) {
        insert(QStringLiteral("Aisles"),
               {"Category", "Shop", "Sequence", "RectLeft", "RectTop", "RectRight", "RectBottom"},
               {v(qint64{category}), v(qint64{shop}), v(sequence), v(qint64{left}), v(qint64{top}),
                v(qint64{right}), v(qint64{bottom})});
    }

    int count(const QString& sql) {
        engine::Query q(&db);
        q.setSql(sql);
        q.open();
        return q.recordCount();
    }
    int rows(const QString& table) { return count(QStringLiteral("SELECT * FROM ") + table); }

    // Rows that refer to a row that does not exist.
    int orphans() {
        return count(QStringLiteral(
                   "SELECT * FROM Products WHERE Category NOT IN (SELECT CatID FROM Categories)")) +
               count(
                   QStringLiteral("SELECT * FROM Items WHERE Product NOT IN (SELECT ProdID FROM Products)")) +
               count(QStringLiteral("SELECT * FROM Items WHERE Shop NOT IN (SELECT ShopID FROM Shops)")) +
               count(QStringLiteral(
                   "SELECT * FROM Aisles WHERE Category NOT IN (SELECT CatID FROM Categories)")) +
               count(QStringLiteral("SELECT * FROM Aisles WHERE Shop NOT IN (SELECT ShopID FROM Shops)"));
    }

    // Makes every later change of the table fail inside the engine, as a full disk would.
    void breakWrites(const char* table, const char* operation);

    TempFolder temp;
    engine::Database db;
};
