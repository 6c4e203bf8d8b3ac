#pragma once

#include "Database.h"
#include "Query.h"
#include "RecordingCanvas.h"
#include "Report.h"
#include "Schema.h"
#include "Table.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <optional>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// A fresh database with helpers that add rows, and a report source over it as the program builds one.
class ReportTest : public ::testing::Test {
protected:
    ReportTest() : db(temp.path()), query(&db), aisles(&db, QStringLiteral("Aisles.dat")) {
        CreateDatabaseTables(temp.path());
        db.setScratchFolder(temp.sub(QStringLiteral("scratch")));
        source.query = &query;
        source.aisles = &aisles;
        source.today = QDate(2024, 3, 5);
        source.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    }

    int add(const QString& table, const QString& idField, const QList<std::pair<QString, QVariant>>& values) {
        engine::Table t(&db, table);
        t.open();
        t.append();
        for (const auto& [name, value] : values) {
            if (!value.isValid())
                continue;
            if (value.typeId() == QMetaType::QString)
                t.field(name).setString(value.toString());
            else if (value.typeId() == QMetaType::Double)
                t.field(name).setFloat(value.toDouble());
            else
                t.field(name).setInteger(value.toLongLong());
        }
        t.post();
        return t.field(idField).asInteger();
    }
    int addShop(const QString& name, const QString& address = QString()) {
        return add(QStringLiteral("Shops"), QStringLiteral("ShopID"),
                   {{QStringLiteral("ShopName"), name},
                    {QStringLiteral("Address"), address.isEmpty() ? QVariant() : address}});
    }
    int addCategory(const QString& name) {
        return add(QStringLiteral("Categories"), QStringLiteral("CatID"),
                   {{QStringLiteral("CatName"), name}});
    }
    int addProduct(const QString& name, int category, const QString& unit = QString()) {
        return add(QStringLiteral("Products"), QStringLiteral("ProdID"),
                   {{QStringLiteral("ProdName"), name},
                    {QStringLiteral("Category"), category},
                    {QStringLiteral("UnitOfMeasure"), unit.isEmpty() ? QVariant() : unit}});
    }
    // quantity 0 leaves the item off the list; size 0 and price < 0 leave those fields empty.
    int addItem(int product, int shop, const QString& brand, int size, double price, int quantity) {
        return add(QStringLiteral("Items"), QStringLiteral("ItemID"),
                   {{QStringLiteral("Product"), product},
                    {QStringLiteral("Shop"), shop},
                    {QStringLiteral("Brand"), brand.isEmpty() ? QVariant() : brand},
                    {QStringLiteral("Size"), size ? QVariant(size) : QVariant()},
                    {QStringLiteral("Price"), price >= 0 ? QVariant(price) : QVariant()},
                    {QStringLiteral("Quantity"), quantity ? QVariant(quantity) : QVariant()}});
    }
    void addAisle(int shop, int category, double sequence) {
        add(QStringLiteral("Aisles"), QStringLiteral("Shop"),
            {{QStringLiteral("Shop"), shop},
             {QStringLiteral("Category"), category},
             {QStringLiteral("Sequence"), sequence},
             {QStringLiteral("RectLeft"), -1}});
    }

    // Prepares and prints the report on a recording canvas; the message when there was nothing to print.
    template <class R> QString print(RecordingCanvas& canvas) {
        R report(source);
        const QString message = report.prepare();
        if (message.isEmpty())
            report.print(canvas);
        return message;
    }

    TempFolder temp;
    engine::Database db;
    engine::Query query;
    engine::Table aisles;
    reports::ReportSource source;
};

// The texts a recording drew, page by page, with their positions.
struct Drawn {
    int page;
    int x;
    int y;
    QString text;
    bool bold;
    bool italic;
};

inline std::vector<Drawn> texts(const RecordingCanvas& canvas) {
    std::vector<Drawn> out;
    int page = 1;
    for (const RecordingCanvas::Call& c : canvas.calls) {
        if (c.op == QStringLiteral("newPage"))
            ++page;
        else if (c.op == QStringLiteral("text"))
            out.push_back({page, c.args[0], c.args[1], c.text, c.font.bold(), c.font.italic()});
    }
    return out;
}

// The first text drawn that equals `text` (or starts with it when `prefix`).
inline std::optional<Drawn> find(const RecordingCanvas& canvas, const QString& text, bool prefix = false) {
    for (const Drawn& d : texts(canvas))
        if (prefix ? d.text.startsWith(text) : d.text == text)
            return d;
    return std::nullopt;
}

// Horizontal lines drawn, as (page, x1, x2, y).
struct Rule {
    int page;
    int x1;
    int x2;
    int y;
    bool operator==(const Rule&) const = default;
};

inline std::vector<Rule> rules(const RecordingCanvas& canvas) {
    std::vector<Rule> out;
    int page = 1;
    for (const RecordingCanvas::Call& c : canvas.calls) {
        if (c.op == QStringLiteral("newPage"))
            ++page;
        else if (c.op == QStringLiteral("line") && c.args[1] == c.args[3])
            out.push_back({page, c.args[0], c.args[2], c.args[1]});
    }
    return out;
}
