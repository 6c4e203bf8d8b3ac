#pragma once

#include "Database.h"
#include "EngineError.h"
#include "Query.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

// A fresh database of the five tables in a temporary folder.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() : db(temp.path()) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
    }

    int addCategory(const QString& name) {
        engine::Table t(&db, QStringLiteral("Categories"));
        t.open();
        t.append();
        t.field(QStringLiteral("CatName")).setString(name);
        t.post();
        return t.field(QStringLiteral("CatID")).asInteger();
    }

    int addShop(const QString& name) {
        engine::Table t(&db, QStringLiteral("Shops"));
        t.open();
        t.append();
        t.field(QStringLiteral("ShopName")).setString(name);
        t.post();
        return t.field(QStringLiteral("ShopID")).asInteger();
    }

    int addProduct(const QString& name, int category) {
        engine::Table t(&db, QStringLiteral("Products"));
        t.open();
        t.append();
        t.field(QStringLiteral("ProdName")).setString(name);
        t.field(QStringLiteral("Category")).setInteger(category);
        t.post();
        return t.field(QStringLiteral("ProdID")).asInteger();
    }

    // Brand and size may be empty (null QString / -1).
    int addItem(engine::Table& items, int product, const QString& brand, int size, int shop,
                double price = 1.0) {
        items.append();
        items.field(QStringLiteral("Product")).setInteger(product);
        items.field(QStringLiteral("Brand")).setString(brand);
        if (size >= 0)
            items.field(QStringLiteral("Size")).setInteger(size);
        items.field(QStringLiteral("Shop")).setInteger(shop);
        items.field(QStringLiteral("Price")).setFloat(price);
        items.post();
        return items.field(QStringLiteral("ItemID")).asInteger();
    }

    int countRows(const QString& table) {
        engine::Query q(&db);
        q.setSql(QStringLiteral("SELECT * FROM %1").arg(table));
        q.open();
        return q.recordCount();
    }

    // The engine error code raised by f, or 0 when none was raised.
    static int errorCode(const std::function<void()>& f, QString* message = nullptr) {
        try {
            f();
        } catch (const engine::EngineError& e) {
            if (message)
                *message = e.message();
            return e.code();
        }
        return 0;
    }

    TempFolder temp;
    engine::Database db;
};
