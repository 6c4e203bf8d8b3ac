#pragma once

#include "Database.h"
#include "Schema.h"
#include "ScriptedMessageService.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

// A fresh database with a Shops table object open on its name index, and every message recorded.
class ShopsTest : public ::testing::Test {
protected:
    ShopsTest() : db(temp.path()) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
        shops.setIndexName(QStringLiteral("IdxName"));
    }

    void addShops(const QStringList& names) {
        if (!shops.isOpen())
            shops.open();
        for (const QString& n : names) {
            shops.append();
            shops.field(QStringLiteral("ShopName")).setString(n);
            shops.field(QStringLiteral("Address")).setString(n + QStringLiteral(" Street"));
            shops.post();
        }
    }

    // The stored name of a shop, read through a table object of its own.
    QString storedAddress(const QString& name) {
        engine::Table t(&db, QStringLiteral("Shops"));
        t.open();
        if (!t.locate(QStringLiteral("ShopName"), engine::textValue(name)))
            return QStringLiteral("<missing>");
        return t.field(QStringLiteral("Address")).asString();
    }

    TempFolder temp;
    engine::Database db;
    engine::Table shops{&db, QStringLiteral("Shops")};
    ScriptedMessageService messages;
};
