#include "SoakDatabase.h"

#include "Database.h"
#include "PriceLog.h"
#include "Schema.h"

namespace soak {

namespace {

constexpr int kCategories = 12;
constexpr int kUsedProducts = 60;
constexpr int kUnusedProducts = 8;
constexpr int kShops = 8;

} // namespace

void fillDatabase(const QString& folder, int variant) {
    CreateDatabaseTables(folder);
    engine::Database db(folder);
    const QString tag = variant == 0 ? QStringLiteral("\u00e9t\u00e9") : QStringLiteral("v%1").arg(variant);
    engine::Transaction t(db);
    for (int c = 1; c <= kCategories; ++c)
        db.execute(QStringLiteral("INSERT INTO Categories (CatName) VALUES (?1)"),
                   {engine::Value{QStringLiteral("Category %1 %2").arg(c).arg(tag).toStdString()}});
    const QStringList units{QStringLiteral("g"), QStringLiteral("ml"), QStringLiteral("each"),
                            QStringLiteral("kg")};
    for (int p = 1; p <= kUsedProducts + kUnusedProducts; ++p)
        db.execute(
            QStringLiteral("INSERT INTO Products (ProdName, UnitOfMeasure, Category) VALUES (?1, ?2, ?3)"),
            {engine::Value{QStringLiteral("Product %1 %2").arg(p).arg(tag).toStdString()},
             engine::Value{units[p % units.size()].toStdString()},
             engine::Value{std::int64_t{(p + variant) % kCategories + 1}}});
    for (int s = 1; s <= kShops; ++s)
        db.execute(QStringLiteral("INSERT INTO Shops (ShopName, Address, Phone) VALUES (?1, ?2, ?3)"),
                   {engine::Value{QStringLiteral("Shop %1 %2").arg(s).arg(tag).toStdString()},
                    engine::Value{QStringLiteral("%1 Market Street").arg(s * 10 + variant).toStdString()},
                    engine::Value{QStringLiteral("555-01%1").arg(s, 2, 10, QLatin1Char('0')).toStdString()}});
    for (int p = 1; p <= kUsedProducts; ++p)
        for (int s = 1; s <= kShops; ++s) {
            if ((p * 7 + s + variant) % 3 == 0)
                continue;
            for (int b = 0; b < 2; ++b) {
                const int size = 100 * (1 + (p + s + b) % 5);
                const double price = ((p % 9 + 1) * 37 * (1 + (s + variant) % 4) + b * 20) / 100.0;
                const engine::Value quantity =
                    (p + s + b + variant) % 3 == 0 ? engine::Value{std::int64_t{p % 4 + 1}} : engine::Value{};
                db.execute(
                    QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop, Quantity) "
                                   "VALUES (?1, ?2, ?3, ?4, ?5, ?6)"),
                    {engine::Value{std::int64_t{p}},
                     engine::Value{QStringLiteral("Brand %1 %2").arg(QChar(u'A' + b)).arg(tag).toStdString()},
                     engine::Value{std::int64_t{size}}, engine::Value{price}, engine::Value{std::int64_t{s}},
                     quantity});
            }
        }
    for (int s = 1; s <= kShops; ++s)
        for (int c = 1; c <= kCategories; ++c) {
            if ((c + s) % 5 == 0)
                continue;
            db.execute(
                QStringLiteral("INSERT INTO Aisles (Category, Shop, Sequence, RectLeft, RectTop, RectRight, "
                               "RectBottom) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"),
                {engine::Value{std::int64_t{c}}, engine::Value{std::int64_t{s}},
                 engine::Value{((c * 7 + s + variant) % kCategories) * 1.5},
                 engine::Value{std::int64_t{20 * c}}, engine::Value{std::int64_t{40 * s}},
                 engine::Value{std::int64_t{20 * c + 100}}, engine::Value{std::int64_t{40 * s + 20}}});
        }
    t.commit();
    // Gaps: the counters must survive every rebuild ahead of the rows.
    db.execute(QStringLiteral("DELETE FROM Items WHERE ItemID IN (SELECT max(ItemID) FROM Items)"));
    db.execute(QStringLiteral("DELETE FROM Shops WHERE ShopID = %1").arg(kShops));
    db.execute(QStringLiteral("DELETE FROM Items WHERE Shop = %1").arg(kShops));
    db.execute(QStringLiteral("DELETE FROM Aisles WHERE Shop = %1").arg(kShops));
    // The empty price log the program's start-up gives every database.
    PriceLog::ensure(db);
}

void addOrphans(const QString& folder) {
    engine::Database db(folder);
    engine::Transaction t(db);
    for (int p = 0; p < 6; ++p)
        db.execute(
            QStringLiteral("INSERT INTO Products (ProdName, UnitOfMeasure, Category) VALUES (?1, 'g', 99)"),
            {engine::Value{QStringLiteral("Lost product %1").arg(p).toStdString()}});
    db.execute(
        QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop, Quantity) SELECT ProdID, "
                       "'Orphan', 250, 1.5, 1, 2 FROM Products WHERE Category = 99"));
    db.execute(
        QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop) SELECT Product, Brand, Size, "
                       "Price, 77 FROM Items WHERE Shop = 1 AND Product <= 20"));
    db.execute(
        QStringLiteral("INSERT INTO Items (Product, Brand, Size, Price, Shop) SELECT 999, Brand, Size, "
                       "Price, Shop FROM Items WHERE Product = 1"));
    db.execute(
        QStringLiteral("INSERT INTO Aisles (Category, Shop, Sequence) SELECT 55, ShopID, 1 FROM Shops"));
    db.execute(
        QStringLiteral("INSERT INTO Aisles (Category, Shop, Sequence) SELECT CatID, 66, 1 FROM Categories"));
    t.commit();
}

void makeOlderVersion(const QString& folder) {
    engine::Database db(folder);
    db.alterTables(schema::tableNames(), std::nullopt, std::pair{2, 0});
}

V1File v1Contents() {
    V1File f;
    for (int c = 0; c < 10; ++c)
        f.categories << QStringLiteral("Old category %1").arg(c);
    for (int p = 0; p < 40; ++p)
        f.products << V1Product{QStringLiteral("Old product %1").arg(p), QStringLiteral("g"),
                                static_cast<std::int16_t>(p % 10)};
    for (int s = 0; s < 6; ++s) {
        V1Shop shop{QStringLiteral("Old shop %1").arg(s), {}};
        for (int c = 0; c < 10; ++c)
            shop.aisles << V1Aisle{20 * c, 40 * s, 20 * c + 100, 40 * s + 20, static_cast<std::int16_t>(c)};
        f.shops << shop;
    }
    for (int p = 0; p < 40; ++p)
        for (int s = 0; s < 6; ++s)
            for (int b = 0; b < 2; ++b)
                f.items << V1Item{static_cast<std::int16_t>(p), QStringLiteral("Old brand %1").arg(b),
                                  static_cast<float>(100 * (1 + (p + b) % 4)),
                                  static_cast<float>((p % 7 + 1) * 0.45 + s * 0.1),
                                  static_cast<std::int16_t>(s)};
    return f;
}

} // namespace soak
