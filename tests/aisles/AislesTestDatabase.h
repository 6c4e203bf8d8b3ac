#pragma once

#include "Database.h"
#include "Query.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QRect>
#include <vector>

// A fresh database with helpers to set up shops, categories and aisles and to read the aisles back.
class AislesDatabaseTest : public ::testing::Test {
protected:
    struct Row {
        int category;
        double sequence;
        QRect rect; // left, top, right, bottom as stored; left -1 when unplaced
        bool operator==(const Row&) const = default;
    };

    AislesDatabaseTest() : db(temp.path()) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
    }

    int addNamed(const QString& table, const QString& field, const QString& idField, const QString& name) {
        engine::Table t(&db, table);
        t.open();
        t.append();
        t.field(field).setString(name);
        t.post();
        return t.field(idField).asInteger();
    }
    int addShop(const QString& name) {
        return addNamed(QStringLiteral("Shops"), QStringLiteral("ShopName"), QStringLiteral("ShopID"), name);
    }
    int addCategory(const QString& name) {
        return addNamed(QStringLiteral("Categories"), QStringLiteral("CatName"), QStringLiteral("CatID"),
                        name);
    }
    void addAisle(int shop, int category, double sequence, int left = -1, int top = 0, int right = 0,
                  int bottom = 0) {
        engine::Table t(&db, QStringLiteral("Aisles"));
        t.open();
        t.append();
        t.field(QStringLiteral("Shop")).setInteger(shop);
        t.field(QStringLiteral("Category")).setInteger(category);
        t.field(QStringLiteral("Sequence")).setFloat(sequence);
        t.field(QStringLiteral("RectLeft")).setInteger(left);
        if (left != -1) {
            t.field(QStringLiteral("RectTop")).setInteger(top);
            t.field(QStringLiteral("RectRight")).setInteger(right);
            t.field(QStringLiteral("RectBottom")).setInteger(bottom);
        }
        t.post();
    }
    // The shop's aisle rows in walking order.
    std::vector<Row> rows(int shop) {
        std::vector<Row> out;
        engine::Query q(&db);
        q.setSql(QStringList{QStringLiteral("SELECT * FROM Aisles"),
                             QStringLiteral("WHERE Shop = ") + QString::number(shop),
                             QStringLiteral("ORDER BY Sequence")});
        q.open();
        for (q.first(); !q.eof(); q.next())
            out.push_back({q.field(QStringLiteral("Category")).asInteger(),
                           q.field(QStringLiteral("Sequence")).asFloat(),
                           QRect(QPoint(q.field(QStringLiteral("RectLeft")).asInteger(),
                                        q.field(QStringLiteral("RectTop")).asInteger()),
                                 QPoint(q.field(QStringLiteral("RectRight")).asInteger(),
                                        q.field(QStringLiteral("RectBottom")).asInteger()))});
        return out;
    }
    std::vector<double> sequences(int shop) {
        std::vector<double> out;
        for (const Row& r : rows(shop))
            out.push_back(r.sequence);
        return out;
    }
    std::vector<int> order(int shop) {
        std::vector<int> out;
        for (const Row& r : rows(shop))
            out.push_back(r.category);
        return out;
    }

    TempFolder temp;
    engine::Database db;
};
